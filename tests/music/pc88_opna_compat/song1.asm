; Song slot 1 (after one tick for the voice from voice slot 1): notes of
; 200 ms (12 ticks of 60 Hz) with 50 ms (3 ticks) between: the ADPCM sine
; 433.3 Hz (the "adpcm" file at address 0), FM 6 440.1 Hz, SSG B 522.2 Hz,
; then the snare drum.
        include "song.inc"
        org 4000h
        OPN 07h, 38h
        USE 0F000h
        TICKS 1
        ADPCMKEY 399, 4000h, 0C0h
        TICKS 12
        ADPCMOFF
        TICKS 3
        FMKEY1 2, 4, 1040
        TICKS 12
        FMOFF1 2
        TICKS 3
        SSGKEY 1, 239, 12
        TICKS 12
        SSGOFF 1
        TICKS 3
        RHYTHMKEY 02h
        TICKS 3
        SONGEND

; Song slot 2, over and over: FM 1 220.0 Hz, SSG C 439.4 Hz, the ADPCM
; sine, FM 4 659.3 Hz; 200 ms each with 50 ms between.
        include "song.inc"
        org 4000h
        OPN 07h, 38h
        USE 0F000h
        TICKS 1
again:  FMKEY 0, 3, 1040
        TICKS 12
        FMOFF 0
        TICKS 3
        SSGKEY 2, 284, 12
        TICKS 12
        SSGOFF 2
        TICKS 3
        ADPCMKEY 399, 4000h, 0C0h
        TICKS 12
        ADPCMOFF
        TICKS 3
        FMKEY1 0, 5, 779
        TICKS 12
        FMOFF1 0
        TICKS 3
        GOTO again

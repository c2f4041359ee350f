; Song 3, for the demo and the benchmark: everything sounds at once, over
; and over. A C major chord on the six FM channels (C4 E4 G4 C5 E5 G5) and
; on the three SSG tones, the ADPCM sine repeating, and the bass drum,
; hi-hat, snare and hi-hat in turns every 125 ms (62 ticks); the chord is
; struck again every 500 ms.
        include "song.inc"
        org 4000h
        OPN 07h, 38h
        FMSOFT OPN, 0
        FMSOFT OPN, 1
        FMSOFT OPN, 2
        FMSOFT OPN1, 0
        FMSOFT OPN1, 1
        FMSOFT OPN1, 2
        TICKS 1
        ADPCMLOOP 399, 4000h, 40h
        SSGKEY 0, 477, 9
        SSGKEY 1, 379, 9
        SSGKEY 2, 319, 9
again:  FMKEY 0, 4, 618
        FMKEY 1, 4, 778
        FMKEY 2, 4, 925
        FMKEY1 0, 5, 618
        FMKEY1 1, 5, 778
        FMKEY1 2, 5, 925
        RHYTHMKEY 01h
        TICKS 62
        RHYTHMKEY 08h
        TICKS 62
        RHYTHMKEY 02h
        TICKS 62
        RHYTHMKEY 08h
        TICKS 62
        FMOFF 0
        FMOFF 1
        FMOFF 2
        FMOFF1 0
        FMOFF1 1
        FMOFF1 2
        GOTO again

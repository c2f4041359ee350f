; Song slot 2, over and over: FM 2 261.6 Hz, SSG A 698.9 Hz, FM 3 523.2 Hz;
; 150 ms each with 50 ms between.
        include "song.inc"
        org 4000h
        OPN 07h, 38h
        USE 0F000h
        TICKS 1
again:  FMKEY 1, 4, 618
        TICKS 90
        FMOFF 1
        TICKS 30
        SSGKEY 0, 179, 12
        TICKS 90
        SSGOFF 0
        TICKS 30
        FMKEY 2, 5, 618
        TICKS 90
        FMOFF 2
        TICKS 30
        GOTO again

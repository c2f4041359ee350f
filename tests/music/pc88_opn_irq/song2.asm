; Song 2, over and over: SSG B for 500 ms with 100 ms between; its pitch
; comes from the interrupt count (1040.0 Hz).
        include "song.inc"
        org 4000h
        OPN 07h, 38h
        TICKS 1
again:  OPN 09h, 12
        TICKS 30
        SSGOFF 1
        TICKS 6
        GOTO again

; Song 1: SSG A three times for 500 ms (30 ticks of 60 Hz) with 100 ms
; between; its pitch comes from the interrupt count (520.0 Hz).
        include "song.inc"
        org 4000h
        OPN 07h, 38h
        TICKS 1
        OPN 08h, 12
        TICKS 30
        SSGOFF 0
        TICKS 6
        OPN 08h, 12
        TICKS 30
        SSGOFF 0
        TICKS 6
        OPN 08h, 12
        TICKS 30
        SSGOFF 0
        SONGEND

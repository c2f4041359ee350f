; Song 2, other channels and pitches, same rhythm: FM 2 220.0 Hz, SSG B
; 878.9 Hz, FM 3 330.1 Hz, SSG C 293.6 Hz; then it starts over.
        include "song.inc"
        org 4000h
        OPN 07h, 38h
        FMVOICE OPN, 1
        FMVOICE OPN, 2
        TICKS 1                 ; the voices are set: notes from the next tick on
again:  FMKEY 1, 3, 1040
        TICKS 120
        FMOFF 1
        TICKS 30
        SSGKEY 1, 142, 12
        TICKS 120
        SSGOFF 1
        TICKS 30
        FMKEY 2, 4, 780
        TICKS 120
        FMOFF 2
        TICKS 30
        SSGKEY 2, 425, 12
        TICKS 120
        SSGOFF 2
        TICKS 30
        GOTO again

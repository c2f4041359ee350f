; Song 2, other channels and pitches: C 220.1 Hz, A 329.8 Hz, B 586.9 Hz,
; 150 ms each with 50 ms between; then it starts over.
        include "x1song.inc"
        org 4000h
        PSG 07h, 38h
        TICKS 1
again:  PSGKEY 2, 568, 12
        TICKS 150
        PSGOFF 2
        TICKS 50
        PSGKEY 0, 379, 12
        TICKS 150
        PSGOFF 0
        TICKS 50
        PSGKEY 1, 213, 12
        TICKS 150
        PSGOFF 1
        TICKS 50
        GOTO again

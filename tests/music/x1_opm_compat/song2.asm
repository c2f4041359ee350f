; Song slot 2: FM 6 KC 3Ah (A, 245.8 Hz) and PSG A 586.9 Hz, 12 ticks each
; with 3 between; then it starts over.
        include "x1song.inc"
        org 4000h
        USE 0E000h
        TICKS 1
again:  OPMKEY 5, 3Ah, 0
        TICKS 12
        OPMOFF 5
        TICKS 3
        PSGKEY 0, 213, 12
        TICKS 12
        PSGOFF 0
        TICKS 3
        GOTO again

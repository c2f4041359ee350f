; Song 2, other channels and pitches: FM 3 KC 3Eh (C, 292.4 Hz), PSG B
; 329.8 Hz, FM 8 KC 62h (D#, 1390.7 Hz), 200 ms each with 50 ms between;
; then it starts over.
        include "x1song.inc"
        org 4000h
        PSG 07h, 38h
        OPMVOICE 2
        OPMVOICE 7
        TICKS 1
again:  OPMKEY 2, 3Eh, 0
        TICKS 80
        OPMOFF 2
        TICKS 20
        PSGKEY 1, 379, 12
        TICKS 80
        PSGOFF 1
        TICKS 20
        OPMKEY 7, 62h, 0
        TICKS 80
        OPMOFF 7
        TICKS 20
        GOTO again

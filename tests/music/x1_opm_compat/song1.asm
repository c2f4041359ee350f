; Song slot 1 (after one tick for the voices from voice slot 1): notes of
; 196.6 ms (12 ticks) with 49.2 ms (3 ticks) between: FM 4 KC 4Ah (A,
; 491.7 Hz at 4 MHz), PSG B 440.1 Hz, FM 5 KC 5Ah (A, 983.4 Hz).
        include "x1song.inc"
        org 4000h
        USE 0E000h
        TICKS 1
        OPMKEY 3, 4Ah, 0
        TICKS 12
        OPMOFF 3
        TICKS 3
        PSGKEY 1, 284, 12
        TICKS 12
        PSGOFF 1
        TICKS 3
        OPMKEY 4, 5Ah, 0
        TICKS 12
        OPMOFF 4
        SONGEND

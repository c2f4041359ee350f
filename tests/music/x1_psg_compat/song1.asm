; Song slot 1 (after one tick for the voice from voice slot 1): notes of
; 179.2 ms (70 ticks) with 51.2 ms (20 ticks) between: B 494.1 Hz, A
; 369.8 Hz, C 739.6 Hz.
        include "x1song.inc"
        org 4000h
        USE 0E000h
        TICKS 1
        PSGKEY 1, 253, 12
        TICKS 70
        PSGOFF 1
        TICKS 20
        PSGKEY 0, 338, 12
        TICKS 70
        PSGOFF 0
        TICKS 20
        PSGKEY 2, 169, 12
        TICKS 70
        PSGOFF 2
        SONGEND

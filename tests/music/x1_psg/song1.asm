; Song 1 (after one tick for the mixer): notes of 180 ms (180 ticks) with
; 40 ms between: A 440.1 Hz, B 523.0 Hz, C 657.9 Hz, A 880.3 Hz.
        include "x1song.inc"
        org 4000h
        PSG 07h, 38h            ; tones on, noise off
        TICKS 1
        PSGKEY 0, 284, 12
        TICKS 180
        PSGOFF 0
        TICKS 40
        PSGKEY 1, 239, 12
        TICKS 180
        PSGOFF 1
        TICKS 40
        PSGKEY 2, 190, 12
        TICKS 180
        PSGOFF 2
        TICKS 40
        PSGKEY 0, 142, 12
        TICKS 180
        PSGOFF 0
        SONGEND

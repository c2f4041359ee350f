; Song 1 (after one tick for the voices): notes of 200 ms (80 ticks) with
; 50 ms (20 ticks) between: FM 1 KC 4Ah (A, 491.7 Hz at 4 MHz), PSG A
; 440.1 Hz, FM 2 KC 54h KF 32 (E a quarter tone up, 758.4 Hz), PSG C
; 657.9 Hz.
        include "x1song.inc"
        org 4000h
        PSG 07h, 38h            ; tones on, noise off
        OPMVOICE 0
        OPMVOICE 1
        TICKS 1
        OPMKEY 0, 4Ah, 0
        TICKS 80
        OPMOFF 0
        TICKS 20
        PSGKEY 0, 284, 12
        TICKS 80
        PSGOFF 0
        TICKS 20
        OPMKEY 1, 54h, 32
        TICKS 80
        OPMOFF 1
        TICKS 20
        PSGKEY 2, 190, 12
        TICKS 80
        PSGOFF 2
        SONGEND

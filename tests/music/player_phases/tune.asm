; The one tune of player_phases, played by every entry: channel 0 holds
; A 440.1 Hz at volume 12 for as long as the song runs (a stopped machine
; shows volume 0 there), while channels 1 and 2 take turns with notes of
; 100 ms and 20 ms between, over and over.
        include "x1song.inc"
        org 4000h
        PSG 07h, 38h            ; tones on, noise off
        TICKS 1
        PSGKEY 0, 284, 12
again:  PSGKEY 1, 239, 10
        TICKS 100
        PSGOFF 1
        TICKS 20
        PSGKEY 2, 190, 10
        TICKS 100
        PSGOFF 2
        TICKS 20
        GOTO again

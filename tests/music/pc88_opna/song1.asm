; Song 1 (after one tick for the voices), notes of 200 ms (100 ticks) with
; 50 ms (25 ticks) between: FM 4 440.1 Hz, SSG A 439.4 Hz, FM 1 659.3 Hz,
; then the bass drum.
        include "song.inc"
        org 4000h
        OPN 07h, 38h
        FMVOICE OPN1, 0
        FMPAN OPN1, 0
        FMVOICE OPN, 0
        FMPAN OPN, 0
        TICKS 1
        FMKEY1 0, 4, 1040
        TICKS 100
        FMOFF1 0
        TICKS 25
        SSGKEY 0, 284, 12
        TICKS 100
        SSGOFF 0
        TICKS 25
        FMKEY 0, 5, 779
        TICKS 100
        FMOFF 0
        TICKS 25
        RHYTHMKEY 01h
        TICKS 50
        SONGEND

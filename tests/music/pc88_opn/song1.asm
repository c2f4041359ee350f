; Song 1 (after one tick for the voice): four notes of 200 ms (120 ticks) with 50 ms (30 ticks) between:
; SSG A 439.4 Hz, FM 1 440.1 Hz, SSG A 522.2 Hz, FM 1 659.3 Hz.
        include "song.inc"
        org 4000h
        OPN 07h, 38h            ; SSG tones on, noise off
        FMVOICE OPN, 0
        TICKS 1                 ; the voices are set: notes from the next tick on
        SSGKEY 0, 284, 12
        TICKS 120
        SSGOFF 0
        TICKS 30
        FMKEY 0, 4, 1040
        TICKS 120
        FMOFF 0
        TICKS 30
        SSGKEY 0, 239, 12
        TICKS 120
        SSGOFF 0
        TICKS 30
        FMKEY 0, 5, 779
        TICKS 120
        FMOFF 0
        SONGEND

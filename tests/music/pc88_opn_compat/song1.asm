; Song slot 1 (after one tick for the voice from voice slot 1): notes of
; 150 ms (90 ticks) with 50 ms (30 ticks) between: SSG C 293.6 Hz, FM 1
; 440.1 Hz, SSG C 587.6 Hz.
        include "song.inc"
        org 4000h
        OPN 07h, 38h
        USE 0F000h
        TICKS 1
        SSGKEY 2, 425, 12
        TICKS 90
        SSGOFF 2
        TICKS 30
        FMKEY 0, 4, 1040
        TICKS 90
        FMOFF 0
        TICKS 30
        SSGKEY 2, 212, 12
        TICKS 90
        SSGOFF 2
        SONGEND

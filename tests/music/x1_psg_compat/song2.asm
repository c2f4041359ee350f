; Song slot 2: A 261.5 Hz and C 440.1 Hz, 70 ticks each with 20 between;
; then it starts over.
        include "x1song.inc"
        org 4000h
        USE 0E000h
        TICKS 1
again:  PSGKEY 0, 478, 12
        TICKS 70
        PSGOFF 0
        TICKS 20
        PSGKEY 2, 284, 12
        TICKS 70
        PSGOFF 2
        TICKS 20
        GOTO again

; Voice slot 2, run by song 2 from 0E000h: the FM voice of FM 6 and the
; PSG mixer.
        include "x1song.inc"
        org 0E000h
        PSG 07h, 38h
        OPMVOICE 5
        SONGEND

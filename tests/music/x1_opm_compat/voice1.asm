; Voice slot 1, run by song 1 from 0E000h: the FM voice of FM 4 and FM 5
; and the PSG mixer.
        include "x1song.inc"
        org 0E000h
        PSG 07h, 38h
        OPMVOICE 3
        OPMVOICE 4
        SONGEND

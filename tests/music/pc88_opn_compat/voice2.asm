; Voice slot 2: the voices of FM 2 and FM 3, run by song 2 from 0F000h.
        include "song.inc"
        org 0F000h
        FMVOICE OPN, 1
        FMVOICE OPN, 2
        SONGEND

; Voice slot 2: the voices of FM 1 and FM 4, run by song 2 from 0F000h.
        include "song.inc"
        org 0F000h
        FMVOICE OPN, 0
        FMPAN OPN, 0
        FMVOICE OPN1, 0
        FMPAN OPN1, 0
        SONGEND

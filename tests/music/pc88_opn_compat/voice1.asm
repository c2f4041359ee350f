; Voice slot 1: the voice of FM 1, run by song 1 from 0F000h.
        include "song.inc"
        org 0F000h
        FMVOICE OPN, 0
        SONGEND

; Voice slot 1: the voice of FM 6, run by song 1 from 0F000h.
        include "song.inc"
        org 0F000h
        FMVOICE OPN1, 2
        FMPAN OPN1, 2
        SONGEND

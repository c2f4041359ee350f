; Voice slot 2, run by song 2 from 0E000h: the mixer with the three tones
; on and the noise off. Without it the song stays silent.
        include "x1song.inc"
        org 0E000h
        PSG 07h, 38h
        SONGEND

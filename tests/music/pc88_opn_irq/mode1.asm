; Song 1 plays channel A, its period 24 x the count.
        org 0F000h
        db 0

; Song 2 plays channel B, its period 12 x the count.
        org 0F000h
        db 1

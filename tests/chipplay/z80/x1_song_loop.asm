; The song loop of a patched X1 game program: wait for a play request on the
; host device (16-bit port addresses through BC), fetch the song code and ask
; for its chunks.
        org 0000h
        di
        ld sp,8000h
loop:   ld bc,0080h
        in a,(c)        ; host device: 1 = play request
        cp 1
        jr nz,loop
        inc c
        in a,(c)        ; song code (0081h)
        ld (7000h),a
        out (c),a       ; copy chunk a of every table
        jr loop

; The song loop of a patched game program: wait for a play request on the
; host device, fetch the song code and ask for its chunks.
        org 0000h
        di
        ld sp,8000h
loop:   in a,(80h)      ; host device: 1 = play request
        cp 1
        jr nz,loop
        in a,(81h)      ; song code
        ld (7000h),a
        out (81h),a     ; copy chunk a of every table
        jr loop

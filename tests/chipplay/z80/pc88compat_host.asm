; The host-device loop of a compatible game program: poll port 00h, load
; the requested song through OUT 01h, acknowledge a stop with 0FFh.
; Logs: 7000h the last song code, 7001h stops seen, 7002h the attribute.
        org 0000h
        di
        ld sp,8000h
loop:   in a,(00h)      ; 1 = play request, 2 = stop request
        cp 1
        jr z,play
        cp 2
        jr nz,loop
        ld a,0FFh
        out (01h),a     ; acknowledge the stop
        ld hl,7001h
        inc (hl)
        jr loop
play:   in a,(01h)      ; song code
        ld (7000h),a
        in a,(80h)      ; attribute
        ld (7002h),a
        ld a,(7000h)
        out (01h),a     ; load song a
        jr loop

; The host-device loop of a compatible X1 game program (16-bit port
; addresses through BC): poll port 0000h, load the requested song by
; writing its code back to port 0001h, then sound channel A of the
; AY-3-8910 with the tone period (4000h, 4001h) and volume (4002h) that the
; song area now holds. A stop silences channel A and is acknowledged with
; 0FFh.
; Logs: 7000h the last song code, 7001h stops seen, 7002h the attribute
; (port 000Fh), 7004h the number of polls (16 bits).
        org 0000h
        di
        ld sp,8000h
loop:   ld hl,(7004h)
        inc hl
        ld (7004h),hl
        ld bc,0000h
        in a,(c)        ; 1 = play request, 2 = stop request
        cp 1
        jr z,play
        cp 2
        jr nz,loop
        ld bc,1C00h     ; register 8: channel A volume 0
        ld a,8
        out (c),a
        ld b,1Bh
        xor a
        out (c),a
        ld bc,0001h
        ld a,0FFh
        out (c),a       ; acknowledge the stop
        ld hl,7001h
        inc (hl)
        jr loop
play:   ld c,01h        ; B is 0
        in a,(c)        ; song code
        ld (7000h),a
        ld c,0Fh
        in a,(c)        ; attribute
        ld (7002h),a
        ld a,(7000h)
        ld c,01h
        out (c),a       ; load song a
        ld hl,(4000h)   ; its tone period
        ld bc,1C00h
        xor a
        out (c),a       ; register 0: fine period
        ld b,1Bh
        out (c),l
        ld b,1Ch
        ld a,1
        out (c),a       ; register 1: coarse period
        ld b,1Bh
        out (c),h
        ld b,1Ch
        ld a,7
        out (c),a       ; register 7: tone A only
        ld b,1Bh
        ld a,3Eh
        out (c),a
        ld b,1Ch
        ld a,8
        out (c),a       ; register 8: channel A volume
        ld b,1Bh
        ld a,(4002h)
        out (c),a
        jr loop

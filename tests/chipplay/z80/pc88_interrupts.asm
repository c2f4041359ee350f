; Interrupt test program: IM 2 with the table at 1000h. Each handler logs
; its number at (hl) and opens the level again. The tests patch the values
; at PORT_E6 + 1, PORT_E4 + 1, PORT_32 + 1 and T600_LEVEL + 1. Timer A of
; the FM chip runs with its interrupt enabled; a delay of about 20 ms with
; interrupts off lets the 60 Hz and 600 Hz requests both wait.
        org 0000h
        di
        ld sp,8000h
        ld hl,7000h     ; log
        ld a,10h
        ld i,a
        im 2
PORT_E6: ld a,3         ; 60 Hz and 600 Hz enabled (000Dh)
        out (0E6h),a
PORT_E4: ld a,8         ; level: every request (0011h)
        out (0E4h),a
PORT_32: ld a,80h       ; sound interrupt masked (0015h)
        out (32h),a
        ld a,24h        ; timer A, high bits
        out (44h),a
        ld a,80h
        out (45h),a
        ld a,27h
        out (44h),a
        ld a,15h        ; load, enable and reset timer A
        out (45h),a
        ld c,30h
delay:  djnz delay
        dec c
        jr nz,delay
        ei
        jr $

        org 0100h       ; 60 Hz
        ld (hl),1
        inc hl
        ld a,8
        out (0E4h),a
        ei
        reti

        org 0120h       ; 600 Hz
        ld (hl),2
        inc hl
T600_LEVEL: ld a,8      ; (0123h)
        out (0E4h),a
        ei
        reti

        org 0140h       ; sound: reset the timer A flag
        ld (hl),4
        inc hl
        ld a,27h
        out (44h),a
        ld a,15h
        out (45h),a
        ld a,8
        out (0E4h),a
        ei
        reti

        org 1000h       ; vectors 2, 4 and 8
        dw 0, 0100h, 0120h, 0, 0140h

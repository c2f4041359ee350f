; CTC test program: IM 2 with the table at 1000h and vector base 0. Channel 0
; times every 400 us (control 87h, prescaler 16, constant 100); channel 1
; every 16384 us (A7h, prescaler 256, constant 0 = 256); channel 3 counts
; channel 0's ticks (C7h, counter mode, constant 4). Each handler counts its
; interrupts in a 16-bit word: 7000h channel 0, 7002h channel 1, 7006h
; channel 3.
        org 0000h
        di
        ld sp,8000h
        ld a,10h
        ld i,a
        im 2
        ld bc,1FA0h
        xor a
        out (c),a       ; vector base 0
        ld a,87h
        out (c),a
        ld a,100
        out (c),a
        inc c           ; 1FA1h
        ld a,0A7h
        out (c),a
        xor a
        out (c),a
        inc c
        inc c           ; 1FA3h
        ld a,0C7h
        out (c),a
        ld a,4
        out (c),a
        ei
        jr $

        org 0100h
ch0:    push hl
        ld hl,(7000h)
        inc hl
        ld (7000h),hl
        pop hl
        ei
        reti
ch1:    push hl
        ld hl,(7002h)
        inc hl
        ld (7002h),hl
        pop hl
        ei
        reti
ch3:    push hl
        ld hl,(7006h)
        inc hl
        ld (7006h),hl
        pop hl
        ei
        reti

        org 1000h
        dw ch0, ch1, ch0, ch3

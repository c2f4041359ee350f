; A CTC channel at its fastest: channel 1 in counter mode with time constant
; 1 (half a microsecond per count), interrupts on, IM 2 with the table at
; 1000h. The handler counts its interrupts in the 16-bit word at 7002h; the
; main loop polls the host device.
        org 0000h
        di
        ld sp,8000h
        ld a,10h
        ld i,a
        im 2
        ld bc,1FA0h
        xor a
        out (c),a       ; vector base 0
        inc c           ; 1FA1h
        ld a,0C7h       ; interrupt, counter mode, time constant follows
        out (c),a
        ld a,1
        out (c),a
        ei
loop:   ld bc,0080h
        in a,(c)
        jr loop

        org 0100h
ch1:    push hl
        ld hl,(7002h)
        inc hl
        ld (7002h),hl
        pop hl
        ei
        reti

        org 1000h
        dw ch1, ch1, ch1, ch1

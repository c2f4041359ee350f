; x1/opm/compat test program. CTC channel 2 in timer mode interrupts every
; 16384 us (prescaler 256, time constant 0 = 256 at 4 MHz) and paces the
; sequencer, in interrupt mode 2 with the CTC's vector (channel 2: the
; base + 4). The compatible host device: 0000h reads 1 for a play request
; and 2 for a stop (every read idles the CPU to the next timer); the song
; code at 0001h is the song's slot, and OUT 0001h with it copies song slot
; n to 4000h and voice slot n to 0E000h; OUT 0001h with 0FFh acknowledges
; a stop.
        include "x1song.inc"

        org 0000h
        di
        ld sp,0
        ld a,vectors / 256
        ld i,a
        im 2
        ld bc,1FA0h
        ld a,vectors MOD 256    ; the vector base, written to channel 0
        out (c),a
        ld c,0A2h       ; 1FA2h
        ld a,0A7h       ; interrupt on, timer, prescaler 256, a constant follows
        out (c),a
        xor a           ; 0: 256
        out (c),a
        call silence
        ei
main:   halt            ; everything happens in the timer's interrupt
        jr main

silence:
        ld hl,quiet
        jp exec_list

; The main loop keeps nothing in registers, so the routine saves none: a
; poll that idles the CPU leaves only RET, EI and RETI to run when the next
; interrupt is due, nearly as quick an answer as the halted CPU's.
tick:   call seq_tick
        call host_poll
        ei
        reti

        include "seq.inc"
        include "x1io.inc"
        include "hostx1c.inc"

quiet:  OPMOFF 0
        OPMOFF 1
        OPMOFF 2
        OPMOFF 3
        OPMOFF 4
        OPMOFF 5
        OPMOFF 6
        OPMOFF 7
        PSG 07h, 3Fh
        PSGOFF 0
        PSGOFF 1
        PSGOFF 2
        SONGEND

        org 0F00h
vectors:
        dw 0, 0, tick, 0

; x1/psg test program. CTC channel 0 in timer mode interrupts every
; 1000 us (prescaler 16, time constant 250 at 4 MHz) and paces the
; sequencer, in interrupt mode 2 with the CTC's vector; the host device on
; 0080h/0081h asks for songs: on a play request the song code is the chunk
; number, and OUT 0081h copies chunk n of the "data" table to 4000h.
        include "x1song.inc"

        org 0000h
        di
        ld sp,0
        ld a,vectors / 256
        ld i,a
        im 2
        ld bc,1FA0h
        ld a,vectors MOD 256    ; the vector base: channel 0 is its first word
        out (c),a
        ld a,87h        ; interrupt on, timer, prescaler 16, a constant follows
        out (c),a
        ld a,250
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
        include "hostx1.inc"

quiet:  PSG 07h, 3Fh
        PSGOFF 0
        PSGOFF 1
        PSGOFF 2
        SONGEND

        org 0F00h
vectors:
        dw tick, 0, 0, 0

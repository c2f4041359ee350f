; x1/opm test program. CTC channel 0 counts time without interrupting
; (timer mode, prescaler 16, time constant 125: a tick every 500 us) and
; channel 3, in counter mode with time constant 5, counts channel 0's
; ticks: its interrupt every 2500 us paces the sequencer. No single timer
; of the CTC makes that rate (prescaler 256 gives multiples of 64 us).
; Interrupt mode 2 with the CTC's vector; the host device on 0080h/0081h
; asks for songs: on a play request the song code is the chunk number, and
; OUT 0081h copies chunk n of the "data" table to 4000h.
        include "x1song.inc"

        org 0000h
        di
        ld sp,0
        ld a,vectors / 256
        ld i,a
        im 2
        ld bc,1FA0h
        ld a,vectors MOD 256    ; the vector base: channel 3 is its fourth word
        out (c),a
        ld a,07h        ; channel 0: no interrupt, timer, prescaler 16, a constant follows
        out (c),a
        ld a,125
        out (c),a
        ld c,0A3h       ; 1FA3h
        ld a,0C7h       ; channel 3: interrupt on, counter, a constant follows
        out (c),a
        ld a,5
        out (c),a
        call silence
        ei
main:   halt            ; everything happens in the counter's interrupt
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
        dw 0, 0, 0, tick

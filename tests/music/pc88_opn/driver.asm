; pc88/opn test program. The PC-8801's 600 Hz timer (vector 4 of the
; interrupt controller) paces the sequencer; the host device on ports
; 80h/81h asks for songs: on a play request the song code is the chunk
; number, and OUT 81h copies chunk n of the "data" table to 4000h.
        include "song.inc"

        org 0000h
        di
        ld sp,0
        ld a,vectors / 256
        ld i,a
        im 2
        call silence
        ld a,1          ; 0E6h bit 0: the 600 Hz request only
        out (0E6h),a
        ld a,8          ; level 8: every request passes
        out (0E4h),a
        ld a,80h        ; the chip's own interrupt stays masked
        out (32h),a
        ei
main:   jr main         ; everything happens in the timer's interrupt

silence:
        ld hl,quiet
        jp exec_list

tick:   push af
        push de
        push hl
        call seq_tick
        ld a,8          ; taking the interrupt closed the level: open it
        out (0E4h),a
        call host_poll
        pop hl
        pop de
        pop af
        ei
        reti

        include "seq.inc"
        include "opnio.inc"
        include "host88.inc"

quiet:  FMOFF 0
        FMOFF 1
        FMOFF 2
        OPN 07h, 3Fh
        SSGOFF 0
        SSGOFF 1
        SSGOFF 2
        SONGEND

        org 0F00h
vectors:
        dw 0, 0, tick, 0, 0

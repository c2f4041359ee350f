; pc88/opn/compat test program. The 600 Hz timer ("use_rtc"; vector 4)
; paces the sequencer. The compatible host device: port 00h reads 1 for a
; play request and 2 for a stop (every read idles the CPU to the next
; timer); the song code at port 01h is the song's slot, and OUT 01h with it
; copies song slot n to 4000h and voice slot n to 0F000h; OUT 01h with 0FFh
; acknowledges a stop.
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
        include "host88c.inc"

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

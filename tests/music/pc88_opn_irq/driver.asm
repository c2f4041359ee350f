; pc88/opn test program for the interrupt controller: both of its timers
; run (port 0E6h = 3) at level 8. The 600 Hz routine (vector 4) only counts;
; the 60 Hz routine (vector 2, the higher priority) steps the sequencer and
; turns the count of 600 Hz interrupts since its last run into the tone
; period of the song's SSG channel: count x 24 (song 1, channel A) or
; count x 12 (song 2, channel B). Ten 600 Hz interrupts to each 60 Hz one
; give 240 and 120: 520.0 Hz and 1040.0 Hz. A lost or doubled interrupt
; moves the pitch by a tenth.
        include "song.inc"

COUNT   equ 7F10h       ; 600 Hz interrupts since the last 60 Hz one
SHIFT   equ 0F000h      ; 0: x 24 on channel A, 1: x 12 on channel B; each
                        ; song brings its byte as its "data2" chunk

        org 0000h
        di
        ld sp,0
        ld a,vectors / 256
        ld i,a
        im 2
        call silence
        xor a
        ld (COUNT),a
        ld a,3          ; 0E6h: the 60 Hz and the 600 Hz requests
        out (0E6h),a
        ld a,8          ; level 8: every request passes
        out (0E4h),a
        ld a,80h        ; the chip's own interrupt stays masked
        out (32h),a
        ei
main:   jr main

silence:
        ld hl,quiet
        jp exec_list

t600:   push af
        ld a,(COUNT)
        inc a
        ld (COUNT),a
        ld a,8
        out (0E4h),a
        pop af
        ei
        reti

t60:    push af
        push de
        push hl
        ld a,(COUNT)    ; the period: count x 24, or x 12 for song 2
        ld l,a
        ld h,0
        add hl,hl
        add hl,hl
        ld d,h
        ld e,l          ; x 4
        add hl,hl       ; x 8
        add hl,de       ; x 12
        ld a,(SHIFT)
        or a
        jr nz,period
        add hl,hl       ; x 24
period: xor a
        ld (COUNT),a
        ld a,(SHIFT)
        add a,a         ; tone registers 0/1 (A) or 2/3 (B)
        out (44h),a
        ld a,l
        out (45h),a
        ld a,(SHIFT)
        add a,a
        inc a
        out (44h),a
        ld a,h
        out (45h),a
        call seq_tick
        ld a,8
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

quiet:  OPN 07h, 3Fh
        SSGOFF 0
        SSGOFF 1
        SSGOFF 2
        SONGEND

        org 0F00h
vectors:
        dw 0, t60, t600, 0, 0

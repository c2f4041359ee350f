; pc88/opna test program. The YM2608's timer A (111 steps of 72 master
; clocks, 2001.2 us) paces the sequencer through the sound interrupt:
; port 32h bit 7 clear lets the chip's line reach the interrupt
; controller as request 4 (vector 8). The host device on ports 80h/81h
; asks for songs: song n is chunk n of the "data" table, copied to 4000h by
; OUT 81h, which also copies the song's ADPCM chunk to the chip's memory.
        include "song.inc"

        org 0000h
        di
        ld sp,0
        ld a,vectors / 256
        ld i,a
        im 2
        ld hl,setup
        call exec_list
        call silence
        xor a           ; 0E6h: the 60 Hz and 600 Hz requests stay off
        out (0E6h),a
        ld a,8          ; level 8: every request passes
        out (0E4h),a
        xor a           ; the chip's interrupt reaches the controller
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
        ld a,27h        ; clear timer A's flag (it keeps running)
        out (44h),a
        ld a,15h
        out (45h),a
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

setup:  OPN 29h, 81h    ; six FM channels; only timer A interrupts
        OPN 24h, 0E4h   ; timer A: 1024 - (228 x 4 + 1) = 111 steps
        OPN 25h, 01h
        OPN 27h, 15h    ; load, flag enabled, flag cleared
        SONGEND

quiet:  FMOFF 0
        FMOFF 1
        FMOFF 2
        FMOFF1 0
        FMOFF1 1
        FMOFF1 2
        OPN 07h, 3Fh
        SSGOFF 0
        SSGOFF 1
        SSGOFF 2
        ADPCMOFF
        RHYTHMOFF
        SONGEND

        org 0F00h
vectors:
        dw 0, 0, 0, 0, tick

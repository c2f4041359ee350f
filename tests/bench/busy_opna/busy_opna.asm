; A busy YM2608 song for the whole PC-8801 machine ("pc88/opna"): six FM
; channels, the three SSG channels, a looping ADPCM sample and the rhythm
; section all sounding, paced by the machine's interrupt timers.
;
; The main loop polls the host device (port 80h): a play request sets the
; chip up and starts the song, a stop request silences everything. The
; 600 Hz handler moves the SSG tones every tick and keys one FM channel
; (round robin, with the next note) every 8 ticks, retriggering one SSG
; channel with it; the 60 Hz handler keys a rhythm pattern every tick and
; restarts the ADPCM sample every 32 ticks.
;
; Interrupts: IM 2, table at 0100h; the controller's vectors are 2 (60 Hz)
; and 4 (600 Hz). Taking one clears port E4h, so each handler opens the
; level again before it returns.

        org 0000h
        di
        ld sp,0F000h
        jp start

        org 0100h
vectors:
        dw ignore, tick60, tick600, ignore, ignore

start:  ld a,01h
        ld i,a
        im 2
        call silence
        ld a,80h
        out (32h),a     ; the chip's own interrupt stays masked
        ld a,03h
        out (0E6h),a    ; 600 Hz and 60 Hz requests
        ld a,08h
        out (0E4h),a    ; every level below 8
        ei
main:   in a,(80h)      ; 1 = play, 2 = stop (an empty poll idles the CPU)
        cp 1
        jr z,doplay
        cp 2
        jr nz,main
        di
        call silence
        ei
        jr main
doplay: di
        call setup
        ld a,1
        ld (playing),a
        ei
        jr main

; ---- chip access: C = address port (44h bank 0, 46h bank 1),
; D = register, E = data; C is kept.
fmw:    out (c),d
        inc c
        out (c),e
        dec c
        ret

; Writes E to registers D, D+1 and D+2 (the three channels of a bank).
fmw3:   call fmw
        inc d
        call fmw
        inc d
        jp fmw

; Register/data pairs from HL on bank C until register 0FFh.
pairs:  ld a,(hl)
        cp 0FFh
        ret z
        ld d,a
        inc hl
        ld e,(hl)
        inc hl
        call fmw
        jr pairs

; ---- set-up and silence
setup:  ld c,44h
        ld hl,init0
        call pairs
        ld c,44h
        call voice
        ld c,46h
        call voice
        ld c,46h
        ld hl,init1
        call pairs
        xor a
        ld (ticks),a
        ld (ticks60),a
        ld (nextch),a
        ret

; The same voice on the three channels of bank C: operator rows of
; (register, op1, op2, op3, op4), then algorithm and pan.
voice:  ld hl,oprows
vrow:   ld a,(hl)
        or a
        jr z,valg
        ld d,a
        inc hl
        ld b,4
vop:    ld e,(hl)
        inc hl
        push de
        call fmw3
        pop de
        ld a,d
        add a,4
        ld d,a
        djnz vop
        jr vrow
valg:   ld d,0B0h       ; algorithm 4, feedback 5
        ld e,2Ch
        call fmw3
        ld d,0B4h       ; both sides, AMS 2, PMS 3
        ld e,0E3h
        jp fmw3

silence:
        xor a
        ld (playing),a
        ld c,44h
        ld hl,quiet0
        call pairs
        ld c,46h
        ld hl,quiet1
        jp pairs

; ---- 600 Hz: SSG tones move, one FM channel keyed every 8 ticks
tick600:
        push af
        push bc
        push de
        push hl
        ld a,(playing)
        or a
        jr z,t6end
        ld hl,ticks
        inc (hl)
        ld a,(hl)
        and 0Fh
        ld b,a
        ld c,44h
        ld d,00h        ; SSG A period low: a slow vibrato
        ld a,80h
        add a,b
        ld e,a
        call fmw
        ld d,02h
        ld a,60h
        add a,b
        ld e,a
        call fmw
        ld d,04h
        ld a,48h
        add a,b
        ld e,a
        call fmw
        ld a,(ticks)
        and 07h
        call z,keynext
t6end:  ld a,08h
        out (0E4h),a
        pop hl
        pop de
        pop bc
        pop af
        ei
        reti

; Keys FM channel (nextch) with its next note and retriggers one SSG channel.
keynext:
        ld a,(nextch)
        ld l,a
        ld h,0
        ld de,keycodes
        add hl,de
        ld a,(hl)
        ld (keycode),a
        ld c,44h        ; key off
        ld d,28h
        ld e,a
        call fmw
        ld a,(nextch)   ; bank and channel within the bank
        ld c,44h
        cp 3
        jr c,kbank
        sub 3
        ld c,46h
kbank:  ld b,a          ; channel 0-2 of the bank
        ld a,(ticks)    ; note index from the tick count
        rrca
        rrca
        rrca
        and 07h
        add a,a
        ld l,a
        ld h,0
        ld de,notes
        add hl,de
        ld a,0A4h       ; block and F-number high first
        add a,b
        ld d,a
        ld e,(hl)
        inc hl
        call fmw
        ld a,0A0h
        add a,b
        ld d,a
        ld e,(hl)
        call fmw
        ld c,44h        ; key on, all four operators
        ld d,28h
        ld a,(keycode)
        or 0F0h
        ld e,a
        call fmw
        ld a,(nextch)   ; SSG channel nextch mod 3: volume 0, then 10
        cp 3
        jr c,kssg
        sub 3
kssg:   add a,08h
        ld d,a
        ld e,0
        call fmw
        ld e,0Ah
        call fmw
        ld a,(nextch)
        inc a
        cp 6
        jr c,knext
        xor a
knext:  ld (nextch),a
        ret

; ---- 60 Hz: rhythm every tick, the ADPCM sample restarted every 32 ticks
tick60: push af
        push bc
        push de
        push hl
        ld a,(playing)
        or a
        jr z,t60end
        ld hl,ticks60
        inc (hl)
        ld a,(hl)
        and 07h
        ld l,a
        ld h,0
        ld de,rhythm
        add hl,de
        ld c,44h
        ld d,10h
        ld e,(hl)
        call fmw
        ld a,(ticks60)
        and 1Fh
        jr nz,t60end
        ld c,46h
        ld d,00h
        ld e,01h        ; reset
        call fmw
        ld e,0B0h       ; start, repeat, from memory
        call fmw
t60end: ld a,08h
        out (0E4h),a
        pop hl
        pop de
        pop bc
        pop af
        ei
        reti

ignore: ei
        reti

; ---- tables
init0:  db 29h,80h              ; six FM channels
        db 22h,0Bh              ; LFO on at 6 Hz: every channel computes its vibrato and tremolo
        db 07h,38h              ; SSG: three tones, no noise
        db 01h,01h, 03h,01h, 05h,01h
        db 08h,0Ah, 09h,0Ah, 0Ah,0Ah
        db 11h,30h              ; rhythm total level
        db 18h,0D8h, 19h,0D8h, 1Ah,0D8h, 1Bh,0D8h, 1Ch,0D8h, 1Dh,0D8h
        db 0FFh
init1:  db 01h,0C0h             ; ADPCM: both sides, byte-wide memory
        db 02h,00h, 03h,00h     ; start 0
        db 04h,0FFh, 05h,00h    ; stop: 1024 bytes
        db 09h,00h, 0Ah,40h     ; delta-N 4000h
        db 0Bh,50h              ; level
        db 00h,0B0h             ; start, repeat, from memory
        db 0FFh
quiet0: db 28h,00h, 28h,01h, 28h,02h, 28h,04h, 28h,05h, 28h,06h
        db 08h,00h, 09h,00h, 0Ah,00h
        db 10h,0BFh             ; rhythm: every instrument off
        db 0FFh
quiet1: db 00h,01h, 00h,00h     ; ADPCM reset
        db 0FFh
; Algorithm 4 (two carriers), feedback 5; slow decay so that a key-on
; sounds until the channel's next one. Carriers at audible levels and every
; operator under the LFO's tremolo and vibrato: the chip's worst case.
oprows: db 30h, 01h,02h,01h,01h         ; DT/MUL
        db 40h, 1Ch,1Ch,06h,06h         ; TL: modulators 1 and 3, carriers 2 and 4 loud
        db 50h, 1Fh,1Fh,1Fh,1Fh         ; KS/AR
        db 60h, 86h,84h,86h,84h         ; AM on, DR
        db 70h, 02h,01h,02h,01h         ; SR
        db 80h, 27h,27h,27h,27h         ; SL/RR
        db 0
keycodes:
        db 0,1,2,4,5,6
; Block 4, C D E F G A B and block 5 C (PC-8801 YM2608 at 7.9872 MHz).
notes:  db 22h,6Bh, 22h,0B7h, 23h,0Ch, 23h,39h, 23h,9Fh, 24h,10h, 24h,8Fh, 2Ah,6Bh
; Bass drum, hi-hat, snare, hi-hat, top cymbal, hi-hat, tom and rim, hi-hat.
rhythm: db 01h,08h,02h,08h,04h,08h,30h,08h

playing: db 0
ticks:  db 0
ticks60: db 0
nextch: db 0
keycode: db 0

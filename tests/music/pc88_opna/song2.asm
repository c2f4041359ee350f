; Song 2, over and over: the ADPCM sine (32 samples a period at 13866.7
; samples a second: 433.3 Hz), FM 5 220.0 Hz, SSG B 878.9 Hz, FM 3
; 330.1 Hz; 200 ms each with 50 ms between. The sine is the song's ADPCM
; chunk, in the chip's memory from address 0.
        include "song.inc"
        org 4000h
        OPN 07h, 38h
        FMVOICE OPN1, 1
        FMPAN OPN1, 1
        FMVOICE OPN, 2
        FMPAN OPN, 2
        TICKS 1
again:  ADPCMKEY 399, 4000h, 0C0h   ; 1600 bytes: units 0-399
        TICKS 100
        ADPCMOFF
        TICKS 25
        FMKEY1 1, 3, 1040
        TICKS 100
        FMOFF1 1
        TICKS 25
        SSGKEY 1, 142, 12
        TICKS 100
        SSGOFF 1
        TICKS 25
        FMKEY 2, 4, 780
        TICKS 100
        FMOFF 2
        TICKS 25
        GOTO again

; pc88/opn test program. The PC-8801's 600 Hz timer (vector 4 of the
; interrupt controller) paces the sequencer; the host device on ports
; 80h/81h asks for songs: on a play request the song code is the chunk
; number, and OUT 81h copies chunk n of the "data" table to 4000h.
        include "opn600.inc"
        include "host88.inc"

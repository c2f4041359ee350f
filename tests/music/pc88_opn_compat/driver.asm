; pc88/opn/compat test program. The 600 Hz timer ("use_rtc"; vector 4)
; paces the sequencer. The compatible host device: port 00h reads 1 for a
; play request and 2 for a stop (every read idles the CPU to the next
; timer); the song code at port 01h is the song's slot, and OUT 01h with it
; copies song slot n to 4000h and voice slot n to 0F000h; OUT 01h with 0FFh
; acknowledges a stop.
        include "opn600.inc"
        include "host88c.inc"

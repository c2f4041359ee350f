// AY38910: the AY-3-8910 PSG as the VM and the X1 drivers see it. Port 0
// latches a register number, port 1 writes it; a read gives the latched
// register whatever the port.
//
//   AY38910* psg = new AY38910(vm);
//   psg->init(2000000, 44100);
//   vm->addChip(psg);
//   psg->write(0, 8); psg->write(1, 15);   // channel A level 15
//
// The real chip divides its clock by 16 per tone period (clock / (16 x TP),
// 440 Hz for TP 284 at 2 MHz). The PSG core sounds at its clock / (8 x TP),
// so it is fed half the chip clock; the display state gets the same clock,
// so that the notes shown are the notes heard.
#pragma once

#include "ChipWrapper.h"
#include "PsgState.h"
#include "psgcore.h"

#include <cstdint>

class VM;

class AY38910 : public ChipWrapper<PsgCore, 3, 16> {
public:
    explicit AY38910(VM* vm);

    bool init(uint32_t clock, uint32_t rate);
    void write(uint8_t port, uint8_t data);
    uint8_t read(uint8_t port);
    void setVolume(int32_t v) { mCore.setVolume(v); }
    PsgState& getPsgState() { return mPsgState; }

private:
    PsgState mPsgState;
};

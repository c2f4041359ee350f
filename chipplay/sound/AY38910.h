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

#include "Chip.h"
#include "PsgState.h"
#include "psgcore.h"

#include <cstdint>

class SoundStream;
class VM;

class AY38910 : public Chip {
public:
    explicit AY38910(VM* vm);
    ~AY38910() override;

    bool init(uint32_t clock, uint32_t rate);
    void reset();
    void write(uint8_t port, uint8_t data);
    uint8_t read(uint8_t port);
    const uint8_t* getRegisters() const { return mRegs; }

    bool generate(int32_t* _buffer, int32_t frames) override;
    ChipInfo* getState() override { return &mInfo; }
    int32_t getChannelCount() override { return 3; }
    ChannelStatus* getChannel(int32_t i) override;
    bool setMask(uint32_t mask) override;
    void setVolume(int32_t v) { mCore.setVolume(v); }

    PsgState& getPsgState() { return mPsgState; }
    SoundStream* getStream() { return mStream; }

private:
    VM* mVM;
    SoundStream* mStream;
    PsgCore mCore;
    uint8_t mLatch;
    uint8_t mRegs[16];
    ChipInfo mInfo;
    ChannelStatus mChannels[3];
    PsgState mPsgState;
};

// YM2203: the OPN (three FM channels and an SSG) as the VM and the PC-8801
// drivers see it.
//
//   YM2203* opn = new YM2203(vm);
//   opn->init(3993600, 44100);
//   vm->addChip(opn);
//   opn->attach(OnInterrupt, driver, 0);    // (context, line, argument) on each change
//   opn->write(0, 0x28); opn->write(1, 0xF0);
//
// Ports (port AND 3): 0 address, 1 data, 2 and 3 unused (reads give 0xFF).
// Reads: port 0 status (bit 0 timer A, bit 1 timer B), port 1 SSG
// registers 0-15.
// Writing the address 0x2D, 0x2E or 0x2F alone selects the prescaler
// (FM clock / 6, / 3, / 2; SSG / 4, / 2, / 1): the core, the note table and
// the SSG display all change with it.
// Channel records: FM 1-3, SSG 1-3.
#pragma once

#include "Chip.h"
#include "ChipTimer.h"
#include "PsgState.h"
#include "opn.h"

#include <cstdint>

class SoundStream;
class VM;

class YM2203 : public Chip {
public:
    explicit YM2203(VM* vm);
    ~YM2203() override;

    bool init(uint32_t clock, uint32_t rate);
    void reset();
    void write(uint8_t port, uint8_t data);
    uint8_t read(uint8_t port);
    const uint8_t* getRegisters() const { return mRegs; }

    bool generate(int32_t* _buffer, int32_t frames) override;
    ChipInfo* getState() override { return &mInfo; }
    int32_t getChannelCount() override { return 6; }
    ChannelStatus* getChannel(int32_t i) override;
    bool setMask(uint32_t mask) override;
    bool attach(ChipInterruptCallback callback, void* context, int32_t argument);
    void setVolumeFm(int32_t v) { mCore.setVolumeFm(v); }
    void setVolumeSsg(int32_t v) { mCore.setVolumeSsg(v); }

    bool getInterruptLine() const { return mLine.line; }
    ChipTimer& getTimer() { return mTimer; }
    uint32_t getPrescaler() const { return mPrescaler; }
    PsgState& getPsgState() { return mPsgState; }
    SoundStream* getStream() { return mStream; }

private:
    struct Core : OpnCore {
        ChipInterruptLine* line = nullptr;
        void intr(bool on) override { line->set(on); }
    };
    void buildNoteTable(uint32_t prescaler);
    void updateStatus(uint32_t reg, uint8_t data);

    VM* mVM;
    SoundStream* mStream;
    Core mCore;
    ChipInterruptLine mLine;
    ChipTimer mTimer;
    uint8_t mLatch;
    uint8_t mRegs[256];
    ChipInfo mInfo;
    ChannelStatus mChannels[6];
    uint32_t mClock;
    uint32_t mPrescaler;
    uint8_t mNotes[16384];
    PsgState mPsgState;
};

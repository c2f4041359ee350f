// YM2608: the OPNA (six FM channels, SSG, ADPCM-B and rhythm) as the VM and
// the PC-8801 drivers see it.
//
//   YM2608* opna = new YM2608(vm);
//   if (!opna->init(7987200, 44100)) ...   // ADPCM RAM not allocated
//   vm->addChip(opna);
//   opna->attach(OnInterrupt, driver, 0);
//   memcpy(opna->getAdpcmMemory(), image, size);
//
// Ports (port AND 3): 0 bank-0 address, 1 bank-0 data, 2 bank-1 address,
// 3 bank-1 data (registers 0x100 + address). Reads: 0 status (timers A and
// B), 1 bank-0 register (SSG), 2 extended status, 3 bank-1 register (ADPCM
// data). Writing the bank-0 address 0x2D, 0x2E or 0x2F alone selects the
// prescaler (FM master / 12, / 6, / 4; SSG / 8, / 4, / 2), on the core, the
// note table and the SSG display together.
// Channel records: FM 1-6, SSG 1-3, ADPCM, rhythm 1-6.
#pragma once

#include "Chip.h"
#include "ChipTimer.h"
#include "PsgState.h"
#include "opna.h"

#include <cstdint>

class SoundStream;
class VM;

class YM2608 : public Chip {
public:
    explicit YM2608(VM* vm);
    ~YM2608() override;

    bool init(uint32_t clock, uint32_t rate);
    void reset();
    void write(uint8_t port, uint8_t data);
    uint8_t read(uint8_t port);
    const uint8_t* getRegisters() const { return mRegs; }

    bool generate(int32_t* _buffer, int32_t frames) override;
    ChipInfo* getState() override { return &mInfo; }
    int32_t getChannelCount() override { return 16; }
    ChannelStatus* getChannel(int32_t i) override;
    bool setMask(uint32_t mask) override;
    bool attach(ChipInterruptCallback callback, void* context, int32_t argument);
    void setVolumeFm(int32_t v) { mCore.setVolumeFm(v); }
    void setVolumeSsg(int32_t v) { mCore.setVolumeSsg(v); }
    void setVolumeAdpcm(int32_t v) { mCore.setVolumeAdpcm(v); }
    void setVolumeRhythm(int32_t v) { mCore.setVolumeRhythm(v); }
    void setVolumeRhythmInstrument(int32_t i, int32_t v) { mCore.setVolumeRhythmInstrument(i, v); }
    uint8_t* getAdpcmMemory() { return mCore.getAdpcmMemory(); }

    bool getInterruptLine() const { return mLine.line; }
    ChipTimer& getTimer() { return mTimer; }
    uint32_t getPrescaler() const { return mPrescaler; }
    PsgState& getPsgState() { return mPsgState; }
    SoundStream* getStream() { return mStream; }

private:
    struct Core : OpnaCore {
        ChipInterruptLine* line = nullptr;
        void intr(bool on) override { line->set(on); }
    };
    void buildNoteTable(uint32_t prescaler);
    void writeData(uint32_t reg, uint8_t data);
    void updateStatus(uint32_t reg, uint8_t data);

    VM* mVM;
    SoundStream* mStream;
    Core mCore;
    ChipInterruptLine mLine;
    ChipTimer mTimer;
    uint8_t mLatch0;
    uint8_t mLatch1;
    uint8_t mRegs[512];
    ChipInfo mInfo;
    ChannelStatus mChannels[16];
    uint32_t mClock;
    uint32_t mPrescaler;
    uint8_t mNotes[16384];
    PsgState mPsgState;
};

// OpnFamilyChip: what the YM2203 and YM2608 wrappers share: the lazily
// rendered stream, the FM timers on the VM's time line, the interrupt line,
// the prescaler select with its note table and SSG display clock, and the
// register shadow. Each chip adds its ports, its channel records and mask.
#pragma once

#include "Chip.h"
#include "ChipTimer.h"
#include "PsgState.h"
#include "SoundStream.h"
#include "System.h"
#include "VM.h"

#include <cmath>
#include <cstdint>
#include <cstring>

template <class CoreT, int32_t Channels, int32_t Registers>
class OpnFamilyChip : public Chip {
public:
    ~OpnFamilyChip() override { delete mStream; }

    void reset()
    {
        mCore.reset();
        std::memset(mLatch, 0, sizeof(mLatch));
        std::memset(mRegs, 0, sizeof(mRegs));
    }
    const uint8_t* getRegisters() const { return mRegs; }

    bool generate(int32_t* _buffer, int32_t frames) override
    {
        if (_buffer == NULL) {
            System::assertFailed(mSource, __LINE__, "_buffer != NULL");
            return false;
        }
        if (frames <= 0) return true;
        std::memset(_buffer, 0, sizeof(int32_t) * 2 * static_cast<size_t>(frames));
        mCore.mix(_buffer, frames);
        return true;
    }
    ChipInfo* getState() override { return &mInfo; }
    int32_t getChannelCount() override { return Channels; }
    ChannelStatus* getChannel(int32_t i) override { return i >= 0 && i < Channels ? &mChannels[i] : nullptr; }

    bool attach(ChipInterruptCallback callback, void* context, int32_t argument)
    {
        mLine.callback = callback;
        mLine.context = context;
        mLine.argument = argument;
        return true;
    }
    void setVolumeFm(int32_t v) { mCore.setVolumeFm(v); }
    void setVolumeSsg(int32_t v) { mCore.setVolumeSsg(v); }

    bool getInterruptLine() const { return mLine.line; }
    ChipTimer& getTimer() { return mTimer; }
    uint32_t getPrescaler() const { return mPrescaler; }
    PsgState& getPsgState() { return mPsgState; }
    SoundStream* getStream() { return mStream; }

protected:
    // noteDivisor: what the FM pitch 2^block x F x clock / (prescaler x
    // noteDivisor) divides by; ssgDivisors: the SSG clock's divisor under
    // each of the address writes 0x2D, 0x2E and 0x2F.
    OpnFamilyChip(VM* vm, int32_t type, const char* source, const char* initError, double noteDivisor,
                  const uint32_t (&ssgDivisors)[3], int32_t firstSsgChannel)
        : mVM(vm), mStream(nullptr), mTimer(vm, &mCore), mInfo{type, Channels}, mClock(0), mPrescaler(0),
          mPsgState(&mChannels[firstSsgChannel]), mSource(source), mInitError(initError), mNoteDivisor(noteDivisor)
    {
        mCore.line = &mLine;
        std::memcpy(mSsgDivisors, ssgDivisors, sizeof(mSsgDivisors));
        std::memset(mLatch, 0, sizeof(mLatch));
        std::memset(mRegs, 0, sizeof(mRegs));
        std::memset(mNotes, 0, sizeof(mNotes));
    }

    bool initFamily(uint32_t clock, uint32_t rate)
    {
        mClock = clock;
        if (!mCore.init(clock, rate, true)) {
            System::error(mInitError);
            return false;
        }
        mCore.setMask(0);
        reset();
        buildNoteTable(6);
        mPsgState.setClock(clock / mSsgDivisors[0]);
        mStream = new SoundStream(mVM, this);
        mVM->addStream(mStream);
        mVM->addTimer(&mTimer);
        return true;
    }

    // The bank-0 address alone: 0x2D, 0x2E and 0x2F select the prescaler on
    // the chip as on the display; what sounded before still sounds at the
    // old one.
    void writeAddress(uint8_t data)
    {
        mLatch[0] = data;
        if (data < 0x2D || data > 0x2F) return;
        static const uint32_t kFm[3] = {6, 3, 2};
        if (mStream != nullptr) mStream->fill(-1);
        mCore.setReg(data, 0);
        buildNoteTable(kFm[data - 0x2D]);
        mPsgState.setClock(mClock / mSsgDivisors[data - 0x2D]);
    }

    void writeData(uint32_t reg, uint8_t data)
    {
        if (mStream != nullptr) mStream->fill(-1);
        // The timers count up to this moment before their registers change.
        const bool timer = reg >= 0x24 && reg <= 0x27;
        if (timer) mTimer.update(mVM->getTime());
        mCore.setReg(reg, data);
        mRegs[reg % Registers] = data;
        updateStatus(reg, data);
        if (reg == 0x27) mTimer.reschedule();
    }

    // Keeps the channel records in step with a register write.
    virtual void updateStatus(uint32_t reg, uint8_t data) = 0;

    // The display note of an F-number register pair (block << 11 | F).
    uint8_t noteOf(uint32_t blockFnum) const { return mNotes[blockFnum & 0x3FFF]; }

    struct Core : CoreT {
        ChipInterruptLine* line = nullptr;
        void intr(bool on) override { line->set(on); }
    };

    VM* mVM;
    SoundStream* mStream;
    Core mCore;
    ChipInterruptLine mLine;
    ChipTimer mTimer;
    uint8_t mLatch[2];   // bank 0 and bank 1 addresses
    uint8_t mRegs[Registers];
    ChipInfo mInfo;
    ChannelStatus mChannels[Channels];
    uint32_t mClock;
    uint32_t mPrescaler;
    PsgState mPsgState;

private:
    void buildNoteTable(uint32_t prescaler)
    {
        if (prescaler == mPrescaler) return;
        mPrescaler = prescaler;
        for (int i = 0; i < 16384; i++) {
            double hz = std::ldexp(static_cast<double>(i & 0x7FF), i >> 11) * mClock / (prescaler * mNoteDivisor);
            mNotes[i] = static_cast<uint8_t>(noteFromFrequency(hz));
        }
    }

    const char* mSource;
    const char* mInitError;
    double mNoteDivisor;
    uint32_t mSsgDivisors[3];
    uint8_t mNotes[16384];
};

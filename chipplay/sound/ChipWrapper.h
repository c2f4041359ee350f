// ChipWrapper: what every chip wrapper (AY38910, YM2151, YM2203, YM2608)
// shares as the VM sees it: the synthesis core, the stream the VM pulls the
// samples through (rendered lazily, up to the moment of each register
// write), the chip record, one display record per channel, the latched
// register addresses and the shadow of the registers written. A wrapper
// adds its ports and what keeps the records in step.
//
//   class AY38910 : public ChipWrapper<PsgCore, 3, 16> { ... };
//   AY38910::AY38910(VM* vm) : ChipWrapper(vm, ChipInfo::TYPE_AY38910, "sound/AY38910.cpp") {}
//   ... once the core is initialised: openStream();
//
// FmChipWrapper adds what the FM chips have besides: the timers on the VM's
// time line and the interrupt line the core drives.
#pragma once

#include "Chip.h"
#include "ChipTimer.h"
#include "SoundStream.h"
#include "System.h"
#include "VM.h"

#include <cstdint>
#include <cstring>

template <class CoreT, int32_t Channels, int32_t Registers>
class ChipWrapper : public Chip {
public:
    ~ChipWrapper() override { delete mStream; }

    void reset()
    {
        mCore.reset();
        std::memset(mLatch, 0, sizeof(mLatch));
        std::memset(mRegs, 0, sizeof(mRegs));
    }
    const uint8_t* getRegisters() const { return mRegs; }

    bool generate(int32_t* _buffer, int32_t frames) override
    {
        SYSTEM_CHECK(mSource, _buffer != NULL, false);
        if (frames <= 0) return true;
        std::memset(_buffer, 0, sizeof(int32_t) * 2 * static_cast<size_t>(frames));
        mCore.mix(_buffer, frames);
        return true;
    }
    ChipInfo* getState() override { return &mInfo; }
    int32_t getChannelCount() override { return Channels; }
    ChannelStatus* getChannel(int32_t i) override { return i >= 0 && i < Channels ? &mChannels[i] : nullptr; }
    // Channel i is the core's mask bit i unless a chip says otherwise.
    bool setMask(uint32_t mask) override
    {
        mCore.setMask(mask & ((1u << Channels) - 1));
        return true;
    }

    SoundStream* getStream() { return mStream; }

protected:
    // `source` names the wrapper in assertion failures.
    ChipWrapper(VM* vm, int32_t type, const char* source)
        : mVM(vm), mStream(nullptr), mInfo{type, Channels}, mSource(source)
    {
        std::memset(mLatch, 0, sizeof(mLatch));
        std::memset(mRegs, 0, sizeof(mRegs));
    }

    // The VM starts pulling samples: once the core is initialised.
    void openStream()
    {
        mStream = new SoundStream(mVM, this);
        mVM->addStream(mStream);
    }

    // What sounded up to now is rendered with the registers as they were.
    void fillStream()
    {
        if (mStream != nullptr) mStream->fill(-1);
    }

    VM* mVM;
    SoundStream* mStream;
    CoreT mCore;
    ChipInfo mInfo;
    ChannelStatus mChannels[Channels];
    uint8_t mLatch[2];   // the address port's register (two on a chip with two banks)
    uint8_t mRegs[Registers];

private:
    const char* mSource;
};

// The core of an FM chip with its interrupt output on a ChipInterruptLine.
template <class CoreT>
struct InterruptingCore : CoreT {
    ChipInterruptLine* line = nullptr;
    void intr(bool on) override { line->set(on); }
};

template <class CoreT, int32_t Channels, int32_t Registers>
class FmChipWrapper : public ChipWrapper<InterruptingCore<CoreT>, Channels, Registers> {
public:
    bool getInterruptLine() const { return mLine.line; }
    ChipTimer& getTimer() { return mTimer; }

protected:
    FmChipWrapper(VM* vm, int32_t type, const char* source)
        : ChipWrapper<InterruptingCore<CoreT>, Channels, Registers>(vm, type, source), mTimer(vm, &this->mCore)
    {
        this->mCore.line = &mLine;
    }

    // The stream and the timers start: once the core is initialised.
    void openStreamAndTimers()
    {
        this->openStream();
        this->mVM->addTimer(&mTimer);
    }

    // A register write reaches the core: the stream is filled up to now,
    // and the timers count up to this moment before a timer register
    // (firstTimer..control) changes; a write to the control register may
    // move their next expiry.
    void writeCore(uint32_t reg, uint8_t data, uint32_t firstTimer, uint32_t control)
    {
        this->fillStream();
        if (reg >= firstTimer && reg <= control) mTimer.update(this->mVM->getTime());
        this->mCore.setReg(reg, data);
    }
    void rescheduleAfter(uint32_t reg, uint32_t control)
    {
        if (reg == control) mTimer.reschedule();
    }

    ChipInterruptLine mLine;
    ChipTimer mTimer;
};

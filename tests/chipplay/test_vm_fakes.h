// Stand-ins for the VM's tests: a CPU that only counts cycles (and can run
// scripted port writes at given cycles), a chip that outputs a constant
// level, and a driver that records what the VM asks of it.
#pragma once

#include "Chip.h"
#include "Cpu.h"
#include "Driver.h"
#include "SoundStream.h"
#include "VM.h"

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

class FakeCpu : public Cpu {
public:
    int64_t clock = 4000000;
    int64_t cycles = 0;
    int64_t overshoot = 0;          // cycles run past every target, as a long instruction would
    int32_t runState = RUNNING;
    std::vector<int64_t> targets;   // every execute() target, in order
    std::multimap<int64_t, std::function<void()>> events;   // run when the cycle count reaches them

    int64_t getClock() override { return clock; }
    bool reset() override { return true; }
    int64_t execute(int64_t target) override
    {
        targets.push_back(target);
        runState = RUNNING;
        while (cycles < target && runState == RUNNING) {
            if (!events.empty() && events.begin()->first <= target) {
                if (events.begin()->first > cycles) cycles = events.begin()->first;
                std::function<void()> action = events.begin()->second;
                events.erase(events.begin());
                action();
                continue;
            }
            cycles = target + overshoot;
        }
        if (runState == IDLE_REQUESTED && cycles < target) cycles = target;
        return cycles;
    }
    bool setInterrupt(uint32_t, bool, int64_t) override { return true; }
    int32_t stop() override
    {
        runState = STOP_REQUESTED;
        return 1;
    }
    bool idle() override
    {
        runState = IDLE_REQUESTED;
        return true;
    }
    int64_t getCycles() override { return cycles; }
    bool setParam(int32_t, uintptr_t) override { return false; }
    uintptr_t getParam(int32_t) override { return 0; }
    bool setRegister(int32_t, uint16_t) override { return false; }
    uint32_t getRegister(int32_t) override { return 0; }
    bool dump(int32_t, int32_t, DebugMonitor*) override { return true; }
};

// Outputs `left`/`right` on every frame; write() changes them the way a real
// chip's register write does, after bringing its stream up to now.
class FakeChip : public Chip {
public:
    FakeChip(VM* vm, int32_t channels, int32_t left = 0, int32_t right = 0)
        : left(left), right(right), mVM(vm), mChannels(channels)
    {
        mInfo.type = ChipInfo::TYPE_YM2203;
        mInfo.channelCount = channels;
        mStatus.resize(channels);
        for (int32_t i = 0; i < channels; i++) mStatus[i].volume = i;
        mStream = new SoundStream(vm, this);
        vm->addStream(mStream);
        vm->addChip(this);
    }
    ~FakeChip() override { delete mStream; }

    void write(int32_t newLeft, int32_t newRight)
    {
        mStream->fill(-1);
        left = newLeft;
        right = newRight;
    }

    bool generate(int32_t* _buffer, int32_t frames) override
    {
        for (int32_t i = 0; i < frames; i++) {
            _buffer[2 * i] = left;
            _buffer[2 * i + 1] = right;
        }
        generated += frames;
        calls++;
        return true;
    }
    ChipInfo* getState() override { return &mInfo; }
    int32_t getChannelCount() override { return mChannels; }
    ChannelStatus* getChannel(int32_t i) override
    {
        if (i < 0 || i >= mChannels) return nullptr;
        return &mStatus[i];
    }
    bool setMask(uint32_t m) override
    {
        mask = m;
        return true;
    }

    SoundStream* stream() { return mStream; }

    int32_t left;
    int32_t right;
    int64_t generated = 0;
    int32_t calls = 0;
    uint32_t mask = 0xDEADBEEF;

private:
    VM* mVM;
    int32_t mChannels;
    ChipInfo mInfo;
    std::vector<ChannelStatus> mStatus;
    SoundStream* mStream;
};

class FakeDriver : public Driver {
public:
    static inline int destroyed = 0;

    explicit FakeDriver(bool loads) : mLoads(loads) {}
    ~FakeDriver() override { destroyed++; }

    bool load(Config*, Archive*) override { return mLoads; }
    bool play(int32_t code, ConfigEntry*) override
    {
        played.push_back(code);
        return code >= 0;
    }
    bool stop() override
    {
        stops++;
        return true;
    }
    bool dump(DebugMonitor*, int32_t page) override
    {
        dumpedPage = page;
        return true;
    }

    std::vector<int32_t> played;
    int stops = 0;
    int32_t dumpedPage = -1;

private:
    bool mLoads;
};

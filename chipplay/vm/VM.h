// VM: the emulated sound machine the player owns and drives. One clock, the
// VM time, in signed 64-bit microseconds from 0 at creation; -1 passed as a
// time stands for the current VM time where an operation says so.
//
//   VM* vm = new VM();
//   vm->load(config, archive);               // makes the driver named in [info] driver=
//   vm->play(code, songEntry);
//   per tick:                                // every 32 ms on the player thread
//     vm->run(vm->samplesToTime(frames, 44100));
//     vm->render(buffer, frames, &written);  // 16-bit range stereo in int32 frames
//
// run() executes the CPU in slices that end at the next timer expiry (or the
// end of the span), lets the chips' streams catch up and fires the timers.
// The CPU's absolute cycle count is the clock: every slice is measured from
// the origin, so nothing drifts; a CPU that overshoots carries the excess
// into the next run.
//
// Output is 44100 frames per second. The speed is an 8.8 fixed-point factor
// between VM time and output frames (256 = normal), derived from the tempo
// (-100..100) as pow(5, tempo / 100) * 256; it is kept within 1..INT32_MAX so
// that no tempo can stop the conversions or divide by zero.
//
// A fade counts machine time converted to output frames at the speed of the
// moment it starts: at a faster tempo it lasts fewer frames and ends at the
// same place of the song.
//
// The VM owns only the driver; the driver owns its CPU, buses, chips and
// timers and each chip its stream. The lists here hold plain pointers.
#pragma once

#include "Object.h"
#include "Timer.h"

#include <cstdint>
#include <string>
#include <vector>

class Archive;
class Chip;
class Config;
class ConfigEntry;
class Cpu;
class DebugMonitor;
class Driver;
class SoundStream;
struct ChannelStatus;
struct ChipInfo;

class VM : public virtual Object {
public:
    enum { RATE = 44100 };

    VM();
    ~VM() override;

    // Makes the driver named by key "driver" of section "info" and loads it.
    bool load(Config* _config, Archive* _folder);
    // The part of load() after the name is read: create the driver through
    // the DriverBinder and load it; errors are reported with the name.
    bool loadDriver(const std::string& name, Config* _config, Archive* _folder);

    bool run(int64_t duration);
    bool render(int32_t* _buffer, int32_t max, int32_t* _written);
    bool play(int32_t code, ConfigEntry* song);
    bool stop();
    bool fade(bool on, int64_t length);

    int64_t getTime();
    int32_t timeToSamples(int64_t span, int32_t rate);
    int64_t samplesToTime(int32_t frames, int32_t _rate);
    bool setSpeed(int32_t tempo);
    int32_t getSpeed();   // the tempo last given

    bool setMask(uint32_t mask);
    uint32_t getMask();
    int32_t getChipCount();
    ChipInfo* getChipState(int32_t index);
    int32_t getChannelCount();
    ChannelStatus* getChannel(int32_t channel);
    bool dump(DebugMonitor* monitor, int32_t page);

    // Machine set-up by the driver and the chips.
    bool setCpu(Cpu* cpu);
    bool addChip(Chip* _chip);
    bool addStream(SoundStream* _stream);
    bool addTimer(TimerBase* _timer);
    bool removeTimer(TimerBase* _timer);
    bool advanceStreams(int64_t time);
    bool stopCpu();
    bool idleCpu();

    // State for the player's status and for tests.
    Driver* getDriver() { return mDriver; }
    int32_t getSpeedFactor() { return mSpeed; }
    bool isFading() { return mFading; }
    int32_t getFadeTotal() { return mFadeTotal; }
    int32_t getFadeRemaining() { return mFadeRemaining; }

private:
    Config* mConfig;
    Archive* mFolder;
    Driver* mDriver;
    TimerList mTimers;
    Cpu* mRunningCpu;
    Cpu* mCpu;
    std::vector<Chip*> mChips;
    std::vector<SoundStream*> mStreams;
    int64_t mLastRenderTime;
    int32_t mTempo;
    int32_t mSpeed;
    bool mFading;
    int32_t mFadeTotal;
    int32_t mFadeRemaining;
    uint32_t mMask;
};

// The note number of a frequency, 57 = 440 Hz: trunc(12 * log2(hz / 440) +
// 57.5) within 0..119. Zero, negative and NaN frequencies give 0.
int32_t noteFromFrequency(double hertz);

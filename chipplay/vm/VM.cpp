#include "VM.h"

#include "Chip.h"
#include "Cpu.h"
#include "Driver.h"
#include "SoundStream.h"
#include "System.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

const char kSource[] = "vm/VM.cpp";

int32_t ClampSample(int64_t value)
{
    if (value < -32768) return -32768;
    if (value > 32767) return 32767;
    return static_cast<int32_t>(value);
}

// Bits [first, first + count) of a 32-bit channel mask; bits past 31 fall away.
uint32_t MaskBits(int32_t first, int32_t count)
{
    if (count <= 0 || first >= 32 || first < 0) return 0;
    uint32_t bits = count >= 32 ? 0xFFFFFFFFu : ((1u << count) - 1);
    return bits << first;
}

}  // namespace

VM::VM()
    : mConfig(nullptr), mFolder(nullptr), mDriver(nullptr), mRunningCpu(nullptr), mCpu(nullptr),
      mLastRenderTime(0), mTempo(0), mSpeed(256), mFading(false), mFadeTotal(0), mFadeRemaining(0),
      mMask(0xFFFFFFFFu)
{
}

VM::~VM()
{
    // The driver takes its CPU, chips, streams and timers with it; the lists
    // only forget them.
    delete mDriver;
    mDriver = nullptr;
    mCpu = nullptr;
    mChips.clear();
    mStreams.clear();
    mTimers.clear();
}

bool VM::loadDriver(const std::string& name, Config* _config, Archive* _folder)
{
    mConfig = _config;
    mFolder = _folder;
    DriverBinder* binder = DriverBinder::instance();
    SYSTEM_CHECK(kSource, binder != NULL, false);
    mDriver = binder->create(name, this);
    if (mDriver == nullptr) {
        System::error("[VM]ドライバの生成に失敗しました(%s)\n", name.c_str());
        return false;
    }
    if (!mDriver->load(_config, _folder)) {
        System::error("[VM]ドライバの初期化に失敗しました(%s)\n", name.c_str());
        return false;
    }
    return true;
}

bool VM::run(int64_t duration)
{
    ObjectLocker hold(*this);
    int64_t now = mTimers.getTime();
    int64_t end = now + duration;
    if (now >= end) return true;
    int64_t t;
    do {
        int64_t target = mTimers.nextTime();
        if (target < 0 || target > end) target = end;
        // A timer due before now (added late) is served now: a slice never
        // ends before the clock, which would otherwise run backwards.
        if (target < mTimers.getTime()) target = mTimers.getTime();
        int64_t clock = mCpu != nullptr ? mCpu->getClock() : 0;
        if (clock > 0) {
            mRunningCpu = mCpu;
            int64_t cycles = mCpu->execute((clock * target + 999999) / 1000000);
            t = cycles * 1000000 / clock;
            mRunningCpu = nullptr;
        } else {
            t = target;
        }
        advanceStreams(t);
        mTimers.advance(t);
    } while (t < end);
    return true;
}

bool VM::render(int32_t* _buffer, int32_t max, int32_t* _written)
{
    SYSTEM_CHECK(kSource, _buffer != NULL, false);
    SYSTEM_CHECK(kSource, _written != NULL, false);
    ObjectLocker hold(*this);
    int64_t now = mTimers.getTime();
    int32_t frames = timeToSamples(now - mLastRenderTime, RATE);
    if (frames > max) frames = max;
    // One render never takes more than a stream can hold.
    if (frames >= SoundStream::BUFFER_SIZE) frames = SoundStream::BUFFER_SIZE - 1;
    if (frames < 0) frames = 0;

    std::memset(_buffer, 0, sizeof(int32_t) * 2 * static_cast<size_t>(frames));
    for (SoundStream* stream : mStreams) {
        const int32_t* samples = stream->read(frames);
        if (samples != nullptr) {
            for (int32_t i = 0; i < frames * 2; i++) _buffer[i] += samples[i];
        }
        stream->consume(frames);
    }

    if (mFading) {
        int64_t total = mFadeTotal;
        int64_t remaining = mFadeRemaining;
        for (int32_t i = 0; i < frames; i++) {
            if (remaining < 0) remaining = 0;
            _buffer[2 * i] = ClampSample(_buffer[2 * i] * remaining / total);
            _buffer[2 * i + 1] = ClampSample(_buffer[2 * i + 1] * remaining / total);
            remaining--;
        }
        // May end at -1; the next frame makes it 0, so the output stays
        // silent until the fade is switched off.
        mFadeRemaining = static_cast<int32_t>(remaining);
    } else {
        for (int32_t i = 0; i < frames * 2; i++) _buffer[i] = ClampSample(_buffer[i]);
    }

    // Frames cut to max are dropped from the timeline; the streams keep theirs.
    mLastRenderTime = now;
    *_written = frames;
    return true;
}

bool VM::play(int32_t code, ConfigEntry* song)
{
    SYSTEM_CHECK(kSource, mDriver != NULL, false);
    bool result = mDriver->play(code, song);
    fade(false, 0);
    return result;
}

bool VM::stop()
{
    SYSTEM_CHECK(kSource, mDriver != NULL, false);
    ObjectLocker hold(*this);
    return mDriver->stop();
}

bool VM::fade(bool on, int64_t length)
{
    ObjectLocker hold(*this);
    mFading = on;
    // Machine time at the present speed: the fade ends at the same place of
    // the song whatever the tempo.
    int32_t frames = timeToSamples(length, RATE);
    if (frames <= 0) {
        mFadeTotal = 1;   // mutes at once
        mFadeRemaining = 0;
    } else {
        mFadeTotal = frames;
        mFadeRemaining = frames;
    }
    return true;
}

int64_t VM::getTime()
{
    ObjectLocker hold(*this);
    if (mRunningCpu != nullptr) {
        int64_t clock = mRunningCpu->getClock();
        if (clock > 0) return mRunningCpu->getCycles() * 1000000 / clock;
    }
    return mTimers.getTime();
}

int32_t VM::timeToSamples(int64_t span, int32_t rate)
{
    // 64 bits throughout: frames << 8 leaves 32 bits after about 190 s.
    int64_t frames = (span * rate + 999999) / 1000000;
    frames = frames * 256 / mSpeed;
    if (frames > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (frames < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(frames);
}

int64_t VM::samplesToTime(int32_t frames, int32_t _rate)
{
    SYSTEM_CHECK(kSource, _rate != 0, 0);
    int64_t time = static_cast<int64_t>(frames) * 1000000;
    time /= _rate;
    time *= mSpeed;
    return time / 256;
}

bool VM::setSpeed(int32_t tempo)
{
    ObjectLocker hold(*this);
    mTempo = tempo;
    if (tempo == 0) {
        mSpeed = 256;
        return true;
    }
    double speed = std::pow(5.0, tempo * 0.01) * 256.0;
    // A very slow tempo would give 0 (a division by zero in every
    // conversion), a very fast one more than 32 bits.
    if (!(speed >= 1.0)) {
        mSpeed = 1;
    } else if (speed >= 2147483647.0) {
        mSpeed = std::numeric_limits<int32_t>::max();
    } else {
        mSpeed = static_cast<int32_t>(speed);
    }
    return true;
}

int32_t VM::getSpeed()
{
    ObjectLocker hold(*this);
    return mTempo;
}

bool VM::setMask(uint32_t mask)
{
    mMask = mask;
    ObjectLocker hold(*this);
    uint32_t rest = mask;
    for (Chip* chip : mChips) {
        int32_t n = chip->getChannelCount();
        chip->setMask(rest & MaskBits(0, n));
        rest = n >= 32 ? 0 : (n > 0 ? rest >> n : rest);
    }
    return true;
}

uint32_t VM::getMask()
{
    return mMask;
}

int32_t VM::getChipCount()
{
    return static_cast<int32_t>(mChips.size());
}

ChipInfo* VM::getChipState(int32_t index)
{
    if (index < 0 || index >= static_cast<int32_t>(mChips.size())) return nullptr;
    return mChips[index]->getState();
}

int32_t VM::getChannelCount()
{
    ObjectLocker hold(*this);
    int32_t count = 0;
    for (Chip* chip : mChips) count += chip->getChannelCount();
    return count;
}

ChannelStatus* VM::getChannel(int32_t channel)
{
    ObjectLocker hold(*this);
    if (channel < 0) return nullptr;
    for (Chip* chip : mChips) {
        int32_t n = chip->getChannelCount();
        if (channel < n) return chip->getChannel(channel);
        channel -= n;
    }
    return nullptr;
}

bool VM::dump(DebugMonitor* monitor, int32_t page)
{
    ObjectLocker hold(*this);
    if (mDriver == nullptr) return false;
    return mDriver->dump(monitor, page);
}

bool VM::setCpu(Cpu* cpu)
{
    mCpu = cpu;
    return true;
}

bool VM::addChip(Chip* _chip)
{
    SYSTEM_CHECK(kSource, _chip != NULL, false);
    mMask &= ~MaskBits(getChannelCount(), _chip->getChannelCount());
    mChips.push_back(_chip);
    return true;
}

bool VM::addStream(SoundStream* _stream)
{
    SYSTEM_CHECK(kSource, _stream != NULL, false);
    mStreams.push_back(_stream);
    return true;
}

bool VM::addTimer(TimerBase* _timer)
{
    SYSTEM_CHECK(kSource, _timer != NULL, false);
    return mTimers.add(_timer);
}

bool VM::removeTimer(TimerBase* _timer)
{
    SYSTEM_CHECK(kSource, _timer != NULL, false);
    return mTimers.remove(_timer);
}

bool VM::advanceStreams(int64_t time)
{
    for (SoundStream* stream : mStreams) stream->fill(time);
    return true;
}

bool VM::stopCpu()
{
    if (mRunningCpu == nullptr) return true;
    return mRunningCpu->stop() != 0;
}

bool VM::idleCpu()
{
    if (mRunningCpu == nullptr) return true;
    return mRunningCpu->idle();
}

int32_t noteFromFrequency(double hertz)
{
    if (!(hertz > 0.0)) return 0;   // zero, negative and NaN
    double note = 12.0 * std::log2(hertz / 440.0) + 57.5;
    if (note >= 119.0) return 119;
    if (note < 0.0) return 0;
    return static_cast<int32_t>(note);
}

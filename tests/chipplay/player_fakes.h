// Stand-ins around the Player for its tests: a System whose tick the test
// fires by hand, a File that can run out of room or start far into the
// file, an audio device that hands out a fixed number of frames a tick and
// keeps what it was given, and a user interface that keeps every snapshot
// and notification and can hold the player thread inside a tick.
#pragma once

#include "AudioDevice.h"
#include "File.h"
#include "PlayerStatus.h"
#include "UserInterface.h"
#include "test_system.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <vector>

// A file in memory. `room` bytes fit, then writes come up short as on a
// full disk; positions are reported `offset` bytes further on, as in a
// file already that long.
class FakeFile : public File {
public:
    FakeFile(int room, int offset) : mRoom(room), mOffset(offset), mPosition(0) {}

    bool open(const std::string&, int) override { return true; }
    bool close() override { return !closeFails; }
    int read(void*, int) override { return 0; }
    int write(const void* buffer, int count) override
    {
        int n = count;
        if (mPosition + n > mRoom) n = mRoom > mPosition ? mRoom - mPosition : 0;
        if (static_cast<size_t>(mPosition + n) > bytes.size()) bytes.resize(static_cast<size_t>(mPosition + n));
        std::memcpy(bytes.data() + mPosition, buffer, static_cast<size_t>(n));
        mPosition += n;
        return n;
    }
    bool seek(int offset, int origin) override
    {
        if (origin != SEEK_FROM_START) return false;
        mPosition = offset - mOffset < 0 ? 0 : offset - mOffset;
        return true;
    }
    int tell() override { return mOffset + mPosition; }
    int size() override { return mOffset + static_cast<int>(bytes.size()); }
    const void* getBuffer() override { return nullptr; }
    std::string getPath() override { return std::string(); }

    std::vector<uint8_t> bytes;
    bool closeFails = false;   // as fclose when the last buffered bytes find no room

private:
    int mRoom;
    int mOffset;
    int mPosition;
};

// The test system: the tick is the test's to fire; "fake:<room>" opens a
// FakeFile of that room, "fake-close-fails:<room>" one whose close fails.
// An abort ends the process at once with exit code 1 after its message (a
// death test's child); `onError`, when set, runs on the reporting thread
// before each message is kept, where the program would show its box.
class PlayerTestSystem : public TestSystem {
public:
    std::function<void(const std::string&)> onError;

    [[noreturn]] void doAbort() override
    {
        System::error("エラーが発生したため、強制終了します\n");
        std::fflush(nullptr);
        std::_Exit(1);
    }
    void doError(const char* format, va_list args) override
    {
        if (onError) {
            va_list again;
            va_copy(again, args);
            char text[256];
            std::vsnprintf(text, sizeof text, format, again);
            va_end(again);
            onError(text);
        }
        TestSystem::doError(format, args);
    }
    bool doSetTickHandler(int64_t periodUs, TickHandler handler, void* arg) override
    {
        std::lock_guard<std::mutex> hold(mTick);
        mPeriod = periodUs;
        mHandler = handler;
        mArg = arg;
        return true;
    }
    // Runs the handler as the timer thread would; false when none is set.
    bool fire()
    {
        std::lock_guard<std::mutex> hold(mTick);
        if (mHandler == nullptr) return false;
        mHandler(mArg);
        return true;
    }
    int64_t period()
    {
        std::lock_guard<std::mutex> hold(mTick);
        return mPeriod;
    }
    File* doOpenFile(const std::string& path, int mode) override
    {
        if (path.compare(0, 5, "fake:") == 0) return new FakeFile(std::stoi(path.substr(5)), 0);
        if (path.compare(0, 17, "fake-close-fails:") == 0) {
            FakeFile* f = new FakeFile(std::stoi(path.substr(17)), 0);
            f->closeFails = true;
            return f;
        }
        return TestSystem::doOpenFile(path, mode);
    }

private:
    std::mutex mTick;
    int64_t mPeriod = 0;
    TickHandler mHandler = nullptr;
    void* mArg = nullptr;
};

class FakeDevice : public AudioDevice {
public:
    std::atomic<int32_t> framesPerTick{0};
    std::vector<int32_t> samples;   // every frame written, left and right
    std::vector<int32_t> blocks;    // the frame count of every write
    std::atomic<int> plays{0};
    std::atomic<int> stops{0};
    int32_t volume = 0;

    // A device that breaks: its position or its buffer is lost, reported
    // as the DirectSound device reports it.
    std::atomic<bool> positionFails{false};
    std::atomic<bool> writeFails{false};

    int32_t getSampleRate() override { return 44100; }
    bool getWritableFrames(int64_t, int32_t* frames) override
    {
        *frames = 0;
        if (positionFails) {
            System::error("[Fake]GetCurrentPositionに失敗しました\n");
            return false;
        }
        *frames = framesPerTick;
        return true;
    }
    bool write(const int32_t* s, int32_t frames) override
    {
        if (writeFails) {
            System::error("[Fake]Lockに失敗しました\n");
            return false;
        }
        std::lock_guard<std::mutex> hold(mWrites);
        samples.insert(samples.end(), s, s + 2 * static_cast<size_t>(frames));
        blocks.push_back(frames);
        mWritten++;
        mWrote.notify_all();
        return true;
    }
    // The tick writes to the device last, after the Player's lock is
    // released: a test waits for the write before it reads what came.
    int writes()
    {
        std::lock_guard<std::mutex> hold(mWrites);
        return mWritten;
    }
    bool waitWrites(int n, std::chrono::seconds limit = std::chrono::seconds(30))
    {
        std::unique_lock<std::mutex> hold(mWrites);
        return mWrote.wait_for(hold, limit, [&] { return mWritten >= n; });
    }
    bool play() override { return ++plays, true; }
    bool stop() override { return ++stops, true; }
    int32_t getMaxVolume() override { return 0; }
    int32_t getMinVolume() override { return -10000; }
    int32_t getVolume() override { return volume; }
    bool setVolume(int32_t v) override { return volume = v, true; }

private:
    std::mutex mWrites;
    std::condition_variable mWrote;
    int mWritten = 0;
};

class FakeUI : public UserInterface {
public:
    FakeDevice device;
    Config* config = nullptr;
    int initializes = 0;
    int terminates = 0;

    // Filled on the player thread; read by the test between ticks.
    std::vector<PlayerStatus> statuses;
    std::vector<int32_t> records;
    std::vector<int> nextAt;   // update count at each requestNext
    std::vector<uint32_t> masks;

    bool initialize(Player*, Config* c) override
    {
        config = c;
        initializes++;
        return true;
    }
    bool terminate() override { return ++terminates, true; }
    int32_t run() override { return 0; }
    std::string getTitle() override { return mTitle; }
    void setTitle(const std::string& text) override { mTitle = text; }
    AudioDevice* getAudioDevice() override { return &device; }
    void setStatus(const PlayerStatus* status) override { statuses.push_back(*status); }
    void setMask(uint32_t mask) override { masks.push_back(mask); }
    void notifyRecord(int32_t value) override { records.push_back(value); }
    void requestNext(bool) override { nextAt.push_back(updates()); }
    void update() override
    {
        std::unique_lock<std::mutex> hold(mMutex);
        mUpdates++;
        mChanged.notify_all();
        mChanged.wait(hold, [this] { return !mHold; });
    }

    int updates()
    {
        std::lock_guard<std::mutex> hold(mMutex);
        return mUpdates;
    }
    // True when the update count reached n within the time.
    bool waitUpdates(int n, std::chrono::seconds limit = std::chrono::seconds(30))
    {
        std::unique_lock<std::mutex> hold(mMutex);
        return mChanged.wait_for(hold, limit, [&] { return mUpdates >= n; });
    }
    // While held, the player thread stops inside its tick (as behind an error box).
    void hold(bool on)
    {
        std::lock_guard<std::mutex> h(mMutex);
        mHold = on;
        mChanged.notify_all();
    }

private:
    std::string mTitle;
    std::mutex mMutex;
    std::condition_variable mChanged;
    int mUpdates = 0;
    bool mHold = false;
};

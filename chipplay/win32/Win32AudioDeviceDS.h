// Win32AudioDeviceDS: the player's AudioDevice on DirectSound 8. A looping
// ring of one second of 16-bit stereo PCM; the player keeps the write
// position a fixed latency ahead of the play cursor.
//
//   Win32AudioDeviceDS dev;
//   if (!dev.create(window, 44100)) ...          // "[Win32DS]..." already reported
//   dev.getWritableFrames(256000, &n);           // 11289 at the start
//   dev.write(samples, n); dev.play();
//   ...
//   dev.stop(); dev.destroy();
//
// DirectSound needs a window for its cooperative level ("priority"); the
// buffer has global focus, so it keeps playing when another window is active.
//
// For the benchmarks the device counts, while it plays, the asks that found
// the play cursor already past the write position (late ticks: what was
// written did not last until the next tick) and the smallest lead seen (frames
// written ahead of the cursor at an ask; negative when late). Both are read
// from any thread.
#pragma once

#include "AudioDevice.h"

#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <atomic>
#include <cstdint>

class Win32AudioDeviceDS : public AudioDevice {
public:
    Win32AudioDeviceDS();
    ~Win32AudioDeviceDS() override;

    bool create(HWND window, int32_t rate);
    bool destroy();

    int32_t getSampleRate() override;
    bool getWritableFrames(int64_t latency_us, int32_t* frames) override;
    bool write(const int32_t* samples, int32_t frames) override;
    bool play() override;
    bool stop() override;
    int32_t getMaxVolume() override;
    int32_t getMinVolume() override;
    int32_t getVolume() override;
    bool setVolume(int32_t volume) override;

    // Benchmark counters, since create or the last reset.
    int64_t getLateTicks() const { return mLateTicks.load(); }
    int32_t getSmallestLead() const { return mSmallestLead.load(); }   // frames; INT32_MAX before any ask in play
    int32_t getLead() const { return mLead.load(); }                   // frames, at the last ask
    void resetCounters();

    // For tests: where the next write goes (bytes), the byte counts of the
    // last write's two regions, and the ring's 16-bit samples from a byte offset.
    int32_t getWritePosition() const { return mWritePosition; }
    void getLastRegions(int32_t* bytes1, int32_t* bytes2) const;
    bool peek(int32_t offset, int16_t* out, int32_t count);

private:
    int32_t mRate;
    int32_t mBufferSize;
    IDirectSound8* mDS;
    IDirectSoundBuffer* mDSBPrimary;
    IDirectSoundBuffer* mDSBSecondary;
    int32_t mWritePosition;

    std::atomic<bool> mPlaying;
    std::atomic<int64_t> mLateTicks;
    std::atomic<int32_t> mSmallestLead;
    std::atomic<int32_t> mLead;
    int32_t mLastBytes1;
    int32_t mLastBytes2;
};

// AudioDevice: the sound output the player writes to, 16-bit stereo PCM
// through a looping ring buffer. The player asks every tick how many frames
// keep the write position `latency` ahead of the play position, and then
// writes exactly that many. The Windows implementation is Win32AudioDeviceDS.
//
//   int32_t frames = 0;
//   if (!dev->getWritableFrames(256000, &frames)) System::abort();
//   ... render `frames` frames (left, right) into buffer ...
//   if (!dev->write(buffer, frames)) System::abort();
//   dev->play();                          // once, after the first write
//
// Samples are int32 per channel, left before right; the device keeps the low
// 16 bits of each (the player's mix is already within -32768..32767).
// Volumes are hundredths of a decibel of attenuation: 0 is full volume,
// -10000 silence.
#pragma once

#include "Object.h"

#include <cstdint>

class AudioDevice : public virtual Object {
public:
    // Operations in this order.
    virtual int32_t getSampleRate() = 0;
    virtual bool getWritableFrames(int64_t latency_us, int32_t* frames) = 0;
    virtual bool write(const int32_t* samples, int32_t frames) = 0;
    virtual bool play() = 0;
    virtual bool stop() = 0;
    virtual int32_t getMaxVolume() = 0;   // 0
    virtual int32_t getMinVolume() = 0;   // -10000
    virtual int32_t getVolume() = 0;
    virtual bool setVolume(int32_t volume) = 0;
};

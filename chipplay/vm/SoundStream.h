// SoundStream: the sample buffer of one chip. Samples are made lazily: up to
// a moment of VM time before every register write (fill(-1), so that
// everything before the write sounds with the old registers), after each CPU
// slice, and at render time for whatever is still missing (read). The VM
// mixes and consumes them in VM::render.
//
//   mStream = new SoundStream(vm, this);   // in the chip's init
//   vm->addStream(mStream);
//   ...
//   mStream->fill(-1);                     // in write(), before the register changes
//
// The buffer holds four seconds and is allocated once with the stream, so
// the per-sample path never allocates; pending frames move to the front once
// the read position passes half of it. (It is not a member array: 1.4 MB in
// front of the virtual Object base puts the base beyond what the
// sanitizer's type checks accept.)
#pragma once

#include "Object.h"

#include <cstdint>
#include <vector>

class Chip;
class VM;

class SoundStream : public virtual Object {
public:
    enum { RATE = 44100, BUFFER_SIZE = 176400 };

    SoundStream(VM* vm, Chip* chip);

    // Generates the frames up to VM time `time` (-1: VM::getTime) that are
    // not buffered yet.
    bool fill(int64_t time);
    // Makes sure `frames` frames are buffered and returns the first of them
    // (two int32 per frame); null when more than the buffer can hold.
    const int32_t* read(int32_t frames);
    bool consume(int32_t frames);

    int32_t getPending() const { return mFilledPos - mReadPos; }
    int64_t getStreamTime() const { return mStreamTime; }

private:
    void compact();

    VM* mVM;
    Chip* mChip;
    int32_t mRate;
    int64_t mStreamTime;
    int32_t mReadPos;
    int32_t mFilledPos;
    std::vector<int32_t> mStorage;   // BUFFER_SIZE frames of two samples
    int32_t* mBuffer;
};

#include "SoundStream.h"

#include "Chip.h"
#include "System.h"
#include "VM.h"

#include <cstring>

namespace {
const char kSource[] = "vm/SoundStream.cpp";
}

SoundStream::SoundStream(VM* vm, Chip* chip)
    : mVM(vm), mChip(chip), mRate(RATE), mStreamTime(0), mReadPos(0), mFilledPos(0),
      mStorage(2 * static_cast<size_t>(BUFFER_SIZE)), mBuffer(mStorage.data())
{
}

void SoundStream::compact()
{
    mFilledPos -= mReadPos;
    if (mFilledPos < 0) {
        System::assertFailed(kSource, __LINE__, "mFilledPos >= 0");
        mFilledPos = 0;
    }
    std::memmove(mBuffer, mBuffer + 2 * mReadPos, sizeof(int32_t) * 2 * mFilledPos);
    mReadPos = 0;
}

bool SoundStream::fill(int64_t time)
{
    SYSTEM_CHECK(kSource, mVM != NULL, false);
    SYSTEM_CHECK(kSource, mChip != NULL, false);
    SYSTEM_CHECK(kSource, mFilledPos >= 0, false);
    if (time == -1) time = mVM->getTime();
    int64_t span = time - mStreamTime;
    if (span <= 0) return true;
    int32_t wanted = mVM->timeToSamples(span, mRate);
    int64_t shortage = static_cast<int64_t>(wanted) - (mFilledPos - mReadPos);
    if (shortage < 1) return true;
    if (mFilledPos + shortage >= BUFFER_SIZE) compact();
    SYSTEM_CHECK(kSource, mFilledPos + shortage < BUFFER_SIZE, false);
    mChip->generate(mBuffer + 2 * mFilledPos, static_cast<int32_t>(shortage));
    mFilledPos += static_cast<int32_t>(shortage);
    return true;
}

const int32_t* SoundStream::read(int32_t frames)
{
    SYSTEM_CHECK(kSource, mVM != NULL, nullptr);
    SYSTEM_CHECK(kSource, mChip != NULL, nullptr);
    // The frames handed out must fit the buffer after compaction.
    SYSTEM_CHECK(kSource, frames < BUFFER_SIZE, nullptr);
    int32_t shortage = frames - (mFilledPos - mReadPos);
    if (shortage >= 1) {
        if (mReadPos + frames >= BUFFER_SIZE) compact();
        mChip->generate(mBuffer + 2 * mFilledPos, shortage);
        mFilledPos += shortage;
    }
    return mBuffer + 2 * mReadPos;
}

bool SoundStream::consume(int32_t frames)
{
    SYSTEM_CHECK(kSource, mVM != NULL, false);
    // Never past what was generated: the read position stays behind mFilledPos.
    if (frames > mFilledPos - mReadPos) frames = mFilledPos - mReadPos;
    if (frames > 0) mReadPos += frames;
    if (mReadPos >= BUFFER_SIZE / 2) compact();
    mStreamTime = mVM->getTime();
    return true;
}

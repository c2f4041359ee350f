#include "AY38910.h"

#include "SoundStream.h"
#include "System.h"
#include "VM.h"

#include <cstring>

namespace {
const char kSource[] = "sound/AY38910.cpp";
}

AY38910::AY38910(VM* vm)
    : mVM(vm), mStream(nullptr), mLatch(0), mInfo{ChipInfo::TYPE_AY38910, 3}, mPsgState(mChannels)
{
    std::memset(mRegs, 0, sizeof(mRegs));
}

AY38910::~AY38910()
{
    delete mStream;
}

bool AY38910::init(uint32_t clock, uint32_t rate)
{
    // Half the clock: the core's clock / (8 x TP) is then the chip's
    // clock / (16 x TP).
    mCore.init(clock / 2, static_cast<int32_t>(rate), true);
    mCore.setMask(0);
    reset();
    mPsgState.setClock(clock / 2);
    mStream = new SoundStream(mVM, this);
    mVM->addStream(mStream);
    return true;
}

void AY38910::reset()
{
    mCore.reset();
    mLatch = 0;
    std::memset(mRegs, 0, sizeof(mRegs));
}

void AY38910::write(uint8_t port, uint8_t data)
{
    if ((port & 1) == 0) {
        mLatch = data;
        return;
    }
    if (mStream != nullptr) mStream->fill(-1);
    mCore.setReg(mLatch, data);
    if (mLatch < 16) {
        mRegs[mLatch] = data;
        mPsgState.writeRegister(mLatch, data);
    }
}

uint8_t AY38910::read(uint8_t port)
{
    (void)port;
    return mCore.getReg(mLatch & 15);
}

bool AY38910::generate(int32_t* _buffer, int32_t frames)
{
    if (_buffer == NULL) {
        System::assertFailed(kSource, __LINE__, "_buffer != NULL");
        return false;
    }
    if (frames <= 0) return true;
    std::memset(_buffer, 0, sizeof(int32_t) * 2 * static_cast<size_t>(frames));
    mCore.mix(_buffer, frames);
    return true;
}

ChannelStatus* AY38910::getChannel(int32_t i)
{
    return i >= 0 && i < 3 ? &mChannels[i] : nullptr;
}

bool AY38910::setMask(uint32_t mask)
{
    mCore.setMask(mask & 7);
    return true;
}

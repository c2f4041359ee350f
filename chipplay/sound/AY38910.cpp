#include "AY38910.h"

AY38910::AY38910(VM* vm)
    : ChipWrapper(vm, ChipInfo::TYPE_AY38910, "sound/AY38910.cpp"), mPsgState(mChannels)
{
}

bool AY38910::init(uint32_t clock, uint32_t rate)
{
    // Half the clock: the core's clock / (8 x TP) is then the chip's
    // clock / (16 x TP).
    mCore.init(clock / 2, static_cast<int32_t>(rate), true);
    mCore.setMask(0);
    reset();
    mPsgState.setClock(clock / 2);
    openStream();
    return true;
}

void AY38910::write(uint8_t port, uint8_t data)
{
    if ((port & 1) == 0) {
        mLatch[0] = data;
        return;
    }
    fillStream();
    mCore.setReg(mLatch[0], data);
    if (mLatch[0] < 16) {
        mRegs[mLatch[0]] = data;
        mPsgState.writeRegister(mLatch[0], data);
    }
}

uint8_t AY38910::read(uint8_t port)
{
    (void)port;
    return mCore.getReg(mLatch[0] & 15);
}

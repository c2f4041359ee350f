// X1Driver: its options and building the machine.
#include "X1Driver.h"

#include "AY38910.h"
#include "Config.h"
#include "Timer.h"
#include "VM.h"
#include "YM2151.h"

#include <new>

bool X1Driver::buildMachine()
{
    if (!buildCpu(mCpuHandlers)) return false;
    if (mVariant == 1) {
        mOpm = new (std::nothrow) YM2151(mVM);
        if (mOpm == nullptr || !mOpm->init(4000000, 44100)) return false;
        mOpm->setVolumeFm(mVolumeFm);
        mVM->addChip(mOpm);
    }
    mPsg = new (std::nothrow) AY38910(mVM);
    if (mPsg == nullptr || !mPsg->init(2000000, 44100)) return false;
    mPsg->setVolume(mVolumePsg);
    mVM->addChip(mPsg);

    for (int32_t i = 0; i < CTC_CHANNELS; i++) {
        mCtc[i].timer = new (std::nothrow) Timer(mVM, mTimerHandler, context(), 16384, i + 1);
        if (mCtc[i].timer == nullptr) return false;
        mVM->addTimer(mCtc[i].timer);
    }
    return true;
}

bool X1Driver::readOptions(ConfigSection* section)
{
    if (!HostDeviceDriver::readOptions(section)) return false;
    mAttr = section->getInt("attr", mAttr);
    mDebugIo = section->getInt("debug_io", mDebugIo);
    mVolumePsg = section->getInt("volume_psg", mVolumePsg);
    // Until the first play request the song copies go where the options say.
    for (int32_t k = 0; k < REGIONS; k++) {
        mSongAddr[k] = mRegionAddr[k];
        mSongSize[k] = mRegionSize[k];
    }
    storeRegionWords(0x90);
    storeRegionWords(0xB0);
    for (int32_t i = 0; i < 4; i++) mPorts[0x88 + i] = (uint8_t)((uint32_t)mAttr >> (8 * i));
    return true;
}

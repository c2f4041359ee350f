// PC88Driver: its options and files, and building the machine.
#include "PC88Driver.h"

#include "Config.h"
#include "File.h"
#include "System.h"
#include "Timer.h"
#include "VM.h"
#include "YM2203.h"
#include "YM2608.h"

#include <cstring>
#include <new>

bool PC88Driver::initOpna(YM2608* chip)
{
    return chip->init(7987200, 44100);
}

bool PC88Driver::buildMachine()
{
    if (!buildCpu(CpuHandlers{onWrite, onRead, onAcknowledge})) return false;
    if (mOpnaFlag) {
        mOpna = new (std::nothrow) YM2608(mVM);
        if (mOpna == nullptr) return false;
        // Without its ADPCM memory the chip is unusable and the image has
        // nowhere to go: the load fails rather than writing through null.
        if (!initOpna(mOpna) || mOpna->getAdpcmMemory() == nullptr) {
            System::error("%sYM2608の初期化に失敗しました\n", mTag);
            return false;
        }
        mOpna->attach(onChipInterrupt, context(), 0);
        mOpna->setVolumeFm(mVolumeFm);
        mOpna->setVolumeSsg(mVolumeSsg);
        mOpna->setVolumeAdpcm(mVolumeAdpcm);
        mOpna->setVolumeRhythm(mVolumeRhythm);
        for (int32_t i = 0; i < 6; i++) mOpna->setVolumeRhythmInstrument(i, mVolumeRhythmInstrument[i]);
        memcpy(mOpna->getAdpcmMemory(), mAdpcm.data(), ADPCM_SIZE);
        mSampleMemory = mOpna->getAdpcmMemory();
        mSampleSize = ADPCM_SIZE;
        mVM->addChip(mOpna);
    } else {
        mOpn = new (std::nothrow) YM2203(mVM);
        if (mOpn == nullptr) return false;
        if (!mOpn->init(3993600, 44100)) return false;
        mOpn->attach(onChipInterrupt, context(), 0);
        mOpn->setVolumeFm(mVolumeFm);
        mOpn->setVolumeSsg(mVolumeSsg);
        mVM->addChip(mOpn);
    }

    if (mMakeTimer1) {
        mTimer1 = new (std::nothrow) Timer(mVM, onTimer, context(), 16666, 1);
        if (mTimer1 == nullptr) return false;
        mVM->addTimer(mTimer1);
    }
    if (mMakeTimer2) {
        mTimer2 = new (std::nothrow) Timer(mVM, onTimer, context(), 1666, 2);
        if (mTimer2 == nullptr) return false;
        mVM->addTimer(mTimer2);
    }
    return true;
}

bool PC88Driver::readOptions(ConfigSection* section)
{
    if (!HostDeviceDriver::readOptions(section)) return false;
    mUsePcmX8 = section->getInt("use_pcmx8", 0);
    mVolumeSsg = section->getInt("volume_ssg", 0);
    mVolumeAdpcm = section->getInt("volume_adpcm", 0);
    mVolumeRhythm = section->getInt("volume_rhythm", 0);
    for (int32_t i = 0; i < 6; i++) {
        const std::string key = "volume_rhythm" + std::to_string(i);
        mVolumeRhythmInstrument[i] = section->getInt(key, 0);
    }
    return true;
}

void PC88Driver::loadFileEntry(ConfigEntry* ent, const std::string& name, const std::string& type, File* file)
{
    if (type == "adpcm") readAdpcm(file, name, ent->getInt("addr", 0));
    else HostDeviceDriver::loadFileEntry(ent, name, type, file);
}

void PC88Driver::readAdpcm(File* file, const std::string& name, int32_t offset)
{
    // Cut at the end of the sample memory, not only by length.
    DriverReadAt(file, mAdpcm.data(), ADPCM_SIZE, offset, name, mTag, "ADPCM");
}

bool PC88Driver::afterFiles()
{
    if (mUsePcmX8 != 0 && !convertPcmX8()) {
        System::error("%sADPCM変換用のバッファが確保できません\n", mTag);
        return false;
    }
    return true;
}

// Eight planes of 32768 bytes: plane b holds bit b of every image byte,
// eight consecutive image bytes per plane byte, LSB first.
bool PC88Driver::convertPcmX8()
{
    std::vector<uint8_t> work;
    try {
        work.assign(ADPCM_SIZE, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int32_t i = 0; i < ADPCM_SIZE; i++) {
        const uint8_t byte = mAdpcm[i];
        for (int32_t b = 0; b < 8; b++) {
            if (byte & (1u << b)) work[b * 32768 + i / 8] |= (uint8_t)(1u << (i % 8));
        }
    }
    mAdpcm.swap(work);
    return true;
}

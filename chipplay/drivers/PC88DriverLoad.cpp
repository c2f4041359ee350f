// PC88Driver: loading ([option], [file], [patch]) and building the machine.
#include "PC88Driver.h"

#include "Archive.h"
#include "Bus.h"
#include "Config.h"
#include "File.h"
#include "System.h"
#include "Timer.h"
#include "VM.h"
#include "YM2203.h"
#include "YM2608.h"
#include "Z80.h"

#include <cstring>
#include <new>

#include "DriverLoad.h"

namespace {
const char kSource[] = "drivers/PC88DriverLoad.cpp";


}  // namespace

#define PC88_CHECK(cond, ret)                                   \
    do {                                                        \
        if (!(cond)) {                                          \
            System::assertFailed(kSource, __LINE__, #cond);     \
            return ret;                                         \
        }                                                       \
    } while (0)

bool PC88Driver::load(Config* config, Archive* archive)
{
    if (!loadOption(config, archive)) {
        System::error("[PC88]オプションの設定に失敗しました\n");
        return false;
    }
    if (!loadFile(config, archive)) {
        System::error("[PC88]ファイルのロードに失敗しました\n");
        return false;
    }
    if (!loadPatch(config, archive)) {
        System::error("[PC88]パッチに失敗しました\n");
        return false;
    }
    return buildMachine();
}

bool PC88Driver::initOpna(YM2608* chip)
{
    return chip->init(7987200, 44100);
}

bool PC88Driver::buildMachine()
{
    PC88_CHECK(mVM != NULL, false);
    mMemoryBus = new (std::nothrow) Bus(16, 16);
    mIoBus = new (std::nothrow) Bus(8, 8);
    if (mMemoryBus == nullptr || mIoBus == nullptr) return false;
    mMemoryBus->mapMemory(0, 0xFFFF, mRam, true);
    mIoBus->mapWrite(0, 0xFF, onWrite, this);
    mIoBus->mapRead(0, 0xFF, onRead, this);

    mCpu = new (std::nothrow) Z80(mVM);
    if (mCpu == nullptr) return false;
    mCpu->setClock(mBaseClock);
    mCpu->setParam(Cpu::PARAM_MEMORY_BUS, (uintptr_t)mMemoryBus);
    mCpu->setParam(Cpu::PARAM_IO_BUS, (uintptr_t)mIoBus);
    mCpu->setRegister(6, (uint16_t)mInitPc);
    mCpu->setInterruptHandler(onAcknowledge, this);
    mVM->setCpu(mCpu);

    if (mOpnaFlag) {
        mOpna = new (std::nothrow) YM2608(mVM);
        if (mOpna == nullptr) return false;
        // Without its ADPCM memory the chip is unusable and the image has
        // nowhere to go: the load fails rather than writing through null.
        if (!initOpna(mOpna) || mOpna->getAdpcmMemory() == nullptr) {
            System::error("[PC88]YM2608の初期化に失敗しました\n");
            return false;
        }
        mOpna->attach(onChipInterrupt, this, 0);
        mOpna->setVolumeFm(mVolumeFm);
        mOpna->setVolumeSsg(mVolumeSsg);
        mOpna->setVolumeAdpcm(mVolumeAdpcm);
        mOpna->setVolumeRhythm(mVolumeRhythm);
        for (int32_t i = 0; i < 6; i++) mOpna->setVolumeRhythmInstrument(i, mVolumeRhythmInstrument[i]);
        memcpy(mOpna->getAdpcmMemory(), mAdpcm.data(), ADPCM_SIZE);
        mVM->addChip(mOpna);
    } else {
        mOpn = new (std::nothrow) YM2203(mVM);
        if (mOpn == nullptr) return false;
        if (!mOpn->init(3993600, 44100)) return false;
        mOpn->attach(onChipInterrupt, this, 0);
        mOpn->setVolumeFm(mVolumeFm);
        mOpn->setVolumeSsg(mVolumeSsg);
        mVM->addChip(mOpn);
    }

    if (mMakeTimer1) {
        mTimer1 = new (std::nothrow) Timer(mVM, onTimer, this, 16666, 1);
        if (mTimer1 == nullptr) return false;
        mVM->addTimer(mTimer1);
    }
    if (mMakeTimer2) {
        mTimer2 = new (std::nothrow) Timer(mVM, onTimer, this, 1666, 2);
        if (mTimer2 == nullptr) return false;
        mVM->addTimer(mTimer2);
    }
    return true;
}

bool PC88Driver::loadOption(Config* _config, Archive* _folder)
{
    PC88_CHECK(_config != NULL, false);
    PC88_CHECK(_folder != NULL, false);
    ConfigSection* section = _config->getSection("option");
    if (section == nullptr) {
        System::error("[PC88]optionセクションが見つかりません\n");
        return false;
    }
    mInitPc = section->getInt("init_pc", 0);
    mBaseClock = section->getInt("baseclock", 7987200);
    mRegionAddr[0] = (uint32_t)section->getInt("data_addr", 0x4000);
    mRegionSize[0] = section->getInt("data_size", 0x2000);
    mRegionAddr[1] = (uint32_t)section->getInt("data2_addr", 0xF000);
    mRegionSize[1] = section->getInt("data2_size", 0x400);
    // Region 2 has no keys of its own: it follows region 1's when given.
    mRegionAddr[2] = (uint32_t)section->getInt("data2_addr", 0x4000);
    mRegionSize[2] = section->getInt("data2_size", 0x200);
    mRegionAddr[3] = 0;
    mRegionSize[3] = ADPCM_SIZE;
    mUsePcmX8 = section->getInt("use_pcmx8", 0);
    mIntDelay = section->getInt("int_delay", 4);
    mSkipIdle = section->getInt("skip_idle", 1);
    mDebugMem = section->getInt("debug_mem", 0);
    mVolumeFm = section->getInt("volume_fm", 0);
    mVolumeSsg = section->getInt("volume_ssg", 0);
    mVolumeAdpcm = section->getInt("volume_adpcm", 0);
    mVolumeRhythm = section->getInt("volume_rhythm", 0);
    for (int32_t i = 0; i < 6; i++) {
        const std::string key = "volume_rhythm" + std::to_string(i);
        mVolumeRhythmInstrument[i] = section->getInt(key, 0);
    }
    for (int32_t k = 0; k < REGIONS; k++) mChunks[k].resize(CHUNKS);
    return true;
}

bool PC88Driver::loadFile(Config* _config, Archive* _folder)
{
    PC88_CHECK(_config != NULL, false);
    PC88_CHECK(_folder != NULL, false);
    const bool found = DriverForEachFile(
        _config, _folder, "[PC88]", kSource,
        [&](ConfigEntry* ent, const std::string& name, const std::string& type, File* file) {
            const int64_t fileSize = file->size() > 0 ? file->size() : 0;
            int32_t table = -1;
            if (type == "data") table = 0;
            else if (type == "data2") table = 1;
            else if (type == "data3") table = 2;
            else if (type == "adpcm2") table = 3;

            if (type == "code") {
                const uint32_t addr = (uint32_t)ent->getInt("addr", 0);
                const bool toPorts = (addr & 0x80000000u) != 0;
                uint8_t* dest = toPorts ? mPorts : mRam;
                const int64_t destSize = toPorts ? PORT_COUNT : RAM_SIZE;
                const int64_t address = addr & 0xFFFF;
                int64_t length = fileSize;
                if (address + length > destSize) length = destSize - address;
                DriverReadInto(file, dest + (address < destSize ? address : 0), length);
            } else if (table >= 0) {
                const int32_t n = ent->getInt("no", 0);
                const int32_t offset = ent->getInt("offset", 0);
                // OUT 0x81 can name chunks 0-255 only; a negative number or
                // offset, or a chunk beyond the cap, is a damaged entry.
                if (n < 0 || n > MAX_CHUNK_NUMBER) {
                    System::error("[PC88]データ番号が範囲外です(%s: %d)\n", name.c_str(), (int)n);
                } else if (offset < 0 || (int64_t)offset + fileSize > MAX_CHUNK_SIZE) {
                    System::error("[PC88]データのオフセットかサイズが範囲外です(%s: offset %d, size %lld)\n",
                                  name.c_str(), (int)offset, (long long)fileSize);
                } else {
                    std::vector<std::vector<uint8_t>>& chunks = mChunks[table];
                    if ((size_t)n >= chunks.size()) chunks.resize((size_t)n + 1);
                    std::vector<uint8_t>& chunk = chunks[n];
                    chunk.resize((size_t)(offset + fileSize), 0);
                    DriverReadInto(file, chunk.data() + offset, fileSize);
                }
            } else if (type == "adpcm") {
                DriverReadAt(file, mAdpcm.data(), ADPCM_SIZE, ent->getInt("addr", 0), name, "[PC88]", "ADPCM");
            } else {
                System::error("[PC88]無効なファイルタイプです(%s)\n", type.c_str());
            }
        });
    if (!found) return false;
    if (mUsePcmX8 != 0 && !convertPcmX8()) {
        System::error("[PC88]ADPCM変換用のバッファが確保できません\n");
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

bool PC88Driver::loadPatch(Config* _config, Archive* _folder)
{
    PC88_CHECK(_config != NULL, false);
    PC88_CHECK(_folder != NULL, false);
    ConfigSection* section = _config->getSection("patch");
    if (section == nullptr) {
        System::error("[PC88]patchセクションが見つかりません\n");
        return false;
    }
    for (ConfigEntry* ent : section->entries()) {
        PC88_CHECK(ent != NULL, false);
        const std::string target = ent->getString("target", "memory");
        const std::string type = ent->getString("type", "binary");
        const std::string data = ent->getString("data", "");
        uint8_t* dest;
        uint32_t size;
        if (target == "memory") {
            dest = mRam;
            size = RAM_SIZE;
        } else if (target == "ioport") {
            dest = mPorts;
            size = PORT_COUNT;
        } else {
            System::error("[PC88]不明なpatchのtargetです(%s)\n", target.c_str());
            continue;
        }
        DriverApplyPatch(dest, size, (uint32_t)ent->getInt("addr", 0), type, data, "[PC88]");
    }
    return true;
}

// X1Driver: loading ([option], [file], [patch]) and building the machine.
#include "X1Driver.h"

#include "AY38910.h"
#include "Archive.h"
#include "Bus.h"
#include "Config.h"
#include "File.h"
#include "System.h"
#include "Timer.h"
#include "VM.h"
#include "YM2151.h"
#include "Z80.h"

#include <new>

#include "DriverLoad.h"

namespace {
const char kSource[] = "drivers/x1.cpp";


}  // namespace

#define X1_CHECK(cond, ret)                                     \
    do {                                                        \
        if (!(cond)) {                                          \
            System::assertFailed(kSource, __LINE__, #cond);     \
            return ret;                                         \
        }                                                       \
    } while (0)

bool X1Driver::load(Config* config, Archive* archive)
{
    if (!loadOption(config, archive)) {
        System::error("[X1]オプションの設定に失敗しました\n");
        return false;
    }
    if (!loadFile(config, archive)) {
        System::error("[X1]ファイルのロードに失敗しました\n");
        return false;
    }
    loadPatch(config, archive);
    return buildMachine(MachineHandlers{onWrite, onRead, onAcknowledge, onTimer});
}

bool X1Driver::buildMachine(const MachineHandlers& handlers)
{
    X1_CHECK(mVM != NULL, false);
    mMemoryBus = new (std::nothrow) Bus(16, 16);
    mIoBus = new (std::nothrow) Bus(16, 16);
    if (mMemoryBus == nullptr || mIoBus == nullptr) return false;
    mMemoryBus->mapMemory(0, 0xFFFF, mMemory.data(), true);
    mIoBus->mapWrite(0, 0xFFFF, handlers.write, this);
    mIoBus->mapRead(0, 0xFFFF, handlers.read, this);

    mCpu = new (std::nothrow) Z80(mVM);
    if (mCpu == nullptr) return false;
    mCpu->setClock(mBaseClock);
    mCpu->setParam(Cpu::PARAM_MEMORY_BUS, (uintptr_t)mMemoryBus);
    mCpu->setParam(Cpu::PARAM_IO_BUS, (uintptr_t)mIoBus);
    mCpu->setRegister(6, (uint16_t)mInitPc);
    mCpu->setInterruptHandler(handlers.acknowledge, this);
    mVM->setCpu(mCpu);

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
        mCtc[i].timer = new (std::nothrow) Timer(mVM, handlers.timer, this, 16384, i + 1);
        if (mCtc[i].timer == nullptr) return false;
        mVM->addTimer(mCtc[i].timer);
    }
    return true;
}

bool X1Driver::loadOption(Config* _config, Archive* _folder)
{
    X1_CHECK(_config != NULL, false);
    X1_CHECK(_folder != NULL, false);
    ConfigSection* section = _config->getSection("option");
    if (section == nullptr) {
        System::error("[X1]optionセクションが見つかりません\n");
        return false;
    }
    mInitPc = section->getInt("init_pc", mInitPc);
    mBaseClock = section->getInt("baseclock", mBaseClock);
    mRegionAddr[0] = (uint32_t)section->getInt("data_addr", (int)mRegionAddr[0]);
    mRegionSize[0] = section->getInt("data_size", mRegionSize[0]);
    mRegionAddr[1] = (uint32_t)section->getInt("data2_addr", (int)mRegionAddr[1]);
    mRegionSize[1] = section->getInt("data2_size", mRegionSize[1]);
    // The third region has no keys of its own: it follows the second's.
    mRegionAddr[2] = (uint32_t)section->getInt("data2_addr", (int)mRegionAddr[2]);
    mRegionSize[2] = section->getInt("data2_size", mRegionSize[2]);
    mAttr = section->getInt("attr", mAttr);
    mIntDelay = section->getInt("int_delay", mIntDelay);
    mSkipIdle = section->getInt("skip_idle", mSkipIdle);
    mDebugMem = (uint16_t)section->getInt("debug_mem", mDebugMem);
    mDebugIo = (uint16_t)section->getInt("debug_io", mDebugIo);
    mVolumeFm = section->getInt("volume_fm", mVolumeFm);
    mVolumePsg = section->getInt("volume_psg", mVolumePsg);
    for (int32_t k = 0; k < REGIONS; k++) {
        mChunks[k].clear();
        mChunks[k].resize(CHUNKS);
        mSongAddr[k] = mRegionAddr[k];
        mSongSize[k] = mRegionSize[k];
    }
    storeRegionWords(0x90);
    storeRegionWords(0xB0);
    for (int32_t i = 0; i < 4; i++) mPorts[0x88 + i] = (uint8_t)((uint32_t)mAttr >> (8 * i));
    return true;
}

bool X1Driver::loadFile(Config* _config, Archive* _folder)
{
    X1_CHECK(_config != NULL, false);
    X1_CHECK(_folder != NULL, false);
    const bool found = DriverForEachFile(
        _config, _folder, "[X1]", kSource,
        [&](ConfigEntry* ent, const std::string& name, const std::string& type, File* file) {
            const int64_t fileSize = file->size() > 0 ? file->size() : 0;
            int32_t table = -1;
            if (type == "data") table = 0;
            else if (type == "data2") table = 1;
            else if (type == "data3") table = 2;

            if (type == "code") {
                const uint32_t addr = (uint32_t)ent->getInt("addr", 0);
                uint8_t* dest = (addr & 0x80000000u) ? mPorts.data() : mMemory.data();
                const int64_t address = addr & 0xFFFF;
                int64_t length = fileSize;
                if (address + length > 0x10000) length = 0x10000 - address;
                DriverReadInto(file, dest + address, length);
            } else if (table >= 0) {
                const int32_t n = ent->getInt("no", 0);
                const int32_t offset = ent->getInt("offset", 0);
                // OUT 0x81 can name chunks 0-255 only; a negative number or
                // offset, or a chunk beyond the cap, is a damaged entry.
                if (n < 0 || n > MAX_CHUNK_NUMBER) {
                    System::error("[X1]データ番号が範囲外です(%s: %d)\n", name.c_str(), (int)n);
                } else if (offset < 0 || (int64_t)offset + fileSize > MAX_CHUNK_SIZE) {
                    System::error("[X1]データのオフセットかサイズが範囲外です(%s: offset %d, size %lld)\n", name.c_str(),
                                  (int)offset, (long long)fileSize);
                } else {
                    std::vector<std::vector<uint8_t>>& chunks = mChunks[table];
                    if ((size_t)n >= chunks.size()) chunks.resize((size_t)n + 1);
                    std::vector<uint8_t>& chunk = chunks[n];
                    if (chunk.size() < (size_t)(offset + fileSize)) chunk.resize((size_t)(offset + fileSize), 0);
                    DriverReadInto(file, chunk.data() + offset, fileSize);
                }
            } else {
                System::error("[X1]無効なファイルタイプです(%s)\n", type.c_str());
            }
        });
    return found;
}

bool X1Driver::loadPatch(Config* _config, Archive* _folder)
{
    X1_CHECK(_config != NULL, false);
    X1_CHECK(_folder != NULL, false);
    ConfigSection* section = _config->getSection("patch");
    if (section == nullptr) return true;
    for (ConfigEntry* ent : section->entries()) {
        X1_CHECK(ent != NULL, false);
        const std::string target = ent->getString("target", "memory");
        const std::string type = ent->getString("type", "binary");
        const std::string data = ent->getString("data", "");
        uint8_t* dest;
        if (target == "memory") {
            dest = mMemory.data();
        } else if (target == "ioport") {
            dest = mPorts.data();
        } else {
            System::error("[X1]不明なpatchのtargetです(%s)\n", target.c_str());
            continue;
        }
        DriverApplyPatch(dest, 0x10000, (uint32_t)ent->getInt("addr", 0), type, data, "[X1]");
    }
    return true;
}

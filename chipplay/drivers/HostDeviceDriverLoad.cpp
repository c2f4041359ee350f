// HostDeviceDriver: loading ([option], [file], [patch]) and the CPU.
#include "HostDeviceDriver.h"

#include "Archive.h"
#include "Bus.h"
#include "Config.h"
#include "File.h"
#include "System.h"
#include "VM.h"
#include "Z80.h"

#include <new>

bool HostDeviceDriver::load(Config* config, Archive* archive)
{
    if (!loadOption(config, archive)) {
        System::error("%sオプションの設定に失敗しました\n", mTag);
        return false;
    }
    if (!loadFile(config, archive)) {
        System::error("%sファイルのロードに失敗しました\n", mTag);
        return false;
    }
    if (mProfile.patch != PATCH_NONE && !loadPatch(config, archive)) {
        System::error("%sパッチに失敗しました\n", mTag);
        return false;
    }
    return buildMachine();
}

bool HostDeviceDriver::buildCpu(const CpuHandlers& handlers)
{
    SYSTEM_CHECK(mProfile.source, mVM != NULL, false);
    mMemoryBus = new (std::nothrow) Bus(16, 16);
    mIoBus = new (std::nothrow) Bus(mProfile.portBits, mProfile.portBits);
    if (mMemoryBus == nullptr || mIoBus == nullptr) return false;
    mMemoryBus->mapMemory(0, 0xFFFF, mMemory.data(), true);
    mIoBus->mapWrite(0, (uint32_t)mPorts.size() - 1, handlers.write, context());
    mIoBus->mapRead(0, (uint32_t)mPorts.size() - 1, handlers.read, context());

    mCpu = new (std::nothrow) Z80(mVM);
    if (mCpu == nullptr) return false;
    mCpu->setClock(mBaseClock);
    mCpu->setParam(Cpu::PARAM_MEMORY_BUS, (uintptr_t)mMemoryBus);
    mCpu->setParam(Cpu::PARAM_IO_BUS, (uintptr_t)mIoBus);
    mCpu->setRegister(6, (uint16_t)mInitPc);
    mCpu->setInterruptHandler(handlers.acknowledge, context());
    mVM->setCpu(mCpu);
    return true;
}

bool HostDeviceDriver::loadOption(Config* _config, Archive* _folder)
{
    SYSTEM_CHECK(mProfile.source, _config != NULL, false);
    SYSTEM_CHECK(mProfile.source, _folder != NULL, false);
    ConfigSection* section = _config->getSection("option");
    if (section == nullptr) {
        System::error("%soptionセクションが見つかりません\n", mTag);
        return false;
    }
    return readOptions(section);
}

bool HostDeviceDriver::readOptions(ConfigSection* section)
{
    mInitPc = section->getInt("init_pc", mInitPc);
    mBaseClock = section->getInt("baseclock", mBaseClock);
    static const char* const kAddr[REGIONS] = {"data_addr", "data2_addr", "data2_addr"};
    static const char* const kSize[REGIONS] = {"data_size", "data2_size", "data2_size"};
    // The third region has no keys of its own: it follows the second's.
    for (int32_t k = 0; k < REGIONS; k++) {
        mRegionAddr[k] = (uint32_t)section->getInt(kAddr[k], (int)mRegionAddr[k]);
        mRegionSize[k] = section->getInt(kSize[k], mRegionSize[k]);
    }
    mIntDelay = section->getInt("int_delay", mIntDelay);
    mSkipIdle = section->getInt("skip_idle", mSkipIdle);
    mDebugMem = section->getInt("debug_mem", mDebugMem);
    mVolumeFm = section->getInt("volume_fm", mVolumeFm);
    mChunks.reset();
    // A clock of 0 or below never runs the Z80 (every song silent, with no
    // word of why); one far past any Z80 is a damaged number. Both are a
    // configuration error.
    return mBaseClock >= MIN_BASE_CLOCK && mBaseClock <= MAX_BASE_CLOCK;
}

bool HostDeviceDriver::loadFile(Config* _config, Archive* _folder)
{
    SYSTEM_CHECK(mProfile.source, _config != NULL, false);
    SYSTEM_CHECK(mProfile.source, _folder != NULL, false);
    const bool found = DriverForEachFile(
        _config, _folder, mTag, mProfile.source,
        [&](ConfigEntry* ent, const std::string& name, const std::string& type, File* file) {
            loadFileEntry(ent, name, type, file);
        });
    return found && afterFiles();
}

void HostDeviceDriver::loadFileEntry(ConfigEntry* ent, const std::string& name, const std::string& type, File* file)
{
    static const char* const kTables[DriverChunks::TABLES] = {"data", "data2", "data3", "adpcm2"};
    for (int32_t t = 0; t < mProfile.tables; t++) {
        if (type == kTables[t]) {
            mChunks.load(t, file, ent->getInt("no", 0), ent->getInt("offset", 0), name, mTag);
            return;
        }
    }
    if (type != "code") {
        System::error("%s無効なファイルタイプです(%s)\n", mTag, type.c_str());
        return;
    }
    const uint32_t addr = (uint32_t)ent->getInt("addr", 0);
    const bool toPorts = (addr & 0x80000000u) != 0;
    uint8_t* dest = toPorts ? mPorts.data() : mMemory.data();
    const int64_t destSize = toPorts ? (int64_t)mPorts.size() : (int64_t)MEMORY_SIZE;
    const int64_t address = addr & 0xFFFF;
    int64_t length = file->size() > 0 ? file->size() : 0;
    if (address + length > destSize) length = destSize - address;
    DriverReadInto(file, dest + (address < destSize ? address : 0), length);
}

bool HostDeviceDriver::loadPatch(Config* _config, Archive* _folder)
{
    SYSTEM_CHECK(mProfile.source, _config != NULL, false);
    SYSTEM_CHECK(mProfile.source, _folder != NULL, false);
    ConfigSection* section = _config->getSection("patch");
    if (section == nullptr) {
        if (mProfile.patch == PATCH_OPTIONAL) return true;
        System::error("%spatchセクションが見つかりません\n", mTag);
        return false;
    }
    for (ConfigEntry* ent : section->entries()) {
        SYSTEM_CHECK(mProfile.source, ent != NULL, false);
        const std::string target = ent->getString("target", "memory");
        const std::string type = ent->getString("type", "binary");
        const std::string data = ent->getString("data", "");
        std::vector<uint8_t>* dest;
        if (target == "memory") {
            dest = &mMemory;
        } else if (target == "ioport") {
            dest = &mPorts;
        } else {
            System::error("%s不明なpatchのtargetです(%s)\n", mTag, target.c_str());
            continue;
        }
        DriverApplyPatch(dest->data(), (uint32_t)dest->size(), (uint32_t)ent->getInt("addr", 0), type, data, mTag);
    }
    return true;
}

// X1CompatDriver: loading ([option], [file]), the host device and the
// song-slot copies. The machine itself is built and run by X1Driver.
#include "X1CompatDriver.h"

#include "DriverLoad.h"

#include "Archive.h"
#include "Config.h"
#include "File.h"
#include "System.h"
#include "Trace.h"
#include "VM.h"
#include "Z80.h"

#include <cstring>
#include <new>

namespace {
const char kSource[] = "drivers/x1compat.cpp";
}  // namespace

#define X1C_CHECK(cond, ret)                                    \
    do {                                                        \
        if (!(cond)) {                                          \
            System::assertFailed(kSource, __LINE__, #cond);     \
            return ret;                                         \
        }                                                       \
    } while (0)

X1CompatDriver::X1CompatDriver(VM* vm, int32_t variant)
    : X1Driver(vm, variant), mSlots{0x4000, 0x2000, 0x2000, 64, 0xE000, 0x400, 0x400, {}, {}, {}, {}}
{
    // The games' sound programs were written for a 4 MHz Z80 that takes an
    // interrupt at once; the chips keep their default volumes.
    mBaseClock = 4000000;
    mIntDelay = 0;
    mVolumeFm = 0;
    mVolumePsg = 0;
    mRegionAddr[0] = (uint32_t)mSlots.dataAddr;
}

Driver* X1CompatDriver::create(VM* vm, const std::string& name)
{
    if (name == "x1/psg/compat") return new X1CompatDriver(vm, 0);
    if (name == "x1/opm/compat") return new X1CompatDriver(vm, 1);
    return nullptr;
}

bool RegisterX1CompatDrivers()
{
    bool ok = DriverBinder::registerFactory("x1/psg/compat", X1CompatDriver::create);
    ok = DriverBinder::registerFactory("x1/opm/compat", X1CompatDriver::create) && ok;
    return ok;
}

bool X1CompatDriver::load(Config* config, Archive* archive)
{
    if (!loadOption(config, archive)) {
        System::error("[X1C]オプションの設定に失敗しました\n");
        return false;
    }
    if (!loadFile(config, archive)) {
        System::error("[X1C]ファイルのロードに失敗しました\n");
        return false;
    }
    VM* _vm = mVM;
    X1C_CHECK(_vm != NULL, false);
    return buildMachine(MachineHandlers{onWrite, onRead, onAcknowledge, onTimer});
}

bool X1CompatDriver::loadOption(Config* _config, Archive* _folder)
{
    X1C_CHECK(_config != NULL, false);
    X1C_CHECK(_folder != NULL, false);
    ConfigSection* section = _config->getSection("option");
    if (section == nullptr) {
        System::error("[X1C]optionセクションが見つかりません\n");
        return false;
    }
    mSlots.readOptions(section);
    mInitPc = section->getInt("init_pc", mInitPc);
    mDebugMem = (uint16_t)section->getInt("debug_mem", mDebugMem);
    mDebugIo = (uint16_t)section->getInt("debug_io", mDebugIo);
    // The monitor's "MDATA:" page shows memory from the song address; no
    // address bit selects the I/O space here.
    mRegionAddr[0] = (uint32_t)mSlots.dataAddr & 0xFFFF;

    // Negative copy sizes are refused here already: this layout has no
    // song offset that could make them meaningful.
    if (mSlots.dataSize < 0 || mSlots.voiceSize < 0 || !mSlots.allocate()) {
        System::error("[X1C]曲データ領域の確保に失敗しました\n");
        return false;
    }
    return true;
}

bool X1CompatDriver::loadFile(Config* _config, Archive* _folder)
{
    X1C_CHECK(_config != NULL, false);
    X1C_CHECK(_folder != NULL, false);
    const bool found = DriverForEachFile(
        _config, _folder, "[X1C]", kSource,
        [&](ConfigEntry* ent, const std::string& name, const std::string& type, File* file) {
            const int32_t offset = ent->getInt("offset", 0);
            if (type == "code")
                DriverReadAt(file, mMemory.data(), MEMORY_SIZE, offset, name, "[X1C]", "コード");
            else if (type == "bgm" || type == "voice")
                mSlots.fill(type == "voice", file, offset, name, "[X1C]");
        });
    return found;
}

bool X1CompatDriver::play(int32_t code, ConfigEntry* _ent)
{
    X1C_CHECK(_ent != NULL, false);
    Trace("[X1C]Play 0x%08x\n", (unsigned)code);
    mPorts[0x01] = (uint8_t)code;
    mPorts[0x00] = 1;
    mPorts[0x0F] = (uint8_t)_ent->getInt("attr", 0);
    return true;
}

bool X1CompatDriver::stop()
{
    Trace("[X1C]Stop\n");
    mPorts[0x00] = 2;
    return true;
}

// ---- ports ----------------------------------------------------------------

void X1CompatDriver::onWrite(uint32_t address, uint32_t value, void* _param)
{
    X1C_CHECK(_param != NULL, );
    X1Driver::onWrite(address, value, _param);
}

uint32_t X1CompatDriver::onRead(uint32_t address, void* _param)
{
    X1C_CHECK(_param != NULL, 0xFF);
    return X1Driver::onRead(address, _param);
}

void X1CompatDriver::onAcknowledge(void* _param, int32_t vector)
{
    X1C_CHECK(_param != NULL, );
    X1Driver::onAcknowledge(_param, vector);
}

void X1CompatDriver::onTimer(void* _param, int32_t id)
{
    X1C_CHECK(_param != NULL, );
    X1Driver::onTimer(_param, id);
}

void X1CompatDriver::writeHostPort(uint16_t address, uint8_t value)
{
    if (address == 0x0001) {
        loadSong(value);
        return;
    }
    Trace("[X1C]%04x OUT(%04x) : %02x\n", mCpu != nullptr ? mCpu->getRegister(6) : 0u, address, value);
    mPorts[address] = value;
}

uint8_t X1CompatDriver::readHostPort(uint16_t address)
{
    // The program polls the request; while none is there the CPU may sleep
    // until its next event.
    if (address == 0x0000) {
        mVM->idleCpu();
        return mPorts[0x0000];
    }
    Trace("[X1C]%04x IN(%04x) : %02x\n", mCpu != nullptr ? mCpu->getRegister(6) : 0u, address, mPorts[address]);
    return mPorts[address];
}

namespace {

// Copies `size` bytes to `memory` at `address`, cut at the end of the
// address space; false, copying nothing, when the address lies outside it.
bool CopyToMemory(uint8_t* memory, int32_t address, int32_t size, const uint8_t* from)
{
    if (address < 0 || address >= X1Driver::MEMORY_SIZE || size < 0) return false;
    int64_t length = size;
    if (address + length > X1Driver::MEMORY_SIZE) length = X1Driver::MEMORY_SIZE - address;
    memcpy(memory + address, from, (size_t)length);
    return true;
}

}  // namespace

// OUT 0x0001,n: copy song slot n to the song address and voice slot n to
// the voice address when it was given. The slot arrays hold a copy length
// past the last slot, so the source never runs out; a destination outside
// the address space copies nothing and says so.
void X1CompatDriver::loadSong(uint8_t number)
{
    if (number == 0xFF) {
        mPorts[0x0000] = 0;
        return;
    }
    if (!isSongPresent(number)) return;
    if (CopyToMemory(mMemory.data(), mSlots.dataAddr, mSlots.dataSize, mSlots.songSlot(number)))
        Trace("[X1C]BGM #%02x Loaded\n", number);
    else
        System::error("[X1C]曲データの転送先が範囲外です(0x%08x)\n", (unsigned)mSlots.dataAddr);
    mPorts[0x0000] = 0;

    if (!isVoicePresent(number)) return;
    if (!CopyToMemory(mMemory.data(), mSlots.voiceAddr, mSlots.voiceSize, mSlots.voiceSlot(number)))
        System::error("[X1C]音色データの転送先が範囲外です(0x%08x)\n", (unsigned)mSlots.voiceAddr);
}

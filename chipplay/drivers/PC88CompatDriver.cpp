// PC88CompatDriver: loading ([option], [file]), the host device and the
// song-slot copies. The machine itself is built and run by PC88Driver.
#include "PC88CompatDriver.h"

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
const char kSource[] = "drivers/PC88CompatDriver.cpp";
}  // namespace

#define PC88C_CHECK(cond, ret)                                  \
    do {                                                        \
        if (!(cond)) {                                          \
            System::assertFailed(kSource, __LINE__, #cond);     \
            return ret;                                         \
        }                                                       \
    } while (0)

PC88CompatDriver::PC88CompatDriver(VM* vm, bool opna)
    : PC88Driver(vm, opna), mSlots{0x4000, 0x2000, 0x2000, 64, 0xF000, 0x400, 0x400, {}, {}, {}, {}}, mSongOffset(0)
{
    // The host device lives on ports 0x00-0x02; every request below level 7
    // passes until the first acknowledge.
    mPorts[0x00] = mPorts[0x01] = mPorts[0x02] = 0;
    mPorts[0x32] = 0;
    mPorts[0xE4] = 7;
    mPorts[0xE6] = 0;
    // The games' sound code reads which chip it drives here.
    mRam[0x79D7] = opna ? '9' : '4';
    mMakeTimer1 = false;
    mMakeTimer2 = false;
}

Driver* PC88CompatDriver::create(VM* vm, const std::string& name)
{
    if (name == "pc88/opn/compat") return new PC88CompatDriver(vm, false);
    if (name == "pc88/opna/compat") return new PC88CompatDriver(vm, true);
    return nullptr;
}

bool RegisterPC88CompatDrivers()
{
    bool ok = DriverBinder::registerFactory("pc88/opn/compat", PC88CompatDriver::create);
    ok = DriverBinder::registerFactory("pc88/opna/compat", PC88CompatDriver::create) && ok;
    return ok;
}

bool PC88CompatDriver::load(Config* config, Archive* archive)
{
    if (!loadOption(config, archive)) {
        System::error("[PC88C]オプションの設定に失敗しました\n");
        return false;
    }
    if (!loadFile(config, archive)) {
        System::error("[PC88C]ファイルのロードに失敗しました\n");
        return false;
    }
    return buildMachine();
}

bool PC88CompatDriver::loadOption(Config* _config, Archive* _folder)
{
    PC88C_CHECK(_config != NULL, false);
    PC88C_CHECK(_folder != NULL, false);
    ConfigSection* section = _config->getSection("option");
    if (section == nullptr) {
        System::error("[PC88C]optionセクションが見つかりません\n");
        return false;
    }
    mInitPc = section->getInt("init_pc", 0);
    mSlots.readOptions(section);
    mMakeTimer2 = section->getInt("use_rtc", 0) != 0;
    mMakeTimer1 = section->getInt("use_vrtc", 0) != 0;
    mUsePcmX8 = section->getInt("use_pcmx8", 0);
    mIntDelay = section->getInt("int_delay", 4);
    mDebugMem = section->getInt("debug_mem", 0);
    // The monitor's "MDATA:" page shows RAM from the song address.
    mRegionAddr[0] = (uint32_t)mSlots.dataAddr & 0xFFFF;

    if (!mSlots.allocate()) {
        System::error("[PC88C]曲データ領域の確保に失敗しました\n");
        return false;
    }
    return true;
}

bool PC88CompatDriver::loadFile(Config* _config, Archive* _folder)
{
    PC88C_CHECK(_config != NULL, false);
    PC88C_CHECK(_folder != NULL, false);
    const bool found = DriverForEachFile(
        _config, _folder, "[PC88C]", kSource,
        [&](ConfigEntry* ent, const std::string& name, const std::string& type, File* file) {
            const int32_t offset = ent->getInt("offset", 0);
            if (type == "code") {
                DriverReadAt(file, mRam, RAM_SIZE, offset, name, "[PC88C]", "コード");
            } else if (type == "bgm" || type == "voice") {
                mSlots.fill(type == "voice", file, offset, name, "[PC88C]");
            } else if (type == "adpcm") {
                // Cut at the end of the sample memory, not only by length.
                DriverReadAt(file, mAdpcm.data(), ADPCM_SIZE, offset, name, "[PC88C]", "ADPCM");
            }
        });
    if (!found) return false;
    if (mUsePcmX8 != 0 && !convertPcmX8()) {
        System::error("[PC88C]ADPCM変換用のバッファが確保できません\n");
        return false;
    }
    return true;
}

bool PC88CompatDriver::play(int32_t code, ConfigEntry* _ent)
{
    PC88C_CHECK(_ent != NULL, false);
    Trace("[PC88C]Play 0x%08x\n", (unsigned)code);
    mPorts[0x00] = 1;
    mPorts[0x01] = (uint8_t)code;
    mPorts[0x80] = (uint8_t)_ent->getInt("attr", 0);
    mSongOffset = _ent->getInt("offset", 0);
    return true;
}

bool PC88CompatDriver::stop()
{
    Trace("[PC88C]Stop\n");
    mPorts[0x00] = 2;
    return true;
}

void PC88CompatDriver::writePort(uint8_t port, uint8_t value)
{
    switch (port) {
    case 0x01:
        loadSong(value);
        return;
    case 0x32:
    case 0x44: case 0x45: case 0x46: case 0x47:
    case 0x5C: case 0x5D: case 0x5E: case 0x5F:
    case 0xE4: case 0xE6:
        PC88Driver::writePort(port, value);
        return;
    default:
        Trace("[PC88C]%04x OUT(%02x) : %02x\n", mCpu != nullptr ? mCpu->getRegister(6) : 0u, port, value);
        mPorts[port] = value;
        return;
    }
}

uint8_t PC88CompatDriver::readPort(uint8_t port)
{
    switch (port) {
    case 0x00:
        mVM->idleCpu();
        return mPorts[0x00];
    case 0x44: case 0x45: case 0x46: case 0x47:
    case 0xA8: case 0xA9: case 0xAA: case 0xAC: case 0xAD: case 0xE4: case 0xE6:
        return PC88Driver::readPort(port);
    default:
        return mPorts[port];
    }
}

// OUT 0x01,v: copy song slot v from the song offset to the song address,
// and voice slot v to the voice address when it was given. Bounds are
// checked in 64 bits: a configuration or song entry may give negative or
// huge sizes, offsets and addresses, and those copy nothing.
void PC88CompatDriver::loadSong(uint8_t number)
{
    if (number == 0xFF) {
        mPorts[0x00] = 0;
        return;
    }
    if (!isSongPresent(number)) return;

    const int64_t offset = mSongOffset;
    int64_t length = mSlots.dataSize;
    if (length >= 0 && offset >= 0 && offset + length > mSlots.fileSize) length = mSlots.fileSize - offset;
    if (length < 0 || offset < 0) {
        System::error("[PC88C]曲データのサイズかオフセットが不正です(#%02x: size %d, offset %d)\n", number,
                      (int)mSlots.dataSize, (int)mSongOffset);
    } else if (mSlots.dataAddr < 0 || mSlots.dataAddr >= RAM_SIZE) {
        System::error("[PC88C]曲データの転送先が範囲外です(0x%08x)\n", (unsigned)mSlots.dataAddr);
    } else {
        if (mSlots.dataAddr + length > RAM_SIZE) length = RAM_SIZE - mSlots.dataAddr;
        memcpy(mRam + mSlots.dataAddr, mSlots.songSlot(number) + offset, (size_t)length);
        Trace("[PC88C]BGM #%02x Loaded\n", number);
    }
    mPorts[0x00] = 0;

    if (!isVoicePresent(number)) return;
    int64_t voiceLength = mSlots.voiceSize;
    if (voiceLength < 0) {
        System::error("[PC88C]音色データのサイズが不正です(#%02x: size %d)\n", number, (int)mSlots.voiceSize);
    } else if (mSlots.voiceAddr < 0 || mSlots.voiceAddr >= RAM_SIZE) {
        System::error("[PC88C]音色データの転送先が範囲外です(0x%08x)\n", (unsigned)mSlots.voiceAddr);
    } else {
        if (mSlots.voiceAddr + voiceLength > RAM_SIZE) voiceLength = RAM_SIZE - mSlots.voiceAddr;
        memcpy(mRam + mSlots.voiceAddr, mSlots.voiceSlot(number), (size_t)voiceLength);
    }
}

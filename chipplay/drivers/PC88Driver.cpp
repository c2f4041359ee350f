// PC88Driver: the machine at run time (ports, interrupt controller, host
// device, song-data copies, monitor). Loading is in PC88DriverLoad.cpp.
#include "PC88Driver.h"

#include "PC88CompatDriver.h"

#include "Bus.h"
#include "Config.h"
#include "DebugMonitor.h"
#include "System.h"
#include "Timer.h"
#include "Trace.h"
#include "VM.h"
#include "YM2203.h"
#include "YM2608.h"
#include "Z80.h"

#include <cstring>

namespace {
const char kSource[] = "drivers/PC88Driver.cpp";

// Port 0xE6 AND 7 -> the request bits it lets through. Bit 0 enables the
// 600 Hz request (bit 2), bit 1 the 60 Hz request (bit 1), bit 2 request
// bit 0; bits 3-7 always pass.
const uint8_t kEnableMask[8] = {0xF8, 0xFC, 0xFA, 0xFE, 0xF9, 0xFD, 0xFB, 0xFF};

uint16_t Word(const uint8_t* ports, int32_t at)
{
    return (uint16_t)(ports[at] | (ports[at + 1] << 8));
}
}  // namespace

#define PC88_CHECK(cond, ret)                                   \
    do {                                                        \
        if (!(cond)) {                                          \
            System::assertFailed(kSource, __LINE__, #cond);     \
            return ret;                                         \
        }                                                       \
    } while (0)

PC88Driver::PC88Driver(VM* vm, bool opna)
    : mOpnaFlag(opna), mVM(vm), mMemoryBus(nullptr), mIoBus(nullptr), mCpu(nullptr), mOpn(nullptr),
      mOpna(nullptr), mTimer1(nullptr), mTimer2(nullptr), mAdpcm(ADPCM_SIZE, 0), mRequests(0),
      mChipInterrupt(0x80), mPreviousSoundLevel(0x80), mInitPc(0), mBaseClock(7987200), mUsePcmX8(0),
      mIntDelay(4), mSkipIdle(1), mDebugMem(0), mVolumeFm(0), mVolumeSsg(0), mVolumeAdpcm(0),
      mVolumeRhythm(0), mMakeTimer1(true), mMakeTimer2(true), mSongAttr(0), mSongAdpcm(0)
{
    memset(mRam, 0, sizeof(mRam));
    memset(mPorts, 0, sizeof(mPorts));
    memset(mPorts, 0xFF, 0x0F);
    mPorts[0x32] = 0x80;
    for (int32_t i = 0; i < 6; i++) mVolumeRhythmInstrument[i] = 0;
    const uint32_t addr[REGIONS] = {0x4000, 0xF000, 0x4000, 0};
    const int32_t size[REGIONS] = {0x2000, 0x400, 0x200, ADPCM_SIZE};
    for (int32_t k = 0; k < REGIONS; k++) {
        mRegionAddr[k] = addr[k];
        mRegionSize[k] = size[k];
    }
    for (int32_t k = 0; k < 3; k++) {
        mCurrentAddr[k] = addr[k];
        mCurrentSize[k] = size[k];
        mCurrentOffset[k] = 0;
    }
}

PC88Driver::~PC88Driver()
{
    // The VM may outlive the driver in a test: leave no timer behind in it.
    if (mTimer1 != nullptr) mVM->removeTimer(mTimer1);
    if (mTimer2 != nullptr) mVM->removeTimer(mTimer2);
    delete mTimer1;
    delete mTimer2;
    delete mOpn;
    delete mOpna;
    delete mCpu;
    delete mIoBus;
    delete mMemoryBus;
}

Driver* PC88Driver::create(VM* vm, const std::string& name)
{
    if (name == "pc88/opn") return new PC88Driver(vm, false);
    if (name == "pc88/opna") return new PC88Driver(vm, true);
    return nullptr;
}

bool RegisterPC88Drivers()
{
    bool ok = DriverBinder::registerFactory("pc88/opn", PC88Driver::create);
    ok = DriverBinder::registerFactory("pc88/opna", PC88Driver::create) && ok;
    return RegisterPC88CompatDrivers() && ok;
}

bool PC88Driver::play(int32_t code, ConfigEntry* _ent)
{
    PC88_CHECK(_ent != NULL, false);
    Trace("[PC88]Play 0x%08x\n", (unsigned)code);
    mSongAttr = _ent->getInt("attr", 0);
    mSongAdpcm = _ent->getInt("adpcm", 0);
    static const char* const kAddr[3] = {"addr", "addr2", "addr3"};
    static const char* const kSize[3] = {"size", "size2", "size3"};
    static const char* const kOffset[3] = {"offset", "offset2", "offset3"};
    for (int32_t k = 0; k < 3; k++) {
        mCurrentAddr[k] = (uint32_t)_ent->getInt(kAddr[k], (int)mRegionAddr[k]);
        mCurrentSize[k] = _ent->getInt(kSize[k], mRegionSize[k]);
        mCurrentOffset[k] = _ent->getInt(kOffset[k], 0);
    }
    mPorts[0x81] = (uint8_t)code;
    mPorts[0x80] = 1;
    return true;
}

bool PC88Driver::stop()
{
    Trace("[PC88]Stop\n");
    mPorts[0x80] = 2;
    return true;
}

// ---- ports ----------------------------------------------------------------

void PC88Driver::onWrite(uint32_t address, uint32_t value, void* _param)
{
    PC88_CHECK(_param != NULL, );
    static_cast<PC88Driver*>(_param)->writePort((uint8_t)address, (uint8_t)value);
}

uint32_t PC88Driver::onRead(uint32_t address, void* _param)
{
    PC88_CHECK(_param != NULL, 0xFF);
    return static_cast<PC88Driver*>(_param)->readPort((uint8_t)address);
}

void PC88Driver::setConfiguredAddressLow(int32_t region, uint8_t lowPort)
{
    mRegionAddr[region] = (mRegionAddr[region] & 0xFFFF0000u) | Word(mPorts, lowPort);
}

void PC88Driver::writePort(uint8_t port, uint8_t value)
{
    switch (port) {
    case 0x32:
        mPorts[port] = value;
        checkSoundInterrupt();
        return;
    case 0x44: case 0x45: case 0x46: case 0x47:
        if (mOpna != nullptr) mOpna->write(port & 3, value);
        else if (mOpn != nullptr) mOpn->write(port & 3, value);
        mPorts[port] = value;
        return;
    case 0x5C: mPorts[0x5C] = 1; return;
    case 0x5D: mPorts[0x5C] = 2; return;
    case 0x5E: mPorts[0x5C] = 4; return;
    case 0x5F: mPorts[0x5C] = 0; return;
    case 0x80:
    case 0x88: case 0x89: case 0x8A: case 0x8B: case 0x8C: case 0x8D: case 0x8E: case 0x8F:
    case 0xA8: case 0xA9: case 0xAA: case 0xAC: case 0xAD:
        return;
    case 0x81:
        loadSongData(value);
        return;
    case 0x90: case 0x91: case 0x94: case 0x95: case 0x98: case 0x99:
        mPorts[port] = value;
        return;
    case 0xB0: case 0xB1:
        mPorts[port] = value;
        setConfiguredAddressLow(0, 0xB0);
        return;
    case 0xB4: case 0xB5:
        mPorts[port] = value;
        setConfiguredAddressLow(1, 0xB4);
        return;
    case 0xB8: case 0xB9:
        mPorts[port] = value;
        setConfiguredAddressLow(2, 0xB8);
        return;
    case 0xE4: case 0xE6:
        mPorts[port] = value;
        updateInterrupt();
        return;
    default:
        Trace("[PC88]%04x OUT(%02x) : %02x\n", mCpu != nullptr ? mCpu->getRegister(6) : 0u, port, value);
        mPorts[port] = value;
        return;
    }
}

uint8_t PC88Driver::readPort(uint8_t port)
{
    switch (port) {
    case 0x44: case 0x45: case 0x46: case 0x47:
        if (mOpna != nullptr) return mOpna->read(port & 3);
        if (mOpn != nullptr) return mOpn->read(port & 3);
        return 0xFF;
    case 0x80: {
        const uint8_t v = mPorts[0x80];
        mPorts[0x80] = 0;
        if (v == 0 && mSkipIdle != 0) mVM->idleCpu();
        if (v == 1) {
            for (int32_t i = 0; i < 4; i++) mPorts[0x8C + i] = (uint8_t)((uint32_t)mSongAttr >> (8 * i));
            for (int32_t k = 0; k < 3; k++) {
                mPorts[0x90 + 4 * k] = (uint8_t)mCurrentAddr[k];
                mPorts[0x91 + 4 * k] = (uint8_t)(mCurrentAddr[k] >> 8);
                mPorts[0x92 + 4 * k] = (uint8_t)mCurrentSize[k];
                mPorts[0x93 + 4 * k] = (uint8_t)((uint32_t)mCurrentSize[k] >> 8);
            }
        }
        return v;
    }
    case 0xA8: case 0xA9: case 0xAA: case 0xAC: case 0xAD: case 0xE4: case 0xE6:
        return 0xFF;
    case 0x32: case 0x5C: case 0x81:
    case 0x88: case 0x89: case 0x8A: case 0x8B: case 0x8C: case 0x8D: case 0x8E: case 0x8F:
    case 0x90: case 0x91: case 0x94: case 0x95: case 0x98: case 0x99:
    case 0xB0: case 0xB1: case 0xB4: case 0xB5: case 0xB8: case 0xB9:
        return mPorts[port];
    default:
        Trace("[PC88]%04x IN(%02x) : %02x\n", mCpu != nullptr ? mCpu->getRegister(6) : 0u, port, mPorts[port]);
        return mPorts[port];
    }
}

// OUT 0x81,n: the program has set the region words and asks for chunk n of
// each table. Every bound is checked in 64 bits: a configuration may give
// negative or huge sizes and offsets, and those copy nothing.
void PC88Driver::loadSongData(uint8_t number)
{
    for (int32_t k = 0; k < 3; k++) {
        mCurrentAddr[k] = (mCurrentAddr[k] & 0xFFFF0000u) | Word(mPorts, 0x90 + 4 * k);
        mCurrentSize[k] = (int32_t)(((uint32_t)mCurrentSize[k] & 0xFFFF0000u) | Word(mPorts, 0x92 + 4 * k));
    }
    for (int32_t k = 0; k < REGIONS; k++) {
        const int64_t n = k < 3 ? number : mSongAdpcm;
        if (n < 0 || n >= (int64_t)mChunks[k].size() || mChunks[k][n].empty()) continue;
        if (k == ADPCM_REGION && mOpna == nullptr) continue;
        const std::vector<uint8_t>& chunk = mChunks[k][n];
        int64_t length = mRegionSize[k];
        const int64_t offset = k < 3 ? mCurrentOffset[k] : 0;
        if (length < 0 || offset < 0) {
            System::error("[PC88]曲データのサイズかオフセットが不正です(data%d: size %lld, offset %lld)\n", (int)k + 1,
                          (long long)length, (long long)offset);
            continue;
        }
        if (offset >= (int64_t)chunk.size()) {
            System::error("[PC88]曲データのオフセットがデータの外です(data%d: offset %lld)\n", (int)k + 1,
                          (long long)offset);
            continue;
        }
        if (offset + length > (int64_t)chunk.size()) length = (int64_t)chunk.size() - offset;
        uint8_t* dest;
        int64_t destSize;
        int64_t address;
        if (k < 3) {
            const bool toPorts = (mCurrentAddr[k] & 0x80000000u) != 0;
            dest = toPorts ? mPorts : mRam;
            destSize = toPorts ? PORT_COUNT : RAM_SIZE;
            address = mCurrentAddr[k] & 0xFFFF;
        } else {
            dest = mOpna->getAdpcmMemory();
            destSize = ADPCM_SIZE;
            address = 0;
            if (dest == nullptr) continue;
        }
        if (address >= destSize) {
            System::error("[PC88]曲データの転送先が範囲外です(data%d: 0x%08x)\n", (int)k + 1,
                          k < 3 ? (unsigned)mCurrentAddr[k] : 0u);
            continue;
        }
        if (address + length > destSize) length = destSize - address;
        memcpy(dest + address, chunk.data() + offset, (size_t)length);
        Trace("[PC88]BGM #%02x(data%d) Loaded\n", number, (int)k + 1);
    }
}

// ---- interrupt controller -------------------------------------------------

void PC88Driver::checkSoundInterrupt()
{
    const uint8_t level = (mChipInterrupt | mPorts[0x32]) & 0x80;
    if (level == 0 && mPreviousSoundLevel != 0) {
        mRequests |= 0x10;
        updateInterrupt();
    }
    mPreviousSoundLevel = level;
}

void PC88Driver::updateInterrupt()
{
    if (mCpu == nullptr) return;
    uint8_t enabled = mRequests & kEnableMask[mPorts[0xE6] & 7];
    if (mPorts[0x32] & 0x80) enabled &= ~0x10;
    enabled &= (uint8_t)~(0xFFu << (mPorts[0xE4] & 15));
    if (enabled == 0) {
        mCpu->setInterrupt(255, false, 0);
        return;
    }
    int32_t i = 0;
    while (!(enabled & (1u << i))) i++;
    mCpu->setInterrupt((uint32_t)(2 * i), true, mIntDelay);
}

void PC88Driver::onAcknowledge(void* _param, int32_t vector)
{
    PC88_CHECK(_param != NULL, );
    PC88Driver* self = static_cast<PC88Driver*>(_param);
    if (vector != 2 && vector != 4 && vector != 8) return;
    self->mPorts[0xE4] = 0;
    self->mRequests &= (uint8_t)~(1u << (vector / 2));
    self->updateInterrupt();
}

void PC88Driver::onChipInterrupt(void* _param, int32_t line, int32_t)
{
    PC88_CHECK(_param != NULL, );
    PC88Driver* self = static_cast<PC88Driver*>(_param);
    self->mChipInterrupt = line != 0 ? 0 : 0x80;
    self->checkSoundInterrupt();
}

void PC88Driver::onTimer(void* _param, int32_t id)
{
    PC88_CHECK(_param != NULL, );
    PC88Driver* self = static_cast<PC88Driver*>(_param);
    if (id == 1) self->mRequests |= 0x02;
    if (id == 2) self->mRequests |= 0x04;
    self->updateInterrupt();
}

// ---- monitor --------------------------------------------------------------

bool PC88Driver::dump(DebugMonitor* monitor, int32_t page)
{
    PC88_CHECK(monitor != NULL, false);
    monitor->putString(0, 0, "Z80:");
    if (mCpu != nullptr) mCpu->dump(5, 0, monitor);
    monitor->putString(40, 0, "INT:");
    monitor->putBinary(45, 0, mRequests, 8);
    monitor->printf(41, 1, "32H:%02X E4H:%02X E6H:%02X", mPorts[0x32], mPorts[0xE4], mPorts[0xE6]);
    monitor->clear(0, 5, 80);
    if (page == 1 || page == 2) {
        // A window near the end of its array wraps to the start rather than
        // reading past it.
        uint8_t window[256];
        uint32_t start;
        if (page == 1) {
            monitor->putString(0, 5, "MEMORY:");
            start = (uint32_t)mDebugMem & 0xFFFF;
            for (int32_t i = 0; i < 256; i++) window[i] = mRam[(start + i) & 0xFFFF];
        } else {
            monitor->putString(0, 5, "MDATA:");
            const bool toPorts = (mRegionAddr[0] & 0x80000000u) != 0;
            start = mRegionAddr[0] & (toPorts ? 0xFF : 0xFFFF);
            for (int32_t i = 0; i < 256; i++)
                window[i] = toPorts ? mPorts[(start + i) & 0xFF] : mRam[(start + i) & 0xFFFF];
        }
        monitor->putString(40, 5, "IO:");
        for (int32_t r = 0; r < 16; r++) {
            monitor->dumpHex(1, 6 + r, window + 16 * r, 16, (start + 16 * r) & 0xFFFF);
            monitor->dumpHex(41, 6 + r, mPorts + 16 * r, 16, 16 * r);
        }
        return false;
    }
    if (mOpna != nullptr) {
        monitor->printf(0, 5, "YM2608: STATUS:%02X STATUSEX:%02X", mOpna->read(0), mOpna->read(2));
        for (int32_t r = 0; r < 16; r++) {
            monitor->dumpHex(1, 6 + r, mOpna->getRegisters() + 16 * r, 16, 16 * r);
            monitor->dumpHex(41, 6 + r, mOpna->getRegisters() + 0x100 + 16 * r, 16, 0x100 + 16 * r);
        }
    } else if (mOpn != nullptr) {
        monitor->printf(0, 5, "YM2203: STATUS:%02X", mOpn->read(0));
        for (int32_t r = 0; r < 16; r++) {
            monitor->dumpHex(1, 6 + r, mOpn->getRegisters() + 16 * r, 16, 16 * r);
            monitor->clear(41, 6 + r, 37);
        }
    }
    return false;
}

// HostDeviceDriver: the machine at run time (host device, song-data copies,
// monitor pages). Loading and the CPU are in HostDeviceDriverLoad.cpp.
#include "HostDeviceDriver.h"

#include "Bus.h"
#include "Config.h"
#include "DebugMonitor.h"
#include "System.h"
#include "Trace.h"
#include "VM.h"
#include "Z80.h"

#include <cstring>

namespace {
const char kSource[] = "drivers/HostDeviceDriver.cpp";

uint16_t Word(const std::vector<uint8_t>& ports, uint32_t at)
{
    return (uint16_t)(ports[at] | (ports[at + 1] << 8));
}
}  // namespace

HostDeviceDriver::HostDeviceDriver(VM* vm, const Profile& profile)
    : mVM(vm), mProfile(profile), mTag(profile.tag), mRequestPort(0x80), mMemory(MEMORY_SIZE, 0),
      mPorts((size_t)1 << profile.portBits, 0), mMemoryBus(nullptr), mIoBus(nullptr), mCpu(nullptr), mInitPc(0),
      mBaseClock(profile.baseClock), mIntDelay(4), mSkipIdle(1), mDebugMem(0), mDebugIo(0), mVolumeFm(0),
      mSongAttr(0), mSongSample(0), mSampleMemory(nullptr), mSampleSize(0), mChunks{profile.chunkFill, {}}
{
    const uint32_t addr[DriverChunks::TABLES] = {0x4000, 0xF000, 0x4000, 0};
    const int32_t size[DriverChunks::TABLES] = {0x2000, 0x400, 0x200, 0};
    for (int32_t k = 0; k < DriverChunks::TABLES; k++) {
        mRegionAddr[k] = addr[k];
        mRegionSize[k] = size[k];
    }
    for (int32_t k = 0; k < REGIONS; k++) {
        mSongAddr[k] = addr[k];
        mSongSize[k] = size[k];
        mSongOffset[k] = 0;
    }
}

HostDeviceDriver::~HostDeviceDriver()
{
    delete mCpu;
    delete mIoBus;
    delete mMemoryBus;
}

int32_t HostDeviceDriver::variantOf(const char* const (&names)[2], const std::string& name)
{
    for (int32_t i = 0; i < 2; i++) {
        if (name == names[i]) return i;
    }
    return -1;
}

bool HostDeviceDriver::registerNames(const char* const (&names)[2], DriverFactory factory)
{
    bool ok = true;
    for (const char* name : names) ok = DriverBinder::registerFactory(name, factory) && ok;
    return ok;
}

bool HostDeviceDriver::play(int32_t code, ConfigEntry* _ent)
{
    SYSTEM_CHECK(mProfile.source, _ent != NULL, false);
    Trace("%sPlay 0x%08x\n", mTag, (unsigned)code);
    readSong(_ent);
    mPorts[mRequestPort + 1] = (uint8_t)code;
    mPorts[mRequestPort] = 1;
    return true;
}

bool HostDeviceDriver::stop()
{
    Trace("%sStop\n", mTag);
    mPorts[mRequestPort] = 2;
    return true;
}

void HostDeviceDriver::readSong(ConfigEntry* _ent)
{
    mSongAttr = _ent->getInt("attr", 0);
    if (mProfile.tables > SAMPLE_TABLE) mSongSample = _ent->getInt("adpcm", 0);
    static const char* const kAddr[REGIONS] = {"addr", "addr2", "addr3"};
    static const char* const kSize[REGIONS] = {"size", "size2", "size3"};
    static const char* const kOffset[REGIONS] = {"offset", "offset2", "offset3"};
    for (int32_t k = 0; k < REGIONS; k++) {
        mSongAddr[k] = (uint32_t)_ent->getInt(kAddr[k], (int)mRegionAddr[k]);
        mSongSize[k] = _ent->getInt(kSize[k], mRegionSize[k]);
        mSongOffset[k] = _ent->getInt(kOffset[k], 0);
    }
}

// ---- ports ----------------------------------------------------------------

void HostDeviceDriver::onWrite(uint32_t address, uint32_t value, void* _param)
{
    SYSTEM_CHECK(kSource, _param != NULL, );
    static_cast<HostDeviceDriver*>(_param)->writePort((uint16_t)address, (uint8_t)value);
}

uint32_t HostDeviceDriver::onRead(uint32_t address, void* _param)
{
    SYSTEM_CHECK(kSource, _param != NULL, 0xFF);
    return static_cast<HostDeviceDriver*>(_param)->readPort((uint16_t)address);
}

void HostDeviceDriver::setConfiguredAddressLow(int32_t region, uint16_t lowPort)
{
    mRegionAddr[region] = (mRegionAddr[region] & 0xFFFF0000u) | Word(mPorts, lowPort);
}

bool HostDeviceDriver::writeHostDevice(uint16_t address, uint8_t value)
{
    switch (address) {
    case 0x80:
    case 0x88: case 0x89: case 0x8A: case 0x8B: case 0x8C: case 0x8D: case 0x8E: case 0x8F:
        return true;
    case 0x81:
        loadSongData(value);
        return true;
    case 0x90: case 0x91: case 0x94: case 0x95: case 0x98: case 0x99:
        mPorts[address] = value;
        return true;
    case 0xB0: case 0xB1: case 0xB4: case 0xB5: case 0xB8: case 0xB9:
        mPorts[address] = value;
        setConfiguredAddressLow((address - 0xB0) / 4, address & 0xFC);
        return true;
    default:
        return false;
    }
}

bool HostDeviceDriver::readHostDevice(uint16_t address, uint8_t* value)
{
    switch (address) {
    case 0x80: {
        const uint8_t v = mPorts[0x80];
        mPorts[0x80] = 0;
        if (v == 0 && mSkipIdle != 0) mVM->idleCpu();
        if (v == 1) {
            for (int32_t i = 0; i < 4; i++) mPorts[0x8C + i] = (uint8_t)((uint32_t)mSongAttr >> (8 * i));
            for (int32_t k = 0; k < REGIONS; k++) {
                mPorts[0x90 + 4 * k] = (uint8_t)mSongAddr[k];
                mPorts[0x91 + 4 * k] = (uint8_t)(mSongAddr[k] >> 8);
                mPorts[0x92 + 4 * k] = (uint8_t)mSongSize[k];
                mPorts[0x93 + 4 * k] = (uint8_t)((uint32_t)mSongSize[k] >> 8);
            }
        }
        *value = v;
        return true;
    }
    case 0x81:
    case 0x88: case 0x89: case 0x8A: case 0x8B: case 0x8C: case 0x8D: case 0x8E: case 0x8F:
    case 0x90: case 0x91: case 0x92: case 0x93: case 0x94: case 0x95:
    case 0x96: case 0x97: case 0x98: case 0x99: case 0x9A: case 0x9B:
    case 0xB0: case 0xB1: case 0xB4: case 0xB5: case 0xB8: case 0xB9:
        *value = mPorts[address];
        return true;
    default:
        return false;
    }
}

void HostDeviceDriver::storePort(uint16_t address, uint8_t value)
{
    Trace("%s%04x OUT(%0*x) : %02x\n", mTag, mCpu != nullptr ? mCpu->getRegister(6) : 0u, (int)mProfile.portBits / 4,
          address, value);
    mPorts[address] = value;
}

uint8_t HostDeviceDriver::tracePort(uint16_t address)
{
    Trace("%s%04x IN(%0*x) : %02x\n", mTag, mCpu != nullptr ? mCpu->getRegister(6) : 0u, (int)mProfile.portBits / 4,
          address, mPorts[address]);
    return mPorts[address];
}

// OUT 0x81,n: the program has set the region words and asks for chunk n of
// each table. Every bound is checked in 64 bits: a configuration may give
// negative or huge sizes and offsets, and those copy nothing.
void HostDeviceDriver::loadSongData(uint8_t number)
{
    for (int32_t k = 0; k < REGIONS; k++) {
        mSongAddr[k] = (mSongAddr[k] & 0xFFFF0000u) | Word(mPorts, 0x90 + 4 * k);
        mSongSize[k] = (int32_t)(((uint32_t)mSongSize[k] & 0xFFFF0000u) | Word(mPorts, 0x92 + 4 * k));
    }
    for (int32_t k = 0; k < mProfile.tables; k++) {
        const bool sample = k == SAMPLE_TABLE;
        const std::vector<uint8_t>* chunk = mChunks.find(k, sample ? mSongSample : number);
        if (chunk == nullptr || (sample && mSampleMemory == nullptr)) continue;
        int64_t length = mRegionSize[k];
        const int64_t offset = sample ? 0 : mSongOffset[k];
        if (length < 0 || offset < 0) {
            System::error("%s曲データのサイズかオフセットが不正です(data%d: size %lld, offset %lld)\n", mTag, (int)k + 1,
                          (long long)length, (long long)offset);
            continue;
        }
        if (offset >= (int64_t)chunk->size()) {
            System::error("%s曲データのオフセットがデータの外です(data%d: offset %lld)\n", mTag, (int)k + 1,
                          (long long)offset);
            continue;
        }
        if (offset + length > (int64_t)chunk->size()) length = (int64_t)chunk->size() - offset;
        uint8_t* dest = mSampleMemory;
        int64_t destSize = mSampleSize;
        int64_t address = 0;
        if (!sample) {
            const bool toPorts = (mSongAddr[k] & 0x80000000u) != 0;
            dest = toPorts ? mPorts.data() : mMemory.data();
            destSize = toPorts ? (int64_t)mPorts.size() : (int64_t)MEMORY_SIZE;
            address = mSongAddr[k] & 0xFFFF;
        }
        if (address >= destSize) {
            System::error("%s曲データの転送先が範囲外です(data%d: 0x%08x)\n", mTag, (int)k + 1,
                          sample ? 0u : (unsigned)mSongAddr[k]);
            continue;
        }
        if (address + length > destSize) length = destSize - address;
        memcpy(dest + address, chunk->data() + offset, (size_t)length);
        Trace("%sBGM #%02x(data%d) Loaded\n", mTag, number, (int)k + 1);
    }
}

// ---- monitor --------------------------------------------------------------

void HostDeviceDriver::dumpCpu(DebugMonitor* monitor, uint8_t requests)
{
    monitor->putString(0, 0, "Z80:");
    if (mCpu != nullptr) mCpu->dump(5, 0, monitor);
    monitor->putString(40, 0, "INT:");
    monitor->putBinary(45, 0, requests, 8);
}

bool HostDeviceDriver::dumpMemoryPage(DebugMonitor* monitor, int32_t page)
{
    monitor->clear(0, 5, 80);
    if (page != 1 && page != 2) return false;
    // A window near the end of its array wraps to the start rather than
    // reading past it.
    const uint32_t portMask = (uint32_t)mPorts.size() - 1;
    uint8_t left[256];
    uint8_t right[256];
    uint32_t leftStart;
    uint32_t rightStart;
    if (page == 1) {
        monitor->putString(0, 5, "MEMORY:");
        leftStart = (uint32_t)mDebugMem & 0xFFFF;
        rightStart = (uint32_t)mDebugIo & portMask;
        for (int32_t i = 0; i < 256; i++) left[i] = mMemory[(leftStart + i) & 0xFFFF];
    } else {
        monitor->putString(0, 5, "MDATA:");
        const bool toPorts = (mRegionAddr[0] & 0x80000000u) != 0;
        leftStart = mRegionAddr[0] & (toPorts ? portMask : 0xFFFF);
        rightStart = 0;
        for (int32_t i = 0; i < 256; i++)
            left[i] = toPorts ? mPorts[(leftStart + i) & portMask] : mMemory[(leftStart + i) & 0xFFFF];
    }
    for (int32_t i = 0; i < 256; i++) right[i] = mPorts[(rightStart + i) & portMask];
    monitor->putString(40, 5, "IO:");
    for (int32_t r = 0; r < 16; r++) {
        monitor->dumpHex(1, 6 + r, left + 16 * r, 16, (leftStart + 16 * r) & 0xFFFF);
        monitor->dumpHex(41, 6 + r, right + 16 * r, 16, (rightStart + 16 * r) & 0xFFFF);
    }
    return true;
}

// X1Driver: the machine at run time (ports, CTC, host device, song-data
// copies, monitor). Loading is in X1DriverLoad.cpp.
#include "X1Driver.h"

#include "X1CompatDriver.h"

#include "AY38910.h"
#include "Bus.h"
#include "Config.h"
#include "DebugMonitor.h"
#include "System.h"
#include "Timer.h"
#include "Trace.h"
#include "VM.h"
#include "YM2151.h"
#include "Z80.h"

#include <cstring>

namespace {
const char kSource[] = "drivers/x1.cpp";

uint16_t Word(const std::vector<uint8_t>& ports, uint32_t at)
{
    return (uint16_t)(ports[at] | (ports[at + 1] << 8));
}

int32_t Prescaler(uint8_t control)
{
    return (control & 0x20) ? 256 : 16;
}
}  // namespace

#define X1_CHECK(cond, ret)                                     \
    do {                                                        \
        if (!(cond)) {                                          \
            System::assertFailed(kSource, __LINE__, #cond);     \
            return ret;                                         \
        }                                                       \
    } while (0)

X1Driver::X1Driver(VM* vm, int32_t variant)
    : mVariant(variant), mVM(vm), mMemory(MEMORY_SIZE, 0), mPorts(PORT_COUNT, 0), mMemoryBus(nullptr),
      mIoBus(nullptr), mCpu(nullptr), mPsg(nullptr), mOpm(nullptr), mInitPc(0), mBaseClock(4000000), mAttr(0),
      mIntDelay(4), mSkipIdle(1), mDebugMem(0), mDebugIo(0), mVolumeFm(0), mVolumePsg(0), mSongAttr(0),
      mCtcVector(0), mCtcPending(0)
{
    const uint32_t addr[REGIONS] = {0x4000, 0xF000, 0x4000};
    const int32_t size[REGIONS] = {0x2000, 0x400, 0x200};
    for (int32_t k = 0; k < REGIONS; k++) {
        mRegionAddr[k] = mSongAddr[k] = addr[k];
        mRegionSize[k] = mSongSize[k] = size[k];
        mSongOffset[k] = 0;
    }
    for (int32_t i = 0; i < CTC_CHANNELS; i++) mCtc[i] = CtcChannel{0x02, 256, 256, nullptr, 0};
}

X1Driver::~X1Driver()
{
    // The VM may outlive the driver in a test: leave no timer behind in it.
    for (int32_t i = 0; i < CTC_CHANNELS; i++) {
        if (mCtc[i].timer != nullptr) mVM->removeTimer(mCtc[i].timer);
        delete mCtc[i].timer;
    }
    delete mOpm;
    delete mPsg;
    delete mCpu;
    delete mIoBus;
    delete mMemoryBus;
}

Driver* X1Driver::create(VM* vm, const std::string& name)
{
    if (name == "x1/psg") return new X1Driver(vm, 0);
    if (name == "x1/opm") return new X1Driver(vm, 1);
    return nullptr;
}

bool RegisterX1Drivers()
{
    bool ok = DriverBinder::registerFactory("x1/psg", X1Driver::create);
    ok = DriverBinder::registerFactory("x1/opm", X1Driver::create) && ok;
    return RegisterX1CompatDrivers() && ok;
}

bool X1Driver::play(int32_t code, ConfigEntry* _ent)
{
    X1_CHECK(_ent != NULL, false);
    Trace("[X1]Play 0x%08x\n", (unsigned)code);
    mSongAttr = _ent->getInt("attr", 0);
    static const char* const kAddr[REGIONS] = {"addr", "addr2", "addr3"};
    static const char* const kSize[REGIONS] = {"size", "size2", "size3"};
    static const char* const kOffset[REGIONS] = {"offset", "offset2", "offset3"};
    for (int32_t k = 0; k < REGIONS; k++) {
        mSongAddr[k] = (uint32_t)_ent->getInt(kAddr[k], (int)mRegionAddr[k]);
        mSongSize[k] = _ent->getInt(kSize[k], mRegionSize[k]);
        mSongOffset[k] = _ent->getInt(kOffset[k], 0);
    }
    mPorts[0x81] = (uint8_t)code;
    mPorts[0x80] = 1;
    return true;
}

bool X1Driver::stop()
{
    Trace("[X1]Stop\n");
    mPorts[0x80] = 2;
    return true;
}

int64_t X1Driver::getCtcPeriod(int32_t channel) const
{
    return mCtc[channel].timer != nullptr ? mCtc[channel].timer->getPeriod() : 0;
}

// ---- ports ----------------------------------------------------------------

void X1Driver::onWrite(uint32_t address, uint32_t value, void* _param)
{
    X1_CHECK(_param != NULL, );
    static_cast<X1Driver*>(_param)->writePort((uint16_t)address, (uint8_t)value);
}

uint32_t X1Driver::onRead(uint32_t address, void* _param)
{
    X1_CHECK(_param != NULL, 0xFF);
    return static_cast<X1Driver*>(_param)->readPort((uint16_t)address);
}

void X1Driver::storeRegionWords(int32_t at)
{
    for (int32_t k = 0; k < REGIONS; k++) {
        const uint16_t a = (uint16_t)mRegionAddr[k];
        const uint16_t s = (uint16_t)mRegionSize[k];
        mPorts[at + 4 * k] = (uint8_t)a;
        mPorts[at + 4 * k + 1] = (uint8_t)(a >> 8);
        mPorts[at + 4 * k + 2] = (uint8_t)s;
        mPorts[at + 4 * k + 3] = (uint8_t)(s >> 8);
    }
}

void X1Driver::setOptionAddressLow(int32_t region, uint16_t lowPort)
{
    mRegionAddr[region] = (mRegionAddr[region] & 0xFFFF0000u) | Word(mPorts, lowPort);
}

void X1Driver::writePort(uint16_t address, uint8_t value)
{
    if (!writeMachinePort(address, value)) writeHostPort(address, value);
}

uint8_t X1Driver::readPort(uint16_t address)
{
    uint8_t value;
    return readMachinePort(address, &value) ? value : readHostPort(address);
}

bool X1Driver::writeMachinePort(uint16_t address, uint8_t value)
{
    if (address >= 0x1B00 && address <= 0x1CFF) {
        if (mPsg != nullptr) mPsg->write((uint8_t)(address >> 8), value);
        return true;
    }
    if (address >= 0x1FA0 && address <= 0x1FA3) {
        ctcWrite(address & 3, value);
        return true;
    }
    if (address == 0x0700 || address == 0x0701 || (address >= 0x0704 && address <= 0x0707)) {
        if (mVariant == 0) return true;
        if (address >= 0x0704) ctcWrite(address & 3, value);
        else if (mOpm != nullptr) mOpm->write(address & 1, value);
        return true;
    }
    return false;
}

bool X1Driver::readMachinePort(uint16_t address, uint8_t* value)
{
    if (address >= 0x1B00 && address <= 0x1CFF) {
        *value = mPsg != nullptr ? mPsg->read((uint8_t)(address >> 8)) : 0;
        return true;
    }
    if (address >= 0x1FA0 && address <= 0x1FA3) {
        *value = ctcRead(address & 3);
        return true;
    }
    if (address == 0x0700 || address == 0x0701 || (address >= 0x0704 && address <= 0x0707)) {
        if (mVariant == 0) *value = 0;
        else if (address >= 0x0704) *value = ctcRead(address & 3);
        else *value = mOpm != nullptr ? mOpm->read(address & 1) : 0;
        return true;
    }
    return false;
}

void X1Driver::writeHostPort(uint16_t address, uint8_t value)
{
    switch (address) {
    case 0x80:
    case 0x88: case 0x89: case 0x8A: case 0x8B: case 0x8C: case 0x8D: case 0x8E: case 0x8F:
        return;
    case 0x81:
        loadSongData(value);
        return;
    case 0x90: case 0x91: case 0x94: case 0x95: case 0x98: case 0x99:
        mPorts[address] = value;
        return;
    case 0xB0: case 0xB1:
        mPorts[address] = value;
        setOptionAddressLow(0, 0xB0);
        return;
    case 0xB4: case 0xB5:
        mPorts[address] = value;
        setOptionAddressLow(1, 0xB4);
        return;
    case 0xB8: case 0xB9:
        mPorts[address] = value;
        setOptionAddressLow(2, 0xB8);
        return;
    default:
        Trace("[X1]%04x OUT(%04x) : %02x\n", mCpu != nullptr ? mCpu->getRegister(6) : 0u, address, value);
        mPorts[address] = value;
        return;
    }
}

uint8_t X1Driver::readHostPort(uint16_t address)
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
        return v;
    }
    case 0x81:
    case 0x88: case 0x89: case 0x8A: case 0x8B: case 0x8C: case 0x8D: case 0x8E: case 0x8F:
    case 0x90: case 0x91: case 0x92: case 0x93: case 0x94: case 0x95:
    case 0x96: case 0x97: case 0x98: case 0x99: case 0x9A: case 0x9B:
    case 0xB0: case 0xB1: case 0xB4: case 0xB5: case 0xB8: case 0xB9:
        return mPorts[address];
    default:
        Trace("[X1]%04x IN(%04x) : %02x\n", mCpu != nullptr ? mCpu->getRegister(6) : 0u, address, mPorts[address]);
        return mPorts[address];
    }
}

// OUT 0x81,n: the program has set the region words and asks for chunk n of
// each table. Every bound is checked in 64 bits: a configuration may give
// negative or huge sizes and offsets, and those copy nothing.
void X1Driver::loadSongData(uint8_t number)
{
    for (int32_t k = 0; k < REGIONS; k++) {
        mSongAddr[k] = (mSongAddr[k] & 0xFFFF0000u) | Word(mPorts, 0x90 + 4 * k);
        mSongSize[k] = (int32_t)(((uint32_t)mSongSize[k] & 0xFFFF0000u) | Word(mPorts, 0x92 + 4 * k));
    }
    for (int32_t k = 0; k < REGIONS; k++) {
        if (number >= mChunks[k].size() || mChunks[k][number].empty()) continue;
        const std::vector<uint8_t>& chunk = mChunks[k][number];
        int64_t length = mRegionSize[k];
        const int64_t offset = mSongOffset[k];
        if (length < 0 || offset < 0) {
            System::error("[X1]曲データのサイズかオフセットが不正です(data%d: size %lld, offset %lld)\n", (int)k + 1,
                          (long long)length, (long long)offset);
            continue;
        }
        if (offset >= (int64_t)chunk.size()) {
            System::error("[X1]曲データのオフセットがデータの外です(data%d: offset %lld)\n", (int)k + 1,
                          (long long)offset);
            continue;
        }
        if (offset + length > (int64_t)chunk.size()) length = (int64_t)chunk.size() - offset;
        const bool toPorts = (mSongAddr[k] & 0x80000000u) != 0;
        uint8_t* dest = toPorts ? mPorts.data() : mMemory.data();
        const int64_t address = mSongAddr[k] & 0xFFFF;
        if (address + length > 0x10000) length = 0x10000 - address;
        memcpy(dest + address, chunk.data() + offset, (size_t)length);
        Trace("[X1]BGM #%02x(data%d) Loaded\n", number, (int)k + 1);
    }
}

// ---- CTC ------------------------------------------------------------------

void X1Driver::ctcWrite(int32_t i, uint8_t value)
{
    CtcChannel& ch = mCtc[i];
    if (ch.control & 0x04) {
        ch.constant = value == 0 ? 256 : value;
        ch.control &= (uint8_t)~0x06;
    } else if ((value & 1) == 0) {
        if (i == 0) mCtcVector = value & 0xF8;
        return;
    } else {
        ch.control = value;
    }
    ch.counter = ch.constant;
    if (ch.control & 0x04) return;
    if (ch.timer == nullptr) return;
    int64_t period;
    if (!(ch.control & 0x40)) {
        period = (int64_t)Prescaler(ch.control) * ch.constant / 4;
    } else if (i == 1 || i == 2) {
        period = ch.constant / 2;
    } else {
        mVM->removeTimer(ch.timer);
        return;
    }
    // A period of 0 would fire the timer for ever at one instant.
    if (period < 1) period = 1;
    ch.timer->setPeriod(period, true);
    mVM->addTimer(ch.timer);
    // The running slice was cut to the expiry known when it began; end it
    // here so that the new, possibly earlier, expiry counts from now.
    mVM->stopCpu();
}

uint8_t X1Driver::ctcRead(int32_t i)
{
    const CtcChannel& ch = mCtc[i];
    const int64_t now = mVM != nullptr ? mVM->getTime() : 0;
    int64_t v;
    if (!(ch.control & 0x40)) v = ch.constant + (ch.lastTick - now) * 4 / Prescaler(ch.control);
    else if (i == 1 || i == 2) v = ch.constant + (ch.lastTick - now) * 2;
    else return (uint8_t)ch.counter;
    if (v < 0) v = 0;
    return (uint8_t)v;
}

void X1Driver::ctcTick(int32_t i)
{
    CtcChannel& ch = mCtc[i];
    if (ch.control & 0x80) {
        mCtcPending |= (uint8_t)(1u << i);
        updateInterrupt();
    }
    ch.counter = ch.constant;
    if (i == 0) {
        CtcChannel& c3 = mCtc[3];
        if (c3.control & 0x40) {
            c3.counter--;
            if (c3.counter == 0) {
                if (c3.control & 0x80) {
                    mCtcPending |= 0x08;
                    updateInterrupt();
                }
                c3.counter = c3.constant;
            }
        }
    }
    ch.lastTick = mVM->getTime();
}

void X1Driver::updateInterrupt()
{
    if (mCpu == nullptr) return;
    if (mCtcPending == 0) {
        mCpu->setInterrupt(0xFF, false, 0);
        return;
    }
    int32_t i = 0;
    while (!(mCtcPending & (1u << i))) i++;
    mCpu->setInterrupt((uint32_t)(mCtcVector + 2 * i), true, mIntDelay);
}

void X1Driver::onAcknowledge(void* _param, int32_t vector)
{
    X1_CHECK(_param != NULL, );
    X1Driver* self = static_cast<X1Driver*>(_param);
    const int32_t i = (vector - self->mCtcVector) / 2;
    if (i < 0 || i >= CTC_CHANNELS) return;
    self->mCtcPending &= (uint8_t)~(1u << i);
    self->updateInterrupt();
}

void X1Driver::onTimer(void* _param, int32_t id)
{
    X1_CHECK(_param != NULL, );
    if (id < 1 || id > CTC_CHANNELS) return;
    static_cast<X1Driver*>(_param)->ctcTick(id - 1);
}

// ---- monitor --------------------------------------------------------------

bool X1Driver::dump(DebugMonitor* monitor, int32_t page)
{
    X1_CHECK(monitor != NULL, false);
    monitor->putString(0, 0, "Z80:");
    if (mCpu != nullptr) mCpu->dump(5, 0, monitor);
    monitor->putString(40, 0, "INT:");
    monitor->putBinary(45, 0, mCtcPending, 8);
    monitor->printf(40, 1, "CTC:  CTC0  CTC1  CTC2  CTC3 Vec:%02X", mCtcVector);
    monitor->printf(40, 2, "  CR:   %02X    %02X    %02X    %02X", mCtc[0].control, mCtc[1].control, mCtc[2].control,
                    mCtc[3].control);
    monitor->printf(40, 3, "  TC: %04X  %04X  %04X  %04X", mCtc[0].constant, mCtc[1].constant, mCtc[2].constant,
                    mCtc[3].constant);
    monitor->printf(40, 4, "      %04X  %04X  %04X  %04X", ctcRead(0), ctcRead(1), ctcRead(2), ctcRead(3));
    monitor->clear(0, 5, 80);
    if (page == 1 || page == 2) {
        // A window near the end of the address space wraps to the start
        // rather than reading past the array.
        uint8_t left[256];
        uint8_t right[256];
        uint32_t leftStart;
        uint32_t rightStart;
        if (page == 1) {
            monitor->putString(0, 5, "MEMORY:");
            leftStart = mDebugMem;
            rightStart = mDebugIo;
            for (int32_t i = 0; i < 256; i++) left[i] = mMemory[(leftStart + i) & 0xFFFF];
        } else {
            monitor->putString(0, 5, "MDATA:");
            const bool toPorts = (mRegionAddr[0] & 0x80000000u) != 0;
            leftStart = mRegionAddr[0] & 0xFFFF;
            rightStart = 0;
            for (int32_t i = 0; i < 256; i++) left[i] = (toPorts ? mPorts : mMemory)[(leftStart + i) & 0xFFFF];
        }
        for (int32_t i = 0; i < 256; i++) right[i] = mPorts[(rightStart + i) & 0xFFFF];
        monitor->putString(40, 5, "IO:");
        for (int32_t r = 0; r < 16; r++) {
            monitor->dumpHex(1, 6 + r, left + 16 * r, 16, (leftStart + 16 * r) & 0xFFFF);
            monitor->dumpHex(41, 6 + r, right + 16 * r, 16, (rightStart + 16 * r) & 0xFFFF);
        }
        return false;
    }
    if (mOpm != nullptr) {
        monitor->printf(0, 5, "YM2151: STATUS:%02X", mOpm->read(0));
        for (int32_t r = 0; r < 16; r++) monitor->dumpHex(1, 6 + r, mOpm->getRegisters() + 16 * r, 16, 16 * r);
    } else {
        monitor->putString(0, 5, "YM2151: NONE");
        for (int32_t r = 0; r < 16; r++) monitor->clear(1, 6 + r, 37);
    }
    monitor->putString(40, 5, "AY-3-8910:");
    if (mPsg != nullptr) monitor->dumpHex(41, 6, mPsg->getRegisters(), 16, 0);
    for (int32_t r = 1; r < 16; r++) monitor->clear(41, 6 + r, 37);
    return false;
}

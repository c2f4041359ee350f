// PC88Driver: the machine at run time (sound ports, interrupt controller,
// monitor). Loading and building the machine are in PC88DriverLoad.cpp.
#include "PC88Driver.h"


#include "DebugMonitor.h"
#include "System.h"
#include "Timer.h"
#include "VM.h"
#include "YM2203.h"
#include "YM2608.h"
#include "Z80.h"

#include <cstring>

namespace {
const char kSource[] = "drivers/PC88Driver.cpp";

const HostDeviceDriver::Profile kProfile = {
    "[PC88]", kSource, 8, DriverChunks::TABLES, DriverChunks::FILL_ENDS_WITH_FILE, HostDeviceDriver::PATCH_REQUIRED,
    7987200,
};


// Port 0xE6 AND 7 -> the request bits it lets through. Bit 0 enables the
// 600 Hz request (bit 2), bit 1 the 60 Hz request (bit 1), bit 2 request
// bit 0; bits 3-7 always pass.
const uint8_t kEnableMask[8] = {0xF8, 0xFC, 0xFA, 0xFE, 0xF9, 0xFD, 0xFB, 0xFF};

// The driver behind a handler's context (the machine's handlers get the
// driver as its HostDeviceDriver).
PC88Driver* Self(void* _param)
{
    return static_cast<PC88Driver*>(static_cast<HostDeviceDriver*>(_param));
}
}  // namespace

PC88Driver::PC88Driver(VM* vm, bool opna) : PC88Driver(vm, opna, kProfile)
{
}

PC88Driver::PC88Driver(VM* vm, bool opna, const Profile& profile)
    : HostDeviceDriver(vm, profile), mOpnaFlag(opna), mOpn(nullptr), mOpna(nullptr), mTimer1(nullptr),
      mTimer2(nullptr), mAdpcm(ADPCM_SIZE, 0), mRequests(0), mChipInterrupt(0x80), mPreviousSoundLevel(0x80),
      mUsePcmX8(0), mVolumeSsg(0), mVolumeAdpcm(0), mVolumeRhythm(0), mMakeTimer1(true), mMakeTimer2(true)
{
    memset(mPorts.data(), 0xFF, 0x0F);
    mPorts[0x32] = 0x80;
    for (int32_t i = 0; i < 6; i++) mVolumeRhythmInstrument[i] = 0;
    mRegionSize[SAMPLE_TABLE] = ADPCM_SIZE;
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
}

const char* const PC88Driver::NAMES[2] = {"pc88/opn", "pc88/opna"};

Driver* PC88Driver::create(VM* vm, const std::string& name)
{
    const int32_t variant = variantOf(NAMES, name);
    return variant < 0 ? nullptr : new PC88Driver(vm, variant == 1);
}


// ---- ports ----------------------------------------------------------------

void PC88Driver::writePort(uint16_t address, uint8_t value)
{
    const uint8_t port = (uint8_t)address;
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
    case 0xA8: case 0xA9: case 0xAA: case 0xAC: case 0xAD:
        return;
    case 0xE4: case 0xE6:
        mPorts[port] = value;
        updateInterrupt();
        return;
    default:
        if (!writeHostDevice(port, value)) storePort(port, value);
        return;
    }
}

uint8_t PC88Driver::readPort(uint16_t address)
{
    const uint8_t port = (uint8_t)address;
    uint8_t value;
    switch (port) {
    case 0x44: case 0x45: case 0x46: case 0x47:
        if (mOpna != nullptr) return mOpna->read(port & 3);
        if (mOpn != nullptr) return mOpn->read(port & 3);
        return 0xFF;
    case 0xA8: case 0xA9: case 0xAA: case 0xAC: case 0xAD: case 0xE4: case 0xE6:
        return 0xFF;
    case 0x32: case 0x5C:
        return mPorts[port];
    default:
        return readHostDevice(port, &value) ? value : tracePort(port);
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
    SYSTEM_CHECK(kSource, _param != NULL, );
    PC88Driver* self = Self(_param);
    if (vector != 2 && vector != 4 && vector != 8) return;
    self->mPorts[0xE4] = 0;
    self->mRequests &= (uint8_t)~(1u << (vector / 2));
    self->updateInterrupt();
}

void PC88Driver::onChipInterrupt(void* _param, int32_t line, int32_t)
{
    SYSTEM_CHECK(kSource, _param != NULL, );
    PC88Driver* self = Self(_param);
    self->mChipInterrupt = line != 0 ? 0 : 0x80;
    self->checkSoundInterrupt();
}

void PC88Driver::onTimer(void* _param, int32_t id)
{
    SYSTEM_CHECK(kSource, _param != NULL, );
    PC88Driver* self = Self(_param);
    if (id == 1) self->mRequests |= 0x02;
    if (id == 2) self->mRequests |= 0x04;
    self->updateInterrupt();
}

// ---- monitor --------------------------------------------------------------

bool PC88Driver::dump(DebugMonitor* monitor, int32_t page)
{
    SYSTEM_CHECK(kSource, monitor != NULL, false);
    dumpCpu(monitor, mRequests);
    monitor->printf(41, 1, "32H:%02X E4H:%02X E6H:%02X", mPorts[0x32], mPorts[0xE4], mPorts[0xE6]);
    if (dumpMemoryPage(monitor, page)) return false;
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

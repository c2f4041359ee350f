// X1Driver: the machine at run time (chips, CTC, monitor). Loading and
// building the machine are in X1DriverLoad.cpp.
#include "X1Driver.h"


#include "AY38910.h"
#include "DebugMonitor.h"
#include "System.h"
#include "Timer.h"
#include "VM.h"
#include "YM2151.h"
#include "Z80.h"

namespace {
const char kSource[] = "drivers/x1.cpp";

const HostDeviceDriver::Profile kProfile = {
    "[X1]", kSource, 16, HostDeviceDriver::REGIONS, DriverChunks::FILL_ONLY_GROWS, HostDeviceDriver::PATCH_OPTIONAL,
    4000000,
};


int32_t Prescaler(uint8_t control)
{
    return (control & 0x20) ? 256 : 16;
}

// The driver behind a handler's context (the machine's handlers get the
// driver as its HostDeviceDriver).
X1Driver* Self(void* _param)
{
    return static_cast<X1Driver*>(static_cast<HostDeviceDriver*>(_param));
}
}  // namespace

X1Driver::X1Driver(VM* vm, int32_t variant) : X1Driver(vm, variant, kProfile)
{
}

X1Driver::X1Driver(VM* vm, int32_t variant, const Profile& profile)
    : HostDeviceDriver(vm, profile), mVariant(variant), mPsg(nullptr), mOpm(nullptr), mAttr(0), mVolumePsg(0),
      mCpuHandlers{onWrite, onRead, onAcknowledge}, mTimerHandler(onTimer), mCtcVector(0), mCtcPending(0),
      mRaisedVector(-1)
{
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
}

const char* const X1Driver::NAMES[2] = {"x1/psg", "x1/opm"};

Driver* X1Driver::create(VM* vm, const std::string& name)
{
    const int32_t variant = variantOf(NAMES, name);
    return variant < 0 ? nullptr : new X1Driver(vm, variant);
}


int64_t X1Driver::getCtcPeriod(int32_t channel) const
{
    return mCtc[channel].timer != nullptr ? mCtc[channel].timer->getPeriod() : 0;
}

// ---- ports ----------------------------------------------------------------

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

// The device an address selects: the AY-3-8910 (0x1Bxx data, 0x1Cxx
// register select), the CTC (0x1FA0-0x1FA3, and 0x0704-0x0707 with the
// YM2151), the YM2151 (0x0700/0x0701); the YM2151's addresses do nothing
// in the PSG variant. Anything else is the host device's.
X1Driver::Device X1Driver::deviceAt(uint16_t address) const
{
    if (address >= 0x1B00 && address <= 0x1CFF) return DEVICE_PSG;
    if (address >= 0x1FA0 && address <= 0x1FA3) return DEVICE_CTC;
    if (address == 0x0700 || address == 0x0701 || (address >= 0x0704 && address <= 0x0707)) {
        if (mVariant == 0) return DEVICE_ABSENT;
        return address >= 0x0704 ? DEVICE_CTC : DEVICE_OPM;
    }
    return DEVICE_HOST;
}

void X1Driver::writePort(uint16_t address, uint8_t value)
{
    switch (deviceAt(address)) {
    case DEVICE_PSG:
        if (mPsg != nullptr) mPsg->write((uint8_t)(address >> 8), value);
        return;
    case DEVICE_CTC:
        ctcWrite(address & 3, value);
        return;
    case DEVICE_OPM:
        if (mOpm != nullptr) mOpm->write(address & 1, value);
        return;
    case DEVICE_ABSENT:
        return;
    default:
        writeHostPort(address, value);
        return;
    }
}

uint8_t X1Driver::readPort(uint16_t address)
{
    switch (deviceAt(address)) {
    case DEVICE_PSG: return mPsg != nullptr ? mPsg->read((uint8_t)(address >> 8)) : 0;
    case DEVICE_CTC: return ctcRead(address & 3);
    case DEVICE_OPM: return mOpm != nullptr ? mOpm->read(address & 1) : 0;
    case DEVICE_ABSENT: return 0;
    default: return readHostPort(address);
    }
}

void X1Driver::writeHostPort(uint16_t address, uint8_t value)
{
    if (!writeHostDevice(address, value)) storePort(address, value);
}

uint8_t X1Driver::readHostPort(uint16_t address)
{
    uint8_t value;
    return readHostDevice(address, &value) ? value : tracePort(address);
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
        mRaisedVector = -1;
        mCpu->setInterrupt(0xFF, false, 0);
        return;
    }
    int32_t i = 0;
    while (!(mCtcPending & (1u << i))) i++;
    const int32_t vector = mCtcVector + 2 * i;
    // The line is a level: a request already up with this vector keeps its
    // delay counting down. Raising it again would restart the delay, and a
    // channel that ticks as often as the delay lasts would never be served.
    if (vector == mRaisedVector) return;
    mRaisedVector = vector;
    mCpu->setInterrupt((uint32_t)vector, true, mIntDelay);
}

void X1Driver::onAcknowledge(void* _param, int32_t vector)
{
    SYSTEM_CHECK(kSource, _param != NULL, );
    X1Driver* self = Self(_param);
    const int32_t i = (vector - self->mCtcVector) / 2;
    if (i < 0 || i >= CTC_CHANNELS) return;
    self->mCtcPending &= (uint8_t)~(1u << i);
    self->updateInterrupt();
}

void X1Driver::onTimer(void* _param, int32_t id)
{
    SYSTEM_CHECK(kSource, _param != NULL, );
    if (id < 1 || id > CTC_CHANNELS) return;
    Self(_param)->ctcTick(id - 1);
}

// ---- monitor --------------------------------------------------------------

bool X1Driver::dump(DebugMonitor* monitor, int32_t page)
{
    SYSTEM_CHECK(kSource, monitor != NULL, false);
    dumpCpu(monitor, mCtcPending);
    monitor->printf(40, 1, "CTC:  CTC0  CTC1  CTC2  CTC3 Vec:%02X", mCtcVector);
    monitor->printf(40, 2, "  CR:   %02X    %02X    %02X    %02X", mCtc[0].control, mCtc[1].control, mCtc[2].control,
                    mCtc[3].control);
    monitor->printf(40, 3, "  TC: %04X  %04X  %04X  %04X", mCtc[0].constant, mCtc[1].constant, mCtc[2].constant,
                    mCtc[3].constant);
    monitor->printf(40, 4, "      %04X  %04X  %04X  %04X", ctcRead(0), ctcRead(1), ctcRead(2), ctcRead(3));
    if (dumpMemoryPage(monitor, page)) return false;
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

// X1CompatDriver: its options, handlers and host ports. The slots are
// CompatDriver's; the machine is built and run by X1Driver.
#include "X1CompatDriver.h"

#include "Config.h"
#include "System.h"

namespace {
const char kSource[] = "drivers/x1compat.cpp";

const HostDeviceDriver::Profile kProfile = {
    "[X1C]", kSource, 16, HostDeviceDriver::REGIONS, DriverChunks::FILL_ONLY_GROWS, HostDeviceDriver::PATCH_NONE,
    4000000,
};
const DriverSlots kSlots = {DriverSlots::COPY_FROM_START, 0x4000, 0x2000, 0x2000, 64, 0xE000, 0x400, 0x400,
                            {}, {}, {}, {}};
}  // namespace

X1CompatDriver::X1CompatDriver(VM* vm, int32_t variant) : CompatDriver(vm, variant, kProfile, kSlots, 0x0F)
{
    // The games' sound programs were written for a 4 MHz Z80 that takes an
    // interrupt at once; the chips keep their default volumes.
    mIntDelay = 0;
    mCpuHandlers = CpuHandlers{onWrite, onRead, onAcknowledge};
    mTimerHandler = onTimer;
}

const char* const X1CompatDriver::NAMES[2] = {"x1/psg/compat", "x1/opm/compat"};

Driver* X1CompatDriver::create(VM* vm, const std::string& name)
{
    const int32_t variant = variantOf(NAMES, name);
    return variant < 0 ? nullptr : new X1CompatDriver(vm, variant);
}

bool X1CompatDriver::readOptions(ConfigSection* section)
{
    mDebugIo = section->getInt("debug_io", mDebugIo);
    return CompatDriver::readOptions(section);
}

// ---- ports ----------------------------------------------------------------

void X1CompatDriver::onWrite(uint32_t address, uint32_t value, void* _param)
{
    SYSTEM_CHECK(kSource, _param != NULL, );
    HostDeviceDriver::onWrite(address, value, _param);
}

uint32_t X1CompatDriver::onRead(uint32_t address, void* _param)
{
    SYSTEM_CHECK(kSource, _param != NULL, 0xFF);
    return HostDeviceDriver::onRead(address, _param);
}

void X1CompatDriver::onAcknowledge(void* _param, int32_t vector)
{
    SYSTEM_CHECK(kSource, _param != NULL, );
    X1Driver::onAcknowledge(_param, vector);
}

void X1CompatDriver::onTimer(void* _param, int32_t id)
{
    SYSTEM_CHECK(kSource, _param != NULL, );
    X1Driver::onTimer(_param, id);
}

void X1CompatDriver::writeHostPort(uint16_t address, uint8_t value)
{
    if (address == 0x0001) loadSong(value);
    else storePort(address, value);
}

uint8_t X1CompatDriver::readHostPort(uint16_t address)
{
    return address == 0x0000 ? readRequest() : tracePort(address);
}

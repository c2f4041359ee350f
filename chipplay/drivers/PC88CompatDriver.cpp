// PC88CompatDriver: its options, files and port routing. The slots are
// CompatDriver's; the machine is built and run by PC88Driver.
#include "PC88CompatDriver.h"

#include "Config.h"
#include "File.h"

namespace {
const HostDeviceDriver::Profile kProfile = {
    "[PC88C]", "drivers/PC88CompatDriver.cpp", 8, DriverChunks::TABLES, DriverChunks::FILL_ENDS_WITH_FILE,
    HostDeviceDriver::PATCH_NONE, 7987200,
};
const DriverSlots kSlots = {DriverSlots::COPY_FROM_OFFSET, 0x4000, 0x2000, 0x2000, 64, 0xF000, 0x400, 0x400,
                            {}, {}, {}, {}};
}  // namespace

PC88CompatDriver::PC88CompatDriver(VM* vm, bool opna) : CompatDriver(vm, opna, kProfile, kSlots, 0x80)
{
    // The host device lives on ports 0x00-0x02; every request below level 7
    // passes until the first acknowledge.
    mPorts[0x00] = mPorts[0x01] = mPorts[0x02] = 0;
    mPorts[0x32] = 0;
    mPorts[0xE4] = 7;
    mPorts[0xE6] = 0;
    // The games' sound code reads which chip it drives here.
    mMemory[0x79D7] = opna ? '9' : '4';
    mMakeTimer1 = false;
    mMakeTimer2 = false;
}

const char* const PC88CompatDriver::NAMES[2] = {"pc88/opn/compat", "pc88/opna/compat"};

Driver* PC88CompatDriver::create(VM* vm, const std::string& name)
{
    const int32_t variant = variantOf(NAMES, name);
    return variant < 0 ? nullptr : new PC88CompatDriver(vm, variant == 1);
}

bool PC88CompatDriver::readOptions(ConfigSection* section)
{
    mMakeTimer2 = section->getInt("use_rtc", 0) != 0;
    mMakeTimer1 = section->getInt("use_vrtc", 0) != 0;
    mUsePcmX8 = section->getInt("use_pcmx8", 0);
    mIntDelay = section->getInt("int_delay", 4);
    return CompatDriver::readOptions(section);
}

void PC88CompatDriver::loadFileEntry(ConfigEntry* ent, const std::string& name, const std::string& type, File* file)
{
    if (type == "adpcm") readAdpcm(file, name, ent->getInt("offset", 0));
    else CompatDriver::loadFileEntry(ent, name, type, file);
}

void PC88CompatDriver::writePort(uint16_t address, uint8_t value)
{
    const uint8_t port = (uint8_t)address;
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
        storePort(port, value);
        return;
    }
}

uint8_t PC88CompatDriver::readPort(uint16_t address)
{
    const uint8_t port = (uint8_t)address;
    switch (port) {
    case 0x00:
        return readRequest();
    case 0x44: case 0x45: case 0x46: case 0x47:
    case 0xA8: case 0xA9: case 0xAA: case 0xAC: case 0xAD: case 0xE4: case 0xE6:
        return PC88Driver::readPort(port);
    default:
        return mPorts[port];
    }
}

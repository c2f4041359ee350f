// PC88CompatDriver: PC-8801 music whose data comes as numbered song files
// and voice files of fixed size ("pc88/opn/compat": YM2203,
// "pc88/opna/compat": YM2608). The machine (Z80, RAM, FM chip, interrupt
// controller) is PC88Driver's, the song slots and their host device
// CompatDriver's; this variant has its own defaults, optional timers, ADPCM
// files and a song offset.
//
// Host device (CompatDriver.h): ports 0x00 and 0x01; the song attribute on
// port 0x80. A song entry's "offset" is where its copy starts in the slot.
// Every port but the sound ports and the interrupt controller's keeps the
// last byte written.
#pragma once

#include "CompatDriver.h"
#include "PC88Driver.h"

#include <cstdint>
#include <string>

class PC88CompatDriver : public CompatDriver<PC88Driver> {
public:
    // "pc88/opn/compat" (YM2203) and "pc88/opna/compat" (YM2608), which
    // RegisterPC88Drivers registers.
    static const char* const NAMES[2];

    PC88CompatDriver(VM* vm, bool opna);

    // The factory for NAMES; null for any other name.
    static Driver* create(VM* vm, const std::string& name);

    // State for tests.
    bool hasTimer1() const { return mTimer1 != nullptr; }
    bool hasTimer2() const { return mTimer2 != nullptr; }

protected:
    // use_rtc, use_vrtc, use_pcmx8 and int_delay besides the slots' keys.
    bool readOptions(ConfigSection* section) override;
    // "adpcm" files besides the slots' types.
    void loadFileEntry(ConfigEntry* ent, const std::string& name, const std::string& type, File* file) override;
    void writePort(uint16_t address, uint8_t value) override;
    uint8_t readPort(uint16_t address) override;
};

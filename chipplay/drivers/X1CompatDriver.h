// X1CompatDriver: X1 music whose data comes as numbered song files and voice
// files of fixed size ("x1/psg/compat": AY-3-8910, "x1/opm/compat": YM2151
// and AY-3-8910). The machine (Z80, 64 KB memory and I/O space, the chips,
// the CTC and its interrupts, the monitor pages) is X1Driver's, the song
// slots and their host device CompatDriver's; this variant has its own
// defaults, a fixed 4 MHz Z80, the chips' default volumes and no interrupt
// delay.
//
//   RegisterX1Drivers();                         // registers these names too
//   vm->load(config, archive);                   // [info] driver=x1/opm/compat
//   vm->play(code, songEntry);                   // port 0x00 = 1, 0x01 = code
//
// Host device (CompatDriver.h): 16-bit I/O addresses 0x0000 and 0x0001; the
// song entry's "attr" on 0x000F. A song copy takes "mdata_size" bytes from
// the start of the slot. Every other address outside the chips and the CTC
// keeps its last byte.
#pragma once

#include "CompatDriver.h"
#include "X1Driver.h"

#include <cstdint>
#include <string>

class X1CompatDriver : public CompatDriver<X1Driver> {
public:
    // "x1/psg/compat" (variant 0) and "x1/opm/compat" (variant 1), which
    // RegisterX1Drivers registers.
    static const char* const NAMES[2];

    X1CompatDriver(VM* vm, int32_t variant);

    // The factory for NAMES; null for any other name.
    static Driver* create(VM* vm, const std::string& name);

    // The handlers the machine calls (context: the driver); they report a
    // missing context under this driver's name and go on as X1Driver's.
    static void onWrite(uint32_t address, uint32_t value, void* _param);
    static uint32_t onRead(uint32_t address, void* _param);
    static void onAcknowledge(void* _param, int32_t vector);
    static void onTimer(void* _param, int32_t id);

protected:
    // debug_io besides the slots' keys.
    bool readOptions(ConfigSection* section) override;
    void writeHostPort(uint16_t address, uint8_t value) override;
    uint8_t readHostPort(uint16_t address) override;
};

// X1CompatDriver: X1 music whose data comes as numbered song files and voice
// files of fixed size ("x1/psg/compat": AY-3-8910, "x1/opm/compat": YM2151
// and AY-3-8910). The machine (Z80, 64 KB memory and I/O space, the chips,
// the CTC and its interrupts, the monitor pages) is X1Driver's; this variant
// has its own configuration, a simpler host device, a fixed 4 MHz Z80, the
// chips' default volumes and no interrupt delay.
//
//   RegisterX1Drivers();                         // registers these names too
//   vm->load(config, archive);                   // [info] driver=x1/opm/compat
//   vm->play(code, songEntry);                   // port 0x00 = 1, 0x01 = code
//
// Host device (16-bit I/O addresses):
//   0x0000  1 play request, 2 stop request, 0 answered; every read idles
//           the CPU until its next event and does not clear the request
//   0x0001  song code on a play request; OUT n copies song slot n to
//           mdata_addr (and voice slot n to vdata_addr when it was given)
//           and clears 0x0000; OUT 0xFF acknowledges a stop
//   0x000F  the song entry's "attr" (low byte)
// Every other address outside the chips and the CTC keeps its last byte.
#pragma once

#include "X1Driver.h"
#include "DriverLoad.h"

#include <cstdint>
#include <string>
#include <vector>

class X1CompatDriver : public X1Driver {
public:
    X1CompatDriver(VM* vm, int32_t variant);

    // The factory for "x1/psg/compat" and "x1/opm/compat"; null for any
    // other name.
    static Driver* create(VM* vm, const std::string& name);

    bool load(Config* config, Archive* archive) override;
    bool play(int32_t code, ConfigEntry* song) override;
    bool stop() override;

    // State for tests.
    const std::vector<uint8_t>& getSongSlots() const { return mSlots.song; }
    const std::vector<uint8_t>& getVoiceSlots() const { return mSlots.voice; }
    bool isSongPresent(int32_t n) const { return mSlots.hasSong(n); }
    bool isVoicePresent(int32_t n) const { return mSlots.hasVoice(n); }

    // The handlers the machine calls (context: the driver); they report a
    // missing context under this driver's name and go on as X1Driver's.
    static void onWrite(uint32_t address, uint32_t value, void* _param);
    static uint32_t onRead(uint32_t address, void* _param);
    static void onAcknowledge(void* _param, int32_t vector);
    static void onTimer(void* _param, int32_t id);

protected:
    void writeHostPort(uint16_t address, uint8_t value) override;
    uint8_t readHostPort(uint16_t address) override;

private:
    bool loadOption(Config* _config, Archive* _folder);
    bool loadFile(Config* _config, Archive* _folder);
    void loadSong(uint8_t number);

    DriverSlots mSlots;
};

// Registers "x1/psg/compat" and "x1/opm/compat" with the DriverBinder
// (RegisterX1Drivers calls it).
bool RegisterX1CompatDrivers();

// PC88CompatDriver: PC-8801 music whose data comes as numbered song files
// and voice files of fixed size ("pc88/opn/compat": YM2203,
// "pc88/opna/compat": YM2608). The machine (Z80, RAM, FM chip, interrupt
// controller) is PC88Driver's; this variant has its own configuration, a
// simpler host device and optional timers.
//
// Host device:
//   0x00  1 play request, 2 stop request, 0 answered (reading idles the CPU
//         and does not clear it)
//   0x01  song code on a play request; OUT 0x01,n copies song slot n (and
//         voice slot n when present) to RAM and clears port 0x00;
//         OUT 0x01,0xFF acknowledges a stop
//   0x80  song attribute (low byte)
#pragma once

#include "PC88Driver.h"
#include "DriverLoad.h"

#include <cstdint>
#include <string>
#include <vector>

class PC88CompatDriver : public PC88Driver {
public:
    PC88CompatDriver(VM* vm, bool opna);

    // The factory for "pc88/opn/compat" and "pc88/opna/compat"; null for
    // any other name.
    static Driver* create(VM* vm, const std::string& name);

    bool load(Config* config, Archive* archive) override;
    bool play(int32_t code, ConfigEntry* song) override;
    bool stop() override;

    // State for tests.
    const std::vector<uint8_t>& getSongSlots() const { return mSlots.song; }
    const std::vector<uint8_t>& getVoiceSlots() const { return mSlots.voice; }
    bool isSongPresent(int32_t n) const { return mSlots.hasSong(n); }
    bool isVoicePresent(int32_t n) const { return mSlots.hasVoice(n); }
    bool hasTimer1() const { return mTimer1 != nullptr; }
    bool hasTimer2() const { return mTimer2 != nullptr; }

protected:
    void writePort(uint8_t port, uint8_t value) override;
    uint8_t readPort(uint8_t port) override;

private:
    bool loadOption(Config* _config, Archive* _folder);
    bool loadFile(Config* _config, Archive* _folder);
    void loadSong(uint8_t number);

    DriverSlots mSlots;
    int32_t mSongOffset;
};

// Registers "pc88/opn/compat" and "pc88/opna/compat" with the DriverBinder
// (RegisterPC88Drivers calls it).
bool RegisterPC88CompatDrivers();

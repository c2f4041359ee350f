// PC88Driver: the PC-8801's sound machine for music whose sound code was
// written for it ("pc88/opn": YM2203, "pc88/opna": YM2608). A Z80 with 64 KB
// of RAM runs the game's own, patched sound program; the driver emulates the
// sound ports and the interrupt controller, and routes the other ports to
// the host device through which the program asks for songs
// (HostDeviceDriver, which also loads the archive).
//
//   RegisterPC88Drivers();                       // RegisterDrivers.h, once at program start
//   vm->load(config, archive);                   // [info] driver=pc88/opna
//   vm->play(code, songEntry);                   // port 0x80 = 1, 0x81 = code
//
// Ports the program sees:
//   0x32  bit 7 set: sound interrupt masked
//   0x44-0x47  the FM chip
//   0xE4  interrupt level: only requests below it (low 4 bits) are taken;
//         cleared when an interrupt is taken
//   0xE6  interrupt enables: bit 0 600 Hz, bit 1 60 Hz, bit 2 unused here
//   0xA8-0xAD  no second sound board: writes are dropped, reads give 0xFF
//   0x80-0xB9  the host device (HostDeviceDriver.h)
// Interrupt requests: bit 1 the 60 Hz timer (vector 2), bit 2 the 600 Hz
// timer (vector 4), bit 4 the chip's interrupt (vector 8); the lowest set
// bit wins.
//
// An address of a region or of a "code" file is 32 bits: the low 16 address
// a byte, bit 31 selects the port array (256 bytes) instead of RAM. A chunk
// of "data" files ends where its last file ends; [patch] must be there.
#pragma once

#include "HostDeviceDriver.h"

#include <cstdint>
#include <string>
#include <vector>

class Timer;
class YM2203;
class YM2608;

class PC88Driver : public HostDeviceDriver {
public:
    enum { RAM_SIZE = MEMORY_SIZE, PORT_COUNT = 256, ADPCM_SIZE = 0x40000 };

    PC88Driver(VM* vm, bool opna);
    ~PC88Driver() override;

    // "pc88/opn" and "pc88/opna", which RegisterPC88Drivers registers.
    static const char* const NAMES[2];
    // The factory for NAMES; null for any other name.
    static Driver* create(VM* vm, const std::string& name);

    bool dump(DebugMonitor* monitor, int32_t page) override;

    // State for tests and the monitor.
    uint8_t* getAdpcmImage() { return mAdpcm.data(); }
    uint8_t getRequests() const { return mRequests; }
    YM2203* getOpn() { return mOpn; }
    YM2608* getOpna() { return mOpna; }

    // The handlers the machine calls (context: the driver).
    static void onAcknowledge(void* _param, int32_t vector);
    static void onChipInterrupt(void* _param, int32_t line, int32_t argument);
    static void onTimer(void* _param, int32_t id);

protected:
    // The compatible variant (PC88CompatDriver) names itself in `profile`.
    PC88Driver(VM* vm, bool opna, const Profile& profile);

    // Initialises the YM2608; a test stands in a failing one here.
    virtual bool initOpna(YM2608* chip);

    bool readOptions(ConfigSection* section) override;
    void loadFileEntry(ConfigEntry* ent, const std::string& name, const std::string& type, File* file) override;
    // Converts the image to bit planes when use_pcmx8 asks for it.
    bool afterFiles() override;
    // The machine shared with the compatible variant: buses, Z80, chip and
    // the timers asked for by mMakeTimer1/mMakeTimer2.
    bool buildMachine() override;
    // A file read whole into the ADPCM image at `offset`.
    void readAdpcm(File* file, const std::string& name, int32_t offset);
    // Converts the ADPCM image to the bit-plane layout; false when the work
    // buffer cannot be had (the image is then unchanged).
    bool convertPcmX8();
    // The sound ports and the interrupt controller; the rest goes to the
    // host device.
    void writePort(uint16_t address, uint8_t value) override;
    uint8_t readPort(uint16_t address) override;
    void checkSoundInterrupt();
    void updateInterrupt();

    bool mOpnaFlag;
    YM2203* mOpn;
    YM2608* mOpna;
    Timer* mTimer1;
    Timer* mTimer2;
    std::vector<uint8_t> mAdpcm;
    uint8_t mRequests;
    uint8_t mChipInterrupt;
    uint8_t mPreviousSoundLevel;

    int32_t mUsePcmX8;
    int32_t mVolumeSsg;
    int32_t mVolumeAdpcm;
    int32_t mVolumeRhythm;
    int32_t mVolumeRhythmInstrument[6];
    bool mMakeTimer1;   // the 60 Hz timer (id 1)
    bool mMakeTimer2;   // the 600 Hz timer (id 2)
};


// PC88Driver: the PC-8801's sound machine for music whose sound code was
// written for it ("pc88/opn": YM2203, "pc88/opna": YM2608). A Z80 with 64 KB
// of RAM runs the game's own, patched sound program; the driver emulates the
// sound ports, the interrupt controller and a host device on spare ports
// through which the program asks for songs.
//
//   RegisterPC88Drivers();                       // once at program start
//   vm->load(config, archive);                   // [info] driver=pc88/opna
//   vm->play(code, songEntry);                   // port 0x80 = 1, 0x81 = code
//
// Ports the program sees:
//   0x32  bit 7 set: sound interrupt masked
//   0x44-0x47  the FM chip
//   0xE4  interrupt level: only requests below it (low 4 bits) are taken;
//         cleared when an interrupt is taken
//   0xE6  interrupt enables: bit 0 600 Hz, bit 1 60 Hz, bit 2 unused here
//   0x80  host device: 1 play request, 2 stop request, 0 none (read clears)
//   0x81  song code on a play request; OUT 0x81,n copies chunk n of each
//         data table to its region
//   0x8C-0x8F  song attribute (32-bit little-endian) after a play request
//   0x90-0x9B  address and size words of regions 0, 1 and 2
//   0xB0/B1, 0xB4/B5, 0xB8/B9  configured address words of regions 0-2
// Interrupt requests: bit 1 the 60 Hz timer (vector 2), bit 2 the 600 Hz
// timer (vector 4), bit 4 the chip's interrupt (vector 8); the lowest set
// bit wins.
//
// An address of a region or of a "code" file is 32 bits: the low 16 address
// a byte, bit 31 selects the port array (256 bytes) instead of RAM.
#pragma once

#include "Driver.h"

#include <cstdint>
#include <string>
#include <vector>

class Bus;
class Timer;
class VM;
class YM2203;
class YM2608;
class Z80;

class PC88Driver : public Driver {
public:
    enum { RAM_SIZE = 0x10000, PORT_COUNT = 256, ADPCM_SIZE = 0x40000 };
    enum { REGIONS = 4, ADPCM_REGION = 3, CHUNKS = 64 };
    // A "data" file's "no" is what OUT 0x81 can ask for: one byte.
    enum { MAX_CHUNK_NUMBER = 255 };
    // No region takes more than the ADPCM memory; a chunk larger than a few
    // times that is a damaged configuration, not song data.
    enum { MAX_CHUNK_SIZE = 0x100000 };

    PC88Driver(VM* vm, bool opna);
    ~PC88Driver() override;

    // The factory for "pc88/opn" and "pc88/opna"; null for any other name.
    static Driver* create(VM* vm, const std::string& name);

    bool load(Config* config, Archive* archive) override;
    bool play(int32_t code, ConfigEntry* song) override;
    bool stop() override;
    bool dump(DebugMonitor* monitor, int32_t page) override;

    // State for tests and the monitor.
    uint8_t* getMemory() { return mRam; }
    uint8_t* getPorts() { return mPorts; }
    uint8_t* getAdpcmImage() { return mAdpcm.data(); }
    uint8_t getRequests() const { return mRequests; }
    Z80* getCpu() { return mCpu; }
    YM2203* getOpn() { return mOpn; }
    YM2608* getOpna() { return mOpna; }
    const std::vector<uint8_t>& getChunk(int32_t table, int32_t n) const { return mChunks[table][n]; }
    int32_t getChunkCount(int32_t table) const { return (int32_t)mChunks[table].size(); }
    uint32_t getRegionAddress(int32_t k) const { return mRegionAddr[k]; }

    // The handlers the machine calls (context: the driver).
    static void onWrite(uint32_t address, uint32_t value, void* _param);
    static uint32_t onRead(uint32_t address, void* _param);
    static void onAcknowledge(void* _param, int32_t vector);
    static void onChipInterrupt(void* _param, int32_t line, int32_t argument);
    static void onTimer(void* _param, int32_t id);

protected:
    // Initialises the YM2608; a test stands in a failing one here.
    virtual bool initOpna(YM2608* chip);

    // The machine shared with the compatible variant (PC88CompatDriver):
    // buses, Z80, chip and the timers asked for by mMakeTimer1/mMakeTimer2.
    bool buildMachine();
    // Converts the ADPCM image to the bit-plane layout; false when the work
    // buffer cannot be had (the image is then unchanged).
    bool convertPcmX8();
    // The host device differs between the variants; the interrupt
    // controller does not.
    virtual void writePort(uint8_t port, uint8_t value);
    virtual uint8_t readPort(uint8_t port);
    void checkSoundInterrupt();
    void updateInterrupt();

private:
    bool loadOption(Config* _config, Archive* _folder);
    bool loadFile(Config* _config, Archive* _folder);
    bool loadPatch(Config* _config, Archive* _folder);
    void loadSongData(uint8_t number);
    void setConfiguredAddressLow(int32_t region, uint8_t lowPort);

protected:

    bool mOpnaFlag;
    VM* mVM;
    Bus* mMemoryBus;
    Bus* mIoBus;
    Z80* mCpu;
    YM2203* mOpn;
    YM2608* mOpna;
    Timer* mTimer1;
    Timer* mTimer2;
    uint8_t mRam[RAM_SIZE];
    uint8_t mPorts[PORT_COUNT];
    std::vector<uint8_t> mAdpcm;
    uint8_t mRequests;
    uint8_t mChipInterrupt;
    uint8_t mPreviousSoundLevel;

    int32_t mInitPc;
    int32_t mBaseClock;
    int32_t mUsePcmX8;
    int32_t mIntDelay;
    int32_t mSkipIdle;
    int32_t mDebugMem;
    int32_t mVolumeFm;
    int32_t mVolumeSsg;
    int32_t mVolumeAdpcm;
    int32_t mVolumeRhythm;
    int32_t mVolumeRhythmInstrument[6];
    bool mMakeTimer1;   // the 60 Hz timer (id 1)
    bool mMakeTimer2;   // the 600 Hz timer (id 2)

    uint32_t mRegionAddr[REGIONS];    // configured
    int32_t mRegionSize[REGIONS];     // configured
    uint32_t mCurrentAddr[3];
    int32_t mCurrentSize[3];
    int32_t mCurrentOffset[3];
    int32_t mSongAttr;
    int32_t mSongAdpcm;
    std::vector<std::vector<uint8_t>> mChunks[REGIONS];
};

// Registers "pc88/opn" and "pc88/opna", and the compatible variants
// "pc88/opn/compat" and "pc88/opna/compat", with the DriverBinder.
bool RegisterPC88Drivers();

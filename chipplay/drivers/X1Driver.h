// X1Driver: the Sharp X1's sound machine for music whose sound code was
// written for it ("x1/psg": AY-3-8910, "x1/opm": YM2151 and AY-3-8910). A Z80
// with 64 KB of memory and a 64 KB I/O space runs the game's own, patched
// sound program; the driver emulates the sound chips, the Z80 CTC and a host
// device on spare ports through which the program asks for songs.
//
//   RegisterX1Drivers();                         // once at program start
//   vm->load(config, archive);                   // [info] driver=x1/opm
//   vm->play(code, songEntry);                   // port 0x80 = 1, 0x81 = code
//
// I/O addresses (16 bits, as IN/OUT through BC put them on the bus):
//   0x0080  host device: 1 play request, 2 stop request, 0 none (read clears)
//   0x0081  song code on a play request; OUT n copies chunk n of each table
//   0x0088-0x008F  option attr, song attr (32-bit little-endian, read only)
//   0x0090-0x009B  address and size words of data, data2 and data3
//   0x00B0/B1, B4/B5, B8/B9  option address words of data, data2, data3
//   0x0700/0x0701  YM2151 ("x1/opm" only)
//   0x0704-0x0707, 0x1FA0-0x1FA3  the CTC's four channels (0x0704 in
//                  "x1/opm" only)
//   0x1Bxx / 0x1Cxx  AY-3-8910 data / register select
// Any other address keeps the last byte written to it.
//
// An address of a region, a "code" file or a song is 32 bits: the low 16
// address a byte, bit 31 selects the I/O space instead of memory.
//
// The machine (memory, I/O space, chips, CTC, interrupts, monitor pages) is
// shared with the compatible variant X1CompatDriver, which derives from this
// class and brings its own host device through writeHostPort/readHostPort.
#pragma once

#include "Driver.h"

#include <cstdint>
#include <string>
#include <vector>

class AY38910;
class Bus;
class Timer;
class VM;
class YM2151;
class Z80;

class X1Driver : public Driver {
public:
    enum { MEMORY_SIZE = 0x10000, PORT_COUNT = 0x10000 };
    enum { REGIONS = 3, CHUNKS = 64, CTC_CHANNELS = 4 };
    // A data file's "no" is what OUT 0x81 can ask for: one byte.
    enum { MAX_CHUNK_NUMBER = 255 };
    // No region is larger than the 64 KB address space; a chunk larger than
    // a few times that is a damaged configuration, not song data.
    enum { MAX_CHUNK_SIZE = 0x100000 };

    X1Driver(VM* vm, int32_t variant);
    ~X1Driver() override;

    // The factory for "x1/psg" and "x1/opm"; null for any other name.
    static Driver* create(VM* vm, const std::string& name);

    bool load(Config* config, Archive* archive) override;
    bool play(int32_t code, ConfigEntry* song) override;
    bool stop() override;
    bool dump(DebugMonitor* monitor, int32_t page) override;

    // State for tests and the monitor.
    uint8_t* getMemory() { return mMemory.data(); }
    uint8_t* getPorts() { return mPorts.data(); }
    Z80* getCpu() { return mCpu; }
    YM2151* getOpm() { return mOpm; }
    AY38910* getPsg() { return mPsg; }
    const std::vector<uint8_t>& getChunk(int32_t table, int32_t n) const { return mChunks[table][n]; }
    int32_t getChunkCount(int32_t table) const { return (int32_t)mChunks[table].size(); }
    uint32_t getRegionAddress(int32_t k) const { return mRegionAddr[k]; }
    int32_t getRegionSize(int32_t k) const { return mRegionSize[k]; }
    int64_t getCtcPeriod(int32_t channel) const;
    uint8_t getPending() const { return mCtcPending; }
    int32_t getIntDelay() const { return mIntDelay; }

    // The handlers the machine calls (context: the driver).
    static void onWrite(uint32_t address, uint32_t value, void* _param);
    static uint32_t onRead(uint32_t address, void* _param);
    static void onAcknowledge(void* _param, int32_t vector);
    static void onTimer(void* _param, int32_t id);

protected:
    struct CtcChannel {
        uint8_t control;
        uint16_t constant;
        uint16_t counter;
        Timer* timer;
        int64_t lastTick;
    };

    // The handlers buildMachine installs on the I/O bus, the Z80 and the
    // CTC's timers; a variant passes its own so that a missing context is
    // reported under its name. Each must reach this driver's writePort,
    // readPort, onAcknowledge and onTimer.
    struct MachineHandlers {
        void (*write)(uint32_t address, uint32_t value, void* context);
        uint32_t (*read)(uint32_t address, void* context);
        void (*acknowledge)(void* context, int32_t vector);
        void (*timer)(void* context, int32_t id);
    };

    // The machine the X1 variants share: buses, Z80 (clock mBaseClock, PC
    // mInitPc), YM2151 in variant 1, AY-3-8910 and the CTC's four timers.
    bool buildMachine(const MachineHandlers& handlers);

    // Port decoding: the chips and the CTC are the same in every variant;
    // every other address belongs to the variant's host device.
    void writePort(uint16_t address, uint8_t value);
    uint8_t readPort(uint16_t address);
    virtual void writeHostPort(uint16_t address, uint8_t value);
    virtual uint8_t readHostPort(uint16_t address);

    int32_t mVariant;
    VM* mVM;
    std::vector<uint8_t> mMemory;
    std::vector<uint8_t> mPorts;
    Bus* mMemoryBus;
    Bus* mIoBus;
    Z80* mCpu;
    AY38910* mPsg;
    YM2151* mOpm;

    int32_t mInitPc;
    int32_t mBaseClock;
    uint32_t mRegionAddr[REGIONS];   // options; the monitor's "MDATA:" page shows region 0
    int32_t mRegionSize[REGIONS];    // options
    int32_t mAttr;
    int32_t mIntDelay;
    int32_t mSkipIdle;
    uint16_t mDebugMem;
    uint16_t mDebugIo;
    int32_t mVolumeFm;
    int32_t mVolumePsg;

private:
    bool loadOption(Config* _config, Archive* _folder);
    bool loadFile(Config* _config, Archive* _folder);
    bool loadPatch(Config* _config, Archive* _folder);

    bool writeMachinePort(uint16_t address, uint8_t value);
    bool readMachinePort(uint16_t address, uint8_t* value);
    void storeRegionWords(int32_t at);
    void loadSongData(uint8_t number);
    void setOptionAddressLow(int32_t region, uint16_t lowPort);
    void ctcWrite(int32_t channel, uint8_t value);
    uint8_t ctcRead(int32_t channel);
    void ctcTick(int32_t channel);
    void updateInterrupt();

    int32_t mSongAttr;
    uint32_t mSongAddr[REGIONS];
    int32_t mSongSize[REGIONS];
    int32_t mSongOffset[REGIONS];
    std::vector<std::vector<uint8_t>> mChunks[REGIONS];

    CtcChannel mCtc[CTC_CHANNELS];
    uint8_t mCtcVector;
    uint8_t mCtcPending;
};

// Registers "x1/psg" and "x1/opm", and the compatible variants
// "x1/psg/compat" and "x1/opm/compat", with the DriverBinder.
bool RegisterX1Drivers();

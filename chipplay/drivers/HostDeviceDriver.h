// HostDeviceDriver: what the PC-8801 and X1 sound machines share. A Z80 with
// 64 KB of memory runs the game's own, patched sound program; spare I/O ports
// form a host device through which the program asks for songs, and the song
// data waits in numbered chunks that the driver copies where the program
// says. PC88Driver and X1Driver add their chips and interrupt hardware and
// decode their ports; the compatible variants (CompatDriver.h) bring song
// slots and a simpler host device of their own.
//
//   class PC88Driver : public HostDeviceDriver { ... };   // with its Profile
//   vm->load(config, archive);     // [option], [file], [patch], buildMachine()
//   vm->play(code, songEntry);     // port 0x80 = 1, 0x81 = code
//
// The host device (PC88Driver and X1Driver; the machine routes the ports):
//   0x80  1 play request, 2 stop request, 0 none (a read clears it; reading
//         0 idles the CPU until its next event unless skip_idle=0)
//   0x81  song code on a play request; OUT 0x81,n copies chunk n of each
//         table to its region
//   0x88-0x8F  read only; 0x8C-0x8F the song's "attr" (32-bit little-endian)
//         after a play request is read
//   0x90-0x9B  address and size words of regions 0, 1 and 2; the program
//         may rewrite the address words before OUT 0x81
//   0xB0/B1, B4/B5, B8/B9  configured address words of regions 0-2
// Any other port the machine does not decode keeps the last byte written.
//
// An address of a region or a "code" file is 32 bits: the low 16 address a
// byte, bit 31 selects the port array instead of memory. Region 3 (the
// PC-8801's "adpcm2" table) goes whole to the sample memory the machine
// names in mSampleMemory.
#pragma once

#include "Driver.h"
#include "DriverLoad.h"

#include <cstdint>
#include <string>
#include <vector>

class Bus;
class ConfigSection;
class File;
class VM;
class Z80;

class HostDeviceDriver : public Driver {
public:
    enum { MEMORY_SIZE = 0x10000, REGIONS = 3, SAMPLE_TABLE = 3 };

    // Whether a machine reads section "patch".
    enum PatchSection {
        PATCH_REQUIRED,   // a missing section fails the load (the PC-8801)
        PATCH_OPTIONAL,   // a missing section patches nothing (the X1)
        PATCH_NONE,       // not read at all (the compatible variants)
    };

    // What tells the machines apart here.
    struct Profile {
        const char* tag;      // the messages' prefix: "[PC88]", "[X1C]"
        const char* source;   // the unit assertion failures name
        int32_t portBits;     // the I/O space: 8 (256 ports) or 16 bits
        int32_t tables;       // chunk tables: 3, or 4 with "adpcm2"
        DriverChunks::Fill chunkFill;
        PatchSection patch;
        int32_t baseClock;    // the Z80's clock unless "baseclock" says
    };

    // The "baseclock" values taken, in Hz: from 100 kHz to 100 MHz. Outside
    // them the options are refused (the configuration error).
    enum { MIN_BASE_CLOCK = 100000, MAX_BASE_CLOCK = 100000000 };

    ~HostDeviceDriver() override;

    // A driver family's two variants go by two names ("pc88/opn" is variant
    // 0, "pc88/opna" variant 1): the variant `name` is, -1 for any other.
    static int32_t variantOf(const char* const (&names)[2], const std::string& name);
    // Registers `factory` under both names with the DriverBinder.
    static bool registerNames(const char* const (&names)[2], DriverFactory factory);

    // [option], [file] and [patch] in turn, each failure reported, then
    // buildMachine().
    bool load(Config* config, Archive* archive) override;
    // Sets the request port to 1 and the code port to `code` after
    // readSong(song).
    bool play(int32_t code, ConfigEntry* song) override;
    bool stop() override;

    // State for tests and the monitor.
    uint8_t* getMemory() { return mMemory.data(); }
    uint8_t* getPorts() { return mPorts.data(); }
    Z80* getCpu() { return mCpu; }
    const std::vector<uint8_t>& getChunk(int32_t table, int32_t n) const { return mChunks.table[table][n]; }
    int32_t getChunkCount(int32_t table) const { return (int32_t)mChunks.table[table].size(); }
    uint32_t getRegionAddress(int32_t k) const { return mRegionAddr[k]; }
    int32_t getRegionSize(int32_t k) const { return mRegionSize[k]; }

    // The I/O bus's handlers (context: the driver): writePort and readPort.
    static void onWrite(uint32_t address, uint32_t value, void* _param);
    static uint32_t onRead(uint32_t address, void* _param);

protected:
    // The handlers buildCpu installs on the I/O bus and the Z80; a variant
    // may pass its own so that a missing context is reported under its name.
    struct CpuHandlers {
        void (*write)(uint32_t address, uint32_t value, void* context);
        uint32_t (*read)(uint32_t address, void* context);
        void (*acknowledge)(void* context, int32_t vector);
    };

    HostDeviceDriver(VM* vm, const Profile& profile);

    // The stages of load(). readOptions gets section "option"; the default
    // reads what every machine with the host device has (init_pc,
    // baseclock, the regions, int_delay, skip_idle, debug_mem, volume_fm)
    // and empties the chunk tables; false for a base clock out of range. loadFileEntry gets every entry of
    // section "file" whose file opens; the default reads "code" and the
    // chunk tables and reports any other type. afterFiles runs once the
    // files are in.
    virtual bool readOptions(ConfigSection* section);
    virtual void loadFileEntry(ConfigEntry* ent, const std::string& name, const std::string& type, File* file);
    virtual bool afterFiles() { return true; }
    virtual bool buildMachine() = 0;
    // Takes what a play request needs from the song entry; the default: the
    // attribute, the regions' addresses, sizes and offsets, and the sample
    // chunk's number ("adpcm").
    virtual void readSong(ConfigEntry* song);

    // The buses over mMemory and mPorts and the Z80 (clock mBaseClock, PC
    // mInitPc), set as the VM's CPU.
    bool buildCpu(const CpuHandlers& handlers);
    // The context every handler of the machine gets: the driver as a
    // HostDeviceDriver, whichever machine installed the handler.
    void* context() { return static_cast<HostDeviceDriver*>(this); }

    // The machine's port decoding; what it does not take goes to the host
    // device, and what that does not take to storePort.
    virtual void writePort(uint16_t address, uint8_t value) = 0;
    virtual uint8_t readPort(uint16_t address) = 0;
    // The song-request host device above: true when the port is one of its.
    bool writeHostDevice(uint16_t address, uint8_t value);
    bool readHostDevice(uint16_t address, uint8_t* value);
    // A port nothing decodes: keeps the byte (and traces it).
    void storePort(uint16_t address, uint8_t value);
    uint8_t tracePort(uint16_t address);

    // The monitor: the Z80 and the interrupt requests on the top lines;
    // pages 1 (memory from debug_mem, ports from debug_io) and 2 (region 0,
    // ports from 0) below. dumpMemoryPage clears line 5 and answers whether
    // the page was one of those.
    void dumpCpu(DebugMonitor* monitor, uint8_t requests);
    bool dumpMemoryPage(DebugMonitor* monitor, int32_t page);

    VM* mVM;
    const Profile mProfile;
    const char* const mTag;
    uint8_t mRequestPort;   // 0x80; the code port follows it
    std::vector<uint8_t> mMemory;
    std::vector<uint8_t> mPorts;
    Bus* mMemoryBus;
    Bus* mIoBus;
    Z80* mCpu;

    int32_t mInitPc;
    int32_t mBaseClock;
    int32_t mIntDelay;
    int32_t mSkipIdle;
    int32_t mDebugMem;
    int32_t mDebugIo;
    int32_t mVolumeFm;

    uint32_t mRegionAddr[DriverChunks::TABLES];   // configured
    int32_t mRegionSize[DriverChunks::TABLES];    // configured
    uint32_t mSongAddr[REGIONS];                  // of the song asked for
    int32_t mSongSize[REGIONS];
    int32_t mSongOffset[REGIONS];
    int32_t mSongAttr;
    int32_t mSongSample;        // the sample table's chunk number
    uint8_t* mSampleMemory;     // where the sample table goes; null: nowhere
    int32_t mSampleSize;
    DriverChunks mChunks;

private:
    bool loadOption(Config* _config, Archive* _folder);
    bool loadFile(Config* _config, Archive* _folder);
    bool loadPatch(Config* _config, Archive* _folder);
    void loadSongData(uint8_t number);
    void setConfiguredAddressLow(int32_t region, uint16_t lowPort);
};

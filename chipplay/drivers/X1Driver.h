// X1Driver: the Sharp X1's sound machine for music whose sound code was
// written for it ("x1/psg": AY-3-8910, "x1/opm": YM2151 and AY-3-8910). A Z80
// with 64 KB of memory and a 64 KB I/O space runs the game's own, patched
// sound program; the driver emulates the sound chips and the Z80 CTC, and
// routes the other addresses to the host device through which the program
// asks for songs (HostDeviceDriver, which also loads the archive).
//
//   RegisterX1Drivers();                         // RegisterDrivers.h, once at program start
//   vm->load(config, archive);                   // [info] driver=x1/opm
//   vm->play(code, songEntry);                   // port 0x80 = 1, 0x81 = code
//
// I/O addresses (16 bits, as IN/OUT through BC put them on the bus):
//   0x0080-0x00B9  the host device (HostDeviceDriver.h); 0x0088-0x008B
//                  the option "attr" (32-bit little-endian, read only)
//   0x0700/0x0701  YM2151 ("x1/opm" only)
//   0x0704-0x0707, 0x1FA0-0x1FA3  the CTC's four channels (0x0704 in
//                  "x1/opm" only)
//   0x1Bxx / 0x1Cxx  AY-3-8910 data / register select
// Any other address keeps the last byte written to it.
//
// An address of a region, a "code" file or a song is 32 bits: the low 16
// address a byte, bit 31 selects the I/O space instead of memory. A chunk of
// "data" files only grows; [patch] may be left out.
//
// The machine (memory, I/O space, chips, CTC, interrupts, monitor pages) is
// shared with the compatible variant X1CompatDriver, which derives from this
// class and brings its own host device through writeHostPort/readHostPort.
#pragma once

#include "HostDeviceDriver.h"

#include <cstdint>
#include <string>

class AY38910;
class Timer;
class YM2151;

class X1Driver : public HostDeviceDriver {
public:
    enum { PORT_COUNT = 0x10000, CTC_CHANNELS = 4 };

    X1Driver(VM* vm, int32_t variant);
    ~X1Driver() override;

    // "x1/psg" and "x1/opm", which RegisterX1Drivers registers.
    static const char* const NAMES[2];
    // The factory for NAMES; null for any other name.
    static Driver* create(VM* vm, const std::string& name);

    bool dump(DebugMonitor* monitor, int32_t page) override;

    // State for tests and the monitor.
    YM2151* getOpm() { return mOpm; }
    AY38910* getPsg() { return mPsg; }
    int64_t getCtcPeriod(int32_t channel) const;
    uint8_t getPending() const { return mCtcPending; }
    int32_t getIntDelay() const { return mIntDelay; }

    // The handlers the machine calls (context: the driver).
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

    // The compatible variant (X1CompatDriver) names itself in `profile`.
    X1Driver(VM* vm, int32_t variant, const Profile& profile);

    // attr, debug_io and volume_psg besides the shared keys; the region
    // words are on their ports from the start.
    bool readOptions(ConfigSection* section) override;
    // The machine the X1 variants share: buses, Z80, YM2151 in variant 1,
    // AY-3-8910 and the CTC's four timers, with mCpuHandlers and
    // mTimerHandler.
    bool buildMachine() override;

    // Port decoding: the chips and the CTC are the same in every variant;
    // every other address belongs to the variant's host device.
    void writePort(uint16_t address, uint8_t value) override;
    uint8_t readPort(uint16_t address) override;
    virtual void writeHostPort(uint16_t address, uint8_t value);
    virtual uint8_t readHostPort(uint16_t address);

    int32_t mVariant;
    AY38910* mPsg;
    YM2151* mOpm;
    int32_t mAttr;
    int32_t mVolumePsg;
    // What buildMachine installs; a variant may report a missing context
    // under its own name.
    CpuHandlers mCpuHandlers;
    void (*mTimerHandler)(void* context, int32_t id);

private:
    enum Device { DEVICE_HOST, DEVICE_PSG, DEVICE_CTC, DEVICE_OPM, DEVICE_ABSENT };
    Device deviceAt(uint16_t address) const;
    void storeRegionWords(int32_t at);
    void ctcWrite(int32_t channel, uint8_t value);
    uint8_t ctcRead(int32_t channel);
    void ctcTick(int32_t channel);
    void updateInterrupt();

    CtcChannel mCtc[CTC_CHANNELS];
    uint8_t mCtcVector;
    uint8_t mCtcPending;
    int32_t mRaisedVector;   // the vector on the Z80's line, -1 while it is low
};


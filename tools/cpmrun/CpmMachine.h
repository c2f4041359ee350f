// CpmMachine: just enough of a CP/M machine to run a .COM program on the
// project's Z80 core and buses: 64 KiB of RAM, the program at 0x0100, a BDOS
// whose console output (functions 2 and 9) goes to a sink, and a warm boot
// (a jump to 0x0000) that ends the run.
//
//   CpmMachine m;
//   std::string error;
//   if (!m.loadFile("zexdoc.com", &error)) ...;
//   CpmMachine::Result r = m.run(UINT64_MAX, sink, context);
//
// The BDOS entry at 0x0005 jumps to a stub at 0xFE00 (so that a program that
// takes its stack from the word at 0x0006 gets 0xFE00); the stub does an OUT
// to port 0, caught on the I/O bus, and returns. 0x0000 does an OUT to port 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "Bus.h"
#include "Z80Core.h"

class CpmMachine {
public:
    typedef void (*Sink)(void* context, const char* text, size_t length);

    enum Status { kExited, kCycleLimit, kHalted };
    struct Result {
        Status status;
        int64_t cycles;
    };

    static const uint16_t kTpa = 0x0100;      // where a .COM program is loaded
    static const uint16_t kBdosStub = 0xFE00;

    CpmMachine();
    CpmMachine(const CpmMachine&) = delete;
    CpmMachine& operator=(const CpmMachine&) = delete;

    bool loadImage(const uint8_t* data, size_t size, std::string* error);
    bool loadFile(const std::string& path, std::string* error);

    // Runs from 0x0100 until the program warm-boots, halts with interrupts
    // off, or the cycle count reaches maxCycles.
    Result run(int64_t maxCycles, Sink sink, void* context);

    Z80Core& core() { return mCore; }
    uint8_t* memory() { return mMemory; }

private:
    static void PortWrite(uint32_t port, uint32_t value, void* context);
    void bdos();

    uint8_t mMemory[0x10000];
    Bus mMemoryBus;
    Bus mIoBus;
    Z80Core mCore;
    Sink mSink;
    void* mSinkContext;
    bool mExited;
};

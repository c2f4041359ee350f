#include "CpmMachine.h"

#include <cstdio>
#include <cstring>
#include <vector>

CpmMachine::CpmMachine()
    : mMemoryBus(16, 12), mIoBus(16, 16), mSink(nullptr), mSinkContext(nullptr), mExited(false)
{
    std::memset(mMemory, 0, sizeof mMemory);
    mMemoryBus.mapMemory(0x0000, 0xFFFF, mMemory, true);
    mIoBus.mapWrite(0x0000, 0xFFFF, PortWrite, this);
    Z80Core_Init(&mCore, 4000000, 4000000);
    Z80Core_Reset(&mCore);
}

bool CpmMachine::loadImage(const uint8_t* data, size_t size, std::string* error)
{
    if (size == 0) {
        *error = "the program is empty";
        return false;
    }
    if (size > (size_t)(kBdosStub - kTpa)) {
        *error = "the program is larger than the " + std::to_string(kBdosStub - kTpa) + " bytes of the TPA";
        return false;
    }
    std::memset(mMemory, 0, sizeof mMemory);
    std::memcpy(mMemory + kTpa, data, size);
    // 0x0000: OUT (1),A; HALT      warm boot ends the run
    const uint8_t boot[] = { 0xD3, 0x01, 0x76 };
    // 0x0005: JP 0xFE00            BDOS entry; the word at 0x0006 is the top of the TPA
    const uint8_t entry[] = { 0xC3, (uint8_t)kBdosStub, (uint8_t)(kBdosStub >> 8) };
    // 0xFE00: OUT (0),A; RET       the BDOS call itself is served by the port handler
    const uint8_t stub[] = { 0xD3, 0x00, 0xC9 };
    std::memcpy(mMemory + 0x0000, boot, sizeof boot);
    std::memcpy(mMemory + 0x0005, entry, sizeof entry);
    std::memcpy(mMemory + kBdosStub, stub, sizeof stub);
    return true;
}

bool CpmMachine::loadFile(const std::string& path, std::string* error)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        *error = "cannot open " + path;
        return false;
    }
    std::vector<uint8_t> data(0x10000 + 1);
    const size_t n = std::fread(data.data(), 1, data.size(), f);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        *error = "cannot read " + path;
        return false;
    }
    if (!loadImage(data.data(), n, error)) {
        *error = path + ": " + *error;
        return false;
    }
    return true;
}

CpmMachine::Result CpmMachine::run(int64_t maxCycles, Sink sink, void* context)
{
    mSink = sink;
    mSinkContext = context;
    mExited = false;
    Z80Core_Reset(&mCore);
    mCore.PC = kTpa;
    mCore.SP = kBdosStub;
    // A CCP would have called the program: a RET from it warm-boots.
    mMemory[kBdosStub - 1] = 0x00;
    mMemory[kBdosStub - 2] = 0x00;
    mCore.SP = kBdosStub - 2;

    Z80Buses buses = { &mMemoryBus, &mIoBus };
    mCore.buses = &buses;
    Result r = { kCycleLimit, 0 };
    while (r.cycles < maxCycles) {
        // The core runs on until the warm boot's port write or a HALT.
        Z80Core_Run(&mCore, &r.cycles, maxCycles, &mExited, true);
        if (mExited) {
            r.status = kExited;
            break;
        }
        if ((mCore.status & Z80_HALTED) && !(mCore.status & (Z80_IFF1 | Z80_EI_PENDING))) {
            r.status = kHalted;
            break;
        }
    }
    mCore.buses = nullptr;
    return r;
}

void CpmMachine::PortWrite(uint32_t port, uint32_t value, void* context)
{
    CpmMachine* self = static_cast<CpmMachine*>(context);
    switch (port & 0xFF) {
    case 0: self->bdos(); break;
    case 1: self->mExited = true; break;
    default: break;
    }
}

void CpmMachine::bdos()
{
    const uint8_t function = (uint8_t)mCore.BC;
    if (mSink == nullptr) return;
    if (function == 2) {
        const char ch = (char)(uint8_t)mCore.DE;
        mSink(mSinkContext, &ch, 1);
    } else if (function == 9) {
        // Text up to '$'; a string that runs to the end of memory stops there.
        uint32_t a = mCore.DE;
        const uint32_t start = a;
        while (a < 0x10000 && mMemory[a] != '$') ++a;
        mSink(mSinkContext, reinterpret_cast<const char*>(mMemory + start), a - start);
    }
}

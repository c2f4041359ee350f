// A Z80 core on 64 KiB of RAM and a port space that records every OUT and
// answers every IN from a script, for the core's tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "Bus.h"
#include "Z80Core.h"

// The registers and status of a core, compared field by field.
struct Z80Regs {
    uint16_t AF, BC, DE, HL, IX, IY, PC, SP;
    uint8_t status, I, R;
};

inline Z80Regs RegsOf(const Z80Core& c)
{
    return Z80Regs{ c.AF, c.BC, c.DE, c.HL, c.IX, c.IY, c.PC, c.SP, c.status, c.I, c.R };
}

// "field expected X actual Y" for every field, marking those that differ.
inline std::string DescribeRegs(const Z80Regs& want, const Z80Regs& got)
{
    std::string s;
    char line[96];
    auto row = [&](const char* name, unsigned w, unsigned g, int digits) {
        std::snprintf(line, sizeof line, "  %-6s expected %0*X actual %0*X%s\n", name, digits, w, digits, g,
                      w == g ? "" : "   <-- differs");
        s += line;
    };
    row("AF", want.AF, got.AF, 4);
    row("BC", want.BC, got.BC, 4);
    row("DE", want.DE, got.DE, 4);
    row("HL", want.HL, got.HL, 4);
    row("IX", want.IX, got.IX, 4);
    row("IY", want.IY, got.IY, 4);
    row("PC", want.PC, got.PC, 4);
    row("SP", want.SP, got.SP, 4);
    row("status", want.status, got.status, 2);
    row("I", want.I, got.I, 2);
    row("R", want.R, got.R, 2);
    return s;
}

inline bool SameRegs(const Z80Regs& a, const Z80Regs& b)
{
    return a.AF == b.AF && a.BC == b.BC && a.DE == b.DE && a.HL == b.HL && a.IX == b.IX && a.IY == b.IY &&
           a.PC == b.PC && a.SP == b.SP && a.status == b.status && a.I == b.I && a.R == b.R;
}

class Z80Bench {
public:
    Z80Bench() : mMemoryBus(16, 12), mIoBus(16, 16)
    {
        std::memset(mem, 0, sizeof mem);
        mMemoryBus.mapMemory(0x0000, 0xFFFF, mem, true);
        mIoBus.mapWrite(0x0000, 0xFFFF, PortWrite, this);
        mIoBus.mapRead(0x0000, 0xFFFF, PortRead, this);
        Z80Core_Init(&core, 4000000, 4000000);
        Z80Core_Reset(&core);
        mBuses.memory = &mMemoryBus;
        mBuses.io = &mIoBus;
        core.buses = &mBuses;
    }
    Z80Bench(const Z80Bench&) = delete;
    Z80Bench& operator=(const Z80Bench&) = delete;

    void load(uint16_t at, std::initializer_list<uint8_t> bytes)
    {
        for (uint8_t b : bytes) mem[at++] = b;
    }
    int32_t step() { return Z80Core_Step(&core); }

    struct PortAccess {
        uint16_t port;
        uint8_t value;
    };

    uint8_t mem[0x10000];
    Z80Core core;
    std::vector<PortAccess> outs;
    std::vector<PortAccess> ins;
    uint8_t inValue = 0xFF;   // answered to every IN

private:
    static void PortWrite(uint32_t port, uint32_t value, void* context)
    {
        static_cast<Z80Bench*>(context)->outs.push_back({ (uint16_t)port, (uint8_t)value });
    }
    static uint32_t PortRead(uint32_t port, void* context)
    {
        Z80Bench* self = static_cast<Z80Bench*>(context);
        self->ins.push_back({ (uint16_t)port, self->inValue });
        return self->inValue;
    }

    Bus mMemoryBus;
    Bus mIoBus;
    Z80Buses mBuses;
};

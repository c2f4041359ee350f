// Runs of instructions (Z80Core_Run) against single steps (Z80Core_Step):
// the same instructions, memory, port traffic, cycle counts and early ends,
// on a bus that mixes plain RAM, ROM, a watched RAM page and a page whose
// mapping a port handler changes while the core runs.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "Bus.h"
#include "Z80Core.h"

namespace {

struct Machine {
    uint8_t ram[0x10000];
    uint8_t rom[0x400];
    Bus mem{ 16, 10 };   // 64 pages of 1 KiB
    Bus io{ 16, 16 };
    Z80Buses buses{ &mem, &io };
    Z80Core core;
    bool stop = false;
    bool remapped = false;
    std::vector<uint32_t> traffic;   // port writes, watched writes, reads of the remapped page

    explicit Machine(uint32_t seed)
    {
        // Pseudo-random code: every prefix and opcode turns up. HALT is left
        // out so that the run never parks.
        uint32_t x = seed;
        for (int i = 0; i < 0x10000; ++i) {
            x = x * 1103515245u + 12345u;
            ram[i] = (uint8_t)(x >> 16);
            if (ram[i] == 0x76) ram[i] = 0x00;
        }
        for (int i = 0; i < 0x400; ++i) rom[i] = ram[0x4000 + i];
        mem.mapMemory(0x0000, 0xFFFF, ram, true);
        mem.mapMemory(0x4000, 0x43FF, rom, false);   // ROM: writes dropped
        mem.mapWrite(0xC000, 0xC3FF, Watch, this);   // RAM watched by a handler
        io.mapWrite(0x0000, 0xFFFF, PortWrite, this);
        io.mapRead(0x0000, 0xFFFF, PortRead, this);
        Z80Core_Init(&core, 4000000, 4000000);
        Z80Core_Reset(&core);
        core.SP = 0xF000;
        core.buses = &buses;
    }
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    static void Watch(uint32_t address, uint32_t value, void* context)
    {
        Machine* m = static_cast<Machine*>(context);
        m->traffic.push_back(0x10000000u | address << 8 | (value & 0xFF));
        m->ram[address & 0xFFFF] = (uint8_t)value;
    }
    static uint32_t Remapped(uint32_t address, void* context)
    {
        static_cast<Machine*>(context)->traffic.push_back(0x20000000u | address);
        return address >> 3;
    }
    static void PortWrite(uint32_t port, uint32_t value, void* context)
    {
        Machine* m = static_cast<Machine*>(context);
        m->traffic.push_back(0x30000000u | (port & 0xFFFF) << 8 | (value & 0xFF));
        // Some writes ask the caller to look; one puts a read handler over
        // page 8000h, which the very next access must see.
        if ((port & 0x07) == 0x03) m->stop = true;
        if (!m->remapped && m->traffic.size() >= 200) {
            m->remapped = true;
            m->mem.mapRead(0x8000, 0x83FF, Remapped, m);
        }
    }
    static uint32_t PortRead(uint32_t port, void* context)
    {
        return (port * 7 + 3) & 0xFF;
    }
};

TEST(Z80Run, SameAsSingleStepsWithEarlyEndsAndRemapping)
{
    for (uint32_t seed : { 1u, 2u, 3u, 0xC0FFEEu }) {
        Machine* stepped = new Machine(seed);
        Machine* run = new Machine(seed);
        const int64_t target = 3000000;
        std::vector<int64_t> endsStepped, endsRun;

        // Random code soon falls into a loop of its own: every 20000 cycles
        // both machines jump to the same new place, at the same count.
        const int64_t leg = 20000;
        uint32_t jump = seed;
        auto nextPlace = [&jump]() {
            jump = jump * 69069u + 1u;
            return (uint16_t)(jump >> 8);
        };

        int64_t cycles = 0;
        for (int64_t end = leg; cycles < target; end += leg) {
            while (cycles < end) {
                cycles += Z80Core_Step(&stepped->core);
                if (stepped->stop) {
                    endsStepped.push_back(cycles);
                    stepped->stop = false;
                }
            }
            stepped->core.PC = nextPlace();
            stepped->core.SP = 0xF000;
        }
        const int64_t steppedCycles = cycles;

        jump = seed;
        cycles = 0;
        int32_t calls = 0;
        for (int64_t end = leg; cycles < target; end += leg) {
            while (cycles < end) {
                // Targets of odd sizes, so that runs also end on the target.
                const int64_t slice = cycles + 1 + (calls++ % 7) * 997;
                const int64_t before = cycles;
                const int32_t last = Z80Core_Run(&run->core, &cycles, slice < end ? slice : end, &run->stop, false);
                ASSERT_GT(cycles, before);
                ASSERT_GT(last, 0);
                if (run->stop) {
                    endsRun.push_back(cycles);
                    run->stop = false;
                }
            }
            run->core.PC = nextPlace();
            run->core.SP = 0xF000;
        }

        SCOPED_TRACE(seed);
        EXPECT_EQ(steppedCycles, cycles);
        EXPECT_EQ(endsStepped, endsRun);
        EXPECT_FALSE(endsRun.empty()) << "no handler ever asked to stop: the early end went untested";
        EXPECT_TRUE(run->remapped) << "the page was never remapped during the run";
        EXPECT_TRUE(stepped->traffic == run->traffic) << stepped->traffic.size() << " vs " << run->traffic.size();
        EXPECT_EQ(0, std::memcmp(stepped->ram, run->ram, sizeof run->ram));
        const Z80Core& a = stepped->core;
        const Z80Core& b = run->core;
        EXPECT_TRUE(a.AF == b.AF && a.BC == b.BC && a.DE == b.DE && a.HL == b.HL && a.AF2 == b.AF2 &&
                    a.BC2 == b.BC2 && a.DE2 == b.DE2 && a.HL2 == b.HL2 && a.IX == b.IX && a.IY == b.IY &&
                    a.PC == b.PC && a.SP == b.SP && a.status == b.status && a.I == b.I && a.R == b.R);
        delete stepped;
        delete run;
    }
}

TEST(Z80Run, NothingRunsWithoutBusesOrAtTheTarget)
{
    Z80Core core;
    Z80Core_Init(&core, 4000000, 4000000);
    Z80Core_Reset(&core);
    bool stop = false;
    int64_t cycles = 5;
    EXPECT_EQ(0, Z80Core_Run(&core, &cycles, 100, &stop, false));
    EXPECT_EQ(5, cycles);

    Machine* m = new Machine(7);
    cycles = 100;
    EXPECT_EQ(0, Z80Core_Run(&m->core, &cycles, 100, &m->stop, false));
    EXPECT_EQ(100, cycles);
    EXPECT_EQ(0, m->core.PC);
    delete m;
}

}  // namespace

// The processor class: slices in absolute cycles, stop and idle, the level
// interrupt line with its delay, NMI, the acknowledge callback, registers,
// parameters, the dump, the refusal to run without buses, and one current
// processor per thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "Bus.h"
#include "DebugMonitor.h"
#include "Z80.h"
#include "test_system.h"

namespace {

// A Z80 on 64 KiB of RAM; port reads call a hook.
struct Machine {
    uint8_t mem[0x10000] = {};
    Bus memory{ 16, 12 };
    Bus io{ 16, 16 };
    Z80 cpu{ nullptr };
    std::function<uint8_t(uint32_t)> onIn;
    std::vector<uint16_t> portWrites;
    std::vector<int32_t> acknowledged;
    bool dropLineOnAcknowledge = false;

    Machine()
    {
        memory.mapMemory(0x0000, 0xFFFF, mem, true);
        io.mapRead(0x0000, 0xFFFF, In, this);
        io.mapWrite(0x0000, 0xFFFF, Out, this);
        cpu.setParam(0, reinterpret_cast<uintptr_t>(&memory));
        cpu.setParam(1, reinterpret_cast<uintptr_t>(&io));
        cpu.setInterruptHandler(Acknowledge, this);
    }
    void load(uint16_t at, std::initializer_list<uint8_t> bytes)
    {
        for (uint8_t b : bytes) mem[at++] = b;
    }
    static uint32_t In(uint32_t port, void* context)
    {
        Machine* m = static_cast<Machine*>(context);
        return m->onIn ? m->onIn(port) : 0xFF;
    }
    static void Out(uint32_t port, uint32_t value, void* context)
    {
        static_cast<Machine*>(context)->portWrites.push_back((uint16_t)port);
    }
    static void Acknowledge(void* context, int32_t vector)
    {
        Machine* m = static_cast<Machine*>(context);
        m->acknowledged.push_back(vector);
        if (m->dropLineOnAcknowledge) m->cpu.setInterrupt(255, false, 0);
    }
};

TEST(Z80Slice, TargetsCountsAndOvershoot)
{
    TestSystemScope sys;
    Machine m;
    m.load(0x0000, { 0xC3, 0x00, 0x00 });   // JP 0: 11 cycles per instruction
    EXPECT_EQ(0, m.cpu.execute(0)) << "target equal to the count runs nothing";
    EXPECT_EQ(0, m.cpu.execute(-5)) << "target below the count runs nothing";
    EXPECT_EQ(11, m.cpu.execute(5)) << "the slice ends after the instruction that passes the target";
    EXPECT_EQ(11, m.cpu.execute(11)) << "the surplus is kept: nothing to run";
    EXPECT_EQ(33, m.cpu.execute(23));
    EXPECT_EQ(33, m.cpu.getCycles());
    m.cpu.reset();
    EXPECT_EQ(33, m.cpu.getCycles()) << "reset keeps the cycle count";
    EXPECT_EQ(4000000, m.cpu.getClock());
    m.cpu.setClock(3993600);
    EXPECT_EQ(3993600, m.cpu.getClock());
    EXPECT_EQ(44, m.cpu.execute(34)) << "the clock does not change the cycle tables";
}

TEST(Z80Slice, IdleAndStopFromAPortHandler)
{
    TestSystemScope sys;
    Machine m;
    m.load(0x0000, { 0xDB, 0x10, 0xC3, 0x00, 0x00 });   // IN A,(10h) (12); JP 0 (11)
    m.onIn = [&](uint32_t) { m.cpu.idle(); return (uint8_t)0; };
    EXPECT_EQ(1000, m.cpu.execute(1000)) << "idle counts the rest of the slice as spent";
    EXPECT_EQ(0x0002, m.cpu.getRegister(6)) << "PC after the IN";
    m.onIn = [&](uint32_t) { m.cpu.stop(); return (uint8_t)0; };
    m.cpu.setRegister(6, 0x0000);
    EXPECT_EQ(1012, m.cpu.execute(2000)) << "stop ends the slice at the end of the instruction";
    // A request made outside a slice has no effect on the next one.
    m.onIn = nullptr;
    m.cpu.idle();
    EXPECT_EQ(1012 + 11 + 12 + 11, m.cpu.execute(1040));
}

// An idle poll (the host device found nothing) skips the rest of the slice
// only when nothing is due: an interrupt accepted right after the poll, or
// one raised and waiting out its delay, runs its handler in this slice.
// Skipping would start the handler a whole timer period late, where the
// next request merges with it.
TEST(Z80Slice, AnIdlePollDoesNotSkipAPendingInterrupt)
{
    TestSystemScope sys;
    struct Case {
        const char* what;
        int64_t delay;   // of the line raised with the CPU at the IN
    };
    const Case cases[] = {
        {"delay used up by the instruction before the poll", 4},
        {"delay still running when the poll idles", 20},
    };
    for (const Case& c : cases) {
        Machine m;
        m.dropLineOnAcknowledge = true;
        // IM 1; EI; 3: IN A,(10h); JP 3. At 38h: LD A,1; LD (8000h),A; JR $.
        m.load(0x0000, { 0xED, 0x56, 0xFB, 0xDB, 0x10, 0xC3, 0x03, 0x00 });
        m.load(0x0038, { 0x3E, 0x01, 0x32, 0x00, 0x80, 0x18, 0xFE });
        m.onIn = [&](uint32_t) { m.cpu.idle(); return (uint8_t)0; };
        EXPECT_EQ(100, m.cpu.execute(100)) << c.what << ": the first poll idles";
        m.cpu.setRegister(6, c.delay == 4 ? 0x0005 : 0x0003);   // at JP 3 or at the IN
        m.cpu.setInterrupt(0xFF, true, c.delay);
        m.cpu.execute(10000);
        EXPECT_EQ(1u, m.acknowledged.size()) << c.what << ": interrupts taken";
        EXPECT_EQ(1, m.mem[0x8000]) << c.what << ": the handler ran in the slice";
        EXPECT_EQ(0x003D, m.cpu.getRegister(6)) << c.what << ": PC spinning at the handler's end";
    }
}

// Interrupt delay: the line is tried in the iteration after the one that
// brings the remaining delay to 0.
TEST(Z80Slice, InterruptDelayTable)
{
    struct Row {
        int64_t delay;
        int instructionsBefore;   // NOPs run before the acceptance
    };
    const Row rows[] = { { 0, 1 }, { 1, 2 }, { 5, 2 }, { 6, 3 }, { 10, 3 }, { 11, 4 } };
    std::printf("%6s %9s %7s\n", "delay", "expected", "actual");
    for (const Row& row : rows) {
        TestSystemScope sys;
        Machine m;
        // IM 1 and interrupts on; NOPs from 0x0100, the handler at 0x0038 halts.
        m.load(0x0038, { 0x76 });
        m.cpu.setRegister(12, Z80_IFF1 | Z80_IFF2 | Z80_IM1);
        m.cpu.setRegister(6, 0x0100);
        m.cpu.setRegister(7, 0x8000);
        m.cpu.setInterrupt(0x38, true, row.delay);
        int nops = 0;
        while (nops < 10 && m.acknowledged.empty()) {
            m.cpu.execute(m.cpu.getCycles() + 1);
            ++nops;
        }
        const int pushed = m.mem[0x7FFE] | m.mem[0x7FFF] << 8;
        const int actual = m.acknowledged.empty() ? -1 : pushed - 0x0100;
        std::printf("%6lld %9d %7d%s\n", (long long)row.delay, row.instructionsBefore, actual,
                    actual == row.instructionsBefore ? "" : "   <-- differs");
        EXPECT_EQ(row.instructionsBefore, actual) << "delay " << row.delay << ": NOPs before the acceptance";
    }
}

TEST(Z80Slice, ASecondRequestRestartsTheDelay)
{
    TestSystemScope sys;
    Machine m;
    m.load(0x0038, { 0x76 });
    m.cpu.setRegister(12, Z80_IFF1 | Z80_IFF2 | Z80_IM1);
    m.cpu.setRegister(6, 0x0100);
    m.cpu.setRegister(7, 0x8000);
    m.cpu.setInterrupt(0x38, true, 10);
    m.cpu.execute(m.cpu.getCycles() + 1);   // one NOP: 5 left
    m.cpu.setInterrupt(0x38, true, 10);     // back to 10
    for (int i = 0; i < 2; ++i) m.cpu.execute(m.cpu.getCycles() + 1);
    EXPECT_TRUE(m.acknowledged.empty()) << "still waiting after the restart";
    m.cpu.execute(m.cpu.getCycles() + 1);
    ASSERT_EQ(1u, m.acknowledged.size());
    EXPECT_EQ(0x38, m.acknowledged[0]);
}

TEST(Z80Slice, LevelLineAcknowledgeAndMode2)
{
    TestSystemScope sys;
    Machine m;
    // Mode 2 table at 0x1234 -> handler 0x0200: EI; RETI.
    m.load(0x0200, { 0xFB, 0xED, 0x4D });
    m.mem[0x1234] = 0x00;
    m.mem[0x1235] = 0x02;
    m.cpu.setRegister(13, 0x12);
    m.cpu.setRegister(12, Z80_IFF1 | Z80_IFF2 | Z80_IM2);
    m.cpu.setRegister(6, 0x0100);
    m.cpu.setRegister(7, 0x8000);
    m.cpu.setInterrupt(0x1034, true, 0);    // only the low 8 bits pick the table entry
    // NOP (5), acceptance (18), EI (5), RETI (16), and as the line is still
    // raised, the next acceptance (18) right after the instruction after EI.
    EXPECT_EQ(5 + 18 + 5 + 16 + 18, m.cpu.execute(5 + 18 + 5 + 16));
    ASSERT_EQ(2u, m.acknowledged.size()) << "the line stays raised: accepted again";
    EXPECT_EQ(0x1034, m.acknowledged[0]) << "the callback gets the whole vector";
    EXPECT_EQ(0x0200, m.cpu.getRegister(6));

    // A callback that drops the line: one acceptance only.
    Machine d;
    d.dropLineOnAcknowledge = true;
    d.load(0x0038, { 0xFB, 0xED, 0x4D });
    d.cpu.setRegister(12, Z80_IFF1 | Z80_IFF2 | Z80_IM1);
    d.cpu.setRegister(6, 0x0100);
    d.cpu.setRegister(7, 0x8000);
    d.cpu.setInterrupt(0xFF, true, 0);
    d.cpu.execute(500);
    EXPECT_EQ(1u, d.acknowledged.size());
}

TEST(Z80Slice, DisabledLineNeverTakenHaltUntilNmi)
{
    TestSystemScope sys;
    Machine m;
    m.load(0x0100, { 0x76 });
    m.load(0x0066, { 0x00, 0xED, 0x45 });   // NOP; RETN
    m.cpu.setRegister(6, 0x0100);
    m.cpu.setRegister(7, 0x8000);
    m.cpu.setInterrupt(0xFF, true, 0);
    EXPECT_EQ(1000, m.cpu.execute(1000)) << "halted: 5 cycles per step";
    EXPECT_TRUE(m.acknowledged.empty());
    EXPECT_EQ(0x0100, m.cpu.getRegister(6));
    m.cpu.setInterrupt(0xFFFF, false, 0);   // NMI line low: nothing
    m.cpu.execute(1010);
    EXPECT_EQ(0x0100, m.cpu.getRegister(6));
    m.cpu.setInterrupt(0xFFFF, true, 0);
    EXPECT_EQ(1010 + 5 + 12, m.cpu.execute(1011)) << "HALT step, then the NMI";
    EXPECT_EQ(0x0066, m.cpu.getRegister(6));
    EXPECT_EQ(0x0101, m.mem[0x7FFE] | m.mem[0x7FFF] << 8) << "the NMI pushed HALT + 1";
    EXPECT_TRUE(m.acknowledged.empty()) << "the NMI does not call the acknowledge callback";
}

TEST(Z80Slice, RegistersParamsAndDump)
{
    TestSystemScope sys;
    Machine m;
    EXPECT_TRUE(m.cpu.setRegister(12, 0x09));
    EXPECT_EQ(0x09u, m.cpu.getRegister(12)) << "status byte: IFF1 and IFF2, mode 0";
    EXPECT_TRUE(m.cpu.setRegister(14, 0x1FF));
    EXPECT_EQ(0xFFu, m.cpu.getRegister(14)) << "R keeps the low 8 bits";
    EXPECT_FALSE(m.cpu.setRegister(15, 1));
    EXPECT_EQ(0u, m.cpu.getRegister(15));
    EXPECT_FALSE(m.cpu.setParam(2, 1234));
    EXPECT_EQ(0u, m.cpu.getParam(2));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(&m.io), m.cpu.getParam(1));

    struct Grid : DebugMonitor {
        char cells[2000];
        Grid() { std::memset(cells, ' ', sizeof cells); }
        bool putString(int32_t x, int32_t y, const char* text) override
        {
            for (int i = y * 80 + x; *text && i < 2000; ++i) cells[i] = *text++;
            return true;
        }
        bool printf(int32_t x, int32_t y, const char* format, ...) override
        {
            char buf[1024];
            va_list a;
            va_start(a, format);
            std::vsnprintf(buf, sizeof buf, format, a);
            va_end(a);
            return putString(x, y, buf);
        }
        bool clear(int32_t, int32_t, int32_t) override { return true; }
        bool dumpHex(int32_t, int32_t, const uint8_t*, int32_t, uint32_t) override { return true; }
        bool putBinary(int32_t, int32_t, uint32_t, int32_t) override { return true; }
        std::string row(int y, int x, int n) const { return std::string(cells + y * 80 + x, n); }
    } grid;
    const uint16_t values[] = { 0xAF01, 0xBC02, 0xDE03, 0x4104, 0x1105, 0x1206, 0x8007, 0xF008,
                                0xAF11, 0xBC12, 0xDE13, 0x4114 };
    for (int i = 0; i < 12; ++i) m.cpu.setRegister(i, values[i]);
    m.cpu.setRegister(13, 0x3C);
    m.cpu.setRegister(14, 0x7E);
    EXPECT_TRUE(m.cpu.dump(40, 2, &grid));
    EXPECT_EQ("PC:8007 SP:F008 IX:1105 IY:1206", grid.row(2, 40, 31));
    EXPECT_EQ("AF:AF01 BC:BC02 DE:DE03 HL:4104", grid.row(3, 40, 31));
    EXPECT_EQ("  :AF11   :BC12   :DE13   :4114", grid.row(4, 40, 31));
    EXPECT_EQ("IFF:09 I:3C R:7E", grid.row(5, 40, 16));
}

// Executing without buses is refused and reported, instead of reaching
// through a null bus.
TEST(Z80Slice, ExecuteWithoutBusesIsRefused)
{
    TestSystemScope sys;
    Z80 cpu(nullptr);
    EXPECT_EQ(0, cpu.execute(1000)) << "count unchanged";
    cpu.setParam(0, reinterpret_cast<uintptr_t>(new Bus(16, 12)));
    EXPECT_EQ(0, cpu.execute(1000)) << "memory bus alone is not enough";
    delete reinterpret_cast<Bus*>(cpu.getParam(0));
    ASSERT_EQ(2u, sys->assertions().size());
    EXPECT_NE(std::string::npos, sys->assertions()[0].find("cpu/Z80")) << sys->assertions()[0];
    EXPECT_EQ(0u, cpu.getRegister(6));

    // The byte accessors outside a slice report and do nothing.
    sys->clear();
    EXPECT_EQ(0, Z80::readMemory(0x1234));
    Z80::writePort(0x12, 0x34);
    ASSERT_EQ(2u, sys->assertions().size());
    EXPECT_NE(std::string::npos, sys->assertions()[0].find("Z80::sCurZ80 != NULL")) << sys->assertions()[0];
}

TEST(Z80Slice, AccessorsReachTheRunningProcessor)
{
    TestSystemScope sys;
    Machine m;
    m.load(0x0000, { 0xDB, 0x00, 0xC3, 0x00, 0x00 });
    m.mem[0x4000] = 0x5A;
    uint8_t seen = 0;
    m.onIn = [&](uint32_t) {
        seen = Z80::readMemory(0x14000);   // masked to 16 bits
        Z80::writeMemory(0x4001, 0x1A5);
        return (uint8_t)0;
    };
    m.cpu.execute(10);
    EXPECT_EQ(0x5A, seen);
    EXPECT_EQ(0xA5, m.mem[0x4001]);
    EXPECT_EQ(nullptr, Z80::sCurZ80) << "cleared after the slice";
}

// Two machines on two threads at once: every access of each must reach its
// own processor. With one process-wide current processor they cross.
TEST(Z80Slice, CurrentProcessorIsPerThread)
{
    TestSystemScope sys;
    struct Checked {
        Machine m;
        std::atomic<int> wrong{ 0 };
        std::atomic<int> calls{ 0 };
    };
    Checked a, b;
    for (Checked* c : { &a, &b }) {
        c->m.load(0x0000, { 0xDB, 0x00, 0xC3, 0x00, 0x00 });   // IN A,(0); JP 0
        Checked* self = c;
        c->m.onIn = [self](uint32_t) {
            self->calls++;
            if (Z80::sCurZ80 != &self->m.cpu) self->wrong++;
            return (uint8_t)0;
        };
    }
    auto run = [](Checked* c) {
        for (int i = 0; i < 200; ++i) c->m.cpu.execute(c->m.cpu.getCycles() + 20000);
    };
    std::thread ta(run, &a), tb(run, &b);
    ta.join();
    tb.join();
    EXPECT_GT(a.calls.load(), 100000);
    EXPECT_EQ(0, a.wrong.load()) << "accesses of machine A that saw another processor";
    EXPECT_EQ(0, b.wrong.load()) << "accesses of machine B that saw another processor";
}

}  // namespace

// Z80::execute against a plain reference: one Z80Core_Step at a time with
// the interrupt line, its delay, the NMI, stop and idle looked at after
// every instruction, as the slice loop did before it let the core run
// instructions in line while nothing is pending. Pseudo-random programs
// (every prefix and opcode, HALT included) run on both in slices of random
// length; their port writes raise and lower the line with random vectors
// and delays, raise it again while it is up, send an NMI, or ask for a stop
// or an idle skip mid-slice, and the acknowledge callback sometimes drops
// the line. After every slice both must agree on the cycle count, every
// register, the port traffic with the cycle it came at, and the
// acknowledged vectors; at the end, on all of memory.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "Bus.h"
#include "Z80.h"
#include "test_system.h"

namespace {

// The slice loop as it was: a step, then the NMI, then the line and its
// delay, then the idle promise, every instruction.
class ReferenceZ80 {
public:
    ReferenceZ80()
    {
        Z80Core_Init(&core, 4000000, 4000000);
        Z80Core_Reset(&core);
        core.buses = &buses;
    }
    void setBuses(Bus* memory, Bus* io) { buses = Z80Buses{ memory, io }; }
    void setInterruptHandler(Z80InterruptHandler h, void* c)
    {
        ack = h;
        ackContext = c;
    }
    int64_t execute(int64_t target)
    {
        state = RUNNING;
        while (cycles < target && state == RUNNING) {
            const int32_t n = Z80Core_Step(&core);
            cycles += n;
            bool taken = false;
            if (nmi) {
                cycles += Z80Core_Interrupt(&core, Z80_NMI_VECTOR);
                nmi = false;
                taken = true;
            } else if (line) {
                if (delay != 0) {
                    delay -= n;
                    if (delay < 0) delay = 0;
                } else {
                    const int32_t r = Z80Core_Interrupt(&core, vector & 0xFFFF);
                    cycles += r;
                    taken = r != 0;
                    if (taken && ack != nullptr) ack(ackContext, (int32_t)vector);
                }
            }
            if (state == IDLE && (taken || line)) state = RUNNING;
        }
        if (state == IDLE && cycles < target) cycles = target;
        return cycles;
    }
    bool setInterrupt(uint32_t v, bool on, int64_t d)
    {
        if (v != Z80_NMI_VECTOR) {
            vector = v;
            line = on;
            delay = d;
        } else if (on) {
            nmi = true;
        }
        return true;
    }
    int32_t stop() { return state = STOP, 1; }
    bool idle() { return state = IDLE, true; }
    int64_t getCycles() { return cycles; }
    uint32_t getRegister(int32_t i)
    {
        const uint32_t r[] = { core.AF, core.BC, core.DE, core.HL, core.IX, core.IY, core.PC, core.SP,
                               core.AF2, core.BC2, core.DE2, core.HL2, core.status, core.I, core.R };
        return r[i];
    }
    bool setRegister(int32_t i, uint16_t v)
    {
        if (i == 7) core.SP = v;
        return i == 7;
    }

    Z80Core core;

private:
    enum { RUNNING, STOP, IDLE };
    Z80Buses buses{ nullptr, nullptr };
    int64_t cycles = 0;
    int state = RUNNING;
    bool nmi = false;
    bool line = false;
    uint32_t vector = 0;
    int64_t delay = 0;
    Z80InterruptHandler ack = nullptr;
    void* ackContext = nullptr;
};

// A machine around either processor: 64 KiB of pseudo-random code, ports
// whose writes drive the processor as a driver's handlers do.
template <class Cpu>
struct Machine {
    uint8_t ram[0x10000];
    Bus memory{ 16, 12 };
    Bus io{ 16, 16 };
    Cpu& cpu;
    uint32_t portState;
    std::vector<int64_t> log;   // (what, cycle) pairs: port traffic and acknowledgements
    int raises = 0, nmis = 0, stops = 0, idles = 0, acknowledged = 0;

    Machine(Cpu& c, uint32_t seed) : cpu(c), portState(seed ^ 0x9E3779B9u)
    {
        // Random bytes, salted with what drives the slice loop: OUT (n),A
        // (whose port and value pick an action below), EI, and the
        // interrupt modes. HALT stays at its natural rate.
        uint32_t x = seed;
        for (int i = 0; i < 0x10000; ++i) {
            x = x * 1103515245u + 12345u;
            ram[i] = (uint8_t)(x >> 16);
            const uint32_t pick = (x >> 8) % 64;
            if (i + 2 >= 0x10000) continue;
            if (pick < 5) {
                ram[i] = 0xD3;   // OUT (n),A; n is the next random byte
            } else if (pick < 7) {
                ram[i] = 0xFB;   // EI
            } else if (pick == 7) {
                ram[i] = 0xED;   // IM 1 or IM 2
                ram[++i] = (x & 0x100) ? 0x56 : 0x5E;
            }
        }
        memory.mapMemory(0x0000, 0xFFFF, ram, true);
        io.mapWrite(0x0000, 0xFFFF, Out, this);
        io.mapRead(0x0000, 0xFFFF, In, this);
        cpu.setInterruptHandler(Acknowledge, this);
        cpu.setRegister(7, 0xF000);
    }
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    void note(int64_t what) { log.insert(log.end(), { what, cpu.getCycles() }); }

    static void Out(uint32_t port, uint32_t value, void* context)
    {
        Machine* m = static_cast<Machine*>(context);
        m->note(0x10000000 | (int64_t)port << 8 | (value & 0xFF));
        // What the write does depends on the port's low byte and the value,
        // both as random as the code.
        const uint32_t v = value & 0xFF;
        switch ((port ^ (v >> 3)) & 15) {
        case 0:
        case 1: m->raises++, m->cpu.setInterrupt(v & 0xFE, true, v % 13); break;   // raise, delay 0..12
        case 2: m->cpu.setInterrupt(0xFF, false, 0); break;                         // lower
        case 3: m->raises++, m->cpu.setInterrupt(v & 0xFE, true, 0); break;        // raise, at once
        case 4:
            if ((v & 7) == 0) m->nmis++, m->cpu.setInterrupt(Z80_NMI_VECTOR, true, 0);
            break;
        case 5: m->stops++, m->cpu.stop(); break;
        case 6:
        case 7: m->idles++, m->cpu.idle(); break;
        default: break;
        }
    }
    static uint32_t In(uint32_t port, void* context)
    {
        Machine* m = static_cast<Machine*>(context);
        m->portState = m->portState * 1664525u + 1013904223u;
        m->note(0x20000000 | (int64_t)port);
        return (m->portState >> 24) ^ port;
    }
    static void Acknowledge(void* context, int32_t vector)
    {
        Machine* m = static_cast<Machine*>(context);
        m->acknowledged++;
        m->note(0x30000000 | (int64_t)(uint32_t)vector);
        if (vector & 2) m->cpu.setInterrupt(0xFF, false, 0);
    }
};

const char* const kRegisterNames[15] = { "AF", "BC", "DE", "HL", "IX", "IY", "PC", "SP",
                                         "AF'", "BC'", "DE'", "HL'", "status", "I", "R" };

// The first difference between the two after a slice, or "".
template <class A, class B>
std::string Compare(Machine<A>& fast, Machine<B>& plain, int64_t reachedFast, int64_t reachedPlain)
{
    std::ostringstream out;
    if (reachedFast != reachedPlain) out << "cycles reached: expected " << reachedPlain << ", actual " << reachedFast << "\n";
    for (int32_t r = 0; r < 15; ++r) {
        const uint32_t e = plain.cpu.getRegister(r), a = fast.cpu.getRegister(r);
        if (e != a) out << kRegisterNames[r] << ": expected " << std::hex << e << ", actual " << a << std::dec << "\n";
    }
    if (fast.log != plain.log) {
        size_t i = 0;
        while (i < fast.log.size() && i < plain.log.size() && fast.log[i] == plain.log[i]) ++i;
        out << "traffic differs at entry " << i / 2 << " of " << plain.log.size() / 2 << " (expected) and "
            << fast.log.size() / 2 << " (actual)";
        if (i < plain.log.size()) out << "; expected " << std::hex << plain.log[i] << std::dec;
        if (i < fast.log.size()) out << ", actual " << std::hex << fast.log[i] << std::dec;
        out << "\n";
    }
    return out.str();
}

TEST(Z80Execute, MatchesThePlainStepLoopOverManySeeds)
{
    TestSystemScope sys;
    const int kSeeds = 150;
    const int kSlices = 120;
    int64_t cyclesRun = 0;
    int raises = 0, nmis = 0, stops = 0, idles = 0, acknowledged = 0;
    for (int seed = 1; seed <= kSeeds; ++seed) {
        Z80 z80(nullptr);
        ReferenceZ80 reference;
        Machine<Z80> fast(z80, (uint32_t)seed);
        Machine<ReferenceZ80> plain(reference, (uint32_t)seed);
        z80.setParam(0, reinterpret_cast<uintptr_t>(&fast.memory));
        z80.setParam(1, reinterpret_cast<uintptr_t>(&fast.io));
        reference.setBuses(&plain.memory, &plain.io);

        uint32_t x = (uint32_t)seed * 2654435761u;
        int64_t target = 0;
        for (int slice = 0; slice < kSlices; ++slice) {
            x = x * 1103515245u + 12345u;
            // Mostly short slices (a timer's span), now and then a long one.
            target += 1 + (x >> 8) % ((x & 0x10) ? 4000 : 200);
            // A stop ends the slice early; the machine calls again, as the VM does.
            int64_t a = 0, b = 0;
            for (int again = 0; again < 50 && (a < target || b < target); ++again) {
                a = z80.execute(target);
                b = reference.execute(target);
                const std::string diff = Compare(fast, plain, a, b);
                ASSERT_EQ(diff, "") << "seed " << seed << ", slice " << slice << " to cycle " << target;
            }
        }
        ASSERT_EQ(std::memcmp(fast.ram, plain.ram, sizeof fast.ram), 0) << "memory differs, seed " << seed;
        cyclesRun += z80.getCycles();
        raises += fast.raises;
        nmis += fast.nmis;
        stops += fast.stops;
        idles += fast.idles;
        acknowledged += fast.acknowledged;
    }
    EXPECT_TRUE(sys->assertions().empty());
    // Every path of the slice loop was taken many times over.
    std::printf("%lld cycles; %d raises, %d acknowledged, %d NMIs, %d stops, %d idles\n", (long long)cyclesRun, raises,
                acknowledged, nmis, stops, idles);
    EXPECT_GT(raises, 1000);
    EXPECT_GT(acknowledged, 1000);
    EXPECT_GT(nmis, 100);
    EXPECT_GT(stops, 1000);
    EXPECT_GT(idles, 1000);
}

}  // namespace

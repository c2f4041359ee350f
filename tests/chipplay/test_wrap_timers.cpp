// Timers A and B of the FM chips on the VM's time line: periods, interrupt
// edges, a timer started after the machine has idled, the driver's callback
// clearing the flag from inside the edge, and a stopped chip that never
// wakes the VM.
#include "YM2151.h"
#include "YM2203.h"
#include "YM2608.h"
#include "test_vm_fakes.h"
#include "wrap_fixture.h"

#include <cmath>
#include <string>

namespace {

struct Edge {
    int64_t time;
    bool line;
};

struct TimerCase {
    const char* name;
    bool timerB;
    int value;        // A: 10 bits, B: 8 bits
    double stepUs;    // one step of the timer
};

// Registers of the OPN family and of the OPM.
struct TimerRegs {
    uint32_t aHigh, aLow, b, control;
};
const TimerRegs kOpnRegs = {0x24, 0x25, 0x26, 0x27};
const TimerRegs kOpmRegs = {0x10, 0x11, 0x12, 0x14};

// Starts the timer at VM time `start`, then steps the VM from one chip-timer
// expiry to the next until `until`, noting each change of the interrupt line
// and clearing the flag at each rise, as a driver's interrupt routine does.
template <class C>
std::vector<Edge> RunTimer(OnVm<C>& m, const TimerRegs& r, const TimerCase& c, int64_t start, int64_t until)
{
    const RegWrite w = m.w();
    m.vm.run(start);
    if (c.timerB) {
        w(r.b, static_cast<uint8_t>(c.value));
    } else {
        w(r.aHigh, static_cast<uint8_t>(c.value >> 2));
        w(r.aLow, static_cast<uint8_t>(c.value & 3));
    }
    const uint8_t run = c.timerB ? 0x0A : 0x05;
    const uint8_t clear = c.timerB ? 0x20 : 0x10;
    w(r.control, run);
    std::vector<Edge> edges;
    bool last = m.chip->getInterruptLine();
    for (;;) {
        const int64_t next = m.chip->getTimer().nextTime();
        if (next < 0 || next > until) break;
        m.vm.run(next - m.vm.getTime());
        if (m.chip->getInterruptLine() != last) {
            last = !last;
            edges.push_back({m.vm.getTime(), last});
        }
        if (last) {
            w(r.control, run | clear);
            if (!m.chip->getInterruptLine()) {
                last = false;
                edges.push_back({m.vm.getTime(), false});
            }
        }
    }
    return edges;
}

void CheckEdges(const std::vector<Edge>& edges, const TimerCase& c, int steps, int64_t start, int64_t until)
{
    const double period = steps * c.stepUs;
    const int expectedRises = static_cast<int>((until - start) / period);
    ASSERT_EQ(2u * expectedRises, edges.size()) << c.name << ": edges in " << until - start << " us, period "
                                                << period << " us";
    for (int k = 0; k < expectedRises; k++) {
        const double due = start + (k + 1) * period;
        EXPECT_TRUE(edges[2 * k].line) << c.name << " edge " << 2 * k;
        EXPECT_FALSE(edges[2 * k + 1].line) << c.name << " edge " << 2 * k + 1;
        // The OPN cores count in steps of their FM sample clock in whole
        // hertz (55466 for 55466.67): 12 ppm slow, within a crystal's
        // tolerance.
        EXPECT_NEAR(std::ceil(due), static_cast<double>(edges[2 * k].time), 1.0 + (due - start) * 2e-5)
            << c.name << " rise " << k + 1 << ": expected at " << due << " us, actual " << edges[2 * k].time;
        EXPECT_EQ(edges[2 * k].time, edges[2 * k + 1].time) << c.name << " fall " << k + 1 << " at the clear";
    }
}

}  // namespace

// A timer of value 0 runs 1024 (A) or 256 (B, 16 A-steps each) steps: the
// OPM's A step is 64 master cycles, the OPN family's 72 with prescaler 6
// (the OPNA's master clock being twice as fast, 144). Each is started 30 ms
// after the machine came up, idle until then.
TEST(WrapTimers, PeriodsAndEdgesOnTheVmTimeLine)
{
    const double opnStep = 72e6 / 3993600;
    const double opmStep = 64e6 / 4000000;
    const int64_t start = 30000, until = 430000;
    const TimerCase opn[] = {{"YM2203 A 0", false, 0, opnStep},     {"YM2203 A 1000", false, 1000, opnStep},
                             {"YM2203 B 0", true, 0, 16 * opnStep}, {"YM2203 B 200", true, 200, 16 * opnStep}};
    for (const TimerCase& c : opn) {
        OnVm<YM2203> m(3993600);
        CheckEdges(RunTimer(m, kOpnRegs, c, start, until), c, c.timerB ? 256 - c.value : 1024 - c.value, start, until);
    }
    const TimerCase opna[] = {{"YM2608 A 0", false, 0, 144e6 / 7987200}, {"YM2608 B 0", true, 0, 16 * 144e6 / 7987200}};
    for (const TimerCase& c : opna) {
        OnVm<YM2608> m(7987200);
        CheckEdges(RunTimer(m, kOpnRegs, c, start, until), c, c.timerB ? 256 - c.value : 1024 - c.value, start, until);
    }
    const TimerCase opm[] = {{"YM2151 A 0", false, 0, opmStep},     {"YM2151 A 1000", false, 1000, opmStep},
                             {"YM2151 B 0", true, 0, 16 * opmStep}, {"YM2151 B 200", true, 200, 16 * opmStep}};
    for (const TimerCase& c : opm) {
        OnVm<YM2151> m(4000000);
        CheckEdges(RunTimer(m, kOpmRegs, c, start, until), c, c.timerB ? 256 - c.value : 1024 - c.value, start, until);
    }
}

namespace {

struct Listener {
    OnVm<YM2203>* m = nullptr;
    std::vector<std::string> calls;
};

void OnInterrupt(void* context, int32_t line, int32_t argument)
{
    Listener* l = static_cast<Listener*>(context);
    l->calls.push_back(std::to_string(l->m->vm.getTime()) + ":" + std::to_string(line) + "/" +
                       std::to_string(argument));
    // The interrupt routine clears timer A's flag at once.
    if (line) {
        l->m->chip->write(0, 0x27);
        l->m->chip->write(1, 0x15);
    }
}

}  // namespace

// The callback hears each change once, with its argument; the routine's
// write from inside the callback neither recounts the elapsed time nor loses
// the next period. Stopped timers leave the chip unscheduled.
TEST(WrapTimers, CallbackHearsEachChangeAndStoppedTimersNeverWake)
{
    OnVm<YM2203> m(3993600);
    Listener l;
    l.m = &m;
    EXPECT_EQ(-1, m.chip->getTimer().nextTime()) << "timers stopped after init";
    m.chip->attach(OnInterrupt, &l, 7);
    const RegWrite w = m.w();
    w(0x24, 0);
    w(0x25, 0);
    w(0x27, 0x05);
    m.vm.run(60000);
    // 1024 x 72 / 3993600 s = 18461.54 us; the core counts 1024 steps of
    // its FM sample clock in whole hertz, 55466 Hz: 18461.76 us.
    const std::vector<std::string> expected = {"18462:1/7", "18462:0/7", "36924:1/7", "36924:0/7", "55386:1/7",
                                               "55386:0/7"};
    ASSERT_EQ(expected.size(), l.calls.size());
    for (size_t i = 0; i < expected.size(); i++)
        EXPECT_EQ(expected[i], l.calls[i]) << "callback " << i << " (time:line/argument)";

    w(0x27, 0x00);
    EXPECT_EQ(-1, m.chip->getTimer().nextTime()) << "timers stopped again";
    m.vm.run(100000);
    EXPECT_EQ(expected.size(), l.calls.size()) << "no callback while stopped";
    EXPECT_EQ(0, m.chip->read(0)) << "status";
}

namespace {

struct EdgeLog {
    VM* vm = nullptr;
    std::vector<Edge> edges;
};

void OnEdge(void* context, int32_t line, int32_t)
{
    EdgeLog* log = static_cast<EdgeLog*>(context);
    log->edges.push_back({log->vm->getTime(), line != 0});
}

}  // namespace

// A CPU that starts the timer in the middle of its slice: the period runs
// from the write, not from the start of the slice, and the write ends the
// slice so that the VM wakes at the new deadline.
TEST(WrapTimers, TimerStartedByTheCpuMidSliceRunsFromTheWrite)
{
    OnVm<YM2608> m(7987200);
    FakeCpu cpu;   // 4 MHz
    m.vm.setCpu(&cpu);
    EdgeLog log;
    log.vm = &m.vm;
    m.chip->attach(OnEdge, &log, 0);
    const RegWrite w = m.w();
    cpu.events.insert({40000, [&] {   // 10 ms into the slice
        w(0x24, 0);
        w(0x25, 0);
        w(0x27, 0x05);
    }});
    m.vm.run(50000);
    ASSERT_EQ(1u, log.edges.size()) << "edges in 50 ms";
    EXPECT_TRUE(log.edges[0].line);
    EXPECT_NEAR(10000 + 18461.76, static_cast<double>(log.edges[0].time), 1.0)
        << "rise: expected 10 ms + 1024 x 144 / 7987200 s, actual " << log.edges[0].time << " us";
    EXPECT_GE(cpu.targets.size(), 2u) << "the write ended the CPU slice";
}

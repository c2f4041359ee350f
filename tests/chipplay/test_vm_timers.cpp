// The VM's clock: CPU slices up to the next timer, periodic timers, their
// order and the mended period of 0.
#include "test_system.h"
#include "test_vm_fakes.h"

#include "Timer.h"
#include "VM.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Records (id, VM time) of every firing.
struct Log {
    VM* vm = nullptr;
    std::vector<std::pair<int32_t, int64_t>> fired;
};

void OnTimer(void* context, int32_t id)
{
    Log* log = static_cast<Log*>(context);
    log->fired.push_back({id, log->vm->getTime()});
}

std::string Ids(const Log& log)
{
    std::string s;
    for (auto f : log.fired) s += std::to_string(f.first);
    return s;
}

TEST(VmRun, OneSecondIn32MsStepsSplitsAtEveryExpiryWithoutDrift)
{
    TestSystemScope sys;
    VM vm;
    FakeCpu cpu;
    vm.setCpu(&cpu);
    Log log;
    log.vm = &vm;
    Timer frame(&vm, OnTimer, &log, 16666, 1);   // the drivers' 60 Hz
    Timer fast(&vm, OnTimer, &log, 1666, 2);
    vm.addTimer(&frame);
    vm.addTimer(&fast);

    for (int step = 0; step < 31; step++) vm.run(32000);
    vm.run(8000);   // 31 x 32 ms + 8 ms = 1 s

    EXPECT_EQ(vm.getTime(), 1000000) << "VM time after 1 s";
    EXPECT_EQ(cpu.cycles, 4000000) << "CPU cycles after 1 s at 4 MHz";
    int frames = 0, fasts = 0;
    for (auto f : log.fired) {
        int64_t period = f.first == 1 ? 16666 : 1666;
        int n = f.first == 1 ? ++frames : ++fasts;
        EXPECT_EQ(f.second, n * period) << "timer " << f.first << " firing " << n << ": expected VM time "
                                        << n * period << ", actual " << f.second;
    }
    EXPECT_EQ(frames, 60) << "16666 us timer firings in 1 s";
    EXPECT_EQ(fasts, 600) << "1666 us timer firings in 1 s";

    // Every slice ended exactly at an expiry or at a step's end, in cycles
    // rounded up from the microsecond time.
    std::vector<int64_t> expected;
    for (int64_t t = 1666; t <= 1000000; t += 1666) expected.push_back((4000000 * t + 999999) / 1000000);
    for (int64_t t = 16666; t <= 1000000; t += 16666) expected.push_back(t * 4);
    for (int64_t t = 32000; t <= 992000; t += 32000) expected.push_back(t * 4);
    expected.push_back(4000000);
    std::sort(expected.begin(), expected.end());
    expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
    ASSERT_EQ(cpu.targets.size(), expected.size()) << "number of CPU slices";
    for (size_t i = 0; i < expected.size(); i++) {
        EXPECT_EQ(cpu.targets[i], expected[i]) << "slice " << i << " target cycles";
    }
}

TEST(VmRun, EmptyOrNegativeSpansDoNothingAndNoTimersMeansOneSlice)
{
    TestSystemScope sys;
    VM vm;
    FakeCpu cpu;
    vm.setCpu(&cpu);
    vm.run(0);
    vm.run(-5000);
    EXPECT_TRUE(cpu.targets.empty()) << "a span of 0 or less ran the CPU";
    EXPECT_EQ(vm.getTime(), 0);

    vm.run(250000);
    ASSERT_EQ(cpu.targets.size(), 1u);
    EXPECT_EQ(cpu.targets[0], 1000000);
    EXPECT_EQ(vm.getTime(), 250000);

    VM bare;   // no CPU, no driver: time only moves
    bare.run(12345);
    EXPECT_EQ(bare.getTime(), 12345);
}

TEST(VmRun, OvershootCarriesOverAndALateTimerFiresOnceAndSkipsWholePeriods)
{
    TestSystemScope sys;
    VM vm;
    FakeCpu cpu;
    cpu.overshoot = 4 * 35000;   // one slice runs 35 ms too long
    vm.setCpu(&cpu);
    Log log;
    log.vm = &vm;
    Timer t(&vm, OnTimer, &log, 10000, 7);
    vm.addTimer(&t);

    vm.run(10000);   // target 10 ms, reached 45 ms
    ASSERT_EQ(log.fired.size(), 1u) << "a timer several periods late fires once";
    EXPECT_EQ(vm.getTime(), 45000) << "the overshoot is carried into the VM time";
    EXPECT_EQ(t.nextTime(), 50000) << "next expiry: the first whole period after 45 ms";

    cpu.overshoot = 0;
    vm.run(10000);   // 45 ms to 55 ms: the expiry at 50 ms
    ASSERT_EQ(log.fired.size(), 2u);
    EXPECT_EQ(log.fired[1].second, 50000);
    EXPECT_EQ(t.nextTime(), 60000);
}

TEST(VmRun, StopAndIdleEndTheSliceFromInsideThePortHandler)
{
    TestSystemScope sys;
    VM vm;
    FakeCpu cpu;
    vm.setCpu(&cpu);
    EXPECT_TRUE(vm.stopCpu()) << "no CPU running: nothing to stop";
    EXPECT_TRUE(vm.idleCpu());

    int64_t seen = -1;
    cpu.events.insert({1000, [&] {
                           seen = vm.getTime();   // the CPU's own time while it runs
                           vm.stopCpu();
                       }});
    vm.run(1000);   // 4000 cycles, stopped at 1000
    EXPECT_EQ(seen, 250) << "VM time inside the slice, from the CPU's cycles";
    ASSERT_EQ(cpu.targets.size(), 2u) << "a stopped slice is followed by another to the end";
    EXPECT_EQ(cpu.targets[1], 4000);
    EXPECT_EQ(vm.getTime(), 1000);

    cpu.events.insert({5000, [&] { vm.idleCpu(); }});
    cpu.overshoot = 0;
    size_t before = cpu.targets.size();
    vm.run(1000);
    EXPECT_EQ(cpu.targets.size(), before + 1) << "an idle slice counts its rest as spent";
    EXPECT_EQ(cpu.cycles, 8000);
}

TEST(TimerList, EqualTimesFireInInsertionOrderAndFiredTimersGoBehind)
{
    TestSystemScope sys;
    VM vm;
    Log log;
    log.vm = &vm;
    Timer a(&vm, OnTimer, &log, 1000, 1);
    Timer b(&vm, OnTimer, &log, 1000, 2);
    Timer c(&vm, OnTimer, &log, 500, 3);
    Timer d(&vm, OnTimer, &log, 2000, 4);
    vm.addTimer(&d);
    vm.addTimer(&a);
    vm.addTimer(&b);
    vm.addTimer(&c);

    vm.run(1000);   // c at 500; a, b, c at 1000
    EXPECT_EQ(Ids(log), "3123") << "firing order up to 1 ms";
    log.fired.clear();
    // At 1000 each fired timer moved behind every one with an equal or
    // earlier expiry: at 1500 c; at 2000 d (listed first), then a, b, c.
    vm.run(1000);
    EXPECT_EQ(Ids(log), "34123") << "firing order from 1 ms to 2 ms";

    vm.removeTimer(&d);
    vm.removeTimer(&d);   // twice is harmless
    log.fired.clear();
    vm.run(2000);
    EXPECT_EQ(Ids(log).find('4'), std::string::npos) << "a removed timer fired";

    EXPECT_FALSE(vm.addTimer(nullptr));
    EXPECT_FALSE(vm.removeTimer(nullptr));
    EXPECT_EQ(sys->assertions().size(), 2u);
}

// Added twice, listed once: advance() must not lose its place when the timer
// re-sorts itself (a second entry would vanish under it).
TEST(TimerList, ATimerAddedTwiceIsListedOnce)
{
    TestSystemScope sys;
    VM vm;
    Log log;
    log.vm = &vm;
    Timer e(&vm, OnTimer, &log, 100, 5);
    Timer f(&vm, OnTimer, &log, 100, 6);
    vm.addTimer(&e);
    vm.addTimer(&f);
    vm.addTimer(&e);
    vm.run(250);
    EXPECT_EQ(Ids(log), "6565") << "firing order";
    vm.removeTimer(&e);
    vm.removeTimer(&f);
}

// Without a CPU a slice ends at its target; a timer whose expiry lies before
// the current time (added late) must not move the clock back.
TEST(VmRun, ATimerAddedLateFiresAtTheCurrentTimeAndTheClockNeverGoesBack)
{
    TestSystemScope sys;
    VM vm;
    vm.run(4000);
    Log log;
    log.vm = &vm;
    Timer late(&vm, OnTimer, &log, 100, 1);   // next expiry 100, long past
    vm.addTimer(&late);
    vm.run(150);
    ASSERT_EQ(log.fired.size(), 2u) << "fired at once, then on its period";
    EXPECT_EQ(log.fired[0].second, 4000) << "VM time of the late firing";
    EXPECT_EQ(log.fired[1].second, 4100);
    EXPECT_EQ(vm.getTime(), 4150);
    vm.removeTimer(&late);
}

struct Restarter {
    VM* vm;
    Timer* timer;
    int calls = 0;
};

void RestartLonger(void* context, int32_t)
{
    Restarter* r = static_cast<Restarter*>(context);
    r->calls++;
    r->timer->setPeriod(3000, true);
}

TEST(Timer, CallbackRestartAndPeriodChanges)
{
    TestSystemScope sys;
    VM vm;
    Restarter r{&vm, nullptr};
    Timer t(&vm, RestartLonger, &r, 1000, 1);
    r.timer = &t;
    vm.addTimer(&t);
    vm.run(1000);
    EXPECT_EQ(r.calls, 1);
    EXPECT_EQ(t.nextTime(), 4000) << "the callback's restart is kept, not advanced by a period";

    Log log;
    log.vm = &vm;
    Timer u(&vm, OnTimer, &log, 1000, 2);   // next at 1000, already past
    vm.addTimer(&u);
    vm.run(500);   // fires once at 1000, next 2000
    u.setPeriod(300, false);
    EXPECT_EQ(u.nextTime(), 2000) << "without restart the new period waits for the next expiry";
    vm.run(500);   // 2000: fires, next 2300
    EXPECT_EQ(u.nextTime(), 2300);
    u.setPeriod(700, true);
    EXPECT_EQ(u.nextTime(), 2700) << "restart counts from the VM time";
    vm.removeTimer(&t);
    vm.removeTimer(&u);
}

// A period of 0 or less would keep the timer at the current time for ever
// (VM::run would never end): such a timer is unscheduled.
TEST(Timer, PeriodOfZeroOrLessLeavesTheTimerUnscheduled)
{
    TestSystemScope sys;
    VM vm;
    Log log;
    log.vm = &vm;
    Timer zero(&vm, OnTimer, &log, 0, 1);
    Timer negative(&vm, OnTimer, &log, -16666, 2);
    Timer running(&vm, OnTimer, &log, 1000, 3);
    EXPECT_EQ(zero.nextTime(), -1) << "period 0";
    EXPECT_EQ(negative.nextTime(), -1) << "negative period";
    vm.addTimer(&zero);
    vm.addTimer(&negative);
    vm.addTimer(&running);

    vm.run(2500);
    EXPECT_EQ(Ids(log), "33") << "only the positive period fires";

    running.setPeriod(0, false);
    EXPECT_EQ(running.nextTime(), -1) << "a period set to 0 unschedules at once";
    vm.run(5000);
    EXPECT_EQ(Ids(log), "33");

    zero.setPeriod(1000, true);   // scheduled again from now (7500)
    EXPECT_EQ(zero.nextTime(), 8500);
    vm.run(1000);
    EXPECT_EQ(Ids(log), "331");
    vm.removeTimer(&zero);
    vm.removeTimer(&negative);
    vm.removeTimer(&running);
}

}  // namespace

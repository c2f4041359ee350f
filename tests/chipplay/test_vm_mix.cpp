// Streams, mix, fade, tempo, channel masks and the driver seen through the
// VM, over a fake CPU and constant-level fake chips.
#include "test_system.h"
#include "test_vm_fakes.h"

#include "VM.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

struct Output {
    std::vector<int32_t> samples = std::vector<int32_t>(2 * 20000, 0x55555555);
    int32_t written = -1;
    int32_t left(int i) const { return samples[2 * i]; }
    int32_t right(int i) const { return samples[2 * i + 1]; }
};

bool Render(VM& vm, Output& out, int32_t max = 20000)
{
    return vm.render(out.samples.data(), max, &out.written);
}

// 32 ticks of 32 ms as the player runs them: the device takes 1411.2 frames
// per tick on average (1411 or 1412); the player runs the VM for their time
// and renders them. Every tick gets exactly its frames, and the chip makes
// each frame once; a CPU that overshoots every slice by one long instruction
// leaves at most a frame or two waiting in the stream.
TEST(VmStreams, PlayerTicksOverASecondRenderEveryFrameOnceWithoutDrift)
{
    for (int64_t overshoot : {0, 37}) {
        TestSystemScope sys;
        VM vm;
        FakeCpu cpu;
        cpu.overshoot = overshoot;
        vm.setCpu(&cpu);
        FakeChip chip(&vm, 3, 100, -100);
        Output out;
        int64_t total = 0;
        for (int k = 0; k < 32; k++) {
            int32_t frames = static_cast<int32_t>((k + 1) * 14112 / 10 - k * 14112 / 10);
            vm.run(vm.samplesToTime(frames, 44100));
            ASSERT_TRUE(Render(vm, out, frames));
            EXPECT_EQ(out.written, frames) << "overshoot " << overshoot << ", tick " << k << ": frames rendered";
            EXPECT_EQ(out.left(0), 100);
            EXPECT_EQ(out.right(frames - 1), -100);
            total += out.written;
        }
        EXPECT_EQ(total, 45158) << "overshoot " << overshoot << ": frames in 1.024 s";
        EXPECT_LE(chip.generated - total, 2) << "overshoot " << overshoot << ": frames made but not played";
        EXPECT_EQ(chip.stream()->getPending(), chip.generated - total);
        if (overshoot == 0) {
            EXPECT_EQ(chip.generated, total);
            EXPECT_GE(vm.getTime(), 1024000 - 32) << "VM time lags by less than 1 us per tick";
            EXPECT_LE(vm.getTime(), 1024000);
        }
        EXPECT_TRUE(sys->assertions().empty());
    }
}

TEST(VmStreams, ARegisterWriteSplitsTheOutputAtItsExactFrame)
{
    TestSystemScope sys;
    VM vm;
    FakeCpu cpu;
    vm.setCpu(&cpu);
    FakeChip chip(&vm, 3, 1000, 1000);
    // The CPU writes the chip at 10001 us (cycle 40004 at 4 MHz).
    cpu.events.insert({40004, [&] { chip.write(2000, -2000); }});
    vm.run(20000);
    Output out;
    Render(vm, out);
    ASSERT_EQ(out.written, 882) << "frames in 20 ms";
    const int split = 442;   // ceil(10001 us x 44100 / 1000000)
    for (int i = 0; i < out.written; i++) {
        int32_t l = i < split ? 1000 : 2000, r = i < split ? 1000 : -2000;
        if (out.left(i) != l || out.right(i) != r) {
            ADD_FAILURE() << "frame " << i << ": expected " << l << "/" << r << ", actual " << out.left(i) << "/"
                          << out.right(i);
            break;
        }
    }
    EXPECT_EQ(chip.calls, 2) << "generate calls: up to the write, then after the slice";
}

TEST(VmMix, StreamsAddUpAndAreClampedTo16Bits)
{
    TestSystemScope sys;
    VM vm;
    FakeChip a(&vm, 3, 30000, -30000);
    FakeChip b(&vm, 6, 5000, -5000);
    vm.run(1000);
    Output out;
    Render(vm, out);
    ASSERT_EQ(out.written, 45);
    EXPECT_EQ(out.left(0), 32767);
    EXPECT_EQ(out.right(44), -32768);

    b.left = -10000;
    b.right = 10000;
    vm.run(1000);
    Render(vm, out);
    EXPECT_EQ(out.left(0), 20000);
    EXPECT_EQ(out.right(0), -20000);
    EXPECT_EQ(out.samples[2 * out.written], 0x55555555) << "written past the frames rendered";
}

TEST(VmMix, RenderCutToMaxDropsTheRestOfTheTime)
{
    TestSystemScope sys;
    VM vm;
    FakeChip chip(&vm, 3, 7, 7);
    Output out;
    Render(vm, out);
    EXPECT_EQ(out.written, 0) << "nothing elapsed";
    vm.run(100000);
    Render(vm, out, 1000);
    EXPECT_EQ(out.written, 1000) << "cut to max";
    vm.run(10000);
    Render(vm, out, 20000);
    EXPECT_EQ(out.written, 441) << "the cut time is not rendered later";
    Render(vm, out, -5);
    EXPECT_EQ(out.written, 0);
}

// A span longer than a stream's four seconds: the slice's fill reports it and
// generates nothing; the render takes no more than a stream can hold, so a
// large max never reads or writes past the buffer.
TEST(VmMix, OneRenderTakesAtMostOneStreamBuffer)
{
    TestSystemScope sys;
    VM vm;
    FakeChip chip(&vm, 3, 11, -11);
    vm.run(5000000);
    ASSERT_EQ(sys->assertions().size(), 1u) << "fill of five seconds";
    EXPECT_NE(sys->assertions()[0].find("mFilledPos + shortage < BUFFER_SIZE"), std::string::npos)
        << sys->assertions()[0];
    EXPECT_EQ(chip.generated, 0);

    std::vector<int32_t> big(2 * 300000, 0x55555555);
    int32_t written = -1;
    ASSERT_TRUE(vm.render(big.data(), 300000, &written));
    EXPECT_EQ(written, SoundStream::BUFFER_SIZE - 1) << "frames of one render";
    EXPECT_EQ(big[0], 11);
    EXPECT_EQ(big[2 * written - 1], -11);
    EXPECT_EQ(big[2 * written], 0x55555555);
    EXPECT_EQ(sys->assertions().size(), 1u);

    // Consuming more than was generated keeps the read position behind it.
    chip.stream()->consume(1000);
    EXPECT_EQ(chip.stream()->getPending(), 0);
    vm.run(1000);
    Output out;
    Render(vm, out);
    EXPECT_EQ(out.written, 45);
    EXPECT_EQ(out.left(44), 11);
    EXPECT_EQ(sys->assertions().size(), 1u);
}

TEST(VmMix, FadeFallsLinearlyToSilenceAndStaysSilentUntilSwitchedOff)
{
    TestSystemScope sys;
    VM vm;
    FakeChip chip(&vm, 3, 9000, -9000);
    vm.fade(true, 1000);   // 1 ms = 45 frames
    EXPECT_EQ(vm.getFadeTotal(), 45);
    vm.run(2267);          // 100 frames
    Output out;
    Render(vm, out);
    ASSERT_EQ(out.written, 100);
    for (int i = 0; i < 100; i++) {
        int32_t l = i < 45 ? 9000 * (45 - i) / 45 : 0;
        EXPECT_EQ(out.left(i), l) << "frame " << i << " left";
        EXPECT_EQ(out.right(i), -l) << "frame " << i << " right";
    }
    EXPECT_EQ(vm.getFadeRemaining(), -1);
    vm.run(1000);
    Render(vm, out);
    EXPECT_EQ(out.left(0), 0) << "silent after the fade";

    vm.fade(false, 0);
    vm.run(1000);
    Render(vm, out);
    EXPECT_EQ(out.left(0), 9000) << "fade off";

    vm.fade(true, 0);
    EXPECT_EQ(vm.getFadeTotal(), 1);
    EXPECT_EQ(vm.getFadeRemaining(), 0);
    vm.run(1000);
    Render(vm, out);
    EXPECT_EQ(out.left(0), 0) << "a fade of 0 mutes at once";
    EXPECT_EQ(out.right(44), 0);

    vm.fade(true, -1000);
    EXPECT_EQ(vm.getFadeTotal(), 1) << "a negative length mutes at once too";
    EXPECT_EQ(vm.getFadeRemaining(), 0);
}

// The fade is machine time: at tempo 100 (five times faster) a 1 s fade
// lasts 8820 output frames and ends where one second of the song ends.
TEST(VmMix, FadeEndsAtTheSameMachineTimeWhateverTheTempo)
{
    TestSystemScope sys;
    VM vm;
    FakeChip chip(&vm, 3, 9000, 9000);
    vm.setSpeed(100);
    vm.fade(true, 1000000);
    EXPECT_EQ(vm.getFadeTotal(), 8820) << "fade frames at speed 1280";
    vm.run(1000000);
    Output out;
    Render(vm, out);
    ASSERT_EQ(out.written, 8820) << "frames for 1 s of machine time at speed 1280";
    EXPECT_EQ(out.left(0), 9000);
    EXPECT_EQ(out.left(4410), 4500) << "half way";
    EXPECT_EQ(out.left(8819), 1) << "last frame of the second";
    EXPECT_EQ(vm.getFadeRemaining(), 0) << "the fade has run out with the second";
    EXPECT_EQ(chip.generated, 8820);
}

TEST(VmSpeed, ConversionsAndTempoTable)
{
    TestSystemScope sys;
    VM vm;
    struct Case {
        int32_t tempo;
        int32_t speed;
        int64_t span;
        int32_t frames;
        int32_t back;          // frames converted back with samplesToTime
        int64_t backTime;
    };
    const Case cases[] = {
        {0, 256, 1000000, 44100, 44100, 1000000},
        {0, 256, 1, 1, 1, 22},                       // a part of a frame is a frame
        {0, 256, 0, 0, 0, 0},
        {0, 256, 200000000, 8820000, 8820000, 200000000},   // 200 s: 64-bit arithmetic
        {100, 1280, 1000000, 8820, 44100, 5000000},
        {-100, 51, 1000000, 221364, 44100, 199218},
        {50, 572, 1000000, 19737, 44100, 2234375},
        {-400, 1, 1000, 11520, 1, 0},                // speed kept at least 1
        {2000, 2147483647, 1000000, 0, 1, 184549375},  // speed kept within 32 bits
    };
    for (const Case& c : cases) {
        vm.setSpeed(c.tempo);
        EXPECT_EQ(vm.getSpeed(), c.tempo);
        EXPECT_EQ(vm.getSpeedFactor(), c.speed) << "tempo " << c.tempo << ": speed";
        EXPECT_EQ(vm.timeToSamples(c.span, 44100), c.frames)
            << "tempo " << c.tempo << ": frames for " << c.span << " us";
        EXPECT_EQ(vm.samplesToTime(c.back, 44100), c.backTime)
            << "tempo " << c.tempo << ": time for " << c.back << " frames";
    }
    vm.setSpeed(0);
    EXPECT_EQ(vm.timeToSamples(100000000000LL, 44100), std::numeric_limits<int32_t>::max())
        << "a span beyond 32-bit frames is clamped";
    EXPECT_EQ(vm.samplesToTime(100, 0), 0);
    EXPECT_EQ(sys->assertions().size(), 1u) << "rate 0 is an assertion";
}

TEST(VmSpeed, NoteFromFrequency)
{
    const struct {
        double hertz;
        int32_t note;
    } cases[] = {
        {440.0, 57}, {880.0, 69}, {220.0, 45}, {27.5, 9}, {452.8, 57}, {453.0, 58},
        {8.0, 0}, {1e9, 119}, {INFINITY, 119}, {0.0, 0}, {-440.0, 0}, {NAN, 0},
    };
    for (auto c : cases) EXPECT_EQ(noteFromFrequency(c.hertz), c.note) << c.hertz << " Hz";
}

TEST(VmChips, MaskChannelsAndStates)
{
    TestSystemScope sys;
    VM vm;
    EXPECT_EQ(vm.getMask(), 0xFFFFFFFFu);
    FakeChip a(&vm, 6);
    FakeChip b(&vm, 3);
    EXPECT_EQ(vm.getMask(), 0xFFFFFE00u) << "channels 0-8 audible, the rest muted";
    EXPECT_EQ(vm.getChipCount(), 2);
    EXPECT_EQ(vm.getChannelCount(), 9);

    vm.setMask(0x143);   // binary 101 000011
    EXPECT_EQ(vm.getMask(), 0x143u);
    EXPECT_EQ(a.mask, 0x03u) << "first chip: channels 0-5";
    EXPECT_EQ(b.mask, 0x05u) << "second chip: channels 6-8";

    EXPECT_EQ(vm.getChannel(0), a.getChannel(0));
    EXPECT_EQ(vm.getChannel(7), b.getChannel(1));
    EXPECT_EQ(vm.getChannel(8), b.getChannel(2));
    EXPECT_EQ(vm.getChannel(9), nullptr) << "past the last chip";
    EXPECT_EQ(vm.getChannel(-1), nullptr);
    EXPECT_EQ(vm.getChipState(1), b.getState());
    EXPECT_EQ(vm.getChipState(2), nullptr);
    EXPECT_EQ(vm.getChipState(-1), nullptr);
    EXPECT_EQ(vm.getChannel(8)->note, 57) << "initial note";
    EXPECT_EQ(vm.getChannel(8)->pan, 3) << "initial pan";

    EXPECT_FALSE(vm.addChip(nullptr));
    EXPECT_FALSE(vm.addStream(nullptr));
    EXPECT_EQ(sys->assertions().size(), 2u);

    // Channels past bit 31 have no mask bit.
    VM wide;
    FakeChip c(&wide, 30);
    FakeChip d(&wide, 16);
    EXPECT_EQ(wide.getMask(), 0u);
    wide.setMask(0xFFFFFFFFu);
    EXPECT_EQ(c.mask, 0x3FFFFFFFu);
    EXPECT_EQ(d.mask, 0x3u);
}

Driver* MakeLoading(VM*, const std::string&)
{
    return new FakeDriver(true);
}

Driver* MakeFailing(VM*, const std::string&)
{
    return new FakeDriver(false);
}

TEST(VmDriver, LoadPlayStopDumpThroughTheRegistry)
{
    TestSystemScope sys;
    DriverBinder::registerFactory("test/vm-ok", MakeLoading);
    DriverBinder::registerFactory("test/vm-fail", MakeFailing);
    int destroyedBefore = FakeDriver::destroyed;
    {
        VM vm;
        EXPECT_FALSE(vm.play(1, nullptr)) << "play without a driver";
        EXPECT_FALSE(vm.stop()) << "stop without a driver";
        EXPECT_FALSE(vm.dump(nullptr, 0));
        ASSERT_EQ(sys->assertions().size(), 2u);
        EXPECT_NE(sys->assertions()[0].find("mDriver != NULL"), std::string::npos) << sys->assertions()[0];

        EXPECT_FALSE(vm.loadDriver("test/none", nullptr, nullptr));
        ASSERT_EQ(sys->errors().size(), 3u);   // two assertion reports, then this
        EXPECT_EQ(sys->errors()[2], "[VM]ドライバの生成に失敗しました(test/none)\n");
        EXPECT_EQ(vm.getDriver(), nullptr);
    }
    {
        VM vm;
        sys->clear();
        EXPECT_FALSE(vm.loadDriver("test/vm-fail", nullptr, nullptr));
        ASSERT_EQ(sys->errors().size(), 1u);
        EXPECT_EQ(sys->errors()[0], "[VM]ドライバの初期化に失敗しました(test/vm-fail)\n");
        EXPECT_NE(vm.getDriver(), nullptr) << "a driver that failed to load stays in place";
    }
    EXPECT_EQ(FakeDriver::destroyed, destroyedBefore + 1) << "the VM deletes its driver";
    {
        VM vm;
        sys->clear();
        ASSERT_TRUE(vm.loadDriver("test/vm-ok", nullptr, nullptr));
        FakeDriver* driver = dynamic_cast<FakeDriver*>(vm.getDriver());
        ASSERT_NE(driver, nullptr);
        vm.fade(true, 1000);
        EXPECT_TRUE(vm.play(4, nullptr));
        EXPECT_FALSE(vm.play(-1, nullptr)) << "the driver's result";
        EXPECT_EQ(driver->played, (std::vector<int32_t>{4, -1}));
        EXPECT_FALSE(vm.isFading()) << "play switches the fade off";
        EXPECT_TRUE(vm.stop());
        EXPECT_EQ(driver->stops, 1);
        EXPECT_TRUE(vm.dump(nullptr, 3));
        EXPECT_EQ(driver->dumpedPage, 3);
        EXPECT_TRUE(sys->errors().empty());
    }
    EXPECT_EQ(FakeDriver::destroyed, destroyedBefore + 2);
}

}  // namespace

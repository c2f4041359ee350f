// X1CompatDriver: the names and the fixed machine, loading its song and voice
// slots with every message, the host device through its ports, copies
// refused when their bounds are bad, and song requests answered by a small
// Z80 program (z80/x1compat_host.asm) that then plays a tone on the
// AY-3-8910, measured in the rendered sound.
#include "x1_fixture.h"

#include "AY38910.h"
#include "DebugMonitor.h"
#include "X1CompatDriver.h"
#include "Z80.h"
#include "chip_measure.h"
#include "x1_ctc.h"
#include "x1compat_host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

X1CompatDriver* Compat(X1Machine& m) { return dynamic_cast<X1CompatDriver*>(m.vm.getDriver()); }

// Runs the machine for `frames` output frames in 32 ms ticks, as the player
// does, and returns the mixed stereo frames.
std::vector<int32_t> Render(VM& vm, int32_t frames)
{
    std::vector<int32_t> out;
    std::vector<int32_t> buffer(2 * 1411);
    while (frames > 0) {
        const int32_t n = frames < 1411 ? frames : 1411;
        vm.run(vm.samplesToTime(n, VM::RATE));
        int32_t written = 0;
        vm.render(buffer.data(), n, &written);
        out.insert(out.end(), buffer.begin(), buffer.begin() + 2 * written);
        frames -= n;
    }
    return out;
}

// Both names on the X1 machine: the chips of the variant, a 4 MHz Z80 and
// no interrupt delay whatever the options say (these keys are not read).
TEST(X1Compat, NamesAndTheFixedMachine)
{
    TestSystemScope sys;
    VM vm;
    EXPECT_EQ(X1CompatDriver::create(&vm, "x1/psg"), nullptr);
    EXPECT_EQ(X1Driver::create(&vm, "x1/psg/compat"), nullptr);
    for (const char* name : {"x1/psg/compat", "x1/opm/compat"}) {
        X1Machine m;
        ASSERT_TRUE(m.load("[option]\nbaseclock=8000000\nint_delay=9\n[file]\n", name)) << name << Errors(*sys);
        X1CompatDriver* d = Compat(m);
        ASSERT_NE(d, nullptr) << name;
        EXPECT_EQ(d->getOpm() != nullptr, std::string(name) == "x1/opm/compat") << name;
        EXPECT_NE(d->getPsg(), nullptr) << name;
        EXPECT_EQ(d->getCpu()->getClock(), 4000000) << name;
        EXPECT_EQ(d->getIntDelay(), 0) << name;
        EXPECT_EQ(Errors(*sys), "") << name;
    }
}

// The CTC and its interrupts are X1Driver's: the same program counts the
// same rates on the compatible machine.
TEST(X1Compat, CtcRatesCountedByTheProgram)
{
    for (const char* name : {"x1/psg/compat", "x1/opm/compat"}) {
        TestSystemScope sys;
        X1Machine m;
        m.archive.files["ctc.bin"] = k_x1_ctc;
        ASSERT_TRUE(m.load("[option]\n[file]\nname=ctc.bin,type=code,offset=0\n", name));
        m.vm.run(100000);
        const uint8_t* mem = m.driver()->getMemory();
        const int ch0 = mem[0x7000] | mem[0x7001] << 8;
        const int ch1 = mem[0x7002] | mem[0x7003] << 8;
        const int ch3 = mem[0x7006] | mem[0x7007] << 8;
        EXPECT_TRUE(ch0 >= 249 && ch0 <= 250) << name << " channel 0: expected 249-250, got " << ch0;
        EXPECT_EQ(ch1, 6) << name << " channel 1";
        EXPECT_EQ(ch3, ch0 / 4) << name << " channel 3 against channel 0 " << ch0;
    }
}

// Every load message. Slot numbers outside 0 <= n < mdata_num are reported
// and skipped; no slot, a negative size or slot arrays beyond the cap (or
// beyond 32 bits) fail the option step instead of allocating.
TEST(X1Compat, LoadMessages)
{
    const std::string noArea = "[X1C]曲データ領域の確保に失敗しました\n[X1C]オプションの設定に失敗しました\n";
    struct Case {
        const char* config;
        bool ok;
        std::string error;
    } cases[] = {
        {"[file]\n", false, "[X1C]optionセクションが見つかりません\n[X1C]オプションの設定に失敗しました\n"},
        {"[option]\n", false, "[X1C]fileセクションが見つかりません\n[X1C]ファイルのロードに失敗しました\n"},
        {"[option]\nmdata_num=0\n[file]\n", false, noArea},
        {"[option]\nmdata_num=-3\n[file]\n", false, noArea},
        {"[option]\nmdata_size=-1\n[file]\n", false, noArea},
        {"[option]\nmfile_size=-1\n[file]\n", false, noArea},
        {"[option]\nvdata_size=-1\n[file]\n", false, noArea},
        {"[option]\nvfile_size=-1024\n[file]\n", false, noArea},
        {"[option]\nmfile_size=0x7fffffff\n[file]\n", false, noArea},
        {"[option]\nmdata_num=0x7fffffff\nmfile_size=0x7fffffff\n[file]\n", false, noArea},
        {"[option]\nmdata_num=0x10000\nmfile_size=0x10000\nmdata_size=0x10000\n[file]\n", false, noArea},
        {"[option]\nvfile_size=0x100000\n[file]\n", false, noArea},
        {"[option]\n[file]\nname=s.bin,type=bgm,offset=64\n", true, "[X1C]曲番号が大きすぎます(s.bin:64(最大:64))\n"},
        {"[option]\n[file]\nname=s.bin,type=bgm,offset=-1\n", true, "[X1C]曲番号が大きすぎます(s.bin:-1(最大:64))\n"},
        {"[option]\nmdata_num=4\n[file]\nname=s.bin,type=voice,offset=4\n", true,
         "[X1C]音色番号が大きすぎます(s.bin:4(最大:4))\n"},
        {"[option]\n[file]\nname=s.bin,type=voice,offset=-2\n", true, "[X1C]音色番号が大きすぎます(s.bin:-2(最大:64))\n"},
        {"[option]\n[file]\nname=none.bin,type=bgm,offset=0\n", true, "[X1C]ファイルのオープンに失敗しました(none.bin)\n"},
        {"[option]\n[file]\nname=s.bin,type=code,offset=0x10000\n", true,
         "[X1C]コードのアドレスが範囲外です(s.bin: 0x00010000)\n"},
        {"[option]\n[file]\nname=s.bin,type=code,offset=-1\n", true,
         "[X1C]コードのアドレスが範囲外です(s.bin: 0xffffffff)\n"},
        {"[option]\n[file]\nname=s.bin,type=data,offset=0\n", true, ""},
    };
    for (const Case& c : cases) {
        TestSystemScope sys;
        X1Machine m;
        m.archive.files["s.bin"] = Ramp(0x20, 1);
        EXPECT_EQ(m.load(c.config, "x1/opm/compat"), c.ok) << c.config;
        // A failed load is followed by the VM's own line.
        const std::string errors = Errors(*sys);
        EXPECT_EQ(c.ok ? errors : errors.substr(0, c.error.size()), c.error) << c.config;
        if (!c.ok) continue;
        X1CompatDriver* d = Compat(m);
        ASSERT_NE(d, nullptr) << c.config;
        for (int n = 0; n < 64; n++) EXPECT_FALSE(d->isSongPresent(n) || d->isVoicePresent(n)) << c.config << n;
        for (int a = 0; a < 0x10000; a++) ASSERT_EQ(d->getMemory()[a], 0) << c.config << " memory " << a;
    }
}

// A slot takes up to its size of its file: a short file leaves the rest of
// the slot zero, a long one gives only its first bytes; the last slot is
// usable. Code is cut at the end of memory.
TEST(X1Compat, SlotsAndCode)
{
    TestSystemScope sys;
    X1Machine m;
    m.archive.files["short.bin"] = Ramp(0x10, 0x40);
    m.archive.files["long.bin"] = Ramp(0x2100, 0x01);
    m.archive.files["voice.bin"] = Ramp(0x500, 0x80);
    m.archive.files["code.bin"] = Ramp(0x30, 0xC0);
    ASSERT_TRUE(m.load("[option]\n[file]\nname=short.bin,type=bgm,offset=63\nname=long.bin,type=bgm,offset=1\n"
                       "name=voice.bin,type=voice,offset=1\nname=code.bin,type=code,offset=0xFFF0\n",
                       "x1/psg/compat"))
        << Errors(*sys);
    X1CompatDriver* d = Compat(m);
    const std::vector<uint8_t>& songs = d->getSongSlots();
    const std::vector<uint8_t>& voices = d->getVoiceSlots();
    ASSERT_EQ(songs.size(), 64u * 0x2000 + 0x2000);
    ASSERT_EQ(voices.size(), 64u * 0x400 + 0x400);
    EXPECT_TRUE(d->isSongPresent(63));
    EXPECT_TRUE(d->isSongPresent(1));
    EXPECT_TRUE(d->isVoicePresent(1));
    EXPECT_FALSE(d->isSongPresent(2));
    struct Byte {
        const char* what;
        size_t at;
        int value;
    } bytes[] = {
        {"slot 63", 63 * 0x2000, 0x40},         {"slot 63", 63 * 0x2000 + 0xF, 0x4F},
        {"slot 63 rest", 63 * 0x2000 + 0x10, 0}, {"slot 1 end", 2 * 0x2000 - 1, 0x00},
        {"slot 2", 2 * 0x2000, 0},               {"slot 1", 0x2000, 0x01},
    };
    for (const Byte& b : bytes) EXPECT_EQ((int)songs[b.at], b.value) << b.what << " at " << std::hex << b.at;
    EXPECT_EQ(voices[0x400], 0x80);
    EXPECT_EQ(voices[0x7FF], (0x80 + 0x3FF) & 0xFF);
    EXPECT_EQ(voices[0x800], 0);
    EXPECT_EQ(d->getMemory()[0xFFF0], 0xC0);
    EXPECT_EQ(d->getMemory()[0xFFFF], 0xCF);
    EXPECT_EQ(d->getMemory()[0x0000], 0);
}

// The host device on its ports: the request stays until the program
// answers it; a song number loads its slots; 0xFF answers a stop; an empty
// slot is not answered. X1Driver's host ports are plain ports here.
TEST(X1Compat, HostDevicePorts)
{
    TestSystemScope sys;
    X1Machine m;
    m.archive.files["s2.bin"] = Ramp(0x2000, 0x20);
    m.archive.files["v2.bin"] = Ramp(0x400, 0xA0);
    m.archive.files["s3.bin"] = Ramp(0x2000, 0x30);
    m.archive.files["v4.bin"] = Ramp(0x400, 0xB0);
    ASSERT_TRUE(m.load("[option]\n[file]\nname=s2.bin,type=bgm,offset=2\nname=v2.bin,type=voice,offset=2\n"
                       "name=s3.bin,type=bgm,offset=3\nname=v4.bin,type=voice,offset=4\n",
                       "x1/opm/compat"))
        << Errors(*sys);
    X1CompatDriver* d = Compat(m);
    const uint8_t* mem = d->getMemory();
    auto song = Song({{"attr", "0x1C2"}});
    ASSERT_TRUE(d->play(2, song.get()));
    EXPECT_EQ(m.in(0x0000), 1);
    EXPECT_EQ(m.in(0x0000), 1) << "a read does not clear the request";
    EXPECT_EQ(m.in(0x0001), 2);
    EXPECT_EQ(m.in(0x000F), 0xC2);
    EXPECT_EQ(mem[0x4000], 0) << "nothing copied before the program asks";

    m.out(0x0001, 2);
    EXPECT_EQ(m.in(0x0000), 0);
    EXPECT_EQ(m.in(0x0001), 2) << "the written song number is not stored";
    struct Byte {
        int at, value;
    } loaded[] = {{0x4000, 0x20}, {0x5FFF, 0x1F}, {0x6000, 0}, {0xE000, 0xA0}, {0xE3FF, 0x9F}, {0xE400, 0}};
    for (const Byte& b : loaded) EXPECT_EQ((int)mem[b.at], b.value) << "song 2, memory " << std::hex << b.at;

    // Song 3 has no voice: the voice area keeps song 2's.
    ASSERT_TRUE(d->play(3, song.get()));
    m.out(0x0001, 3);
    EXPECT_EQ(m.in(0x0000), 0);
    EXPECT_EQ(mem[0x4000], 0x30);
    EXPECT_EQ(mem[0xE000], 0xA0);

    // Slot 4 holds only a voice: not answered, nothing copied.
    std::vector<uint8_t> before(mem, mem + 0x10000);
    ASSERT_TRUE(d->play(4, song.get()));
    m.out(0x0001, 4);
    m.out(0x0001, 64);
    EXPECT_EQ(m.in(0x0000), 1);
    EXPECT_TRUE(memcmp(before.data(), mem, before.size()) == 0) << "an empty slot copies nothing";
    m.out(0x0001, 0xFF);
    EXPECT_EQ(m.in(0x0000), 0);
    EXPECT_TRUE(memcmp(before.data(), mem, before.size()) == 0) << "0xFF copies nothing";

    ASSERT_TRUE(d->stop());
    EXPECT_EQ(m.in(0x0000), 2);
    m.out(0x0000, 0);
    EXPECT_EQ(m.in(0x0000), 0) << "the program may write the request";
    for (uint16_t p : {0x0080, 0x0081, 0x0090, 0x00B0, 0x1234}) {
        m.out(p, 0x5A);
        EXPECT_EQ(m.in(p), 0x5A) << "port " << std::hex << p;
    }
    EXPECT_EQ(mem[0x4000], 0x30) << "port 0x81 loads nothing here";
}

// "x1/psg/compat" has no YM2151 and no second CTC window; 0x0702 and
// 0x0703 belong to neither and keep their bytes. 0x1FA0-0x1FA3 reach the
// CTC in both variants.
TEST(X1Compat, PsgVariantPorts)
{
    TestSystemScope sys;
    X1Machine m;
    ASSERT_TRUE(m.load("[option]\n[file]\n", "x1/psg/compat"));
    for (uint16_t p : {0x0700, 0x0701, 0x0704, 0x0705, 0x0706, 0x0707}) {
        m.out(p, 0x85);
        EXPECT_EQ(m.in(p), 0) << std::hex << p;
    }
    m.out(0x0702, 0x33);
    EXPECT_EQ(m.in(0x0702), 0x33);
    EXPECT_EQ(m.driver()->getCtcPeriod(0), 16384);
    m.out(0x1FA1, 0x87);
    m.out(0x1FA1, 100);
    EXPECT_EQ(m.driver()->getCtcPeriod(1), 400);
    m.out(0x1C00, 8);
    m.out(0x1B00, 15);
    EXPECT_EQ(m.driver()->getPsg()->getRegisters()[8], 15);

    X1Machine opm;
    ASSERT_TRUE(opm.load("[option]\n[file]\n", "x1/opm/compat"));
    opm.out(0x0706, 0x87);
    opm.out(0x0706, 50);
    EXPECT_EQ(opm.driver()->getCtcPeriod(2), 200);
}

// A destination outside the address space copies nothing and says so (the
// request is still answered); one near its end is cut at 0xFFFF.
TEST(X1Compat, BadCopiesCopyNothing)
{
    struct Case {
        const char* option;
        const char* error;
        int at, value;   // a byte of memory after the copy
    } cases[] = {
        {"mdata_addr=0x10000", "[X1C]曲データの転送先が範囲外です(0x00010000)\n", 0x0000, 0},
        {"mdata_addr=-4", "[X1C]曲データの転送先が範囲外です(0xfffffffc)\n", 0x0000, 0},
        {"vdata_addr=0x10000", "[X1C]音色データの転送先が範囲外です(0x00010000)\n", 0x4000, 0x10},
        {"vdata_addr=-1", "[X1C]音色データの転送先が範囲外です(0xffffffff)\n", 0x4000, 0x10},
        {"mdata_addr=0xFFF0", "", 0xFFFF, 0x1F},
        {"vdata_addr=0xFFFC", "", 0xFFFF, 0x83},
    };
    for (const Case& c : cases) {
        TestSystemScope sys;
        X1Machine m;
        m.archive.files["s.bin"] = Ramp(0x2000, 0x10);
        m.archive.files["v.bin"] = Ramp(0x400, 0x80);
        ASSERT_TRUE(m.load(std::string("[option]\n") + c.option +
                               "\n[file]\nname=s.bin,type=bgm,offset=1\nname=v.bin,type=voice,offset=1\n",
                           "x1/psg/compat"))
            << c.option << Errors(*sys);
        X1CompatDriver* d = Compat(m);
        auto song = Song({});
        d->play(1, song.get());
        m.out(0x0001, 1);
        EXPECT_EQ(Errors(*sys), c.error) << c.option;
        EXPECT_EQ((int)d->getMemory()[c.at], c.value) << c.option << " memory " << std::hex << c.at;
        EXPECT_EQ(d->getMemory()[0x0000], 0) << c.option << ": nothing wraps to 0";
        EXPECT_EQ(m.in(0x0000), 0) << c.option;
    }
}

// The program polls the request, loads the song by writing its code back
// and plays the song's tone on channel A; a stop silences it. The polls
// idle the CPU, so the program polls about once per timer slice.
TEST(X1Compat, ProgramLoadsSongsAndPlaysTheirTones)
{
    for (const char* name : {"x1/psg/compat", "x1/opm/compat"}) {
        TestSystemScope sys;
        X1Machine m;
        // Tone period, volume: 2 MHz / (16 x period).
        m.archive.files["prog.bin"] = k_x1compat_host;
        m.archive.files["a.bin"] = {0x1C, 0x01, 0x0F};   // 284: 440.1 Hz
        m.archive.files["b.bin"] = {0x8E, 0x00, 0x0F};   // 142: 880.3 Hz
        m.archive.files["v.bin"] = Ramp(0x10, 0x60);
        ASSERT_TRUE(m.load("[option]\n[file]\nname=prog.bin,type=code,offset=0\n"
                           "name=a.bin,type=bgm,offset=1\nname=v.bin,type=voice,offset=1\n"
                           "name=b.bin,type=bgm,offset=2\n",
                           name))
            << Errors(*sys);
        X1CompatDriver* d = Compat(m);
        const uint8_t* mem = d->getMemory();
        Render(m.vm, 4410);
        const int idlePolls = mem[0x7004] | mem[0x7005] << 8;
        EXPECT_TRUE(idlePolls > 0 && idlePolls < 50)
            << name << ": polls in 100 ms with every poll idling: expected 1-49, got " << idlePolls;

        struct Step {
            int code;      // -1: stop
            double hertz;  // 0: silence
            int period;
        } steps[] = {{1, 440.14, 0x11C}, {2, 880.28, 0x8E}, {-1, 0, 0x8E}, {1, 440.14, 0x11C}};
        int stops = 0;
        for (const Step& s : steps) {
            auto song = Song({{"attr", "0x4D"}});
            if (s.code < 0) {
                ASSERT_TRUE(d->stop());
                stops++;
            } else {
                ASSERT_TRUE(d->play(s.code, song.get()));
            }
            Render(m.vm, 4410);   // the request is answered in this time
            const std::vector<double> left = LeftOf(Render(m.vm, 22050));
            const uint8_t* regs = d->getPsg()->getRegisters();
            const int period = regs[0] | (regs[1] & 0x0F) << 8;
            EXPECT_EQ(period, s.period) << name << " step " << s.code << ": tone period register";
            EXPECT_EQ(mem[0x7001], stops) << name << " step " << s.code << ": stops the program saw";
            EXPECT_EQ(d->getPorts()[0x0000], 0) << name << " step " << s.code << ": request answered";
            if (s.hertz == 0) {
                EXPECT_LT(Rms(left, 0, left.size()), 1.0) << name << ": silence after the stop";
                continue;
            }
            EXPECT_EQ(mem[0x7000], s.code) << name << ": song code the program read";
            EXPECT_EQ(mem[0x7002], 0x4D) << name << ": attribute the program read";
            const double hz = ZeroCrossFrequency(left, VM::RATE);
            EXPECT_NEAR(hz, s.hertz, s.hertz * 0.005) << name << " song " << s.code << ": expected " << s.hertz
                                                      << " Hz, measured " << hz;
        }
        EXPECT_EQ(mem[0xE000], 0x60) << name << ": song 1's voice";
        EXPECT_EQ(mem[0xE00F], 0x6F) << name;
        EXPECT_EQ(mem[0x4003], 0) << name << ": the rest of the song area";
        EXPECT_EQ(Errors(*sys), "") << name;
    }
}

// Page 2 of the monitor shows memory from the song address, wrapping at
// the end of the address space.
TEST(X1Compat, MonitorShowsTheSongArea)
{
    TestSystemScope sys;
    X1Machine m;
    m.archive.files["code.bin"] = Ramp(0x18, 0xA0);
    ASSERT_TRUE(m.load("[option]\nmdata_addr=0xFFF8\n[file]\nname=code.bin,type=code,offset=0xFFF8\n",
                       "x1/psg/compat"))
        << Errors(*sys);
    DebugMonitor page2;
    EXPECT_FALSE(m.driver()->dump(&page2, 2));
    const std::string heading(page2.getGrid() + 5 * DebugMonitor::COLUMNS, 6);
    const std::string row(page2.getGrid() + 6 * DebugMonitor::COLUMNS, 38);
    EXPECT_EQ(heading, "MDATA:");
    EXPECT_EQ(row.substr(1, 5 + 32), "FFF8:A0A1A2A3A4A5A6A70000000000000000") << row;
}

// Missing arguments are reported under this driver's source name.
TEST(X1Compat, AssertionsNameTheDriver)
{
    TestSystemScope sys;
    X1Machine m;
    ASSERT_TRUE(m.load("[option]\n[file]\n", "x1/psg/compat"));
    EXPECT_FALSE(m.driver()->play(1, nullptr));
    X1CompatDriver::onWrite(0, 0, nullptr);
    EXPECT_EQ(X1CompatDriver::onRead(0, nullptr), 0xFFu);
    X1CompatDriver::onTimer(nullptr, 1);
    X1CompatDriver::onAcknowledge(nullptr, 0);
    const std::vector<std::string> expected = {"_ent != NULL", "_param != NULL", "_param != NULL", "_param != NULL",
                                               "_param != NULL"};
    const std::vector<std::string> got = sys->assertions();
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); i++) {
        EXPECT_EQ(got[i].find("drivers/x1compat.cpp:"), 0u) << got[i];
        EXPECT_NE(got[i].find(expected[i]), std::string::npos) << got[i];
    }
}

}  // namespace

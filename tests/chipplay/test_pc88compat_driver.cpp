// PC88CompatDriver: registration and the machine's starting state, loading
// its song and voice slots, the host device driven by a small Z80 program
// (z80/pc88compat_host.asm), and copies refused when their bounds are bad.
#include "pc88_fixture.h"

#include "DebugMonitor.h"
#include "PC88CompatDriver.h"
#include "YM2608.h"
#include "pc88compat_host.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

PC88CompatDriver* Compat(Pc88Machine& m) { return dynamic_cast<PC88CompatDriver*>(m.vm.getDriver()); }

TEST(Pc88Compat, RegisteredNamesAndStartingState)
{
    TestSystemScope sys;
    VM vm;
    EXPECT_EQ(PC88CompatDriver::create(&vm, "pc88/opna"), nullptr);
    EXPECT_EQ(PC88CompatDriver::create(&vm, "pc88/compat"), nullptr);
    struct Case {
        const char* driver;
        const char* option;
        bool opna;
        uint8_t chipByte;
        bool timer1, timer2;
    } cases[] = {
        {"pc88/opn/compat", "", false, '4', false, false},
        {"pc88/opna/compat", "", true, '9', false, false},
        {"pc88/opna/compat", "use_vrtc=1\n", true, '9', true, false},
        {"pc88/opn/compat", "use_rtc=1\nuse_vrtc=1\n", false, '4', true, true},
    };
    for (const Case& c : cases) {
        sys->clear();
        Pc88Machine m;
        m.archive.files["code.bin"] = Ramp(0x10, 0xA0);
        ASSERT_TRUE(m.load(std::string("[option]\n") + c.option + "[file]\nname=code.bin,type=code,offset=0x100\n",
                           c.driver))
            << c.driver << " " << Errors(*sys);
        PC88CompatDriver* d = Compat(m);
        ASSERT_NE(d, nullptr) << c.driver;
        EXPECT_EQ(d->getOpna() != nullptr, c.opna) << c.driver;
        EXPECT_EQ(d->getOpn() != nullptr, !c.opna) << c.driver;
        EXPECT_EQ(d->hasTimer1(), c.timer1) << c.driver << " " << c.option;
        EXPECT_EQ(d->hasTimer2(), c.timer2) << c.driver << " " << c.option;
        EXPECT_EQ(d->getMemory()[0x79D7], c.chipByte) << c.driver;
        EXPECT_EQ(d->getMemory()[0x100], 0xA0) << c.driver;
        EXPECT_EQ(d->getMemory()[0x10F], 0xAF) << c.driver;
        const uint8_t* p = d->getPorts();
        struct Port {
            int port, value;
        } ports[] = {{0x00, 0}, {0x01, 0}, {0x02, 0}, {0x03, 0xFF}, {0x0E, 0xFF}, {0x0F, 0},
                     {0x32, 0}, {0xE4, 7}, {0xE6, 0}};
        for (const Port& q : ports)
            EXPECT_EQ((int)p[q.port], q.value) << c.driver << " port " << std::hex << q.port;
        EXPECT_EQ(Errors(*sys), "") << c.driver;
    }
}

// Slot numbers outside 0 <= n < "mdata_num" are reported and skipped; no
// slots at all, or missing sections, fail the load.
TEST(Pc88Compat, LoadReportsBadSectionsAndSlots)
{
    TestSystemScope sys;
    struct Case {
        const char* config;
        bool ok;
        const char* error;
    } cases[] = {
        {"[file]\n", false, "[PC88C]optionセクションが見つかりません\n[PC88C]オプションの設定に失敗しました\n"},
        {"[option]\n", false, "[PC88C]fileセクションが見つかりません\n[PC88C]ファイルのロードに失敗しました\n"},
        {"[option]\nmdata_num=0\n[file]\n", false,
         "[PC88C]曲データ領域の確保に失敗しました\n[PC88C]オプションの設定に失敗しました\n"},
        {"[option]\nmdata_num=-3\n[file]\n", false,
         "[PC88C]曲データ領域の確保に失敗しました\n[PC88C]オプションの設定に失敗しました\n"},
        {"[option]\nmfile_size=0x7fffffff\n[file]\n", false,
         "[PC88C]曲データ領域の確保に失敗しました\n[PC88C]オプションの設定に失敗しました\n"},
        {"[option]\n[file]\nname=s.bin,type=bgm,offset=64\n", true, "[PC88C]曲番号が大きすぎます(s.bin:64(最大:64))\n"},
        {"[option]\n[file]\nname=s.bin,type=bgm,offset=-1\n", true, "[PC88C]曲番号が大きすぎます(s.bin:-1(最大:64))\n"},
        {"[option]\nmdata_num=4\n[file]\nname=s.bin,type=voice,offset=4\n", true,
         "[PC88C]音色番号が大きすぎます(s.bin:4(最大:4))\n"},
        {"[option]\n[file]\nname=s.bin,type=voice,offset=-2\n", true,
         "[PC88C]音色番号が大きすぎます(s.bin:-2(最大:64))\n"},
        {"[option]\n[file]\nname=none.bin,type=bgm,offset=0\n", true, "[PC88C]ファイルのオープンに失敗しました(none.bin)\n"},
        {"[option]\n[file]\nname=s.bin,type=code,offset=0x10000\n", true,
         "[PC88C]コードのアドレスが範囲外です(s.bin: 0x00010000)\n"},
        {"[option]\n[file]\nname=s.bin,type=other,offset=0\n", true, ""},
    };
    for (const Case& c : cases) {
        sys->clear();
        Pc88Machine m;
        m.archive.files["s.bin"] = Ramp(0x20, 1);
        EXPECT_EQ(m.load(c.config, "pc88/opna/compat"), c.ok) << c.config;
        // A failed load is followed by the VM's own line.
        const std::string errors = Errors(*sys);
        EXPECT_EQ(c.ok ? errors : errors.substr(0, strlen(c.error)), c.error) << c.config;
        if (c.ok) {
            PC88CompatDriver* d = Compat(m);
            ASSERT_NE(d, nullptr);
            for (int n = 0; n < 64; n++) EXPECT_FALSE(d->isSongPresent(n) || d->isVoicePresent(n)) << c.config;
        }
    }
}

// ADPCM data is cut at the end of the sample memory, wherever it starts.
TEST(Pc88Compat, AdpcmDataIsCutAtTheEndOfTheSampleMemory)
{
    TestSystemScope sys;
    Pc88Machine m;
    m.archive.files["pcm.bin"] = Ramp(0x40, 0x20);
    m.archive.files["low.bin"] = Ramp(0x8, 0x90);
    ASSERT_TRUE(m.load("[option]\n[file]\nname=pcm.bin,type=adpcm,offset=0x3FFE0\n"
                       "name=low.bin,type=adpcm,offset=0x10\nname=pcm.bin,type=adpcm,offset=0x40000\n",
                       "pc88/opna/compat"))
        << Errors(*sys);
    PC88CompatDriver* d = Compat(m);
    const uint8_t* image = d->getAdpcmImage();
    EXPECT_EQ(image[0x3FFE0], 0x20);
    EXPECT_EQ(image[0x3FFFF], 0x3F);
    EXPECT_EQ(image[0x10], 0x90);
    EXPECT_EQ(image[0x17], 0x97);
    EXPECT_EQ(image[0x18], 0x00);
    EXPECT_EQ(d->getOpna()->getAdpcmMemory()[0x3FFFF], 0x3F);
    EXPECT_EQ(Errors(*sys), "[PC88C]ADPCMのアドレスが範囲外です(pcm.bin: 0x00040000)\n");
}

// The program polls port 00h, loads the requested song with OUT 01h and
// acknowledges a stop with OUT 01h,0FFh.
TEST(Pc88Compat, ProgramLoadsSongsAndAcknowledgesStops)
{
    TestSystemScope sys;
    // Without a timer the CPU runs each span in one slice and a poll idles
    // it to the span's end: a request is answered a few spans later.
    struct Run {
        const char* driver;
        const char* timers;
    } runs[] = {{"pc88/opn/compat", "use_vrtc=1\n"}, {"pc88/opna/compat", "use_rtc=1\n"}, {"pc88/opn/compat", ""}};
    for (const Run& r : runs) {
        const std::string driver = std::string(r.driver) + " " + r.timers;
        sys->clear();
        Pc88Machine m;
        m.archive.files["prog.bin"] = k_pc88compat_host;
        m.archive.files["song.bin"] = Ramp(0x40, 0x10);
        m.archive.files["voice.bin"] = Ramp(0x20, 0x80);
        ASSERT_TRUE(m.load(std::string("[option]\n") + r.timers + "mdata_size=0x30\nmfile_size=0x40\nvdata_size=0x10\n"
                           "vfile_size=0x20\nvdata_addr=0xFFF8\n[file]\n"
                           "name=prog.bin,type=code,offset=0\n"
                           "name=song.bin,type=bgm,offset=3\nname=voice.bin,type=voice,offset=3\n"
                           "name=song.bin,type=bgm,offset=5\n",
                           r.driver))
            << Errors(*sys);
        PC88CompatDriver* d = Compat(m);
        auto runSpans = [&m]() {
            for (int i = 0; i < 4; i++) m.vm.run(10000);
        };
        m.vm.run(2000);

        // Song 3 from offset 0x20: cut at the end of its 0x40-byte slot.
        auto song = Song({{"attr", "0x1C2"}, {"offset", "0x20"}});
        ASSERT_TRUE(d->play(3, song.get()));
        runSpans();
        const uint8_t* ram = d->getMemory();
        EXPECT_EQ(ram[0x7000], 3) << driver;
        EXPECT_EQ(ram[0x7002], 0xC2) << driver;
        EXPECT_EQ(ram[0x4000], 0x30) << driver;
        EXPECT_EQ(ram[0x401F], 0x4F) << driver;
        EXPECT_EQ(ram[0x4020], 0x00) << driver;
        // Voice 3: 0x10 bytes cut at the end of RAM (8 fit).
        EXPECT_EQ(ram[0xFFF8], 0x80) << driver;
        EXPECT_EQ(ram[0xFFFF], 0x87) << driver;
        EXPECT_EQ(d->getPorts()[0x00], 0) << driver;

        // Song 5 has no voice: the voice area keeps song 3's.
        auto plain = Song({});
        ASSERT_TRUE(d->play(5, plain.get()));
        runSpans();
        EXPECT_EQ(ram[0x7000], 5) << driver;
        EXPECT_EQ(ram[0x402F], 0x3F) << driver;
        EXPECT_EQ(ram[0xFFF8], 0x80) << driver;
        EXPECT_EQ(d->getPorts()[0x00], 0) << driver;

        ASSERT_TRUE(d->stop());
        runSpans();
        EXPECT_EQ(ram[0x7001], 1) << driver;
        EXPECT_EQ(d->getPorts()[0x00], 0) << driver;

        // A song whose slot was never filled is not answered.
        ASSERT_TRUE(d->play(7, plain.get()));
        runSpans();
        EXPECT_EQ(ram[0x7000], 7) << driver;
        EXPECT_EQ(d->getPorts()[0x00], 1) << driver;
        EXPECT_EQ(ram[0x402F], 0x3F) << driver;
        EXPECT_EQ(Errors(*sys), "") << driver;
    }
}

// Copies with a negative or out-of-slot offset, a negative length or a
// destination outside RAM copy nothing and say so.
TEST(Pc88Compat, BadSongCopiesCopyNothing)
{
    TestSystemScope sys;
    struct Case {
        const char* option;
        const char* offset;
        const char* error;
    } cases[] = {
        {"mdata_size=0x30\n", "-1", "[PC88C]曲データのサイズかオフセットが不正です(#03: size 48, offset -1)\n"},
        {"mdata_size=0x30\n", "0x41", "[PC88C]曲データのサイズかオフセットが不正です(#03: size 48, offset 65)\n"},
        {"mdata_size=-2\n", "0", "[PC88C]曲データのサイズかオフセットが不正です(#03: size -2, offset 0)\n"},
        {"mdata_size=0x7fffffff\n", "0x20", ""},
        {"mdata_size=0x30\nmdata_addr=0x10000\n", "0", "[PC88C]曲データの転送先が範囲外です(0x00010000)\n"},
        {"mdata_size=0x30\nmdata_addr=-4\n", "0", "[PC88C]曲データの転送先が範囲外です(0xfffffffc)\n"},
        {"vdata_size=-1\n", "0x40", "[PC88C]音色データのサイズが不正です(#03: size -1)\n"},
        {"vdata_addr=0x10000\n", "0x40", "[PC88C]音色データの転送先が範囲外です(0x00010000)\n"},
    };
    for (const Case& c : cases) {
        sys->clear();
        Pc88Machine m;
        m.archive.files["song.bin"] = Ramp(0x40, 0x10);
        m.archive.files["voice.bin"] = Ramp(0x20, 0x80);
        // Voice cases ask for the song at the end of its slot: an empty copy.
        const bool voice = strstr(c.option, "vdata") != nullptr;
        const std::string config = std::string("[option]\nmfile_size=0x40\nvfile_size=0x20\n") + c.option +
                                   "[file]\nname=song.bin,type=bgm,offset=3\n" +
                                   (voice ? "name=voice.bin,type=voice,offset=3\n" : "");
        const bool hugeCopy = strstr(c.option, "0x7fffffff") != nullptr;
        if (hugeCopy) {
            // A huge copy length would need a huge slot array: refused at load.
            EXPECT_FALSE(m.load(config, "pc88/opn/compat"));
            EXPECT_EQ(Errors(*sys).find("[PC88C]曲データ領域の確保に失敗しました\n[PC88C]オプションの設定に失敗しました\n"), 0u);
            continue;
        }
        ASSERT_TRUE(m.load(config, "pc88/opn/compat")) << c.option << Errors(*sys);
        PC88CompatDriver* d = Compat(m);
        auto song = Song({{"offset", c.offset}});
        ASSERT_TRUE(d->play(3, song.get()));
        std::vector<uint8_t> ram(d->getMemory(), d->getMemory() + PC88Driver::RAM_SIZE);
        m.out(0x01, 3);
        EXPECT_TRUE(memcmp(ram.data(), d->getMemory(), ram.size()) == 0) << c.option << " offset " << c.offset;
        EXPECT_EQ(Errors(*sys), c.error) << c.option << " offset " << c.offset;
        EXPECT_EQ(d->getPorts()[0x00], 0) << c.option;
    }
}

// Page 2 of the monitor shows RAM from the song address.
TEST(Pc88Compat, MonitorShowsTheSongArea)
{
    TestSystemScope sys;
    Pc88Machine m;
    m.archive.files["code.bin"] = Ramp(0x10, 0xA0);
    ASSERT_TRUE(m.load("[option]\nmdata_addr=0x4100\n[file]\nname=code.bin,type=code,offset=0x4100\n",
                       "pc88/opn/compat"))
        << Errors(*sys);
    DebugMonitor page2;
    EXPECT_FALSE(m.driver()->dump(&page2, 2));
    std::string row(page2.getGrid() + 6 * 80, 80);
    EXPECT_EQ(row.substr(1, 5 + 8), "4100:A0A1A2A3") << row;
    EXPECT_EQ(std::string(page2.getGrid() + 5 * 80, 6), "MDATA:");
}

}  // namespace

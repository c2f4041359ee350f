// PC88Driver at run time: the host device and song requests, the song-data
// copies, and the interrupt controller, driven by small Z80 programs of our
// own (z80/*.asm, assembled at build time into the headers included here).
#include "pc88_fixture.h"

#include "YM2608.h"
#include "pc88_interrupts.h"
#include "pc88_song_loop.h"
#include "Z80.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(Pc88Machine, HostDeviceTakesEachRequestOnce)
{
    TestSystemScope sys;
    Pc88Machine m;
    ASSERT_TRUE(m.load("[option]\n[file]\n[patch]\n"));
    auto song = Song({{"attr", "0x12345678"}, {"addr", "0x4100"}, {"size2", "0x1234"}});
    EXPECT_TRUE(m.driver()->play(0x1A7, song.get()));
    EXPECT_EQ(m.in(0x81), 0xA7);
    EXPECT_EQ(m.in(0x80), 1);
    EXPECT_EQ(m.in(0x80), 0);
    struct Port {
        uint8_t port;
        int value;
    } ports[] = {
        {0x8C, 0x78}, {0x8D, 0x56}, {0x8E, 0x34}, {0x8F, 0x12},
        {0x90, 0x00}, {0x91, 0x41},   // region 0 address from the song
        {0x92, 0x00}, {0x93, 0x20},   // region 0 size from [option]
        {0x94, 0x00}, {0x95, 0xF0},   // region 1 address from [option]
        {0x96, 0x34}, {0x97, 0x12},   // region 1 size from the song
        {0x98, 0x00}, {0x99, 0x40}, {0x9A, 0x00}, {0x9B, 0x02},
    };
    for (const Port& p : ports)
        EXPECT_EQ((int)m.driver()->getPorts()[p.port], p.value) << "port " << std::hex << (int)p.port;
    EXPECT_TRUE(m.driver()->stop());
    EXPECT_EQ(m.in(0x80), 2);
    EXPECT_EQ(m.in(0x80), 0);

    // Ports with fixed answers and ports the host device keeps.
    EXPECT_EQ(m.in(0xE4), 0xFF);
    EXPECT_EQ(m.in(0xA8), 0xFF);
    m.out(0x5E, 0);
    EXPECT_EQ(m.in(0x5C), 4);
    m.out(0x80, 7);   // ignored
    EXPECT_EQ(m.in(0x80), 0);
    m.out(0xB4, 0x34);
    m.out(0xB5, 0x12);
    EXPECT_EQ(m.driver()->getRegionAddress(1), 0x1234u);
}

TEST(Pc88Machine, SongRequestCopiesTheChunksThroughTheProgram)
{
    TestSystemScope sys;
    for (const char* name : {"pc88/opn", "pc88/opna"}) {
        sys->clear();
        Pc88Machine m;
        m.archive.files["prog.bin"] = k_pc88_song_loop;
        m.archive.files["song3.bin"] = Ramp(0x40, 0x10);
        m.archive.files["voice3.bin"] = Ramp(0x20, 0x80);
        m.archive.files["other.bin"] = Ramp(0x10, 0xC0);
        m.archive.files["pcm.bin"] = Ramp(0x10, 0x50);
        ASSERT_TRUE(m.load("[option]\ndata_size=0x30\ndata2_size=0x10\n[file]\n"
                           "name=prog.bin,type=code,addr=0\n"
                           "name=song3.bin,type=data,no=3\n"
                           "name=voice3.bin,type=data2,no=3\n"
                           "name=other.bin,type=data,no=4\n"
                           "name=pcm.bin,type=adpcm2,no=1\n[patch]\n",
                           name))
            << Errors(*sys);
        PC88Driver* d = m.driver();
        m.vm.run(2000);   // the program is waiting in its loop
        auto song = Song({{"offset", "0x20"}, {"addr2", "0x800000A0"}, {"adpcm", "1"}});
        ASSERT_TRUE(d->play(3, song.get()));
        m.vm.run(2000);
        EXPECT_EQ(d->getMemory()[0x7000], 3) << name;
        // Region 0: 0x30 bytes from offset 0x20 of a 0x40-byte chunk: 0x20 copied.
        EXPECT_EQ(d->getMemory()[0x4000], 0x30) << name;
        EXPECT_EQ(d->getMemory()[0x401F], 0x4F) << name;
        EXPECT_EQ(d->getMemory()[0x4020], 0x00) << name;
        // Region 1 goes to the port array at 0xA0 (bit 31), 0x10 bytes.
        EXPECT_EQ(d->getPorts()[0xA0], 0x80) << name;
        EXPECT_EQ(d->getPorts()[0xAF], 0x8F) << name;
        EXPECT_EQ(d->getPorts()[0xB0], 0x00) << name;
        if (d->getOpna() != nullptr) {
            EXPECT_EQ(d->getOpna()->getAdpcmMemory()[0], 0x50) << name;
            EXPECT_EQ(d->getOpna()->getAdpcmMemory()[0xF], 0x5F) << name;
        }
        EXPECT_EQ(Errors(*sys), "") << name;
    }
}

// Copies whose size, offset or destination lies outside the chunk or the
// destination copy nothing and say so; OUT 0x81 with a chunk number of 64 or
// more, or of an empty chunk, copies nothing at all.
TEST(Pc88Machine, BadSongCopiesCopyNothing)
{
    TestSystemScope sys;
    struct Case {
        const char* option;
        std::map<std::string, std::string> song;
        uint8_t number;
        const char* error;
    } cases[] = {
        {"", {{"offset", "0x40"}}, 3, "[PC88]曲データのオフセットがデータの外です(data1: offset 64)\n"},
        {"", {{"offset", "-1"}}, 3, "[PC88]曲データのサイズかオフセットが不正です(data1: size 8192, offset -1)\n"},
        {"data_size=-2\n", {}, 3, "[PC88]曲データのサイズかオフセットが不正です(data1: size -2, offset 0)\n"},
        {"", {{"addr", "0x80000100"}}, 3, "[PC88]曲データの転送先が範囲外です(data1: 0x80000100)\n"},
        {"", {}, 64, ""},
        {"", {}, 5, ""},
    };
    for (const Case& c : cases) {
        sys->clear();
        Pc88Machine m;
        m.archive.files["song3.bin"] = Ramp(0x40, 0x10);
        ASSERT_TRUE(m.load(std::string("[option]\n") + c.option + "[file]\nname=song3.bin,type=data,no=3\n[patch]\n"));
        PC88Driver* d = m.driver();
        auto song = Song(c.song);
        ASSERT_TRUE(d->play(c.number, song.get()));
        ASSERT_EQ(m.in(0x80), 1);
        std::vector<uint8_t> ram(d->getMemory(), d->getMemory() + PC88Driver::RAM_SIZE);
        std::vector<uint8_t> ports(d->getPorts(), d->getPorts() + PC88Driver::PORT_COUNT);
        m.out(0x81, c.number);
        EXPECT_TRUE(memcmp(ram.data(), d->getMemory(), ram.size()) == 0) << c.error;
        EXPECT_TRUE(memcmp(ports.data(), d->getPorts(), ports.size()) == 0) << c.error;
        EXPECT_EQ(Errors(*sys), c.error);
    }
}

struct Log {
    std::vector<int> order;
    int count[5] = {0, 0, 0, 0, 0};
};

// Runs z80/pc88_interrupts.asm, patched by `patch` ([patch] entries: the
// level at 0012h, the enables at 000Eh, port 32h at 0016h, the 600 Hz
// handler's level at 0124h), and reads back the handlers' log.
Log RunInterrupts(const char* driver, const std::string& patch, int64_t micros, TestSystem& sys)
{
    Pc88Machine m;
    m.archive.files["int.bin"] = k_pc88_interrupts;
    Log log;
    if (!m.load("[option]\n[file]\nname=int.bin,type=code,addr=0\n[patch]\n" + patch, driver)) {
        ADD_FAILURE() << Errors(sys);
        return log;
    }
    m.vm.run(micros);
    for (int a = 0x7000; a < 0x7400 && m.driver()->getMemory()[a] != 0; a++) {
        const int v = m.driver()->getMemory()[a];
        log.order.push_back(v);
        if (v <= 4) log.count[v]++;
    }
    return log;
}

std::string Show(const Log& log)
{
    std::string s = "log:";
    for (size_t i = 0; i < log.order.size() && i < 24; i++) s += " " + std::to_string(log.order[i]);
    return s;
}

TEST(Pc88Machine, InterruptControllerPriorityLevelAndMasks)
{
    TestSystemScope sys;
    for (const char* driver : {"pc88/opn", "pc88/opna"}) {
        // Both timers waiting at EI: 60 Hz (bit 1) goes before 600 Hz (bit 2);
        // then every request is taken, the sound one stays masked by 32h.
        Log all = RunInterrupts(driver, "", 110000, *sys);
        ASSERT_GE(all.order.size(), 2u) << driver << " " << Show(all);
        EXPECT_EQ(all.order[0], 1) << driver << " " << Show(all);
        EXPECT_EQ(all.order[1], 2) << driver << " " << Show(all);
        EXPECT_EQ(all.count[1], 6) << driver << " " << Show(all);
        EXPECT_GE(all.count[2], 50) << driver << " " << Show(all);
        EXPECT_EQ(all.count[4], 0) << driver << " " << Show(all);

        // Level 0 at port E4h: nothing is taken.
        Log none = RunInterrupts(driver, "addr=0x12,data=00\n", 50000, *sys);
        EXPECT_TRUE(none.order.empty()) << driver << " " << Show(none);

        // Taking an interrupt clears E4h: a 600 Hz handler that does not
        // write it again stops every further interrupt.
        Log once = RunInterrupts(driver, "addr=0x124,data=00\n", 50000, *sys);
        EXPECT_EQ(once.order, std::vector<int>({1, 2})) << driver << " " << Show(once);

        // Timers disabled at E6h, sound unmasked at 32h: the chip's timer A
        // alone interrupts, again and again.
        Log sound = RunInterrupts(driver, "addr=0x0E,data=00\naddr=0x16,data=00\n", 50000, *sys);
        EXPECT_EQ(sound.count[1] + sound.count[2], 0) << driver << " " << Show(sound);
        EXPECT_GE(sound.count[4], 2) << driver << " " << Show(sound);

        // Only 600 Hz enabled (E6h bit 0).
        Log fast = RunInterrupts(driver, "addr=0x0E,data=01\n", 50000, *sys);
        EXPECT_EQ(fast.count[1], 0) << driver << " " << Show(fast);
        EXPECT_GE(fast.count[2], 10) << driver << " " << Show(fast);
    }
}

}  // namespace

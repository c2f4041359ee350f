// The X1 sound machine at run time: host device, song-data copies, the CTC
// and its interrupts, the chips' ports and the monitor, driven through the
// ports and by Z80 programs of our own (z80/x1_*.asm, assembled at build
// time into the headers included here).
#include "x1_fixture.h"

#include "AY38910.h"
#include "DebugMonitor.h"
#include "x1_ctc.h"
#include "x1_song_loop.h"

#include <gtest/gtest.h>

namespace {

TEST(X1Machine, BothNamesAreRegisteredAndOthersRefused)
{
    TestSystemScope sys;
    for (const char* name : {"x1/psg", "x1/opm"}) {
        X1Machine m;
        ASSERT_TRUE(m.load("[option]\n[file]\n", name)) << name << " " << Errors(*sys);
        ASSERT_NE(m.driver(), nullptr) << name;
        EXPECT_EQ(m.driver()->getOpm() != nullptr, std::string(name) == "x1/opm") << name;
        EXPECT_NE(m.driver()->getPsg(), nullptr) << name;
    }
    EXPECT_EQ(X1Driver::create(nullptr, "x1/fm"), nullptr);
}

TEST(X1Machine, SongRequestRunsThroughTheProgram)
{
    TestSystemScope sys;
    X1Machine m;
    m.archive.files["loop.bin"] = k_x1_song_loop;
    m.archive.files["d3.bin"] = Ramp(0x300, 0x10);
    m.archive.files["e3.bin"] = Ramp(0x100, 0x80);
    ASSERT_TRUE(m.load("[option]\ndata_addr=0x5000\n[file]\nname=loop.bin,type=code,addr=0\n"
                       "name=d3.bin,type=data,no=3\nname=e3.bin,type=data3,no=3\n"))
        << Errors(*sys);
    m.vm.run(2000);
    auto song = Song({{"attr", "0x01020304"}, {"addr3", "0x6000"}});
    ASSERT_TRUE(m.driver()->play(3, song.get()));
    m.vm.run(2000);
    const uint8_t* mem = m.driver()->getMemory();
    EXPECT_EQ(mem[0x7000], 3) << "song code the program read";
    // data: 0x300 bytes at 0x5000 (option size 0x2000 cut to the chunk);
    // data2: buffer 3 empty, nothing; data3: 0x100 bytes at 0x6000 (option
    // size 0x200 cut to the chunk).
    struct Byte {
        int at, value;
    } bytes[] = {{0x5000, 0x10}, {0x52FF, (0x10 + 0x2FF) & 0xFF}, {0x5300, 0},
                 {0xF000, 0},    {0x6000, 0x80},                  {0x60FF, 0x7F}, {0x6100, 0}};
    for (const Byte& b : bytes) EXPECT_EQ((int)mem[b.at], b.value) << "memory " << std::hex << b.at;
    EXPECT_EQ(m.driver()->getPorts()[0x8C], 0x04);
    EXPECT_EQ(m.driver()->getPorts()[0x8F], 0x01);
}

TEST(X1Machine, HostDevicePorts)
{
    TestSystemScope sys;
    X1Machine m;
    ASSERT_TRUE(m.load("[option]\nattr=0x11223344\n[file]\n"));
    auto song = Song({{"size2", "0x1234"}});
    m.driver()->play(0x105, song.get());
    EXPECT_EQ(m.in(0x81), 5);
    EXPECT_EQ(m.in(0x80), 1);
    EXPECT_EQ(m.in(0x80), 0);
    EXPECT_EQ(m.in(0x96), 0x34);
    EXPECT_EQ(m.in(0x97), 0x12);
    m.driver()->stop();
    EXPECT_EQ(m.in(0x80), 2);
    m.out(0x80, 1);
    m.out(0x88, 0);
    m.out(0x8C, 9);
    EXPECT_EQ(m.in(0x80), 0);
    EXPECT_EQ(m.in(0x88), 0x44);
    EXPECT_EQ(m.in(0x8B), 0x11);
    m.out(0xB8, 0x34);
    m.out(0xB9, 0x12);
    EXPECT_EQ(m.driver()->getRegionAddress(2), 0x1234u);
    m.out(0x1234, 0x5A);   // an unclaimed address keeps its byte
    EXPECT_EQ(m.in(0x1234), 0x5A);
}

// Negative or huge song offsets and option sizes copy nothing and say so;
// a bit-31 destination writes the I/O space, not memory, and a copy near the
// end of the address space stops at 0xFFFF.
TEST(X1Machine, BadSongCopiesCopyNothing)
{
    struct Case {
        const char* option;
        const char* song;
        int at;          // memory address that must stay 0 (or -1)
        bool error;
    } cases[] = {
        {"data_size=-1", "", 0x4000, true},
        {"", "offset=-5", 0x4000, true},
        {"", "offset=0x7FFFFFFF", 0x4000, true},
        {"", "offset=0x20000", 0x4000, true},
        {"data_size=0x7FFFFFFF", "addr=0xFFF0", 0x0000, false},
    };
    for (const Case& c : cases) {
        TestSystemScope sys;
        X1Machine m;
        m.archive.files["d.bin"] = Ramp(0x100, 1);
        ASSERT_TRUE(m.load(std::string("[option]\n") + c.option + "\n[file]\nname=d.bin,type=data,no=1\n"));
        std::map<std::string, std::string> values;
        if (*c.song) {
            std::string s = c.song;
            values[s.substr(0, s.find('='))] = s.substr(s.find('=') + 1);
        }
        auto song = Song(values);
        m.driver()->play(1, song.get());
        m.in(0x80);
        m.out(0x81, 1);
        EXPECT_EQ((int)m.driver()->getMemory()[c.at], 0) << c.option << " " << c.song;
        EXPECT_EQ(!sys->errors().empty(), c.error) << c.option << " " << c.song << " " << Errors(*sys);
    }
    TestSystemScope sys;
    X1Machine m;
    m.archive.files["d.bin"] = Ramp(0x10, 1);
    ASSERT_TRUE(m.load("[option]\n[file]\nname=d.bin,type=data,no=0\n"));
    auto song = Song({{"addr", "0x80001000"}});
    m.driver()->play(0, song.get());
    m.in(0x80);
    m.out(0x81, 0);
    EXPECT_EQ(m.driver()->getPorts()[0x1000], 1);
    EXPECT_EQ(m.driver()->getMemory()[0x1000], 0);
}

TEST(X1Machine, CtcPeriods)
{
    struct Case {
        uint16_t port;
        uint8_t control, constant;
        int64_t period;
    } cases[] = {
        {0x1FA0, 0xA7, 0, 16384},   // prescaler 256, constant 256
        {0x1FA1, 0x87, 100, 400},   // prescaler 16
        {0x1FA2, 0xC7, 10, 5},      // counter mode on channel 2: constant / 2
        {0x1FA1, 0xC7, 1, 1},       // would be 0 us: at least 1
        {0x0705, 0xA5, 0, 16384},   // no constant follows: keeps 256 (x1/opm)
    };
    for (const Case& c : cases) {
        TestSystemScope sys;
        X1Machine m;
        ASSERT_TRUE(m.load("[option]\n[file]\n"));
        m.out(c.port, c.control);
        if (c.control & 4) m.out(c.port, c.constant);
        EXPECT_EQ(m.driver()->getCtcPeriod(c.port & 3), c.period)
            << std::hex << "port " << c.port << " control " << (int)c.control << std::dec << " constant "
            << (int)c.constant;
    }
}

// A period of 0 would keep the VM in one instant for ever: a run with the
// shortest counter period on channel 1 ends.
TEST(X1Machine, ShortestCounterPeriodStillAdvances)
{
    TestSystemScope sys;
    X1Machine m;
    ASSERT_TRUE(m.load("[option]\n[file]\n"));
    m.out(0x1FA1, 0x47);
    m.out(0x1FA1, 1);
    EXPECT_TRUE(m.vm.run(200));
}

// The program counts each channel's interrupts in its handlers: channel 0
// every 400 us, channel 1 every 16384 us, channel 3 every fourth tick of
// channel 0.
TEST(X1Machine, CtcRatesCountedByTheProgram)
{
    for (const char* name : {"x1/psg", "x1/opm"}) {
        TestSystemScope sys;
        X1Machine m;
        m.archive.files["ctc.bin"] = k_x1_ctc;
        ASSERT_TRUE(m.load("[option]\nskip_idle=0\n[file]\nname=ctc.bin,type=code,addr=0\n", name));
        m.vm.run(100000);
        const uint8_t* mem = m.driver()->getMemory();
        const int ch0 = mem[0x7000] | mem[0x7001] << 8;
        const int ch1 = mem[0x7002] | mem[0x7003] << 8;
        const int ch3 = mem[0x7006] | mem[0x7007] << 8;
        EXPECT_TRUE(ch0 >= 248 && ch0 <= 250) << name << " channel 0: expected 249-250, got " << ch0;
        EXPECT_EQ(ch1, 6) << name << " channel 1";
        EXPECT_EQ(ch3, ch0 / 4) << name << " channel 3 against channel 0 " << ch0;
    }
}

TEST(X1Machine, PendingChannelsAreTakenLowestFirst)
{
    TestSystemScope sys;
    X1Machine m;
    ASSERT_TRUE(m.load("[option]\n[file]\n"));
    m.out(0x1FA0, 0x10);   // vector base 0x10
    m.out(0x1FA0, 0x85);
    m.out(0x1FA2, 0x85);
    X1Driver::onTimer(m.driver(), 3);
    X1Driver::onTimer(m.driver(), 1);
    EXPECT_EQ(m.driver()->getPending(), 0x05);
    X1Driver::onAcknowledge(m.driver(), 0x10);
    EXPECT_EQ(m.driver()->getPending(), 0x04);
    X1Driver::onAcknowledge(m.driver(), 0x14);
    EXPECT_EQ(m.driver()->getPending(), 0x00);
}

// In "x1/psg" the YM2151 and the second CTC window are absent; 0x0702 and
// 0x0703 are not part of them and keep their bytes like any spare address.
TEST(X1Machine, PsgVariantPorts)
{
    TestSystemScope sys;
    X1Machine m;
    ASSERT_TRUE(m.load("[option]\n[file]\n", "x1/psg"));
    for (uint16_t p : {0x0700, 0x0701, 0x0704, 0x0705, 0x0706, 0x0707}) {
        m.out(p, 0x85);
        EXPECT_EQ(m.in(p), 0) << std::hex << p;
    }
    m.out(0x0702, 0x33);
    EXPECT_EQ(m.in(0x0702), 0x33);
    m.out(0x1FA1, 0x87);
    m.out(0x1FA1, 100);
    EXPECT_EQ(m.driver()->getCtcPeriod(1), 400);
    m.out(0x1C00, 8);
    m.out(0x1B00, 15);
    EXPECT_EQ(m.driver()->getPsg()->getRegisters()[8], 15);
    EXPECT_EQ(m.in(0x1B42), 15);
}

std::string Row(const DebugMonitor& m, int y)
{
    return std::string(m.getGrid() + y * DebugMonitor::COLUMNS, DebugMonitor::COLUMNS);
}

// Dump windows near the end of the address space wrap to 0x0000.
TEST(X1Machine, DumpWrapsAtTheEndOfTheAddressSpace)
{
    TestSystemScope sys;
    X1Machine m;
    ASSERT_TRUE(m.load("[option]\ndebug_mem=0xFFF0\ndebug_io=0xFFF0\n[file]\n"));
    m.driver()->getMemory()[0] = 0xAB;
    m.driver()->getPorts()[0] = 0xCD;
    DebugMonitor* mon = new DebugMonitor();
    EXPECT_FALSE(m.driver()->dump(mon, 1));
    EXPECT_NE(Row(*mon, 5).find("MEMORY:"), std::string::npos) << Row(*mon, 5);
    EXPECT_NE(Row(*mon, 7).find("0000:AB"), std::string::npos) << Row(*mon, 7);
    EXPECT_NE(Row(*mon, 7).find("0000:CD"), std::string::npos) << Row(*mon, 7);
    EXPECT_FALSE(m.driver()->dump(mon, 3));
    EXPECT_NE(Row(*mon, 5).find("YM2151: STATUS:"), std::string::npos) << Row(*mon, 5);
    EXPECT_NE(Row(*mon, 5).find("AY-3-8910:"), std::string::npos) << Row(*mon, 5);
    delete mon;
}

}  // namespace

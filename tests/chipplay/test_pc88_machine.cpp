// PC88Driver at run time: the host device and song requests, the song-data
// copies, and the interrupt controller, driven by small Z80 programs of our
// own. The programs are written out as bytes with their assembly beside
// them.
#include "pc88_fixture.h"

#include "YM2608.h"
#include "Z80.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::string Errors(TestSystem& sys)
{
    std::string all;
    for (const std::string& e : sys.errors()) all += e;
    return all;
}

// The song loop of a patched game program: wait for a play request, fetch
// the song code and ask for its chunk.
const std::vector<uint8_t> kSongLoop = {
    0xF3,              // 0000  di
    0x31, 0x00, 0x80,  // 0001  ld sp,8000h
    0xDB, 0x80,        // 0004  loop: in a,(80h)     ; host device
    0xFE, 0x01,        // 0006  cp 1                 ; play request?
    0x20, 0xFA,        // 0008  jr nz,loop
    0xDB, 0x81,        // 000A  in a,(81h)           ; song code
    0x32, 0x00, 0x70,  // 000C  ld (7000h),a
    0xD3, 0x81,        // 000F  out (81h),a          ; copy its chunks
    0x18, 0xF1,        // 0011  jr loop
};

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
        m.archive.files["prog.bin"] = kSongLoop;
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

// The interrupt test program: IM 2 with the table at 1000h; each handler
// logs its number at (HL) and opens the level again. The bytes at 000Eh
// (port E6h), 0012h (port E4h) and 0016h (port 32h) are patched per case.
// YM2608/YM2203 timer A runs with its interrupt enabled. A delay of about
// 20 ms with interrupts off lets the 60 Hz and 600 Hz requests both wait.
std::vector<uint8_t> InterruptProgram()
{
    std::vector<uint8_t> image(0x1010, 0);
    const uint8_t main[] = {
        0xF3,              // 0000  di
        0x31, 0x00, 0x80,  // 0001  ld sp,8000h
        0x21, 0x00, 0x70,  // 0004  ld hl,7000h        ; log
        0x3E, 0x10,        // 0007  ld a,10h
        0xED, 0x47,        // 0009  ld i,a
        0xED, 0x5E,        // 000B  im 2
        0x3E, 0x03,        // 000D  ld a,3             ; 60 Hz and 600 Hz enabled
        0xD3, 0xE6,        // 000F  out (0E6h),a
        0x3E, 0x08,        // 0011  ld a,8             ; level: every request
        0xD3, 0xE4,        // 0013  out (0E4h),a
        0x3E, 0x80,        // 0015  ld a,80h           ; sound interrupt masked
        0xD3, 0x32,        // 0017  out (32h),a
        0x3E, 0x24,        // 0019  ld a,24h           ; timer A high bits
        0xD3, 0x44,        // 001B  out (44h),a
        0x3E, 0x80,        // 001D  ld a,80h
        0xD3, 0x45,        // 001F  out (45h),a
        0x3E, 0x27,        // 0021  ld a,27h
        0xD3, 0x44,        // 0023  out (44h),a
        0x3E, 0x15,        // 0025  ld a,15h           ; load, enable, reset timer A
        0xD3, 0x45,        // 0027  out (45h),a
        0x0E, 0x30,        // 0029  ld c,30h
        0x10, 0xFE,        // 002B  l: djnz l
        0x0D,              // 002D  dec c
        0x20, 0xFB,        // 002E  jr nz,l
        0xFB,              // 0030  ei
        0x18, 0xFE,        // 0031  jr $
    };
    memcpy(image.data(), main, sizeof main);
    // Handlers at 0100h (60 Hz, logs 1), 0120h (600 Hz, logs 2), 0140h
    // (sound, logs 4; resets the timer A flag first).
    const uint8_t timer[] = {
        0x36, 0x01,        // ld (hl),1
        0x23,              // inc hl
        0x3E, 0x08,        // ld a,8
        0xD3, 0xE4,        // out (0E4h),a
        0xFB,              // ei
        0xED, 0x4D,        // reti
    };
    memcpy(&image[0x100], timer, sizeof timer);
    memcpy(&image[0x120], timer, sizeof timer);
    image[0x121] = 0x02;
    const uint8_t sound[] = {
        0x36, 0x04,        // ld (hl),4
        0x23,              // inc hl
        0x3E, 0x27,        // ld a,27h
        0xD3, 0x44,        // out (44h),a
        0x3E, 0x15,        // ld a,15h
        0xD3, 0x45,        // out (45h),a
        0x3E, 0x08,        // ld a,8
        0xD3, 0xE4,        // out (0E4h),a
        0xFB,              // ei
        0xED, 0x4D,        // reti
    };
    memcpy(&image[0x140], sound, sizeof sound);
    const uint8_t table[] = {0x00, 0x00, 0x00, 0x01, 0x20, 0x01, 0x00, 0x00, 0x40, 0x01};
    memcpy(&image[0x1000], table, sizeof table);
    return image;
}

struct Log {
    std::vector<int> order;
    int count[5] = {0, 0, 0, 0, 0};
};

Log RunInterrupts(const char* driver, const std::string& patch, int64_t micros, TestSystem& sys)
{
    Pc88Machine m;
    m.archive.files["int.bin"] = InterruptProgram();
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

// PC88Driver loading: the sections [option], [file] and [patch] of a music
// archive, the chunk tables, and the bounds on every copy.
#include "pc88_fixture.h"

#include "DebugMonitor.h"
#include "PC88CompatDriver.h"
#include "YM2608.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

const char kMinimal[] = "[option]\n[file]\n[patch]\n";

TEST(Pc88Load, FactoryAndMissingSections)
{
    TestSystemScope sys;
    VM vm;
    EXPECT_EQ(PC88Driver::create(&vm, "pc88/opna/compat"), nullptr);
    EXPECT_EQ(PC88Driver::create(&vm, "x1"), nullptr);

    struct Case {
        const char* text;
        const char* errors;
    } cases[] = {
        {"[file]\n[patch]\n", "[PC88]optionセクションが見つかりません\n[PC88]オプションの設定に失敗しました\n"},
        {"[option]\n[patch]\n", "[PC88]fileセクションが見つかりません\n[PC88]ファイルのロードに失敗しました\n"},
        {"[option]\n[file]\n", "[PC88]patchセクションが見つかりません\n[PC88]パッチに失敗しました\n"},
    };
    for (const Case& c : cases) {
        sys->clear();
        Pc88Machine m;
        EXPECT_FALSE(m.load(c.text)) << c.text;
        std::string all = Errors(*sys);
        EXPECT_EQ(all.substr(0, strlen(c.errors)), c.errors) << c.text;
    }
    for (const char* name : {"pc88/opn", "pc88/opna"}) {
        sys->clear();
        Pc88Machine m;
        ASSERT_TRUE(m.load(kMinimal, name)) << name << Errors(*sys);
        EXPECT_EQ(m.driver()->getOpn() != nullptr, std::string(name) == "pc88/opn");
        EXPECT_EQ(m.driver()->getOpna() != nullptr, std::string(name) == "pc88/opna");
        EXPECT_EQ(m.vm.getChipCount(), 1);
        // The port array as the machine starts.
        EXPECT_EQ(m.driver()->getPorts()[0x0E], 0xFF);
        EXPECT_EQ(m.driver()->getPorts()[0x0F], 0x00);
        EXPECT_EQ(m.driver()->getPorts()[0x32], 0x80);
        EXPECT_EQ(m.driver()->getChunkCount(0), 64);
        EXPECT_EQ(m.driver()->getChunkCount(3), 64);
    }
}

TEST(Pc88Load, PatchEntries)
{
    TestSystemScope sys;
    struct Case {
        const char* entry;
        uint32_t at;          // where to look (bit 31: port array)
        std::vector<uint8_t> expected;
        const char* error;    // empty: none
    } cases[] = {
        {"addr=0x100,data=0A1bFf", 0x100, {0x0A, 0x1B, 0xFF, 0x00}, ""},
        {"addr=0x100,type=string,data=AB", 0x100, {'A', 'B', 0x00}, ""},
        {"addr=0x100,data=0G", 0x100, {0x00}, "[PC88]16進数として無効な文字が指定されました\n"},
        {"addr=0x100,data=12345", 0x100, {0x12, 0x34, 0x00}, "[PC88]16進数として無効な文字が指定されました\n"},
        {"addr=0xFFFF,data=1122", 0xFFFE, {0x00, 0x11}, ""},   // cut at the end of RAM
        {"addr=0xFE,target=ioport,data=112233", 0x800000FD, {0x00, 0x11, 0x22}, ""},
        {"addr=0xFF,target=ioport,type=string,data=xyz", 0x800000FF, {'x'}, ""},
        {"addr=0x100,target=rom,data=11", 0x100, {0x00}, "[PC88]不明なpatchのtargetです(rom)\n"},
        {"addr=0x100,type=text,data=11", 0x100, {0x00}, "[PC88]不明なpatchのtypeです(text)\n"},
    };
    for (const Case& c : cases) {
        sys->clear();
        Pc88Machine m;
        ASSERT_TRUE(m.load(std::string("[option]\n[file]\n[patch]\n") + c.entry + "\n")) << c.entry;
        const bool ports = (c.at & 0x80000000u) != 0;
        const uint8_t* base = ports ? m.driver()->getPorts() : m.driver()->getMemory();
        for (size_t i = 0; i < c.expected.size(); i++) {
            EXPECT_EQ((int)base[(c.at & 0xFFFF) + i], (int)c.expected[i]) << c.entry << " byte " << i;
        }
        EXPECT_EQ(Errors(*sys), c.error) << c.entry;
    }
}

TEST(Pc88Load, FileEntriesFillRamPortsChunksAndAdpcm)
{
    TestSystemScope sys;
    Pc88Machine m;
    m.archive.files["code.bin"] = Ramp(0x20, 0x40);
    m.archive.files["ports.bin"] = Ramp(0x20, 0x80);
    m.archive.files["a.bin"] = Ramp(0x80, 1);
    m.archive.files["b.bin"] = Ramp(0x100, 0x10);
    m.archive.files["pcm.bin"] = Ramp(0x10, 0xA0);
    ASSERT_TRUE(m.load("[option]\n[file]\n"
                       "name=code.bin,type=code,addr=0xFFF0\n"            // cut at the end of RAM
                       "name=ports.bin,type=code,addr=0x800000F8\n"       // port array, cut at 256
                       "name=a.bin,type=data,no=5,offset=0x100\n"
                       "name=a.bin,type=data2,no=100,offset=0\n"          // the table grows to 101
                       "name=b.bin,type=data3,no=7,offset=0\n"
                       "name=a.bin,type=data3,no=7,offset=0x20\n"         // cut to 0xA0
                       "name=pcm.bin,type=adpcm,addr=0x3FFF8\n"           // cut at 256 KB
                       "name=pcm.bin,type=adpcm2,no=2\n"
                       "name=none.bin,type=data\n"
                       "name=a.bin,type=music\n"
                       "[patch]\n")) << Errors(*sys);
    PC88Driver* d = m.driver();
    EXPECT_EQ(Errors(*sys), "[PC88]ファイルのオープンに失敗しました(none.bin)\n[PC88]無効なファイルタイプです(music)\n");
    EXPECT_EQ(d->getMemory()[0xFFF0], 0x40);
    EXPECT_EQ(d->getMemory()[0xFFFF], 0x4F);
    EXPECT_EQ(d->getMemory()[0x0000], 0x00);
    EXPECT_EQ(d->getPorts()[0xF8], 0x80);
    EXPECT_EQ(d->getPorts()[0xFF], 0x87);

    const std::vector<uint8_t>& c5 = d->getChunk(0, 5);
    ASSERT_EQ(c5.size(), 0x180u);
    EXPECT_EQ(c5[0x0FF], 0);
    EXPECT_EQ(c5[0x100], 1);
    EXPECT_EQ(c5[0x17F], 0x80);
    EXPECT_EQ(d->getChunkCount(1), 101);
    EXPECT_EQ(d->getChunk(1, 100).size(), 0x80u);
    const std::vector<uint8_t>& c7 = d->getChunk(2, 7);
    ASSERT_EQ(c7.size(), 0xA0u);
    EXPECT_EQ(c7[0x1F], 0x2F);   // from b.bin
    EXPECT_EQ(c7[0x20], 1);      // a.bin overwrote from 0x20 on
    EXPECT_EQ(d->getChunk(3, 2).size(), 0x10u);

    const uint8_t* adpcm = d->getAdpcmImage();
    EXPECT_EQ(adpcm[0x3FFF8], 0xA0);
    EXPECT_EQ(adpcm[0x3FFFF], 0xA7);
    // The image reached the chip's ADPCM memory at load.
    EXPECT_EQ(memcmp(d->getOpna()->getAdpcmMemory(), adpcm, PC88Driver::ADPCM_SIZE), 0);
}

// Chunk numbers beyond what OUT 0x81 can ask for, negative numbers and
// offsets, and chunks past the size cap are refused; so are ADPCM addresses
// outside the image. Each is reported and leaves the tables alone.
TEST(Pc88Load, DamagedFileEntriesAreRefused)
{
    TestSystemScope sys;
    struct Case {
        const char* entry;
        const char* error;
    } cases[] = {
        {"name=a.bin,type=data,no=-1", "[PC88]データ番号が範囲外です(a.bin: -1)\n"},
        {"name=a.bin,type=data2,no=256", "[PC88]データ番号が範囲外です(a.bin: 256)\n"},
        {"name=a.bin,type=data,no=1,offset=-16",
         "[PC88]データのオフセットかサイズが範囲外です(a.bin: offset -16, size 16)\n"},
        {"name=a.bin,type=data3,no=1,offset=0x7FFFFFF8",
         "[PC88]データのオフセットかサイズが範囲外です(a.bin: offset 2147483640, size 16)\n"},
        {"name=a.bin,type=adpcm2,no=1,offset=0xFFFF8",
         "[PC88]データのオフセットかサイズが範囲外です(a.bin: offset 1048568, size 16)\n"},
        {"name=a.bin,type=adpcm,addr=-8", "[PC88]ADPCMのアドレスが範囲外です(a.bin: 0xfffffff8)\n"},
        {"name=a.bin,type=adpcm,addr=0x40000", "[PC88]ADPCMのアドレスが範囲外です(a.bin: 0x00040000)\n"},
    };
    for (const Case& c : cases) {
        sys->clear();
        Pc88Machine m;
        m.archive.files["a.bin"] = Ramp(16, 1);
        ASSERT_TRUE(m.load(std::string("[option]\n[file]\n") + c.entry + "\n[patch]\n")) << c.entry;
        EXPECT_EQ(Errors(*sys), c.error) << c.entry;
        for (int t = 0; t < 4; t++) {
            EXPECT_EQ(m.driver()->getChunkCount(t), 64) << c.entry;
            for (int n = 0; n < 64; n++) EXPECT_TRUE(m.driver()->getChunk(t, n).empty()) << c.entry;
        }
    }
}

TEST(Pc88Load, PcmX8RearrangesTheImageIntoBitPlanes)
{
    TestSystemScope sys;
    Pc88Machine m;
    // Image byte 0 = 0x01 (bit 0), byte 9 = 0x80 (bit 7), byte 0x3FFFF = 0x02.
    std::vector<uint8_t> low(10, 0);
    low[0] = 0x01;
    low[9] = 0x80;
    m.archive.files["low.bin"] = low;
    m.archive.files["high.bin"] = {0x02};
    ASSERT_TRUE(m.load("[option]\nuse_pcmx8=1\n[file]\n"
                       "name=low.bin,type=adpcm,addr=0\n"
                       "name=high.bin,type=adpcm,addr=0x3FFFF\n[patch]\n"));
    const uint8_t* image = m.driver()->getAdpcmImage();
    struct Expect {
        int32_t at;
        int value;
    } expect[] = {
        {0, 0x01},                      // plane 0, image bytes 0-7, bit 0
        {7 * 32768 + 1, 0x02},          // plane 7, image bytes 8-15, bit 1
        {1 * 32768 + 32767, 0x80},      // plane 1, image bytes 0x3FFF8-0x3FFFF, bit 7
        {9, 0},
    };
    int nonzero = 0;
    for (int32_t i = 0; i < PC88Driver::ADPCM_SIZE; i++) nonzero += image[i] != 0;
    EXPECT_EQ(nonzero, 3);
    for (const Expect& e : expect) EXPECT_EQ((int)image[e.at], e.value) << "image byte " << e.at;
}

// A YM2608 whose initialisation fails has no ADPCM memory to take the image.
class FailingOpnaDriver : public PC88Driver {
public:
    explicit FailingOpnaDriver(VM* vm) : PC88Driver(vm, true) {}

protected:
    bool initOpna(YM2608*) override { return false; }
};

class FailingOpnaCompatDriver : public PC88CompatDriver {
public:
    explicit FailingOpnaCompatDriver(VM* vm) : PC88CompatDriver(vm, true) {}

protected:
    bool initOpna(YM2608*) override { return false; }
};

// Each driver reports under its own tag: the compatible one's messages
// carry "[PC88C]".
TEST(Pc88Load, FailedYm2608InitialisationFailsTheLoad)
{
    for (bool compat : {false, true}) {
        TestSystemScope sys;
        MapArchive archive;
        Config config;
        ASSERT_TRUE(ParseConfig(config, compat ? "[option]\n[file]\n" : kMinimal));
        VM vm;
        std::unique_ptr<PC88Driver> driver(compat ? static_cast<PC88Driver*>(new FailingOpnaCompatDriver(&vm))
                                                  : new FailingOpnaDriver(&vm));
        EXPECT_FALSE(driver->load(&config, &archive));
        EXPECT_EQ(Errors(*sys), compat ? "[PC88C]YM2608の初期化に失敗しました\n" : "[PC88]YM2608の初期化に失敗しました\n");
    }
}

// The page 1 window near the end of RAM wraps to address 0 instead of
// reading past the array; page 2 does the same for region 0 in the port
// array.
TEST(Pc88Load, DumpWindowsWrap)
{
    TestSystemScope sys;
    Pc88Machine m;
    ASSERT_TRUE(m.load("[option]\ndebug_mem=0xFFF8\ndata_addr=0x800000F8\n[file]\n[patch]\n"
                       "addr=0,data=A1A2\naddr=0xFFF8,data=F8\n"));
    DebugMonitor monitor;
    EXPECT_FALSE(m.driver()->dump(&monitor, 1));
    std::string row6(monitor.getGrid() + 6 * 80, 80);
    std::string row7(monitor.getGrid() + 7 * 80, 80);
    EXPECT_EQ(row6.substr(1, 9), "FFF8:F800") << row6;
    EXPECT_EQ(row6.substr(1 + 5 + 16, 4), "A1A2") << row6;   // bytes 8, 9 of the row: RAM 0, 1
    EXPECT_EQ(row7.substr(1, 5), "0008:") << row7;
    EXPECT_EQ(std::string(monitor.getGrid() + 5 * 80, 7), "MEMORY:");

    DebugMonitor page2;
    EXPECT_FALSE(m.driver()->dump(&page2, 2));
    std::string mdata(page2.getGrid() + 6 * 80, 80);
    // Port array from 0xF8 on: bytes 0xF8-0xFF are 0, then ports 0x00-0x07 are 0xFF.
    EXPECT_EQ(mdata.substr(1, 5 + 32), "00F8:0000000000000000FFFFFFFFFFFFFFFF") << mdata;
    EXPECT_EQ(std::string(page2.getGrid() + 5 * 80, 6), "MDATA:");
}

}  // namespace

// Loading an X1 music archive: options, files, patches and their messages.
#include "x1_fixture.h"

#include <gtest/gtest.h>

namespace {

TEST(X1Load, MissingSectionsAndTheirMessages)
{
    struct Case {
        const char* text;
        bool ok;
        std::vector<std::string> errors;
    } cases[] = {
        {"[file]\n", false, {"[X1]optionセクションが見つかりません\n", "[X1]オプションの設定に失敗しました\n"}},
        {"[option]\n", false, {"[X1]fileセクションが見つかりません\n", "[X1]ファイルのロードに失敗しました\n"}},
        {"[option]\n[file]\n", true, {}},
    };
    for (const Case& c : cases) {
        TestSystemScope sys;
        X1Machine m;
        EXPECT_EQ(m.load(c.text, "x1/psg"), c.ok) << c.text;
        const std::vector<std::string> errors = sys->errors();
        ASSERT_GE(errors.size(), c.errors.size()) << c.text << Errors(*sys);
        for (size_t i = 0; i < c.errors.size(); i++) EXPECT_EQ(errors[i], c.errors[i]) << c.text;
    }
}

TEST(X1Load, OptionsRegionsAndTheirPorts)
{
    TestSystemScope sys;
    X1Machine m;
    ASSERT_TRUE(m.load("[option]\ndata2_addr=0xE000\nattr=0x11223344\n[file]\n"));
    const uint32_t addr[3] = {0x4000, 0xE000, 0xE000};
    const int32_t size[3] = {0x2000, 0x400, 0x200};
    for (int k = 0; k < 3; k++) {
        EXPECT_EQ(m.driver()->getRegionAddress(k), addr[k]) << "region " << k;
        EXPECT_EQ(m.driver()->getRegionSize(k), size[k]) << "region " << k;
        EXPECT_EQ(m.driver()->getChunkCount(k), 64) << "region " << k;
        for (int base : {0x90, 0xB0}) {
            const uint8_t* p = m.driver()->getPorts() + base + 4 * k;
            EXPECT_EQ(p[0] | p[1] << 8, (int)addr[k]) << std::hex << "port " << base + 4 * k;
            EXPECT_EQ(p[2] | p[3] << 8, size[k]) << std::hex << "port " << base + 4 * k + 2;
        }
    }
    EXPECT_EQ(m.driver()->getPorts()[0x88], 0x44);
    EXPECT_EQ(m.driver()->getPorts()[0x8B], 0x11);
}

TEST(X1Load, FilesCodeAndChunks)
{
    TestSystemScope sys;
    X1Machine m;
    m.archive.files["big.bin"] = Ramp(0x3000, 1);
    m.archive.files["io.bin"] = Ramp(4, 0x21);
    m.archive.files["a.bin"] = Ramp(0x1000, 0);
    m.archive.files["b.bin"] = Ramp(0x20, 0x40);
    ASSERT_TRUE(m.load("[option]\n[file]\nname=big.bin,type=code,addr=0xF000\n"
                       "name=io.bin,type=code,addr=0x80000200\n"
                       "name=b.bin,type=data,no=2,offset=0x1000\nname=a.bin,type=data,no=2\n"
                       "name=b.bin,type=data2,no=70\nname=missing.bin,type=data\n"
                       "name=a.bin,type=music\n"));
    X1Driver* d = m.driver();
    EXPECT_EQ(d->getMemory()[0xFFFF], (uint8_t)(1 + 0xFFF));
    EXPECT_EQ(d->getMemory()[0x0000], 0) << "the code file must stop at 0xFFFF";
    EXPECT_EQ(d->getPorts()[0x203], 0x24);
    EXPECT_EQ(d->getChunk(0, 2).size(), 0x1020u) << "two files, one buffer";
    EXPECT_EQ(d->getChunk(0, 2)[0x1000], 0x40);
    EXPECT_EQ(d->getChunk(0, 2)[0xFFF], 0xFF);
    EXPECT_EQ(d->getChunkCount(1), 71);
    EXPECT_EQ(d->getChunkCount(0), 64);
    const std::vector<std::string> expected = {"[X1]ファイルのオープンに失敗しました(missing.bin)\n",
                                               "[X1]無効なファイルタイプです(music)\n"};
    EXPECT_EQ(sys->errors(), expected) << Errors(*sys);
}

// A "no" above 255 (OUT 0x81 cannot ask for it), a negative one and chunks
// beyond the size cap are refused with a message; the load goes on.
TEST(X1Load, DamagedDataEntriesAreRefused)
{
    struct Case {
        const char* entry;
        int table;
        int count;   // the table's buffers afterwards
    } cases[] = {
        {"no=256", 0, 64},
        {"no=-1", 0, 64},
        {"no=1,offset=-16", 0, 64},
        {"no=1,offset=0x7FFFFFF0", 0, 64},
        {"no=1,offset=0x100000", 0, 64},
        {"no=255", 0, 256},
    };
    for (const Case& c : cases) {
        TestSystemScope sys;
        X1Machine m;
        m.archive.files["d.bin"] = Ramp(0x20);
        ASSERT_TRUE(m.load(std::string("[option]\n[file]\nname=d.bin,type=data,") + c.entry + "\n")) << c.entry;
        EXPECT_EQ(m.driver()->getChunkCount(c.table), c.count) << c.entry;
        const bool refused = c.count == 64;
        EXPECT_EQ(sys->errors().size(), refused ? 1u : 0u) << c.entry << " " << Errors(*sys);
        if (refused) {
            EXPECT_TRUE(m.driver()->getChunk(0, 1).empty()) << c.entry;
        }
    }
}

TEST(X1Load, Patches)
{
    TestSystemScope sys;
    X1Machine m;
    ASSERT_TRUE(m.load("[option]\n[file]\n[patch]\n"
                       "addr=0x100,data=0A0b0\n"
                       "type=string,addr=0x200,data=AB\n"
                       "target=ioport,addr=0x1234,data=7F\n"
                       "target=rom,data=00\n"
                       "type=text,data=00\n"
                       "addr=0xFFFF,data=1122\n"
                       "addr=0x10000,data=33\n"));
    const uint8_t* mem = m.driver()->getMemory();
    struct Byte {
        int at, value;
    } bytes[] = {{0x100, 0x0A}, {0x101, 0x0B}, {0x102, 0}, {0x200, 'A'}, {0x201, 'B'}, {0x202, 0}, {0xFFFF, 0x11}, {0, 0}};
    for (const Byte& b : bytes) EXPECT_EQ((int)mem[b.at], b.value) << std::hex << "memory " << b.at;
    EXPECT_EQ(m.driver()->getPorts()[0x1234], 0x7F);
    const std::vector<std::string> expected = {"[X1]16進数として無効な文字が指定されました\n",
                                               "[X1]不明なpatchのtargetです(rom)\n",
                                               "[X1]不明なpatchのtypeです(text)\n"};
    EXPECT_EQ(sys->errors(), expected) << Errors(*sys);
}

}  // namespace

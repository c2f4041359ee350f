// The named options that tell the PC-8801's and the X1's song-data loaders
// apart (HostDeviceDriver's profiles), each checked on both machines: a row
// fails when its machine's option is flipped.
#include "x1_fixture.h"

#include "HostDeviceDriver.h"
#include "Z80.h"

#include <gtest/gtest.h>

namespace {

// Loads `text` with the named driver of either machine.
HostDeviceDriver* Load(VM& vm, MapArchive& archive, Config& config, const std::string& text,
                       const std::string& driver)
{
    static const bool registered = RegisterPC88Drivers() && RegisterX1Drivers();
    (void)registered;
    if (!ParseConfig(config, text) || !vm.loadDriver(driver, &config, &archive)) return nullptr;
    return dynamic_cast<HostDeviceDriver*>(vm.getDriver());
}

std::vector<uint8_t> Bytes(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> all;
    for (const std::vector<uint8_t>& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// DriverChunks::Fill: a later data file of the same number that ends
// earlier cuts the chunk on the PC-8801 and leaves the longer one's tail on
// the X1.
TEST(MachineOptions, ChunkFill)
{
    struct Case {
        const char* driver;
        std::vector<uint8_t> chunk;
    } cases[] = {
        {"pc88/opna", Bytes({Ramp(8, 0x80), Ramp(0x10, 0x10)})},
        {"x1/opm", Bytes({Ramp(8, 0x80), Ramp(0x10, 0x10), Ramp(0x28, 0x98)})},
    };
    for (const Case& c : cases) {
        TestSystemScope sys;
        VM vm;
        MapArchive archive;
        Config config;
        archive.files["long.bin"] = Ramp(0x40, 0x80);
        archive.files["short.bin"] = Ramp(0x10, 0x10);
        HostDeviceDriver* d = Load(vm, archive, config,
                                   "[option]\n[file]\nname=long.bin,type=data2,no=3\n"
                                   "name=short.bin,type=data2,no=3,offset=8\n[patch]\n",
                                   c.driver);
        ASSERT_NE(d, nullptr) << c.driver << " " << Errors(*sys);
        EXPECT_EQ(d->getChunk(1, 3), c.chunk) << c.driver;
    }
}

// DriverSlots::Copy: OUT 0x01,n copies song slot n from the song entry's
// "offset" up to the slot's end on the PC-8801, and mdata_size bytes from
// the slot's start, into the next slot, on the X1.
TEST(MachineOptions, SlotCopy)
{
    struct Case {
        const char* driver;
        std::vector<uint8_t> copied;
    } cases[] = {
        {"pc88/opna/compat", Bytes({Ramp(0xC, 0x14), std::vector<uint8_t>(0x14, 0)})},
        {"x1/psg/compat", Ramp(0x20, 0x10)},
    };
    for (const Case& c : cases) {
        TestSystemScope sys;
        VM vm;
        MapArchive archive;
        Config config;
        archive.files["s1.bin"] = Ramp(0x10, 0x10);
        archive.files["s2.bin"] = Ramp(0x10, 0x20);
        HostDeviceDriver* d = Load(vm, archive, config,
                                   "[option]\nmdata_addr=0x5000\nmdata_size=0x20\nmfile_size=0x10\n[file]\n"
                                   "name=s1.bin,type=bgm,offset=1\nname=s2.bin,type=bgm,offset=2\n",
                                   c.driver);
        ASSERT_NE(d, nullptr) << c.driver << " " << Errors(*sys);
        ASSERT_TRUE(d->play(1, Song({{"offset", "4"}}).get()));
        HostDeviceDriver::onWrite(0x01, 1, d);
        const uint8_t* memory = d->getMemory();
        EXPECT_EQ(std::vector<uint8_t>(memory + 0x5000, memory + 0x5020), c.copied) << c.driver;
        EXPECT_EQ(Errors(*sys), "") << c.driver;
    }
}

}  // namespace

namespace {

// "baseclock" outside 100 kHz..100 MHz is a configuration error on both
// machines (a clock of 0 or below once loaded and left every song silent);
// the edges of the range load and set the Z80's clock.
TEST(MachineOptions, BaseClockRange)
{
    struct Row {
        const char* value;
        bool loads;
    } rows[] = {
        {"0", false}, {"-4000000", false}, {"99999", false}, {"100000", true}, {"3993600", true},
        {"100000000", true}, {"100000001", false}, {"2147483647", false},
        {"99999999999999999999", false},   // parses to -1
    };
    const char* drivers[][2] = {{"pc88/opna", "[PC88]"}, {"x1/psg", "[X1]"}};
    for (const auto& driver : drivers) {
        for (const Row& r : rows) {
            TestSystemScope sys;
            VM vm;
            MapArchive archive;
            Config config;
            HostDeviceDriver* d = Load(vm, archive, config,
                                       std::string("[option]\nbaseclock=") + r.value + "\n[file]\n[patch]\n", driver[0]);
            EXPECT_EQ(d != nullptr, r.loads) << driver[0] << " baseclock=" << r.value << Errors(*sys);
            if (r.loads) {
                EXPECT_EQ(d->getCpu()->getClock(), static_cast<int64_t>(std::stoll(r.value))) << driver[0] << " " << r.value;
            } else {
                ASSERT_FALSE(sys->errors().empty()) << driver[0] << " " << r.value;
                EXPECT_EQ(sys->errors()[0], std::string(driver[1]) + "オプションの設定に失敗しました\n")
                    << driver[0] << " " << r.value;
            }
        }
    }
}

// The compatible drivers' slot count is part of their bound: a huge count
// over files of size 0 is refused as the slot arrays past the bound are,
// not filled with hundreds of megabytes of flags.
TEST(MachineOptions, SlotCountIsPartOfTheBound)
{
    struct Row {
        const char* options;
        bool loads;
    } rows[] = {
        {"mdata_num=400000000\nmfile_size=0\nvfile_size=0\nmdata_size=0\nvdata_size=0\n", false},
        {"mdata_num=67108865\nmfile_size=0\nvfile_size=0\nmdata_size=0\nvdata_size=0\n", false},
        {"mdata_num=65536\nmfile_size=1024\nvfile_size=0\nmdata_size=0\nvdata_size=0\n", false},
        {"mdata_num=65536\nmfile_size=1000\nvfile_size=0\nmdata_size=0\nvdata_size=0\n", true},
        {"mdata_num=1000000\nmfile_size=0\nvfile_size=0\nmdata_size=0\nvdata_size=0\n", true},
    };
    const char* drivers[][2] = {{"pc88/opn/compat", "[PC88C]"}, {"x1/psg/compat", "[X1C]"}};
    for (const auto& driver : drivers) {
        for (const Row& r : rows) {
            TestSystemScope sys;
            VM vm;
            MapArchive archive;
            Config config;
            const bool loaded = Load(vm, archive, config, std::string("[option]\n") + r.options + "[file]\n",
                                     driver[0]) != nullptr;
            EXPECT_EQ(loaded, r.loads) << driver[0] << "\n" << r.options << Errors(*sys);
            if (!r.loads) {
                ASSERT_FALSE(sys->errors().empty()) << driver[0] << "\n" << r.options;
                EXPECT_EQ(sys->errors()[0], std::string(driver[1]) + "曲データ領域の確保に失敗しました\n");
            }
        }
    }
}

}  // namespace

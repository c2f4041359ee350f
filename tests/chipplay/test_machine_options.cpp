// The named options that tell the PC-8801's and the X1's song-data loaders
// apart (HostDeviceDriver's profiles), each checked on both machines: a row
// fails when its machine's option is flipped.
#include "x1_fixture.h"

#include "HostDeviceDriver.h"

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

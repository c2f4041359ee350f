// The paged bus: page choice, clamped ranges, handler precedence, read-only
// pages and unmapped addresses.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "Bus.h"

namespace {

struct Log {
    std::vector<uint32_t> addresses;
    std::vector<uint32_t> values;
};

void Record(uint32_t address, uint32_t value, void* context)
{
    Log* log = static_cast<Log*>(context);
    log->addresses.push_back(address);
    log->values.push_back(value);
}

uint32_t Echo(uint32_t address, void* context)
{
    static_cast<Log*>(context)->addresses.push_back(address);
    return address ^ 0x5A5A;
}

TEST(Bus, SinglePageSeesTheWholeAddress)
{
    Bus io(8, 8);
    EXPECT_EQ(1, io.getPageCount());
    Log log;
    io.mapWrite(0x00, 0xFF, Record, &log);
    io.mapRead(0x00, 0xFF, Echo, &log);
    io.write(0x1234, 0x1FF);   // a 16-bit port on an 8-bit bus: the handler gets it whole
    EXPECT_EQ(0x1234u ^ 0x5A5A, io.read(0x1234));
    ASSERT_EQ(2u, log.addresses.size());
    EXPECT_EQ(0x1234u, log.addresses[0]);
    EXPECT_EQ(0x1FFu, log.values[0]);
    EXPECT_EQ(0x1234u, log.addresses[1]);

    Bus mem(16, 16);
    uint8_t ram[0x10000] = {};
    mem.mapMemory(0x0000, 0xFFFF, ram, true);
    mem.write(0xFFFF, 0xAB);
    EXPECT_EQ(0xAB, ram[0xFFFF]);
}

TEST(Bus, PagesMemoryAndPrecedence)
{
    Bus mem(16, 12);   // 16 pages of 4 KiB
    EXPECT_EQ(16, mem.getPageCount());
    static uint8_t rom[0x2000];
    static uint8_t ram[0x1000];
    for (int i = 0; i < 0x2000; ++i) rom[i] = (uint8_t)(i >> 4);
    mem.mapMemory(0x0000, 0x1FFF, rom, false);
    mem.mapMemory(0x8000, 0x8FFF, ram, true);

    EXPECT_EQ(rom[0x1234], mem.read(0x1234)) << "second page of a range continues the block";
    mem.write(0x1234, 0xEE);
    EXPECT_EQ(rom[0x1234], mem.read(0x1234)) << "read-only memory ignores writes";
    EXPECT_EQ(0u, mem.read(0x4000)) << "unmapped reads give 0";
    mem.write(0x4000, 0x12);   // dropped without a crash
    mem.write(0x8FFF, 0x1234);
    EXPECT_EQ(0x34, ram[0xFFF]) << "memory stores the low byte";

    // A handler wins over memory on the same page, also on a read-only page.
    Log log;
    mem.mapWrite(0x0000, 0x0FFF, Record, &log);
    mem.write(0x0010, 0x77);
    ASSERT_EQ(1u, log.addresses.size());
    EXPECT_EQ(0x0010u, log.addresses[0]);
    mem.mapRead(0x8000, 0x8FFF, Echo, &log);
    EXPECT_EQ(0x8001u ^ 0x5A5A, mem.read(0x8001));
}

TEST(Bus, RangesClampAndEmptyRangesChangeNothing)
{
    Bus mem(16, 12);
    static uint8_t block[0x2000];
    block[0x1000] = 0x99;
    // Last page beyond the space: maps up to the last page only.
    mem.mapMemory(0xF000, 0x1FFFF, block, true);
    EXPECT_EQ(0, block[0] + (int)mem.read(0xF000));
    mem.write(0xF001, 0x42);
    EXPECT_EQ(0x42, block[1]);
    // first > last: nothing happens.
    Log log;
    mem.mapWrite(0x2000, 0x1000, Record, &log);
    mem.write(0x1000, 1);
    mem.write(0x2000, 1);
    EXPECT_TRUE(log.addresses.empty());
    // Addresses above the space wrap by the page mask.
    EXPECT_EQ(0x42u, mem.read(0x1F001));
}

}  // namespace

// Paged buses, the driver registry and the debug monitor grid.
#include "test_system.h"
#include "test_vm_fakes.h"

#include "Bus.h"
#include "DebugMonitor.h"
#include "Driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Port {
    std::vector<std::pair<uint32_t, uint32_t>> writes;
};

void RecordWrite(uint32_t address, uint32_t value, void* context)
{
    static_cast<Port*>(context)->writes.push_back({address, value});
}

uint32_t ReadAddressLow(uint32_t address, void* context)
{
    return (address & 0xFF) ^ *static_cast<uint32_t*>(context);
}

TEST(Bus, MemoryMapsPageByPageFromTheRangesFirstPage)
{
    TestSystemScope sys;
    // Table: address bits, page bits, mapped range, probes (address, expected
    // byte or -1 for unmapped, i.e. read 0 and writes dropped).
    struct Case {
        const char* what;
        int32_t addressBits, pageBits;
        uint32_t first, last;
        std::vector<std::pair<uint32_t, int>> probes;
    };
    std::vector<uint8_t> ram(0x20000);
    for (size_t i = 0; i < ram.size(); i++) ram[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
    const Case cases[] = {
        {"one page maps the whole 16-bit space", 16, 16, 0, 0xFFFF,
         {{0x0000, ram[0x0000]}, {0xFFFF, ram[0xFFFF]}, {0x12345, ram[0x2345]}}},
        {"range past the page count stops at the last page", 16, 12, 0xF000, 0x1FFFF,
         {{0xF000, ram[0]}, {0xFFFF, ram[0xFFF]}, {0xEFFF, -1}, {0x0000, -1}}},
        {"memory attaches at the first page's base, not at `first`", 16, 12, 0x2800, 0x3FFF,
         {{0x2000, ram[0]}, {0x2800, ram[0x800]}, {0x3000, ram[0x1000]}, {0x4000, -1}}},
        {"range wholly beyond the space changes nothing", 8, 4, 0x100, 0x1FF,
         {{0x00, -1}, {0xFF, -1}}},
        {"reversed range changes nothing", 16, 8, 0x4000, 0x3FFF, {{0x3F00, -1}, {0x4000, -1}}},
    };
    for (const Case& c : cases) {
        Bus bus(c.addressBits, c.pageBits);
        bus.mapMemory(c.first, c.last, ram.data(), true);
        for (auto probe : c.probes) {
            int expected = probe.second < 0 ? 0 : probe.second;
            EXPECT_EQ(static_cast<int>(bus.read(probe.first)), expected)
                << c.what << ": read of 0x" << std::hex << probe.first;
        }
    }
}

TEST(Bus, WritesGoToHandlersBeforeMemoryAndNeverToReadOnlyPages)
{
    TestSystemScope sys;
    uint8_t ram[0x400] = {};
    uint8_t rom[0x400];
    std::memset(rom, 0xAA, sizeof rom);
    Port port;
    uint32_t key = 0x0F;

    Bus bus(16, 10);
    bus.mapMemory(0x0000, 0x03FF, rom, false);
    bus.mapMemory(0x0400, 0x07FF, ram, true);
    bus.mapMemory(0x0800, 0x0BFF, ram, true);
    bus.mapWrite(0x0800, 0x0BFF, RecordWrite, &port);   // watched RAM
    bus.mapRead(0x0C00, 0x0FFF, ReadAddressLow, &key);

    bus.write(0x0010, 0x1255);     // read-only, no handler: dropped
    bus.write(0x0410, 0x1255);     // RAM: low byte stored
    bus.write(0x0820, 0x77);       // handler wins over the memory behind it
    bus.write(0x9000, 0x01);       // unmapped: dropped

    EXPECT_EQ(rom[0x10], 0xAA) << "read-only page changed";
    EXPECT_EQ(ram[0x10], 0x55) << "RAM keeps the low byte";
    EXPECT_EQ(ram[0x20], 0x00) << "a watched page's memory was written past its handler";
    ASSERT_EQ(port.writes.size(), 1u);
    EXPECT_EQ(port.writes[0].first, 0x0820u);
    EXPECT_EQ(port.writes[0].second, 0x77u);
    EXPECT_EQ(bus.read(0x0820), 0u) << "the handler page reads its memory";
    EXPECT_EQ(bus.read(0x0C34), 0x34u ^ 0x0Fu) << "read handler result";
    EXPECT_EQ(bus.read(0x9000), 0u) << "unmapped read";
    EXPECT_EQ(bus.read(0x10410), 0x55u) << "addresses wrap by the page mask";
}

TEST(Bus, OnePageIoSpaceHandsTheWholePortToItsHandler)
{
    TestSystemScope sys;
    Port port;
    Bus io(8, 8);
    io.mapWrite(0x00, 0xFF, RecordWrite, &port);
    io.write(0x44, 0x10);
    io.write(0xA145, 0x20);   // a 16-bit port address as OUT (C),r forms it
    ASSERT_EQ(port.writes.size(), 2u);
    EXPECT_EQ(port.writes[0].first, 0x44u);
    EXPECT_EQ(port.writes[1].first, 0xA145u) << "the handler masks the port itself";
    EXPECT_EQ(io.getPageCount(), 1);
}

int gCalls[4];

Driver* FactoryNone(VM*, const std::string&)
{
    gCalls[0]++;
    return nullptr;
}

Driver* FactoryA(VM*, const std::string& name)
{
    gCalls[1]++;
    return name == "pc88/opna" ? new FakeDriver(true) : nullptr;
}

Driver* FactoryCompat(VM*, const std::string& name)
{
    gCalls[2]++;
    return name == "pc88/opna/compat" ? new FakeDriver(true) : nullptr;
}

TEST(DriverBinder, CreatesByExactNameAskingFactoriesInRegistrationOrder)
{
    TestSystemScope sys;
    VM vm;
    DriverBinder binder;
    binder.insert("pc88/opna", FactoryNone);
    binder.insert("pc88/opna", FactoryA);
    binder.insert("pc88/opna/compat", FactoryCompat);
    binder.insert("pc88/opna", FactoryCompat);   // asked only when the earlier ones make nothing

    std::memset(gCalls, 0, sizeof gCalls);
    Driver* d = binder.create("pc88/opna", &vm);
    EXPECT_NE(d, nullptr);
    EXPECT_EQ(gCalls[0], 1) << "first factory asked";
    EXPECT_EQ(gCalls[1], 1) << "second factory made it";
    EXPECT_EQ(gCalls[2], 0) << "nothing asked after a driver was made";
    delete d;

    std::memset(gCalls, 0, sizeof gCalls);
    d = binder.create("pc88/opna/compat", &vm);
    EXPECT_NE(d, nullptr);
    EXPECT_EQ(gCalls[0] + gCalls[1], 0) << "\"pc88/opna\" is no prefix match";
    EXPECT_EQ(gCalls[2], 1);
    delete d;

    EXPECT_EQ(binder.create("pc88/opn", &vm), nullptr) << "no factory under the name";
    EXPECT_EQ(binder.create("PC88/OPNA", &vm), nullptr) << "names compare bytewise";
    EXPECT_TRUE(sys->assertions().empty());

    std::memset(gCalls, 0, sizeof gCalls);
    EXPECT_EQ(binder.create("pc88/opna", nullptr), nullptr);
    EXPECT_EQ(gCalls[0] + gCalls[1] + gCalls[2], 0);
    ASSERT_EQ(sys->assertions().size(), 1u);
    EXPECT_NE(sys->assertions()[0].find("_vm != NULL"), std::string::npos) << sys->assertions()[0];
}

TEST(DriverBinder, RegisterFactoryFillsTheOneInstance)
{
    TestSystemScope sys;
    VM vm;
    EXPECT_EQ(DriverBinder::instance(), DriverBinder::instance());
    EXPECT_EQ(DriverBinder::instance()->create("test/binder", &vm), nullptr);
    DriverBinder::registerFactory("test/binder", [](VM*, const std::string&) -> Driver* { return new FakeDriver(true); });
    Driver* d = DriverBinder::instance()->create("test/binder", &vm);
    EXPECT_NE(d, nullptr);
    delete d;
}

std::string Row(const DebugMonitor& m, int y)
{
    return std::string(m.getGrid() + y * DebugMonitor::COLUMNS, DebugMonitor::COLUMNS);
}

TEST(DebugMonitor, WritesRunOnLinearlyAndAreCutAtTheLastCell)
{
    TestSystemScope sys;
    // On the heap, sized exactly: a write past the grid is a heap overflow
    // that the sanitizer reports.
    DebugMonitor* m = new DebugMonitor();
    EXPECT_EQ(Row(*m, 0), std::string(80, ' ')) << "a new grid is blank";

    m->putString(76, 0, "ABCDEFG");
    EXPECT_EQ(Row(*m, 0).substr(76), "ABCD");
    EXPECT_EQ(Row(*m, 1).substr(0, 4), "EFG ") << "text past column 79 goes on at the next row";

    m->printf(0, 2, "PC:%04X %s", 0x1234, "ok");
    EXPECT_EQ(Row(*m, 2).substr(0, 11), "PC:1234 ok ");

    const uint8_t bytes[] = {0x00, 0x1F, 0xAB, 0xFF};
    m->dumpHex(0, 3, bytes, 4, 0x1C000);
    EXPECT_EQ(Row(*m, 3).substr(0, 14), "C000:001FABFF ") << "5 + 2 x count cells, no blanks";

    m->putBinary(0, 4, 0x85, 8);
    m->putBinary(10, 4, 0x5, 3);
    EXPECT_EQ(Row(*m, 4).substr(0, 14), "10000101  101 ");

    m->clear(1, 4, 3);
    EXPECT_EQ(Row(*m, 4).substr(0, 8), "1   0101");

    // Shift-JIS passes byte by byte.
    m->putString(0, 5, "音");
    EXPECT_EQ(Row(*m, 5).substr(0, 2), std::string("音"));

    // The last row: everything past cell 1999 is dropped.
    m->putString(75, 24, "0123456789");
    EXPECT_EQ(Row(*m, 24).substr(75), "01234");
    m->printf(0, 24, "%s", std::string(1500, 'x').c_str());   // cut at 1023 bytes, then at the grid
    EXPECT_EQ(Row(*m, 24), std::string(80, 'x'));
    m->dumpHex(70, 24, bytes, 4, 0xBEEF);
    EXPECT_EQ(Row(*m, 24).substr(70), "BEEF:001FA") << "the byte that straddles the last cell is cut";
    m->putBinary(79, 24, 0xFFFFFFFF, 32);
    m->clear(79, 24, 100);
    m->putString(0, 25, "below");
    m->putString(-5, 0, "12345678");
    EXPECT_EQ(Row(*m, 0).substr(0, 4), "678 ") << "cells before the first are dropped";
    m->putString(0, -100000000, "far");
    m->putString(2000000000, 2000000000, "far");
    delete m;
}

}  // namespace

// An X1 music archive held in memory for the driver's tests, on the same
// in-memory archive and config helpers as the PC-8801 tests.
#pragma once

#include "pc88_fixture.h"
#include "X1Driver.h"

struct X1Machine {
    MapArchive archive;
    Config config;
    VM vm;

    // Loads the archive with the named driver; the VM owns it.
    bool load(const std::string& text, const std::string& driver = "x1/opm")
    {
        static bool registered = RegisterX1Drivers();
        (void)registered;
        if (!ParseConfig(config, text)) return false;
        return vm.loadDriver(driver, &config, &archive);
    }
    X1Driver* driver() { return dynamic_cast<X1Driver*>(vm.getDriver()); }
    uint8_t in(uint16_t port) { return (uint8_t)X1Driver::onRead(port, driver()); }
    void out(uint16_t port, uint8_t value) { X1Driver::onWrite(port, value, driver()); }
};

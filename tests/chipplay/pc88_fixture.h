// A PC-8801 music archive held in memory for the driver's tests: files by
// name, config.txt as text, and a VM that loads it through the registry.
#pragma once

#include "test_system.h"

#include "Archive.h"
#include "Config.h"
#include "MemFile.h"
#include "PC88Driver.h"
#include "RegisterDrivers.h"
#include "VM.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class MapArchive : public Archive {
public:
    std::map<std::string, std::vector<uint8_t>> files;

    File* openFile(const std::string& name, int) override
    {
        auto it = files.find(name);
        if (it == files.end()) return nullptr;
        return new MemFile(it->second.data(), (int)it->second.size(), true);
    }
    Archive* openArchive(const std::string&) override { return nullptr; }
    std::string getPath() override { return "music"; }
};

// Parses config.txt text (UTF-8 in the source is CP932 in the program).
inline bool ParseConfig(Config& config, const std::string& text)
{
    MemFile file(text.data(), (int)text.size(), true);
    return config.load(&file);
}

// Bytes 0, 1, 2, ... of a given length.
inline std::vector<uint8_t> Ramp(size_t length, uint8_t first = 0)
{
    std::vector<uint8_t> bytes(length);
    for (size_t i = 0; i < length; i++) bytes[i] = (uint8_t)(first + i);
    return bytes;
}

struct Pc88Machine {
    MapArchive archive;
    Config config;
    VM vm;

    // Loads the archive with the named driver; the VM owns it.
    bool load(const std::string& text, const std::string& driver = "pc88/opna")
    {
        static bool registered = RegisterPC88Drivers();
        (void)registered;
        if (!ParseConfig(config, text)) return false;
        return vm.loadDriver(driver, &config, &archive);
    }
    PC88Driver* driver() { return dynamic_cast<PC88Driver*>(vm.getDriver()); }
    uint8_t in(uint8_t port) { return (uint8_t)PC88Driver::onRead(port, driver()); }
    void out(uint8_t port, uint8_t value) { PC88Driver::onWrite(port, value, driver()); }
};

// Every error message so far, joined.
inline std::string Errors(TestSystem& sys)
{
    std::string all;
    for (const std::string& e : sys.errors()) all += e;
    return all;
}

// The song entry of section "title" for Driver::play.
inline std::unique_ptr<ConfigEntry> Song(const std::map<std::string, std::string>& values)
{
    std::unique_ptr<ConfigEntry> e(new ConfigEntry());
    e->addValue("title", "song");
    for (const auto& v : values) e->addValue(v.first, v.second);
    return e;
}

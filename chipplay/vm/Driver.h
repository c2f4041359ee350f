// Driver: a music driver, and DriverBinder: the registry that makes a driver
// from the name in the music archive's config.txt (section "info", key
// "driver").
//
// A static library drops objects that only register themselves, so every
// driver family registers its names explicitly at program start, before the
// player runs:
//
//   DriverBinder::registerFactory("pc88/opn", Pc88Driver::create);
//   DriverBinder::registerFactory("pc88/opna", Pc88Driver::create);
//   ...
//   Driver* d = DriverBinder::instance()->create("pc88/opna", vm);   // or null
//
// Names compare bytewise and whole: "pc88/opna" does not match
// "pc88/opna/compat". Several factories may stand under one name; create()
// asks them in registration order until one makes a driver.
#pragma once

#include "Object.h"

#include <cstdint>
#include <map>
#include <string>

class Archive;
class Config;
class ConfigEntry;
class DebugMonitor;
class VM;

class Driver : public virtual Object {
public:
    // Reads the driver's sections of the configuration, loads its files from
    // the archive and builds the machine (CPU, buses, chips, timers) on its VM.
    virtual bool load(Config* config, Archive* archive) = 0;
    // Starts the song `code`; `song` is its entry of section "title".
    virtual bool play(int32_t code, ConfigEntry* song) = 0;
    // Asks the game's code to stop the song.
    virtual bool stop() = 0;
    // Writes the driver's state on the 80-column monitor; page selects what.
    virtual bool dump(DebugMonitor* monitor, int32_t page) = 0;
};

// Makes a driver of that name for the VM, or returns null when it makes no
// driver of that name.
typedef Driver* (*DriverFactory)(VM* vm, const std::string& name);

class DriverBinder {
public:
    virtual ~DriverBinder();

    // The one registry, made on first use, destroyed at program exit.
    static DriverBinder* instance();
    // insert() on the instance (`register` is taken by the language).
    static bool registerFactory(const std::string& name, DriverFactory factory);

    bool insert(const std::string& name, DriverFactory factory);
    Driver* create(const std::string& name, VM* _vm);

private:
    std::multimap<std::string, DriverFactory> mFactories;
};

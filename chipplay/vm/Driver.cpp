#include "Driver.h"

#include "System.h"

namespace {
const char kSource[] = "vm/Driver.cpp";
}

DriverBinder::~DriverBinder()
{
}

DriverBinder* DriverBinder::instance()
{
    static DriverBinder binder;
    return &binder;
}

bool DriverBinder::registerFactory(const std::string& name, DriverFactory factory)
{
    return instance()->insert(name, factory);
}

bool DriverBinder::insert(const std::string& name, DriverFactory factory)
{
    // A multimap keeps equal keys in insertion order.
    mFactories.insert(std::make_pair(name, factory));
    return true;
}

Driver* DriverBinder::create(const std::string& name, VM* _vm)
{
    if (_vm == nullptr) {
        System::assertFailed(kSource, __LINE__, "_vm != NULL");
        return nullptr;
    }
    auto range = mFactories.equal_range(name);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second == nullptr) continue;
        Driver* driver = it->second(_vm, name);
        if (driver != nullptr) return driver;
    }
    return nullptr;
}

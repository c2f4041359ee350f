#include "RegisterDrivers.h"

#include "PC88CompatDriver.h"
#include "PC88Driver.h"
#include "X1CompatDriver.h"
#include "X1Driver.h"

bool RegisterPC88Drivers()
{
    const bool ok = HostDeviceDriver::registerNames(PC88Driver::NAMES, PC88Driver::create);
    return HostDeviceDriver::registerNames(PC88CompatDriver::NAMES, PC88CompatDriver::create) && ok;
}

bool RegisterX1Drivers()
{
    const bool ok = HostDeviceDriver::registerNames(X1Driver::NAMES, X1Driver::create);
    return HostDeviceDriver::registerNames(X1CompatDriver::NAMES, X1CompatDriver::create) && ok;
}

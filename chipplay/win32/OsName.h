// The name of the running Windows version for the error log and the crash
// report, e.g. "Microsoft Windows XP Professional Service Pack 3 (Build 2600)".
//
// OsNameFromFacts builds it from gathered facts so every branch can be
// tested; OsName gathers the facts of this machine (version information,
// native processor, registry) and builds it.
#pragma once

#include <string>

struct OsFacts {
    bool known = false;          // the version could be read at all
    bool extended = false;       // the extended version information was available
    unsigned platform = 0;       // VER_PLATFORM_...
    unsigned major = 0, minor = 0, build = 0;
    std::string servicePack;     // the system's service-pack text
    unsigned productType = 0;    // VER_NT_...
    unsigned suiteMask = 0;      // VER_SUITE_...
    unsigned architecture = 0;   // PROCESSOR_ARCHITECTURE_...
    bool serverR2 = false;       // the system metric of the R2 release
    std::string registryProductType;   // ProductOptions\ProductType, without extended information
    bool hotfixQ246009 = false;  // NT 4 Service Pack 6a
};

std::string OsNameFromFacts(const OsFacts& facts);
OsFacts GatherOsFacts();
std::string OsName();

// "ProductName (ProductVersion)" from the program file's version information,
// "Unknown" when it has none.
std::string ProductString();

#include "OsName.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...)
{
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

#ifndef SM_SERVERR2
#define SM_SERVERR2 89
#endif
#ifndef VER_SUITE_WH_SERVER
#define VER_SUITE_WH_SERVER 0x8000
#endif

}  // namespace

std::string OsNameFromFacts(const OsFacts& f)
{
    if (!f.known) return "(unknown)";
    std::string s;
    switch (f.platform) {
    case VER_PLATFORM_WIN32_NT: {
        bool workstation = f.productType == VER_NT_WORKSTATION;
        if (f.major == 6 && f.minor == 0) {
            s = workstation ? "Microsoft Windows Vista " : "Windows Server \"Longhorn\" ";
        } else if (f.major == 5 && f.minor == 2) {
            if (f.serverR2) s = "Microsoft Windows Server 2003 \"R2\" ";
            else if (workstation && f.architecture == PROCESSOR_ARCHITECTURE_AMD64)
                s = "Microsoft Windows XP Professional x64 Edition ";
            else s = "Microsoft Windows Server 2003, ";
        } else if (f.major == 5 && f.minor == 1) {
            s = "Microsoft Windows XP ";
        } else if (f.major == 5 && f.minor == 0) {
            s = "Microsoft Windows 2000 ";
        } else if (f.major <= 4) {
            s = "Microsoft Windows NT ";
        } else {
            // Versions after the table (6.1 and later) by their number.
            s = Format("Microsoft Windows %u.%u ", f.major, f.minor);
        }

        if (f.extended) {
            if (workstation) {
                if (f.major == 4) s += "Workstation 4.0 ";
                else if (f.suiteMask & VER_SUITE_PERSONAL) s += "Home Edition ";
                else s += "Professional ";
            } else if (f.productType == VER_NT_SERVER || f.productType == VER_NT_DOMAIN_CONTROLLER) {
                bool datacenter = f.suiteMask & VER_SUITE_DATACENTER;
                bool enterprise = f.suiteMask & VER_SUITE_ENTERPRISE;
                if (f.major == 5 && f.minor == 2) {
                    if (f.architecture == PROCESSOR_ARCHITECTURE_IA64) {
                        if (datacenter) s += "Datacenter Edition for Itanium-based Systems";
                        else if (enterprise) s += "Enterprise Edition for Itanium-based Systems";
                    } else if (f.architecture == PROCESSOR_ARCHITECTURE_AMD64) {
                        if (datacenter) s += "Datacenter x64 Edition ";
                        else if (enterprise) s += "Enterprise x64 Edition ";
                        else s += "Standard x64 Edition ";
                    } else {
                        if (datacenter) s += "Datacenter Edition ";
                        else if (enterprise) s += "Enterprise Edition ";
                        else if (f.suiteMask == VER_SUITE_BLADE) s += "Web Edition ";
                        else s += "Standard Edition ";
                    }
                } else if (f.major == 5 && f.minor == 0) {
                    if (datacenter) s += "Datacenter Server ";
                    else if (enterprise) s += "Advanced Server ";
                    else s += "Server ";
                } else if (f.major == 4) {
                    if (enterprise) s += "Server 4.0, Enterprise Edition ";
                    else s += "Server 4.0 ";
                }
            }
        } else {
            if (f.registryProductType == "WINNT") s += "Workstation ";
            else if (f.registryProductType == "LANMANNT") s += "Server ";
            else if (f.registryProductType == "SERVERNT") s += "Advanced Server ";
            s += Format("%u.%u ", f.major, f.minor);
        }

        if (f.major == 4 && f.servicePack == "Service Pack 6" && f.hotfixQ246009)
            s += Format("Service Pack 6a (Build %u)", f.build & 0xFFFF);
        else
            s += Format("%s (Build %u)", f.servicePack.c_str(), f.build & 0xFFFF);
        break;
    }
    case VER_PLATFORM_WIN32_WINDOWS:
        if (f.major == 4 && f.minor == 0) {
            s = "Microsoft Windows 95";
            if (f.servicePack.size() > 1 && (f.servicePack[1] == 'C' || f.servicePack[1] == 'B')) s += " OSR2";
        } else if (f.major == 4 && f.minor == 10) {
            s = "Microsoft Windows 98";
        } else if (f.major == 4 && f.minor == 90) {
            s = "Microsoft Windows Millennium Edition";
        }
        break;
    case VER_PLATFORM_WIN32s:
        s = "Microsoft Win32s";
        break;
    }
    return s;
}

OsFacts GatherOsFacts()
{
    OsFacts f;
    OSVERSIONINFOEXA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    f.extended = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)) != FALSE;
    if (!f.extended) {
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return f;
    }
    f.known = true;
    f.platform = info.dwPlatformId;
    f.major = info.dwMajorVersion;
    f.minor = info.dwMinorVersion;
    f.build = info.dwBuildNumber;
    f.servicePack = info.szCSDVersion;
    if (f.extended) {
        f.productType = info.wProductType;
        f.suiteMask = info.wSuiteMask;
    }

    SYSTEM_INFO si = {};
    typedef void(WINAPI * NativeInfo)(LPSYSTEM_INFO);
    NativeInfo native = reinterpret_cast<NativeInfo>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetNativeSystemInfo")));
    if (native != nullptr) native(&si);
    else GetSystemInfo(&si);
    f.architecture = si.wProcessorArchitecture;
    f.serverR2 = GetSystemMetrics(SM_SERVERR2) != 0;

    if (f.platform == VER_PLATFORM_WIN32_NT && !f.extended) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", 0,
                          KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
            char text[80] = {};
            DWORD size = sizeof text - 1;
            if (RegQueryValueExA(key, "ProductType", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) ==
                ERROR_SUCCESS) {
                f.registryProductType = text;
            }
            RegCloseKey(key);
        }
    }
    if (f.platform == VER_PLATFORM_WIN32_NT && f.major == 4 && f.servicePack == "Service Pack 6") {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009", 0,
                          KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
            f.hotfixQ246009 = true;
            RegCloseKey(key);
        }
    }
    return f;
}

std::string OsName()
{
    return OsNameFromFacts(GatherOsFacts());
}

std::string ProductString()
{
    char path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path) return "Unknown";
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0) return "Unknown";
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(path, 0, size, block.data())) return "Unknown";

    struct Translation { WORD language; WORD codePage; };
    Translation* tr = nullptr;
    UINT len = 0;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&tr), &len) ||
        len < sizeof(Translation)) {
        return "Unknown";
    }
    auto value = [&](const char* name, std::string& out) {
        char query[80];
        std::snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\%s", tr->language, tr->codePage, name);
        char* text = nullptr;
        UINT textLen = 0;
        if (!VerQueryValueA(block.data(), query, reinterpret_cast<void**>(&text), &textLen) || text == nullptr)
            return false;
        out = text;
        return true;
    };
    std::string name, version;
    if (!value("ProductName", name) || !value("ProductVersion", version)) return "Unknown";
    return name + " (" + version + ")";
}

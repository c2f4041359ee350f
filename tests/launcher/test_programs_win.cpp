// What each shipped program asks of Windows, read from its own file: the
// functions it imports, and the common-control classes its dialogs and
// windows name. Wine registers every common-control class in any process and
// finds DLLs beside its own; Windows creates no dialog holding a class that
// was never registered (InitCommonControlsEx) and starts no program whose DLL
// is missing. So a program that names such a class imports the registration,
// and every program imports from system DLLs only.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

uint32_t U32(const std::string& b, size_t o) { return o + 4 <= b.size() ? static_cast<uint8_t>(b[o]) | static_cast<uint8_t>(b[o + 1]) << 8 | static_cast<uint8_t>(b[o + 2]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(b[o + 3])) << 24 : 0; }
uint16_t U16(const std::string& b, size_t o) { return o + 2 <= b.size() ? static_cast<uint16_t>(static_cast<uint8_t>(b[o]) | static_cast<uint8_t>(b[o + 1]) << 8) : 0; }

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// The imports of a PE file as "dll!function" (the DLL in lower case; an
// import by ordinal as "dll!#n"). Empty when the file is no PE image.
std::set<std::string> Imports(const std::string& b)
{
    std::set<std::string> out;
    uint32_t pe = U32(b, 0x3c);
    if (b.size() < 0x40 || b.compare(0, 2, "MZ") != 0 || b.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return out;
    size_t coff = pe + 4;
    uint16_t nSections = U16(b, coff + 2), nOptional = U16(b, coff + 16);
    size_t opt = coff + 20;
    bool b64 = U16(b, opt) == 0x20b;
    size_t dirs = opt + (b64 ? 112 : 96);
    uint32_t importRva = U32(b, dirs + 8);
    size_t sec = opt + nOptional;
    auto offset = [&](uint32_t rva) -> size_t {
        for (int i = 0; i < nSections; i++) {
            size_t s = sec + 40 * static_cast<size_t>(i);
            uint32_t va = U32(b, s + 12), size = std::max(U32(b, s + 8), U32(b, s + 16)), raw = U32(b, s + 20);
            if (rva >= va && rva < va + size) return raw + (rva - va);
        }
        return std::string::npos;
    };
    auto text = [&](uint32_t rva) {
        size_t o = offset(rva);
        if (o == std::string::npos || o >= b.size()) return std::string();
        return std::string(b.c_str() + o, strnlen(b.c_str() + o, b.size() - o));
    };
    size_t d = offset(importRva);
    for (; importRva != 0 && d != std::string::npos && d + 20 <= b.size() && U32(b, d + 12) != 0; d += 20) {
        std::string dll = Lower(text(U32(b, d + 12)));
        uint32_t thunks = U32(b, d) != 0 ? U32(b, d) : U32(b, d + 16);
        size_t t = offset(thunks);
        for (; t != std::string::npos && t + 8 <= b.size(); t += b64 ? 8 : 4) {
            uint64_t v = b64 ? (U32(b, t) | static_cast<uint64_t>(U32(b, t + 4)) << 32) : U32(b, t);
            if (v == 0) break;
            bool bOrdinal = b64 ? (v >> 63) != 0 : (v >> 31) != 0;
            out.insert(dll + "!" + (bOrdinal ? "#" + std::to_string(v & 0xffff) : text(static_cast<uint32_t>(v) + 2)));
        }
    }
    return out;
}

// The common-control classes a program names: in its dialog templates
// (UTF-16) or in its code (a class name passed to CreateWindow).
std::vector<std::string> CommonControlClasses(const std::string& b)
{
    static const char* const kClasses[] = {
        "msctls_progress32", "msctls_trackbar32", "msctls_updown32", "msctls_statusbar32", "msctls_hotkey32",
        "SysListView32", "SysTreeView32", "SysTabControl32", "SysAnimate32", "SysDateTimePick32", "SysMonthCal32",
        "SysIPAddress32", "SysHeader32", "SysPager", "SysLink", "ToolbarWindow32", "tooltips_class32",
        "ReBarWindow32", "ComboBoxEx32",
    };
    std::string lower = Lower(b);
    std::vector<std::string> out;
    for (const char* c : kClasses) {
        std::string ascii = Lower(c), wide;
        for (char ch : ascii) wide += std::string(1, ch) + '\0';
        if (lower.find(ascii) != std::string::npos || lower.find(wide) != std::string::npos) out.push_back(c);
    }
    return out;
}

// The DLLs every Windows has; a program needing another would not start there.
bool SystemDll(const std::string& dll)
{
    static const char* const kSystem[] = {
        "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "comctl32.dll", "comdlg32.dll",
        "ole32.dll", "oleaut32.dll", "ws2_32.dll", "wsock32.dll", "wininet.dll", "winmm.dll", "msvcrt.dll", "shlwapi.dll",
        "version.dll", "imm32.dll", "uxtheme.dll", "dsound.dll", "msimg32.dll", "ntdll.dll",
    };
    for (const char* s : kSystem)
        if (dll == s) return true;
    // The universal C runtime's forwarders ship with every Windows 10 and later.
    return dll.compare(0, 15, "api-ms-win-crt-") == 0;
}

// bProgress: the program holds a download window with a progress bar, so the
// reading of its classes must find one (or the check would pass on anything).
struct Program { const char* name; const char* path; bool bProgress; };
const Program kPrograms[] = {
    { "tiv_launcher", LAUNCHER_EXE, true }, { "login", LOGIN_EXE, true }, { "pullagent", PULLAGENT_EXE, true },
    { "qr", QR_EXE, false }, { "chipplay", CHIPPLAY_EXE, true }, { "uninstaller", UNINSTALLER_EXE, false },
};

TEST(Programs, EachProgramRegistersTheCommonControlsItsWindowsUseAndNeedsOnlySystemDlls)
{
    for (const Program& p : kPrograms) {
        SCOPED_TRACE(p.name);
        std::string image = ReadFile(p.path);
        ASSERT_FALSE(image.empty()) << p.path;
        std::set<std::string> imports = Imports(image);
        ASSERT_FALSE(imports.empty()) << "no import table read";
        std::string list;
        for (const std::string& i : imports) list += i + " ";
        EXPECT_TRUE(imports.count("kernel32.dll!CreateFileA") || imports.count("kernel32.dll!ExitProcess") ||
                    imports.count("kernel32.dll!GetModuleHandleA"))
            << "the import reader found no kernel32 function: " << list;

        std::vector<std::string> classes = CommonControlClasses(image);
        if (p.bProgress) {
            EXPECT_NE(std::find(classes.begin(), classes.end(), "msctls_progress32"), classes.end());
        }
        if (!classes.empty()) {
            EXPECT_TRUE(imports.count("comctl32.dll!InitCommonControlsEx") ||
                        imports.count("comctl32.dll!InitCommonControls"))
                << "names " << classes[0] << " but does not register the common controls";
        }
        for (const std::string& i : imports) {
            std::string dll = i.substr(0, i.find('!'));
            EXPECT_TRUE(SystemDll(dll)) << "imports from " << dll << ", which Windows does not have";
        }
    }
}

}  // namespace

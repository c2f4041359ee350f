#include "uninstpath.h"

#include <cstring>
#include <string>
#include <vector>

#include "sjis.h"

namespace {

// Entries 1-18 are the installer's own files. The rest are the programs and
// settings files this installation places beside them (the game runner, the
// login and this program, the layout files and settings; the skin is the
// file the registry's "skin" names, kept by its whole name):
// the uninstaller must leave every installed file for the installer's own
// removal step, and tools/demo-install.sh installs exactly these.
const char* const kKeep[] = {
    "TIV\\tiv_launcher.exe",
    "TIV\\data.bin",
    "TIV\\pullagent.exe",
    "TIV\\tivinfo.bmp",
    "TIV\\env.bin",
    "TIV\\launch.exe",
    "TIV\\layout_cntlist_detail.txt",
    "TIV\\layout_cntlist_simple.txt",
    "TIV\\layout_cntmenu.txt",
    "TIV\\splash.txt",
    "TIV\\初回起動.bat",
    "TIV\\ver.bin",
    "TIV\\unins000.exe",
    "TIV\\unins000.dat",
    "TIV\\player\\chipplay.exe",
    "TIV\\cache\\icn_unlink_enable.bmp",
    "TIV\\cache\\icn_unlink_mask.bmp",
    "TIV\\cache\\underconstruct.bmp",
    "TIV\\qr.exe",
    "TIV\\login.exe",
    "TIV\\uninstaller.exe",
    "TIV\\lcs.bin",
    "TIV\\lcd.bin",
    "TIV\\lcm.bin",
    "TIV\\appset.bin",
    "TIV\\sp.bin",
    "TIV\\splash.bmp",
};
const int kKeepCount = static_cast<int>(sizeof(kKeep) / sizeof(kKeep[0]));

bool IsSep(char c) { return c == '\\' || c == '/'; }

// The parts between separators, stepping Shift-JIS whole; the final part
// is empty when the text ends with a separator.
std::vector<std::string> SplitParts(const char* p)
{
    std::vector<std::string> parts(1);
    while (*p) {
        const char* next = SJIS_Next(p);
        if (next == p + 1 && IsSep(*p)) parts.emplace_back();
        else parts.back().append(p, next);
        p = next;
    }
    return parts;
}

bool IsDriveLetter(const std::string& s)
{
    return s.size() == 2 && s[1] == ':' && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
}

// Windows drops trailing dots and blanks of a part: "..." and ". " name the
// same folder as "." or "..".
bool IsDotsOnly(const std::string& s)
{
    bool bDot = false;
    for (char c : s) {
        if (c == '.') bDot = true;
        else if (c != ' ') return false;
    }
    return bDot || s.empty() || s.find_first_not_of(' ') == std::string::npos;
}

// ASCII letters compare without case (Windows names do); a double-byte
// character compares by its bytes, its trail byte never folded.
bool SameName(const char* a, const char* b)
{
    while (*a != '\0' && *b != '\0') {
        const char* na = SJIS_Next(a);
        const char* nb = SJIS_Next(b);
        if (na - a != nb - b) return false;
        if (na - a == 2) {
            if (a[0] != b[0] || a[1] != b[1]) return false;
        } else {
            char ca = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a - 'A' + 'a') : *a;
            char cb = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b - 'A' + 'a') : *b;
            if (ca != cb) return false;
        }
        a = na;
        b = nb;
    }
    return *a == *b;
}

}  // namespace

int UNINST_KeepCount() { return kKeepCount; }

const char* UNINST_KeepEntry(int n) { return (n >= 0 && n < kKeepCount) ? kKeep[n] : nullptr; }

int UNINST_IsDeletable(const char* pRelPath, const char* pSkinName)
{
    if (pRelPath == nullptr) return 0;
    if (pSkinName != nullptr && pSkinName[0] != '\0' && SameName(pRelPath, pSkinName)) return 0;
    std::string probe = "TIV\\";
    probe += pRelPath;
    for (const char* pEntry : kKeep) {
        if (std::strstr(probe.c_str(), pEntry) != nullptr) return 0;
    }
    return 1;
}

int UNINST_EndsWithSeparator(const char* p)
{
    const char* last = nullptr;
    for (; p != nullptr && *p; p = SJIS_Next(p)) last = p;
    return (last != nullptr && SJIS_Next(last) == last + 1 && IsSep(*last)) ? 1 : 0;
}

int UNINST_CheckAppPath(const char* pSrc, char* pDst, int nSize)
{
    if (pDst != nullptr && nSize > 0) pDst[0] = '\0';
    if (pSrc == nullptr || pSrc[0] == '\0') return UNINST_PATH_EMPTY;
    // A last lead byte without its trail would take the "\" appended below
    // as its trail: the folder would read as another name, with no separator.
    const char* pLast = nullptr;
    for (const char* p = pSrc; *p; p = SJIS_Next(p)) pLast = p;
    if (SJIS_IsLead(static_cast<unsigned char>(*pLast)) && pLast[1] == '\0') return UNINST_PATH_HALFCHAR;
    std::string path = pSrc;
    if (!UNINST_EndsWithSeparator(pSrc)) path += '\\';

    std::vector<std::string> parts = SplitParts(path.c_str());
    parts.pop_back();   // the empty part after the final separator
    size_t nFirst;      // index of the first part below the root
    if (parts.size() >= 1 && IsDriveLetter(parts[0])) {
        nFirst = 1;
    } else if (parts.size() >= 4 && parts[0].empty() && parts[1].empty()) {
        // "\\server\share\...": the share is the root.
        if (parts[2].empty() || parts[3].empty() || IsDotsOnly(parts[2]) || IsDotsOnly(parts[3]) ||
            parts[2] == "?" || parts[2] == ".") {
            return UNINST_PATH_RELATIVE;
        }
        nFirst = 4;
    } else {
        return UNINST_PATH_RELATIVE;
    }
    if (parts.size() <= nFirst) return UNINST_PATH_ROOT;
    for (size_t i = nFirst; i < parts.size(); i++) {
        if (IsDotsOnly(parts[i])) return UNINST_PATH_DOTS;
    }
    if (pDst == nullptr || static_cast<int>(path.size()) + 1 > nSize) return UNINST_PATH_TOOLONG;
    std::memcpy(pDst, path.c_str(), path.size() + 1);
    return UNINST_PATH_OK;
}

const char* UNINST_PathResultText(int nResult)
{
    switch (nResult) {
    case UNINST_PATH_OK: return "ok";
    case UNINST_PATH_EMPTY: return "no application folder";
    case UNINST_PATH_RELATIVE: return "not an absolute path";
    case UNINST_PATH_ROOT: return "a drive or share root";
    case UNINST_PATH_DOTS: return "holds \".\", \"..\" or an empty part";
    case UNINST_PATH_TOOLONG: return "too long";
    case UNINST_PATH_HALFCHAR: return "ends with half a double-byte character";
    }
    return "?";
}

#include <windows.h>

#include <string>
#include <vector>

#include "cntunpack_host.h"
#include "log.h"
#include "sjis.h"

namespace {

bool IsSep(char c) { return c == '\\' || c == '/'; }

}  // namespace

// Creates every missing folder of the path (the part after its last
// separator is a file name), outermost first. Stops when an ancestor is a
// plain file or a folder cannot be created.
int CNTUNPACK_MakeFolders(const std::string& path, bool bLog)
{
    // Separators at character boundaries, and whether the folder each one
    // ends is a root that always exists (nothing before it, a drive, or
    // another separator: a trail byte 0x5C before it is no separator).
    std::vector<size_t> seps;
    std::vector<bool> roots;
    char cPrev = '\0';
    for (const char* p = path.c_str(); *p != '\0'; p = SJIS_Next(p)) {
        if (IsSep(*p)) {
            seps.push_back(static_cast<size_t>(p - path.c_str()));
            roots.push_back(p == path.c_str() || cPrev == ':' || IsSep(cPrev));
        }
        // A double-byte character stands as a letter here.
        cPrev = SJIS_Next(p) - p == 2 ? 'A' : *p;
    }
    // Walk up to the innermost ancestor that exists; the root of a drive,
    // a leading separator and the current folder count as existing.
    size_t nFirstMissing = seps.size();
    while (nFirstMissing > 0) {
        if (roots[nFirstMissing - 1]) break;
        std::string prefix = path.substr(0, seps[nFirstMissing - 1]);
        DWORD dwAttr = GetFileAttributesA(prefix.c_str());
        if (dwAttr != INVALID_FILE_ATTRIBUTES) {
            if (!(dwAttr & FILE_ATTRIBUTE_DIRECTORY)) return 0;   // a file stands in the way
            break;
        }
        nFirstMissing--;
    }
    for (size_t k = nFirstMissing; k < seps.size(); k++) {
        if (roots[k]) continue;
        std::string prefix = path.substr(0, seps[k]);
        if (!CreateDirectoryA(prefix.c_str(), nullptr)) {
            if (GetLastError() != ERROR_ALREADY_EXISTS) return 0;
            continue;
        }
        if (bLog) {
            std::string msg = "create directory[" + prefix + "]\n";
            LOG_Write(msg.c_str());
        }
    }
    return 1;
}

int CNTUNPACK_Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int CNTUNPACK_Replace(const std::string& from, const std::string& to)
{
    // A target that another program holds open without sharing deletion
    // (a manual in a reader) refuses the move and stays as it is.
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 1 : 0;
}

void CNTUNPACK_DebugOut(const char* pText)
{
    OutputDebugStringA(pText);
}

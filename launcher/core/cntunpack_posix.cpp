// The host side of the content-pack readers off Windows (the native build
// and its tests): "/" is the only separator the system knows.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "cntunpack_host.h"
#include "log.h"

int CNTUNPACK_MakeFolders(const std::string& path, bool bLog)
{
    for (size_t pos = path.find('/', 1); pos != std::string::npos; pos = path.find('/', pos + 1)) {
        std::string prefix = path.substr(0, pos);
        if (prefix.back() == '/') continue;
        struct stat st;
        if (stat(prefix.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) return 0;   // a file stands in the way
            continue;
        }
        if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return 0;
        if (bLog) {
            std::string msg = "create directory[" + prefix + "]\n";
            LOG_Write(msg.c_str());
        }
    }
    return 1;
}

int CNTUNPACK_Exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

int CNTUNPACK_Replace(const std::string& from, const std::string& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0;
}

void CNTUNPACK_DebugOut(const char* pText)
{
    std::fputs(pText, stderr);
}

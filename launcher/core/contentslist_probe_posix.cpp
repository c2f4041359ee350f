#include <sys/stat.h>

#include <string>

#include "contentslist.h"

// The native build's stand-in for the Windows lookup: the member's folder is
// a host path there, the slots' relative paths keep their backslashes.
int CONTENTSLIST_ProbeFolder(const char* pPath)
{
    std::string path(pPath);
    for (auto& c : path) if (c == '\\') c = '/';
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return CLPD_FOLDER_NONE;
    return S_ISDIR(st.st_mode) ? CLPD_FOLDER_DIR : CLPD_FOLDER_FILE;
}

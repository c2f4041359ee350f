#include <windows.h>

#include "cmnassert.h"
#include "contentslist.h"

int CONTENTSLIST_ProbeFolder(const char* pPath)
{
    // The attributes of exactly this path: no wildcard in a slot's path can
    // make another folder answer for it.
    DWORD dwAttr = GetFileAttributesA(pPath);
    if (dwAttr == INVALID_FILE_ATTRIBUTES) return CLPD_FOLDER_NONE;
    if (!(dwAttr & FILE_ATTRIBUTE_DIRECTORY)) {
        CMN_AssertFailed("findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY", __FILE__, __LINE__);
        return CLPD_FOLDER_FILE;
    }
    return CLPD_FOLDER_DIR;
}

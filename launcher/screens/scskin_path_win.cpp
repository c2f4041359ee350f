// Where the screenshots of the catalogue live: the image cache folder below
// the application folder, one file per capture path of the catalogue, and the
// placeholder that shows until a capture has arrived.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cmnassert.h"
#include "cmnfile.h"
#include "contentslist.h"
#include "env.h"
#include "log.h"
#include "sccmn.h"
#include "scskin.h"

namespace {

char* Join3(const char* a, const char* b, const char* c)
{
    size_t n = std::strlen(a) + std::strlen(b) + std::strlen(c) + 1;
    char* p = static_cast<char*>(std::malloc(n));
    if (p != nullptr) std::snprintf(p, n, "%s%s%s", a, b, c);
    return p;
}

// <app>cache\<capture path>. The capture path comes from the service: one
// that could name a file outside the cache folder is taken as no capture
// (the placeholder shows), so no download or clean-up can touch e.g. a
// member's REG.DAT.
char* CachePath(int nId, bool bLocal)
{
    const char* pWho = bLocal ? "GetLocalImagePath" : "GetCacheImagePath";
    const char* pCap = CONTENTSLIST_GetGameCapturePath(nId);
    if (pCap == nullptr || pCap[0] == '\0') {
        char str[128];
        if (bLocal) std::snprintf(str, sizeof(str), "GetLocalImagePath::no capture path::cntid[%d]\n", nId);
        else std::snprintf(str, sizeof(str), "GetCacheImagePath::CONTENTSLIST_GetGameCapturePath is null\n");
        LOG_Write(str);
        return nullptr;
    }
    if (!CMNFILE_IsSafeRelPath(pCap)) {
        char str[128];
        std::snprintf(str, sizeof(str), "%s::unsafe capture path::cntid[%d]\n", pWho, nId);
        LOG_Write(str);
        return nullptr;
    }
    return Join3(SCCMN_GetAppPath(), SCCMN_GetCacheDir(), pCap);
}

}  // namespace

char* GetLocalImagePath(int nId)
{
    return CachePath(nId, true);
}

char* SCSKIN_GetLocalImagePath(int nId) { return GetLocalImagePath(nId); }

char* GetCacheImagePath(int nId)
{
    return CachePath(nId, false);
}

char* SCSKIN_GetUnderConstructImage(void)
{
    char strName[2048];
    if (!ENV_GetValue(strName, sizeof(strName), "[IMAGE_CONTENTSLIST_CONTENTS_UNDERCONSTRUCT]")) strName[0] = '\0';
    return Join3(SCCMN_GetAppPath(), SCCMN_GetCacheDir(), strName);
}

char* SCSKIN_GetDefaultImagePath(void) { return Join3(SCCMN_GetAppPath(), SCCMN_GetCacheDir(), ""); }

BOOL SCSKIN_FileExists(const char* pPath)
{
    CMN_ASSERT(pPath != NULL && lstrlen(pPath) > 0);
    if (pPath == nullptr || pPath[0] == '\0') return FALSE;
    return CMNFILE_IsExist(pPath) ? TRUE : FALSE;
}

BOOL SCSKIN_CheckCacheImage(int nId)
{
    const char* pCap = CONTENTSLIST_GetGameCapturePath(nId);
    if (pCap == nullptr || pCap[0] == '\0') {
        char str[128];
        std::snprintf(str, sizeof(str), "SCSKIN_CheckCacheImage::no path::cntid[%d]\n", nId);
        LOG_Write(str);
        return FALSE;
    }
    char* pPath = GetLocalImagePath(nId);
    BOOL bRet = pPath != nullptr && SCSKIN_FileExists(pPath);
    std::free(pPath);
    return bRet;
}

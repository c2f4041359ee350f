#include "envappsetting.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cmnassert.h"
#include "cmnfile.h"
#include "env.h"
#include "envtext.h"
#include "log.h"

AppSetIf g_appSetIf = { 0, nullptr };

namespace {

// The three keys with their values, "%s\n" then "%s\n\n" each.
char* appset_Build(const char* pDispMode, const char* pAutoUpdate, const char* pAutoDownload)
{
    const char* parts[6] = { ENVAPPSET_KEY_DISPMODE, pDispMode, ENVAPPSET_KEY_AUTOUPDATE, pAutoUpdate,
                             ENVAPPSET_KEY_AUTODOWNLOAD, pAutoDownload };
    size_t nTotal = 0;
    for (int i = 0; i < 6; i++) nTotal += std::strlen(parts[i]) + (i % 2 == 0 ? 1 : 2);
    char* p = static_cast<char*>(std::calloc(nTotal + 1, 1));
    if (p == nullptr) return nullptr;
    size_t o = 0;
    for (int i = 0; i < 6; i++) {
        o += std::snprintf(p + o, nTotal + 1 - o, i % 2 == 0 ? "%s\n" : "%s\n\n", parts[i]);
    }
    return p;
}

int appset_WriteInverted(const char* pPath, const char* pText)
{
    int nLen = static_cast<int>(std::strlen(pText));
    char* pOut = ENVAPPSETTING_Decode(pText, nLen);   // inverting is its own inverse
    if (pOut == nullptr) return 0;
    int bRet = CMNFILE_WriteFile(pPath, pOut, nLen);
    std::free(pOut);
    return bRet;
}

}  // namespace

char* ENVAPPSETTING_Decode(const void* pData, int nLen)
{
    return ENV_Decode(pData, nLen);
}

int ENVAPPSETTING_Load(const char* pPath)
{
    LOG_Write("ENVAPPSETTING_Load::starting\n");
    CMN_ASSERT(g_appSetIf.bInit == FALSE);
    if (g_appSetIf.bInit) return 0;
    char* pText = nullptr;
    int nLen = 0;
    if (!ENV_ReadText(pPath, &pText, &nLen)) {
        LOG_Write("err::ENVAPPSETTING_Load::CMNFILE_ReadFileEx\n");
        return 0;
    }
    if (nLen == 0) {
        std::free(pText);
        LOG_Write("err::ENVAPPSETTING_Load::empty\n");
        return 0;
    }
    g_appSetIf.pBuf = pText;
    g_appSetIf.bInit = TRUE;
    LOG_Write("ENVAPPSETTING_Load::normal end\n");
    return 1;
}

int ENVAPPSETTING_CreateDefault(const char* pPath)
{
    LOG_Write("ENVAPPSETTING_CreateDefault::starting\n");
    char* pText = appset_Build("2", "0", "0");
    if (pText == nullptr) return 0;
    int bRet = appset_WriteInverted(pPath, pText);
    std::free(pText);
    if (!bRet) LOG_Write("err::ENVAPPSETTING_CreateDefault::CMNFILE_WriteFile\n");
    return bRet;
}

int ENVAPPSETTING_GetValue(char* pDst, int nDstSize, const char* pKey)
{
    if (!g_appSetIf.bInit) return 0;
    return ENVTEXT_GetValue(g_appSetIf.pBuf, 1, pDst, nDstSize, pKey);
}

char* ENVAPPSETTING_Save(const char* pDispMode, const char* pAutoUpdate, const char* pAutoDownload)
{
    CMN_ASSERT(pDispMode && pAutoUpdate && pAutoDownload);
    if (!pDispMode || !pAutoUpdate || !pAutoDownload || !*pDispMode || !*pAutoUpdate || !*pAutoDownload) {
        return nullptr;
    }
    return appset_Build(pDispMode, pAutoUpdate, pAutoDownload);
}

int ENVAPPSETTING_SetBuffer(char* pText)
{
    if (!g_appSetIf.bInit || pText == nullptr) return 0;
    std::free(g_appSetIf.pBuf);
    g_appSetIf.pBuf = pText;
    return 1;
}

int ENVAPPSETTING_Write(const char* pPath)
{
    if (!g_appSetIf.bInit) return 0;
    return appset_WriteInverted(pPath, g_appSetIf.pBuf);
}

int ENVAPPSETTING_Free(void)
{
    if (!g_appSetIf.bInit) return 0;
    std::free(g_appSetIf.pBuf);
    g_appSetIf.pBuf = nullptr;
    g_appSetIf.bInit = FALSE;
    return 1;
}

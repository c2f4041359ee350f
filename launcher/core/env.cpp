#include "env.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "cmnassert.h"
#include "cmnfile.h"
#include "envtext.h"
#include "log.h"

EnvIf g_envmIf = { 0, nullptr };

char* ENV_Decode(const void* pData, int nLen)
{
    if (pData == nullptr || nLen < 0) return nullptr;
    char* p = static_cast<char*>(std::malloc(nLen + 1));
    if (p == nullptr) return nullptr;
    std::memcpy(p, pData, nLen);
    CMNFILE_InvertBytes(p, nLen);
    p[nLen] = '\0';
    return p;
}

int ENV_ReadText(const char* pPath, char** ppText, int* pnLen)
{
    *ppText = nullptr;
    *pnLen = 0;
    void* pFile = nullptr;
    int nSize = 0;
    int cfRet = CMNFILE_ReadFileEx(pPath, &pFile, &nSize, 0);
    CMN_ASSERT(cfRet == ERRID_CMNFILE_NONE);
    if (cfRet != ERRID_CMNFILE_NONE) return 0;
    *ppText = ENV_Decode(pFile, nSize);
    GlobalFree(pFile);
    if (*ppText == nullptr) return 0;
    *pnLen = nSize;
    return 1;
}

int ENV_Load(const char* pPath)
{
    LOG_Write("ENV_Load::starting\n");
    CMN_ASSERT(g_envmIf.bInit == FALSE);
    if (g_envmIf.bInit) return 0;
    char* pText = nullptr;
    int nLen = 0;
    if (!ENV_ReadText(pPath, &pText, &nLen)) {
        LOG_Write("err::ENV_Load::CMNFILE_ReadFileEx\n");
        return 0;
    }
    g_envmIf.pBuf = pText;
    g_envmIf.bInit = TRUE;
    LOG_Write("ENV_Load::normal end\n");
    return 1;
}

int ENV_GetValue(char* pDst, int nDstSize, const char* pKey)
{
    if (!g_envmIf.bInit) return 0;
    return ENVTEXT_GetValue(g_envmIf.pBuf, 0, pDst, nDstSize, pKey);
}

int ENV_IsLoaded(void)
{
    return g_envmIf.bInit ? 1 : 0;
}

int ENV_Free(void)
{
    if (!g_envmIf.bInit) return 0;
    std::free(g_envmIf.pBuf);
    g_envmIf.pBuf = nullptr;
    g_envmIf.bInit = FALSE;
    return 1;
}

#include "sclayout.h"

#include <windows.h>

#include "cmnassert.h"
#include "cmnfile.h"

int SCLAYOUT_Load(LIST* pLst, const char* pFile)
{
    CMN_ASSERT(pFile != NULL && lstrlen(pFile) > 0);
    if (pLst == nullptr || pFile == nullptr || pFile[0] == '\0') return 0;
    // One extra zero byte: the parser reads text up to its terminator, and a
    // file need not end in one.
    void* pBuf = nullptr;
    int nSize = 0;
    int cfRet = CMNFILE_ReadFileEx(pFile, &pBuf, &nSize, 1);
    CMN_ASSERT(cfRet == ERRID_CMNFILE_NONE);
    if (cfRet != ERRID_CMNFILE_NONE) return 0;
    SCLAYOUT_Decode(pLst, static_cast<char*>(pBuf), nSize - 1);
    GlobalFree(pBuf);
    return 1;
}

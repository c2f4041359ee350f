#include "sclayout.h"

#include <windows.h>

#include "cmnassert.h"
#include "cmnfile.h"

int SCLAYOUT_Load(LIST* pLst, const char* pFile)
{
    CMN_ASSERT(pFile != NULL && lstrlen(pFile) > 0);
    if (pLst == nullptr || pFile == nullptr || pFile[0] == '\0') return 0;
    CmnText text;
    int cfRet = CMNFILE_ReadText(pFile, 1, &text);
    CMN_ASSERT(cfRet == ERRID_CMNFILE_NONE);
    if (cfRet != ERRID_CMNFILE_NONE) return 0;
    SCLAYOUT_Parse(pLst, text.pText);
    CMNFILE_FreeText(&text);
    return 1;
}

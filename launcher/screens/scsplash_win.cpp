#include "scsplash.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cmnassert.h"
#include "cmnfile.h"
#include "log.h"
#include "scskin.h"

namespace {

struct ParseCtx {
    LIST*       pList;
    const char* pAppPath;
    HWND        hWnd;
};

// One "[bg]" item: its picture, then the window at its size in the middle
// of the screen.
int OnBg(void* pCtxV, const char* pName, int w, int h)
{
    ParseCtx* pCtx = static_cast<ParseCtx*>(pCtxV);
    char strPath[SCSPLASH_LINEMAX * 2];
    std::snprintf(strPath, sizeof(strPath), "%s%s", pCtx->pAppPath, pName);
    void* pBuf = nullptr;
    int nSize = 0;
    int cfRet = CMNFILE_ReadFileEx(strPath, &pBuf, &nSize, 0);
    CMN_ASSERT(cfRet == ERRID_CMNFILE_NONE);
    if (cfRet != ERRID_CMNFILE_NONE) {
        LOG_Write("SCSPLASH_Parse::err::picture cannot be read\n");
        return 0;
    }
    SplashItem* pItem = static_cast<SplashItem*>(std::calloc(1, sizeof(SplashItem)));
    if (pItem == nullptr) {
        GlobalFree(pBuf);
        return 0;
    }
    pItem->type = eSCSD_IDTYPE_BG;
    pItem->w = w;
    pItem->h = h;
    // A picture that is not an 8-bit BMP leaves the record empty: the
    // window keeps its size and shows nothing.
    if (BMPM_LoadBmpFromMem(&pItem->bmp, pBuf, nSize, pCtx->hWnd)) pItem->bLoaded = 1;
    else LOG_Write("SCSPLASH_Parse::err::picture is no 8-bit bitmap\n");
    GlobalFree(pBuf);
    if (!LIST_Add(pCtx->pList, pItem)) {
        if (pItem->bLoaded) SCSKIN_FreeBitmap(&pItem->bmp);
        std::free(pItem);
        return 0;
    }
    int x = static_cast<int>(GetSystemMetrics(SM_CXSCREEN) / 2.0 - w / 2.0);
    int y = static_cast<int>(GetSystemMetrics(SM_CYSCREEN) / 2.0 - h / 2.0);
    SetWindowPos(pCtx->hWnd, nullptr, x, y, w, h, SWP_NOZORDER);
    return 1;
}

}  // namespace

int SCSPLASH_Parse(LIST* pList, const char* pText, const char* pAppPath, HWND hWnd)
{
    if (pList == nullptr || pText == nullptr) return 0;
    ParseCtx ctx = { pList, pAppPath != nullptr ? pAppPath : "", hWnd };
    return SCSPLASH_ParseText(pText, OnBg, &ctx);
}

int SCSPLASH_Load(LIST* pList, const char* pPath, HWND hWnd)
{
    CMN_ASSERT(pList != NULL && pPath != NULL);
    if (pList == nullptr || pPath == nullptr) return 1;
    char strAppPath[SCSPLASH_LINEMAX];
    if (!SCSPLASH_FolderOf(strAppPath, sizeof(strAppPath), pPath)) return 1;
    CmnText text;
    int cfRet = CMNFILE_ReadText(pPath, 1, &text);
    CMN_ASSERT(cfRet == ERRID_CMNFILE_NONE);
    if (cfRet != ERRID_CMNFILE_NONE) {
        LOG_Write("SCSPLASH_Load::err::sp.bin cannot be read\n");
        return 1;
    }
    int bRet = SCSPLASH_Parse(pList, text.pText, strAppPath, hWnd);
    CMN_ASSERT(bRet == TRUE);
    CMNFILE_FreeText(&text);
    return 1;
}

int SCSPLASH_Fini(LIST* pList)
{
    if (pList == nullptr || LIST_GetCnt(pList) <= 0) return 0;
    for (int i = 0; i < LIST_GetCnt(pList); i++) {
        SplashItem* pItem = static_cast<SplashItem*>(LIST_GetAt(pList, i));
        if (pItem != nullptr && pItem->bLoaded == 1) {
            SCSKIN_FreeBitmap(&pItem->bmp);
            pItem->bLoaded = 0;
        }
    }
    LIST_Free(pList);
    return 1;
}

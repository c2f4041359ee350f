#include "scskin.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cmnassert.h"
#include "cmnfile.h"
#include "log.h"

LiIf* SCSKIN_Lookup(LIST* pLstImg, int imgType)
{
    if (pLstImg == nullptr) return nullptr;
    for (int i = 0; i < LIST_GetCnt(pLstImg); i++) {
        LiIf* pLiIf = static_cast<LiIf*>(LIST_GetAt(pLstImg, i));
        if (pLiIf != nullptr && pLiIf->imgType == imgType) return pLiIf;
    }
    return nullptr;
}

int LoadSkin(LIST* pLstImg, const char* pFile, HWND hWnd)
{
    LOG_Write("LoadSkin::starting\n");
    CMN_ASSERT(pFile != NULL && lstrlen(pFile) > 0);
    CMN_ASSERT(hWnd != NULL);
    if (pLstImg == nullptr || pFile == nullptr || pFile[0] == '\0') return 0;
    void* pBuf = nullptr;
    int nSize = 0;
    int cfRet = CMNFILE_ReadFileEx(pFile, &pBuf, &nSize, 0);
    CMN_ASSERT(cfRet == ERRID_CMNFILE_NONE);
    if (cfRet != ERRID_CMNFILE_NONE) {
        LOG_Write("LoadSkin::err::CMNFILE_ReadFileEx\n");
        return 0;
    }
    LOG_Write("LoadSkin::pass00\n");
    HDC hDc = GetDC(nullptr);
    CMN_ASSERT(hDc != NULL);
    LOG_Write("LoadSkin::pass01\n");

    LIST lstDir;
    LIST_Init(&lstDir);
    int bRet = SCSKINFILE_Parse(&lstDir, pBuf, nSize);
    if (bRet) {
        LOG_Write("LoadSkin::pass02\n");
        LOG_Write("LoadSkin::pass03\n");
        LOG_Write("LoadSkin::pass04\n");
    }
    const BYTE* pData = static_cast<const BYTE*>(pBuf);
    for (int i = 0; bRet && i < LIST_GetCnt(&lstDir); i++) {
        const SkinDirIf* pDir = static_cast<const SkinDirIf*>(LIST_GetAt(&lstDir, i));
        char str[64];
        std::snprintf(str, sizeof(str), "[%d]loading\n", i);
        LOG_Write(str);
        LiIf* pLiIf = static_cast<LiIf*>(std::calloc(1, sizeof(LiIf)));
        if (pLiIf == nullptr) {
            bRet = 0;
            break;
        }
        pLiIf->imgType = pDir->imgType;
        pLiIf->x = pDir->x;
        pLiIf->y = pDir->y;
        pLiIf->w = pDir->w;
        pLiIf->h = pDir->h;
        for (int s = 0; s < SCSKIN_SLOTS; s++) {
            if (pDir->lSize[s] <= 0) continue;
            // A bitmap that is no sound 8-bit image leaves its slot empty.
            BMPM_LoadBmpFromMem(&pLiIf->bmp[s], pData + pDir->lOffset[s], pDir->lSize[s], hWnd);
            pLiIf->bLoaded[s] = 1;
        }
        if (!LIST_Add(pLstImg, pLiIf)) {
            for (int s = 0; s < SCSKIN_SLOTS; s++) SCSKIN_FreeBitmap(&pLiIf->bmp[s]);
            std::free(pLiIf);
            bRet = 0;
        }
    }
    if (!bRet) SCSKIN_FreeImage(pLstImg);
    LIST_Free(&lstDir);
    GlobalFree(pBuf);
    if (hDc != nullptr) ReleaseDC(nullptr, hDc);
    return bRet;
}

int SCSKIN_FreeBitmap(BmpIf* pBmpIf)
{
    if (pBmpIf == nullptr) return 1;
    if (pBmpIf->m_hBmp != nullptr) DeleteObject(pBmpIf->m_hBmp);
    if (pBmpIf->m_hPal != nullptr) DeleteObject(pBmpIf->m_hPal);
    if (pBmpIf->bMask == 1) {
        if (pBmpIf->m_hMskBmp != nullptr) DeleteObject(pBmpIf->m_hMskBmp);
        if (pBmpIf->m_hMskPal != nullptr) DeleteObject(pBmpIf->m_hMskPal);
    }
    pBmpIf->m_hBmp = nullptr;
    pBmpIf->m_hPal = nullptr;
    pBmpIf->m_hMskBmp = nullptr;
    pBmpIf->m_hMskPal = nullptr;
    return 1;
}

int SCSKIN_FreeImage(LIST* pLstImg)
{
    if (pLstImg == nullptr) return 1;
    for (int i = 0; i < LIST_GetCnt(pLstImg); i++) {
        LiIf* pLiIf = static_cast<LiIf*>(LIST_GetAt(pLstImg, i));
        if (pLiIf == nullptr) continue;
        for (int s = 0; s < SCSKIN_SLOTS; s++) {
            if (pLiIf->bLoaded[s] != 1) continue;
            SCSKIN_FreeBitmap(&pLiIf->bmp[s]);
            pLiIf->bLoaded[s] = 0;
        }
    }
    LIST_Free(pLstImg);
    return 1;
}

LiIf* SCSKIN_Find(LIST* pLstImg, int imgType)
{
    CMN_ASSERT(pLstImg != NULL && LIST_GetCnt(pLstImg) > 0);
    if (pLstImg == nullptr || LIST_GetCnt(pLstImg) <= 0) return nullptr;
    LiIf* pLiIf = SCSKIN_Lookup(pLstImg, imgType);
    if (pLiIf == nullptr) CMN_ASSERT(0);
    return pLiIf;
}

int SCSKIN_GetImageRect(int* pRect, LIST* pLstImg, int imgType)
{
    if (pRect == nullptr || pLstImg == nullptr || LIST_GetCnt(pLstImg) <= 0) return 0;
    const LiIf* pLiIf = SCSKIN_Lookup(pLstImg, imgType);
    if (pLiIf == nullptr) return 0;
    pRect[0] = pLiIf->x;
    pRect[1] = pLiIf->y;
    pRect[2] = pLiIf->w;
    pRect[3] = pLiIf->h;
    return 1;
}

int SCSKIN_GetStateImgType(int nState)
{
    switch (nState) {
    case 1: return eCD_IMGTYPE_STATE1;
    case 2: return eCD_IMGTYPE_STATE2;
    case 3: return eCD_IMGTYPE_STATE3;
    default:
        CMN_ASSERT(0);
        return eCD_IMGTYPE_MAX;
    }
}

// The drawing of the skinned screens: backgrounds (SCCMN_DrawBg and its
// siblings), owner-drawn main-screen buttons, the list-mode selector's items
// and the text helpers. Every picture is composed in an off-screen buffer and
// reaches the window in one copy.
#include <cstring>

#include "cmnassert.h"
#include "log.h"
#include "page.h"
#include "sccmn.h"
#include "sclayout.h"
#include "scbackbuf_win.h"
#include "scskin.h"
#include "scsplash.h"

namespace {

// The main-screen button under the cursor (eCD_IMGTYPE_MAX: none); set by the
// animation tick, read by the next repaint.
int g_nHoverBtn = eCD_IMGTYPE_MAX;

// A picture alone, through a back buffer of its size, to (0, 0) of the DC.
int scdraw_Picture(HDC hdc, const BmpIf* pBmp)
{
    if (hdc == nullptr || pBmp == nullptr || pBmp->m_hBmp == nullptr) return 0;
    ScBackBuffer bb(hdc, pBmp->nWidth, pBmp->nHeight, pBmp->m_hPal);
    bb.Blit(pBmp, 0, 0, SRCCOPY);
    bb.CopyTo(0, 0);
    return 1;
}

bool IsMainButton(int nId)
{
    switch (nId) {
    case 1: case 3: case 4: case 11: case 16: case 31: case 32: case 46: case 47: case 48: case 55: case 67:
        return true;
    default:
        return false;
    }
}

void scdraw_Button(LIST* pLstSkin, const DRAWITEMSTRUCT* pDis)
{
    LiIf* pLiIf = SCSKIN_Lookup(pLstSkin, static_cast<int>(pDis->CtlID));
    CMN_ASSERT(pLiIf != NULL);
    if (pLiIf == nullptr) return;
    int nSlot = (pDis->itemState & ODS_DISABLED) ? 3
              : (pDis->itemState & ODS_SELECTED) ? 2
              : pLiIf->imgType == g_nHoverBtn ? 0 : 1;
    if (pLiIf->bLoaded[nSlot] != 1) return;
    const BmpIf* pBmp = &pLiIf->bmp[nSlot];
    ScBackBuffer bb(pDis->hDC, pBmp->nWidth, pBmp->nHeight, pBmp->m_hPal);
    // The main background beneath the button first: the mask leaves it
    // showing around the button's shape.
    const LiIf* pBg = SCSKIN_Lookup(pLstSkin, eCD_IMGTYPE_BG);
    if (pBg != nullptr && pBg->bLoaded[0] == 1) bb.Blit(&pBg->bmp[0], -pLiIf->x, -pLiIf->y, SRCCOPY);
    bb.Draw(pLiIf, nSlot, 0, 0);
    bb.CopyTo(0, 0);
}

void scdraw_PageItem(const DRAWITEMSTRUCT* pDis, HFONT hFont)
{
    int nItem = static_cast<int>(pDis->itemID);
    if (nItem < 0 || nItem >= PAGE_GetCount() || hFont == nullptr) return;
    HGDIOBJ hOld = SelectObject(pDis->hDC, hFont);
    const char* pName = PAGE_GetName(nItem);
    TextOutA(pDis->hDC, pDis->rcItem.left, pDis->rcItem.top, pName, static_cast<int>(std::strlen(pName)));
    SelectObject(pDis->hDC, hOld);
}

}  // namespace

int SCCMN_DrawBg(HDC hdc, LIST* pLstImg)
{
    const LiIf* pLiIf = SCSKIN_Lookup(pLstImg, eCD_IMGTYPE_BG);
    CMN_ASSERT(pLiIf != NULL);
    if (pLiIf == nullptr || pLiIf->bLoaded[0] != 1) return 0;
    scdraw_Picture(hdc, &pLiIf->bmp[0]);
    return 1;
}

int SCCMN_DrawBg2(HDC hdc, LIST* pSplash)
{
    if (pSplash == nullptr) return 0;
    for (int i = 0; i < LIST_GetCnt(pSplash); i++) {
        const SplashItem* pItem = static_cast<const SplashItem*>(LIST_GetAt(pSplash, i));
        if (pItem == nullptr || pItem->type != eSCSD_IDTYPE_BG) continue;
        // The first splash item is the picture even when it could not be
        // loaded: a later one never stands in for it.
        if (pItem->bLoaded != 1) return 0;
        return scdraw_Picture(hdc, &pItem->bmp);
    }
    return 0;
}

int SCCMN_DrawBg_DownloadDlg(HDC hdc, LIST* pLstImg, const char* pStr, int x, int y)
{
    const LiIf* pLiIf = SCSKIN_Lookup(pLstImg, eCD_IMGTYPE_DOWNLOADDLG);
    if (pLiIf == nullptr || pLiIf->bLoaded[0] != 1) {
        LOG_Write("SCCMN_DrawBg_DownloadDlg::err::getdata\n");
        return 0;
    }
    return SCCMN_DrawBg_DownloadDlgText(hdc, &pLiIf->bmp[0], pStr, x, y);
}

int SCCMN_DrawBg_DownloadDlgText(HDC hdc, const BmpIf* pBmp, const char* pStr, int x, int y)
{
    CMN_ASSERT(pStr != NULL && lstrlen(pStr) > 0);
    if (hdc == nullptr || pBmp == nullptr || pBmp->m_hBmp == nullptr) return 0;
    ScBackBuffer bb(hdc, pBmp->nWidth, pBmp->nHeight, pBmp->m_hPal);
    bb.Blit(pBmp, 0, 0, SRCCOPY);
    if (pStr != nullptr && pStr[0] != '\0') {
        HGDIOBJ hOld = SelectObject(bb.dc(), SCCMN_GetFont());
        int nMode = SetBkMode(bb.dc(), TRANSPARENT);
        TextOutA(bb.dc(), x, y, pStr, lstrlenA(pStr));
        SetBkMode(bb.dc(), nMode);
        SelectObject(bb.dc(), hOld);
    }
    bb.CopyTo(0, 0);
    return 1;
}

int SCCMN_DrawBg_SelectDlg(HDC hdc, const BmpIf* pBg, const BmpIf* pRow, int nFirst)
{
    if (hdc == nullptr || pBg == nullptr || pBg->m_hBmp == nullptr) return 0;
    ScBackBuffer bb(hdc, pBg->nWidth, pBg->nHeight, pBg->m_hPal);
    bb.Blit(pBg, 0, 0, SRCCOPY);
    for (int i = nFirst < 0 ? 0 : nFirst; i <= 7; i++) bb.Blit(pRow, 20, 25 + 19 * i, SRCCOPY);
    bb.CopyTo(0, 0);
    return 1;
}

int SCSKIN_DrawText(HFONT hFont, HDC hdc, int x, int y, const char* pStr)
{
    CMN_ASSERT(hFont != NULL);
    if (hFont == nullptr || hdc == nullptr || pStr == nullptr) return 0;
    HGDIOBJ hOld = SelectObject(hdc, hFont);
    int nMode = SetBkMode(hdc, TRANSPARENT);
    TextOutA(hdc, x, y, pStr, lstrlenA(pStr));
    SetBkMode(hdc, nMode);
    SelectObject(hdc, hOld);
    return 1;
}

int SCSKIN_DrawTextRect(HFONT hFont, HDC hdc, int x, int y, int w, int h, const char* pStr, UINT uFormat)
{
    return SCSKIN_DrawTextRectColor(hFont, hdc, x, y, w, h, pStr, uFormat, RGB(0, 0, 0));
}

int SCSKIN_DrawTextRectColor(HFONT hFont, HDC hdc, int x, int y, int w, int h, const char* pStr, UINT uFormat,
                             COLORREF color)
{
    CMN_ASSERT(hFont != NULL);
    if (hFont == nullptr || hdc == nullptr || pStr == nullptr) return 0;
    HGDIOBJ hOld = SelectObject(hdc, hFont);
    int nMode = SetBkMode(hdc, TRANSPARENT);
    COLORREF old = SetTextColor(hdc, color);
    RECT rc = { x, y, x + w, y + h };
    DrawTextA(hdc, pStr, -1, &rc, uFormat);
    SetTextColor(hdc, old);
    SetBkMode(hdc, nMode);
    SelectObject(hdc, hOld);
    return 1;
}

BOOL SCSKIN_Proc_Draw(HWND hWnd, WPARAM wParam, LPARAM lParam, LIST* pLstSkin, LIST* pLstRow, LIST* pLcs, LIST* pLcd,
                      HFONT hFont)
{
    (void)hWnd;
    int nId = static_cast<int>(wParam);
    const DRAWITEMSTRUCT* pDis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (nId < 1 || nId > 67 || pDis == nullptr) return 1;
    if (IsMainButton(nId)) scdraw_Button(pLstSkin, pDis);
    else if (nId == eCD_IMGTYPE_LST_CONTENTS) SCSKIN_DrawRow(pDis, pLstSkin, pLstRow, pLcs, pLcd, hFont);
    else if (nId == eCD_IMGTYPE_CMB_LISTMODE) scdraw_PageItem(pDis, hFont);
    return 1;
}

BOOL SCSKIN_Proc_MeasureItem(HWND hWnd, WPARAM wParam, LPARAM lParam, LIST* pLcs)
{
    (void)hWnd;
    MEASUREITEMSTRUCT* pMis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    if (pMis == nullptr) return 1;
    if (wParam == eCD_IMGTYPE_LST_CONTENTS) {
        const LayoutIf* pLIf = LIST_GetCnt(pLcs) > 0 ? SCLAYOUT_Find(pLcs, eSCLD_IDTYPE_BG) : nullptr;
        CMN_ASSERT(pLIf != NULL);
        if (pLIf != nullptr) pMis->itemHeight = static_cast<UINT>(pLIf->h);
    } else if (wParam == eCD_IMGTYPE_CMB_LISTMODE) {
        pMis->itemHeight = 16;
    }
    return 1;
}

int SCSKIN_TrackCursor(void)
{
    g_nHoverBtn = eCD_IMGTYPE_MAX;
    HWND hMain = SCCMN_GetMainWnd();
    POINT pt;
    if (hMain == nullptr || !GetCursorPos(&pt) || !ScreenToClient(hMain, &pt)) return 1;
    // In this order: where buttons overlap, the later one is the hovered one.
    const int types[] = { eCD_IMGTYPE_BTN_UPDATE, eCD_IMGTYPE_BTN_SETTING, eCD_IMGTYPE_BTN_CLOSE,
                          eCD_IMGTYPE_BTN_MINIMIZE, eCD_IMGTYPE_BTN_TOPPAGE2, eCD_IMGTYPE_BTN_TOPPAGE };
    for (int type : types) {
        // The control's id is its image type.
        HWND hCtl = GetDlgItem(hMain, type);
        if (hCtl == nullptr) continue;
        RECT rc;
        GetWindowRect(hCtl, &rc);
        MapWindowPoints(nullptr, hMain, reinterpret_cast<POINT*>(&rc), 2);
        if (pt.x >= rc.left && pt.x <= rc.right && pt.y >= rc.top && pt.y <= rc.bottom) g_nHoverBtn = type;
        InvalidateRect(hCtl, nullptr, FALSE);
        UpdateWindow(hCtl);
    }
    return 1;
}

int SCSKIN_GetHoverButton(void) { return g_nHoverBtn; }

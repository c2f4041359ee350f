// The catalogue list: drawing its rows (collapsed by lcs.bin, the expanded
// one by lcd.bin), the selection that expands a row, clicks on the expanded
// row's items, and the hovered item of the 200-ms animation tick.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cmnassert.h"
#include "contentslist.h"
#include "hantiv.h"
#include "log.h"
#include "sccmn.h"
#include "sccmn_row.h"
#include "sccmn_sort_win.h"
#include "scctrl.h"
#include "sclayout.h"
#include "scbackbuf_win.h"
#include "scskin.h"
#include "threadm.h"

namespace {

struct ScskinListIf {
    int nSelRow;      // list index of the expanded row, -1 none
    int nSelCnt;      // its content, -1 none
    int nFrame;       // animation frame 0 .. 7
    const ScskinHostIf* pHost;
};
ScskinListIf g_list = { -1, -1, 0, nullptr };

// Slot of an animated image for the current frame: frame 0 is slot 0,
// frames 1 to 7 are slots 5 to 11.
int FrameSlot(void) { return g_list.nFrame == 0 ? 0 : 4 + g_list.nFrame; }

enum { kSlotHover = 0, kSlotNormal = 1, kSlotDisabled = 3 };

int ButtonState(int nType)
{
    if (!SCCMN_GetRowButtonEnable(nType)) return kSlotDisabled;
    return SCCMN_GetHoverId() == nType ? kSlotHover : kSlotNormal;
}

bool IsOwned(int nState) { return nState >= eCLPD_TYPE_PLAYABLE && nState <= eCLPD_TYPE_UPDATE; }
bool IsToFetch(int nState) { return nState == eCLPD_TYPE_DOWNLOADABLE || nState == eCLPD_TYPE_UPDATE; }

class RowPainter {
public:
    RowPainter(ScBackBuffer& bb, LIST* pSkin, HFONT hFont) : m_bb(bb), m_pSkin(pSkin), m_hFont(hFont) {}

    LiIf* Image(int nType)
    {
        LiIf* p = SCSKIN_Lookup(m_pSkin, nType);
        CMN_ASSERT(p != NULL);
        return p;
    }
    // A plain image: masked slot 1, or slot 0 when it has no mask.
    void Plain(int nType, int x, int y)
    {
        LiIf* p = Image(nType);
        if (p != nullptr) m_bb.Draw(p, p->bLoaded[SCSKIN_SLOT_MASK] == 1 ? 1 : 0, x, y);
    }
    void Slot(int nType, int nSlot, int x, int y)
    {
        LiIf* p = Image(nType);
        if (p != nullptr) m_bb.Draw(p, nSlot, x, y);
    }
    // A button by its state; when it is in its normal state and has an
    // animated picture, that picture in the current frame instead.
    void Button(int nType, int nImg, int nAnimImg, int x, int y)
    {
        int nSlot = ButtonState(nType);
        if (nSlot == kSlotNormal && nAnimImg != eCD_IMGTYPE_MAX) Slot(nAnimImg, FrameSlot(), x, y);
        else Slot(nImg, nSlot, x, y);
    }
    // A pack still to fetch: the hovered picture under the cursor, else the
    // animated one.
    void Fetch(int nType, int nHoverImg, int nAnimImg, int x, int y)
    {
        if (SCCMN_GetHoverId() == nType) Slot(nHoverImg, kSlotHover, x, y);
        else Slot(nAnimImg, FrameSlot(), x, y);
    }
    void Text(const LayoutIf* p, const char* pStr, UINT uFormat, COLORREF c = RGB(0, 0, 0))
    {
        SCSKIN_DrawTextRectColor(m_hFont, m_bb.dc(), p->x, p->y, p->w, p->h, pStr, uFormat, c);
    }
    void Screenshot(int nId, int x, int y);

    ScBackBuffer& m_bb;
    LIST* m_pSkin;
    HFONT m_hFont;
};

void RowPainter::Screenshot(int nId, int x, int y)
{
    char* pPath = GetLocalImagePath(nId);
    char* pShow = nullptr;
    // While a background fetch runs its file may be half written: every row
    // shows the placeholder until it ends.
    if (pPath != nullptr && pPath[0] != '\0' && !THREADM_IsNoWaitDownloading() && SCSKIN_FileExists(pPath)) {
        pShow = pPath;
    }
    char* pPlaceholder = pShow == nullptr ? SCSKIN_GetUnderConstructImage() : nullptr;
    if (pShow == nullptr) pShow = pPlaceholder;
    if (pShow != nullptr) {
        const CacheImgIf* pImg = SCCACHE_GetImage(pShow);
        if (pImg != nullptr) m_bb.Blit(&pImg->bmp, x, y, SRCCOPY);
    }
    std::free(pPath);
    std::free(pPlaceholder);
}

void DrawRowItems(RowPainter& rp, const ClSIf* pCl, LIST* pLayout)
{
    const int nId = pCl->nSeqId;
    const int nGame = CONTENTSLIST_GetType(nId);
    for (int i = 0; i < LIST_GetCnt(pLayout); i++) {
        const LayoutIf* p = SCLAYOUT_GetAt(pLayout, i);
        if (p == nullptr || p->type == eSCLD_IDTYPE_BG || p->type >= eSCLD_IDTYPE_MAKER_SORT) continue;
        switch (p->type) {
        case eSCLD_IDTYPE_ICON:
            if (pCl->strIcon[0] != '\0') SCSKIN_DrawText(rp.m_hFont, rp.m_bb.dc(), p->x, p->y, pCl->strIcon);
            else if (pCl->bNotBought != 1) {
                rp.Plain(pCl->nIconState == 2 || pCl->nIconState == 3 ? eCD_IMGTYPE_ROW_NEEDDL
                                                                       : eCD_IMGTYPE_ROW_INSTALLED, p->x, p->y);
            }
            break;
        case eSCLD_IDTYPE_TITLE: rp.Text(p, pCl->strTitle, DT_END_ELLIPSIS | DT_NOPREFIX); break;
        case eSCLD_IDTYPE_MAKER: rp.Text(p, pCl->strMaker, DT_END_ELLIPSIS | DT_NOPREFIX); break;
        case eSCLD_IDTYPE_PLATFORM: rp.Text(p, pCl->strPlatform, DT_NOPREFIX); break;
        case eSCLD_IDTYPE_GENRE: rp.Text(p, pCl->strGenre, DT_NOPREFIX); break;
        case eSCLD_IDTYPE_SALEDAY: rp.Text(p, pCl->strSaleDay, DT_NOPREFIX); break;
        case eSCLD_IDTYPE_RUNCNT: rp.Text(p, pCl->strRunCnt, DT_NOPREFIX); break;
        case eSCLD_IDTYPE_EXPLAN: {
            int nHover = SCCMN_GetHoverId();
            bool bRed = nHover == eSCLD_IDTYPE_EXPLAN || nHover == eSCLD_IDTYPE_IMG_GAMECAPTURE;
            rp.Text(p, pCl->strExplan, DT_END_ELLIPSIS | DT_NOPREFIX | DT_WORDBREAK,
                    bRed ? RGB(255, 0, 0) : RGB(0, 0, 0));
            break;
        }
        case eSCLD_IDTYPE_BTNPROP:
            if (pCl->strProperty[0] != '\0') SCSKIN_DrawText(rp.m_hFont, rp.m_bb.dc(), p->x, p->y, pCl->strProperty);
            else rp.Plain(eCD_IMGTYPE_ROW_PROP, p->x, p->y);
            break;
        case eSCLD_IDTYPE_BTN_GAMEMANUAL: {
            const char* pSrv = CONTENTSLIST_GetDlPathManual(nId);
            int nManual = CONTENTSLIST_GetTypeManual(nId);
            if (pSrv == nullptr || pSrv[0] == '\0' || !IsOwned(nManual)) break;
            if (nManual == eCLPD_TYPE_PLAYABLE) {
                rp.Button(p->type, eCD_IMGTYPE_ROW_MANUAL, eCD_IMGTYPE_ROW_MANUAL_ANIM, p->x, p->y);
            } else {
                rp.Fetch(p->type, eCD_IMGTYPE_ROW_MANUAL_DL_HOVER, eCD_IMGTYPE_ROW_MANUAL_DL, p->x, p->y);
            }
            break;
        }
        case eSCLD_IDTYPE_BTN_GAMEOPERATION:
            if (IsOwned(nGame)) rp.Button(p->type, eCD_IMGTYPE_ROW_OPERATION, eCD_IMGTYPE_MAX, p->x, p->y);
            break;
        case eSCLD_IDTYPE_BTN_GAMESOUND: {
            if (!IsOwned(nGame) || !SCCMN_HasMusic(nId)) break;
            if (IsToFetch(CONTENTSLIST_GetTypeVelqa(nId))) {
                rp.Fetch(p->type, eCD_IMGTYPE_ROW_SOUND_DL_HOVER, eCD_IMGTYPE_ROW_SOUND_DL, p->x, p->y);
            } else {
                rp.Button(p->type, eCD_IMGTYPE_ROW_SOUND, eCD_IMGTYPE_ROW_SOUND_ANIM, p->x, p->y);
            }
            break;
        }
        case eSCLD_IDTYPE_BTN_GAMEPLAY:
            if (nGame == eCLPD_TYPE_PLAYABLE) {
                rp.Button(p->type, eCD_IMGTYPE_ROW_PLAY, eCD_IMGTYPE_ROW_PLAY_ANIM, p->x, p->y);
            } else if (IsToFetch(nGame)) {
                rp.Fetch(p->type, eCD_IMGTYPE_ROW_PLAY_DL_HOVER, eCD_IMGTYPE_ROW_PLAY_DL, p->x, p->y);
            }
            break;
        case eSCLD_IDTYPE_BTN_FAVORITE:
            rp.Button(p->type, CONTENTSLIST_GetFavorite(nId) == 1 ? eCD_IMGTYPE_ROW_FAVORITE_ON
                                                                  : eCD_IMGTYPE_ROW_FAVORITE_OFF,
                      eCD_IMGTYPE_MAX, p->x, p->y);
            break;
        case eSCLD_IDTYPE_IMG_GAMECAPTURE: rp.Screenshot(nId, p->x, p->y); break;
        case eSCLD_IDTYPE_ICON_VELQA:
            if (!SCCMN_IsMusicFlagSet(CONTENTSLIST_GetVelqaFlag(nId))) break;
            rp.Plain(SCCMN_IsMusicFlagSet(CONTENTSLIST_GetVelqaBoughtFlag(nId)) && IsOwned(nGame) &&
                             !IsToFetch(CONTENTSLIST_GetTypeVelqa(nId))
                         ? eCD_IMGTYPE_ROW_VELQA_ON
                         : eCD_IMGTYPE_ROW_VELQA_OFF,
                     p->x, p->y);
            break;
        default: break;
        }
    }
}

const LayoutIf* FindBg(LIST* pLayout)
{
    return pLayout != nullptr && LIST_GetCnt(pLayout) > 0 ? SCLAYOUT_Find(pLayout, eSCLD_IDTYPE_BG) : nullptr;
}

bool Holds(const LayoutIf* p, int x, int y) { return x >= p->x && x <= p->x + p->w && y >= p->y && y <= p->y + p->h; }

const LayoutIf* ItemAt(int x, int y, LIST* pLcd)
{
    for (int i = 0; pLcd != nullptr && i < LIST_GetCnt(pLcd); i++) {
        const LayoutIf* p = SCLAYOUT_GetAt(pLcd, i);
        if (p != nullptr && p->type != eSCLD_IDTYPE_BG && Holds(p, x, y)) return p;
    }
    return nullptr;
}

// The cursor in the expanded row's coordinates: the rows from the top index
// down to it are added up. 0 when there is no expanded row on show or the
// cursor or a height cannot be read.
bool CursorInSelRow(HWND hList, LIST* pRow, POINT* pPt, const ClSIf** ppCl)
{
    if (hList == nullptr || pRow == nullptr || LIST_GetCnt(pRow) == 0) return false;
    LRESULT nTop = SendMessageA(hList, LB_GETTOPINDEX, 0, 0);
    if (nTop < 0 || g_list.nSelRow < 0) return false;
    POINT pt;
    if (!GetCursorPos(&pt) || !ScreenToClient(hList, &pt)) return false;
    LRESULT nCnt = SendMessageA(hList, LB_GETCOUNT, 0, 0);
    if (nTop > g_list.nSelRow || g_list.nSelRow >= nCnt) return false;
    int nSum = 0;
    for (int i = static_cast<int>(nTop); i < g_list.nSelRow; i++) {
        LRESULT h = SendMessageA(hList, LB_GETITEMHEIGHT, static_cast<WPARAM>(i), 0);
        if (h == LB_ERR) return false;
        nSum += static_cast<int>(h);
    }
    const ClSIf* pCl = static_cast<const ClSIf*>(LIST_GetAt(pRow, g_list.nSelRow));
    CMN_ASSERT(pCl != NULL);
    pPt->x = pt.x;
    pPt->y = pt.y - nSum;
    *ppCl = pCl;
    return true;
}

void SetRowHeight(HWND hList, int nRow, const LayoutIf* pBg)
{
    if (pBg != nullptr && nRow >= 0) SendMessageA(hList, LB_SETITEMHEIGHT, static_cast<WPARAM>(nRow), pBg->h);
}

void ListEvent(HWND hList, WPARAM wParam, LIST* pLcs, LIST* pRow, LIST* pLcd, HWND hMain, UINT uMsg)
{
    int nCode = HIWORD(wParam);
    if (nCode != LBN_SELCHANGE && nCode != LBN_DBLCLK) return;
    LRESULT nSel = SendMessageA(hList, LB_GETCURSEL, 0, 0);
    int nNew = nSel == LB_ERR ? -1 : static_cast<int>(nSel);
    const LayoutIf* pS = FindBg(pLcs);
    if (nNew != g_list.nSelRow) {
        if (pS == nullptr) return;
        SetRowHeight(hList, g_list.nSelRow, pS);
        const ClSIf* pCl = nNew >= 0 ? static_cast<const ClSIf*>(LIST_GetAt(pRow, nNew)) : nullptr;
        CMN_ASSERT(nNew < 0 || pCl != NULL);
        // Asked even when the capture is cached: the handler decides.
        if (pCl != nullptr) PostMessageA(hMain, WMU_GETCONTENTSIMAGE, 0, pCl->nSeqId);
        g_list.nSelRow = nNew;
        g_list.nSelCnt = pCl != nullptr ? pCl->nSeqId : -1;
        SetRowHeight(hList, nNew, FindBg(pLcd));
    } else if (SCSKIN_ClickSelRow(hList, pRow, pLcd, hMain, uMsg) != 1) {
        int nOld = g_list.nSelRow;
        g_list.nSelRow = -1;
        g_list.nSelCnt = -1;
        SendMessageA(hList, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        SetRowHeight(hList, nOld, pS);
    }
    InvalidateRect(hList, nullptr, TRUE);
    UpdateWindow(hList);
}

}  // namespace

void SCSKIN_SetHost(const ScskinHostIf* pHost) { g_list.pHost = pHost; }

int SCSKIN_DrawRow(const DRAWITEMSTRUCT* pDis, LIST* pLstSkin, LIST* pLstRow, LIST* pLcs, LIST* pLcd, HFONT hFont)
{
    if (pDis == nullptr || pLstRow == nullptr || LIST_GetCnt(pLstRow) == 0) return 1;
    int nItem = static_cast<int>(pDis->itemID);
    const ClSIf* pCl = nItem >= 0 ? static_cast<const ClSIf*>(LIST_GetAt(pLstRow, nItem)) : nullptr;
    if (pCl == nullptr) return 1;
    bool bExpanded = (pDis->itemState & ODS_SELECTED) && nItem == g_list.nSelRow;
    LIST* pLayout = bExpanded ? pLcd : pLcs;
    const LayoutIf* pBg = FindBg(pLayout);
    CMN_ASSERT(pBg != NULL);
    if (pBg == nullptr) return 1;
    const LiIf* pBgImg = SCSKIN_Lookup(pLstSkin, bExpanded ? eCD_IMGTYPE_ROW_BG_EXPANDED : eCD_IMGTYPE_ROW_BG);
    CMN_ASSERT(pBgImg != NULL);
    int nSlot = pCl->bNotBought ? 3 : (pDis->itemState & ODS_SELECTED) ? 2 : 0;
    const BmpIf* pBgBmp = pBgImg != nullptr && pBgImg->bLoaded[nSlot] == 1 ? &pBgImg->bmp[nSlot] : nullptr;
    ScBackBuffer bb(pDis->hDC, pBg->w, pBg->h, pBgBmp != nullptr ? pBgBmp->m_hPal : nullptr);
    bb.Blit(pBgBmp, 0, 0, SRCCOPY);
    RowPainter rp(bb, pLstSkin, hFont);
    DrawRowItems(rp, pCl, pLayout);
    bb.CopyTo(0, pDis->rcItem.top);
    return 1;
}

int SCSKIN_Proc_Notify(HWND hWnd, WPARAM wParam, LPARAM lParam)
{
    (void)hWnd;
    const NMHDR* pNm = reinterpret_cast<const NMHDR*>(lParam);
    if (wParam == eCD_IMGTYPE_LST_CONTENTS && pNm != nullptr) (void)pNm->code;   // nothing to do with it
    return 1;
}

int SCSKIN_Proc_Command(HWND hWnd, WPARAM wParam, LPARAM lParam, LIST* pLcs, LIST* pRow, LIST* pLcd, HWND hMain,
                        UINT uMsg)
{
    int nId = LOWORD(wParam);
    if (nId < 1 || nId > 67) return 1;
    HWND hCtl = reinterpret_cast<HWND>(lParam);
    switch (nId) {
    case eCD_IMGTYPE_BTN_UPDATE: SCCMN_CheckUserContents(); break;
    case eCD_IMGTYPE_BTN_CLOSE: DestroyWindow(hWnd); break;
    case eCD_IMGTYPE_LST_CONTENTS: ListEvent(hCtl, wParam, pLcs, pRow, pLcd, hMain, uMsg); break;
    case eCD_IMGTYPE_CMB_LISTMODE: SCCMN_Proc_ComboSelChange(hCtl, wParam); break;
    case eCD_IMGTYPE_BTN_TOPPAGE: SCCMN_OpenTopWebPage(); break;
    case eCD_IMGTYPE_BTN_SETTING: SCCMN_OpenAppSetting(); break;
    case eCD_IMGTYPE_BTN_MINIMIZE: ShowWindow(hWnd, SW_MINIMIZE); break;
    case eCD_IMGTYPE_BTN_TOPPAGE2: SCCMN_OpenTopWebPage2(); break;
    default: break;
    }
    return 1;
}

BOOL SCSKIN_ClickSelRow(HWND hList, LIST* pRow, LIST* pLcd, HWND hMain, UINT uMsg)
{
    POINT pt;
    const ClSIf* pCl = nullptr;
    if (!CursorInSelRow(hList, pRow, &pt, &pCl)) return FALSE;
    return SCSKIN_Proc_RowClick(pt.x, pt.y, pCl, pLcd, hMain, uMsg);
}

BOOL SCSKIN_Proc_RowClick(int x, int y, const ClSIf* pClIf, LIST* pLcd, HWND hMain, UINT uMsg)
{
    const LayoutIf* p = ItemAt(x, y, pLcd);
    if (p != nullptr && pClIf != nullptr) {
        int nButton = -1;
        switch (p->type) {
        case eSCLD_IDTYPE_EXPLAN:
        case eSCLD_IDTYPE_BTN_WEBSALEPAGE_PROJECTTIV: nButton = 0; break;
        case eSCLD_IDTYPE_BTN_GAMEMANUAL: {
            // No manual on the server: the button is not drawn, its place answers nothing.
            const char* pSrv = CONTENTSLIST_GetDlPathManual(pClIf->nSeqId);
            if (pSrv != nullptr && pSrv[0] != '\0') nButton = 2;
            break;
        }
        case eSCLD_IDTYPE_BTN_GAMEOPERATION: nButton = 3; break;
        case eSCLD_IDTYPE_BTN_GAMESOUND: nButton = 4; break;
        case eSCLD_IDTYPE_BTN_GAMEPLAY: nButton = 5; break;
        case eSCLD_IDTYPE_BTN_FAVORITE: nButton = 6; break;
        default: break;
        }
        if (nButton >= 0) {
            PostMessageA(hMain, uMsg, static_cast<WPARAM>(nButton), pClIf->nSeqId);
            return TRUE;
        }
    }
    return x >= 0 && x <= 600 && y >= 25 && y <= 100;
}

int SCSKIN_GetIdTypeAtCursor(HWND hList, LIST* pRow, LIST* pLcd, HWND hMain)
{
    (void)hMain;
    POINT pt;
    const ClSIf* pCl = nullptr;
    if (!CursorInSelRow(hList, pRow, &pt, &pCl)) return eSCLD_IDTYPE_MAX;
    return SCSKIN_GetIdTypeAtPos(pt.x, pt.y, pCl, pLcd);
}

int SCSKIN_GetIdTypeAtPos(int x, int y, const ClSIf* pClIf, LIST* pLcd)
{
    if (pClIf == nullptr || pLcd == nullptr || LIST_GetCnt(pLcd) == 0) return eSCLD_IDTYPE_MAX;
    const LayoutIf* p = ItemAt(x, y, pLcd);
    return p != nullptr ? p->type : eSCLD_IDTYPE_MAX;
}

int SCSKIN_Redraw(void)
{
    HWND hList = SCCTRL_GetCtrl(eCD_IMGTYPE_LST_CONTENTS);
    if (hList == nullptr) return 1;
    const ScskinHostIf* h = g_list.pHost;
    LIST* pRow = h != nullptr && h->getRowList != nullptr ? h->getRowList() : nullptr;
    LIST* pLcd = h != nullptr && h->getLcdList != nullptr ? h->getLcdList() : nullptr;
    HWND hMain = h != nullptr && h->getMainWnd != nullptr ? h->getMainWnd() : nullptr;
    SCCMN_SetHoverId(SCSKIN_GetIdTypeAtCursor(hList, pRow, pLcd, hMain));
    InvalidateRect(hList, nullptr, FALSE);
    UpdateWindow(hList);
    g_list.nFrame = (g_list.nFrame + 1) % 8;
    return 1;
}

int SCSKIN_ResetHover(void)
{
    g_list.nSelRow = -1;
    g_list.nSelCnt = -1;
    return 1;
}

int SCSKIN_GetHover(void) { return g_list.nSelCnt; }
int SCSKIN_GetSelRow(void) { return g_list.nSelRow; }
int SCSKIN_GetAnimFrame(void) { return g_list.nFrame; }

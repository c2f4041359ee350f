#include "scctrl.h"

#include <exdisp.h>
#include <oleauto.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "axhost.h"
#include "cmnassert.h"
#include "env.h"
#include "hantiv.h"
#include "log.h"
#include "scbackbuf_win.h"
#include "sccmn_row.h"
#include "sccmn.h"
#include "sortmenudlg.h"

namespace {

const ScctrlHostIf* g_pHost = nullptr;

HWND    g_hCtrl[SCMD_MAX_CTRL];
int     g_nMaxCtrl = 0;
int     g_bInit = 0;
WNDPROC g_pOldListProc = nullptr;
HWND    g_hMain = nullptr;     // the parent the controls were made on
HINSTANCE g_hInst = nullptr;

// The sort panel.
HWND g_hPanel = nullptr;
int  g_nPanelW = 0;
int  g_nPanelH = 0;
LIST g_lstPanel = { 0, nullptr, nullptr, nullptr };
int  g_nHoverType = eSCLD_IDTYPE_MAX;

const char kPanelClass[] = "OC";
const int kBackW = 640, kBackH = 300;

HWND MainWnd(void)
{
    HWND h = g_pHost != nullptr && g_pHost->getMainWnd != nullptr ? g_pHost->getMainWnd() : nullptr;
    return h != nullptr ? h : g_hMain;
}

HINSTANCE Instance(void)
{
    HINSTANCE h = g_pHost != nullptr && g_pHost->getInstance != nullptr ? g_pHost->getInstance() : nullptr;
    return h != nullptr ? h : g_hInst;
}

LIST* HostList(LIST* (*get)(void)) { return get != nullptr ? get() : nullptr; }

bool Inside(const SortPanelItem* p, int x, int y)
{
    // Both edges belong to the item. lcm.bin may hold any 32-bit values: the
    // far edges are summed wide so they cannot overflow.
    return p->x <= x && x <= static_cast<long long>(p->x) + p->w && p->y <= y &&
           y <= static_cast<long long>(p->y) + p->h;
}

HWND CreateButton(const LiIf* p, HWND hWnd, HINSTANCE hInst)
{
    return CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, p->x, p->y, p->w, p->h, hWnd,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(p->imgType)), hInst, nullptr);
}

// A web pane: the browser control in a host window, told its page once.
// Navigation is asynchronous: the UI thread never waits for the page.
HWND CreateWebPane(const LiIf* p, HWND hWnd, const char* pKey)
{
    HWND hPane = CreateWindowExA(0, "AtlAxWin71", "Shell.Explorer.2", WS_CHILD | WS_VISIBLE, p->x, p->y, p->w, p->h,
                                 hWnd, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (hPane == nullptr) return nullptr;
    IUnknown* pUnk = nullptr;
    if (FAILED(AtlAxGetControl(hPane, &pUnk)) || pUnk == nullptr) {
        LOG_Write("SCCTRL_CreateControls::web pane without control\n");
        return hPane;
    }
    IWebBrowser2* pWeb = nullptr;
    HRESULT hr = pUnk->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&pWeb));
    pUnk->Release();
    if (FAILED(hr) || pWeb == nullptr) {
        CMN_ASSERT(0 && "初期化に失敗.ごめりんこ");
        return hPane;
    }
    char strUrl[2048];
    int bRet = ENV_GetValue(strUrl, sizeof(strUrl), pKey);
    CMN_ASSERT(bRet == TRUE);
    if (bRet) {
        int nW = MultiByteToWideChar(CP_ACP, 0, strUrl, -1, nullptr, 0);
        BSTR bstr = nW > 0 ? SysAllocStringLen(nullptr, static_cast<UINT>(nW - 1)) : nullptr;
        if (bstr != nullptr) {
            MultiByteToWideChar(CP_ACP, 0, strUrl, -1, bstr, nW);
            VARIANT vUrl, vEmpty;
            VariantInit(&vUrl);
            VariantInit(&vEmpty);
            vUrl.vt = VT_BSTR;
            vUrl.bstrVal = bstr;
            pWeb->Navigate2(&vUrl, &vEmpty, &vEmpty, &vEmpty, &vEmpty);
            VariantClear(&vUrl);
        }
    }
    pWeb->Release();
    return hPane;
}

void AddPanelItems(void)
{
    LIST* pLstLayout = g_pHost != nullptr ? HostList(g_pHost->getLcmList) : nullptr;
    CMN_ASSERT(pLstLayout != NULL);
    if (pLstLayout == nullptr || LIST_GetCnt(pLstLayout) <= 0) {
        LOG_Write("SCCTRL_CreateControls::err::no lcm layout\n");
        return;
    }
    static const int kTypes[] = { eSCLD_IDTYPE_BG, eSCLD_IDTYPE_TITLE_SORT_UP, eSCLD_IDTYPE_TITLE_SORT_DOWN,
                                  eSCLD_IDTYPE_MAKER_SORT, eSCLD_IDTYPE_PLATFORM_SORT, eSCLD_IDTYPE_GENRE_SORT,
                                  eSCLD_IDTYPE_SALEDAY_SORT_UP, eSCLD_IDTYPE_SALEDAY_SORT_DOWN };
    for (int t : kTypes) {
        const LayoutIf* pLayoutIf = SCLAYOUT_Find(pLstLayout, t);
        CMN_ASSERT(pLayoutIf != NULL);
        if (pLayoutIf != nullptr) SCCTRL_AddPanelItem(pLayoutIf, "");
    }
}

// A bitmap into the back buffer at its own size; the memory DC's
// selection is put back.
void Blit(HDC hdcMem, HDC hdcBack, const BmpIf* pBmp, int x, int y, DWORD dwRop)
{
    if (hdcMem == nullptr || hdcBack == nullptr || pBmp == nullptr || pBmp->m_hBmp == nullptr) return;
    HGDIOBJ hOld = SelectObject(hdcMem, pBmp->m_hBmp);
    BitBlt(hdcBack, x, y, pBmp->nWidth, pBmp->nHeight, hdcMem, 0, 0, dwRop);
    SelectObject(hdcMem, hOld);
}

// A slot through the record's mask when it has one.
void DrawSlot(HDC hdcMem, HDC hdcBack, const LiIf* pLiIf, int nSlot, int x, int y)
{
    if (pLiIf->bLoaded[nSlot] != 1) return;
    if (pLiIf->bLoaded[SCSKIN_SLOT_MASK] == 1) {
        Blit(hdcMem, hdcBack, &pLiIf->bmp[SCSKIN_SLOT_MASK], x, y, SRCAND);
        Blit(hdcMem, hdcBack, &pLiIf->bmp[nSlot], x, y, SRCPAINT);
    } else {
        Blit(hdcMem, hdcBack, &pLiIf->bmp[nSlot], x, y, SRCCOPY);
    }
}

void Report(int type)
{
    PostMessageA(MainWnd(), WMU_SORTBUTTON, 0, static_cast<LPARAM>(type));
}

}  // namespace

void SCCTRL_SetHost(const ScctrlHostIf* pHost) { g_pHost = pHost; }

int SCCTRL_CreateControls(LIST* pLstImg, HWND hWnd, HINSTANCE hInst)
{
    CMN_ASSERT(pLstImg != NULL && LIST_GetCnt(pLstImg) > 0);
    if (pLstImg == nullptr || LIST_GetCnt(pLstImg) <= 0) return 0;
    CMN_ASSERT(hWnd != NULL);
    if (hWnd == nullptr) return 0;

    // A second creation starts from nothing: the panel's items and the
    // table belong to the new window.
    if (LIST_GetCnt(&g_lstPanel) > 0) LIST_Free(&g_lstPanel);
    LIST_Init(&g_lstPanel);
    g_hPanel = nullptr;
    g_nHoverType = eSCLD_IDTYPE_MAX;
    g_hMain = hWnd;
    g_hInst = hInst;
    g_nMaxCtrl = LIST_GetCnt(pLstImg);
    std::memset(g_hCtrl, 0, sizeof(g_hCtrl));
    CMN_ASSERT(g_nMaxCtrl < SCMD_MAX_CTRL);

    bool bAxInit = false;
    for (int i = 0; i < LIST_GetCnt(pLstImg); i++) {
        const LiIf* pLiIf = static_cast<const LiIf*>(LIST_GetAt(pLstImg, i));
        if (pLiIf == nullptr || pLiIf->imgType < 0 || pLiIf->imgType >= eCD_IMGTYPE_MAX) continue;
        HWND hCtrl = nullptr;
        switch (pLiIf->imgType) {
        case 1: case 3: case 4: case 11: case 16: case 31: case 32: case 46: case 47: case 48: case 55: case 67:
            hCtrl = CreateButton(pLiIf, hWnd, hInst);
            break;
        case eCD_IMGTYPE_LST_CONTENTS:
            hCtrl = CreateWindowExA(0, "LISTBOX", "",
                                    WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWVARIABLE,
                                    pLiIf->x, pLiIf->y, pLiIf->w, pLiIf->h, hWnd,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(eCD_IMGTYPE_LST_CONTENTS)), hInst,
                                    nullptr);
            if (hCtrl != nullptr) {
                g_pOldListProc = reinterpret_cast<WNDPROC>(
                    SetWindowLongPtrA(hCtrl, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SCCTRL_ListSubclassProc)));
            }
            break;
        case eCD_IMGTYPE_CMB_LISTMODE:
            hCtrl = CreateWindowExA(0, "COMBOBOX", nullptr, WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED,
                                    pLiIf->x, pLiIf->y, pLiIf->w, pLiIf->h, hWnd,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(eCD_IMGTYPE_CMB_LISTMODE)), hInst,
                                    nullptr);
            if (hCtrl != nullptr) ShowWindow(hCtrl, SW_HIDE);
            break;
        case eCD_IMGTYPE_WEB_NEWPRODUCT:
        case eCD_IMGTYPE_WEB_BANNER:
            if (!bAxInit) {
                bAxInit = true;
                if (!AtlAxWinInit()) LOG_Write("SCCTRL_CreateControls::web panes stay blank\n");
            }
            hCtrl = CreateWebPane(pLiIf, hWnd, pLiIf->imgType == eCD_IMGTYPE_WEB_NEWPRODUCT ? "[HTMLPAGE_NEWPRODUCT]"
                                                                                          : "[HTMLPAGE_BANNER]");
            break;
        case eCD_IMGTYPE_PNL_SORT:
            hCtrl = SCCTRL_CreateImageButton(pLiIf->x, pLiIf->y, pLiIf->w, pLiIf->h);
            if (hCtrl != nullptr) {
                ShowWindow(hCtrl, SW_SHOW);
                InvalidateRect(hCtrl, nullptr, FALSE);
                UpdateWindow(hCtrl);
                AddPanelItems();
            }
            break;
        default:
            continue;
        }
        // A later record of the same type takes the entry; the earlier
        // window stays on the screen.
        g_hCtrl[pLiIf->imgType] = hCtrl;
        CMN_ASSERT(g_hCtrl[pLiIf->imgType] != NULL);
    }
    g_bInit = 1;
    return 1;
}

int SCCTRL_Fini(void)
{
    if (g_bInit) {
        LIST_Free(&g_lstPanel);
        LIST_Init(&g_lstPanel);
        g_hPanel = nullptr;
        g_bInit = 0;
    }
    return 1;
}

HWND SCCTRL_GetCtrl(int imgType)
{
    CMN_ASSERT(imgType >= eCD_IMGTYPE_BG && imgType < eCD_IMGTYPE_MAX);
    if (imgType < eCD_IMGTYPE_BG || imgType >= eCD_IMGTYPE_MAX) return nullptr;
    CMN_ASSERT(g_hCtrl[imgType] != NULL);
    return g_hCtrl[imgType];
}

int SCCTRL_ShowCtrl(int imgType, int nCmdShow)
{
    HWND hCtrl = SCCTRL_GetCtrl(imgType);
    if (hCtrl == nullptr) return 0;
    ShowWindow(hCtrl, nCmdShow);
    return 1;
}

int SCCTRL_SelectContents(int imgType, LIST* pRow)
{
    if (imgType != eCD_IMGTYPE_LST_CONTENTS) {
        CMN_ASSERT(0);
        return 0;
    }
    HWND hList = g_hCtrl[eCD_IMGTYPE_LST_CONTENTS];
    CMN_ASSERT(g_hCtrl[eCD_IMGTYPE_LST_CONTENTS] != NULL);
    if (hList == nullptr) return 0;
    LIST* pLcd = g_pHost != nullptr ? HostList(g_pHost->getLcdList) : nullptr;
    return SCCTRL_SelectRows(hList, pRow, SCSKIN_GetHover(), pLcd);
}

int SCCTRL_SelectRows(HWND hList, LIST* pRow, int nHover, LIST* pLcd)
{
    if (hList == nullptr) return 0;
    SendMessageA(hList, LB_RESETCONTENT, 0, 0);
    if (pRow == nullptr) return 1;
    // The re-selected row is drawn expanded at the height its layout gives:
    // a fixed height would cut or stretch a skin's own expanded row.
    const LayoutIf* pBg = SCLAYOUT_FindRowBg(pLcd);
    int nExpandedH = pBg != nullptr ? pBg->h : SCCTRL_ROWH_EXPANDED;
    for (int i = 0; i < LIST_GetCnt(pRow); i++) {
        ClSIf* pRowIf = static_cast<ClSIf*>(LIST_GetAt(pRow, i));
        if (pRowIf == nullptr) continue;
        LRESULT nIndex = SendMessageA(hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(pRowIf->strTitle));
        if (nIndex == LB_ERR || nIndex == LB_ERRSPACE) continue;
        if (nHover >= 0 && pRowIf->nSeqId == nHover) {
            PostMessageA(hList, LB_SETITEMHEIGHT, static_cast<WPARAM>(nIndex), MAKELPARAM(nExpandedH, 0));
            PostMessageA(hList, LB_SETCURSEL, static_cast<WPARAM>(nIndex), 0);
        }
    }
    return 1;
}

int SCCTRL_TrackCursor(void)
{
    if (g_hPanel == nullptr) return 1;
    POINT pt;
    if (!GetCursorPos(&pt) || !ScreenToClient(g_hPanel, &pt)) {
        g_nHoverType = eSCLD_IDTYPE_MAX;
    } else {
        g_nHoverType = eSCLD_IDTYPE_MAX;
        for (int i = 0; i < LIST_GetCnt(&g_lstPanel); i++) {
            const SortPanelItem* p = static_cast<const SortPanelItem*>(LIST_GetAt(&g_lstPanel, i));
            if (p == nullptr || p->type < eSCLD_IDTYPE_TITLE_SORT_UP) continue;
            if (Inside(p, pt.x, pt.y)) {
                g_nHoverType = p->type;
                break;
            }
        }
    }
    InvalidateRect(g_hPanel, nullptr, FALSE);
    UpdateWindow(g_hPanel);
    return 1;
}

HWND SCCTRL_CreateImageButton(int x, int y, int w, int h)
{
    HINSTANCE hInst = Instance();
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = SCCTRL_ImageButtonProc;
    wc.hInstance = hInst;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kPanelClass;
    // Registered once per program; a second panel finds the class there.
    if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        LOG_Write("SCCTRL_CreateImageButton::err::class\n");
    }
    HWND hWndRet = CreateWindowExA(0, "oc", nullptr, WS_CHILD | WS_GROUP | WS_TABSTOP, x, y, w, h, MainWnd(), nullptr,
                                   hInst, nullptr);
    CMN_ASSERT(hWndRet != NULL);
    g_nPanelW = w;
    g_nPanelH = h;
    if (LIST_GetCnt(&g_lstPanel) > 0) LIST_Free(&g_lstPanel);
    LIST_Init(&g_lstPanel);
    g_hPanel = hWndRet;
    return hWndRet;
}

LRESULT CALLBACK SCCTRL_ImageButtonProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_CREATE:
        return 0;
    case WM_PAINT:
        SCCTRL_PaintImageButton(hWnd);
        return 0;
    case WM_LBUTTONDOWN:
        SCCTRL_ClickImageButton(hWnd, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        return 0;
    case WM_NCDESTROY:
        // The panel dies with the main window: the hover tick must not reach it.
        if (hWnd == g_hPanel) g_hPanel = nullptr;
        return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    default:
        return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    }
}

int SCCTRL_PaintImageButton(HWND hWnd)
{
    // Until start-up has made the font the panel stays unpainted; its region
    // is validated all the same, or WM_PAINT would come back at once, again
    // and again.
    if (SCCMN_GetFont() == nullptr) {
        ValidateRect(hWnd, nullptr);
        return 1;
    }
    LIST* pSkin = g_pHost != nullptr ? HostList(g_pHost->getSkinList) : nullptr;
    const LiIf* pLiIf = SCSKIN_Lookup(pSkin, eCD_IMGTYPE_PNL_SORT);
    CMN_ASSERT(pLiIf != NULL);
    if (pLiIf == nullptr) {
        ValidateRect(hWnd, nullptr);
        return 0;
    }
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hWnd, &ps);
    {
        int nPalSlot = pLiIf->bLoaded[SCSKIN_SLOT_MASK] == 1 ? SCSKIN_SLOT_MASK : 1;
        ScBackBuffer bb(hdc, kBackW, kBackH, pLiIf->bmp[nPalSlot].m_hPal);
        HDC hdcBack = bb.dc();
        PatBlt(hdcBack, 0, 0, g_nPanelW, g_nPanelH, WHITENESS);
        for (int i = 0; i < LIST_GetCnt(&g_lstPanel); i++) {
            const SortPanelItem* p = static_cast<const SortPanelItem*>(LIST_GetAt(&g_lstPanel, i));
            if (p != nullptr && p->type < eSCLD_IDTYPE_TITLE_SORT_UP)
                SCCTRL_DrawPanelImage(bb.mem(), hdcBack, pLiIf, p, p->x, p->y);
        }
        const LiIf* pUp = SCSKIN_Lookup(pSkin, eCD_IMGTYPE_SORT_UP);
        const LiIf* pDown = SCSKIN_Lookup(pSkin, eCD_IMGTYPE_SORT_DOWN);
        CMN_ASSERT(pUp != NULL);
        CMN_ASSERT(pDown != NULL);
        for (int i = 0; i < LIST_GetCnt(&g_lstPanel); i++) {
            const SortPanelItem* p = static_cast<const SortPanelItem*>(LIST_GetAt(&g_lstPanel, i));
            if (p == nullptr || p->type < 20 || p->type == eSCLD_IDTYPE_SALEDAY_SORT_UP ||
                p->type == eSCLD_IDTYPE_SALEDAY_SORT_DOWN)
                continue;
            int nState = p->type == g_nHoverType ? 1 : 2;
            switch (p->type) {
            case 20: case 22: case 24: case 28:
                if (pUp != nullptr) SCCTRL_DrawPanelButton(bb.mem(), hdcBack, pUp, p, p->x, p->y, nState);
                break;
            case 21: case 23: case 25: case 29:
                if (pDown != nullptr) SCCTRL_DrawPanelButton(bb.mem(), hdcBack, pDown, p, p->x, p->y, nState);
                break;
            default:
                break;
            }
        }
        bb.CopyTo(0, 0);
    }
    EndPaint(hWnd, &ps);
    return 1;
}

int SCCTRL_ClickImageButton(HWND hWnd, int x, int y)
{
    SortPanelItem* pHit = nullptr;
    for (int i = 0; i < LIST_GetCnt(&g_lstPanel); i++) {
        SortPanelItem* p = static_cast<SortPanelItem*>(LIST_GetAt(&g_lstPanel, i));
        if (p != nullptr && p->type >= eSCLD_IDTYPE_TITLE_SORT_UP && Inside(p, x, y)) {
            pHit = p;
            break;
        }
    }
    if (pHit == nullptr) return 1;
    switch (pHit->type) {
    case eSCLD_IDTYPE_TITLE_SORT_UP:
    case eSCLD_IDTYPE_SALEDAY_SORT_UP: {
        // Successive clicks alternate between the up and the down order,
        // starting with up.
        int nDown = pHit->type == eSCLD_IDTYPE_TITLE_SORT_UP ? eSCLD_IDTYPE_TITLE_SORT_DOWN
                                                              : eSCLD_IDTYPE_SALEDAY_SORT_DOWN;
        if (pHit->state == 1) {
            pHit->state = 0;
            Report(nDown);
        } else {
            pHit->state = 1;
            Report(pHit->type);
        }
        break;
    }
    case eSCLD_IDTYPE_MAKER_SORT:
    case eSCLD_IDTYPE_PLATFORM_SORT:
    case eSCLD_IDTYPE_GENRE_SORT: {
        RECT rc = {};
        GetWindowRect(hWnd, &rc);
        SORTMENUDLG_Open(Instance(), MainWnd(), rc.left + pHit->x, rc.top + pHit->y, pHit->type);
        break;
    }
    default:
        Report(pHit->type);
        break;
    }
    return 1;
}

int SCCTRL_AddPanelItem(const LayoutIf* pLoIf, const char* pStr)
{
    CMN_ASSERT(pLoIf != NULL && pStr != NULL);
    if (pLoIf == nullptr || pStr == nullptr) return 1;
    SortPanelItem* p = static_cast<SortPanelItem*>(std::calloc(1, sizeof(SortPanelItem)));
    if (p == nullptr) return 1;
    p->type = pLoIf->type;
    p->x = pLoIf->x;
    p->y = pLoIf->y;
    p->w = pLoIf->w;
    p->h = pLoIf->h;
    lstrcpynA(p->text, pStr, sizeof(p->text));
    if (!LIST_Add(&g_lstPanel, p)) std::free(p);
    return 1;
}

SortPanelItem* SCCTRL_FindPanelItem(LIST* pLst, int type)
{
    for (int i = 0; pLst != nullptr && i < LIST_GetCnt(pLst); i++) {
        SortPanelItem* p = static_cast<SortPanelItem*>(LIST_GetAt(pLst, i));
        if (p != nullptr && p->type == type) return p;
    }
    CMN_ASSERT(0);
    return nullptr;
}

LIST* SCCTRL_GetPanelItems(void) { return &g_lstPanel; }
int SCCTRL_GetHoverType(void) { return g_nHoverType; }

int SCCTRL_DrawPanelImage(HDC hdcMem, HDC hdcBack, const LiIf* pLiIf, const SortPanelItem*, int x, int y)
{
    CMN_ASSERT(pLiIf != NULL);
    if (pLiIf == nullptr) return 0;
    // A masked picture is slot 0 through the mask, a plain one slot 1.
    DrawSlot(hdcMem, hdcBack, pLiIf, pLiIf->bLoaded[SCSKIN_SLOT_MASK] == 1 ? 0 : 1, x, y);
    return 1;
}

int SCCTRL_DrawPanelButton(HDC hdcMem, HDC hdcBack, const LiIf* pLiIf, const SortPanelItem*, int x, int y,
                           int nState)
{
    CMN_ASSERT(pLiIf != NULL);
    if (pLiIf == nullptr) return 0;
    // States 0 disabled, 1 hover, 2 normal, 3 pressed; slots 0 hover,
    // 1 normal, 2 pressed, 3 disabled.
    int nSlot = nState == 0 ? 3 : nState == 1 ? 0 : nState == 2 ? 1 : nState == 3 ? 2 : 1;
    DrawSlot(hdcMem, hdcBack, pLiIf, nSlot, x, y);
    return 1;
}

LRESULT CALLBACK SCCTRL_ListSubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_VSCROLL: {
        // Scrolled with redrawing off, then painted once: no flicker.
        SendMessageA(hWnd, WM_SETREDRAW, FALSE, 0);
        CallWindowProcA(g_pOldListProc, hWnd, uMsg, wParam, lParam);
        SendMessageA(hWnd, WM_SETREDRAW, TRUE, 0);
        int nPos = GetScrollPos(hWnd, SB_VERT);
        SetScrollPos(hWnd, SB_VERT, nPos, TRUE);
        InvalidateRect(hWnd, nullptr, FALSE);
        UpdateWindow(hWnd);
        return 0;
    }
    case WM_MOUSEWHEEL:
        // One line per wheel message, whatever its distance.
        CallWindowProcA(g_pOldListProc, hWnd, WM_VSCROLL,
                        static_cast<int32_t>(wParam) > 0 ? SB_LINEUP : SB_LINEDOWN, lParam);
        return 0;
    default:
        return CallWindowProcA(g_pOldListProc, hWnd, uMsg, wParam, lParam);
    }
}

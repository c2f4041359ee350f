#include "selcontentsdlg.h"

#include <cstdlib>
#include <cstring>

#include "bmpm.h"
#include "cmnassert.h"
#include "contentslist.h"
#include "log.h"
#include "sccmn.h"
#include "scskin.h"

namespace {

const char kCaptionSound[] = "音源を選択してください";
const char kCaptionOther[] = "以下の項目をクリックして下さい";
enum { kPlaces = 8, kRowPitch = 19, kRowTop = 25, kNameSize = 2048 };

struct SelIf {
    LIST  lstContents;
    int   nContentsId;
    int   nKind;
    int   nCaption;
    int   nChoice;
    HRGN  hRgn;
    BmpIf bg;
    BmpIf row;
    int   bLoaded;
};
SelIf g_sel = {};

int Count(void) { return LIST_GetCnt(&g_sel.lstContents); }

// The box grows by one row pitch for each entry past the eight places of
// its background, so a ninth and tenth slot can still be seen and chosen.
int ExtraHeight(void) { return Count() > kPlaces ? (Count() - kPlaces) * kRowPitch : 0; }

void InitDialog(HWND hDlg)
{
    SCCMN_AddNameList(&g_sel.lstContents, g_sel.nContentsId, g_sel.nKind);
    CMN_ASSERT(LIST_GetCnt(&g_sel.lstContents) >= 2);
    HINSTANCE hInst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hDlg, GWLP_HINSTANCE));
    BMPM_LoadBmp(&g_sel.bg, hInst, IDB_SELCONTENTS_BG, -1, hDlg);
    BMPM_LoadBmp(&g_sel.row, hInst, IDB_SELCONTENTS_ROW, -1, hDlg);
    g_sel.bLoaded = 1;
    int w = g_sel.bg.nWidth, h = g_sel.bg.nHeight + ExtraHeight();
    int x = static_cast<int>(GetSystemMetrics(SM_CXSCREEN) / 2.0 - w / 2.0);
    int y = static_cast<int>(GetSystemMetrics(SM_CYSCREEN) / 2.0 - h / 2.0);
    SetWindowPos(hDlg, HWND_TOPMOST, x, y, w, h, SWP_SHOWWINDOW);

    HBITMAP hShape = static_cast<HBITMAP>(LoadImageA(hInst, MAKEINTRESOURCEA(IDB_SELCONTENTS_SHAPE), IMAGE_BITMAP, 0,
                                                     0, LR_CREATEDIBSECTION));
    g_sel.hRgn = hShape != nullptr ? CreateRgnFromBmp(hShape, RGB(0, 0, 0)) : nullptr;
    if (hShape != nullptr) DeleteObject(hShape);
    if (g_sel.hRgn == nullptr) {
        LOG_Write("WM_INITDIALOG::err::CreateRgnFromBmp\n");
        return;
    }
    if (ExtraHeight() > 0) {
        // The rows past the background continue its body below it.
        HRGN hMore = CreateRectRgn(0, g_sel.bg.nHeight - 12, w, h);
        CombineRgn(g_sel.hRgn, g_sel.hRgn, hMore, RGN_OR);
        DeleteObject(hMore);
    }
    if (SetWindowRgn(hDlg, g_sel.hRgn, TRUE) == 0) {
        LOG_Write("WM_INITDIALOG::err::SetWindowRgn\n");
        DeleteObject(g_sel.hRgn);
    }
    g_sel.hRgn = nullptr;   // the window owns it now
}

void Paint(HWND hDlg)
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hDlg, &ps);
    int n = Count();
    SCCMN_DrawBg_SelectDlg(hdc, &g_sel.bg, &g_sel.row, n);
    // Places past the eighth: the eighth place and the border beneath it,
    // copied down.
    for (int i = kPlaces; i < n; i++) {
        int ySrc = kRowTop + kRowPitch * (kPlaces - 1);
        BitBlt(hdc, 0, kRowTop + kRowPitch * i, g_sel.bg.nWidth, kRowPitch, hdc, 0, ySrc, SRCCOPY);
    }
    if (n > kPlaces) {
        int yBottom = kRowTop + kRowPitch * kPlaces;
        BitBlt(hdc, 0, yBottom + ExtraHeight(), g_sel.bg.nWidth, g_sel.bg.nHeight - yBottom, hdc, 0, yBottom,
               SRCCOPY);
    }
    HFONT hFont = SCCMN_GetFont();
    if (hFont == nullptr) hFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SCSKIN_DrawText(hFont, hdc, 15, 7, g_sel.nCaption == 1 ? kCaptionSound : kCaptionOther);
    for (int i = 0; i < n; i++) {
        const char* pName = static_cast<const char*>(LIST_GetAt(&g_sel.lstContents, i));
        if (pName != nullptr && pName[0] != '\0') SCSKIN_DrawText(hFont, hdc, 24, 28 + kRowPitch * i, pName);
    }
    EndPaint(hDlg, &ps);
}

void Fini(void)
{
    if (!g_sel.bLoaded) return;
    SCSKIN_FreeBitmap(&g_sel.bg);
    SCSKIN_FreeBitmap(&g_sel.row);
    std::memset(&g_sel.bg, 0, sizeof(g_sel.bg));
    std::memset(&g_sel.row, 0, sizeof(g_sel.row));
    g_sel.bLoaded = 0;
}

INT_PTR CALLBACK SELCONTENTSDLG_Proc(HWND hDlg, UINT uMsg, WPARAM, LPARAM lParam)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        InitDialog(hDlg);
        return TRUE;
    case WM_PAINT:
        Paint(hDlg);
        return FALSE;
    case WM_LBUTTONDOWN: {
        int i = SELCONTENTSDLG_HitRow(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)), Count());
        if (i >= 0) {
            g_sel.nChoice = i;
            EndDialog(hDlg, 1);
        }
        return FALSE;
    }
    case WM_DESTROY:
        Fini();
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

int SELCONTENTSDLG_HitRow(int x, int y, int nCount)
{
    if (x < 20 || x > 340) return -1;
    for (int i = 0; i < nCount; i++) {
        if (y >= kRowTop + kRowPitch * i && y <= kRowTop + kRowPitch * i + kRowPitch) return i;
    }
    return -1;
}

int SELCONTENTSDLG_Open(int* pnChoice, int nContentsId, int nKind, HWND hParent, HINSTANCE hInst, int nCaption)
{
    g_sel.nChoice = 0;
    g_sel.nContentsId = nContentsId;
    g_sel.nKind = nKind;
    g_sel.nCaption = nCaption;
    LIST_Init(&g_sel.lstContents);
    DialogBoxParamA(hInst, MAKEINTRESOURCEA(IDD_SELCONTENTS), hParent, SELCONTENTSDLG_Proc, 0);
    LIST_Free(&g_sel.lstContents);
    if (pnChoice != nullptr) *pnChoice = g_sel.nChoice;
    return 1;
}

int SCCMN_AddNameList(LIST* pList, int nContentsId, int nKind)
{
    int nCnt = CONTENTSLIST_GetSlotCnt(nContentsId, nKind);
    CMN_ASSERT(nCnt >= 1);
    for (int i = 0; i < nCnt; i++) {
        char* pName = static_cast<char*>(std::calloc(1, kNameSize));
        if (pName == nullptr) break;
        const char* pSentence = CONTENTSLIST_GetSentence(nContentsId, nKind, i);
        if (pSentence != nullptr) lstrcpynA(pName, pSentence, kNameSize);
        if (!LIST_Add(pList, pName)) std::free(pName);
    }
    return 1;
}

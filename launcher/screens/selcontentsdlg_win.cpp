#include "selcontentsdlg.h"

#include <cstdlib>
#include <cstring>

#include "bmpm.h"
#include "cmnassert.h"
#include "contentslist.h"
#include "log.h"
#include "sccmn.h"
#include "scbackbuf_win.h"
#include "scskin.h"

namespace {

const char kCaptionSound[] = "音源を選択してください";
const char kCaptionOther[] = "以下の項目をクリックして下さい";
enum { kPlaces = 8, kRowPitch = 19, kRowTop = 25, kNameSize = 2048 };

// The state of one chooser, owned by its SELCONTENTSDLG_Open and reached from
// the dialog through DWLP_USER: a chooser opened while another is up (its
// modal loop dispatches the main window's messages) cannot empty the first's list.
struct SelIf {
    LIST  lstContents;
    int   nContentsId;
    int   nKind;
    int   nCaption;
    int   nChoice;
    BmpIf bg;
    BmpIf row;
    int   bLoaded;
};

int Count(SelIf* p) { return LIST_GetCnt(&p->lstContents); }

// The box grows by one row pitch for each entry past the eight places of
// its background, so a ninth and tenth slot can still be seen and chosen.
int ExtraHeight(SelIf* p) { return Count(p) > kPlaces ? (Count(p) - kPlaces) * kRowPitch : 0; }

SelIf* StateOf(HWND hDlg) { return reinterpret_cast<SelIf*>(GetWindowLongPtrA(hDlg, DWLP_USER)); }

void InitDialog(HWND hDlg, SelIf* p)
{
    SCCMN_AddNameList(&p->lstContents, p->nContentsId, p->nKind);
    CMN_ASSERT(LIST_GetCnt(&p->lstContents) >= 2);
    HINSTANCE hInst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hDlg, GWLP_HINSTANCE));
    BMPM_LoadBmp(&p->bg, hInst, IDB_SELCONTENTS_BG, -1, hDlg);
    BMPM_LoadBmp(&p->row, hInst, IDB_SELCONTENTS_ROW, -1, hDlg);
    p->bLoaded = 1;
    int w = p->bg.nWidth, h = p->bg.nHeight + ExtraHeight(p);
    int x = static_cast<int>(GetSystemMetrics(SM_CXSCREEN) / 2.0 - w / 2.0);
    int y = static_cast<int>(GetSystemMetrics(SM_CYSCREEN) / 2.0 - h / 2.0);
    SetWindowPos(hDlg, HWND_TOPMOST, x, y, w, h, SWP_SHOWWINDOW);

    HBITMAP hShape = static_cast<HBITMAP>(LoadImageA(hInst, MAKEINTRESOURCEA(IDB_SELCONTENTS_SHAPE), IMAGE_BITMAP, 0,
                                                     0, LR_CREATEDIBSECTION));
    HRGN hRgn = hShape != nullptr ? CreateRgnFromBmp(hShape, RGB(0, 0, 0)) : nullptr;
    if (hShape != nullptr) DeleteObject(hShape);
    if (hRgn == nullptr) {
        LOG_Write("WM_INITDIALOG::err::CreateRgnFromBmp\n");
        return;
    }
    if (ExtraHeight(p) > 0) {
        // The rows past the background continue its body below it.
        HRGN hMore = CreateRectRgn(0, p->bg.nHeight - 12, w, h);
        CombineRgn(hRgn, hRgn, hMore, RGN_OR);
        DeleteObject(hMore);
    }
    if (SetWindowRgn(hDlg, hRgn, TRUE) == 0) {   // on success the window owns the region
        LOG_Write("WM_INITDIALOG::err::SetWindowRgn\n");
        DeleteObject(hRgn);
    }
}

// The whole box is composed off screen from the background picture: the
// places past the eighth repeat its eighth place and its bottom border moves
// below them, both copied from the picture, never from what is on screen.
void Paint(HWND hDlg, SelIf* p)
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hDlg, &ps);
    int n = Count(p);
    int w = p->bg.nWidth, hBg = p->bg.nHeight;
    {
        ScBackBuffer bb(hdc, w, hBg + ExtraHeight(p), p->bg.m_hPal);
        bb.Blit(&p->bg, 0, 0, SRCCOPY);
        if (n > kPlaces) {
            int yBottom = kRowTop + kRowPitch * kPlaces;
            for (int i = kPlaces; i < n; i++)
                bb.BlitPart(&p->bg, 0, kRowTop + kRowPitch * i, w, kRowPitch, 0, kRowTop + kRowPitch * (kPlaces - 1));
            bb.BlitPart(&p->bg, 0, yBottom + ExtraHeight(p), w, hBg - yBottom, 0, yBottom);
        }
        for (int i = n < 0 ? 0 : n; i < kPlaces; i++) bb.Blit(&p->row, 20, kRowTop + kRowPitch * i, SRCCOPY);
        HFONT hFont = SCCMN_GetFont();
        if (hFont == nullptr) hFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        SCSKIN_DrawText(hFont, bb.dc(), 15, 7, p->nCaption == 1 ? kCaptionSound : kCaptionOther);
        for (int i = 0; i < n; i++) {
            const char* pName = static_cast<const char*>(LIST_GetAt(&p->lstContents, i));
            if (pName != nullptr && pName[0] != '\0') SCSKIN_DrawText(hFont, bb.dc(), 24, 28 + kRowPitch * i, pName);
        }
        bb.CopyTo(0, 0);
    }
    EndPaint(hDlg, &ps);
}

void Fini(SelIf* p)
{
    if (!p->bLoaded) return;
    SCSKIN_FreeBitmap(&p->bg);
    SCSKIN_FreeBitmap(&p->row);
    std::memset(&p->bg, 0, sizeof(p->bg));
    std::memset(&p->row, 0, sizeof(p->row));
    p->bLoaded = 0;
}

INT_PTR CALLBACK SELCONTENTSDLG_Proc(HWND hDlg, UINT uMsg, WPARAM, LPARAM lParam)
{
    if (uMsg == WM_INITDIALOG) {
        SetWindowLongPtrA(hDlg, DWLP_USER, lParam);
        InitDialog(hDlg, reinterpret_cast<SelIf*>(lParam));
        return TRUE;
    }
    SelIf* p = StateOf(hDlg);
    if (p == nullptr) return FALSE;
    switch (uMsg) {
    case WM_PAINT:
        Paint(hDlg, p);
        return FALSE;
    case WM_LBUTTONDOWN: {
        int i = SELCONTENTSDLG_HitRow(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)), Count(p));
        if (i >= 0) {
            p->nChoice = i;
            EndDialog(hDlg, 1);
        }
        return FALSE;
    }
    case WM_DESTROY:
        Fini(p);
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
    SelIf sel = {};
    sel.nContentsId = nContentsId;
    sel.nKind = nKind;
    sel.nCaption = nCaption;
    LIST_Init(&sel.lstContents);
    DialogBoxParamA(hInst, MAKEINTRESOURCEA(IDD_SELCONTENTS), hParent, SELCONTENTSDLG_Proc,
                    reinterpret_cast<LPARAM>(&sel));
    Fini(&sel);   // a dialog that was never created had nothing to end it
    LIST_Free(&sel.lstContents);
    if (pnChoice != nullptr) *pnChoice = sel.nChoice;
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

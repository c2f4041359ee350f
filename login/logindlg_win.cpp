#include "logindlg.h"

#include <cstring>

#include "bmpm.h"
#include "cmnassert.h"
#include "log.h"
#include "scbackbuf_win.h"

namespace {

// Where the background frames the controls (pixels of the 320 x 200 picture).
struct Place { int nId, x, y, w, h; };
const Place kPlaces[] = {
    { IDC_LOGIN_ID, 120, 72, 170, 20 },
    { IDC_LOGIN_PASSWORD, 120, 104, 170, 20 },
    { IDC_LOGIN_OK, 200, 140, 90, 38 },
    { IDC_LOGIN_CANCEL, 40, 147, 90, 24 },
};

struct LoginDlgIf {
    HINSTANCE hInst;
    BmpIf     bg, ok, cancel;
    HRGN      hRgn;        // until the window owns it
    char*     pUserId;
    char*     pPassword;
    int       nIdSize;
    int       nPwSize;
};
LoginDlgIf g_loginDlg;

void OnInitDialog(HWND hDlg)
{
    LoginDlgIf& d = g_loginDlg;
    BMPM_LoadBmp(&d.bg, d.hInst, IDB_LOGIN_BG, -1, hDlg);
    BMPM_LoadBmp(&d.ok, d.hInst, IDB_LOGIN_OK, -1, hDlg);
    BMPM_LoadBmp(&d.cancel, d.hInst, IDB_LOGIN_CANCEL, -1, hDlg);
    int w = d.bg.nWidth > 0 ? d.bg.nWidth : 320;
    int h = d.bg.nHeight > 0 ? d.bg.nHeight : 200;
    int x = GetSystemMetrics(SM_CXSCREEN) / 2 - w / 2;
    int y = GetSystemMetrics(SM_CYSCREEN) / 2 - h / 2;
    SetWindowPos(hDlg, HWND_TOPMOST, x, y, w, h, SWP_SHOWWINDOW);
    for (const Place& p : kPlaces) MoveWindow(GetDlgItem(hDlg, p.nId), p.x, p.y, p.w, p.h, FALSE);
    SendDlgItemMessageA(hDlg, IDC_LOGIN_ID, EM_LIMITTEXT, static_cast<WPARAM>(d.nIdSize - 1), 0);
    SendDlgItemMessageA(hDlg, IDC_LOGIN_PASSWORD, EM_LIMITTEXT, static_cast<WPARAM>(d.nPwSize - 1), 0);

    HBITMAP hShape = static_cast<HBITMAP>(LoadImageA(d.hInst, MAKEINTRESOURCEA(IDB_LOGIN_SHAPE), IMAGE_BITMAP, 0, 0,
                                                     LR_CREATEDIBSECTION));
    d.hRgn = hShape != nullptr ? CreateRgnFromBmp(hShape, RGB(0, 0, 0)) : nullptr;
    if (hShape != nullptr) DeleteObject(hShape);
    if (d.hRgn == nullptr) {
        LOG_Write("WM_INITDIALOG::err::CreateRgnFromBmp\n");
    } else if (SetWindowRgn(hDlg, d.hRgn, TRUE) == 0) {
        LOG_Write("WM_INITDIALOG::err::SetWindowRgn\n");
    } else {
        d.hRgn = nullptr;   // the window owns it now
    }
    SetFocus(GetDlgItem(hDlg, IDC_LOGIN_ID));
}

void OnPaint(HWND hDlg)
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hDlg, &ps);
    {
        ScBackBuffer bb(hdc, g_loginDlg.bg.nWidth, g_loginDlg.bg.nHeight, g_loginDlg.bg.m_hPal);
        bb.Blit(&g_loginDlg.bg, 0, 0, SRCCOPY);
        bb.CopyTo(0, 0);
    }
    EndPaint(hDlg, &ps);
}

// A button's face from its strip: the pressed face while it is held down or
// has the focus, the normal face otherwise.
void OnDrawItem(const DRAWITEMSTRUCT* pDis)
{
    const BmpIf* pStrip = pDis->CtlID == IDC_LOGIN_OK ? &g_loginDlg.ok : &g_loginDlg.cancel;
    int nPressedRow = pDis->CtlID == IDC_LOGIN_OK ? LOGIN_OK_PRESSED_ROW : LOGIN_CANCEL_PRESSED_ROW;
    bool bPressed = (pDis->itemState & ODS_SELECTED) ||
                    ((pDis->itemAction & ODA_FOCUS) && (pDis->itemState & ODS_FOCUS));
    if (pStrip->m_hBmp == nullptr) return;
    HDC hMem = CreateCompatibleDC(pDis->hDC);
    if (hMem == nullptr) return;
    HGDIOBJ hOld = SelectObject(hMem, pStrip->m_hBmp);
    const RECT& r = pDis->rcItem;
    BitBlt(pDis->hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, hMem, 0, bPressed ? nPressedRow : 0, SRCCOPY);
    SelectObject(hMem, hOld);
    DeleteDC(hMem);
}

void FreeAll(void)
{
    CMNFILE_FreeBmp(&g_loginDlg.bg);
    CMNFILE_FreeBmp(&g_loginDlg.ok);
    CMNFILE_FreeBmp(&g_loginDlg.cancel);
    if (g_loginDlg.hRgn != nullptr) {
        DeleteObject(g_loginDlg.hRgn);
        g_loginDlg.hRgn = nullptr;
    }
}

INT_PTR CALLBACK LoginDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        OnInitDialog(hDlg);
        return FALSE;   // the focus is set
    case WM_PAINT:
        OnPaint(hDlg);
        return TRUE;
    case WM_DRAWITEM:
        OnDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_LOGIN_OK:
            GetDlgItemTextA(hDlg, IDC_LOGIN_ID, g_loginDlg.pUserId, g_loginDlg.nIdSize);
            GetDlgItemTextA(hDlg, IDC_LOGIN_PASSWORD, g_loginDlg.pPassword, g_loginDlg.nPwSize);
            EndDialog(hDlg, 1);
            return TRUE;
        case IDC_LOGIN_CANCEL:
            EndDialog(hDlg, 0);
            return TRUE;
        default:
            return FALSE;   // Esc (IDCANCEL) among them
        }
    case WM_DESTROY:
        FreeAll();
        return FALSE;
    default:
        break;
    }
    return FALSE;
}

}  // namespace

int LOGINDLG_Show(char* pUserId, char* pPassword, HWND hOwner, HINSTANCE hInst, int nIdSize, int nPwSize)
{
    CMN_ASSERT(pUserId != NULL && pPassword != NULL && nIdSize > 1 && nPwSize > 1);
    if (pUserId == nullptr || pPassword == nullptr || nIdSize < 2 || nPwSize < 2) return 0;
    std::memset(&g_loginDlg, 0, sizeof(g_loginDlg));
    g_loginDlg.hInst = hInst;
    g_loginDlg.pUserId = pUserId;
    g_loginDlg.pPassword = pPassword;
    g_loginDlg.nIdSize = nIdSize;
    g_loginDlg.nPwSize = nPwSize;
    pUserId[0] = pPassword[0] = '\0';
    INT_PTR r = DialogBoxParamA(hInst, MAKEINTRESOURCEA(IDD_LOGINDLG), hOwner, LoginDlgProc, 0);
    if (r == -1) LOG_Write("LOGINDLG_Show::err::DialogBoxParam\n");
    return r == 1 ? 1 : 0;
}

#include "dlwnd.h"

#include <commctrl.h>

#include <cstdio>

#include "bmpm.h"
#include "choiceacountdlg.h"
#include "cmnassert.h"
#include "log.h"
#include "percent.h"
#include "scskin.h"

namespace {

struct DlwndIf {
    HWND  hWnd;
    int   nMaxVal;
    int   nPos;
    int   nPercent;
    HRGN  hRgn;
    int   bOwnBmp;
    BmpIf own;
    LIST* pLstImg;
};
DlwndIf g_dl = {};

void OnInitDialog(HWND hDlg)
{
    HINSTANCE hInst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hDlg, GWLP_HINSTANCE));
    int w = 0, h = 0;
    int rect[4];
    if (g_dl.pLstImg != nullptr && LIST_GetCnt(g_dl.pLstImg) > 0 &&
        SCSKIN_GetImageRect(rect, g_dl.pLstImg, eCD_IMGTYPE_DOWNLOADDLG)) {
        w = rect[2] - rect[0];
        h = rect[3] - rect[1];
        g_dl.bOwnBmp = 0;
    } else {
        BMPM_LoadBmp(&g_dl.own, hInst, IDB_DLWND_BG, 0, hDlg);
        w = g_dl.own.nWidth;
        h = g_dl.own.nHeight;
        g_dl.bOwnBmp = 1;
    }
    int x = static_cast<int>(GetSystemMetrics(SM_CXSCREEN) / 2.0 - w / 2.0);
    int y = static_cast<int>(GetSystemMetrics(SM_CYSCREEN) / 2.0 - h / 2.0);
    BOOL bRet = SetWindowPos(hDlg, nullptr, x, y, w, h, SWP_NOZORDER);
    CMN_ASSERT(bRet != 0);
    SendDlgItemMessageA(hDlg, IDC_DLWND_PROGRESS, PBM_SETRANGE32, 0, g_dl.nMaxVal);

    HBITMAP hShape = static_cast<HBITMAP>(LoadImageA(hInst, MAKEINTRESOURCEA(IDB_DLWND_SHAPE), IMAGE_BITMAP, 0, 0,
                                                     LR_CREATEDIBSECTION));
    g_dl.hRgn = hShape != nullptr ? CreateRgnFromBmp(hShape, RGB(0, 0, 0)) : nullptr;
    if (hShape != nullptr) DeleteObject(hShape);
    if (g_dl.hRgn == nullptr) {
        CMN_ASSERT(g_dl.hRgn != NULL);
        LOG_Write("WM_INITDIALOG::err::CreateRgnFromBmp\n");
    } else if (SetWindowRgn(hDlg, g_dl.hRgn, TRUE) == 0) {
        CMN_ASSERT(0 && "nRet != 0");
        LOG_Write("WM_INITDIALOG::err::SetWindowRgn\n");
        DeleteObject(g_dl.hRgn);
    }
    g_dl.hRgn = nullptr;   // the window owns it now
    g_dl.nPercent = 0;
}

void OnPaint(HWND hDlg)
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hDlg, &ps);
    char text[64];
    std::snprintf(text, sizeof(text), "%d ％ダウンロード済み", g_dl.nPercent);
    if (g_dl.bOwnBmp) SCCMN_DrawBg_DownloadDlgText(hdc, &g_dl.own, text, 10, 85);
    else SCCMN_DrawBg_DownloadDlg(hdc, g_dl.pLstImg, text, 10, 85);
    EndPaint(hDlg, &ps);
}

INT_PTR CALLBACK DLWND_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        OnInitDialog(hDlg);
        return TRUE;
    case WM_PAINT:
        OnPaint(hDlg);
        return TRUE;
    case WMU_DLWND_SETPOS:
        SendDlgItemMessageA(hDlg, IDC_DLWND_PROGRESS, PBM_SETPOS, wParam, 0);
        g_dl.nPos = static_cast<int>(wParam);
        g_dl.nPercent = DLWND_Percent(g_dl.nPos, g_dl.nMaxVal);
        InvalidateRect(hDlg, nullptr, FALSE);
        UpdateWindow(hDlg);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDC_DLWND_CANCEL) return FALSE;
        PostMessageA(GetParent(hDlg), WMU_DLWND_CANCEL, 0, 0);
        return TRUE;
    case WM_DESTROY:
        g_dl.hWnd = nullptr;   // also when its owner takes it down
        if (g_dl.bOwnBmp) {
            DLWND_FreeBitmaps();
            g_dl.bOwnBmp = 0;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

void DLWND_SetSkin(LIST* pLstImg) { g_dl.pLstImg = pLstImg; }

int DLWND_Percent(int nPos, int nMaxVal) { return CMN_Percent(nPos, nMaxVal); }

int DLWND_GetPercent(void) { return g_dl.nPercent; }

int DLWND_Create(HINSTANCE hInst, HWND hParent, int nMaxVal)
{
    if (g_dl.hWnd != nullptr) {
        CMN_ASSERT(g_dl.hWnd == NULL);
        return 1;
    }
    CMN_ASSERT(nMaxVal > 0);
    g_dl.nMaxVal = nMaxVal;
    g_dl.nPos = 0;
    g_dl.hWnd = CreateDialogParamA(hInst, MAKEINTRESOURCEA(IDD_DLWND), hParent, DLWND_DlgProc, 0);
    if (g_dl.hWnd != nullptr) ShowWindow(g_dl.hWnd, SW_SHOW);
    return 1;
}

int DLWND_SetMax(int nMaxVal, int nPos)
{
    CMN_ASSERT(nMaxVal >= 0);
    g_dl.nMaxVal = nMaxVal;
    if (g_dl.hWnd != nullptr) SendDlgItemMessageA(g_dl.hWnd, IDC_DLWND_PROGRESS, PBM_SETRANGE32, 0, nMaxVal);
    return DLWND_SetPos(nPos);
}

int DLWND_SetPos(int nPos)
{
    CMN_ASSERT(g_dl.hWnd != NULL);
    if (g_dl.hWnd != nullptr) PostMessageA(g_dl.hWnd, WMU_DLWND_SETPOS, static_cast<WPARAM>(nPos), 0);
    return 1;
}

int DLWND_IsExist(void) { return g_dl.hWnd != nullptr; }

int DLWND_Destroy(void)
{
    CMN_ASSERT(g_dl.hWnd != NULL);
    if (g_dl.hWnd != nullptr) {
        DestroyWindow(g_dl.hWnd);
        g_dl.hWnd = nullptr;
    }
    return 1;
}

void DLWND_FreeBitmaps(void)
{
    CMNFILE_FreeBmp(&g_dl.own);
}

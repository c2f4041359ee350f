#include "decwnd.h"

#include "choiceacountdlg.h"
#include "cmnassert.h"
#include "hantiv.h"

namespace {

enum { IDC_DECTEXT = 1012, kTimerId = 10 };

HWND g_hWnd = nullptr;
UINT_PTR g_upTimer = 0;
int g_bShown = 0;
int g_nTick = 0;

INT_PTR CALLBACK DECWND_DlgProc(HWND hDlg, UINT uMsg, WPARAM, LPARAM)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        DLG_Centre(hDlg, true);
        g_upTimer = SetTimer(hDlg, kTimerId, 1000, nullptr);
        CMN_ASSERT(g_upTimer != 0);
        return TRUE;
    case WM_TIMER:
        if (g_bShown == 1 && ++g_nTick >= 10) ShowWindow(hDlg, SW_HIDE);
        return TRUE;
    case WM_DESTROY:
        // Its owner may destroy it first (an owned window goes with the main
        // window): the handle and the timer die with it, so nothing later
        // touches a dead window.
        if (g_hWnd == hDlg) {
            KillTimer(hDlg, kTimerId);
            g_hWnd = nullptr;
            g_upTimer = 0;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

int DECWND_Create(HINSTANCE hInst, HWND hParent)
{
    CMN_ASSERT(g_hWnd == NULL);
    if (g_hWnd != nullptr) return 1;
    g_hWnd = CreateDialogParamA(hInst, MAKEINTRESOURCEA(IDD_DECWND), hParent, DECWND_DlgProc, 0);
    CMN_ASSERT(g_hWnd != NULL);
    g_bShown = 0;
    g_nTick = 0;
    return 1;
}

int DECWND_SetText(const char* pStr)
{
    CMN_ASSERT(pStr != NULL && lstrlen(pStr) > 0);
    if (g_hWnd == nullptr || pStr == nullptr) return 0;
    ShowWindow(g_hWnd, SW_SHOW);
    SetDlgItemTextA(g_hWnd, IDC_DECTEXT, pStr);
    g_bShown = 1;
    g_nTick = 0;
    return 1;
}

int DECWND_Show(void)
{
    if (g_hWnd == nullptr) return 0;
    ShowWindow(g_hWnd, SW_SHOW);
    g_bShown = 1;
    g_nTick = 0;
    return 1;
}

int DECWND_IsExist(void)
{
    return g_hWnd != nullptr && IsWindow(g_hWnd);
}

int DECWND_Destroy(void)
{
    if (g_hWnd != nullptr) DestroyWindow(g_hWnd);   // WM_DESTROY forgets the handle
    g_hWnd = nullptr;
    return 1;
}

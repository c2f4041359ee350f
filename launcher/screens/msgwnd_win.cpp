#include "msgwnd.h"

#include "choiceacountdlg.h"
#include "cmnassert.h"

namespace {

// The box stands above the centre, clear of a dialog that may open there.
const int kRaise = 100;

HWND g_hWnd = nullptr;

INT_PTR CALLBACK MSGWND_DlgProc(HWND hDlg, UINT uMsg, WPARAM, LPARAM)
{
    if (uMsg != WM_INITDIALOG) return FALSE;
    DLG_Centre(hDlg, true, kRaise);
    return TRUE;
}

}  // namespace

int MSGWND_Open(HINSTANCE hInst, HWND hParent)
{
    if (g_hWnd != nullptr) return 1;
    g_hWnd = CreateDialogParamA(hInst, MAKEINTRESOURCEA(IDD_MSGWND), hParent, MSGWND_DlgProc, 0);
    CMN_ASSERT(g_hWnd != NULL);
    if (g_hWnd != nullptr) ShowWindow(g_hWnd, SW_SHOW);
    return 1;
}

int MSGWND_Close(void)
{
    if (g_hWnd != nullptr) {
        DestroyWindow(g_hWnd);
        g_hWnd = nullptr;
    }
    return 1;
}

int MSGWND_IsOpen(void)
{
    return g_hWnd != nullptr;
}

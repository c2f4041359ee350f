#include "Win32ConfigDialog.h"

INT_PTR Win32ConfigDialog::dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_INITDIALOG) {
        CheckDlgButton(hwnd, ID_NO_ADVANCE, mNoAdvance ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(hwnd, ID_REPEAT_ALL, mRepeatAll ? BST_CHECKED : BST_UNCHECKED);
        return FALSE;
    }
    if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
        mNoAdvance = IsDlgButtonChecked(hwnd, ID_NO_ADVANCE) == BST_CHECKED;
        mRepeatAll = IsDlgButtonChecked(hwnd, ID_REPEAT_ALL) == BST_CHECKED;
        EndDialog(hwnd, 1);
        return TRUE;
    }
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(hwnd, 2);
        return TRUE;
    }
    return FALSE;
}

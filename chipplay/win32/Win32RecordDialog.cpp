#include "Win32RecordDialog.h"

#include <commctrl.h>

Win32RecordDialog::Win32RecordDialog() : mDialog(nullptr), mProgress(PROGRESS_START) {}

bool Win32RecordDialog::setProgress(int32_t value)
{
    ObjectLocker hold(*this);
    if (value == mProgress || mProgress == PROGRESS_FINISHED || mProgress == PROGRESS_ERROR) return false;
    mProgress = value > 100 ? 100 : value;
    if (mDialog != nullptr) PostMessageA(mDialog, WM_REFRESH, 0, 0);
    return false;
}

int32_t Win32RecordDialog::getProgress()
{
    ObjectLocker hold(*this);
    return mProgress;
}

void Win32RecordDialog::refresh()
{
    ObjectLocker hold(*this);
    if (mDialog == nullptr) return;
    HWND ok = GetDlgItem(mDialog, IDOK), stop = GetDlgItem(mDialog, IDCANCEL);
    HWND text = GetDlgItem(mDialog, ID_TEXT), bar = GetDlgItem(mDialog, ID_PROGRESS);
    if (mProgress == PROGRESS_ERROR || mProgress == PROGRESS_FINISHED) {
        if (mProgress == PROGRESS_FINISHED && bar != nullptr) PostMessageA(bar, PBM_SETPOS, 100, 0);
        if (ok != nullptr) EnableWindow(ok, TRUE);
        if (stop != nullptr) EnableWindow(stop, FALSE);
        if (text != nullptr)
            SetWindowTextA(text, mProgress == PROGRESS_ERROR ? "録音中にエラーが発生しました" : "録音が完了しました");
    } else if (bar != nullptr) {
        PostMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(mProgress), 0);
    }
}

INT_PTR Win32RecordDialog::dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM)
{
    switch (msg) {
    case WM_INITDIALOG:
        {
            ObjectLocker hold(*this);
            mDialog = hwnd;
        }
        refresh();
        return FALSE;
    case WM_REFRESH:
        refresh();
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            {
                ObjectLocker hold(*this);
                mDialog = nullptr;
            }
            EndDialog(hwnd, LOWORD(wParam) == IDOK ? 1 : 2);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

#include "Win32Window.h"

#include "System.h"


Win32Dialog::Win32Dialog() : mHWnd(nullptr), mThunk(nullptr)
{
    mThunk = Win32Thunk::make(this, reinterpret_cast<void*>(&Win32Dialog::entry));
}

Win32Dialog::~Win32Dialog()
{
    delete mThunk;
    mThunk = nullptr;
}

DLGPROC Win32Dialog::getThunk() const
{
    if (mThunk == nullptr) {
        System::assertFailed("win32/Win32Dialog", __LINE__, "mThunk != NULL");
        return nullptr;
    }
    return reinterpret_cast<DLGPROC>(mThunk->code());
}

INT_PTR CALLBACK Win32Dialog::entry(Win32Dialog* self, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) self->mHWnd = hwnd;
    return self->dialogProc(hwnd, msg, wParam, lParam);
}

INT_PTR Win32Dialog::doModal(HINSTANCE instance, int templateId, HWND parent)
{
    DLGPROC proc = getThunk();
    if (proc == nullptr) return -1;
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId), parent, proc, 0);
}

INT_PTR Win32Dialog::dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_COMMAND) {
        if (LOWORD(wParam) == IDOK) EndDialog(hwnd, 1);
        else if (LOWORD(wParam) == IDCANCEL) EndDialog(hwnd, 2);
    }
    return FALSE;
}

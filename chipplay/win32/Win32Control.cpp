#include "Win32Window.h"

#include "System.h"

Win32Control::Win32Control() : mPrevProc(nullptr) {}

Win32Control::~Win32Control()
{
    if (mHWnd != nullptr && IsWindow(mHWnd) && mPrevProc != nullptr && mThunk != nullptr &&
        GetWindowLongPtrA(mHWnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(mThunk->code()))
        SetWindowLongPtrA(mHWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mPrevProc));
}

bool Win32Control::subclass()
{
    WNDPROC thunk = getThunk();
    if (thunk == nullptr) return false;
    mPrevProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(mHWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(thunk)));
    return mPrevProc != nullptr;
}

bool Win32Control::create(const char* className, const char* windowName, DWORD style, DWORD exStyle, int x, int y,
                          int width, int height, HWND parent, HMENU menuOrId, HINSTANCE instance, void* param)
{
    if (!Win32Window::create(className, windowName, style, exStyle, x, y, width, height, parent, menuOrId, instance,
                             param))
        return false;
    subclass();
    ShowWindow(mHWnd, SW_SHOWDEFAULT);
    UpdateWindow(mHWnd);
    return true;
}

bool Win32Control::attach(HWND hwnd)
{
    Win32Window::attach(hwnd);
    subclass();
    return true;
}

LRESULT Win32Control::wndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (mPrevProc == nullptr) return DefWindowProcA(hwnd, msg, wParam, lParam);
    return CallWindowProcA(mPrevProc, hwnd, msg, wParam, lParam);
}

void Win32Control::drawItem(DRAWITEMSTRUCT* _di)
{
    SYSTEM_CHECK("win32/Win32Control", mHWnd != NULL, );
    SYSTEM_CHECK("win32/Win32Control", _di != NULL, );
}

LRESULT Win32Control::customDraw(NMCUSTOMDRAW* _cd)
{
    SYSTEM_CHECK("win32/Win32Control", mHWnd != NULL, 0);
    SYSTEM_CHECK("win32/Win32Control", _cd != NULL, 0);
    return 0;
}

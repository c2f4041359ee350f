#include "Win32Window.h"

#include "System.h"

namespace {

// The object whose create is making a window on this thread; taken by the
// window's first message. Windows made inside a handler (children) save and
// restore it.
thread_local Win32Window* tCreating = nullptr;

}   // namespace

Win32Window::Win32Window() : mHWnd(nullptr), mThunk(nullptr), mRefused(nullptr), mClassInstance(nullptr)
{
    mThunk = Win32Thunk::make(this, reinterpret_cast<void*>(&Win32Window::entry));
}

Win32Window::~Win32Window()
{
    // The page goes with the object: a window left behind must not call into it.
    if (mHWnd != nullptr && IsWindow(mHWnd) && mThunk != nullptr &&
        GetWindowLongPtrA(mHWnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(mThunk->code()))
        SetWindowLongPtrA(mHWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcA));
    unregisterOwnClass();
    delete mThunk;
    mThunk = nullptr;
}

WNDPROC Win32Window::getThunk() const
{
    if (mThunk == nullptr) {
        System::assertFailed("win32/Win32Window", __LINE__, "mThunk != NULL");
        return nullptr;
    }
    return reinterpret_cast<WNDPROC>(mThunk->code());
}

LRESULT CALLBACK Win32Window::entry(Win32Window* self, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Windows destroys a window whose WM_CREATE returned -1 and sends it
    // WM_DESTROY (Wine does not). The object never had that window: what it
    // does on WM_DESTROY (posting the quit message, which would close every
    // later error box unseen) is only for a window that was created.
    if (msg == WM_DESTROY && self->mRefused == hwnd) return DefWindowProcA(hwnd, msg, wParam, lParam);
    LRESULT result = self->wndProc(hwnd, msg, wParam, lParam);
    if (msg == WM_CREATE && result == -1) self->mRefused = hwnd;
    if (msg == WM_NCDESTROY && self->mHWnd == hwnd) self->mHWnd = nullptr;   // gone, also when its parent went
    return result;
}

LRESULT CALLBACK Win32Window::startProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Win32Window* self = tCreating;
    if (self == nullptr || self->mThunk == nullptr) return DefWindowProcA(hwnd, msg, wParam, lParam);
    tCreating = nullptr;
    WNDPROC thunk = reinterpret_cast<WNDPROC>(self->mThunk->code());
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(thunk));
    return thunk(hwnd, msg, wParam, lParam);
}

bool Win32Window::registerClass(WNDCLASSEXA wc)
{
    if (getThunk() == nullptr) return false;
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Win32Window::startProc;
    if (RegisterClassExA(&wc) != 0) {
        mClassName = wc.lpszClassName;
        mClassInstance = wc.hInstance;
        return true;
    }
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof existing;
    return GetClassInfoExA(wc.hInstance, wc.lpszClassName, &existing) != FALSE;
}

void Win32Window::unregisterOwnClass()
{
    if (mClassName.empty()) return;
    // Fails while other windows of the class live; the class then stays until
    // their owner is done, which is harmless: its procedure is the start procedure.
    UnregisterClassA(mClassName.c_str(), mClassInstance);
    mClassName.clear();
}

bool Win32Window::create(const char* className, const char* windowName, DWORD style, DWORD exStyle, int x, int y,
                         int width, int height, HWND parent, HMENU menuOrId, HINSTANCE instance, void* param)
{
    if (getThunk() == nullptr) return false;
    Win32Window* outer = tCreating;
    tCreating = this;
    mRefused = nullptr;
    HWND hwnd = CreateWindowExA(exStyle, className, windowName, style, x, y, width, height, parent, menuOrId,
                                instance, param);
    tCreating = outer;
    if (hwnd == nullptr) return false;
    mHWnd = hwnd;
    return true;
}

bool Win32Window::attach(HWND hwnd)
{
    mHWnd = hwnd;
    return true;
}

bool Win32Window::destroy()
{
    if (mHWnd == nullptr) return false;
    bool ok = DestroyWindow(mHWnd) != FALSE;
    if (ok) {
        mHWnd = nullptr;
        unregisterOwnClass();
    }
    return ok;
}

bool Win32Window::show(int cmd)
{
    if (mHWnd == nullptr) return false;
    return ShowWindow(mHWnd, cmd) != FALSE;
}

bool Win32Window::update()
{
    if (mHWnd == nullptr) return false;
    return UpdateWindow(mHWnd) != FALSE;
}

bool Win32Window::enable(bool on)
{
    if (mHWnd == nullptr) return false;
    return EnableWindow(mHWnd, on ? TRUE : FALSE) != FALSE;
}

LRESULT Win32Window::wndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

#include "Win32LogWindow.h"

#include <cstring>

namespace {

// Posted by append: the ring has changed.
const UINT kLogChanged = WM_APP + 0x4C;

}   // namespace

Win32LogWindow::Win32LogWindow(HINSTANCE instance)
    : mInstance(instance), mEdit(nullptr), mFont(nullptr), mBrush(nullptr), mTarget(nullptr), mPending(false), mHead(0), mTail(0)
{
    std::memset(mRing, 0, sizeof mRing);
}

Win32LogWindow::~Win32LogWindow() {}

bool Win32LogWindow::create()
{
    WNDCLASSEXA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.hInstance = mInstance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "QV LOG WINDOW";
    if (!registerClass(wc)) return true;

    // A 640 x 480 client area, reckoned as for a window with a menu bar.
    RECT r = {0, 0, 640, 480};
    AdjustWindowRectEx(&r, WS_OVERLAPPED, TRUE, WS_EX_CLIENTEDGE);
    if (!Win32Window::create("QV LOG WINDOW", "error log", WS_OVERLAPPED, WS_EX_CLIENTEDGE, CW_USEDEFAULT,
                             CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, nullptr, nullptr, mInstance, nullptr))
        return true;
    ObjectLocker hold(*this);
    mTarget = mHWnd;
    return true;
}

bool Win32LogWindow::startErrorLog(Win32System& system)
{
    create();
    system.setErrorEcho(&Win32LogWindow::echo, this);
    return true;
}

void Win32LogWindow::stopErrorLog(Win32System& system)
{
    system.setErrorEcho(nullptr, nullptr);
    destroy();
}

void Win32LogWindow::echo(void* self, const char* text)
{
    static_cast<Win32LogWindow*>(self)->append(text);
}

bool Win32LogWindow::destroy()
{
    {
        ObjectLocker hold(*this);
        mTarget = nullptr;
    }
    if (mHWnd != nullptr) Win32Window::destroy();
    return true;
}

void Win32LogWindow::put(char c)
{
    mRing[mTail] = c;
    mTail = (mTail + 1) % kRingSize;
    if (mTail == mHead) mHead = (mHead + 1) % kRingSize;
}

void Win32LogWindow::append(const char* text)
{
    HWND target;
    {
        ObjectLocker hold(*this);
        for (const char* p = text; *p != '\0'; p++) {
            if (*p == '\n') put('\r');
            put(*p);
        }
        // One notice at a time: a burst of messages is shown in one refresh.
        target = mPending ? nullptr : mTarget;
        if (target != nullptr) mPending = true;
    }
    if (target != nullptr && !PostMessageA(target, kLogChanged, 0, 0)) {
        ObjectLocker hold(*this);
        mPending = false;
    }
}

std::string Win32LogWindow::getText()
{
    ObjectLocker hold(*this);
    std::string text;
    for (int i = mHead; i != mTail; i = (i + 1) % kRingSize) text += mRing[i];
    return text;
}

void Win32LogWindow::refresh(HWND hwnd)
{
    if (!IsWindowVisible(hwnd)) ShowWindow(hwnd, SW_SHOWDEFAULT);
    std::string text;
    {
        ObjectLocker hold(*this);
        mPending = false;
        text = getText();
    }
    if (mEdit == nullptr) return;
    SetWindowTextA(mEdit, text.c_str());
    int minLine = 0, maxLine = 0;
    GetScrollRange(mEdit, SB_VERT, &minLine, &maxLine);
    PostMessageA(mEdit, EM_LINESCROLL, 0, maxLine);
}

LRESULT Win32LogWindow::wndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE: {
        RECT client;
        GetClientRect(hwnd, &client);
        mEdit = CreateWindowExA(0, "EDIT", "",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_READONLY | ES_AUTOHSCROLL |
                                    ES_AUTOVSCROLL | ES_MULTILINE,
                                0, 0, client.right, client.bottom, hwnd, nullptr, mInstance, nullptr);
        if (mEdit != nullptr) {
            SendMessageA(mEdit, EM_SETLIMITTEXT, 8193, 0);
            mFont = CreateFontA(12, 0, 0, 0, 0, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, FIXED_PITCH, "ＭＳ ゴシック");
            SendMessageA(mEdit, WM_SETFONT, reinterpret_cast<WPARAM>(mFont), TRUE);
            SetFocus(mEdit);
        }
        mBrush = CreateSolidBrush(RGB(255, 255, 255));
        return 0;
    }
    case WM_DESTROY:
        // No quit message: the window thread's loop belongs to the main window,
        // and this window goes only when the platform layer ends.
        if (mFont != nullptr) DeleteObject(mFont);
        if (mBrush != nullptr) DeleteObject(mBrush);
        mFont = nullptr;
        mBrush = nullptr;
        mEdit = nullptr;
        return 0;
    case WM_SETFOCUS:
        if (mEdit != nullptr) SetFocus(mEdit);
        return 0;
    case WM_CLOSE:
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        SetTextColor(reinterpret_cast<HDC>(wParam), RGB(0, 0, 0));
        SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(mBrush);
    case kLogChanged:
        refresh(hwnd);
        return 0;
    default:
        return Win32Window::wndProc(hwnd, msg, wParam, lParam);
    }
}

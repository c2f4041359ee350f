#include "Win32DebugMonitor.h"

#include "Player.h"
#include "System.h"
#include "Win32SkinControls.h"

#include <cstring>
#include <new>

namespace {
const char kSource[] = "win32/Win32DebugMonitor.cpp";
// Caption and clipping, but no system menu: the window has no close box.
const DWORD kStyle = WS_CAPTION | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
const DWORD kExStyle = WS_EX_CLIENTEDGE;
}   // namespace

const char Win32DebugMonitor::kClassName[] = "TIV VELQA SOUND PLAYER(Debug)";

Win32DebugMonitor::Win32DebugMonitor()
    : mPlayer(nullptr), mInstance(nullptr), mPeriod(100), mPage(0), mBackDC(nullptr), mBackBitmap(nullptr),
      mBackOld(nullptr), mFont(nullptr), mFontOld(nullptr), mTimer(0), mRunning(true), mRowsDrawn(0)
{
    std::memset(mShown, 0, sizeof mShown);
}

Win32DebugMonitor::~Win32DebugMonitor()
{
    releaseBackDC();
    delete mBackBitmap;
}

void Win32DebugMonitor::releaseBackDC()
{
    if (mBackDC != nullptr) {
        SelectObject(mBackDC, mFontOld);
        SelectObject(mBackDC, mBackOld);
        DeleteDC(mBackDC);
        mBackDC = nullptr;
    }
    mBackOld = mFontOld = nullptr;
    // The font was only ever selected into the back buffer.
    if (mFont != nullptr) DeleteObject(mFont);
    mFont = nullptr;
}

bool Win32DebugMonitor::create(const char* title, HINSTANCE instance, Player* _player, int32_t period, int32_t page)
{
    mTitle = title != nullptr ? title : "";
    mInstance = instance;
    mPlayer = _player;
    mPeriod = period;
    mPage = page;
    SYSTEM_CHECK(kSource, _player != NULL, false);

    mBackDC = CreateCompatibleDC(nullptr);
    SYSTEM_CHECK(kSource, mBackDC != NULL, false);
    if (mBackBitmap == nullptr) mBackBitmap = new (std::nothrow) Win32Dib();
    SYSTEM_CHECK(kSource, mBackBitmap != NULL, false);
    if (!mBackBitmap->create(WIDTH, HEIGHT, 24)) {
        System::error("[DebugMonitor]バックバッファの作成に失敗しました\n");
        return false;
    }
    mBackOld = SelectObject(mBackDC, mBackBitmap->getHandle());
    SetTextColor(mBackDC, RGB(255, 255, 255));
    SetBkColor(mBackDC, RGB(0, 0, 0));
    // Fixed pitch asked for as well: where the face is missing, the stand-in
    // keeps the 6-pixel cells that make 80 columns fill the 480 pixels.
    mFont = CreateFontA(ROW_HEIGHT, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, FIXED_PITCH | FF_MODERN, "ＭＳ ゴシック");
    if (mFont != nullptr) mFontOld = SelectObject(mBackDC, mFont);

    WNDCLASSEXA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(101));
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = nullptr;   // every pixel comes from the back buffer
    wc.lpszClassName = kClassName;
    if (!registerClass(wc)) {
        System::error("[DebugMonitor]クラスの登録に失敗しました\n");
        return false;
    }

    RECT r = {0, 0, WIDTH, HEIGHT};
    AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
    if (!Win32Window::create(kClassName, mTitle.c_str(), kStyle, kExStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                             r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, nullptr)) {
        System::error("[DebugMonitor]ウィンドウの生成に失敗しました\n");
        return false;
    }
    show(SW_SHOWDEFAULT);
    update();
    return true;
}

bool Win32DebugMonitor::destroy()
{
    if (mHWnd != nullptr) Win32Window::destroy();
    mHWnd = nullptr;
    mTimer = 0;
    releaseBackDC();
    return true;
}

void Win32DebugMonitor::refresh(HWND hwnd)
{
    if (mRunning) {
        SYSTEM_CHECK(kSource, mPlayer != NULL, );
        mPlayer->dump(this, mPage);
    }
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void Win32DebugMonitor::paint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (mBackDC != nullptr) {
        for (int row = 0; row < ROWS; row++) {
            const char* text = mGrid + row * COLUMNS;
            char* shown = mShown + row * COLUMNS;
            if (std::memcmp(text, shown, COLUMNS) == 0) continue;
            TextOutA(mBackDC, 0, row * ROW_HEIGHT, text, COLUMNS);
            std::memcpy(shown, text, COLUMNS);
            mRowsDrawn++;
        }
        BitBlt(dc, 0, 0, WIDTH, HEIGHT, mBackDC, 0, 0, SRCCOPY);
    }
    EndPaint(hwnd, &ps);
}

LRESULT Win32DebugMonitor::wndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        if (mPeriod != 0) mTimer = SetTimer(hwnd, TIMER_ID, static_cast<UINT>(mPeriod), nullptr);
        break;
    case WM_TIMER:
        refresh(hwnd);
        return 0;
    case WM_CHAR:
        if (wParam >= '1' && wParam <= '4') mPage = static_cast<int32_t>(wParam - '1');
        refresh(hwnd);
        return 0;
    case WM_LBUTTONDOWN:
        mRunning = false;
        return 0;
    case WM_LBUTTONUP:
        mRunning = true;
        return 0;
    case WM_PAINT:
        paint(hwnd);
        return 0;
    case WM_CLOSE:
        if (mTimer != 0) KillTimer(hwnd, mTimer);
        mTimer = 0;
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        break;
    default:
        break;
    }
    return Win32Window::wndProc(hwnd, msg, wParam, lParam);
}

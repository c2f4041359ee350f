#include "Win32SkinControls.h"

#include "System.h"
#include "Trace.h"

Win32SkinControl::Win32SkinControl(const char* sourcePath, const char* traceName)
    : mX(0), mY(0), mWidth(0), mHeight(0), mLayout(0), mHover(false), mSkinDC(nullptr), mSkinX(0), mSkinY(0),
      mIndex(0), mSourcePath(sourcePath), mTraceName(traceName)
{
}

bool Win32SkinControl::create(const char* text, int x, int y, int width, int height, HWND parent, int id,
                              HINSTANCE instance, HDC skinDC, int skinX, int skinY, int layout)
{
    mX = x;
    mY = y;
    mWidth = width;
    mHeight = height;
    mSkinDC = skinDC;
    mSkinX = skinX;
    mSkinY = skinY;
    mLayout = layout;
    mIndex = 0;
    return Win32Control::create("button", text, WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, x, y, width, height, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

LRESULT Win32SkinControl::wndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_MOUSEMOVE && !mHover) {
        mHover = true;
        InvalidateRect(hwnd, nullptr, FALSE);
        UpdateWindow(hwnd);
        TRACKMOUSEEVENT tme = {};
        tme.cbSize = sizeof tme;
        tme.dwFlags = TME_LEAVE;
        tme.hwndTrack = hwnd;
        tme.dwHoverTime = HOVER_DEFAULT;
        _TrackMouseEvent(&tme);
        Trace("[%s] HOVER: enter\n", mTraceName);
    } else if (msg == WM_MOUSELEAVE) {
        mHover = false;
        InvalidateRect(hwnd, nullptr, FALSE);
        UpdateWindow(hwnd);
        Trace("[%s] HOVER: leave\n", mTraceName);
    }
    return Win32Control::wndProc(hwnd, msg, wParam, lParam);
}

void Win32SkinControl::drawItem(DRAWITEMSTRUCT* _di)
{
    SYSTEM_CHECK(mSourcePath, mHWnd != NULL, );
    SYSTEM_CHECK(mSourcePath, _di != NULL, );
    int cell = cellFor(_di->itemState);
    int sx, sy;
    if (mLayout == 2) {
        sx = mSkinX + mWidth * cell;
        sy = mSkinY + mHeight * mIndex;
    } else {
        sx = mSkinX + mWidth * mIndex;
        sy = mSkinY + mHeight * cell;
    }
    BitBlt(_di->hDC, 0, 0, mWidth, mHeight, mSkinDC, sx, sy, SRCCOPY);
}

bool Win32SkinControl::setIndex(int index, bool redraw)
{
    if (index == mIndex) return true;
    mIndex = index;
    if (redraw && mHWnd != nullptr) InvalidateRect(mHWnd, nullptr, FALSE);
    return true;
}

Win32BitmapButton::Win32BitmapButton() : Win32SkinControl("win32/Win32BitmapButton", "BitmapButton") {}

int Win32BitmapButton::cellFor(UINT itemState) const
{
    if (itemState & ODS_SELECTED) return 1;
    if (itemState & ODS_DISABLED) return 3;
    return mHover ? 2 : 0;
}

Win32BitmapCheckBox::Win32BitmapCheckBox() : Win32SkinControl("win32/Win32BitmapCheckBox", "BitmapCheckBox"), mCheck(0)
{
}

int Win32BitmapCheckBox::cellFor(UINT) const
{
    return (mHover ? 2 : 0) + (mCheck != 0 ? 4 : 0);
}

void Win32BitmapCheckBox::setCheck(int state, bool redraw)
{
    mCheck = state;
    if (redraw && mHWnd != nullptr) {
        InvalidateRect(mHWnd, nullptr, FALSE);
        UpdateWindow(mHWnd);
    }
}

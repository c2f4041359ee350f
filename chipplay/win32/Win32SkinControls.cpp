#include "Win32SkinControls.h"

#include "System.h"
#include "Trace.h"

#include <cctype>
#include <cstdio>
#include <string>

HBITMAP LoadSkinPicture(HINSTANCE instance, const char* name)
{
    const std::string file = std::string("skin\\") + name + ".bmp";
    HANDLE bmp = LoadImageA(nullptr, file.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    if (bmp == nullptr) {
        std::string resource = std::string(name) + ".bmp";
        for (char& c : resource) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        bmp = LoadImageA(instance, resource.c_str(), IMAGE_BITMAP, 0, 0, 0);
    }
    return static_cast<HBITMAP>(bmp);
}

SkinRect ParseSkinRect(const std::string& text)
{
    SkinRect r = {0, 0, 0, 0};
    if (std::sscanf(text.c_str(), "%d,%d,%d,%d", &r.x, &r.y, &r.w, &r.h) != 4) r = SkinRect{0, 0, 0, 0};
    return r;
}

HRGN MakeRoundedPopup(HWND hwnd, int width, int height)
{
    SetWindowLongA(hwnd, GWL_STYLE, WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
    HRGN kept = CreateRoundRectRgn(0, 0, width, height, 12, 12);
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(shape, kept, nullptr, RGN_COPY);
    SetWindowRgn(hwnd, shape, TRUE);
    return kept;
}

POINT ParseSkinPoint(const std::string& text)
{
    int x = 0, y = 0;
    if (std::sscanf(text.c_str(), "%d,%d", &x, &y) != 2) x = y = 0;
    POINT p = {x, y};
    return p;
}

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

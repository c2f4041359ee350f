#include "Win32SkinControls.h"

#include "System.h"

#include <cstring>

LRESULT Win32ListView::customDraw(NMCUSTOMDRAW* _cd)
{
    SYSTEM_CHECK("win32/Win32ListView", mHWnd != NULL, 0);
    SYSTEM_CHECK("win32/Win32ListView", _cd != NULL, 0);
    return 0;
}

LRESULT Win32ListView::ensureVisible(int i, bool partialOk)
{
    return SendMessageA(mHWnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(i), MAKELPARAM(partialOk ? 1 : 0, 0));
}

LRESULT Win32ListView::getItem(LVITEMA* item)
{
    return SendMessageA(mHWnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(item));
}

LRESULT Win32ListView::getItemCount()
{
    return SendMessageA(mHWnd, LVM_GETITEMCOUNT, 0, 0);
}

LRESULT Win32ListView::getNextItem(int start, int flags)
{
    return SendMessageA(mHWnd, LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(flags & 0xFFFF, 0));
}

LRESULT Win32ListView::insertColumn(int i, const LVCOLUMNA* column)
{
    return SendMessageA(mHWnd, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(column));
}

LRESULT Win32ListView::insertItem(const LVITEMA* item)
{
    return SendMessageA(mHWnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(item));
}

LRESULT Win32ListView::setExtendedStyle(DWORD mask, DWORD style)
{
    return SendMessageA(mHWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, mask, style);
}

LRESULT Win32ListView::setItem(const LVITEMA* item)
{
    return SendMessageA(mHWnd, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(item));
}

LRESULT Win32ListView::setItemState(int i, UINT state, UINT mask)
{
    LVITEMA item = {};
    item.state = state;
    item.stateMask = mask;
    return SendMessageA(mHWnd, LVM_SETITEMSTATE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
}

LRESULT Win32TrackBar::getPos()
{
    return SendMessageA(mHWnd, TBM_GETPOS, 0, 0);
}

LRESULT Win32TrackBar::setPos(int pos, bool redraw)
{
    return SendMessageA(mHWnd, TBM_SETPOS, redraw ? TRUE : FALSE, pos);
}

LRESULT Win32TrackBar::setRange(int min, int max, bool redraw)
{
    return SendMessageA(mHWnd, TBM_SETRANGE, redraw ? TRUE : FALSE, MAKELPARAM(min, max));
}

Win32Dib::Win32Dib() : mBitmap(nullptr), mBits(nullptr) {}

Win32Dib::~Win32Dib()
{
    if (mBitmap != nullptr) DeleteObject(mBitmap);
}

bool Win32Dib::create(int width, int height, int bitsPerPixel)
{
    if (bitsPerPixel != 24) return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr || bits == nullptr) {
        if (bitmap != nullptr) DeleteObject(bitmap);
        return false;
    }
    if (mBitmap != nullptr) DeleteObject(mBitmap);
    mBitmap = bitmap;
    mBits = bits;
    // Rows are padded to 4 bytes: clear the whole section, not just width x height x 3.
    std::memset(bits, 0, static_cast<size_t>(((width * 3 + 3) & ~3)) * static_cast<size_t>(height < 0 ? -height : height));
    return true;
}

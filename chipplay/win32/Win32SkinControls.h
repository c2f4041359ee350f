// Skinned and common controls on the window framework (Win32Window.h):
//
//   Win32BitmapButton play;
//   play.create("", 10, 10, 32, 24, parent, IDC_PLAY, instance, skinDC, 0, 96, 0);
//   // the parent's WM_DRAWITEM for IDC_PLAY: play.drawItem(di);
//
// A skin bitmap is a grid of cells, each the control's own size. In the
// default layout one column per variant (setIndex) and one row per state; with
// layout 2 the two axes swap. Button states: 0 normal, 1 pressed, 2 hover,
// 3 disabled. Check box cells: 0 normal, 2 hover, 4 checked, 6 checked and
// hovered (pressed and disabled are not drawn apart).
//
// Win32ListView and Win32TrackBar are the common controls' messages as calls.
// Win32Dib is a 24-bit bottom-up DIB section, the back buffer of skinned
// windows. Button and check box: Win32SkinControls.cpp; list view, track bar
// and Dib: Win32CommonControls.cpp.
#pragma once

#include "Win32Window.h"

#include <commctrl.h>

#include <string>

// A skin picture by name ("main_bg"): the skin folder's file
// "skin\<name>.bmp" first, else the program's built-in resource
// "<NAME>.BMP"; null when neither exists. Each picture on its own, so a skin
// folder may replace only some of them. Either way the bitmap is the
// caller's own copy: it is deleted once no DC holds it selected (the
// windows select it into a DC of their own and delete it after that DC).
HBITMAP LoadSkinPicture(HINSTANCE instance, const char* name);

// Placements in skin.txt: a rectangle "x,y,w,h" and a face's corner "x,y"
// in a picture. A value that is missing or does not parse gives zeros.
struct SkinRect {
    int x, y, w, h;
};
SkinRect ParseSkinRect(const std::string& text);
POINT ParseSkinPoint(const std::string& text);

// Gives a just-made window the skinned windows' shape: a pop-up without
// caption or border, exactly width x height, its corners rounded 12 x 12.
// Returns the rounded region, which stays the caller's to delete (the
// window owns a copy).
HRGN MakeRoundedPopup(HWND hwnd, int width, int height);

// What a skinned button and check box share: the rectangle, the skin's cells
// and the hover tracking. The difference is the cell a state picks.
class Win32SkinControl : public Win32Control {
public:
    bool create(const char* text, int x, int y, int width, int height, HWND parent, int id, HINSTANCE instance,
                HDC skinDC, int skinX, int skinY, int layout);
    using Win32Control::create;
    LRESULT wndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
    void drawItem(DRAWITEMSTRUCT* _di) override;

    bool setIndex(int index, bool redraw);
    int getIndex() const { return mIndex; }
    bool isHovering() const { return mHover; }

protected:
    Win32SkinControl(const char* sourcePath, const char* traceName);
    virtual int cellFor(UINT itemState) const = 0;

    int mX, mY, mWidth, mHeight;
    int mLayout;
    bool mHover;
    HDC mSkinDC;
    int mSkinX, mSkinY;
    int mIndex;

private:
    const char* mSourcePath;
    const char* mTraceName;
};

class Win32BitmapButton : public Win32SkinControl {
public:
    Win32BitmapButton();

protected:
    int cellFor(UINT itemState) const override;
};

class Win32BitmapCheckBox : public Win32SkinControl {
public:
    Win32BitmapCheckBox();
    int getCheck() const { return mCheck; }
    void setCheck(int state, bool redraw);

protected:
    int cellFor(UINT itemState) const override;

private:
    int mCheck;
};

class Win32ListView : public Win32Control {
public:
    LRESULT customDraw(NMCUSTOMDRAW* _cd) override;
    LRESULT ensureVisible(int i, bool partialOk);
    LRESULT getItem(LVITEMA* item);
    LRESULT getItemCount();
    LRESULT getNextItem(int start, int flags);
    LRESULT insertColumn(int i, const LVCOLUMNA* column);
    LRESULT insertItem(const LVITEMA* item);
    LRESULT setExtendedStyle(DWORD mask, DWORD style);
    LRESULT setItem(const LVITEMA* item);
    LRESULT setItemState(int i, UINT state, UINT mask);
};

class Win32TrackBar : public Win32Control {
public:
    LRESULT getPos();
    LRESULT setPos(int pos, bool redraw);
    LRESULT setRange(int min, int max, bool redraw);
};

class Win32Dib : public virtual Object {
public:
    Win32Dib();
    ~Win32Dib() override;
    // 24 bits per pixel only; the pixels start zeroed.
    bool create(int width, int height, int bitsPerPixel);
    HBITMAP getHandle() const { return mBitmap; }
    void* getBits() const { return mBits; }

private:
    HBITMAP mBitmap;
    void* mBits;
};

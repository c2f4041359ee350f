// What the screen shows of another program's window, for end-to-end tests
// (Windows only): its pixels, kept as a PNG for a person to look at, and
// real mouse clicks.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A capture of a window's rectangle on the screen, written to
// <folder>/<name>.png (the folder is made when missing).
struct Capture {
    int w = 0, h = 0;
    std::vector<unsigned char> px;   // top-down BGR rows of w * 3 bytes, 4-aligned
    int stride = 0;
    Capture(HWND hWnd, const std::string& folder, const std::string& name);
    COLORREF at(int x, int y) const;   // CLR_INVALID outside
};

// "#rrggbb"
std::string Hex(COLORREF c);
// A real click of the left button at a point of the screen.
void ClickAt(int x, int y);
// The window's child of that class (and id, when not -1), or null.
HWND Child(HWND hMain, const char* cls, int id = -1);

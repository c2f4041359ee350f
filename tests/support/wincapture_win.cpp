#include "wincapture.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "testdir.h"

namespace {

// A PNG of a 24-bit top-down picture (BGR rows), stored without
// compression: enough for a person to look at what a test saw.
uint32_t Crc32(const std::string& s, uint32_t crc = 0xFFFFFFFFu)
{
    for (unsigned char c : s) {
        crc ^= c;
        for (int k = 0; k < 8; k++) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc;
}
std::string Be32(uint32_t v)
{
    return std::string{ char(v >> 24), char(v >> 16), char(v >> 8), char(v) };
}
void WritePng(const std::string& path, int w, int h, const unsigned char* bgr, int stride)
{
    std::string raw;
    for (int y = 0; y < h; y++) {
        raw += '\0';
        for (int x = 0; x < w; x++) {
            const unsigned char* px = bgr + y * stride + x * 3;
            raw += char(px[2]);
            raw += char(px[1]);
            raw += char(px[0]);
        }
    }
    std::string z = "\x78\x01";
    for (size_t i = 0; i < raw.size() || i == 0; i += 65535) {
        size_t n = std::min<size_t>(65535, raw.size() - i);
        z += char(i + n >= raw.size() ? 1 : 0);
        z += char(n & 0xFF);
        z += char(n >> 8);
        z += char(~n & 0xFF);
        z += char((~n >> 8) & 0xFF);
        z.append(raw, i, n);
    }
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    z += Be32((b << 16) | a);
    auto chunk = [](const std::string& type, const std::string& data) {
        return Be32(static_cast<uint32_t>(data.size())) + type + data + Be32(~Crc32(type + data));
    };
    std::string ihdr = Be32(w) + Be32(h) + std::string("\x08\x02\x00\x00\x00", 5);
    WriteAll(path, std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) + chunk("IDAT", z) + chunk("IEND", ""));
}

}  // namespace

Capture::Capture(HWND hWnd, const std::string& folder, const std::string& name)
{
    RECT rc;
    GetWindowRect(hWnd, &rc);
    w = rc.right - rc.left;
    h = rc.bottom - rc.top;
    stride = (w * 3 + 3) & ~3;
    px.assign(static_cast<size_t>(stride) * h, 0);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    HDC hScreen = GetDC(nullptr);
    HDC hMem = CreateCompatibleDC(hScreen);
    void* bits = nullptr;
    HBITMAP hBmp = CreateDIBSection(hScreen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ hOld = SelectObject(hMem, hBmp);
    BitBlt(hMem, 0, 0, w, h, hScreen, rc.left, rc.top, SRCCOPY);
    GdiFlush();
    std::memcpy(px.data(), bits, px.size());
    SelectObject(hMem, hOld);
    DeleteObject(hBmp);
    DeleteDC(hMem);
    ReleaseDC(nullptr, hScreen);
    CreateDirectoryA(folder.c_str(), nullptr);
    WritePng(folder + "/" + name + ".png", w, h, px.data(), stride);
}

COLORREF Capture::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= w || y >= h) return CLR_INVALID;
    const unsigned char* p = &px[static_cast<size_t>(y) * stride + x * 3];
    return RGB(p[2], p[1], p[0]);
}

std::string Hex(COLORREF c)
{
    char s[16];
    std::snprintf(s, sizeof(s), "#%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    return s;
}

void ClickAt(int x, int y)
{
    SetCursorPos(x, y);
    Sleep(100);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
}

HWND Child(HWND hMain, const char* cls, int id)
{
    for (HWND c = FindWindowExA(hMain, nullptr, cls, nullptr); c; c = FindWindowExA(hMain, c, cls, nullptr))
        if (id == -1 || GetDlgCtrlID(c) == id) return c;
    return nullptr;
}

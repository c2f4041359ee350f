// The off-screen buffer of the skinned drawing: every picture of the main
// screen, its panels and dialogs is composed here and reaches the window in
// one copy, so nothing flickers.
//
//   ScBackBuffer bb(hdc, 640, 300, pBmp->m_hPal);
//   bb.Blit(pBmp, 0, 0, SRCCOPY);
//   bb.CopyTo(0, 0);
#pragma once

#include <windows.h>

#include "cmnassert.h"
#include "scskin.h"

// An off-screen picture of w x h compatible with the target, with a memory DC
// to copy bitmaps from; everything it selected is put back and deleted when
// it goes. When the buffer cannot be made it draws straight into the target.
class ScBackBuffer {
public:
    ScBackBuffer(HDC hdcTarget, int w, int h, HPALETTE hPal) : m_hTarget(hdcTarget), m_w(w), m_h(h)
    {
        m_hBack = CreateCompatibleDC(hdcTarget);
        CMN_ASSERT(m_hBack != NULL);
        m_hBmp = m_hBack != nullptr && w > 0 && h > 0 ? CreateCompatibleBitmap(hdcTarget, w, h) : nullptr;
        CMN_ASSERT(m_hBmp != NULL);
        if (m_hBmp != nullptr) {
            m_hOldBmp = SelectObject(m_hBack, m_hBmp);
            m_hDraw = m_hBack;
        } else {
            m_hDraw = hdcTarget;   // no buffer: draw directly
        }
        m_hMem = CreateCompatibleDC(m_hDraw);
        CMN_ASSERT(m_hMem != NULL);
        if (hPal != nullptr) {
            m_hOldPal = SelectPalette(m_hDraw, hPal, FALSE);
            RealizePalette(m_hDraw);
        }
    }
    ~ScBackBuffer()
    {
        if (m_hMem != nullptr) {
            if (m_hOldMemBmp != nullptr) SelectObject(m_hMem, m_hOldMemBmp);
            DeleteDC(m_hMem);
        }
        if (m_hOldPal != nullptr) {
            SelectPalette(m_hDraw, m_hOldPal, FALSE);
            RealizePalette(m_hDraw);
        }
        if (m_hOldBmp != nullptr) SelectObject(m_hBack, m_hOldBmp);
        if (m_hBmp != nullptr) DeleteObject(m_hBmp);
        if (m_hBack != nullptr) DeleteDC(m_hBack);
    }
    ScBackBuffer(const ScBackBuffer&) = delete;
    ScBackBuffer& operator=(const ScBackBuffer&) = delete;

    HDC dc() const { return m_hDraw; }
    // The DC that bitmaps are copied from; a caller that selects into it
    // puts the old selection back.
    HDC mem() const { return m_hMem; }
    // A bitmap at (x, y) of the buffer at its own size.
    void Blit(const BmpIf* pBmp, int x, int y, DWORD dwRop)
    {
        if (m_hMem == nullptr || pBmp == nullptr || pBmp->m_hBmp == nullptr) return;
        HGDIOBJ hOld = SelectObject(m_hMem, pBmp->m_hBmp);
        if (m_hOldMemBmp == nullptr) m_hOldMemBmp = hOld;
        BitBlt(m_hDraw, x, y, pBmp->nWidth, pBmp->nHeight, m_hMem, 0, 0, dwRop);
    }
    // A part of a bitmap (w x h from its (xSrc, ySrc)) to (x, y) of the buffer.
    void BlitPart(const BmpIf* pBmp, int x, int y, int w, int h, int xSrc, int ySrc)
    {
        if (m_hMem == nullptr || pBmp == nullptr || pBmp->m_hBmp == nullptr) return;
        HGDIOBJ hOld = SelectObject(m_hMem, pBmp->m_hBmp);
        if (m_hOldMemBmp == nullptr) m_hOldMemBmp = hOld;
        BitBlt(m_hDraw, x, y, w, h, m_hMem, xSrc, ySrc, SRCCOPY);
    }
    // A slot of a skin image, through its mask when it has one.
    void Draw(const LiIf* pLiIf, int nSlot, int x, int y)
    {
        if (pLiIf == nullptr || nSlot < 0 || nSlot >= SCSKIN_SLOTS || pLiIf->bLoaded[nSlot] != 1) return;
        if (pLiIf->bLoaded[SCSKIN_SLOT_MASK] == 1) {
            Blit(&pLiIf->bmp[SCSKIN_SLOT_MASK], x, y, SRCAND);
            Blit(&pLiIf->bmp[nSlot], x, y, SRCPAINT);
        } else {
            Blit(&pLiIf->bmp[nSlot], x, y, SRCCOPY);
        }
    }
    // The whole buffer to the target at (x, y).
    void CopyTo(int x, int y)
    {
        if (m_hDraw != m_hTarget) BitBlt(m_hTarget, x, y, m_w, m_h, m_hDraw, 0, 0, SRCCOPY);
    }

private:
    HDC      m_hTarget;
    int      m_w, m_h;
    HDC      m_hBack = nullptr;
    HDC      m_hDraw = nullptr;
    HDC      m_hMem = nullptr;
    HBITMAP  m_hBmp = nullptr;
    HGDIOBJ  m_hOldBmp = nullptr;
    HGDIOBJ  m_hOldMemBmp = nullptr;
    HPALETTE m_hOldPal = nullptr;
};

#include "scfont.h"

#include <cstring>

#include "cmnassert.h"

int SCFONT_Height(int nH, int nDpi)
{
    return (-nH * nDpi) / 72;   // truncated toward zero, not rounded
}

HFONT SCFONT_Create(int nH, const char* pFontName)
{
    CMN_ASSERT(nH > 0 && pFontName != NULL && lstrlen(pFontName) > 0);
    HDC hdc = GetDC(nullptr);
    int nDpi = hdc ? GetDeviceCaps(hdc, LOGPIXELSY) : 96;
    if (hdc) ReleaseDC(nullptr, hdc);
    LOGFONTA lf;
    std::memset(&lf, 0, sizeof(lf));
    lf.lfHeight = SCFONT_Height(nH, nDpi);
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfPitchAndFamily = FIXED_PITCH;
    if (pFontName != nullptr) lstrcpynA(lf.lfFaceName, pFontName, sizeof(lf.lfFaceName));
    HFONT hFont = CreateFontIndirectA(&lf);
    CMN_ASSERT(hFont != NULL);
    return hFont;
}

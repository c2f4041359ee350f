// The launcher's one text font.
#pragma once

#include <windows.h>

// A Shift-JIS, fixed-pitch font of the face at the point height on this
// screen; the caller owns it.
HFONT SCFONT_Create(int nH, const char* pFontName);
// The LOGFONT height for a point height at a screen resolution.
int SCFONT_Height(int nH, int nDpi);

// SCSPLASH: the sale modes' splash screen. sp.bin (application folder,
// every byte stored inverted) names the picture, an 8-bit BMP beside it,
// and the window's size; loading it gives the main window that size in the
// middle of the screen, and the main window's painting shows the picture
// (SCCMN_DrawBg2, the first item of type eSCSD_IDTYPE_BG).
//
//   LIST lst; LIST_Init(&lst);
//   SCSPLASH_Load(&lst, "C:\\app\\sp.bin", hWnd);    // always 1
//   ... WM_PAINT: SCCMN_DrawBg2(hdc, &lst);
//   if (LIST_GetCnt(&lst) > 0) SCSPLASH_Fini(&lst);
//
// Everything comes through the parameters (the login program links it too);
// the picture is looked for in the folder of the sp.bin path. The text's
// format: scsplashtext.h.
#pragma once

#include <windows.h>

#include "bmpm.h"
#include "list.h"
#include "scsplashtext.h"

struct SplashItem {
    int   type;      // eSCSD_IDTYPE
    int   x, y;      // 0
    int   w, h;      // the window's size
    BmpIf bmp;       // the picture
    int   bLoaded;   // 1 once the picture is in bmp
};

// Reads, decodes and parses pPath into pList (malloc'd SplashItem). 1 in
// every case: a file that cannot be read leaves the list and the window as
// they were.
int SCSPLASH_Load(LIST* pList, const char* pPath, HWND hWnd);
// Parses the plain text: each "[bg]" item's picture is read from pAppPath
// (ending with a separator) + its name and the window is centred at its
// size. 1 at the end of the text, 0 when it stopped on an error.
int SCSPLASH_Parse(LIST* pList, const char* pText, const char* pAppPath, HWND hWnd);
// Frees every item's picture and the list; 0 (nothing done) when empty.
int SCSPLASH_Fini(LIST* pList);

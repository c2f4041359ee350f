// SCSKIN: the skin of the launcher's main window. The skin file (its format
// and directory checks: scskinfile.h) is loaded once at start-up into a LIST
// of LiIf, one per directory entry, each holding up to twelve bitmaps; the
// drawing finds an image by its type.
//
//   LIST skin; LIST_Init(&skin);
//   if (!LoadSkin(&skin, "C:\\tiv\\default", hWnd)) ...   // file missing or refused
//   LiIf* bg = SCSKIN_Find(&skin, eCD_IMGTYPE_BG);          // slot 0: the background
//   SCSKIN_FreeImage(&skin);
//
// Slots: a button's 0 hovered, 1 normal, 2 pressed, 3 disabled; a row
// background's 0 normal, 2 selected, 3 not bought; an animated image's 0 and
// 5 to 11 its eight frames; a plain image's 0 (no mask) or 1 (masked); slot
// 4 is the mask of any image. A masked image is drawn as the mask with
// SRCAND, then the image with SRCPAINT.
#pragma once

#include <windows.h>

#include "bmpm.h"
#include "list.h"
#include "scskinfile.h"

struct LiIf {
    int   imgType;   // eCD_IMGTYPE
    int   x, y, w, h;
    int   bLoaded[SCSKIN_SLOTS];
    BmpIf bmp[SCSKIN_SLOTS];
};

// Reads the skin file into pLstImg (initialised and empty). 0, with the
// list left empty, when the file cannot be read or is refused.
int   LoadSkin(LIST* pLstImg, const char* pFile, HWND hWnd);
int   SCSKIN_FreeImage(LIST* pLstImg);
int   SCSKIN_FreeBitmap(BmpIf* pBmpIf);
LiIf* SCSKIN_Find(LIST* pLstImg, int imgType);
// x, y, w, h of the image's record into pRect[4]; 0 when no record has the type.
int   SCSKIN_GetImageRect(int* pRect, LIST* pLstImg, int imgType);
int   SCSKIN_GetStateImgType(int nState);

// The download progress window: a shaped, captionless box with a progress
// bar, the percent done and a CANCEL button, one per running file download.
// The request queue makes it, moves it and ends it; CANCEL posts WMU_CANCEL
// (WM_USER+5) to the parent. Its background is the skin's image 75 when a
// skin list is handed in (DLWND_SetSkin), else the program's bitmap 144, so
// a program without a skin (login) uses it as it is.
#pragma once

#include <windows.h>

#include "list.h"

enum {
    IDD_DLWND = 129,
    IDB_DLWND_SHAPE = 143,   // black outside the shape
    IDB_DLWND_BG = 144,      // the background when no skin is loaded
    IDC_DLWND_PROGRESS = 1001,
    IDC_DLWND_CANCEL = 1000,
    WMU_DLWND_SETPOS = WM_USER + 20,
    WMU_DLWND_CANCEL = WM_USER + 5,
};

void DLWND_SetSkin(LIST* pLstImg);
int  DLWND_Create(HINSTANCE hInst, HWND hParent, int nMaxVal);
int  DLWND_SetMax(int nMaxVal, int nPos);
int  DLWND_SetPos(int nPos);
int  DLWND_IsExist(void);
int  DLWND_Destroy(void);
void DLWND_FreeBitmaps(void);
// The percent the window shows: 100 times the position over the maximum,
// truncated and kept within 0 to 100 (0 for a maximum of 0 or less).
int  DLWND_Percent(int nPos, int nMaxVal);
int  DLWND_GetPercent(void);

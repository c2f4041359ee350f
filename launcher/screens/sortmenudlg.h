// SORTMENUDLG: the pop-up list of the catalogue's distinct maker, platform
// or genre names that opens over the main screen's filter sort buttons.
// Choosing a name ends it at once and posts WMU_SORTMENU to the main window
// with a new SortNameIf; the main window's handler frees it.
#pragma once

#include <cstdint>

#include "list.h"

// One name of the menu; 2052 bytes. Posted with the opener's layout id
// type (31 maker, 32 platform, 33 genre); 0 inside the menu's own list.
// A runtime-heap block (calloc / free).
struct SortNameIf {
    char    szName[2048];
    int32_t nIdType;
};

// Fill pList (initialised here) with the distinct names of one field of the
// catalogue in the locale's order; an empty field is a name too. 1.
int SORTMENUDLG_MakeMakerList(LIST* pList);
int SORTMENUDLG_MakePlatformList(LIST* pList);
int SORTMENUDLG_MakeGenreList(LIST* pList);

#ifdef _WIN32
#include <windows.h>
// Shows the menu modally at the screen position (x, y) for the opener's
// layout id type: the chosen index (posted to hParent); 0 when the
// catalogue has no name (nothing shown); -1 for another id type, when the
// dialog could not be shown or nothing was chosen.
int SORTMENUDLG_Open(HINSTANCE hInst, HWND hParent, int x, int y, int nIdType);
INT_PTR CALLBACK SORTMENUDLG_Proc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
int SORTMENUDLG_Init(HWND hDlg);
#endif

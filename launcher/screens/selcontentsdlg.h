// The slot chooser: a small shaped, modal box listing the captions of a
// content's slots of one path kind (several executables, manuals, guides or
// sound sources of one title); a click on a row ends it with that row's
// index. Callers ask only when the content has more than one slot.
//
//   int nSlot = 0;
//   SELCONTENTSDLG_Open(&nSlot, nContents, 6, hWnd, hInst, 1);   // 1: the sound-source caption
#pragma once

#include <windows.h>

#include "list.h"

enum {
    IDD_SELCONTENTS = 133,
    IDB_SELCONTENTS_BG = 145,      // eight row places at (20, 25 + 19 i)
    IDB_SELCONTENTS_SHAPE = 146,   // black outside the shape
    IDB_SELCONTENTS_ROW = 147,     // covers a place without an entry
};

int SELCONTENTSDLG_Open(int* pnChoice, int nContentsId, int nKind, HWND hParent, HINSTANCE hInst, int nCaption);
// The row under a point of the box: the first i with 20 <= x <= 340 and
// 25 + 19 i <= y <= 44 + 19 i; -1 for none.
int SELCONTENTSDLG_HitRow(int x, int y, int nCount);

// One caption per slot of the kind (char[2048] blocks), appended to pList.
int SCCMN_AddNameList(LIST* pList, int nContentsId, int nKind);

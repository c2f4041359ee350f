// The account chooser: when the application folder holds the catalogue
// stores of several members, the member picks the account to start with.
#pragma once

#include <windows.h>

#include "list.h"

// pList: 129-byte blocks, each a user id. 1 when one was chosen (it is then
// in pOut), 0 when the member cancelled.
int CHOICEACOUNTDLG_DoModal(HINSTANCE hInst, HWND hParent, char* pOut, int nOutSize, LIST* pList);

// Centres a window on the screen (floating point halves, truncated), nRaise
// pixels above the centre.
void DLG_Centre(HWND hWnd, bool bTopmost, int nRaise = 0);

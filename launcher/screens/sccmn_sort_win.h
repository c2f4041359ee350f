// The main window's handlers of the sort buttons, the sort menu's choice and
// the page chooser. The list redraw lives in the program above: it hands it
// in with SCCMN_SetListRefresh.
#pragma once

#include <windows.h>

#include "sortmenudlg.h"

// The redraw after a sort (clears the hovered row and rebuilds the rows).
typedef int (*SCCMN_RefreshFunc)(void);
void SCCMN_SetListRefresh(SCCMN_RefreshFunc pfnRefresh);

int SCCMN_Proc_WmuSortButton(HWND hWnd, WPARAM wParam, LPARAM lParam);   // lParam: layout id
int SCCMN_Proc_WmuSortMenu(HWND hWnd, WPARAM wParam, LPARAM lParam);     // lParam: SortNameIf*, freed here
// Fills the page chooser with the pages' names and selects nSel.
int SCCMN_SetMonthPage(HWND hCombo, int nSel);
// WM_COMMAND from the page chooser: on CBN_SELCHANGE the chosen page is
// shown, rebuilt in the sort on screen.
int SCCMN_Proc_ComboSelChange(HWND hCombo, WPARAM wParam);

// Modules of the launcher's screens and service side that start-up and
// shutdown call but that do not exist yet in this tree. Each does the least
// that lets the program start and end: nothing is drawn, loaded or queued,
// and nothing claims to have been. Each goes away when its module is built.
#pragma once

#include <windows.h>

#include "dtif.h"
#include "list.h"

// Service results and content actions.
int  SCCMN_Proc_WmuContentsButton(WPARAM wParam, LPARAM lParam, LIST* pRow, HWND hWnd);
int  SCCMN_Proc_WmuRecvBuyInfo(HWND hWnd, WPARAM wParam, LPARAM lParam);
int  SCCMN_Proc_WmuRecvContents(HWND hWnd, WPARAM wParam, LPARAM lParam);
int  SCCMN_StartResignVelqa(void);

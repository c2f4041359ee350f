// Modules of the launcher's screens and service side that start-up and
// shutdown call but that do not exist yet in this tree. Each does the least
// that lets the program start and end: nothing is drawn, loaded or queued,
// and nothing claims to have been. Each goes away when its module is built.
#pragma once

#include <windows.h>

#include "dtif.h"
#include "list.h"

// Skin file and catalogue list drawing. The command stand-in already opens
// the settings dialog for its button's id.
int  SCSKIN_Proc_Notify(HWND hWnd, WPARAM wParam, LPARAM lParam);
int  SCSKIN_Proc_Command(HWND hWnd, WPARAM wParam, LPARAM lParam, LIST* pLcs, LIST* pRow, LIST* pLcd, HWND hMain, UINT uMsg);
int  SCSKIN_Redraw(void);
int  SCCMN_DrawBg2(HDC hdc, LIST* pSplash);

// Service results and content actions.
int  SCCMN_LoadPlayTime(LIST* pList);
int  SCCMN_MakePlayInfo(LIST* pRow, LIST* pPlayTime, int nPage);
int  SCCMN_MakePlayInfoSeq(LIST* pRow, LIST* pPlayTime, int nPage);
int  SCCMN_Proc_WmuGetContentsImage(LPARAM lParam, LIST* pRow, HWND hWnd);

// The screenshot paths of the list drawing: none yet (new blocks, std::free).
char* SCSKIN_GetLocalImagePath(int nContentsId);
char* SCSKIN_GetUnderConstructImage(void);

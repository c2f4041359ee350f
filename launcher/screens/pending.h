// Modules of the launcher's screens and service side that start-up and
// shutdown call but that do not exist yet in this tree. Each does the least
// that lets the program start and end: nothing is drawn, loaded or queued,
// and nothing claims to have been. Each goes away when its module is built.
#pragma once

#include <windows.h>

#include "dtif.h"
#include "list.h"

// Service results and content actions.
int  SCCMN_EnableMainButtons(void);
int  SCCMN_DisableMainButtons(void);
int  SCCMN_Proc_WmuContentsButton(WPARAM wParam, LPARAM lParam, LIST* pRow, HWND hWnd);
int  SCCMN_Proc_WmuRecvBuyInfo(HWND hWnd, WPARAM wParam, LPARAM lParam);
int  SCCMN_Proc_WmuRecvContents(HWND hWnd, WPARAM wParam, LPARAM lParam);
int  SCCMN_StartResignVelqa(void);
int  SCCMN_Proc_WmuRecvGetZvqVersion(HWND hWnd, WPARAM wParam, LPARAM lParam);
int  HANTIV_StartContents(int nIndex);

// Small windows.
int  DLWND_Create(HINSTANCE hInst, HWND hParent, int nMax);
int  DLWND_SetMax(int nMax);
int  DLWND_SetPos(int nPos);
int  DLWND_Destroy(void);
int  DLWND_IsExist(void);

// Sockets.
int  COMMU_IsConnected(void);
int  COMMU_CloseSocket(void);

// What the main window does when a service request ends and when the member
// presses a button of a catalogue row: the catalogue reply merged into the
// member's catalogue and saved, a downloaded part marked installed, and the
// reserved action (eGD_RESERVETYPE, hantiv.h) carried out: start the game,
// open the manual or guide, start the music player, queue the downloads.
//
// The list on screen belongs to the program above; it hands its redraws down
// once, before the first message arrives:
//
//   static const SccmnSvcHostIf host = { HANTIV_RefreshPageList, HANTIV_RefreshPageList2, ResetHover };
//   SCCMN_SetSvcHost(&host);
//   ... case WMU_RECV_BUYINFO: SCCMN_Proc_WmuRecvBuyInfo(hWnd, wParam, lParam); return 0;
//
// Each handler owns and frees the block posted with its message. The reply's
// own reading (status word, decoding) is sccmn_reply.cpp, free of windows.
#pragma once

#include <windows.h>

#include "list.h"

struct SccmnSvcHostIf {
    int (*pfnRefreshPageList)(void);    // rows rebuilt for the page shown
    int (*pfnRefreshPageList2)(void);   // the rows on screen refreshed in place
    int (*pfnResetHover)(void);         // no row under the mouse any more
};
// Keeps a copy (null: no list to redraw). Any field may be null.
void SCCMN_SetSvcHost(const SccmnSvcHostIf* pHost);

// Messages of the main window; each returns 1 (0 for a refused record).
int SCCMN_Proc_WmuRecvBuyInfo(HWND hWnd, WPARAM wParam, LPARAM lParam);     // size, reply buffer
int SCCMN_Proc_WmuRecvContents(HWND hWnd, WPARAM wParam, LPARAM lParam);    // result code, DlResultIf*
int SCCMN_Proc_WmuRecvResignVelqa(HWND hWnd, WPARAM wParam, LPARAM lParam); // 0, ResignResultIf*
int SCCMN_Proc_WmuContentsButton(WPARAM wParam, LPARAM lParam, LIST* pRow, HWND hWnd);   // button, index
int SCCMN_StartResignVelqa(void);

int SCCMN_AnalyReceiveData(const char* pBuf, int nSize);
int ProcGameInfo(const char* pBuf, int nSize);

int SCCMN_IsPlayableById(const char* pContentsId);
int SCCMN_IsVelqaPlayableById(const char* pContentsId);
int SCCMN_IsContentsState(int nIndex);
int SCCMN_IsContentsMarked(int nIndex);
int SCCMN_CountMarkedContents(void);

int SCCMN_Reserve_GameManual(const char* pUserId, int nIndex);
int SCCMN_Reserve_GameOperation(const char* pUserId, int nIndex);
int SCCMN_Reserve_GameSound(const char* pUserId, int nIndex);
int SCCMN_Reserve_GamePlay(int nIndex, const char* pUserId);

int SCCMN_EnableMainButtons(void);

// A pack the queue refused (no server path): the member is told, and what
// was waiting for it is given up (the launcher ends in the sale starts).
// Always 0, for the caller to return.
int SCCMN_DownloadRefused(void);

// The failure text of a download result code 1..5; null for others.
const char* SCCMN_DownloadFailureText(int nCode);

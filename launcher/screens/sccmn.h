// Shared screen state of the launcher: paths, handles, the shared font, the
// reserved action that says what follows the pending request, the five
// row-button switches, the timers; and the start-up helpers that read the
// installation's registry values and find the members' catalogue stores.
#pragma once

#include <windows.h>

#include "list.h"

int         SCCMN_SetAppPath(const char* pPath);
const char* SCCMN_GetAppPath(void);
int         SCCMN_SetCntPath(const char* pPath);
const char* SCCMN_GetCntPath(void);
int         SCCMN_SetInstance(HINSTANCE hInst);
HINSTANCE   SCCMN_GetInstance(void);
int         SCCMN_SetMainWnd(HWND hWnd);
HWND        SCCMN_GetMainWnd(void);
int         SCCMN_SetFont(HFONT hFont);
HFONT       SCCMN_GetFont(void);
// The start mode of the command line (eGD_STARTMODE): the main buttons
// exist only in the launcher mode.
int         SCCMN_SetStartMode(int nMode);
int         SCCMN_GetStartMode(void);
int         SCCMN_SetReserveAction(int nAction);
int         SCCMN_GetReserveAction(void);
// The reserved action has one owner. SCCMN_BeginAction reserves it and
// switches the main buttons off; SCCMN_EndAction ends it on every path (done,
// failed, refused, nothing to do) and gives the buttons back. A download's
// result carries an action out only when it is the part the action waits for
// (SCCMN_IsAwaitedFile: the content of USERM_GetContentsId and the path kind
// of the action); any other result leaves it alone.
int         SCCMN_BeginAction(int nAction);
int         SCCMN_EndAction(void);
int         SCCMN_IsAwaitedFile(const char* pContentsId, int nPathType);
// A start (game, document, player) is under way: its slot chooser may be
// open, and the main window's messages are dispatched inside its modal loop.
// Nothing begins a second start inside it.
int         SCCMN_IsStartBusy(void);
int         SCCMN_SetReserveParam(int nParam);
int         SCCMN_GetReserveParam(void);
int*        SCCMN_GetReserveParamPtr(void);
int         SCCMN_SetButtonEnable(int nButton, int bEnable);   // 0 manual .. 4 favourite
int         SCCMN_GetButtonEnable(int nButton);
int         SCCMN_SetTimer(HWND hWnd, UINT_PTR uId, UINT uMs);
int         SCCMN_SetTimerAnim(HWND hWnd, UINT_PTR uId, UINT uMs);
int         SCCMN_KillTimers(void);

// The main window of the launcher and the login: class and title "TIV
// Launcher", icon 108, a w x h popup in the middle of the screen
// (sccmn_mainwnd_win.cpp). Proc_Wm_Create hands the window to the thread
// manager and shapes it: bitmap 132 in the launcher mode, 142 otherwise
// (SCCMN_GetStartMode).
HWND SCCMN_CreateMainWnd(int nWidth, int nHeight, HINSTANCE hInstance, WNDPROC pfnWndProc);
// Registers the common-control classes the programs' dialogs hold (the
// download window's progress bar), at the start of WinMain: Windows creates
// no dialog with an unregistered class (Wine registers them all anyway).
int  SCCMN_InitCommonControls(void);
int  Proc_Wm_Create(HWND hWnd, HINSTANCE hInstance);
// The account of the launcher mode: the user ids of the stores under the
// application folder; one is taken, several are offered in the account
// chooser. 1 chosen, -1 no application folder (pNoAppPath shown), -2 no
// store, 0 the chooser was cancelled (ZVQ:004 shown).
int  SCCMN_GetAcount(char* pUserId, int nSize, HWND hOwner, const char* pNoAppPath);

int SCCMN_GetEnvInfo(char* pAppPath, int nAppSize, char* pUserPath, int nUserSize, char* pSkinName, int nSkinSize,
                     const char* pUserId);
int SCCMN_AddRegDat(LIST* pList, const char* pFolder);
int SCCMN_GetRegDatUserId(char* pUserId, int nSize, const char* pFileName);
int SCCMN_CheckUserContents(void);
// Queues every downloadable or updatable game (only when at least one is
// downloadable); the main buttons wait until the last has arrived.
int SCCMN_DownloadAllContents(void);

// Starting what a content holds (sccmn_start_win.cpp). A part not on disk is
// queued for download with the action reserved; the main buttons (update,
// settings, second top page, and the five row-button switches) are enabled
// again when the action ends.
int HANTIV_StartContents(int nIndex);
int HANTIV_CopyQr(const char* pPath);
int SCCMN_OpenManual(int nContentsId);
int SCCMN_OpenOperation(int nContentsId);
int SCCMN_StartContents(int nContentsId);
int SCCMN_DisableMainButtons(void);
int SCCMN_EnableMainButtonsAll(void);
int GetLocalFileVersion(LIST* pList, const char* pFileName);
int SCCMN_Proc_WmuRecvGetZvqVersion(HWND hWnd, WPARAM wParam, LPARAM lParam);
// Starting another program: sccmn_run.h.

// A music flag of the catalogue says yes only as "1"; the rows draw by it and
// the clicks answer by it. SCCMN_HasMusic: the content's music offered and
// bought (both flags).
int SCCMN_IsMusicFlagSet(const char* pFlag);
int SCCMN_HasMusic(int nIndex);

// Opens the application-settings dialog over the main window.
int SCCMN_OpenAppSetting(void);

// env.bin unusable (ZVQ:008): at start-up, and for a button whose address
// key it lacks.
extern const char SCCMN_TEXT_ZVQ008[];
// The captions of the programs' message boxes.
extern const char SCCMN_CAPTION_REPORT[];    // "報告"
extern const char SCCMN_CAPTION_ERROR[];     // "エラー報告"
extern const char SCCMN_CAPTION_CONFIRM[];   // "確認"

// Small helpers the screens share: two texts of the same length and bytes;
// the launcher's own start mode; an index of the catalogue; a text and a
// line end to the log.
bool SCCMN_Equals(const char* a, const char* b);
bool SCCMN_IsLauncherMode(void);
bool SCCMN_IsIndexValid(int nIndex);
void SCCMN_LogLine(const char* pText);

// Message boxes of the launcher: the text also goes to the log as a line.
int SCCMN_Report(HWND hOwner, const char* pText, const char* pCaption, UINT uType, int bLog);

// The page chosen in the month page selector (-1: none); the page module
// sorts that page.
int SCCMN_SetComboSel(int nSel);
int SCCMN_GetComboSel(void);

// --- the catalogue list's services (sccmn_row_win.cpp, scskin_path_win.cpp)
// The expanded row's item under the cursor (eSCLD_IDTYPE, 34 none; 0 at
// start), set by the list's animation tick and read by its drawing.
int SCCMN_SetHoverId(int nId);
int SCCMN_GetHoverId(void);
// The image cache's folder below the application folder: "cache\".
const char* SCCMN_GetCacheDir(void);
// The switch of a row button by its layout id (12 manual, 13 guide, 14
// music, 15 play, 16 favourite); any other id gives 0.
int SCCMN_GetRowButtonEnable(int nLayoutId);
// "[IMAGEWEBPAGE]" and the content's capture path, and <app>cache\<capture
// path>: new malloc'd text, NULL when the content has no (safe) capture path.
char* SCCMN_GetImageWebPath(int nId);
char* GetCacheImagePath(int nId);
// WMU_GETCONTENTSIMAGE: a capture not yet in the cache is queued for the
// background fetch. 1.
int SCCMN_Proc_WmuGetContentsImage(LPARAM lParam, LIST* pRow, HWND hWnd);
// The service's top page ("[PROJECTTIVWEBPAGE]") in the member's browser. 1.
int SCCMN_OpenTopWebPage(void);
int SCCMN_OpenTopWebPage2(void);

// The launcher's spine: the program entry, the three start modes, the
// application record, the shaped 640 x 300 main window with its start-up
// chain of posted messages, its two timers and the orderly shutdown.
//
// Start modes come from the command line before the window exists:
//   "-start tiv,"                                  launcher mode (2)
//   "-salegame <id>,<password>,<content>,tiv,playgame,"   sale start of a game (0)
//   "-salegame <id>,<password>,<content>,tiv,playkzdp,"   sale start of its music (1)
// WM_CREATE shapes the window and posts WMU_PREINITAPP (the account), which
// posts WMU_INITAPP_LAUNCHERMODE or WMU_INITAPP (settings, store, screens,
// timers). Timer 0 (1000 ms) polls the request queue, timer 1 (200 ms)
// tracks the cursor in launcher mode.
#pragma once

#include <windows.h>

#include "dtif.h"
#include "list.h"

enum eGD_STARTMODE {
    eGD_STARTMODE_SALEGAME = 0,
    eGD_STARTMODE_SALEKZDP = 1,
    eGD_STARTMODE_LAUNCHER = 2,
    eGD_STARTMODE_LOGIN = 3,      // the login program's dialog
};

enum eGD_RESERVETYPE {
    eGD_RESERVETYPE_NONE = 0,
    eGD_RESERVETYPE_KICKGAME = 1,
    eGD_RESERVETYPE_KICKMANUAL = 2,
    eGD_RESERVETYPE_KICKOPERATIONMANUAL = 3,
    eGD_RESERVETYPE_KICKSOUNDPLAYER = 4,
    eGD_RESERVETYPE_DOWNLOADING = 5,
    eGD_RESERVETYPE_RESIGNVELQA = 6,
    eGD_RESERVETYPE_DOWNLOADALL = 7,
};

enum {
    WMU_INITAPP = WM_USER + 0,
    WMU_CANCEL = WM_USER + 5,
    WMU_KICKCONTENTS = WM_USER + 21,
    WMU_PREINITAPP = WM_USER + 30,
    WMU_INITAPP_LAUNCHERMODE = WM_USER + 40,
    WMU_CONTENTSBUTTON = WM_USER + 50,
    WMU_RECV_BUYINFO = WM_USER + 51,
    WMU_RECV_CONTENTS = WM_USER + 52,
    WMU_SORTBUTTON = WM_USER + 55,
    WMU_GETCONTENTSIMAGE = WM_USER + 56,
    WMU_RESIGNVELQA = WM_USER + 71,
    WMU_RECV_RESIGNVELQA = WM_USER + 72,
    WMU_RECV_GETZVQVERSION = WM_USER + 73,
    WMU_SORTMENU = WM_USER + 90,
};

// Resources of the launcher.
enum {
    IDI_TIVLAUNCHER = 108,
    IDB_REGION_LAUNCHER = 132,   // 640 x 300, 24 bits: black is outside the window
    IDB_REGION_SALE = 142,       // 640 x 300, 8 bits
    IDD_CHOICEACOUNT = 132,
    IDD_DECWND = 135,
};

struct AppIf {
    HINSTANCE hInstance;
    HWND      hWnd;
    char      strAppPath[2048];   // ends with "\"
    char      strUserPath[2048];  // content path + MD5 of the user id + "\"
    DtIf      dtResult;
    int       bReady;             // 1 once the screen's images are loaded
    int       nStartMode;
    LIST      lstSkin;
    LIST      lstLcs;
    LIST      lstLcd;
    LIST      lstLcm;
    LIST      lstRow;
    LIST      lstSplash;
    HFONT     hFont;
    char      strSkinName[2048];
};
extern AppIf g_appIf;

// Program entry and window (hantiv_win.cpp).
HWND    CreateMainWnd(int nWidth, int nHeight, HINSTANCE hInstance, int nCmdShow);
LRESULT CALLBACK HANTIV_WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
int     PreInitApp(void);
int     InitApp_LauncherMode(void);
int     InitApp(void);
int     HANTIV_GetAcount(char* pUserId, int nSize);
int     HANTIV_OnTimer(UINT_PTR uId);
int     HANTIV_OnPaint(HWND hWnd);
int     HANTIV_RequestListForMode(void);
int     HANTIV_RefreshPageList(void);
int     HANTIV_RefreshPageList2(void);

const char* HANTIV_GetAppPath(void);
const char* HANTIV_GetUserPath(void);
int         HANTIV_GetMode(void);
LIST*       HANTIV_GetSkinList(void);
LIST*       HANTIV_GetLcsList(void);
LIST*       HANTIV_GetLcdList(void);
LIST*       HANTIV_GetLcmList(void);
LIST*       HANTIV_GetRowList(void);

// The parsed command line: 0 refused (its message was shown), 1 accepted.
int HANTIV_ParseCommandLine(const char* pCmdLine, int* pnStartMode);

// DOWNLOADMN: the request queue. Every service request of the launcher waits
// in lstDl and runs one at a time on a worker of THREADM; background image
// fetches wait in lstNoWait and run one at a time beside it. Driven from the
// main window's 1000-ms timer: DOWNLOADMN_FrameMove notices the end of the
// running request, posts its result to the window, removes it and starts the
// next one on a later tick. UI thread only.
//
// The progress window of a running request belongs to the program above: it
// hands its operations down in a DmHostIf (any field may be null; without a
// table there is no window), the way THREADM_SetHost hands down the folders.
//
//   static int ProgressCreate(HWND hParent, int nMax) { return DLWND_Create(hInst, hParent, nMax); }
//   DmHostIf host = { ProgressCreate, DLWND_SetMax, DLWND_Destroy, DLWND_IsExist };
//   DOWNLOADMN_SetHost(&host);               // once; Init and Term keep it
//   DOWNLOADMN_Init();
//   DOWNLOADMN_Add_GetContentsList(USERM_GetId());
//   every second: DOWNLOADMN_FrameMove(hWnd, WMU_RECV_BUYINFO, WMU_RECV_CONTENTS,
//                                      WMU_RECV_RESIGNVELQA, WMU_RECV_GETZVQVERSION, &dt);
//
// Posted: file request  msgDownload   wParam finished word, lParam new DlResultIf
//         catalogue     msgContents   wParam reply size, lParam reply buffer
//         leave         msgResign     wParam 0, lParam new ResignResultIf
//         version       msgVersion    wParam finished word, lParam 0
//         user check    msgCheckUser  wParam reply size, lParam reply buffer (null
//                                     when nothing came back)
// The receiver frees what lParam points at (free()).
//
// A request whose worker cannot be made never counts as running: StartNext
// returns 0, opens no progress window and leaves the request in state
// eDMD_DLT_ERROR with a failure already in the finished word (file and
// version requests 1, catalogue and leave no reply); the same FrameMove posts
// that failure and removes the request, and the queue goes on.
#pragma once

#include <windows.h>

#include "dtif.h"
#include "list.h"

enum eDMD_DT {
    eDMD_DT_FILE = 0,
    eDMD_DT_CONTENTSLIST = 1,
    eDMD_DT_CHECKUSER = 2,      // the login's user check (its only request)
    eDMD_DT_NOWAIT_FILE = 3,
    eDMD_DT_RESIGNVELQA = 5,
    eDMD_DT_ZVQVERSION = 6,
    eDMD_DT_MAX = 7,
};

enum eDMD_DLT {
    eDMD_DLT_NONE = 0,
    eDMD_DLT_DONWLOADING = 1,
    eDMD_DLT_FINISHED = 2,
    eDMD_DLT_ERROR = 3,
};

struct DlItemIf {
    char*  pPath;
    char*  pKeyName;
    char*  pOtPath;
    char*  pWebPath;
    char*  pUserId;
    char*  pPassword;     // user check only
    int    dlType;        // eDMD_DLT; a no-wait worker writes it last
    int    cntType;       // eDMD_DT
    int    lRet;
    int    lReadedSize;
    HANDLE hThread;
    int    pathType;
    int    bStop;         // a no-wait fetch: asked to stop (it then keeps no file)
};

struct DlResultIf {
    char strContentsId[2048];
    int  pathType;
};

struct ResignResultIf {
    int   nSize;
    char* pBuf;
};

struct DmIf {
    int  bInit;
    LIST lstDl;
    LIST lstNoWait;
};
extern DmIf g_dmIf;

// The progress window of the running request, on the window of the last
// FrameMove. Every field may be null: a missing operation does nothing and a
// missing IsExist answers 0.
struct DmHostIf {
    int (*pfnProgressCreate)(HWND hParent, int nMax);
    // The download's size and the bytes read so far, once a second.
    int (*pfnProgressSetMax)(int nMax, int nPos);
    int (*pfnProgressDestroy)(void);
    int (*pfnProgressIsExist)(void);
};

// Keeps a copy of *pHost (null: no progress window). DOWNLOADMN_Init and
// DOWNLOADMN_Term leave it as it is.
int DOWNLOADMN_SetHost(const DmHostIf* pHost);

int DOWNLOADMN_Init(void);
int DOWNLOADMN_Term(void);
int DOWNLOADMN_Add(const char* pDownloadPath, const char* pKeyName, int pathType);
int DOWNLOADMN_Add_GetContentsList(const char* pKeyName);
int DOWNLOADMN_Add_Resign(const char* pUserId);
int DOWNLOADMN_Add_GetZvqVersion(void);
int DOWNLOADMN_Add_Web(const char* pOtPath, const char* pWebPath);
// The login's user check: copies of both texts; 0 for an empty one (logged)
// or no memory, 1 without a second entry when one is already queued.
int DOWNLOADMN_Add_CheckUser(const char* pUserId, const char* pPassword);
// msgCheckUser: only a program that queues user checks (the login) needs it.
int DOWNLOADMN_FrameMove(HWND hWnd, UINT msgContentsList, UINT msgDownload, UINT msgResign, UINT msgVersion,
                         DtIf* pDtIf, UINT msgCheckUser = 0);
int DOWNLOADMN_Cancel(void);

int       DOWNLOADMN_GetCnt(void);
int       DOWNLOADMN_GetCnt_NoWait(void);
DlItemIf* DOWNLOADMN_GetListTop(void);
DlItemIf* DOWNLOADMN_GetListTop_NoWait(void);
DlItemIf* DOWNLOADMN_GetListAt(int n);
int       DOWNLOADMN_IsDownloading(void);
int       DOWNLOADMN_IsWaitingTop_NoWait(void);
int       DOWNLOADMN_IsDownloadingTop_NoWait(void);
int       DOWNLOADMN_IsFinishedTop_NoWait(void);
int       DOWNLOADMN_GetTopType(void);
const char* DOWNLOADMN_GetDownloadingKeyName(void);
int       DOWNLOADMN_RemoveListTop(void);
int       DOWNLOADMN_RemoveListTop_NoWait(void);
int       DOWNLOADMN_RemoveFinished(void);

// 1 when the first request's worker runs, 0 when the queue is empty or the
// worker could not be made (the request is then failed, see above).
int DOWNLOADMN_StartNext(DtIf* pDtIf);
int DOWNLOADMN_StartDownload(DtIf* pDtIf);
int DOWNLOADMN_StartGetContentsList(DtIf* pDtIf);
int DOWNLOADMN_StartResign(DtIf* pDtIf);
int DOWNLOADMN_StartGetZvqVersion(DtIf* pDtIf);
int DOWNLOADMN_StartCheckUser(DtIf* pDtIf);
int DOWNLOADMN_StartNext_NoWait(void);
int DOWNLOADMN_StopTopThread(void);

// THREADM: the worker threads of the request queue. Each service request runs
// on a thread of its own and talks HTTP to the service through WinINet; a
// worker never posts a message: it fills the shared result record DtIf (or,
// for a background fetch, its own queue entry) and publishes its finished
// word last (release store). The queue's poll reads that word first
// (acquire load), then the rest, then calls the kind's Stop.
//
//   static const char* AppPath(void) { return g_appIf.strAppPath; }
//   static const char* UserPath(void) { return g_appIf.strUserPath; }
//   ThreadmHostIf host = { AppPath, UserPath, nullptr };
//   THREADM_SetHost(&host);                  // once; Init and Fini keep it
//   THREADM_Init(hWnd);
//   dt.nReturn = -1;
//   THREADM_Start_GetContentsList(&dt.nReadedSize, &dt.nFileSize, &dt.nReturn,
//                                 &dt.nPostRet, &dt.pRecvBuf, &dt.nRecvSize, id, pw);
//   ... poll: if (THREADM_LoadFinished(&dt.nReturn) != -1) THREADM_Stop_GetContentsList();
//
// Needs "[DLWEBPAGE]", "[CGITOPPAGE]", "[CGIPAGE_GETCONTENTSLIST]",
// "[CGIPAGE_RESIGNVELQA]", "[CGIPAGE_CHECKUSER]" (login) and "[ZVQCLIENTDLWEBPAGE]" of env.bin (ENV_Load).
// The application and member folders come from the program above through
// THREADM_SetHost: this module never calls up into the screens. The folders
// are asked for when a worker needs them, so a host may hand its getters over
// before it knows the folders.
#pragma once

#include <windows.h>

struct DlItemIf;

// Result codes of the pack download (finished word of a file request).
enum {
    eTHREADM_DL_OK = 0,
    eTHREADM_DL_ERR_OPEN = 1,     // no WinINet root handle
    eTHREADM_DL_ERR_URL = 2,      // URL not opened, or the transfer broke off
    eTHREADM_DL_ERR_MAGIC = 3,    // not a content pack
    eTHREADM_DL_ERR_TEMP = 4,     // tempfile.bin not created or not written
    eTHREADM_DL_ERR_UNPACK = 5,   // the pack did not unpack
};
// Result codes of the client-version request.
enum {
    eTHREADM_VER_OK = 0,
    eTHREADM_VER_ERR_OPEN = 1,
    eTHREADM_VER_ERR_URL = 2,     // URL not opened, or the transfer broke off
    eTHREADM_VER_ERR_MAGIC = 3,   // not a client pack, or an impossible size
    eTHREADM_VER_ERR_NOKEY = 4,   // no "[ZVQCLIENTDLWEBPAGE]" in env.bin
    eTHREADM_VER_ERR_UNPACK = 5,  // no application folder, or the pack did not unpack
};

#define THREADM_AGENT      "k5b7qe3T2m91rx48026f"
#define THREADM_AGENT_ZVQ  "Qv7tNw2e"
#define THREADM_TEMPFILE   "tempfile.bin"
// A POST reply is cut at this size; its buffer has one more byte, always 0.
#define THREADM_RECV_MAX   1000000
// The client-version pack is held whole in memory: refuse announced sizes
// below its smallest possible pack or above this.
#define THREADM_VER_MAX    (64 * 1024 * 1024)
// Every Stop asks its worker to stop (the worker stops at its next safe
// point: between two parts of a transfer, between two files of a pack, never
// in the middle of a write; a blocked read is cut by closing its handle) and
// waits for it to end: a worker is never terminated, as one ended from
// outside could leave a half-written file or hold the heap or the log lock.
// After this long Stop notes in the log that it is still waiting.
#define THREADM_STOP_WAIT_MS 3000

// What the workers take from the program above them. Every field may be null.
struct ThreadmHostIf {
    // The application folder (client-version pack) and the member's folder
    // (content packs and their temporary file), each ending with "\". Null
    // or empty: no folder; a pack is then written nowhere (a content pack
    // ends with eTHREADM_DL_ERR_TEMP, a client-version pack with
    // eTHREADM_VER_ERR_UNPACK)
    // rather than into whatever the current folder happens to be.
    const char* (*pfnGetAppPath)(void);
    const char* (*pfnGetUserPath)(void);
    // Named option: how a worker thread is made. Null: CreateThread with the
    // default stack. A host that returns null refuses the worker, which every
    // Start reports as not started (the tests' way to see a refused thread).
    HANDLE (*pfnCreateThread)(LPTHREAD_START_ROUTINE pfnWorker, void* pArg);
};

// Keeps a copy of *pHost (null: no folders, CreateThread). Call it on the UI
// thread while no worker runs; THREADM_Init and THREADM_Fini leave it as it is.
int  THREADM_SetHost(const ThreadmHostIf* pHost);

int  THREADM_Init(HWND hWnd);
int  THREADM_Fini(void);
int  THREADM_SetHwnd(HWND hWnd);
HWND THREADM_GetHwnd(void);
int  THREADM_IsNoWaitDownloading(void);

int THREADM_Start_Download(const char* pFileName, int* pReadedSize, int* pFileSize, const char* pKeyName,
                           int* pReturn, int pathType);
int THREADM_Stop_Download(void);
int THREADM_CheckRunning_Download(void);

int THREADM_Start_GetContentsList(int* pReadedSize, int* pFileSize, int* pReturn, int* pRet, char** pBuf,
                                  int* pSize, const char* pUserId, const char* pPasswd);
int THREADM_Stop_GetContentsList(void);
int THREADM_CheckRunning_GetContentsList(void);

int THREADM_Start_ResignVelqa(int* pReadedSize, int* pFileSize, int* pReturn, int* pRet, char** pBuf,
                              int* pSize, const char* pUserId, const char* pPassword);
int THREADM_Stop_ResignVelqa(void);
int THREADM_CheckRunning_ResignVelqa(void);

int THREADM_Start_GetZvqVersion(int* pReadedSize, int* pFileSize, int* pReturn, int* pRet, char** pBuf,
                                int* pSize);
int THREADM_Stop_GetZvqVersion(void);
int THREADM_CheckRunning_GetZvqVersion(void);

// The login's user check: one POST of the escaped id and password to
// "[CGITOPPAGE]" + "[CGIPAGE_CHECKUSER]"; the reply as for the catalogue.
int THREADM_Start_CheckUser(int* pReadedSize, int* pFileSize, int* pReturn, int* pRet, char** pBuf, int* pSize,
                            const char* pUserId, const char* pPassword);
int THREADM_Stop_CheckUser(void);
int THREADM_CheckRunning_CheckUser(void);

int THREADM_Start_NoWaitDownload(DlItemIf* pDlIf);

// One HTTP POST to http://pHost:80pCgiPath: 1 reply received (or broken
// off), 0 empty reply, -1 to -4 open, connect, request, send failures. The
// reply buffer (THREADM_RECV_MAX + 1 bytes, zero-filled) belongs to the
// caller whenever *ppRecvBuf was set.
int DownloadWithPost2(char** ppRecvBuf, int* pRecvSize, const char* pHost, const char* pCgiPath,
                      const char* pParam);
// "userid=<id>&passwd=<pw>" with "&", "+", "%", "=", blanks of both values
// escaped as %XX; 0 when it does not fit.
int THREADM_MakeLoginBody(char* pDst, int nDstSize, const char* pUserId, const char* pPasswd);

// The finished word: written last by a worker, read first by the poll.
inline void THREADM_PublishFinished(int* p, int v) { __atomic_store_n(p, v, __ATOMIC_RELEASE); }
inline int  THREADM_LoadFinished(const int* p) { return __atomic_load_n(p, __ATOMIC_ACQUIRE); }

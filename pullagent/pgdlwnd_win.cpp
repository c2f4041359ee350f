#include "pgdlwnd.h"

#include <commctrl.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cntpack.h"
#include "cntunpack.h"
#include "list.h"
#include "log.h"
#include "packdl.h"
#include "percent.h"
#include "verlist.h"

namespace {

const int kTimerId = 1;
// Sent by the download thread: the dialog shows the retry question (text in
// lParam) and answers with the button pressed.
const UINT kAskRetry = WM_USER + 3;
const int kMinPack = 20;      // the fixed header
const char kAgent[] = "Qv7tNw2e";
// The temporary name beside a target; the pack reader counts it in the path limit.
const char kTempExt[] = ".pgtmp";

// The download queue: names waiting (0), downloading (1), finished (2).
struct PgQueueEntry {
    char* pName;
    int   nState;
};
struct PgQueueIf {
    int  bInit;
    LIST list;
};
PgQueueIf g_pgQueue;

// The thread record. The thread's block is static: a thread left running
// by a Cancel still writes into it, never into freed memory.
struct PgThreadIf {
    int    bInit;
    HWND   hWnd;      // the dialog: it asks the thread's retry questions
    HANDLE hThread;
};
PgThreadIf g_pgThread;

struct ResultBlock {
    volatile LONG nReaded;
    volatile LONG nSize;
    volatile LONG nResult;    // -1 while the thread runs
};
ResultBlock g_result;

struct ThreadParam {
    char strName[1024];
    char strFolder[1024];
};
ThreadParam g_param;

// The handles the thread has open: a Cancel closes them from the dialog so
// that a stalled read ends; whoever closes one clears it, under the lock.
CRITICAL_SECTION g_netLock;
HINTERNET g_hRoot;
HINTERNET g_hUrl;
volatile LONG g_bCancel;

char g_strServer[1024];
int  g_nRangeMax;
char g_strFolder[1024];
char g_strFileName[1024];
int  g_nLastResult = -1;

struct NetLockInit {
    NetLockInit() { InitializeCriticalSection(&g_netLock); }
} g_netLockInit;

void LogF(const char* pFormat, const char* pArg)
{
    std::string s = pFormat;
    size_t at = s.find("%s");
    if (at != std::string::npos) s.replace(at, 2, pArg);
    LOG_Write(s.c_str());
}

void CloseNet(void)
{
    EnterCriticalSection(&g_netLock);
    if (g_hUrl) InternetCloseHandle(g_hUrl);
    if (g_hRoot) InternetCloseHandle(g_hRoot);
    g_hUrl = g_hRoot = nullptr;
    LeaveCriticalSection(&g_netLock);
}

bool Cancelled(void) { return InterlockedCompareExchange(&g_bCancel, 0, 0) != 0; }

// --- extraction -------------------------------------------------------------

int SkipOwn(void*, const char* pName)
{
    if (!VERLIST_IsUpdaterEntry(pName)) return 0;
    LogF("DLWND_ExtractPack::the updater's own file is left as it is[%s]\n", pName);
    return 1;
}

// One file: written whole under a temporary name beside the target, then
// moved over it. An open failure asks PGT:013 (OK tries again).
int WriteOne(void*, const char* pPath, const void* pData, int nSize)
{
    const std::string target = pPath;
    const std::string temp = target + kTempExt;
    for (;;) {
        if (Cancelled()) return 0;
        HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            DWORD done = 0;
            BOOL bOk = WriteFile(h, pData, static_cast<DWORD>(nSize), &done, nullptr) && done == static_cast<DWORD>(nSize);
            if (!CloseHandle(h)) bOk = FALSE;
            if (bOk && !Cancelled() && MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return 1;
            DeleteFileA(temp.c_str());
            if (Cancelled()) return 0;
        }
        LOG_Write("HDDに書き込めないエラー発生\n");
        const char* pName = target.c_str() + std::strlen(g_param.strFolder);
        std::string msg = std::string("[") + pName + "]ファイルのオープンに失敗しました。リトライしますか？(PGT:013)。";
        LOG_Write((msg + "\n").c_str());
        // The dialog asks, on its own thread and as the box's owner: a box of
        // this thread's own could land on any program's top window.
        if (SendMessageA(g_pgThread.hWnd, kAskRetry, 0, reinterpret_cast<LPARAM>(msg.c_str())) != IDOK) return 0;
    }
}

// --- the thread ---------------------------------------------------------------

// The pack's sink: held whole in memory, then unpacked.
struct PackSink {
    char* pPack;
    int   nReceived;
    int   nHeaderSize;
};

int PackBegin(void* pCtx, int, int nTotal, const unsigned char* pHead)
{
    PackSink* s = static_cast<PackSink*>(pCtx);
    LOG_Write("Thread_Download::pass03\n");
    s->pPack = static_cast<char*>(std::calloc(1, static_cast<size_t>(nTotal)));
    if (!s->pPack) return 0;
    std::memcpy(s->pPack, pHead, PACKDL_HEAD);
    s->nReceived = PACKDL_HEAD;
    s->nHeaderSize = CPD_GetInt32(pHead + 12);
    LOG_Write("Thread_Download::pass04\n");
    return 1;
}

int PackPiece(void* pCtx, const void* p, int n)
{
    PackSink* s = static_cast<PackSink*>(pCtx);
    std::memcpy(s->pPack + s->nReceived, p, static_cast<size_t>(n));
    s->nReceived += n;
    return 1;
}

void PackProgress(void*, int nReceived, int nTotal)
{
    if (nReceived == 0) InterlockedExchange(&g_result.nSize, nTotal);
    InterlockedExchange(&g_result.nReaded, nReceived);
}

int PackCancelled(void*) { return Cancelled() ? 1 : 0; }

// The handles go to the dialog's keeping: a Cancel closes them from there so
// that a stalled read ends. Cancelled already: this one is closed here.
int AdoptNet(void*, HINTERNET h)
{
    EnterCriticalSection(&g_netLock);
    bool bOk = !Cancelled();
    if (!bOk) InternetCloseHandle(h);
    else if (!g_hRoot) g_hRoot = h;
    else g_hUrl = h;
    LeaveCriticalSection(&g_netLock);
    return bOk ? 1 : 0;
}

DWORD WINAPI Thread_Download(LPVOID)
{
    static const char* const kMagics[] = { "CNPFVR05" };
    char line[64];
    LOG_Write("Thread_Download::pass00\n");
    std::string url = std::string("http://") + g_strServer + g_param.strName;
    LogF("download file is[%s]\n", url.c_str());
    PackSink sink = { nullptr, 0, 0 };
    PackDlIf dl = {};
    dl.pAgent = kAgent;
    dl.pUrl = url.c_str();
    dl.ppMagics = kMagics;
    dl.nMagics = 1;
    // The pack is held whole in memory: a total below the fixed header would
    // overflow the buffer with the bytes already read, a huge one is no pack.
    dl.nMinTotal = kMinPack;
    dl.nMaxTotal = PG_PACK_MAX;
    dl.nPiece = PG_PIECE;
    dl.pCtx = &sink;
    dl.pfnBegin = PackBegin;
    dl.pfnPiece = PackPiece;
    dl.pfnProgress = PackProgress;
    dl.pfnCancelled = PackCancelled;
    dl.pfnAdopt = AdoptNet;
    int r = PACKDL_Fetch(&dl);
    int ret = ePG_DL_OK;
    switch (r) {
    case ePACKDL_OK: break;
    case ePACKDL_ERR_OPEN: ret = ePG_DL_ERR_OPEN; break;
    case ePACKDL_ERR_URL: ret = ePG_DL_ERR_URL; break;
    // Only a reply of the server's own: a 404 page is no pack.
    case ePACKDL_ERR_STATUS: LOG_Write("Thread_Download::http status is not 200\n"); ret = ePG_DL_ERR_URL; break;
    case ePACKDL_ERR_MAGIC: ret = ePG_DL_ERR_MAGIC; break;
    case ePACKDL_ERR_SIZE: LOG_Write("Thread_Download::impossible total\n"); ret = ePG_DL_ERR_SIZE; break;
    case ePACKDL_ERR_SINK: ret = ePG_DL_ERR_SIZE; break;
    case ePACKDL_ERR_CANCEL: ret = ePG_DL_ERR_CANCEL; break;
    // A server that stops early must not hold the update for ever.
    default: LOG_Write("Thread_Download::the transfer broke off before the total\n"); ret = ePG_DL_ERR_CUT; break;
    }
    if (ret == ePG_DL_OK) {
        LOG_Write("Thread_Download::pass05\n");
        if (!DLWND_ExtractPack(sink.pPack, 2, g_param.strFolder, sink.nReceived, sink.nHeaderSize))
            ret = Cancelled() ? ePG_DL_ERR_CANCEL : ePG_DL_ERR_UNPACK;
        LOG_Write("Thread_Download::pass06\n");
    }
    std::free(sink.pPack);
    CloseNet();
    std::snprintf(line, sizeof(line), "Thread_Download::ret[%d]\n", ret);
    LOG_Write(line);
    LOG_Write("Thread_Download::normal end\n");
    InterlockedExchange(&g_result.nResult, ret);
    return static_cast<DWORD>(ret);
}

// --- queue and thread record ----------------------------------------------------

int PGTHREAD_IsRunning(void)
{
    DWORD code = 0;
    return g_pgThread.hThread && GetExitCodeThread(g_pgThread.hThread, &code) && code == STILL_ACTIVE ? 1 : 0;
}

int PGTHREAD_Init(HWND hWnd)
{
    g_pgThread.bInit = 1;
    g_pgThread.hWnd = hWnd;
    return 1;
}

// Waits for the thread to end by itself (bounded); a thread is never
// terminated: it may hold the log's lock. One still running is left to end
// on its own and refuses the next download.
int PGTHREAD_Stop(DWORD nWaitMs = PG_STOP_WAIT_MS)
{
    if (!g_pgThread.hThread) return 1;
    if (WaitForSingleObject(g_pgThread.hThread, nWaitMs) == WAIT_TIMEOUT) {
        LOG_Write("PGTHREAD_Stop::the thread has not ended yet: left to end by itself\n");
        return 0;
    }
    CloseHandle(g_pgThread.hThread);
    g_pgThread.hThread = nullptr;
    return 1;
}

int PGTHREAD_Term(DWORD nWaitMs = PG_STOP_WAIT_MS)
{
    PGTHREAD_Stop(nWaitMs);
    g_pgThread.bInit = 0;
    g_pgThread.hWnd = nullptr;
    return 1;
}

int PGTHREAD_Start(const char* pName, const char* pFolder)
{
    lstrcpynA(g_param.strName, pName, sizeof(g_param.strName));
    lstrcpynA(g_param.strFolder, pFolder, sizeof(g_param.strFolder));
    InterlockedExchange(&g_bCancel, 0);
    g_pgThread.hThread = CreateThread(nullptr, 0, Thread_Download, nullptr, 0, nullptr);
    return g_pgThread.hThread ? 1 : 0;
}

int PGQUEUE_Init(void)
{
    if (!g_pgQueue.bInit) {
        LIST_Init(&g_pgQueue.list);
        g_pgQueue.bInit = 1;
    }
    return 1;
}

int PGQUEUE_Add(const char* pName)
{
    for (int i = 0; i < LIST_GetCnt(&g_pgQueue.list); i++) {
        PgQueueEntry* e = static_cast<PgQueueEntry*>(LIST_GetAt(&g_pgQueue.list, i));
        if (e && std::strcmp(e->pName, pName) == 0) return 1;
    }
    PgQueueEntry* e = static_cast<PgQueueEntry*>(std::calloc(1, sizeof(PgQueueEntry)));
    if (!e) return 0;
    size_t n = std::strlen(pName) + 1;
    e->pName = static_cast<char*>(std::malloc(n));
    if (!e->pName) { std::free(e); return 0; }
    std::memcpy(e->pName, pName, n);
    if (!LIST_Add(&g_pgQueue.list, e)) { std::free(e->pName); std::free(e); return 0; }
    return 1;
}

int PGQUEUE_IsDownloading(void)
{
    for (int i = 0; i < LIST_GetCnt(&g_pgQueue.list); i++) {
        PgQueueEntry* e = static_cast<PgQueueEntry*>(LIST_GetAt(&g_pgQueue.list, i));
        if (e && e->nState == 1) return 1;
    }
    return 0;
}

int PGQUEUE_StartNext(const char* pFolder)
{
    for (int i = 0; i < LIST_GetCnt(&g_pgQueue.list); i++) {
        PgQueueEntry* e = static_cast<PgQueueEntry*>(LIST_GetAt(&g_pgQueue.list, i));
        if (e && e->nState == 0) {
            e->nState = 1;
            return PGTHREAD_Start(e->pName, pFolder);
        }
    }
    return 0;
}

void PGQUEUE_RemoveFinished(void)
{
    while (LIST_GetCnt(&g_pgQueue.list) > 0) {
        PgQueueEntry* e = static_cast<PgQueueEntry*>(LIST_GetAt(&g_pgQueue.list, 0));
        if (!e || e->nState != 1) break;
        std::free(e->pName);
        LIST_DelTop(&g_pgQueue.list);
    }
}

void PGQUEUE_Clear(void)
{
    for (int i = 0; i < LIST_GetCnt(&g_pgQueue.list); i++) {
        PgQueueEntry* e = static_cast<PgQueueEntry*>(LIST_GetAt(&g_pgQueue.list, i));
        if (e) std::free(e->pName);
    }
    LIST_Free(&g_pgQueue.list);
}

void PGQUEUE_Fini(void)
{
    if (!g_pgQueue.bInit) return;
    PGQUEUE_Clear();
    g_pgQueue.bInit = 0;
}

// --- the dialog -------------------------------------------------------------------

void DLWND_SetRangePos(HWND hDlg, int nMax, int nPos)
{
    SendDlgItemMessageA(hDlg, 1000, PBM_SETRANGE32, 0, nMax);
    g_nRangeMax = nMax;
    PostMessageA(hDlg, WM_USER + 1, static_cast<WPARAM>(nPos), 0);
}

void DLWND_StartNext(void)
{
    if (PGQUEUE_IsDownloading()) return;
    InterlockedExchange(&g_result.nReaded, 0);
    InterlockedExchange(&g_result.nSize, 0);
    InterlockedExchange(&g_result.nResult, -1);
    if (PGTHREAD_IsRunning()) {
        LOG_Write("DLWND_StartNext::an earlier download still runs\n");
        InterlockedExchange(&g_result.nResult, ePG_DL_ERR_BUSY);
        for (int i = 0; i < LIST_GetCnt(&g_pgQueue.list); i++) static_cast<PgQueueEntry*>(LIST_GetAt(&g_pgQueue.list, i))->nState = 1;
        return;
    }
    if (g_pgThread.hThread) {
        CloseHandle(g_pgThread.hThread);
        g_pgThread.hThread = nullptr;
    }
    if (!PGQUEUE_StartNext(g_strFolder)) {
        LOG_Write("DLWND_StartNext::the download thread did not start\n");
        InterlockedExchange(&g_result.nResult, ePG_DL_ERR_OPEN);
    }
}

void EndWith(HWND hDlg, int nId)
{
    KillTimer(hDlg, kTimerId);
    if (nId == IDCANCEL) {
        // The member's Cancel: stop the transfer where it stands; the thread
        // is waited for, never terminated.
        InterlockedExchange(&g_bCancel, 1);
        CloseNet();
        LOG_Write("DLWND::cancelled\n");
    }
    LONG r = InterlockedCompareExchange(&g_result.nResult, 0, 0);
    g_nLastResult = r < 0 ? ePG_DL_ERR_CANCEL : static_cast<int>(r);
    PGQUEUE_Clear();
    PGQUEUE_Fini();
    // After a Cancel the member sees the dialog go at once: a thread still
    // inside a read sees the flag and ends by itself; the program waits for
    // it before it exits.
    PGTHREAD_Term(nId == IDCANCEL ? PG_CANCEL_WAIT_MS : PG_STOP_WAIT_MS);
    if (nId == IDCANCEL && r == ePG_DL_OK) g_nLastResult = ePG_DL_ERR_CANCEL;
    EndDialog(hDlg, nId == IDOK && g_nLastResult == ePG_DL_OK ? 1 : 0);
}

INT_PTR CALLBACK DlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG: {
        RECT rc;
        GetWindowRect(hDlg, &rc);
        int x = (GetSystemMetrics(SM_CXSCREEN) - (rc.right - rc.left)) / 2;
        int y = (GetSystemMetrics(SM_CYSCREEN) - (rc.bottom - rc.top)) / 2;
        SetWindowPos(hDlg, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE);
        SendDlgItemMessageA(hDlg, 1000, PBM_SETRANGE32, 0, g_nRangeMax);
        SetDlgItemTextA(hDlg, 1001, "0 ％ダウンロード済み");
        PostMessageA(hDlg, WM_USER + 2, 0, 0);
        SetTimer(hDlg, kTimerId, 500, nullptr);
        return TRUE;
    }
    case WM_USER + 2:
        PGTHREAD_Init(hDlg);
        PGQUEUE_Init();
        if (!PGQUEUE_Add(g_strFileName)) InterlockedExchange(&g_result.nResult, ePG_DL_ERR_OPEN);
        else DLWND_StartNext();
        return TRUE;
    case WM_TIMER: {
        if (wParam != kTimerId) return FALSE;
        if (!PGQUEUE_IsDownloading()) {
            if (InterlockedCompareExchange(&g_result.nResult, 0, 0) > 0) PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
            return TRUE;
        }
        DLWND_SetRangePos(hDlg, static_cast<int>(g_result.nSize), static_cast<int>(g_result.nReaded));
        LONG r = InterlockedCompareExchange(&g_result.nResult, 0, 0);
        if (r >= 0) {
            KillTimer(hDlg, kTimerId);
            PGTHREAD_Stop();
            PGQUEUE_RemoveFinished();
            PostMessageA(hDlg, WM_COMMAND, r == 0 ? IDOK : IDCANCEL, 1);
        }
        return TRUE;
    }
    case WM_USER + 1: {
        SendDlgItemMessageA(hDlg, 1000, PBM_SETPOS, wParam, 0);
        char str[64];
        std::snprintf(str, sizeof(str), "%d ％ダウンロード済み",
                      CMN_Percent(static_cast<long long>(wParam), g_nRangeMax));
        SetDlgItemTextA(hDlg, 1001, str);
        return TRUE;
    }
    case kAskRetry: {
        int nAnswer = MessageBoxA(hDlg, reinterpret_cast<const char*>(lParam), "報告",
                                  MB_OKCANCEL | MB_ICONERROR | MB_TOPMOST);
        SetWindowLongPtrA(hDlg, DWLP_MSGRESULT, nAnswer);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndWith(hDlg, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        EndWith(hDlg, IDCANCEL);
        return TRUE;

    default:
        return FALSE;
    }
}

}  // namespace

void DLWND_SetServer(const char* pBase)
{
    lstrcpynA(g_strServer, pBase ? pBase : "", sizeof(g_strServer));
}

int DLWND_DoModal(HINSTANCE hInst, HWND hOwner, int nRangeMax, const char* pFolder, const char* pFileName)
{
    g_nRangeMax = nRangeMax;
    lstrcpynA(g_strFolder, pFolder, sizeof(g_strFolder));
    lstrcpynA(g_strFileName, pFileName, sizeof(g_strFileName));
    g_nLastResult = -1;
    INT_PTR r = DialogBoxParamA(hInst, MAKEINTRESOURCEA(129), hOwner, DlgProc, 0);
    char line[64];
    std::snprintf(line, sizeof(line), "DLWND_DoModal::ret[%d] result[%d]\n", static_cast<int>(r), g_nLastResult);
    LOG_Write(line);
    return r == 1 ? 1 : 0;
}

int DLWND_DoModal2(HINSTANCE hInst, HWND hOwner, int nRangeMax, const char* pFolder, const char* pFileName)
{
    return DLWND_DoModal(hInst, hOwner, nRangeMax, pFolder, pFileName);
}

int DLWND_LastResult(void) { return g_nLastResult; }

int DLWND_WaitIdle(int nMs)
{
    if (!g_pgThread.hThread) return 1;
    if (WaitForSingleObject(g_pgThread.hThread, static_cast<DWORD>(nMs)) == WAIT_TIMEOUT) return 0;
    CloseHandle(g_pgThread.hThread);
    g_pgThread.hThread = nullptr;
    return 1;
}

int DLWND_ExtractPack(const void* pBuf, int nHdrVersion, const char* pFolder, int nTotal, int nHeaderSize)
{
    CntUnpackHooks hooks = { nullptr, SkipOwn, WriteOne, 1, static_cast<int>(sizeof(kTempExt) - 1) };
    int nFailed = 0;
    int r = THREADM_UnpackVersionPackEx(pBuf, nHdrVersion, pFolder, nTotal, nHeaderSize, &hooks, &nFailed);
    if (!r) LOG_Write("DLWND_ExtractPack::the pack was refused: nothing written\n");
    else if (nFailed > 0) LOG_Write("DLWND_ExtractPack::not every file was written\n");
    return r && nFailed == 0 ? 1 : 0;
}

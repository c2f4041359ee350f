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
#include "percent.h"
#include "verlist.h"

namespace {

const int kTimerId = 1;
const int kFirstLen = 12;     // magic and total size
const int kHeaderLen = 4;     // header size field
const int kMinPack = 20;      // the fixed header
const char kAgent[] = "Qv7tNw2e";

// The download queue: names waiting (0), downloading (1), finished (2).
struct DmEntry {
    char* pName;
    int   nState;
};
struct DmIf {
    int  bInit;
    LIST list;
};
DmIf g_dmIf;

// The thread record. The thread's block is static: a thread left running
// by a Cancel still writes into it, never into freed memory.
struct ThreadmIf {
    int    bInit;
    HWND   hWnd;
    HANDLE hThread;
    int    bFinish;
    int    nSpare;
};
ThreadmIf g_threadmIf;

struct ResultBlock {
    volatile LONG nReaded;
    volatile LONG nSize;
    volatile LONG nResult;    // -1 while the thread runs
    int           nVersion;
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

// WinINet gives what has arrived: read until n bytes are in. A 0-byte read
// or a failure before that is a cut transfer.
bool ReadFull(HINTERNET h, char* p, int n)
{
    int nDone = 0;
    while (nDone < n) {
        DWORD got = 0;
        if (Cancelled() || !InternetReadFile(h, p + nDone, static_cast<DWORD>(n - nDone), &got) || got == 0)
            return false;
        nDone += static_cast<int>(got);
    }
    return true;
}

// --- extraction -------------------------------------------------------------

int SkipOwn(void*, const char* pName)
{
    if (!VERLIST_IsUpdaterEntry(pName)) return 0;
    LogF("THREADM_ExtractPack::the updater's own file is left as it is[%s]\n", pName);
    return 1;
}

// One file: written whole under a temporary name beside the target, then
// moved over it. An open failure asks PGT:013 (OK tries again).
int WriteOne(void*, const char* pPath, const void* pData, int nSize)
{
    const std::string target = pPath;
    const std::string temp = target + ".pgtmp";
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
        if (MessageBoxA(GetTopWindow(nullptr), msg.c_str(), "報告", MB_OKCANCEL | MB_ICONERROR | MB_TOPMOST) != IDOK)
            return 0;
    }
}

// --- the thread ---------------------------------------------------------------

DWORD WINAPI Thread_Download(LPVOID)
{
    int ret = ePG_DL_OK;
    HINTERNET hRoot = nullptr, hUrl = nullptr;
    unsigned char head[kFirstLen + kHeaderLen];
    char* pPack = nullptr;
    int nTotal = 0, nReceived = 0;
    std::string url;
    char line[64];

    hRoot = InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!hRoot) { ret = ePG_DL_ERR_OPEN; goto done; }
    EnterCriticalSection(&g_netLock);
    g_hRoot = hRoot;
    LeaveCriticalSection(&g_netLock);
    LOG_Write("Thread_Download::pass00\n");
    url = std::string("http://") + g_strServer + g_param.strName;
    LogF("download file is[%s]\n", url.c_str());
    hUrl = InternetOpenUrlA(hRoot, url.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0);
    EnterCriticalSection(&g_netLock);
    if (hUrl && !g_hRoot) {   // cancelled while the URL opened
        InternetCloseHandle(hUrl);
        hUrl = nullptr;
    }
    g_hUrl = hUrl;
    LeaveCriticalSection(&g_netLock);
    if (!hUrl) { ret = Cancelled() ? ePG_DL_ERR_CANCEL : ePG_DL_ERR_URL; goto done; }
    {
        // Only a reply of the server's own: a 404 page is no pack.
        DWORD status = 0, len = sizeof(status);
        if (HttpQueryInfoA(hUrl, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &len, nullptr) &&
            status != 200) {
            std::snprintf(line, sizeof(line), "Thread_Download::http status[%lu]\n", static_cast<unsigned long>(status));
            LOG_Write(line);
            ret = ePG_DL_ERR_URL;
            goto done;
        }
    }
    LOG_Write("Thread_Download::pass01\n");
    if (!ReadFull(hUrl, reinterpret_cast<char*>(head), kFirstLen)) {
        ret = Cancelled() ? ePG_DL_ERR_CANCEL : ePG_DL_ERR_CUT;
        goto done;
    }
    if (std::memcmp(head, "CNPFVR05", 8) != 0) { ret = ePG_DL_ERR_MAGIC; goto done; }
    LOG_Write("Thread_Download::pass02\n");
    InterlockedExchange(&g_result.nReaded, 0);
    nTotal = CPD_GetInt32(head + 8);
    // The pack is held whole in memory: a total below the fixed header would
    // overflow the buffer with the bytes already read, a huge one is no pack.
    if (nTotal < kMinPack || nTotal > PG_PACK_MAX) {
        std::snprintf(line, sizeof(line), "Thread_Download::impossible total[%d]\n", nTotal);
        LOG_Write(line);
        ret = ePG_DL_ERR_SIZE;
        goto done;
    }
    InterlockedExchange(&g_result.nSize, nTotal);
    if (!ReadFull(hUrl, reinterpret_cast<char*>(head) + kFirstLen, kHeaderLen)) {
        ret = Cancelled() ? ePG_DL_ERR_CANCEL : ePG_DL_ERR_CUT;
        goto done;
    }
    LOG_Write("Thread_Download::pass03\n");
    pPack = static_cast<char*>(std::calloc(1, static_cast<size_t>(nTotal)));
    if (!pPack) { ret = ePG_DL_ERR_SIZE; goto done; }
    std::memcpy(pPack, head, sizeof(head));
    nReceived = static_cast<int>(sizeof(head));
    LOG_Write("Thread_Download::pass04\n");
    while (nReceived < nTotal) {
        int want = nTotal - nReceived < PG_PIECE ? nTotal - nReceived : PG_PIECE;
        DWORD got = 0;
        if (Cancelled()) { ret = ePG_DL_ERR_CANCEL; break; }
        // A server that stops early must not hold the update for ever.
        if (!InternetReadFile(hUrl, pPack + nReceived, static_cast<DWORD>(want), &got) || got == 0) {
            LOG_Write("Thread_Download::the transfer broke off before the total\n");
            ret = Cancelled() ? ePG_DL_ERR_CANCEL : ePG_DL_ERR_CUT;
            break;
        }
        nReceived += static_cast<int>(got);
        InterlockedExchange(&g_result.nReaded, nReceived);
    }
    if (ret == ePG_DL_OK) {
        LOG_Write("Thread_Download::pass05\n");
        if (!THREADM_ExtractPack(pPack, 2, g_param.strFolder, nTotal, CPD_GetInt32(head + kFirstLen), &g_result.nVersion))
            ret = Cancelled() ? ePG_DL_ERR_CANCEL : ePG_DL_ERR_UNPACK;
        LOG_Write("Thread_Download::pass06\n");
    }

done:
    std::free(pPack);
    CloseNet();
    std::snprintf(line, sizeof(line), "Thread_Download::ret[%d]\n", ret);
    LOG_Write(line);
    LOG_Write("Thread_Download::normal end\n");
    InterlockedExchange(&g_result.nResult, ret);
    return static_cast<DWORD>(ret);
}

// --- queue and thread record ----------------------------------------------------

int THREADM_CheckRunning_Download(void)
{
    DWORD code = 0;
    return g_threadmIf.hThread && GetExitCodeThread(g_threadmIf.hThread, &code) && code == STILL_ACTIVE ? 1 : 0;
}

int THREADM_Init(HWND hWnd)
{
    g_threadmIf.bInit = 1;
    g_threadmIf.hWnd = hWnd;
    return 1;
}

// Waits for the thread to end by itself (bounded); a thread is never
// terminated: it may hold the log's lock. One still running is left to end
// on its own and refuses the next download.
int THREADM_Stop_Download(DWORD nWaitMs = PG_STOP_WAIT_MS)
{
    if (!g_threadmIf.hThread) return 1;
    if (WaitForSingleObject(g_threadmIf.hThread, nWaitMs) == WAIT_TIMEOUT) {
        LOG_Write("THREADM_Stop_Download::the thread has not ended yet: left to end by itself\n");
        return 0;
    }
    CloseHandle(g_threadmIf.hThread);
    g_threadmIf.hThread = nullptr;
    g_threadmIf.bFinish = 1;
    return 1;
}

int THREADM_Term(DWORD nWaitMs = PG_STOP_WAIT_MS)
{
    THREADM_Stop_Download(nWaitMs);
    g_threadmIf.bInit = 0;
    g_threadmIf.hWnd = nullptr;
    return 1;
}

int THREADM_StartDownload(const char* pName, const char* pFolder)
{
    lstrcpynA(g_param.strName, pName, sizeof(g_param.strName));
    lstrcpynA(g_param.strFolder, pFolder, sizeof(g_param.strFolder));
    InterlockedExchange(&g_bCancel, 0);
    g_threadmIf.bFinish = 0;
    g_threadmIf.hThread = CreateThread(nullptr, 0, Thread_Download, nullptr, 0, nullptr);
    return g_threadmIf.hThread ? 1 : 0;
}

int DOWNLOADMN_Init(void)
{
    if (!g_dmIf.bInit) {
        LIST_Init(&g_dmIf.list);
        g_dmIf.bInit = 1;
    }
    return 1;
}

int DOWNLOADMN_Add(const char* pName)
{
    for (int i = 0; i < LIST_GetCnt(&g_dmIf.list); i++) {
        DmEntry* e = static_cast<DmEntry*>(LIST_GetAt(&g_dmIf.list, i));
        if (e && std::strcmp(e->pName, pName) == 0) return 1;
    }
    DmEntry* e = static_cast<DmEntry*>(std::calloc(1, sizeof(DmEntry)));
    if (!e) return 0;
    size_t n = std::strlen(pName) + 1;
    e->pName = static_cast<char*>(std::malloc(n));
    if (!e->pName) { std::free(e); return 0; }
    std::memcpy(e->pName, pName, n);
    if (!LIST_Add(&g_dmIf.list, e)) { std::free(e->pName); std::free(e); return 0; }
    return 1;
}

int DOWNLOADMN_IsDownloading(void)
{
    for (int i = 0; i < LIST_GetCnt(&g_dmIf.list); i++) {
        DmEntry* e = static_cast<DmEntry*>(LIST_GetAt(&g_dmIf.list, i));
        if (e && e->nState == 1) return 1;
    }
    return 0;
}

int DOWNLOADMN_StartDownload(const char* pFolder)
{
    for (int i = 0; i < LIST_GetCnt(&g_dmIf.list); i++) {
        DmEntry* e = static_cast<DmEntry*>(LIST_GetAt(&g_dmIf.list, i));
        if (e && e->nState == 0) {
            e->nState = 1;
            return THREADM_StartDownload(e->pName, pFolder);
        }
    }
    return 0;
}

void DOWNLOADMN_RemoveFinished(void)
{
    while (LIST_GetCnt(&g_dmIf.list) > 0) {
        DmEntry* e = static_cast<DmEntry*>(LIST_GetAt(&g_dmIf.list, 0));
        if (!e || e->nState != 1) break;
        std::free(e->pName);
        LIST_DelTop(&g_dmIf.list);
    }
}

void DOWNLOADMN_Clear(void)
{
    for (int i = 0; i < LIST_GetCnt(&g_dmIf.list); i++) {
        DmEntry* e = static_cast<DmEntry*>(LIST_GetAt(&g_dmIf.list, i));
        if (e) std::free(e->pName);
    }
    LIST_Free(&g_dmIf.list);
}

void DOWNLOADMN_Fini(void)
{
    if (!g_dmIf.bInit) return;
    DOWNLOADMN_Clear();
    g_dmIf.bInit = 0;
}

// --- the dialog -------------------------------------------------------------------

void DLWND_SetRangePos(HWND hDlg, int nMax, int nPos)
{
    SendDlgItemMessageA(hDlg, 1000, PBM_SETRANGE32, 0, nMax);
    g_nRangeMax = nMax;
    PostMessageA(hDlg, WM_USER + 1, static_cast<WPARAM>(nPos), 0);
}

void DLWND_StartNext(HWND hDlg)
{
    if (DOWNLOADMN_IsDownloading()) return;
    InterlockedExchange(&g_result.nReaded, 0);
    InterlockedExchange(&g_result.nSize, 0);
    InterlockedExchange(&g_result.nResult, -1);
    g_result.nVersion = 0;
    if (THREADM_CheckRunning_Download()) {
        LOG_Write("DLWND_StartNext::an earlier download still runs\n");
        InterlockedExchange(&g_result.nResult, ePG_DL_ERR_BUSY);
        for (int i = 0; i < LIST_GetCnt(&g_dmIf.list); i++) static_cast<DmEntry*>(LIST_GetAt(&g_dmIf.list, i))->nState = 1;
        return;
    }
    if (g_threadmIf.hThread) {
        CloseHandle(g_threadmIf.hThread);
        g_threadmIf.hThread = nullptr;
    }
    if (!DOWNLOADMN_StartDownload(g_strFolder)) {
        LOG_Write("DLWND_StartNext::the download thread did not start\n");
        InterlockedExchange(&g_result.nResult, ePG_DL_ERR_OPEN);
    }
    (void)hDlg;
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
    DOWNLOADMN_Clear();
    DOWNLOADMN_Fini();
    // After a Cancel the member sees the dialog go at once: a thread still
    // inside a read sees the flag and ends by itself; the program waits for
    // it before it exits.
    THREADM_Term(nId == IDCANCEL ? PG_CANCEL_WAIT_MS : PG_STOP_WAIT_MS);
    if (nId == IDCANCEL && r == ePG_DL_OK) g_nLastResult = ePG_DL_ERR_CANCEL;
    EndDialog(hDlg, nId == IDOK && g_nLastResult == ePG_DL_OK ? 1 : 0);
}

INT_PTR CALLBACK DlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM)
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
        THREADM_Init(hDlg);
        DOWNLOADMN_Init();
        if (!DOWNLOADMN_Add(g_strFileName)) InterlockedExchange(&g_result.nResult, ePG_DL_ERR_OPEN);
        else DLWND_StartNext(hDlg);
        return TRUE;
    case WM_TIMER: {
        if (wParam != kTimerId) return FALSE;
        if (!DOWNLOADMN_IsDownloading()) {
            if (InterlockedCompareExchange(&g_result.nResult, 0, 0) > 0) PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
            return TRUE;
        }
        DLWND_SetRangePos(hDlg, static_cast<int>(g_result.nSize), static_cast<int>(g_result.nReaded));
        LONG r = InterlockedCompareExchange(&g_result.nResult, 0, 0);
        if (r >= 0) {
            KillTimer(hDlg, kTimerId);
            THREADM_Stop_Download();
            DOWNLOADMN_RemoveFinished();
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
    if (!g_threadmIf.hThread) return 1;
    if (WaitForSingleObject(g_threadmIf.hThread, static_cast<DWORD>(nMs)) == WAIT_TIMEOUT) return 0;
    CloseHandle(g_threadmIf.hThread);
    g_threadmIf.hThread = nullptr;
    return 1;
}

int THREADM_ExtractPack(const void* pBuf, int nHdrVersion, const char* pFolder, int nTotal, int nHeaderSize,
                        int* pVersion)
{
    (void)pVersion;   // header layout 2 carries no version
    CntUnpackHooks hooks = { nullptr, SkipOwn, WriteOne, 1 };
    int nFailed = 0;
    int r = THREADM_UnpackVersionPackEx(pBuf, nHdrVersion, pFolder, nTotal, nHeaderSize, &hooks, &nFailed);
    if (!r) LOG_Write("THREADM_ExtractPack::the pack was refused: nothing written\n");
    else if (nFailed > 0) LOG_Write("THREADM_ExtractPack::not every file was written\n");
    return r && nFailed == 0 ? 1 : 0;
}

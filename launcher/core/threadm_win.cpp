// The worker threads and their WinINet requests.
#include "threadm.h"

#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cmnassert.h"
#include "cmnutil.h"
#include "cntpack.h"
#include "cntunpack.h"
#include "contentslist.h"
#include "downloadmn.h"
#include "env.h"
#include "errmsg.h"
#include "log.h"
#include "packdl.h"

namespace {

// How a worker is asked to stop. Stop sets bStop, which the worker reads at
// its safe points (between parts of a transfer, between the files of a
// pack), and closes the WinINet root the worker may be blocked on, so that a
// read from a silent server can return before its time-out. The root is
// taken out of hNet with one exchange by whichever of the two comes first:
// only that one closes it (with its children). bInFiles: the worker is past
// the network and writes files; it reaches its next safe point soon.
struct WorkerStop {
    int   bStop;
    void* hNet;
    int   bInFiles;
};

void Stop_Reset(WorkerStop* w)
{
    __atomic_store_n(&w->hNet, static_cast<void*>(nullptr), __ATOMIC_RELAXED);
    __atomic_store_n(&w->bInFiles, 0, __ATOMIC_RELAXED);
    __atomic_store_n(&w->bStop, 0, __ATOMIC_SEQ_CST);
}

bool Stop_Asked(WorkerStop* w) { return w != nullptr && __atomic_load_n(&w->bStop, __ATOMIC_SEQ_CST) != 0; }

// The worker hands its root over as soon as it has one; false when a stop
// was asked for already (the worker then closes it itself and ends).
bool Stop_Publish(WorkerStop* w, HINTERNET hRoot)
{
    if (w == nullptr) return true;
    __atomic_store_n(&w->hNet, static_cast<void*>(hRoot), __ATOMIC_SEQ_CST);
    return !Stop_Asked(w);
}

// Before the worker closes its handles: false when Stop took the root
// first and closed it with its children, which then may not be closed again
// (a handle value may already name another request's handle).
bool Stop_TakeBack(WorkerStop* w, HINTERNET hRoot)
{
    if (hRoot == nullptr) return false;
    return w == nullptr || __atomic_exchange_n(&w->hNet, static_cast<void*>(nullptr), __ATOMIC_SEQ_CST) == hRoot;
}

void Stop_CloseOwn(WorkerStop* w, HINTERNET hChild, HINTERNET hRoot)
{
    if (!Stop_TakeBack(w, hRoot)) return;
    if (hChild) InternetCloseHandle(hChild);
    InternetCloseHandle(hRoot);
}

int PostAndRead(char** ppRecvBuf, int* pRecvSize, const char* pHost, const char* pCgiPath, const char* pParam,
                WorkerStop* w);

// What one run of a worker was given. Each run has a block of its own,
// shared by the thread manager and the worker (nRefs): a worker left behind
// by Stop keeps its block while a new run of its kind starts with another.
struct DownloadBlock {
    LONG  nRefs;
    int*  pReturn;
    int*  pReadedSize;
    int*  pFileSize;
    char* pFileName;
    char* pKeyName;
    int   pathType;
    WorkerStop stop;
};

struct PostBlock {
    LONG   nRefs;
    int*   pReturn;
    int*   pRet;
    char** pBuf;
    int*   pSize;
    int*   pReadedSize;
    int*   pFileSize;
    char*  pUserId;
    char*  pPasswd;
    char*  pDlPath;   // version request: the application folder
    WorkerStop stop;
};

struct ThreadmIf {
    int    bInit;
    HWND   hWnd;
    HWND   hNotifyWnd;
    int    bFinishDownload;
    HANDLE hDownloadThread;
    int    bFinishGetContentsList;
    HANDLE hGetContentsListThread;
    int    bFinishResignVelqa;
    HANDLE hResignVelqaThread;
    int    bFinishGetZvqVersion;
    HANDLE hGetZvqVersionThread;
    int    bFinishCheckUser;
    HANDLE hCheckUserThread;
};

ThreadmIf g_threadmIf;
ThreadmHostIf g_host;   // outside the record: THREADM_Init and THREADM_Fini keep it
volatile LONG g_bNoWaitRunning;
// The current run of each kind (null: none).
DownloadBlock* g_pDl;
PostBlock* g_pContents;
PostBlock* g_pResign;
PostBlock* g_pZvq;
PostBlock* g_pCheckUser;

const int kPartSize = 500000;

// A folder of the host, "" when it has none.
const char* Folder(const char* (*pfnGet)(void))
{
    const char* p = pfnGet ? pfnGet() : nullptr;
    return p ? p : "";
}

void FreeBlock(PostBlock* b)
{
    if (b->pPasswd) SecureZeroMemory(b->pPasswd, std::strlen(b->pPasswd));
    std::free(b->pUserId);
    std::free(b->pPasswd);
    std::free(b->pDlPath);
    std::free(b);
}

void FreeBlock(DownloadBlock* b)
{
    std::free(b->pFileName);
    std::free(b->pKeyName);
    std::free(b);
}

// A new run's block, held by the thread manager and by its worker.
template <class Block> Block* NewBlock()
{
    Block* b = static_cast<Block*>(std::calloc(1, sizeof(Block)));
    if (b != nullptr) b->nRefs = 2;
    return b;
}

// Lets go of a block; the last of its two holders frees it.
template <class Block> void ReleaseBlock(Block* b)
{
    if (b != nullptr && InterlockedDecrement(&b->nRefs) == 0) FreeBlock(b);
}

// Every request has the time-outs of the pack downloads: without them a
// silent server would hold the queue for ever.
HINTERNET OpenRoot(const char* pAgent) { return PACKDL_OpenRoot(pAgent); }

HINTERNET OpenUrl(HINTERNET hRoot, const char* pUrl)
{
    return InternetOpenUrlA(hRoot, pUrl, nullptr, 0, INTERNET_FLAG_RELOAD, 0);
}

// A transfer's handles belong to the worker's stop: Stop closes the root
// (and with it the request) to end a read from a silent server; whichever of
// the two takes the root back first closes them (Stop_CloseOwn).
struct NetHandles {
    WorkerStop* w;
    HINTERNET   hRoot;
    HINTERNET   hUrl;
};

int NetAdopt(NetHandles* n, HINTERNET h)
{
    if (n->hRoot == nullptr) {
        n->hRoot = h;
        return Stop_Publish(n->w, h) ? 1 : 0;
    }
    n->hUrl = h;
    return Stop_Asked(n->w) ? 0 : 1;
}

template <class Sink> int SinkAdopt(void* pCtx, HINTERNET h) { return NetAdopt(&static_cast<Sink*>(pCtx)->net, h); }
template <class Sink> int SinkCancelled(void* pCtx) { return Stop_Asked(static_cast<Sink*>(pCtx)->net.w) ? 1 : 0; }

void PublishProgress(int* pReadedSize, int nReceived, int nTotal)
{
    int v = nReceived + kPartSize >= nTotal ? nTotal : nReceived;
    __atomic_store_n(pReadedSize, v, __ATOMIC_RELAXED);
}

bool CheckRunning(const char* pName, HANDLE* phThread)
{
    char line[128];
    std::snprintf(line, sizeof(line), "%s::starting...\n", pName);
    LOG_Write(line);
    bool bRun = false;
    if (*phThread) {
        DWORD code = 0;
        if (GetExitCodeThread(*phThread, &code) && code == STILL_ACTIVE) {
            bRun = true;
        } else {
            CloseHandle(*phThread);
            *phThread = nullptr;
        }
    }
    std::snprintf(line, sizeof(line), "%s::ret[%s]\n", pName, bRun ? "TRUE" : "FALSE");
    LOG_Write(line);
    return bRun;
}

// Asks the worker to stop and waits for it: a worker ended from outside
// could leave a half-written file or hold the heap or the log lock. One that
// writes files is waited for until it reaches its next safe point. One still
// held in a network call past the wait (a silent server: not every WinINet
// lets a blocked call go when its handle is closed) writes nothing: it stays
// recorded, so that no new request of its kind reuses its block, and when the
// call returns it sees the stop and ends without a result.
template <class Block> int Stop(const char* pName, HANDLE* phThread, int* pbFinish, Block** ppBlock)
{
    Block* b = *ppBlock;
    if (*phThread && b != nullptr) {
        WorkerStop* w = &b->stop;
        if (CheckRunning(pName, phThread)) {
            __atomic_store_n(&w->bStop, 1, __ATOMIC_SEQ_CST);
            void* hNet = __atomic_exchange_n(&w->hNet, static_cast<void*>(nullptr), __ATOMIC_SEQ_CST);
            if (hNet != nullptr) InternetCloseHandle(static_cast<HINTERNET>(hNet));
            if (WaitForSingleObject(*phThread, THREADM_STOP_WAIT_MS) == WAIT_TIMEOUT) {
                if (!__atomic_load_n(&w->bInFiles, __ATOMIC_SEQ_CST)) {
                    LOG_Write("THREADM::a worker held by the network is left to end by itself\n");
                } else {
                    LOG_Write("THREADM::waiting for a worker to reach a safe point\n");
                    WaitForSingleObject(*phThread, INFINITE);
                }
            }
            CloseHandle(*phThread);
        }
    } else if (*phThread) {
        CheckRunning(pName, phThread);
    }
    *phThread = nullptr;
    ReleaseBlock(b);
    *ppBlock = nullptr;
    *pbFinish = TRUE;
    return 1;
}

// The content pack's sink: the head and pieces go to the member's
// temporary file as they arrive.
struct ContentSink {
    DownloadBlock* b;
    FILE*          fp;
    char           strTemp[2048 + 32];
    int            nMagic;
    NetHandles     net;
};

int ContentBegin(void* pCtx, int nMagic, int, const unsigned char* pHead)
{
    ContentSink* s = static_cast<ContentSink*>(pCtx);
    s->nMagic = nMagic;
    const char* pUserPath = Folder(g_host.pfnGetUserPath);
    if (!*pUserPath) {
        LOG_Write("Thread_Download::no member folder\n");
        return 0;
    }
    std::snprintf(s->strTemp, sizeof(s->strTemp), "%s%s", pUserPath, THREADM_TEMPFILE);
    s->fp = std::fopen(s->strTemp, "wb");
    return s->fp != nullptr && std::fwrite(pHead, 1, PACKDL_HEAD, s->fp) == PACKDL_HEAD;
}

int ContentPiece(void* pCtx, const void* p, int n)
{
    ContentSink* s = static_cast<ContentSink*>(pCtx);
    return std::fwrite(p, 1, static_cast<size_t>(n), s->fp) == static_cast<size_t>(n);
}

void ContentProgress(void* pCtx, int nReceived, int nTotal)
{
    DownloadBlock* b = static_cast<ContentSink*>(pCtx)->b;
    if (nReceived == 0) {
        __atomic_store_n(b->pReadedSize, 0, __ATOMIC_RELAXED);
        __atomic_store_n(b->pFileSize, nTotal, __ATOMIC_RELAXED);
        return;
    }
    PublishProgress(b->pReadedSize, nReceived, nTotal);
}

DWORD WINAPI Thread_Download(LPVOID pArg)
{
    DownloadBlock* b = static_cast<DownloadBlock*>(pArg);
    LOG_Write("Thread_Download::starting\n");
    int ret = eTHREADM_DL_OK;
    char strTop[2048] = "";
    char strUrl[1024];
    static const char* const kMagics[] = { "CNPFVR05", "CNPFVRB5", "CNPFVR02" };
    ContentSink sink = { b, nullptr, "", 0, { &b->stop, nullptr, nullptr } };
    PackDlIf dl = {};
    int r;

    if (!ENV_GetValue(strTop, sizeof(strTop), "[DLWEBPAGE]")) {
        LOG_Write("Thread_Download::no [DLWEBPAGE] in env.bin\n");
        ret = eTHREADM_DL_ERR_URL;
        goto done;
    }
    std::snprintf(strUrl, sizeof(strUrl), "%s%s", strTop, b->pFileName);
    LOG_WriteLine(strUrl);
    dl.pAgent = THREADM_AGENT;
    dl.pUrl = strUrl;
    dl.ppMagics = kMagics;
    dl.nMagics = 3;
    dl.nMinTotal = PACKDL_HEAD;
    dl.nPiece = kPartSize;
    dl.pCtx = &sink;
    dl.pfnBegin = ContentBegin;
    dl.pfnPiece = ContentPiece;
    dl.pfnProgress = ContentProgress;
    dl.pfnCancelled = SinkCancelled<ContentSink>;
    dl.pfnAdopt = SinkAdopt<ContentSink>;
    r = PACKDL_Fetch(&dl);
    if (sink.fp != nullptr && std::fclose(sink.fp) != 0 && r == ePACKDL_OK) r = ePACKDL_ERR_SINK;
    sink.fp = nullptr;
    switch (r) {
    case ePACKDL_OK: break;
    case ePACKDL_ERR_OPEN: ret = eTHREADM_DL_ERR_OPEN; break;
    // An error page, a reply too short for a pack head, a total below it: no pack.
    case ePACKDL_ERR_STATUS: case ePACKDL_ERR_SHORT: case ePACKDL_ERR_MAGIC: case ePACKDL_ERR_SIZE:
        ret = eTHREADM_DL_ERR_MAGIC;
        break;
    case ePACKDL_ERR_SINK: ret = eTHREADM_DL_ERR_TEMP; break;
    case ePACKDL_ERR_CUT: LOG_Write("Thread_Download::the transfer broke off\n"); ret = eTHREADM_DL_ERR_URL; break;
    default: ret = eTHREADM_DL_ERR_URL; break;
    }
    if (sink.nMagic == 1) LOG_Write("contents is old tiv version\n");
    // From here on the worker writes the member's files and is waited for.
    __atomic_store_n(&b->stop.bInFiles, 1, __ATOMIC_SEQ_CST);
    if (ret == eTHREADM_DL_OK && Stop_Asked(&b->stop)) ret = eTHREADM_DL_ERR_URL;
    if (ret == eTHREADM_DL_OK) {
        // A content the catalogue does not know has no record to note its
        // files in: refuse it rather than unpack files nobody can find.
        if (CONTENTSLIST_GetIndexByKey(b->pKeyName) < 0) {
            LOG_Write("Thread_Download::the content is not in the catalogue\n");
            ret = eTHREADM_DL_ERR_UNPACK;
        } else if (!THREADM_UnpackContents(b->pKeyName, Folder(g_host.pfnGetUserPath), sink.strTemp, sink.nMagic == 1,
                                           sink.nMagic == 2, &b->stop.bStop)) {
            ret = eTHREADM_DL_ERR_UNPACK;
        }
    }

done:
    if (sink.fp) std::fclose(sink.fp);
    if (sink.strTemp[0]) DeleteFileA(sink.strTemp);
    Stop_CloseOwn(&b->stop, sink.net.hUrl, sink.net.hRoot);
    char line[64];
    std::snprintf(line, sizeof(line), "ret[%d]\n", ret);
    LOG_Write(line);
    LOG_Write("Thread_Download::normal end\n");
    // A stopped worker's result is for nobody: the request was given up.
    if (!Stop_Asked(&b->stop)) THREADM_PublishFinished(b->pReturn, ret);
    ReleaseBlock(b);
    return static_cast<DWORD>(ret);
}

DWORD WINAPI Thread_NoWaitDownload(LPVOID pArg)
{
    DlItemIf* p = static_cast<DlItemIf*>(pArg);
    InterlockedExchange(&g_bNoWaitRunning, 1);
    CMN_ASSERT(p->dlType == eDMD_DLT_DONWLOADING && p->cntType == eDMD_DT_NOWAIT_FILE);
    LOG_Write("Thread_NoWaitDownload::starting\n");
    int ret = 0, state = eDMD_DLT_FINISHED;
    HINTERNET hRoot = nullptr, hUrl = nullptr;
    FILE* fp = nullptr;
    char strUrl[2048];
    std::snprintf(strUrl, sizeof(strUrl), "%s", p->pWebPath);

    hRoot = OpenRoot(THREADM_AGENT);
    if (!hRoot) { ret = 1; state = eDMD_DLT_ERROR; }
    if (ret == 0 && !(hUrl = OpenUrl(hRoot, strUrl))) { ret = 2; state = eDMD_DLT_ERROR; }
    if (ret == 0 && !(fp = std::fopen(p->pOtPath, "wb"))) { ret = 6; state = eDMD_DLT_ERROR; }
    if (ret == 0) {
        const int kBufSize = 1000000;
        p->lReadedSize = 0;
        char* pBuf = static_cast<char*>(std::malloc(kBufSize));
        bool bBitmap = false, bFirst = true, bWriteOk = pBuf != nullptr;
        // Read to the end: a short read only means the rest has not arrived yet.
        while (pBuf) {
            DWORD got = 0;
            if (__atomic_load_n(&p->bStop, __ATOMIC_SEQ_CST)) {
                bWriteOk = false;
                break;
            }
            if (!InternetReadFile(hUrl, pBuf, kBufSize, &got) || got == 0) break;
            if (std::fwrite(pBuf, 1, got, fp) != got) bWriteOk = false;
            p->lReadedSize += static_cast<int>(got);
            if (bFirst && got >= 2) bBitmap = pBuf[0] == 'B' && pBuf[1] == 'M';
            bFirst = false;
        }
        std::fclose(fp);
        if (!bBitmap || !bWriteOk) {
            LOG_Write("delete bmp file\n");
            DeleteFileA(p->pOtPath);
        }
        std::free(pBuf);
    }
    if (hUrl) InternetCloseHandle(hUrl);
    if (hRoot) InternetCloseHandle(hRoot);
    p->lRet = ret;
    char line[64];
    std::snprintf(line, sizeof(line), "Thread_NoWaitDownload::ret[%d]\n", ret);
    LOG_Write(line);
    LOG_Write("Thread_NoWaitDownload::normal end\n");
    InterlockedExchange(&g_bNoWaitRunning, 0);
    __atomic_store_n(&p->dlType, state, __ATOMIC_RELEASE);
    return static_cast<DWORD>(ret);
}

// The POST workers: the catalogue and the leave request differ only in page.
DWORD PostWorker(PostBlock* b, const char* pName, const char* pPageKey, bool bLogParams)
{
    char line[256];
    std::snprintf(line, sizeof(line), "%s::starting\n", pName);
    LOG_Write(line);
    char strHost[2048] = "", strCgi[2048] = "", strParam[2048] = "";
    char* pBuf = nullptr;
    int nSize = 0, ret = -1;
    if (!ENV_GetValue(strHost, sizeof(strHost), "[CGITOPPAGE]") || !ENV_GetValue(strCgi, sizeof(strCgi), pPageKey)) {
        std::snprintf(line, sizeof(line), "%s::no host or page in env.bin\n", pName);
        LOG_Write(line);
    } else if (!THREADM_MakeLoginBody(strParam, sizeof(strParam), b->pUserId, b->pPasswd)) {
        std::snprintf(line, sizeof(line), "%s::user id or password too long\n", pName);
        LOG_Write(line);
    } else {
        if (bLogParams) {
            // The log is a plain file beside the program: the password never goes in.
            char strShown[2048] = "";
            THREADM_MakeLoginBody(strShown, sizeof(strShown), b->pUserId, "****");
            LOG_Write("host url is\n");
            LOG_WriteLine(strHost);
            LOG_Write("cgi url is\n");
            LOG_WriteLine(strCgi);
            LOG_Write("param is\n");
            LOG_WriteLine(strShown);
        }
        ret = PostAndRead(&pBuf, &nSize, strHost, strCgi, strParam, &b->stop);
        SecureZeroMemory(strParam, sizeof(strParam));
        if (!bLogParams) {
            std::snprintf(line, sizeof(line), "ret:[%d]\n", ret);
            LOG_Write(line);
        }
    }
    // A stopped worker's reply is for nobody: the shared result record may
    // already serve the next request.
    if (Stop_Asked(&b->stop)) {
        std::free(pBuf);
        return static_cast<DWORD>(ret);
    }
    *b->pRet = ret;
    *b->pBuf = pBuf;
    *b->pSize = nSize;
    THREADM_PublishFinished(b->pReturn, 0);
    return static_cast<DWORD>(ret);
}

DWORD PostWorkerRun(LPVOID pArg, const char* pName, const char* pPageKey, bool bLogParams)
{
    PostBlock* b = static_cast<PostBlock*>(pArg);
    DWORD ret = PostWorker(b, pName, pPageKey, bLogParams);
    ReleaseBlock(b);
    return ret;
}

DWORD WINAPI Thread_GetContentsList(LPVOID pArg)
{
    return PostWorkerRun(pArg, "Thread_GetContentsList", "[CGIPAGE_GETCONTENTSLIST]", false);
}

DWORD WINAPI Thread_ResignVelqa(LPVOID pArg)
{
    return PostWorkerRun(pArg, "Thread_ResignVelqa", "[CGIPAGE_RESIGNVELQA]", true);
}

DWORD WINAPI THREADM_CheckUserThread(LPVOID pArg)
{
    return PostWorkerRun(pArg, "THREADM_CheckUserThread", "[CGIPAGE_CHECKUSER]", true);
}

// The client-version pack's sink: held whole in memory.
struct VersionSink {
    PostBlock* b;
    char*      pPack;
    int        nReceived;
    NetHandles net;
};

int VersionBegin(void* pCtx, int, int nTotal, const unsigned char* pHead)
{
    VersionSink* s = static_cast<VersionSink*>(pCtx);
    s->pPack = static_cast<char*>(std::calloc(1, static_cast<size_t>(nTotal)));
    if (s->pPack == nullptr) return 0;
    std::memcpy(s->pPack, pHead, PACKDL_HEAD);
    s->nReceived = PACKDL_HEAD;
    return 1;
}

int VersionPiece(void* pCtx, const void* p, int n)
{
    VersionSink* s = static_cast<VersionSink*>(pCtx);
    std::memcpy(s->pPack + s->nReceived, p, static_cast<size_t>(n));
    s->nReceived += n;
    return 1;
}

void VersionProgress(void* pCtx, int nReceived, int nTotal)
{
    PostBlock* b = static_cast<VersionSink*>(pCtx)->b;
    if (nReceived == 0) {
        __atomic_store_n(b->pReadedSize, 0, __ATOMIC_RELAXED);
        __atomic_store_n(b->pFileSize, nTotal, __ATOMIC_RELAXED);
        return;
    }
    PublishProgress(b->pReadedSize, nReceived, nTotal);
}

DWORD WINAPI Thread_GetZvqVersion(LPVOID pArg)
{
    PostBlock* b = static_cast<PostBlock*>(pArg);
    int ret = eTHREADM_VER_OK;
    char strPage[2048] = "";
    char strUrl[1024];
    char line[1100];
    static const char* const kMagics[] = { "CNPFVR05" };
    VersionSink sink = { b, nullptr, 0, { &b->stop, nullptr, nullptr } };
    PackDlIf dl = {};
    int r;

    LOG_Write("Thread_GetZvqVersion::pass00\n");
    if (!ENV_GetValue(strPage, sizeof(strPage), "[ZVQCLIENTDLWEBPAGE]")) {
        LOG_Write("Thread_GetZvqVersion::err::envbinからSCMD_STR_ZVQCLIENTDLWEBPAGEが取得できない\n");
        ret = eTHREADM_VER_ERR_NOKEY;
        goto done;
    }
    std::snprintf(strUrl, sizeof(strUrl), "http://%s%s", strPage, "ver.bin");
    std::snprintf(line, sizeof(line), "download file is[%s]\n", strUrl);
    LOG_Write(line);
    dl.pAgent = THREADM_AGENT_ZVQ;
    dl.pUrl = strUrl;
    dl.ppMagics = kMagics;
    dl.nMagics = 1;
    // The whole pack is held in memory: a size below the smallest pack, or
    // a huge one, is no pack.
    dl.nMinTotal = 20;
    dl.nMaxTotal = THREADM_VER_MAX;
    dl.nPiece = kPartSize;
    dl.pCtx = &sink;
    dl.pfnBegin = VersionBegin;
    dl.pfnPiece = VersionPiece;
    dl.pfnProgress = VersionProgress;
    dl.pfnCancelled = SinkCancelled<VersionSink>;
    dl.pfnAdopt = SinkAdopt<VersionSink>;
    r = PACKDL_Fetch(&dl);
    switch (r) {
    case ePACKDL_OK: break;
    case ePACKDL_ERR_OPEN: ret = eTHREADM_VER_ERR_OPEN; break;
    case ePACKDL_ERR_STATUS: case ePACKDL_ERR_SHORT: case ePACKDL_ERR_MAGIC: case ePACKDL_ERR_SIZE:
    case ePACKDL_ERR_SINK:
        if (r == ePACKDL_ERR_SIZE) LOG_Write("Thread_GetZvqVersion::impossible pack size\n");
        ret = eTHREADM_VER_ERR_MAGIC;
        break;
    case ePACKDL_ERR_CUT:
        LOG_Write("Thread_GetZvqVersion::the transfer broke off\n");
        ret = eTHREADM_VER_ERR_URL;
        break;
    default: ret = eTHREADM_VER_ERR_URL; break;
    }
    __atomic_store_n(&b->stop.bInFiles, 1, __ATOMIC_SEQ_CST);
    if (ret == eTHREADM_VER_OK && Stop_Asked(&b->stop)) ret = eTHREADM_VER_ERR_URL;
    if (ret == eTHREADM_VER_OK) {
        // The launcher compares version.txt with ver.bin only after a
        // success: a pack not unpacked must fail the request, and an old
        // version.txt must never pass for the one this pack brings.
        std::string strList = std::string(b->pDlPath ? b->pDlPath : "") + "version.txt";
        if (!(b->pDlPath && *b->pDlPath)) {
            LOG_Write("Thread_GetZvqVersion::no application folder: not unpacked\n");
            ret = eTHREADM_VER_ERR_UNPACK;
        } else if (DeleteFileA(strList.c_str()), GetFileAttributesA(strList.c_str()) != INVALID_FILE_ATTRIBUTES) {
            LOG_Write("Thread_GetZvqVersion::an old version.txt cannot be removed\n");
            ret = eTHREADM_VER_ERR_UNPACK;
        } else if (!THREADM_UnpackVersionPack(sink.pPack, 2, b->pDlPath, sink.nReceived,
                                              CPD_GetInt32(sink.pPack + 12))) {
            LOG_Write("Thread_GetZvqVersion::the pack did not unpack\n");
            ret = eTHREADM_VER_ERR_UNPACK;
        }
    }

done:
    std::free(sink.pPack);
    Stop_CloseOwn(&b->stop, sink.net.hUrl, sink.net.hRoot);
    std::snprintf(line, sizeof(line), "Thread_GetZvqVersion::ret[%d]\n", ret);
    LOG_Write(line);
    LOG_Write("Thread_GetZvqVersion::normal end\n");
    if (!Stop_Asked(&b->stop)) THREADM_PublishFinished(b->pReturn, ret);
    ReleaseBlock(b);
    return static_cast<DWORD>(ret);
}

HANDLE Create(LPTHREAD_START_ROUTINE pFn, void* pArg)
{
    HANDLE h = g_host.pfnCreateThread ? g_host.pfnCreateThread(pFn, pArg)
                                      : CreateThread(nullptr, 0, pFn, pArg, 0, nullptr);
    if (!h) {
        LOG_Write("THREADM::CreateThread failed\n");
        ERRMSG_PutLastError();
    }
    return h;
}

int StartPost(PostBlock** ppBlock, HANDLE* phThread, int* pbFinish, LPTHREAD_START_ROUTINE pFn, const char* pName,
              int* pReadedSize, int* pFileSize, int* pReturn, int* pRet, char** pBuf, int* pSize,
              const char* pUserId, const char* pPasswd, const char* pDlPath)
{
    CMN_ASSERT(g_threadmIf.bInit);
    if (!g_threadmIf.bInit || !pReadedSize || !pFileSize || !pReturn || !pRet || !pBuf || !pSize) return 0;
    if (*phThread && CheckRunning(pName, phThread)) return 0;
    // The kind's last run (ended, or left behind by a stop) is let go here.
    Stop(pName, phThread, pbFinish, ppBlock);
    PostBlock* b = NewBlock<PostBlock>();
    if (b == nullptr) return 0;
    b->pReturn = pReturn;
    b->pRet = pRet;
    b->pBuf = pBuf;
    b->pSize = pSize;
    b->pReadedSize = pReadedSize;
    b->pFileSize = pFileSize;
    b->pUserId = pUserId ? CMNUTIL_DupStr(pUserId) : nullptr;
    b->pPasswd = pPasswd ? CMNUTIL_DupStr(pPasswd) : nullptr;
    b->pDlPath = pDlPath ? CMNUTIL_DupStr(pDlPath) : nullptr;
    Stop_Reset(&b->stop);
    *pbFinish = FALSE;
    *ppBlock = b;
    *phThread = Create(pFn, b);
    if (!*phThread) {
        ReleaseBlock(b);   // the worker's hold: it never ran
        ReleaseBlock(b);
        *ppBlock = nullptr;
        *pbFinish = TRUE;
        return 0;
    }
    return 1;
}

bool ShouldEscape(unsigned char c) { return c == '&' || c == '+' || c == '%' || c == '=' || c == ' ' || c == '\t'; }

}  // namespace

int THREADM_MakeLoginBody(char* pDst, int nDstSize, const char* pUserId, const char* pPasswd)
{
    static const char kHex[] = "0123456789ABCDEF";
    const char* parts[] = { "userid=", pUserId ? pUserId : "", "&passwd=", pPasswd ? pPasswd : "" };
    int n = 0;
    for (int i = 0; i < 4; i++) {
        for (const unsigned char* s = reinterpret_cast<const unsigned char*>(parts[i]); *s; s++) {
            bool bEsc = (i & 1) && ShouldEscape(*s);
            if (n + (bEsc ? 3 : 1) >= nDstSize) return 0;
            if (bEsc) {
                pDst[n++] = '%';
                pDst[n++] = kHex[*s >> 4];
                pDst[n++] = kHex[*s & 15];
            } else {
                pDst[n++] = static_cast<char>(*s);
            }
        }
    }
    pDst[n] = '\0';
    return 1;
}

int DownloadWithPost2(char** ppRecvBuf, int* pRecvSize, const char* pHost, const char* pCgiPath, const char* pParam)
{
    return PostAndRead(ppRecvBuf, pRecvSize, pHost, pCgiPath, pParam, nullptr);
}

namespace {

// DownloadWithPost2 for a worker that may be asked to stop (w may be null).
int PostAndRead(char** ppRecvBuf, int* pRecvSize, const char* pHost, const char* pCgiPath, const char* pParam,
                WorkerStop* w)
{
    *pRecvSize = 0;
    int ret = 0;
    char strHost[128], strCgi[2048];
    std::snprintf(strHost, sizeof(strHost), "%s", pHost);
    std::snprintf(strCgi, sizeof(strCgi), "%s", pCgiPath);
    HINTERNET hRoot = nullptr, hConn = nullptr, hReq = nullptr;
    static const char kHeader[] = "Content-Type: application/x-www-form-urlencoded";
    char line[64];

    hRoot = OpenRoot(THREADM_AGENT);
    if (!hRoot) { ret = -1; goto done; }
    if (!Stop_Publish(w, hRoot)) { ret = -2; goto done; }
    hConn = InternetConnectA(hRoot, strHost, 80, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    if (!hConn) { ret = -2; goto done; }
    hReq = HttpOpenRequestA(hConn, "POST", strCgi, nullptr, nullptr, nullptr, INTERNET_FLAG_RELOAD, 0);
    if (!hReq) { ret = -3; goto done; }
    if (!HttpSendRequestA(hReq, kHeader, static_cast<DWORD>(std::strlen(kHeader)), const_cast<char*>(pParam),
                          static_cast<DWORD>(std::strlen(pParam)))) {
        std::snprintf(line, sizeof(line), "HttpSendRequest:errorcode[%lu]\n", GetLastError());
        LOG_Write(line);
        ERRMSG_PutLastError();
        ret = -4;
        goto done;
    }
    {
        // One byte more than the cap, always 0: a full reply stays terminated.
        char* pBuf = static_cast<char*>(std::calloc(1, THREADM_RECV_MAX + 1));
        *ppRecvBuf = pBuf;
        while (pBuf && *pRecvSize < THREADM_RECV_MAX && !Stop_Asked(w)) {
            DWORD got = 0;
            if (!InternetReadFile(hReq, pBuf + *pRecvSize, static_cast<DWORD>(THREADM_RECV_MAX - *pRecvSize), &got)) {
                ret = 1;
                ERRMSG_PutLastError();
                break;
            }
            if (got == 0) break;
            ret = 1;
            *pRecvSize += static_cast<int>(got);
        }
    }

done:
    if (Stop_TakeBack(w, hRoot)) {
        if (hReq) InternetCloseHandle(hReq);
        if (hConn) InternetCloseHandle(hConn);
        InternetCloseHandle(hRoot);
    }
    std::snprintf(line, sizeof(line), "DownloadWithPost2::ret[%d]\n", ret);
    LOG_Write(line);
    std::snprintf(line, sizeof(line), "readedbuf::[%d]\n", *pRecvSize);
    LOG_Write(line);
    return ret;
}

}  // namespace

int THREADM_SetHost(const ThreadmHostIf* pHost)
{
    if (pHost) g_host = *pHost;
    else std::memset(&g_host, 0, sizeof(g_host));
    return 1;
}

int THREADM_Init(HWND hWnd)
{
    std::memset(&g_threadmIf, 0, sizeof(g_threadmIf));
    g_threadmIf.hWnd = hWnd;
    g_threadmIf.bFinishDownload = g_threadmIf.bFinishGetContentsList = TRUE;
    g_threadmIf.bFinishResignVelqa = g_threadmIf.bFinishGetZvqVersion = TRUE;
    g_threadmIf.bFinishCheckUser = TRUE;
    g_threadmIf.bInit = 1;
    return 1;
}

int THREADM_Fini(void)
{
    // A stop also lets go of the last run's block, ended or not.
    if (g_threadmIf.hDownloadThread || g_pDl) THREADM_Stop_Download();
    if (g_threadmIf.hGetContentsListThread || g_pContents) THREADM_Stop_GetContentsList();
    if (g_threadmIf.hResignVelqaThread || g_pResign) THREADM_Stop_ResignVelqa();
    if (g_threadmIf.hGetZvqVersionThread || g_pZvq) THREADM_Stop_GetZvqVersion();
    if (g_threadmIf.hCheckUserThread || g_pCheckUser) THREADM_Stop_CheckUser();
    std::memset(&g_threadmIf, 0, sizeof(g_threadmIf));
    return 1;
}

int  THREADM_SetHwnd(HWND hWnd) { g_threadmIf.hNotifyWnd = hWnd; return 1; }
HWND THREADM_GetHwnd(void) { return g_threadmIf.hNotifyWnd; }
int  THREADM_IsNoWaitDownloading(void) { return g_bNoWaitRunning != 0; }

int THREADM_Start_Download(const char* pFileName, int* pReadedSize, int* pFileSize, const char* pKeyName,
                           int* pReturn, int pathType)
{
    CMN_ASSERT(g_threadmIf.bInit);
    if (!g_threadmIf.bInit || !pFileName || !pReadedSize || !pFileSize || !pKeyName || !pReturn) return 0;
    if (g_threadmIf.hDownloadThread && THREADM_CheckRunning_Download()) return 0;
    THREADM_Stop_Download();   // lets go of the last run
    DownloadBlock* b = NewBlock<DownloadBlock>();
    if (b == nullptr) return 0;
    b->pReturn = pReturn;
    b->pReadedSize = pReadedSize;
    b->pFileSize = pFileSize;
    b->pFileName = CMNUTIL_DupStr(pFileName);
    b->pKeyName = CMNUTIL_DupStr(pKeyName);
    b->pathType = pathType;
    Stop_Reset(&b->stop);
    g_pDl = b;
    g_threadmIf.bFinishDownload = FALSE;
    g_threadmIf.hDownloadThread = Create(Thread_Download, b);
    if (!g_threadmIf.hDownloadThread) {
        ReleaseBlock(b);   // the worker's hold: it never ran
        ReleaseBlock(b);
        g_pDl = nullptr;
        g_threadmIf.bFinishDownload = TRUE;
        return 0;
    }
    return 1;
}
int THREADM_Stop_Download(void)
{
    return Stop("THREADM_CheckRunning_Download", &g_threadmIf.hDownloadThread, &g_threadmIf.bFinishDownload,
                &g_pDl);
}
int THREADM_CheckRunning_Download(void)
{
    return CheckRunning("THREADM_CheckRunning_Download", &g_threadmIf.hDownloadThread);
}

int THREADM_Start_GetContentsList(int* pReadedSize, int* pFileSize, int* pReturn, int* pRet, char** pBuf,
                                  int* pSize, const char* pUserId, const char* pPasswd)
{
    if (!pUserId || !pPasswd) return 0;
    return StartPost(&g_pContents, &g_threadmIf.hGetContentsListThread, &g_threadmIf.bFinishGetContentsList,
                     Thread_GetContentsList, "THREADM_CheckRunning_GetContentsList", pReadedSize, pFileSize,
                     pReturn, pRet, pBuf, pSize, pUserId, pPasswd, nullptr);
}
int THREADM_Stop_GetContentsList(void)
{
    return Stop("THREADM_CheckRunning_GetContentsList", &g_threadmIf.hGetContentsListThread,
                &g_threadmIf.bFinishGetContentsList, &g_pContents);
}
int THREADM_CheckRunning_GetContentsList(void)
{
    return CheckRunning("THREADM_CheckRunning_GetContentsList", &g_threadmIf.hGetContentsListThread);
}

int THREADM_Start_ResignVelqa(int* pReadedSize, int* pFileSize, int* pReturn, int* pRet, char** pBuf,
                              int* pSize, const char* pUserId, const char* pPassword)
{
    if (!pUserId || !pPassword) return 0;
    return StartPost(&g_pResign, &g_threadmIf.hResignVelqaThread, &g_threadmIf.bFinishResignVelqa,
                     Thread_ResignVelqa, "THREADM_CheckRunning_ResignVelqa", pReadedSize, pFileSize, pReturn, pRet,
                     pBuf, pSize, pUserId, pPassword, nullptr);
}
int THREADM_Stop_ResignVelqa(void)
{
    return Stop("THREADM_CheckRunning_ResignVelqa", &g_threadmIf.hResignVelqaThread, &g_threadmIf.bFinishResignVelqa,
                &g_pResign);
}
int THREADM_CheckRunning_ResignVelqa(void)
{
    return CheckRunning("THREADM_CheckRunning_ResignVelqa", &g_threadmIf.hResignVelqaThread);
}

int THREADM_Start_GetZvqVersion(int* pReadedSize, int* pFileSize, int* pReturn, int* pRet, char** pBuf, int* pSize)
{
    return StartPost(&g_pZvq, &g_threadmIf.hGetZvqVersionThread, &g_threadmIf.bFinishGetZvqVersion,
                     Thread_GetZvqVersion, "THREADM_CheckRunning_GetZvqVersion", pReadedSize, pFileSize, pReturn,
                     pRet, pBuf, pSize, nullptr, nullptr, Folder(g_host.pfnGetAppPath));
}
int THREADM_Stop_GetZvqVersion(void)
{
    return Stop("THREADM_CheckRunning_GetZvqVersion", &g_threadmIf.hGetZvqVersionThread,
                &g_threadmIf.bFinishGetZvqVersion, &g_pZvq);
}
int THREADM_CheckRunning_GetZvqVersion(void)
{
    return CheckRunning("THREADM_CheckRunning_GetZvqVersion", &g_threadmIf.hGetZvqVersionThread);
}

int THREADM_Start_CheckUser(int* pReadedSize, int* pFileSize, int* pReturn, int* pRet, char** pBuf, int* pSize,
                            const char* pUserId, const char* pPassword)
{
    if (!g_threadmIf.bInit) {
        LOG_Write("THREADM_Start_CheckUser::g_threadmIf.bInit == FALSE\n");
        return 0;
    }
    if (g_threadmIf.hCheckUserThread && THREADM_CheckRunning_CheckUser()) {
        LOG_Write("THREADM_Start_CheckUser::g_threadmIf.hCheckUserThread != NULL\n");
        return 0;
    }
    if (!pUserId || !pPassword) return 0;
    return StartPost(&g_pCheckUser, &g_threadmIf.hCheckUserThread, &g_threadmIf.bFinishCheckUser,
                     THREADM_CheckUserThread, "THREADM_CheckRunning_CheckUser", pReadedSize, pFileSize, pReturn,
                     pRet, pBuf, pSize, pUserId, pPassword, nullptr);
}
int THREADM_Stop_CheckUser(void)
{
    Stop("THREADM_CheckRunning_CheckUser", &g_threadmIf.hCheckUserThread, &g_threadmIf.bFinishCheckUser,
         &g_pCheckUser);
    LOG_Write("THREADM_Stop_CheckUser::ret[TRUE]\n");
    return 1;
}
int THREADM_CheckRunning_CheckUser(void)
{
    return CheckRunning("THREADM_CheckRunning_CheckUser", &g_threadmIf.hCheckUserThread);
}

int THREADM_Start_NoWaitDownload(DlItemIf* pDlIf)
{
    CMN_ASSERT(pDlIf && pDlIf->cntType == eDMD_DT_NOWAIT_FILE);
    if (!pDlIf || pDlIf->cntType != eDMD_DT_NOWAIT_FILE) return 0;
    pDlIf->hThread = Create(Thread_NoWaitDownload, pDlIf);
    return pDlIf->hThread != nullptr;
}

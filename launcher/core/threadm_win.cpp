// The worker threads and their WinINet requests.
#include "threadm.h"

#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cmnassert.h"
#include "cntunpack.h"
#include "contentslist.h"
#include "downloadmn.h"
#include "env.h"
#include "errmsg.h"
#include "log.h"
#include "packdl.h"

namespace {

struct DownloadBlock {
    int*  pReturn;
    int*  pReadedSize;
    int*  pFileSize;
    char* pFileName;
    char* pKeyName;
    int   pathType;
};

struct PostBlock {
    int*   pReturn;
    int*   pRet;
    char** pBuf;
    int*   pSize;
    int*   pReadedSize;
    int*   pFileSize;
    char*  pUserId;
    char*  pPasswd;
    char*  pDlPath;   // version request: the application folder
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
DownloadBlock g_dlIf;
PostBlock g_contentsIf;
PostBlock g_resignIf;
PostBlock g_zvqIf;
PostBlock g_checkUserIf;

const int kPartSize = 500000;

// A folder of the host, "" when it has none.
const char* Folder(const char* (*pfnGet)(void))
{
    const char* p = pfnGet ? pfnGet() : nullptr;
    return p ? p : "";
}

void FreeBlockStrings(PostBlock* b)
{
    if (b->pPasswd) SecureZeroMemory(b->pPasswd, std::strlen(b->pPasswd));
    std::free(b->pUserId);
    std::free(b->pPasswd);
    std::free(b->pDlPath);
    b->pUserId = b->pPasswd = b->pDlPath = nullptr;
}

char* DupStr(const char* p)
{
    size_t n = std::strlen(p ? p : "") + 1;
    char* d = static_cast<char*>(std::malloc(n));
    if (d) std::memcpy(d, p ? p : "", n);
    return d;
}

// Every request has the time-outs of the pack downloads: without them a
// silent server would hold the queue for ever.
HINTERNET OpenRoot(const char* pAgent) { return PACKDL_OpenRoot(pAgent); }

HINTERNET OpenUrl(HINTERNET hRoot, const char* pUrl)
{
    return InternetOpenUrlA(hRoot, pUrl, nullptr, 0, INTERNET_FLAG_RELOAD, 0);
}

int LoadLE32(const unsigned char* p) { return static_cast<int>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<unsigned>(p[3]) << 24); }

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

int Stop(const char* pName, HANDLE* phThread, int* pbFinish)
{
    if (*phThread) {
        if (CheckRunning(pName, phThread)) {
            // Let it finish its closing lines; terminate only one that hangs.
            if (WaitForSingleObject(*phThread, THREADM_STOP_WAIT_MS) == WAIT_TIMEOUT) {
                LOG_Write("THREADM::terminating a worker that did not end\n");
                TerminateThread(*phThread, 0);
            }
            CloseHandle(*phThread);
        }
        *phThread = nullptr;
    }
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
    ContentSink sink = { b, nullptr, "", 0 };
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
    if (ret == eTHREADM_DL_OK) {
        // A content the catalogue does not know has no record to note its
        // files in: refuse it rather than unpack files nobody can find.
        if (CONTENTSLIST_GetIndexByKey(b->pKeyName) < 0) {
            LOG_Write("Thread_Download::the content is not in the catalogue\n");
            ret = eTHREADM_DL_ERR_UNPACK;
        } else if (!THREADM_UnpackContents(b->pKeyName, Folder(g_host.pfnGetUserPath), sink.strTemp, sink.nMagic == 1,
                                           sink.nMagic == 2)) {
            ret = eTHREADM_DL_ERR_UNPACK;
        }
    }

done:
    if (sink.strTemp[0]) DeleteFileA(sink.strTemp);
    char line[64];
    std::snprintf(line, sizeof(line), "ret[%d]\n", ret);
    LOG_Write(line);
    LOG_Write("Thread_Download::normal end\n");
    THREADM_PublishFinished(b->pReturn, ret);
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
        ret = DownloadWithPost2(&pBuf, &nSize, strHost, strCgi, strParam);
        SecureZeroMemory(strParam, sizeof(strParam));
        if (!bLogParams) {
            std::snprintf(line, sizeof(line), "ret:[%d]\n", ret);
            LOG_Write(line);
        }
    }
    *b->pRet = ret;
    *b->pBuf = pBuf;
    *b->pSize = nSize;
    THREADM_PublishFinished(b->pReturn, 0);
    return static_cast<DWORD>(ret);
}

DWORD WINAPI Thread_GetContentsList(LPVOID pArg)
{
    return PostWorker(static_cast<PostBlock*>(pArg), "Thread_GetContentsList", "[CGIPAGE_GETCONTENTSLIST]", false);
}

DWORD WINAPI Thread_ResignVelqa(LPVOID pArg)
{
    return PostWorker(static_cast<PostBlock*>(pArg), "Thread_ResignVelqa", "[CGIPAGE_RESIGNVELQA]", true);
}

DWORD WINAPI THREADM_CheckUserThread(LPVOID pArg)
{
    return PostWorker(static_cast<PostBlock*>(pArg), "THREADM_CheckUserThread", "[CGIPAGE_CHECKUSER]", true);
}

// The client-version pack's sink: held whole in memory.
struct VersionSink {
    PostBlock* b;
    char*      pPack;
    int        nReceived;
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
    VersionSink sink = { b, nullptr, 0 };
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
                                              LoadLE32(reinterpret_cast<unsigned char*>(sink.pPack) + 12))) {
            LOG_Write("Thread_GetZvqVersion::the pack did not unpack\n");
            ret = eTHREADM_VER_ERR_UNPACK;
        }
    }

done:
    std::free(sink.pPack);
    std::snprintf(line, sizeof(line), "Thread_GetZvqVersion::ret[%d]\n", ret);
    LOG_Write(line);
    LOG_Write("Thread_GetZvqVersion::normal end\n");
    THREADM_PublishFinished(b->pReturn, ret);
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

int StartPost(PostBlock* b, HANDLE* phThread, int* pbFinish, LPTHREAD_START_ROUTINE pFn, const char* pName,
              int* pReadedSize, int* pFileSize, int* pReturn, int* pRet, char** pBuf, int* pSize,
              const char* pUserId, const char* pPasswd, const char* pDlPath)
{
    CMN_ASSERT(g_threadmIf.bInit);
    if (!g_threadmIf.bInit || !pReadedSize || !pFileSize || !pReturn || !pRet || !pBuf || !pSize) return 0;
    // A thread of the kind that already ended (a cancel left it recorded) is
    // forgotten here, so the kind can start again.
    if (*phThread && CheckRunning(pName, phThread)) return 0;
    FreeBlockStrings(b);
    b->pReturn = pReturn;
    b->pRet = pRet;
    b->pBuf = pBuf;
    b->pSize = pSize;
    b->pReadedSize = pReadedSize;
    b->pFileSize = pFileSize;
    b->pUserId = pUserId ? DupStr(pUserId) : nullptr;
    b->pPasswd = pPasswd ? DupStr(pPasswd) : nullptr;
    b->pDlPath = pDlPath ? DupStr(pDlPath) : nullptr;
    *pbFinish = FALSE;
    *phThread = Create(pFn, b);
    if (!*phThread) {
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
        while (pBuf && *pRecvSize < THREADM_RECV_MAX) {
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
    if (hReq) InternetCloseHandle(hReq);
    if (hConn) InternetCloseHandle(hConn);
    if (hRoot) InternetCloseHandle(hRoot);
    std::snprintf(line, sizeof(line), "DownloadWithPost2::ret[%d]\n", ret);
    LOG_Write(line);
    std::snprintf(line, sizeof(line), "readedbuf::[%d]\n", *pRecvSize);
    LOG_Write(line);
    return ret;
}

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
    if (g_threadmIf.hDownloadThread) THREADM_Stop_Download();
    if (g_threadmIf.hGetContentsListThread) THREADM_Stop_GetContentsList();
    if (g_threadmIf.hResignVelqaThread) THREADM_Stop_ResignVelqa();
    if (g_threadmIf.hGetZvqVersionThread) THREADM_Stop_GetZvqVersion();
    if (g_threadmIf.hCheckUserThread) THREADM_Stop_CheckUser();
    FreeBlockStrings(&g_checkUserIf);
    FreeBlockStrings(&g_contentsIf);
    FreeBlockStrings(&g_resignIf);
    FreeBlockStrings(&g_zvqIf);
    std::free(g_dlIf.pFileName);
    std::free(g_dlIf.pKeyName);
    g_dlIf.pFileName = g_dlIf.pKeyName = nullptr;
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
    std::free(g_dlIf.pFileName);
    std::free(g_dlIf.pKeyName);
    g_dlIf.pReturn = pReturn;
    g_dlIf.pReadedSize = pReadedSize;
    g_dlIf.pFileSize = pFileSize;
    g_dlIf.pFileName = DupStr(pFileName);
    g_dlIf.pKeyName = DupStr(pKeyName);
    g_dlIf.pathType = pathType;
    g_threadmIf.bFinishDownload = FALSE;
    g_threadmIf.hDownloadThread = Create(Thread_Download, &g_dlIf);
    if (!g_threadmIf.hDownloadThread) {
        g_threadmIf.bFinishDownload = TRUE;
        return 0;
    }
    return 1;
}
int THREADM_Stop_Download(void)
{
    return Stop("THREADM_CheckRunning_Download", &g_threadmIf.hDownloadThread, &g_threadmIf.bFinishDownload);
}
int THREADM_CheckRunning_Download(void)
{
    return CheckRunning("THREADM_CheckRunning_Download", &g_threadmIf.hDownloadThread);
}

int THREADM_Start_GetContentsList(int* pReadedSize, int* pFileSize, int* pReturn, int* pRet, char** pBuf,
                                  int* pSize, const char* pUserId, const char* pPasswd)
{
    if (!pUserId || !pPasswd) return 0;
    return StartPost(&g_contentsIf, &g_threadmIf.hGetContentsListThread, &g_threadmIf.bFinishGetContentsList,
                     Thread_GetContentsList, "THREADM_CheckRunning_GetContentsList", pReadedSize, pFileSize,
                     pReturn, pRet, pBuf, pSize, pUserId, pPasswd, nullptr);
}
int THREADM_Stop_GetContentsList(void)
{
    return Stop("THREADM_CheckRunning_GetContentsList", &g_threadmIf.hGetContentsListThread,
                &g_threadmIf.bFinishGetContentsList);
}
int THREADM_CheckRunning_GetContentsList(void)
{
    return CheckRunning("THREADM_CheckRunning_GetContentsList", &g_threadmIf.hGetContentsListThread);
}

int THREADM_Start_ResignVelqa(int* pReadedSize, int* pFileSize, int* pReturn, int* pRet, char** pBuf,
                              int* pSize, const char* pUserId, const char* pPassword)
{
    if (!pUserId || !pPassword) return 0;
    return StartPost(&g_resignIf, &g_threadmIf.hResignVelqaThread, &g_threadmIf.bFinishResignVelqa,
                     Thread_ResignVelqa, "THREADM_CheckRunning_ResignVelqa", pReadedSize, pFileSize, pReturn, pRet,
                     pBuf, pSize, pUserId, pPassword, nullptr);
}
int THREADM_Stop_ResignVelqa(void)
{
    return Stop("THREADM_CheckRunning_ResignVelqa", &g_threadmIf.hResignVelqaThread, &g_threadmIf.bFinishResignVelqa);
}
int THREADM_CheckRunning_ResignVelqa(void)
{
    return CheckRunning("THREADM_CheckRunning_ResignVelqa", &g_threadmIf.hResignVelqaThread);
}

int THREADM_Start_GetZvqVersion(int* pReadedSize, int* pFileSize, int* pReturn, int* pRet, char** pBuf, int* pSize)
{
    return StartPost(&g_zvqIf, &g_threadmIf.hGetZvqVersionThread, &g_threadmIf.bFinishGetZvqVersion,
                     Thread_GetZvqVersion, "THREADM_CheckRunning_GetZvqVersion", pReadedSize, pFileSize, pReturn,
                     pRet, pBuf, pSize, nullptr, nullptr, Folder(g_host.pfnGetAppPath));
}
int THREADM_Stop_GetZvqVersion(void)
{
    return Stop("THREADM_CheckRunning_GetZvqVersion", &g_threadmIf.hGetZvqVersionThread,
                &g_threadmIf.bFinishGetZvqVersion);
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
    return StartPost(&g_checkUserIf, &g_threadmIf.hCheckUserThread, &g_threadmIf.bFinishCheckUser,
                     THREADM_CheckUserThread, "THREADM_CheckRunning_CheckUser", pReadedSize, pFileSize, pReturn,
                     pRet, pBuf, pSize, pUserId, pPassword, nullptr);
}
int THREADM_Stop_CheckUser(void)
{
    Stop("THREADM_CheckRunning_CheckUser", &g_threadmIf.hCheckUserThread, &g_threadmIf.bFinishCheckUser);
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

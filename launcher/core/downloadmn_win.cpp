// The request queue: lists, the per-tick step and the posted results.
#include "downloadmn.h"

#include <cstdlib>
#include <cstring>

#include "cmnassert.h"
#include "cmnutil.h"
#include "log.h"
#include "threadm.h"
#include "userm.h"

DmIf g_dmIf;

namespace {

HWND g_hMainWnd;   // the window of the last FrameMove: the progress window's parent
DmHostIf g_host;   // outside g_dmIf: DOWNLOADMN_Init and DOWNLOADMN_Term keep it

// The progress window through the host's table; a missing operation does nothing.
void ProgressCreate(HWND hParent, int nMax)
{
    if (g_host.pfnProgressCreate) g_host.pfnProgressCreate(hParent, nMax);
}
void ProgressSetMax(int nMax, int nPos)
{
    if (g_host.pfnProgressSetMax) g_host.pfnProgressSetMax(nMax, nPos);
}
void ProgressDestroy(void)
{
    if (g_host.pfnProgressDestroy) g_host.pfnProgressDestroy();
}
bool ProgressIsExist(void) { return g_host.pfnProgressIsExist && g_host.pfnProgressIsExist(); }

void FreeStrings(DlItemIf* p)
{
    std::free(p->pPath);
    std::free(p->pKeyName);
    std::free(p->pOtPath);
    std::free(p->pWebPath);
    std::free(p->pUserId);
    if (p->pPassword) SecureZeroMemory(p->pPassword, std::strlen(p->pPassword));
    std::free(p->pPassword);
    p->pPath = p->pKeyName = p->pOtPath = p->pWebPath = p->pUserId = p->pPassword = nullptr;
}

void FreeList(LIST* pList)
{
    for (int i = 0; i < LIST_GetCnt(pList); i++) FreeStrings(static_cast<DlItemIf*>(LIST_GetAt(pList, i)));
    LIST_Free(pList);
}

DlItemIf* NewItem(int cntType)
{
    DlItemIf* p = static_cast<DlItemIf*>(std::calloc(1, sizeof(DlItemIf)));
    if (p) p->cntType = cntType;
    return p;
}

// Appends a record with its strings; frees all of it when something is missing.
int Append(LIST* pList, DlItemIf* p, bool bStringsOk)
{
    if (!p) return 0;
    if (!bStringsOk || !LIST_Add(pList, p)) {
        FreeStrings(p);
        std::free(p);
        return 0;
    }
    return 1;
}

bool HasKind(int cntType)
{
    for (int i = 0; i < LIST_GetCnt(&g_dmIf.lstDl); i++) {
        if (static_cast<DlItemIf*>(LIST_GetAt(&g_dmIf.lstDl, i))->cntType == cntType) return true;
    }
    return false;
}

int NoWaitState(void)
{
    DlItemIf* p = DOWNLOADMN_GetListTop_NoWait();
    return p ? __atomic_load_n(&p->dlType, __ATOMIC_ACQUIRE) : -1;
}

int TopState(void)
{
    DlItemIf* p = DOWNLOADMN_GetListTop();
    return p ? p->dlType : -1;
}

// A request runs only once its worker exists; one whose worker was refused is
// failed at once, so nobody waits for a thread that never came.
int MarkStarted(DlItemIf* p, int bStarted)
{
    p->dlType = bStarted ? eDMD_DLT_DONWLOADING : eDMD_DLT_ERROR;
    return bStarted;
}

}  // namespace

int DOWNLOADMN_SetHost(const DmHostIf* pHost)
{
    if (pHost) g_host = *pHost;
    else std::memset(&g_host, 0, sizeof(g_host));
    return 1;
}

int DOWNLOADMN_Init(void)
{
    std::memset(&g_dmIf, 0, sizeof(g_dmIf));
    LIST_Init(&g_dmIf.lstDl);
    LIST_Init(&g_dmIf.lstNoWait);
    g_dmIf.bInit = 1;
    return 1;
}

int DOWNLOADMN_Term(void)
{
    CMN_ASSERT(g_dmIf.bInit);
    if (!g_dmIf.bInit) return 0;
    FreeList(&g_dmIf.lstDl);
    // Background fetches are asked to stop and waited for, never ended from
    // outside (a file half written, a lock held). One still held by the
    // network past the wait keeps its record: it reads it when its call
    // returns (and then keeps no file).
    bool bLeftRunning = false;
    for (int i = 0; i < LIST_GetCnt(&g_dmIf.lstNoWait); i++) {
        DlItemIf* p = static_cast<DlItemIf*>(LIST_GetAt(&g_dmIf.lstNoWait, i));
        if (p->hThread) {
            __atomic_store_n(&p->bStop, 1, __ATOMIC_SEQ_CST);
            if (WaitForSingleObject(p->hThread, THREADM_STOP_WAIT_MS) == WAIT_TIMEOUT) {
                LOG_Write("DOWNLOADMN_Term::a fetch held by the network is left to end by itself\n");
                bLeftRunning = true;
                continue;
            }
            CloseHandle(p->hThread);
            p->hThread = nullptr;
        }
    }
    if (!bLeftRunning) FreeList(&g_dmIf.lstNoWait);
    std::memset(&g_dmIf, 0, sizeof(g_dmIf));
    return 1;
}

int DOWNLOADMN_Add(const char* pDownloadPath, const char* pKeyName, int pathType)
{
    CMN_ASSERT(g_dmIf.bInit);
    CMN_ASSERT(pDownloadPath && *pDownloadPath && pKeyName && *pKeyName);
    CMN_ASSERT(pathType == 0 || pathType == 3 || pathType == 6);
    if (!g_dmIf.bInit || !pDownloadPath || !*pDownloadPath || !pKeyName || !*pKeyName) return 0;
    for (int i = 0; i < LIST_GetCnt(&g_dmIf.lstDl); i++) {
        DlItemIf* p = static_cast<DlItemIf*>(LIST_GetAt(&g_dmIf.lstDl, i));
        if (p->cntType == eDMD_DT_FILE && p->pathType == pathType && p->pPath &&
            std::strcmp(p->pPath, pDownloadPath) == 0) {
            return 1;
        }
    }
    DlItemIf* p = NewItem(eDMD_DT_FILE);
    if (!p) return 0;
    p->pPath = CMNUTIL_DupStr(pDownloadPath);
    p->pKeyName = CMNUTIL_DupStr(pKeyName);
    p->pathType = pathType;
    return Append(&g_dmIf.lstDl, p, p->pPath && p->pKeyName);
}

int DOWNLOADMN_Add_GetContentsList(const char* pKeyName)
{
    CMN_ASSERT(g_dmIf.bInit);
    if (!g_dmIf.bInit || !pKeyName || !*pKeyName) return 0;
    if (HasKind(eDMD_DT_CONTENTSLIST)) return 1;
    DlItemIf* p = NewItem(eDMD_DT_CONTENTSLIST);
    if (!p) return 0;
    p->pKeyName = CMNUTIL_DupStr(pKeyName);
    return Append(&g_dmIf.lstDl, p, p->pKeyName != nullptr);
}

int DOWNLOADMN_Add_Resign(const char* pUserId)
{
    CMN_ASSERT(g_dmIf.bInit);
    if (!g_dmIf.bInit || !pUserId || !*pUserId) return 0;
    if (HasKind(eDMD_DT_RESIGNVELQA)) return 0;
    DlItemIf* p = NewItem(eDMD_DT_RESIGNVELQA);
    if (!p) return 0;
    p->pUserId = CMNUTIL_DupStr(pUserId);
    return Append(&g_dmIf.lstDl, p, p->pUserId != nullptr);
}

int DOWNLOADMN_Add_GetZvqVersion(void)
{
    if (!g_dmIf.bInit) {
        LOG_Write("DOWNLOADMN_Add_GetZvqVersion::g_dmIf.bInit == FALSE\n");
        return 0;
    }
    if (HasKind(eDMD_DT_ZVQVERSION)) return 1;
    return Append(&g_dmIf.lstDl, NewItem(eDMD_DT_ZVQVERSION), true);
}

int DOWNLOADMN_Add_CheckUser(const char* pUserId, const char* pPassword)
{
    if (!g_dmIf.bInit) return 0;
    if (!pUserId || !*pUserId) {
        LOG_Write("DOWNLOADMN_Add_CheckUser::err::pUserName\n");
        return 0;
    }
    if (!pPassword || !*pPassword) {
        LOG_Write("DOWNLOADMN_Add_CheckUser::err::pPassword\n");
        return 0;
    }
    if (HasKind(eDMD_DT_CHECKUSER)) return 1;
    DlItemIf* p = NewItem(eDMD_DT_CHECKUSER);
    if (!p) return 0;
    p->pUserId = CMNUTIL_DupStr(pUserId);
    p->pPassword = CMNUTIL_DupStr(pPassword);
    return Append(&g_dmIf.lstDl, p, p->pUserId && p->pPassword);
}

int DOWNLOADMN_Add_Web(const char* pOtPath, const char* pWebPath)
{
    CMN_ASSERT(g_dmIf.bInit);
    CMN_ASSERT(pOtPath && *pOtPath && pWebPath && *pWebPath);
    if (!g_dmIf.bInit || !pOtPath || !*pOtPath || !pWebPath || !*pWebPath) return 0;
    for (int i = 0; i < LIST_GetCnt(&g_dmIf.lstNoWait); i++) {
        DlItemIf* p = static_cast<DlItemIf*>(LIST_GetAt(&g_dmIf.lstNoWait, i));
        if (p->pWebPath && std::strcmp(p->pWebPath, pWebPath) == 0) return 1;
    }
    DlItemIf* p = NewItem(eDMD_DT_NOWAIT_FILE);
    if (!p) return 0;
    p->pOtPath = CMNUTIL_DupStr(pOtPath);
    p->pWebPath = CMNUTIL_DupStr(pWebPath);
    return Append(&g_dmIf.lstNoWait, p, p->pOtPath && p->pWebPath);
}

int DOWNLOADMN_GetCnt(void) { return g_dmIf.bInit ? LIST_GetCnt(&g_dmIf.lstDl) : 0; }
int DOWNLOADMN_GetCnt_NoWait(void) { return g_dmIf.bInit ? LIST_GetCnt(&g_dmIf.lstNoWait) : 0; }

DlItemIf* DOWNLOADMN_GetListTop(void) { return DOWNLOADMN_GetListAt(0); }

DlItemIf* DOWNLOADMN_GetListTop_NoWait(void)
{
    if (!g_dmIf.bInit || LIST_GetCnt(&g_dmIf.lstNoWait) == 0) return nullptr;
    return static_cast<DlItemIf*>(LIST_GetAt(&g_dmIf.lstNoWait, 0));
}

DlItemIf* DOWNLOADMN_GetListAt(int n)
{
    if (!g_dmIf.bInit || n < 0 || n >= LIST_GetCnt(&g_dmIf.lstDl)) return nullptr;
    return static_cast<DlItemIf*>(LIST_GetAt(&g_dmIf.lstDl, n));
}

int DOWNLOADMN_IsDownloading(void)
{
    for (int i = 0; i < DOWNLOADMN_GetCnt(); i++) {
        if (DOWNLOADMN_GetListAt(i)->dlType == eDMD_DLT_DONWLOADING) return TRUE;
    }
    return FALSE;
}

int DOWNLOADMN_IsWaitingTop_NoWait(void) { return NoWaitState() == eDMD_DLT_NONE; }
int DOWNLOADMN_IsDownloadingTop_NoWait(void) { return NoWaitState() == eDMD_DLT_DONWLOADING; }
int DOWNLOADMN_IsFinishedTop_NoWait(void)
{
    int s = NoWaitState();
    return s == eDMD_DLT_FINISHED || s == eDMD_DLT_ERROR;
}

int DOWNLOADMN_GetTopType(void)
{
    DlItemIf* p = DOWNLOADMN_GetListTop();
    return p ? p->cntType : eDMD_DT_MAX;
}

const char* DOWNLOADMN_GetDownloadingKeyName(void)
{
    for (int i = 0; i < DOWNLOADMN_GetCnt(); i++) {
        DlItemIf* p = DOWNLOADMN_GetListAt(i);
        if (p->dlType == eDMD_DLT_DONWLOADING) return p->pKeyName;
    }
    return nullptr;
}

int DOWNLOADMN_RemoveListTop(void)
{
    if (!g_dmIf.bInit) return FALSE;
    if (LIST_GetCnt(&g_dmIf.lstDl) == 0) return TRUE;
    FreeStrings(static_cast<DlItemIf*>(LIST_GetAt(&g_dmIf.lstDl, 0)));
    LIST_DelTop(&g_dmIf.lstDl);
    return TRUE;
}

int DOWNLOADMN_RemoveListTop_NoWait(void)
{
    if (!g_dmIf.bInit) return FALSE;
    if (LIST_GetCnt(&g_dmIf.lstNoWait) == 0) return TRUE;
    DlItemIf* p = static_cast<DlItemIf*>(LIST_GetAt(&g_dmIf.lstNoWait, 0));
    // Only an ended fetch is removed by the poll: its thread is gone or going.
    if (p->hThread) {
        WaitForSingleObject(p->hThread, THREADM_STOP_WAIT_MS);
        CloseHandle(p->hThread);
        p->hThread = nullptr;
    }
    FreeStrings(p);
    LIST_DelTop(&g_dmIf.lstNoWait);
    return TRUE;
}

int DOWNLOADMN_RemoveFinished(void)
{
    if (!g_dmIf.bInit) return FALSE;
    while (DOWNLOADMN_GetCnt() > 0 && DOWNLOADMN_GetListTop()->dlType == eDMD_DLT_DONWLOADING) {
        DOWNLOADMN_RemoveListTop();
    }
    return TRUE;
}

int DOWNLOADMN_Cancel(void)
{
    if (!g_dmIf.bInit) return 0;
    FreeList(&g_dmIf.lstDl);
    return 1;
}

int DOWNLOADMN_StartDownload(DtIf* pDtIf)
{
    for (int i = 0; i < DOWNLOADMN_GetCnt(); i++) {
        DlItemIf* p = DOWNLOADMN_GetListAt(i);
        CMN_ASSERT(p->dlType != eDMD_DLT_FINISHED);
        if (p->dlType != eDMD_DLT_NONE) continue;
        LOG_Write("DOWNLOADMN_StartDownload::start\n");
        LOG_Write("path is ..\n");
        LOG_WriteLine(p->pPath);
        return MarkStarted(p, THREADM_Start_Download(p->pPath, &pDtIf->nReadedSize, &pDtIf->nFileSize,
                                                     p->pKeyName, &pDtIf->nReturn, p->pathType));
    }
    return FALSE;
}

int DOWNLOADMN_StartGetContentsList(DtIf* pDtIf)
{
    DlItemIf* p = DOWNLOADMN_GetListTop();
    return MarkStarted(p, THREADM_Start_GetContentsList(&pDtIf->nReadedSize, &pDtIf->nFileSize, &pDtIf->nReturn,
                                                        &pDtIf->nPostRet, &pDtIf->pRecvBuf, &pDtIf->nRecvSize,
                                                        p->pKeyName, USERM_GetPassword()));
}

int DOWNLOADMN_StartResign(DtIf* pDtIf)
{
    DlItemIf* p = DOWNLOADMN_GetListTop();
    return MarkStarted(p, THREADM_Start_ResignVelqa(&pDtIf->nReadedSize, &pDtIf->nFileSize, &pDtIf->nReturn,
                                                    &pDtIf->nPostRet, &pDtIf->pRecvBuf, &pDtIf->nRecvSize,
                                                    p->pUserId, USERM_GetPassword()));
}

int DOWNLOADMN_StartGetZvqVersion(DtIf* pDtIf)
{
    DlItemIf* p = DOWNLOADMN_GetListTop();
    return MarkStarted(p, THREADM_Start_GetZvqVersion(&pDtIf->nReadedSize, &pDtIf->nFileSize, &pDtIf->nReturn,
                                                      &pDtIf->nPostRet, &pDtIf->pRecvBuf, &pDtIf->nRecvSize));
}

int DOWNLOADMN_StartCheckUser(DtIf* pDtIf)
{
    DlItemIf* p = DOWNLOADMN_GetListTop();
    return MarkStarted(p, THREADM_Start_CheckUser(&pDtIf->nReadedSize, &pDtIf->nFileSize, &pDtIf->nReturn,
                                                  &pDtIf->nPostRet, &pDtIf->pRecvBuf, &pDtIf->nRecvSize,
                                                  p->pUserId, p->pPassword));
}

int DOWNLOADMN_StartNext(DtIf* pDtIf)
{
    std::memset(pDtIf, 0, sizeof(*pDtIf));
    pDtIf->nReturn = -1;
    DlItemIf* p = DOWNLOADMN_GetListTop();
    if (!p) return 0;
    CMN_ASSERT(p->dlType == eDMD_DLT_NONE);
    int bStarted = FALSE;
    switch (p->cntType) {
    case eDMD_DT_FILE: bStarted = DOWNLOADMN_StartDownload(pDtIf); break;
    case eDMD_DT_CONTENTSLIST: bStarted = DOWNLOADMN_StartGetContentsList(pDtIf); break;
    case eDMD_DT_RESIGNVELQA: bStarted = DOWNLOADMN_StartResign(pDtIf); break;
    case eDMD_DT_ZVQVERSION: bStarted = DOWNLOADMN_StartGetZvqVersion(pDtIf); break;
    case eDMD_DT_CHECKUSER: bStarted = DOWNLOADMN_StartCheckUser(pDtIf); break;
    default: CMN_ASSERT(!"unknown request kind"); break;
    }
    if (!bStarted) {
        // Nothing runs for this request: it ends here, failed, with a code the
        // main window already knows (file and version requests 1, no reply
        // for the others); FrameMove posts it on this same tick. No progress
        // window: there is no progress to show.
        p->dlType = eDMD_DLT_ERROR;
        int code = p->cntType == eDMD_DT_FILE || p->cntType == eDMD_DT_ZVQVERSION ? 1 : 0;
        LOG_Write("DOWNLOADMN_StartNext::the worker did not start\n");
        THREADM_PublishFinished(&pDtIf->nReturn, code);
        return 0;
    }
    ProgressCreate(g_hMainWnd, 100);
    return 1;
}

int DOWNLOADMN_StartNext_NoWait(void)
{
    DlItemIf* p = DOWNLOADMN_GetListTop_NoWait();
    CMN_ASSERT(p && p->cntType == eDMD_DT_NOWAIT_FILE && p->dlType == eDMD_DLT_NONE);
    if (!p || p->cntType != eDMD_DT_NOWAIT_FILE) return 0;
    p->lRet = -1;
    p->dlType = eDMD_DLT_DONWLOADING;
    if (!THREADM_Start_NoWaitDownload(p)) {
        p->lRet = 1;
        p->dlType = eDMD_DLT_ERROR;
        return 0;
    }
    return 1;
}

int DOWNLOADMN_StopTopThread(void)
{
    switch (DOWNLOADMN_GetTopType()) {
    case eDMD_DT_FILE: return THREADM_Stop_Download();
    case eDMD_DT_CONTENTSLIST: return THREADM_Stop_GetContentsList();
    case eDMD_DT_RESIGNVELQA: return THREADM_Stop_ResignVelqa();
    case eDMD_DT_ZVQVERSION: return THREADM_Stop_GetZvqVersion();
    case eDMD_DT_CHECKUSER: return THREADM_Stop_CheckUser();
    default: return 0;
    }
}

int DOWNLOADMN_FrameMove(HWND hWnd, UINT msgContentsList, UINT msgDownload, UINT msgResign, UINT msgVersion,
                         DtIf* pDtIf, UINT msgCheckUser)
{
    CMN_ASSERT(g_dmIf.bInit);
    CMN_ASSERT(pDtIf != nullptr);
    if (!g_dmIf.bInit || !pDtIf) return 0;
    g_hMainWnd = hWnd;

    if (DOWNLOADMN_IsDownloading() && ProgressIsExist()) {
        ProgressSetMax(__atomic_load_n(&pDtIf->nFileSize, __ATOMIC_RELAXED),
                       __atomic_load_n(&pDtIf->nReadedSize, __ATOMIC_RELAXED));
    }
    if (!DOWNLOADMN_IsDownloading() && TopState() == eDMD_DLT_NONE) {
        LOG_Write("DL待ちをリストから発見\n");
        DOWNLOADMN_StartNext(pDtIf);
    }
    // A running request, or one whose worker was refused (its failure is
    // already in the finished word).
    if (DOWNLOADMN_IsDownloading() || TopState() == eDMD_DLT_ERROR) {
        int nFinished = THREADM_LoadFinished(&pDtIf->nReturn);
        if (nFinished != -1) {
            if (ProgressIsExist()) ProgressDestroy();
            DOWNLOADMN_StopTopThread();
            DlItemIf* pTop = DOWNLOADMN_GetListTop();
            switch (pTop->cntType) {
            case eDMD_DT_FILE: {
                DlResultIf* r = static_cast<DlResultIf*>(std::calloc(1, sizeof(DlResultIf)));
                if (r) {
                    std::strncpy(r->strContentsId, pTop->pKeyName ? pTop->pKeyName : "", sizeof(r->strContentsId) - 1);
                    r->pathType = pTop->pathType;
                }
                PostMessageA(hWnd, msgDownload, static_cast<WPARAM>(nFinished), reinterpret_cast<LPARAM>(r));
                break;
            }
            case eDMD_DT_CONTENTSLIST:
                PostMessageA(hWnd, msgContentsList, static_cast<WPARAM>(pDtIf->nRecvSize),
                             reinterpret_cast<LPARAM>(pDtIf->pRecvBuf));
                break;
            case eDMD_DT_RESIGNVELQA: {
                ResignResultIf* r = static_cast<ResignResultIf*>(std::calloc(1, sizeof(ResignResultIf)));
                if (r && pDtIf->nRecvSize > 0) {
                    r->nSize = pDtIf->nRecvSize;
                    r->pBuf = pDtIf->pRecvBuf;
                } else {
                    std::free(pDtIf->pRecvBuf);   // an empty reply: nobody else will free it
                }
                PostMessageA(hWnd, msgResign, 0, reinterpret_cast<LPARAM>(r));
                break;
            }
            case eDMD_DT_ZVQVERSION:
                PostMessageA(hWnd, msgVersion, static_cast<WPARAM>(nFinished), 0);
                break;
            case eDMD_DT_CHECKUSER:
                // The receiver frees the reply; a program that asked for no
                // message gets none, and nothing is left behind.
                if (msgCheckUser == 0 || !PostMessageA(hWnd, msgCheckUser, static_cast<WPARAM>(pDtIf->nRecvSize),
                                                       reinterpret_cast<LPARAM>(pDtIf->pRecvBuf))) {
                    std::free(pDtIf->pRecvBuf);
                }
                pDtIf->pRecvBuf = nullptr;
                break;
            default:
                CMN_ASSERT(!"不正なコンテンツタイプのDL処理が行われた");
                break;
            }
            DOWNLOADMN_RemoveListTop();
        }
    }
    if (DOWNLOADMN_IsWaitingTop_NoWait() && DOWNLOADMN_GetCnt_NoWait() > 0) {
        LOG_Write("DL待ち(NO WAIT)をリストから発見\n");
        DOWNLOADMN_StartNext_NoWait();
    }
    if (DOWNLOADMN_IsFinishedTop_NoWait()) DOWNLOADMN_RemoveListTop_NoWait();
    return 1;
}

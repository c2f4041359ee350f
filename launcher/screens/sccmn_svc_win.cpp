#include "sccmn_svc.h"

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "cmnassert.h"
#include "contentslist.h"
#include "downloadmn.h"
#include "env.h"
#include "hantiv.h"
#include "log.h"
#include "page.h"
#include "sccmn.h"
#include "sccmn_reply.h"
#include "userm.h"

namespace {

const char kZvq022[] = "データ受信に失敗しました。処理を中止します（ZVQ:022）";
const char kZvq027[] = "データ受信に失敗しました。商品情報は取得できませんでした（ZVQ:027）";
const char* const kDownloadFailed[] = {
    "ダウンロード処理に失敗しました(ZVQ:013)", "ダウンロード処理に失敗しました(ZVQ:014)",
    "ダウンロード処理に失敗しました(ZVQ:015)", "ダウンロード処理に失敗しました(ZVQ:016)",
    "ダウンロード処理に失敗しました(ZVQ:017)",
};
const char* const kReportCaption = SCCMN_CAPTION_REPORT;

// Row buttons: the layout id less 10.
enum { BTN_WEBSALEPAGE = 0, BTN_MANUAL = 2, BTN_OPERATION = 3, BTN_SOUND = 4, BTN_PLAY = 5, BTN_FAVORITE = 6 };

SccmnSvcHostIf g_host = { nullptr, nullptr, nullptr };

void RefreshList(void)
{
    if (g_host.pfnRefreshPageList != nullptr) g_host.pfnRefreshPageList();
}

void RefreshRows(void)
{
    if (g_host.pfnRefreshPageList2 != nullptr) g_host.pfnRefreshPageList2();
}

void ResetHover(void)
{
    if (g_host.pfnResetHover != nullptr) g_host.pfnResetHover();
}

// The pages hold catalogue indexes: after the catalogue changed they are
// built again, and the list with them, in the member's sort (as a page
// switch keeps it).
void RebuildPagesAndList(void)
{
    PAGE_Rebuild();
    ResetHover();
    RefreshList();
}

int AccountContentIndex(void) { return CONTENTSLIST_GetIndexByKey(USERM_GetContentsId()); }

// A file request still waiting or running in the queue.
bool FileRequestLeft(void)
{
    for (int i = 0; i < DOWNLOADMN_GetCnt(); i++) {
        const DlItemIf* p = DOWNLOADMN_GetListAt(i);
        if (p != nullptr && p->cntType == eDMD_DT_FILE) return true;
    }
    return false;
}

// The actions that wait for a file of the request queue.
bool WaitsForFile(int nAction)
{
    return nAction == eGD_RESERVETYPE_KICKGAME || nAction == eGD_RESERVETYPE_KICKMANUAL ||
           nAction == eGD_RESERVETYPE_KICKOPERATIONMANUAL || nAction == eGD_RESERVETYPE_KICKSOUNDPLAYER ||
           nAction == eGD_RESERVETYPE_DOWNLOADING;
}

// An action that waits for a file when no file request is left: what it
// waited for will never come, so it ends.
void SettleIfIdle(void)
{
    if (!WaitsForFile(SCCMN_GetReserveAction()) || FileRequestLeft()) return;
    SCCMN_EndAction();
}

// What the action waited for failed or was refused: it ends, or, while
// downloads queued before it still run, becomes theirs (the last one ends it).
void GiveUpAction(void)
{
    if (FileRequestLeft()) SCCMN_SetReserveAction(eGD_RESERVETYPE_DOWNLOADING);
    else SCCMN_EndAction();
}

// A catalogue reply, used or not, ends what waited for the catalogue: the
// update button (nothing reserved, buttons off) and download-all. A play or
// a document waiting for its file is not the reply's business.
void EndCatalogueWait(void)
{
    int nAction = SCCMN_GetReserveAction();
    if (nAction == eGD_RESERVETYPE_NONE || nAction == eGD_RESERVETYPE_DOWNLOADALL) SCCMN_EndAction();
}

// A sale start that cannot reach its game or player: the launcher ends
// rather than keep its splash (and the single-instance mutex) for ever.
void EndSaleStart(void)
{
    LOG_Write("sale start ends without its content\n");
    PostQuitMessage(0);
}

// In the sale starts the reserved action decides what the empty reply leads to.
void OnEmptyReply(HWND hWnd)
{
    int nAction = SCCMN_GetReserveAction();
    if (SCCMN_IsLauncherMode()) {
        if (nAction == eGD_RESERVETYPE_NONE)
            LOG_Write("SCCMN_Proc_WmuRecvBuyInfo::SCCMN_GetReserveAction() == eGD_RESERVETYPE_NONE\n");
        // A play button's request may still be queued: its own result ends
        // its action. Quitting here, as the sale start does, would close the
        // member's launcher.
        EndCatalogueWait();
        return;
    }
    if (nAction == eGD_RESERVETYPE_KICKGAME) {
        int n = AccountContentIndex();
        int nType = CONTENTSLIST_GetType(n);
        if (nType == eCLPD_TYPE_PLAYABLE || nType == eCLPD_TYPE_UPDATE) {
            // The installed game starts without the fresh catalogue.
            PostMessageA(hWnd, WMU_KICKCONTENTS, 0, static_cast<LPARAM>(n));
            return;
        }
    }
    EndSaleStart();
}

// Queues a pack of the account's content for the reserved action.
int QueueAccountPack(const char* pServerPath, int nKind)
{
    const char* pId = USERM_GetContentsId();
    if (!DOWNLOADMN_Add(pServerPath != nullptr ? pServerPath : "", pId != nullptr ? pId : "", nKind))
        return SCCMN_DownloadRefused();
    return 1;
}

}  // namespace

void SCCMN_SetSvcHost(const SccmnSvcHostIf* pHost)
{
    if (pHost != nullptr) g_host = *pHost;
    else g_host = SccmnSvcHostIf{ nullptr, nullptr, nullptr };
}

const char* SCCMN_DownloadFailureText(int nCode)
{
    return nCode >= 1 && nCode <= 5 ? kDownloadFailed[nCode - 1] : nullptr;
}

int SCCMN_EnableMainButtons(void) { return SCCMN_EnableMainButtonsAll(); }

int SCCMN_DownloadRefused(void)
{
    LOG_Write("err::DOWNLOADMN_Add refused the pack (no server path)\n");
    // An address the queue cannot open is the address failure of a download.
    SCCMN_Report(SCCMN_GetMainWnd(), kDownloadFailed[1], kReportCaption, MB_OK, 0);
    if (!SCCMN_IsLauncherMode()) {
        EndSaleStart();
        return 0;
    }
    // Downloads queued before it just finish; the last one gives the buttons back.
    GiveUpAction();
    return 0;
}

int SCCMN_Proc_WmuRecvBuyInfo(HWND hWnd, WPARAM wParam, LPARAM lParam)
{
    int nSize = static_cast<int>(wParam);
    char* pBuf = reinterpret_cast<char*>(lParam);
    char str[64];
    LOG_Write("SCCMN_Proc_WmuRecvBuyInfo::starting\n");
    std::snprintf(str, sizeof(str), "recvbufsie[%d]\n", nSize);
    LOG_Write(str);
    if (nSize < 1 || pBuf == nullptr) {
        std::free(pBuf);
        SCCMN_Report(hWnd, kZvq022, kReportCaption, MB_OK, 1);
        OnEmptyReply(hWnd);
        return 1;
    }
    SCCMN_AnalyReceiveData(pBuf, nSize);
    std::free(pBuf);
    return 1;
}

int SCCMN_AnalyReceiveData(const char* pBuf, int nSize)
{
    if (pBuf == nullptr || nSize < 1) return 0;
    // Whatever does not begin with the status word (a zero byte included) is
    // a reply the launcher cannot use, and is handled as one.
    if (SCCMN_ClassifyReply(pBuf, nSize) != SCCMN_REPLY_OK) {
        SCCMN_Report(SCCMN_GetMainWnd(), kZvq027, kReportCaption, MB_OK, 1);
        if (SCCMN_IsLauncherMode()) EndCatalogueWait();
        else EndSaleStart();
        return 1;
    }
    ProcGameInfo(pBuf, nSize);

    int nAction = SCCMN_GetReserveAction();
    int n = AccountContentIndex();
    const char* pId = USERM_GetContentsId();
    if (!SCCMN_IsLauncherMode()) {
        // The sale starts wait for the catalogue to start the account's content.
        if (nAction == eGD_RESERVETYPE_KICKGAME) {
            if (SCCMN_IsPlayableById(pId)) PostMessageA(SCCMN_GetMainWnd(), WMU_KICKCONTENTS, 0, static_cast<LPARAM>(n));
            else QueueAccountPack(CONTENTSLIST_GetDlPathById(pId), eCLPD_PATHTYPE_MAINEXE);
        } else if (nAction == eGD_RESERVETYPE_KICKSOUNDPLAYER && SCCMN_GetStartMode() == eGD_STARTMODE_SALEKZDP) {
            if (SCCMN_IsVelqaPlayableById(pId)) {
                LOG_Write("SCCMN_AnalyReceiveData::next action[eGD_RESERVETYPE_KICKSOUNDPLAYER]\n");
                SCCMN_StartContents(n);
                PostQuitMessage(0);
            } else {
                QueueAccountPack(CONTENTSLIST_GetDlPathVelqaById(pId), eCLPD_PATHTYPE_KZDSOUND);
            }
        }
        return 1;
    }
    // In the launcher a play, a document or the music waits for its file,
    // never for the catalogue: only the update button's refresh and
    // download-all end here. Either is followed by the client-version check,
    // queued after download-all's files so that the update question comes
    // when they are in.
    if (nAction == eGD_RESERVETYPE_DOWNLOADALL) SCCMN_DownloadAllContents();
    if (nAction == eGD_RESERVETYPE_NONE || nAction == eGD_RESERVETYPE_DOWNLOADALL) {
        DOWNLOADMN_Add_GetZvqVersion();
        if (nAction == eGD_RESERVETYPE_NONE) SCCMN_EndAction();
    }
    return 1;
}

int ProcGameInfo(const char* pBuf, int nSize)
{
    int nCnt = 0;
    char* pText = SCCMN_DecodeCatalogue(pBuf, nSize, &nCnt);
    if (pText == nullptr) return 0;
    int bRet;
    if (CONTENTSLIST_IsLoaded()) {
        // The merge starts from the stored catalogue: what changed since the
        // last save (a favourite) is saved first, or the merge would lose it.
        if (!CONTENTSLIST_Save2()) LOG_Write("ProcGameInfo::err::CONTENTSLIST_Save2 before the merge\n");
        CONTENTSLIST_Free();
        bRet = CONTENTSLIST_Merge(pText, nCnt);
    } else {
        bRet = CONTENTSLIST_Init(pText);
    }
    std::free(pText);
    if (!bRet) {
        // The store on disk is as it was: the catalogue on screen comes back from it.
        LOG_Write("ProcGameInfo::err::merge\n");
        CONTENTSLIST_Free();
        CfhIf cfh;
        CONTENTSLIST_Load(&cfh, CLPD_STORE_TARGET_CATALOGUE);
        if (SCCMN_IsLauncherMode()) RebuildPagesAndList();
        return 0;
    }
    LOG_Write("ProcGameInfo::pas000\n");
    std::time_t t = std::time(nullptr);
    std::tm tmNow = {};
    localtime_s(&tmNow, &t);
    char strDate[16];
    std::snprintf(strDate, sizeof(strDate), "%d%02d%02d", tmNow.tm_year + 1900, tmNow.tm_mon + 1, tmNow.tm_mday);
    CONTENTSLIST_SetLastUpdate(strDate);
    CONTENTSLIST_Save2();
    if (SCCMN_IsLauncherMode()) RebuildPagesAndList();
    LOG_Write("ProcGameInfo::normal end\n");
    return 1;
}

int SCCMN_Proc_WmuRecvContents(HWND hWnd, WPARAM wParam, LPARAM lParam)
{
    LOG_Write("SCCMN_Proc_WmuRecvContents::start\n");
    DlResultIf* pRes = reinterpret_cast<DlResultIf*>(lParam);
    CMN_ASSERT(pRes != NULL);
    int nCode = static_cast<int>(wParam);
    if (pRes == nullptr) {
        // Nothing says which download ended: what waited for it is given up.
        if (SCCMN_IsLauncherMode()) SettleIfIdle();
        else DestroyWindow(hWnd);
        return 0;
    }
    pRes->strContentsId[sizeof(pRes->strContentsId) - 1] = '\0';
    if (nCode != 0) {
        const char* pText = SCCMN_DownloadFailureText(nCode);
        CMN_ASSERT(pText != NULL);
        if (pText != nullptr) SCCMN_Report(hWnd, pText, kReportCaption, MB_OK, 1);
        if (!SCCMN_IsLauncherMode()) {
            std::free(pRes);
            DestroyWindow(hWnd);
            LOG_Write("SCCMN_Proc_WmuRecvContents::normal end\n");
            return 1;
        }
        if (SCCMN_IsAwaitedFile(pRes->strContentsId, pRes->pathType)) GiveUpAction();
        else SettleIfIdle();
        std::free(pRes);
        LOG_Write("SCCMN_Proc_WmuRecvContents::normal end\n");
        return 1;
    }

    int n = CONTENTSLIST_GetIndexByKey(pRes->strContentsId);
    CMN_ASSERT(n != -1);
    switch (n < 0 ? -1 : pRes->pathType) {
    case eCLPD_PATHTYPE_MAINEXE:
        LOG_Write("SCCMN_Proc_WmuRecvContents::eCLPD_PATHTYPE_MAINEXE\n");
        CONTENTSLIST_SetTypeById(pRes->strContentsId, eCLPD_TYPE_PLAYABLE);
        CONTENTSLIST_CommitVersion(n);
        break;
    case eCLPD_PATHTYPE_MANUAL:
        LOG_Write("SCCMN_Proc_WmuRecvContents::eCLPD_PATHTYPE_MANUAL\n");
        CONTENTSLIST_SetTypeManualById(pRes->strContentsId, eCLPD_TYPE_PLAYABLE);
        CONTENTSLIST_CommitVersionManual(n);
        break;
    case eCLPD_PATHTYPE_KZDSOUND:
        LOG_Write("SCCMN_Proc_WmuRecvContents::eCLPD_PATHTYPE_KZDSOUND\n");
        CONTENTSLIST_SetTypeVelqaById(pRes->strContentsId, eCLPD_TYPE_PLAYABLE);
        CONTENTSLIST_CommitVersionVelqa(n);
        break;
    default:
        CMN_ASSERT(!"a download of a content or part the catalogue does not know");
        LOG_Write("SCCMN_Proc_WmuRecvContents::abnormal cnttype\n");
        std::free(pRes);
        // Whatever waited for it would wait for ever.
        if (SCCMN_IsLauncherMode()) SettleIfIdle();
        else DestroyWindow(hWnd);
        return 0;
    }
    CONTENTSLIST_Save2();
    if (SCCMN_IsLauncherMode()) RefreshList();

    // Only the part the action waits for carries it out; any other result
    // (one of download-all's, one queued before the action) only ends an
    // action left with nothing to wait for.
    if (!SCCMN_IsAwaitedFile(pRes->strContentsId, pRes->pathType)) {
        SettleIfIdle();
    } else {
        switch (SCCMN_GetReserveAction()) {
        case eGD_RESERVETYPE_KICKGAME:
            LOG_Write("SCCMN_Proc_WmuRecvContents::next action[eGD_RESERVETYPE_KICKGAME]\n");
            // The start ends the action.
            PostMessageA(hWnd, WMU_KICKCONTENTS, 0, static_cast<LPARAM>(n));
            break;
        case eGD_RESERVETYPE_KICKMANUAL:
            LOG_Write("SCCMN_Proc_WmuRecvContents::next action[eGD_RESERVETYPE_KICKMANUAL]\n");
            SCCMN_OpenManual(n);
            break;
        case eGD_RESERVETYPE_KICKOPERATIONMANUAL:
            LOG_Write("SCCMN_Proc_WmuRecvContents::next action[eGD_RESERVETYPE_KICKOPERATIONMANUAL]\n");
            SCCMN_OpenOperation(n);
            break;
        case eGD_RESERVETYPE_KICKSOUNDPLAYER:
            LOG_Write("SCCMN_Proc_WmuRecvContents::next action[eGD_RESERVETYPE_KICKSOUNDPLAYER]\n");
            SCCMN_StartContents(n);
            if (SCCMN_GetStartMode() == eGD_STARTMODE_SALEKZDP) PostQuitMessage(0);
            break;
        default:
            break;
        }
    }
    std::free(pRes);
    LOG_Write("SCCMN_Proc_WmuRecvContents::normal end\n");
    return 1;
}

int SCCMN_Proc_WmuRecvResignVelqa(HWND, WPARAM, LPARAM lParam)
{
    ResignResultIf* pRes = reinterpret_cast<ResignResultIf*>(lParam);
    char str[512];
    if (pRes == nullptr || pRes->pBuf == nullptr || pRes->nSize < 1) {
        LOG_Write("SCCMN_Proc_WmuRecvResignVelqa::no reply\n");
    } else {
        char strReply[400];
        SCCMN_ReplyForLog(strReply, sizeof(strReply), pRes->pBuf, pRes->nSize, 256);
        std::snprintf(str, sizeof(str), "SCCMN_Proc_WmuRecvResignVelqa::reply[%s]\n", strReply);
        LOG_Write(str);
    }
    if (pRes != nullptr) std::free(pRes->pBuf);
    std::free(pRes);
    if (SCCMN_GetReserveAction() == eGD_RESERVETYPE_RESIGNVELQA) SCCMN_SetReserveAction(eGD_RESERVETYPE_NONE);
    return 1;
}

int SCCMN_StartResignVelqa(void)
{
    if (DOWNLOADMN_Add_Resign(USERM_GetId()) > 0) SCCMN_SetReserveAction(eGD_RESERVETYPE_RESIGNVELQA);
    return 1;
}

int SCCMN_IsPlayableById(const char* pContentsId)
{
    int nType = CONTENTSLIST_GetTypeById(pContentsId != nullptr ? pContentsId : "");
    CMN_ASSERT(nType != eCLPD_TYPE_MAX);
    return nType == eCLPD_TYPE_PLAYABLE;
}

int SCCMN_IsVelqaPlayableById(const char* pContentsId)
{
    int n = CONTENTSLIST_GetIndexByKey(pContentsId != nullptr ? pContentsId : "");
    CMN_ASSERT(n != -1);
    return n >= 0 && CONTENTSLIST_GetTypeVelqa(n) == eCLPD_TYPE_PLAYABLE;
}

int SCCMN_IsContentsState(int nIndex)
{
    if (!SCCMN_IsIndexValid(nIndex)) return 0;
    int nType = CONTENTSLIST_GetType(nIndex);
    return nType == eCLPD_TYPE_PLAYABLE || nType == eCLPD_TYPE_DOWNLOADABLE || nType == eCLPD_TYPE_UPDATE;
}

int SCCMN_IsContentsMarked(int nIndex) { return SCCMN_IsContentsState(nIndex); }

int SCCMN_CountMarkedContents(void)
{
    int nCnt = 0;
    for (int i = 0; i < CONTENTSLIST_GetCount(); i++) nCnt += SCCMN_IsContentsMarked(i);
    return nCnt;
}

namespace {

// The common start of every row action: the action reserved, the main
// buttons disabled until it ends.
bool BeginReserve(int nIndex, int nAction)
{
    if (!SCCMN_IsIndexValid(nIndex)) return false;
    SCCMN_BeginAction(nAction);
    return true;
}

}  // namespace

int SCCMN_Reserve_GamePlay(int nIndex, const char*)
{
    if (!BeginReserve(nIndex, eGD_RESERVETYPE_KICKGAME)) return 0;
    if (CONTENTSLIST_GetType(nIndex) == eCLPD_TYPE_PLAYABLE) {
        // The start ends the action; the buttons wait for it.
        PostMessageA(SCCMN_GetMainWnd(), WMU_KICKCONTENTS, 0, static_cast<LPARAM>(nIndex));
        return 1;
    }
    const char* pId = CONTENTSLIST_GetContentsId(nIndex);
    if (!DOWNLOADMN_Add(CONTENTSLIST_GetDlPath(nIndex), pId, eCLPD_PATHTYPE_MAINEXE)) return SCCMN_DownloadRefused();
    return 1;
}

int SCCMN_Reserve_GameManual(const char*, int nIndex)
{
    if (!BeginReserve(nIndex, eGD_RESERVETYPE_KICKMANUAL)) return 0;
    SCCMN_OpenManual(nIndex);
    return 1;
}

int SCCMN_Reserve_GameOperation(const char*, int nIndex)
{
    if (!BeginReserve(nIndex, eGD_RESERVETYPE_KICKOPERATIONMANUAL)) return 0;
    SCCMN_OpenOperation(nIndex);
    return 1;
}

int SCCMN_Reserve_GameSound(const char*, int nIndex)
{
    if (!SCCMN_IsIndexValid(nIndex)) return 0;
    if (!SCCMN_HasMusic(nIndex)) return 1;
    if (!BeginReserve(nIndex, eGD_RESERVETYPE_KICKSOUNDPLAYER)) return 0;
    SCCMN_StartContents(nIndex);
    return 1;
}

int SCCMN_Proc_WmuContentsButton(WPARAM wParam, LPARAM lParam, LIST*, HWND hWnd)
{
    int nButton = static_cast<int>(wParam);
    int n = static_cast<int>(lParam);
    switch (nButton) {
    case BTN_WEBSALEPAGE: {
        CMN_ASSERT(SCCMN_IsIndexValid(n));
        if (!SCCMN_IsIndexValid(n)) return 1;
        const char* pId = CONTENTSLIST_GetContentsId(n);
        char strTop[2048] = "";
        if (!ENV_GetValue(strTop, sizeof(strTop), "[PROJECTTIVWEBPAGE]") || strTop[0] == '\0') {
            // Without the service's address there is no page to open: env.bin
            // lacks what it should hold, and the member is told so.
            LOG_Write("err::[PROJECTTIVWEBPAGE]\n");
            SCCMN_Report(hWnd, SCCMN_TEXT_ZVQ008, SCCMN_CAPTION_ERROR, MB_OK | MB_ICONSTOP, 0);
            return 1;
        }
        char strUrl[4096 + 64];
        std::snprintf(strUrl, sizeof(strUrl), "%scgi/ecatalog-detail.cgi?product_id=%s", strTop, pId);
        ShellExecuteA(hWnd, "open", strUrl, nullptr, nullptr, SW_SHOWNORMAL);
        return 1;
    }
    case BTN_MANUAL:
    case BTN_OPERATION:
    case BTN_SOUND:
    case BTN_PLAY: {
        if (!SCCMN_GetButtonEnable(nButton - BTN_MANUAL) || !SCCMN_IsContentsState(n)) return 1;
        SCCMN_SetReserveParam(0);
        const char* pId = CONTENTSLIST_GetContentsId(n);
        USERM_SetContentsId(pId, static_cast<int>(std::strlen(pId)));
        const char* pUser = USERM_GetId();
        if (nButton == BTN_MANUAL) SCCMN_Reserve_GameManual(pUser, n);
        else if (nButton == BTN_OPERATION) SCCMN_Reserve_GameOperation(pUser, n);
        else if (nButton == BTN_SOUND) SCCMN_Reserve_GameSound(pUser, n);
        else SCCMN_Reserve_GamePlay(n, pUser);
        return 1;
    }
    case BTN_FAVORITE: {
        if (!SCCMN_GetButtonEnable(4) || !SCCMN_IsIndexValid(n)) return 1;
        CONTENTSLIST_SetFavorite(n, CONTENTSLIST_GetFavorite(n) == 1 ? 0 : 1);
        int nSel = SCCMN_GetComboSel();
        if (nSel >= 0 && PAGE_GetKind(nSel) == ePDKIND_FAVORITE) RebuildPagesAndList();
        else RefreshRows();
        return 1;
    }
    default:
        return 1;
    }
}

int SCCMN_DownloadAllContents(void)
{
    int nQueued = 0;
    // Only when at least one game is downloadable; otherwise nothing is queued.
    for (int i = 0; CONTENTSLIST_CountDownloadable() > 0 && i < CONTENTSLIST_GetCount(); i++) {
        int nType = CONTENTSLIST_GetType(i);
        if (nType != eCLPD_TYPE_DOWNLOADABLE && nType != eCLPD_TYPE_UPDATE) continue;
        const char* pId = CONTENTSLIST_GetContentsId(i);
        if (pId == nullptr || pId[0] == '\0') continue;
        const char* pPath = CONTENTSLIST_GetDlPath(i);
        if (pPath == nullptr || pPath[0] == '\0') continue;   // the queue takes no empty address
        if (DOWNLOADMN_Add(pPath, pId, eCLPD_PATHTYPE_MAINEXE)) nQueued++;
    }
    // The action ends here when there is nothing to download, or passes to
    // the downloads, the last of which ends it.
    if (nQueued > 0) SCCMN_BeginAction(eGD_RESERVETYPE_DOWNLOADING);
    else if (SCCMN_GetReserveAction() == eGD_RESERVETYPE_DOWNLOADALL) SCCMN_EndAction();
    return 1;
}

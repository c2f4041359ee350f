// Handing over to the other programs: a game through the game runner (its
// executable expanded from the ".sbn" beside it when missing), the manual
// and the operation guide through the shell, the music player with the
// content's music archive expanded from its ".smd", and the updater when the
// service offers a newer client. A part not yet on disk is queued for
// download instead, with the action reserved so the download's end comes
// back here.
#include "sccmn_start.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cmnassert.h"
#include "cmnfile.h"
#include "contentslist.h"
#include "decwnd.h"
#include "downloadmn.h"
#include "hantiv.h"
#include "log.h"
#include "sccmn.h"
#include "sccmn_run.h"
#include "sccmn_svc.h"
#include "scctrl.h"
#include "scskin.h"
#include "selcontentsdlg.h"
#include "slide.h"
#include "userm.h"

namespace {

enum { kPathMax = 2048 };
const int kKindExe = 0, kKindReadme = 1, kKindManual = 3, kKindVelqa = 6, kKindRom = 7;

const char kZvq045[] = "ダウンロード済みコンテンツが存在しません。処理を中断します。(ZVQ:045)";
const char kZvq029[] = "最新のZVQクライアントバージョンが取得できませんでした（ZVQ:029）";
const char kZvq030[] = "ローカルのZVQクライアントバージョンが取得できませんでした（ZVQ:030）";
const char kAskUpdate[] = "最新のTIVランチャーを発見しました。\nダウンロードを行う為にいったんTIVランチャーを終了しますか？";
const char* const kReportCaption = SCCMN_CAPTION_REPORT;

// Set while a start runs: the slot chooser's modal loop still dispatches the
// main window's timer and posted messages, and a result arriving then must
// not begin a second start on top of the first.
bool g_bStarting = false;

// One start from its beginning to its end. A start begun inside another is
// refused; the outer one ends the reserved action when it is over, however
// it ended (started, ZVQ:045, no path, a failed expansion), unless it handed
// the action on to a download it queued (KeepAction).
class StartScope {
public:
    StartScope() : m_bOwner(!g_bStarting)
    {
        if (m_bOwner) g_bStarting = true;
        else LOG_Write("StartScope::a start inside a running start is refused\n");
    }
    ~StartScope()
    {
        if (!m_bOwner) return;
        g_bStarting = false;
        if (m_bEnd) SCCMN_EndAction();
    }
    StartScope(const StartScope&) = delete;
    StartScope& operator=(const StartScope&) = delete;
    bool Refused() const { return !m_bOwner; }
    void KeepAction() { m_bEnd = false; }

private:
    bool m_bOwner;
    bool m_bEnd = true;
};

// The slot of a kind: 0, or the member's choice when the content has more.
// The chooser's modal loop may take in a catalogue reply, which builds the
// catalogue anew: the content is found again by its id afterwards (*pn, -1
// when it is gone).
int ChooseSlot(int* pn, int nKind, int nFlag)
{
    int nSlot = 0;
    if (CONTENTSLIST_GetSlotCnt(*pn, nKind) > 1) {
        char strId[sizeof(ContIf::strContentsId)] = "";
        const char* pId = CONTENTSLIST_GetContentsId(*pn);
        if (pId != nullptr) lstrcpynA(strId, pId, sizeof(strId));
        SELCONTENTSDLG_Open(&nSlot, *pn, nKind, SCCMN_GetMainWnd(), SCCMN_GetInstance(), nFlag);
        *pn = CONTENTSLIST_GetIndexByKey(strId);
    }
    return nSlot;
}

int Expand(const char* pPacked, const char* pOut)
{
    int bRet = SLIDE_OpenInFile(pPacked) && SLIDE_OpenOutFile(pOut) && SLIDE_DecodeFile();
    SLIDE_CloseInFile();
    if (!SLIDE_CloseOutFile()) bRet = 0;
    return bRet;
}

// Expands a packed file; a failed expansion leaves no half-written file to
// be started and says so.
bool ExpandOrReport(const char* pPacked, const char* pOut)
{
    if (Expand(pPacked, pOut)) return true;
    DeleteFileA(pOut);
    LOG_Write("ExpandOrReport::err::decode\n");
    SCCMN_LogLine(pPacked);
    SCCMN_Report(SCCMN_GetMainWnd(), kZvq045, kReportCaption, MB_OK | MB_ICONSTOP, 0);
    return false;
}

// The game's folder: the full path up to its last "\".
bool FolderOf(char* pDst, int nSize, const char* pPath)
{
    const char* pSep = std::strrchr(pPath, '\\');
    int n = pSep != nullptr ? static_cast<int>(pSep - pPath) : 0;
    int r = std::snprintf(pDst, nSize, "%.*s", n, pPath);
    return r >= 0 && r < nSize;
}

// Opens a stored document of the content with the shell; 0 without a path.
int OpenDocument(int n, int nKind)
{
    int nSlot = ChooseSlot(&n, nKind, 0);
    if (!SCCMN_IsIndexValid(n)) return 0;
    const char* pName = CONTENTSLIST_GetPath(n, nKind, nSlot);
    CMN_ASSERT(pName != NULL);
    if (pName == nullptr || pName[0] == '\0') return 0;
    char strPath[2 * kPathMax];
    std::snprintf(strPath, sizeof(strPath), "%s%s", CONTENTSLIST_GetUserPath(), pName);
    ShellExecuteA(SCCMN_GetMainWnd(), "open", strPath, nullptr, nullptr, SW_SHOWNORMAL);
    return 1;
}

// Queues a pack of the current content for download and reserves what
// follows its arrival.
int QueuePack(const char* pServerPath, int nKind, int nReserve)
{
    SCCMN_SetReserveParam(0);
    SCCMN_BeginAction(nReserve);
    // A pack without a server address is refused: nothing would ever end the action.
    if (!DOWNLOADMN_Add(pServerPath != nullptr ? pServerPath : "", USERM_GetContentsId(), nKind))
        return SCCMN_DownloadRefused();
    return 1;
}

// Expands the music archive again (the player deletes it when it ends) and
// starts the player on it with the content's screenshot.
int StartPlayer(int n)
{
    int nSlot = ChooseSlot(&n, kKindVelqa, 1);
    if (!SCCMN_IsIndexValid(n)) return 0;
    const char* pName = CONTENTSLIST_GetPath(n, kKindVelqa, nSlot);
    CMN_ASSERT(pName != NULL);
    if (pName == nullptr || pName[0] == '\0') return 0;
    const char* pAppPath = SCCMN_GetAppPath();
    CMN_ASSERT(pAppPath != NULL);
    if (pAppPath == nullptr || pAppPath[0] == '\0') return 0;
    char strArchive[2 * kPathMax], strSmd[2 * kPathMax], strPlayerDir[2 * kPathMax];
    std::snprintf(strArchive, sizeof(strArchive), "%s%s", CONTENTSLIST_GetUserPath(), pName);
    std::snprintf(strPlayerDir, sizeof(strPlayerDir), "%splayer\\", pAppPath);
    char strCur[kPathMax] = "";
    DWORD nCur = GetCurrentDirectoryA(sizeof(strCur), strCur);
    CMN_ASSERT(nCur != 0);
    SetCurrentDirectoryA(strPlayerDir);
    if (!CMNFILE_PackedName(strSmd, sizeof(strSmd), strArchive, ".smd") || !ExpandOrReport(strSmd, strArchive)) {
        if (nCur != 0) SetCurrentDirectoryA(strCur);
        return 0;
    }

    char* pShot = SCSKIN_GetLocalImagePath(n);
    CMN_ASSERT(pShot != NULL);
    if (pShot == nullptr || !CMNFILE_IsExist(pShot)) {
        std::free(pShot);
        pShot = SCSKIN_GetUnderConstructImage();
    }
    char strCmd[6 * kPathMax], strPlayer[2 * kPathMax + 32];
    std::snprintf(strPlayer, sizeof(strPlayer), "%splayer\\chipplay.exe", pAppPath);
    int bRet = SCCMN_MakePlayerCommand(strCmd, sizeof(strCmd), pAppPath, strArchive, pShot);
    if (bRet) {
        SCCMN_LogLine(strCmd);
        if (!SCCMN_Run(strCmd, strPlayer, nullptr)) {
            SCCMN_Report(SCCMN_GetMainWnd(), kZvq045, kReportCaption, MB_OK | MB_ICONSTOP, 0);
            bRet = 0;
        }
    }
    std::free(pShot);
    if (nCur != 0) SetCurrentDirectoryA(strCur);
    return bRet;
}

}  // namespace

int HANTIV_CopyQr(const char* pPath)
{
    char strSrc[2 * kPathMax], strDst[3 * kPathMax], strFolder[2 * kPathMax];
    std::snprintf(strSrc, sizeof(strSrc), "%sqr.exe", SCCMN_GetAppPath());
    std::snprintf(strDst, sizeof(strDst), "%s%s", CONTENTSLIST_GetUserPath(), pPath != nullptr ? pPath : "");
    if (FolderOf(strFolder, sizeof(strFolder), strDst)) {
        std::snprintf(strDst, sizeof(strDst), "%s\\qr.exe", strFolder);
        if (!CopyFileA(strSrc, strDst, FALSE)) {
            LOG_Write("HANTIV_CopyQr::err::CopyFile\n");
            SCCMN_LogLine(strDst);
        }
    }
    return 1;
}

int HANTIV_StartContents(int nIndex)
{
    static const char* const kModes[] = { "販売コンテンツ起動です", "販売コンテンツのプレイヤ起動です", "ランチャー起動です" };
    int nMode = SCCMN_GetStartMode();
    if (nMode >= 0 && nMode <= 2) SCCMN_LogLine(kModes[nMode]);
    StartScope scope;
    if (scope.Refused() || !SCCMN_IsIndexValid(nIndex)) return 0;
    // The music-player start mode only ever starts the player.
    if (nMode == eGD_STARTMODE_SALEKZDP) return 0;
    int nSlot = ChooseSlot(&nIndex, kKindExe, 0);
    const char* pName = SCCMN_IsIndexValid(nIndex) ? CONTENTSLIST_GetPath(nIndex, kKindExe, nSlot) : nullptr;
    if (pName == nullptr || pName[0] == '\0') {
        // Nothing on disk to start: the member is told, as for a missing game.
        LOG_Write("HANTIV_StartContents::err::no executable path\n");
        SCCMN_Report(SCCMN_GetMainWnd(), kZvq045, kReportCaption, MB_OK | MB_ICONSTOP, 0);
        return 0;
    }

    char strFull[2 * kPathMax];
    std::snprintf(strFull, sizeof(strFull), "%s%s", CONTENTSLIST_GetUserPath(), pName);
    if (!CMNFILE_IsExist(strFull)) {
        char strSbn[2 * kPathMax];
        if (!CMNFILE_PackedName(strSbn, sizeof(strSbn), strFull, ".sbn") || !CMNFILE_IsExist(strSbn)) {
            SCCMN_Report(SCCMN_GetMainWnd(), kZvq045, kReportCaption, MB_OK | MB_ICONSTOP, 0);
            return 0;
        }
        if (!ExpandOrReport(strSbn, strFull)) return 0;
        LOG_Write("decode is\n");
        SCCMN_LogLine(strFull);
    }
    char strCur[kPathMax] = "";
    DWORD nCur = GetCurrentDirectoryA(sizeof(strCur), strCur);
    CMN_ASSERT(nCur != 0);
    char strFolder[2 * kPathMax];
    FolderOf(strFolder, sizeof(strFolder), strFull);
    SetCurrentDirectoryA(strFolder);
    LOG_Write("cur dir is\n");
    SCCMN_LogLine(strFolder);

    char strCmd[4 * kPathMax + 256];
    const char* pRom = CONTENTSLIST_GetPath(nIndex, kKindRom, nSlot);
    if (HANTIV_MakeStartCommand(strCmd, sizeof(strCmd), strFull, pRom, CONTENTSLIST_GetSlotValue(nIndex, nSlot),
                                USERM_GetId(), USERM_GetContentsId(), CONTENTSLIST_GetUserPath())) {
        SCCMN_LogLine("----------------------------------------");
        SCCMN_LogLine(strCmd);
        SCCMN_LogLine("----------------------------------------");
        HANTIV_CopyQr(pName);
        char strQr[2 * kPathMax + 16];
        std::snprintf(strQr, sizeof(strQr), "%s\\qr.exe", strFolder);
        bool bDirect = pRom != nullptr && pRom[0] != '\0';
        if (!SCCMN_Run(strCmd, bDirect ? strFull : strQr, nullptr))
            SCCMN_Report(SCCMN_GetMainWnd(), kZvq045, kReportCaption, MB_OK | MB_ICONSTOP, 0);
    }
    if (nCur != 0) SetCurrentDirectoryA(strCur);
    return 1;
}

namespace {

// The three starts of a row's part: a part not on disk is queued with its
// action (the download's result comes back here); one on disk is opened or
// started; the action ends either way unless a download now carries it.
int StartPart(int nContentsId, int nType, const char* pServerPath, int nKind, int nReserve, int (*pfnStart)(int, int))
{
    CMN_ASSERT(nContentsId >= 0 && nContentsId < CONTENTSLIST_GetCount());
    StartScope scope;
    if (scope.Refused() || !SCCMN_IsIndexValid(nContentsId)) return 0;
    if (nType == eCLPD_TYPE_DOWNLOADABLE || nType == eCLPD_TYPE_UPDATE) {
        scope.KeepAction();
        return QueuePack(pServerPath, nKind, nReserve);
    }
    return nType == eCLPD_TYPE_PLAYABLE ? pfnStart(nContentsId, nKind) : 0;
}

int OpenDocumentOfKind(int n, int nKind) { return OpenDocument(n, nKind == kKindExe ? kKindReadme : nKind); }
int StartPlayerOf(int n, int) { return StartPlayer(n); }

}  // namespace

int SCCMN_OpenManual(int nContentsId)
{
    int nType = SCCMN_IsIndexValid(nContentsId) ? CONTENTSLIST_GetTypeManual(nContentsId) : eCLPD_TYPE_MAX;
    return StartPart(nContentsId, nType, CONTENTSLIST_GetDlPathManualById(USERM_GetContentsId()), kKindManual,
                     eGD_RESERVETYPE_KICKMANUAL, OpenDocumentOfKind);
}

int SCCMN_OpenOperation(int nContentsId)
{
    // The guide comes in the game's own pack.
    int nType = SCCMN_IsIndexValid(nContentsId) ? CONTENTSLIST_GetType(nContentsId) : eCLPD_TYPE_MAX;
    return StartPart(nContentsId, nType, CONTENTSLIST_GetDlPathById(USERM_GetContentsId()), kKindExe,
                     eGD_RESERVETYPE_KICKOPERATIONMANUAL, OpenDocumentOfKind);
}

int SCCMN_StartContents(int nContentsId)
{
    int nType = SCCMN_IsIndexValid(nContentsId) ? CONTENTSLIST_GetTypeVelqa(nContentsId) : eCLPD_TYPE_MAX;
    return StartPart(nContentsId, nType, CONTENTSLIST_GetDlPathVelqaById(USERM_GetContentsId()), kKindVelqa,
                     eGD_RESERVETYPE_KICKSOUNDPLAYER, StartPlayerOf);
}

int SCCMN_IsStartBusy(void) { return g_bStarting ? 1 : 0; }

int GetLocalFileVersion(LIST* pList, const char* pFileName)
{
    CMN_ASSERT(pFileName != NULL && lstrlen(pFileName) > 0);
    LIST_Init(pList);
    if (pFileName == nullptr || pFileName[0] == '\0') return 0;
    CmnText text;
    if (CMNFILE_ReadText(pFileName, 1, &text) != ERRID_CMNFILE_NONE) return 0;
    LOG_Write("GetLocalFileVersion::starting\n");
    LOG_Write("GetLocalFileVersion::pass00\n");
    LOG_Write("GetLocalFileVersion::pass01\n");
    SCCMN_LogLine(text.pText);
    LOG_Write("GetLocalFileVersion::pass02\n");
    SCCMN_ParseFileVersions(pList, text.pText);
    CMNFILE_FreeText(&text);
    return 1;
}

int SCCMN_Proc_WmuRecvGetZvqVersion(HWND hWnd, WPARAM wParam, LPARAM)
{
    bool bLauncher = SCCMN_GetStartMode() == eGD_STARTMODE_LAUNCHER;
    // The buttons follow the reserved action: one still under way keeps them off.
    bLauncher = bLauncher && SCCMN_GetReserveAction() == eGD_RESERVETYPE_NONE;
    if (wParam != 0) {
        if (bLauncher) SCCMN_EnableMainButtonsAll();
        DECWND_SetText(kZvq029);
        return 1;
    }
    char strPath[2 * kPathMax];
    LIST lstNow;
    std::snprintf(strPath, sizeof(strPath), "%sver.bin", SCCMN_GetAppPath());
    if (!GetLocalFileVersion(&lstNow, strPath)) {
        LOG_Write("SCCMN_Proc_WmuRecvGetZvqVersion::err::ローカルのver.binが取得できなかった\n");
        DECWND_SetText(kZvq030);
        return 0;
    }
    char strList[2 * kPathMax];
    std::snprintf(strList, sizeof(strList), "%sversion.txt", SCCMN_GetAppPath());
    CmnText text;
    int cfRet = CMNFILE_ReadText(strList, 0, &text);
    CMN_ASSERT(cfRet == ERRID_CMNFILE_NONE);
    if (cfRet == ERRID_CMNFILE_NONE && text.nLen > 0 &&
        SCCMN_CompareVersion(strPath, &lstNow, text.pText, text.nLen, SCCMN_GetAppPath())) {
        LOG_Write("異なるバージョンのファイルが存在する\n");
        if (MessageBoxA(hWnd, kAskUpdate, kReportCaption, MB_OKCANCEL) == IDOK) {
            // Without the updater running, ending the launcher would leave
            // the member with nothing: it stays.
            if (SCCMN_RunInFolder(SCCMN_GetAppPath(), "pullagent.exe", "-start tiv,")) PostQuitMessage(0);
        }
    }
    DeleteFileA(strList);
    CMNFILE_FreeText(&text);
    LIST_Free(&lstNow);
    if (bLauncher) SCCMN_EnableMainButtonsAll();
    return 1;
}

#include "hantiv.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "applisetting.h"
#include "bmpm.h"
#include "choiceacountdlg.h"
#include "cmnassert.h"
#include "cmnfile.h"
#include "commu.h"
#include "contentslist.h"
#include "decwnd.h"
#include "dlwnd.h"
#include "downloadmn.h"
#include "threadm.h"
#include "env.h"
#include "envappsetting.h"
#include "errmsg.h"
#include "log.h"
#include "page.h"
#include "reg.h"
#include "sccmn.h"
#include "sccmn_cmdline.h"
#include "sccmn_row.h"
#include "sccmn_sort_win.h"
#include "sccmn_svc.h"
#include "scctrl.h"
#include "scfont.h"
#include "sclayout.h"
#include "scskin.h"
#include "userm.h"

namespace {
int RefreshAfterSort(void);
}

AppIf g_appIf;

namespace {


const char kZvq000[] = "不正な起動です。処理を中止します(ZVQ:000)";
const char kZvq001[] = "不正な起動です。処理を中止します(ZVQ:001)";
const char kZvq002[] = "不正な起動です。処理を中止します(ZVQ:002)";
const char kZvq003[] = "アプリケーションパスを取得できませんでした。処理を中止します(ZVQ:003)";
const char kZvq006[] = "初期化処理に失敗しました。処理を中止します(ZVQ:006)";
const char kZvq007[] = "インストールに失敗しました。再度インストールをお試しいただいたのちに失敗が続くようでしたら、\n"
                       "大変お手数ですがお客様サポートにご連絡をお願い致します(ZVQ:007)。";
const char* const kZvq008 = SCCMN_TEXT_ZVQ008;
const char kZvq009[] = "不正な起動です。処理を中止します(ZVQ:009)。";
const char kZvq010[] = "不正な起動です。処理を中止します(ZVQ:010)。";
const char kZvq012[] = "固有情報が異なります。処理を中断します(ZVQ:012)";
const char kZvq016[] = "処理を中断します(ZVQ:016)。";
const char kZvq018[] = "ユーザ情報が存在しません。処理を中止します（ZVQ:018）";
const char kZvq110[] = "適用が完了いたしました。(ZVQ:110)";

const char* const kErrCaption = SCCMN_CAPTION_ERROR;
const char* const kReportCaption = SCCMN_CAPTION_REPORT;
const char* const kConfirmCaption = SCCMN_CAPTION_CONFIRM;


}  // namespace

int HANTIV_ParseCommandLine(const char* pCmdLine, int* pnStartMode)
{
    static const SccmnCmdTexts texts = { kZvq000, kZvq110, kZvq009, kZvq010, kZvq000 };
    return SCCMN_ParseCommandLine(pCmdLine, pnStartMode, &texts);
}

HWND CreateMainWnd(int nWidth, int nHeight, HINSTANCE hInstance, int nCmdShow)
{
    (void)nCmdShow;   // shown by PreInitApp once the account is known
    return SCCMN_CreateMainWnd(nWidth, nHeight, hInstance, HANTIV_WndProc);
}

int HANTIV_GetAcount(char* pUserId, int nSize)
{
    return SCCMN_GetAcount(pUserId, nSize, g_appIf.hWnd, kZvq003);
}

int PreInitApp(void)
{
    LOG_Write("PreInitApp::starting\n");
    if (g_appIf.nStartMode == eGD_STARTMODE_LAUNCHER) {
        char strId[129] = "";
        if (HANTIV_GetAcount(strId, sizeof(strId)) == 1 && USERM_SetId(strId, static_cast<int>(std::strlen(strId)))) {
            PostMessageA(g_appIf.hWnd, WMU_INITAPP_LAUNCHERMODE, 0, 0);
        } else {
            SCCMN_Report(nullptr, kZvq018, kReportCaption, MB_OK, 0);
            PostQuitMessage(0);
        }
    } else {
        PostMessageA(g_appIf.hWnd, WMU_INITAPP, 0, 0);
    }
    LOG_Write("PreInitApp::normal end\n");
    ShowWindow(g_appIf.hWnd, SW_SHOW);
    UpdateWindow(g_appIf.hWnd);
    return 1;
}

namespace {

int ReadAppsetNumber(const char* pKey, int nMissing)
{
    char str[2048];
    if (!ENVAPPSETTING_GetValue(str, sizeof(str), pKey)) return nMissing;
    char* pEnd = nullptr;
    long v = std::strtol(str, &pEnd, 10);
    return pEnd == str ? nMissing : static_cast<int>(v);
}

int LoadEnv(const char* pCaption)
{
    char strPath[2048 + 16];
    std::snprintf(strPath, sizeof(strPath), "%senv.bin", g_appIf.strAppPath);
    if (ENV_Load(strPath)) return 1;
    SCCMN_Report(g_appIf.hWnd, kZvq008, pCaption, MB_OK | MB_ICONSTOP, 1);
    return 0;
}

// The first steps of both start-ups: the notice window, the installation's
// paths and the member's folder.
int PreparePaths(void)
{
    DECWND_Create(g_appIf.hInstance, g_appIf.hWnd);
    if (!SCCMN_GetEnvInfo(g_appIf.strAppPath, sizeof(g_appIf.strAppPath), g_appIf.strUserPath,
                          sizeof(g_appIf.strUserPath), g_appIf.strSkinName, sizeof(g_appIf.strSkinName),
                          USERM_GetId())) {
        SCCMN_Report(g_appIf.hWnd, kZvq007, kErrCaption, MB_OK | MB_ICONSTOP, 1);
        return 0;
    }
    SCCMN_SetAppPath(g_appIf.strAppPath);
    SCCMN_SetCntPath(g_appIf.strUserPath);
    char* pCache = SCSKIN_GetDefaultImagePath();
    SCCACHE_SetFolder(pCache);
    std::free(pCache);
    CONTENTSLIST_SetUserPath(g_appIf.strUserPath);
    return 1;
}

// The skin and the three layout files. Without them the main screen has
// nothing to draw, so a file that is missing or refused, a skin without its
// background and a row layout without a background the list box can take
// stop start-up as a missing env.bin does.
int LoadScreenFiles(void)
{
    char strPath[2048 + 2048];
    std::snprintf(strPath, sizeof(strPath), "%s%s", g_appIf.strAppPath, g_appIf.strSkinName);
    int bRet = LoadSkin(&g_appIf.lstSkin, strPath, g_appIf.hWnd);
    CMN_ASSERT(bRet == TRUE);
    if (!bRet) return 0;
    const LiIf* pBg = SCSKIN_Find(&g_appIf.lstSkin, eCD_IMGTYPE_BG);
    if (pBg == nullptr || pBg->bmp[0].m_hBmp == nullptr) {
        LOG_Write("InitApp_LauncherMode::err::no background in the skin\n");
        return 0;
    }
    const char* layouts[3] = { "lcs.bin", "lcd.bin", "lcm.bin" };
    LIST* lists[3] = { &g_appIf.lstLcs, &g_appIf.lstLcd, &g_appIf.lstLcm };
    for (int i = 0; i < 3; i++) {
        std::snprintf(strPath, sizeof(strPath), "%s%s", g_appIf.strAppPath, layouts[i]);
        bRet = SCLAYOUT_Load(lists[i], strPath);
        CMN_ASSERT(bRet == TRUE);
        if (!bRet) return 0;
    }
    if (SCLAYOUT_FindRowBg(&g_appIf.lstLcs) == nullptr || SCLAYOUT_FindRowBg(&g_appIf.lstLcd) == nullptr) {
        LOG_Write("InitApp_LauncherMode::err::no row background in lcs.bin or lcd.bin\n");
        return 0;
    }
    return 1;
}

// The screen font, shared with the small windows.
void MakeFont(void)
{
    g_appIf.hFont = SCFONT_Create(10, "ＭＳ ゴシック");
    CMN_ASSERT(g_appIf.hFont != NULL);
    SCCMN_SetFont(g_appIf.hFont);
}

}  // namespace

int InitApp_LauncherMode(void)
{
    LOG_Write("InitApp_LauncherMode::staring\n");
    if (!PreparePaths()) return 0;

    char strPath[2048 + 32];
    std::snprintf(strPath, sizeof(strPath), "%sappset.bin", g_appIf.strAppPath);
    int bSettings = ENVAPPSETTING_Load(strPath);
    if (!bSettings && ENVAPPSETTING_CreateDefault(strPath)) bSettings = ENVAPPSETTING_Load(strPath);
    if (ReadAppsetNumber("[AUTO_UPDATECONTENTS]", 0) == 1) DOWNLOADMN_Add_GetContentsList(USERM_GetId());
    if (ReadAppsetNumber("[AUTO_DOWNLOADCONTENTS]", 0) == 1) {
        DOWNLOADMN_Add_GetContentsList(USERM_GetId());
        SCCMN_BeginAction(eGD_RESERVETYPE_DOWNLOADALL);
    }

    if (!LoadEnv(kErrCaption)) {
        ENVAPPSETTING_Free();
        return 0;
    }

    CfhIf cfh;
    SCCMN_SetComboSel(-1);
    if (CONTENTSLIST_Load(&cfh, 0)) {
        cfh.strPassword[sizeof(cfh.strPassword) - 1] = '\0';
        USERM_SetPassword(cfh.strPassword, static_cast<int>(std::strlen(cfh.strPassword)));
        CMN_ASSERT(PAGE_CheckValid() == FALSE);
        PAGE_Init();
        // A display mode outside the five pages falls back to the default page.
        int nPage = ReadAppsetNumber("[DEF_DISPMODE]", 2);
        if (nPage < 0 || nPage >= PAGE_GetCount()) nPage = 2;
        SCCMN_SetComboSel(nPage);
        PAGE_SetSortType(1);
        PAGE_Sort();
    }

    if (!LoadScreenFiles()) {
        SCCMN_Report(g_appIf.hWnd, kZvq008, kErrCaption, MB_OK | MB_ICONSTOP, 1);
        if (bSettings) ENVAPPSETTING_Free();
        return 0;
    }
    g_appIf.bReady = 1;
    // The window was shown, and painted empty, before the skin was here.
    InvalidateRect(g_appIf.hWnd, nullptr, FALSE);
    SCCTRL_CreateControls(&g_appIf.lstSkin, g_appIf.hWnd, g_appIf.hInstance);
    // Download-all waits for the catalogue with the buttons off, these too.
    if (SCCMN_GetReserveAction() != eGD_RESERVETYPE_NONE) SCCMN_DisableMainButtons();
    SCCMN_SetListRefresh(RefreshAfterSort);
    if (PAGE_CheckValid() && PAGE_GetCount() > 0) {
        SCCTRL_ShowCtrl(eCD_IMGTYPE_CMB_LISTMODE, SW_SHOW);
        SCCMN_SetMonthPage(SCCTRL_GetCtrl(eCD_IMGTYPE_CMB_LISTMODE), SCCMN_GetComboSel());
    }

    MakeFont();
    HANTIV_RefreshPageList();
    SCCMN_SetTimer(g_appIf.hWnd, 0, 1000);
    SCCMN_SetTimerAnim(g_appIf.hWnd, 1, 200);

    // Without a title in env.bin the window keeps its class name.
    char strTitle[2048];
    if (ENV_GetValue(strTitle, sizeof(strTitle), "[TITLENAME]")) SetWindowTextA(g_appIf.hWnd, strTitle);
    if (bSettings) ENVAPPSETTING_Free();
    return 1;
}

int InitApp(void)
{
    LOG_Write("InitApp::staring\n");
    if (!PreparePaths()) return 0;
    if (!LoadEnv(kReportCaption)) return 0;

    char strPath[2048 + 16];
    std::snprintf(strPath, sizeof(strPath), "%ssp.bin", g_appIf.strAppPath);
    SCSPLASH_Load(&g_appIf.lstSplash, strPath, g_appIf.hWnd);

    CfhIf cfh;
    if (CONTENTSLIST_Load(&cfh, 0)) {
        cfh.strUserId[sizeof(cfh.strUserId) - 1] = '\0';
        if (!SCCMN_Equals(cfh.strUserId, USERM_GetId())) {
            SCCMN_Report(g_appIf.hWnd, kZvq012, kReportCaption, MB_OK | MB_ICONSTOP, 0);
            return 0;
        }
    }
    HANTIV_RequestListForMode();
    MakeFont();
    SCCMN_SetTimer(g_appIf.hWnd, 0, 1000);
    g_appIf.bReady = 1;
    // The window was shown, and painted empty, before the splash was here.
    InvalidateRect(g_appIf.hWnd, nullptr, FALSE);
    LOG_Write("InitApp::normal end\n");
    return 1;
}

int HANTIV_RequestListForMode(void)
{
    SCCMN_CheckUserContents();
    SCCMN_SetReserveAction(g_appIf.nStartMode == eGD_STARTMODE_SALEKZDP ? eGD_RESERVETYPE_KICKSOUNDPLAYER
                                                                         : eGD_RESERVETYPE_KICKGAME);
    return 1;
}

namespace {
// A sort or another page: the old expanded row means nothing in the new order.
int RefreshAfterSort(void)
{
    SCSKIN_ResetHover();
    return HANTIV_RefreshPageList();
}
}  // namespace

int HANTIV_RefreshPageList(void)
{
    LIST_Free(&g_appIf.lstRow);
    LIST lstPlay;
    LIST_Init(&lstPlay);
    SCCMN_LoadPlayTime(&lstPlay);
    SCCMN_MakePlayInfo(&g_appIf.lstRow, &lstPlay, SCCMN_GetComboSel());
    SCCTRL_SelectContents(eCD_IMGTYPE_LST_CONTENTS, &g_appIf.lstRow);
    LIST_Free(&lstPlay);
    return 1;
}

int HANTIV_RefreshPageList2(void)
{
    LIST lstPlay;
    LIST_Init(&lstPlay);
    SCCMN_LoadPlayTime(&lstPlay);
    SCCMN_MakePlayInfoSeq(&g_appIf.lstRow, &lstPlay, SCCMN_GetComboSel());
    LIST_Free(&lstPlay);
    return 1;
}

int HANTIV_OnTimer(UINT_PTR uId)
{
    if (uId == 1) {
        SCSKIN_Redraw();
        SCSKIN_TrackCursor();
        SCCTRL_TrackCursor();
    } else {
        DOWNLOADMN_FrameMove(g_appIf.hWnd, WMU_RECV_BUYINFO, WMU_RECV_CONTENTS, WMU_RECV_RESIGNVELQA,
                             WMU_RECV_GETZVQVERSION, &g_appIf.dtResult);
    }
    return 1;
}

int HANTIV_OnPaint(HWND hWnd)
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hWnd, &ps);
    if (g_appIf.bReady) {
        if (g_appIf.nStartMode == eGD_STARTMODE_LAUNCHER) SCCMN_DrawBg(hdc, &g_appIf.lstSkin);
        else SCCMN_DrawBg2(hdc, &g_appIf.lstSplash);
    }
    EndPaint(hWnd, &ps);
    return 1;
}

namespace {

void OnCancel(HWND hWnd)
{
    LOG_Write("DLを中止しました。サーバとのコネクションは切れました\n");
    if (COMMU_IsConnected()) {
        int bRet = COMMU_CloseSocket();
        CMN_ASSERT(bRet == TRUE);
    }
    if (THREADM_CheckRunning_Download()) THREADM_Stop_Download();
    if (THREADM_CheckRunning_GetContentsList()) THREADM_Stop_GetContentsList();
    if (THREADM_CheckRunning_ResignVelqa()) THREADM_Stop_ResignVelqa();
    // The client-version kind too: left running it would stay recorded and
    // refuse the next version request, which would then wait for ever.
    if (THREADM_CheckRunning_GetZvqVersion()) THREADM_Stop_GetZvqVersion();
    DOWNLOADMN_Cancel();
    DLWND_Destroy();
    SCCMN_Report(hWnd, kZvq016, kConfirmCaption, MB_OK, 0);
    if (g_appIf.nStartMode != eGD_STARTMODE_LAUNCHER) PostMessageA(hWnd, WM_CLOSE, 0, 0);
    else SCCMN_EnableMainButtonsAll();
}

// A failed start-up step is reported before the window goes: once the window
// is destroyed the quit message would end the box before it is seen.
void FailInit(HWND hWnd)
{
    SCCMN_Report(nullptr, kZvq006, kErrCaption, MB_OK | MB_ICONSTOP, 1);
    DestroyWindow(hWnd);
}

}  // namespace

LRESULT CALLBACK HANTIV_WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_CREATE:
        g_appIf.hWnd = hWnd;
        Proc_Wm_Create(hWnd, g_appIf.hInstance);
        PostMessageA(hWnd, WMU_PREINITAPP, 0, 0);
        return 0;
    case WM_DESTROY:
        SCCMN_KillTimers();
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        HANTIV_OnPaint(hWnd);
        return 0;
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_NCHITTEST:
        return HTCAPTION;   // the member drags the window from anywhere outside the controls
    case WM_DRAWITEM:
        if (g_appIf.bReady) {
            SCSKIN_Proc_Draw(hWnd, wParam, lParam, &g_appIf.lstSkin, &g_appIf.lstRow, &g_appIf.lstLcs,
                             &g_appIf.lstLcd, g_appIf.hFont);
        }
        return TRUE;
    case WM_MEASUREITEM:
        SCSKIN_Proc_MeasureItem(hWnd, wParam, lParam, &g_appIf.lstLcs);
        return TRUE;
    case WM_NOTIFY:
        SCSKIN_Proc_Notify(hWnd, wParam, lParam);
        return 0;
    case WM_COMMAND:
        SCSKIN_Proc_Command(hWnd, wParam, lParam, &g_appIf.lstLcs, &g_appIf.lstRow, &g_appIf.lstLcd, hWnd,
                            WMU_CONTENTSBUTTON);
        return 0;
    case WM_TIMER:
        HANTIV_OnTimer(wParam);
        return 0;
    case WMU_INITAPP:
        if (!InitApp()) FailInit(hWnd);
        return 0;
    case WMU_CANCEL:
        OnCancel(hWnd);
        return 0;
    case WMU_KICKCONTENTS:
        // Posted again while a start's slot chooser is open (its modal loop
        // dispatches this window's messages): that start goes on alone.
        if (SCCMN_IsStartBusy()) return 0;
        HANTIV_StartContents(static_cast<int>(lParam));
        if (g_appIf.nStartMode != eGD_STARTMODE_LAUNCHER) DestroyWindow(hWnd);
        return 0;
    case WMU_PREINITAPP:
        if (!PreInitApp()) DestroyWindow(hWnd);
        return 0;
    case WMU_INITAPP_LAUNCHERMODE:
        if (!InitApp_LauncherMode()) FailInit(hWnd);
        return 0;
    case WMU_CONTENTSBUTTON:
        SCCMN_Proc_WmuContentsButton(wParam, lParam, &g_appIf.lstRow, hWnd);
        return 0;
    case WMU_RECV_BUYINFO:
        SCCMN_Proc_WmuRecvBuyInfo(hWnd, wParam, lParam);
        return 0;
    case WMU_RECV_CONTENTS:
        SCCMN_Proc_WmuRecvContents(hWnd, wParam, lParam);
        return 0;
    case WMU_SORTBUTTON:
        SCCMN_Proc_WmuSortButton(hWnd, wParam, lParam);
        return 0;
    case WMU_GETCONTENTSIMAGE:
        SCCMN_Proc_WmuGetContentsImage(lParam, &g_appIf.lstRow, hWnd);
        return 0;
    case WMU_RESIGNVELQA:
        SCCMN_StartResignVelqa();
        return 0;
    case WMU_RECV_RESIGNVELQA:
        SCCMN_Proc_WmuRecvResignVelqa(hWnd, wParam, lParam);
        return 0;
    case WMU_RECV_GETZVQVERSION:
        SCCMN_Proc_WmuRecvGetZvqVersion(hWnd, wParam, lParam);
        return 0;
    case WMU_SORTMENU:
        SCCMN_Proc_WmuSortMenu(hWnd, wParam, lParam);
        return 0;
    default:
        return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    }
}

const char* HANTIV_GetAppPath(void) { return g_appIf.strAppPath; }
const char* HANTIV_GetUserPath(void) { return g_appIf.strUserPath; }
int HANTIV_GetMode(void) { return g_appIf.nStartMode; }
LIST* HANTIV_GetSkinList(void) { return &g_appIf.lstSkin; }
LIST* HANTIV_GetLcsList(void) { return &g_appIf.lstLcs; }
LIST* HANTIV_GetLcdList(void) { return &g_appIf.lstLcd; }
LIST* HANTIV_GetLcmList(void) { return &g_appIf.lstLcm; }
LIST* HANTIV_GetRowList(void) { return &g_appIf.lstRow; }

namespace {

int ProgressCreate(HWND hParent, int nMax) { return DLWND_Create(g_appIf.hInstance, hParent, nMax); }

// The service side gets the progress window and the folders from here; the
// folders are asked for when a worker needs them, so they may be filled in
// later (PreparePaths).
void HandDownToService(void)
{
    static const DmHostIf dm = { ProgressCreate, DLWND_SetMax, DLWND_Destroy, DLWND_IsExist };
    static const ThreadmHostIf threadm = { HANTIV_GetAppPath, HANTIV_GetUserPath, nullptr };
    DOWNLOADMN_SetHost(&dm);
    THREADM_SetHost(&threadm);
}

HWND GetMainWnd(void) { return g_appIf.hWnd; }
HINSTANCE GetInstance(void) { return g_appIf.hInstance; }

// The screens get the window, the skin, the layouts and the folder from here.
void HandDownToScreens(void)
{
    static const ScctrlHostIf ctrl = { GetMainWnd, GetInstance, HANTIV_GetSkinList, HANTIV_GetLcmList,
                                       HANTIV_GetLcdList, HANTIV_GetAppPath };
    SCCTRL_SetHost(&ctrl);
    static const ScskinHostIf skin = { HANTIV_GetRowList, HANTIV_GetLcsList, HANTIV_GetLcdList, GetMainWnd };
    SCSKIN_SetHost(&skin);
    static const SccmnSvcHostIf svc = { HANTIV_RefreshPageList, HANTIV_RefreshPageList2, SCSKIN_ResetHover };
    SCCMN_SetSvcHost(&svc);
    DLWND_SetSkin(&g_appIf.lstSkin);   // empty in the sale modes: the window's own background
}

void Shutdown(void)
{
    // The workers first (asked to stop and waited for): a pack worker may
    // still be noting its files in a record, which must be whole before the
    // catalogue is saved and still there while it writes.
    THREADM_Fini();
    DOWNLOADMN_Term();
    if (CONTENTSLIST_IsLoaded()) {
        CONTENTSLIST_Save2();
        CONTENTSLIST_Free();
    }
    DECWND_Destroy();
    if (DLWND_IsExist()) DLWND_Destroy();
    DLWND_FreeBitmaps();
    APPLISETTING_Destroy();
    SCCACHE_Fini();
    if (PAGE_CheckValid()) PAGE_Term();
    SCCTRL_Fini();
    USERM_Clear();
    if (LIST_GetCnt(&g_appIf.lstSkin) > 0) SCSKIN_FreeImage(&g_appIf.lstSkin);
    LIST* lists[] = { &g_appIf.lstLcs, &g_appIf.lstLcd, &g_appIf.lstLcm, &g_appIf.lstRow };
    for (LIST* l : lists) if (LIST_GetCnt(l) > 0) LIST_Free(l);
    if (g_appIf.hFont != nullptr) {
        DeleteObject(g_appIf.hFont);
        g_appIf.hFont = nullptr;
    }
    if (LIST_GetCnt(&g_appIf.lstSplash) > 0) SCSPLASH_Fini(&g_appIf.lstSplash);
    ENV_Free();
    // Last: an entry written after the close would create the log anew, empty.
    LOG_Write("WinMain::normal end\n");
    LOG_Close();
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int nCmdShow)
{
    HANDLE hMutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "Q7Manager_integrate");
    if (hMutex != nullptr) {
        CloseHandle(hMutex);
        return 0;
    }
    hMutex = CreateMutexA(nullptr, FALSE, "Q7Manager_integrate");   // held until the program ends
    (void)hMutex;

    SCCMN_InitCommonControls();
    std::memset(&g_appIf, 0, sizeof(g_appIf));
    g_appIf.hInstance = hInstance;
    USERM_Init();
    SCCMN_LogCommandLine(lpCmdLine);

    if (!HANTIV_ParseCommandLine(lpCmdLine, &g_appIf.nStartMode)) {
        LOG_Close();
        return 0;
    }
    SCCMN_SetStartMode(g_appIf.nStartMode);
    HandDownToService();
    HandDownToScreens();
    DOWNLOADMN_Init();
    USERM_SetAcountValid(1);
    g_appIf.hWnd = CreateMainWnd(640, 300, hInstance, nCmdShow);
    CMN_ASSERT(g_appIf.hWnd != NULL);
    if (g_appIf.hWnd == nullptr) {
        LOG_Close();
        return 0;
    }
    SCCMN_SetInstance(hInstance);
    SCCMN_SetMainWnd(g_appIf.hWnd);
    SCCACHE_Init();
    SCCACHE_SetWindow(g_appIf.hWnd);

    MSG msg;
    msg.wParam = 0;
    for (;;) {
        BOOL b = GetMessageA(&msg, nullptr, 0, 0);
        if (b == 0 || b == -1) break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Shutdown();
    return static_cast<int>(msg.wParam);
}

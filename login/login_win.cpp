#include "login.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cmnassert.h"
#include "contentslist.h"
#include "decwnd.h"
#include "dlwnd.h"
#include "downloadmn.h"
#include "env.h"
#include "hantiv.h"
#include "log.h"
#include "logindlg.h"
#include "loginreply.h"
#include "sccmn.h"
#include "sccmn_cmdline.h"
#include "sccmn_reply.h"
#include "sccmn_run.h"
#include "scfont.h"
#include "scskin.h"
#include "scsplash.h"
#include "threadm.h"
#include "userm.h"

// The launcher's application record: login fills the fields it shares.
AppIf g_appIf;

namespace {

const char* const kErrCaption = SCCMN_CAPTION_ERROR;
const char* const kReportCaption = SCCMN_CAPTION_REPORT;
const char* const kConfirmCaption = SCCMN_CAPTION_CONFIRM;

const char kLogin000[] = "不正な起動です。処理を中止します(LOGIN:000)";
const char kLogin003[] = "アプリケーションパスを取得できませんでした。処理を中止します(LOGIN:003)";
const char kLogin007[] = "インストールに失敗しました。再度インストールをお試しいただいたのちに失敗が続くようでしたら、\n"
                         "大変お手数ですがお客様サポートにご連絡をお願い致します(LOGIN:007)。";
const char kLogin008[] = "ファイルのロードに失敗しました。再度インストールをお試しいただいたのちに失敗が続くようでしたら、\n"
                         "大変お手数ですがお客様サポートにご連絡をお願い致します(LOGIN:008)。";
const char kLogin009[] = "不正な起動です。処理を中止します(LOGIN:009)。";
const char kLogin010[] = "不正な起動です。処理を中止します(LOGIN:010)。";
const char kLogin018[] = "ユーザ情報が存在しません。処理を中止します（LOGIN:018）";
const char kLogin029[] = "データ受信に失敗しました。処理を中止します（LOGIN:029）";
const char kLogin110[] = "適用が完了いたしました。(LOGIN:110)";
const char kLogin111[] = "初期化処理に失敗しました。処理を中止します(LOGIN:111)";
const char kLogin112[] = "スタートメニュー、またはWEB経由でサービスを利用して下さい(LOGIN:112)";
const char kLogin113[] = "スタートメニュー、またはWEB経由でサービスを利用して下さい(LOGIN:113)";
const char kLogin115[] = "現在のサービスにて、入力アカウント・パスワードは無効です。\n処理を中止します(LOGIN:115)。";
const char kLogin116[] = "入力アカウント・パスワードは正常でした。\n続いてTIVランチャーを起動します(LOGIN:116)。";
const char kLogin117[] = "サーバー側にてエラーが発生いたしました。。\n処理を中止します(LOGIN:117)。";
const char kLogin118[] = "エラーが発生いたしました。。\n処理を中止します(LOGIN:118)。";
const char kEmptyField[] = "入力したアカウント、パスワードのどちらかが指定されておりません。\nもう一度入力して下さい。";
const char kZvq016[] = "処理を中断します(ZVQ:016)。";

const char kMutexName[] = "Q7tool_tivlogin";
const int kFieldSize = 128;   // the dialog's buffers: at most 127 characters

int g_bPaint;   // painting the splash: login mode only

const char* AppPath(void) { return g_appIf.strAppPath; }
const char* UserPath(void) { return g_appIf.strUserPath; }
int ProgressCreate(HWND hParent, int nMax) { return DLWND_Create(g_appIf.hInstance, hParent, nMax); }

// The request queue gets the progress window and the folders from here.
void HandDownToService(void)
{
    static const DmHostIf dm = { ProgressCreate, DLWND_SetMax, DLWND_Destroy, DLWND_IsExist };
    static const ThreadmHostIf threadm = { AppPath, UserPath, nullptr };
    DOWNLOADMN_SetHost(&dm);
    THREADM_SetHost(&threadm);
}

// The dialog until OK with both texts or CANCEL. 1 with the account record
// filled, 0 after LOGIN:000.
int AskAccount(HINSTANCE hInstance)
{
    for (;;) {
        char strId[kFieldSize] = "", strPw[kFieldSize] = "";
        if (!LOGINDLG_Show(strId, strPw, GetDesktopWindow(), hInstance, kFieldSize, kFieldSize)) {
            SCCMN_Report(nullptr, kLogin000, kErrCaption, MB_OK | MB_ICONERROR, 1);
            return 0;
        }
        if (strId[0] != '\0' && strPw[0] != '\0') {
            int bRet = USERM_SetId(strId, static_cast<int>(std::strlen(strId))) &&
                       USERM_SetPassword(strPw, static_cast<int>(std::strlen(strPw)));
            SecureZeroMemory(strPw, sizeof(strPw));
            CMN_ASSERT(bRet);
            return bRet;
        }
        SCCMN_Report(nullptr, kEmptyField, kReportCaption, MB_OK | MB_ICONERROR, 1);
    }
}

// Today as the catalogue's last-update date.
void TakeToday(void)
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    char strDate[16];
    if (LOGIN_FormatDate(strDate, sizeof(strDate), st.wYear, st.wMonth, st.wDay)) CONTENTSLIST_SetLastUpdate(strDate);
}

void OnCancel(HWND hWnd)
{
    LOG_Write("DLを中止しました。サーバとのコネクションは切れました\n");
    if (THREADM_CheckRunning_CheckUser()) THREADM_Stop_CheckUser();
    // A reply that came in before the cancel is nobody's now.
    if (THREADM_LoadFinished(&g_appIf.dtResult.nReturn) != -1) {
        std::free(g_appIf.dtResult.pRecvBuf);
        g_appIf.dtResult.pRecvBuf = nullptr;
    }
    DOWNLOADMN_Cancel();
    if (DLWND_IsExist()) DLWND_Destroy();
    SCCMN_Report(hWnd, kZvq016, kConfirmCaption, MB_OK, 0);
    if (g_appIf.nStartMode != eGD_STARTMODE_LAUNCHER) PostMessageA(hWnd, WM_CLOSE, 0, 0);
}

void OnPaint(HWND hWnd)
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hWnd, &ps);
    if (g_bPaint) SCCMN_DrawBg2(hdc, &g_appIf.lstSplash);
    EndPaint(hWnd, &ps);
}

void Shutdown(void)
{
    // Only what login wrote is saved, and that at the check: the store it
    // looked at is never written again here.
    CONTENTSLIST_Free();
    DECWND_Destroy();
    if (DLWND_IsExist()) DLWND_Destroy();
    DLWND_FreeBitmaps();
    THREADM_Fini();
    DOWNLOADMN_Term();
    USERM_Clear();
    if (g_appIf.hFont != nullptr) {
        DeleteObject(g_appIf.hFont);
        g_appIf.hFont = nullptr;
    }
    if (LIST_GetCnt(&g_appIf.lstSplash) > 0) SCSPLASH_Fini(&g_appIf.lstSplash);
    ENV_Free();
    LOG_Write("WinMain::normal end\n");
    LOG_Close();
}

}  // namespace

int APP_GetUserInfo(char* pUserId, int nSize)
{
    return SCCMN_GetAcount(pUserId, nSize, g_appIf.hWnd, kLogin003);
}

int LOGIN_PreInitApp(void)
{
    LOG_Write("PreInitApp::starting\n");
    switch (g_appIf.nStartMode) {
    case eGD_STARTMODE_SALEGAME:
    case eGD_STARTMODE_SALEKZDP:
        PostMessageA(g_appIf.hWnd, WM_USER + 0, 0, 0);
        break;
    case eGD_STARTMODE_LAUNCHER: {
        char strId[129] = "";
        if (APP_GetUserInfo(strId, sizeof(strId)) == 1 && USERM_SetId(strId, static_cast<int>(std::strlen(strId)))) {
            PostMessageA(g_appIf.hWnd, WM_USER + 40, 0, 0);
        } else {
            SCCMN_Report(nullptr, kLogin018, kReportCaption, MB_OK, 0);
            PostQuitMessage(0);
        }
        break;
    }
    default:
        PostMessageA(g_appIf.hWnd, WMU_INITAPP_LOGINMODE, 0, 0);
        g_bPaint = 1;
        break;
    }
    ShowWindow(g_appIf.hWnd, SW_SHOW);
    UpdateWindow(g_appIf.hWnd);
    return 1;
}

int InitApp_LoginMode(void)
{
    LOG_Write("InitApp_LoginMode::staring\n");
    DECWND_Create(g_appIf.hInstance, g_appIf.hWnd);
    if (!SCCMN_GetEnvInfo(g_appIf.strAppPath, sizeof(g_appIf.strAppPath), g_appIf.strUserPath,
                          sizeof(g_appIf.strUserPath), g_appIf.strSkinName, sizeof(g_appIf.strSkinName),
                          USERM_GetId())) {
        SCCMN_Report(g_appIf.hWnd, kLogin007, kErrCaption, MB_OK | MB_ICONERROR, 1);
        return 0;
    }
    SCCMN_SetAppPath(g_appIf.strAppPath);
    SCCMN_SetCntPath(g_appIf.strUserPath);
    CONTENTSLIST_SetUserPath(g_appIf.strUserPath);
    char strPath[2048 + 16];
    std::snprintf(strPath, sizeof(strPath), "%senv.bin", g_appIf.strAppPath);
    if (!ENV_Load(strPath)) {
        SCCMN_Report(g_appIf.hWnd, kLogin008, kReportCaption, MB_OK | MB_ICONERROR, 1);
        return 0;
    }
    std::snprintf(strPath, sizeof(strPath), "%ssp.bin", g_appIf.strAppPath);
    SCSPLASH_Load(&g_appIf.lstSplash, strPath, g_appIf.hWnd);
    InvalidateRect(g_appIf.hWnd, nullptr, FALSE);

    CfhIf cfh;
    if (CONTENTSLIST_Load(&cfh, CLPD_STORE_TARGET_CATALOGUE)) {
        // The member already signs in here through the launcher.
        CONTENTSLIST_Free();
        SCCMN_Report(g_appIf.hWnd, kLogin112, kReportCaption, MB_OK | MB_ICONERROR, 0);
        PostQuitMessage(0);
        return 1;
    }
    if (!StartCheckUser()) {
        SCCMN_Report(g_appIf.hWnd, kLogin113, kReportCaption, MB_OK | MB_ICONERROR, 0);
        PostQuitMessage(0);
        return 1;
    }
    g_appIf.hFont = SCFONT_Create(10, "ＭＳ ゴシック");
    SCCMN_SetFont(g_appIf.hFont);
    SCCMN_SetTimer(g_appIf.hWnd, 0, 1000);
    LOG_Write("InitApp_LoginMode::normal end\n");
    return 1;
}

int StartCheckUser(void)
{
    if (g_appIf.nStartMode != eGD_STARTMODE_LOGIN) {
        LOG_Write("StartCheckUser::g_appIf.prevMode != eGD_PREVMODE_LOGIN\n");
        return 0;
    }
    return DOWNLOADMN_Add_CheckUser(USERM_GetId(), USERM_GetPassword());
}

int LOGIN_Proc_WmuRecvCheckUser(HWND hWnd, WPARAM wParam, LPARAM lParam)
{
    LOG_Write("LOGIN_Proc_WmuRecvCheckUser::starting\n");
    int nSize = static_cast<int>(wParam);
    char* pBuf = reinterpret_cast<char*>(lParam);
    char str[64];
    std::snprintf(str, sizeof(str), "recvbufsie[%d]\n", nSize);
    LOG_Write(str);
    if (nSize <= 0 || pBuf == nullptr) {
        SCCMN_Report(hWnd, kLogin029, kReportCaption, MB_OK, 1);
    } else {
        LOGIN_AnalyReceiveData(hWnd, pBuf, nSize);
    }
    std::free(pBuf);
    PostQuitMessage(0);
    return 1;
}

int LOGIN_AnalyReceiveData(HWND hWnd, const char* pReply, int nSize)
{
    LOG_Write("SCCMN_AnalyReceiveData::starting\n");
    int nJudge = LOGIN_JudgeReply(pReply, nSize);
    if (nJudge == LOGIN_REPLY_NONE) return 0;
    char strShown[600];
    SCCMN_ReplyForLog(strShown, sizeof(strShown), pReply, nSize, 256);
    LOG_WriteLine(strShown);
    switch (nJudge) {
    case LOGIN_REPLY_OK:
        // The store first: LOGIN:116 promises the launcher, which needs it.
        USERM_SetAcountValid(1);
        TakeToday();
        if (!CONTENTSLIST_Save2()) {
            SCCMN_Report(hWnd, kLogin007, kErrCaption, MB_OK | MB_ICONERROR, 1);
            break;
        }
        SCCMN_Report(hWnd, kLogin116, kReportCaption, MB_OK, 0);
        if (!SCCMN_RunInFolder(g_appIf.strAppPath, "tiv_launcher.exe", "-start tiv,")) {
            SCCMN_Report(hWnd, kLogin007, kErrCaption, MB_OK | MB_ICONERROR, 1);
        }
        break;
    case LOGIN_REPLY_NG:
        SCCMN_Report(hWnd, kLogin115, kReportCaption, MB_OK, 0);
        break;
    case LOGIN_REPLY_ERR:
        SCCMN_Report(hWnd, kLogin117, kReportCaption, MB_OK, 0);
        break;
    default:
        SCCMN_Report(hWnd, kLogin118, kReportCaption, MB_OK, 0);
        break;
    }
    LOG_Write("SCCMN_AnalyReceiveData::normal end\n");
    return 1;
}

LRESULT CALLBACK LOGIN_WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_CREATE:
        g_appIf.hWnd = hWnd;
        Proc_Wm_Create(hWnd, g_appIf.hInstance);
        PostMessageA(hWnd, WMU_PREINITAPP, 0, 0);
        return 0;
    case WMU_PREINITAPP:
        LOGIN_PreInitApp();
        return 0;
    case WMU_INITAPP_LOGINMODE:
        // Reported before the window goes: its quit message would end the box unseen.
        if (!InitApp_LoginMode()) {
            SCCMN_Report(nullptr, kLogin111, kErrCaption, MB_OK | MB_ICONERROR, 1);
            DestroyWindow(hWnd);
        }
        return 0;
    case WM_TIMER:
        DOWNLOADMN_FrameMove(hWnd, 0, 0, 0, 0, &g_appIf.dtResult, WMU_RECV_CHECKUSER);
        return 0;
    case WMU_CANCEL:
        OnCancel(hWnd);
        return 0;
    case WMU_RECV_CHECKUSER:
        LOGIN_Proc_WmuRecvCheckUser(hWnd, wParam, lParam);
        return 0;
    case WM_PAINT:
        OnPaint(hWnd);
        return 0;
    case WM_NCHITTEST:
        return HTCAPTION;
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_DESTROY:
        SCCMN_KillTimers();
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    }
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int)
{
    LOG_SetProgram("login.log", LOG_BUFSIZE - 1);
    HANDLE hMutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kMutexName);
    if (hMutex != nullptr) {
        CloseHandle(hMutex);
        return 0;
    }
    hMutex = CreateMutexA(nullptr, FALSE, kMutexName);

    SCCMN_InitCommonControls();
    std::memset(&g_appIf, 0, sizeof(g_appIf));
    g_appIf.hInstance = hInstance;
    USERM_Init();
    SCCMN_LogCommandLine(lpCmdLine);

    static const SccmnCmdTexts texts = { kLogin000, kLogin110, kLogin009, kLogin010, nullptr };
    int bGo = SCCMN_ParseCommandLine(lpCmdLine, &g_appIf.nStartMode, &texts);
    if (bGo && g_appIf.nStartMode == eGD_STARTMODE_LOGIN) bGo = AskAccount(hInstance);
    if (bGo) {
        SCCMN_SetStartMode(g_appIf.nStartMode);
        SCCMN_SetInstance(hInstance);
        HandDownToService();
        DOWNLOADMN_Init();
        g_appIf.hWnd = SCCMN_CreateMainWnd(640, 300, hInstance, LOGIN_WndProc);
        bGo = g_appIf.hWnd != nullptr;
    }
    MSG msg;
    msg.wParam = 0;
    if (bGo) {
        SCCMN_SetMainWnd(g_appIf.hWnd);
        for (;;) {
            BOOL b = GetMessageA(&msg, nullptr, 0, 0);
            if (b == 0 || b == -1) break;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    Shutdown();
    if (hMutex != nullptr) {
        ReleaseMutex(hMutex);
        CloseHandle(hMutex);
    }
    return bGo ? static_cast<int>(msg.wParam) : 0;
}

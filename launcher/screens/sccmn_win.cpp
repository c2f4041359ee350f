#include "sccmn.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "applisetting.h"
#include "cmnassert.h"
#include "cmnfile.h"
#include "cmnutil.h"
#include "contentslist.h"
#include "errmsg.h"
#include "hantiv.h"
#include "log.h"
#include "md5.h"
#include "page.h"
#include "downloadmn.h"
#include "reg.h"
#include "scctrl.h"
#include "scskin.h"
#include "userm.h"

namespace {

struct SccmnIf {
    char      strAppPath[2048];
    char      strCntPath[2048];
    HINSTANCE hInstance;
    HWND      hMainWnd;
    UINT_PTR  upTimer;
    UINT_PTR  upTimerAnim;
    int       nReserveAction;
    int       nReserveParam;
    HFONT     hFont;
    int       bButtonEnable[5];
    int       nStartMode;
};
SccmnIf g_sccmnIf = { "", "", nullptr, nullptr, 0, 0, 0, 0, nullptr, { 1, 1, 1, 1, 1 }, 2 };

int sccmn_Copy(char* pDst, size_t nSize, const char* pSrc)
{
    CMN_ASSERT(pSrc != NULL && strlen(pSrc) < nSize);
    if (pSrc == nullptr || std::strlen(pSrc) >= nSize) return 0;
    std::strcpy(pDst, pSrc);
    return 1;
}

}  // namespace

int SCCMN_SetAppPath(const char* pPath) { return sccmn_Copy(g_sccmnIf.strAppPath, sizeof(g_sccmnIf.strAppPath), pPath); }
const char* SCCMN_GetAppPath(void) { return g_sccmnIf.strAppPath; }
int SCCMN_SetCntPath(const char* pPath) { return sccmn_Copy(g_sccmnIf.strCntPath, sizeof(g_sccmnIf.strCntPath), pPath); }
const char* SCCMN_GetCntPath(void) { return g_sccmnIf.strCntPath; }
int SCCMN_SetInstance(HINSTANCE hInst) { g_sccmnIf.hInstance = hInst; return 1; }
HINSTANCE SCCMN_GetInstance(void) { return g_sccmnIf.hInstance; }
int SCCMN_SetMainWnd(HWND hWnd) { g_sccmnIf.hMainWnd = hWnd; return 1; }
HWND SCCMN_GetMainWnd(void) { return g_sccmnIf.hMainWnd; }
int SCCMN_SetFont(HFONT hFont) { g_sccmnIf.hFont = hFont; return 1; }
HFONT SCCMN_GetFont(void) { return g_sccmnIf.hFont; }
int SCCMN_SetStartMode(int nMode) { g_sccmnIf.nStartMode = nMode; return 1; }
int SCCMN_GetStartMode(void) { return g_sccmnIf.nStartMode; }
int SCCMN_SetReserveAction(int nAction) { g_sccmnIf.nReserveAction = nAction; return 1; }
int SCCMN_GetReserveAction(void) { return g_sccmnIf.nReserveAction; }

namespace {

// The update, settings and second top-page buttons and the five row-button
// switches; they exist only in the launcher mode.
void SetMainButtons(BOOL bEnable)
{
    if (g_sccmnIf.nStartMode != eGD_STARTMODE_LAUNCHER) return;
    const int types[] = { eCD_IMGTYPE_BTN_UPDATE, eCD_IMGTYPE_BTN_SETTING, eCD_IMGTYPE_BTN_TOPPAGE2 };
    for (int t : types) {
        HWND h = SCCTRL_GetCtrl(t);
        if (h != nullptr) EnableWindow(h, bEnable);
    }
    for (int i = 0; i < 5; i++) SCCMN_SetButtonEnable(i, bEnable ? 1 : 0);
}

}  // namespace

int SCCMN_DisableMainButtons(void)
{
    SetMainButtons(FALSE);
    return 1;
}

int SCCMN_EnableMainButtonsAll(void)
{
    SetMainButtons(TRUE);
    return 1;
}

int SCCMN_BeginAction(int nAction)
{
    g_sccmnIf.nReserveAction = nAction;
    SCCMN_DisableMainButtons();
    return 1;
}

int SCCMN_EndAction(void)
{
    g_sccmnIf.nReserveAction = eGD_RESERVETYPE_NONE;
    g_sccmnIf.nReserveParam = 0;
    SCCMN_EnableMainButtonsAll();
    return 1;
}

int SCCMN_IsAwaitedFile(const char* pContentsId, int nPathType)
{
    int nWanted;
    switch (g_sccmnIf.nReserveAction) {
    case eGD_RESERVETYPE_KICKGAME:
    case eGD_RESERVETYPE_KICKOPERATIONMANUAL: nWanted = eCLPD_PATHTYPE_MAINEXE; break;   // the guide comes with the game
    case eGD_RESERVETYPE_KICKMANUAL: nWanted = eCLPD_PATHTYPE_MANUAL; break;
    case eGD_RESERVETYPE_KICKSOUNDPLAYER: nWanted = eCLPD_PATHTYPE_KZDSOUND; break;
    default: return 0;
    }
    const char* pId = USERM_GetContentsId();
    return nPathType == nWanted && pContentsId != nullptr && pId != nullptr && pId[0] != '\0' &&
           std::strcmp(pContentsId, pId) == 0;
}
int SCCMN_SetReserveParam(int nParam) { g_sccmnIf.nReserveParam = nParam; return 1; }
int SCCMN_GetReserveParam(void) { return g_sccmnIf.nReserveParam; }
int* SCCMN_GetReserveParamPtr(void) { return &g_sccmnIf.nReserveParam; }

const char SCCMN_TEXT_ZVQ008[] = "ファイルのロードに失敗しました。再度インストールをお試しいただいたのちに失敗が続くようでしたら、\n"
                                 "大変お手数ですがお客様サポートにご連絡をお願い致します(ZVQ:008)。";

const char SCCMN_CAPTION_REPORT[] = "報告";
const char SCCMN_CAPTION_ERROR[] = "エラー報告";
const char SCCMN_CAPTION_CONFIRM[] = "確認";

bool SCCMN_Equals(const char* a, const char* b)
{
    if (a == nullptr || b == nullptr) return false;
    size_t n = std::strlen(b);
    return std::strlen(a) == n && std::memcmp(a, b, n) == 0;
}

bool SCCMN_IsLauncherMode(void) { return g_sccmnIf.nStartMode == eGD_STARTMODE_LAUNCHER; }

bool SCCMN_IsIndexValid(int nIndex) { return nIndex >= 0 && nIndex < CONTENTSLIST_GetCount(); }

void SCCMN_LogLine(const char* pText)
{
    LOG_Write(pText != nullptr ? pText : "");
    LOG_Write("\n");
}

int SCCMN_IsMusicFlagSet(const char* pFlag) { return pFlag != nullptr && std::strcmp(pFlag, "1") == 0; }

int SCCMN_HasMusic(int nIndex)
{
    return SCCMN_IsMusicFlagSet(CONTENTSLIST_GetVelqaFlag(nIndex)) &&
           SCCMN_IsMusicFlagSet(CONTENTSLIST_GetVelqaBoughtFlag(nIndex));
}

int SCCMN_SetButtonEnable(int nButton, int bEnable)
{
    if (nButton < 0 || nButton >= 5) return 0;
    g_sccmnIf.bButtonEnable[nButton] = bEnable;
    return 1;
}

int SCCMN_GetButtonEnable(int nButton)
{
    return nButton >= 0 && nButton < 5 ? g_sccmnIf.bButtonEnable[nButton] : 0;
}

int SCCMN_SetTimer(HWND hWnd, UINT_PTR uId, UINT uMs)
{
    g_sccmnIf.upTimer = SetTimer(hWnd, uId, uMs, nullptr);
    CMN_ASSERT(g_sccmnIf.upTimer != 0);
    return g_sccmnIf.upTimer != 0;
}

int SCCMN_SetTimerAnim(HWND hWnd, UINT_PTR uId, UINT uMs)
{
    g_sccmnIf.upTimerAnim = SetTimer(hWnd, uId, uMs, nullptr);
    CMN_ASSERT(g_sccmnIf.upTimerAnim != 0);
    return g_sccmnIf.upTimerAnim != 0;
}

// Timer ids are those the timers were started with: 1 for the animation, 0
// for the poll (SetTimer with a window answers non-zero, not the id).
int SCCMN_KillTimers(void)
{
    HWND hWnd = g_sccmnIf.hMainWnd;
    if (g_sccmnIf.upTimerAnim != 0) KillTimer(hWnd, 1);
    if (g_sccmnIf.upTimer != 0) KillTimer(hWnd, 0);
    g_sccmnIf.upTimerAnim = 0;
    g_sccmnIf.upTimer = 0;
    return 1;
}

int SCCMN_OpenAppSetting(void)
{
    APPLISETTING_Create(SCCMN_GetInstance(), SCCMN_GetMainWnd());
    return 1;
}

int SCCMN_Report(HWND hOwner, const char* pText, const char* pCaption, UINT uType, int bLog)
{
    if (bLog) LOG_WriteLine(pText);
    return MessageBoxA(hOwner, pText, pCaption, uType);
}

int SCCMN_GetEnvInfo(char* pAppPath, int nAppSize, char* pUserPath, int nUserSize, char* pSkinName, int nSkinSize,
                     const char* pUserId)
{
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, REG_TIV_KEY, 0, KEY_READ, &hKey) != ERROR_SUCCESS) return 0;
    struct { const char* name; char* dst; int size; } vals[] = {
        { "apppath", pAppPath, nAppSize }, { "cntpath", pUserPath, nUserSize }, { "skin", pSkinName, nSkinSize } };
    for (auto& v : vals) {
        REG_QueryValue(hKey, v.name, v.dst, v.size, "");
        if (v.dst[0] == '\0') {
            char str[128];
            std::snprintf(str, sizeof(str), "【FAIL】SCCMN_GetEnvInfo::bRet = FALSE::%s\n", v.name);
            LOG_Write(str);
            RegCloseKey(hKey);
            return 0;
        }
    }
    RegCloseKey(hKey);

    char strHex[33];
    MD5_StringToHex(pUserId != nullptr ? pUserId : "", strHex);
    if (std::strlen(pUserPath) + 32 + 1 >= static_cast<size_t>(nUserSize)) return 0;
    std::strcat(pUserPath, strHex);
    int bRet = 1;
    if (GetFileAttributesA(pUserPath) == INVALID_FILE_ATTRIBUTES) {
        if (!CreateDirectoryA(pUserPath, nullptr)) {
            ERRMSG_PutLastError();
            LOG_Write("【FAIL】SCCMN_GetEnvInfo::bRet = 0::CreateDirectory\n");
        }
        char strSub[2048 + 16];
        std::snprintf(strSub, sizeof(strSub), "%s\\save", pUserPath);
        CreateDirectoryA(strSub, nullptr);
        std::snprintf(strSub, sizeof(strSub), "%s\\skin", pUserPath);
        bRet = CreateDirectoryA(strSub, nullptr) ? 1 : 0;
    }
    std::strcat(pUserPath, "\\");
    return bRet;
}

namespace {

void sccmn_Walk(LIST* pList, const char* pFolder, const char* pName)
{
    char strPattern[MAX_PATH * 2];
    std::snprintf(strPattern, sizeof(strPattern), "%s*", pFolder);
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(strPattern, &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    const size_t nNameLen = std::strlen(pName);
    do {
        if (std::strcmp(fd.cFileName, ".") == 0 || std::strcmp(fd.cFileName, "..") == 0) continue;
        char strPath[MAX_PATH * 2];
        int n = std::snprintf(strPath, sizeof(strPath), "%s%s", pFolder, fd.cFileName);
        if (n < 0 || n >= MAX_PATH) continue;   // deeper than the system's paths: not a store of ours
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            std::strcat(strPath, "\\");
            sccmn_Walk(pList, strPath, pName);
        } else if (std::strlen(fd.cFileName) == nNameLen && std::memcmp(fd.cFileName, pName, nNameLen) == 0) {
            char* p = static_cast<char*>(std::malloc(n + 1));
            if (p == nullptr) continue;
            std::memcpy(p, strPath, n + 1);
            if (!LIST_Add(pList, p)) std::free(p);
        }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

}  // namespace

int SCCMN_AddRegDat(LIST* pList, const char* pFolder)
{
    sccmn_Walk(pList, pFolder, "reg.dat");
    sccmn_Walk(pList, pFolder, "REG.DAT");
    return 1;
}

// The user id in a store's header. 0 for a file that is no whole store:
// one whose header is sound but whose records are cut short gives no
// password the launcher could use, so it is no account (the member signs
// in again, and the sign-in keeps the damaged file aside).
int SCCMN_GetRegDatUserId(char* pUserId, int nSize, const char* pFileName)
{
    CMN_ASSERT(pFileName != NULL && lstrlen(pFileName) > 0);
    if (pFileName == nullptr || pFileName[0] == '\0' || pUserId == nullptr || nSize < 1) return 0;
    void* pFile = nullptr;
    int nFileSize = 0;
    if (CMNFILE_ReadFileEx(pFileName, &pFile, &nFileSize, 0) != ERRID_CMNFILE_NONE) return 0;
    int bRet = 0;
    CfhIf cfh;
    ContIf* pRecs = nullptr;
    int nCnt = 0;
    if (CONTENTSLIST_DecodeStore(pFile, nFileSize, &cfh, &pRecs, &nCnt) == 1) {
        if (std::memcmp(cfh.strMagic, "2xpU", 4) == 0) {
            cfh.strUserId[sizeof(cfh.strUserId) - 1] = '\0';
            size_t n = std::strlen(cfh.strUserId);
            if (n < static_cast<size_t>(nSize)) {
                std::memcpy(pUserId, cfh.strUserId, n + 1);
                bRet = 1;
            }
        }
        std::free(pRecs);
    } else {
        LOG_Write("SCCMN_GetRegDatUserId::err::damaged store passed over\n");
        LOG_WriteLine(pFileName);
    }
    GlobalFree(pFile);
    return bRet;
}

int SCCMN_CheckUserContents(void)
{
    if (!DOWNLOADMN_Add_GetContentsList(USERM_GetId())) return 0;
    SCCMN_DisableMainButtons();
    return 1;
}

int SCCMN_SetComboSel(int nSel)
{
    PAGE_SetCurrentPage(nSel);
    return 1;
}

int SCCMN_GetComboSel(void)
{
    return PAGE_GetCurrentPage();
}

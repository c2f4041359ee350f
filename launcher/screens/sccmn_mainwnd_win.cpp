// The main window that the launcher and the login share, its shape, and the
// choice of the account the launcher mode runs for.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <cstring>

#include "bmpm.h"
#include "choiceacountdlg.h"
#include "cmnassert.h"
#include "hantiv.h"
#include "list.h"
#include "log.h"
#include "reg.h"
#include "sccmn.h"
#include "threadm.h"

namespace {
const char kClassName[] = "TIV Launcher";
const char kZvq004[] = "アカウント選択に失敗しました。処理を中止します(ZVQ:004)";
const char* const kErrCaption = SCCMN_CAPTION_ERROR;
}  // namespace

HWND SCCMN_CreateMainWnd(int nWidth, int nHeight, HINSTANCE hInstance, WNDPROC pfnWndProc)
{
    LOG_Write("CreateMainWnd::starting\n");
    WNDCLASSEXA wc;
    std::memset(&wc, 0, sizeof(wc));
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = pfnWndProc;
    wc.hInstance = hInstance;
    wc.hIcon = LoadIconA(hInstance, MAKEINTRESOURCEA(IDI_TIVLAUNCHER));
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    RegisterClassExA(&wc);
    int x = GetSystemMetrics(SM_CXSCREEN) / 2 - nWidth / 2;
    int y = GetSystemMetrics(SM_CYSCREEN) / 2 - nHeight / 2;
    HWND hWndRet = CreateWindowExA(0, kClassName, kClassName, WS_POPUP, x, y, nWidth, nHeight, nullptr, nullptr,
                                   hInstance, nullptr);
    CMN_ASSERT(hWndRet != NULL);
    return hWndRet;
}

int Proc_Wm_Create(HWND hWnd, HINSTANCE hInstance)
{
    THREADM_Init(hWnd);
    THREADM_SetHwnd(hWnd);
    int nId = SCCMN_GetStartMode() == eGD_STARTMODE_LAUNCHER ? IDB_REGION_LAUNCHER : IDB_REGION_SALE;
    HBITMAP hBmp = static_cast<HBITMAP>(LoadImageA(hInstance, MAKEINTRESOURCEA(nId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    HRGN hRgn = CreateRgnFromBmp(hBmp, 0);
    if (hBmp != nullptr) DeleteObject(hBmp);
    CMN_ASSERT(hRgn != NULL);
    if (hRgn == nullptr) {
        LOG_Write("Proc_Wm_Create::err::CreateRgnFromBmp\n");
        return 1;
    }
    // On success the window owns its region and deletes it itself.
    if (!SetWindowRgn(hWnd, hRgn, TRUE)) {
        LOG_Write("Proc_Wm_Create::err::SetWindowRgn\n");
        DeleteObject(hRgn);
    }
    return 1;
}

int SCCMN_GetAcount(char* pUserId, int nSize, HWND hOwner, const char* pNoAppPath)
{
    char strApp[2048];
    if (!REG_GetAppPath(strApp, sizeof(strApp))) {
        SCCMN_Report(nullptr, pNoAppPath, kErrCaption, MB_OK, 1);
        return -1;
    }
    LIST lstPath, lstId;
    LIST_Init(&lstPath);
    LIST_Init(&lstId);
    SCCMN_AddRegDat(&lstPath, strApp);
    // Only files that hold a store's header count; anything shorter or
    // damaged is passed over.
    for (int i = 0; i < LIST_GetCnt(&lstPath); i++) {
        const char* pPath = static_cast<const char*>(LIST_GetAt(&lstPath, i));
        char* pId = static_cast<char*>(std::calloc(1, 129));
        if (pId == nullptr) continue;
        if (SCCMN_GetRegDatUserId(pId, 129, pPath) && LIST_Add(&lstId, pId)) continue;
        std::free(pId);
    }
    int nRet;
    if (LIST_GetCnt(&lstId) == 0) {
        nRet = -2;
    } else if (LIST_GetCnt(&lstId) == 1) {
        lstrcpynA(pUserId, static_cast<const char*>(LIST_GetAt(&lstId, 0)), nSize);
        nRet = 1;
    } else if (CHOICEACOUNTDLG_DoModal(SCCMN_GetInstance(), hOwner, pUserId, nSize, &lstId)) {
        nRet = 1;
    } else {
        SCCMN_Report(hOwner, kZvq004, kErrCaption, MB_OK | MB_ICONSTOP, 1);
        nRet = 0;
    }
    LIST_Free(&lstPath);
    LIST_Free(&lstId);
    return nRet;
}

int SCCMN_InitCommonControls(void)
{
    INITCOMMONCONTROLSEX icc = {};
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_PROGRESS_CLASS;
    if (InitCommonControlsEx(&icc)) return 1;
    LOG_Write("SCCMN_InitCommonControls::err::InitCommonControlsEx\n");
    return 0;
}

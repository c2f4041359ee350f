#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cmnassert.h"
#include "hantiv.h"
#include "sortmenudlg.h"

namespace {

enum { IDD_SORTMENUDLG = 138, IDC_SORTLIST = 1019 };

// Exists only while SORTMENUDLG_Open runs.
LIST g_lstName;
int g_nPosX = 0;
int g_nPosY = 0;

}   // namespace

int SORTMENUDLG_Init(HWND hDlg)
{
    BOOL bRet = SetWindowPos(hDlg, HWND_TOPMOST, g_nPosX, g_nPosY, 0, 0, SWP_NOSIZE);
    CMN_ASSERT(bRet != 0);
    for (int i = 0; i < LIST_GetCnt(&g_lstName); i++) {
        const SortNameIf* p = static_cast<const SortNameIf*>(LIST_GetAt(&g_lstName, i));
        SendDlgItemMessageA(hDlg, IDC_SORTLIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(p->szName));
    }
    return 1;
}

INT_PTR CALLBACK SORTMENUDLG_Proc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        SORTMENUDLG_Init(hDlg);
        return 1;
    case WM_COMMAND:
        // One click chooses: the first selection change ends the menu.
        // Escape and the close command are not handled, so the menu stays
        // until a name is chosen.
        if (LOWORD(wParam) == IDC_SORTLIST && HIWORD(wParam) == LBN_SELCHANGE) {
            LRESULT nSel = SendDlgItemMessageA(hDlg, IDC_SORTLIST, LB_GETCURSEL, 0, 0);
            EndDialog(hDlg, nSel == LB_ERR ? -1 : nSel);
        }
        return 0;
    case WM_LBUTTONDOWN: {
        char strBuf[64];
        std::snprintf(strBuf, sizeof(strBuf), "[%d][%d]\n", static_cast<int>(static_cast<short>(LOWORD(lParam))),
                      static_cast<int>(static_cast<short>(HIWORD(lParam))));
        OutputDebugStringA(strBuf);
        return 0;
    }
    default:
        return 0;
    }
}

int SORTMENUDLG_Open(HINSTANCE hInst, HWND hParent, int x, int y, int nIdType)
{
    g_nPosX = x;
    g_nPosY = y;
    switch (nIdType) {
    case 31: SORTMENUDLG_MakeMakerList(&g_lstName); break;
    case 32: SORTMENUDLG_MakePlatformList(&g_lstName); break;
    case 33: SORTMENUDLG_MakeGenreList(&g_lstName); break;
    default: CMN_ASSERT(0); return -1;
    }
    if (LIST_GetCnt(&g_lstName) == 0) {
        LIST_Free(&g_lstName);
        return 0;
    }
    INT_PTR nRet = DialogBoxParamA(hInst, MAKEINTRESOURCEA(IDD_SORTMENUDLG), hParent, SORTMENUDLG_Proc, 0);
    int nResult = nRet < 0 ? -1 : static_cast<int>(nRet);
    if (nResult != -1) {
        const SortNameIf* pCntIf = static_cast<const SortNameIf*>(LIST_GetAt(&g_lstName, nResult));
        CMN_ASSERT(pCntIf != NULL);
        SortNameIf* pCntNewIf = static_cast<SortNameIf*>(std::calloc(1, sizeof(SortNameIf)));
        CMN_ASSERT(pCntNewIf != NULL);
        if (pCntIf != nullptr && pCntNewIf != nullptr) {
            pCntNewIf->nIdType = nIdType;
            std::memcpy(pCntNewIf->szName, pCntIf->szName, sizeof(pCntNewIf->szName));
            if (!PostMessageA(hParent, WMU_SORTMENU, 0, reinterpret_cast<LPARAM>(pCntNewIf))) std::free(pCntNewIf);
        } else {
            std::free(pCntNewIf);
        }
    }
    LIST_Free(&g_lstName);
    return nResult;
}

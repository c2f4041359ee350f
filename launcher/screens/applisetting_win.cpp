#include "applisetting.h"

#include <cstdio>
#include <cstdlib>

#include "choiceacountdlg.h"
#include "cmnassert.h"
#include "envappsetting.h"
#include "sccmn.h"

namespace {

enum {
    IDC_CANCEL = 1000,
    IDC_AUTOUPDATE = 1009,
    IDC_AUTODOWNLOAD = 1010,
};

// The list-mode radio buttons in the order of their digits "0" to "4".
const int kModeButtons[5] = { 1007, 1004, 1005, 1006, 1008 };
const int kDefaultMode = 2;

HWND g_hDlg = nullptr;

void AppsetPath(char* pOut, int nSize)
{
    std::snprintf(pOut, static_cast<size_t>(nSize), "%sappset.bin", SCCMN_GetAppPath());
}

int APPLISETTING_SetControls(HWND hDlg)
{
    char strValue[2048] = "";
    BOOL bRet = ENVAPPSETTING_GetValue(strValue, sizeof(strValue), ENVAPPSET_KEY_DISPMODE);
    CMN_ASSERT(bRet == TRUE);
    int nMode = bRet && strValue[0] >= '0' && strValue[0] <= '4' ? strValue[0] - '0' : kDefaultMode;
    for (int i = 0; i < 5; i++)
        SendDlgItemMessageA(hDlg, kModeButtons[i], BM_SETCHECK, i == nMode ? BST_CHECKED : BST_UNCHECKED, 0);

    const struct { const char* key; int id; } switches[] = {
        { ENVAPPSET_KEY_AUTOUPDATE, IDC_AUTOUPDATE }, { ENVAPPSET_KEY_AUTODOWNLOAD, IDC_AUTODOWNLOAD } };
    for (const auto& s : switches) {
        strValue[0] = '\0';
        bRet = ENVAPPSETTING_GetValue(strValue, sizeof(strValue), s.key);
        CMN_ASSERT(bRet == TRUE);
        SendDlgItemMessageA(hDlg, s.id, BM_SETCHECK, bRet && strValue[0] == '1' ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    return TRUE;
}

BOOL APPLISETTING_OnInitDialog(HWND hDlg)
{
    DLG_Centre(hDlg, true);
    char strPath[2048 + 16];
    AppsetPath(strPath, sizeof(strPath));
    if (!ENVAPPSETTING_Load(strPath)) {
        // Missing, empty or unreadable: the defaults take its place.
        if (!ENVAPPSETTING_CreateDefault(strPath) || !ENVAPPSETTING_Load(strPath)) return TRUE;
    }
    APPLISETTING_SetControls(hDlg);
    return TRUE;
}

int APPLISETTING_Save(HWND hDlg)
{
    // No radio button checked (the file could not be loaded) keeps the default.
    char strMode[2] = { static_cast<char>('0' + kDefaultMode), '\0' };
    for (int i = 0; i < 5; i++)
        if (SendDlgItemMessageA(hDlg, kModeButtons[i], BM_GETCHECK, 0, 0) == BST_CHECKED)
            strMode[0] = static_cast<char>('0' + i);
    const char* pUpdate = SendDlgItemMessageA(hDlg, IDC_AUTOUPDATE, BM_GETCHECK, 0, 0) == BST_CHECKED ? "1" : "0";
    const char* pDownload = SendDlgItemMessageA(hDlg, IDC_AUTODOWNLOAD, BM_GETCHECK, 0, 0) == BST_CHECKED ? "1" : "0";

    char* pText = ENVAPPSETTING_Save(strMode, pUpdate, pDownload);
    if (!ENVAPPSETTING_SetBuffer(pText)) {
        std::free(pText);   // nothing loaded to replace: the block is still ours
        return FALSE;
    }
    char strPath[2048 + 16];
    AppsetPath(strPath, sizeof(strPath));
    return ENVAPPSETTING_Write(strPath);
}

BOOL APPLISETTING_Close(HWND hDlg)
{
    DestroyWindow(hDlg);
    ENVAPPSETTING_Free();
    g_hDlg = nullptr;
    return TRUE;
}

INT_PTR CALLBACK APPLISETTING_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        return APPLISETTING_OnInitDialog(hDlg);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            APPLISETTING_Save(hDlg);
            return APPLISETTING_Close(hDlg);
        case IDC_CANCEL:
            return APPLISETTING_Close(hDlg);
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

}  // namespace

int APPLISETTING_Create(HINSTANCE hInst, HWND)
{
    if (g_hDlg != nullptr) return 1;
    // No owner: the dialog keeps its own place in the task bar's z-order.
    g_hDlg = CreateDialogParamA(hInst, MAKEINTRESOURCEA(IDD_APPLISETTING), nullptr, APPLISETTING_DlgProc, 0);
    CMN_ASSERT(g_hDlg != NULL);
    if (g_hDlg != nullptr) ShowWindow(g_hDlg, SW_SHOW);
    return 1;
}

int APPLISETTING_Show(int nCmdShow)
{
    if (g_hDlg == nullptr) return 0;
    ShowWindow(g_hDlg, nCmdShow);
    return 1;
}

int APPLISETTING_Destroy(void)
{
    if (g_hDlg != nullptr) APPLISETTING_Close(g_hDlg);
    return 1;
}

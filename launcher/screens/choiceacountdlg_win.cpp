#include "choiceacountdlg.h"

#include <cstring>

#include "cmnassert.h"
#include "hantiv.h"

namespace {

enum { IDC_ACCOUNTS = 1006, IDC_CANCEL = 1000 };

struct ChoiceIf {
    char* pOut;
    int   nOutSize;
    LIST* pList;
};
ChoiceIf g_choiceIf;

INT_PTR CALLBACK CHOICEACOUNTDLG_DlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM)
{
    switch (uMsg) {
    case WM_INITDIALOG: {
        DLG_Centre(hDlg, true);
        HWND hCombo = GetDlgItem(hDlg, IDC_ACCOUNTS);
        for (int i = 0; i < LIST_GetCnt(g_choiceIf.pList); i++) {
            const char* p = static_cast<const char*>(LIST_GetAt(g_choiceIf.pList, i));
            if (p != nullptr) SendMessageA(hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(p));
        }
        SendMessageA(hCombo, CB_SETCURSEL, 0, 0);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_CANCEL) {
            EndDialog(hDlg, 0);
            return TRUE;
        }
        if (LOWORD(wParam) == IDOK) {
            HWND hCombo = GetDlgItem(hDlg, IDC_ACCOUNTS);
            LRESULT nSel = SendMessageA(hCombo, CB_GETCURSEL, 0, 0);
            if (nSel == CB_ERR) return TRUE;   // a typed text that is no entry: stay
            const char* p = static_cast<const char*>(LIST_GetAt(g_choiceIf.pList, static_cast<int>(nSel)));
            if (p == nullptr) return TRUE;
            size_t n = std::strlen(p);
            if (n > static_cast<size_t>(g_choiceIf.nOutSize - 1)) n = g_choiceIf.nOutSize - 1;
            std::memcpy(g_choiceIf.pOut, p, n);
            g_choiceIf.pOut[n] = '\0';
            EndDialog(hDlg, 1);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

void DLG_Centre(HWND hWnd, bool bTopmost, int nRaise)
{
    RECT rc;
    GetWindowRect(hWnd, &rc);
    double w = rc.right - rc.left, h = rc.bottom - rc.top;
    int x = static_cast<int>(GetSystemMetrics(SM_CXSCREEN) / 2.0 - w / 2.0);
    int y = static_cast<int>(GetSystemMetrics(SM_CYSCREEN) / 2.0 - h / 2.0) - nRaise;
    BOOL bRet = SetWindowPos(hWnd, bTopmost ? HWND_TOPMOST : nullptr, x, y, 0, 0,
                             SWP_NOSIZE | (bTopmost ? 0 : SWP_NOZORDER));
    CMN_ASSERT(bRet != 0);
}

int CHOICEACOUNTDLG_DoModal(HINSTANCE hInst, HWND hParent, char* pOut, int nOutSize, LIST* pList)
{
    std::memset(&g_choiceIf, 0, sizeof(g_choiceIf));
    if (pOut == nullptr || nOutSize < 1 || pList == nullptr) return 0;
    g_choiceIf.pOut = pOut;
    g_choiceIf.nOutSize = nOutSize;
    g_choiceIf.pList = pList;
    INT_PTR r = DialogBoxParamA(hInst, MAKEINTRESOURCEA(IDD_CHOICEACOUNT), hParent, CHOICEACOUNTDLG_DlgProc, 0);
    std::memset(&g_choiceIf, 0, sizeof(g_choiceIf));
    return r == 1 ? 1 : 0;
}

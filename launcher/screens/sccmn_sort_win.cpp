#include "sccmn_sort_win.h"

#include <cstdlib>

#include "cmnassert.h"
#include "page.h"
#include "sccmn.h"
#include "sccmn_sort.h"

namespace {
SCCMN_RefreshFunc g_pfnRefresh = nullptr;

void Refresh(void)
{
    if (g_pfnRefresh != nullptr) g_pfnRefresh();
}
}   // namespace

void SCCMN_SetListRefresh(SCCMN_RefreshFunc pfnRefresh) { g_pfnRefresh = pfnRefresh; }

int SCCMN_Proc_WmuSortButton(HWND, WPARAM, LPARAM lParam)
{
    if (SCCMN_SortButtonApply(static_cast<int>(lParam))) Refresh();
    return 1;
}

int SCCMN_Proc_WmuSortMenu(HWND, WPARAM, LPARAM lParam)
{
    SortNameIf* pName = reinterpret_cast<SortNameIf*>(lParam);
    if (pName == nullptr) return 0;
    pName->szName[sizeof(pName->szName) - 1] = '\0';
    if (SCCMN_SortMenuApply(pName->nIdType, pName->szName)) Refresh();
    std::free(pName);
    return 1;
}

int SCCMN_SetMonthPage(HWND hCombo, int nSel)
{
    CMN_ASSERT(nSel >= 0 && nSel < PAGE_GetCount());
    SendMessageA(hCombo, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < PAGE_GetCount(); i++) {
        SendMessageA(hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(PAGE_GetName(i)));
    }
    SendMessageA(hCombo, CB_SETCURSEL, static_cast<WPARAM>(nSel), 0);
    return 1;
}

int SCCMN_Proc_ComboSelChange(HWND hCombo, WPARAM wParam)
{
    if (HIWORD(wParam) != CBN_SELCHANGE) return 1;
    LRESULT nSel = SendMessageA(hCombo, CB_GETCURSEL, 0, 0);
    SCCMN_SetComboSel(nSel == CB_ERR ? -1 : static_cast<int>(nSel));
    SCCMN_SwitchPage(SCCMN_GetComboSel());
    Refresh();
    return 1;
}

// The sort buttons' and the sort menu's messages reach a window whose
// procedure hands them to the main window's handlers, and the real sort
// menu (dialog 138 of the launcher's resources) is driven like a member.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "contentslist.h"
#include "hantiv.h"
#include "page.h"
#include "sccmn.h"
#include "sccmn_sort_win.h"
#include "sortmenudlg.h"

namespace {

int g_nRefresh = 0;
int CountRefresh(void) { return ++g_nRefresh; }

LRESULT CALLBACK MainProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WMU_SORTBUTTON: SCCMN_Proc_WmuSortButton(hWnd, wParam, lParam); return 0;
    case WMU_SORTMENU: SCCMN_Proc_WmuSortMenu(hWnd, wParam, lParam); return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == 10) SCCMN_Proc_ComboSelChange(reinterpret_cast<HWND>(lParam), wParam);
        return 0;
    default: return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    }
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

char* Today()
{
    char* p = static_cast<char*>(std::malloc(9));
    std::strcpy(p, "20261210");
    return p;
}

// What the timer saw of the open menu, and which row it clicked.
struct Seen {
    HWND hDlg = nullptr;
    std::vector<std::string> items;
    RECT rc {};
    LONG_PTR exStyle = 0;
    int pick = 0;
    int ticks = 0;
} g_seen;

BOOL CALLBACK FindMenu(HWND hWnd, LPARAM)
{
    if (GetDlgItem(hWnd, 1019) == nullptr) return TRUE;
    g_seen.hDlg = hWnd;
    return FALSE;
}

// Runs inside the menu's modal loop: read the list, then choose a row the
// way a click does (the selection changes and the list box tells its dialog).
void CALLBACK ChooseRow(HWND, UINT, UINT_PTR uId, DWORD)
{
    if (++g_seen.ticks > 100) {   // never shown: stop waiting
        KillTimer(nullptr, uId);
        return;
    }
    EnumThreadWindows(GetCurrentThreadId(), FindMenu, 0);
    if (g_seen.hDlg == nullptr || !IsWindowVisible(g_seen.hDlg)) return;
    KillTimer(nullptr, uId);
    HWND hList = GetDlgItem(g_seen.hDlg, 1019);
    int nCnt = static_cast<int>(SendMessageA(hList, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < nCnt; i++) {
        char buf[256] = {};
        SendMessageA(hList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf));
        g_seen.items.push_back(buf);
    }
    GetWindowRect(g_seen.hDlg, &g_seen.rc);
    g_seen.exStyle = GetWindowLongPtrA(g_seen.hDlg, GWL_EXSTYLE);
    SendMessageA(hList, LB_SETCURSEL, g_seen.pick, 0);
    SendMessageA(g_seen.hDlg, WM_COMMAND, MAKEWPARAM(1019, LBN_SELCHANGE), reinterpret_cast<LPARAM>(hList));
}

class SortMenuWin : public ::testing::Test {
protected:
    HWND hMain = nullptr;
    void SetUp() override
    {
        WNDCLASSA wc {};
        wc.lpfnWndProc = MainProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "SortMenuTestMain";
        RegisterClassA(&wc);
        hMain = CreateWindowA("SortMenuTestMain", "main", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                              wc.hInstance, nullptr);
        ASSERT_NE(hMain, nullptr);
        // Titles b c a; makers "ソフト" on c only; platforms X1, X1, PC-8801.
        std::free(g_pContIf);
        g_pContIf = static_cast<ContIf*>(std::calloc(3, sizeof(ContIf)));
        g_nContCnt = 3;
        const char* names[] = { "b", "c", "a" };
        const char* makers[] = { "Enix", "ソフト", "Enix" };
        const char* platforms[] = { "X1", "X1", "PC-8801" };
        for (int i = 0; i < 3; i++) {
            ContIf& c = g_pContIf[i];
            std::strcpy(c.strProductName, names[i]);
            std::strcpy(c.strMakerName, makers[i]);
            std::strcpy(c.strPlatform, platforms[i]);
            std::strcpy(c.strStartDate, "20260101");
            std::strcpy(c.strEndDate, "20991231");
            c.type = 1;
        }
        PAGE_SetTodayFunc(Today);
        SCCMN_SetComboSel(2);
        ASSERT_EQ(PAGE_Init(), 1);
        SCCMN_SetListRefresh(CountRefresh);
        g_nRefresh = 0;
        g_seen = Seen();
    }
    void TearDown() override
    {
        if (PAGE_CheckValid()) PAGE_Term();
        SCCMN_SetListRefresh(nullptr);
        SCCMN_SetComboSel(-1);
        PAGE_SetTodayFunc(nullptr);
        std::free(g_pContIf);
        g_pContIf = nullptr;
        g_nContCnt = 0;
        if (hMain != nullptr) DestroyWindow(hMain);
    }
    static std::string Names()
    {
        std::string s;
        for (int i = 0; i < PAGE_GetContentsCnt(2); i++) s += g_pContIf[PAGE_GetContentsId(2, i)].strProductName;
        return s;
    }
};

// A first "down" shows descending titles and redraws; the same button again
// is idle, not even a redraw; "up" then turns it round; other ids are idle.
TEST_F(SortMenuWin, SortButtonMessagesSortAndRedraw)
{
    PostMessageA(hMain, WMU_SORTBUTTON, 0, 19);
    Pump();
    EXPECT_EQ(Names(), "cba");
    EXPECT_EQ(g_nRefresh, 1);
    PostMessageA(hMain, WMU_SORTBUTTON, 0, 19);
    PostMessageA(hMain, WMU_SORTBUTTON, 0, 30);
    Pump();
    EXPECT_EQ(g_nRefresh, 1);
    PostMessageA(hMain, WMU_SORTBUTTON, 0, 18);
    Pump();
    EXPECT_EQ(Names(), "abc");
    EXPECT_EQ(g_nRefresh, 2);
}

// The menu opens at the given screen point, topmost, lists the distinct
// makers in order; one click ends it, and the posted choice puts that
// maker's rows first.
TEST_F(SortMenuWin, ChoosingAMakerPutsItsRowsFirst)
{
    g_seen.pick = 1;
    SetTimer(nullptr, 0, 50, ChooseRow);
    int nRet = SORTMENUDLG_Open(GetModuleHandleA(nullptr), hMain, 120, 90, 31);
    EXPECT_EQ(nRet, 1);
    ASSERT_NE(g_seen.hDlg, nullptr);
    EXPECT_FALSE(IsWindow(g_seen.hDlg));
    EXPECT_EQ(g_seen.items, (std::vector<std::string> { "Enix", "ソフト" }));
    EXPECT_EQ(g_seen.rc.left, 120);
    EXPECT_EQ(g_seen.rc.top, 90);
    EXPECT_TRUE(g_seen.exStyle & WS_EX_TOPMOST);
    EXPECT_EQ(g_nRefresh, 0);   // posted, not yet handled
    Pump();
    EXPECT_EQ(g_nRefresh, 1);
    EXPECT_EQ(PAGE_GetSortType(), ePDST_MAKER);
    EXPECT_STREQ(g_pagemIf.szContentsName, "ソフト");
    EXPECT_EQ(Names(), "cba");

    // The platform menu: its own names, its own filter.
    g_seen = Seen();
    g_seen.pick = 0;
    SetTimer(nullptr, 0, 50, ChooseRow);
    EXPECT_EQ(SORTMENUDLG_Open(GetModuleHandleA(nullptr), hMain, 10, 10, 32), 0);
    EXPECT_EQ(g_seen.items, (std::vector<std::string> { "PC-8801", "X1" }));
    Pump();
    EXPECT_EQ(PAGE_GetSortType(), ePDST_PLATFORM);
    EXPECT_EQ(Names(), "acb");
}

// The page chooser: filled with the five pages, the current one selected;
// choosing another page shows it in the sort on screen (direction kept).
TEST_F(SortMenuWin, PageChooserKeepsTheSortShown)
{
    g_pContIf[0].bFavorite = 1;
    g_pContIf[2].bFavorite = 1;
    HWND hCombo = CreateWindowA("COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 200, 200, hMain,
                                reinterpret_cast<HMENU>(10), GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(hCombo, nullptr);
    EXPECT_EQ(SCCMN_SetMonthPage(hCombo, 2), 1);
    ASSERT_EQ(SendMessageA(hCombo, CB_GETCOUNT, 0, 0), 5);
    EXPECT_EQ(SendMessageA(hCombo, CB_GETCURSEL, 0, 0), 2);
    char buf[256] = {};
    SendMessageA(hCombo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(buf));
    EXPECT_STREQ(buf, "お気に入り");

    PostMessageA(hMain, WMU_SORTBUTTON, 0, 19);   // titles descending
    Pump();
    SendMessageA(hCombo, CB_SETCURSEL, 1, 0);
    SendMessageA(hMain, WM_COMMAND, MAKEWPARAM(10, CBN_SELCHANGE), reinterpret_cast<LPARAM>(hCombo));
    EXPECT_EQ(SCCMN_GetComboSel(), 1);
    EXPECT_EQ(g_nRefresh, 2);
    EXPECT_EQ(PAGE_GetSortType(), ePDST_TITLE);
    EXPECT_EQ(PAGE_GetSortDir(ePDST_TITLE), ePDSD_DESCEND);
    std::string s;
    for (int i = 0; i < PAGE_GetContentsCnt(1); i++) s += g_pContIf[PAGE_GetContentsId(1, i)].strProductName;
    EXPECT_EQ(s, "ba");
    // Another notification of the chooser changes nothing.
    SendMessageA(hMain, WM_COMMAND, MAKEWPARAM(10, CBN_DROPDOWN), reinterpret_cast<LPARAM>(hCombo));
    EXPECT_EQ(g_nRefresh, 2);
}

// Nothing to list shows nothing; another opener is refused; a sort menu
// record for an unknown opener is freed and changes nothing.
TEST_F(SortMenuWin, EmptyCatalogueAndOtherOpeners)
{
    g_nContCnt = 0;
    EXPECT_EQ(SORTMENUDLG_Open(GetModuleHandleA(nullptr), hMain, 0, 0, 33), 0);
    EXPECT_EQ(SORTMENUDLG_Open(GetModuleHandleA(nullptr), hMain, 0, 0, 30), -1);
    g_nContCnt = 3;
    SortNameIf* p = static_cast<SortNameIf*>(std::calloc(1, sizeof(SortNameIf)));
    std::strcpy(p->szName, "Enix");
    p->nIdType = 34;
    PostMessageA(hMain, WMU_SORTMENU, 0, reinterpret_cast<LPARAM>(p));
    Pump();
    EXPECT_EQ(g_nRefresh, 0);
    EXPECT_EQ(PAGE_GetSortType(), ePDST_MAX);
}

}   // namespace

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "contentslist.h"
#include "page.h"
#include "sccmn_sort.h"
#include "sortmenudlg.h"

namespace {

char* Today()
{
    char* p = static_cast<char*>(std::malloc(9));
    std::strcpy(p, "20261210");
    return p;
}

// Three contents on every page whose six orders differ: titles a b c, sale
// days b a c, run counts b c a; catalogue order b c a; makers M on a only.
class SortHandlers : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (PAGE_CheckValid()) PAGE_Term();
        std::free(g_pContIf);
        g_pContIf = static_cast<ContIf*>(std::calloc(3, sizeof(ContIf)));
        g_nContCnt = 3;
        const char* names[] = { "b", "c", "a" };
        const char* days[] = { "2024/01", "2026/01", "2025/01" };
        const char* counts[] = { "1", "2", "3" };
        for (int i = 0; i < 3; i++) {
            ContIf& c = g_pContIf[i];
            std::strcpy(c.strProductName, names[i]);
            std::strcpy(c.strSaleDay, days[i]);
            std::strcpy(c.strSortKey, counts[i]);
            std::strcpy(c.strMakerName, i == 2 ? "M" : "N");
            std::strcpy(c.strStartDate, "20260101");
            std::strcpy(c.strEndDate, "20991231");
            c.type = 1;
            c.bFavorite = 1;
        }
        PAGE_SetTodayFunc(Today);
        PAGE_SetCurrentPage(2);
        ASSERT_EQ(PAGE_Init(), 1);
    }
    void TearDown() override
    {
        if (PAGE_CheckValid()) PAGE_Term();
        PAGE_SetTodayFunc(nullptr);
        PAGE_SetCurrentPage(-1);
        std::free(g_pContIf);
        g_pContIf = nullptr;
        g_nContCnt = 0;
    }
    static std::string Names(int nPage)
    {
        std::string s;
        for (int i = 0; i < PAGE_GetContentsCnt(nPage); i++) s += g_pContIf[PAGE_GetContentsId(nPage, i)].strProductName;
        return s;
    }
};

const int kNone = -1;

// Each sort button against what is shown: the click is idle only when its
// own type is shown in its own direction; otherwise the list shows that
// type in that direction, whatever the stored directions were.
TEST_F(SortHandlers, SortButtonsShowTheAskedDirection)
{
    struct Case {
        int leftTitleDir;   // a title direction chosen before (kNone: never)
        int shownType;      // kNone: nothing sorted yet
        int shownDir;
        int button;
        int acts;
        int type, dir;      // the sort afterwards
        const char* page;
    };
    const Case cases[] = {
        // Nothing shown: the first click of either button sorts its way.
        { kNone, kNone, 0, eSCSORT_TITLE_DOWN, 1, ePDST_TITLE, ePDSD_DESCEND, "cba" },
        { kNone, kNone, 0, eSCSORT_TITLE_UP, 1, ePDST_TITLE, ePDSD_ASCEND, "abc" },
        { kNone, kNone, 0, eSCSORT_SALEDAY_DOWN, 1, ePDST_SALEDAY, ePDSD_DESCEND, "cab" },
        { kNone, kNone, 0, eSCSORT_SALEDAY_UP, 1, ePDST_SALEDAY, ePDSD_ASCEND, "bac" },
        { kNone, kNone, 0, eSCSORT_RUNCNT_DOWN, 1, ePDST_RUNCNT, ePDSD_DESCEND, "acb" },
        { kNone, kNone, 0, eSCSORT_RUNCNT_UP, 1, ePDST_RUNCNT, ePDSD_ASCEND, "bca" },
        // The shown sort again: idle; the other direction: sorts.
        { kNone, ePDST_TITLE, ePDSD_ASCEND, eSCSORT_TITLE_UP, 0, ePDST_TITLE, ePDSD_ASCEND, "abc" },
        { kNone, ePDST_TITLE, ePDSD_ASCEND, eSCSORT_TITLE_DOWN, 1, ePDST_TITLE, ePDSD_DESCEND, "cba" },
        { kNone, ePDST_TITLE, ePDSD_DESCEND, eSCSORT_TITLE_DOWN, 0, ePDST_TITLE, ePDSD_DESCEND, "cba" },
        { kNone, ePDST_TITLE, ePDSD_DESCEND, eSCSORT_TITLE_UP, 1, ePDST_TITLE, ePDSD_ASCEND, "abc" },
        { kNone, ePDST_RUNCNT, ePDSD_DESCEND, eSCSORT_RUNCNT_DOWN, 0, ePDST_RUNCNT, ePDSD_DESCEND, "acb" },
        { kNone, ePDST_RUNCNT, ePDSD_DESCEND, eSCSORT_RUNCNT_UP, 1, ePDST_RUNCNT, ePDSD_ASCEND, "bca" },
        // Another sort shown: a title direction left from before does not
        // make the title buttons idle.
        { ePDSD_ASCEND, ePDST_SALEDAY, ePDSD_DESCEND, eSCSORT_TITLE_UP, 1, ePDST_TITLE, ePDSD_ASCEND, "abc" },
        { ePDSD_DESCEND, ePDST_SALEDAY, ePDSD_ASCEND, eSCSORT_TITLE_DOWN, 1, ePDST_TITLE, ePDSD_DESCEND, "cba" },
        { ePDSD_ASCEND, ePDST_MAKER, 0, eSCSORT_TITLE_DOWN, 1, ePDST_TITLE, ePDSD_DESCEND, "cba" },
        // Not sort buttons: nothing changes.
        { kNone, ePDST_SALEDAY, ePDSD_ASCEND, 20, 0, ePDST_SALEDAY, ePDSD_ASCEND, "bac" },
        { kNone, ePDST_SALEDAY, ePDSD_ASCEND, eSCSORT_MAKER, 0, ePDST_SALEDAY, ePDSD_ASCEND, "bac" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "left " << c.leftTitleDir << " shown " << c.shownType << "/" << c.shownDir
                                        << " button " << c.button);
        PAGE_Term();
        ASSERT_EQ(PAGE_Init(), 1);
        if (c.leftTitleDir != kNone) PAGE_SetSortDir(ePDST_TITLE, c.leftTitleDir);
        if (c.shownType == ePDST_MAKER) {
            PAGE_SetSortFilter(ePDST_MAKER, "M");
        } else if (c.shownType != kNone) {
            PAGE_SetSortDir(c.shownType, c.shownDir);
        }
        PAGE_Sort();
        EXPECT_EQ(SCCMN_SortButtonApply(c.button), c.acts);
        EXPECT_EQ(PAGE_GetSortType(), c.type);
        EXPECT_EQ(PAGE_GetSortDir(c.type), c.dir);
        EXPECT_EQ(Names(2), c.page);
        // Title and sale day sort the page shown; run counts every page.
        EXPECT_EQ(Names(0), c.type == ePDST_RUNCNT ? c.page : "bca");
    }
    // Without pages a button does nothing.
    PAGE_Term();
    EXPECT_EQ(SCCMN_SortButtonApply(eSCSORT_TITLE_UP), 0);
}

// The sort menu's choice: the maker, platform or genre filter by the opener.
TEST_F(SortHandlers, SortMenuChoiceFiltersByItsOpener)
{
    std::strcpy(g_pContIf[1].strPlatform, "X1");
    std::strcpy(g_pContIf[0].strGenreName, "RPG");
    struct Case { int id; const char* name; int acts; int type; const char* page; };
    const Case cases[] = {
        { eSCSORT_MAKER, "M", 1, ePDST_MAKER, "abc" },
        { eSCSORT_PLATFORM, "X1", 1, ePDST_PLATFORM, "cba" },
        { eSCSORT_GENRE, "RPG", 1, ePDST_GENRE, "bca" },
        { eSCSORT_GENRE, "", 0, ePDST_MAX, "bca" },   // an empty name filters nothing
        { 34, "M", 0, ePDST_MAX, "bca" },
        { eSCSORT_TITLE_UP, "M", 0, ePDST_MAX, "bca" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        PAGE_Term();
        ASSERT_EQ(PAGE_Init(), 1);
        EXPECT_EQ(SCCMN_SortMenuApply(c.id, c.name), c.acts);
        EXPECT_EQ(PAGE_GetSortType(), c.type);
        EXPECT_EQ(Names(2), c.page);
    }
}

// Picking another page keeps what the buttons chose; nothing chosen stays
// nothing (not the maker filter).
TEST_F(SortHandlers, PageSwitchKeepsTheSortShown)
{
    EXPECT_EQ(SCCMN_SwitchPage(0), 1);
    EXPECT_EQ(PAGE_GetSortType(), ePDST_MAX);
    EXPECT_EQ(Names(0), "bca");
    ASSERT_EQ(SCCMN_SortButtonApply(eSCSORT_TITLE_DOWN), 1);
    EXPECT_EQ(SCCMN_SwitchPage(2), 1);
    EXPECT_EQ(PAGE_GetCurrentPage(), 2);
    EXPECT_EQ(Names(2), "cba");
    EXPECT_EQ(SCCMN_SortButtonApply(eSCSORT_TITLE_DOWN), 0);   // still shown that way
    ASSERT_EQ(SCCMN_SortMenuApply(eSCSORT_MAKER, "M"), 1);
    EXPECT_EQ(SCCMN_SwitchPage(1), 1);
    EXPECT_EQ(Names(1), "abc");
    EXPECT_STREQ(g_pagemIf.szContentsName, "M");
}

// The sort menu's names: each distinct name once (exact bytes, so case
// makes two names), in order; an empty field is a name too; each field its
// own list.
TEST_F(SortHandlers, SortMenuListsDistinctNamesInOrder)
{
    const char* makers[] = { "Sega", "Enix", "Sega", "Falcom", "Enix", "", "Falcom", "Sega" };
    std::free(g_pContIf);
    g_pContIf = static_cast<ContIf*>(std::calloc(8, sizeof(ContIf)));
    g_nContCnt = 8;
    for (int i = 0; i < 8; i++) {
        std::strcpy(g_pContIf[i].strMakerName, makers[i]);
        std::strcpy(g_pContIf[i].strPlatform, i < 4 ? "X1" : "PC-8801");
        std::strcpy(g_pContIf[i].strGenreName, i == 3 ? "RPG" : "ACT");
    }
    auto names = [](int (*make)(LIST*)) {
        LIST l;
        EXPECT_EQ(make(&l), 1);
        std::string s;
        for (int i = 0; i < LIST_GetCnt(&l); i++) {
            const SortNameIf* p = static_cast<const SortNameIf*>(LIST_GetAt(&l, i));
            EXPECT_EQ(p->nIdType, 0);
            s += "[" + std::string(p->szName) + "]";
        }
        LIST_Free(&l);
        return s;
    };
    EXPECT_EQ(names(SORTMENUDLG_MakeMakerList), "[][Enix][Falcom][Sega]");
    EXPECT_EQ(names(SORTMENUDLG_MakePlatformList), "[PC-8801][X1]");
    EXPECT_EQ(names(SORTMENUDLG_MakeGenreList), "[ACT][RPG]");
    g_nContCnt = 0;
    EXPECT_EQ(names(SORTMENUDLG_MakeGenreList), "");
}

}   // namespace

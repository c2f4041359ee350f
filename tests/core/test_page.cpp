#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "catalogue_fixture.h"
#include "contentslist.h"
#include "page.h"

namespace {

const char* g_today = "20261210";
char* FixedToday()
{
    char* p = static_cast<char*>(std::malloc(9));
    std::strcpy(p, g_today);
    return p;
}

struct Item {
    const char* name;
    int type;
    int fav;
    const char* start;
    const char* end;
    const char* velqa;
    const char* velqaBought;
};

class Pages : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetCatalogue();
        if (PAGE_CheckValid()) PAGE_Term();
        PAGE_SetTodayFunc(FixedToday);
        PAGE_SetCurrentPage(-1);
    }
    void TearDown() override
    {
        if (PAGE_CheckValid()) PAGE_Term();
        PAGE_SetTodayFunc(nullptr);
        PAGE_SetCurrentPage(-1);
        ResetCatalogue();
    }
    // A catalogue of records with the given name and fields.
    void Make(const std::vector<Item>& items)
    {
        ResetCatalogue();
        g_pContIf = static_cast<ContIf*>(std::calloc(items.size(), sizeof(ContIf)));
        g_nContCnt = static_cast<int>(items.size());
        for (size_t i = 0; i < items.size(); i++) {
            ContIf& c = g_pContIf[i];
            std::snprintf(c.strContentsId, sizeof(c.strContentsId), "id%zu", i);
            std::snprintf(c.strProductName, sizeof(c.strProductName), "%s", items[i].name);
            c.type = items[i].type;
            c.bFavorite = items[i].fav;
            std::snprintf(c.strStartDate, sizeof(c.strStartDate), "%s", items[i].start);
            std::snprintf(c.strEndDate, sizeof(c.strEndDate), "%s", items[i].end);
            std::snprintf(c.strVelqaFlag, sizeof(c.strVelqaFlag), "%s", items[i].velqa);
            std::snprintf(c.strVelqaBought, sizeof(c.strVelqaBought), "%s", items[i].velqaBought);
        }
    }
    // Names of the contents on a page, in page order.
    static std::string Names(int nPage)
    {
        std::string s;
        for (int i = 0; i < PAGE_GetContentsCnt(nPage); i++) {
            if (!s.empty()) s += ' ';
            s += g_pContIf[PAGE_GetContentsId(nPage, i)].strProductName;
        }
        return s;
    }
    // Names of many records at once: one letter each.
    void MakeNamed(const char* letters)
    {
        std::vector<Item> items;
        static std::vector<std::string> names;
        names.clear();
        for (const char* p = letters; *p; p++) names.push_back(std::string(1, *p));
        for (auto& n : names) items.push_back({ n.c_str(), 1, 1, "20260101", "20991231", "1", "1" });
        Make(items);
    }
};

// Which page holds which content: states, favourites, VELQA flags and the
// sale period around today (both ends included; an empty day reads 0).
TEST_F(Pages, MembershipByStateFavouriteFlagsAndSalePeriod)
{
    Make({
        { "playable", 1, 1, "20261201", "20261231", "1", "1" },
        { "update", 3, 0, "20261210", "20261210", "1", "0" },     // starts and ends today
        { "download", 2, 0, "20261211", "20261231", "1", "1" },   // starts tomorrow
        { "notbuy", 5, 1, "20261101", "20261209", "1", "1" },     // ended yesterday
        { "noend", 1, 0, "20260101", "", "1", "1" },              // end reads 0
        { "nostart", 0, 0, "", "20261210", "11", "1" },           // start reads 0; flag 11 is not 1
        { "velqaonly", 5, 0, "20261210", "20261211", "1", "" },
    });
    ASSERT_EQ(PAGE_Init(), 1);
    ASSERT_EQ(PAGE_GetCount(), 5);
    EXPECT_EQ(Names(0), "playable update download noend");
    EXPECT_EQ(Names(1), "playable notbuy");
    EXPECT_EQ(Names(2), "playable update nostart velqaonly");
    EXPECT_EQ(Names(3), "playable update velqaonly");
    EXPECT_EQ(Names(4), "playable download noend");

    const char* names[] = { "購入済み", "お気に入り", "全コンテンツ", "VELQA対応コンテンツ", "購入済みVELQAコンテンツ" };
    const uint32_t kinds[] = { ePDKIND_BUY, ePDKIND_FAVORITE, ePDKIND_ALL, ePDKIND_VELQA, ePDKIND_BUYVELQA };
    for (int i = 0; i < 5; i++) {
        EXPECT_STREQ(PAGE_GetName(i), names[i]);
        EXPECT_EQ(PAGE_GetKind(i), kinds[i]);
        EXPECT_EQ(PAGE_GetIndexOfKind(kinds[i]), i);
    }
    EXPECT_EQ(PAGE_GetSortType(), ePDST_MAX);
    for (int t = 0; t < ePDST_MAX; t++) EXPECT_EQ(PAGE_GetSortDir(t), ePDSD_NONE);
    // Bad page numbers and positions.
    EXPECT_EQ(PAGE_GetContentsCnt(5), 0);
    EXPECT_EQ(PAGE_GetContentsId(0, 4), -1);
    EXPECT_EQ(PAGE_GetContentsId(-1, 0), -1);
    EXPECT_STREQ(PAGE_GetName(7), "");

    // The day moves on: the rebuild sees tomorrow's catalogue.
    PAGE_Term();
    EXPECT_EQ(PAGE_GetCount(), -1);
    g_today = "20261211";
    ASSERT_EQ(PAGE_Init(), 1);
    EXPECT_EQ(Names(2), "playable download velqaonly");
    g_today = "20261210";
}

TEST_F(Pages, TitleSortFlipsDirectionAndKeepsEqualNamesInOrder)
{
    Make({
        { "b", 1, 1, "", "", "", "" }, { "a", 1, 1, "", "", "", "" }, { "c", 1, 1, "", "", "", "" },
        { "a", 2, 1, "", "", "", "" }, { "b", 3, 1, "", "", "", "" },
    });
    ASSERT_EQ(PAGE_Init(), 1);
    PAGE_SetCurrentPage(0);
    auto ids = [] {
        std::string s;
        for (int i = 0; i < PAGE_GetContentsCnt(0); i++) s += std::to_string(PAGE_GetContentsId(0, i));
        return s;
    };
    ASSERT_EQ(PAGE_SetSortType(ePDST_TITLE), 1);
    EXPECT_EQ(PAGE_GetSortDir(ePDST_TITLE), ePDSD_ASCEND);
    ASSERT_EQ(PAGE_Sort(), 1);
    EXPECT_EQ(ids(), "13042");                  // a a b b c, each pair in catalogue order
    PAGE_SetSortType(ePDST_TITLE);
    EXPECT_EQ(PAGE_GetSortDir(ePDST_TITLE), ePDSD_DESCEND);
    PAGE_Sort();
    EXPECT_EQ(ids(), "20413");                  // c b b a a: equal names still not exchanged
    PAGE_SetSortType(ePDST_TITLE);
    PAGE_Sort();
    EXPECT_EQ(ids(), "13042");                  // ascending again
    // Only the current page was sorted.
    EXPECT_EQ(PAGE_GetContentsId(1, 0), 0);
}

TEST_F(Pages, SaleDaySortAndMissingCurrentPage)
{
    Make({ { "x", 1, 0, "", "", "", "" }, { "y", 1, 0, "", "", "", "" }, { "z", 1, 0, "", "", "", "" } });
    std::strcpy(g_pContIf[0].strSaleDay, "2026/03");
    std::strcpy(g_pContIf[1].strSaleDay, "2025/12");
    std::strcpy(g_pContIf[2].strSaleDay, "2026/01");
    ASSERT_EQ(PAGE_Init(), 1);
    PAGE_SetSortType(ePDST_SALEDAY);
    // No page chosen: nothing moves, and PAGE_Sort still reports success.
    EXPECT_EQ(SortContents_SaleDay(), 0);
    EXPECT_EQ(PAGE_Sort(), 1);
    EXPECT_EQ(Names(0), "x y z");
    PAGE_SetCurrentPage(0);
    EXPECT_EQ(PAGE_Sort(), 1);
    EXPECT_EQ(Names(0), "y z x");
    // A page with fewer than two entries is no error and stays as it is.
    PAGE_SetCurrentPage(1);
    EXPECT_EQ(SortContents_SaleDay(), 1);
    EXPECT_EQ(SortContents_Title(), 1);
}

// The exchange sorts run on every page and read their direction; 9 comes
// before 10 as numbers.
TEST_F(Pages, NumericAndStateSortsOnEveryPage)
{
    MakeNamed("abcdef");
    const char* keys[] = { "10", "9", " -3", "x", "9", "100" };
    const char* values[] = { "10.5", "9.75", "1e1", "", "-0.5", "9.75" };
    const int types[] = { 1, 3, 2, 1, 3, 1 };
    for (int i = 0; i < 6; i++) {
        std::strcpy(g_pContIf[i].strSortKey, keys[i]);
        std::strcpy(g_pContIf[i].strSortValue, values[i]);
        g_pContIf[i].type = types[i];
    }
    struct Case { int type; int dir; const char* page0; };
    const Case cases[] = {
        { ePDST_RUNCNT, ePDSD_ASCEND, "c d b e a f" },    // -3, 0, 9, 9, 10, 100
        { ePDST_RUNCNT, ePDSD_DESCEND, "f a b e d c" },
        { ePDST_RUNCNT, ePDSD_NONE, "c d b e a f" },      // not chosen sorts ascending
        { ePDST_FIELD8, ePDSD_ASCEND, "e d b f c a" },    // -0.5, 0, 9.75, 9.75, 10, 10.5
        { ePDST_FIELD8, ePDSD_DESCEND, "a c b f d e" },
        { ePDST_KIND, ePDSD_ASCEND, "a d f c b e" },      // 1 1 1 2 3 3
        { ePDST_KIND, ePDSD_DESCEND, "b e c a d f" },
        { ePDST_KINDBOUGHT, ePDSD_ASCEND, "b c e a d f" },  // playable last
        { ePDST_KINDBOUGHT, ePDSD_DESCEND, "a d f b c e" }, // playable first
        { ePDST_KINDTHREE, ePDSD_ASCEND, "a c d f b e" },
        { ePDST_KINDTHREE, ePDSD_DESCEND, "b e a c d f" },
    };
    for (const auto& c : cases) {
        if (PAGE_CheckValid()) PAGE_Term();
        ASSERT_EQ(PAGE_Init(), 1);
        ASSERT_EQ(PAGE_SetSortDir(c.type, c.dir), 1);
        EXPECT_EQ(PAGE_GetSortType(), c.type);
        ASSERT_EQ(PAGE_Sort(), 1);
        for (int p : { 0, 1, 2, 3, 4 }) {
            EXPECT_EQ(Names(p), c.page0) << "type " << c.type << " direction " << c.dir << " page " << p;
        }
    }
}

// Filters: the matching entries move to the front, both groups in their
// order; the direction is neither read nor changed.
TEST_F(Pages, FiltersPartitionStably)
{
    MakeNamed("abcdefg");
    const char* makers[] = { "M", "", "N", "M", "", "M", "N" };
    for (int i = 0; i < 7; i++) {
        std::strcpy(g_pContIf[i].strMakerName, makers[i]);
        std::strcpy(g_pContIf[i].strPlatform, i % 2 ? "PC-8801" : "X1");
        std::strcpy(g_pContIf[i].strGenreName, i == 6 ? "RPG" : "ACT");
    }
    ASSERT_EQ(PAGE_Init(), 1);
    PAGE_SetCurrentPage(2);
    // Type 2 chosen by the sort type alone: the filter is empty, so the
    // entries without a maker come first.
    ASSERT_EQ(PAGE_SetSortType(ePDST_MAKER), 1);
    EXPECT_EQ(PAGE_GetSortDir(ePDST_MAKER), ePDSD_NONE);
    PAGE_Sort();
    EXPECT_EQ(Names(2), "b e a c d f g");
    ASSERT_EQ(PAGE_SetSortFilter(ePDST_MAKER, "M"), 1);
    PAGE_Sort();
    EXPECT_EQ(Names(2), "a d f b e c g");
    ASSERT_EQ(PAGE_SetSortFilter(ePDST_PLATFORM, "PC-8801"), 1);
    PAGE_Sort();
    EXPECT_EQ(Names(2), "d f b a e c g");
    ASSERT_EQ(PAGE_SetSortFilter(ePDST_GENRE, "RPG"), 1);
    PAGE_Sort();
    EXPECT_EQ(Names(2), "g d f b a e c");
    ASSERT_EQ(PAGE_SetSortFilter(ePDST_MAKER, "m"), 1);   // case counts: nothing matches
    PAGE_Sort();
    EXPECT_EQ(Names(2), "g d f b a e c");
    EXPECT_EQ(PAGE_GetSortDir(ePDST_GENRE), ePDSD_NONE);
    EXPECT_EQ(Names(0), "a b c d e f g");   // other pages untouched

    // Refused: another type, an empty name, a name too long; nothing changes.
    EXPECT_EQ(PAGE_SetSortFilter(ePDST_TITLE, "M"), 0);
    EXPECT_EQ(PAGE_SetSortFilter(ePDST_MAKER, ""), 0);
    EXPECT_EQ(PAGE_SetSortFilter(ePDST_MAKER, std::string(2048, 'M').c_str()), 0);
    EXPECT_EQ(PAGE_GetSortType(), ePDST_MAKER);
    EXPECT_STREQ(g_pagemIf.szContentsName, "m");
    EXPECT_EQ(PAGE_SetSortType(ePDST_MAX), 0);
    EXPECT_EQ(PAGE_SetSortType(-1), 0);
}

TEST_F(Pages, TypesWithoutRoutineAndShortPagesChangeNothing)
{
    MakeNamed("cba");
    g_pContIf[0].type = 5;   // only on pages 1 to 3
    ASSERT_EQ(PAGE_Init(), 1);
    PAGE_SetCurrentPage(0);
    for (int t : { static_cast<int>(ePDST_MAX), 3, 9 }) {
        if (t != ePDST_MAX) {
            ASSERT_EQ(PAGE_SetSortType(t), 1);
        }
        EXPECT_EQ(PAGE_Sort(), 1);
        EXPECT_EQ(Names(0), "b a") << "type " << t;
        EXPECT_EQ(Names(2), "c b a") << "type " << t;
    }
    // One entry: no sort moves anything, whatever the type.
    Make({ { "only", 1, 1, "", "", "", "" } });
    PAGE_Term();
    ASSERT_EQ(PAGE_Init(), 1);
    for (int t = 0; t < ePDST_MAX; t++) {
        PAGE_SetSortType(t);
        EXPECT_EQ(PAGE_Sort(), 1);
        EXPECT_EQ(Names(0), "only");
    }
}

TEST(PageText, ReadsNumbersLikeTheCatalogueWritesThem)
{
    struct Case { const char* text; int i; double d; };
    const Case cases[] = {
        { "", 0, 0 }, { "abc", 0, 0 }, { "  42x", 42, 42 }, { "-7", -7, -7 }, { "+3.5e2", 3, 350 },
        { ".5", 0, 0.5 }, { "1e", 1, 1 }, { "99999999999", 2147483647, 99999999999.0 },
        { "-99999999999", -2147483647 - 1, -99999999999.0 }, { "inf", 0, 0 }, { "0x10", 0, 0 },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PAGE_TextToInt(c.text), c.i) << c.text;
        EXPECT_EQ(PAGE_TextToDouble(c.text), c.d) << c.text;
    }
}

}  // namespace

namespace {
class PageRebuild : public Pages {};
}

// A rebuild (new catalogue, another page, a favourite dropped) shows the
// new pages in the sort the member chose: type, every direction and the
// filter survive and the pages are sorted again; no sort stays no sort.
TEST_F(PageRebuild, KeepsTypeDirectionsAndFilter)
{
    MakeNamed("cabd");
    const char* makers[] = { "N", "M", "N", "M" };
    for (int i = 0; i < 4; i++) std::strcpy(g_pContIf[i].strMakerName, makers[i]);
    ASSERT_EQ(PAGE_Init(), 1);
    PAGE_SetCurrentPage(2);

    // None stays none: catalogue order, nothing chosen.
    ASSERT_EQ(PAGE_Rebuild(), 1);
    EXPECT_EQ(PAGE_GetSortType(), ePDST_MAX);
    EXPECT_EQ(Names(2), "c a b d");

    // Descending titles, with the sale-day direction set earlier.
    PAGE_SetSortDir(ePDST_SALEDAY, ePDSD_DESCEND);
    PAGE_SetSortDir(ePDST_TITLE, ePDSD_DESCEND);
    PAGE_Sort();
    PAGE_SetCurrentPage(0);   // the member picks another page
    ASSERT_EQ(PAGE_Rebuild(), 1);
    EXPECT_EQ(PAGE_GetSortType(), ePDST_TITLE);
    EXPECT_EQ(PAGE_GetSortDir(ePDST_TITLE), ePDSD_DESCEND);
    EXPECT_EQ(PAGE_GetSortDir(ePDST_SALEDAY), ePDSD_DESCEND);
    EXPECT_EQ(PAGE_GetSortDir(ePDST_RUNCNT), ePDSD_NONE);
    EXPECT_EQ(Names(0), "d c b a");

    // The maker filter survives a catalogue change: the new content joins
    // the pages and the filter's rows come first again.
    ASSERT_EQ(PAGE_SetSortFilter(ePDST_MAKER, "M"), 1);
    PAGE_Sort();
    EXPECT_EQ(Names(0), "d a c b");
    ContIf* p = static_cast<ContIf*>(std::realloc(g_pContIf, sizeof(ContIf) * 5));
    ASSERT_NE(p, nullptr);
    g_pContIf = p;
    g_pContIf[4] = g_pContIf[1];
    std::strcpy(g_pContIf[4].strProductName, "e");
    g_nContCnt = 5;
    ASSERT_EQ(PAGE_Rebuild(), 1);
    EXPECT_EQ(PAGE_GetSortType(), ePDST_MAKER);
    EXPECT_STREQ(g_pagemIf.szContentsName, "M");
    EXPECT_EQ(Names(0), "a d e c b");
    EXPECT_EQ(PAGE_GetSortDir(ePDST_TITLE), ePDSD_DESCEND);

    // From nothing, a rebuild is a plain build.
    PAGE_Term();
    ASSERT_EQ(PAGE_Rebuild(), 1);
    EXPECT_EQ(PAGE_GetSortType(), ePDST_MAX);
    EXPECT_EQ(Names(0), "c a b d e");
}

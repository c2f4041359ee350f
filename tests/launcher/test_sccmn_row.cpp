// The catalogue list's records without windows: pt.bin read into play-time
// totals, the rows of a page built and refreshed from the catalogue, and the
// check that keeps a capture path from the service inside the cache folder.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cmnfile.h"
#include "contentslist.h"
#include "page.h"
#include "sccmn_row.h"

namespace {

struct Play {
    LIST l;
    Play() { LIST_Init(&l); }
    ~Play() { LIST_Free(&l); }
    std::string Dump()
    {
        std::string s;
        for (int i = 0; i < LIST_GetCnt(&l); i++) {
            const PlayIf* p = static_cast<const PlayIf*>(LIST_GetAt(&l, i));
            s += (i ? " " : "") + std::string(p->strUserId) + "/" + p->strProductId + "/" +
                 std::to_string(p->nRunCnt) + "/" + std::to_string(p->nMinutes);
        }
        return s;
    }
};

TEST(PlayTime, LinesOfAProductAddUpAndABrokenLineEndsTheReading)
{
    struct Case {
        const char* name;
        const char* text;
        const char* want;
    } cases[] = {
        { "three lines of one product, two users", "taro,P1,30,\nhana,P1,45,\ntaro,P1,5,\n", "taro/P1/3/80" },
        { "products by exact id", "u,P1,1,\nu,P10,2,\nu,P1,4,\n", "u/P1/2/5 u/P10/1/2" },
        { "a two-field line stops the reading", "u,P1,1,\nu,P2\nu,P1,9,\n", "u/P1/1/1" },
        { "an empty field counts as missing", "u,P1,1,\n,P2,5,\nu,P1,9,\n", "u/P1/1/1" },
        { "an empty line stops the reading", "u,P1,1,\n\nu,P1,9,\n", "u/P1/1/1" },
        { "a last line without its line feed is no whole line", "u,P1,1,\nu,P1,9,", "u/P1/1/1" },
        { "minutes without the final comma", "u,P1,7\n", "u/P1/1/7" },
        { "minutes past the int range stay at its end", "u,P1,99999999999,\nu,P1,5,\n", "u/P1/2/2147483647" },
        { "nothing", "", "" },
    };
    for (const Case& c : cases) {
        Play play;
        EXPECT_EQ(SCCMN_ParsePlayTime(&play.l, c.text), 1);
        EXPECT_EQ(play.Dump(), c.want) << c.name;
    }
}

TEST(PlayTime, TheFileIsInvertedAndEndsInTheSpareByte)
{
    std::string plain = "taro,P1,30,\nhana,P1,45,\n";
    std::vector<char> file(plain.begin(), plain.end());
    CMNFILE_InvertBytes(file.data(), static_cast<int>(file.size()));
    file.push_back('\x55');   // the reader's spare byte, not yet a terminator
    Play play;
    EXPECT_EQ(SCCMN_ParsePlayTime(&play.l, CMNFILE_MakeText(file.data(), static_cast<int>(plain.size()), 1).pText), 1);
    EXPECT_EQ(play.Dump(), "taro/P1/2/75");
}

TEST(PlayTime, RunCountText)
{
    Play play;
    SCCMN_ParsePlayTime(&play.l, "u,P1,30,\nu,P1,45,\nu,P1,5,\n");
    char s[16];
    SCCMN_FormatRunCnt(s, sizeof(s), &play.l, "P1");
    EXPECT_STREQ(s, "3");
    SCCMN_FormatRunCnt(s, sizeof(s), &play.l, "P2");
    EXPECT_STREQ(s, "0");
    SCCMN_FormatRunCnt(s, sizeof(s), &play.l, "");
    EXPECT_STREQ(s, "???");
    LIST_Add(&play.l, nullptr);
    SCCMN_FormatRunCnt(s, sizeof(s), &play.l, "P2");
    EXPECT_STREQ(s, "???");
}

const char* g_today = "20261210";
char* FixedToday()
{
    char* p = static_cast<char*>(std::malloc(9));
    std::strcpy(p, g_today);
    return p;
}

class Rows : public ::testing::Test {
protected:
    LIST rows;
    void SetUp() override
    {
        LIST_Init(&rows);
        if (PAGE_CheckValid()) PAGE_Term();
        PAGE_SetTodayFunc(FixedToday);
        // Installed, to download, not bought.
        const int types[] = { eCLPD_TYPE_PLAYABLE, eCLPD_TYPE_DOWNLOADABLE, eCLPD_TYPE_NOTBUY };
        g_pContIf = static_cast<ContIf*>(std::calloc(3, sizeof(ContIf)));
        g_nContCnt = 3;
        for (int i = 0; i < 3; i++) {
            ContIf& c = g_pContIf[i];
            std::snprintf(c.strContentsId, sizeof(c.strContentsId), "P%d", i + 1);
            std::snprintf(c.strProductName, sizeof(c.strProductName), "GAME%d", i + 1);
            std::snprintf(c.strMakerName, sizeof(c.strMakerName), "MAKER%d", i + 1);
            std::snprintf(c.strPlatform, sizeof(c.strPlatform), "PC-8801");
            std::snprintf(c.strGenreName, sizeof(c.strGenreName), "RPG");
            std::snprintf(c.strSaleDay, sizeof(c.strSaleDay), "1987/0%d/01", i + 1);
            std::snprintf(c.strExplan, sizeof(c.strExplan), "EXPLAN%d", i + 1);
            std::snprintf(c.strVelqaBought, sizeof(c.strVelqaBought), "1");
            std::snprintf(c.strStartDate, sizeof(c.strStartDate), "20260101");
            std::snprintf(c.strEndDate, sizeof(c.strEndDate), "20991231");
            c.type = types[i];
            c.bFavorite = 1;
        }
        ASSERT_EQ(PAGE_Init(), 1);
    }
    void TearDown() override
    {
        LIST_Free(&rows);
        if (PAGE_CheckValid()) PAGE_Term();
        PAGE_SetTodayFunc(nullptr);
        std::free(g_pContIf);
        g_pContIf = nullptr;
        g_nContCnt = 0;
    }
    // A page that shows all three contents.
    int PageOfAll()
    {
        for (int p = 0; p < PAGE_GetCount(); p++)
            if (PAGE_GetContentsCnt(p) == 3) return p;
        return -1;
    }
    const ClSIf* Row(int nId)
    {
        for (int i = 0; i < LIST_GetCnt(&rows); i++) {
            const ClSIf* p = static_cast<const ClSIf*>(LIST_GetAt(&rows, i));
            if (p->nSeqId == nId) return p;
        }
        return nullptr;
    }
};

TEST_F(Rows, ARowShowsTheCatalogueTheRunCountAndTheStateOfItsContent)
{
    int nPage = PageOfAll();
    ASSERT_GE(nPage, 0);
    Play play;
    SCCMN_ParsePlayTime(&play.l, "taro,P1,30,\nhana,P1,45,\ntaro,P1,5,\n");
    EXPECT_EQ(SCCMN_MakePlayInfo(&rows, &play.l, nPage), 1);
    ASSERT_EQ(LIST_GetCnt(&rows), 3);
    struct Want {
        const char* title;
        const char* runs;
        int icon, notBought;
    } want[] = { { "GAME1", "3", 0, 0 }, { "GAME2", "0", 3, 0 }, { "GAME3", "0", 0, 1 } };
    for (int i = 0; i < 3; i++) {
        const ClSIf* r = Row(i);
        ASSERT_NE(r, nullptr) << i;
        EXPECT_STREQ(r->strTitle, want[i].title);
        EXPECT_STREQ(r->strRunCnt, want[i].runs) << r->strTitle;
        EXPECT_EQ(r->nIconState, want[i].icon) << r->strTitle;
        EXPECT_EQ(r->bNotBought, want[i].notBought) << r->strTitle;
        // The explanation column, not the music-bought flag beside it ("1").
        EXPECT_EQ(std::string(r->strExplan), "EXPLAN" + std::to_string(i + 1));
        EXPECT_EQ(std::string(r->strMaker), "MAKER" + std::to_string(i + 1));
        EXPECT_STREQ(r->strProperty, "");
        EXPECT_STREQ(r->strIcon, "");
    }
    EXPECT_EQ(SCCMN_MakePlayInfo(&rows, &play.l, -1), 1);   // no page: nothing added
    EXPECT_EQ(LIST_GetCnt(&rows), 3);
}

TEST_F(Rows, TheRefreshRewritesTheRowsInPlaceAndMarksAManualToFetch)
{
    int nPage = PageOfAll();
    ASSERT_GE(nPage, 0);
    Play play;
    SCCMN_MakePlayInfo(&rows, &play.l, nPage);
    const ClSIf* r = Row(0);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->nIconState, 0);
    g_pContIf[0].typeManual = eCLPD_TYPE_UPDATE;
    std::snprintf(g_pContIf[0].strProductName, sizeof(g_pContIf[0].strProductName), "RENAMED");
    SCCMN_ParsePlayTime(&play.l, "u,P1,1,\n");
    EXPECT_EQ(SCCMN_MakePlayInfoSeq(&rows, &play.l, nPage), 1);
    EXPECT_EQ(LIST_GetCnt(&rows), 3);
    EXPECT_EQ(Row(0), r);   // the same record
    EXPECT_EQ(r->nIconState, 3);
    EXPECT_STREQ(r->strTitle, "RENAMED");
    EXPECT_STREQ(r->strRunCnt, "1");
}

TEST(CapturePath, OnlyPathsBelowTheFolderAreSafe)
{
    struct Case {
        const char* path;
        int safe;
    } cases[] = {
        { "demo0001.bmp", 1 }, { "img\\demo0001.bmp", 1 }, { "img/a.bmp", 1 }, { "a..b.bmp", 1 },
        { "\x83\x5c\\a.bmp", 1 },   // "ソ": its trail byte 0x5C is no separator
        { "", 0 }, { "..\\contents\\0123\\REG.DAT", 0 }, { "img\\..\\..\\x.bmp", 0 }, { "../x.bmp", 0 },
        { "..", 0 }, { ".\\a.bmp", 0 }, { "...\\a.bmp", 0 }, { ". .\\a.bmp", 0 }, { "C:\\tiv\\REG.DAT", 0 },
        { "C:x.bmp", 0 }, { "\\\\host\\share\\a.bmp", 0 }, { "\\a.bmp", 0 }, { "/a.bmp", 0 },
        { "a.bmp:stream", 0 }, { "img\\\\a.bmp", 0 }, { "img\\", 0 },
    };
    for (const Case& c : cases) EXPECT_EQ(CMNFILE_IsSafeRelPath(c.path), c.safe) << c.path;
}

}  // namespace

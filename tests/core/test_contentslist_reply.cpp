#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "catalogue_fixture.h"
#include "cmnfile.h"
#include "contentslist.h"
#include "refstore.h"

namespace {

std::string Convert(std::string text, int nLen = -1)
{
    text.push_back('\0');
    text.append("\xEE\xEE", 2);   // must stay beyond the terminator
    int n = EUCtoSJIS(&text[0], nLen < 0 ? static_cast<int>(std::strlen(text.c_str())) : nLen);
    std::string out(text.c_str());
    EXPECT_EQ(n <= static_cast<int>(out.size()), true);
    return out;
}

// The conversion table both converters follow: the in-place one of the
// catalogue reply and the copying one of the file helpers.
TEST(EucToSjis, InPlaceAndCopyConvertAlike)
{
    struct Case { std::string euc; std::string sjis; };
    const Case cases[] = {
        { "abc,", "abc," },
        { "\x41\xA4\xA2", "\x41\x82\xA0" },              // あ
        { "\xA1\xA1", "\x81\x40" },                      // ideographic space
        { "\xA1\xE0", "\x81\x80" },                      // odd lead past 0x7E skips 0x7F
        { "\xCA\xF3\xB9\xF0", "報告" },
        { "a\xA4", "a" },                                // a character cut off by the end goes
        // Mended: the single shifts and broken bytes never swallow a comma.
        { "\x8E\xB1,x,", "\xB1,x," },                    // half-width katakana: one byte
        { "\x8E\xDF\x8E\xA1,", "\xDF\xA1," },
        { "\x8F\xB0\xA1,x,", "〓,x," },                  // JIS X 0212: one replacement
        { "\xA4,x,", "?,x," },                           // bad second byte
        { "\x8E,x,", "?,x," },
        { "\x8F\xB0,x,", "?,x," },
        { "\x8F,x,", "?,x," },
        { "\x85\xA4\xA2,", "?\x82\xA0," },               // no lead byte at all
        { "\x8E\xE0,", "?," },                           // no half-width katakana
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Convert(c.euc), c.sjis) << "in place";
        char dst[64];
        EUCtoSJIS_Copy(c.euc.c_str(), dst, sizeof(dst));
        EXPECT_EQ(std::string(dst), c.sjis) << "copy";
    }
}

TEST(EucToSjis, WalksOnlyTheGivenLengthAndKeepsTheRest)
{
    // The first 3 bytes shrink to 1; the unconverted rest moves up whole.
    EXPECT_EQ(Convert("\x8E\xB1" "a\xA4\xA2\xA4\xA2", 3), "\xB1" "a\xA4\xA2\xA4\xA2");
    EXPECT_EQ(Convert("\xA4\xA2\xA4\xA2", 2), "\x82\xA0\xA4\xA2");
    // A pair that starts inside the length is converted whole.
    EXPECT_EQ(Convert("a\xA4\xA2", 2), "a\x82\xA0");
    char text[] = "\xA4\xA2\x8E\xB1z";
    EXPECT_EQ(EUCtoSJIS(text, 5), 4);   // two bytes, one, one
}

TEST(EucToSjis, PairArithmetic)
{
    struct Case { int lead, trail, sjis; };
    const Case cases[] = {
        { 0xA4, 0xA2, 0x82A0 }, { 0xA1, 0xA1, 0x8140 }, { 0xA1, 0xE0, 0x8180 },
        { 0xB0, 0xA1, 0x889F }, { 0xDF, 0xA1, 0xE040 }, { 0xF4, 0xA6, 0xEAA4 },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EUCtoSJIS_Pair(static_cast<unsigned char>(c.lead), static_cast<unsigned char>(c.trail)), c.sjis)
            << std::hex << c.lead << " " << c.trail;
    }
    EXPECT_EQ(EUCtoSJIS_Pair(0xFF, 0xA2) >> 8, 0x70);   // lead + 1 wraps to 0 first
}

std::string Rec(const std::string& id, const std::string& name = "Game")
{
    return ref::ReplyRecord({ { 1, "tiv" }, { 3, name }, { 4, id } });
}

TEST(ReplyCount, CountsOnlyCompleteTivRecords)
{
    std::string three = Rec("a") + Rec("b") + Rec("c");
    struct Case { std::string text; int count; };
    const Case cases[] = {
        { "", 0 },
        { "no commas at all", 0 },
        { three, 3 },
        { Rec("a") + "xyz,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24," + Rec("c"), 1 },
        { Rec("a") + "ti,", 1 },                                           // column 1 too short
        { Rec("a") + "tiv,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17", 1 },   // stops at column 17
        { Rec("a") + "tiv,2,3", 1 },
        { std::string("tiv") + std::string(5000, 'x') + ",2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,", 1 },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GetContentsCnt(c.text.c_str(), 0), c.count) << c.text.substr(0, 80);
        EXPECT_EQ(CONTENTSLIST_GetContentsCnt(c.text.c_str(), 0), c.count);
    }
}

class Reply : public ::testing::Test {
protected:
    void SetUp() override { ResetCatalogue(); }
    void TearDown() override { ResetCatalogue(); }
};

TEST_F(Reply, EveryColumnLandsInItsField)
{
    std::map<int, std::string> cols;
    for (int c = 1; c <= 24; c++) cols[c] = "c" + std::to_string(c);
    cols[1] = "tiv";
    std::string text = ref::ReplyRecord(cols);
    ASSERT_EQ(CONTENTSLIST_Init(text.c_str()), 1);
    ASSERT_EQ(CONTENTSLIST_GetCount(), 1);
    const ContIf& r = g_pContIf[0];
    EXPECT_EQ(std::string(r.strCode, 3), "tiv");
    EXPECT_EQ(std::string(r.strBought, 2), "c1");   // a code of two bytes, kept as two bytes
    struct Check { const char* field; const char* value; const char* expect; };
    const Check checks[] = {
        { "strProductName", r.strProductName, "c3" }, { "strContentsId", r.strContentsId, "c4" },
        { "strMakerName", r.strMakerName, "c5" }, { "strPlatform", r.strPlatform, "c6" },
        { "strGenreName", r.strGenreName, "c7" }, { "strSaleDay", r.strSaleDay, "c8" },
        { "strSortKey", r.strSortKey, "c9" }, { "strDlPath", r.strDlPath, "c10" },
        { "strVersion", r.strVersion, "c11" }, { "strVelqaFlag", r.strVelqaFlag, "c12" },
        { "strGameCapturePath", r.strGameCapturePath, "c14" }, { "strExplan", r.strExplan, "c15" },
        { "strVelqaBought", r.strVelqaBought, "c16" }, { "strDlPathManual", r.strDlPathManual, "c17" },
        { "strVersionManual", r.strVersionManual, "c18" }, { "strDlPathVelqa", r.strDlPathVelqa, "c19" },
        { "strVersionVelqa", r.strVersionVelqa, "c20" }, { "strColumn21", r.strColumn21, "c21" },
        { "strColumn22", r.strColumn22, "c22" }, { "strStartDate", r.strStartDate, "c23" },
        { "strEndDate", r.strEndDate, "c24" },
        { "strServerVersion", r.strServerVersion, "c11" },
        { "strServerVersionManual", r.strServerVersionManual, "c18" },
        { "strServerVersionVelqa", r.strServerVersionVelqa, "c20" },
        { "strSortValue", r.strSortValue, "" },
    };
    for (const auto& c : checks) EXPECT_STREQ(c.value, c.expect) << c.field;
    // Column 2 is nowhere in the record.
    std::string bytes(reinterpret_cast<const char*>(&r), sizeof(r));
    EXPECT_EQ(bytes.find(std::string("c2\0", 3)), std::string::npos);
    EXPECT_EQ(r.type, eCLPD_TYPE_NOTBUY);
}

// Columns 14 and 15 of 200 bytes keep their first 127; every other column
// is held to its field as well, so the next field is never touched.
TEST_F(Reply, LongColumnsAreCutToTheirFields)
{
    std::string longMaker(50, 'M');
    std::string text = ref::ReplyRecord({ { 1, "tiv" }, { 3, "Title" }, { 4, "ID-1" }, { 5, longMaker },
                                          { 6, std::string(40, 'P') }, { 14, std::string(200, 'S') },
                                          { 15, std::string(200, 'E') }, { 11, std::string(30, '9') } });
    ASSERT_EQ(CONTENTSLIST_Init(text.c_str()), 1);
    const ContIf& r = g_pContIf[0];
    EXPECT_EQ(std::string(r.strMakerName), std::string(30, 'M'));
    EXPECT_EQ(std::string(r.strPlatform), std::string(20, 'P'));
    EXPECT_EQ(std::string(r.strGameCapturePath), std::string(127, 'S'));
    EXPECT_EQ(std::string(r.strExplan), std::string(127, 'E'));
    EXPECT_EQ(std::string(r.strVersion), std::string(19, '9'));
    EXPECT_STREQ(r.strContentsId, "ID-1");
    EXPECT_STREQ(r.strProductName, "Title");
    // A double-byte character is never cut in two.
    std::string kanji;
    for (int i = 0; i < 20; i++) kanji += "報";
    ResetCatalogue();
    text = ref::ReplyRecord({ { 1, "tiv" }, { 4, "ID-1" }, { 5, "x" + kanji } });
    ASSERT_EQ(CONTENTSLIST_Init(text.c_str()), 1);
    EXPECT_EQ(std::string(g_pContIf[0].strMakerName), "x" + kanji.substr(0, 28));
}

// A reply as the service's EUC-JP could arrive: over-long columns,
// half-width katakana, a JIS X 0212 character and broken bytes right before
// commas. Every record after them keeps all its columns.
TEST_F(Reply, HostileReplyKeepsEveryLaterRecordIntact)
{
    std::string euc = "ok,";
    euc += ref::ReplyRecord({ { 1, "tiv" }, { 3, "\x8E\xB1\x8E\xB2" }, { 4, "K1" },
                              { 5, std::string(300, 'L') + "\xA4\xA2" }, { 7, "\xA4" },
                              { 8, "\x8F\xB0\xA1" }, { 9, "\x8E" }, { 13, "1" } });
    euc += ref::ReplyRecord({ { 1, "tiv" }, { 3, "\xA4\xA2\xA4\xA4" }, { 4, "K2" }, { 5, "\x8F" },
                              { 23, "20260101" }, { 24, "20991231" } });
    euc += ref::ReplyRecord({ { 1, "tiv" }, { 3, "Third" }, { 4, "K3" }, { 13, "1" }, { 24, "end" } });
    std::string buf = euc;
    buf.push_back('\0');
    int n = EUCtoSJIS(&buf[0], static_cast<int>(euc.size()));
    const char* pText = buf.c_str() + 3;
    ASSERT_EQ(CONTENTSLIST_GetContentsCnt(pText, n - 3), 3);
    ASSERT_EQ(CONTENTSLIST_Init(pText), 1);
    ASSERT_EQ(g_nContCnt, 3);
    EXPECT_STREQ(g_pContIf[0].strProductName, "\xB1\xB2");
    EXPECT_STREQ(g_pContIf[0].strContentsId, "K1");
    EXPECT_EQ(std::string(g_pContIf[0].strMakerName), std::string(30, 'L'));
    EXPECT_STREQ(g_pContIf[0].strGenreName, "?");
    EXPECT_STREQ(g_pContIf[0].strSaleDay, "〓");
    EXPECT_STREQ(g_pContIf[0].strSortKey, "?");
    EXPECT_STREQ(g_pContIf[0].strBought, "1");
    EXPECT_STREQ(g_pContIf[1].strProductName, "あい");
    EXPECT_STREQ(g_pContIf[1].strContentsId, "K2");
    EXPECT_STREQ(g_pContIf[1].strMakerName, "?");
    EXPECT_STREQ(g_pContIf[1].strStartDate, "20260101");
    EXPECT_STREQ(g_pContIf[1].strEndDate, "20991231");
    EXPECT_STREQ(g_pContIf[2].strProductName, "Third");
    EXPECT_STREQ(g_pContIf[2].strContentsId, "K3");
    EXPECT_STREQ(g_pContIf[2].strEndDate, "end");
}

TEST_F(Reply, InitBuildsOnlyWhatTheReplyHolds)
{
    // No complete record: an empty catalogue.
    ASSERT_EQ(CONTENTSLIST_Init("tiv,1,2,3,"), 1);
    EXPECT_EQ(g_pContIf, nullptr);
    EXPECT_EQ(CONTENTSLIST_GetCount(), 0);
    EXPECT_EQ(CONTENTSLIST_IsLoaded(), 0);
    // A record that does not begin with "tiv" ends the catalogue.
    std::string text = Rec("a") + ref::ReplyRecord({ { 1, "xyz" }, { 4, "b" } }) + Rec("c");
    ASSERT_EQ(CONTENTSLIST_Init(text.c_str()), 1);
    ASSERT_EQ(CONTENTSLIST_GetCount(), 1);
    EXPECT_STREQ(CONTENTSLIST_GetContentsId(0), "a");
    // A catalogue is held: Init refuses to build over it.
    EXPECT_EQ(CONTENTSLIST_Init(text.c_str()), 0);
    EXPECT_EQ(CONTENTSLIST_GetCount(), 1);
}

// Without any path the state follows the bought flag, exactly "1".
TEST_F(Reply, StatesWithoutInstalledFilesFollowTheBoughtFlag)
{
    struct Case { const char* name; const char* bought; int expect; };
    const Case cases[] = {
        { "G", "1", eCLPD_TYPE_DOWNLOADABLE },
        { "G", "11", eCLPD_TYPE_NOTBUY },    // a two-character flag is not "1"
        { "G", "0", eCLPD_TYPE_NOTBUY },
        { "G", "", eCLPD_TYPE_NOTBUY },
        { "", "1", eCLPD_TYPE_NONE },        // no product name: undecided
    };
    std::string text;
    for (const auto& c : cases) text += ref::ReplyRecord({ { 1, "tiv" }, { 3, c.name }, { 4, "id" }, { 13, c.bought } });
    ASSERT_EQ(CONTENTSLIST_Init(text.c_str()), 1);
    ASSERT_EQ(g_nContCnt, 5);
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(g_pContIf[i].type, cases[i].expect) << "bought [" << cases[i].bought << "] name [" << cases[i].name << "]";
        EXPECT_EQ(g_pContIf[i].typeManual, cases[i].expect);
        EXPECT_EQ(g_pContIf[i].typeVelqa, cases[i].expect);
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <string>

#include "catalogue_fixture.h"
#include "contentslist.h"
#include "refstore.h"

namespace {

class Merge : public ::testing::Test {
protected:
    void SetUp() override { ResetCatalogue(); }
    void TearDown() override { ResetCatalogue(); }
};

ref::Record Stored(const std::string& id, const std::string& name)
{
    ref::Record r;
    r.Raw(ref::kCode, "tiv").Text(ref::kContentsId, id).Text(ref::kProductName, name)
        .Text(ref::kMakerName, "OldMaker").Text(ref::kSortKey, "7").Text(ref::kExplan, "stored text")
        .Text(ref::kVersion, "1.0").Text(ref::kServerVersion, "1.0").Raw(ref::kBought, "1")
        .Text(ref::kStartDate, "20200101").Text(ref::kEndDate, "20201231");
    return r;
}

// The merge table: a stored catalogue of three, and a reply that updates
// one, names a new content twice and another once, and drops one.
TEST_F(Merge, UpdatesKeepsAppendsAndFoldsDuplicates)
{
    ref::Record a = Stored("A", "Alpha");
    a.Int(ref::kFavorite, 1).Text(ref::kExePath, "x").Text(ref::kExePath + 128, "y")
        .Text(ref::kExeSentence, "Play").Int(ref::kSlotValue + 4, 2).Text(ref::kExtra, "extra")
        .Raw(ref::kReserved, "kept").Text(ref::kSortValue, "3.5");
    ref::Record b = Stored("B", "Beta");
    b.Int(ref::kFavorite, 1);
    ref::Record c = Stored("C", "Gamma");
    const ContIf stored[] = { ToCont(a), ToCont(b), ToCont(c) };
    SetRecords(g_pContTmpIf, g_nContTmpCnt, stored);

    std::string reply =
        ref::ReplyRecord({ { 1, "tiv" }, { 3, "Alpha 2" }, { 4, "A" }, { 5, "" }, { 9, "99" }, { 11, "2.0" },
                           { 13, "1" }, { 15, "reply text" }, { 23, "20260101" }, { 24, "20261231" } }) +
        ref::ReplyRecord({ { 1, "tiv" }, { 3, "Delta" }, { 4, "D" }, { 13, "0" } }) +
        ref::ReplyRecord({ { 1, "tiv" }, { 3, "Epsilon" }, { 4, "E" } }) +
        ref::ReplyRecord({ { 1, "tiv" }, { 3, "Delta again" }, { 4, "D" }, { 11, "5" }, { 13, "1" } }) +
        ref::ReplyRecord({ { 1, "tiv" }, { 3, "Gamma" }, { 4, "C" }, { 13, "1" } });
    ASSERT_EQ(CONTENTSLIST_MergeLoaded(reply.c_str()), 1);

    // Stored records first in stored order, then the new ones in reply order.
    ASSERT_EQ(g_nContCnt, 5);
    const char* order[] = { "A", "B", "C", "D", "E" };
    for (int i = 0; i < 5; i++) EXPECT_STREQ(g_pContIf[i].strContentsId, order[i]) << "position " << i;

    const ContIf& ra = g_pContIf[0];
    // From the reply, an empty value included.
    EXPECT_STREQ(ra.strProductName, "Alpha 2");
    EXPECT_STREQ(ra.strMakerName, "");
    EXPECT_STREQ(ra.strStartDate, "20260101");
    EXPECT_STREQ(ra.strEndDate, "20261231");
    EXPECT_STREQ(ra.strServerVersion, "2.0");
    // From the store.
    EXPECT_STREQ(ra.strVersion, "1.0");
    EXPECT_STREQ(ra.strSortKey, "7");
    EXPECT_STREQ(ra.strExplan, "stored text");
    EXPECT_STREQ(ra.strSortValue, "3.5");   // the reply's is empty
    EXPECT_EQ(std::string(ra.strCode, 3), "tiv");
    EXPECT_EQ(ra.bFavorite, 1);
    EXPECT_STREQ(ra.strExePath[0], "x");
    EXPECT_STREQ(ra.strExePath[1], "y");
    EXPECT_STREQ(ra.strExeSentence[0], "Play");
    EXPECT_EQ(ra.nSlotValue[1], 2);
    EXPECT_STREQ(ra.strExtra, "extra");
    EXPECT_EQ(std::string(ra.reserved, 4), "kept");

    // A content the reply no longer names stays as stored.
    EXPECT_STREQ(g_pContIf[1].strProductName, "Beta");
    EXPECT_EQ(g_pContIf[1].bFavorite, 1);
    EXPECT_STREQ(g_pContIf[1].strStartDate, "20200101");

    // The second "D" is merged into the first.
    EXPECT_STREQ(g_pContIf[3].strProductName, "Delta again");
    EXPECT_STREQ(g_pContIf[3].strVersion, "");        // the first occurrence's
    EXPECT_STREQ(g_pContIf[3].strServerVersion, "");  // an empty version never moves
    EXPECT_EQ(std::string(g_pContIf[3].strBought, 1), "1");

    // States decided afresh (no paths: the bought flag).
    EXPECT_EQ(g_pContIf[2].type, eCLPD_TYPE_DOWNLOADABLE);
    EXPECT_EQ(g_pContIf[3].type, eCLPD_TYPE_DOWNLOADABLE);
    EXPECT_EQ(g_pContIf[4].type, eCLPD_TYPE_NOTBUY);
}

// Versions move only when the first L bytes of the reply's differ from the
// current one (L its length): a prefix and an empty current never move.
TEST_F(Merge, ServerVersionFollowsThePrefixRule)
{
    struct Case { const char* current; const char* server; const char* reply; const char* expect; };
    const Case cases[] = {
        { "1.0", "1.0", "1.01", "1.0" },   // 1.0 is a prefix of 1.01
        { "1.0", "1.0", "1.1", "1.1" },
        { "1.0", "1.1", "1.0", "1.1" },    // the reply's equals the current: stays
        { "", "", "2.0", "" },
        { "1.0", "1.0", "1", "1" },        // shorter reply: its terminator differs
        { "1.0", "1.0", "", "" },
    };
    int n = 0;
    ContIf stored[6];
    std::string reply;
    for (const auto& c : cases) {
        std::string id = "V" + std::to_string(n);
        ref::Record r;
        r.Text(ref::kContentsId, id).Text(ref::kProductName, "P");
        for (int part : { 0, 20, 40 }) {
            r.Text(ref::kVersion + part, c.current).Text(ref::kServerVersion + part, c.server);
        }
        stored[n++] = ToCont(r);
        reply += ref::ReplyRecord({ { 1, "tiv" }, { 3, "P" }, { 4, id }, { 11, c.reply }, { 18, c.reply }, { 20, c.reply } });
    }
    SetRecords(g_pContTmpIf, g_nContTmpCnt, stored);
    ASSERT_EQ(CONTENTSLIST_MergeLoaded(reply.c_str()), 1);
    ASSERT_EQ(g_nContCnt, 6);
    for (int i = 0; i < 6; i++) {
        const Case& c = cases[i];
        std::string what = std::string("current ") + c.current + " server " + c.server + " reply " + c.reply;
        EXPECT_STREQ(g_pContIf[i].strServerVersion, c.expect) << what;
        EXPECT_STREQ(g_pContIf[i].strServerVersionManual, c.expect) << what;
        EXPECT_STREQ(g_pContIf[i].strServerVersionVelqa, c.expect) << what;
        EXPECT_STREQ(g_pContIf[i].strVersion, c.current) << what;
    }
}

TEST_F(Merge, AReplyWithoutRecordsLeavesTheStoredOnesComplete)
{
    const ContIf stored[] = { ToCont(Stored("A", "Alpha")), ToCont(Stored("B", "Beta")) };
    SetRecords(g_pContTmpIf, g_nContTmpCnt, stored);
    ASSERT_EQ(CONTENTSLIST_MergeLoaded("tiv,2,3,"), 1);
    ASSERT_EQ(g_nContCnt, 2);
    for (int i = 0; i < 2; i++) {
        ContIf expect = stored[i];
        expect.type = expect.typeManual = expect.typeVelqa = eCLPD_TYPE_DOWNLOADABLE;
        EXPECT_EQ(std::memcmp(&g_pContIf[i], &expect, sizeof(ContIf)), 0) << "record " << i;
    }
    // The catalogue must have been freed by the caller.
    EXPECT_EQ(CONTENTSLIST_MergeLoaded("tiv,2,3,"), 0);
}

}  // namespace

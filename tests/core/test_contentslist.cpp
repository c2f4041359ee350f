#include <gtest/gtest.h>

#include <string>

#include "catalogue_fixture.h"
#include "contentslist.h"
#include "refstore.h"

namespace {

class Accessors : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetCatalogue();
        std::string reply;
        for (const char* id : { "A", "B", "C" }) {
            reply += ref::ReplyRecord({ { 1, "tiv" }, { 3, std::string("Name ") + id }, { 4, id }, { 13, "1" },
                                        { 10, std::string("/g/") + id }, { 17, "/m" }, { 19, "/v" } });
        }
        ASSERT_EQ(CONTENTSLIST_Init(reply.c_str()), 1);
    }
    void TearDown() override { ResetCatalogue(); }
};

TEST_F(Accessors, LookupsByIdAndTheirMisses)
{
    EXPECT_EQ(CONTENTSLIST_GetIndexByKey("B"), 1);
    EXPECT_EQ(CONTENTSLIST_GetIndexByKey("b"), -1);
    EXPECT_EQ(CONTENTSLIST_GetIndexByKey("BB"), -1);
    EXPECT_EQ(CONTENTSLIST_GetIndexByKey(""), -1);
    EXPECT_EQ(Field(CONTENTSLIST_GetDlPathById("C")), "/g/C");
    EXPECT_EQ(Field(CONTENTSLIST_GetDlPathManualById("C")), "/m");
    EXPECT_EQ(Field(CONTENTSLIST_GetDlPathVelqaById("C")), "/v");
    EXPECT_EQ(CONTENTSLIST_GetDlPathById("Z"), nullptr);
    EXPECT_EQ(CONTENTSLIST_GetTypeById("A"), eCLPD_TYPE_DOWNLOADABLE);
    EXPECT_EQ(CONTENTSLIST_GetTypeById("Z"), eCLPD_TYPE_MAX);
    EXPECT_EQ(CONTENTSLIST_SetTypeManualById("Z", 1), 0);
    EXPECT_EQ(CONTENTSLIST_SetTypeVelqaById("A", 1), 1);
    EXPECT_EQ(CONTENTSLIST_GetTypeVelqa(0), 1);
    // States are 0 to 5.
    EXPECT_EQ(CONTENTSLIST_SetType(0, 6), 0);
    EXPECT_EQ(CONTENTSLIST_SetTypeById("A", -1), 0);
    EXPECT_EQ(CONTENTSLIST_GetType(0), eCLPD_TYPE_DOWNLOADABLE);
    EXPECT_EQ(CONTENTSLIST_CountDownloadable(), 3);
    // A bad index is reported and harmless.
    EXPECT_STREQ(CONTENTSLIST_GetProductName(nullptr, 3), "");
    EXPECT_STREQ(CONTENTSLIST_GetDlPathManual(-1), "");
    EXPECT_EQ(CONTENTSLIST_GetType(3), -1);
    EXPECT_EQ(CONTENTSLIST_SetFavorite(3, 1), 0);
}

TEST_F(Accessors, SlotsByKind)
{
    EXPECT_EQ(CONTENTSLIST_SetPath(0, eCLPD_PATHTYPE_MAINEXE, 0, "g\\0.exe"), 1);
    EXPECT_EQ(CONTENTSLIST_SetPath(0, eCLPD_PATHTYPE_MAINEXE, 1, "g\\1.exe"), 1);
    EXPECT_EQ(CONTENTSLIST_SetPath(0, eCLPD_PATHTYPE_MAINEXE, 3, "g\\3.exe"), 1);
    EXPECT_EQ(CONTENTSLIST_GetSlotCnt(0, eCLPD_PATHTYPE_MAINEXE), 2);   // stops at the gap
    EXPECT_EQ(CONTENTSLIST_GetSlotCnt(0, eCLPD_PATHTYPE_SAVEFILE), -1);
    EXPECT_EQ(CONTENTSLIST_GetSlotCnt(0, 4), -1);
    // Every kind reaches its own slots.
    for (int k : { 0, 1, 2, 3, 5, 6, 7 }) {
        std::string p = "kind" + std::to_string(k);
        ASSERT_EQ(CONTENTSLIST_SetPath(1, k, 9, p.c_str()), 1) << k;
    }
    for (int k : { 0, 1, 2, 3, 5, 6, 7 }) EXPECT_EQ(Field(CONTENTSLIST_GetPath(1, k, 9)), "kind" + std::to_string(k));
    for (int k : { 0, 1, 2, 3, 6 }) ASSERT_EQ(CONTENTSLIST_SetSentence(1, k, 2, ("cap" + std::to_string(k)).c_str()), 1);
    for (int k : { 0, 1, 2, 3, 6 }) EXPECT_EQ(Field(CONTENTSLIST_GetSentence(1, k, 2)), "cap" + std::to_string(k));
    // No slots, a slot out of range, or a text that does not fit: refused.
    EXPECT_EQ(CONTENTSLIST_SetPath(1, 4, 0, "x"), 0);
    EXPECT_EQ(CONTENTSLIST_GetPath(1, 8, 0), nullptr);
    EXPECT_EQ(CONTENTSLIST_SetSentence(1, 5, 0, "x"), 0);
    EXPECT_EQ(CONTENTSLIST_SetPath(1, 0, 10, "x"), 0);
    EXPECT_EQ(CONTENTSLIST_SetPath(1, 0, 0, std::string(128, 'p').c_str()), 0);
    EXPECT_EQ(CONTENTSLIST_SetPath(1, 0, 0, std::string(127, 'p').c_str()), 1);
    EXPECT_EQ(CONTENTSLIST_SetSentence(1, 0, 0, std::string(64, 's').c_str()), 0);
    EXPECT_EQ(Field(CONTENTSLIST_GetPath(1, 7, 9)), "kind7");
    EXPECT_EQ(CONTENTSLIST_SetSlotValue(1, 4, 2), 1);
    EXPECT_EQ(CONTENTSLIST_GetSlotValue(1, 4), 2);
    // Clearing the executables only.
    EXPECT_EQ(CONTENTSLIST_ClearExePaths(1), 1);
    EXPECT_STREQ(g_pContIf[1].strExePath[0], "");
    EXPECT_EQ(Field(CONTENTSLIST_GetPath(1, 3, 9)), "kind3");
    EXPECT_EQ(CONTENTSLIST_GetSlotValue(1, 4), 2);
}

TEST_F(Accessors, RemoveVersionsAndTheDate)
{
    // Commit copies the offered version in any case.
    std::strcpy(g_pContIf[2].strServerVersionManual, "2.5");
    EXPECT_EQ(CONTENTSLIST_CommitVersionManual(2), 1);
    EXPECT_STREQ(g_pContIf[2].strVersionManual, "2.5");

    EXPECT_EQ(CONTENTSLIST_Remove(1), 1);
    ASSERT_EQ(CONTENTSLIST_GetCount(), 2);
    EXPECT_STREQ(CONTENTSLIST_GetContentsId(0), "A");
    EXPECT_STREQ(CONTENTSLIST_GetContentsId(1), "C");
    EXPECT_STREQ(g_pContIf[1].strVersionManual, "2.5");
    EXPECT_EQ(CONTENTSLIST_Remove(2), 0);
    EXPECT_EQ(CONTENTSLIST_Remove(0), 1);
    EXPECT_EQ(CONTENTSLIST_Remove(0), 1);
    EXPECT_EQ(g_pContIf, nullptr);
    EXPECT_EQ(CONTENTSLIST_IsLoaded(), 0);

    EXPECT_EQ(CONTENTSLIST_SetLastUpdate("20261210"), 1);
    EXPECT_EQ(CONTENTSLIST_SetLastUpdate("2026121"), 0);
    EXPECT_EQ(CONTENTSLIST_SetLastUpdate("202612100"), 0);
    EXPECT_STREQ(CONTENTSLIST_GetLastUpdate(), "20261210");
}

}  // namespace

// The updater's decisions: command line, launcher command, which packs an
// update fetches, and the ver.bin rewrite.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "list.h"
#include "pgflow.h"
#include "verlist.h"

namespace {

struct LocalList {
    LIST list;
    explicit LocalList(const char* pPlain) { LIST_Init(&list); VERLIST_ParseFileVersions(&list, pPlain); }
    ~LocalList() { LIST_Free(&list); }
};

std::vector<PgWork> Plan(const char* pLocal, const std::string& offered)
{
    LocalList local(pLocal);
    std::vector<PgWork> work;
    EXPECT_EQ(PGFLOW_PlanUpdate(&local.list, offered.data(), static_cast<int>(offered.size()), &work), 1);
    return work;
}

}  // namespace

TEST(PullagentCommand, ModesInTheirOrder)
{
    struct Case { const char* line; int mode; } cases[] = {
        { "-start tiv,", eGD_MODE_LAUNCHER },
        { "x -start tiv, y", eGD_MODE_LAUNCHER },
        { "-start tiv", eGD_MODE_BADPARAM },            // the comma belongs to the option
        { "-update", eGD_MODE_UPDATEONLY },
        { "-update -start tiv,", eGD_MODE_LAUNCHER },   // "-start tiv," is tested first
        { "", eGD_MODE_BADPARAM },
        { "-salegame u,p,c,w,m,", eGD_MODE_SALEGAME },
        { "-salegame u,p,c,w,m, -start tiv,", eGD_MODE_SALEGAME },
        { "-salegame u,,c,w,m,", eGD_MODE_BADPARAM },   // empty field
        { "-salegame u,p,c,w,m", eGD_MODE_BADPARAM },   // fifth not ended
        { "x -salegame u,p,c,w,m,", eGD_MODE_BADPARAM },// not at the start
    };
    for (const Case& c : cases) {
        PgCmd cmd;
        EXPECT_EQ(PGFLOW_ParseCommandLine(c.line, &cmd), c.mode) << c.line;
    }
    std::string longField = "-salegame " + std::string(PG_FIELD_MAX, 'a') + ",p,c,w,m,";
    PgCmd cmd;
    EXPECT_EQ(PGFLOW_ParseCommandLine(longField.c_str(), &cmd), eGD_MODE_BADPARAM);
}

TEST(PullagentCommand, LauncherLineQuotedAndSalePasswordMasked)
{
    PgCmd cmd;
    char line[4096], logged[4096];
    ASSERT_EQ(PGFLOW_ParseCommandLine("-start tiv,", &cmd), eGD_MODE_LAUNCHER);
    ASSERT_EQ(PGFLOW_MakeLauncherCommand(line, sizeof(line), logged, sizeof(logged), "C:\\Program Files\\TIV\\", &cmd), 1);
    EXPECT_STREQ(line, "\"C:\\Program Files\\TIV\\tiv_launcher.exe\" -start tiv,");
    EXPECT_STREQ(logged, line);

    ASSERT_EQ(PGFLOW_ParseCommandLine("-salegame user1,s3cret,C0042,prod,m2,", &cmd), eGD_MODE_SALEGAME);
    ASSERT_EQ(PGFLOW_MakeLauncherCommand(line, sizeof(line), logged, sizeof(logged), "C:\\TIV\\", &cmd), 1);
    EXPECT_STREQ(line, "\"C:\\TIV\\tiv_launcher.exe\" -salegame user1,s3cret,C0042,prod,m2,");
    EXPECT_EQ(std::string(logged).find("s3cret"), std::string::npos);
    EXPECT_NE(std::string(logged).find("user1,********,C0042,prod,m2,"), std::string::npos);

    ASSERT_EQ(PGFLOW_ParseCommandLine("-update", &cmd), eGD_MODE_UPDATEONLY);
    EXPECT_EQ(PGFLOW_MakeLauncherCommand(line, sizeof(line), logged, sizeof(logged), "C:\\TIV\\", &cmd), 0);
    ASSERT_EQ(PGFLOW_ParseCommandLine("-start tiv,", &cmd), eGD_MODE_LAUNCHER);
    EXPECT_EQ(PGFLOW_MakeLauncherCommand(line, 20, logged, sizeof(logged), "C:\\TIV\\", &cmd), 0);
}

TEST(PullagentPlan, FetchesNewAndChangedFilesButNeverTheUpdater)
{
    auto work = Plan("A,1,\r\nB,1,\r\npullagent.exe,1,\r\n",
                     "A,2,a.pack,\r\nB,1,b.pack,\r\n\r\nC,1,c.pack,\r\npullagent.exe,9,p.pack,\r\n"
                     "tools\\pullagent.exe,2,tp.pack,\r\nnover,\r\n");
    ASSERT_EQ(work.size(), 2u);
    EXPECT_EQ(work[0].strName, "A");
    EXPECT_EQ(work[0].nVersion, 2);
    EXPECT_EQ(work[0].strPack, "a.pack");
    EXPECT_TRUE(work[0].bKnown);
    EXPECT_EQ(work[1].strName, "C");
    EXPECT_FALSE(work[1].bKnown);
}

TEST(PullagentPlan, DamagedAndHostileLines)
{
    // Same length required: "AB" is not "A"; a pack name that is no plain
    // file name is kept with no pack (fetching it fails); a cut name is dropped.
    std::string longName(3000, 'n');
    auto work = Plan("A,1,\r\n", "AB,1,ab.pack,\r\nX,1,../../etc,\r\nY,1,a b,\r\nZ,1,,\r\n" + longName +
                                     ",1,l.pack,\r\n,1,e.pack,\r\nQ,x,q.pack,\r\n");
    ASSERT_EQ(work.size(), 4u);
    EXPECT_EQ(work[0].strName, "AB");
    EXPECT_EQ(work[0].strPack, "ab.pack");
    for (size_t i = 1; i < 4; i++) EXPECT_EQ(work[i].strPack, "") << work[i].strName;
    // A text without a last CR LF still counts its last line; no text: nothing.
    EXPECT_EQ(Plan("", "D,3,d.pack,").size(), 1u);
    EXPECT_EQ(Plan("", "").size(), 0u);
}

TEST(PullagentVerBin, RewriteKeepsOtherLinesDropsEmptyOnesAppendsNewNames)
{
    const std::string old = "A,1,\r\n\r\nAB,5,\r\nB,1,keep,this,\r\n";
    EXPECT_EQ(PGFLOW_SetVersion(old.data(), static_cast<int>(old.size()), "A", 2),
              "A,2,\r\nAB,5,\r\nB,1,keep,this,\r\n");
    EXPECT_EQ(PGFLOW_SetVersion(old.data(), static_cast<int>(old.size()), "sub\\C", 1),
              "A,1,\r\nAB,5,\r\nB,1,keep,this,\r\nsub\\C,1,\r\n");
    EXPECT_EQ(PGFLOW_SetVersion(nullptr, 0, "A", 7), "A,7,\r\n");
    // The launcher's parser reads what the updater writes.
    std::string text = PGFLOW_SetVersion(old.data(), static_cast<int>(old.size()), "AB", 6);
    LocalList l(text.c_str());
    ASSERT_EQ(LIST_GetCnt(&l.list), 3);
    EXPECT_EQ(VERLIST_Find(&l.list, "AB")->nVersion, 6);
    EXPECT_EQ(VERLIST_Find(&l.list, "A")->nVersion, 1);
}

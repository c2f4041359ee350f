// The updater's decisions: command line, launcher command, which packs an
// update fetches, and the ver.bin rewrite.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "list.h"
#include "pgflow.h"
#include "sccmn_start.h"
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
    // file name, and a line whose name does not fit, are kept with no pack
    // (fetching it fails, and so does the update).
    std::string longName(3000, 'n');
    auto work = Plan("A,1,\r\n", "AB,1,ab.pack,\r\nX,1,../../etc,\r\nY,1,a b,\r\nZ,1,,\r\n" + longName +
                                     ",1,l.pack,\r\n,1,e.pack,\r\nQ,x,q.pack,\r\n");
    ASSERT_EQ(work.size(), 5u);
    EXPECT_EQ(work[0].strName, "AB");
    EXPECT_EQ(work[0].strPack, "ab.pack");
    for (size_t i = 1; i < 5; i++) EXPECT_EQ(work[i].strPack, "") << work[i].strName;
    EXPECT_EQ(work[4].strName, "");
    EXPECT_FALSE(work[4].bKnown);
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

namespace {

// The updater's run as far as the lists go: every planned pack fetched and
// its line set in ver.bin, or the run fails at the first one without a pack.
bool RunUpdate(std::string* pVerBin, const std::string& offered)
{
    LocalList local(pVerBin->c_str());
    std::vector<PgWork> work;
    PGFLOW_PlanUpdate(&local.list, offered.data(), static_cast<int>(offered.size()), &work);
    for (const PgWork& w : work) {
        if (w.strPack.empty()) return false;
        *pVerBin = PGFLOW_SetVersion(pVerBin->data(), static_cast<int>(pVerBin->size()), w.strName.c_str(), w.nVersion);
    }
    return true;
}

int LauncherAsks(const std::string& verBin, const std::string& offered)
{
    LocalList now(verBin.c_str());
    return SCCMN_CompareVersion("ver.bin", &now.list, offered.data(), static_cast<int>(offered.size()), "");
}

}  // namespace

// The launcher asks for an update exactly when the updater has work, and an
// update that succeeds leaves nothing to ask for: otherwise the member is
// asked again at every start, for ever.
TEST(VersionVerdict, LauncherAndUpdaterJudgeOddListsAlike)
{
    const std::string longName(2100, 'n');
    const std::string longPack(2100, 'p');
    // "ソフト" in Shift-JIS: the trail byte of "ソ" is 0x5C, a backslash.
    const std::string sjisName = "\x83\x5C\x83\x74\x83\x67.exe";
    struct Case {
        const char* name;
        std::string installed, offered;
        int ask;        // the launcher's verdict (and whether the updater has work)
        bool bUpdates;  // the updater's run succeeds
    } cases[] = {
        { "same", "A,1,\r\nB,1,\r\n", "A,1,a.pack,\r\nB,1,b.pack,\r\n", 0, true },
        { "offered last line unterminated", "A,1,\r\nB,1,\r\n", "A,1,a.pack,\r\nB,2,b.pack,", 1, true },
        { "installed last line unterminated", "A,1,\r\nB,2,", "A,1,a.pack,\r\nB,2,b.pack,\r\n", 0, true },
        { "long name", "A,1,\r\n", "A,1,a.pack,\r\n" + longName + ",1,n.pack,\r\n", 1, false },
        { "long pack, new version", "A,1,\r\n", "A,2," + longPack + ",\r\n", 1, false },
        { "long pack, same version", "A,1,\r\n", "A,1," + longPack + ",\r\n", 0, true },
        { "sjis name", "A,1,\r\n" + sjisName + ",1,\r\n", "A,1,a.pack,\r\n" + sjisName + ",2,s.pack,\r\n", 1, true },
        { "sjis name new", "A,1,\r\n", sjisName + ",1,s.pack,\r\n", 1, true },
        { "sjis pack", "A,1,\r\n", "A,2,\x83\x5C.pack,\r\n", 1, false },
        { "duplicate, last installed", "A,2,\r\n", "A,1,a1.pack,\r\nA,2,a2.pack,\r\n", 0, true },
        { "duplicate, first installed", "A,1,\r\n", "A,1,a1.pack,\r\nA,2,a2.pack,\r\n", 1, true },
        { "duplicate installed", "A,1,\r\nA,2,\r\n", "A,2,a.pack,\r\n", 1, true },
        { "lead byte before comma", "A,1,\r\n", "A,1,a.pack,\r\n\x81,1,x.pack,\r\n", 0, true },
        { "updater only", "pullagent.exe,1,\r\n", "pullagent.exe,2,p.pack,\r\n", 0, true },
        { "no version", "A,1,\r\n", "A,,a.pack,\r\nB,x,b.pack\r\n", 0, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LauncherAsks(c.installed, c.offered), c.ask);
        LocalList local(c.installed.c_str());
        std::vector<PgWork> work;
        PGFLOW_PlanUpdate(&local.list, c.offered.data(), static_cast<int>(c.offered.size()), &work);
        EXPECT_EQ(work.empty() ? 0 : 1, c.ask);
        std::string verBin = c.installed;
        EXPECT_EQ(RunUpdate(&verBin, c.offered), c.bUpdates);
        // After a success nothing is asked again; after a failure it still is.
        EXPECT_EQ(LauncherAsks(verBin, c.offered), c.bUpdates ? 0 : 1) << verBin;
    }
}


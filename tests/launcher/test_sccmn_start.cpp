// The texts the launcher hands over: the decoded catalogue reply, the
// version comparison that offers the updater, and the command lines of the
// game runner and the music player.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "list.h"
#include "sccmn_start.h"

namespace {

std::string Decode(const std::string& reply)
{
    int n = -1;
    char* p = UrlDecode(&n, reply.data(), static_cast<int>(reply.size()));
    if (p == nullptr) return "<none>";
    std::string s(p);
    EXPECT_EQ(n, static_cast<int>(s.size()));
    std::free(p);
    return s;
}

std::string Fields(int n, const std::string& first)
{
    std::string s = first + ",";
    for (int i = 1; i < n; i++) s += "f" + std::to_string(i) + ",";
    return s;
}

TEST(ReplyDecode, RecordsOf24FieldsAreDecodedUpToTheFirstThatIsNotAProduct)
{
    struct { std::string reply, want; } cases[] = {
        { "ok,", "ok," },
        { "ok", "ok," },
        { "ok,notiv,a,b", "ok," },                                  // first record not a product
        { "ok,ti,a", "ok," },                                       // too short to be one
        { "ok,tiv%41,A%2C+B,%82%A0", "ok,tivA,A, B,\x82\xA0" + std::string(22, ',') },
        { "ok," + Fields(24, "tiv1") + Fields(24, "tiv2"), "ok," + Fields(24, "tiv1") + Fields(24, "tiv2") },
        { "ok," + Fields(24, "tiv1") + Fields(24, "xx"), "ok," + Fields(24, "tiv1") },
        { "ok," + Fields(24, "tiv1") + ",tiv2", "ok," + Fields(24, "tiv1") },   // an empty first field ends it
        { "ok,tiv,%4,b", "ok,tiv,,b," + std::string(21, ',') },     // a broken escape keeps what came before
    };
    for (const auto& c : cases) EXPECT_EQ(Decode(c.reply), c.want) << c.reply;
}

TEST(ReplyDecode, EmptyRepliesAndOverlongFieldsAreSafe)
{
    EXPECT_EQ(Decode(""), "<none>");
    EXPECT_EQ(Decode(",tiv"), "<none>");   // no status word
    int n = 0;
    EXPECT_EQ(UrlDecode(&n, nullptr, 5), nullptr);
    // A field longer than the decoder's buffer is cut, never overrun.
    std::string big(5000, 'A');
    std::string out = Decode("ok,tiv," + big + ",end");
    EXPECT_EQ(out.substr(0, 7), "ok,tiv,");
    EXPECT_EQ(out.find("end,"), 7u + 2047u + 1u);
    // A reply not ended by a terminator is read only as far as its length.
    const char raw[] = { 'o', 'k', ',', 't', 'i', 'v', 'Z', 'Z' };
    char* p = UrlDecode(&n, raw, 6);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::string(p), "ok,tiv" + std::string(24, ','));
    std::free(p);
}

struct Versions : ::testing::Test {
    LIST now;
    void SetUp() override { LIST_Init(&now); }
    void TearDown() override { LIST_Free(&now); }
    int Compare(const std::string& offered)
    {
        return SCCMN_CompareVersion("ver.bin", &now, offered.data(), static_cast<int>(offered.size()), "");
    }
};

TEST_F(Versions, InstalledListKeepsLinesWithAVersionTheLastUnterminatedOneToo)
{
    ASSERT_EQ(SCCMN_ParseFileVersions(&now, "a.exe,3,\r\n\r\nb.dll,12,\r\nnover,\r\nc.bin,7,\r\nd.txt,9,"), 1);
    ASSERT_EQ(LIST_GetCnt(&now), 4);
    const char* names[] = { "a.exe", "b.dll", "c.bin", "d.txt" };
    int versions[] = { 3, 12, 7, 9 };
    for (int i = 0; i < 4; i++) {
        const FvIf* p = static_cast<const FvIf*>(LIST_GetAt(&now, i));
        EXPECT_STREQ(p->strFileName, names[i]);
        EXPECT_EQ(p->nVersion, versions[i]);
    }
}

TEST_F(Versions, AnUpdateIsOfferedForANewOrChangedFileButNotForTheUpdaterAlone)
{
    SCCMN_ParseFileVersions(&now, "tiv_launcher.exe,5,\r\npullagent.exe,2,\r\nqr.exe,4,\r\n");
    struct { const char* offered; int want; } cases[] = {
        { "tiv_launcher.exe,5,a.pak,\r\nqr.exe,4,a.pak,\r\n", 0 },
        { "pullagent.exe,3,p.pak,\r\nqr.exe,4,a.pak,\r\n", 0 },      // only the updater differs
        { "bin\\pullagent.exe,1,p.pak,\r\n", 0 },                     // nor does the updater ever install it
        { "qr.exe,5,a.pak,\r\n", 1 },
        { "chipplay.exe,1,c.pak,\r\n", 1 },                         // not installed
        { "qr.exe,,a.pak,\r\n", 0 },                                // no version: skipped
        { "qr.exe,9,a.pak,", 1 },                                   // no CR LF: read all the same
        { "\r\nqr.exe,4,a.pak,\r\nQR.EXE,4,a.pak,\r\n", 1 },        // names compare exactly
    };
    for (const auto& c : cases) EXPECT_EQ(Compare(c.offered), c.want) << c.offered;
}

TEST(StartCommand, RunnerFormsAndTheDirectRomStart)
{
    char cmd[8192];
    ASSERT_TRUE(HANTIV_MakeStartCommand(cmd, sizeof(cmd), "C:\\m\\G1\\game.exe", "", 1, "demo01", "G1", "C:\\m\\"));
    EXPECT_STREQ(cmd, "qr.exe C:\\m\\G1\\game.exe mode=start,userid=demo01,productid=G1,save=C:\\m\\,");
    ASSERT_TRUE(HANTIV_MakeStartCommand(cmd, sizeof(cmd), "C:\\m\\G1\\game.exe", nullptr, 2, "demo01", "G1", "C:\\m\\"));
    EXPECT_STREQ(cmd, "qr.exe C:\\m\\G1\\game.exe mode=start,userid=demo01,");
    // Both paths quoted: the content folder may hold blanks.
    ASSERT_TRUE(HANTIV_MakeStartCommand(cmd, sizeof(cmd), "C:\\Program Files\\m\\G1\\emu.exe",
                                        "C:\\Program Files\\m\\G1\\a.rom", 2, "demo01", "G1", "C:\\m\\"));
    EXPECT_STREQ(cmd, "\"C:\\Program Files\\m\\G1\\emu.exe\" \"C:\\Program Files\\m\\G1\\a.rom\"");
    EXPECT_FALSE(HANTIV_MakeStartCommand(cmd, 20, "C:\\m\\G1\\game.exe", "", 1, "demo01", "G1", "C:\\m\\"));
    EXPECT_STREQ(cmd, "");

    ASSERT_TRUE(SCCMN_MakePlayerCommand(cmd, sizeof(cmd), "C:\\tiv\\", "C:\\m\\G1\\music.kzd", "C:\\tiv\\cache\\g1.bmp"));
    EXPECT_STREQ(cmd, "\"C:\\tiv\\player\\chipplay.exe\" \"C:\\m\\G1\\music.kzd\" -d \"C:\\tiv\\cache\\g1.bmp\"");
    EXPECT_FALSE(SCCMN_MakePlayerCommand(cmd, 16, "C:\\tiv\\", "a", "b"));
}

}  // namespace

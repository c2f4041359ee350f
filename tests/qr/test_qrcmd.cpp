#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "cmnfile.h"
#include "qrcmd.h"

namespace {

TEST(QrCmd, ParsesTheLaunchersTwoForms)
{
    struct Case { const char* cmd; int ret; const char* path; const char* user; const char* product; };
    const Case cases[] = {
        { "C:\\g\\game.exe mode=start,userid=ab,productid=12,save=C:\\m\\,", eQRCMD_OK, "C:\\g\\game.exe", "ab", "12" },
        { "C:\\g\\game.exe mode=start,userid=ab,", eQRCMD_OK, "C:\\g\\game.exe", "ab", "" },
        { "C:\\Program Files\\g v1.2\\game.exe mode=start,userid=u,productid=p,", eQRCMD_OK,
          "C:\\Program Files\\g v1.2\\game.exe", "u", "p" },
        { "C:\\ソフト\\g.exe mode=start,userid=u,save=C:\\x,y\\,productid=9,", eQRCMD_OK, "C:\\ソフト\\g.exe", "u", "9" },
        { "C:\\g\\game.exe mode=start,userid=ab", eQRCMD_OK, "C:\\g\\game.exe", "ab", "" },     // up to the end
        { "C:\\g\\game.exe mode=start", eQRCMD_OK, "C:\\g\\game.exe", "", "" },
        { "C:\\g\\game.exe userid=ab,", eQRCMD_NOMODE, "", "", "" },
        { "", eQRCMD_NOMODE, "", "", "" },
    };
    for (const auto& c : cases) {
        QrCmdIf cmd;
        EXPECT_EQ(QRCMD_Parse(&cmd, c.cmd), c.ret) << c.cmd;
        EXPECT_STREQ(cmd.strGamePath, c.path) << c.cmd;
        EXPECT_STREQ(cmd.strUserId, c.user) << c.cmd;
        EXPECT_STREQ(cmd.strProductId, c.product) << c.cmd;
        if (c.ret == eQRCMD_OK) {
            EXPECT_STREQ(cmd.strCmdLine, c.cmd);
        }
    }
}

TEST(QrCmd, RefusesWhatDoesNotFit)
{
    QrCmdIf cmd;
    std::string longPath = "C:\\" + std::string(1100, 'p') + " mode=start,userid=u,";
    EXPECT_EQ(QRCMD_Parse(&cmd, longPath.c_str()), eQRCMD_TOOLONG);
    std::string longUser = "C:\\g.exe mode=start,userid=" + std::string(1024, 'u') + ",";
    EXPECT_EQ(QRCMD_Parse(&cmd, longUser.c_str()), eQRCMD_TOOLONG);
    std::string longLine = "C:\\g.exe mode=start,userid=u," + std::string(2100, 'x');
    EXPECT_EQ(QRCMD_Parse(&cmd, longLine.c_str()), eQRCMD_TOOLONG);
    EXPECT_EQ(QRCMD_Parse(&cmd, nullptr), eQRCMD_NOMODE);
}

TEST(QrCmd, PlayTimeLinesCountWholeMinutesAtLeastOne)
{
    struct Case { int seconds; const char* plain; };
    const Case cases[] = { { 3, "ab,12,1,\n" }, { 57, "ab,12,1,\n" }, { 60, "ab,12,1,\n" },
                           { 183, "ab,12,3,\n" }, { 3600, "ab,12,60,\n" } };
    for (const auto& c : cases) {
        char line[64];
        int n = QRCMD_PlayTimeLine(line, sizeof(line), c.seconds, "ab", "12");
        std::string plain(c.plain);
        ASSERT_EQ(n, static_cast<int>(plain.size())) << c.seconds;
        for (int i = 0; i < n; i++) {
            EXPECT_EQ(static_cast<unsigned char>(line[i]), static_cast<unsigned char>(~plain[i])) << c.seconds << " byte " << i;
        }
    }
    // The worked example: 183 seconds of ab / 12.
    char line[16];
    ASSERT_EQ(QRCMD_PlayTimeLine(line, sizeof(line), 183, "ab", "12"), 9);
    const unsigned char want[] = { 0x9E, 0x9D, 0xD3, 0xCE, 0xCD, 0xD3, 0xCC, 0xD3, 0xF5 };
    EXPECT_EQ(std::string(line, 9), std::string(reinterpret_cast<const char*>(want), 9));
    EXPECT_EQ(QRCMD_PlayTimeLine(line, 5, 183, "ab", "12"), -1);
}

// The runner, the launcher's start and its unpacking name a game's packed
// form alike: the last part's extension replaced, or added when it has none.
TEST(QrCmd, SbnPathReplacesTheExtensionOfTheLastPart)
{
    struct Case { const char* game; const char* sbn; };
    const Case cases[] = {
        { "C:\\g\\game.exe", "C:\\g\\game.sbn" },
        { "C:\\g v1.2\\game", "C:\\g v1.2\\game.sbn" },   // a folder's dot is no extension
        { "C:\\ソフト\\g.exe", "C:\\ソフト\\g.sbn" },
        { "C:\\表.1\\ソ", "C:\\表.1\\ソ.sbn" },          // 0x5C trail bytes are no separators
        { "a.b.exe", "a.b.sbn" },
        { "game", "game.sbn" },
    };
    for (const auto& c : cases) {
        char sbn[64];
        ASSERT_EQ(QRCMD_SbnPath(sbn, sizeof(sbn), c.game), 1);
        EXPECT_STREQ(sbn, c.sbn);
        char smd[64];
        ASSERT_EQ(CMNFILE_PackedName(smd, sizeof(smd), c.game, ".smd"), 1);
        EXPECT_EQ(std::string(smd), std::string(c.sbn).substr(0, std::strlen(c.sbn) - 4) + ".smd");
    }
    char tiny[8];
    EXPECT_EQ(QRCMD_SbnPath(tiny, sizeof(tiny), "C:\\game.exe"), 0);
}

}  // namespace

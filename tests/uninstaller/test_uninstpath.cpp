// The keep list and the application-folder checks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "uninstpath.h"

namespace {

TEST(UninstKeep, InstalledFilesAreKeptUnderTheirPathBelowTheFolder)
{
    struct Case { const char* rel; int deletable; };
    const Case cases[] = {
        {"tiv_launcher.exe", 0},
        {"env.bin", 0},
        {"env.bin.old", 0},                       // an entry that only starts the name
        {"player\\chipplay.exe", 0},
        {"cache\\underconstruct.bmp", 0},
        {"初回起動.bat", 0},
        {"contents\\x\\TIV\\env.bin", 0},          // a deeper folder named TIV
        {"qr.exe", 0},
        {"uninstaller.exe", 0},
        {"cache\\c0001.bmp", 1},
        {"contents\\0123abcd\\REG.DAT", 1},
        {"contents\\0123abcd\\save\\s1.dat", 1},
        {"qr.log", 1},
        {"version.txt", 1},
        {"temp.tmp", 1},
        {"pt.bin", 1},
        {"chipplay.exe", 1},                      // only in player\ is it installed
        {"Env.bin", 1},                           // exact bytes
        {"sub\\env.bin", 1},                      // not the installed env.bin
        {"xenv.bin", 1},
    };
    for (const Case& c : cases) EXPECT_EQ(UNINST_IsDeletable(c.rel), c.deletable) << c.rel;
}

// The skin is the file the registry names, by its whole name: generated
// names that only start like it, or a member's file of that name, go.
TEST(UninstKeep, TheRegistrysSkinIsKeptByItsWholeName)
{
    struct Case { const char* rel; const char* skin; int deletable; };
    const Case cases[] = {
        {"default", "default", 0},
        {"DEFAULT", "default", 0},                // Windows names ignore case
        {"default.log", "default", 1},
        {"defaults", "default", 1},
        {"default", "blue.skn", 1},               // another installation's skin name
        {"blue.skn", "blue.skn", 0},
        {"contents\\m\\skin", "skin", 1},
        {"contents\\m\\default", "default", 1},
        {"\x83\x5C.skn", "\x83\x5C.skn", 0},      // "ソ.skn": the trail byte is no separator
        {"\x83\x7C.skn", "\x83\x5C.skn", 1},      // a trail byte is not a letter to fold
        {"default", "", 1},
        {"default", nullptr, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UNINST_IsDeletable(c.rel, c.skin), c.deletable) << c.rel << " skin " << (c.skin ? c.skin : "null");
}

TEST(UninstKeep, EveryEntryStartsWithTheFolderNameAndFitsItsSlot)
{
    ASSERT_GE(UNINST_KeepCount(), 18);
    EXPECT_STREQ(UNINST_KeepEntry(0), "TIV\\tiv_launcher.exe");
    EXPECT_STREQ(UNINST_KeepEntry(17), "TIV\\cache\\underconstruct.bmp");
    EXPECT_EQ(UNINST_KeepEntry(UNINST_KeepCount()), nullptr);
    for (int i = 0; i < UNINST_KeepCount(); i++) {
        std::string e = UNINST_KeepEntry(i);
        EXPECT_EQ(e.compare(0, 4, "TIV\\"), 0) << e;
        EXPECT_LE(e.size(), 127u) << e;
        EXPECT_EQ(UNINST_IsDeletable(e.substr(4).c_str()), 0) << e;
    }
}

TEST(UninstPath, AcceptsAbsoluteFoldersBelowARootAndAddsTheFinalSeparator)
{
    struct Case { const char* in; int result; const char* out; };
    const Case cases[] = {
        {"C:\\Program Files\\TIV\\", UNINST_PATH_OK, "C:\\Program Files\\TIV\\"},
        {"C:\\tiv", UNINST_PATH_OK, "C:\\tiv\\"},
        {"d:/games/tiv/", UNINST_PATH_OK, "d:/games/tiv/"},
        {"\\\\server\\share\\tiv", UNINST_PATH_OK, "\\\\server\\share\\tiv\\"},
        // "ソ" ends in the byte of "\": the folder still needs its separator.
        {"C:\\ゲームソ", UNINST_PATH_OK, "C:\\ゲームソ\\"},
        {"", UNINST_PATH_EMPTY, ""},
        {"tiv\\", UNINST_PATH_RELATIVE, ""},
        {"\\tiv\\", UNINST_PATH_RELATIVE, ""},
        {"C:tiv\\", UNINST_PATH_RELATIVE, ""},
        {"1:\\tiv\\", UNINST_PATH_RELATIVE, ""},
        {"\\\\server\\", UNINST_PATH_RELATIVE, ""},
        {"\\\\?\\C:\\tiv\\", UNINST_PATH_RELATIVE, ""},
        {"C:\\", UNINST_PATH_ROOT, ""},
        {"C:", UNINST_PATH_ROOT, ""},
        {"c:/", UNINST_PATH_ROOT, ""},
        {"\\\\server\\share\\", UNINST_PATH_ROOT, ""},
        {"C:\\tiv\\..\\", UNINST_PATH_DOTS, ""},
        {"C:\\tiv\\..", UNINST_PATH_DOTS, ""},
        {"C:\\.\\", UNINST_PATH_DOTS, ""},
        {"C:\\...\\", UNINST_PATH_DOTS, ""},
        {"C:\\\\tiv\\", UNINST_PATH_DOTS, ""},
        {"C:\\ \\", UNINST_PATH_DOTS, ""},
        // A lone lead byte would swallow the appended "\\" as its trail.
        {"C:\\a\\\x81", UNINST_PATH_HALFCHAR, ""},
        {"C:\\tiv\x81", UNINST_PATH_HALFCHAR, ""},
    };
    for (const Case& c : cases) {
        char out[UNINST_APPPATH_SIZE] = "junk";
        EXPECT_EQ(UNINST_CheckAppPath(c.in, out, sizeof(out)), c.result) << c.in;
        EXPECT_STREQ(out, c.out) << c.in;
    }
}

TEST(UninstPath, APathThatDoesNotFitIsRefusedNeverCut)
{
    std::string longPath = "C:\\" + std::string(2100, 'a');
    char out[UNINST_APPPATH_SIZE] = "junk";
    EXPECT_EQ(UNINST_CheckAppPath(longPath.c_str(), out, sizeof(out)), UNINST_PATH_TOOLONG);
    EXPECT_STREQ(out, "");
    char small[8];
    EXPECT_EQ(UNINST_CheckAppPath("C:\\abcd", small, sizeof(small)), UNINST_PATH_TOOLONG);
    EXPECT_EQ(UNINST_CheckAppPath("C:\\abc", small, sizeof(small)), UNINST_PATH_OK);
    EXPECT_STREQ(small, "C:\\abc\\");
}

TEST(UninstPath, SeparatorsAreFoundByWholeCharacters)
{
    EXPECT_EQ(UNINST_EndsWithSeparator("C:\\tiv\\"), 1);
    EXPECT_EQ(UNINST_EndsWithSeparator("C:/tiv/"), 1);
    EXPECT_EQ(UNINST_EndsWithSeparator("C:\\ソ"), 0);       // 0x83 0x5C
    EXPECT_EQ(UNINST_EndsWithSeparator("C:\\ソ\\"), 1);
    EXPECT_EQ(UNINST_EndsWithSeparator(""), 0);
}

}  // namespace

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "env.h"
#include "envappsetting.h"
#include "testdir.h"

namespace {

const std::string kDefaultAppset =
    "[DEF_DISPMODE]\n2\n\n[AUTO_UPDATECONTENTS]\n0\n\n[AUTO_DOWNLOADCONTENTS]\n0\n\n";

struct EnvFiles : ::testing::Test {
    TestDir dir;
    void TearDown() override
    {
        ENV_Free();
        ENVAPPSETTING_Free();
    }
    std::string Path(const char* name) { return dir.path() + name; }
};

TEST_F(EnvFiles, EnvBinIsReadInvertedWithCommentsAndMissingKeys)
{
    WriteAll(Path("env.bin"), Inverted("[TITLENAME]\tthe window title\r\nソフトの館\r\n"
                                       "\r\n[CGITOPPAGE]\r\n127.0.0.1/cgi-bin/\r\n"));
    char dst[2048] = "unchanged";
    EXPECT_EQ(ENV_GetValue(dst, sizeof(dst), "[TITLENAME]"), 0);   // nothing loaded yet
    EXPECT_EQ(ENV_IsLoaded(), 0);
    ASSERT_EQ(ENV_Load(Path("env.bin").c_str()), 1);
    EXPECT_EQ(ENV_IsLoaded(), 1);
    EXPECT_EQ(ENV_Load(Path("env.bin").c_str()), 0);               // loaded already
    ASSERT_EQ(ENV_GetValue(dst, sizeof(dst), "[TITLENAME]"), 1);
    EXPECT_STREQ(dst, "ソフトの館");
    ASSERT_EQ(ENV_GetValue(dst, sizeof(dst), "[CGITOPPAGE]"), 1);
    EXPECT_STREQ(dst, "127.0.0.1/cgi-bin/");
    strcpy(dst, "unchanged");
    EXPECT_EQ(ENV_GetValue(dst, sizeof(dst), "[DLWEBPAGE]"), 0);
    EXPECT_STREQ(dst, "unchanged");
    char small[8] = "small";
    EXPECT_EQ(ENV_GetValue(small, sizeof(small), "[CGITOPPAGE]"), 0);   // does not fit: refused
    EXPECT_STREQ(small, "small");
    EXPECT_EQ(ENV_Free(), 1);
    EXPECT_EQ(ENV_Free(), 0);
    EXPECT_EQ(ENV_GetValue(dst, sizeof(dst), "[TITLENAME]"), 0);
}

TEST_F(EnvFiles, BadEnvBinFiles)
{
    char dst[2048] = "unchanged";
    EXPECT_EQ(ENV_Load(Path("missing.bin").c_str()), 0);
    EXPECT_EQ(ENV_GetValue(dst, sizeof(dst), "[TITLENAME]"), 0);
    // Stored without the inversion: loads, but no key is there.
    WriteAll(Path("plain.bin"), "[TITLENAME]\r\ntitle\r\n");
    ASSERT_EQ(ENV_Load(Path("plain.bin").c_str()), 1);
    EXPECT_EQ(ENV_GetValue(dst, sizeof(dst), "[TITLENAME]"), 0);
    ENV_Free();
    // Damaged: a zero byte inside, then random bytes, no line end.
    std::string damaged = Inverted("[TITLENAME]\r\nti") + std::string("\xFF", 1) + "\x13\x88\xFE";
    WriteAll(Path("damaged.bin"), damaged);
    ASSERT_EQ(ENV_Load(Path("damaged.bin").c_str()), 1);
    EXPECT_EQ(ENV_GetValue(dst, sizeof(dst), "[TITLENAME]"), 1);   // the text ends at the zero byte
    EXPECT_STREQ(dst, "ti");
    EXPECT_EQ(ENV_GetValue(dst, sizeof(dst), "[OTHER]"), 0);
    ENV_Free();
    WriteAll(Path("empty.bin"), "");
    ASSERT_EQ(ENV_Load(Path("empty.bin").c_str()), 1);
    EXPECT_EQ(ENV_GetValue(dst, sizeof(dst), "[TITLENAME]"), 0);
}

TEST_F(EnvFiles, DefaultAppsetIs70InvertedBytes)
{
    ASSERT_EQ(kDefaultAppset.size(), 70u);
    ASSERT_EQ(ENVAPPSETTING_CreateDefault(Path("appset.bin").c_str()), 1);
    EXPECT_EQ(ReadAll(Path("appset.bin")), Inverted(kDefaultAppset));
    ASSERT_EQ(ENVAPPSETTING_Load(Path("appset.bin").c_str()), 1);
    struct { const char* key; const char* value; } want[] = {
        { "[DEF_DISPMODE]", "2" }, { "[AUTO_UPDATECONTENTS]", "0" }, { "[AUTO_DOWNLOADCONTENTS]", "0" } };
    for (const auto& w : want) {
        char v[2048];
        ASSERT_EQ(ENVAPPSETTING_GetValue(v, sizeof(v), w.key), 1) << w.key;
        EXPECT_STREQ(v, w.value);
    }
    EXPECT_EQ(ENVAPPSETTING_CreateDefault(Path("no\\folder\\appset.bin").c_str()), 0);
}

TEST_F(EnvFiles, EmptyOrMissingAppsetIsReplacedByTheDefaults)
{
    // What start-up and the settings dialog do.
    std::string path = Path("appset.bin");
    WriteAll(path, "");
    EXPECT_EQ(ENVAPPSETTING_Load(path.c_str()), 0);
    ASSERT_EQ(ENVAPPSETTING_CreateDefault(path.c_str()), 1);
    ASSERT_EQ(ENVAPPSETTING_Load(path.c_str()), 1);
    char v[2048];
    ASSERT_EQ(ENVAPPSETTING_GetValue(v, sizeof(v), "[DEF_DISPMODE]"), 1);
    EXPECT_STREQ(v, "2");
    ENVAPPSETTING_Free();
    EXPECT_EQ(ENVAPPSETTING_GetValue(v, sizeof(v), "[DEF_DISPMODE]"), 0);
    EXPECT_EQ(ENVAPPSETTING_Load(Path("missing.bin").c_str()), 0);
}

TEST_F(EnvFiles, SavingTheDialogsValuesRewritesTheFile)
{
    std::string path = Path("appset.bin");
    ASSERT_EQ(ENVAPPSETTING_CreateDefault(path.c_str()), 1);
    EXPECT_EQ(ENVAPPSETTING_Write(path.c_str()), 0);            // nothing held
    char* fresh = ENVAPPSETTING_Save("0", "1", "1");
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(ENVAPPSETTING_SetBuffer(fresh), 0);               // nothing loaded to replace
    ASSERT_EQ(ENVAPPSETTING_Load(path.c_str()), 1);
    ASSERT_EQ(ENVAPPSETTING_SetBuffer(fresh), 1);
    ASSERT_EQ(ENVAPPSETTING_Write(path.c_str()), 1);
    EXPECT_EQ(ReadAll(path), Inverted("[DEF_DISPMODE]\n0\n\n[AUTO_UPDATECONTENTS]\n1\n\n"
                                      "[AUTO_DOWNLOADCONTENTS]\n1\n\n"));
    EXPECT_EQ(ENVAPPSETTING_Save("", "1", "1"), nullptr);
    EXPECT_EQ(ENVAPPSETTING_Save("0", nullptr, "1"), nullptr);
}

}  // namespace

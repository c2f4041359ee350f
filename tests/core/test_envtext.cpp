#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "envtext.h"

namespace {

const char* kEnv =
    "[TITLENAME]\r\n"
    "ソフトの館\r\n"
    "\r\n"
    "[DLWEBPAGE]\tdownload base, a comment\r\n"
    "http://127.0.0.1/dl/\r\n"
    "[EMPTY]\r\n"
    "\r\n"
    "[CGITOPPAGE]X\r\n"
    "wrong\r\n"
    "[CGITOPPAGE]\r\n"
    "127.0.0.1/cgi/\r\n"
    "[VALUEKEY]\r\n"
    "[TITLENAME]\r\n"
    "[LAST]\r\n"
    "no end mark";

TEST(EnvText, Lookups)
{
    struct Case { const char* key; int ret; const char* value; };
    const Case cases[] = {
        { "[TITLENAME]", 1, "ソフトの館" },
        { "[DLWEBPAGE]", 1, "http://127.0.0.1/dl/" },     // tab and comment after the key
        { "[EMPTY]", 1, "" },                             // an empty value line
        { "[CGITOPPAGE]", 1, "127.0.0.1/cgi/" },           // "[CGITOPPAGE]X" is another key
        { "[VALUEKEY]", 1, "[TITLENAME]" },
        { "[LAST]", 1, "no end mark" },                   // the text's last line
        { "[titlename]", 0, "" },                         // case matters
        { "[MISSING]", 0, "" },
        { "", 0, "" },
    };
    for (const auto& c : cases) {
        char dst[2048] = "unchanged";
        EXPECT_EQ(ENVTEXT_GetValue(kEnv, 0, dst, sizeof(dst), c.key), c.ret) << c.key;
        EXPECT_STREQ(dst, c.ret ? c.value : "unchanged") << c.key;
    }
}

TEST(EnvText, ValueLinesAreTestedLikeKeyLines)
{
    // The first line whose token is the key wins, even a value line.
    const char* text = "[A]\r\n[B]\r\n[B]\r\nsecond\r\n";
    char dst[64];
    ASSERT_EQ(ENVTEXT_GetValue(text, 0, dst, sizeof(dst), "[B]"), 1);
    EXPECT_STREQ(dst, "[B]");
}

TEST(EnvText, LfLinesAndMalformedTexts)
{
    char dst[64] = "unchanged";
    const char* lf = "[DEF_DISPMODE]\n2\n\n[AUTO_UPDATECONTENTS]\n0\n\n";
    ASSERT_EQ(ENVTEXT_GetValue(lf, 1, dst, sizeof(dst), "[AUTO_UPDATECONTENTS]"), 1);
    EXPECT_STREQ(dst, "0");
    // LF-only text read as CR LF: no line ends, nothing found, nothing read past the end.
    strcpy(dst, "unchanged");
    EXPECT_EQ(ENVTEXT_GetValue(lf, 0, dst, sizeof(dst), "[DEF_DISPMODE]"), 0);
    EXPECT_STREQ(dst, "unchanged");
    EXPECT_EQ(ENVTEXT_GetValue("", 0, dst, sizeof(dst), "[A]"), 0);
    EXPECT_EQ(ENVTEXT_GetValue("[A]", 0, dst, sizeof(dst), "[A]"), 0);        // key without end mark
    EXPECT_EQ(ENVTEXT_GetValue("[A]\r\n", 0, dst, sizeof(dst), "[A]"), 1);    // value: the empty rest
    EXPECT_STREQ(dst, "");
    EXPECT_EQ(ENVTEXT_GetValue(nullptr, 0, dst, sizeof(dst), "[A]"), 0);
    EXPECT_EQ(ENVTEXT_GetValue("[A]\r\nv\r\n", 0, nullptr, 5, "[A]"), 0);
    EXPECT_EQ(ENVTEXT_GetValue("[A]\r\nv\r\n", 0, dst, 0, "[A]"), 0);
}

TEST(EnvText, OverlongLines)
{
    // A value that does not fit is refused whole, not cut.
    std::string text = "[URL]\r\n" + std::string(100, 'u') + "\r\n";
    char dst[64] = "unchanged";
    EXPECT_EQ(ENVTEXT_GetValue(text.c_str(), 0, dst, sizeof(dst), "[URL]"), 0);
    EXPECT_STREQ(dst, "unchanged");
    // A line longer than the line buffer is skipped, and the search goes on after it.
    text = std::string(5000, 'x') + "\r\n[K]\r\nv\r\n";
    EXPECT_EQ(ENVTEXT_GetValue(text.c_str(), 0, dst, sizeof(dst), "[K]"), 1);
    EXPECT_STREQ(dst, "v");
    std::string bigKey(3000, 'k');
    text = bigKey + "\r\nv\r\n";
    EXPECT_EQ(ENVTEXT_GetValue(text.c_str(), 0, dst, sizeof(dst), bigKey.c_str()), 0);
}

}  // namespace

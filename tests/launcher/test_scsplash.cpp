// The splash file's text: what each item asks for, and where damaged or
// hostile texts stop. Natively under the sanitizers, where a read past a
// line or a buffer is caught.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "scsplashtext.h"

namespace {

struct Seen {
    std::ostringstream s;
    int nRefuseAt = -1;   // the item the callback refuses (0-based), -1 none
    int n = 0;
};

int OnBg(void* pCtx, const char* pName, int w, int h)
{
    Seen* p = static_cast<Seen*>(pCtx);
    if (p->n++ == p->nRefuseAt) return 0;
    p->s << "{" << pName << "," << w << "," << h << "}";
    return 1;
}

// The text in a heap block of exactly its length and terminator.
std::string Parse(const std::string& text, int* pRet, int nRefuseAt = -1)
{
    char* p = static_cast<char*>(std::malloc(text.size() + 1));
    std::memcpy(p, text.data(), text.size());
    p[text.size()] = '\0';
    Seen seen;
    seen.nRefuseAt = nRefuseAt;
    *pRet = SCSPLASH_ParseText(p, OnBg, &seen);
    std::free(p);
    return seen.s.str();
}

TEST(SplashText, ItemsAndWhereTheTextStops)
{
    struct Case { const char* name; std::string text; int ret; const char* items; };
    const Case cases[] = {
        { "one item", "[bg]\r\nsplash.bmp\r\n400,240\r\n", 1, "{splash.bmp,400,240}" },
        { "blank lines are skipped", "\r\n[bg]\r\na.bmp\r\n10,20\r\n\r\n", 1, "{a.bmp,10,20}" },
        { "no CR LF at the end: the size line is missing", "[bg]\r\na.bmp\r\n400,240", 0, "" },
        { "no CR LF after a whole item: the last line is not read", "[bg]\r\na.bmp\r\n1,2\r\n[bg]", 1,
          "{a.bmp,1,2}" },
        { "only the keyword ends with CR LF", "[bg]\r\n", 0, "" },
        { "two items, in order", "[bg]\r\na.bmp\r\n400,240\r\n[bg]\r\nb.bmp\r\n300,200\r\n", 1,
          "{a.bmp,400,240}{b.bmp,300,200}" },
        { "extra fields after the height", "[bg]\r\na.bmp\r\n400,240,100,50\r\n", 1, "{a.bmp,400,240}" },
        { "empty width", "[bg]\r\na.bmp\r\n,240\r\n", 0, "" },
        { "no height", "[bg]\r\na.bmp\r\n400\r\n", 0, "" },
        { "zero or negative size", "[bg]\r\na.bmp\r\n0,240\r\n", 0, "" },
        { "negative height", "[bg]\r\na.bmp\r\n400,-5\r\n", 0, "" },
        { "beyond any screen", "[bg]\r\na.bmp\r\n99999999999999999999,240\r\n", 0, "" },
        { "empty name line", "[bg]\r\n\r\n400,240\r\n", 0, "" },
        { "unknown keyword passes over itself only", "[fg]\r\n[bg]\r\na.bmp\r\n1,2\r\n", 1, "{a.bmp,1,2}" },
        { "keywords are case-sensitive and whole", "[BG]\r\n[bg] \r\n[bg]\r\na.bmp\r\n1,2\r\n", 1, "{a.bmp,1,2}" },
        { "an error keeps the items before it", "[bg]\r\na.bmp\r\n1,2\r\n[bg]\r\nb.bmp\r\nx\r\n[bg]\r\nc.bmp\r\n3,4\r\n",
          0, "{a.bmp,1,2}" },
        { "lone LF is text", "[bg]\n\r\na.bmp\r\n1,2\r\n", 1, "" },
        { "garbage", std::string("\x01\xff\x80,\r\r\n\x81", 8), 1, "" },
        { "a double-byte name", "[bg]\r\n\x83\x5c.bmp\r\n5,6\r\n", 1, "{\x83\x5c.bmp,5,6}" },
    };
    for (const Case& c : cases) {
        int ret = -1;
        EXPECT_EQ(Parse(c.text, &ret), c.items) << c.name;
        EXPECT_EQ(ret, c.ret) << c.name;
    }
}

TEST(SplashText, OverlongLinesAndARefusedPictureStop)
{
    int ret = -1;
    std::string longName(5000, 'a');
    EXPECT_EQ(Parse("[bg]\r\n" + longName + "\r\n1,2\r\n", &ret), "");
    EXPECT_EQ(ret, 0) << "a cut name would name another file";
    // The first picture refused (cannot be read): nothing after it is read.
    EXPECT_EQ(Parse("[bg]\r\na.bmp\r\n1,2\r\n[bg]\r\nb.bmp\r\n3,4\r\n", &ret, 0), "");
    EXPECT_EQ(ret, 0);
    EXPECT_EQ(Parse("[bg]\r\na.bmp\r\n1,2\r\n[bg]\r\nb.bmp\r\n3,4\r\n", &ret, 1), "{a.bmp,1,2}");
    EXPECT_EQ(ret, 0);
    EXPECT_EQ(SCSPLASH_ParseText(nullptr, OnBg, nullptr), 0);
}

TEST(SplashText, KeywordAndFolder)
{
    EXPECT_EQ(SCSPLASH_GetIdType("[bg]"), eSCSD_IDTYPE_BG);
    EXPECT_EQ(SCSPLASH_GetIdType("[bg"), eSCSD_IDTYPE_MAX);
    EXPECT_EQ(SCSPLASH_GetIdType(""), eSCSD_IDTYPE_MAX);
    struct Case { const char* path; const char* folder; };
    const Case cases[] = {
        { "C:\\app\\sp.bin", "C:\\app\\" },
        { "sp.bin", "" },
        { "/tmp/a/sp.bin", "/tmp/a/" },
        // The trail byte of "ソ" is a backslash, not a separator.
        { "C:\\\x83\x5c\\sp\x83\x5c", "C:\\\x83\x5c\\" },
    };
    for (const Case& c : cases) {
        char out[64];
        ASSERT_EQ(SCSPLASH_FolderOf(out, sizeof(out), c.path), 1) << c.path;
        EXPECT_STREQ(out, c.folder) << c.path;
    }
    char small[4];
    EXPECT_EQ(SCSPLASH_FolderOf(small, sizeof(small), "C:\\app\\sp.bin"), 0);
    EXPECT_STREQ(small, "");
}

}  // namespace

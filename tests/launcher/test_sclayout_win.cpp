// The layout files read from disk by the whole-file reader.
#include <windows.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "sclayout.h"
#include "testdir.h"

namespace {

std::string Load(const std::string& path, int* pRet)
{
    LIST l;
    LIST_Init(&l);
    *pRet = SCLAYOUT_Load(&l, path.c_str());
    std::ostringstream s;
    for (int i = 0; i < LIST_GetCnt(&l); i++) {
        const LayoutIf* p = SCLAYOUT_GetAt(&l, i);
        s << "{" << p->type << "," << p->x << "," << p->y << "," << p->w << "," << p->h << "}";
    }
    LIST_Free(&l);
    return s.str();
}

TEST(LayoutFile, LoadsInvertedFilesToTheirLastByte)
{
    TestDir d;
    int ret = 0;
    // The file's last byte is the value line's LF: the reader's extra byte,
    // not the file's own, terminates the text.
    WriteAll(d.file("lcs.bin"), Inverted("BG\r\n0,0,600,25\r\nTITLE\r\n80,4,300,16\r\n"));
    EXPECT_EQ(Load(d.file("lcs.bin"), &ret), "{3,0,0,600,25}{1,80,4,300,16}");
    EXPECT_EQ(ret, 1);
    WriteAll(d.file("cut.bin"), Inverted("BG\r\n0,0,600,25\r\nTITLE\r\n80,4,300,16"));
    EXPECT_EQ(Load(d.file("cut.bin"), &ret), "{3,0,0,600,25}");
    EXPECT_EQ(ret, 1);
    WriteAll(d.file("empty.bin"), "");
    EXPECT_EQ(Load(d.file("empty.bin"), &ret), "");
    EXPECT_EQ(ret, 1);
    EXPECT_EQ(Load(d.file("missing.bin"), &ret), "");
    EXPECT_EQ(ret, 0);
    EXPECT_EQ(Load(d.path(), &ret), "") << "a folder is no file";
    EXPECT_EQ(ret, 0);
}

}  // namespace

// Every text file the launcher reads, as CMNFILE_ReadText hands it to its
// parser: the file's bytes in a heap block of exactly their size and the
// terminator's byte (holding garbage until the decoder terminates it).
// Natively under the sanitizers, where one byte written or read past the
// block is caught.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "cmnfile.h"
#include "list.h"
#include "sccmn_row.h"
#include "sccmn_start.h"
#include "sclayout.h"
#include "scsplashtext.h"

namespace {

// One file read as text: bInverted for the files stored with every byte inverted.
struct TextFile {
    char* pBlock;
    CmnText t;
    TextFile(const std::string& plain, int bInverted)
    {
        pBlock = static_cast<char*>(std::malloc(plain.size() + 1));
        for (size_t i = 0; i < plain.size(); i++)
            pBlock[i] = static_cast<char>(bInverted ? ~plain[i] : plain[i]);
        pBlock[plain.size()] = static_cast<char>(0xAA);
        t = CMNFILE_MakeText(pBlock, static_cast<int>(plain.size()), bInverted);
    }
    ~TextFile() { std::free(pBlock); }
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;
};

struct List {
    LIST l;
    List() { LIST_Init(&l); }
    ~List() { LIST_Free(&l); }
};

int OnBg(void* pCtx, const char*, int, int)
{
    ++*static_cast<int*>(pCtx);
    return 1;
}

TEST(TextFiles, TheTextIsTheFileDecodedAndTerminatedInsideItsBlock)
{
    for (int bInv : { 0, 1 }) {
        for (const std::string& plain : { std::string(), std::string("a"), std::string("line\r\n") }) {
            TextFile f(plain, bInv);
            ASSERT_EQ(f.t.pText, f.pBlock);
            EXPECT_EQ(f.t.nLen, static_cast<int>(plain.size()));
            EXPECT_EQ(std::string(f.t.pText, f.t.nLen), plain);
            EXPECT_EQ(f.t.pText[f.t.nLen], '\0');
        }
    }
}

// Each reader, on an empty file, a file without its last line end and a
// whole file: what it takes, and no byte touched past the block.
TEST(TextFiles, EveryReaderStaysInsideABlockOfExactlyTheFileAndItsTerminator)
{
    struct Case { const char* pReader; std::string text; int nWant; };
    const Case cases[] = {
        { "pt.bin", "", 0 },
        { "pt.bin", "u,P1,1,", 0 },
        { "pt.bin", "u,P1,1,\nv,P2,3,\n", 2 },
        { "layout", "", 0 },
        { "layout", "BG\r\n0,0,600,40", 0 },
        { "layout", "BG\r\n0,0,600,40\r\n", 1 },
        { "splash", "", 0 },
        { "splash", "[bg]\r\na.bmp\r\n400,240", 0 },
        { "splash", "[bg]\r\na.bmp\r\n400,240\r\n", 1 },
        { "ver.bin", "", 0 },
        { "ver.bin", "tiv_launcher.exe,5,", 1 },   // version lists count it, as the updater does
        { "ver.bin", "tiv_launcher.exe,5,\r\n", 1 },
        { "version.txt", "", 0 },
        { "version.txt", "tiv_launcher.exe,6,", 1 },
        { "version.txt", "tiv_launcher.exe,6,p.pack,\r\n", 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pReader) + " [" + c.text + "]");
        const std::string r = c.pReader;
        List l;
        int nGot = -1;
        if (r == "pt.bin") {
            TextFile f(c.text, 1);
            SCCMN_ParsePlayTime(&l.l, f.t.pText);
            nGot = LIST_GetCnt(&l.l);
        } else if (r == "layout") {
            TextFile f(c.text, 1);
            SCLAYOUT_Parse(&l.l, f.t.pText);
            nGot = LIST_GetCnt(&l.l);
        } else if (r == "splash") {
            TextFile f(c.text, 1);
            nGot = 0;
            SCSPLASH_ParseText(f.t.pText, OnBg, &nGot);
        } else if (r == "ver.bin") {
            TextFile f(c.text, 1);
            SCCMN_ParseFileVersions(&l.l, f.t.pText);
            nGot = LIST_GetCnt(&l.l);
        } else {
            // Against an installation of version 5: a whole line of another
            // version is an update.
            TextFile installed("tiv_launcher.exe,5,\r\n", 1);
            SCCMN_ParseFileVersions(&l.l, installed.t.pText);
            ASSERT_EQ(LIST_GetCnt(&l.l), 1);
            TextFile f(c.text, 0);
            nGot = SCCMN_CompareVersion("ver.bin", &l.l, f.t.pText, f.t.nLen, "");
        }
        EXPECT_EQ(nGot, c.nWant);
    }
}

}  // namespace

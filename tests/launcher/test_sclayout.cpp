// The layout files' text: keywords, value lines and what damaged files do.
// Runs natively under the sanitizers, where every buffer is exactly as long
// as the file it stands for.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "cmnfile.h"
#include "sclayout.h"
#include "scskinfile.h"
#include "testdir.h"

namespace {

std::string Items(LIST* l)
{
    std::ostringstream s;
    for (int i = 0; i < LIST_GetCnt(l); i++) {
        const LayoutIf* p = static_cast<const LayoutIf*>(LIST_GetAt(l, i));
        s << "{" << p->type << "," << p->x << "," << p->y << "," << p->w << "," << p->h << "}";
    }
    return s.str();
}

// The file's bytes as the whole-file reader hands them out: a heap block of
// the file's size and one spare byte, which holds garbage here so that only
// the decoder's own terminator ends the text.
std::string DecodeFile(const std::string& plain)
{
    std::string file = Inverted(plain);
    char* p = static_cast<char*>(std::malloc(file.size() + 1));
    std::memcpy(p, file.data(), file.size());
    p[file.size()] = static_cast<char>(0xAA);
    LIST l;
    LIST_Init(&l);
    EXPECT_EQ(SCLAYOUT_Parse(&l, CMNFILE_MakeText(p, static_cast<int>(file.size()), 1).pText), 1);
    std::string r = Items(&l);
    LIST_Free(&l);
    std::free(p);
    return r;
}

struct Layout : ::testing::Test {
    TestDir dir;   // the assertions' log lands here
};

TEST_F(Layout, TextsAndTheirItems)
{
    struct Case { const char* name; std::string text; const char* items; };
    const Case cases[] = {
        { "one item", "BG\r\n0,0,600,40\r\n", "{3,0,0,600,40}" },
        { "empty lines are skipped", "\r\n\r\nBG\r\n0,0,600,40\r\n\r\nTITLE\r\n80,4,300,16\r\n",
          "{3,0,0,600,40}{1,80,4,300,16}" },
        { "same type twice", "BG\r\n1,1,1,1\r\nBG\r\n2,2,2,2\r\n", "{3,1,1,1,1}{3,2,2,2,2}" },
        { "lower case is no keyword", "bg\r\n1,2,3,4\r\n", "{34,1,2,3,4}" },
        { "a blank after the keyword", "BG \r\n1,2,3,4\r\n", "{34,1,2,3,4}" },
        { "signs and leading blanks", "BG\r\n-5, 10,\t+20,30\r\n", "{3,-5,10,20,30}" },
        { "missing values read as 0", "BG\r\n1,2\r\n", "{3,1,2,0,0}" },
        { "empty value line", "BG\r\n\r\nTITLE\r\n5,6,7,8\r\n", "{3,0,0,0,0}{1,5,6,7,8}" },
        { "empty tokens and letters", "BG\r\n,abc,12px,\r\n", "{3,0,0,12,0}" },
        { "text after the fourth comma", "BG\r\n1,2,3,4,5,6\r\n", "{3,1,2,3,4}" },
        { "numbers past 32 bits stop at its ends",
          "BG\r\n99999999999999999999,-99999999999999999999,2147483648,-2147483648\r\n",
          "{3,2147483647,-2147483648,2147483647,-2147483648}" },
        { "a lone LF is an ordinary character", "BG\r\n1,2\n3,4\r\n", "{3,1,2,4,0}" },
        { "a keyword as the last text", "BG\r\n1,2,3,4\r\nTITLE\r\n", "{3,1,2,3,4}" },
        { "a value line without CR LF", "BG\r\n1,2,3,4\r\nTITLE\r\n5,6,7,8", "{3,1,2,3,4}" },
        { "a keyword without CR LF", "BG", "" },
        { "empty file", "", "" },
        { "a NUL ends the text", std::string("BG\r\n1,2,3,4\r\n\0TITLE\r\n5,6,7,8\r\n", 30), "{3,1,2,3,4}" },
        { "every keyword",
          "ICON\r\n\r\nTITLE\r\n\r\nMAKER\r\n\r\nBG\r\n\r\nPLATFORM\r\n\r\nGENRE\r\n\r\nSALEDAY\r\n\r\n"
          "RUNCNT\r\n\r\nEXPLAN\r\n\r\nBTNPROP\r\n\r\nBTN_WEBSALEPAGE_PROJECTTIV\r\n\r\nBTN_GAMEMANUAL\r\n\r\n"
          "BTN_GAMEOPERATION\r\n\r\nBTN_GAMESOUND\r\n\r\nBTN_GAMEPLAY\r\n\r\nBTN_FAVORITE\r\n\r\n"
          "IMG_GAMECAPTURE\r\n\r\nTITLE_SORT_UP\r\n\r\nTITLE_SORT_DOWN\r\n\r\nSALEDAY_SORT_UP\r\n\r\n"
          "SALEDAY_SORT_DOWN\r\n\r\nRUNCNT_SORT_UP\r\n\r\nRUNCNT_SORT_DOWN\r\n\r\nICON_VELQA\r\n\r\n"
          "MAKER_SORT\r\n\r\nPLATFORM_SORT\r\n\r\nGENRE_SORT\r\n\r\n",
          "{0,0,0,0,0}{1,0,0,0,0}{2,0,0,0,0}{3,0,0,0,0}{4,0,0,0,0}{5,0,0,0,0}{6,0,0,0,0}{7,0,0,0,0}"
          "{8,0,0,0,0}{9,0,0,0,0}{10,0,0,0,0}{12,0,0,0,0}{13,0,0,0,0}{14,0,0,0,0}{15,0,0,0,0}"
          "{16,0,0,0,0}{17,0,0,0,0}{18,0,0,0,0}{19,0,0,0,0}{26,0,0,0,0}{27,0,0,0,0}{28,0,0,0,0}"
          "{29,0,0,0,0}{30,0,0,0,0}{31,0,0,0,0}{32,0,0,0,0}{33,0,0,0,0}" },
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeFile(c.text), c.items) << c.name;
}

TEST_F(Layout, LinesLongerThanTheBufferAreSteppedOverWhole)
{
    std::string longKey(3000, 'B');
    std::string longValue = "7,8,9,10" + std::string(3000, ' ');
    EXPECT_EQ(DecodeFile(longKey + "\r\n1,2,3,4\r\nBG\r\n" + longValue + "\r\nTITLE\r\n5,6,7,8\r\n"),
              "{34,1,2,3,4}{3,7,8,9,10}{1,5,6,7,8}");
    // A value whose digits run past the line buffer still ends at 32 bits.
    EXPECT_EQ(DecodeFile("BG\r\n" + std::string(4000, '9') + "\r\n"), "{3,2147483647,0,0,0}");
}

TEST_F(Layout, AFileStoredPlainYieldsNothing)
{
    // Its inverted bytes hold no CR LF.
    std::string plain = "BG\r\n0,0,600,40\r\n";
    std::vector<char> buf(plain.begin(), plain.end());
    buf.push_back(0);
    LIST l;
    LIST_Init(&l);
    SCLAYOUT_Parse(&l, CMNFILE_MakeText(buf.data(), static_cast<int>(plain.size()), 1).pText);
    EXPECT_EQ(LIST_GetCnt(&l), 0);
}

TEST_F(Layout, EveryCutOfAFileAndRandomBytesParseInsideTheBuffer)
{
    const std::string good = "\r\nBG\r\n0,0,600,25\r\nTITLE\r\n80,4,300,16\r\nEXPLAN\r\n-1,2,,4\r\n";
    // The items whose value line is complete at each cut.
    for (size_t n = 0; n <= good.size(); n++) {
        std::string cut = good.substr(0, n);
        std::string expect;
        if (n >= 18) expect += "{3,0,0,600,25}";
        if (n >= 38) expect += "{1,80,4,300,16}";
        if (n >= good.size()) expect += "{8,-1,2,0,4}";
        EXPECT_EQ(DecodeFile(cut), expect) << "cut at " << n;
    }
    // Noise made of the bytes that matter to the parser.
    const char alphabet[] = "\r\n,-+ 09BGTITLE\0\x82\xa0";
    unsigned seed = 12345;
    for (int round = 0; round < 3000; round++) {
        std::string text;
        int len = static_cast<int>(seed % 64);
        for (int i = 0; i < len; i++) {
            seed = seed * 1103515245u + 12345u;
            text += alphabet[(seed >> 16) % (sizeof(alphabet) - 1)];
        }
        seed = seed * 1103515245u + 12345u;
        DecodeFile(text);
    }
}

TEST_F(Layout, Lookups)
{
    LIST l;
    LIST_Init(&l);
    EXPECT_EQ(SCLAYOUT_GetAt(&l, 0), nullptr);
    EXPECT_EQ(SCLAYOUT_Find(&l, eSCLD_IDTYPE_BG), nullptr);
    EXPECT_EQ(SCLAYOUT_Find(nullptr, eSCLD_IDTYPE_BG), nullptr);
    SCLAYOUT_Parse(&l, "TITLE\r\n1,1,1,1\r\nBG\r\n0,0,600,25\r\nBG\r\n0,0,600,125\r\n");
    ASSERT_EQ(LIST_GetCnt(&l), 3);
    EXPECT_EQ(SCLAYOUT_GetAt(&l, 1)->h, 25);
    EXPECT_EQ(SCLAYOUT_GetAt(&l, 3), nullptr);
    EXPECT_EQ(SCLAYOUT_GetAt(&l, -1), nullptr);
    EXPECT_EQ(SCLAYOUT_Find(&l, eSCLD_IDTYPE_BG), SCLAYOUT_GetAt(&l, 1));   // the first of the type
    EXPECT_EQ(SCLAYOUT_Find(&l, eSCLD_IDTYPE_MAKER), nullptr);
    LIST_Free(&l);

    struct Map { int type, img; };
    const Map maps[] = { { 3, 33 }, { 9, 35 }, { 10, 37 }, { 12, 39 }, { 13, 40 }, { 14, 41 }, { 15, 42 },
                         { 16, 51 }, { 0, 76 }, { 1, 76 }, { 17, 76 }, { 34, 76 }, { -1, 76 } };
    for (const auto& m : maps) EXPECT_EQ(SCLAYOUT_GetImgType(m.type), m.img) << m.type;
    for (const char* k : { "", "BGX", "TITLE_SORT" }) EXPECT_EQ(SCLAYOUT_GetIdType(k), eSCLD_IDTYPE_MAX) << k;
}

TEST_F(Layout, ARowLayoutNeedsABackgroundAListBoxCanTake)
{
    struct Case { const char* text; int h; };
    const Case cases[] = {
        { "BG\r\n0,0,600,25\r\n", 25 },
        { "TITLE\r\n0,0,1,1\r\nBG\r\n0,0,600,255\r\nBG\r\n0,0,600,40\r\n", 255 },
        { "BG\r\n0,0,600,256\r\n", 0 },    // taller than a list box item can be
        { "BG\r\n0,0,600,0\r\n", 0 },
        { "BG\r\n0,0,0,25\r\n", 0 },
        { "BG\r\n0,0,600,-25\r\n", 0 },
        { "BG\r\n0,0,600,0\r\nBG\r\n0,0,600,25\r\n", 0 },   // the first BG is the row's size
        { "TITLE\r\n0,0,600,25\r\n", 0 },
        { "", 0 },
    };
    for (const auto& c : cases) {
        LIST l;
        LIST_Init(&l);
        SCLAYOUT_Parse(&l, c.text);
        const LayoutIf* bg = SCLAYOUT_FindRowBg(&l);
        EXPECT_EQ(bg != nullptr ? bg->h : 0, c.h) << c.text;
        LIST_Free(&l);
    }
}

}  // namespace

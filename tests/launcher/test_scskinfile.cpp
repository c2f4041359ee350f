// The skin file's header and directory: where each entry's bitmaps lie, and
// the damaged files that are refused whole. Natively under the sanitizers
// every file is a heap block of exactly its size.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "cmnfile.h"
#include "log.h"
#include "sclayout.h"
#include "scskinfile.h"
#include "testdir.h"

namespace {

struct Entry {
    int32_t type, x, y, w, h;
    int32_t sizes[9];
};

void Put32(std::string& s, size_t at, int32_t v)
{
    uint32_t u;
    std::memcpy(&u, &v, 4);
    for (int i = 0; i < 4; i++) s[at + i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

// Header, directory and nData bytes of data, each data byte its offset's
// low byte. The data offset follows the directory unless given.
std::string Skin(const std::vector<Entry>& es, size_t nData, int32_t lCount = -1, int64_t llOffset = -1)
{
    std::string s(12 + 56 * es.size(), '\0');
    Put32(s, 0, 0x4E494B53);
    Put32(s, 4, llOffset >= 0 ? static_cast<int32_t>(llOffset) : static_cast<int32_t>(s.size()));
    Put32(s, 8, lCount >= 0 ? lCount : static_cast<int32_t>(es.size()));
    for (size_t i = 0; i < es.size(); i++) {
        size_t at = 12 + 56 * i;
        for (int k = 0; k < 9; k++) Put32(s, at + 4 * k, es[i].sizes[k]);
        Put32(s, at + 36, es[i].type);
        Put32(s, at + 40, es[i].x);
        Put32(s, at + 44, es[i].y);
        Put32(s, at + 48, es[i].w);
        Put32(s, at + 52, es[i].h);
    }
    for (size_t i = 0; i < nData; i++) s += static_cast<char>(s.size() & 0xFF);
    return s;
}

struct Parsed {
    int ret;
    std::vector<SkinDirIf> dir;
};

Parsed Parse(const std::string& file)
{
    std::vector<char> exact(file.begin(), file.end());   // no byte past the file
    LIST l;
    LIST_Init(&l);
    Parsed r;
    r.ret = SCSKINFILE_Parse(&l, exact.empty() ? nullptr : exact.data(), static_cast<int>(exact.size()));
    for (int i = 0; i < LIST_GetCnt(&l); i++) r.dir.push_back(*static_cast<SkinDirIf*>(LIST_GetAt(&l, i)));
    LIST_Free(&l);
    return r;
}

struct SkinFile : ::testing::Test {
    TestDir dir;
    void SetUp() override { LOG_Close(); }
    std::string Log()
    {
        LOG_Close();
        return Inverted(ReadAll(dir.file("tiv_launcher.log")));
    }
};

TEST_F(SkinFile, AnAnimatedEntryFillsFramesAndMaskInSizeOrder)
{
    // Type 57 with sizes {a, 0, b, 0, 0, 0, 0, 0, m}: slot 0, slot 6 (frame
    // 2), slot 4 (the mask); the next entry starts right after the mask.
    const int a = 10, b = 20, m = 5;
    std::string f = Skin({ { 57, 1, 2, 3, 4, { a, 0, b, 0, 0, 0, 0, 0, m } }, { 33, 0, 0, 600, 25, { 7 } } },
                         a + b + m + 7);
    Parsed p = Parse(f);
    ASSERT_EQ(p.ret, 1);
    ASSERT_EQ(p.dir.size(), 2u);
    const int data = 12 + 56 * 2;
    const SkinDirIf& e = p.dir[0];
    EXPECT_EQ(e.imgType, 57);
    EXPECT_EQ(e.x, 1);
    EXPECT_EQ(e.h, 4);
    for (int s = 0; s < 12; s++) {
        int wantOff = s == 0 ? data : s == 6 ? data + a : s == 4 ? data + a + b : 0;
        int wantSize = s == 0 ? a : s == 6 ? b : s == 4 ? m : 0;
        EXPECT_EQ(e.lOffset[s], wantOff) << "slot " << s;
        EXPECT_EQ(e.lSize[s], wantSize) << "slot " << s;
    }
    EXPECT_EQ(p.dir[1].lOffset[0], data + a + b + m);
    EXPECT_EQ(p.dir[1].lSize[0], 7);
}

TEST_F(SkinFile, EveryAnimatedTypeUsesNineSizesAndOthersFive)
{
    for (int type = 0; type < 80; type++) {
        bool animated = type == 45 || type == 56 || type == 57 || type == 58 || type == 59 || type == 69 ||
                        type == 70 || type == 71;
        // Nine sizes of 1 .. 9 bytes, then a one-byte entry after them.
        std::string f = Skin({ { type, 0, 0, 1, 1, { 1, 2, 3, 4, 5, 6, 7, 8, 9 } }, { 0, 0, 0, 1, 1, { 1 } } }, 46);
        Parsed p = Parse(f);
        ASSERT_EQ(p.ret, 1) << type;
        const SkinDirIf& e = p.dir[0];
        const int order[9] = { 0, 5, 6, 7, 8, 9, 10, 11, 4 };
        int off = 12 + 56 * 2;
        int used = animated ? 9 : 5;
        for (int k = 0; k < used; k++) {
            int slot = animated ? order[k] : k;
            EXPECT_EQ(e.lSize[slot], k + 1) << type << " size " << k;
            EXPECT_EQ(e.lOffset[slot], off) << type << " size " << k;
            off += k + 1;
        }
        if (!animated) {
            for (int slot = 5; slot < 12; slot++) EXPECT_EQ(e.lSize[slot], 0) << type;
        }
        // Unused sizes take no bytes: the next entry reads on from there.
        EXPECT_EQ(p.dir[1].lOffset[0], off) << type;
    }
}

TEST_F(SkinFile, SoundOddities)
{
    // Absent bitmaps (0 or less) in a used size of an ordinary type, a
    // negative unused size, an image type past the table, a count of one.
    Parsed p = Parse(Skin({ { 1, 0, 0, 1, 1, { 3, 0, 0, 2, 0, -1, -7, 9, 0 } }, { 99, 5, 6, 7, 8, { 0 } } }, 5));
    ASSERT_EQ(p.ret, 1);
    ASSERT_EQ(p.dir.size(), 2u);
    EXPECT_EQ(p.dir[0].lSize[0], 3);
    EXPECT_EQ(p.dir[0].lSize[3], 2);
    EXPECT_EQ(p.dir[0].lOffset[3], 12 + 112 + 3);
    EXPECT_EQ(p.dir[1].imgType, 99);   // kept; no lookup asks for it
    EXPECT_EQ(p.dir[1].w, 7);
}

TEST_F(SkinFile, DamagedFilesAreRefusedWhole)
{
    const Entry one = { 0, 0, 0, 1, 1, { 4 } };
    const Entry two = { 1, 0, 0, 1, 1, { 4, 4 } };
    struct Case { const char* name; std::string file; const char* reason; };
    std::vector<Case> cases = {
        { "no header", std::string(11, '\0'), "no header" },
        { "no entries", Skin({}, 0), "image count" },
        { "negative count", Skin({ one }, 4), "image count" },
        { "directory past the end", Skin({ one }, 4, 2), "directory past the end" },
        // 12 + 56 x count wraps a 32-bit sum back into the file.
        { "directory that wraps 32 bits", Skin({ one }, 4, 0x4924925), "directory past the end" },
        { "negative data offset", Skin({ one }, 4, -1, 0xFFFFFFF0), "data offset" },
        { "data offset past the end", Skin({ one }, 4, -1, 12 + 56 + 5), "data offset" },
        { "negative size", Skin({ { 0, 0, 0, 1, 1, { 4, -4 } } }, 4), "negative size" },
        { "bitmap past the end", Skin({ two }, 7), "bitmap past the end" },
        { "sizes that wrap 32 bits", Skin({ { 1, 0, 0, 1, 1, { 0x7FFFFFF0, 0x7FFFFFF0, 0x20 } } }, 0x20),
          "bitmap past the end" },
        { "offset and size that wrap 32 bits", Skin({ { 1, 0, 0, 1, 1, { 0x7FFFFFFF } } }, 4, -1, 12 + 56),
          "bitmap past the end" },
    };
    Put32(cases[2].file, 8, -3);   // a count whose sign bit is set
    for (const auto& c : cases) {
        Parsed p = Parse(c.file);
        EXPECT_EQ(p.ret, 0) << c.name;
        EXPECT_TRUE(p.dir.empty()) << c.name;
        EXPECT_NE(Log().find(std::string("LoadSkin::err::") + c.reason), std::string::npos) << c.name;
    }
}

TEST_F(SkinFile, EveryCutAndEveryDamagedWordKeepsTheBitmapsInsideTheFile)
{
    std::string good = Skin({ { 0, 0, 0, 640, 300, { 30 } },
                              { 57, 1, 2, 3, 4, { 5, 6, 0, 7, 0, 0, 0, 0, 8 } },
                              { 3, 600, 30, 20, 20, { 3, 3, 3, 3, 3, 99, 99, 99, 99 } } },
                            30 + 26 + 15);
    ASSERT_EQ(Parse(good).ret, 1);
    auto inside = [](const Parsed& p, size_t n) {
        for (const auto& e : p.dir) {
            for (int s = 0; s < 12; s++) {
                if (e.lSize[s] < 0) return false;
                if (e.lSize[s] > 0 && (e.lOffset[s] < 0 || static_cast<size_t>(e.lOffset[s]) + e.lSize[s] > n))
                    return false;
            }
        }
        return true;
    };
    for (size_t n = 0; n < good.size(); n++) {
        Parsed p = Parse(good.substr(0, n));
        EXPECT_EQ(p.ret, 0) << "cut at " << n;   // the last bitmap ends at the file's end
        EXPECT_TRUE(p.dir.empty());
    }
    // Each word of header and directory set to values at the edges.
    const int32_t values[] = { 0, -1, 1, 0x7FFFFFFF, INT32_MIN, 0x10000, 12 + 56 * 3, static_cast<int32_t>(good.size()) };
    for (size_t at = 0; at < 12 + 56 * 3; at += 4) {
        for (int32_t v : values) {
            std::string f = good;
            Put32(f, at, v);
            Parsed p = Parse(f);
            EXPECT_TRUE(inside(p, f.size())) << "word at " << at << " = " << v;
            if (p.ret == 0) {
                EXPECT_TRUE(p.dir.empty());
            }
        }
    }
}

}  // namespace

namespace {

int32_t Get32(const std::string& s, size_t at)
{
    uint32_t u = 0;
    for (int i = 3; i >= 0; i--) u = u << 8 | static_cast<unsigned char>(s[at + i]);
    int32_t v;
    std::memcpy(&v, &u, 4);
    return v;
}

// The skin and layouts that the build draws for the launcher: every image
// the main screen and the rows use is there with its slots, each an 8-bit
// BMP file of the size its entry gives, and the rows' layouts fit the list.
TEST(ProjectSkin, HoldsEveryImageTheMainScreenAndTheRowsDraw)
{
    std::string file = ReadAll(std::string(SKIN_DIR) + "/skin.bin");
    Parsed p = Parse(file);
    ASSERT_EQ(p.ret, 1);
    std::map<int, SkinDirIf> byType;
    for (const auto& e : p.dir) {
        EXPECT_EQ(byType.count(e.imgType), 0u) << "type " << e.imgType << " twice";
        byType[e.imgType] = e;
        for (int s = 0; s < 12; s++) {
            if (e.lSize[s] == 0) continue;
            std::string bmp = file.substr(e.lOffset[s], e.lSize[s]);
            EXPECT_EQ(bmp.substr(0, 2), "BM") << e.imgType << "/" << s;
            EXPECT_EQ(Get32(bmp, 2), e.lSize[s]) << e.imgType << "/" << s;
            EXPECT_EQ(bmp[28], 8) << e.imgType << "/" << s << ": bits per pixel";
            if (s != SCSKIN_SLOT_MASK && e.imgType != 0 && e.w > 0 && e.imgType != 52 && e.imgType != 8) {
                EXPECT_EQ(Get32(bmp, 18), e.w) << e.imgType << "/" << s;
                EXPECT_EQ(Get32(bmp, 22), e.h) << e.imgType << "/" << s;
            }
        }
    }
    ASSERT_EQ(byType.count(0), 1u);
    EXPECT_GT(byType[0].lSize[0], 640 * 300);
    const std::string bg = file.substr(byType[0].lOffset[0], 64);
    EXPECT_EQ(Get32(bg, 18), 640);
    EXPECT_EQ(Get32(bg, 22), 300);
    struct Need { int type; std::vector<int> slots; };
    const std::vector<int> states = { 0, 1, 2, 3, 4 }, frames = { 0, 5, 6, 7, 8, 9, 10, 11, 4 };
    const Need needs[] = {
        { 1, states }, { 3, states }, { 46, states }, { 47, states }, { 55, states }, { 67, states },
        { 8, {} }, { 10, {} }, { 52, { 0, 1 } }, { 53, states }, { 54, states },
        { 33, { 0, 2, 3 } }, { 34, { 0, 2, 3 } }, { 35, { 1, 4 } },
        { 39, states }, { 40, states }, { 41, states }, { 42, states }, { 51, states }, { 68, states },
        { 57, frames }, { 58, frames }, { 59, frames }, { 69, frames }, { 70, frames }, { 71, frames },
        { 60, { 0, 4 } }, { 61, { 0, 4 } }, { 62, { 0, 4 } },
        { 63, { 1, 4 } }, { 64, { 1, 4 } }, { 65, { 1, 4 } }, { 66, { 1, 4 } }, { 75, { 0 } },
    };
    for (const auto& n : needs) {
        ASSERT_EQ(byType.count(n.type), 1u) << "type " << n.type;
        for (int s : n.slots) EXPECT_GT(byType[n.type].lSize[s], 0) << n.type << "/" << s;
    }

    LIST lcs, lcd, lcm;
    for (LIST* l : { &lcs, &lcd, &lcm }) LIST_Init(l);
    const std::pair<const char*, LIST*> files[] = { { "lcs", &lcs }, { "lcd", &lcd }, { "lcm", &lcm } };
    for (const auto& f : files) {
        std::string raw = ReadAll(std::string(SKIN_DIR) + "/" + f.first + ".bin");
        std::vector<char> buf(raw.begin(), raw.end());
        buf.push_back(0);
        SCLAYOUT_Parse(f.second, CMNFILE_MakeText(buf.data(), static_cast<int>(raw.size()), 1).pText);
        EXPECT_GT(LIST_GetCnt(f.second), 1) << f.first;
        for (int i = 0; i < LIST_GetCnt(f.second); i++) {
            EXPECT_NE(SCLAYOUT_GetAt(f.second, i)->type, eSCLD_IDTYPE_MAX) << f.first << " item " << i;
        }
    }
    // The rows fill the list's width beside its scroll bar; the expanded row
    // is the height the list's refill gives it.
    ASSERT_NE(SCLAYOUT_FindRowBg(&lcs), nullptr);
    ASSERT_NE(SCLAYOUT_FindRowBg(&lcd), nullptr);
    EXPECT_EQ(SCLAYOUT_FindRowBg(&lcs)->w, byType[33].w);
    EXPECT_EQ(SCLAYOUT_FindRowBg(&lcs)->h, byType[33].h);
    EXPECT_EQ(SCLAYOUT_FindRowBg(&lcd)->h, 125);
    EXPECT_EQ(SCLAYOUT_FindRowBg(&lcd)->h, byType[34].h);
    EXPECT_LE(SCLAYOUT_FindRowBg(&lcs)->w + 16, byType[8].w);
    EXPECT_EQ(SCLAYOUT_Find(&lcm, eSCLD_IDTYPE_BG)->w, byType[52].w);
    for (int t : { 3, 18, 19, 26, 27, 31, 32, 33 }) EXPECT_NE(SCLAYOUT_Find(&lcm, t), nullptr) << t;
    // Every item of a row lies inside the row.
    for (LIST* l : { &lcs, &lcd }) {
        const LayoutIf* bg = SCLAYOUT_FindRowBg(l);
        for (int i = 0; i < LIST_GetCnt(l); i++) {
            const LayoutIf* it = SCLAYOUT_GetAt(l, i);
            EXPECT_TRUE(it->x >= 0 && it->y >= 0 && it->x + it->w <= bg->w && it->y + it->h <= bg->h)
                << "item " << it->type;
        }
    }
    for (LIST* l : { &lcs, &lcd, &lcm }) LIST_Free(l);
}

}  // namespace

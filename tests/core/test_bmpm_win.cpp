#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bmpm.h"
#include "testdir.h"

namespace {

// A bitmap file of the given depth, written by the test: file header,
// 40-byte info header, colour table, bottom-up rows padded to 4 bytes.
std::string MakeBmpFile(int w, int h, int bits, int colors, int clrUsedField = -1)
{
    int stride = ((w * bits + 31) / 32) * 4;
    int table = bits <= 8 ? colors * 4 : 0;
    std::string f(14 + 40 + table + stride * h, '\0');
    auto put16 = [&](int at, int v) { f[at] = char(v & 255); f[at + 1] = char((v >> 8) & 255); };
    auto put32 = [&](int at, int v) { for (int i = 0; i < 4; i++) f[at + i] = char((v >> (8 * i)) & 255); };
    f[0] = 'B'; f[1] = 'M';
    put32(2, static_cast<int>(f.size()));
    put32(10, 14 + 40 + table);
    put32(14, 40); put32(18, w); put32(22, h); put16(26, 1); put16(28, bits);
    put32(46, clrUsedField >= 0 ? clrUsedField : (bits <= 8 ? colors : 0));
    for (int i = 0; i < colors && bits <= 8; i++) {
        f[54 + i * 4] = char(i);           // blue
        f[54 + i * 4 + 1] = char(255 - i); // green
        f[54 + i * 4 + 2] = char(i * 3);   // red
    }
    for (int y = 0; y < h; y++) for (int x = 0; x < w; x++) {
        if (bits == 8) f[54 + table + y * stride + x] = char((x + y) % colors);
    }
    return f;
}

// A 32-bit DIB section from rows of colours (top row first), as COLORREFs.
HBITMAP MakeDib(const std::vector<std::vector<COLORREF>>& rows)
{
    int h = static_cast<int>(rows.size()), w = static_cast<int>(rows[0].size());
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;   // top-down: the source's own orientation must not matter
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP hb = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    DWORD* p = static_cast<DWORD*>(bits);
    for (int y = 0; y < h; y++) for (int x = 0; x < w; x++) {
        COLORREF c = rows[y][x];
        p[y * w + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }
    return hb;
}

HRGN RectsRegion(const std::vector<RECT>& rects)
{
    HRGN r = CreateRectRgn(0, 0, 0, 0);
    for (const RECT& rc : rects) {
        HRGN one = CreateRectRgn(rc.left, rc.top, rc.right, rc.bottom);
        CombineRgn(r, r, one, RGN_OR);
        DeleteObject(one);
    }
    return r;
}

const COLORREF K = RGB(0, 0, 0), R = RGB(255, 0, 0), G = RGB(0, 128, 0);

TEST(Region, RunsOfNonTransparentPixels)
{
    struct Case {
        const char* name;
        std::vector<std::vector<COLORREF>> rows;
        COLORREF transparent;
        std::vector<RECT> want;
    };
    const Case cases[] = {
        { "all black is empty", { { K, K, K }, { K, K, K } }, K, {} },
        { "no black: whole rows", { { R, G, R }, { G, G, G } }, K, { { 0, 0, 3, 1 }, { 0, 1, 3, 2 } } },
        { "black red red black red", { { K, R, R, K, R } }, K, { { 1, 0, 3, 1 }, { 4, 0, 5, 1 } } },
        { "another key colour", { { R, K, R }, { R, R, K } }, R, { { 1, 0, 2, 1 }, { 2, 1, 3, 2 } } },
        { "bottom-left pixel's colour", { { R, G, R }, { G, R, G } }, 0xFFFFFFFF, { { 0, 0, 1, 1 }, { 2, 0, 3, 1 }, { 1, 1, 2, 2 } } },
    };
    for (const auto& c : cases) {
        HBITMAP hb = MakeDib(c.rows);
        HRGN got = CreateRgnFromBmp(hb, c.transparent);
        ASSERT_NE(got, nullptr) << c.name;
        HRGN want = RectsRegion(c.want);
        EXPECT_TRUE(EqualRgn(got, want)) << c.name;
        RECT box;
        if (c.want.empty()) {
            EXPECT_EQ(GetRgnBox(got, &box), NULLREGION) << c.name;
        }
        DeleteObject(got);
        DeleteObject(want);
        DeleteObject(hb);
    }
    EXPECT_EQ(CreateRgnFromBmp(nullptr, 0), nullptr);
}

TEST(Region, ManyRunsGiveTheSameRegionAsAllAtOnce)
{
    // A 64x64 checkerboard: 2048 runs, ten and more batches of 200.
    std::vector<std::vector<COLORREF>> rows(64, std::vector<COLORREF>(64));
    std::vector<RECT> rects;
    for (int y = 0; y < 64; y++) for (int x = 0; x < 64; x++) {
        bool on = (x + y) % 2 == 0;
        rows[y][x] = on ? R : K;
        if (on) rects.push_back({ x, y, x + 1, y + 1 });
    }
    HBITMAP hb = MakeDib(rows);
    HRGN got = CreateRgnFromBmp(hb, K);
    HRGN want = RectsRegion(rects);
    ASSERT_NE(got, nullptr);
    EXPECT_TRUE(EqualRgn(got, want));
    DeleteObject(got);
    DeleteObject(want);
    DeleteObject(hb);
}

TEST(Bitmap, LoadsEightBitImagesFromMemoryOnly)
{
    std::string good = MakeBmpFile(10, 7, 8, 16);
    BmpIf bmp = {};
    ASSERT_EQ(BMPM_LoadBmpFromMem(&bmp, good.data(), static_cast<int>(good.size()), GetDesktopWindow()), 1);
    EXPECT_NE(bmp.m_hBmp, nullptr);
    EXPECT_NE(bmp.m_hPal, nullptr);
    EXPECT_EQ(bmp.nWidth, 10);
    EXPECT_EQ(bmp.nHeight, 7);
    EXPECT_EQ(bmp.bMask, 0);
    PALETTEENTRY pe[20];
    EXPECT_EQ(GetPaletteEntries(bmp.m_hPal, 0, 20, pe), 16u);
    EXPECT_EQ(pe[5].peRed, 15);
    EXPECT_EQ(pe[5].peGreen, 250);
    EXPECT_EQ(pe[5].peBlue, 5);
    CMNFILE_FreeBmp(&bmp);
    EXPECT_EQ(bmp.m_hBmp, nullptr);

    // Everything that is not a sound 8-bit image leaves the record empty.
    std::string truncated = good.substr(0, good.size() - 3);
    std::string noMagic = good; noMagic[0] = 'X';
    std::string tooManyColours = MakeBmpFile(4, 4, 8, 16, 300);
    std::string smallHeader = good; smallHeader[14] = 12;
    struct Case { const char* name; std::string file; };
    const Case bad[] = {
        { "4-bit", MakeBmpFile(8, 8, 4, 16) }, { "24-bit", MakeBmpFile(8, 8, 24, 0) },
        { "pixels past the end", truncated }, { "no BM", noMagic }, { "over 256 colours", tooManyColours },
        { "other header form", smallHeader }, { "header only", good.substr(0, 30) },
    };
    for (const auto& c : bad) {
        BmpIf b = {};
        EXPECT_EQ(BMPM_LoadBmpFromMem(&b, c.file.data(), static_cast<int>(c.file.size()), GetDesktopWindow()), 0) << c.name;
        EXPECT_EQ(b.m_hBmp, nullptr) << c.name;
        EXPECT_EQ(b.m_hPal, nullptr) << c.name;
    }
}

TEST(ImageCache, ReadsEachFileOnceAndDeletesWhatIsNotEightBit)
{
    TestDir d;
    std::string good = d.file("good.bmp"), deep = d.file("deep.bmp");
    WriteAll(good, MakeBmpFile(5, 5, 8, 256));
    WriteAll(deep, MakeBmpFile(5, 5, 24, 0));
    ASSERT_EQ(SCCACHE_Init(), 1);
    SCCACHE_SetFolder(d.path().c_str());
    CacheImgIf* a = SCCACHE_GetImage(good.c_str());
    ASSERT_NE(a, nullptr);
    EXPECT_NE(a->bmp.m_hBmp, nullptr);
    DeleteFileA(good.c_str());
    EXPECT_EQ(SCCACHE_GetImage(good.c_str()), a);          // cached: the file is not read again
    EXPECT_NE(a->bmp.m_hBmp, nullptr);

    CacheImgIf* b = SCCACHE_GetImage(deep.c_str());
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->bmp.m_hBmp, nullptr);
    EXPECT_EQ(GetFileAttributesA(deep.c_str()), INVALID_FILE_ATTRIBUTES) << "a 24-bit capture image must be deleted";
    WriteAll(deep, MakeBmpFile(5, 5, 8, 16));               // downloaded anew
    EXPECT_EQ(SCCACHE_GetImage(deep.c_str()), b);
    EXPECT_EQ(b->bmp.m_hBmp, nullptr);                     // still the empty entry until the cache ends

    CacheImgIf* missing = SCCACHE_GetImage(d.file("none.bmp").c_str());
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(missing->bmp.m_hBmp, nullptr);
    EXPECT_EQ(SCCACHE_Fini(), 1);
    EXPECT_EQ(SCCACHE_Fini(), 0);
    ASSERT_EQ(SCCACHE_Init(), 1);
    CacheImgIf* again = SCCACHE_GetImage(deep.c_str());
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again->bmp.m_hBmp, nullptr);
    SCCACHE_Fini();
    SCCACHE_SetFolder(nullptr);
}

// Only files of the cache folder are removed: a path that reaches out of it
// (a capture path of "..\\" parts) or lies elsewhere keeps its file.
TEST(ImageCache, DeletesBadFilesOnlyInsideTheCacheFolder)
{
    TestDir d;
    CreateDirectoryA(d.file("cache").c_str(), nullptr);
    std::string out = d.file("REG.DAT"), climb = d.file("cache\\..\\REG.DAT"), in = d.file("cache\\bad.bmp");
    WriteAll(out, "store");
    WriteAll(in, "not a bitmap");
    ASSERT_EQ(SCCACHE_Init(), 1);
    SCCACHE_SetFolder(d.file("cache\\").c_str());
    EXPECT_EQ(SCCACHE_GetImage(climb.c_str())->bmp.m_hBmp, nullptr);
    EXPECT_EQ(SCCACHE_GetImage(out.c_str())->bmp.m_hBmp, nullptr);
    EXPECT_EQ(ReadAll(out), "store");
    EXPECT_EQ(SCCACHE_GetImage(in.c_str())->bmp.m_hBmp, nullptr);
    EXPECT_EQ(GetFileAttributesA(in.c_str()), INVALID_FILE_ATTRIBUTES);
    SCCACHE_Fini();
    SCCACHE_SetFolder(nullptr);
}

}  // namespace

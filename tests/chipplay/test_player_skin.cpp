// The music player's built-in skin: the description parses, every part the
// windows cut from a picture lies inside that picture, and every cell of a
// button grid has a colour of its own (captures tell the cells apart).
#include "test_system.h"

#include "Config.h"
#include "StdFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

const std::string kDir = PLAYER_ART_DIR "/";

struct Bitmap {
    int w = 0, h = 0, bits = 0;
    std::vector<unsigned char> bytes;
    size_t offset = 0;
    // The colour at (x, y) from the top, as 0xRRGGBB (24-bit bottom-up rows).
    unsigned Pixel(int x, int y) const
    {
        size_t stride = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
        size_t at = offset + static_cast<size_t>(h - 1 - y) * stride + static_cast<size_t>(x) * 3;
        return (unsigned{bytes[at + 2]} << 16) | (unsigned{bytes[at + 1]} << 8) | bytes[at];
    }
};

unsigned Le(const std::vector<unsigned char>& b, size_t at, int n)
{
    unsigned v = 0;
    for (int i = n - 1; i >= 0; i--) v = (v << 8) | b[at + static_cast<size_t>(i)];
    return v;
}

Bitmap Load(const std::string& name)
{
    Bitmap bmp;
    std::ifstream f(kDir + name + ".bmp", std::ios::binary);
    bmp.bytes.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    if (bmp.bytes.size() < 54 || bmp.bytes[0] != 'B' || bmp.bytes[1] != 'M') return bmp;
    bmp.offset = Le(bmp.bytes, 10, 4);
    bmp.w = static_cast<int>(Le(bmp.bytes, 18, 4));
    bmp.h = static_cast<int>(Le(bmp.bytes, 22, 4));
    bmp.bits = static_cast<int>(Le(bmp.bytes, 28, 2));
    size_t stride = (static_cast<size_t>(bmp.w) * 3 + 3) / 4 * 4;
    if (bmp.offset + stride * static_cast<size_t>(bmp.h) > bmp.bytes.size()) bmp.w = bmp.h = 0;
    return bmp;
}

struct Skin {
    TestSystemScope sys;
    Config cfg;
    bool loaded = false;
    Skin()
    {
        StdFile file;
        if (file.open(kDir + "skin.txt", 1)) loaded = cfg.load(&file);
    }
    std::string Get(const char* section, const char* key) const
    {
        ConfigSection* s = cfg.getSection(section);
        return s ? s->getString(key, "") : std::string("<no section>");
    }
    std::vector<int> Numbers(const char* section, const char* key) const
    {
        int v[4] = {};
        std::string text = Get(section, key);
        int n = std::sscanf(text.c_str(), "%d,%d,%d,%d", &v[0], &v[1], &v[2], &v[3]);
        return std::vector<int>(v, v + (n > 0 ? n : 0));
    }
};

TEST(PlayerSkin, EveryPictureIsA24BitBitmapOfItsSize)
{
    const std::tuple<const char*, int, int> table[] = {
        {"main_bg", 541, 285},     {"sys_btn", 24, 48},         {"main_btn", 600, 96},    {"main_wave", 128, 64},
        {"main_spect", 64, 64},    {"main_stat", 16, 80},       {"keyboard_bg", 541, 282}, {"keyboard_kbd", 35, 224},
        {"keyboard_trk", 1024, 608}, {"level_bg", 541, 172},    {"level_ch", 660, 192},   {"level_chip", 1110, 128},
        {"level_lvl", 480, 64},    {"level_pan", 30, 200},
    };
    for (const auto& [name, w, h] : table) {
        Bitmap bmp = Load(name);
        EXPECT_EQ(bmp.bits, 24) << name;
        EXPECT_EQ(bmp.w, w) << name;
        EXPECT_EQ(bmp.h, h) << name;
    }
}

TEST(PlayerSkin, DescriptionLoadsWithEverySectionAndParsesAsTheWindowsReadIt)
{
    Skin skin;
    ASSERT_TRUE(skin.loaded);
    EXPECT_TRUE(skin.sys->errors().empty());
    for (const char* s : {"sys_skin", "main_pos", "main_skin", "main_color", "keyboard_pos", "keyboard_skin",
                          "level_pos", "level_skin"})
        EXPECT_NE(skin.cfg.getSection(s), nullptr) << s;
    // The trailing comma of the display's rectangle is read past, as "%d,%d,%d,%d" does.
    EXPECT_EQ(skin.Get("main_pos", "disp"), "127,61,316,75,");
    EXPECT_EQ(skin.Numbers("main_pos", "disp"), (std::vector<int>{127, 61, 316, 75}));
    EXPECT_EQ(skin.Numbers("main_color", "tempo"), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(skin.Numbers("main_skin", "cfg"), (std::vector<int>{528, 0}));
    EXPECT_EQ(skin.cfg.getSection("keyboard_skin")->getInt("msm6258", -1), 37);
    EXPECT_EQ(skin.cfg.getSection("level_skin")->getInt("rhythm", -1), 16);
}

// Each button's grid (its size from main_pos, four state rows, its variants
// across) lies inside main_btn.bmp, and no two cells of the main and system
// buttons share a colour.
TEST(PlayerSkin, ButtonGridsFitTheirPicturesAndEveryCellHasItsOwnColour)
{
    Skin skin;
    ASSERT_TRUE(skin.loaded);
    Bitmap btn = Load("main_btn"), sys = Load("sys_btn");
    ASSERT_GT(btn.w, 0);
    ASSERT_GT(sys.w, 0);
    std::set<unsigned> colours;
    size_t cells = 0;
    auto grid = [&](const Bitmap& bmp, const char* skinSection, const char* key, int variants) {
        std::vector<int> pos = skin.Numbers("main_pos", key), at = skin.Numbers(skinSection, key);
        ASSERT_EQ(pos.size(), 4u) << key;
        ASSERT_EQ(at.size(), 2u) << key;
        EXPECT_LE(at[0] + pos[2] * variants, bmp.w) << key;
        EXPECT_LE(at[1] + pos[3] * 4, bmp.h) << key;
        for (int v = 0; v < variants; v++)
            for (int state = 0; state < 4; state++) {
                colours.insert(bmp.Pixel(at[0] + pos[2] * v + 2, at[1] + pos[3] * state + 2));
                cells++;
            }
    };
    grid(sys, "sys_skin", "close", 1);
    grid(sys, "sys_skin", "minimize", 1);
    grid(btn, "main_skin", "play", 2);
    for (const char* key : {"stop", "rec", "tmin", "tdec", "trst", "tinc", "tmax", "dsp", "kbd", "lvl", "cfg"})
        grid(btn, "main_skin", key, 1);
    EXPECT_EQ(colours.size(), cells);
}

// The side windows cut a row (keyboard) or a column (level meter) per
// channel from the chip's first cell on: the last channel of every chip
// still lies inside its picture, and every chip's first cell is distinct.
TEST(PlayerSkin, EveryChipsChannelCellsLieInsideTheSidePictures)
{
    Skin skin;
    ASSERT_TRUE(skin.loaded);
    Bitmap trk = Load("keyboard_trk"), chip = Load("level_chip"), ch = Load("level_ch"), kbd = Load("keyboard_kbd");
    std::vector<int> kbdPos = skin.Numbers("keyboard_pos", "kbd"), trkPos = skin.Numbers("keyboard_pos", "trk");
    std::vector<int> chipPos = skin.Numbers("level_pos", "chip"), chPos = skin.Numbers("level_pos", "ch");
    ASSERT_EQ(kbdPos.size(), 4u);
    ASSERT_EQ(trkPos.size(), 4u);
    ASSERT_EQ(chipPos.size(), 4u);
    ASSERT_EQ(chPos.size(), 4u);
    const int rowH = kbdPos[3];
    EXPECT_EQ(kbd.h, 14 * rowH);   // idle, twelve keys down, muted
    const std::tuple<const char*, int> chips[] = {{"ym2203", 6}, {"ym2608", 16}, {"ym2151", 8},
                                                  {"ym2149", 3}, {"ay38910", 3}, {"msm6258", 1}};
    std::set<unsigned> firstCells;
    for (const auto& [key, channels] : chips) {
        int row = skin.cfg.getSection("keyboard_skin")->getInt(key, -1);
        int col = skin.cfg.getSection("level_skin")->getInt(key, -1);
        EXPECT_LE((row + channels) * rowH, trk.h) << key;
        EXPECT_LE(8 * trkPos[2], trk.w) << key;   // four check-box cells, checked and not
        EXPECT_LE((col + channels) * chipPos[2], chip.w) << key;
        EXPECT_LE(8 * chipPos[3], chip.h) << key;
        firstCells.insert(trk.Pixel(2, row * rowH + 2));
    }
    EXPECT_EQ(firstCells.size(), 6u);
    const std::tuple<const char*, int> kinds[] = {{"fm", 8}, {"ssg", 3}, {"psg", 3}, {"adpcm", 1}, {"rhythm", 6}};
    for (const auto& [key, cells] : kinds) {
        int first = skin.cfg.getSection("level_skin")->getInt(key, -1);
        EXPECT_LE((first + cells) * chPos[2], ch.w) << key;
        EXPECT_LE(8 * chPos[3], ch.h) << key;
    }
}

}  // namespace

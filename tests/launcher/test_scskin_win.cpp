// The skin file loaded into bitmaps: the project's own skin, a damaged copy
// of it and a bitmap the loader cannot take.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "log.h"
#include "scskin.h"
#include "testdir.h"

namespace {

struct Skin : ::testing::Test {
    TestDir dir;
    HWND hWnd = nullptr;
    LIST skin;
    void SetUp() override
    {
        LOG_Close();
        hWnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(hWnd, nullptr);
        LIST_Init(&skin);
    }
    void TearDown() override
    {
        SCSKIN_FreeImage(&skin);
        DestroyWindow(hWnd);
    }
    std::string Log()
    {
        LOG_Close();
        return Inverted(ReadAll(dir.file("tiv_launcher.log")));
    }
    std::string ProjectSkin() { return ReadAll(std::string(SKIN_DIR) + "/skin.bin"); }
};

TEST_F(Skin, TheProjectsSkinLoadsEverySlotItsEntriesGive)
{
    WriteAll(dir.file("default"), ProjectSkin());
    ASSERT_EQ(LoadSkin(&skin, dir.file("default").c_str(), hWnd), 1);
    ASSERT_GT(LIST_GetCnt(&skin), 30);

    const LiIf* bg = SCSKIN_Find(&skin, eCD_IMGTYPE_BG);
    ASSERT_NE(bg, nullptr);
    EXPECT_EQ(bg->bLoaded[0], 1);
    EXPECT_NE(bg->bmp[0].m_hBmp, nullptr);
    EXPECT_NE(bg->bmp[0].m_hPal, nullptr);
    EXPECT_EQ(bg->bmp[0].nWidth, 640);
    EXPECT_EQ(bg->bmp[0].nHeight, 300);
    for (int s = 1; s < SCSKIN_SLOTS; s++) EXPECT_EQ(bg->bLoaded[s], 0) << s;

    // An animated image: eight frames and the mask, each 72 x 22.
    const LiIf* play = SCSKIN_Find(&skin, eCD_IMGTYPE_ROW_PLAY_ANIM);
    ASSERT_NE(play, nullptr);
    for (int s = 0; s < SCSKIN_SLOTS; s++) {
        bool want = s == 0 || s >= 4;
        EXPECT_EQ(play->bLoaded[s], want ? 1 : 0) << s;
        if (!want) continue;
        EXPECT_NE(play->bmp[s].m_hBmp, nullptr) << s;
        EXPECT_EQ(play->bmp[s].nWidth, 72) << s;
        EXPECT_EQ(play->bmp[s].nHeight, 22) << s;
    }
    // A button: four states and the mask.
    const LiIf* close = SCSKIN_Find(&skin, eCD_IMGTYPE_BTN_CLOSE);
    ASSERT_NE(close, nullptr);
    for (int s = 0; s < SCSKIN_SLOTS; s++) EXPECT_EQ(close->bLoaded[s], s < 5 ? 1 : 0) << s;

    int rc[4] = { -1, -1, -1, -1 };
    EXPECT_EQ(SCSKIN_GetImageRect(rc, &skin, eCD_IMGTYPE_DOWNLOADDLG), 1);
    EXPECT_EQ(rc[0], 0);
    EXPECT_EQ(rc[1], 0);
    EXPECT_EQ(rc[2], 340);
    EXPECT_EQ(rc[3], 108);
    EXPECT_EQ(SCSKIN_GetImageRect(rc, &skin, eCD_IMGTYPE_BTN_CLOSE), 1);
    EXPECT_EQ(rc[0], close->x);
    EXPECT_EQ(rc[3], close->h);
    EXPECT_EQ(SCSKIN_GetImageRect(rc, &skin, eCD_IMGTYPE_MAX), 0);
    EXPECT_EQ(SCSKIN_Find(&skin, eCD_IMGTYPE_MAX), nullptr);
    EXPECT_EQ(SCSKIN_Find(&skin, 2), nullptr);
    std::string log = Log();
    for (const char* line : { "LoadSkin::starting\n", "LoadSkin::pass04\n", "[0]loading\n" })
        EXPECT_NE(log.find(line), std::string::npos) << line;

    SCSKIN_FreeImage(&skin);
    EXPECT_EQ(LIST_GetCnt(&skin), 0);
    LIST empty;
    LIST_Init(&empty);
    EXPECT_EQ(SCSKIN_Find(&empty, eCD_IMGTYPE_BG), nullptr);
    EXPECT_EQ(SCSKIN_GetImageRect(rc, &empty, eCD_IMGTYPE_BG), 0);
}

TEST_F(Skin, MissingAndDamagedFilesAreRefusedWithAnEmptyList)
{
    EXPECT_EQ(LoadSkin(&skin, dir.file("missing").c_str(), hWnd), 0);
    EXPECT_EQ(LIST_GetCnt(&skin), 0);
    std::string good = ProjectSkin();
    WriteAll(dir.file("cut"), good.substr(0, good.size() - 1));
    EXPECT_EQ(LoadSkin(&skin, dir.file("cut").c_str(), hWnd), 0);
    EXPECT_EQ(LIST_GetCnt(&skin), 0);
    std::string none = good.substr(0, 12);
    none[8] = none[9] = none[10] = none[11] = 0;   // no entries
    WriteAll(dir.file("none"), none);
    EXPECT_EQ(LoadSkin(&skin, dir.file("none").c_str(), hWnd), 0);
    EXPECT_EQ(LIST_GetCnt(&skin), 0);
    std::string log = Log();
    EXPECT_NE(log.find("LoadSkin::err::CMNFILE_ReadFileEx"), std::string::npos) << log;
    EXPECT_NE(log.find("LoadSkin::err::bitmap past the end"), std::string::npos) << log;
    EXPECT_NE(log.find("LoadSkin::err::image count"), std::string::npos) << log;
}

TEST_F(Skin, ABitmapThatIsNot8BitsLeavesItsSlotFlaggedButEmpty)
{
    // One entry of type 0 whose slot 0 is a 1 x 1, 24-bit bitmap.
    std::string bmp = "BM";
    auto le32 = [](std::string& s, uint32_t v) { for (int i = 0; i < 4; i++) s += static_cast<char>(v >> (8 * i)); };
    auto le16 = [](std::string& s, uint16_t v) { s += static_cast<char>(v); s += static_cast<char>(v >> 8); };
    le32(bmp, 58); le32(bmp, 0); le32(bmp, 54);
    le32(bmp, 40); le32(bmp, 1); le32(bmp, 1); le16(bmp, 1); le16(bmp, 24); le32(bmp, 0); le32(bmp, 4);
    le32(bmp, 0); le32(bmp, 0); le32(bmp, 0); le32(bmp, 0);
    bmp += std::string("\x10\x20\x30\0", 4);
    std::string file;
    le32(file, 0); le32(file, 12 + 56); le32(file, 1);
    le32(file, static_cast<uint32_t>(bmp.size()));
    for (int i = 1; i < 9; i++) le32(file, 0);
    le32(file, 0); le32(file, 0); le32(file, 0); le32(file, 1); le32(file, 1);
    file += bmp;
    WriteAll(dir.file("skin24"), file);
    ASSERT_EQ(LoadSkin(&skin, dir.file("skin24").c_str(), hWnd), 1);
    const LiIf* bg = SCSKIN_Find(&skin, eCD_IMGTYPE_BG);
    ASSERT_NE(bg, nullptr);
    EXPECT_EQ(bg->bLoaded[0], 1);
    EXPECT_EQ(bg->bmp[0].m_hBmp, nullptr);
}

TEST(SkinState, ImageTypesOfTheStates)
{
    const int want[][2] = { { 1, 43 }, { 2, 44 }, { 3, 45 }, { 0, 76 }, { 4, 76 }, { -1, 76 } };
    for (const auto& w : want) EXPECT_EQ(SCSKIN_GetStateImgType(w[0]), w[1]) << w[0];
}

}  // namespace

// The music player's resources as the program will find them: the skin
// description through a resource file (name matched without regard to
// case, bytes as the build drew them), every picture by its name, the two
// dialogs with their controls, and the product string of the version block.
#include "OsName.h"
#include "Win32ResFile.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string ControlText(HWND dlg, int id)
{
    char text[256] = "";
    GetDlgItemTextA(dlg, id, text, sizeof(text));
    return text;
}

std::string ClassOf(HWND w)
{
    char name[64] = "";
    GetClassNameA(w, name, sizeof(name));
    return name;
}

INT_PTR CALLBACK NoProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST(PlayerResources, SkinDescriptionIsFoundWhateverTheCaseOfItsName)
{
    std::ifstream f(PLAYER_ART_DIR "/skin.txt", std::ios::binary);
    std::string want((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(want.empty());
    for (const char* name : {"skin.txt", "SKIN.TXT"}) {
        Win32ResFile file;
        ASSERT_TRUE(file.open(GetModuleHandleA(nullptr), name, "TEXT")) << name;
        std::string got(static_cast<size_t>(file.size()), '\0');
        EXPECT_EQ(file.read(&got[0], static_cast<int>(got.size())), static_cast<int>(got.size()));
        EXPECT_EQ(got, want) << name;
    }
}

TEST(PlayerResources, EveryPictureLoadsByItsNameAtItsSize)
{
    struct { const char* name; int w, h; } table[] = {
        {"sys_btn.bmp", 24, 48},      {"main_bg.bmp", 541, 285},     {"main_btn.bmp", 600, 96},
        {"main_wave.bmp", 128, 64},   {"main_spect.bmp", 64, 64},    {"main_stat.bmp", 16, 80},
        {"keyboard_bg.bmp", 541, 282}, {"keyboard_kbd.bmp", 35, 224}, {"keyboard_trk.bmp", 1024, 608},
        {"level_bg.bmp", 541, 172},   {"level_ch.bmp", 660, 192},    {"level_chip.bmp", 1110, 128},
        {"level_lvl.bmp", 480, 64},   {"level_pan.bmp", 30, 200},
    };
    for (const auto& row : table) {
        HANDLE bmp = LoadImageA(GetModuleHandleA(nullptr), row.name, IMAGE_BITMAP, 0, 0, LR_SHARED);
        ASSERT_NE(bmp, nullptr) << row.name;
        BITMAP info = {};
        GetObjectA(bmp, sizeof(info), &info);
        EXPECT_EQ(info.bmWidth, row.w) << row.name;
        EXPECT_EQ(info.bmHeight, row.h) << row.name;
    }
    EXPECT_NE(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(101), IMAGE_ICON, 0, 0, LR_SHARED), nullptr);
}

TEST(PlayerResources, DialogsHoldTheirControls)
{
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    HWND cfg = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1050), nullptr, NoProc, 0);
    ASSERT_NE(cfg, nullptr);
    char caption[64] = "";
    GetWindowTextA(cfg, caption, sizeof(caption));
    EXPECT_STREQ(caption, "設定");
    EXPECT_EQ(ControlText(cfg, 1051), "演奏時間が過ぎても次の曲に進まない");
    EXPECT_EQ(ControlText(cfg, 1052), "最後の曲が終了したら先頭の曲に戻る");
    EXPECT_EQ(ControlText(cfg, IDCANCEL), "ｷｬﾝｾﾙ");
    EXPECT_EQ(GetWindowLongA(GetDlgItem(cfg, 1051), GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX);
    EXPECT_EQ(GetWindowLongA(GetDlgItem(cfg, IDOK), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    DestroyWindow(cfg);

    HWND rec = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1100), nullptr, NoProc, 0);
    ASSERT_NE(rec, nullptr);
    GetWindowTextA(rec, caption, sizeof(caption));
    EXPECT_STREQ(caption, "録音中");
    EXPECT_EQ(ControlText(rec, 1101), "録音中です");
    EXPECT_EQ(ClassOf(GetDlgItem(rec, 1102)), "msctls_progress32");
    EXPECT_EQ(SendDlgItemMessageA(rec, 1102, PBM_GETRANGE, FALSE, 0), 100);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(rec, IDOK)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(rec, IDCANCEL)));
    EXPECT_EQ(ControlText(rec, IDCANCEL), "中止");
    DestroyWindow(rec);
}

TEST(PlayerResources, ProductStringNamesThePlayer)
{
    EXPECT_EQ(ProductString(), "TIV VELQA SOUND PLAYER (1.0.0)");
}

}  // namespace

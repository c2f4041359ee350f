// Starting a game and offering the updater, in this process: the game's
// executable expanded from its ".sbn" when missing, the runner copied into
// the game's folder and started there with its command line (recorded by the
// stand-in game used as the runner), the direct start of a ROM content, the
// message when nothing is on disk, and the version check's question.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "contentslist.h"
#include "hantiv.h"
#include "sccmn.h"
#include "selcontentsdlg.h"
#include "slide.h"
#include "testdir.h"
#include "userm.h"
#include "winprobe.h"

// The launcher's folders, which the request queue linked with the shared
// screen state asks for; no request runs here.
const char* HANTIV_GetAppPath(void) { return ""; }
const char* HANTIV_GetUserPath(void) { return ""; }

namespace {

// A message box of this process (other tests' programs show boxes with the
// same caption at the same time).
struct BoxCtx { const char* caption; HWND found; };
BOOL CALLBACK FindOwnBox(HWND w, LPARAM l)
{
    auto* c = reinterpret_cast<BoxCtx*>(l);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[64] = "", text[256] = "";
    GetClassNameA(w, cls, sizeof(cls));
    GetWindowTextA(w, text, sizeof(text));
    if (pid == GetCurrentProcessId() && std::string(cls) == "#32770" && std::string(text) == c->caption &&
        IsWindowVisible(w)) {
        c->found = w;
        return FALSE;
    }
    return TRUE;
}
HWND WaitOwnBox(const char* caption)
{
    BoxCtx ctx = { caption, nullptr };
    Probe_WaitFor([&] { EnumWindows(FindOwnBox, reinterpret_cast<LPARAM>(&ctx)); return ctx.found != nullptr; },
                  20000);
    return ctx.found;
}

// Runs call() while another thread waits for the box captioned "報告" and
// presses nButton; the box's text ("" when none came) and call()'s result.
template <class F>
std::string Answered(F call, int nButton, int* pResult)
{
    std::string text;
    std::thread answer([&] {
        HWND box = WaitOwnBox("報告");
        if (box == nullptr) return;
        text = Probe_MessageBoxText(box);
        Probe_PressButton(box, nButton);
    });
    *pResult = call();
    answer.join();
    return text;
}

const std::string kGameBytes = "MZ the packed game, twice: the packed game";

struct Start : ::testing::Test {
    TestDir dir;
    std::string app, member, game;
    void SetUp() override
    {
        app = dir.file("app\\");
        member = dir.file("member\\");
        game = member + "G0001\\";
        CreateDirectoryA(app.c_str(), nullptr);
        CreateDirectoryA(member.c_str(), nullptr);
        CreateDirectoryA(game.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(Probe_HostPath(TESTGAME_EXE).c_str(), (app + "qr.exe").c_str(), FALSE));
        WriteAll(game + "game.cfg", "run=100\n");
        SCCMN_SetAppPath(app.c_str());
        SCCMN_SetStartMode(eGD_STARTMODE_LAUNCHER);
        SCCMN_SetReserveAction(eGD_RESERVETYPE_KICKGAME);
        ASSERT_EQ(CONTENTSLIST_SetUserPath(member.c_str()), 1);
        ASSERT_EQ(CONTENTSLIST_Init("tiv,,name,G0001,,,,,,,,,,,,,,,,,,,,,"), 1);
        ASSERT_EQ(CONTENTSLIST_SetPath(0, 0, 0, "G0001\\game.exe"), 1);
        CONTENTSLIST_SetType(0, eCLPD_TYPE_PLAYABLE);
        USERM_Init();
        ASSERT_TRUE(USERM_SetId("demo01", 6));
        ASSERT_TRUE(USERM_SetContentsId("G0001", 5));
    }
    void TearDown() override { CONTENTSLIST_Free(); }
    void WriteSbn()
    {
        std::vector<uint8_t> stream;
        ASSERT_TRUE(SLIDE_EncodeBuffer(kGameBytes.data(), kGameBytes.size(), stream));
        WriteAll(game + "game.sbn", std::string(stream.begin(), stream.end()));
    }
    // What the started program recorded: its command line and folder.
    std::string Record(const std::string& folder)
    {
        std::string rec;
        Probe_WaitFor([&] { rec = ReadAll(folder + "game.rec"); return rec.find("ended=") != std::string::npos; },
                      20000);
        return rec;
    }
    static std::string Field(const std::string& rec, const std::string& key)
    {
        size_t a = rec.find(key + "=[");
        if (a == std::string::npos) return "<none>";
        a += key.size() + 2;
        return rec.substr(a, rec.find("]\n", a) - a);
    }
    static std::string CurrentDir()
    {
        char s[MAX_PATH] = "";
        GetCurrentDirectoryA(sizeof(s), s);
        return s;
    }
};

TEST_F(Start, AMissingExecutableIsExpandedAndTheRunnerStartsInTheGamesFolder)
{
    WriteSbn();
    std::string before = CurrentDir();
    EXPECT_EQ(HANTIV_StartContents(0), 1);
    EXPECT_EQ(CurrentDir(), before);
    EXPECT_EQ(ReadAll(game + "game.exe"), kGameBytes);
    EXPECT_EQ(ReadAll(game + "qr.exe"), ReadAll(app + "qr.exe"));
    EXPECT_EQ(SCCMN_GetReserveAction(), eGD_RESERVETYPE_NONE);
    std::string rec = Record(game);
    EXPECT_EQ(Field(rec, "cmdline"),
              "qr.exe " + game + "game.exe mode=start,userid=demo01,productid=G0001,save=" + member + ",");
    EXPECT_EQ(Field(rec, "cwd") + "\\", game);
}

TEST_F(Start, PresentExecutableStartsAsItIsAndTheShortFormNamesOnlyTheMember)
{
    WriteAll(game + "game.exe", "present");
    WriteAll(game + "game.sbn", "not a stream");   // never read
    CONTENTSLIST_SetSlotValue(0, 0, 2);
    EXPECT_EQ(HANTIV_StartContents(0), 1);
    EXPECT_EQ(ReadAll(game + "game.exe"), "present");
    EXPECT_EQ(Field(Record(game), "cmdline"), "qr.exe " + game + "game.exe mode=start,userid=demo01,");
}

TEST_F(Start, ARomContentStartsItsExecutableDirectly)
{
    // The executable is the stand-in game itself; the runner is still copied.
    ASSERT_TRUE(CopyFileA((app + "qr.exe").c_str(), (game + "emu.exe").c_str(), FALSE));
    CONTENTSLIST_SetPath(0, 0, 0, "G0001\\emu.exe");
    CONTENTSLIST_SetPath(0, 7, 0, "roms\\a.rom");
    EXPECT_EQ(HANTIV_StartContents(0), 1);
    EXPECT_EQ(Field(Record(game), "cmdline"), "\"" + game + "emu.exe\" \"roms\\a.rom\"");
    EXPECT_FALSE(ReadAll(game + "qr.exe").empty());
}

TEST_F(Start, NothingOnDiskShowsItsMessageAndStartsNothing)
{
    int nRet = -1;
    std::string text = Answered([&] { return HANTIV_StartContents(0); }, IDOK, &nRet);
    EXPECT_EQ(nRet, 0);
    EXPECT_EQ(text, "ダウンロード済みコンテンツが存在しません。処理を中断します。(ZVQ:045)");
    // The start is over: its action ends with it, so no later click starts it again.
    EXPECT_EQ(SCCMN_GetReserveAction(), eGD_RESERVETYPE_NONE);
    EXPECT_TRUE(ReadAll(game + "qr.exe").empty());
    EXPECT_EQ(HANTIV_StartContents(5), 0);   // not in the catalogue
}

TEST_F(Start, ADamagedPackShowsTheMessageAndLeavesNoHalfWrittenGame)
{
    // A stream that promises more than it holds.
    std::vector<uint8_t> stream;
    ASSERT_TRUE(SLIDE_EncodeBuffer(kGameBytes.data(), kGameBytes.size(), stream));
    stream.resize(stream.size() - 6);
    WriteAll(game + "game.sbn", std::string(stream.begin(), stream.end()));
    int nRet = -1;
    std::string text = Answered([&] { return HANTIV_StartContents(0); }, IDOK, &nRet);
    EXPECT_EQ(nRet, 0);
    EXPECT_EQ(text, "ダウンロード済みコンテンツが存在しません。処理を中断します。(ZVQ:045)");
    EXPECT_EQ(GetFileAttributesA((game + "game.exe").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(ReadAll(game + "qr.exe").empty());
}

TEST_F(Start, TheMusicStartModeStartsNoGame)
{
    WriteAll(game + "game.exe", "present");
    SCCMN_SetStartMode(eGD_STARTMODE_SALEKZDP);
    EXPECT_EQ(HANTIV_StartContents(0), 0);
    Sleep(300);
    EXPECT_TRUE(ReadAll(game + "qr.exe").empty());
}

struct VersionCheck : Start {
    void Installed(const std::string& plain) { WriteAll(app + "ver.bin", Inverted(plain)); }
    bool ListExists() { return GetFileAttributesA((app + "version.txt").c_str()) != INVALID_FILE_ATTRIBUTES; }
    static bool QuitPosted()
    {
        MSG m;
        return PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
    }
};

TEST_F(VersionCheck, OnlyTheUpdaterDifferingAsksNothingAndTheListIsDeleted)
{
    Installed("tiv_launcher.exe,5,\r\npullagent.exe,2,\r\n");
    WriteAll(app + "version.txt", "tiv_launcher.exe,5,l.pak,\r\npullagent.exe,3,p.pak,\r\n");
    EXPECT_EQ(SCCMN_Proc_WmuRecvGetZvqVersion(nullptr, 0, 0), 1);
    EXPECT_FALSE(ListExists());
    EXPECT_FALSE(QuitPosted());
}

TEST_F(VersionCheck, ANewerClientIsOfferedAndCancelKeepsTheLauncher)
{
    Installed("tiv_launcher.exe,5,\r\n");
    WriteAll(app + "version.txt", "tiv_launcher.exe,6,l.pak,\r\n");
    int nRet = -1;
    std::string text = Answered([&] { return SCCMN_Proc_WmuRecvGetZvqVersion(nullptr, 0, 0); }, IDCANCEL, &nRet);
    EXPECT_EQ(nRet, 1);
    EXPECT_EQ(text, "最新のTIVランチャーを発見しました。\nダウンロードを行う為にいったんTIVランチャーを終了しますか？");
    EXPECT_FALSE(ListExists());
    EXPECT_FALSE(QuitPosted());
}

TEST_F(VersionCheck, WithoutTheInstalledListTheOfferedOneStays)
{
    WriteAll(app + "version.txt", "tiv_launcher.exe,6,l.pak,\r\n");
    EXPECT_EQ(SCCMN_Proc_WmuRecvGetZvqVersion(nullptr, 0, 0), 0);
    EXPECT_TRUE(ListExists());
    EXPECT_EQ(SCCMN_Proc_WmuRecvGetZvqVersion(nullptr, 1, 0), 1);   // the request failed
    EXPECT_TRUE(ListExists());
}

TEST(SlotChooserRows, EdgesBelongToTheUpperRowAndTheSidesAreInclusive)
{
    struct { int x, y, n, row; } cases[] = {
        { 20, 25, 3, 0 }, { 340, 44, 3, 0 }, { 30, 45, 3, 1 }, { 30, 70, 3, 2 }, { 30, 82, 3, 2 },
        { 30, 83, 3, -1 }, { 19, 30, 3, -1 }, { 341, 30, 3, -1 }, { 30, 24, 3, -1 }, { 30, 200, 10, 9 },
    };
    for (const auto& c : cases) EXPECT_EQ(SELCONTENTSDLG_HitRow(c.x, c.y, c.n), c.row) << c.x << "," << c.y;
}

TEST_F(Start, SeveralSoundSourcesAreOfferedAndTheClickedRowIsTheChoice)
{
    const char* names[] = { "FM音源", "PSG音源", "MIDI" };
    for (int i = 0; i < 3; i++) {
        CONTENTSLIST_SetPath(0, 6, i, ("G0001\\s" + std::to_string(i) + ".kzd").c_str());
        CONTENTSLIST_SetSentence(0, 6, i, names[i]);
    }
    ASSERT_EQ(CONTENTSLIST_GetSlotCnt(0, 6), 3);
    RECT rc = {};
    bool topmost = false, shaped = false;
    std::thread click([&] {
        HWND box = WaitOwnBox("");
        if (box == nullptr) return;
        GetWindowRect(box, &rc);
        topmost = (GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        HRGN rgn = CreateRectRgn(0, 0, 0, 0);
        shaped = GetWindowRgn(box, rgn) != ERROR && !PtInRegion(rgn, 0, 0);
        DeleteObject(rgn);
        PostMessageA(box, WM_LBUTTONDOWN, 0, MAKELPARAM(19, 70));    // left of the rows
        PostMessageA(box, WM_LBUTTONDOWN, 0, MAKELPARAM(341, 70));   // right of them
        PostMessageA(box, WM_LBUTTONDOWN, 0, MAKELPARAM(30, 90));    // below the last
        PostMessageA(box, WM_LBUTTONDOWN, 0, MAKELPARAM(30, 70));    // the third
    });
    int choice = -1;
    EXPECT_EQ(SELCONTENTSDLG_Open(&choice, 0, 6, nullptr, GetModuleHandleA(nullptr), 1), 1);
    click.join();
    EXPECT_EQ(choice, 2);
    EXPECT_EQ(rc.right - rc.left, 350);
    EXPECT_EQ(rc.bottom - rc.top, 187);
    EXPECT_EQ(rc.left, static_cast<int>(GetSystemMetrics(SM_CXSCREEN) / 2.0 - 175.0));
    EXPECT_TRUE(topmost);
    EXPECT_TRUE(shaped);
}

// Ten sound sources: the box grows by a row for each row past eight, so the
// ninth and tenth rows (below the 187-pixel picture) are inside it and
// answer a click, and the picture's bottom border is drawn below them.
TEST_F(Start, TenSoundSourcesGrowTheBoxAndItsLastRowsAreClickable)
{
    for (int i = 0; i < 10; i++) {
        CONTENTSLIST_SetPath(0, 6, i, ("G0001\\s" + std::to_string(i) + ".kzd").c_str());
        CONTENTSLIST_SetSentence(0, 6, i, ("音源" + std::to_string(i + 1)).c_str());
    }
    ASSERT_EQ(CONTENTSLIST_GetSlotCnt(0, 6), 10);
    // The picture's bottom border (its last rows below the eighth place), as
    // the box must show it below the tenth row.
    HBITMAP hBg = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(145), IMAGE_BITMAP, 0, 0,
                                                  LR_CREATEDIBSECTION));
    ASSERT_NE(hBg, nullptr);
    HDC hMem = CreateCompatibleDC(nullptr);
    HGDIOBJ hOld = SelectObject(hMem, hBg);
    const int kBorderY[] = { 181, 184 }, kBorderX[] = { 60, 175, 290 };
    COLORREF border[2][3];
    for (int j = 0; j < 2; j++)
        for (int i = 0; i < 3; i++) border[j][i] = GetPixel(hMem, kBorderX[i], kBorderY[j]);
    SelectObject(hMem, hOld);
    DeleteDC(hMem);
    DeleteObject(hBg);

    struct { int y, row; } cases[] = { { 190, 8 }, { 210, 9 } };
    for (const auto& c : cases) {
        RECT rc = {};
        bool inside = false;
        std::string shown;
        std::thread click([&] {
            HWND box = WaitOwnBox("");
            if (box == nullptr) return;
            GetWindowRect(box, &rc);
            HRGN rgn = CreateRectRgn(0, 0, 0, 0);
            inside = GetWindowRgn(box, rgn) != ERROR && PtInRegion(rgn, 30, c.y);
            DeleteObject(rgn);
            // Drawn: the border two rows lower than in the picture.
            Sleep(700);
            HDC dc = GetDC(nullptr);
            for (int j = 0; j < 2; j++)
                for (int i = 0; i < 3; i++)
                    if (GetPixel(dc, rc.left + kBorderX[i], rc.top + kBorderY[j] + 2 * 19) != border[j][i])
                        shown += std::to_string(kBorderX[i]) + "," + std::to_string(kBorderY[j]) + " ";
            ReleaseDC(nullptr, dc);
            PostMessageA(box, WM_LBUTTONDOWN, 0, MAKELPARAM(30, c.y));
        });
        int choice = -1;
        EXPECT_EQ(SELCONTENTSDLG_Open(&choice, 0, 6, nullptr, GetModuleHandleA(nullptr), 1), 1);
        click.join();
        EXPECT_EQ(choice, c.row) << "y " << c.y;
        EXPECT_EQ(rc.bottom - rc.top, 187 + 2 * 19);
        EXPECT_TRUE(inside) << "y " << c.y << " lies outside the box's shape";
        EXPECT_EQ(shown, "") << "the bottom border is not the picture's at these points";
    }
}

}  // namespace

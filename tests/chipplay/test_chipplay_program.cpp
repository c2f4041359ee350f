// chipplay.exe under Wine, started the way the launcher starts it: its
// window (class, size, rounded outline, screenshot, song list), the end that
// deletes the archive with "-d", a song played after activating its row
// (state icon, pause face, time, sound reaching the sink), the settings
// dialog, the recording dialog and every start-up error with its exact text
// in the boxes and in chipplay-error.log.
#include "sink_listen.h"
#include "testdir.h"
#include "wav_frames.h"
#include "wincapture.h"
#include "winprobe.h"
#include "zip_maker.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

const char kClass[] = "TIV VELQA SOUND PLAYER";
const char kErrorCaption[] = "TIV VELQA SOUND PLAYER (ERROR)";
const int kPhaseSongs = 9;   // player_phases: nine entries in section "title"

DWORD ExitCodeOf(HANDLE p, int timeoutMs)
{
    if (WaitForSingleObject(p, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(p, &code);
    return code;
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// An application folder as the launcher lays it out, with a member's music
// archive and a screenshot in the image cache.
class PlayerProgram : public testing::Test {
protected:
    TestDir dir;
    std::string app, playerDir, archive, shot;
    HANDLE process = nullptr;

    void SetUp() override
    {
        app = dir.path() + "app\\";
        playerDir = app + "player\\";
        CreateDirectoryA(app.c_str(), nullptr);
        CreateDirectoryA(playerDir.c_str(), nullptr);
        CreateDirectoryA((app + "cache").c_str(), nullptr);
        CreateDirectoryA((dir.path() + "member").c_str(), nullptr);
        archive = dir.path() + "member\\曲 集.kzd";   // a blank and Shift-JIS in the path
        shot = app + "cache\\shot.bmp";
        ASSERT_TRUE(CopyFileA(Probe_HostPath(std::string(MUSIC_DIR) + "/kzd/player_phases.kzd").c_str(),
                              archive.c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(Probe_HostPath(std::string(ART_DIR) + "/capture1.bmp").c_str(), shot.c_str(), FALSE));
    }
    void TearDown() override
    {
        if (process != nullptr) CloseHandle(process);
        Probe_KillAll();
    }

    // The launcher's command line, with the player's folder current.
    void Start(const std::string& args)
    {
        process = Probe_Start(Probe_HostPath(CHIPPLAY), "\"" + Probe_HostPath(CHIPPLAY) + "\" " + args, playerDir);
        ASSERT_NE(process, nullptr);
    }
    std::string LauncherArgs() { return "\"" + archive + "\" -d \"" + shot + "\""; }

    HWND MainWindow()
    {
        HWND w = Probe_WaitWindow(kClass, kClass, 30000);
        if (w == nullptr) return nullptr;
        // Shown and filled: the list holds its rows.
        HWND list = GetDlgItem(w, 1012);
        Probe_WaitFor([&] { return list != nullptr && SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0; }, 30000);
        return w;
    }

    // The text of a cell of the player's song list (its memory is the
    // player's: the request goes through a block allocated there).
    std::string Cell(HWND list, int row, int column)
    {
        const SIZE_T size = sizeof(LVITEMA) + 260;
        char* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
        if (remote == nullptr) return "<no memory>";
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = remote + sizeof(LVITEMA);
        item.cchTextMax = 260;
        WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
        SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
        char text[261] = {};
        ReadProcessMemory(process, remote + sizeof(LVITEMA), text, 260, nullptr);
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
        return text;
    }
    int Selected(HWND list)
    {
        return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    }
    void Select(HWND list, int row)
    {
        // LVM_SETITEMSTATE carries a pointer: set it through the player's memory.
        char* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, sizeof(LVITEMA), MEM_COMMIT, PAGE_READWRITE));
        LVITEMA item = {};
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
        SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    // Double-clicks a row with the mouse (the window is raised first).
    void Activate(HWND w, int row)
    {
        HWND list = GetDlgItem(w, 1012);
        Raise(w);
        SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
        RECT* remote = static_cast<RECT*>(VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE));
        RECT r = {LVIR_LABEL, 0, 0, 0};
        WriteProcessMemory(process, remote, &r, sizeof r, nullptr);
        SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
        ReadProcessMemory(process, remote, &r, sizeof r, nullptr);
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
        POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(list, &p);
        SetCursorPos(p.x, p.y);
        Sleep(100);
        for (int i = 0; i < 2; i++) {
            mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
            mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
            Sleep(50);
        }
        // Away from the controls, so no button shows its hover face.
        SetCursorPos(0, 700);
    }

    // Other tests' windows share the screen: the one looked at goes on top.
    void Raise(HWND w)
    {
        SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    // A pixel of the player's window as the screen shows it.
    COLORREF Pixel(HWND w, int x, int y)
    {
        POINT p = {x, y};
        ClientToScreen(w, &p);
        HDC screen = GetDC(nullptr);
        COLORREF c = GetPixel(screen, p.x, p.y);
        ReleaseDC(nullptr, screen);
        return c;
    }
    // A pixel of one of the player's built-in pictures.
    static COLORREF ArtPixel(const std::string& picture, int x, int y)
    {
        std::string path = Probe_HostPath(std::string(ART_DIR) + "/" + picture);
        HBITMAP bmp = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
        if (bmp == nullptr) return CLR_INVALID;
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bmp);
        COLORREF c = GetPixel(dc, x, y);
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bmp);
        return c;
    }
    // A checksum of a rectangle of the window as shown.
    unsigned long Area(HWND w, int x, int y, int width, int height)
    {
        unsigned long sum = 0;
        for (int j = 0; j < height; j += 2)
            for (int i = 0; i < width; i += 2) sum = sum * 31 + Pixel(w, x + i, y + j);
        return sum;
    }

    // The play time counts: the time strip (345, 144, 98 x 16) changes from
    // what it showed and then again.
    bool TimeCounts(HWND w, unsigned long before)
    {
        unsigned long seen = before;
        int changes = 0;
        Probe_WaitFor([&] {
            unsigned long now = Area(w, 345, 144, 98, 16);
            if (now != seen) changes++;
            seen = now;
            return changes >= 2;
        }, 20000);
        return changes >= 2;
    }

    // Every error box in the order they came (each answered with OK) until
    // the program ends; its exit code.
    DWORD AnswerBoxes(std::vector<std::string>* texts)
    {
        for (int waited = 0; waited < 60000;) {
            if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) break;
            HWND box = Probe_WaitWindow("#32770", kErrorCaption, 500);
            if (box == nullptr) {
                waited += 500;
                continue;
            }
            texts->push_back(Probe_MessageBoxText(box));
            Probe_PressButton(box, IDOK);
            Probe_WaitFor([&] { return !IsWindow(box); }, 10000);
        }
        return ExitCodeOf(process, 30000);
    }
};

TEST_F(PlayerProgram, StartsAsTheLauncherStartsItAndTheEndDeletesTheArchive)
{
    Start(LauncherArgs());
    HWND w = MainWindow();
    ASSERT_NE(w, nullptr) << "no main window";
    RECT r;
    GetClientRect(w, &r);
    EXPECT_EQ(r.right - r.left, 542);
    EXPECT_EQ(r.bottom - r.top, 286);
    EXPECT_EQ(GetWindowLongA(w, GWL_STYLE) & (WS_POPUP | WS_CAPTION), WS_POPUP);
    RECT outline;
    EXPECT_EQ(GetWindowRgnBox(w, &outline), COMPLEXREGION);   // the rounded corners
    EXPECT_EQ(outline.right, 541);   // a round rectangle leaves out its right and bottom edge
    EXPECT_EQ(outline.bottom, 285);

    // Song list: every entry with its time; one without a title or length.
    HWND list = GetDlgItem(w, 1012);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), kPhaseSongs);
    EXPECT_EQ(Cell(list, 0, 0), "三段の曲");
    EXPECT_EQ(Cell(list, 0, 1), "0:00");    // 300 ms
    EXPECT_EQ(Cell(list, 4, 0), "四十分の曲");
    EXPECT_EQ(Cell(list, 4, 1), "40:00");
    EXPECT_EQ(Cell(list, 5, 0).substr(0, 5), "a/b:c");   // the list shows the title as it is
    // Past 255 bytes it is cut between characters: 12 single-byte ones, then
    // double-byte ones, so the list keeps 254 bytes, not a lone lead byte.
    EXPECT_EQ(Cell(list, 5, 0).size(), 254u);
    EXPECT_EQ(Cell(list, 6, 0), "UNKNOWN");
    EXPECT_EQ(Cell(list, 6, 1), "0:00");
    EXPECT_EQ(Selected(list), 0);

    // The screenshot and the background, as drawn.
    Raise(w);
    EXPECT_TRUE(Probe_WaitFor([&] { return Pixel(w, 25 + 50, 61 + 70) == ArtPixel("capture1.bmp", 50, 70); },
                              10000));
    EXPECT_TRUE(Probe_WaitFor([&] { return Pixel(w, 300, 10) == ArtPixel("player/main_bg.bmp", 300, 10); }, 10000));
    // The stopped state's icon.
    EXPECT_TRUE(Probe_WaitFor([&] { return Pixel(w, 25 + 8, 144 + 8) == ArtPixel("player/main_stat.bmp", 8, 2 * 16 + 8); },
                              10000));

    PostMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(ExitCodeOf(process, 30000), 0u);
    EXPECT_FALSE(Exists(archive)) << "-d: the archive goes when the player ends";
    EXPECT_TRUE(Exists(shot));
    EXPECT_FALSE(Exists(playerDir + "chipplay-error.log")) << ReadAll(playerDir + "chipplay-error.log");
}

TEST_F(PlayerProgram, WithoutDeleteFlagTheArchiveStays)
{
    Start("\"" + archive + "\" \"" + shot + "\"");
    HWND w = MainWindow();
    ASSERT_NE(w, nullptr);
    HWND close = GetDlgItem(w, 2000);
    ASSERT_NE(close, nullptr);
    PostMessageA(w, WM_COMMAND, 2000, reinterpret_cast<LPARAM>(close));   // the close button
    EXPECT_EQ(ExitCodeOf(process, 30000), 0u);
    EXPECT_TRUE(Exists(archive));
}

TEST_F(PlayerProgram, AMissingScreenshotIsReportedAndTheWindowStillOpens)
{
    Start("\"" + archive + "\" -d \"" + app + "cache\\none.bmp\"");
    HWND box = Probe_WaitWindow("#32770", kErrorCaption, 30000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Probe_MessageBoxText(box), "[MainWindow]スクリーンショット画像がロードできません(" + app + "cache\\none.bmp)\n");
    Probe_PressButton(box, IDOK);
    HWND w = MainWindow();
    ASSERT_NE(w, nullptr);
    PostMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(ExitCodeOf(process, 30000), 0u);
    EXPECT_FALSE(Exists(archive));
}

// Start-up errors: each message in its box and in the log, in order, then
// the program's own, and exit code -1.
class PlayerStartErrors : public PlayerProgram {
protected:
    // archive: "absent", "no-config" (a folder without config.txt), "phases"
    // (the good archive) or a folder of the hostile archives.
    void ExpectStartFails(const std::string& which, const char* skinText, std::vector<std::string> expected)
    {
        std::string data;
        if (which == "absent") {
            data = dir.path() + "member\\absent.kzd";
        } else if (which == "no-config") {
            data = dir.path() + "member\\noconfig";
            CreateDirectoryA(data.c_str(), nullptr);
            WriteAll(data + "\\tune.bin", "tune");
        } else if (which == "phases") {
            data = archive;
        } else {
            data = Probe_HostPath(std::string(HOSTILE_DIR) + "/" + which);
        }
        if (skinText != nullptr) {
            CreateDirectoryA((playerDir + "skin").c_str(), nullptr);
            WriteAll(playerDir + "skin\\skin.txt", skinText);
        }
        Start("\"" + data + "\" \"" + shot + "\"");
        std::vector<std::string> texts;
        EXPECT_EQ(AnswerBoxes(&texts), static_cast<DWORD>(-1));
        expected.push_back("[Main]プレイヤの初期化に失敗しました\n");
        EXPECT_EQ(texts, expected);
        // The log file has the same lines in the same order (with CR LF).
        std::string log;
        for (char ch : ReadAll(playerDir + "chipplay-error.log"))
            if (ch != '\r') log += ch;
        size_t at = 0;
        for (const std::string& m : expected) {
            size_t found = log.find(m, at);
            EXPECT_NE(found, std::string::npos) << m << " after offset " << at << " in\n" << log;
            if (found != std::string::npos) at = found + m.size();
        }
    }
};

const char kNoMainPos[] = "[sys_skin]\nclose=\"0,0\"\n[main_skin]\nplay=\"0,0\"\n";
const char kNoSysSkin[] = "[main_pos]\nclose=\"509,5,12,12\"\n[main_skin]\nplay=\"0,0\"\n";
const char kNoMainSkin[] = "[main_pos]\nclose=\"509,5,12,12\"\n[sys_skin]\nclose=\"0,0\"\n";
const char kUnreadableSkin[] = "[main_pos\nclose=\"509,5,12,12\n";
const char kWindowFailed[] = "[MainWindow]ウィンドウの生成に失敗しました\n";
const char kUiFailed[] = "[Player]UIの初期化に失敗しました\n";

TEST_F(PlayerStartErrors, NoArchive)
{
    ExpectStartFails("absent", nullptr, {"[Player]データファイルが見つかりません\n"});
}

TEST_F(PlayerStartErrors, NoConfigTxt)
{
    ExpectStartFails("no-config", nullptr, {"[Player]設定ファイルが見つかりません\n"});
}

TEST_F(PlayerStartErrors, HostileConfigs)
{
    ExpectStartFails("config-unterminated-quote", nullptr,
                     {"[Config]エントリの値に誤りがあります(line 4)\n", "[Player]設定ファイルの読み込みに失敗しました\n"});
}

TEST_F(PlayerStartErrors, BinaryGarbageConfig)
{
    ExpectStartFails("config-binary-garbage", nullptr,
                     {"[Config]セクションの定義に誤りがあります(line 1)\n", "[Player]設定ファイルの読み込みに失敗しました\n"});
}

TEST_F(PlayerStartErrors, UnknownDriver)
{
    ExpectStartFails("config-unknown-driver", nullptr,
                     {"[VM]ドライバの生成に失敗しました(pc88/opna/compatx)\n", "[Player]仮想マシンの初期化に失敗しました\n"});
}

TEST_F(PlayerStartErrors, SkinWithoutMainPos)
{
    ExpectStartFails("phases", kNoMainPos, {"[MainWindow]main_posセクションが取得できません\n", kWindowFailed, kUiFailed});
}

TEST_F(PlayerStartErrors, SkinWithoutSysSkin)
{
    ExpectStartFails("phases", kNoSysSkin, {"[MainWindow]sys_skinセクションが取得できません\n", kWindowFailed, kUiFailed});
}

TEST_F(PlayerStartErrors, SkinWithoutMainSkin)
{
    ExpectStartFails("phases", kNoMainSkin, {"[MainWindow]main_skinセクションが取得できません\n", kWindowFailed, kUiFailed});
}

TEST_F(PlayerStartErrors, UnreadableSkin)
{
    ExpectStartFails("phases", kUnreadableSkin, {"[Config]セクションの定義に誤りがあります(line 1)\n",
                                                 "[MainWindow]skin設定ファイルの読み込みに失敗しました\n", kUiFailed});
}

TEST_F(PlayerProgram, AFailedStartWithDeleteFlagStillDeletesTheArchive)
{
    // Zips whose config.txt cannot be read: the archive opens, the start
    // fails with the damaged-archive error and "-d" still deletes it. A
    // member whose directory claims nearly 2 GB over a tiny stored body
    // once ended the 32-bit program in an assertion box, the archive kept.
    struct Row {
        const char* name;
        bool compressed;
        bool (*damage)(const std::string&);
    } rows[] = {
        {"damaged.kzd", true, DamageFirstMember},
        {"claims-2gb.kzd", false, [](const std::string& p) { return DeclareFirstMemberSize(p, 0x7FFFFFF0); }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::string damaged = dir.path() + "member\\" + r.name;
        ASSERT_TRUE(MakeZip(damaged, {{"config.txt", std::string(4000, ';') + "\n[info]\n", r.compressed}}));
        ASSERT_TRUE(r.damage(damaged));
        if (process != nullptr) CloseHandle(process);
        Start("\"" + damaged + "\" -d \"" + shot + "\"");
        std::vector<std::string> texts;
        EXPECT_EQ(AnswerBoxes(&texts), static_cast<DWORD>(-1));
        EXPECT_EQ(texts, std::vector<std::string>({"[Player]設定ファイルの読み込みに失敗しました\n",
                                                   "[Main]プレイヤの初期化に失敗しました\n"}));
        EXPECT_FALSE(Exists(damaged));
    }
}

// The screen is looked at: these take the "player_screen" lock.
class PlayerScreen : public PlayerProgram {};

TEST_F(PlayerScreen, ActivatingARowPlaysItWithPauseFaceStateIconAndTime)
{
    Start(LauncherArgs());
    HWND w = MainWindow();
    ASSERT_NE(w, nullptr);
    Raise(w);
    unsigned long stoppedTime = Area(w, 345, 144, 98, 16);
    int peak = LoudestHeard([&] {
        Activate(w, 4);   // the forty-minute song
        // The state icon of "play" and the play button's pause face.
        EXPECT_TRUE(Probe_WaitFor([&] {
            return Pixel(w, 25 + 8, 144 + 8) == ArtPixel("player/main_stat.bmp", 8, 1 * 16 + 8);
        }, 20000)) << "no play icon";
        EXPECT_TRUE(Probe_WaitFor([&] {
            return Pixel(w, 127 + 3, 21 + 3) == ArtPixel("player/main_btn.bmp", 72 + 3, 3);
        }, 20000)) << "no pause face";
        EXPECT_TRUE(TimeCounts(w, stoppedTime)) << "the time did not count";
    }, 300);
    if (peak >= 0) EXPECT_GT(peak, 300) << "the loudest sample the sink heard";
    else std::printf("no sound sink to listen to (run through tools/bench.sh)\n");
    EXPECT_EQ(Selected(GetDlgItem(w, 1012)), 4);

    // Play toggles pause: the pause state's icon and the play face.
    PostMessageA(w, WM_COMMAND, 1000, reinterpret_cast<LPARAM>(GetDlgItem(w, 1000)));
    EXPECT_TRUE(Probe_WaitFor([&] {
        return Pixel(w, 25 + 8, 144 + 8) == ArtPixel("player/main_stat.bmp", 8, 3 * 16 + 8);
    }, 20000)) << "no pause icon";
    EXPECT_TRUE(Probe_WaitFor([&] { return Pixel(w, 127 + 3, 21 + 3) == ArtPixel("player/main_btn.bmp", 3, 3); },
                              20000)) << "no play face";
    PostMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(ExitCodeOf(process, 30000), 0u);
    EXPECT_FALSE(Exists(archive));
}

// The settings dialog: Cancel changes nothing, OK writes both flags.
TEST_F(PlayerProgram, SettingsDialogCancelChangesNothing)
{
    Start(LauncherArgs());
    HWND w = MainWindow();
    ASSERT_NE(w, nullptr);
    auto open = [&]() -> HWND {
        PostMessageA(w, WM_COMMAND, 1011, reinterpret_cast<LPARAM>(GetDlgItem(w, 1011)));
        return Probe_WaitWindow("#32770", "設定", 20000);
    };
    auto checked = [](HWND d, int id) { return SendMessageA(GetDlgItem(d, id), BM_GETCHECK, 0, 0) == BST_CHECKED; };
    auto wait_gone = [](HWND d) { return Probe_WaitFor([&] { return !IsWindow(d); }, 10000); };

    HWND d = open();
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(checked(d, 1051));   // automatic advance is on at start
    EXPECT_FALSE(checked(d, 1052));
    SendMessageA(GetDlgItem(d, 1051), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(d, 1052), BM_CLICK, 0, 0);
    EXPECT_TRUE(checked(d, 1051));
    Probe_PressButton(d, IDCANCEL);
    ASSERT_TRUE(wait_gone(d));

    d = open();
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(checked(d, 1051)) << "Cancel kept a change";
    EXPECT_FALSE(checked(d, 1052)) << "Cancel kept a change";
    SendMessageA(GetDlgItem(d, 1052), BM_CLICK, 0, 0);
    Probe_PressButton(d, IDOK);
    ASSERT_TRUE(wait_gone(d));

    d = open();
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(checked(d, 1051));
    EXPECT_TRUE(checked(d, 1052)) << "OK did not keep repeat-all";
    Probe_PressButton(d, IDCANCEL);
    ASSERT_TRUE(wait_gone(d));
    PostMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(ExitCodeOf(process, 30000), 0u);
}

// The edit of a save dialog that holds a ".wav" name (its place differs
// between dialog styles).
BOOL CALLBACK FindWavEdit(HWND c, LPARAM l)
{
    char cls[32] = {}, text[600] = {};
    GetClassNameA(c, cls, sizeof cls);
    SendMessageA(c, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    std::string t = text;
    if (lstrcmpiA(cls, "Edit") == 0 && t.size() >= 4 && t.substr(t.size() - 4) == ".wav") {
        *reinterpret_cast<HWND*>(l) = c;
        return FALSE;
    }
    return TRUE;
}

// Recording through the save dialog and the progress dialog.
class PlayerRecording : public PlayerProgram {
protected:
    // Runs the record command on a row; answers the save dialog with `path`;
    // the proposed name it showed.
    std::string Record(HWND w, int row, const std::string& path)
    {
        Select(GetDlgItem(w, 1012), row);
        PostMessageA(w, WM_COMMAND, 1002, reinterpret_cast<LPARAM>(GetDlgItem(w, 1002)));
        HWND save = nullptr;
        Probe_WaitFor([&] {
            save = Probe_WaitWindow("#32770", nullptr, 200);
            return save != nullptr && GetDlgItem(save, IDOK) != nullptr;
        }, 30000);
        if (save == nullptr) return "<no save dialog>";
        HWND field = nullptr;
        Probe_WaitFor([&] {
            EnumChildWindows(save, &FindWavEdit, reinterpret_cast<LPARAM>(&field));
            return field != nullptr;
        }, 10000);
        if (field == nullptr) return "<no file name field>";
        char text[600] = {};
        SendMessageA(field, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
        Probe_PressButton(save, IDOK);
        return text;
    }
    HWND RecordDialog() { return Probe_WaitWindow("#32770", "録音中", 30000); }
    std::string Text(HWND d, int id)
    {
        char text[256] = {};
        SendMessageA(GetDlgItem(d, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        return text;
    }
};

TEST_F(PlayerRecording, ARecordingEndsWithItsDialogSayingSoAndTheWavHasTheSongsLength)
{
    Start(LauncherArgs());
    HWND w = MainWindow();
    ASSERT_NE(w, nullptr);
    const std::string wav = dir.path() + "rec.wav";
    // The recording song: a 2-s body and no fade.
    EXPECT_EQ(Record(w, 8, wav), "録音の曲.wav");
    HWND d = RecordDialog();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(Probe_WaitFor([&] { return Text(d, 1101) == "録音が完了しました"; }, 30000)) << Text(d, 1101);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, IDOK)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDCANCEL)));
    Probe_PressButton(d, IDOK);
    std::vector<int32_t> rec = WavFrames(ReadAll(wav));
    const double kTick = 1411;   // frames of one 32-ms tick
    EXPECT_NEAR(static_cast<double>(rec.size() / 2), 2.0 * 44100, 2.0 * kTick) << "two seconds, within two ticks";

    // It sounds like songrender's render of the same song: the first sound
    // within two ticks, every 20-ms window within 1 dB.
    HANDLE render = Probe_Start(Probe_HostPath(SONGRENDER),
                                "songrender \"" + Probe_HostPath(std::string(MUSIC_DIR) + "/kzd/player_phases.kzd") +
                                    "\" 9 2 ref.wav", dir.path());
    ASSERT_NE(render, nullptr);
    EXPECT_EQ(ExitCodeOf(render, 60000), 0u);
    CloseHandle(render);
    std::vector<int32_t> ref = WavFrames(ReadAll(dir.file("ref.wav")));
    ASSERT_EQ(ref.size(), static_cast<size_t>(2 * 44100 * 2));
    size_t recStart = FirstSound(rec), refStart = FirstSound(ref);
    ASSERT_LT(refStart, static_cast<size_t>(44100));
    EXPECT_NEAR(static_cast<double>(recStart), static_cast<double>(refStart), 2.0 * kTick);
    std::vector<double> a = Envelope(rec, recStart), b = Envelope(ref, refStart);
    const size_t windows = std::min(a.size(), b.size());
    ASSERT_GT(windows, 60u);
    int compared = 0;
    for (size_t i = 0; i + 1 < windows; i++) {
        if (a[i] < -60 && b[i] < -60) continue;   // silence on both sides
        compared++;
        EXPECT_NEAR(a[i], b[i], 1.0) << "20-ms window " << i << " after the first sound";
    }
    EXPECT_GT(compared, 20);
    PostMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(ExitCodeOf(process, 30000), 0u);
}

// An end that comes at once still reaches the dialog: a file that cannot be
// written turns it into its error form at the first tick, while the song
// plays on.
TEST_F(PlayerRecording, AnUnwritablePathShowsTheErrorAndTheSongPlaysOn)
{
    Start(LauncherArgs());
    HWND w = MainWindow();
    ASSERT_NE(w, nullptr);
    Record(w, 4, dir.path() + "no such folder\\rec.wav");
    HWND d = RecordDialog();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(Probe_WaitFor([&] { return Text(d, 1101) == "録音中にエラーが発生しました"; }, 30000)) << Text(d, 1101);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, IDOK)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDCANCEL)));
    Probe_PressButton(d, IDOK);
    // The song plays on without its recording: its time keeps counting.
    Raise(w);
    EXPECT_TRUE(TimeCounts(w, Area(w, 345, 144, 98, 16))) << "the song stopped with its recording";
    PostMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(ExitCodeOf(process, 30000), 0u);
}

// The proposed name of a title full of characters a file name cannot hold,
// and too long for the buffer: full-width forms, cut between characters.
TEST_F(PlayerRecording, TheProposedNameIsMadeSafeAndCutBetweenCharacters)
{
    Start(LauncherArgs());
    HWND w = MainWindow();
    ASSERT_NE(w, nullptr);
    std::string name = Record(w, 5, dir.path() + "long.wav");
    EXPECT_EQ(name.rfind("a／b：c＊？”＜＞｜￥", 0), 0u) << name;
    ASSERT_GE(name.size(), 4u);
    EXPECT_EQ(name.substr(name.size() - 4), ".wav");
    EXPECT_LE(name.size(), 259u);
    HWND d = RecordDialog();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(Probe_WaitFor([&] { return Text(d, 1101) == "録音が完了しました"; }, 30000)) << Text(d, 1101);
    Probe_PressButton(d, IDOK);
    PostMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(ExitCodeOf(process, 30000), 0u);
}

// The keyboard and level-meter windows of the running program: docking,
// what they show while a song plays, the buttons of the machine's tracks,
// muting through their buttons, and their skin errors.
const char kKbdClass[] = "TIV VELQA SOUND PLAYER (KEYBOARD)";
const char kLvlClass[] = "TIV VELQA SOUND PLAYER (LEVEL METER)";

class PlayerSideWindows : public PlayerRecording {
protected:
    HWND w = nullptr, kbd = nullptr, lvl = nullptr;

    // The program on an archive with both side windows made (hidden).
    void Open(const std::string& args)
    {
        Start(args);
        w = MainWindow();
        ASSERT_NE(w, nullptr);
        kbd = Probe_WaitWindow(kKbdClass, kKbdClass, 30000);
        lvl = Probe_WaitWindow(kLvlClass, kLvlClass, 30000);
        ASSERT_NE(kbd, nullptr);
        ASSERT_NE(lvl, nullptr);
        EXPECT_FALSE(IsWindowVisible(kbd));
        EXPECT_FALSE(IsWindowVisible(lvl));
    }
    // The main window's kbd (1009) or lvl (1010) button; waits for the change.
    void Toggle(int id)
    {
        HWND side = id == 1009 ? kbd : lvl;
        const bool was = IsWindowVisible(side) != FALSE;
        PostMessageA(w, WM_COMMAND, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(GetDlgItem(w, id)));
        EXPECT_TRUE(Probe_WaitFor([&] { return (IsWindowVisible(side) != FALSE) != was; }, 10000)) << id;
    }
    static RECT Rect(HWND h)
    {
        RECT r = {};
        GetWindowRect(h, &r);
        return r;
    }
    // A real click in the middle of a button, the mouse then moved away.
    void Click(HWND parent, int id)
    {
        HWND b = GetDlgItem(parent, id);
        ASSERT_NE(b, nullptr) << id;
        Raise(parent);
        RECT r = Rect(b);
        ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        Sleep(200);
        SetCursorPos(1023, 767);
    }
    void Close()
    {
        PostMessageA(w, WM_CLOSE, 0, 0);
        EXPECT_EQ(ExitCodeOf(process, 30000), 0u);
    }
};

TEST_F(PlayerSideWindows, TheyDockBelowTheMainWindowOrAboveWhereTheScreenEnds)
{
    Open(LauncherArgs());
    SetWindowPos(w, nullptr, 40, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Toggle(1009);
    RECT m = Rect(w), k = Rect(kbd);
    EXPECT_EQ(k.left, m.left);
    EXPECT_EQ(k.top, m.bottom);
    EXPECT_EQ(k.bottom - k.top, 283);
    Toggle(1010);   // under the keyboard window, docked there
    RECT l = Rect(lvl);
    EXPECT_EQ(l.left, m.left);
    EXPECT_EQ(l.top, k.bottom);
    EXPECT_EQ(l.bottom - l.top, 173);
    Raise(kbd);
    Raise(lvl);
    EXPECT_TRUE(Probe_WaitFor([&] { return Pixel(kbd, 300, 10) == ArtPixel("player/keyboard_bg.bmp", 300, 10); }, 10000));
    EXPECT_TRUE(Probe_WaitFor([&] { return Pixel(lvl, 300, 10) == ArtPixel("player/level_bg.bmp", 300, 10); }, 10000));
    Capture(kbd, CAPTURE_DIR, "side_keyboard_docked");
    Capture(lvl, CAPTURE_DIR, "side_level_docked");

    // Both hidden, the main window near the screen's bottom: the keyboard
    // window goes above it; the level window then fits neither below nor
    // above the keyboard window and stays where it was.
    Toggle(1009);
    Toggle(1010);
    const int screen = GetSystemMetrics(SM_CYSCREEN);
    SetWindowPos(w, nullptr, 40, screen - 286 - 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(Probe_WaitFor([&] { return Rect(w).top == screen - 326; }, 10000));
    m = Rect(w);
    Toggle(1009);
    k = Rect(kbd);
    EXPECT_EQ(k.left, m.left);
    EXPECT_EQ(k.bottom, m.top);
    Toggle(1010);
    EXPECT_EQ(Rect(lvl).top, l.top) << "moved although there was no room";
    // A shown but minimized window is shown again, not hidden.
    ShowWindow(kbd, SW_MINIMIZE);
    ASSERT_TRUE(Probe_WaitFor([&] { return IsIconic(kbd) != FALSE; }, 10000));
    PostMessageA(w, WM_COMMAND, 1009, reinterpret_cast<LPARAM>(GetDlgItem(w, 1009)));
    EXPECT_TRUE(Probe_WaitFor([&] { return IsWindowVisible(kbd) && !IsIconic(kbd); }, 10000));
    Close();
}

// The busy song (every channel of the YM2608 at once) lights keys in the
// keyboard window and moves the bars of the level-meter window.
TEST_F(PlayerSideWindows, ABusySongLightsKeysAndMovesBars)
{
    std::string busy = Probe_HostPath(std::string(BENCH_DIR) + "/busy_opna");
    Open("\"" + busy + "\" \"" + shot + "\"");
    Toggle(1009);
    Toggle(1010);
    for (int t = 0; t < 16; t++) {
        EXPECT_NE(GetDlgItem(kbd, 1300 + t), nullptr) << t;
        EXPECT_NE(GetDlgItem(lvl, 1300 + t), nullptr) << t;
    }
    Activate(w, 0);
    Raise(kbd);
    Raise(lvl);
    // Keyboard rows 0-15 at (163, 21), 350 x 256; bars at (31, 29), 480 x 64.
    auto changes = [&](HWND h, int x, int y, int width, int height) {
        unsigned long seen = Area(h, x, y, width, height);
        int n = 0;
        Probe_WaitFor([&] {
            unsigned long now = Area(h, x, y, width, height);
            if (now != seen) n++;
            seen = now;
            return n >= 3;
        }, 20000);
        return n;
    };
    EXPECT_GE(changes(kbd, 163, 21, 350, 256), 3) << "the keys did not move";
    EXPECT_GE(changes(lvl, 31, 29, 480, 64), 3) << "the bars did not move";
    // Some key is lit: a pixel of a row that is neither idle nor muted.
    Capture keys(kbd, CAPTURE_DIR, "side_keyboard_busy");
    Capture bars(lvl, CAPTURE_DIR, "side_level_busy");
    // Idle and muted rows have only these colours.
    const COLORREF plain[] = {ArtPixel("player/keyboard_kbd.bmp", 1, 12), ArtPixel("player/keyboard_kbd.bmp", 4, 2),
                              ArtPixel("player/keyboard_kbd.bmp", 1, 13 * 16 + 12),
                              ArtPixel("player/keyboard_kbd.bmp", 4, 13 * 16 + 2), RGB(0, 0, 0)};
    auto isPlain = [&](COLORREF c) { return std::find(std::begin(plain), std::end(plain), c) != std::end(plain); };
    int lit = 0;
    for (int t = 0; t < 16; t++)
        for (int x = 163; x < 163 + 350; x++) {
            if (!isPlain(keys.at(x, 21 + 16 * t + 12)) || !isPlain(keys.at(x, 21 + 16 * t + 2))) {
                lit++;
                break;
            }
        }
    EXPECT_GT(lit, 0) << "no row shows a key in the capture";
    Close();
}

// An X1 machine with a YM2151 and an AY-3-8910: buttons for its eleven
// tracks and its two chips only.
TEST_F(PlayerSideWindows, AnX1ArchiveGetsButtonsForItsTracksOnly)
{
    Open("\"" + Probe_HostPath(std::string(MUSIC_DIR) + "/kzd/x1_opm.kzd") + "\" \"" + shot + "\"");
    for (int t = 0; t < 16; t++) {
        EXPECT_EQ(GetDlgItem(kbd, 1300 + t) != nullptr, t < 11) << "keyboard track " << t;
        EXPECT_EQ(GetDlgItem(lvl, 1300 + t) != nullptr, t < 11) << "level track " << t;
    }
    EXPECT_NE(GetDlgItem(lvl, 1200), nullptr);
    EXPECT_NE(GetDlgItem(lvl, 1201), nullptr);
    EXPECT_EQ(GetDlgItem(lvl, 1202), nullptr);
    // The chip buttons span their chips' columns (30 pixels a column).
    RECT opm = Rect(GetDlgItem(lvl, 1200)), psg = Rect(GetDlgItem(lvl, 1201));
    EXPECT_EQ(opm.right - opm.left, 8 * 30);
    EXPECT_EQ(psg.right - psg.left, 3 * 30);
    EXPECT_EQ(psg.left, opm.right);
    Toggle(1009);
    Toggle(1010);
    Raise(kbd);
    Raise(lvl);
    // The PSG's first track button shows its own name row (34 in keyboard_trk.bmp).
    EXPECT_TRUE(Probe_WaitFor([&] {
        return Pixel(kbd, 29 + 3, 21 + 16 * 8 + 8) == ArtPixel("player/keyboard_trk.bmp", 3, 34 * 16 + 8);
    }, 10000));
    Capture(kbd, CAPTURE_DIR, "side_keyboard_x1_opm");
    Capture(lvl, CAPTURE_DIR, "side_level_x1_opm");
    Close();
}

// A click on a track button mutes the track for real: the button shows its
// checked face, and a recording lacks the track as songrender's render with
// that bit of the mask does.
TEST_F(PlayerSideWindows, ATrackButtonMutesTheTrackInTheRecording)
{
    Open(LauncherArgs());   // player_phases: an X1 PSG machine, tracks 0-2
    Toggle(1009);
    Click(kbd, 1300);
    // Track 0's button, the PSG's first name (row 34): the checked cell (4).
    EXPECT_TRUE(Probe_WaitFor([&] {
        return Pixel(kbd, 29 + 3, 21 + 8) == ArtPixel("player/keyboard_trk.bmp", 128 * 4 + 3, 34 * 16 + 8);
    }, 10000)) << "the button is not checked";
    // The row shows the muted keyboard.
    EXPECT_TRUE(Probe_WaitFor([&] {
        return Pixel(kbd, 163 + 1, 21 + 12) == ArtPixel("player/keyboard_kbd.bmp", 1, 13 * 16 + 12);
    }, 10000)) << "the row is not muted";
    Capture(kbd, CAPTURE_DIR, "side_keyboard_track0_muted");

    const std::string wav = dir.path() + "muted.wav";
    Record(w, 8, wav);   // the 2-s song
    HWND d = RecordDialog();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(Probe_WaitFor([&] { return Text(d, 1101) == "録音が完了しました"; }, 30000)) << Text(d, 1101);
    Probe_PressButton(d, IDOK);
    std::vector<int32_t> rec = WavFrames(ReadAll(wav));

    auto render = [&](const char* mask, const char* name) {
        HANDLE p = Probe_Start(Probe_HostPath(SONGRENDER),
                               "songrender \"" + Probe_HostPath(std::string(MUSIC_DIR) + "/kzd/player_phases.kzd") +
                                   "\" 9 2 " + name + " --mask " + mask, dir.path());
        EXPECT_NE(p, nullptr);
        if (p == nullptr) return std::vector<int32_t>();
        EXPECT_EQ(ExitCodeOf(p, 60000), 0u);
        CloseHandle(p);
        return WavFrames(ReadAll(dir.file(name)));
    };
    std::vector<int32_t> muted = render("1", "ref_muted.wav"), full = render("0", "ref_full.wav");
    ASSERT_FALSE(rec.empty());
    ASSERT_FALSE(muted.empty());
    ASSERT_FALSE(full.empty());
    const size_t recStart = FirstSound(rec), refStart = FirstSound(muted);
    std::vector<double> a = Envelope(rec, recStart), b = Envelope(muted, refStart), c = Envelope(full, FirstSound(full));
    const size_t windows = std::min({a.size(), b.size(), c.size()});
    ASSERT_GT(windows, 60u);
    int compared = 0, apart = 0;
    for (size_t i = 0; i + 1 < windows; i++) {
        // The near-silent tail of the muted render is left out.
        if (a[i] < -50 && b[i] < -50) continue;
        compared++;
        EXPECT_NEAR(a[i], b[i], 1.0) << "20-ms window " << i << " after the first sound";
        if (std::fabs(a[i] - c[i]) > 3.0) apart++;
    }
    EXPECT_GT(compared, 20);
    EXPECT_GT(apart, compared / 2) << "the recording is as loud as with the track: it was not muted";
    Close();
}

// The level-meter window's chip button mutes all of the chip's tracks, and
// unmutes them all once all are muted; the channel buttons and the
// keyboard rows follow the Player's mask.
TEST_F(PlayerSideWindows, AChipButtonMutesAndUnmutesAllItsTracks)
{
    Open(LauncherArgs());   // player_phases: one AY-3-8910, tracks 0-2
    Toggle(1009);
    Toggle(1010);
    // Channel buttons at (31 + 30 t, 139), PSG names from cell 12 of level_ch.bmp.
    auto checked = [&](int t, bool on) {
        return Pixel(lvl, 31 + 30 * t + 3, 139 + 12) == ArtPixel("player/level_ch.bmp", 30 * (12 + t) + 3, 24 * (on ? 4 : 0) + 12);
    };
    auto rowMuted = [&](int t, bool on) {
        return Pixel(kbd, 163 + 1, 21 + 16 * t + 12) == ArtPixel("player/keyboard_kbd.bmp", 1, (on ? 13 * 16 : 0) + 12);
    };
    Click(lvl, 1301);   // one track muted first
    EXPECT_TRUE(Probe_WaitFor([&] { return checked(1, true) && checked(0, false); }, 10000));
    Click(lvl, 1200);   // some audible: all muted
    EXPECT_TRUE(Probe_WaitFor([&] { return checked(0, true) && checked(1, true) && checked(2, true); }, 10000));
    Raise(kbd);
    EXPECT_TRUE(Probe_WaitFor([&] { return rowMuted(0, true) && rowMuted(1, true) && rowMuted(2, true); }, 10000));
    Capture(lvl, CAPTURE_DIR, "side_level_chip_muted");
    Click(lvl, 1200);   // all muted: all audible
    EXPECT_TRUE(Probe_WaitFor([&] { return checked(0, false) && checked(1, false) && checked(2, false); }, 10000));
    Raise(kbd);
    EXPECT_TRUE(Probe_WaitFor([&] { return rowMuted(0, false) && rowMuted(1, false) && rowMuted(2, false); }, 10000));
    Close();
}

// Closing the player while a song plays with both side windows shown: the
// player thread may be inside a tick that draws into them; every run ends
// with exit code 0 and no crash report. A few runs here; tools/soak.sh runs
// many.
TEST_F(PlayerSideWindows, ClosingDuringPlayWithBothShownEndsCleanlyEveryTime)
{
    std::string busy = Probe_HostPath(std::string(BENCH_DIR) + "/busy_opna");
    const int runs = SoakRounds(3);
    for (int run = 0; run < runs; run++) {
        SCOPED_TRACE("run " + std::to_string(run));
        Open("\"" + busy + "\" \"" + shot + "\"");
        PostMessageA(w, WM_COMMAND, 1000, reinterpret_cast<LPARAM>(GetDlgItem(w, 1000)));   // play row 0
        Toggle(1009);
        Toggle(1010);
        // Playing for some ticks, then closed anywhere in a tick.
        Sleep(static_cast<DWORD>(600 + 37 * run % 200));
        PostMessageA(w, WM_CLOSE, 0, 0);
        EXPECT_EQ(ExitCodeOf(process, 30000), 0u);
        CloseHandle(process);
        process = nullptr;
        EXPECT_FALSE(Exists(playerDir + "chipplay-error.log")) << ReadAll(playerDir + "chipplay-error.log");
        if (HasFailure()) break;
    }
}

const char kSideFailed[] = "[MainWindow]キーボードウィンドウの生成に失敗しました\n";

TEST_F(PlayerStartErrors, SkinWithoutKeyboardPos)
{
    std::string skin = ReadAll(Probe_HostPath(std::string(ART_DIR) + "/player/skin.txt"));
    const size_t at = skin.find("[keyboard_pos]"), end = skin.find("\n[", at);
    ASSERT_NE(end, std::string::npos);
    skin.erase(at, end + 1 - at);
    ExpectStartFails("phases", skin.c_str(), {"[KbdWindow]keyboard_posセクションが取得できません\n", kSideFailed, kUiFailed});
}

TEST_F(PlayerStartErrors, SkinWithoutLevelSkin)
{
    std::string skin = ReadAll(Probe_HostPath(std::string(ART_DIR) + "/player/skin.txt"));
    const size_t at = skin.find("[level_skin]");
    ASSERT_NE(at, std::string::npos);
    skin.erase(at);   // the last section
    ExpectStartFails("phases", skin.c_str(),
                     {"[LvlWindow]level_skinセクションが取得できません\n", "[LvlWindow]ウィンドウの生成に失敗しました\n",
                      "[MainWindow]レベルメータウィンドウの生成に失敗しました\n", kUiFailed});
}

// Automatic advance through the phase archive: each short song moves on to
// the next once its body, fade and gap are over, one row at a time, up to
// the forty-minute song, which stays.
TEST_F(PlayerScreen, SongsAdvanceOneRowAtATimeToTheLongSong)
{
    Start(LauncherArgs());
    HWND w = MainWindow();
    ASSERT_NE(w, nullptr);
    HWND list = GetDlgItem(w, 1012);
    Activate(w, 0);
    std::vector<int> seen;
    Probe_WaitFor([&] {
        int s = Selected(list);
        if (seen.empty() || seen.back() != s) seen.push_back(s);
        return s == 4;
    }, 30000);
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4}));
    Sleep(2000);   // several ticks more: nothing skips past it
    EXPECT_EQ(Selected(list), 4);
    PostMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(ExitCodeOf(process, 30000), 0u);
}

// A 24-bit bottom-up bitmap file of one colour.
std::string SolidBitmap(int width, int height, COLORREF c)
{
    const int stride = (width * 3 + 3) & ~3;
    const int bytes = stride * height;
    std::string f(54 + static_cast<size_t>(bytes), '\0');
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; i++) f[at + i] = static_cast<char>(v >> (8 * i));
    };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, static_cast<uint32_t>(f.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    f[26] = 1;
    f[28] = 24;
    put32(34, static_cast<uint32_t>(bytes));
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            size_t at = 54 + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3;
            f[at] = static_cast<char>(GetBValue(c));
            f[at + 1] = static_cast<char>(GetGValue(c));
            f[at + 2] = static_cast<char>(GetRValue(c));
        }
    return f;
}

// A skin folder holding only a background replaces the background and
// nothing else: the other pictures stay built in.
TEST_F(PlayerScreen, ASkinFolderWithOnlyTheBackgroundChangesOnlyThat)
{
    CreateDirectoryA((playerDir + "skin").c_str(), nullptr);
    const COLORREF green = RGB(10, 200, 30);
    WriteAll(playerDir + "skin\\main_bg.bmp", SolidBitmap(541, 285, green));
    Start(LauncherArgs());
    HWND w = MainWindow();
    ASSERT_NE(w, nullptr);
    Raise(w);
    EXPECT_TRUE(Probe_WaitFor([&] { return Pixel(w, 300, 10) == green; }, 10000)) << "the background is not the file's";
    EXPECT_TRUE(Probe_WaitFor([&] {
        return Pixel(w, 25 + 8, 144 + 8) == ArtPixel("player/main_stat.bmp", 8, 2 * 16 + 8);
    }, 10000)) << "the state icon is not the built-in one";
    EXPECT_TRUE(Probe_WaitFor([&] { return Pixel(w, 509 + 6, 5 + 6) == ArtPixel("player/sys_btn.bmp", 6, 6); }, 10000))
        << "the close button is not the built-in one";
    EXPECT_TRUE(Probe_WaitFor([&] { return Pixel(w, 127 + 3, 21 + 3) == ArtPixel("player/main_btn.bmp", 3, 3); },
                              10000)) << "the play button is not the built-in one";
    PostMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(ExitCodeOf(process, 30000), 0u);
}

// The display modes on the busy song: the waveform and spectrum cells move;
// the tempo caption appears at the fastest tempo and goes at the reset.
TEST_F(PlayerScreen, WaveSpectrumAndTempoCaptionOnTheBusySong)
{
    std::string busy = Probe_HostPath(std::string(BENCH_DIR) + "/busy_opna");
    Start("\"" + busy + "\" \"" + shot + "\"");
    HWND w = MainWindow();
    ASSERT_NE(w, nullptr);
    Activate(w, 0);
    const int kDisp[] = {127, 61, 316, 75};
    const int kTempo[] = {359, 61, 76, 10};
    unsigned long plain = Area(w, kTempo[0], kTempo[1], kTempo[2], kTempo[3]);
    PostMessageA(w, WM_COMMAND, 1007, reinterpret_cast<LPARAM>(GetDlgItem(w, 1007)));   // fastest
    EXPECT_TRUE(Probe_WaitFor([&] { return Area(w, kTempo[0], kTempo[1], kTempo[2], kTempo[3]) != plain; }, 10000))
        << "no tempo caption";
    PostMessageA(w, WM_COMMAND, 1005, reinterpret_cast<LPARAM>(GetDlgItem(w, 1005)));   // reset
    EXPECT_TRUE(Probe_WaitFor([&] { return Area(w, kTempo[0], kTempo[1], kTempo[2], kTempo[3]) == plain; }, 10000))
        << "the tempo caption stayed";
    for (int mode = 2; mode <= 3; mode++) {
        PostMessageA(w, WM_COMMAND, 1008, reinterpret_cast<LPARAM>(GetDlgItem(w, 1008)));
        unsigned long seen = Area(w, kDisp[0], kDisp[1], kDisp[2], kDisp[3]);
        int changes = 0;
        Probe_WaitFor([&] {
            unsigned long now = Area(w, kDisp[0], kDisp[1], kDisp[2], kDisp[3]);
            if (now != seen) changes++;
            seen = now;
            return changes >= 3;
        }, 20000);
        EXPECT_GE(changes, 3) << (mode == 2 ? "the waveform" : "the spectrum") << " did not move";
    }
    PostMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(ExitCodeOf(process, 30000), 0u);
    EXPECT_TRUE(Exists(busy)) << "a folder is no archive file: it stays";
}

// A WAV whose header sizes agree with the file's length.
void ExpectConsistentWav(const std::string& path)
{
    std::string wav = ReadAll(path);
    ASSERT_GE(wav.size(), 44u) << path;
    auto get32 = [&](size_t at) {
        uint32_t v = 0;
        for (int i = 3; i >= 0; i--) v = (v << 8) | static_cast<uint8_t>(wav[at + i]);
        return v;
    };
    EXPECT_EQ(get32(4), wav.size() - 8) << "RIFF size";
    EXPECT_EQ(get32(40), wav.size() - 44) << "data size";
    EXPECT_GT(wav.size(), 44u + 4 * 1411) << "at least a tick of sound";
}

// Stopping a recording with its dialog's stop button: the file is complete
// at once and grows no more.
TEST_F(PlayerRecording, TheStopButtonEndsTheFileAtOnce)
{
    Start(LauncherArgs());
    HWND w = MainWindow();
    ASSERT_NE(w, nullptr);
    const std::string wav = dir.path() + "stopped.wav";
    Record(w, 4, wav);
    HWND d = RecordDialog();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(Probe_WaitFor([&] { return ReadAll(wav).size() > 44u + 8 * 1411; }, 20000));
    Probe_PressButton(d, IDCANCEL);
    ASSERT_TRUE(Probe_WaitFor([&] { return !IsWindow(d); }, 10000));
    Sleep(300);
    ExpectConsistentWav(wav);
    const size_t size = ReadAll(wav).size();
    Sleep(1000);
    EXPECT_EQ(ReadAll(wav).size(), size) << "the recording went on after its stop";
    PostMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(ExitCodeOf(process, 30000), 0u);
}

// Closing the player in the middle of a recording leaves a complete file.
TEST_F(PlayerRecording, ClosingMidRecordingLeavesACompleteFile)
{
    Start(LauncherArgs());
    HWND w = MainWindow();
    ASSERT_NE(w, nullptr);
    const std::string wav = dir.path() + "closed.wav";
    Record(w, 4, wav);
    HWND d = RecordDialog();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(Probe_WaitFor([&] { return ReadAll(wav).size() > 44u + 8 * 1411; }, 20000));
    PostMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(ExitCodeOf(process, 30000), 0u);
    ExpectConsistentWav(wav);
    EXPECT_FALSE(Exists(archive));
}

}   // namespace

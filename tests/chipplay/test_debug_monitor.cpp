// The debug monitor window. In this process, over the real Player, user
// interface and DirectSound: the page keys switch and refresh at once (also
// while the display is frozen), a page that does not change draws no rows,
// the shut-down after either window was closed leaves no quit message
// behind, and a monitor that cannot be made says why. Through chipplay.exe:
// the window appears only with "debug" set in the player's config.txt, its
// text moves while a song plays, the page keys switch what it shows, and
// closing the player or the monitor ends the program cleanly.
#include "PC88Driver.h"
#include "RegisterDrivers.h"
#include "Player.h"
#include "Win32DebugMonitor.h"
#include "Win32MainWindow.h"
#include "Win32UserInterface.h"
#include "X1Driver.h"
#include "boxless_system.h"
#include "testdir.h"
#include "wincapture.h"
#include "winprobe.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const char kMonitorClass[] = "TIV VELQA SOUND PLAYER(Debug)";
const char kMonitorTitle[] = "デバッグモニター";
const char kDebugOn[] = "[config]\ndebug=1\n";
const int kLongSong = 4;   // player_phases: the forty-minute song

std::string Row(const char* grid, int y)
{
    return std::string(grid + y * DebugMonitor::COLUMNS, DebugMonitor::COLUMNS);
}
bool StartsWith(const std::string& s, const std::string& prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0;
}

// The player over player_phases (an X1 PSG machine) with the given config.txt
// in the current folder (none when null).
class DebugMonitorTest : public testing::Test {
protected:
    TestDir dir;
    BoxlessSystem* sys = new BoxlessSystem();
    Win32UserInterface* ui = nullptr;
    Player* player = nullptr;

    void SetUp() override
    {
        RegisterPC88Drivers();
        RegisterX1Drivers();
        ASSERT_TRUE(System::setInstance(sys));
    }
    void TearDown() override
    {
        Finish();
        EXPECT_EQ(sys->allBoxes(), "");
        EXPECT_TRUE(sys->raised.empty()) << sys->raised.front();
        System::terminate();
    }
    void Start(const char* systemConfig)
    {
        if (systemConfig != nullptr) WriteAll(dir.file("config.txt"), systemConfig);
        ui = new Win32UserInterface(GetModuleHandleA(nullptr));
        player = new Player();
        std::string archive = Probe_HostPath(std::string(MUSIC_DIR) + "/kzd/player_phases.kzd");
        std::string shot = Probe_HostPath(std::string(ART_DIR) + "/capture1.bmp");
        const char* argv[] = {"chipplay", archive.c_str(), shot.c_str()};
        ASSERT_TRUE(player->initialize(ui, 3, argv)) << sys->allBoxes();
    }
    void Finish()
    {
        if (player != nullptr) {
            player->terminate();
            delete player;
        }
        delete ui;
        player = nullptr;
        ui = nullptr;
    }
    void Pump()
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    // A row activated as a double-click does: the song starts.
    void Activate(int row)
    {
        HWND w = ui->getMainWindow()->getHandle();
        HWND list = GetDlgItem(w, Win32MainWindow::ID_LIST);
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        NMITEMACTIVATE act = {};
        act.hdr.hwndFrom = list;
        act.hdr.idFrom = Win32MainWindow::ID_LIST;
        act.hdr.code = LVN_ITEMACTIVATE;
        act.iItem = row;
        SendMessageA(w, WM_NOTIFY, Win32MainWindow::ID_LIST, reinterpret_cast<LPARAM>(&act));
    }
};

TEST_F(DebugMonitorTest, PageKeysSwitchAndRefreshAtOnceAlsoWhileFrozen)
{
    Start(kDebugOn);
    Win32DebugMonitor* mon = ui->getDebugMonitor();
    ASSERT_NE(mon, nullptr);
    const HWND m = mon->getHandle();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(mon->getPage(), 0);
    auto heading = [&] { return Row(mon->getShownGrid(), 5); };
    // The timer's refreshes fill the window from the driver.
    ASSERT_TRUE(Probe_WaitFor([&] {
        Pump();
        return StartsWith(Row(mon->getShownGrid(), 0), "Z80: PC:");
    }, 20000)) << Row(mon->getShownGrid(), 0);
    EXPECT_TRUE(StartsWith(heading(), "YM2151: NONE")) << heading();

    // Each key shows its page before any other message is handled (sent,
    // not posted: the timer has no chance in between).
    struct Case {
        WPARAM key;
        int32_t page;
        const char* heading;
    } cases[] = {{'3', 2, "MDATA: "}, {'2', 1, "MEMORY:"}, {'4', 3, "YM2151: NONE"}, {'3', 2, "MDATA: "},
                 {'1', 0, "YM2151: NONE"}};
    for (const Case& c : cases) {
        SendMessageA(m, WM_CHAR, c.key, 0);
        EXPECT_EQ(mon->getPage(), c.page) << static_cast<char>(c.key);
        EXPECT_TRUE(StartsWith(heading(), c.heading)) << static_cast<char>(c.key) << ": " << heading();
    }

    // Held left button: no dump, but a key still switches and repaints.
    SendMessageA(m, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    EXPECT_FALSE(mon->isRunning());
    mon->putString(0, 24, "held");   // only a repaint can bring it to the screen
    SendMessageA(m, WM_CHAR, '2', 0);
    EXPECT_EQ(mon->getPage(), 1);
    EXPECT_TRUE(StartsWith(Row(mon->getShownGrid(), 24), "held")) << "no repaint";
    EXPECT_TRUE(StartsWith(heading(), "YM2151: NONE")) << "dumped while frozen: " << heading();
    const std::string frozen(mon->getShownGrid(), DebugMonitor::CELLS);
    Probe_WaitFor([&] {
        Pump();
        return false;
    }, 500);   // ten periods of the timer
    EXPECT_EQ(std::string(mon->getShownGrid(), DebugMonitor::CELLS), frozen) << "the timer dumped while frozen";

    SendMessageA(m, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    EXPECT_TRUE(mon->isRunning());
    SendMessageA(m, WM_CHAR, 'x', 0);   // any other character refreshes the same page
    EXPECT_EQ(mon->getPage(), 1);
    EXPECT_TRUE(StartsWith(heading(), "MEMORY:")) << heading();
}

TEST_F(DebugMonitorTest, APageThatDoesNotChangeDrawsNoRows)
{
    Start(kDebugOn);
    Win32DebugMonitor* mon = ui->getDebugMonitor();
    ASSERT_NE(mon, nullptr);
    const HWND m = mon->getHandle();
    Activate(kLongSong);
    ASSERT_EQ(player->getState(), Player::STATE_PLAY);
    // While the song plays the processor's rows move.
    SendMessageA(m, WM_CHAR, 'x', 0);
    const std::string playing(mon->getShownGrid(), DebugMonitor::CELLS);
    EXPECT_TRUE(Probe_WaitFor([&] {
        SendMessageA(m, WM_CHAR, 'x', 0);
        return std::string(mon->getShownGrid(), DebugMonitor::CELLS) != playing;
    }, 20000)) << "the text did not move during play";

    // Paused, the machine stands still and so does every page.
    player->pause();
    ASSERT_EQ(player->getState(), Player::STATE_PAUSE);
    SendMessageA(m, WM_CHAR, 'x', 0);   // draws what moved up to the pause
    const std::string paused(mon->getShownGrid(), DebugMonitor::CELLS);
    const uint32_t drawn = mon->getRowsDrawn();
    for (int i = 0; i < 5; i++) {
        Sleep(100);   // the player thread ticks meanwhile
        SendMessageA(m, WM_TIMER, Win32DebugMonitor::TIMER_ID, 0);
    }
    InvalidateRect(m, nullptr, FALSE);   // a paint the system asks for
    UpdateWindow(m);
    EXPECT_EQ(std::string(mon->getShownGrid(), DebugMonitor::CELLS), paused);
    EXPECT_EQ(mon->getRowsDrawn(), drawn) << "rows drawn again without a change";
}

// The message loop ends with code 0 whichever window is closed; the
// shut-down destroys the other one, whose quit message must not wait for the
// next loop or message box of the thread.
TEST_F(DebugMonitorTest, ClosingEitherWindowEndsTheLoopAndTheShutDownLeavesNoQuitMessage)
{
    for (bool closeMonitor : {false, true}) {
        SCOPED_TRACE(closeMonitor ? "monitor closed" : "main window closed");
        Start(kDebugOn);
        ASSERT_NE(ui->getDebugMonitor(), nullptr);
        const HWND main = ui->getMainWindow()->getHandle();
        const HWND mon = ui->getDebugMonitor()->getHandle();
        Activate(kLongSong);
        PostMessageA(closeMonitor ? mon : main, WM_CLOSE, 0, 0);
        EXPECT_EQ(player->run(), 0);
        EXPECT_EQ(IsWindow(mon) == FALSE, closeMonitor) << "the loop ended before the close was handled";
        EXPECT_TRUE(player->terminate());
        EXPECT_FALSE(IsWindow(main));
        EXPECT_FALSE(IsWindow(mon));
        MSG msg;
        EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "a quit message was left behind";
        Finish();
    }
}

// A monitor that cannot be made says why and returns false; the object is
// then destroyed and deleted as usual.
TEST(DebugMonitorCreate, FailuresAreReportedAndLeaveNoWindow)
{
    BoxlessSystem* sys = new BoxlessSystem();
    ASSERT_TRUE(System::setInstance(sys));
    // Its window refuses to be made.
    struct Refused : Win32DebugMonitor {
        LRESULT wndProc(HWND h, UINT m, WPARAM w, LPARAM l) override
        {
            return m == WM_NCCREATE ? FALSE : Win32DebugMonitor::wndProc(h, m, w, l);
        }
    };
    Player* player = new Player();
    // The box's whole text; an assertion's ends with the line number.
    struct Case {
        bool refused;
        Player* player;
        const char* box;
    } cases[] = {{true, player, "[DebugMonitor]ウィンドウの生成に失敗しました\n"},
                 {false, nullptr, "ASSERTION FAILED: (_player != NULL), file win32/Win32DebugMonitor.cpp, line "}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refused ? "refused" : "no player");
        sys->boxes.clear();
        Win32DebugMonitor* mon = c.refused ? new Refused() : new Win32DebugMonitor();
        EXPECT_FALSE(mon->create(kMonitorTitle, GetModuleHandleA(nullptr), c.player, 50, 0));
        ASSERT_EQ(sys->boxes.size(), 1u) << sys->allBoxes();
        EXPECT_EQ(sys->boxes[0].substr(0, c.refused ? std::string::npos : std::strlen(c.box)), c.box);
        EXPECT_EQ(mon->getHandle(), nullptr);
        EXPECT_EQ(Probe_WaitWindow(kMonitorClass, nullptr, 0), nullptr);   // of this process
        EXPECT_TRUE(mon->destroy());
        delete mon;
    }
    delete player;
    System::terminate();
}

// ---- chipplay.exe ----------------------------------------------------------

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

// An application folder as the launcher lays it out, the player's
// config.txt beside chipplay.exe.
class DebugMonitorProgram : public testing::Test {
protected:
    TestDir dir;
    std::string playerDir, archive, shot;
    HANDLE process = nullptr;

    void SetUp() override
    {
        playerDir = dir.path() + "app\\player\\";
        CreateDirectoryA((dir.path() + "app").c_str(), nullptr);
        CreateDirectoryA(playerDir.c_str(), nullptr);
        archive = dir.path() + "曲集.kzd";
        shot = Probe_HostPath(std::string(ART_DIR) + "/capture1.bmp");
    }
    void TearDown() override
    {
        End();
        Probe_KillAll();
    }
    // Starts the player on a fresh copy of player_phases, with "-d".
    void Start(const char* systemConfig)
    {
        DeleteFileA((playerDir + "config.txt").c_str());
        if (systemConfig != nullptr) WriteAll(playerDir + "config.txt", systemConfig);
        ASSERT_TRUE(CopyFileA(Probe_HostPath(std::string(MUSIC_DIR) + "/kzd/player_phases.kzd").c_str(),
                              archive.c_str(), FALSE));
        const std::string exe = Probe_HostPath(CHIPPLAY);
        process = Probe_Start(exe, "\"" + exe + "\" \"" + archive + "\" -d \"" + shot + "\"", playerDir);
        ASSERT_NE(process, nullptr);
    }
    // Closes a window of the player; the program's exit code.
    DWORD Close(HWND w)
    {
        PostMessageA(w, WM_CLOSE, 0, 0);
        return End();
    }
    DWORD End()
    {
        if (process == nullptr) return STILL_ACTIVE;
        DWORD code = ExitCodeOf(process, 30000);
        CloseHandle(process);
        process = nullptr;
        return code;
    }
    HWND MainWindow()
    {
        HWND w = Probe_WaitWindow("TIV VELQA SOUND PLAYER", "TIV VELQA SOUND PLAYER", 30000);
        if (w == nullptr) return nullptr;
        HWND list = GetDlgItem(w, Win32MainWindow::ID_LIST);
        Probe_WaitFor([&] { return list != nullptr && SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0; }, 30000);
        return w;
    }
    // Selects a row (through the player's memory: the message carries a
    // pointer) and presses play.
    void Play(HWND w, int row)
    {
        HWND list = GetDlgItem(w, Win32MainWindow::ID_LIST);
        char* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, sizeof(LVITEMA), MEM_COMMIT, PAGE_READWRITE));
        LVITEMA item = {};
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
        SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
        PostMessageA(w, WM_COMMAND, Win32MainWindow::ID_PLAY,
                     reinterpret_cast<LPARAM>(GetDlgItem(w, Win32MainWindow::ID_PLAY)));
    }
    // Puts the monitor on top in the bottom right corner, away from where
    // the other tests' windows open (the top left corner and the middle).
    // Under Wine without a window manager a captioned window is not kept
    // above windows that open later, so this is done before every look.
    void Uncover(HWND mon)
    {
        RECT r;
        GetWindowRect(mon, &r);
        SetWindowPos(mon, HWND_TOPMOST, GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left),
                     GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top), 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
        Sleep(50);
    }
    // Rows 0 to 5 of the monitor as the screen shows them (480 x 72 pixels,
    // top-down); empty when what shows there is not the monitor's: it draws
    // only white and greys on black, and on every page of this X1 machine
    // cells 0-39 of row 4 and 13-39 of row 5 are blank.
    std::vector<COLORREF> Look(HWND mon)
    {
        Uncover(mon);
        const int w = 480, h = 72;
        POINT p = {0, 0};
        ClientToScreen(mon, &p);
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        HDC screen = GetDC(nullptr);
        HDC mem = CreateCompatibleDC(screen);
        void* bits = nullptr;
        HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(mem, bmp);
        BitBlt(mem, 0, 0, w, h, screen, p.x, p.y, SRCCOPY);
        GdiFlush();
        std::vector<COLORREF> px(static_cast<size_t>(w) * h);
        const unsigned char* b = static_cast<const unsigned char*>(bits);
        for (size_t i = 0; i < px.size(); i++) px[i] = RGB(b[4 * i + 2], b[4 * i + 1], b[4 * i]);
        SelectObject(mem, old);
        DeleteObject(bmp);
        DeleteDC(mem);
        ReleaseDC(nullptr, screen);
        for (COLORREF c : px)
            if (GetRValue(c) != GetGValue(c) || GetGValue(c) != GetBValue(c)) return {};
        for (int y = 49; y < 72; y++)
            for (int x = y < 60 ? 0 : 78; x < 240; x++)
                if (px[static_cast<size_t>(y) * w + x] != RGB(0, 0, 0)) return {};
        return px;
    }
    // A rectangle of a look (empty for an empty look).
    static std::vector<COLORREF> Part(const std::vector<COLORREF>& look, int x, int y, int width, int height)
    {
        std::vector<COLORREF> px;
        if (look.empty()) return px;
        for (int j = y; j < y + height; j++)
            px.insert(px.end(), look.begin() + j * 480 + x, look.begin() + j * 480 + x + width);
        return px;
    }
    static bool Blank(const std::vector<COLORREF>& px)
    {
        for (COLORREF c : px)
            if (c != RGB(0, 0, 0)) return false;
        return true;
    }
};

// Missing, without the key, 0: no monitor. 1: the monitor, as it is meant to
// look from outside.
TEST_F(DebugMonitorProgram, TheMonitorOpensOnlyWithDebugSet)
{
    struct Case {
        const char* config;
        bool monitor;
    } cases[] = {{nullptr, false}, {"[config]\nscreenshot=none.bmp\n", false}, {"[config]\ndebug=0\n", false},
                 {kDebugOn, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.config == nullptr ? "no config.txt" : c.config);
        Start(c.config);
        HWND w = MainWindow();
        ASSERT_NE(w, nullptr);
        if (c.monitor) {
            HWND mon = Probe_WaitWindow(kMonitorClass, nullptr, 30000);
            ASSERT_NE(mon, nullptr);
            char title[64] = {};
            GetWindowTextA(mon, title, sizeof title);
            EXPECT_STREQ(title, kMonitorTitle);
            RECT r;
            GetClientRect(mon, &r);
            EXPECT_EQ(r.right, 480);
            EXPECT_EQ(r.bottom, 300);
            const LONG style = GetWindowLongA(mon, GWL_STYLE);
            EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
            EXPECT_EQ(style & (WS_SYSMENU | WS_THICKFRAME), 0) << "no close box, no sizing";
            EXPECT_NE(GetWindowLongA(mon, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
            EXPECT_TRUE(IsWindowVisible(mon));
        } else {
            // The settings dialog opens from the message loop: the start,
            // which would make the monitor, is over.
            PostMessageA(w, WM_COMMAND, Win32MainWindow::ID_CFG,
                         reinterpret_cast<LPARAM>(GetDlgItem(w, Win32MainWindow::ID_CFG)));
            HWND d = Probe_WaitWindow("#32770", "設定", 30000);
            ASSERT_NE(d, nullptr);
            EXPECT_EQ(Probe_WaitWindow(kMonitorClass, nullptr, 0), nullptr);
            Probe_PressButton(d, IDCANCEL);
            Probe_WaitFor([&] { return !IsWindow(d); }, 10000);
        }
        EXPECT_EQ(Close(w), 0u);
    }
    EXPECT_FALSE(Exists(playerDir + "chipplay-error.log")) << ReadAll(playerDir + "chipplay-error.log");
}

// The screen is read (the whole program takes the "player_screen" lock).
TEST_F(DebugMonitorProgram, ItsTextMovesAndThePageKeysSwitchIt)
{
    Start(kDebugOn);
    HWND w = MainWindow();
    ASSERT_NE(w, nullptr);
    HWND mon = Probe_WaitWindow(kMonitorClass, kMonitorTitle, 30000);
    ASSERT_NE(mon, nullptr);
    Play(w, kLongSong);

    // The processor's four rows change again and again while the song plays.
    std::vector<COLORREF> seen;
    int changes = 0;
    Probe_WaitFor([&] {
        std::vector<COLORREF> now = Part(Look(mon), 0, 0, 480, 48);
        if (now.empty() || Blank(now)) return false;
        if (!seen.empty() && now != seen) changes++;
        seen = now;
        return changes >= 3;
    }, 30000);
    EXPECT_GE(changes, 3) << "the monitor's text did not move";
    Uncover(mon);
    Capture(mon, CAPTURE_DIR, "debug_monitor_page0");

    // Row 5 names the page: the chip (pages 0 and 3), "MEMORY:" (1), "MDATA:" (2).
    auto heading = [&] { return Part(Look(mon), 0, 60, 72, 12); };
    auto shown = [&](const std::vector<COLORREF>& px) { return !px.empty() && !Blank(px); };
    std::vector<COLORREF> page0, page1, page2;
    ASSERT_TRUE(Probe_WaitFor([&] {
        std::vector<COLORREF> before = page0;
        page0 = heading();
        return shown(page0) && page0 == before;
    }, 10000)) << "no steady heading";
    PostMessageA(mon, WM_CHAR, '2', 0);
    EXPECT_TRUE(Probe_WaitFor([&] {
        page1 = heading();
        return shown(page1) && page1 != page0;
    }, 10000)) << "'2' did not switch";
    Uncover(mon);
    Capture(mon, CAPTURE_DIR, "debug_monitor_page1");
    PostMessageA(mon, WM_CHAR, '3', 0);
    EXPECT_TRUE(Probe_WaitFor([&] {
        page2 = heading();
        return shown(page2) && page2 != page0 && page2 != page1;
    }, 10000)) << "'3' did not switch";
    Uncover(mon);
    Capture(mon, CAPTURE_DIR, "debug_monitor_page2");
    PostMessageA(mon, WM_CHAR, '1', 0);
    EXPECT_TRUE(Probe_WaitFor([&] { return heading() == page0; }, 10000)) << "'1' did not come back";
    EXPECT_EQ(Close(w), 0u);
}

// Closing with the monitor up and a song playing (the monitor's timer dumps
// the driver while the player thread runs it): exit code 0, nothing in the
// error log (which also takes the crash report), and "-d" done, so the
// shut-down ran to its end. Closing the monitor itself ends the player too.
TEST_F(DebugMonitorProgram, ClosingThePlayerOrTheMonitorEndsItCleanly)
{
    for (bool closeMonitor : {false, true}) {
        SCOPED_TRACE(closeMonitor ? "monitor closed" : "main window closed");
        Start(kDebugOn);
        HWND w = MainWindow();
        ASSERT_NE(w, nullptr);
        HWND mon = Probe_WaitWindow(kMonitorClass, kMonitorTitle, 30000);
        ASSERT_NE(mon, nullptr);
        Play(w, kLongSong);
        Sleep(1000);
        EXPECT_EQ(Close(closeMonitor ? mon : w), 0u);
        EXPECT_FALSE(Exists(archive)) << "the shut-down did not reach the archive's deletion";
        EXPECT_FALSE(Exists(playerDir + "chipplay-error.log")) << ReadAll(playerDir + "chipplay-error.log");
    }
}

}   // namespace

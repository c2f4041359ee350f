// The main window in this process, over the real Player, user interface and
// DirectSound: the Player's next-song requests are acted on once per gap,
// however many of them wait in the queue.
#include "AudioDevice.h"
#include "PC88Driver.h"
#include "RegisterDrivers.h"
#include "Player.h"
#include "Win32MainWindow.h"
#include "Win32RecordDialog.h"
#include "Win32UserInterface.h"
#include "X1Driver.h"
#include "boxless_system.h"
#include "testdir.h"
#include "winprobe.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class MainWindowTest : public testing::Test {
protected:
    TestDir dir;
    BoxlessSystem* sys = new BoxlessSystem();
    Win32UserInterface* ui = nullptr;
    Player* player = nullptr;
    HWND w = nullptr, list = nullptr;

    void SetUp() override
    {
        RegisterPC88Drivers();
        RegisterX1Drivers();
        ASSERT_TRUE(System::setInstance(sys));
        ui = new Win32UserInterface(GetModuleHandleA(nullptr));
        player = new Player();
        std::string archive = Probe_HostPath(std::string(MUSIC_DIR) + "/kzd/player_phases.kzd");
        std::string shot = Probe_HostPath(std::string(ART_DIR) + "/capture1.bmp");
        const char* argv[] = {"chipplay", archive.c_str(), shot.c_str()};
        ASSERT_TRUE(player->initialize(ui, 3, argv)) << sys->allBoxes();
        w = ui->getMainWindow()->getHandle();
        ASSERT_NE(w, nullptr);
        list = GetDlgItem(w, Win32MainWindow::ID_LIST);
        ASSERT_NE(list, nullptr);
    }
    void TearDown() override
    {
        if (player != nullptr) {
            player->terminate();
            delete player;
        }
        delete ui;
        EXPECT_EQ(sys->allBoxes(), "");
        System::terminate();
    }
    void Pump()
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    int Selected() { return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)); }
    // A row activated as a double-click does.
    void Activate(int row)
    {
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        NMITEMACTIVATE act = {};
        act.hdr.hwndFrom = list;
        act.hdr.idFrom = Win32MainWindow::ID_LIST;
        act.hdr.code = LVN_ITEMACTIVATE;
        act.iItem = row;
        SendMessageA(w, WM_NOTIFY, Win32MainWindow::ID_LIST, reinterpret_cast<LPARAM>(&act));
    }
};

// The Player asks on every tick of a gap; a window thread that comes late
// finds several requests: it starts one song, not one per request.
TEST_F(MainWindowTest, ThreeNextSongRequestsAtOnceStartExactlyOneSong)
{
    Activate(4);   // the forty-minute song: no request of its own for a long time
    ASSERT_EQ(player->getState(), Player::STATE_PLAY);
    ui->requestNext(false);
    ui->requestNext(false);
    ui->requestNext(false);
    Pump();
    EXPECT_EQ(Selected(), 5);
    EXPECT_EQ(player->getState(), Player::STATE_PLAY);
    // Acted on: the next gap may ask again.
    ui->requestNext(false);
    Pump();
    EXPECT_EQ(Selected(), 6);
}

// A request made before a song was started by hand belongs to the song
// that was playing then: it is dropped.
TEST_F(MainWindowTest, ARequestFromBeforeASongStartedByHandIsDropped)
{
    Activate(4);
    ui->requestNext(false);   // waits in the queue
    Activate(1);              // the user picks another song meanwhile
    Pump();
    EXPECT_EQ(Selected(), 1);
}

// The title strip's requests are the user's: each one steps.
TEST_F(MainWindowTest, EveryTitleStripRequestSteps)
{
    player->setAutoAdvance(false);
    Activate(0);
    ui->getMainWindow()->requestNext(false, true, false);
    ui->getMainWindow()->requestNext(false, true, false);
    Pump();
    EXPECT_EQ(Selected(), 2);
}

// The recording dialog's progress: capped at 100, and final once finished
// or failed (a late percentage cannot undo the end).
TEST(RecordDialog, ProgressIsCappedAndTheEndIsFinal)
{
    struct Case {
        std::vector<int32_t> reports;
        int32_t shown;
    } cases[] = {
        {{}, -1},
        {{150}, 100},
        {{40, -2, 60}, -2},
        {{40, -3, -2, 70}, -3},
    };
    for (const Case& c : cases) {
        Win32RecordDialog d;
        for (int32_t v : c.reports) d.setProgress(v);
        EXPECT_EQ(d.getProgress(), c.shown) << testing::PrintToString(c.reports);
    }
}

// The last row: the next-song step stops a playing song and keeps the
// selection, or wraps to the first row with repeat all; the previous-song
// step at the first row wraps to the last with repeat all.
TEST_F(MainWindowTest, TheLastRowStopsOrWrapsWithRepeatAll)
{
    const int last = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) - 1;
    player->setAutoAdvance(false);
    Activate(last);
    ASSERT_EQ(player->getState(), Player::STATE_PLAY);
    ui->getMainWindow()->requestNext(false, true, false);
    Pump();
    EXPECT_EQ(player->getState(), Player::STATE_STOP);
    EXPECT_EQ(Selected(), last);

    Activate(last);
    ui->getMainWindow()->requestNext(true, true, false);
    Pump();
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(player->getState(), Player::STATE_PLAY);

    ui->getMainWindow()->requestPrevious(true, true);
    Pump();
    EXPECT_EQ(Selected(), last);
    ui->getMainWindow()->requestPrevious(false, false);   // stopped: only the selection moves
    Pump();
    EXPECT_EQ(Selected(), last - 1);
}

// The volume slider: its bottom mutes (the device's minimum), position 1 is
// -40 dB plus one step, the top is full volume.
TEST_F(MainWindowTest, VolumeSliderPositions)
{
    HWND slider = GetDlgItem(w, Win32MainWindow::ID_VOL);
    ASSERT_NE(slider, nullptr);
    struct Case {
        int position;
        int32_t volume;
    } cases[] = {{0, -10000}, {1, -3960}, {50, -2000}, {99, -40}, {100, 0}};
    for (const Case& c : cases) {
        SendMessageA(slider, TBM_SETPOS, TRUE, c.position);
        SendMessageA(w, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, c.position), reinterpret_cast<LPARAM>(slider));
        EXPECT_EQ(ui->getAudioDevice()->getVolume(), c.volume) << "position " << c.position;
    }
    // The thumb's final position report and the end of a drag change nothing.
    SendMessageA(slider, TBM_SETPOS, TRUE, 0);
    SendMessageA(w, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 0), reinterpret_cast<LPARAM>(slider));
    SendMessageA(w, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
    EXPECT_EQ(ui->getAudioDevice()->getVolume(), 0);
}

// With "do not advance" set a song plays on past its length; without it the
// next row starts.
TEST_F(MainWindowTest, TheSettingKeepsASongPastItsLength)
{
    player->setAutoAdvance(false);
    Activate(0);   // 300 ms long
    Probe_WaitFor([&] {
        Pump();
        return false;
    }, 1500);
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(player->getState(), Player::STATE_PLAY);
    player->setAutoAdvance(true);
    Activate(0);
    EXPECT_TRUE(Probe_WaitFor([&] {
        Pump();
        return Selected() != 0;
    }, 20000));
    EXPECT_EQ(Selected(), 1);
}

}   // namespace

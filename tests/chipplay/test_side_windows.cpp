// The keyboard and level-meter windows in this process (hidden: only their
// back buffers are looked at, so the screen stays free), over a real Player
// (its tick fired by hand, so only the statuses a test hands in are shown):
// what they draw into their back buffers, compared with the built-in
// pictures cell by cell; the buttons they build for the running machine;
// chip and track muting through the Player; the skin errors; and calls that
// arrive after the window was released.
#include "Config.h"
#include "MemFile.h"
#include "PC88Driver.h"
#include "RegisterDrivers.h"
#include "Player.h"
#include "Win32KbdWindow.h"
#include "Win32LvlWindow.h"
#include "Win32ResFile.h"
#include "X1Driver.h"
#include "player_fakes.h"
#include "winprobe.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

const COLORREF kMarker = RGB(255, 0, 255);

std::string BuiltInSkinText()
{
    Win32ResFile f;
    if (!f.open(GetModuleHandleA(nullptr), "skin.txt", "TEXT")) return std::string();
    std::string text(static_cast<size_t>(f.size()), '\0');
    f.read(&text[0], f.size());
    return text;
}

// The skin text with one section (its header and keys) taken out.
std::string WithoutSection(const std::string& text, const std::string& name)
{
    const size_t at = text.find("[" + name + "]");
    if (at == std::string::npos) return text;
    size_t end = text.find("\n[", at);
    end = end == std::string::npos ? text.size() : end + 1;
    return text.substr(0, at) + text.substr(end);
}

// A built-in picture in a DC of its own.
class Art {
public:
    explicit Art(const char* resource)
        : mBitmap(static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), resource, IMAGE_BITMAP, 0, 0, 0))),
          mDC(CreateCompatibleDC(nullptr)), mOld(SelectObject(mDC, mBitmap))
    {
    }
    ~Art()
    {
        SelectObject(mDC, mOld);
        DeleteDC(mDC);
        DeleteObject(mBitmap);
    }
    HDC dc() const { return mDC; }

private:
    HBITMAP mBitmap;
    HDC mDC;
    HGDIOBJ mOld;
};

// True when the w x h area at (x, y) of `dc` equals the picture's at (sx, sy).
bool SameArea(HDC dc, int x, int y, int w, int h, HDC art, int sx, int sy)
{
    for (int j = 0; j < h; j++)
        for (int i = 0; i < w; i++)
            if (GetPixel(dc, x + i, y + j) != GetPixel(art, sx + i, sy + j)) return false;
    return true;
}

void Fill(HDC dc, int x, int y, int w, int h, COLORREF c)
{
    HBRUSH b = CreateSolidBrush(c);
    RECT r = {x, y, x + w, y + h};
    FillRect(dc, &r, b);
    DeleteObject(b);
}

class SideWindowTest : public testing::Test {
protected:
    PlayerTestSystem* sys = nullptr;
    FakeUI ui;
    Player* player = nullptr;
    Config skin;

    void SetUp() override
    {
        RegisterPC88Drivers();
        RegisterX1Drivers();
        System::terminate();
        sys = new PlayerTestSystem();
        System::setInstance(sys);
    }
    void TearDown() override
    {
        if (player != nullptr) {
            player->terminate();
            delete player;
        }
        System::terminate();
    }
    // The Player over one of the test archives, and a skin.
    void Open(const std::string& archive, const std::string& skinText = BuiltInSkinText())
    {
        player = new Player();
        const std::string path = Probe_HostPath(std::string(MUSIC_DIR) + "/kzd/" + archive + ".kzd");
        const char* argv[] = {"chipplay", path.c_str()};
        ASSERT_TRUE(player->initialize(&ui, 2, argv));
        MemFile text(skinText.data(), static_cast<int>(skinText.size()), true);
        ASSERT_TRUE(skin.load(&text));
    }
    int Tracks()
    {
        int n = 0;
        for (int i = 0; i < player->getChipCount(); i++) n += player->getChipState(i)->channelCount;
        return n;
    }
    PlayerStatus Key(int track, int note, int level, int volume = 100, int pan = 3)
    {
        PlayerStatus s;
        s.channel[track].note = note;
        s.channel[track].level = level;
        s.channel[track].volume = volume;
        s.channel[track].pan = pan;
        return s;
    }
};

// --- keyboard window -------------------------------------------------------

class KbdWindowTest : public SideWindowTest {
protected:
    std::unique_ptr<Win32KbdWindow> kbd;
    std::unique_ptr<Art> keys;

    void Make(const std::string& archive)
    {
        Open(archive);
        kbd.reset(new Win32KbdWindow());
        ASSERT_TRUE(kbd->create(GetModuleHandleA(nullptr), SW_HIDE, player, &skin)) << sys->errors().size();
        keys.reset(new Art("KEYBOARD_KBD.BMP"));
        kbd->update();
    }
    void TearDown() override
    {
        kbd.reset();
        SideWindowTest::TearDown();
    }
    void Show(const PlayerStatus& s)
    {
        kbd->setStatus(&s);
        kbd->update();
    }
    bool Block(int track, int octave, int image)
    {
        return SameArea(kbd->getBackDC(), kbd->blockX(octave), kbd->rowY(track), 35, 16, keys->dc(), 0, 16 * image);
    }
    // Every block of the row shows `image` but block `except`.
    bool RowShows(int track, int image, int except = -1)
    {
        for (int o = 0; o < 10; o++)
            if (o != except && !Block(track, o, image)) return false;
        return true;
    }
    // Paints the other blocks of the row over, to see what is redrawn.
    void MarkRowBut(int track, int keep)
    {
        for (int o = 0; o < 10; o++)
            if (o != keep) Fill(kbd->getBackDC(), kbd->blockX(o), kbd->rowY(track), 35, 16, kMarker);
    }
    bool Marked(int track, int octave)
    {
        return GetPixel(kbd->getBackDC(), kbd->blockX(octave) + 17, kbd->rowY(track) + 8) == kMarker;
    }
};

TEST_F(KbdWindowTest, KeysLightAndRestoreOnlyTheOctaveBlocksThatChange)
{
    Make("pc88_opna");
    const int t = 2;
    EXPECT_TRUE(RowShows(t, 0));

    Show(Key(t, 60, 200));   // C of octave 5
    EXPECT_TRUE(Block(t, 5, 1));
    EXPECT_TRUE(RowShows(t, 0, 5));
    Show(Key(t, 60, 0));     // released
    EXPECT_TRUE(RowShows(t, 0));

    Show(Key(t, 61, 200));
    EXPECT_TRUE(Block(t, 5, 2));
    MarkRowBut(t, 5);
    Show(Key(t, 62, 200));   // the same octave: only block 5 is drawn
    EXPECT_TRUE(Block(t, 5, 3));
    for (int o = 0; o < 10; o++)
        if (o != 5) {
            EXPECT_TRUE(Marked(t, o)) << "block " << o << " was redrawn";
        }

    Show(Key(t, 71, 200));   // B of octave 5
    EXPECT_TRUE(Block(t, 5, 12));
    MarkRowBut(t, 5);
    Show(Key(t, 72, 200));   // C of octave 6: block 5 restored, block 6 drawn
    EXPECT_TRUE(Block(t, 5, 0));
    EXPECT_TRUE(Block(t, 6, 1));
    for (int o = 0; o < 10; o++)
        if (o != 5 && o != 6) {
            EXPECT_TRUE(Marked(t, o)) << "block " << o << " was redrawn";
        }

    Show(Key(t, 130, 200));  // above the keyboard: its last key
    EXPECT_TRUE(Block(t, 9, 12));
    EXPECT_TRUE(Block(t, 6, 0));

    Show(Key(t, 130, 0));
    kbd->setMask(0);   // everything drawn again
    kbd->update();
    // The other rows never changed.
    for (int other = 0; other < 16; other++)
        if (other != t) {
            EXPECT_TRUE(RowShows(other, 0)) << "row " << other;
        }
}

TEST_F(KbdWindowTest, AMutedTrackShowsTheMutedImageAndNoKeyUntilUnmuted)
{
    Make("pc88_opna");
    const int t = 3;
    Show(Key(t, 60, 200));
    ASSERT_TRUE(Block(t, 5, 1));
    ASSERT_TRUE(player->setMask(1u << t));
    kbd->setMask(1u << t);   // what the user interface hands on
    kbd->update();
    EXPECT_TRUE(RowShows(t, 13));
    Show(Key(t, 64, 200));   // still playing: nothing shows
    EXPECT_TRUE(RowShows(t, 13));
    EXPECT_EQ(kbd->getTrackButton(t)->getCheck(), 1);

    ASSERT_TRUE(player->setMask(0));
    kbd->setMask(0);
    kbd->update();
    EXPECT_TRUE(Block(t, 5, 5));   // E of octave 5, the key held now
    EXPECT_TRUE(RowShows(t, 0, 5));
    EXPECT_EQ(kbd->getTrackButton(t)->getCheck(), 0);
}

// A click on a track button asks the Player to mute the track; the button
// itself follows the mask the Player hands back.
TEST_F(KbdWindowTest, ATrackButtonTogglesItsBitOfThePlayersMask)
{
    Make("x1_opm");
    // Tracks the machine lacks count as muted from the start.
    const uint32_t start = player->getMask();
    EXPECT_EQ(start, ~0x7FFu);
    HWND button = GetDlgItem(kbd->getHandle(), 1300 + 4);
    ASSERT_NE(button, nullptr);
    SendMessageA(kbd->getHandle(), WM_COMMAND, 1300 + 4, reinterpret_cast<LPARAM>(button));
    EXPECT_EQ(player->getMask(), start | 1u << 4);
    ASSERT_FALSE(ui.masks.empty());
    EXPECT_EQ(ui.masks.back(), start | 1u << 4);
    EXPECT_EQ(kbd->getTrackButton(4)->getCheck(), 0) << "the button waits for the Player's mask";
    kbd->setMask(ui.masks.back());
    EXPECT_EQ(kbd->getTrackButton(4)->getCheck(), 1);
    SendMessageA(kbd->getHandle(), WM_COMMAND, 1300 + 4, reinterpret_cast<LPARAM>(button));
    EXPECT_EQ(player->getMask(), start);
}

// --- buttons for the running machine ----------------------------------------

struct MachineCase {
    const char* archive;
    int tracks;   // channels of the machine
    int chips;
};

class SideWindowButtons : public SideWindowTest, public testing::WithParamInterface<MachineCase> {};

TEST_P(SideWindowButtons, OnlyTheMachinesTracksHaveButtons)
{
    const MachineCase& m = GetParam();
    Open(m.archive);
    ASSERT_EQ(Tracks(), m.tracks);
    ASSERT_EQ(player->getChipCount(), m.chips);
    Win32KbdWindow kbd;
    Win32LvlWindow lvl;
    ASSERT_TRUE(kbd.create(GetModuleHandleA(nullptr), SW_HIDE, player, &skin));
    ASSERT_TRUE(lvl.create(GetModuleHandleA(nullptr), SW_HIDE, player, &skin));
    for (int t = 0; t < 16; t++) {
        const bool has = t < m.tracks;
        EXPECT_EQ(GetDlgItem(kbd.getHandle(), 1300 + t) != nullptr, has) << "keyboard track " << t;
        EXPECT_EQ(GetDlgItem(lvl.getHandle(), 1300 + t) != nullptr, has) << "level track " << t;
    }
    for (int c = 0; c < 16; c++)
        EXPECT_EQ(GetDlgItem(lvl.getHandle(), 1200 + c) != nullptr, c < m.chips) << "chip " << c;
    EXPECT_TRUE(sys->errors().empty());
}

INSTANTIATE_TEST_SUITE_P(Machines, SideWindowButtons,
                         testing::Values(MachineCase{"pc88_opn", 6, 1}, MachineCase{"pc88_opna", 16, 1},
                                         MachineCase{"x1_psg", 3, 1}, MachineCase{"x1_opm", 11, 2}),
                         [](const testing::TestParamInfo<MachineCase>& i) { return std::string(i.param.archive); });

// --- level-meter window ----------------------------------------------------

class LvlWindowTest : public SideWindowTest {
protected:
    std::unique_ptr<Win32LvlWindow> lvl;
    std::unique_ptr<Art> cells, pans;

    void Make(const std::string& archive)
    {
        Open(archive);
        lvl.reset(new Win32LvlWindow());
        ASSERT_TRUE(lvl->create(GetModuleHandleA(nullptr), SW_HIDE, player, &skin));
        cells.reset(new Art("LEVEL_LVL.BMP"));
        pans.reset(new Art("LEVEL_PAN.BMP"));
        lvl->update();
    }
    void TearDown() override
    {
        lvl.reset();
        SideWindowTest::TearDown();
    }
    void Show(const PlayerStatus& s)
    {
        lvl->setStatus(&s);
        lvl->update();
    }
    // Built-in places: lvl "31,29,30,64", pan "31,94,30,25".
    bool Bar(int track, int cell)
    {
        return SameArea(lvl->getBackDC(), 31 + 30 * track, 29, 30, 64, cells->dc(), 30 * cell, 0);
    }
    bool Pan(int track, int pan) { return SameArea(lvl->getBackDC(), 31 + 30 * track, 94, 30, 25, pans->dc(), 0, 25 * pan); }
};

TEST_F(LvlWindowTest, TheMeterJumpsToAKeyOnsVolumeThenFallsTwoHeldAndSixReleased)
{
    Make("pc88_opna");
    const int t = 5;
    struct Step {
        int level, volume, cell;
    } steps[] = {
        {255, 120, 15},   // key-on: 120
        {130, 127, 15},   // another key-on: 127
        {100, 0, 15},     // held: 125
        {100, 0, 15},     // 123
        {100, 0, 15},     // 121
        {100, 0, 14},     // 119: the fourth fall
        {0, 0, 14},       // released: 113
        {0, 0, 13},       // 107
    };
    int i = 0;
    for (const Step& s : steps) {
        Show(Key(t, 60, s.level, s.volume, 1));
        EXPECT_TRUE(Bar(t, s.cell)) << "step " << i;
        EXPECT_TRUE(Pan(t, 1)) << "step " << i;
        i++;
    }
    for (int k = 0; k < 30; k++) Show(Key(t, 60, 0, 0));
    EXPECT_TRUE(Bar(t, 0)) << "the meter stops at 0";
    EXPECT_TRUE(Pan(t, 3));
}

TEST_F(LvlWindowTest, AMutedTrackShowsAnEmptyBarAndNoPan)
{
    Make("pc88_opna");
    const int t = 7;
    Show(Key(t, 60, 255, 127, 6));
    ASSERT_TRUE(Bar(t, 15));
    ASSERT_TRUE(player->setMask(1u << t));
    lvl->setMask(1u << t);
    Show(Key(t, 60, 255, 127, 6));
    EXPECT_TRUE(Bar(t, 0));
    EXPECT_TRUE(Pan(t, 7));
    ASSERT_TRUE(player->setMask(0));
    lvl->setMask(0);
    Show(Key(t, 60, 255, 127, 6));
    EXPECT_TRUE(Bar(t, 15));
    EXPECT_TRUE(Pan(t, 6));
}

// A chip button mutes all of its tracks unless all are muted already, in
// which case it unmutes them; the other chip's tracks stay as they are.
TEST_F(LvlWindowTest, AChipButtonMutesAndUnmutesAllItsTracks)
{
    Make("x1_opm");   // YM2151: tracks 0-7, AY-3-8910: tracks 8-10
    HWND w = lvl->getHandle();
    auto press = [&](int chip) {
        SendMessageA(w, WM_COMMAND, 1200 + chip, reinterpret_cast<LPARAM>(GetDlgItem(w, 1200 + chip)));
        if (!ui.masks.empty()) lvl->setMask(ui.masks.back());
    };
    ASSERT_TRUE(player->setMask(1u << 9));   // one PSG track muted
    lvl->setMask(1u << 9);
    press(1);
    EXPECT_EQ(player->getMask(), 0x700u) << "some were audible: all three muted";
    for (int t = 8; t <= 10; t++) EXPECT_EQ(lvl->getTrackButton(t)->getCheck(), 1) << t;
    press(1);
    EXPECT_EQ(player->getMask(), 0u) << "all were muted: all three audible";
    for (int t = 8; t <= 10; t++) EXPECT_EQ(lvl->getTrackButton(t)->getCheck(), 0) << t;
    press(0);
    EXPECT_EQ(player->getMask(), 0xFFu);
    SendMessageA(w, WM_COMMAND, 1300 + 2, reinterpret_cast<LPARAM>(GetDlgItem(w, 1302)));
    EXPECT_EQ(player->getMask(), 0xFBu) << "a channel button unmutes its one track";
}

// --- skin errors -----------------------------------------------------------

struct SkinCase {
    const char* name;
    const char* removed;
    bool keyboard;
    std::vector<std::string> errors;
};

class SideWindowSkinErrors : public SideWindowTest, public testing::WithParamInterface<SkinCase> {};

TEST_P(SideWindowSkinErrors, AMissingSectionFailsCreationWithItsMessage)
{
    const SkinCase& c = GetParam();
    Open("x1_psg", WithoutSection(BuiltInSkinText(), c.removed));
    bool made;
    if (c.keyboard) {
        Win32KbdWindow w;
        made = w.create(GetModuleHandleA(nullptr), SW_HIDE, player, &skin);
    } else {
        Win32LvlWindow w;
        made = w.create(GetModuleHandleA(nullptr), SW_HIDE, player, &skin);
    }
    EXPECT_FALSE(made);
    EXPECT_EQ(sys->errors(), c.errors);
    EXPECT_TRUE(sys->assertions().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Sections, SideWindowSkinErrors,
    testing::Values(
        SkinCase{"KbdKeyboardPos", "keyboard_pos", true, {"[KbdWindow]keyboard_posセクションが取得できません\n"}},
        SkinCase{"KbdLevelPos", "level_pos", true,
                 {"[KbdWindow]level_posセクションが取得できません\n", "[KbdWindow]ウィンドウの生成に失敗しました\n"}},
        SkinCase{"KbdSysSkin", "sys_skin", true,
                 {"[KbdWindow]sys_skinセクションが取得できません\n", "[KbdWindow]ウィンドウの生成に失敗しました\n"}},
        SkinCase{"LvlLevelPos", "level_pos", false, {"[LvlWindow]level_posセクションが取得できません\n"}},
        SkinCase{"LvlSysSkin", "sys_skin", false,
                 {"[LvlWindow]sys_skinセクションが取得できません\n", "[LvlWindow]ウィンドウの生成に失敗しました\n"}},
        SkinCase{"LvlLevelSkin", "level_skin", false,
                 {"[LvlWindow]level_skinセクションが取得できません\n", "[LvlWindow]ウィンドウの生成に失敗しました\n"}}),
    [](const testing::TestParamInfo<SkinCase>& i) { return std::string(i.param.name); });

// --- after the release -----------------------------------------------------

// The main window releases its side windows while the player thread may
// still be in a tick: from then on its calls do nothing, and the window
// thread's own drawing finds nothing either.
TEST_F(SideWindowTest, CallsAfterTheReleaseDoNothing)
{
    Open("pc88_opna");
    Win32KbdWindow kbd;
    Win32LvlWindow lvl;
    ASSERT_TRUE(kbd.create(GetModuleHandleA(nullptr), SW_HIDE, player, &skin));
    ASSERT_TRUE(lvl.create(GetModuleHandleA(nullptr), SW_HIDE, player, &skin));
    // A player thread feeding both as fast as it can while they go.
    std::atomic<bool> stop{false};
    std::atomic<int> calls{0};
    std::thread feeder([&] {
        PlayerStatus s;
        for (int n = 0; !stop; n++) {
            s.channel[n % 16].level = 255;
            s.channel[n % 16].note = n % 120;
            s.channel[n % 16].volume = 100;
            kbd.setStatus(&s);
            lvl.setStatus(&s);
            kbd.update();
            lvl.update();
            calls++;
        }
    });
    Probe_WaitFor([&] { return calls > 50; }, 20000);
    EXPECT_TRUE(kbd.destroy());
    EXPECT_TRUE(lvl.destroy());
    EXPECT_TRUE(kbd.isGone());
    EXPECT_EQ(kbd.getHandle(), nullptr);
    EXPECT_EQ(kbd.getBackDC(), nullptr);
    EXPECT_EQ(lvl.getBackDC(), nullptr);
    const int before = calls;
    Probe_WaitFor([&] { return calls > before + 50; }, 20000);
    stop = true;
    feeder.join();
    EXPECT_GT(calls.load(), before) << "the feeder went on calling the released windows";
    // Released windows take a status, an update and a mask without making
    // a window or a back buffer again.
    PlayerStatus s;
    kbd.setStatus(&s);
    kbd.update();
    lvl.setMask(1);
    lvl.update();
    EXPECT_EQ(kbd.getHandle(), nullptr);
    EXPECT_EQ(lvl.getHandle(), nullptr);
    EXPECT_EQ(kbd.getBackDC(), nullptr);
    EXPECT_EQ(lvl.getBackDC(), nullptr);
    EXPECT_FALSE(kbd.setStatus(nullptr));
    EXPECT_TRUE(sys->assertions().empty());
}

}   // namespace

#include "Win32KbdWindow.h"

#include "Config.h"
#include "Player.h"
#include "System.h"

#include <string>

namespace {

const Win32SideWindow::Options kOptions = {"KbdWindow", "win32/Win32KbdWindow",  Win32KbdWindow::kClassName,
                                           "keyboard_pos", "keyboard_bg", Win32KbdWindow::WIDTH,
                                           Win32KbdWindow::HEIGHT};

// The first row in keyboard_trk of each chip type's channel names.
struct ChipRow {
    int type;
    const char* key;
    int row;
};
const ChipRow kChipRows[] = {{ChipInfo::TYPE_YM2203, "ym2203", 1},   {ChipInfo::TYPE_YM2608, "ym2608", 7},
                             {ChipInfo::TYPE_YM2151, "ym2151", 23},  {ChipInfo::TYPE_YM2149, "ym2149", 31},
                             {ChipInfo::TYPE_AY38910, "ay38910", 34}, {ChipInfo::TYPE_MSM6258, "msm6258", 37}};

}   // namespace

const char Win32KbdWindow::kClassName[] = "TIV VELQA SOUND PLAYER (KEYBOARD)";

Win32KbdWindow::Win32KbdWindow()
    : Win32SideWindow(kOptions), mKbdSkinDC(nullptr), mChSkinDC(nullptr), mKbdX(0), mKbdY(0), mRowHeight(0), mTrkX(0),
      mTrkY(0), mTrkWidth(0), mChannel(), mLastMask(0)
{
    for (int32_t& n : mLastNote) n = -1;
}

Win32KbdWindow::~Win32KbdWindow()
{
    destroy();
}

bool Win32KbdWindow::prepare(ConfigSection* pos)
{
    // The keyboard's width and the buttons' height are not read: ten octaves
    // across, one row per track.
    const SkinRect kbd = ParseSkinRect(pos->getString("kbd", ""));
    const SkinRect trk = ParseSkinRect(pos->getString("trk", ""));
    mKbdX = kbd.x;
    mKbdY = kbd.y;
    mRowHeight = kbd.h;
    mTrkX = trk.x;
    mTrkY = trk.y;
    mTrkWidth = trk.w;
    SYSTEM_CHECK(mOptions.sourcePath, (mChSkinDC = loadSkinBitmap("keyboard_trk")) != NULL, false);
    SYSTEM_CHECK(mOptions.sourcePath, (mKbdSkinDC = loadSkinBitmap("keyboard_kbd")) != NULL, false);
    return true;
}

bool Win32KbdWindow::buildButtons(HWND hwnd)
{
    ConfigSection* rows = mSkinCfg->getSection("keyboard_skin");
    const int chips = mPlayer->getChipCount();
    int track = 0;
    // Rows and buttons exist for tracks 0 to 15 only: a machine with more
    // channels shows its first sixteen, counted channel by channel.
    for (int i = 0; i < chips && track < MAX_TRACK; i++) {
        ChipInfo* ci = mPlayer->getChipState(i);
        SYSTEM_CHECK(mOptions.sourcePath, ci != NULL, false);
        int start = -1;
        for (const ChipRow& r : kChipRows)
            if (r.type == ci->type) start = rows != nullptr ? rows->getInt(r.key, r.row) : r.row;
        if (start < 0) {
            System::error("[KbdWindow]不明なチップです(%d)\n", static_cast<int>(ci->type));
            start = 0;
        }
        for (int c = 0; c < ci->channelCount && track < MAX_TRACK; c++, track++) {
            SYSTEM_CHECK(mOptions.sourcePath,
                         makeTrackButton(track, hwnd, mTrkX, mTrkY + mRowHeight * track, mTrkWidth, mRowHeight,
                                         mChSkinDC, 0, (start + c) * mRowHeight, 2),
                         false);
        }
    }
    return true;
}

void Win32KbdWindow::takeStatus(const PlayerStatus& status)
{
    for (int t = 0; t < MAX_TRACK; t++) mChannel[t] = status.channel[t];
}

void Win32KbdWindow::drawBlock(int track, int octave, int image)
{
    blit(blockX(octave), rowY(track), OCTAVE_WIDTH, mRowHeight, mKbdSkinDC, 0, IMAGE_HEIGHT * image);
}

bool Win32KbdWindow::drawTracks(uint32_t dirty, uint32_t mask)
{
    if (dirty & DIRTY_FORGET) dirty |= DIRTY_UPDATE;
    if (!(dirty & DIRTY_UPDATE)) return false;
    bool drawn = false;
    for (int t = 0; t < MAX_TRACK; t++) {
        const uint32_t bit = 1u << t;
        const bool muted = (mask & bit) != 0;
        if ((dirty & DIRTY_FORGET) != 0 || muted != ((mLastMask & bit) != 0)) {
            for (int o = 0; o < OCTAVES; o++) drawBlock(t, o, muted ? IMAGE_MUTED : 0);
            mLastNote[t] = -1;
            drawn = true;
        }
        if (muted) continue;
        int32_t want = -1;
        const ChannelStatus& ch = mChannel[t];
        if (ch.level != 0 && ch.note >= 0) want = ch.note / 12 > OCTAVES - 1 ? 12 * OCTAVES - 1 : ch.note;
        const int32_t last = mLastNote[t];
        if (want == last) continue;
        if (last >= 0 && (want < 0 || last / 12 != want / 12)) drawBlock(t, last / 12, 0);
        if (want >= 0) drawBlock(t, want / 12, want % 12 + 1);
        mLastNote[t] = want;
        drawn = true;
    }
    mLastMask = mask;
    return drawn;
}

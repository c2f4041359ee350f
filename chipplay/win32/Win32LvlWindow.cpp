#include "Win32LvlWindow.h"

#include "Config.h"
#include "Player.h"
#include "System.h"

#include <string>

namespace {

const Win32SideWindow::Options kOptions = {"LvlWindow", "win32/Win32LvlWindow", Win32LvlWindow::kClassName,
                                           "level_pos", "level_bg", Win32LvlWindow::WIDTH, Win32LvlWindow::HEIGHT};

// The first chip-name picture in level_chip of each chip type.
struct ChipKey {
    int type;
    const char* key;
    int first;
};
const ChipKey kChipKeys[] = {{ChipInfo::TYPE_YM2203, "ym2203", 0},   {ChipInfo::TYPE_YM2608, "ym2608", 6},
                             {ChipInfo::TYPE_YM2151, "ym2151", 22},  {ChipInfo::TYPE_YM2149, "ym2149", 30},
                             {ChipInfo::TYPE_AY38910, "ay38910", 33}, {ChipInfo::TYPE_MSM6258, "msm6258", 36}};

}   // namespace

const char Win32LvlWindow::kClassName[] = "TIV VELQA SOUND PLAYER (LEVEL METER)";

Win32LvlWindow::Win32LvlWindow()
    : Win32SideWindow(kOptions), mLvlSkinDC(nullptr), mPanSkinDC(nullptr), mChipSkinDC(nullptr), mChSkinDC(nullptr),
      mChipExists(), mLvl(), mPan(), mChip(), mCh(), mMeter(), mPanCode()
{
    for (int t = 0; t < MAX_TRACK; t++) {
        mChipOf[t] = mCellOf[t] = -1;
        mLastLvl[t] = mLastPan[t] = -1;
        mPanCode[t] = ChannelStatus::PAN_BOTH;
    }
}

Win32LvlWindow::~Win32LvlWindow()
{
    destroy();
}

bool Win32LvlWindow::prepare(ConfigSection* pos)
{
    mLvl = ParseSkinRect(pos->getString("lvl", ""));
    mPan = ParseSkinRect(pos->getString("pan", ""));
    mChip = ParseSkinRect(pos->getString("chip", ""));
    mCh = ParseSkinRect(pos->getString("ch", ""));
    SYSTEM_CHECK(mOptions.sourcePath, (mLvlSkinDC = loadSkinBitmap("level_lvl")) != NULL, false);
    SYSTEM_CHECK(mOptions.sourcePath, (mPanSkinDC = loadSkinBitmap("level_pan")) != NULL, false);
    SYSTEM_CHECK(mOptions.sourcePath, (mChipSkinDC = loadSkinBitmap("level_chip")) != NULL, false);
    SYSTEM_CHECK(mOptions.sourcePath, (mChSkinDC = loadSkinBitmap("level_ch")) != NULL, false);
    return true;
}

bool Win32LvlWindow::buildButtons(HWND hwnd)
{
    SYSTEM_CHECK(mOptions.sourcePath, mPlayer != NULL, false);
    SYSTEM_CHECK(mOptions.sourcePath, mSkinCfg != NULL, false);
    ConfigSection* skin = mSkinCfg->getSection("level_skin");
    if (skin == nullptr) {
        error("level_skinセクションが取得できません\n");
        return false;
    }
    const int fm = skin->getInt("fm", 1), ssg = skin->getInt("ssg", 9), psg = skin->getInt("psg", 12);
    const int adpcm = skin->getInt("adpcm", 15), rhythm = skin->getInt("rhythm", 16);

    const int chips = mPlayer->getChipCount();
    int track = 0;
    // Columns exist for tracks 0 to 15 only: a machine with more channels
    // shows its first sixteen, counted channel by channel, and a chip cut at
    // the edge gets a button over the columns it has.
    for (int c = 0; c < chips && c < MAX_TRACK && track < MAX_TRACK; c++) {
        ChipInfo* ci = mPlayer->getChipState(c);
        SYSTEM_CHECK(mOptions.sourcePath, ci != NULL, false);
        int first = -1;
        for (const ChipKey& k : kChipKeys)
            if (k.type == ci->type) first = skin->getInt(k.key, k.first);
        if (first < 0) System::error("[LvlWindow]不明なチップです(%d)\n", static_cast<int>(ci->type));
        int shown = 0;
        for (int i = 0; i < ci->channelCount && track + i < MAX_TRACK; i++, shown++) {
            int cell = -1;
            switch (ci->type) {
            case ChipInfo::TYPE_YM2203:
                cell = i < 3 ? fm + i : i < 6 ? ssg + i - 3 : -1;
                break;
            case ChipInfo::TYPE_YM2608:
                cell = i < 6 ? fm + i : i < 9 ? ssg + i - 6 : i == 9 ? adpcm : i < 16 ? rhythm + i - 10 : -1;
                break;
            case ChipInfo::TYPE_YM2151:
                cell = i < 8 ? fm + i : -1;
                break;
            case ChipInfo::TYPE_YM2149:
            case ChipInfo::TYPE_AY38910:
                cell = i < 3 ? psg + i : -1;
                break;
            case ChipInfo::TYPE_MSM6258:
                cell = i == 0 ? adpcm : -1;
                break;
            default:
                break;
            }
            mChipOf[track + i] = c;
            mCellOf[track + i] = cell;
        }
        if (first < 0) first = 0;
        mChipExists[c] = mChipBtn[c].create("", mChip.x + mChip.w * track, mChip.y, mChip.w * shown, mChip.h, hwnd,
                                            ID_CHIP + c, mInstance, mChipSkinDC, mChip.w * first, 0, 1);
        SYSTEM_CHECK(mOptions.sourcePath, mChipExists[c], false);
        track += shown;
    }
    for (int t = 0; t < MAX_TRACK; t++) {
        if (mCellOf[t] < 0) continue;
        SYSTEM_CHECK(mOptions.sourcePath,
                     makeTrackButton(t, hwnd, mCh.x + mCh.w * t, mCh.y, mCh.w, mCh.h, mChSkinDC, mCh.w * mCellOf[t], 0,
                                     1),
                     false);
    }
    return true;
}

void Win32LvlWindow::takeStatus(const PlayerStatus& status)
{
    for (int t = 0; t < MAX_TRACK; t++) {
        const ChannelStatus& s = status.channel[t];
        int32_t m = mMeter[t];
        if (s.level < 128) {
            // Falls slowly while the key is held, faster once it is off.
            m -= s.level == 0 ? 6 : 2;
        } else {
            m = s.volume;   // a key-on not shown yet
        }
        mMeter[t] = m < 0 ? 0 : m > 127 ? 127 : m;
        mPanCode[t] = s.pan >= 0 && s.pan <= ChannelStatus::PAN_NONE ? s.pan : ChannelStatus::PAN_NONE;
    }
}

bool Win32LvlWindow::drawTracks(uint32_t dirty, uint32_t mask)
{
    if (dirty & DIRTY_FORGET)
        for (int t = 0; t < MAX_TRACK; t++) mLastLvl[t] = mLastPan[t] = -1;
    if (!(dirty & DIRTY_UPDATE)) return false;
    bool drawn = false;
    for (int t = 0; t < MAX_TRACK; t++) {
        const bool muted = (mask & (1u << t)) != 0;
        const int32_t cell = muted ? 0 : mMeter[t] / 8;
        const int32_t pan = muted ? ChannelStatus::PAN_NONE : mPanCode[t];
        if (cell != mLastLvl[t]) {
            blit(mLvl.x + mLvl.w * t, mLvl.y, mLvl.w, mLvl.h, mLvlSkinDC, mLvl.w * cell, 0);
            mLastLvl[t] = cell;
            drawn = true;
        }
        if (pan != mLastPan[t]) {
            blit(mPan.x + mPan.w * t, mPan.y, mPan.w, mPan.h, mPanSkinDC, 0, mPan.h * pan);
            mLastPan[t] = pan;
            drawn = true;
        }
    }
    return drawn;
}

void Win32LvlWindow::toggleChip(int chip)
{
    SYSTEM_CHECK(mOptions.sourcePath, getChipButton(chip) != NULL, );
    SYSTEM_CHECK(mOptions.sourcePath, mPlayer != NULL, );
    uint32_t bits = 0;
    for (int t = 0; t < MAX_TRACK; t++)
        if (mChipOf[t] == chip) bits |= 1u << t;
    const uint32_t mask = mPlayer->getMask();
    const bool allMuted = (mask & bits) == bits;
    for (int t = 0; t < MAX_TRACK; t++) {
        Win32BitmapCheckBox* box = getTrackButton(t);
        if (box == nullptr || !((bits >> t) & 1)) continue;
        if ((box->getCheck() != 0) == !allMuted) continue;
        box->setCheck(allMuted ? 0 : 1, true);
    }
    mPlayer->setMask(allMuted ? mask & ~bits : mask | bits);
}

bool Win32LvlWindow::onOwnCommand(int id)
{
    if (id < ID_CHIP || id >= ID_CHIP + MAX_TRACK) return false;
    toggleChip(id - ID_CHIP);
    return true;
}

bool Win32LvlWindow::drawOwnItem(int id, DRAWITEMSTRUCT* di)
{
    if (id < ID_CHIP || id >= ID_CHIP + MAX_TRACK) return false;
    Win32BitmapButton* button = getChipButton(id - ID_CHIP);
    SYSTEM_CHECK(mOptions.sourcePath, button != NULL, false);
    button->drawItem(di);
    return true;
}

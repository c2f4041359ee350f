// Win32LvlWindow: the level-meter window (542 x 173): per track a level bar
// and a pan cell, under them a button per chip (mutes or unmutes all of its
// tracks) and a check box per channel (mutes or unmutes one track). The
// frame, the track check boxes and the muting path are Win32SideWindow's.
//
// Pictures: level_bg (the face), level_lvl (16 bar cells side by side; cell
// k for meter values 8k..8k+7), level_pan (8 pan cells stacked: 0 left, 3
// centre, 6 right, 7 off), level_chip (chip names side by side, a chip's
// picture as wide as its channels, button states stacked below) and
// level_ch (channel names side by side, check-box states stacked below, so
// each name's cells stay in its own column). Places: skin section level_pos
// (lvl, pan, chip, ch), first pictures: level_skin.
//
// The meter follows a key-on's volume at once and then falls 2 a status,
// 6 once the key is off; only changed cells are copied.
#pragma once

#include "Win32SideWindow.h"

class Win32LvlWindow : public Win32SideWindow {
public:
    enum { WIDTH = 542, HEIGHT = 173, ID_CHIP = 1200 };
    static const char kClassName[];

    Win32LvlWindow();
    ~Win32LvlWindow() override;

    // The chip button of chip c, null where the machine has none (for tests).
    Win32BitmapButton* getChipButton(int chip) const
    {
        return chip >= 0 && chip < MAX_TRACK && mChipExists[chip] ? &mChipBtn[chip] : nullptr;
    }

protected:
    bool prepare(ConfigSection* pos) override;
    bool buildButtons(HWND hwnd) override;
    void takeStatus(const PlayerStatus& status) override;
    bool drawTracks(uint32_t dirty, uint32_t mask) override;
    bool onOwnCommand(int id) override;
    bool drawOwnItem(int id, DRAWITEMSTRUCT* di) override;

private:
    using Rect = SkinRect;
    void toggleChip(int chip);

    HDC mLvlSkinDC, mPanSkinDC, mChipSkinDC, mChSkinDC;
    mutable Win32BitmapButton mChipBtn[MAX_TRACK];
    bool mChipExists[MAX_TRACK];
    int mChipOf[MAX_TRACK];   // per track: its chip, -1 without a channel
    int mCellOf[MAX_TRACK];   // per track: its channel-name cell, -1 without a channel
    Rect mLvl, mPan, mChip, mCh;
    int32_t mMeter[MAX_TRACK];
    int32_t mPanCode[MAX_TRACK];
    int32_t mLastLvl[MAX_TRACK];
    int32_t mLastPan[MAX_TRACK];
};

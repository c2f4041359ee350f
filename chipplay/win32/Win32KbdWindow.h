// Win32KbdWindow: the keyboard window (542 x 283): one ten-octave keyboard
// row per track showing the key the track plays, and beside it a button
// with the channel's name that mutes and unmutes the track. The frame, the
// buttons and the muting path are Win32SideWindow's.
//
// Pictures: keyboard_bg (the face), keyboard_kbd (one 35-pixel octave in 14
// images stacked 16 apart: 0 idle, 1..12 key C..B down, 13 muted) and
// keyboard_trk (a row of button cells per channel name: normal, hover,
// checked, checked and hovered from left to right, so each name's cells stay
// in its own row). Places: skin section keyboard_pos, kbd and trk.
//
// Only what changed is drawn: a row whole when its mute state changes (or
// everything is dirty), otherwise at most the octave block the key left and
// the one it entered.
#pragma once

#include "Win32SideWindow.h"

class Win32KbdWindow : public Win32SideWindow {
public:
    enum { WIDTH = 542, HEIGHT = 283, OCTAVES = 10, OCTAVE_WIDTH = 35, IMAGE_HEIGHT = 16, IMAGE_MUTED = 13 };
    static const char kClassName[];

    Win32KbdWindow();
    ~Win32KbdWindow() override;

    // Where octave block `octave` of track `track` lies in the window.
    int blockX(int octave) const { return mKbdX + OCTAVE_WIDTH * octave; }
    int rowY(int track) const { return mKbdY + mRowHeight * track; }

protected:
    bool prepare(ConfigSection* pos) override;
    bool buildButtons(HWND hwnd) override;
    void takeStatus(const PlayerStatus& status) override;
    bool drawTracks(uint32_t dirty, uint32_t mask) override;

private:
    void drawBlock(int track, int octave, int image);

    HDC mKbdSkinDC, mChSkinDC;
    int mKbdX, mKbdY, mRowHeight;
    int mTrkX, mTrkY, mTrkWidth;
    ChannelStatus mChannel[MAX_TRACK];
    int32_t mLastNote[MAX_TRACK];
    uint32_t mLastMask;
};

// Win32MainWindow: the player's skinned main window (542 x 286, captionless,
// rounded corners): the title's screenshot, an information display (text,
// waveform or spectrum), the playing state, song title and time, the song
// list, the transport, tempo and display buttons and the volume slider.
// Every request goes to the Player; the window has no timer of its own and
// is redrawn once per player tick through update().
//
//   Win32MainWindow win;
//   if (!win.create(instance, player, config)) return false;   // shown at once
//   int code = win.run();                                      // until WM_QUIT
//   win.release();
//
// Threads: update, setStatus, setMask and notifyRecord come from the player
// thread while it holds the Player's lock; everything else runs on the window
// thread. The window's own lock guards the back buffer, the dirty flags, the
// status copy and the recording dialog pointer. Lock order: Player, window,
// recording dialog; the window never calls a Player operation that locks
// while it holds its own lock, except Player::getTempo.
//
// Next song: the Player asks for the next song on every tick of a song's
// gap until another song starts. Its requests are told apart from the title
// strip's (lParam kFromPlayer) and only one is posted and acted on per gap;
// a request left over from before a song was started or stopped by hand is
// dropped.
//
// Side windows: the keyboard and level-meter windows are made hidden at the
// end of create and get every status, mask and update; WM_DESTROY releases
// them (they ignore the player thread from then on) and release() deletes
// them, which the user interface does only after the player thread is joined.
//
// Files: Win32MainWindow.cpp (creation, layout, messages),
// Win32MainWindowDraw.cpp (drawing into the back buffer),
// Win32MainWindowCommands.cpp (commands, songs, volume, recording).
#pragma once

#include "PlayerStatus.h"
#include "Win32SkinControls.h"
#include "Win32Window.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

class Config;
class ConfigEntry;
class Player;
class Win32KbdWindow;
class Win32LvlWindow;
class Win32RecordDialog;
class Win32SideWindow;

class Win32MainWindow : public Win32Window {
public:
    enum { WIDTH = 542, HEIGHT = 286 };
    enum { DIRTY_ALL = 1, DIRTY_DISP = 2, DIRTY_CONTENTS = 4 };
    enum { MODE_TEXT = 1, MODE_WAVE = 2, MODE_SPECTRUM = 3 };
    enum { WM_NEXT_SONG = WM_USER + 1, WM_PREVIOUS_SONG = WM_USER + 2 };
    enum { ID_PLAY = 1000, ID_STOP, ID_REC, ID_TMIN, ID_TDEC, ID_TRST, ID_TINC, ID_TMAX, ID_DSP, ID_KBD, ID_LVL,
           ID_CFG, ID_LIST, ID_VOL, ID_CLOSE = 2000, ID_MINIMIZE = 2001 };
    static const char kClassName[];

    Win32MainWindow();
    ~Win32MainWindow() override;

    bool create(HINSTANCE instance, Player* player, Config* config);
    int32_t run();
    void setTitle(const std::string& text);
    std::string getTitle() const { return mTitle; }
    bool setStatus(const PlayerStatus* status);
    bool setMask(uint32_t mask);
    bool notifyRecord(int32_t value);
    bool update();
    // From the title strip (window thread) or, with fromPlayer, from the
    // Player's tick: at most one Player request waits at a time.
    void requestNext(bool repeatAll, bool playing, bool fromPlayer);
    void requestPrevious(bool repeatAll, bool playing);
    void release();
    // The side windows (made hidden at create, shown by the kbd and lvl buttons).
    Win32KbdWindow* getKbdWindow() const { return mKbdWnd; }
    Win32LvlWindow* getLvlWindow() const { return mLvlWnd; }

    LRESULT wndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    enum { kFromPlayer = 1 };
    struct Rect {
        int x, y, w, h;
    };

    // Win32MainWindow.cpp
    bool loadSkin();
    HDC loadSkinBitmap(const char* name);
    int layout(HWND hwnd);
    void fillList();
    // Win32MainWindowDraw.cpp
    bool draw();
    void drawWave(HDC dc);
    void drawSpectrum(HDC dc);
    // Win32MainWindowCommands.cpp
    void onCommand(int id);
    void onNotify(NMHDR* hdr, LRESULT* result);
    void onVolume(int code);
    void onNextSong(WPARAM wParam, LPARAM lParam, bool next);
    void startSong(int row);
    void record();
    void configure();
    void showSideWindow(Win32SideWindow* side, Win32SideWindow* other);
    void refreshPlayButton();
    void invalidate(uint32_t flags);
    ConfigEntry* rowEntry(int row);

    HINSTANCE mInstance;
    Player* mPlayer;
    Config* mConfig;
    HACCEL mAccel;
    std::string mTitle;
    Config* mSkin;

    HDC mBackDC;
    Win32Dib mBackBitmap;
    HGDIOBJ mBackOld;
    HRGN mRegion;
    HDC mBgSkinDC, mSysSkinDC, mBtnSkinDC, mWaveSkinDC, mSpectSkinDC, mStatusSkinDC, mThumbDC;
    HFONT mLargeFont, mSmallFont;

    Win32BitmapButton mCloseBtn, mMinimizeBtn, mPlayBtn, mStopBtn, mRecBtn, mTminBtn, mTdecBtn, mTrstBtn, mTincBtn,
        mTmaxBtn, mDspBtn, mKbdBtn, mLvlBtn, mCfgBtn;
    Win32ListView mList;
    Win32TrackBar mVolTB;

    Rect mDisp, mSs, mStat, mTitleRect, mTime;
    int mTempoX, mTempoY;
    COLORREF mDispColor, mTitleColor, mTempoColor;

    // Owned; released (gone) at WM_DESTROY, deleted by release() once the
    // player thread that feeds them has stopped.
    Win32KbdWindow* mKbdWnd;
    Win32LvlWindow* mLvlWnd;
    Win32RecordDialog* mRecordDialog;
    uint32_t mDirty;
    int mMode;
    std::string mInfo[3];
    int32_t mLastState;
    std::string mSongTitle;
    int64_t mLastTime, mLastTotal;
    PlayerStatus mStatus;
    int mWaveCache[64];
    int mSpectCache[64];

    // Songs started or stopped by hand or by a step: a Player request made
    // before the latest of them is stale.
    std::atomic<uint32_t> mSongEpoch;
    std::atomic<bool> mPlayerNextPending;
    // The epoch the one waiting Player request was made in; kept here, not
    // in the message (an LPARAM is 32 bits in the 32-bit build).
    std::atomic<uint32_t> mPlayerNextEpoch;
};

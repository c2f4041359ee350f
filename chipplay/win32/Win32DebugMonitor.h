// Win32DebugMonitor: the developer's window that shows the running music
// driver's state as 25 rows of 80 fixed-pitch characters (white on black,
// 480 x 300 pixels), refreshed on a timer. It is the DebugMonitor grid the
// drivers write into, plus the window that asks the Player to fill it and
// paints it.
//
//   Win32DebugMonitor* mon = new Win32DebugMonitor();
//   if (!mon->create("デバッグモニター", instance, player, 50, 0)) ...   // reports its own error
//   ...                      // every 50 ms: player->dump(mon, page), then a repaint
//   mon->destroy();          // before the Player and the main window go
//   delete mon;
//
// Keys '1'..'4' choose page 0..3 and refresh at once; while the left button
// is held the display is frozen (no dump, the repaint still happens). A
// paint draws only the rows whose bytes differ from what the back buffer
// already shows, so a page that does not change costs one BitBlt.
//
// The window has no system menu and so no close box; when it does go by
// itself (WM_CLOSE) its WM_DESTROY posts the quit message, which ends the
// player. Whoever destroys it after the message loop has ended must not let
// that quit message reach a later wait for messages (Win32UserInterface
// discards it).
//
// Everything runs on the window thread. Player::dump reaches the driver
// under the VM's lock, so a dump made while the player thread plays reads
// the driver consistently.
#pragma once

#include "DebugMonitor.h"
#include "Win32Window.h"

#include <windows.h>

#include <cstdint>
#include <string>

class Player;
class Win32Dib;

class Win32DebugMonitor : public DebugMonitor, public Win32Window {
public:
    enum { WIDTH = 480, HEIGHT = 300, ROW_HEIGHT = 12, TIMER_ID = 1 };
    static const char kClassName[];

    Win32DebugMonitor();
    ~Win32DebugMonitor() override;

    // A period of 0 starts no timer (the grid is then refreshed by the page
    // keys only). The player must not be null.
    bool create(const char* title, HINSTANCE instance, Player* player, int32_t period, int32_t page);
    using Win32Window::create;
    // True: the window, if any, is destroyed and the back-buffer DC released.
    bool destroy() override;

    int32_t getPage() const { return mPage; }
    bool isRunning() const { return mRunning; }
    // The grid as the back buffer shows it (what the last paint drew).
    const char* getShownGrid() const { return mShown; }
    // Rows drawn with TextOutA since the window was made.
    uint32_t getRowsDrawn() const { return mRowsDrawn; }

    LRESULT wndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void refresh(HWND hwnd);
    void paint(HWND hwnd);
    void releaseBackDC();

    std::string mTitle;
    Player* mPlayer;
    HINSTANCE mInstance;
    int32_t mPeriod;
    int32_t mPage;
    HDC mBackDC;
    Win32Dib* mBackBitmap;
    HGDIOBJ mBackOld;
    HFONT mFont;
    HGDIOBJ mFontOld;
    UINT_PTR mTimer;
    bool mRunning;
    char mShown[CELLS];
    uint32_t mRowsDrawn;
};

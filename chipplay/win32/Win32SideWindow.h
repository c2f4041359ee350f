// Win32SideWindow: what the keyboard window and the level-meter window share.
// Both are skinned, captionless pop-ups with rounded corners that the main
// window makes hidden at its start and shows below (or above) itself; both
// show one column or row per track (channel) of the running machine and mute
// a track from its check box. This base owns the back buffer, the background
// and system-button skins, the close and minimize buttons, the track check
// boxes (ids 1300 + track), the routing of owner-drawn items, the muting
// path and the lock-guarded status/update/draw cycle; a derived window adds
// its own pictures, buttons and drawing.
//
//   Win32KbdWindow kbd;                                   // or Win32LvlWindow
//   kbd.create(instance, SW_HIDE, player, skin);          // skin: the main window's Config
//   kbd.setStatus(&status); kbd.update();                 // player thread, once a tick
//   kbd.destroy();                                        // window thread; later calls do nothing
//   delete ...                                            // only once the player thread is joined
//
// Threads: setStatus, setMask and update may come from the player thread
// while the window thread paints; all of them take the object's lock. The
// Player's mask is read before the lock is taken, so the window never holds
// its own lock while it waits for one of the machine's.
//
// Going away: the main window releases its side windows while the player
// thread may still call setStatus and update until it is joined. destroy
// therefore marks the window gone under its lock before anything is freed;
// every later call returns at once, and the object itself may be deleted
// only after the player thread has stopped.
#pragma once

#include "PlayerStatus.h"
#include "Win32SkinControls.h"
#include "Win32Window.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class Config;
class ConfigSection;
class Player;

class Win32SideWindow : public Win32Window {
public:
    enum { ID_TRACK = 1300, ID_CLOSE = 2000, ID_MINIMIZE = 2001 };
    enum { DIRTY_BACKGROUND = 1, DIRTY_FORGET = 2, DIRTY_UPDATE = 4 };

    // What tells the two windows apart.
    struct Options {
        const char* tag;          // the message prefix, "KbdWindow" or "LvlWindow"
        const char* sourcePath;   // assertion source
        const char* className;    // also the window's title
        const char* posSection;   // the window's own placement section, read at create
        const char* background;   // its background picture
        int width, height;
    };

    ~Win32SideWindow() override;

    bool create(HINSTANCE instance, int showCmd, Player* player, Config* skin);
    // Marks the window gone, destroys it and frees its drawing resources.
    bool destroy() override;
    bool setStatus(const PlayerStatus* status);
    bool setMask(uint32_t mask);
    bool update() override;
    bool isGone();

    int getWidth() const { return mOptions.width; }
    int getHeight() const { return mOptions.height; }
    // What the window shows, before it reaches the screen (for tests).
    HDC getBackDC() const { return mBackDC; }
    Win32BitmapCheckBox* getTrackButton(int track) const
    {
        return track >= 0 && track < MAX_TRACK ? mTrackBtn[track] : nullptr;
    }

    LRESULT wndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    explicit Win32SideWindow(const Options& options);

    // At create, with the window's placement section: read positions and
    // load the window's own pictures (loadSkinBitmap). False fails create.
    virtual bool prepare(ConfigSection* pos) = 0;
    // At window creation, after the close and minimize buttons: the
    // window's track check boxes (makeTrackButton) and other buttons.
    virtual bool buildButtons(HWND hwnd) = 0;
    // Under the lock: take a new status.
    virtual void takeStatus(const PlayerStatus& status) = 0;
    // Under the lock, dirty flags given, background already drawn: draw what
    // changed into mBackDC; true when anything was drawn.
    virtual bool drawTracks(uint32_t dirty, uint32_t mask) = 0;
    // Commands and owner-drawn items of the derived window's own buttons.
    virtual bool onOwnCommand(int) { return false; }
    virtual bool drawOwnItem(int, DRAWITEMSTRUCT*) { return false; }

    // A skin picture (the skin folder's file, else the program's resource)
    // in a memory DC of its own, freed with the window; null when missing.
    HDC loadSkinBitmap(const char* name);
    void error(const std::string& text);   // "[tag]" + text
    bool makeTrackButton(int track, HWND parent, int x, int y, int w, int h, HDC skinDC, int sx, int sy, int layout);
    void blit(int x, int y, int w, int h, HDC from, int sx, int sy);

    Options mOptions;
    HINSTANCE mInstance;
    Player* mPlayer;
    Config* mSkinCfg;
    HDC mBackDC;
    Win32Dib mBackBitmap;
    Win32BitmapCheckBox* mTrackBtn[MAX_TRACK];

private:
    bool draw();
    void toggleTrack(int track);
    void freeResources();

    HGDIOBJ mBackOld;
    HRGN mRegion;
    HDC mBgSkinDC, mSysSkinDC;
    std::vector<HDC> mSkinDCs;   // every skin DC, freed together
    Win32BitmapButton mCloseBtn, mMinimizeBtn;
    uint32_t mDirty;
    bool mGone;
};

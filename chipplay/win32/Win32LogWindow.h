// Win32LogWindow: the "error log" window, the on-screen side of the player's
// error output. It keeps the newest 8191 bytes of messages (line feeds stored
// as CR LF) and scrolls to the newest line.
//
//   Win32LogWindow log(instance);
//   log.startErrorLog(*system);   // on the window thread, after System::setInstance:
//                                 // made hidden, every System::error reaches it
//   ...
//   log.stopErrorLog(*system);    // on the window thread, before System::terminate
//
// The window belongs to the thread that made it (the window thread, the one
// that pumps messages). append, from whichever thread reports, only fills the
// ring under the object's lock and posts a private message; the window thread
// then shows the window (at the first message), sets the text and scrolls. A
// reporting thread therefore never waits for the window thread, which may be
// busy or may itself wait for the reporter's locks.
#pragma once

#include "Win32System.h"
#include "Win32Window.h"

#include <string>

class Win32LogWindow : public Win32Window {
public:
    static const int kRingSize = 8192;

    explicit Win32LogWindow(HINSTANCE instance);
    ~Win32LogWindow() override;

    bool create();   // true; a class or window that cannot be made leaves the window absent
    // create, then the system's errors are echoed here; stop undoes both.
    bool startErrorLog(Win32System& system);
    void stopErrorLog(Win32System& system);
    using Win32Window::create;
    bool destroy() override;
    void append(const char* text);

    // The ring's contents, oldest byte first.
    std::string getText();
    HWND getEdit() const { return mEdit; }

    LRESULT wndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    static void echo(void* self, const char* text);
    void put(char c);
    void refresh(HWND hwnd);

    HINSTANCE mInstance;
    HWND mEdit;
    HFONT mFont;
    HBRUSH mBrush;
    HWND mTarget;    // where append posts; under the lock (read from other threads)
    bool mPending;   // a notice is posted and not yet handled; under the lock
    char mRing[kRingSize];
    int mHead;
    int mTail;
};

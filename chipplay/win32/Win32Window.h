// Win32Window, Win32Control, Win32Dialog: the player's windows as objects.
// Each object owns a Win32Thunk, so every message of its window reaches its
// virtual wndProc (dialogProc) directly.
//
//   class LogWindow : public Win32Window {
//       LRESULT wndProc(HWND h, UINT m, WPARAM w, LPARAM l) override;   // use h until create returns
//   };
//   WNDCLASSEXA wc = {...};                        // lpfnWndProc is filled in
//   win.registerClass(wc);                         // unregistered again once the window is gone
//   win.create("QV LOG WINDOW", "error log", WS_OVERLAPPED, 0, ...);
//
// A window class registered through registerClass has the framework's start
// procedure, not any object's thunk: the window being made by create is handed
// to its own object's thunk at its very first message (before WM_NCCREATE).
// So two windows of one class reach their own objects, and no class ever
// points into the page of an object that is gone. The class itself is
// unregistered after the window of the object that registered it is destroyed,
// so the next window of that type registers it afresh.
//
// A window whose WM_CREATE returns -1 was never the object's: the WM_DESTROY
// that Windows then sends it (Wine sends none) goes to DefWindowProcA, not
// to wndProc, so a handler that posts the quit message on WM_DESTROY posts
// it only for a window that was created.
//
// Controls (Win32Control) subclass a standard control: its procedure becomes
// the thunk, and wndProc passes what it does not handle to the old one.
// Win32Window, Win32Control, Win32Dialog live in Win32Window.cpp,
// Win32Control.cpp and Win32Dialog.cpp. All of it runs on the window thread.
#pragma once

#include "Object.h"
#include "Win32Thunk.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

class Win32Window : public virtual Object {
public:
    Win32Window();
    ~Win32Window() override;   // the window, if still there, falls back to DefWindowProcA

    virtual bool create(const char* className, const char* windowName, DWORD style, DWORD exStyle, int x, int y,
                        int width, int height, HWND parent, HMENU menuOrId, HINSTANCE instance, void* param);
    virtual bool attach(HWND hwnd);
    virtual bool destroy();
    virtual bool show(int cmd);
    virtual bool update();
    virtual bool enable(bool on);
    virtual LRESULT wndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    // Registers a class for windows of this type (lpfnWndProc is set here).
    // True when the class is there afterwards (made now or still registered).
    bool registerClass(WNDCLASSEXA wc);

    HWND getHandle() const { return mHWnd; }
    // The thunk as a window procedure; reports "mThunk != NULL" when the
    // object has none.
    WNDPROC getThunk() const;

protected:
    HWND mHWnd;
    Win32Thunk* mThunk;
    HWND mRefused;   // the window whose WM_CREATE returned -1: its WM_DESTROY is not the object's

private:
    static LRESULT CALLBACK entry(Win32Window* self, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK startProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void unregisterOwnClass();

    std::string mClassName;     // the class this object registered, empty when none
    HINSTANCE mClassInstance;
};

class Win32Control : public Win32Window {
public:
    Win32Control();
    ~Win32Control() override;   // a window still there gets its own procedure back

    bool create(const char* className, const char* windowName, DWORD style, DWORD exStyle, int x, int y, int width,
                int height, HWND parent, HMENU menuOrId, HINSTANCE instance, void* param) override;
    bool attach(HWND hwnd) override;
    LRESULT wndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
    virtual void drawItem(DRAWITEMSTRUCT* _di);
    virtual LRESULT customDraw(NMCUSTOMDRAW* _cd);

protected:
    bool subclass();
    WNDPROC mPrevProc;
};

class Win32Dialog : public virtual Object {
public:
    Win32Dialog();
    ~Win32Dialog() override;

    virtual INT_PTR doModal(HINSTANCE instance, int templateId, HWND parent);
    // Default: IDOK ends the dialog with 1, IDCANCEL with 2; FALSE for every message.
    virtual INT_PTR dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND getHandle() const { return mHWnd; }
    DLGPROC getThunk() const;

protected:
    HWND mHWnd;
    Win32Thunk* mThunk;
    HWND mRefused;   // the window whose WM_CREATE returned -1: its WM_DESTROY is not the object's

private:
    static INT_PTR CALLBACK entry(Win32Dialog* self, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};

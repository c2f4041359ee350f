// Hosting of the system's web browser control in a child window. The window
// class "AtlAxWin71" takes the control's ProgID as its window text, creates
// the control and keeps it in place in the window; the control is handed
// out by the registered message "WM_ATLGETCONTROL".
//
//   AtlAxWinInit();
//   HWND hPane = CreateWindowExA(0, "AtlAxWin71", "Shell.Explorer.2", WS_CHILD | WS_VISIBLE,
//                                x, y, w, h, hMain, 0, hInst, 0);
//   IUnknown* pUnk = NULL;
//   if (SUCCEEDED(AtlAxGetControl(hPane, &pUnk))) { ...QueryInterface(IID_IWebBrowser2)...; pUnk->Release(); }
//
// - The pane follows its window: moved or sized with it, closed and let go of
//   when the window is destroyed. Everything happens on the thread that made
//   the window, which must run a message loop (the browser works through
//   it and never blocks it on the network); OLE is initialised on that
//   thread by the first pane.
// - A text that names no control that can be made (or a control that cannot
//   be activated in place) leaves the window an empty child: a blank pane,
//   for which AtlAxGetControl fails with *ppUnk = NULL.
// - Wine here has no HTML engine: its browser control is made and fetches
//   the page it is sent to, and the pane stays blank.
#pragma once

#include <windows.h>
#include <unknwn.h>

// Registers the window class (once; later calls return TRUE at once).
BOOL    AtlAxWinInit(void);
// The hosted control of a host window, with a reference for the caller
// (released by the caller). Fails with *ppUnk = NULL for a blank pane, a
// window that is not a pane, or a pane of another thread.
HRESULT AtlAxGetControl(HWND hWnd, IUnknown** ppUnk);

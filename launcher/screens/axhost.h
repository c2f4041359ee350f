// Hosting of the system's web browser control in a child window. The window
// class "AtlAxWin71" takes the control's ProgID as its window text, creates
// the control and keeps it in place in the window; the control is handed
// out by the registered message "WM_ATLGETCONTROL".
#pragma once

#include <windows.h>
#include <unknwn.h>

// Registers the window class (once; later calls return TRUE at once).
BOOL    AtlAxWinInit(void);
// The hosted control of a host window, with a reference for the caller.
HRESULT AtlAxGetControl(HWND hWnd, IUnknown** ppUnk);

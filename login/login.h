// login: a member's first sign-in on a machine. It asks for the user id and
// password in its shaped dialog, makes sure the member has no catalogue
// store (REG.DAT) here yet, has the service check the account in one POST
// on the launcher's request queue (its progress window and the shaped
// window with the splash on screen meanwhile), writes the store with the
// account and today's date, and starts the launcher in its launcher mode.
//
//   login.exe                          the dialog (mode 3)
//   login.exe -start tiv,              only the shaped window (mode 2)
//   login.exe -salegame id,pw,content,tiv,playgame|playkzdp,   likewise (modes 0, 1)
//
// Start-up is the launcher's chain of posted messages on a main window of
// its class: WM_CREATE posts WMU_PREINITAPP, which posts
// WMU_INITAPP_LOGINMODE; the 1000-ms timer moves the queue, whose result
// comes back as WMU_RECV_CHECKUSER; every reply ends the program. One
// instance at a time (mutex "Q7tool_tivlogin"); the log is "login.log" in
// the current folder.
#pragma once

#include <windows.h>

enum {
    WMU_INITAPP_LOGINMODE = WM_USER + 41,
    WMU_RECV_CHECKUSER = WM_USER + 73,
};

LRESULT CALLBACK LOGIN_WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
int LOGIN_PreInitApp(void);
// 1 chosen (the id in pUserId), 0 chooser cancelled, -1 no application
// folder, -2 no store.
int APP_GetUserInfo(char* pUserId, int nSize);
// 1 the check is queued, or the program is ending without failure (an
// account already here); 0 a failure whose message was shown.
int InitApp_LoginMode(void);
int StartCheckUser(void);
int LOGIN_Proc_WmuRecvCheckUser(HWND hWnd, WPARAM wParam, LPARAM lParam);
int LOGIN_AnalyReceiveData(HWND hWnd, const char* pReply, int nSize);

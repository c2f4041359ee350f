// The login dialog (template 139): a shaped, captionless box with the user
// id and password edits and two owner-drawn buttons drawn from strips.
//
//   char id[128] = "", pw[128] = "";
//   if (LOGINDLG_Show(id, pw, GetDesktopWindow(), hInst, sizeof(id), sizeof(pw))) ... OK
//
// Its pictures: 151 the shape (black outside), 152 the background, 153 and
// 154 the OK and CANCEL strips, the normal face above the pressed one. The
// controls are put where the background frames them (resources/mkart.pl
// draws the frames at these places), whatever the dialog font makes of the
// template's units. Esc does nothing: only OK and CANCEL end the dialog.
#pragma once

#include <windows.h>

enum {
    IDD_LOGINDLG = 139,
    IDB_LOGIN_SHAPE = 151,
    IDB_LOGIN_BG = 152,
    IDB_LOGIN_OK = 153,
    IDB_LOGIN_CANCEL = 154,
    IDC_LOGIN_ID = 1020,
    IDC_LOGIN_PASSWORD = 1021,
    IDC_LOGIN_OK = IDOK,
    IDC_LOGIN_CANCEL = 1000,
};

// The first row of each strip's pressed face.
enum { LOGIN_OK_PRESSED_ROW = 38, LOGIN_CANCEL_PRESSED_ROW = 24 };

// 1 for OK (both texts copied, at most size - 1 bytes each), 0 for CANCEL.
int LOGINDLG_Show(char* pUserId, char* pPassword, HWND hOwner, HINSTANCE hInst, int nIdSize, int nPwSize);

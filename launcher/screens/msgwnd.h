// The please-wait dialog: a small captioned box saying that a long operation
// runs. It uses nothing of the launcher but its template (130) among the
// program's resources, so other programs of the family link it as well.
#pragma once

#include <windows.h>

enum { IDD_MSGWND = 130 };

int MSGWND_Open(HINSTANCE hInst, HWND hParent);
int MSGWND_Close(void);
int MSGWND_IsOpen(void);

// The application-settings dialog: the list shown first at start and the two
// start-up switches, read from appset.bin when it opens and written back on
// OK. Modeless and single: a second Create while it is open does nothing.
// The running launcher does not re-read the file; the next start does.
#pragma once

#include <windows.h>

enum { IDD_APPLISETTING = 134 };

int APPLISETTING_Create(HINSTANCE hInst, HWND hMain);
int APPLISETTING_Show(int nCmdShow);
int APPLISETTING_Destroy(void);

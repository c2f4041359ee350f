// The notice window: a small modeless box for messages such as a failed
// client-version check; it hides itself ten seconds after it was shown.
#pragma once

#include <windows.h>

int DECWND_Create(HINSTANCE hInst, HWND hParent);
int DECWND_SetText(const char* pStr);
int DECWND_Show(void);
int DECWND_IsExist(void);
int DECWND_Destroy(void);

// SCCTRL: the child controls of the launcher's main window, made once from
// the skin's image records (the control id of each is its image type), and
// SCSPLASH: the sale modes' splash picture from sp.bin.
#pragma once

#include <windows.h>

#include "list.h"

// What the controls need from the program above: the main window, the
// program instance, the skin and the lcm.bin layout (the sort panel's
// items), and the application folder.
struct ScctrlHostIf {
    HWND (*getMainWnd)(void);
    HINSTANCE (*getInstance)(void);
    LIST* (*getSkinList)(void);
    LIST* (*getLcmList)(void);
    LIST* (*getLcdList)(void);
    const char* (*getAppPath)(void);
};
void SCCTRL_SetHost(const ScctrlHostIf* pHost);

int  SCCTRL_CreateControls(LIST* pLstImg, HWND hWnd, HINSTANCE hInst);
int  SCCTRL_Fini(void);
HWND SCCTRL_GetCtrl(int imgType);                // NULL: no such control
int  SCCTRL_ShowCtrl(int imgType, int nCmdShow);
int  SCCTRL_SelectContents(int imgType, LIST* pRow);   // refills the catalogue list (type 8 only)
int  SCCTRL_TrackCursor(void);                   // hover of the sort panel, every animation tick

int  SCSPLASH_Load(LIST* pList, const char* pPath, HWND hWnd);
int  SCSPLASH_Fini(LIST* pList);

// SCCTRL: the child controls of the launcher's main window, made once at
// start-up in launcher mode from the skin's image records. The control id
// of each is its image type, and a table by image type keeps the handles:
// owner-drawn buttons, the catalogue list box (8, scrolled without flicker),
// the hidden page selector (10), the news and banner web panes (49, 50,
// each told its env.bin page once) and the sort header panel (52, class
// "OC": painted from skin images 52 to 54, hover every animation tick,
// clicks post WMU_SORTBUTTON or open the sort menu).
//
//   static const ScctrlHostIf host = { GetMainWnd, GetInstance, GetSkin, GetLcm, GetLcd, GetAppPath };
//   SCCTRL_SetHost(&host);
//   SCCTRL_CreateControls(&lstSkin, hWnd, hInst);
//   SCCTRL_SelectContents(eCD_IMGTYPE_LST_CONTENTS, &lstRow);   // after each rebuild of the rows
//   SCCTRL_Fini();                                              // the windows die with hWnd
//
// The splash screen of the sale modes is scsplash.h's.
#pragma once

#include <windows.h>

#include "list.h"
#include "sclayout.h"
#include "scskin.h"
#include "scsplash.h"

// What the controls need from the program above: the main window, the
// program instance, the skin and the lcm.bin layout (the sort panel's
// items), the lcd.bin layout (the selected row's height), and the
// application folder.
struct ScctrlHostIf {
    HWND (*getMainWnd)(void);
    HINSTANCE (*getInstance)(void);
    LIST* (*getSkinList)(void);
    LIST* (*getLcmList)(void);
    LIST* (*getLcdList)(void);
    const char* (*getAppPath)(void);
};
void SCCTRL_SetHost(const ScctrlHostIf* pHost);

enum {
    SCMD_MAX_CTRL = 128,
    SCCTRL_ROWTEXT = 2048,
    SCCTRL_ROWH_EXPANDED = 125,   // the selected row's height when lcd.bin gives none
};

// One item of the sort panel, in the panel's client coordinates.
struct SortPanelItem {
    int  type;   // eSCLD_IDTYPE
    int  x, y, w, h;
    int  state;  // up/down items: 0 the next click asks for up, 1 for down
    char text[SCCTRL_ROWTEXT];
    int  nReserved0;
    int  nReserved1;
};

int  SCCTRL_CreateControls(LIST* pLstImg, HWND hWnd, HINSTANCE hInst);
int  SCCTRL_Fini(void);
HWND SCCTRL_GetCtrl(int imgType);                // NULL: no such control
int  SCCTRL_ShowCtrl(int imgType, int nCmdShow);
int  SCCTRL_SelectContents(int imgType, LIST* pRow);   // refills the catalogue list (type 8 only)
int  SCCTRL_TrackCursor(void);                   // hover of the sort panel, every animation tick
// The refill itself: the rows into hList, the row of content nHover (-1:
// none) selected and as tall as the BG item of pLcd (the expanded row's
// layout; 125 when it gives none).
int  SCCTRL_SelectRows(HWND hList, LIST* pRow, int nHover, LIST* pLcd);

// The sort panel.
HWND SCCTRL_CreateImageButton(int x, int y, int w, int h);
LRESULT CALLBACK SCCTRL_ImageButtonProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
int  SCCTRL_PaintImageButton(HWND hWnd);
int  SCCTRL_ClickImageButton(HWND hWnd, int x, int y);
int  SCCTRL_AddPanelItem(const LayoutIf* pLoIf, const char* pStr);
SortPanelItem* SCCTRL_FindPanelItem(LIST* pLst, int type);
LIST* SCCTRL_GetPanelItems(void);
int  SCCTRL_GetHoverType(void);                  // eSCLD_IDTYPE_MAX: none
int  SCCTRL_DrawPanelImage(HDC hdcMem, HDC hdcBack, const LiIf* pLiIf, const SortPanelItem* pItem, int x, int y);
int  SCCTRL_DrawPanelButton(HDC hdcMem, HDC hdcBack, const LiIf* pLiIf, const SortPanelItem* pItem, int x, int y,
                            int nState);

LRESULT CALLBACK SCCTRL_ListSubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

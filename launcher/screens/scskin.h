// SCSKIN: the skin of the launcher's main window. The skin file (its format
// and directory checks: scskinfile.h) is loaded once at start-up into a LIST
// of LiIf, one per directory entry, each holding up to twelve bitmaps; the
// drawing finds an image by its type.
//
//   LIST skin; LIST_Init(&skin);
//   if (!LoadSkin(&skin, "C:\\tiv\\default", hWnd)) ...   // file missing or refused
//   LiIf* bg = SCSKIN_Find(&skin, eCD_IMGTYPE_BG);          // slot 0: the background
//   SCSKIN_FreeImage(&skin);
//
// Slots: a button's 0 hovered, 1 normal, 2 pressed, 3 disabled; a row
// background's 0 normal, 2 selected, 3 not bought; an animated image's 0 and
// 5 to 11 its eight frames; a plain image's 0 (no mask) or 1 (masked); slot
// 4 is the mask of any image. A masked image is drawn as the mask with
// SRCAND, then the image with SRCPAINT.
#pragma once

#include <windows.h>

#include "bmpm.h"
#include "list.h"
#include "scskinfile.h"

struct LiIf {
    int   imgType;   // eCD_IMGTYPE
    int   x, y, w, h;
    int   bLoaded[SCSKIN_SLOTS];
    BmpIf bmp[SCSKIN_SLOTS];
};

// Reads the skin file into pLstImg (initialised and empty). 0, with the
// list left empty, when the file cannot be read or is refused.
int   LoadSkin(LIST* pLstImg, const char* pFile, HWND hWnd);
int   SCSKIN_FreeImage(LIST* pLstImg);
int   SCSKIN_FreeBitmap(BmpIf* pBmpIf);
LiIf* SCSKIN_Find(LIST* pLstImg, int imgType);
// The same lookup without SCSKIN_Find's reports, for the drawing, which
// asks for images a skin may lack.
LiIf* SCSKIN_Lookup(LIST* pLstImg, int imgType);
// x, y, w, h of the image's record into pRect[4]; 0 when no record has the type.
int   SCSKIN_GetImageRect(int* pRect, LIST* pLstImg, int imgType);
int   SCSKIN_GetStateImgType(int nState);

// Owner drawing of the main window (WM_DRAWITEM, WM_MEASUREITEM; each 1):
// the main-screen buttons by their state (disabled, pressed, hovered,
// normal) over the main background, the list-mode selector's page names.
BOOL SCSKIN_Proc_Draw(HWND hWnd, WPARAM wParam, LPARAM lParam, LIST* pLstSkin, LIST* pLstRow, LIST* pLcs, LIST* pLcd,
                      HFONT hFont);
BOOL SCSKIN_Proc_MeasureItem(HWND hWnd, WPARAM wParam, LPARAM lParam, LIST* pLcs);
// Animation tick: which main-screen button lies under the cursor; each
// button is repainted.
int  SCSKIN_TrackCursor(void);
int  SCSKIN_GetHoverButton(void);   // its image type, 76: none
// The content index of the catalogue list's selected row (-1: none); the
// list selects it again after it is refilled.
int  SCSKIN_GetHover(void);

// Text in the font, background left as it is; each leaves the DC as found.
int SCSKIN_DrawText(HFONT hFont, HDC hdc, int x, int y, const char* pStr);
int SCSKIN_DrawTextRect(HFONT hFont, HDC hdc, int x, int y, int w, int h, const char* pStr, UINT uFormat);
int SCSKIN_DrawTextRectColor(HFONT hFont, HDC hdc, int x, int y, int w, int h, const char* pStr, UINT uFormat,
                             COLORREF color);

// Backgrounds through a back buffer, copied to (0, 0) of the DC: the main
// window's (slot 0 of image 0), the download window's (image 75 or a given
// bitmap) with a text in the shared font, the sound-source dialog's with its
// rows from row nFirst to 7.
int SCCMN_DrawBg(HDC hdc, LIST* pLstImg);
// The sale modes' splash picture: the first item of the splash list
// (scsplash.h) of type 0; 0 and nothing drawn when there is none.
int SCCMN_DrawBg2(HDC hdc, LIST* pSplash);
int SCCMN_DrawBg_DownloadDlg(HDC hdc, LIST* pLstImg, const char* pStr, int x, int y);
int SCCMN_DrawBg_DownloadDlgText(HDC hdc, const BmpIf* pBmp, const char* pStr, int x, int y);
int SCCMN_DrawBg_SelectDlg(HDC hdc, const BmpIf* pBg, const BmpIf* pRow, int nFirst);

// --- the catalogue list (scskin_list_win.cpp) ------------------------------
// An owner-drawn list box (control 8) of variable height whose item data
// are the ClSIf rows of the shown page. One row at a time is expanded: the
// member picks it (LBN_SELCHANGE), its height becomes lcd.bin's BG height and
// its buttons answer clicks; picking it again elsewhere than on an item and
// outside the band x 0..600, y 25..100 collapses it. Every 200-ms animation
// tick finds the expanded row's item under the cursor (the hovered item,
// SCCMN_GetHoverId), repaints the list and moves the button animation on.
//
//   static const ScskinHostIf host = { GetRowList, GetLcsList, GetLcdList, GetMainWnd };
//   SCSKIN_SetHost(&host);                  // once, before the first tick
//   WM_COMMAND of control 8: SCSKIN_Proc_Command(...)   every tick: SCSKIN_Redraw()
struct ClSIf;

// What the animation tick takes from the program above; the list window
// itself is SCCTRL_GetCtrl(8).
struct ScskinHostIf {
    LIST* (*getRowList)(void);
    LIST* (*getLcsList)(void);
    LIST* (*getLcdList)(void);
    HWND (*getMainWnd)(void);
};
void SCSKIN_SetHost(const ScskinHostIf* pHost);

int  SCSKIN_Proc_Notify(HWND hWnd, WPARAM wParam, LPARAM lParam);
// WM_COMMAND of the main window: the buttons, the list-mode selector and the
// list events; row clicks post uMsg (WMU_CONTENTSBUTTON) to hMain. 1.
int  SCSKIN_Proc_Command(HWND hWnd, WPARAM wParam, LPARAM lParam, LIST* pLcs, LIST* pRow, LIST* pLcd, HWND hMain,
                         UINT uMsg);
// A row of control 8 into the item's DC (part of SCSKIN_Proc_Draw).
int  SCSKIN_DrawRow(const DRAWITEMSTRUCT* pDis, LIST* pLstSkin, LIST* pLstRow, LIST* pLcs, LIST* pLcd, HFONT hFont);
// A click at the cursor on the expanded row; 0 when it should collapse.
BOOL SCSKIN_ClickSelRow(HWND hList, LIST* pRow, LIST* pLcd, HWND hMain, UINT uMsg);
// A click at (x, y) of the expanded row: posts uMsg with the button number
// (0 web page, 2 manual, 3 guide, 4 music, 5 play, 6 favourite) in wParam and
// the content in lParam. 1 when posted or inside the band, else 0.
BOOL SCSKIN_Proc_RowClick(int x, int y, const ClSIf* pClIf, LIST* pLcd, HWND hMain, UINT uMsg);
int  SCSKIN_GetIdTypeAtCursor(HWND hList, LIST* pRow, LIST* pLcd, HWND hMain);   // 34: none
int  SCSKIN_GetIdTypeAtPos(int x, int y, const ClSIf* pClIf, LIST* pLcd);       // 34: none
int  SCSKIN_Redraw(void);
int  SCSKIN_ResetHover(void);       // no row selected
int  SCSKIN_GetSelRow(void);        // the selected row's index, -1 none
int  SCSKIN_GetAnimFrame(void);     // 0 to 7

// Screenshot paths (scskin_path_win.cpp): new malloc'd text the caller
// frees, or NULL. The capture path comes from the service: one that could
// leave the cache folder (absolute, a colon, a "." or ".." part) names no
// capture, so the placeholder shows and nothing outside cache\ is touched.
char* GetLocalImagePath(int nId);              // <app>cache\<capture path>
char* SCSKIN_GetLocalImagePath(int nId);
char* SCSKIN_GetUnderConstructImage(void);     // <app>cache\<placeholder of env.bin>
char* SCSKIN_GetDefaultImagePath(void);        // <app>cache\ .
BOOL  SCSKIN_FileExists(const char* pPath);
BOOL  SCSKIN_CheckCacheImage(int nId);         // the capture is in the cache

// SCLAYOUT: the layout files of the skinned screens. lcs.bin lays out a
// collapsed row of the catalogue list, lcd.bin the expanded (selected) row,
// lcm.bin the list header with its sort buttons. Each file is a list of
// items, a keyword with a rectangle; a layout is a LIST of LayoutIf in file
// order, and lookups by type take the first item of the type.
//
//   LIST lcs; LIST_Init(&lcs);
//   SCLAYOUT_Load(&lcs, "C:\\tiv\\lcs.bin");
//   const LayoutIf* bg = SCLAYOUT_Find(&lcs, eSCLD_IDTYPE_BG);   // the row's size
//   LIST_Free(&lcs);
//
// The file: every byte stored inverted (bitwise NOT); the plain text is lines
// ended by CR LF (a lone LF is an ordinary character). An empty line is
// skipped; any other line is a keyword, compared whole and case-sensitively,
// and the line after it holds x,y,w,h as signed decimals. Text after the last
// CR LF, or after a NUL, is not read. Example (plain, each line with CR LF):
//   BG
//   0,0,600,25
//   TITLE
//   80,4,300,16
//
// Everything but SCLAYOUT_Load (the file reader) is platform-free.
#pragma once

#include "list.h"

enum eSCLD_IDTYPE {
    eSCLD_IDTYPE_ICON = 0,
    eSCLD_IDTYPE_TITLE = 1,
    eSCLD_IDTYPE_MAKER = 2,
    eSCLD_IDTYPE_BG = 3,
    eSCLD_IDTYPE_PLATFORM = 4,
    eSCLD_IDTYPE_GENRE = 5,
    eSCLD_IDTYPE_SALEDAY = 6,
    eSCLD_IDTYPE_RUNCNT = 7,
    eSCLD_IDTYPE_EXPLAN = 8,
    eSCLD_IDTYPE_BTNPROP = 9,
    eSCLD_IDTYPE_BTN_WEBSALEPAGE_PROJECTTIV = 10,
    eSCLD_IDTYPE_BTN_GAMEMANUAL = 12,
    eSCLD_IDTYPE_BTN_GAMEOPERATION = 13,
    eSCLD_IDTYPE_BTN_GAMESOUND = 14,
    eSCLD_IDTYPE_BTN_GAMEPLAY = 15,
    eSCLD_IDTYPE_BTN_FAVORITE = 16,
    eSCLD_IDTYPE_IMG_GAMECAPTURE = 17,
    eSCLD_IDTYPE_TITLE_SORT_UP = 18,
    eSCLD_IDTYPE_TITLE_SORT_DOWN = 19,
    eSCLD_IDTYPE_SALEDAY_SORT_UP = 26,
    eSCLD_IDTYPE_SALEDAY_SORT_DOWN = 27,
    eSCLD_IDTYPE_RUNCNT_SORT_UP = 28,
    eSCLD_IDTYPE_RUNCNT_SORT_DOWN = 29,
    eSCLD_IDTYPE_ICON_VELQA = 30,
    eSCLD_IDTYPE_MAKER_SORT = 31,
    eSCLD_IDTYPE_PLATFORM_SORT = 32,
    eSCLD_IDTYPE_GENRE_SORT = 33,
    eSCLD_IDTYPE_MAX = 34,   // no item, or a keyword not in the table
};

struct LayoutIf {
    int type;   // eSCLD_IDTYPE
    int x;
    int y;
    int w;
    int h;
};

enum {
    SCLAYOUT_LINEMAX = 2048,   // a line's buffer: 2047 bytes and the terminator
    SCLAYOUT_ROWMAX_H = 255,   // the tallest row a list box item can be
};

// Reads the file as inverted text (CMNFILE_ReadText) and parses it. 0 (list
// left empty) when the file cannot be read.
int SCLAYOUT_Load(LIST* pLst, const char* pFile);
// The platform-free part of the load: parses the terminated plain text into
// pLst. Always 1.
int SCLAYOUT_Parse(LIST* pLst, const char* pBuf);
// The type of a keyword line; eSCLD_IDTYPE_MAX for any other text.
int SCLAYOUT_GetIdType(const char* pBuf);
// x, y, w, h from a value line; a missing value reads as 0, numbers past the
// 32-bit range as its nearest end. Always 1.
int SCLAYOUT_ParseValues(int* pX, int* pY, int* pW, int* pH, const char* pBuf);
LayoutIf* SCLAYOUT_GetAt(LIST* pLst, int n);
LayoutIf* SCLAYOUT_Find(LIST* pLst, int type);
// The skin image type that draws a row item of the layout type (76: none).
int SCLAYOUT_GetImgType(int type);
// The BG item of a row layout (lcs.bin, lcd.bin) when a list box can use
// it: w and h above 0 and h at most 255. Null otherwise.
LayoutIf* SCLAYOUT_FindRowBg(LIST* pLst);

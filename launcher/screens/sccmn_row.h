// The records behind the catalogue list: one row per content of the shown
// page (built from the catalogue and the play times of pt.bin), and one
// play-time total per product id.
//
//   LIST play, rows; LIST_Init(&play); LIST_Init(&rows);
//   SCCMN_LoadPlayTime(&play);                    // pt.bin of the application folder
//   SCCMN_MakePlayInfo(&rows, &play, nPage);      // one ClSIf per content of the page
//   ... later, same page, same order: SCCMN_MakePlayInfoSeq(&rows, &play, nPage);
//   LIST_Free(&play);
//
// pt.bin is written by the game runner, one line per game played:
// "<user id>,<product id>,<minutes>,\n", every byte inverted. Every line of
// a product counts one run, whoever played it. Reading stops at the first
// line that is empty or lacks one of the three fields.
//
// Everything here but SCCMN_LoadPlayTime (the file reader, sccmn_row_win.cpp)
// is platform-free.
#pragma once

#include "list.h"

enum { SCCMN_ROWTEXT = 2048 };

struct ClSIf {
    int  nSeqId;                        // the content's catalogue index
    char strTitle[SCCMN_ROWTEXT];       // its address is the list box item's data
    char strMaker[SCCMN_ROWTEXT];
    char strPlatform[SCCMN_ROWTEXT];
    char strGenre[SCCMN_ROWTEXT];
    char strSaleDay[SCCMN_ROWTEXT];
    char strRunCnt[SCCMN_ROWTEXT];      // decimal text
    char strProperty[SCCMN_ROWTEXT];    // empty: the badge image is drawn
    char strIcon[SCCMN_ROWTEXT];        // empty: the state icon is drawn
    char strExplan[SCCMN_ROWTEXT];
    int  nIconState;                    // 0, or 3: still to be downloaded or updated
    int  bNotBought;                    // 1: the member has not bought it
};

struct PlayIf {
    char strUserId[SCCMN_ROWTEXT];      // of the first line seen for the product
    char strProductId[SCCMN_ROWTEXT];   // the key
    int  nRunCnt;
    int  nMinutes;
};

// Appends the play-time records of pt.bin in the application folder. A
// missing or unreadable file adds nothing. Always 1.
int SCCMN_LoadPlayTime(LIST* pList);
// The platform-free part of the load: adds the lines of the plain,
// terminated text (the file as CMNFILE_ReadText decodes it) to pList. Always 1.
int SCCMN_ParsePlayTime(LIST* pList, const char* pText);
// The run count a row shows for a content id: "%d" of its record, "0" when
// none has the id, "???" when the list holds a NULL entry or the id is empty.
int SCCMN_FormatRunCnt(char* pDst, int nDstSize, LIST* pPlayTime, const char* pContentsId);

// The rows of page nPage appended to pRow (-1: nothing). Always 1.
int SCCMN_MakePlayInfo(LIST* pRow, LIST* pPlayTime, int nPage);
// The rows already in pRow rewritten from the same page: row n for entry n.
// A row whose content is not the page's entry n is left alone. Always 1.
int SCCMN_MakePlayInfoSeq(LIST* pRow, LIST* pPlayTime, int nPage);

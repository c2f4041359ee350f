// PAGE: the five fixed pages of the catalogue (bought, favourites, all on
// sale, VELQA on sale, bought VELQA) and their sorts. A page holds content
// indexes into g_pContIf, never records, so every change of the catalogue
// array is followed by a rebuild (PAGE_Term, PAGE_Init), which returns every
// page to catalogue order and forgets directions, sort type and filter;
// PAGE_Rebuild rebuilds and keeps them, sorting the new pages again.
//
//   PAGE_SetCurrentPage(0);            // the page the screen shows (-1: none)
//   PAGE_Init();
//   PAGE_SetSortType(ePDST_TITLE);     // ascending; again: descending
//   PAGE_Sort();
//   for (int i = 0; i < PAGE_GetContentsCnt(0); i++) draw(PAGE_GetContentsId(0, i));
//
// Every sort moves neighbouring entries only (LIST_Swap) and never exchanges
// equal keys, so all sorts are stable. "On sale today" compares the contents'
// YYYYMMDD start and end days, both included, with today's UTC date from the
// clock function (PAGE_SetTodayFunc; the system clock by default).
#pragma once

#include <cstdint>

#include "list.h"

enum ePDKIND {
    ePDKIND_ALL = 0,
    ePDKIND_BUY = 1,
    ePDKIND_FAVORITE = 2,
    ePDKIND_VELQA = 3,
    ePDKIND_BUYVELQA = 4,
};

enum ePDST {
    ePDST_KIND = 0,         // game state, every page
    ePDST_TITLE = 1,        // product name, locale order, current page
    ePDST_MAKER = 2,        // maker name filter, current page
    ePDST_PLATFORM = 4,     // platform name filter, current page
    ePDST_GENRE = 5,        // genre name filter, current page
    ePDST_KINDBOUGHT = 6,   // playable first or last, every page
    ePDST_KINDTHREE = 7,    // update offered first or last, every page
    ePDST_FIELD8 = 8,       // strSortValue as a number, every page
    ePDST_SALEDAY = 10,     // sale day, locale order, current page
    ePDST_RUNCNT = 11,      // strSortKey as an integer, every page
    ePDST_MAX = 12,         // none
};

// Directions: 0 ascending, 1 descending, 2 not chosen yet (sorts ascending).
enum { ePDSD_ASCEND = 0, ePDSD_DESCEND = 1, ePDSD_NONE = 2 };

struct PageIf {
    uint32_t nKind;          // ePDKIND
    char     szName[132];
    int32_t  nYearMonth;     // 299912 on the bought page, else 0
    LIST     lstContents;    // 4-byte blocks, each one int32 content index
};

struct PagemIf {
    int32_t bInit;
    int32_t nSortDir[ePDST_MAX];
    int32_t nSortType;
    LIST    lstPage;                 // the five PageIf records
    char    szContentsName[2048];    // the filter sorts' name
};
extern PagemIf g_pagemIf;

int         PAGE_Init(void);
int         PAGE_Term(void);
int         PAGE_CheckValid(void);
// Term (when initialised) and Init, keeping the sort type, every direction
// and the filter and sorting again; "none" stays none. 0 when Init failed.
int         PAGE_Rebuild(void);
int         PAGE_GetCount(void);                          // -1: not initialised
const char* PAGE_GetName(int nPageId);                    // bad page: ""
uint32_t    PAGE_GetKind(int nPageId);                    // bad page: 0xFFFFFFFF
int         PAGE_GetContentsCnt(int nPageId);             // bad page: 0
int         PAGE_GetContentsId(int nPageId, int nPos);    // bad page or position: -1
int         PAGE_GetIndexOfKind(uint32_t nKind);
int         PAGE_SetSortType(int sortType);
int         PAGE_SetSortFilter(int sortType, const char* pName);
int         PAGE_GetSortDir(int sortType);                // bad type: -1
int         PAGE_SetSortDir(int sortType, int nDir);
int         PAGE_GetSortType(void);
int         PAGE_Sort(void);
int         PAGE_Obsolete(void);

// The page the screen shows, which the current-page sorts work on; -1 (the
// start value) finds no page. Kept across rebuilds.
void        PAGE_SetCurrentPage(int nPageId);
int         PAGE_GetCurrentPage(void);

// The clock: a function that returns today's UTC date as a new malloc'd
// "YYYYMMDD" text (CMNFILE_GetDateStr("YYYYMMDD") has this form), or null.
// Null restores the default, the system clock.
typedef char* (*PAGE_TodayFunc)(void);
void        PAGE_SetTodayFunc(PAGE_TodayFunc pfnToday);
char*       PAGE_GetToday(void);

// The page builders: each appends one page to the list; 1, or 0 when memory
// ran out.
int PAGE_MakeBuyPage(LIST* pList);
int PAGE_MakeFavoritePage(LIST* pList);
int PAGE_MakeAllPage(LIST* pList);
int PAGE_MakeVelqaPage(LIST* pList);
int PAGE_MakeBuyVelqaPage(LIST* pList);

// The sort routines, one per sort type.
int SortContents_Kind(void);
int SortContents_Title(void);
int SortContents_MakerName(void);
int SortContents_Platform(void);
int SortContents_GenreName(void);
int SortContents_KindBought(void);
int SortContents_KindThree(void);
int SortContents_Field8(void);
int SortContents_SaleDay(void);
int SortContents_Field11(void);

// Texts as the member reads them: CompareStringA with the user's default
// locale on Windows, byte order elsewhere. 1 less, 2 equal, 3 greater, 0
// failure (platform file).
int PAGE_CompareText(const char* pStr0, const char* pStr1);
// A text read as a signed decimal integer / as a decimal number: leading
// blanks, a sign, digits (and a fraction and exponent); no digits read 0.
int    PAGE_TextToInt(const char* pStr);
double PAGE_TextToDouble(const char* pStr);

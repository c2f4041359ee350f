#include "page.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "cmnassert.h"
#include "contentslist.h"
#include "contentslist_field.h"
#include "log.h"

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

PagemIf g_pagemIf = {};

namespace {

int g_nCurrentPage = -1;
PAGE_TodayFunc g_pfnToday = nullptr;

inline size_t lstrlen(const char* p) { return p != nullptr ? std::strlen(p) : 0; }

// Today from the system clock, in UTC like the service's sale days.
char* page_SystemToday()
{
    std::time_t t = std::time(nullptr);
    std::tm* pTm = std::gmtime(&t);
    if (pTm == nullptr) return nullptr;
    // "YYYYMMDD"; room for three whole ints, which is what the compiler
    // can prove of struct tm's fields.
    const size_t nSize = 3 * 11 + 1;
    char* p = static_cast<char*>(std::malloc(nSize));
    if (p == nullptr) return nullptr;
    std::snprintf(p, nSize, "%04d%02d%02d", pTm->tm_year + 1900, pTm->tm_mon + 1, pTm->tm_mday);
    return p;
}

PageIf* page_Get(int nPageId)
{
    CMN_ASSERT(nPageId >= 0);
    if (nPageId < 0) return nullptr;
    PageIf* pPageIf = static_cast<PageIf*>(LIST_GetAt(&g_pagemIf.lstPage, nPageId));
    CMN_ASSERT(pPageIf != NULL);
    return pPageIf;
}

bool page_Valid()
{
    CMN_ASSERT(PAGE_CheckValid() == TRUE);
    return PAGE_CheckValid() == TRUE;
}

// The content record behind an entry of a page; null when the entry or the
// record is missing (the catalogue changed without a rebuild).
const ContIf* page_Record(PageIf* pPageIf, int nPos)
{
    const int32_t* pPcIf = static_cast<const int32_t*>(LIST_GetAt(&pPageIf->lstContents, nPos));
    if (pPcIf == nullptr) return nullptr;
    int nId = *pPcIf;
    if (nId < 0 || nId >= g_nContCnt || g_pContIf == nullptr) return nullptr;
    return &g_pContIf[nId];
}

bool page_IsFlag1(const char* pFlag)
{
    CMN_ASSERT(pFlag != NULL);
    return pFlag != nullptr && pFlag[0] == '1' && pFlag[1] == '\0';
}

bool page_Bought(const ContIf* p)
{
    return p->type == eCLPD_TYPE_PLAYABLE || p->type == eCLPD_TYPE_DOWNLOADABLE ||
           p->type == eCLPD_TYPE_UPDATE;
}

bool page_OnSale(const ContIf* p, int nToday)
{
    return PAGE_TextToInt(p->strStartDate) <= nToday && PAGE_TextToInt(p->strEndDate) >= nToday;
}

// Builds one page: every content that qualifies, in catalogue order.
template <class Pred>
int page_Make(LIST* pList, uint32_t nKind, const char* pName, int nYearMonth, Pred qualifies)
{
    PageIf* pPageIf = static_cast<PageIf*>(std::calloc(1, sizeof(PageIf)));
    CMN_ASSERT(pPageIf != NULL);
    if (pPageIf == nullptr) return 0;
    pPageIf->nKind = nKind;
    std::snprintf(pPageIf->szName, sizeof(pPageIf->szName), "%s", pName);
    pPageIf->nYearMonth = nYearMonth;
    LIST_Init(&pPageIf->lstContents);
    bool bOk = true;
    for (int i = 0; bOk && i < g_nContCnt && g_pContIf != nullptr; i++) {
        if (!qualifies(&g_pContIf[i])) continue;
        int32_t* pPcIf = static_cast<int32_t*>(std::calloc(1, sizeof(int32_t)));
        CMN_ASSERT(pPcIf != NULL);
        if (pPcIf == nullptr || !LIST_Add(&pPageIf->lstContents, pPcIf)) {
            std::free(pPcIf);
            bOk = false;
            break;
        }
        *pPcIf = i;
    }
    if (!bOk || !LIST_Add(pList, pPageIf)) {
        LIST_Free(&pPageIf->lstContents);
        std::free(pPageIf);
        return 0;
    }
    return 1;
}

// Today as an integer for the sale-period pages; false when the clock fails.
bool page_Today(int* pnToday)
{
    char* pNowTime = PAGE_GetToday();
    CMN_ASSERT(pNowTime != NULL);
    if (pNowTime == nullptr) return false;
    *pnToday = PAGE_TextToInt(pNowTime);
    std::free(pNowTime);
    return true;
}

// Exchange method: every page, neighbours swapped and walked back over.
// cmp < 0 when the first key is smaller.
template <class Cmp>
int page_SortEveryPage(int nSortType, Cmp cmp)
{
    int nDir = g_pagemIf.nSortDir[nSortType];
    for (int nPage = 0; nPage < LIST_GetCnt(&g_pagemIf.lstPage); nPage++) {
        PageIf* pPageIf = static_cast<PageIf*>(LIST_GetAt(&g_pagemIf.lstPage, nPage));
        if (pPageIf == nullptr) continue;
        int nCnt = LIST_GetCnt(&pPageIf->lstContents);
        if (nCnt < 2) continue;
        int p = 0;
        while (p + 1 < nCnt) {
            const ContIf* pPcIf0 = page_Record(pPageIf, p);
            const ContIf* pPcIf1 = page_Record(pPageIf, p + 1);
            CMN_ASSERT(pPcIf0 != NULL);
            CMN_ASSERT(pPcIf1 != NULL);
            bool bSwap = false;
            if (pPcIf0 != nullptr && pPcIf1 != nullptr) {
                int c = cmp(pPcIf0, pPcIf1);
                bSwap = nDir == ePDSD_DESCEND ? c < 0 : c > 0;
            }
            if (bSwap) {
                LIST_Swap(&pPageIf->lstContents, p, p + 1);
                if (p > 0) p--;
            } else {
                p++;
            }
        }
    }
    return 1;
}

PageIf* page_Current()
{
    return static_cast<PageIf*>(LIST_GetAt(&g_pagemIf.lstPage, g_nCurrentPage));
}

// Insertion method on the current page with the locale's text order.
int page_SortCurrentText(const char* pRoutine, int nSortType, const char* (*key)(const ContIf*))
{
    char str[128];
    PageIf* pPageIf = g_nCurrentPage >= 0 ? page_Current() : nullptr;
    if (pPageIf == nullptr) {
        std::snprintf(str, sizeof(str), "%s::err::no page\n", pRoutine);
        LOG_Write(str);
        return 0;
    }
    int nCnt = LIST_GetCnt(&pPageIf->lstContents);
    if (nCnt < 2) {
        std::snprintf(str, sizeof(str), "%s::err::no data\n", pRoutine);
        LOG_Write(str);
        return 1;
    }
    int nDir = g_pagemIf.nSortDir[nSortType];
    int p = 0, nMark = 0;
    while (p + 1 < nCnt) {
        const ContIf* pPcIf0 = page_Record(pPageIf, p);
        const ContIf* pPcIf1 = page_Record(pPageIf, p + 1);
        CMN_ASSERT(pPcIf0 != NULL);
        CMN_ASSERT(pPcIf1 != NULL);
        bool bSwap = false;
        if (pPcIf0 != nullptr && pPcIf1 != nullptr) {
            const char* pName0 = key(pPcIf0);
            const char* pName1 = key(pPcIf1);
            int r = PAGE_CompareText(pName0, pName1);
            bSwap = nDir == ePDSD_DESCEND ? r == 1 : r == 3;
        }
        if (bSwap) {
            LIST_Swap(&pPageIf->lstContents, p, p + 1);
            if (p > 0) p--;
        } else {
            // Resume where the walk had got to before it went back.
            p = nMark + 1;
            nMark = p;
        }
    }
    return 1;
}

// Filter method on the current page: the entries whose field equals the
// filter name move to the front, both groups keeping their order.
int page_SortCurrentFilter(const char* (*key)(const ContIf*))
{
    PageIf* pPageIf = g_nCurrentPage >= 0 ? page_Current() : nullptr;
    if (pPageIf == nullptr) return 1;
    int nCnt = LIST_GetCnt(&pPageIf->lstContents);
    if (nCnt < 2) return 1;
    const char* pName = g_pagemIf.szContentsName;
    auto matches = [&](int nPos) {
        const ContIf* p = page_Record(pPageIf, nPos);
        return p != nullptr && std::strcmp(key(p), pName) == 0;
    };
    int nCur = 1, nPrev = 0;
    while (nCur < nCnt) {
        if (matches(nCur) && !matches(nPrev)) {
            LIST_Swap(&pPageIf->lstContents, nPrev, nCur);
            if (nPrev > 0) {
                nCur = nPrev;
                nPrev = nCur - 1;
            } else {
                nCur = nCur + 1;
                nPrev = nCur - 1;
            }
        } else {
            nCur = nCur + 1;
            nPrev = nCur - 1;
        }
        CMN_ASSERT(nPrev >= 0);
    }
    return 1;
}

template <class T>
int page_Order(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

}  // namespace

void PAGE_SetCurrentPage(int nPageId)
{
    g_nCurrentPage = nPageId;
}

int PAGE_GetCurrentPage(void)
{
    return g_nCurrentPage;
}

void PAGE_SetTodayFunc(PAGE_TodayFunc pfnToday)
{
    g_pfnToday = pfnToday;
}

char* PAGE_GetToday(void)
{
    return g_pfnToday != nullptr ? g_pfnToday() : page_SystemToday();
}

int PAGE_TextToInt(const char* pStr)
{
    if (pStr == nullptr) return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(pStr);
    while (std::isspace(*p)) p++;
    bool bNeg = false;
    if (*p == '+' || *p == '-') bNeg = *p++ == '-';
    // Accumulated wide and held at the int range, so a long text of digits
    // cannot overflow.
    long long v = 0;
    while (*p >= '0' && *p <= '9') {
        if (v <= 0x80000000LL) v = v * 10 + (*p - '0');
        p++;
    }
    if (bNeg) v = -v;
    if (v > 0x7FFFFFFFLL) v = 0x7FFFFFFFLL;
    if (v < -0x80000000LL) v = -0x80000000LL;
    return static_cast<int>(v);
}

double PAGE_TextToDouble(const char* pStr)
{
    if (pStr == nullptr) return 0.0;
    const char* p = pStr;
    while (std::isspace(static_cast<unsigned char>(*p))) p++;
    // Only the decimal form: no "inf", "nan" or hexadecimal.
    const char* pStart = p;
    if (*p == '+' || *p == '-') p++;
    bool bDigits = false;
    while (*p >= '0' && *p <= '9') { p++; bDigits = true; }
    if (*p == '.') {
        p++;
        while (*p >= '0' && *p <= '9') { p++; bDigits = true; }
    }
    if (!bDigits) return 0.0;
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        if (*q == '+' || *q == '-') q++;
        if (*q >= '0' && *q <= '9') {
            while (*q >= '0' && *q <= '9') q++;
            p = q;
        }
    }
    char str[64];
    int n = static_cast<int>(p - pStart);
    if (n >= static_cast<int>(sizeof(str))) n = sizeof(str) - 1;
    std::memcpy(str, pStart, n);
    str[n] = '\0';
    return std::strtod(str, nullptr);
}

int PAGE_MakeBuyPage(LIST* pList)
{
    return page_Make(pList, ePDKIND_BUY, "購入済み", 299912, [](const ContIf* p) { return page_Bought(p); });
}

int PAGE_MakeFavoritePage(LIST* pList)
{
    return page_Make(pList, ePDKIND_FAVORITE, "お気に入り", 0, [](const ContIf* p) { return p->bFavorite == 1; });
}

int PAGE_MakeAllPage(LIST* pList)
{
    int nToday = 0;
    bool bClock = page_Today(&nToday);
    int nRet = page_Make(pList, ePDKIND_ALL, "全コンテンツ", 0,
                         [&](const ContIf* p) { return bClock && page_OnSale(p, nToday); });
    return bClock ? nRet : 0;
}

int PAGE_MakeVelqaPage(LIST* pList)
{
    int nToday = 0;
    bool bClock = page_Today(&nToday);
    int nRet = page_Make(pList, ePDKIND_VELQA, "VELQA対応コンテンツ", 0, [&](const ContIf* p) {
        return bClock && page_IsFlag1(p->strVelqaFlag) && page_OnSale(p, nToday);
    });
    return bClock ? nRet : 0;
}

int PAGE_MakeBuyVelqaPage(LIST* pList)
{
    return page_Make(pList, ePDKIND_BUYVELQA, "購入済みVELQAコンテンツ", 0, [](const ContIf* p) {
        return page_Bought(p) && page_IsFlag1(p->strVelqaBought) && page_IsFlag1(p->strVelqaFlag);
    });
}

int PAGE_Init(void)
{
    CMN_ASSERT(g_pagemIf.bInit == FALSE);
    if (g_pagemIf.bInit != FALSE) return 0;
    std::memset(&g_pagemIf, 0, sizeof(g_pagemIf));
    LIST_Init(&g_pagemIf.lstPage);
    PAGE_MakeBuyPage(&g_pagemIf.lstPage);
    PAGE_MakeFavoritePage(&g_pagemIf.lstPage);
    PAGE_MakeAllPage(&g_pagemIf.lstPage);
    PAGE_MakeVelqaPage(&g_pagemIf.lstPage);
    PAGE_MakeBuyVelqaPage(&g_pagemIf.lstPage);
    for (int i = 0; i < ePDST_MAX; i++) g_pagemIf.nSortDir[i] = ePDSD_NONE;
    g_pagemIf.nSortType = ePDST_MAX;
    g_pagemIf.bInit = TRUE;
    if (LIST_GetCnt(&g_pagemIf.lstPage) != 5) {
        // Without all five pages the page numbers would mean other pages.
        PAGE_Term();
        return 0;
    }
    return 1;
}

int PAGE_Term(void)
{
    CMN_ASSERT(g_pagemIf.bInit == TRUE);
    if (g_pagemIf.bInit != TRUE) return 0;
    for (int i = 0; i < LIST_GetCnt(&g_pagemIf.lstPage); i++) {
        PageIf* pPageIf = static_cast<PageIf*>(LIST_GetAt(&g_pagemIf.lstPage, i));
        if (pPageIf != nullptr) LIST_Free(&pPageIf->lstContents);
    }
    LIST_Free(&g_pagemIf.lstPage);
    std::memset(&g_pagemIf, 0, sizeof(g_pagemIf));
    return 1;
}

int PAGE_Rebuild(void)
{
    // The member's sort outlives the pages: a rebuilt catalogue or another
    // page shows in the order, direction and filter that were chosen.
    int32_t nSortDir[ePDST_MAX];
    int32_t nSortType = ePDST_MAX;
    static char szName[sizeof(g_pagemIf.szContentsName)];
    bool bKeep = g_pagemIf.bInit == TRUE;
    if (bKeep) {
        std::memcpy(nSortDir, g_pagemIf.nSortDir, sizeof(nSortDir));
        nSortType = g_pagemIf.nSortType;
        std::memcpy(szName, g_pagemIf.szContentsName, sizeof(szName));
        PAGE_Term();
    }
    if (!PAGE_Init()) return 0;
    if (!bKeep) return 1;
    std::memcpy(g_pagemIf.nSortDir, nSortDir, sizeof(nSortDir));
    g_pagemIf.nSortType = nSortType;
    std::memcpy(g_pagemIf.szContentsName, szName, sizeof(szName));
    PAGE_Sort();
    return 1;
}

int PAGE_CheckValid(void)
{
    return g_pagemIf.bInit;
}

int PAGE_GetCount(void)
{
    if (!page_Valid()) return -1;
    return LIST_GetCnt(&g_pagemIf.lstPage);
}

const char* PAGE_GetName(int nPageId)
{
    if (!page_Valid()) return "";
    PageIf* pPageIf = page_Get(nPageId);
    return pPageIf != nullptr ? pPageIf->szName : "";
}

uint32_t PAGE_GetKind(int nPageId)
{
    if (!page_Valid()) return 0xFFFFFFFFu;
    PageIf* pPageIf = page_Get(nPageId);
    return pPageIf != nullptr ? pPageIf->nKind : 0xFFFFFFFFu;
}

int PAGE_GetContentsCnt(int nPageId)
{
    if (!page_Valid()) return 0;
    PageIf* pPageIf = page_Get(nPageId);
    return pPageIf != nullptr ? LIST_GetCnt(&pPageIf->lstContents) : 0;
}

int PAGE_GetContentsId(int nPageId, int nPos)
{
    if (!page_Valid()) return -1;
    PageIf* pPageIf = page_Get(nPageId);
    if (pPageIf == nullptr) return -1;
    const int32_t* pPcIf = static_cast<const int32_t*>(LIST_GetAt(&pPageIf->lstContents, nPos));
    CMN_ASSERT(pPcIf != NULL);
    return pPcIf != nullptr ? *pPcIf : -1;
}

int PAGE_GetIndexOfKind(uint32_t nKind)
{
    if (!page_Valid()) return 0;
    for (int i = 0; i < LIST_GetCnt(&g_pagemIf.lstPage); i++) {
        PageIf* pPageIf = static_cast<PageIf*>(LIST_GetAt(&g_pagemIf.lstPage, i));
        if (pPageIf != nullptr && pPageIf->nKind == nKind) return i;
    }
    CMN_ASSERT(0);
    return 0;
}

int PAGE_SetSortType(int sortType)
{
    if (!page_Valid()) return 0;
    CMN_ASSERT(sortType < ePDST_MAX);
    if (sortType < 0 || sortType >= ePDST_MAX) return 0;
    if (sortType != ePDST_MAKER && sortType != ePDST_PLATFORM && sortType != ePDST_GENRE) {
        int32_t& nDir = g_pagemIf.nSortDir[sortType];
        nDir = nDir == ePDSD_ASCEND ? ePDSD_DESCEND : ePDSD_ASCEND;
    }
    g_pagemIf.nSortType = sortType;
    return 1;
}

int PAGE_SetSortFilter(int sortType, const char* pName)
{
    if (!page_Valid()) return 0;
    bool bFilter = sortType == ePDST_MAKER || sortType == ePDST_PLATFORM || sortType == ePDST_GENRE;
    CMN_ASSERT(bFilter);
    if (!bFilter) return 0;
    CMN_ASSERT(pName != NULL && lstrlen(pName) > 0);
    if (pName == nullptr || pName[0] == '\0') return 0;
    CMN_ASSERT(lstrlen(pName) < sizeof(g_pagemIf.szContentsName));
    if (lstrlen(pName) >= sizeof(g_pagemIf.szContentsName)) return 0;
    g_pagemIf.nSortType = sortType;
    std::memset(g_pagemIf.szContentsName, 0, sizeof(g_pagemIf.szContentsName));
    std::strcpy(g_pagemIf.szContentsName, pName);
    return 1;
}

int PAGE_GetSortDir(int sortType)
{
    if (!page_Valid()) return -1;
    CMN_ASSERT(sortType < ePDST_MAX);
    if (sortType < 0 || sortType >= ePDST_MAX) return -1;
    return g_pagemIf.nSortDir[sortType];
}

int PAGE_SetSortDir(int sortType, int nDir)
{
    if (!page_Valid()) return 0;
    CMN_ASSERT(sortType < ePDST_MAX);
    if (sortType < 0 || sortType >= ePDST_MAX || nDir < ePDSD_ASCEND || nDir > ePDSD_NONE) return 0;
    g_pagemIf.nSortDir[sortType] = nDir;
    g_pagemIf.nSortType = sortType;
    return 1;
}

int PAGE_GetSortType(void)
{
    if (!page_Valid()) return ePDST_MAX;
    return g_pagemIf.nSortType;
}

int PAGE_Sort(void)
{
    switch (g_pagemIf.nSortType) {
    case ePDST_KIND: SortContents_Kind(); break;
    case ePDST_TITLE: SortContents_Title(); break;
    case ePDST_MAKER: SortContents_MakerName(); break;
    case ePDST_PLATFORM: SortContents_Platform(); break;
    case ePDST_GENRE: SortContents_GenreName(); break;
    case ePDST_KINDBOUGHT: SortContents_KindBought(); break;
    case ePDST_KINDTHREE: SortContents_KindThree(); break;
    case ePDST_FIELD8: SortContents_Field8(); break;
    case ePDST_SALEDAY: SortContents_SaleDay(); break;
    case ePDST_RUNCNT: SortContents_Field11(); break;
    default: break;   // 3, 9 and none: no routine
    }
    return 1;
}

int PAGE_Obsolete(void)
{
    CMN_ASSERT(0);
    return ePDST_MAX;
}

int SortContents_Kind(void)
{
    return page_SortEveryPage(ePDST_KIND, [](const ContIf* a, const ContIf* b) {
        return page_Order(a->type, b->type);
    });
}

int SortContents_KindBought(void)
{
    return page_SortEveryPage(ePDST_KINDBOUGHT, [](const ContIf* a, const ContIf* b) {
        return page_Order(a->type == eCLPD_TYPE_PLAYABLE, b->type == eCLPD_TYPE_PLAYABLE);
    });
}

int SortContents_KindThree(void)
{
    return page_SortEveryPage(ePDST_KINDTHREE, [](const ContIf* a, const ContIf* b) {
        return page_Order(a->type == eCLPD_TYPE_UPDATE, b->type == eCLPD_TYPE_UPDATE);
    });
}

int SortContents_Field8(void)
{
    return page_SortEveryPage(ePDST_FIELD8, [](const ContIf* a, const ContIf* b) {
        return page_Order(PAGE_TextToDouble(a->strSortValue), PAGE_TextToDouble(b->strSortValue));
    });
}

int SortContents_Field11(void)
{
    return page_SortEveryPage(ePDST_RUNCNT, [](const ContIf* a, const ContIf* b) {
        return page_Order(PAGE_TextToInt(a->strSortKey), PAGE_TextToInt(b->strSortKey));
    });
}

int SortContents_Title(void)
{
    return page_SortCurrentText("SortContents_Title", ePDST_TITLE,
                                [](const ContIf* p) -> const char* { return p->strProductName; });
}

int SortContents_SaleDay(void)
{
    return page_SortCurrentText("SortContents_SaleDay", ePDST_SALEDAY,
                                [](const ContIf* p) -> const char* { return p->strSaleDay; });
}

int SortContents_MakerName(void)
{
    return page_SortCurrentFilter([](const ContIf* p) -> const char* { return p->strMakerName; });
}

int SortContents_Platform(void)
{
    return page_SortCurrentFilter([](const ContIf* p) -> const char* { return p->strPlatform; });
}

int SortContents_GenreName(void)
{
    return page_SortCurrentFilter([](const ContIf* p) -> const char* { return p->strGenreName; });
}

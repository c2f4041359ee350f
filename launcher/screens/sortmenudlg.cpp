#include "sortmenudlg.h"

#include <cstdlib>
#include <cstring>

#include "cmnassert.h"
#include "contentslist.h"
#include "page.h"

namespace {

// The names of one field over the catalogue, read through its getters.
int MakeList(LIST* pList, const char* (*field)(int))
{
    LIST_Init(pList);
    for (int i = 0; i < CONTENTSLIST_GetCount(); i++) {
        const char* pBuf = field(i);
        CMN_ASSERT(pBuf != NULL);
        if (pBuf == nullptr) continue;
        size_t nLen = std::strlen(pBuf);
        bool bSeen = false;
        for (int n = 0; n < LIST_GetCnt(pList) && !bSeen; n++) {
            const SortNameIf* p = static_cast<const SortNameIf*>(LIST_GetAt(pList, n));
            bSeen = std::strlen(p->szName) == nLen && std::memcmp(p->szName, pBuf, nLen) == 0;
        }
        if (bSeen) continue;
        SortNameIf* pNew = static_cast<SortNameIf*>(std::calloc(1, sizeof(SortNameIf)));
        if (pNew == nullptr) break;
        std::memcpy(pNew->szName, pBuf, nLen < sizeof(pNew->szName) ? nLen : sizeof(pNew->szName) - 1);
        LIST_Add(pList, pNew);
    }
    // Neighbour exchanges, stepping back after each: ascending in the
    // member's locale, names the locale calls equal in first-seen order.
    int nCnt = LIST_GetCnt(pList);
    int p = 0;
    while (p + 1 < nCnt) {
        const SortNameIf* p0 = static_cast<const SortNameIf*>(LIST_GetAt(pList, p));
        const SortNameIf* p1 = static_cast<const SortNameIf*>(LIST_GetAt(pList, p + 1));
        if (PAGE_CompareText(p0->szName, p1->szName) == 3) {
            LIST_Swap(pList, p, p + 1);
            if (p > 0) p--;
        } else {
            p++;
        }
    }
    return 1;
}

}   // namespace

int SORTMENUDLG_MakeMakerList(LIST* pList)
{
    return MakeList(pList, CONTENTSLIST_GetMakerName);
}

int SORTMENUDLG_MakePlatformList(LIST* pList)
{
    return MakeList(pList, CONTENTSLIST_GetPlatform);
}

int SORTMENUDLG_MakeGenreList(LIST* pList)
{
    return MakeList(pList, CONTENTSLIST_GetGenreName);
}

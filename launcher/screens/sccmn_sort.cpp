#include "sccmn_sort.h"

#include "page.h"

int SCCMN_SortButtonKind(int nLayoutId, int* pSortType, int* pSortDir)
{
    static const struct { int nId; int nType; int nDir; } kButtons[] = {
        { eSCSORT_TITLE_UP, ePDST_TITLE, ePDSD_ASCEND },     { eSCSORT_TITLE_DOWN, ePDST_TITLE, ePDSD_DESCEND },
        { eSCSORT_SALEDAY_UP, ePDST_SALEDAY, ePDSD_ASCEND }, { eSCSORT_SALEDAY_DOWN, ePDST_SALEDAY, ePDSD_DESCEND },
        { eSCSORT_RUNCNT_UP, ePDST_RUNCNT, ePDSD_ASCEND },   { eSCSORT_RUNCNT_DOWN, ePDST_RUNCNT, ePDSD_DESCEND },
    };
    for (const auto& b : kButtons) {
        if (b.nId != nLayoutId) continue;
        *pSortType = b.nType;
        *pSortDir = b.nDir;
        return 1;
    }
    return 0;
}

int SCCMN_SortButtonApply(int nLayoutId)
{
    int nType = 0;
    int nDir = 0;
    if (!SCCMN_SortButtonKind(nLayoutId, &nType, &nDir) || !PAGE_CheckValid()) return 0;
    // The button names the order the member wants to see; only that order
    // already shown makes the click idle. Flipping the stored direction
    // instead would turn a first "down" into ascending and ignore a button
    // whose direction was left over from before another sort was chosen.
    if (PAGE_GetSortType() == nType && PAGE_GetSortDir(nType) == nDir) return 0;
    PAGE_SetSortDir(nType, nDir);
    PAGE_Sort();
    return 1;
}

int SCCMN_SortMenuApply(int nLayoutId, const char* pName)
{
    int nType;
    switch (nLayoutId) {
    case eSCSORT_MAKER: nType = ePDST_MAKER; break;
    case eSCSORT_PLATFORM: nType = ePDST_PLATFORM; break;
    case eSCSORT_GENRE: nType = ePDST_GENRE; break;
    default: return 0;
    }
    if (!PAGE_CheckValid() || !PAGE_SetSortFilter(nType, pName)) return 0;
    PAGE_Sort();
    return 1;
}

int SCCMN_SwitchPage(int nSel)
{
    PAGE_SetCurrentPage(nSel);
    return PAGE_Rebuild();
}

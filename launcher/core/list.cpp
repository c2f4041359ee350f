#include "list.h"

#include <cstdlib>

#include "cmnassert.h"

void LIST_Init(LIST* lpListInfo)
{
    CMN_ASSERT(lpListInfo != nullptr);
    if (lpListInfo == nullptr) return;
    lpListInfo->m_nListCnt = 0;
    lpListInfo->pTop = nullptr;
    lpListInfo->pLook = nullptr;
    lpListInfo->pEnd = nullptr;
}

int LIST_Add(LIST* lpListInfo, void* pData)
{
    CMN_ASSERT(lpListInfo != nullptr);
    if (lpListInfo == nullptr) return 0;
    LISTNODE* pNode = static_cast<LISTNODE*>(std::malloc(sizeof(LISTNODE)));
    if (pNode == nullptr) return 0;
    pNode->pData = pData;
    pNode->pNext = nullptr;
    if (lpListInfo->m_nListCnt <= 0) {
        // An empty list's pointers are stale: the new node is everything.
        pNode->pPrev = nullptr;
        lpListInfo->pTop = pNode;
        lpListInfo->pLook = pNode;
        lpListInfo->pEnd = pNode;
        lpListInfo->m_nListCnt = 1;
        return 1;
    }
    pNode->pPrev = lpListInfo->pEnd;
    lpListInfo->pEnd->pNext = pNode;
    lpListInfo->pEnd = pNode;
    lpListInfo->m_nListCnt++;
    return 1;
}

void LIST_Free(LIST* lpListInfo)
{
    CMN_ASSERT(lpListInfo != nullptr);
    if (lpListInfo == nullptr || lpListInfo->m_nListCnt <= 0) return;
    LISTNODE* pNode = lpListInfo->pTop;
    for (int i = 0; i < lpListInfo->m_nListCnt && pNode != nullptr; i++) {
        LISTNODE* pNext = pNode->pNext;
        std::free(pNode->pData);
        std::free(pNode);
        pNode = pNext;
    }
    LIST_Init(lpListInfo);
}

void LIST_DelTop(LIST* lpListInfo)
{
    CMN_ASSERT(lpListInfo != nullptr);
    if (lpListInfo == nullptr || lpListInfo->m_nListCnt <= 0) return;
    LISTNODE* pTop = lpListInfo->pTop;
    LISTNODE* pNext = pTop->pNext;
    std::free(pTop->pData);
    std::free(pTop);
    lpListInfo->m_nListCnt--;
    if (lpListInfo->m_nListCnt > 0 && pNext != nullptr) {
        pNext->pPrev = nullptr;
        lpListInfo->pTop = pNext;
        lpListInfo->pLook = pNext;
    } else {
        LIST_Init(lpListInfo);
    }
}

void* LIST_GetAt(LIST* lpListInfo, int nId)
{
    CMN_ASSERT(lpListInfo != nullptr);
    if (lpListInfo == nullptr || nId < 0 || nId >= lpListInfo->m_nListCnt) return nullptr;
    LISTNODE* pNode = lpListInfo->pLook;
    for (int i = 0; i < nId && pNode != nullptr; i++) pNode = pNode->pNext;
    return pNode != nullptr ? pNode->pData : nullptr;
}

int LIST_GetCnt(LIST* lpListInfo)
{
    CMN_ASSERT(lpListInfo != nullptr);
    if (lpListInfo == nullptr) return 0;
    return lpListInfo->m_nListCnt;
}

static LISTNODE* list_NodeAt(LIST* lpListInfo, int nId)
{
    LISTNODE* pNode = lpListInfo->pLook;
    for (int i = 0; i < nId && pNode != nullptr; i++) pNode = pNode->pNext;
    return pNode;
}

// Exchanges the neighbours nId0 and nId0 + 1 (the bubble sorts' only use):
// the second node comes to stand in front of the first.
int LIST_Swap(LIST* lpListInfo, int nId0, int nId1)
{
    CMN_ASSERT(lpListInfo != nullptr);
    CMN_ASSERT(nId0 != nId1);
    if (lpListInfo == nullptr) return 0;
    CMN_ASSERT(nId0 < lpListInfo->m_nListCnt && nId1 < lpListInfo->m_nListCnt);
    if (nId0 > nId1) { int t = nId0; nId0 = nId1; nId1 = t; }
    if (nId0 < 0 || nId1 != nId0 + 1 || nId1 >= lpListInfo->m_nListCnt) return 0;

    LISTNODE* a = list_NodeAt(lpListInfo, nId0);
    LISTNODE* b = a ? a->pNext : nullptr;
    if (a == nullptr || b == nullptr) return 0;
    LISTNODE* before = a->pPrev;
    LISTNODE* after = b->pNext;

    b->pPrev = before;
    b->pNext = a;
    a->pPrev = b;
    a->pNext = after;
    if (before != nullptr) before->pNext = b; else { lpListInfo->pTop = b; lpListInfo->pLook = b; }
    if (after != nullptr) after->pPrev = a; else lpListInfo->pEnd = a;
    return 1;
}

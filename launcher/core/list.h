// LIST: the doubly linked list behind every collection of the launcher family.
//
// A list owns the data blocks it holds: they must come from malloc, and
// LIST_Free / LIST_DelTop free them. Walks by index start at the lookup start,
// which always equals the head.
//
//   LIST l; LIST_Init(&l);
//   LIST_Add(&l, strdup("a"));
//   const char* p = (const char*)LIST_GetAt(&l, 0);
//   LIST_Free(&l);
#pragma once

struct LISTNODE {
    LISTNODE* pPrev;
    void*     pData;
    LISTNODE* pNext;
};

struct LIST {
    int       m_nListCnt;   // number of nodes
    LISTNODE* pTop;         // head
    LISTNODE* pLook;        // lookup start (always the head)
    LISTNODE* pEnd;         // tail
};

void  LIST_Init(LIST* lpListInfo);
int   LIST_Add(LIST* lpListInfo, void* pData);
void  LIST_Free(LIST* lpListInfo);
void  LIST_DelTop(LIST* lpListInfo);
void* LIST_GetAt(LIST* lpListInfo, int nId);
int   LIST_GetCnt(LIST* lpListInfo);
int   LIST_Swap(LIST* lpListInfo, int nId0, int nId1);

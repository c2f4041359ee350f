#include "contentslist.h"

#include <cstdlib>
#include <cstring>

#include "cmnassert.h"
#include "contentslist_field.h"
#include "log.h"

ContIf* g_pContIf = nullptr;
int     g_nContCnt = 0;
ContIf* g_pContTmpIf = nullptr;
int     g_nContTmpCnt = 0;
char    g_strLastUpdate[9] = "";

namespace {

char g_strUserPath[2048] = "";

// What a text getter hands out for a bad index: callers print or compare it,
// so it must be a text, and nobody may write to it.
const char g_strNone[1] = "";

// The index precondition; a failed one is reported and the operation
// returns its failure value.
#define CL_CHECK_ID(nId, fail)                                                       \
    do {                                                                             \
        CMN_ASSERT(nId >= 0 && nId < g_nContCnt);                                    \
        if (!(nId >= 0 && nId < g_nContCnt) || g_pContIf == nullptr) return (fail); \
    } while (0)

#define CL_CHECK_KEY(pContentsId, fail)                                        \
    do {                                                                       \
        CMN_ASSERT(pContentsId != NULL && lstrlen(pContentsId) > 0);           \
        if (pContentsId == nullptr || pContentsId[0] == '\0') return (fail);   \
    } while (0)

inline size_t lstrlen(const char* p) { return p != nullptr ? std::strlen(p) : 0; }

ContIf* cl_FindById(const char* pContentsId)
{
    for (int i = 0; i < g_nContCnt && g_pContIf != nullptr; i++) {
        if (clf_Equal(g_pContIf[i].strContentsId, pContentsId)) return &g_pContIf[i];
    }
    return nullptr;
}

// The path slots of a kind; null for a kind without them.
char (*cl_PathSlots(ContIf* p, int nKind))[CLPD_PATH_LEN]
{
    switch (nKind) {
    case eCLPD_PATHTYPE_MAINEXE: return p->strExePath;
    case eCLPD_PATHTYPE_README: return p->strReadmePath;
    case eCLPD_PATHTYPE_KIYAKU: return p->strKiyakuPath;
    case eCLPD_PATHTYPE_MANUAL: return p->strManualPath;
    case eCLPD_PATHTYPE_SAVEFILE: return p->strSaveFilePath;
    case eCLPD_PATHTYPE_KZDSOUND: return p->strVelqaPath;
    case eCLPD_PATHTYPE_MSXROM: return p->strMsxRomPath;
    default: return nullptr;
    }
}

char (*cl_SentenceSlots(ContIf* p, int nKind))[CLPD_SENTENCE_LEN]
{
    switch (nKind) {
    case eCLPD_PATHTYPE_MAINEXE: return p->strExeSentence;
    case eCLPD_PATHTYPE_README: return p->strReadmeSentence;
    case eCLPD_PATHTYPE_KIYAKU: return p->strKiyakuSentence;
    case eCLPD_PATHTYPE_MANUAL: return p->strManualSentence;
    case eCLPD_PATHTYPE_KZDSOUND: return p->strVelqaSentence;
    default: return nullptr;
    }
}

bool cl_SlotOk(int nSlotId)
{
    CMN_ASSERT(nSlotId >= 0 && nSlotId < CLPD_SLOT_MAX);
    return nSlotId >= 0 && nSlotId < CLPD_SLOT_MAX;
}

bool cl_TypeOk(int nType)
{
    CMN_ASSERT(nType >= 0 && nType < eCLPD_TYPE_MAX);
    return nType >= 0 && nType < eCLPD_TYPE_MAX;
}

int cl_SetTypeById(const char* pContentsId, int nType, int32_t ContIf::*pWord)
{
    CL_CHECK_KEY(pContentsId, 0);
    if (!cl_TypeOk(nType)) return 0;
    ContIf* p = cl_FindById(pContentsId);
    if (p == nullptr) CMN_ASSERT(0);
    if (p == nullptr) return 0;
    p->*pWord = nType;
    return 1;
}

}  // namespace

int CONTENTSLIST_SetUserPath(const char* pPath)
{
    CMN_ASSERT(pPath != NULL && lstrlen(pPath) < sizeof(g_strUserPath));
    if (pPath == nullptr || std::strlen(pPath) >= sizeof(g_strUserPath)) return 0;
    std::strcpy(g_strUserPath, pPath);
    return 1;
}

const char* CONTENTSLIST_GetUserPath(void)
{
    return g_strUserPath;
}

void CONTENTSLIST_Free(void)
{
    if (g_nContCnt == 0) return;
    std::free(g_pContIf);
    std::free(g_pContTmpIf);
    g_pContIf = nullptr;
    g_pContTmpIf = nullptr;
    g_nContCnt = 0;
    g_nContTmpCnt = 0;
}

int CONTENTSLIST_IsLoaded(void)
{
    return g_pContIf != nullptr || g_nContCnt != 0;
}

int CONTENTSLIST_GetCount(void)
{
    return g_nContCnt;
}

#define CL_TEXT_GETTER(name, field)         \
    const char* name(int nId)               \
    {                                       \
        CL_CHECK_ID(nId, g_strNone);        \
        return g_pContIf[nId].field;        \
    }
CL_TEXT_GETTER(CONTENTSLIST_GetContentsId, strContentsId)
CL_TEXT_GETTER(CONTENTSLIST_GetContentsId2, strContentsId)
CL_TEXT_GETTER(CONTENTSLIST_GetMakerName, strMakerName)
CL_TEXT_GETTER(CONTENTSLIST_GetPlatform, strPlatform)
CL_TEXT_GETTER(CONTENTSLIST_GetGenreName, strGenreName)
CL_TEXT_GETTER(CONTENTSLIST_GetSaleDay, strSaleDay)
CL_TEXT_GETTER(CONTENTSLIST_GetSortKey, strSortKey)
CL_TEXT_GETTER(CONTENTSLIST_GetSortValue, strSortValue)
CL_TEXT_GETTER(CONTENTSLIST_GetExplan, strExplan)
CL_TEXT_GETTER(CONTENTSLIST_GetGameCapturePath, strGameCapturePath)
CL_TEXT_GETTER(CONTENTSLIST_GetVersion, strVersion)
CL_TEXT_GETTER(CONTENTSLIST_GetStartDate, strStartDate)
CL_TEXT_GETTER(CONTENTSLIST_GetEndDate, strEndDate)
CL_TEXT_GETTER(CONTENTSLIST_GetColumn21, strColumn21)
CL_TEXT_GETTER(CONTENTSLIST_GetColumn22, strColumn22)
CL_TEXT_GETTER(CONTENTSLIST_GetVelqaFlag, strVelqaFlag)
CL_TEXT_GETTER(CONTENTSLIST_GetVelqaBoughtFlag, strVelqaBought)
CL_TEXT_GETTER(CONTENTSLIST_GetDlPath, strDlPath)
#undef CL_TEXT_GETTER

const char* CONTENTSLIST_GetProductName(int* pType, int nId)
{
    CL_CHECK_ID(nId, g_strNone);
    if (pType != nullptr) *pType = g_pContIf[nId].type;
    return g_pContIf[nId].strProductName;
}

const char* CONTENTSLIST_GetDlPathManual(int nId)
{
    int nSeqId = nId;
    CMN_ASSERT(nSeqId >= 0 && nSeqId < g_nContCnt);
    if (!(nSeqId >= 0 && nSeqId < g_nContCnt) || g_pContIf == nullptr) return g_strNone;
    return g_pContIf[nSeqId].strDlPathManual;
}

int CONTENTSLIST_ClearVelqaBought(int nId)
{
    CL_CHECK_ID(nId, 0);
    std::memset(g_pContIf[nId].strVelqaBought, 0, sizeof(g_pContIf[nId].strVelqaBought));
    return 1;
}

#define CL_BYID_GETTER(name, field)            \
    const char* name(const char* pContentsId)  \
    {                                          \
        CL_CHECK_KEY(pContentsId, nullptr);    \
        ContIf* p = cl_FindById(pContentsId);  \
        if (p == nullptr) CMN_ASSERT(0);        \
        return p != nullptr ? p->field : nullptr; \
    }
CL_BYID_GETTER(CONTENTSLIST_GetDlPathById, strDlPath)
CL_BYID_GETTER(CONTENTSLIST_GetDlPathManualById, strDlPathManual)
CL_BYID_GETTER(CONTENTSLIST_GetDlPathVelqaById, strDlPathVelqa)
#undef CL_BYID_GETTER

int CONTENTSLIST_GetType(int nId)
{
    CL_CHECK_ID(nId, -1);
    return g_pContIf[nId].type;
}

int CONTENTSLIST_GetTypeManual(int nId)
{
    CL_CHECK_ID(nId, -1);
    return g_pContIf[nId].typeManual;
}

int CONTENTSLIST_GetTypeVelqa(int nId)
{
    CL_CHECK_ID(nId, -1);
    return g_pContIf[nId].typeVelqa;
}

int CONTENTSLIST_GetTypeById(const char* pContentsId)
{
    CL_CHECK_KEY(pContentsId, eCLPD_TYPE_MAX);
    ContIf* p = cl_FindById(pContentsId);
    return p != nullptr ? p->type : eCLPD_TYPE_MAX;
}

int CONTENTSLIST_SetType(int nId, int nType)
{
    CL_CHECK_ID(nId, 0);
    if (!cl_TypeOk(nType)) return 0;
    g_pContIf[nId].type = nType;
    return 1;
}

int CONTENTSLIST_SetTypeById(const char* pContentsId, int nType)
{
    return cl_SetTypeById(pContentsId, nType, &ContIf::type);
}

int CONTENTSLIST_SetTypeManualById(const char* pContentsId, int nType)
{
    return cl_SetTypeById(pContentsId, nType, &ContIf::typeManual);
}

int CONTENTSLIST_SetTypeVelqaById(const char* pContentsId, int nType)
{
    return cl_SetTypeById(pContentsId, nType, &ContIf::typeVelqa);
}

int CONTENTSLIST_GetIndexByKey(const char* pKeyName)
{
    CMN_ASSERT(pKeyName != NULL && lstrlen(pKeyName) > 0);
    if (pKeyName == nullptr || pKeyName[0] == '\0') return -1;
    ContIf* p = cl_FindById(pKeyName);
    if (p == nullptr) CMN_ASSERT(0);
    return p != nullptr ? static_cast<int>(p - g_pContIf) : -1;
}

int CONTENTSLIST_CountDownloadable(void)
{
    int n = 0;
    for (int i = 0; i < g_nContCnt && g_pContIf != nullptr; i++) {
        if (g_pContIf[i].type == eCLPD_TYPE_DOWNLOADABLE) n++;
    }
    return n;
}

int CONTENTSLIST_SetPath(int nId, int nKind, int nSlotId, const char* pPath)
{
    CL_CHECK_ID(nId, 0);
    auto slots = cl_PathSlots(&g_pContIf[nId], nKind);
    CMN_ASSERT(slots != nullptr);
    if (slots == nullptr || !cl_SlotOk(nSlotId) || pPath == nullptr) return 0;
    CMN_ASSERT(lstrlen(pPath) < sizeof(g_pContIf[nId].strExePath[nSlotId]));
    if (std::strlen(pPath) >= CLPD_PATH_LEN) return 0;
    clf_SetStr(slots[nSlotId], pPath);
    return 1;
}

const char* CONTENTSLIST_GetPath(int nId, int nKind, int nSlotId)
{
    CL_CHECK_ID(nId, nullptr);
    auto slots = cl_PathSlots(&g_pContIf[nId], nKind);
    CMN_ASSERT(slots != nullptr);
    if (slots == nullptr || !cl_SlotOk(nSlotId)) return nullptr;
    if (nKind != eCLPD_PATHTYPE_MSXROM) CMN_ASSERT(slots[nSlotId][0] != '\0');
    return slots[nSlotId];
}

int CONTENTSLIST_SetSentence(int nId, int nKind, int nSlotId, const char* pSentence)
{
    CL_CHECK_ID(nId, 0);
    auto slots = cl_SentenceSlots(&g_pContIf[nId], nKind);
    CMN_ASSERT(slots != nullptr);
    if (slots == nullptr || !cl_SlotOk(nSlotId) || pSentence == nullptr) return 0;
    CMN_ASSERT(lstrlen(pSentence) < sizeof(g_pContIf[nId].strExeSentence[nSlotId]));
    if (std::strlen(pSentence) >= CLPD_SENTENCE_LEN) return 0;
    clf_SetStr(slots[nSlotId], pSentence);
    return 1;
}

const char* CONTENTSLIST_GetSentence(int nId, int nKind, int nSlotId)
{
    CL_CHECK_ID(nId, nullptr);
    auto slots = cl_SentenceSlots(&g_pContIf[nId], nKind);
    CMN_ASSERT(slots != nullptr);
    if (slots == nullptr || !cl_SlotOk(nSlotId)) return nullptr;
    CMN_ASSERT(slots[nSlotId][0] != '\0');
    return slots[nSlotId];
}

int CONTENTSLIST_GetSlotCnt(int nContentsId, int nKind)
{
    CMN_ASSERT(nContentsId >= 0 && nContentsId < g_nContCnt);
    if (!(nContentsId >= 0 && nContentsId < g_nContCnt) || g_pContIf == nullptr) return -1;
    bool bCounted = nKind == eCLPD_PATHTYPE_MAINEXE || nKind == eCLPD_PATHTYPE_README ||
                    nKind == eCLPD_PATHTYPE_KIYAKU || nKind == eCLPD_PATHTYPE_MANUAL ||
                    nKind == eCLPD_PATHTYPE_KZDSOUND;
    CMN_ASSERT(bCounted);
    if (!bCounted) return -1;
    auto slots = cl_PathSlots(&g_pContIf[nContentsId], nKind);
    int n = 0;
    while (n < CLPD_SLOT_MAX && slots[n][0] != '\0') n++;
    return n;
}

int CONTENTSLIST_SetSlotValue(int nId, int nSlotId, int nValue)
{
    CL_CHECK_ID(nId, 0);
    if (!cl_SlotOk(nSlotId)) return 0;
    g_pContIf[nId].nSlotValue[nSlotId] = nValue;
    return 1;
}

int CONTENTSLIST_GetSlotValue(int nId, int nSlotId)
{
    CL_CHECK_ID(nId, 0);
    if (!cl_SlotOk(nSlotId)) return 0;
    return g_pContIf[nId].nSlotValue[nSlotId];
}

int CONTENTSLIST_HasExtra(int nId)
{
    CL_CHECK_ID(nId, 0);
    return g_pContIf[nId].strExtra[0] != '\0' ? 1 : 0;
}

int CONTENTSLIST_CommitVersion(int nId)
{
    CL_CHECK_ID(nId, 0);
    CMN_ASSERT(g_pContIf[nId].type == eCLPD_TYPE_PLAYABLE);
    clf_Copy(g_pContIf[nId].strVersion, g_pContIf[nId].strServerVersion);
    return 1;
}

int CONTENTSLIST_CommitVersionManual(int nId)
{
    CL_CHECK_ID(nId, 0);
    CMN_ASSERT(g_pContIf[nId].typeManual == eCLPD_TYPE_PLAYABLE);
    clf_Copy(g_pContIf[nId].strVersionManual, g_pContIf[nId].strServerVersionManual);
    return 1;
}

int CONTENTSLIST_CommitVersionVelqa(int nId)
{
    CL_CHECK_ID(nId, 0);
    CMN_ASSERT(g_pContIf[nId].typeVelqa == eCLPD_TYPE_PLAYABLE);
    clf_Copy(g_pContIf[nId].strVersionVelqa, g_pContIf[nId].strServerVersionVelqa);
    return 1;
}

int CONTENTSLIST_ClearExePaths(int nId)
{
    CL_CHECK_ID(nId, 0);
    std::memset(g_pContIf[nId].strExePath, 0, sizeof(g_pContIf[nId].strExePath));
    g_pContIf[nId].type = eCLPD_TYPE_DOWNLOADABLE;
    return 1;
}

int CONTENTSLIST_ClearInstall(int nId)
{
    CL_CHECK_ID(nId, 0);
    ContIf* p = &g_pContIf[nId];
    p->type = eCLPD_TYPE_DOWNLOADABLE;
    p->typeManual = eCLPD_TYPE_DOWNLOADABLE;
    p->typeVelqa = eCLPD_TYPE_DOWNLOADABLE;
    for (int k = 0; k < eCLPD_PATHTYPE_MAX; k++) {
        if (auto slots = cl_PathSlots(p, k)) std::memset(slots, 0, sizeof(p->strExePath));
        if (auto slots = cl_SentenceSlots(p, k)) std::memset(slots, 0, sizeof(p->strExeSentence));
    }
    return 1;
}

int CONTENTSLIST_Remove(int nId)
{
    if (g_nContCnt == 0) return 1;
    CL_CHECK_ID(nId, 0);
    if (g_nContCnt == 1) {
        std::free(g_pContIf);
        g_pContIf = nullptr;
        g_nContCnt = 0;
        return 1;
    }
    ContIf* pNew = static_cast<ContIf*>(std::malloc(sizeof(ContIf) * (g_nContCnt - 1)));
    CMN_ASSERT(pNew != nullptr);
    if (pNew == nullptr) return 0;
    std::memcpy(pNew, g_pContIf, sizeof(ContIf) * nId);
    std::memcpy(pNew + nId, g_pContIf + nId + 1, sizeof(ContIf) * (g_nContCnt - nId - 1));
    std::free(g_pContIf);
    g_pContIf = pNew;
    g_nContCnt--;
    return 1;
}

int CONTENTSLIST_SetFavorite(int nId, int bFavorite)
{
    CL_CHECK_ID(nId, 0);
    g_pContIf[nId].bFavorite = bFavorite;
    return 1;
}

int CONTENTSLIST_GetFavorite(int nId)
{
    CL_CHECK_ID(nId, 0);
    return g_pContIf[nId].bFavorite;
}

int CONTENTSLIST_SetLastUpdate(const char* pStr)
{
    CMN_ASSERT(pStr != nullptr);
    if (pStr == nullptr) return 0;
    CMN_ASSERT(sizeof(g_strLastUpdate) > lstrlen(pStr) && lstrlen(pStr) == 8);
    if (std::strlen(pStr) != 8) return 0;
    std::memset(g_strLastUpdate, 0, sizeof(g_strLastUpdate));
    std::memcpy(g_strLastUpdate, pStr, 8);
    return 1;
}

const char* CONTENTSLIST_GetLastUpdate(void)
{
    return g_strLastUpdate;
}

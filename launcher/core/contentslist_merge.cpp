// Merging a reply with the stored records, and the installed state of each
// content's parts.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cmnassert.h"
#include "cmnfile.h"
#include "contentslist.h"
#include "contentslist_field.h"
#include "list.h"
#include "log.h"

namespace {

// A version is current when the first L bytes of the other one equal it,
// L being its own length: so an empty version, or one that is a prefix of
// the other ("1.0" against "1.01"), never asks for anything. Stored
// catalogues were merged this way; keep it.
template <size_t N>
bool cl_VersionDiffers(const char (&current)[N], const char (&other)[N])
{
    int n = clf_Len(current);
    return std::memcmp(other, current, n) != 0;
}

template <size_t N>
void cl_Take(char (&dst)[N], const char (&src)[N])
{
    std::memcpy(dst, src, N);
}

void cl_Update(ContIf* pRec, const ContIf* pReply)
{
    if (cl_VersionDiffers(pRec->strVersion, pReply->strVersion)) {
        cl_Take(pRec->strServerVersion, pReply->strVersion);
    }
    if (cl_VersionDiffers(pRec->strVersionManual, pReply->strVersionManual)) {
        cl_Take(pRec->strServerVersionManual, pReply->strVersionManual);
    }
    if (cl_VersionDiffers(pRec->strVersionVelqa, pReply->strVersionVelqa)) {
        cl_Take(pRec->strServerVersionVelqa, pReply->strVersionVelqa);
    }
    if (pReply->strSortValue[0] != '\0' &&
        std::strcmp(pReply->strSortValue, pRec->strSortValue) != 0) {
        cl_Take(pRec->strSortValue, pReply->strSortValue);
    }
    cl_Take(pRec->strBought, pReply->strBought);
    cl_Take(pRec->strProductName, pReply->strProductName);
    cl_Take(pRec->strMakerName, pReply->strMakerName);
    cl_Take(pRec->strPlatform, pReply->strPlatform);
    cl_Take(pRec->strGenreName, pReply->strGenreName);
    cl_Take(pRec->strDlPath, pReply->strDlPath);
    cl_Take(pRec->strDlPathManual, pReply->strDlPathManual);
    cl_Take(pRec->strDlPathVelqa, pReply->strDlPathVelqa);
    cl_Take(pRec->strVelqaBought, pReply->strVelqaBought);
    cl_Take(pRec->strVelqaFlag, pReply->strVelqaFlag);
    cl_Take(pRec->strGameCapturePath, pReply->strGameCapturePath);
    cl_Take(pRec->strSaleDay, pReply->strSaleDay);
    cl_Take(pRec->strColumn21, pReply->strColumn21);
    cl_Take(pRec->strColumn22, pReply->strColumn22);
    cl_Take(pRec->strStartDate, pReply->strStartDate);
    cl_Take(pRec->strEndDate, pReply->strEndDate);
}

ContIf* cl_Find(LIST* pList, const char* pContentsId)
{
    for (LISTNODE* pNode = pList->m_nListCnt > 0 ? pList->pTop : nullptr; pNode != nullptr;
         pNode = pNode->pNext) {
        ContIf* p = static_cast<ContIf*>(pNode->pData);
        if (clf_Equal(p->strContentsId, pContentsId)) return p;
    }
    return nullptr;
}

bool cl_AddCopy(LIST* pList, const ContIf* pSrc)
{
    ContIf* pClIf = static_cast<ContIf*>(std::malloc(sizeof(ContIf)));
    CMN_ASSERT(pClIf != NULL);
    if (pClIf == nullptr) return false;
    std::memcpy(pClIf, pSrc, sizeof(ContIf));
    if (!LIST_Add(pList, pClIf)) {
        std::free(pClIf);
        return false;
    }
    return true;
}

// One part of a content: its state word, its slot-0 path and its versions.
template <size_t N>
int cl_PartState(const ContIf* pRec, int nOld, const char (&path)[CLPD_PATH_LEN],
                 const char (&current)[N], const char (&server)[N])
{
    if (path[0] != '\0') {
        char strFolder[2048 + CLPD_PATH_LEN];
        int nLen = std::snprintf(strFolder, sizeof(strFolder), "%s%.*s", CONTENTSLIST_GetUserPath(),
                                 clf_Len(path), path);
        if (nLen < 0 || nLen >= static_cast<int>(sizeof(strFolder))) return eCLPD_TYPE_DOWNLOADABLE;
        CMNFILE_CutTail(strFolder, "\\", 1);
        if (CONTENTSLIST_ProbeFolder(strFolder) != CLPD_FOLDER_DIR) return eCLPD_TYPE_DOWNLOADABLE;
        return cl_VersionDiffers(current, server) ? eCLPD_TYPE_UPDATE : eCLPD_TYPE_PLAYABLE;
    }
    if (pRec->strProductName[0] == '\0') return nOld;
    char str[256];
    if (clf_Equal(pRec->strBought, "1")) {
        std::snprintf(str, sizeof(str), "p_name[%s] is DOWNLOADABLE\n", pRec->strProductName);
        LOG_Write(str);
        return eCLPD_TYPE_DOWNLOADABLE;
    }
    std::snprintf(str, sizeof(str), "p_name[%s] is NOTBUY\n", pRec->strProductName);
    LOG_Write(str);
    return eCLPD_TYPE_NOTBUY;
}

}  // namespace

int CONTENTSLIST_MergeLoaded(const char* pText)
{
    LOG_Write("CONTENTSLIST_MergeLoaded::starting\n");
    CMN_ASSERT(g_pContIf == NULL && g_nContCnt == 0);
    if (g_pContIf != nullptr || g_nContCnt != 0 || pText == nullptr) return 0;

    int nReply = GetContentsCnt(pText, 0);
    ContIf* pContIf = nullptr;
    if (nReply > 0) {
        pContIf = static_cast<ContIf*>(std::calloc(nReply, sizeof(ContIf)));
        CMN_ASSERT(pContIf != NULL);
        if (pContIf == nullptr) return 0;
        AnalyContents(pContIf, nReply, pText);
    }

    LIST lst;
    LIST_Init(&lst);
    bool bOk = true;
    for (int i = 0; bOk && i < g_nContTmpCnt && g_pContTmpIf != nullptr; i++) {
        bOk = cl_AddCopy(&lst, &g_pContTmpIf[i]);
    }
    for (int i = 0; bOk && i < nReply; i++) {
        ContIf* pFound = cl_Find(&lst, pContIf[i].strContentsId);
        if (pFound == nullptr) {
            bOk = cl_AddCopy(&lst, &pContIf[i]);
        } else {
            cl_Update(pFound, &pContIf[i]);
        }
    }
    std::free(pContIf);
    if (!bOk) {
        LOG_Write("CONTENTSLIST_MergeLoaded::err::allocation\n");
        LIST_Free(&lst);
        return 0;
    }
    CONTENTSLIST_Free();   // nothing held: the previous list stays for now

    int nCnt = LIST_GetCnt(&lst);
    if (nCnt > 0) {
        g_pContIf = static_cast<ContIf*>(std::calloc(nCnt, sizeof(ContIf)));
        CMN_ASSERT(g_pContIf != NULL);
        if (g_pContIf == nullptr) {
            LIST_Free(&lst);
            return 0;
        }
        int i = 0;
        for (LISTNODE* pNode = lst.pTop; pNode != nullptr && i < nCnt; pNode = pNode->pNext) {
            std::memcpy(&g_pContIf[i++], pNode->pData, sizeof(ContIf));
        }
        g_nContCnt = nCnt;
    }
    LIST_Free(&lst);
    CONTENTSLIST_CheckInstalled(g_pContIf);
    LOG_Write("CONTENTSLIST_MergeLoaded::normal end\n");
    return 1;
}

int CONTENTSLIST_CheckInstalled(ContIf* pContIf)
{
    if (pContIf == nullptr) return 1;
    for (int i = 0; i < g_nContCnt; i++) {
        ContIf* p = &pContIf[i];
        p->type = cl_PartState(p, p->type, p->strExePath[0], p->strVersion, p->strServerVersion);
        p->typeManual = cl_PartState(p, p->typeManual, p->strManualPath[0], p->strVersionManual,
                                     p->strServerVersionManual);
        p->typeVelqa = cl_PartState(p, p->typeVelqa, p->strVelqaPath[0], p->strVersionVelqa,
                                    p->strServerVersionVelqa);
    }
    return 1;
}

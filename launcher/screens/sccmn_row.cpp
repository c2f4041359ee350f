#include "sccmn_row.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cmnassert.h"
#include "cmnfile.h"
#include "contentslist.h"
#include "page.h"

namespace {

// A line holds three fields of a record and their separators; a longer line
// cannot be one the game runner wrote.
enum { kLineMax = SCCMN_ROWTEXT * 3 + 16 };

// The minutes field as a number; digits past the int range stay at its end.
int ParseMinutes(const char* p)
{
    long long v = 0;
    int sign = 1;
    if (*p == '-') { sign = -1; p++; }
    while (*p >= '0' && *p <= '9') {
        if (v < INT_MAX) v = v * 10 + (*p - '0');
        p++;
    }
    if (v > INT_MAX) v = INT_MAX;
    return static_cast<int>(sign * v);
}

int AddSat(int a, int b)
{
    long long s = static_cast<long long>(a) + b;
    return s > INT_MAX ? INT_MAX : s < INT_MIN ? INT_MIN : static_cast<int>(s);
}

// One field and the comma after it; 0 when it is empty, cut or unterminated.
int TakeField(char* pDst, const char** pp, bool bNeedComma)
{
    int n = CMNFILE_GetToken(pDst, SCCMN_ROWTEXT, *pp, ",", 1);
    if (n <= 0 || n >= SCCMN_ROWTEXT) return 0;
    if ((*pp)[n] == ',') *pp += n + 1;
    else if (bNeedComma) return 0;
    else *pp += n;
    return 1;
}

PlayIf* FindPlay(LIST* pList, const char* pId, bool* pbNull)
{
    size_t nLen = std::strlen(pId);
    for (int i = 0; i < LIST_GetCnt(pList); i++) {
        PlayIf* p = static_cast<PlayIf*>(LIST_GetAt(pList, i));
        if (p == nullptr) {
            if (pbNull != nullptr) *pbNull = true;
            continue;
        }
        if (std::strlen(p->strProductId) == nLen && std::memcmp(p->strProductId, pId, nLen) == 0) return p;
    }
    return nullptr;
}

void Copy(char* pDst, const char* pSrc)
{
    std::snprintf(pDst, SCCMN_ROWTEXT, "%s", pSrc != nullptr ? pSrc : "");
}

// The catalogue's fields of a row. bSeq: the refresh, which also shows a
// manual still to be fetched on an installed game.
void FillRow(ClSIf* pRow, int nId, LIST* pPlayTime, bool bSeq)
{
    pRow->nSeqId = nId;
    Copy(pRow->strTitle, CONTENTSLIST_GetProductName(nullptr, nId));
    Copy(pRow->strMaker, CONTENTSLIST_GetMakerName(nId));
    Copy(pRow->strPlatform, CONTENTSLIST_GetPlatform(nId));
    Copy(pRow->strGenre, CONTENTSLIST_GetGenreName(nId));
    Copy(pRow->strSaleDay, CONTENTSLIST_GetSaleDay(nId));
    // The explanation is column 15 of the catalogue; column 16 next to it is
    // the music-bought flag, which is no text for the member.
    Copy(pRow->strExplan, CONTENTSLIST_GetExplan(nId));
    int nType = CONTENTSLIST_GetType(nId);
    if (nType == eCLPD_TYPE_PLAYABLE) {
        int nManual = CONTENTSLIST_GetTypeManual(nId);
        pRow->nIconState = bSeq && (nManual == eCLPD_TYPE_DOWNLOADABLE || nManual == eCLPD_TYPE_UPDATE) ? 3 : 0;
        pRow->bNotBought = 0;
    } else if (nType == eCLPD_TYPE_DOWNLOADABLE || nType == eCLPD_TYPE_UPDATE) {
        pRow->nIconState = 3;
        pRow->bNotBought = 0;
    } else {
        pRow->nIconState = 0;
        pRow->bNotBought = 1;
    }
    SCCMN_FormatRunCnt(pRow->strRunCnt, sizeof(pRow->strRunCnt), pPlayTime, CONTENTSLIST_GetContentsId(nId));
}

}  // namespace

int SCCMN_ParsePlayTime(LIST* pList, const char* pText)
{
    CMN_ASSERT(pList != nullptr && pText != nullptr);
    if (pList == nullptr || pText == nullptr) return 1;
    char line[kLineMax];
    const char* p = pText;
    for (;;) {
        int n = CMNFILE_GetLineLF(line, sizeof(line), p);
        // No line feed left: the rest is no whole line (a write broken off).
        if (n <= 0 || n >= static_cast<int>(sizeof(line))) break;
        p += n + 1;
        char strUser[SCCMN_ROWTEXT], strProduct[SCCMN_ROWTEXT], strMinutes[SCCMN_ROWTEXT];
        const char* q = line;
        if (!TakeField(strUser, &q, true) || !TakeField(strProduct, &q, true) || !TakeField(strMinutes, &q, false)) {
            break;
        }
        int nMinutes = ParseMinutes(strMinutes);
        PlayIf* pPlay = FindPlay(pList, strProduct, nullptr);
        if (pPlay != nullptr) {
            pPlay->nRunCnt = AddSat(pPlay->nRunCnt, 1);
            pPlay->nMinutes = AddSat(pPlay->nMinutes, nMinutes);
            continue;
        }
        pPlay = static_cast<PlayIf*>(std::calloc(1, sizeof(PlayIf)));
        if (pPlay == nullptr) break;
        std::memcpy(pPlay->strUserId, strUser, sizeof(strUser));
        std::memcpy(pPlay->strProductId, strProduct, sizeof(strProduct));
        pPlay->nRunCnt = 1;
        pPlay->nMinutes = nMinutes;
        if (!LIST_Add(pList, pPlay)) {
            std::free(pPlay);
            break;
        }
    }
    return 1;
}

int SCCMN_FormatRunCnt(char* pDst, int nDstSize, LIST* pPlayTime, const char* pContentsId)
{
    if (pDst == nullptr || nDstSize < 4) return 0;
    if (pContentsId == nullptr || pContentsId[0] == '\0') {
        std::snprintf(pDst, nDstSize, "???");
        return 1;
    }
    bool bNull = false;
    const PlayIf* p = pPlayTime != nullptr ? FindPlay(pPlayTime, pContentsId, &bNull) : nullptr;
    if (p == nullptr && bNull) std::snprintf(pDst, nDstSize, "???");
    else std::snprintf(pDst, nDstSize, "%d", p != nullptr ? p->nRunCnt : 0);
    return 1;
}

int SCCMN_MakePlayInfo(LIST* pRow, LIST* pPlayTime, int nPage)
{
    if (pRow == nullptr || nPage < 0) return 1;
    int nCnt = PAGE_GetContentsCnt(nPage);
    for (int n = 0; n < nCnt; n++) {
        int nId = PAGE_GetContentsId(nPage, n);
        if (nId < 0 || nId >= CONTENTSLIST_GetCount()) continue;
        ClSIf* p = static_cast<ClSIf*>(std::calloc(1, sizeof(ClSIf)));
        if (p == nullptr) break;
        FillRow(p, nId, pPlayTime, false);
        if (!LIST_Add(pRow, p)) {
            std::free(p);
            break;
        }
    }
    return 1;
}

int SCCMN_MakePlayInfoSeq(LIST* pRow, LIST* pPlayTime, int nPage)
{
    if (pRow == nullptr || nPage < 0) return 1;
    int nCnt = PAGE_GetContentsCnt(nPage);
    for (int n = 0; n < nCnt && n < LIST_GetCnt(pRow); n++) {
        int nId = PAGE_GetContentsId(nPage, n);
        ClSIf* p = static_cast<ClSIf*>(LIST_GetAt(pRow, n));
        CMN_ASSERT(p != nullptr && p->nSeqId == nId);
        if (p == nullptr || p->nSeqId != nId || nId < 0 || nId >= CONTENTSLIST_GetCount()) continue;
        FillRow(p, nId, pPlayTime, true);
    }
    return 1;
}

#include "sclayout.h"

#include <cstdlib>
#include <cstring>

#include "cmnassert.h"
#include "cmnfile.h"
#include "log.h"
#include "scskinfile.h"

namespace {

inline size_t lstrlen(const char* p) { return p != nullptr ? std::strlen(p) : 0; }

struct Keyword {
    const char* pName;
    int         type;
};
const Keyword kKeywords[] = {
    { "ICON", eSCLD_IDTYPE_ICON },
    { "TITLE", eSCLD_IDTYPE_TITLE },
    { "MAKER", eSCLD_IDTYPE_MAKER },
    { "BG", eSCLD_IDTYPE_BG },
    { "PLATFORM", eSCLD_IDTYPE_PLATFORM },
    { "GENRE", eSCLD_IDTYPE_GENRE },
    { "SALEDAY", eSCLD_IDTYPE_SALEDAY },
    { "RUNCNT", eSCLD_IDTYPE_RUNCNT },
    { "EXPLAN", eSCLD_IDTYPE_EXPLAN },
    { "BTNPROP", eSCLD_IDTYPE_BTNPROP },
    { "BTN_WEBSALEPAGE_PROJECTTIV", eSCLD_IDTYPE_BTN_WEBSALEPAGE_PROJECTTIV },
    { "BTN_GAMEMANUAL", eSCLD_IDTYPE_BTN_GAMEMANUAL },
    { "BTN_GAMEOPERATION", eSCLD_IDTYPE_BTN_GAMEOPERATION },
    { "BTN_GAMESOUND", eSCLD_IDTYPE_BTN_GAMESOUND },
    { "BTN_GAMEPLAY", eSCLD_IDTYPE_BTN_GAMEPLAY },
    { "BTN_FAVORITE", eSCLD_IDTYPE_BTN_FAVORITE },
    { "IMG_GAMECAPTURE", eSCLD_IDTYPE_IMG_GAMECAPTURE },
    { "TITLE_SORT_UP", eSCLD_IDTYPE_TITLE_SORT_UP },
    { "TITLE_SORT_DOWN", eSCLD_IDTYPE_TITLE_SORT_DOWN },
    { "SALEDAY_SORT_UP", eSCLD_IDTYPE_SALEDAY_SORT_UP },
    { "SALEDAY_SORT_DOWN", eSCLD_IDTYPE_SALEDAY_SORT_DOWN },
    { "RUNCNT_SORT_UP", eSCLD_IDTYPE_RUNCNT_SORT_UP },
    { "RUNCNT_SORT_DOWN", eSCLD_IDTYPE_RUNCNT_SORT_DOWN },
    { "ICON_VELQA", eSCLD_IDTYPE_ICON_VELQA },
    { "MAKER_SORT", eSCLD_IDTYPE_MAKER_SORT },
    { "PLATFORM_SORT", eSCLD_IDTYPE_PLATFORM_SORT },
    { "GENRE_SORT", eSCLD_IDTYPE_GENRE_SORT },
};

}  // namespace

int SCLAYOUT_Parse(LIST* pLst, const char* pBuf)
{
    CMN_ASSERT(pLst != NULL && pBuf != NULL);
    if (pLst == nullptr || pBuf == nullptr) return 1;
    char strLine[SCLAYOUT_LINEMAX];
    const char* p = pBuf;
    for (;;) {
        int n = CMNFILE_GetLineCRLF(strLine, sizeof(strLine), p);
        if (n < 0) break;
        p += n + 2;
        if (n == 0) continue;
        LayoutIf* pLayoutIf = static_cast<LayoutIf*>(std::calloc(1, sizeof(LayoutIf)));
        if (pLayoutIf == nullptr) break;
        pLayoutIf->type = SCLAYOUT_GetIdType(strLine);
        CMN_ASSERT(pLayoutIf->type != eSCLD_IDTYPE_MAX);
        n = CMNFILE_GetLineCRLF(strLine, sizeof(strLine), p);
        if (n < 0) {
            std::free(pLayoutIf);
            break;
        }
        p += n + 2;
        SCLAYOUT_ParseValues(&pLayoutIf->x, &pLayoutIf->y, &pLayoutIf->w, &pLayoutIf->h, strLine);
        if (!LIST_Add(pLst, pLayoutIf)) {
            std::free(pLayoutIf);
            break;
        }
    }
    return 1;
}

int SCLAYOUT_GetIdType(const char* pBuf)
{
    CMN_ASSERT(pBuf != NULL && lstrlen(pBuf) > 0);
    if (pBuf == nullptr) return eSCLD_IDTYPE_MAX;
    size_t nLen = std::strlen(pBuf);
    for (const Keyword& k : kKeywords) {
        if (std::strlen(k.pName) == nLen && std::memcmp(k.pName, pBuf, nLen) == 0) return k.type;
    }
    CMN_ASSERT(0 && "レイアウトファイルにありえない識別子を指定した");
    return eSCLD_IDTYPE_MAX;
}

int SCLAYOUT_ParseValues(int* pX, int* pY, int* pW, int* pH, const char* pBuf)
{
    int* fields[4] = { pX, pY, pW, pH };
    char strToken[SCLAYOUT_LINEMAX];
    const char* p = pBuf != nullptr ? pBuf : "";
    for (int* pField : fields) {
        int nLen = CMNFILE_GetToken(strToken, sizeof(strToken), p, ",", 1);
        CMN_ASSERT(nLen > 0);
        p += nLen;
        if (*p == ',') p++;
        if (pField != nullptr) *pField = CMNFILE_ToInt(strToken);
    }
    return 1;
}

LayoutIf* SCLAYOUT_GetAt(LIST* pLst, int n)
{
    CMN_ASSERT(pLst != NULL && LIST_GetCnt(pLst) > 0);
    if (pLst == nullptr || LIST_GetCnt(pLst) <= 0) return nullptr;
    return static_cast<LayoutIf*>(LIST_GetAt(pLst, n));
}

LayoutIf* SCLAYOUT_Find(LIST* pLst, int type)
{
    CMN_ASSERT(pLst != NULL && LIST_GetCnt(pLst) > 0);
    if (pLst == nullptr || LIST_GetCnt(pLst) <= 0) return nullptr;
    for (int i = 0; i < LIST_GetCnt(pLst); i++) {
        LayoutIf* pLayoutIf = static_cast<LayoutIf*>(LIST_GetAt(pLst, i));
        if (pLayoutIf != nullptr && pLayoutIf->type == type) return pLayoutIf;
    }
    CMN_ASSERT(0);
    return nullptr;
}

int SCLAYOUT_GetImgType(int type)
{
    switch (type) {
    case eSCLD_IDTYPE_BG: return eCD_IMGTYPE_ROW_BG;
    case eSCLD_IDTYPE_BTNPROP: return eCD_IMGTYPE_ROW_PROP;
    case eSCLD_IDTYPE_BTN_WEBSALEPAGE_PROJECTTIV: return eCD_IMGTYPE_ROW_WEBSALEPAGE;
    case eSCLD_IDTYPE_BTN_GAMEMANUAL: return eCD_IMGTYPE_ROW_MANUAL;
    case eSCLD_IDTYPE_BTN_GAMEOPERATION: return eCD_IMGTYPE_ROW_OPERATION;
    case eSCLD_IDTYPE_BTN_GAMESOUND: return eCD_IMGTYPE_ROW_SOUND;
    case eSCLD_IDTYPE_BTN_GAMEPLAY: return eCD_IMGTYPE_ROW_PLAY;
    case eSCLD_IDTYPE_BTN_FAVORITE: return eCD_IMGTYPE_ROW_FAVORITE_ON;
    default:
        CMN_ASSERT(0);
        return eCD_IMGTYPE_MAX;
    }
}

LayoutIf* SCLAYOUT_FindRowBg(LIST* pLst)
{
    if (pLst == nullptr || LIST_GetCnt(pLst) <= 0) return nullptr;
    for (int i = 0; i < LIST_GetCnt(pLst); i++) {
        LayoutIf* p = static_cast<LayoutIf*>(LIST_GetAt(pLst, i));
        if (p == nullptr || p->type != eSCLD_IDTYPE_BG) continue;
        return p->w > 0 && p->h > 0 && p->h <= SCLAYOUT_ROWMAX_H ? p : nullptr;
    }
    return nullptr;
}

// The catalogue list's services on the screen side: pt.bin from the
// application folder, the hovered row item, the row buttons' switches, the
// capture fetch and the service's top page.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cmnassert.h"
#include "cmnfile.h"
#include "contentslist.h"
#include "downloadmn.h"
#include "env.h"
#include "log.h"
#include "sccmn.h"
#include "sccmn_row.h"
#include "sclayout.h"
#include "scskin.h"

namespace {
int g_nHoverId = 0;
}

int SCCMN_LoadPlayTime(LIST* pList)
{
    char strPath[2048 + 16];
    std::snprintf(strPath, sizeof(strPath), "%s%s", SCCMN_GetAppPath(), "pt.bin");
    CmnText text;
    if (CMNFILE_ReadText(strPath, 1, &text) != ERRID_CMNFILE_NONE) return 1;
    SCCMN_ParsePlayTime(pList, text.pText);
    CMNFILE_FreeText(&text);
    return 1;
}

int SCCMN_SetHoverId(int nId)
{
    g_nHoverId = nId;
    return 1;
}

int SCCMN_GetHoverId(void) { return g_nHoverId; }

const char* SCCMN_GetCacheDir(void) { return "cache\\"; }

int SCCMN_GetRowButtonEnable(int nLayoutId)
{
    CMN_ASSERT(nLayoutId >= eSCLD_IDTYPE_BTN_GAMEMANUAL && nLayoutId <= eSCLD_IDTYPE_BTN_FAVORITE);
    if (nLayoutId < eSCLD_IDTYPE_BTN_GAMEMANUAL || nLayoutId > eSCLD_IDTYPE_BTN_FAVORITE) return 0;
    return SCCMN_GetButtonEnable(nLayoutId - eSCLD_IDTYPE_BTN_GAMEMANUAL);
}

char* SCCMN_GetImageWebPath(int nId)
{
    const char* pCap = CONTENTSLIST_GetGameCapturePath(nId);
    if (pCap == nullptr || !CMNFILE_IsSafeRelPath(pCap)) return nullptr;
    char strWeb[2048];
    // Without the service's image address the capture path alone would be
    // fetched as a relative address: nothing to fetch.
    if (!ENV_GetValue(strWeb, sizeof(strWeb), "[IMAGEWEBPAGE]") || strWeb[0] == '\0') {
        LOG_Write("SCCMN_GetImageWebPath::no [IMAGEWEBPAGE]\n");
        return nullptr;
    }
    size_t n = std::strlen(strWeb) + std::strlen(pCap) + 1;
    char* p = static_cast<char*>(std::malloc(n));
    if (p != nullptr) std::snprintf(p, n, "%s%s", strWeb, pCap);
    return p;
}

int SCCMN_Proc_WmuGetContentsImage(LPARAM lParam, LIST* pRow, HWND hWnd)
{
    (void)pRow;
    (void)hWnd;
    int nId = static_cast<int>(lParam);
    if (SCSKIN_CheckCacheImage(nId)) return 1;
    char* pCache = GetCacheImagePath(nId);
    if (pCache == nullptr || pCache[0] == '\0') {
        LOG_Write("SCCMN_Proc_WmuGetContentsImage::GetCacheImagePath is NULL\n");
        std::free(pCache);
        return 1;
    }
    char* pWeb = SCCMN_GetImageWebPath(nId);
    if (pWeb != nullptr) DOWNLOADMN_Add_Web(pCache, pWeb);
    std::free(pWeb);
    std::free(pCache);
    return 1;
}

namespace {
int OpenTop(void)
{
    char strTop[2048];
    if (!ENV_GetValue(strTop, sizeof(strTop), "[PROJECTTIVWEBPAGE]") || strTop[0] == '\0') {
        LOG_Write("SCCMN_OpenTopWebPage::no [PROJECTTIVWEBPAGE]\n");
        return 1;
    }
    ShellExecuteA(SCCMN_GetMainWnd(), "open", strTop, nullptr, nullptr, SW_SHOWNORMAL);
    return 1;
}
}  // namespace

int SCCMN_OpenTopWebPage(void) { return OpenTop(); }
int SCCMN_OpenTopWebPage2(void) { return OpenTop(); }

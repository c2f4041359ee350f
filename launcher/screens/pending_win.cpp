#include "pending.h"

#include "axhost.h"
#include "scctrl.h"

#include "log.h"
#include "sccmn.h"
#include "scskinfile.h"

// The web panes' host: no class, so no pane is made.
BOOL    AtlAxWinInit(void) { return FALSE; }
HRESULT AtlAxGetControl(HWND, IUnknown** ppUnk) { if (ppUnk != nullptr) *ppUnk = nullptr; return E_FAIL; }

int  SCSKIN_Proc_Notify(HWND, WPARAM, LPARAM) { return 0; }
int  SCSKIN_Proc_Command(HWND, WPARAM wParam, LPARAM, LIST*, LIST*, LIST*, HWND, UINT)
{
    if (LOWORD(wParam) == eCD_IMGTYPE_BTN_SETTING) SCCMN_OpenAppSetting();
    return 1;
}
int  SCSKIN_Redraw(void) { return 1; }
int  SCCMN_DrawBg2(HDC, LIST*) { return 0; }

static const ScctrlHostIf* g_pCtrlHost = nullptr;
void SCCTRL_SetHost(const ScctrlHostIf* pHost) { g_pCtrlHost = pHost; }
int  SCCTRL_CreateControls(LIST*, HWND, HINSTANCE) { return 0; }
int  SCCTRL_TrackCursor(void) { return 1; }
int  SCCTRL_SelectContents(int, LIST*) { return 0; }
int  SCCTRL_ShowCtrl(int, int) { return 0; }
HWND SCCTRL_GetCtrl(int imgType)
{
    HWND hMain = g_pCtrlHost != nullptr ? g_pCtrlHost->getMainWnd() : nullptr;
    return hMain != nullptr ? GetDlgItem(hMain, imgType) : nullptr;
}
int  SCCTRL_Fini(void) { return 1; }
int  SCSPLASH_Load(LIST*, const char*, HWND) { return 0; }
int  SCSPLASH_Fini(LIST* pList) { LIST_Free(pList); return 1; }

int  SCCMN_LoadPlayTime(LIST*) { return 0; }
int  SCCMN_MakePlayInfo(LIST*, LIST*, int) { return 0; }
int  SCCMN_MakePlayInfoSeq(LIST*, LIST*, int) { return 0; }
int  SCCMN_Proc_WmuGetContentsImage(LPARAM, LIST*, HWND) { return 0; }

char* SCSKIN_GetLocalImagePath(int) { return nullptr; }
char* SCSKIN_GetUnderConstructImage(void) { return nullptr; }


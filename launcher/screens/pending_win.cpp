#include "pending.h"

#include "axhost.h"
#include "scctrl.h"

#include "log.h"
#include "sccmn.h"
#include "scskinfile.h"

// The web panes' host: no class, so no pane is made.
BOOL    AtlAxWinInit(void) { return FALSE; }
HRESULT AtlAxGetControl(HWND, IUnknown** ppUnk) { if (ppUnk != nullptr) *ppUnk = nullptr; return E_FAIL; }

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

int  SCCMN_EnableMainButtons(void) { return 1; }
int  SCCMN_DisableMainButtons(void) { return 1; }
int  SCCMN_Proc_WmuContentsButton(WPARAM, LPARAM, LIST*, HWND) { return 0; }
int  SCCMN_Proc_WmuRecvBuyInfo(HWND, WPARAM, LPARAM) { return 0; }
int  SCCMN_Proc_WmuRecvContents(HWND, WPARAM, LPARAM) { return 0; }
int  SCCMN_StartResignVelqa(void) { return 0; }
int  SCCMN_Proc_WmuRecvGetZvqVersion(HWND, WPARAM, LPARAM) { return 0; }
int  HANTIV_StartContents(int) { return 0; }

int  DLWND_Create(HINSTANCE, HWND, int) { return 1; }
int  DLWND_SetMax(int) { return 1; }
int  DLWND_SetPos(int) { return 1; }
int  DLWND_Destroy(void) { return 1; }
int  DLWND_IsExist(void) { return 0; }

int  COMMU_IsConnected(void) { return 0; }
int  COMMU_CloseSocket(void) { return 1; }

#include "pending.h"

#include "axhost.h"

#include "log.h"
#include "sccmn.h"
#include "scskinfile.h"

// The web panes' host: no class, so no pane is made.
BOOL    AtlAxWinInit(void) { return FALSE; }
HRESULT AtlAxGetControl(HWND, IUnknown** ppUnk) { if (ppUnk != nullptr) *ppUnk = nullptr; return E_FAIL; }


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

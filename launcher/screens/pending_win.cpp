#include "pending.h"

#include "log.h"
#include "sccmn.h"
#include "scskinfile.h"

int  SCCMN_Proc_WmuContentsButton(WPARAM, LPARAM, LIST*, HWND) { return 0; }
int  SCCMN_Proc_WmuRecvBuyInfo(HWND, WPARAM, LPARAM) { return 0; }
int  SCCMN_Proc_WmuRecvContents(HWND, WPARAM, LPARAM) { return 0; }
int  SCCMN_StartResignVelqa(void) { return 0; }



// UNINST: removes what the client put under the application folder and keeps
// the installed files (the keep list of uninstpath.h).
//
//   char strApp[UNINST_APPPATH_SIZE];
//   if (UNINST_GetAppPath(strApp, sizeof(strApp)) && UNINST_PrepareAppPath(strApp, sizeof(strApp))) {
//       char strSkin[UNINST_APPPATH_SIZE];
//       UNINST_GetSkinName(strSkin, sizeof(strSkin));
//       UNINST_SetSkinName(strSkin);       // kept as a whole name
//       UNINST_DeleteAllFiles(strApp);   // files not on the keep list
//       UNINST_RemoveAllDirs(strApp);    // emptied folders, pass after pass
//   }
//
// Deletion never leaves the application folder: a junction or symbolic link
// found inside is removed as a link (RemoveDirectory / DeleteFile act on the
// link itself) and never walked into. A folder is walked only through a
// handle of its own (UNINST_HoldFolder) that shows it is no link and keeps
// it from being swapped for one while its contents go. Paths of any length are handled in the
// long-path form ("\\?\"), so no path is ever cut to a fixed buffer.
// Diagnostics go to the debugger output only.
#pragma once

#include <windows.h>

#include "uninstpath.h"

// The registry's "apppath", queried read-only (the key is never written).
// 1, or 0 when the key cannot be opened or the value is missing or empty.
int UNINST_GetAppPath(char* pBuf, int nSize);

// Accepts the application folder only when it is absolute, below a drive
// root, exists as a real folder (no reparse point) and holds tiv_launcher.exe
// or env.bin; rewrites pBuf to its full form with a final "\". 0 refuses
// (reason to the debugger output), pBuf then empty.
int UNINST_PrepareAppPath(char* pBuf, int nSize);

// One file pass over pattern "<folder>\*" below the application folder.
void UNINST_DeleteFiles(const char* pAppPath, const char* pPattern);
void UNINST_DeleteAllFiles(const char* pAppPath);
// One folder pass; the folders it removed.
int UNINST_RemoveDirs(const char* pPattern);
void UNINST_RemoveAllDirs(const char* pAppPath);

// The registry's "skin" (read-only); 0 when there is none.
int UNINST_GetSkinName(char* pBuf, int nSize);
// The skin file the passes keep (top level, whole name); null or "": none.
void UNINST_SetSkinName(const char* pSkin);

// Opens the folder itself (never through a link) without delete sharing:
// while the handle is open it cannot be renamed or replaced. An invalid
// handle when it is missing, not a folder, or a reparse point (a junction
// or symbolic link). The caller closes it.
HANDLE UNINST_HoldFolder(const wchar_t* pPath);

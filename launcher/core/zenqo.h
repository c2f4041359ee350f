// ZENQO: moves the Start-menu shortcuts of the old game starter over to the
// sale start of zvq.exe. The old installer put, under the member's Start
// menu "\プログラム\zenqoゲーム", shortcuts whose target is
//   ...\zenqo_game\<member folder>\...\game\<game folder>\...\launch.exe
// Each one is rewritten to start "<app>zvq.exe" in "<app>" with the
// arguments "-salestart <user id>,<content id>,", the user id read from the
// header of "<app><member folder>\reg.dat" and the content id of the first
// content in that store whose first executable path contains the game
// folder's name.
//
//   ZENQO_ConvertShortcuts();     // 1; every shortcut that cannot be moved stays as it was
//
// The stores are read privately: the launcher's own catalogue in memory is
// never touched, so a run can come at any moment on the UI thread. COM is
// initialised around each use of a shell link. Paths are Shift-JIS texts of
// up to 2048 bytes; the shell link takes at most MAX_PATH characters.
#pragma once

#include "contentslist.h"
#include "list.h"

enum { ZENQO_PATH_LEN = 2048 };

int ZENQO_ConvertShortcuts(void);
// Where the shortcuts and the stores are looked for: null or empty keeps the
// real ones (the current user's Start menu folder, the registry's "apppath").
// For the tools and tests that run a conversion on a folder of their own.
int ZENQO_SetFolders(const char* pStartMenu, const char* pAppPath);

int ZENQO_FindShortcuts(LIST* pList);
int ZENQO_GetStartMenuFolder(char* pPath);     // ZENQO_PATH_LEN bytes
int ZENQO_GetStartMenuDir(char* pPath);
int ZENQO_SearchFolder(LIST* pList, const char* pRoot);
void ZENQO_SearchDir(LIST* pList, const char* pPattern);
int ZENQO_IsLaunchShortcut(const char* pPath);
int ZENQO_ShortcutTargetsLaunch(const char* pPath);
// Converts every entry in list order; *pnConverted (may be null) counts the
// shortcuts saved. Returns 1.
int ZENQO_ConvertAll(LIST* pList, int* pnConverted);
int ZENQO_ConvertShortcut(const char* pPath);

int ZENQO_GetUserId(char* pUserId, int nSize, const char* pTarget);
int ZENQO_GetContentsId(char* pContentsId, int nSize, const char* pTarget);
int ZENQO_GetAppPath(char* pPath, int nSize);
int ZENQO_GetInstallDir(char* pPath, int nSize);
int ZENQO_ReadRegDatUserId(char* pUserId, int nSize, const char* pRegDat);
// The store's header: 1 only for a store whose length matches its record
// count and whose header carries the store's magic.
int ZENQO_LoadRegDatHeader(CfhIf* pHdr, const char* pRegDat);
int ZENQO_FindContentsId(char* pContentsId, int nSize, const char* pRegDat, const char* pGameFolder);

// The element after the element equal to pName in a "\"-separated path
// (Shift-JIS aware, exact match). 1 when found and it fits nSize.
int ZENQO_GetElementAfter(char* pDst, int nSize, const char* pPath, const char* pName);

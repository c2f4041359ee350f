// ENVAPPSETTING: the member's start-up settings, appset.bin in the
// application folder. Three keys, each followed by its value and a blank
// line, LF line ends, every byte stored inverted:
//
//   [DEF_DISPMODE]            list shown first, 0-4 (default 2)
//   [AUTO_UPDATECONTENTS]     1: fetch the catalogue at start (default 0)
//   [AUTO_DOWNLOADCONTENTS]   1: and download what it offers (default 0)
//
//   if (!ENVAPPSETTING_Load(path)) { ENVAPPSETTING_CreateDefault(path); ENVAPPSETTING_Load(path); }
//   char v[2048]; ENVAPPSETTING_GetValue(v, sizeof(v), "[DEF_DISPMODE]");
//   ENVAPPSETTING_Free();
#pragma once

struct AppSetIf {
    int   bInit;
    char* pBuf;
};
extern AppSetIf g_appSetIf;

#define ENVAPPSET_KEY_DISPMODE     "[DEF_DISPMODE]"
#define ENVAPPSET_KEY_AUTOUPDATE   "[AUTO_UPDATECONTENTS]"
#define ENVAPPSET_KEY_AUTODOWNLOAD "[AUTO_DOWNLOADCONTENTS]"

int   ENVAPPSETTING_Load(const char* pPath);
int   ENVAPPSETTING_CreateDefault(const char* pPath);
int   ENVAPPSETTING_GetValue(char* pDst, int nDstSize, const char* pKey);
// Builds the settings text from three value strings; a new malloc block.
char* ENVAPPSETTING_Save(const char* pDispMode, const char* pAutoUpdate, const char* pAutoDownload);
int   ENVAPPSETTING_SetBuffer(char* pText);
int   ENVAPPSETTING_Write(const char* pPath);
int   ENVAPPSETTING_Free(void);
char* ENVAPPSETTING_Decode(const void* pData, int nLen);

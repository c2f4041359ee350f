// ENV: the installation's env.bin, the service's page locations and the
// window title. Stored with every byte inverted; kept decoded in memory from
// start-up to the end of the program.
//
//   ENV_Load("C:\\app\\env.bin");
//   char strTop[2048];
//   if (ENV_GetValue(strTop, sizeof(strTop), "[CGITOPPAGE]")) ...
#pragma once

struct EnvIf {
    int   bInit;   // 1 while loaded
    char* pBuf;    // decoded text, terminated (malloc)
};
extern EnvIf g_envmIf;

int  ENV_Load(const char* pPath);
int  ENV_GetValue(char* pDst, int nDstSize, const char* pKey);
int  ENV_IsLoaded(void);
int  ENV_Free(void);
// Inverts the file image into a new terminated malloc block.
char* ENV_Decode(const void* pData, int nLen);
// Reads an inverted settings file into a new terminated malloc block
// (its length without the terminator in *pnLen); 0 when it cannot be read.
int   ENV_ReadText(const char* pPath, char** ppText, int* pnLen);

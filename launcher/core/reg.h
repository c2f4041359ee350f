// REG: the installation's registry values.
//
// The installer writes HKEY_LOCAL_MACHINE "SOFTWARE\tiv" with "apppath" (the
// application folder, ending in "\"), "cntpath" (where members' folders live)
// and "skin"; the programs only read them.
//
//   char strApp[MAX_PATH];
//   if (!REG_GetAppPath(strApp, sizeof(strApp))) ... report and stop
#pragma once

#include <windows.h>

#define REG_TIV_KEY "SOFTWARE\\tiv"

// A string value of the installation's key (HKLM\SOFTWARE\tiv), read-only;
// 1 when it is there and not empty.
int REG_GetInstallValue(const char* pName, char* pDst, int nSize);
int REG_GetAppPath(char* pDst, int nSize);
// Reads a string value; on any failure the default is copied. Always 1.
int REG_QueryValue(HKEY hKey, const char* pName, char* pDst, int nSize, const char* pDefault);
int REG_GetDword(HKEY hKey, const char* pName, int* pDst, int nDefault);
int REG_GetInt(HKEY hKey, const char* pName, int* pDst, int nDefault);
int REG_GetBinary(HKEY hKey, const char* pName, unsigned char pDst[16], const unsigned char pDefault[16]);
int REG_SetString(HKEY hKey, const char* pName, const char* pValue);
int REG_SetDword(HKEY hKey, const char* pName, int nValue);

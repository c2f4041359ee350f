#include "reg.h"

#include <cstring>

#include "cmnassert.h"

namespace {

void reg_CopyDefault(char* pDst, int nSize, const char* pDefault)
{
    if (pDst == nullptr || nSize < 1) return;
    if (pDefault == nullptr) pDefault = "";
    int n = static_cast<int>(std::strlen(pDefault));
    if (n > nSize - 1) n = nSize - 1;
    std::memcpy(pDst, pDefault, n);
    pDst[n] = '\0';
}

}  // namespace

int REG_QueryValue(HKEY hKey, const char* pName, char* pDst, int nSize, const char* pDefault)
{
    CMN_ASSERT(pDst != nullptr && nSize > 0);
    if (pDst == nullptr || nSize < 1) return 1;
    DWORD dwType = 0;
    DWORD cb = static_cast<DWORD>(nSize);
    LONG r = RegQueryValueExA(hKey, pName, nullptr, &dwType, reinterpret_cast<BYTE*>(pDst), &cb);
    if (r != ERROR_SUCCESS || (dwType != REG_SZ && dwType != REG_EXPAND_SZ)) {
        reg_CopyDefault(pDst, nSize, pDefault);
        return 1;
    }
    // A stored string need not carry its terminator: make sure it has one.
    if (cb >= static_cast<DWORD>(nSize)) cb = nSize - 1;
    pDst[cb] = '\0';
    return 1;
}

int REG_GetInstallValue(const char* pName, char* pDst, int nSize)
{
    CMN_ASSERT(pDst != nullptr && nSize > 0);
    if (pDst == nullptr || nSize < 1) return 0;
    pDst[0] = '\0';
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, REG_TIV_KEY, 0, KEY_READ, &hKey) != ERROR_SUCCESS) return 0;
    REG_QueryValue(hKey, pName, pDst, nSize, "");
    RegCloseKey(hKey);
    return pDst[0] != '\0' ? 1 : 0;
}

int REG_GetAppPath(char* pDst, int nSize) { return REG_GetInstallValue("apppath", pDst, nSize); }

int REG_GetDword(HKEY hKey, const char* pName, int* pDst, int nDefault)
{
    CMN_ASSERT(pDst != nullptr);
    if (pDst == nullptr) return 1;
    DWORD dwType = 0, dwValue = 0, cb = sizeof(dwValue);
    LONG r = RegQueryValueExA(hKey, pName, nullptr, &dwType, reinterpret_cast<BYTE*>(&dwValue), &cb);
    *pDst = (r == ERROR_SUCCESS && cb == sizeof(dwValue)) ? static_cast<int>(dwValue) : nDefault;
    return 1;
}

int REG_GetInt(HKEY hKey, const char* pName, int* pDst, int nDefault)
{
    return REG_GetDword(hKey, pName, pDst, nDefault);
}

int REG_GetBinary(HKEY hKey, const char* pName, unsigned char pDst[16], const unsigned char pDefault[16])
{
    CMN_ASSERT(pDst != nullptr && pDefault != nullptr);
    if (pDst == nullptr) return 1;
    unsigned char buf[16];
    DWORD dwType = 0, cb = sizeof(buf);
    LONG r = RegQueryValueExA(hKey, pName, nullptr, &dwType, buf, &cb);
    if (r == ERROR_SUCCESS && cb == sizeof(buf)) std::memcpy(pDst, buf, 16);
    else if (pDefault != nullptr) std::memcpy(pDst, pDefault, 16);
    return 1;
}

int REG_SetString(HKEY hKey, const char* pName, const char* pValue)
{
    if (pValue == nullptr) return 0;
    DWORD cb = static_cast<DWORD>(std::strlen(pValue) + 1);
    return RegSetValueExA(hKey, pName, 0, REG_SZ, reinterpret_cast<const BYTE*>(pValue), cb) == ERROR_SUCCESS;
}

int REG_SetDword(HKEY hKey, const char* pName, int nValue)
{
    DWORD dw = static_cast<DWORD>(nValue);
    return RegSetValueExA(hKey, pName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dw), sizeof(dw)) == ERROR_SUCCESS;
}

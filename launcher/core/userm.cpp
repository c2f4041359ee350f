#include "userm.h"

#include <cstring>

#include "cmnassert.h"

#ifndef TRUE
#define TRUE 1
#endif

UsermIf g_usermIf = {};

namespace {

bool userm_Ready()
{
    CMN_ASSERT(g_usermIf.bInit == TRUE);
    return g_usermIf.bInit == 1;
}

// A text of nLen bytes (1 to nMax) whose string length is nLen: anything
// else would be cut, run past the field or leave part of an older value.
template <size_t N>
int userm_SetText(char (&field)[N], const char* pText, int nLen, int nMax)
{
    if (!userm_Ready()) return 0;
    CMN_ASSERT(pText != nullptr && nLen >= 1 && nLen <= nMax);
    if (pText == nullptr || nLen < 1 || nLen > nMax || static_cast<int>(N) <= nMax) return 0;
    CMN_ASSERT(std::strlen(pText) == static_cast<size_t>(nLen));
    if (std::memchr(pText, 0, nLen) != nullptr || pText[nLen] != '\0') return 0;
    std::memset(field, 0, N);
    std::memcpy(field, pText, nLen);
    return 1;
}

}  // namespace

int USERM_Init(void)
{
    std::memset(&g_usermIf, 0, sizeof(g_usermIf));
    g_usermIf.bInit = TRUE;
    return 1;
}

int USERM_Clear(void)
{
    std::memset(&g_usermIf, 0, sizeof(g_usermIf));
    return 1;
}

int USERM_SetAcountValid(int bValid)
{
    if (!userm_Ready()) return 0;
    g_usermIf.bAcountValid = bValid;
    return 1;
}

int USERM_GetAcountValid(void)
{
    userm_Ready();
    return g_usermIf.bAcountValid;
}

int USERM_SetId(const char* pId, int nLen)
{
    return userm_SetText(g_usermIf.szAcount, pId, nLen, GD_LEN_ID);
}

const char* USERM_GetId(void)
{
    userm_Ready();
    CMN_ASSERT(g_usermIf.szAcount[0] != '\0');
    return g_usermIf.szAcount;
}

int USERM_SetPassword(const char* pPassword, int nLen)
{
    return userm_SetText(g_usermIf.szPassword, pPassword, nLen, GD_LEN_PASSWORD);
}

const char* USERM_GetPassword(void)
{
    userm_Ready();
    return g_usermIf.szPassword;
}

int USERM_SetContentsId(const char* pContentsId, int nLen)
{
    return userm_SetText(g_usermIf.szContentsId, pContentsId, nLen, GD_LEN_CONTENTSID);
}

const char* USERM_GetContentsId(void)
{
    userm_Ready();
    return g_usermIf.szContentsId;
}

int USERM_SetContractId(const char* pContractId, int nLen)
{
    return userm_SetText(g_usermIf.szContractId, pContractId, nLen, GD_LEN_CONTRACTID);
}

const char* USERM_GetContractId(void)
{
    userm_Ready();
    return g_usermIf.szContractId;
}

int USERM_SetNumber(int nNumber)
{
    if (!userm_Ready()) return 0;
    CMN_ASSERT(nNumber >= 0);
    if (nNumber < 0) return 0;
    g_usermIf.nNumber = nNumber;
    return 1;
}

int USERM_GetNumber(void)
{
    userm_Ready();
    return g_usermIf.nNumber;
}

int USERM_SetValue(int nValue)
{
    if (!userm_Ready()) return 0;
    g_usermIf.nValue = nValue;
    return 1;
}

int USERM_GetValue(void)
{
    userm_Ready();
    return g_usermIf.nValue;
}

int USERM_SetFlag(int nFlag)
{
    if (!userm_Ready()) return 0;
    g_usermIf.nFlag = nFlag;
    return 1;
}

int USERM_GetFlag(void)
{
    userm_Ready();
    return g_usermIf.nFlag;
}

int USERM_SetSendBuf(const void* pData, int nBufSize)
{
    if (!userm_Ready()) return 0;
    CMN_ASSERT(g_usermIf.nSendBufSize == 0);
    CMN_ASSERT(nBufSize <= GD_LEN_SENDBUF);
    CMN_ASSERT(pData != nullptr);
    if (g_usermIf.nSendBufSize != 0 || nBufSize < 0 || nBufSize > GD_LEN_SENDBUF || pData == nullptr) return 0;
    std::memcpy(g_usermIf.bySendBuf, pData, nBufSize);
    g_usermIf.nSendBufSize = nBufSize;
    return 1;
}

unsigned char* USERM_GetSendBufCapacity(int* pnCapacity)
{
    userm_Ready();
    if (pnCapacity != nullptr) *pnCapacity = GD_LEN_SENDBUF;
    return g_usermIf.bySendBuf;
}

int USERM_HasSendBuf(void)
{
    userm_Ready();
    return g_usermIf.nSendBufSize > 0 ? 1 : 0;
}

unsigned char* USERM_GetSendBuf(int* pnSize)
{
    userm_Ready();
    CMN_ASSERT(g_usermIf.nSendBufSize > 0);
    if (pnSize != nullptr) *pnSize = g_usermIf.nSendBufSize;
    return g_usermIf.bySendBuf;
}

int USERM_ClearSendBuf(void)
{
    if (!userm_Ready()) return 0;
    g_usermIf.nSendBufSize = 0;
    return 1;
}

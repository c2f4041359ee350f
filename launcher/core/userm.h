// USERM: the signed-in member's account record, g_usermIf: user id,
// password, the content id of a sale start, a few flags and numbers, and one
// send buffer.
//
//   USERM_Init();
//   USERM_SetAcountValid(TRUE);
//   if (!USERM_SetId(pId, lstrlen(pId))) ...   // refused: empty, too long, or a length that lies
//   const char* pId = USERM_GetId();
//
// The texts come from command lines and stored files: a setter refuses (0)
// a value that does not fit its field and leaves the field as it was.
#pragma once

#include <cstdint>

enum {
    GD_LEN_ID = 128,
    GD_LEN_PASSWORD = 128,
    GD_LEN_CONTENTSID = 128,
    GD_LEN_CONTRACTID = 10,
    GD_LEN_SENDBUF = 1024,
};

struct UsermIf {
    int32_t       bInit;
    int32_t       bAcountValid;
    char          szAcount[GD_LEN_ID + 1];
    char          szPassword[GD_LEN_PASSWORD + 1];
    char          szContentsId[GD_LEN_CONTENTSID + 1];
    unsigned char bySendBuf[GD_LEN_SENDBUF];
    int32_t       nSendBufSize;
    int32_t       nValue;
    char          szReserved[2048];
    int32_t       nFlag;
    char          szContractId[GD_LEN_CONTRACTID + 1];
    int32_t       nNumber;
};
extern UsermIf g_usermIf;

int USERM_Init(void);
int USERM_Clear(void);
int USERM_SetAcountValid(int bValid);
int USERM_GetAcountValid(void);
int USERM_SetId(const char* pId, int nLen);                 // 1 to 128 bytes
const char* USERM_GetId(void);
int USERM_SetPassword(const char* pPassword, int nLen);     // 1 to 128 bytes
const char* USERM_GetPassword(void);
int USERM_SetContentsId(const char* pContentsId, int nLen); // 1 to 128 bytes
const char* USERM_GetContentsId(void);
int USERM_SetContractId(const char* pContractId, int nLen); // 1 to 10 bytes
const char* USERM_GetContractId(void);
int USERM_SetNumber(int nNumber);                           // not negative
int USERM_GetNumber(void);
int USERM_SetValue(int nValue);
int USERM_GetValue(void);
int USERM_SetFlag(int nFlag);
int USERM_GetFlag(void);
// The send buffer is empty or full: a full one is taken and cleared before
// it is filled again.
int USERM_SetSendBuf(const void* pData, int nBufSize);      // at most 1024 bytes, buffer empty
unsigned char* USERM_GetSendBufCapacity(int* pnCapacity);
int USERM_HasSendBuf(void);
unsigned char* USERM_GetSendBuf(int* pnSize);
int USERM_ClearSendBuf(void);

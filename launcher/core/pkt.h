// PKT: the packets exchanged with the service over one TCP connection (the
// game runner frames its packets the same way). Every packet opens with an
// 8-byte little-endian header PACK_HEADER { type, lSize } where lSize counts
// the whole packet, header included. Most bodies are scrambled with the
// catalogue store's keyed scrambling (CMNUTIL_Encode, CMNUTIL_KEY): the
// scrambled body is one byte longer than the plain one and lSize counts the
// scrambled length.
//
//   int nType = 0;
//   if (PKT_AnalyPacket(&nType, buf, n) != 0) ...       // incomplete (1) or refused (2)
//   int nErr = 0, nFirst = 0;
//   char* pBody = PKT_Get_BuyGame(&nErr, &nFirst, buf, n);   // new block: free() it
//
//   char pkt[300]; int nSize = 0;
//   if (PKT_Make_Update(&nSize, pkt, sizeof(pkt), pId, pPass, 1, 0, 0)) COMMU_Send(&nErr, pkt, nSize);
//
// Everything here reads and writes memory only: a received packet is checked
// against the size that was actually received before any field is read, and
// a writer refuses (0, nothing written) a text that does not fit its fixed
// field. Text fields are zero-filled behind their terminator, so no stale
// bytes of the caller's buffer travel to the service.
//
// A refused packet type is shown to the member as "...(ZVQ:039)" captioned
// "Msg": a message box on Windows (pkt_win.cpp), standard error elsewhere
// (pkt_posix.cpp), or whatever PKT_SetHost installs.
#pragma once

#include <cstdint>

#include "list.h"

enum ePKTYPE {
    ePKTYPE_USERFULL = 0,
    ePKTYPE_INVALIDIDPASSWORD = 3,
    ePKTYPE_VALIDIDPASSWORD = 4,
    ePKTYPE_BUYGAME = 7,
    ePKTYPE_BUYGAME_ANDSTATUS = 11,
    ePKTYPE_BUYGAME_ORIAL = 16,
    ePKTYPE_BUYGAME_MUSICTIV = 21,
    ePKTYPE_NOPLAYEND = 23,
    ePKTYPE_VALIDIDPRODUCTID_KTIV = 24,
    ePKTYPE_ERROR = 25,
    ePKTYPE_VALIDIDPRODUCTIDCONTRACTID_KTIV = 29,
};

enum {
    PKT_LEN_ID = 128,          // user id and password fields, terminator included
    PKT_LEN_CODE = 12,         // the 12-character codes, no terminator
    PKT_LEN_DATE = 12,         // the update's date field, terminator included
    PKT_LEN_FILENAME = 128,    // the download's file name, terminator included
    PKT_REPORT_MAX = 6144,     // a report text stays shorter than this
};

// Results of PKT_AnalyPacket.
enum { PKT_ANALY_OK = 0, PKT_ANALY_SIZE = 1, PKT_ANALY_REFUSED = 2 };

// Error codes of the readers. 1 and the wrong-type codes are the service's
// protocol; PKT_ERR_BODY is a packet whose size matches but whose body is too
// short for what the type carries, or does not unscramble.
enum {
    PKT_ERR_NONE = 0,
    PKT_ERR_SIZE = 1,
    PKT_ERR_BODY = 2,
    PKT_ERR_TYPE_BODY = 3,         // the body readers
    PKT_ERR_TYPE_INVALID = 4,      // PKT_Get_InvalidIdPassword
    PKT_ERR_TYPE_VALID = 5,        // PKT_Get_ValidIdPassword
};

struct PACK_HEADER {
    int32_t type;
    int32_t lSize;
};

// Client packets, plain (the bytes after the header are scrambled on the wire).
struct PACK_C_IDPASSWORD {
    PACK_HEADER hdr;               //   0 type 2, lSize 285
    int32_t     nFirst;            //   8
    int32_t     nSecond;           //  12
    char        strId[PKT_LEN_ID];        //  16
    char        strPassword[PKT_LEN_ID];  // 144
    char        strCode[PKT_LEN_CODE];    // 272, no terminator
};
struct PACK_C_UPDATE {
    PACK_HEADER hdr;               //   0 type 5, 17 or 18, lSize 265
    char        strId[PKT_LEN_ID];        //   8
    char        strPassword[PKT_LEN_ID];  // 136
};
struct PACK_C_UPDATE_DATE {
    PACK_C_UPDATE upd;             //   0 type 6, 19 or 20, lSize 277
    char          strDate[PKT_LEN_DATE];  // 264
};
struct PACK_C_DOWNLOAD {
    PACK_HEADER hdr;               //   0 type 12, lSize 145
    int32_t     nNumber;           //   8
    int32_t     nDataLen;          //  12
    char        strFileName[PKT_LEN_FILENAME];  // 16
};
static_assert(sizeof(PACK_HEADER) == 8, "PACK_HEADER is 8 bytes");
static_assert(sizeof(PACK_C_IDPASSWORD) == 284, "PACK_C_IDPASSWORD is 284 bytes");
static_assert(sizeof(PACK_C_UPDATE) == 264, "PACK_C_UPDATE is 264 bytes");
static_assert(sizeof(PACK_C_UPDATE_DATE) == 276, "the dated update is 276 bytes");
static_assert(sizeof(PACK_C_DOWNLOAD) == 144, "PACK_C_DOWNLOAD is 144 bytes");

// One play-time entry of a report: four NUL-terminated texts. The report
// writes each up to its terminator (or the end of its field). The service
// fixes the first three widths; the last one's is this client's choice.
struct PktPlayIf {
    char strText1[129];
    char strText2[65];
    char strText3[2048];
    char strText4[129];
};

// How a refused packet type reaches the member. Null fields keep the
// platform's default.
struct PktHostIf {
    void (*showMessage)(const char* pText, const char* pCaption);
};
int  PKT_SetHost(const PktHostIf* pHost);    // null: back to the default
// The platform's default (pkt_win.cpp: a message box without owner).
void PKT_ShowMessageDefault(const char* pText, const char* pCaption);

// 0 with *pType stored; 1 when the header is incomplete or lSize is not
// nSize (the caller keeps reading or drops the data); 2 when the type is not
// one the service sends (shown to the member once per packet).
int PKT_AnalyPacket(int* pType, const void* pBuf, int nSize);

// The int32 replies. Wrong size (or no room for the int32): error 1 and the
// default result (16, respectively 0); wrong type: error 4 (respectively 5).
int32_t PKT_Get_InvalidIdPassword(int* pnError, const void* pBuf, int nSize);
int32_t PKT_Get_ValidIdPassword(int* pnError, const void* pBuf, int nSize);

// The purchase replies: a new zero-terminated block (free()) of the plain
// body, whose first int32 is also stored in *pnFirst. NULL with error 1
// (size), 2 (body too short for its int32 or not unscrambled) or 3 (type).
char* PKT_Get_BuyGame(int* pnError, int32_t* pnFirst, const void* pBuf, int nSize);
char* PKT_Get_BuyGameAndStatus(int* pnError, int32_t* pnFirst, const void* pBuf, int nSize);
char* PKT_Get_BuyGameOrial(int* pnError, int32_t* pnFirst, const void* pBuf, int nSize);
char* PKT_Get_BuyGameMusicTiv(int* pnError, int32_t* pnFirst, const void* pBuf, int nSize);

// The product replies: the body is EUC-JP text, handed out converted to
// Shift-JIS in a new zero-terminated block (free()). Errors as above.
char* PKT_Get_ValidIdProductId(int* pnError, const void* pBuf, int nSize);
char* PKT_Get_ValidIdProductIdContractId(int* pnError, const void* pBuf, int nSize);

// The writers fill pBuf and store the packet's size in *pnSize. nBufLen must
// be above the plain packet's size plus one (the download: at least its 145
// bytes). 1, or 0 with *pnSize 0 and pBuf untouched
// when an argument is refused: an empty or too long text, a code that is not
// exactly 12 characters, an account flag other than 0 or 1, a data length
// of 0 or less.
int PKT_Make_IdPassword(int* pnSize, void* pBuf, int nBufLen, const char* pId, const char* pPassword,
                        int32_t nFirst, int32_t nSecond, const char* pCode);
// Type 17 (variant 1, second flag 0), 18 (variant 1, second flag set) or 5.
int PKT_Make_Update(int* pnSize, void* pBuf, int nBufLen, const char* pId, const char* pPassword,
                    int bAccount, unsigned char byVariant, int bSecond);
// Type 19, 20 or 6 by the same rule; the date is 1 to 11 characters.
int PKT_Make_UpdateWithDate(int* pnSize, void* pBuf, int nBufLen, const char* pId, const char* pPassword,
                            const char* pDate, int bAccount, unsigned char byVariant, int bSecond);
// File name 1 to 127 characters, data length above 0.
int PKT_Make_Download(int* pnSize, void* pBuf, int nBufLen, const char* pFileName, int32_t nNumber,
                      int32_t nDataLen);

// The report text "%d,%d,%s,%s,%d,%d,%d," (first, second, user id, second
// text, third, code count, entry count), each code and ",", then for each
// entry "," and its four texts each followed by ",". pCodes holds at least
// one text of exactly 12 characters; pPlayTime holds PktPlayIf blocks (or is
// null for none). A new packet (free()) of *pnSize bytes: type 22 with the
// text and its NUL as they are, type 28 (Report2) with them scrambled. NULL
// for a refused argument or a text of 6144 bytes or more.
char* PKT_Make_Report(int* pnSize, const char* pId, const char* pText2, int32_t nFirst, int32_t nSecond,
                      LIST* pCodes, int32_t nThird, LIST* pPlayTime);
char* PKT_Make_Report2(int* pnSize, const char* pId, const char* pText2, int32_t nFirst, int32_t nSecond,
                       LIST* pCodes, int32_t nThird, LIST* pPlayTime);

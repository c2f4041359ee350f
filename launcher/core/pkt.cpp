// Packet framing, readers and writers: memory only, no platform calls.
#include "pkt.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cmnassert.h"
#include "cmnutil.h"
#include "contentslist.h"
#include "log.h"

namespace {

PktHostIf g_pktHost = { nullptr };

// The client's own types (the service never sends them).
enum {
    kTypeIdPassword = 2,
    kTypeUpdate = 5, kTypeUpdateVariant = 17, kTypeUpdateVariantSecond = 18,
    kTypeUpdateDate = 6, kTypeUpdateDateVariant = 19, kTypeUpdateDateVariantSecond = 20,
    kTypeDownload = 12,
    kTypeReport = 22, kTypeReportScrambled = 28,
};

const int kHeaderSize = static_cast<int>(sizeof(PACK_HEADER));

bool pkt_Accepted(int32_t type)
{
    switch (type) {
    case 0: case 1: case 3: case 4: case 7: case 8: case 9: case 10: case 11:
    case 13: case 15: case 16: case 21: case 23: case 24: case 25: case 29:
        return true;
    default:
        return false;
    }
}

// The header of a received packet; false when the buffer cannot hold one.
// Copied out byte-wise: a receive buffer need not be aligned for int32.
bool pkt_Header(const void* pBuf, int nSize, PACK_HEADER* pHdr)
{
    if (pBuf == nullptr || nSize < kHeaderSize) return false;
    std::memcpy(pHdr, pBuf, sizeof(*pHdr));
    return true;
}

int32_t pkt_GetInt(const void* pBuf, int nSize, int32_t nType, int nWrongType, int32_t nDefault, int* pnError,
                   const char* pName)
{
    CMN_ASSERT(pnError != NULL && pBuf != NULL);
    int nDummy = 0;
    if (pnError == nullptr) pnError = &nDummy;
    PACK_HEADER hdr;
    // A size that lies, or a packet that ends before its int32, is read as
    // nothing at all.
    if (!pkt_Header(pBuf, nSize, &hdr) || hdr.lSize != nSize) {
        *pnError = PKT_ERR_SIZE;
        return nDefault;
    }
    if (hdr.type != nType) {
        *pnError = nWrongType;
        return nDefault;
    }
    if (nSize < kHeaderSize + 4) {
        char str[128];
        std::snprintf(str, sizeof(str), "%s::err::packet of %d bytes has no result\n", pName, nSize);
        LOG_Write(str);
        *pnError = PKT_ERR_SIZE;
        return nDefault;
    }
    int32_t v = 0;
    std::memcpy(&v, static_cast<const char*>(pBuf) + kHeaderSize, sizeof(v));
    *pnError = PKT_ERR_NONE;
    return v;
}

// The plain body of a scrambled reply of type nType, as a new block of the
// scrambled body's length (so the plain bytes are always followed by a NUL).
// nMinPlain: the plain bytes the type must carry.
char* pkt_GetBody(const void* pBuf, int nSize, int32_t nType, int nMinPlain, int* pnError, int* pnPlain,
                  const char* pName)
{
    CMN_ASSERT(pnError != NULL && pBuf != NULL);
    int nDummy = 0;
    if (pnError == nullptr) pnError = &nDummy;
    PACK_HEADER hdr;
    if (!pkt_Header(pBuf, nSize, &hdr) || hdr.lSize != nSize) {
        *pnError = PKT_ERR_SIZE;
        return nullptr;
    }
    if (hdr.type != nType) {
        *pnError = PKT_ERR_TYPE_BODY;
        return nullptr;
    }
    char str[160];
    int nBody = nSize - kHeaderSize;
    // A scrambled body is the plain body and one check byte.
    if (nBody - 1 < nMinPlain || nBody < 2) {
        std::snprintf(str, sizeof(str), "%s::err::body of %d bytes is too short\n", pName, nBody);
        LOG_Write(str);
        *pnError = PKT_ERR_BODY;
        return nullptr;
    }
    char* pPlain = static_cast<char*>(std::calloc(nBody, 1));
    if (pPlain == nullptr) {
        *pnError = PKT_ERR_BODY;
        return nullptr;
    }
    int nPlain = 0;
    int bRet = CMNUTIL_Decode(static_cast<const char*>(pBuf) + kHeaderSize, nBody, CMNUTIL_KEY, pPlain, &nPlain);
    if (!bRet || nPlain != nBody - 1) {
        std::snprintf(str, sizeof(str), "%s::err::body not unscrambled\n", pName);
        LOG_Write(str);
        std::free(pPlain);
        *pnError = PKT_ERR_BODY;
        return nullptr;
    }
    *pnPlain = nPlain;
    *pnError = PKT_ERR_NONE;
    return pPlain;
}

char* pkt_GetBuy(int* pnError, int32_t* pnFirst, const void* pBuf, int nSize, int32_t nType, const char* pName)
{
    int nPlain = 0;
    char* p = pkt_GetBody(pBuf, nSize, nType, 4, pnError, &nPlain, pName);
    if (p != nullptr && pnFirst != nullptr) std::memcpy(pnFirst, p, sizeof(*pnFirst));
    return p;
}

char* pkt_GetProduct(int* pnError, const void* pBuf, int nSize, int32_t nType, const char* pName)
{
    int nPlain = 0;
    char* p = pkt_GetBody(pBuf, nSize, nType, 1, pnError, &nPlain, pName);
    // The service writes its texts in EUC-JP; the launcher works in Shift-JIS.
    if (p != nullptr) EUCtoSJIS(p, nPlain);
    return p;
}

// Length of a text that must fit a field of nField bytes with its
// terminator: -1 when it is missing, empty or too long.
int pkt_FieldLen(const char* p, int nField)
{
    if (p == nullptr) return -1;
    size_t n = strnlen(p, nField);
    return (n == 0 || n >= static_cast<size_t>(nField)) ? -1 : static_cast<int>(n);
}

void pkt_SetInt(void* pDst, int32_t v) { std::memcpy(pDst, &v, sizeof(v)); }

// Scrambles the plain packet's bytes after the header and writes header and
// scrambled body to pBuf: nPlainSize + 1 bytes.
bool pkt_Seal(void* pBuf, const void* pPlain, int nPlainSize, int32_t nType)
{
    const int nBody = nPlainSize - kHeaderSize;
    // The largest fixed packet's body and its check byte fit.
    unsigned char out[sizeof(PACK_C_IDPASSWORD)];
    CMN_ASSERT(nBody > 0 && nBody + 1 <= static_cast<int>(sizeof(out)));
    if (nBody <= 0 || nBody + 1 > static_cast<int>(sizeof(out))) return false;
    int nOut = 0;
    int bRet = CMNUTIL_Encode(static_cast<const char*>(pPlain) + kHeaderSize, nBody, CMNUTIL_KEY, out, &nOut,
                              static_cast<int>(sizeof(out)));
    CMN_ASSERT(bRet == 1 && nOut == nBody + 1);
    if (!bRet || nOut != nBody + 1) return false;
    PACK_HEADER hdr = { nType, nPlainSize + 1 };
    std::memcpy(pBuf, &hdr, sizeof(hdr));
    std::memcpy(static_cast<char*>(pBuf) + kHeaderSize, out, nOut);
    return true;
}

bool pkt_Refuse(int* pnSize, const char* pName, const char* pWhy)
{
    char str[160];
    std::snprintf(str, sizeof(str), "%s::err::%s\n", pName, pWhy);
    LOG_Write(str);
    if (pnSize != nullptr) *pnSize = 0;
    return false;
}

int pkt_UpdateType(unsigned char byVariant, int bSecond, int32_t nPlain, int32_t nVariant, int32_t nVariantSecond)
{
    if (byVariant != 1) return nPlain;
    return bSecond ? nVariantSecond : nVariant;
}

// The report text into a 6144-byte area; its length, or -1 when an argument
// is refused or the text does not stay shorter than the area.
int pkt_ReportText(char* pText, const char* pId, const char* pText2, int32_t nFirst, int32_t nSecond, LIST* pCodes,
                   int32_t nThird, LIST* pPlayTime)
{
    const int nCodes = pCodes != nullptr ? LIST_GetCnt(pCodes) : 0;
    const int nPlays = pPlayTime != nullptr ? LIST_GetCnt(pPlayTime) : 0;
    if (pId == nullptr || pId[0] == '\0' || pText2 == nullptr || nCodes < 1 || nPlays < 0) return -1;
    int n = std::snprintf(pText, PKT_REPORT_MAX, "%d,%d,%s,%s,%d,%d,%d,", nFirst, nSecond, pId, pText2, nThird,
                          nCodes, nPlays);
    if (n < 0 || n >= PKT_REPORT_MAX) return -1;
    for (int i = 0; i < nCodes; i++) {
        const char* pCode = static_cast<const char*>(LIST_GetAt(pCodes, i));
        if (pCode == nullptr || strnlen(pCode, PKT_LEN_CODE + 1) != PKT_LEN_CODE) return -1;
        int m = std::snprintf(pText + n, PKT_REPORT_MAX - n, "%.12s,", pCode);
        if (m < 0 || m >= PKT_REPORT_MAX - n) return -1;
        n += m;
    }
    for (int i = 0; i < nPlays; i++) {
        const PktPlayIf* p = static_cast<const PktPlayIf*>(LIST_GetAt(pPlayTime, i));
        if (p == nullptr) return -1;
        // Each text ends at its terminator or at the end of its field.
        int m = std::snprintf(pText + n, PKT_REPORT_MAX - n, ",%.*s,%.*s,%.*s,%.*s,",
                              static_cast<int>(strnlen(p->strText1, sizeof(p->strText1))), p->strText1,
                              static_cast<int>(strnlen(p->strText2, sizeof(p->strText2))), p->strText2,
                              static_cast<int>(strnlen(p->strText3, sizeof(p->strText3))), p->strText3,
                              static_cast<int>(strnlen(p->strText4, sizeof(p->strText4))), p->strText4);
        if (m < 0 || m >= PKT_REPORT_MAX - n) return -1;
        n += m;
    }
    return n;
}

char* pkt_MakeReport(int* pnSize, const char* pId, const char* pText2, int32_t nFirst, int32_t nSecond, LIST* pCodes,
                     int32_t nThird, LIST* pPlayTime, bool bScramble, const char* pName)
{
    CMN_ASSERT(pnSize != NULL);
    if (pnSize != nullptr) *pnSize = 0;
    char* pText = static_cast<char*>(std::calloc(PKT_REPORT_MAX, 1));
    if (pText == nullptr) return nullptr;
    int nLen = pkt_ReportText(pText, pId, pText2, nFirst, nSecond, pCodes, nThird, pPlayTime);
    if (nLen < 0) {
        std::free(pText);
        pkt_Refuse(pnSize, pName, "report refused or 6144 bytes or longer");
        return nullptr;
    }
    const int nPacket = kHeaderSize + nLen + 1;
    char* pPacket = static_cast<char*>(std::calloc(nPacket, 1));
    if (pPacket == nullptr) {
        std::free(pText);
        return nullptr;
    }
    PACK_HEADER hdr = { bScramble ? kTypeReportScrambled : kTypeReport, nPacket };
    std::memcpy(pPacket, &hdr, sizeof(hdr));
    if (bScramble) {
        int nOut = 0;
        int bRet = CMNUTIL_Encode(pText, nLen, CMNUTIL_KEY, pPacket + kHeaderSize, &nOut, nLen + 1);
        CMN_ASSERT(bRet == 1 && nOut == nLen + 1);
        if (!bRet || nOut != nLen + 1) {
            std::free(pText);
            std::free(pPacket);
            return nullptr;
        }
    } else {
        std::memcpy(pPacket + kHeaderSize, pText, nLen + 1);
    }
    std::free(pText);
    if (pnSize != nullptr) *pnSize = nPacket;
    return pPacket;
}

}  // namespace

int PKT_SetHost(const PktHostIf* pHost)
{
    g_pktHost = pHost != nullptr ? *pHost : PktHostIf{ nullptr };
    return 1;
}

int PKT_AnalyPacket(int* pType, const void* pBuf, int nSize)
{
    CMN_ASSERT(pBuf != NULL);
    PACK_HEADER hdr;
    // Fewer bytes than a header: nothing to check yet.
    if (!pkt_Header(pBuf, nSize, &hdr) || hdr.lSize != nSize) return PKT_ANALY_SIZE;
    if (pkt_Accepted(hdr.type)) {
        if (pType != nullptr) *pType = hdr.type;
        return PKT_ANALY_OK;
    }
    char str[128];
    std::snprintf(str, sizeof(str), "PKT_AnalyPacket::received abnormal packetid[%d](ZVQ:039)", static_cast<int>(hdr.type));
    LOG_Write(str);
    LOG_Write("\n");
    if (g_pktHost.showMessage != nullptr) g_pktHost.showMessage(str, "Msg");
    else PKT_ShowMessageDefault(str, "Msg");
    return PKT_ANALY_REFUSED;
}

int32_t PKT_Get_InvalidIdPassword(int* pnError, const void* pBuf, int nSize)
{
    return pkt_GetInt(pBuf, nSize, ePKTYPE_INVALIDIDPASSWORD, PKT_ERR_TYPE_INVALID, 16, pnError,
                      "PKT_Get_InvalidIdPassword");
}

int32_t PKT_Get_ValidIdPassword(int* pnError, const void* pBuf, int nSize)
{
    return pkt_GetInt(pBuf, nSize, ePKTYPE_VALIDIDPASSWORD, PKT_ERR_TYPE_VALID, 0, pnError, "PKT_Get_ValidIdPassword");
}

char* PKT_Get_BuyGame(int* pnError, int32_t* pnFirst, const void* pBuf, int nSize)
{
    return pkt_GetBuy(pnError, pnFirst, pBuf, nSize, ePKTYPE_BUYGAME, "PKT_Get_BuyGame");
}

char* PKT_Get_BuyGameAndStatus(int* pnError, int32_t* pnFirst, const void* pBuf, int nSize)
{
    return pkt_GetBuy(pnError, pnFirst, pBuf, nSize, ePKTYPE_BUYGAME_ANDSTATUS, "PKT_Get_BuyGameAndStatus");
}

char* PKT_Get_BuyGameOrial(int* pnError, int32_t* pnFirst, const void* pBuf, int nSize)
{
    return pkt_GetBuy(pnError, pnFirst, pBuf, nSize, ePKTYPE_BUYGAME_ORIAL, "PKT_Get_BuyGameOrial");
}

char* PKT_Get_BuyGameMusicTiv(int* pnError, int32_t* pnFirst, const void* pBuf, int nSize)
{
    return pkt_GetBuy(pnError, pnFirst, pBuf, nSize, ePKTYPE_BUYGAME_MUSICTIV, "PKT_Get_BuyGameMusicTiv");
}

char* PKT_Get_ValidIdProductId(int* pnError, const void* pBuf, int nSize)
{
    return pkt_GetProduct(pnError, pBuf, nSize, ePKTYPE_VALIDIDPRODUCTID_KTIV, "PKT_Get_ValidIdProductId");
}

char* PKT_Get_ValidIdProductIdContractId(int* pnError, const void* pBuf, int nSize)
{
    return pkt_GetProduct(pnError, pBuf, nSize, ePKTYPE_VALIDIDPRODUCTIDCONTRACTID_KTIV,
                          "PKT_Get_ValidIdProductIdContractId");
}

int PKT_Make_IdPassword(int* pnSize, void* pBuf, int nBufLen, const char* pId, const char* pPassword,
                        int32_t nFirst, int32_t nSecond, const char* pCode)
{
    const char* kName = "PKT_Make_IdPassword";
    CMN_ASSERT(pnSize != NULL && pBuf != NULL);
    if (pnSize != nullptr) *pnSize = 0;
    if (pnSize == nullptr || pBuf == nullptr || nBufLen <= static_cast<int>(sizeof(PACK_C_IDPASSWORD)) + 1)
        return pkt_Refuse(pnSize, kName, "no buffer");
    int nId = pkt_FieldLen(pId, PKT_LEN_ID);
    int nPass = pkt_FieldLen(pPassword, PKT_LEN_ID);
    if (nId < 0 || nPass < 0) return pkt_Refuse(pnSize, kName, "user id or password empty or too long");
    if (pCode == nullptr || strnlen(pCode, PKT_LEN_CODE + 1) != PKT_LEN_CODE)
        return pkt_Refuse(pnSize, kName, "code is not 12 characters");
    PACK_C_IDPASSWORD pk;
    std::memset(&pk, 0, sizeof(pk));
    pkt_SetInt(&pk.nFirst, nFirst);
    pkt_SetInt(&pk.nSecond, nSecond);
    std::memcpy(pk.strId, pId, nId);
    std::memcpy(pk.strPassword, pPassword, nPass);
    std::memcpy(pk.strCode, pCode, PKT_LEN_CODE);
    if (!pkt_Seal(pBuf, &pk, sizeof(pk), kTypeIdPassword)) return pkt_Refuse(pnSize, kName, "not scrambled");
    *pnSize = sizeof(pk) + 1;
    return 1;
}

int PKT_Make_Update(int* pnSize, void* pBuf, int nBufLen, const char* pId, const char* pPassword, int bAccount,
                    unsigned char byVariant, int bSecond)
{
    const char* kName = "PKT_Make_Update";
    CMN_ASSERT(pnSize != NULL && pBuf != NULL);
    if (pnSize != nullptr) *pnSize = 0;
    if (pnSize == nullptr || pBuf == nullptr || nBufLen <= static_cast<int>(sizeof(PACK_C_UPDATE)) + 1)
        return pkt_Refuse(pnSize, kName, "no buffer");
    int nId = pkt_FieldLen(pId, PKT_LEN_ID);
    int nPass = pkt_FieldLen(pPassword, PKT_LEN_ID);
    if (nId < 0 || nPass < 0) return pkt_Refuse(pnSize, kName, "user id or password empty or too long");
    if (bAccount != 0 && bAccount != 1) return pkt_Refuse(pnSize, kName, "account flag");
    PACK_C_UPDATE pk;
    std::memset(&pk, 0, sizeof(pk));
    std::memcpy(pk.strId, pId, nId);
    std::memcpy(pk.strPassword, pPassword, nPass);
    int32_t nType = pkt_UpdateType(byVariant, bSecond, kTypeUpdate, kTypeUpdateVariant, kTypeUpdateVariantSecond);
    if (!pkt_Seal(pBuf, &pk, sizeof(pk), nType)) return pkt_Refuse(pnSize, kName, "not scrambled");
    *pnSize = sizeof(pk) + 1;
    return 1;
}

int PKT_Make_UpdateWithDate(int* pnSize, void* pBuf, int nBufLen, const char* pId, const char* pPassword,
                            const char* pDate, int bAccount, unsigned char byVariant, int bSecond)
{
    const char* kName = "PKT_Make_UpdateWithDate";
    CMN_ASSERT(pnSize != NULL && pBuf != NULL);
    if (pnSize != nullptr) *pnSize = 0;
    if (pnSize == nullptr || pBuf == nullptr || nBufLen <= static_cast<int>(sizeof(PACK_C_UPDATE_DATE)) + 1)
        return pkt_Refuse(pnSize, kName, "no buffer");
    int nId = pkt_FieldLen(pId, PKT_LEN_ID);
    int nPass = pkt_FieldLen(pPassword, PKT_LEN_ID);
    int nDate = pkt_FieldLen(pDate, PKT_LEN_DATE);
    if (nId < 0 || nPass < 0) return pkt_Refuse(pnSize, kName, "user id or password empty or too long");
    if (nDate < 0) return pkt_Refuse(pnSize, kName, "date empty or too long");
    if (bAccount != 0 && bAccount != 1) return pkt_Refuse(pnSize, kName, "account flag");
    PACK_C_UPDATE_DATE pk;
    std::memset(&pk, 0, sizeof(pk));
    std::memcpy(pk.upd.strId, pId, nId);
    std::memcpy(pk.upd.strPassword, pPassword, nPass);
    std::memcpy(pk.strDate, pDate, nDate);
    int32_t nType = pkt_UpdateType(byVariant, bSecond, kTypeUpdateDate, kTypeUpdateDateVariant,
                                   kTypeUpdateDateVariantSecond);
    if (!pkt_Seal(pBuf, &pk, sizeof(pk), nType)) return pkt_Refuse(pnSize, kName, "not scrambled");
    *pnSize = sizeof(pk) + 1;
    return 1;
}

int PKT_Make_Download(int* pnSize, void* pBuf, int nBufLen, const char* pFileName, int32_t nNumber, int32_t nDataLen)
{
    const char* kName = "PKT_Make_Download";
    CMN_ASSERT(pnSize != NULL && pBuf != NULL);
    if (pnSize != nullptr) *pnSize = 0;
    if (pnSize == nullptr || pBuf == nullptr || nBufLen <= static_cast<int>(sizeof(PACK_C_DOWNLOAD)))
        return pkt_Refuse(pnSize, kName, "no buffer");
    int nName = pkt_FieldLen(pFileName, PKT_LEN_FILENAME);
    if (nName < 0) return pkt_Refuse(pnSize, kName, "file name empty or too long");
    if (nDataLen <= 0) return pkt_Refuse(pnSize, kName, "data length");
    PACK_C_DOWNLOAD pk;
    std::memset(&pk, 0, sizeof(pk));
    pkt_SetInt(&pk.nNumber, nNumber);
    pkt_SetInt(&pk.nDataLen, nDataLen);
    std::memcpy(pk.strFileName, pFileName, nName);
    if (!pkt_Seal(pBuf, &pk, sizeof(pk), kTypeDownload)) return pkt_Refuse(pnSize, kName, "not scrambled");
    *pnSize = sizeof(pk) + 1;
    return 1;
}

char* PKT_Make_Report(int* pnSize, const char* pId, const char* pText2, int32_t nFirst, int32_t nSecond,
                      LIST* pCodes, int32_t nThird, LIST* pPlayTime)
{
    return pkt_MakeReport(pnSize, pId, pText2, nFirst, nSecond, pCodes, nThird, pPlayTime, false, "PKT_Make_Report");
}

char* PKT_Make_Report2(int* pnSize, const char* pId, const char* pText2, int32_t nFirst, int32_t nSecond,
                       LIST* pCodes, int32_t nThird, LIST* pPlayTime)
{
    return pkt_MakeReport(pnSize, pId, pText2, nFirst, nSecond, pCodes, nThird, pPlayTime, true, "PKT_Make_Report2");
}

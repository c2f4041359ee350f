#include "sccmn_start.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "cmnassert.h"
#include "cmnfile.h"
#include "log.h"
#include "verlist.h"

namespace {

const int kFieldMax = 2048;

// The field that starts at p (up to the next "," or the end of the text):
// its length in the text, whatever of it fits copied into pField.
int NextField(const char* p, const char* pEnd, char* pField, int nSize, int* pnTextLen)
{
    const char* q = p;
    while (q < pEnd && *q != ',') q++;
    int n = static_cast<int>(q - p);
    int nCopy = n < nSize - 1 ? n : nSize - 1;
    std::memcpy(pField, p, nCopy);
    pField[nCopy] = '\0';
    *pnTextLen = n;
    return nCopy;
}

}  // namespace

char* UrlDecode(int* pnLen, const char* pBuf, int nLen)
{
    if (pnLen != nullptr) *pnLen = 0;
    if (pBuf == nullptr || nLen < 1 || pnLen == nullptr) {
        LOG_Write("UrlDecode::err::pass00\n");
        return nullptr;
    }
    // A record cut short by the reply's end still gets its 24 separators.
    size_t nOut = static_cast<size_t>(nLen) + 1 + SCCMN_FIELDS_PER_RECORD;
    char* pOut = static_cast<char*>(std::calloc(nOut, 1));
    if (pOut == nullptr) return nullptr;
    size_t o = 0;
    const char* p = pBuf;
    const char* pEnd = pBuf + nLen;
    char field[kFieldMax];
    int nText = 0;
    int n = NextField(p, pEnd, field, sizeof(field), &nText);
    CMN_ASSERT(n > 0);
    if (n == 0) {
        LOG_Write("UrlDecode::err::pass01\n");
        std::free(pOut);
        return nullptr;
    }
    std::memcpy(pOut + o, field, n);
    o += n;
    pOut[o++] = ',';
    p += nText;
    if (p < pEnd) p++;
    char decoded[kFieldMax];
    for (int nRecord = 0;; nRecord++) {
        char str[64];
        std::snprintf(str, sizeof(str), "count[%d]\n", nRecord);
        LOG_Write(str);
        for (int i = 0; i < SCCMN_FIELDS_PER_RECORD; i++) {
            n = p < pEnd ? NextField(p, pEnd, field, sizeof(field), &nText) : (field[0] = '\0', nText = 0, 0);
            CMN_ASSERT(nText < static_cast<int>(sizeof(field)));
            if (i == 0) {
                if (n == 0) {
                    LOG_Write("UrlDecode::nLen == 0,tiv記述がありません、中断します。\n");
                    *pnLen = static_cast<int>(std::strlen(pOut));
                    return pOut;
                }
                if (n < 3 || std::memcmp(field, "tiv", 3) != 0) {
                    LOG_Write("UrlDecode::tiv記述がありません、中断します。\n");
                    *pnLen = static_cast<int>(std::strlen(pOut));
                    return pOut;
                }
            }
            // Decoding never lengthens a field, and the field came from the
            // reply, so the output keeps within the reply's size.
            int d = n > 0 ? CMNFILE_UrlDecode(decoded, sizeof(decoded), field, n, nullptr) : 0;
            std::memcpy(pOut + o, decoded, d);
            o += d;
            pOut[o++] = ',';
            p += nText;
            if (p < pEnd) p++;
        }
    }
}

int SCCMN_ParseFileVersions(LIST* pList, const char* pText)
{
    return VERLIST_ParseFileVersions(pList, pText);
}

int SCCMN_CompareVersion(const char* pVersionFile, LIST* pLstNowVersion, const char* pBuf, int nFileSize,
                         const char* pAppPath)
{
    CMN_ASSERT(LIST_GetCnt(pLstNowVersion) >= 0 && pBuf != NULL && nFileSize > 0 && pVersionFile != NULL);
    (void)pAppPath;
    if (pLstNowVersion == nullptr || pBuf == nullptr || nFileSize <= 0) return 0;
    // The updater plans its work by the same judgement: what differs here is
    // what it fetches, and a line it cannot install makes it fail.
    std::vector<VerOffer> offers;
    VERLIST_Compare(pLstNowVersion, pBuf, nFileSize, &offers);
    return offers.empty() ? 0 : 1;
}

int HANTIV_MakeStartCommand(char* pDst, int nSize, const char* pExePath, const char* pRomPath, int nSlotValue,
                            const char* pUserId, const char* pContentsId, const char* pUserPath)
{
    if (pDst == nullptr || nSize < 1 || pExePath == nullptr) return 0;
    int n;
    if (pRomPath != nullptr && pRomPath[0] != '\0') {
        n = std::snprintf(pDst, nSize, "\"%s\" \"%s\"", pExePath, pRomPath);
    } else {
        char strArgs[4 * kFieldMax + 64];
        int a = nSlotValue == 2
                    ? std::snprintf(strArgs, sizeof(strArgs), "%s mode=start,userid=%s,", pExePath,
                                    pUserId != nullptr ? pUserId : "")
                    : std::snprintf(strArgs, sizeof(strArgs), "%s mode=start,userid=%s,productid=%s,save=%s,",
                                    pExePath, pUserId != nullptr ? pUserId : "",
                                    pContentsId != nullptr ? pContentsId : "", pUserPath != nullptr ? pUserPath : "");
        if (a < 0 || a >= static_cast<int>(sizeof(strArgs))) {
            pDst[0] = '\0';
            return 0;
        }
        n = std::snprintf(pDst, nSize, "%s %s", "qr.exe", strArgs);
    }
    if (n < 0 || n >= nSize) {
        pDst[0] = '\0';
        return 0;
    }
    return 1;
}

int SCCMN_MakePlayerCommand(char* pDst, int nSize, const char* pAppPath, const char* pArchive, const char* pShot)
{
    if (pDst == nullptr || nSize < 1 || pAppPath == nullptr || pArchive == nullptr) return 0;
    int n = std::snprintf(pDst, nSize, "\"%splayer\\chipplay.exe\" \"%s\" -d \"%s\"", pAppPath, pArchive,
                          pShot != nullptr ? pShot : "");
    if (n < 0 || n >= nSize) {
        pDst[0] = '\0';
        return 0;
    }
    return 1;
}

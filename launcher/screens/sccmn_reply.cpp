#include "sccmn_reply.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cmnassert.h"
#include "contentslist.h"
#include "log.h"
#include "sccmn_start.h"

namespace {

bool StartsWith(const char* pBuf, int nSize, const char* pWord)
{
    int n = static_cast<int>(std::strlen(pWord));
    return nSize >= n && std::memcmp(pBuf, pWord, n) == 0;
}

}  // namespace

int SCCMN_ClassifyReply(const char* pBuf, int nSize)
{
    if (pBuf != nullptr && StartsWith(pBuf, nSize, "ok")) return SCCMN_REPLY_OK;
    if (pBuf != nullptr && StartsWith(pBuf, nSize, "invalididpassword")) return SCCMN_REPLY_BADPASSWORD;
    CMN_ASSERT(!"the reply begins with neither ok nor invalididpassword");
    return SCCMN_REPLY_OTHER;
}

char* SCCMN_DecodeCatalogue(const char* pBuf, int nSize, int* pnCnt)
{
    if (pnCnt != nullptr) *pnCnt = 0;
    if (pBuf == nullptr || nSize < 1 || pnCnt == nullptr) return nullptr;
    int nLen = 0;
    char* pText = UrlDecode(&nLen, pBuf, nSize);
    CMN_ASSERT(pText != NULL && nLen > 0);
    if (pText == nullptr || nLen <= 0) {
        std::free(pText);
        return nullptr;
    }
    LOG_WriteBin(pText, nLen);
    LOG_Write("euc2sjis\n");
    nLen = EUCtoSJIS(pText, nLen);
    LOG_WriteBin(pText, nLen);
    // The records follow the status word and its comma ("ok,"). The decoder
    // always writes that comma; a longer status word ("okay") is not taken
    // for records.
    const char* pComma = static_cast<const char*>(std::memchr(pText, ',', static_cast<size_t>(nLen)));
    size_t nSkip = pComma != nullptr ? static_cast<size_t>(pComma - pText) + 1 : static_cast<size_t>(nLen);
    std::memmove(pText, pText + nSkip, static_cast<size_t>(nLen) - nSkip);
    pText[static_cast<size_t>(nLen) - nSkip] = '\0';
    *pnCnt = CONTENTSLIST_GetContentsCnt(pText, nLen - static_cast<int>(nSkip));
    return pText;
}

int SCCMN_ReplyForLog(char* pDst, int nDstSize, const char* pBuf, int nSize, int nMax)
{
    if (pDst == nullptr || nDstSize < 1) return 0;
    pDst[0] = '\0';
    if (pBuf == nullptr || nSize < 0) nSize = 0;
    int nShow = nSize < nMax ? nSize : (nMax > 0 ? nMax : 0);
    int o = 0;
    for (int i = 0; i < nShow; i++) {
        unsigned char c = static_cast<unsigned char>(pBuf[i]);
        char esc[4];
        int n;
        if (c < 0x20 || c == '%') n = std::snprintf(esc, sizeof(esc), "%%%02X", c);
        else { esc[0] = static_cast<char>(c); n = 1; }
        if (o + n >= nDstSize) break;
        std::memcpy(pDst + o, esc, static_cast<size_t>(n));
        o += n;
    }
    if (nShow < nSize) {
        char more[48];
        int n = std::snprintf(more, sizeof(more), "...(+%d bytes)", nSize - nShow);
        if (n > 0 && o + n < nDstSize) {
            std::memcpy(pDst + o, more, static_cast<size_t>(n));
            o += n;
        }
    }
    pDst[o] = '\0';
    return o;
}

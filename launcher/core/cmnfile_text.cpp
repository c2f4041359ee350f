#include <climits>
#include <cstring>

#include "cmnassert.h"
#include "cmnfile.h"
#include "contentslist.h"
#include "sjis.h"

namespace {

// Copies n source bytes, cut to what fits with the terminator; a cut never
// leaves the lead byte of a double-byte character at the end.
void cmn_CopyBounded(char* pDst, int nDstSize, const char* pSrc, int n)
{
    if (pDst == nullptr || nDstSize < 1) return;
    int nCopy = n < nDstSize - 1 ? n : nDstSize - 1;
    if (nCopy < n) {
        int i = 0;
        while (i < nCopy) {
            int w = SJIS_IsLead(static_cast<unsigned char>(pSrc[i])) && i + 1 < n ? 2 : 1;
            if (i + w > nCopy) break;
            i += w;
        }
        nCopy = i;
    }
    std::memmove(pDst, pSrc, nCopy);
    pDst[nCopy] = '\0';
}

bool cmn_IsHex(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int cmn_HexVal(unsigned char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

// Walks the characters of s (up to nLimit bytes) and reports where each
// starts; used to tell a real separator from the trail byte of a character.
template <class F>
void cmn_ForEachChar(const char* s, int nLimit, F f)
{
    int i = 0;
    while (i < nLimit && s[i] != '\0') {
        int w = SJIS_IsLead(static_cast<unsigned char>(s[i])) && i + 1 < nLimit && s[i + 1] != '\0' ? 2 : 1;
        f(i, w);
        i += w;
    }
}

}  // namespace

int CMNFILE_GetLineCRLF(char* pDst, int nDstSize, const char* pSrc)
{
    CMN_ASSERT(pDst != nullptr && pSrc != nullptr);
    if (pDst == nullptr || pSrc == nullptr || nDstSize < 1) return -1;
    int n = 0;
    while (pSrc[n] != '\0' && !(pSrc[n] == '\r' && pSrc[n + 1] == '\n')) n++;
    cmn_CopyBounded(pDst, nDstSize, pSrc, n);
    return pSrc[n] == '\0' ? -1 : n;
}

int CMNFILE_GetLineLF(char* pDst, int nDstSize, const char* pSrc)
{
    CMN_ASSERT(pDst != nullptr && pSrc != nullptr);
    if (pDst == nullptr || pSrc == nullptr || nDstSize < 1) return -1;
    int n = 0;
    while (pSrc[n] != '\0' && pSrc[n] != '\n') n++;
    cmn_CopyBounded(pDst, nDstSize, pSrc, n);
    return pSrc[n] == '\0' ? -1 : n;
}

int CMNFILE_GetWord(char* pDst, int nDstSize, const char* pSrc)
{
    CMN_ASSERT(pDst != nullptr && pSrc != nullptr);
    if (pDst == nullptr || pSrc == nullptr || nDstSize < 1) return 0;
    int n = 0;
    while (pSrc[n] != '\0' && pSrc[n] != ' ' && !(pSrc[n] == '\r' && pSrc[n + 1] == '\n')) n++;
    cmn_CopyBounded(pDst, nDstSize, pSrc, n);
    return n;
}

int CMNFILE_GetToken(char* pDst, int nDstSize, const char* pSrc, const char* pSep, int nSepLen)
{
    CMN_ASSERT(nSepLen == 1 || nSepLen == 2);
    CMN_ASSERT(pDst != nullptr && pSrc != nullptr && pSep != nullptr);
    if (pDst == nullptr || pSrc == nullptr || pSep == nullptr || nDstSize < 1) return 0;
    if (nSepLen != 1 && nSepLen != 2) { pDst[0] = '\0'; return 0; }
    const char* p = pSrc;
    while (*p != '\0') {
        if (p[0] == '\r' && p[1] == '\n') break;
        const char* pNext = SJIS_Next(p);
        int w = static_cast<int>(pNext - p);
        if (w == nSepLen && std::memcmp(p, pSep, w) == 0) break;
        p = pNext;
    }
    int n = static_cast<int>(p - pSrc);
    cmn_CopyBounded(pDst, nDstSize, pSrc, n);
    return n;
}

int CMNFILE_Find(const void* pBuf, int nLen, const void* pPattern, int nPatLen)
{
    CMN_ASSERT(pBuf != nullptr && pPattern != nullptr);
    if (pBuf == nullptr || pPattern == nullptr || nPatLen < 1 || nLen < nPatLen) return -1;
    const unsigned char* b = static_cast<const unsigned char*>(pBuf);
    const unsigned char* pat = static_cast<const unsigned char*>(pPattern);
    for (int i = 0; i + nPatLen <= nLen; i++) {
        if (b[i] == pat[0] && std::memcmp(b + i, pat, nPatLen) == 0) return i;
    }
    return -1;
}

int CMNFILE_SkipChar(const void* pBuf, int nLen, int c)
{
    CMN_ASSERT(pBuf != nullptr);
    if (pBuf == nullptr) return -1;
    const unsigned char* b = static_cast<const unsigned char*>(pBuf);
    for (int i = 0; i < nLen; i++) {
        if (b[i] != static_cast<unsigned char>(c)) return i;
    }
    return -1;
}

namespace {

template <class Pred>
int cmn_IsAll(const char* pStr, int nLen, Pred pred)
{
    CMN_ASSERT(pStr != nullptr && nLen > 0);
    if (pStr == nullptr || nLen <= 0) return 0;
    for (const char* p = pStr; *p != '\0';) {
        const char* pNext = SJIS_Next(p);
        if (!pred(static_cast<unsigned char>(*p), static_cast<int>(pNext - p))) return 0;
        p = pNext;
    }
    return 1;
}

}  // namespace

int CMNFILE_IsAllAlnum(const char* pStr, int nLen)
{
    return cmn_IsAll(pStr, nLen, [](unsigned char c, int w) {
        return w == 1 && ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'));
    });
}

int CMNFILE_IsAllDigit(const char* pStr, int nLen)
{
    return cmn_IsAll(pStr, nLen, [](unsigned char c, int w) { return w == 1 && c >= '0' && c <= '9'; });
}

int CMNFILE_IsAllDbcs(const char* pStr, int nLen)
{
    return cmn_IsAll(pStr, nLen, [](unsigned char, int w) { return w == 2; });
}

int CMNFILE_IsAllSbcs(const char* pStr, int nLen)
{
    return cmn_IsAll(pStr, nLen, [](unsigned char, int w) { return w == 1; });
}

int CMNFILE_CutTail(char* pStr, const char* pSep, int nSepLen)
{
    CMN_ASSERT(pStr != nullptr && pSep != nullptr);
    if (pStr == nullptr || pSep == nullptr || nSepLen < 1) return 0;
    CMN_ASSERT(static_cast<int>(std::strlen(pSep)) == nSepLen);
    int n = static_cast<int>(std::strlen(pStr));
    while (n > 0 && n >= nSepLen) {
        if (std::memcmp(pStr + n - nSepLen, pSep, nSepLen) == 0) {
            bool bFound = true;
            if (nSepLen == 1) {
                // A backslash that is the trail of a double-byte character is
                // no separator: find how the last character of the first n
                // bytes is made.
                int nLastWidth = 1;
                cmn_ForEachChar(pStr, n, [&](int i, int w) { if (i + w == n) nLastWidth = w; });
                bFound = nLastWidth == 1;
            }
            if (bFound) {
                std::memset(pStr + n - nSepLen, 0, nSepLen);
                return 1;
            }
        }
        pStr[n - 1] = '\0';
        n--;
    }
    return 0;
}

int CMNFILE_PackedName(char* pDst, int nDstSize, const char* pPath, const char* pExt)
{
    CMN_ASSERT(pDst != nullptr && pPath != nullptr && pExt != nullptr);
    if (pDst == nullptr || pPath == nullptr || pExt == nullptr || nDstSize < 1) return 0;
    const char* pDot = nullptr;
    for (const char* p = pPath; *p != '\0'; p = SJIS_Next(p)) {
        if (*p == '\\' || *p == '/') pDot = nullptr;
        else if (*p == '.') pDot = p;
    }
    size_t nStem = pDot != nullptr ? static_cast<size_t>(pDot - pPath) : std::strlen(pPath);
    size_t nExt = std::strlen(pExt);
    if (nStem + nExt + 1 > static_cast<size_t>(nDstSize)) return 0;
    std::memmove(pDst, pPath, nStem);
    std::memcpy(pDst + nStem, pExt, nExt + 1);
    return 1;
}

int CMNFILE_CutTail2(char* pDst, int nDstSize, const char* pStr, const char* pSep, int nSepLen)
{
    CMN_ASSERT(pDst != nullptr && pStr != nullptr && pSep != nullptr);
    if (pDst == nullptr || pStr == nullptr || pSep == nullptr || nDstSize < 1 || nSepLen < 1) return 0;
    int nAfter = -1;
    int nLen = static_cast<int>(std::strlen(pStr));
    cmn_ForEachChar(pStr, nLen, [&](int i, int w) {
        if (w == nSepLen && std::memcmp(pStr + i, pSep, w) == 0) nAfter = i + w;
    });
    if (nAfter < 0) return 0;
    cmn_CopyBounded(pDst, nDstSize, pStr + nAfter, nLen - nAfter);
    return 1;
}

int CMNFILE_GetTailBin(void* pDst, int nDstSize, const void* pBuf, int nLen, const char* pSep, int nSepLen)
{
    CMN_ASSERT(pDst != nullptr && pBuf != nullptr && pSep != nullptr);
    if (pDst == nullptr || pBuf == nullptr || pSep == nullptr || nLen < 1 || nSepLen < 1) return 0;
    const char* b = static_cast<const char*>(pBuf);
    for (int i = nLen - nSepLen; i >= 0; i--) {
        if (std::memcmp(b + i, pSep, nSepLen) == 0) {
            int nTail = nLen - i - nSepLen;
            std::memcpy(pDst, b + i + nSepLen, nTail < nDstSize ? nTail : (nDstSize > 0 ? nDstSize : 0));
            return nTail;
        }
    }
    return nSepLen == 1 ? -1 : 0;
}

int CMNFILE_UrlEncode(char* pDst, int nDstSize, const char* pSrc, int nSrcLen)
{
    if (pDst == nullptr || pSrc == nullptr || nDstSize < 1 || nSrcLen < 1) return 0;
    static const char hex[] = "0123456789ABCDEF";
    int o = 0, i = 0;
    pDst[0] = '\0';
    for (; i < nSrcLen && pSrc[i] != '\0'; i++) {
        unsigned char c = static_cast<unsigned char>(pSrc[i]);
        bool bPlain = c == '.' || c == '_' || c == '-' || c == ' ';
        int w = bPlain ? 1 : 3;
        if (o + w >= nDstSize) break;   // the terminator always keeps its byte
        if (bPlain) {
            pDst[o++] = c == ' ' ? '+' : static_cast<char>(c);
        } else {
            pDst[o++] = '%';
            pDst[o++] = hex[c >> 4];
            pDst[o++] = hex[c & 15];
        }
        pDst[o] = '\0';
    }
    return i;
}

int CMNFILE_UrlDecode(char* pDst, int nDstSize, const char* pSrc, int nSrcLen, const char** ppEnd)
{
    if (pDst == nullptr || pSrc == nullptr || nDstSize < 1 || nSrcLen < 1) {
        if (ppEnd != nullptr) *ppEnd = pSrc;
        return 0;
    }
    int o = 0, i = 0;
    pDst[0] = '\0';
    while (i < nSrcLen && pSrc[i] != '\0' && o + 1 < nDstSize) {
        char c = pSrc[i];
        if (c == '%') {
            // Exactly two hexadecimal digits, both inside the source.
            if (i + 2 >= nSrcLen) break;
            unsigned char h = static_cast<unsigned char>(pSrc[i + 1]);
            if (!cmn_IsHex(h)) break;
            unsigned char l = static_cast<unsigned char>(pSrc[i + 2]);
            if (!cmn_IsHex(l)) break;
            pDst[o++] = static_cast<char>(cmn_HexVal(h) * 16 + cmn_HexVal(l));
            i += 3;
        } else {
            pDst[o++] = c == '+' ? ' ' : c;
            i++;
        }
        pDst[o] = '\0';
    }
    if (ppEnd != nullptr) *ppEnd = pSrc + i;
    return o;
}

void CMNFILE_InvertBytes(void* pBuf, int nLen)
{
    unsigned char* p = static_cast<unsigned char*>(pBuf);
    if (p == nullptr) return;
    for (int i = 0; i < nLen; i++) p[i] = static_cast<unsigned char>(~p[i]);
}

CmnText CMNFILE_MakeText(char* pBlock, int nFileSize, int bInverted)
{
    CmnText t = { nullptr, 0 };
    if (pBlock == nullptr || nFileSize < 0) return t;
    if (bInverted) CMNFILE_InvertBytes(pBlock, nFileSize);
    pBlock[nFileSize] = '\0';
    t.pText = pBlock;
    t.nLen = nFileSize;
    return t;
}

char* EUCtoSJIS_Copy(const char* pSrc, char* pDst, int nDstSize)
{
    CMN_ASSERT(pSrc != nullptr && pDst != nullptr);
    if (pDst == nullptr || nDstSize < 1) return pDst;
    pDst[0] = '\0';
    if (pSrc == nullptr) return pDst;
    // The same character rules as the in-place conversion of the catalogue
    // reply (EUCtoSJIS_Char): a byte below 0xA1 is never swallowed as the
    // second byte of a broken character.
    const unsigned char* s = reinterpret_cast<const unsigned char*>(pSrc);
    int o = 0;
    for (;;) {
        unsigned char out[2];
        int nOut = 0;
        int n = EUCtoSJIS_Char(s, out, &nOut);
        if (n == 0 || o + nOut >= nDstSize) break;
        std::memcpy(pDst + o, out, nOut);
        o += nOut;
        s += n;
    }
    pDst[o] = '\0';
    return pDst;
}

int CMNFILE_IsSafeRelPath(const char* pPath)
{
    if (pPath == nullptr || pPath[0] == '\0') return 0;
    if (pPath[0] == '\\' || pPath[0] == '/') return 0;
    const char* pPart = pPath;
    // Steps over double-byte characters whole: a trail byte 0x5C is no separator.
    for (const char* p = pPath;; p = (*p == '\0') ? p : SJIS_Next(p)) {
        if (*p == ':') return 0;
        if (*p == '\\' || *p == '/' || *p == '\0') {
            size_t n = static_cast<size_t>(p - pPart);
            // "." and ".." parts climb out of the base folder, an empty
            // part is a doubled separator; Windows also drops trailing dots
            // and blanks, so "..." or ". ." would climb too.
            bool bDots = n > 0;
            for (const char* d = pPart; d < p; d++) if (*d != '.' && *d != ' ') bDots = false;
            if (n == 0 || bDots) return 0;
            if (*p == '\0') break;
            pPart = p + 1;
        }
    }
    return 1;
}

int CMNFILE_ToInt(const char* p)
{
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r') p++;
    bool bNeg = false;
    if (*p == '+' || *p == '-') bNeg = *p++ == '-';
    long long v = 0;
    for (; *p >= '0' && *p <= '9'; p++) {
        v = v * 10 + (*p - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
    }
    if (bNeg) v = -v;
    if (v > INT_MAX) v = INT_MAX;
    return static_cast<int>(v);
}

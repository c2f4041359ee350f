#include "scsplashtext.h"

#include <cstring>

#include "cmnassert.h"
#include "cmnfile.h"
#include "log.h"
#include "sjis.h"

namespace {

// The next line into pLine; -1 at the end of the text or when the line does
// not fit the buffer (a cut file name would name another file).
int NextLine(char* pLine, const char** pp)
{
    int n = CMNFILE_GetLineCRLF(pLine, SCSPLASH_LINEMAX, *pp);
    if (n < 0) return -1;
    *pp += n + 2;
    return n >= SCSPLASH_LINEMAX ? -1 : n;
}

}  // namespace

int SCSPLASH_GetIdType(const char* pLine)
{
    static const char kBg[] = "[bg]";
    if (pLine != nullptr && std::strlen(pLine) == sizeof(kBg) - 1 && std::memcmp(pLine, kBg, sizeof(kBg) - 1) == 0)
        return eSCSD_IDTYPE_BG;
    CMN_ASSERT(0 && "レイアウトファイルにありえない識別子を指定した");
    return eSCSD_IDTYPE_MAX;
}

int SCSPLASH_ParseText(const char* pText, SCSPLASH_BgFn pOnBg, void* pCtx)
{
    CMN_ASSERT(pText != NULL && pOnBg != NULL);
    if (pText == nullptr || pOnBg == nullptr) return 0;
    char strLine[SCSPLASH_LINEMAX];
    char strName[SCSPLASH_LINEMAX];
    char strToken[SCSPLASH_LINEMAX];
    const char* p = pText;
    for (;;) {
        int nLen = CMNFILE_GetLineCRLF(strLine, sizeof(strLine), p);
        if (nLen < 0) return 1;
        p += nLen + 2;
        if (nLen == 0) continue;
        if (SCSPLASH_GetIdType(strLine) != eSCSD_IDTYPE_BG) {
            LOG_Write("SCSPLASH_Parse::err::unknown keyword\n");
            continue;
        }
        nLen = NextLine(strName, &p);
        CMN_ASSERT(nLen > 0);
        if (nLen <= 0) {
            LOG_Write("SCSPLASH_Parse::err::no picture name\n");
            return 0;
        }
        nLen = NextLine(strLine, &p);
        CMN_ASSERT(nLen > 0);
        if (nLen <= 0) {
            LOG_Write("SCSPLASH_Parse::err::no size\n");
            return 0;
        }
        int nId = CMNFILE_GetToken(strToken, sizeof(strToken), strLine, ",", 1);
        CMN_ASSERT(nId > 0);
        if (nId <= 0) {
            LOG_Write("SCSPLASH_Parse::err::no width\n");
            return 0;
        }
        int w = CMNFILE_ToInt(strToken);
        const char* pRest = strLine + nId;
        if (*pRest == ',') pRest++;
        CMNFILE_GetToken(strToken, sizeof(strToken), pRest, ",", 1);
        int h = CMNFILE_ToInt(strToken);
        // A window of no size, or one GDI cannot draw, is a damaged file.
        if (w < 1 || h < 1 || w > SCSPLASH_SIZEMAX || h > SCSPLASH_SIZEMAX) {
            LOG_Write("SCSPLASH_Parse::err::size out of range\n");
            return 0;
        }
        if (!pOnBg(pCtx, strName, w, h)) return 0;
    }
}

int SCSPLASH_FolderOf(char* pDst, int nDstSize, const char* pPath)
{
    if (pDst == nullptr || nDstSize < 1) return 0;
    pDst[0] = '\0';
    if (pPath == nullptr) return 1;
    // Step by characters: the trail byte of a double-byte character may be
    // a backslash.
    const char* pEnd = pPath;
    for (const char* q = pPath; *q != '\0'; q = SJIS_Next(q)) {
        if (*q == '\\' || *q == '/') pEnd = q + 1;
    }
    size_t n = static_cast<size_t>(pEnd - pPath);
    if (n >= static_cast<size_t>(nDstSize)) return 0;
    std::memcpy(pDst, pPath, n);
    pDst[n] = '\0';
    return 1;
}

// The catalogue reply: EUC-JP to Shift-JIS, counting and parsing the records,
// building the catalogue from a reply.
//
// A reply (after "ok,") is a run of records of 24 comma-terminated columns;
// no quoting, no escapes, so a column never holds a comma. Every record's
// first column begins with "tiv"; the run ends at the text's end or at the
// first record that does not.
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cmnassert.h"
#include "contentslist.h"
#include "contentslist_field.h"
#include "log.h"

namespace {

enum { CL_COLUMNS = 24 };

// Where each reply column goes in the record (column 2 goes nowhere).
struct ClColumn { size_t nOffset; int nSize; };
#define CL_FIELD(f) { offsetof(ContIf, f), static_cast<int>(sizeof(ContIf::f)) }
const ClColumn g_clColumns[CL_COLUMNS + 1] = {
    { 0, 0 },                    // (columns count from 1)
    CL_FIELD(strCode),           // 1
    { 0, 0 },                    // 2: ignored
    CL_FIELD(strProductName),    // 3
    CL_FIELD(strContentsId),     // 4
    CL_FIELD(strMakerName),      // 5
    CL_FIELD(strPlatform),       // 6
    CL_FIELD(strGenreName),      // 7
    CL_FIELD(strSaleDay),        // 8
    CL_FIELD(strSortKey),        // 9
    CL_FIELD(strDlPath),         // 10
    CL_FIELD(strVersion),        // 11
    CL_FIELD(strVelqaFlag),      // 12
    CL_FIELD(strBought),         // 13
    CL_FIELD(strGameCapturePath),// 14
    CL_FIELD(strExplan),         // 15
    CL_FIELD(strVelqaBought),    // 16
    CL_FIELD(strDlPathManual),   // 17
    CL_FIELD(strVersionManual),  // 18
    CL_FIELD(strDlPathVelqa),    // 19
    CL_FIELD(strVersionVelqa),   // 20
    CL_FIELD(strColumn21),       // 21
    CL_FIELD(strColumn22),       // 22
    CL_FIELD(strStartDate),      // 23
    CL_FIELD(strEndDate),        // 24
};
#undef CL_FIELD

const unsigned char CL_REPLACEMENT[2] = { 0x81, 0xAC };   // "〓"

void cl_Log(const char* pFormat, const char* pText)
{
    char str[512];
    std::snprintf(str, sizeof(str), pFormat, pText);
    LOG_Write(str);
}

}  // namespace

int EUCtoSJIS_Pair(unsigned char lead, unsigned char trail)
{
    unsigned char t;
    if ((lead & 1) == 0) {
        t = static_cast<unsigned char>(trail - 2);
    } else {
        t = static_cast<unsigned char>(trail - 0x61);
        if (t > 0x7E) t = static_cast<unsigned char>(t + 1);
    }
    unsigned char l1 = static_cast<unsigned char>(lead + 1);
    unsigned char l = static_cast<unsigned char>(l1 / 2 + (lead < 0xDF ? 0x30 : 0x70));
    return (l << 8) | t;
}

int EUCtoSJIS_Char(const unsigned char* p, unsigned char pOut[2], int* pnOut)
{
    *pnOut = 0;
    unsigned char c = p[0];
    if (c == 0) return 0;
    if (c < 0x80) {
        pOut[0] = c;
        *pnOut = 1;
        return 1;
    }
    // A byte below 0xA1 (a comma, above all) is never taken as part of a
    // character: the broken character becomes "?" and the byte stays.
    unsigned char c2 = p[1];
    if (c2 == 0) return 0;                     // cut off by the end of the text
    pOut[0] = '?';
    *pnOut = 1;
    if (c == 0x8E) {                           // single shift 2: half-width katakana
        if (c2 < 0xA1) return 1;
        if (c2 <= 0xDF) pOut[0] = c2;
        return 2;
    }
    if (c == 0x8F) {                           // single shift 3: JIS X 0212, no Shift-JIS form
        if (c2 < 0xA1) return 1;
        unsigned char c3 = p[2];
        if (c3 == 0) return 0;
        if (c3 < 0xA1) return 2;
        pOut[0] = CL_REPLACEMENT[0];
        pOut[1] = CL_REPLACEMENT[1];
        *pnOut = 2;
        return 3;
    }
    if (c < 0xA1 || c == 0xFF) return 1;       // starts no character
    if (c2 < 0xA1) return 1;
    if (c2 == 0xFF) return 2;
    int s = EUCtoSJIS_Pair(c, c2);
    pOut[0] = static_cast<unsigned char>(s >> 8);
    pOut[1] = static_cast<unsigned char>(s);
    *pnOut = 2;
    return 2;
}

int EUCtoSJIS(char* pText, int nLen)
{
    CMN_ASSERT(pText != nullptr);
    if (pText == nullptr || nLen < 0) return 0;
    unsigned char* p = reinterpret_cast<unsigned char*>(pText);
    int r = 0, w = 0, nCount = 0;
    bool bCut = false;
    while (r < nLen) {
        unsigned char out[2];
        int nOut = 0;
        int n = EUCtoSJIS_Char(p + r, out, &nOut);
        if (n == 0) {
            bCut = p[r] != 0;
            break;
        }
        // The output never outgrows its input, so it never overtakes the walk.
        std::memcpy(p + w, out, nOut);
        w += nOut;
        r += n;
        nCount++;
    }
    if (bCut) {
        p[w] = 0;                              // the character cut off by the end goes
    } else if (w < r) {
        std::memmove(p + w, p + r, std::strlen(pText + r) + 1);
    }
    char str[64];
    std::snprintf(str, sizeof(str), "EUCtoSJIS::output text count[%d]\n", nCount);
    LOG_Write(str);
    return w;
}

int GetContentsCnt(const char* pText, int nLen)
{
    LOG_Write("GetContentsCnt is\n");
    LOG_Write(pText);
    LOG_Write("\n");
    if (pText == nullptr) return 0;
    int nCnt = 0;
    const char* p = pText;
    while (*p != '\0') {
        const char* pNext = std::strchr(p, ',');
        if (pNext == nullptr) break;
        // Only the first three bytes of column 1 matter, however long it is.
        if (pNext - p < 3 || std::memcmp(p, "tiv", 3) != 0) break;
        const char* q = pNext + 1;
        for (int nCol = 2; nCol <= CL_COLUMNS; nCol++) {
            pNext = std::strchr(q, ',');
            if (pNext == nullptr) {
                char str[64];
                std::snprintf(str, sizeof(str), "GetContentsCnt::data stop column%d", nCol);
                LOG_Write(str);
                return nCnt;
            }
            q = pNext + 1;
        }
        p = q;
        nCnt++;
    }
    return nCnt;
}

int CONTENTSLIST_GetContentsCnt(const char* pText, int nLen)
{
    return GetContentsCnt(pText, nLen);
}

int AnalyContents(ContIf* pContIf, int nCnt, const char* pText)
{
    CMN_ASSERT(pContIf != nullptr && pText != nullptr);
    if (pContIf == nullptr || pText == nullptr) return 0;
    const char* p = pText;
    for (int nDone = 0; nDone < nCnt && *p != '\0'; nDone++) {
        ContIf* pRec = &pContIf[nDone];
        std::memset(pRec, 0, sizeof(ContIf));
        char* pBase = reinterpret_cast<char*>(pRec);
        for (int nCol = 1; nCol <= CL_COLUMNS; nCol++) {
            const char* pNext = std::strchr(p, ',');
            if (nCol == 1 && pNext == nullptr) return 1;
            CMN_ASSERT(pNext != NULL);
            if (pNext == nullptr) return 0;
            // Each column is cut to its field's width less the terminator:
            // the service keeps within it, and nothing longer may run into
            // the next field.
            const ClColumn& col = g_clColumns[nCol];
            int n = static_cast<int>(pNext - p);
            if (nCol == 1 || nCol == 13) {
                // The record code and the bought flag are fixed-width codes,
                // not texts: the code's three bytes ("tiv") fill its field,
                // and a two-character flag must stay two characters (it is
                // not "1"). Stored records have them this way.
                std::memcpy(pBase + col.nOffset, p, n < col.nSize ? n : col.nSize);
            } else if (col.nSize > 0) {
                clf_Set(pBase + col.nOffset, col.nSize, p, n);
            }
            if (nCol == 3) cl_Log("AnalyContents::strProductName[%s]\n", pRec->strProductName);
            if (nCol == 8) cl_Log("AnalyContents::strSaleDay[%s]\n", pRec->strSaleDay);
            p = pNext + 1;
        }
        clf_Copy(pRec->strServerVersion, pRec->strVersion);
        clf_Copy(pRec->strServerVersionManual, pRec->strVersionManual);
        clf_Copy(pRec->strServerVersionVelqa, pRec->strVersionVelqa);
    }
    return 1;
}

int CONTENTSLIST_Init(const char* pText)
{
    LOG_Write("CONTENTSLIST_Init::starting\n");
    CMN_ASSERT(g_pContIf == NULL && g_nContCnt == 0);
    if (g_pContIf != nullptr || g_nContCnt != 0) return 0;
    int nCnt = GetContentsCnt(pText, 0);
    if (nCnt > 0) {
        g_pContIf = static_cast<ContIf*>(std::calloc(nCnt, sizeof(ContIf)));
        CMN_ASSERT(g_pContIf != NULL);
        if (g_pContIf == nullptr) return 0;
        g_nContCnt = nCnt;
        AnalyContents(g_pContIf, g_nContCnt, pText);
        CONTENTSLIST_CheckInstalled(g_pContIf);
    }
    LOG_Write("CONTENTSLIST_Init::normal end\n");
    return 1;
}

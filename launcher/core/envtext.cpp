#include "envtext.h"

#include <cstring>

#include "cmnassert.h"
#include "cmnfile.h"
#include "log.h"

int ENVTEXT_GetValue(const char* pText, int bLF, char* pDst, int nDstSize, const char* pKey)
{
    if (pText == nullptr || pDst == nullptr || nDstSize < 1 || pKey == nullptr) return 0;
    const int nKeyLen = static_cast<int>(std::strlen(pKey));
    const int nEol = bLF ? 1 : 2;
    auto getLine = [bLF](char* d, int n, const char* s) {
        return bLF ? CMNFILE_GetLineLF(d, n, s) : CMNFILE_GetLineCRLF(d, n, s);
    };
    char strLine[ENVTEXT_LINEMAX];
    char strToken[ENVTEXT_LINEMAX];
    const char* p = pText;
    while (*p != '\0') {
        int n = getLine(strLine, sizeof(strLine), p);
        if (n < 0) return 0;   // the last line has no end mark: no key line can end there
        // A line longer than the buffer cannot be a key line.
        if (n > 0 && n < ENVTEXT_LINEMAX) {
            int t = CMNFILE_GetToken(strToken, sizeof(strToken), strLine, "\t", 1);
            if (t == nKeyLen && std::memcmp(strToken, pKey, nKeyLen) == 0) {
                const char* pValue = p + n + nEol;
                // The value line runs to its end mark, or to the end of the text.
                int v = 0;
                if (bLF) {
                    while (pValue[v] != '\0' && pValue[v] != '\n') v++;
                } else {
                    while (pValue[v] != '\0' && !(pValue[v] == '\r' && pValue[v + 1] == '\n')) v++;
                }
                CMN_ASSERT(v < nDstSize);
                if (v >= nDstSize) {
                    LOG_Write("err::ENVTEXT_GetValue::value too long\n");
                    return 0;
                }
                std::memcpy(pDst, pValue, v);
                pDst[v] = '\0';
                return 1;
            }
        }
        p += n + nEol;
    }
    return 0;
}

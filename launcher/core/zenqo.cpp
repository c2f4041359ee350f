// The platform-free part of the shortcut migration: reading the elements of
// a shortcut's target path.
#include "zenqo.h"

#include <cstring>

#include "sjis.h"

int ZENQO_GetElementAfter(char* pDst, int nSize, const char* pPath, const char* pName)
{
    if (pDst == nullptr || nSize < 1 || pPath == nullptr || pName == nullptr) return 0;
    pDst[0] = '\0';
    const size_t nName = std::strlen(pName);
    bool bAfter = false;
    const char* p = pPath;
    while (true) {
        // One element: up to the next "\" that is not the trail byte of a
        // double-byte character ("ソ" ends in 0x5C).
        const char* pEnd = p;
        while (*pEnd != '\0' && *pEnd != '\\') pEnd = SJIS_Next(pEnd);
        const size_t n = static_cast<size_t>(pEnd - p);
        if (bAfter) {
            // An empty element names no folder.
            if (n == 0 || n >= static_cast<size_t>(nSize)) return 0;
            std::memcpy(pDst, p, n);
            pDst[n] = '\0';
            return 1;
        }
        bAfter = n == nName && std::memcmp(p, pName, n) == 0;
        if (*pEnd == '\0') return 0;
        p = pEnd + 1;
    }
}

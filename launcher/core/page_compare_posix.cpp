#include <cstring>

#include "page.h"

// The native build has no Windows locale: byte order stands in for it.
int PAGE_CompareText(const char* pStr0, const char* pStr1)
{
    if (pStr0 == nullptr || pStr1 == nullptr) return 0;
    int c = std::strcmp(pStr0, pStr1);
    return c < 0 ? 1 : (c > 0 ? 3 : 2);
}

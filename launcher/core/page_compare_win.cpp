#include <windows.h>

#include "page.h"

// The member's order of names: the user's default locale, no flags.
int PAGE_CompareText(const char* pStr0, const char* pStr1)
{
    if (pStr0 == nullptr || pStr1 == nullptr) return 0;
    return CompareStringA(LOCALE_USER_DEFAULT, 0, pStr0, lstrlenA(pStr0), pStr1, lstrlenA(pStr1));
}

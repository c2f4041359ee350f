// Without a desktop the notice of a refused packet type goes to standard error.
#include <cstdio>

#include "pkt.h"

void PKT_ShowMessageDefault(const char* pText, const char* pCaption)
{
    std::fprintf(stderr, "%s: %s\n", pCaption, pText);
}

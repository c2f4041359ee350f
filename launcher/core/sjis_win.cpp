#include <windows.h>

#include "sjis.h"

// The lead-byte table of code page 932, asked of the system explicitly so
// that the host's ANSI code page does not matter.
int SJIS_IsLead(unsigned char c)
{
    return IsDBCSLeadByteEx(932, c) ? 1 : 0;
}

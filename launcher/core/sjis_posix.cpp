#include "sjis.h"

// Code page 932's lead bytes: 0x81-0x9F and 0xE0-0xFC (the Windows build asks
// the system; a test checks that both agree on all 256 bytes).
int SJIS_IsLead(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

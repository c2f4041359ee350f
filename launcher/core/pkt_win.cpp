// A refused packet type is the member's to see: a box without owner, so it
// shows even when no window of the program is up.
#include <windows.h>

#include "pkt.h"

void PKT_ShowMessageDefault(const char* pText, const char* pCaption)
{
    MessageBoxA(nullptr, pText, pCaption, MB_OK);
}

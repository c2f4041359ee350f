// The client's version lists (ver.bin installed, version.txt offered): the
// rule both the launcher's check and the updater follow for the updater's
// own entries. The updater never replaces itself, so an entry whose name
// contains "pullagent.exe" is left out of every comparison; otherwise a
// difference it never installs would offer an update at every start.
#pragma once

#include <cstring>

inline bool VERLIST_IsUpdaterEntry(const char* pName)
{
    return pName != nullptr && std::strstr(pName, "pullagent.exe") != nullptr;
}

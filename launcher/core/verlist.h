// The client's version lists (ver.bin installed, version.txt offered): the
// rule both the launcher's check and the updater follow for the updater's
// own entries. The updater never replaces itself, so an entry whose name
// contains "pullagent.exe" is left out of every comparison; otherwise a
// difference it never installs would offer an update at every start.
//
// Both lists are CR LF lines of comma-ended fields: ver.bin (inverted on
// disk) "name,version,", version.txt "name,version,pack,". One line parser
// serves both programs:
//
//   char name[2048], pack[2048]; int ver;
//   if (VERLIST_ParseLine(line, name, sizeof(name), &ver, pack, sizeof(pack)) == 1) ...
#pragma once

#include <cstring>

#include "list.h"

// One line of a version list: a file and its version.
struct FvIf {
    char strFileName[2048];
    int  nVersion;
};

// 1: name (non-empty) and a decimal version read, pack copied (empty when
// the line has none; pPack may be null); 0: no name or no version field;
// -1: the name or the pack does not fit its buffer (a cut name would stand
// for another file: callers drop such lines).
int VERLIST_ParseLine(const char* pLine, char* pName, int nNameSize, int* pnVersion, char* pPack, int nPackSize);

// The installed versions (ver.bin as plain text) appended to pList as FvIf
// blocks (LIST_Free frees them). Reading stops at a line without CR LF;
// lines without a version and lines whose name does not fit are dropped
// (logged). 1, or 0 for null arguments.
int VERLIST_ParseFileVersions(LIST* pList, const char* pText);
// The entry of pList whose name equals pName (same length and bytes), or null.
const FvIf* VERLIST_Find(LIST* pList, const char* pName);

inline bool VERLIST_IsUpdaterEntry(const char* pName)
{
    return pName != nullptr && std::strstr(pName, "pullagent.exe") != nullptr;
}

// The client's version lists (ver.bin installed, version.txt offered): one
// reader and one judgement for both the launcher's check and the updater, so
// the two can never disagree about a list (if the launcher saw a difference
// that the updater does not, it would offer the update at every start).
//
// Both lists are CR LF lines of comma-ended fields: ver.bin (inverted on
// disk) "name,version,", version.txt "name,version,pack,". A last line
// without CR LF counts like any other. The updater never replaces itself,
// so an entry whose name contains "pullagent.exe" is left out of every
// comparison; otherwise a difference it never installs would offer an
// update at every start.
//
//   LIST now; LIST_Init(&now);
//   VERLIST_ParseFileVersions(&now, plainVerBin);
//   std::vector<VerOffer> offers;
//   VERLIST_Compare(&now, versionTxt, nLen, &offers);   // empty: nothing to update
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "list.h"

// One line of a version list: a file and its version.
struct FvIf {
    char strFileName[2048];
    int  nVersion;
};

// The line that starts at p (p < pEnd): *pnLen gets its length up to CR LF
// or the end of the text; returns where the next line starts.
const char* VERLIST_NextLine(const char* p, const char* pEnd, int* pnLen);

// 1: name (non-empty) and a decimal version read, pack copied (empty when
// the line has none; pPack may be null); 0: no name or no version field;
// -1: the name or the pack does not fit its buffer (a cut name would stand
// for another file).
int VERLIST_ParseLine(const char* pLine, char* pName, int nNameSize, int* pnVersion, char* pPack, int nPackSize);

// The first field of a line (up to its first ",", Shift-JIS aware), whole.
std::string VERLIST_LineName(const char* pLine, int nLen);

// The installed versions (ver.bin as plain, terminated text) appended to
// pList as FvIf blocks (LIST_Free frees them). Empty lines, lines without a
// version and lines whose name does not fit are dropped (the last logged):
// such an entry counts as not installed. 1, or 0 for null arguments.
int VERLIST_ParseFileVersions(LIST* pList, const char* pText);
// The entry of pList whose name equals pName (same length and bytes), or null.
const FvIf* VERLIST_Find(LIST* pList, const char* pName);

inline bool VERLIST_IsUpdaterEntry(const char* pName)
{
    return pName != nullptr && std::strstr(pName, "pullagent.exe") != nullptr;
}

// One line of version.txt that the installation does not match.
struct VerOffer {
    std::string strName;   // empty when the name does not fit (bUsable false)
    int         nVersion;
    std::string strPack;   // as the line has it (may be empty)
    bool        bKnown;    // the installed list has the name (another version)
    bool        bUsable;   // name and pack read whole; false: the update cannot be made
};

// The lines of version.txt (nLen bytes) that the installed list does not
// match, in file order: a name not installed or installed with another
// version, and every line whose name or pack does not fit (it can never be
// installed, so the update must fail rather than pass it over). Left out:
// empty lines, lines without a name or version, the updater's own entries,
// and a line whose name comes again further down (the last line of a name
// is the one the update ends with). 1, or 0 for a null pOffers.
int VERLIST_Compare(LIST* pInstalled, const char* pText, int nLen, std::vector<VerOffer>* pOffers);

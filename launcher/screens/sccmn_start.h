// What the launcher hands to the other programs, as text: the decoding of
// the catalogue reply, the installed and offered client versions, and the
// command lines that start a game (through the game runner or directly) and
// the music player. Platform-free; the starting itself is sccmn_start_win.cpp.
#pragma once

#include "list.h"
#include "verlist.h"

enum { SCCMN_FIELDS_PER_RECORD = 24 };

// The catalogue reply with every field of every record percent-decoded:
// the status word, then records of 24 fields, each field followed by ",".
// Decoding ends at the first record that does not begin with "tiv" (the
// normal end is the reply's end). A new block for std::free, its string
// length in *pnLen; NULL for an empty reply or an empty status word.
char* UrlDecode(int* pnLen, const char* pBuf, int nLen);

// The installed versions ("ver.bin" as plain text, read as
// VERLIST_ParseFileVersions reads it) appended to pList as FvIf blocks
// (LIST_Free frees them).
int SCCMN_ParseFileVersions(LIST* pList, const char* pText);

// 1 when the service's list ("name,version,pack," lines ended by CR LF)
// holds a line the installation does not match, as VERLIST_Compare judges
// it for the updater too (a line whose name or pack does not fit counts:
// the updater fails on it); 0 when nothing differs.
int SCCMN_CompareVersion(const char* pVersionFile, LIST* pLstNowVersion, const char* pBuf, int nFileSize,
                         const char* pAppPath);

// The command that starts a game: with a ROM path the executable and the ROM
// directly, both quoted (the content folder may hold blanks); a slot value of 2 the
// runner's short form; otherwise its long form with the content id and the
// member's folder (the runner reads its game path up to " mode=start", so it
// stays unquoted). 0 when it does not fit.
int HANTIV_MakeStartCommand(char* pDst, int nSize, const char* pExePath, const char* pRomPath, int nSlotValue,
                            const char* pUserId, const char* pContentsId, const char* pUserPath);
// The music player's command: the player (quoted), the archive, "-d" (the player
// deletes the archive when it ends) and the screenshot. 0 when it does not fit.
int SCCMN_MakePlayerCommand(char* pDst, int nSize, const char* pAppPath, const char* pArchive, const char* pShot);

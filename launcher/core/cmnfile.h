// CMNFILE: the launcher family's file and text helpers.
//
// Text is Shift-JIS (code page 932): token and tail operations step over a
// double-byte character whole, so a separator never matches a trail byte
// (the trail of "ソ" is 0x5C, a backslash).
//
// Every operation that copies into a caller's buffer takes the buffer's size,
// copies at most size - 1 bytes (never half a double-byte character) and
// terminates the copy; the result is the length found in the source, so a
// caller steps over the source correctly even when the copy was cut, and
// sees a cut as a result >= size.
//
//   char line[2048];
//   int n = CMNFILE_GetLineCRLF(line, sizeof(line), p);   // -1: no CR LF left
//   if (n >= 0) p += n + 2;
//
// The whole-file readers hand out a zero-filled global-heap block (GlobalFree)
// of the file's size plus the extra bytes the caller asks for, and return an
// ERRID_CMNFILE_* code. They and the folder, existence and date helpers are
// Windows-only (cmnfile_win.cpp); the text helpers build everywhere.
#pragma once

enum {
    ERRID_CMNFILE_NONE = 0,   // the file was read
    ERRID_CMNFILE_OPEN = 1,   // opening the file failed
    ERRID_CMNFILE_SIZE = 2,   // reading its size failed
    ERRID_CMNFILE_ALLOC = 3,  // allocating the buffer failed
    ERRID_CMNFILE_READ = 4,   // reading the contents failed or came up short
};

// A whole file as text: nLen bytes of text and, after them, its terminator
// (pText[nLen] is 0). Every text file is read by CMNFILE_ReadText, so no
// caller adds or subtracts a spare byte.
struct CmnText {
    char* pText;   // a global-heap block (CMNFILE_FreeText); null when nothing was read
    int   nLen;
};

// --- files (Windows) -------------------------------------------------------
// Reads the file whole as text: decoded (bInverted: every byte inverted,
// the scrambling of the launcher's own text files) and terminated. An
// ERRID_CMNFILE_* code; on failure *pOut is null and empty.
int   CMNFILE_ReadText(const char* pPath, int bInverted, CmnText* pOut);
void  CMNFILE_FreeText(CmnText* pText);
int   CMNFILE_ReadFile(const char* pPath, void** ppBuf, int nExtra);
int   CMNFILE_ReadFileEx(const char* pPath, void** ppBuf, int* pnSize, int nExtra);
int   CMNFILE_WriteFile(const char* pPath, const void* pBuf, int nLen);
int   CMNFILE_IsExist(const char* pPath);
int   CMNFILE_MakeDir(const char* pPath);
// "YYYYMMDD": today's date in UTC as a new malloc'd string; other formats: null.
char* CMNFILE_GetDateStr(const char* pFormat);

// --- text -----------------------------------------------------------------
int   CMNFILE_GetLineCRLF(char* pDst, int nDstSize, const char* pSrc);
int   CMNFILE_GetLineLF(char* pDst, int nDstSize, const char* pSrc);
int   CMNFILE_GetWord(char* pDst, int nDstSize, const char* pSrc);
int   CMNFILE_GetToken(char* pDst, int nDstSize, const char* pSrc, const char* pSep, int nSepLen);
int   CMNFILE_Find(const void* pBuf, int nLen, const void* pPattern, int nPatLen);
int   CMNFILE_SkipChar(const void* pBuf, int nLen, int c);
int   CMNFILE_IsAllAlnum(const char* pStr, int nLen);
int   CMNFILE_IsAllDigit(const char* pStr, int nLen);
int   CMNFILE_IsAllDbcs(const char* pStr, int nLen);
int   CMNFILE_IsAllSbcs(const char* pStr, int nLen);
int   CMNFILE_CutTail(char* pStr, const char* pSep, int nSepLen);
int   CMNFILE_CutTail2(char* pDst, int nDstSize, const char* pStr, const char* pSep, int nSepLen);
int   CMNFILE_GetTailBin(void* pDst, int nDstSize, const void* pBuf, int nLen, const char* pSep, int nSepLen);
int   CMNFILE_UrlEncode(char* pDst, int nDstSize, const char* pSrc, int nSrcLen);
int   CMNFILE_UrlDecode(char* pDst, int nDstSize, const char* pSrc, int nSrcLen, const char** ppEnd);
void  CMNFILE_InvertBytes(void* pBuf, int nLen);
// The platform-free core of CMNFILE_ReadText: pBlock holds the file's
// nFileSize bytes and one byte more, which becomes the terminator; the
// file's bytes are inverted when bInverted. The text lives in pBlock.
CmnText CMNFILE_MakeText(char* pBlock, int nFileSize, int bInverted);
// A signed decimal of a settings or layout file: leading blanks, an optional
// sign, the digits up to the first other character (none read as 0). A file
// is not trusted to stay in range: a longer number stops at INT_MAX or
// INT_MIN instead of overflowing.
int   CMNFILE_ToInt(const char* p);
// 1 when a path taken from outside (a catalogue field) can only name a file
// below the folder it is joined to: not empty, not absolute, no drive or
// stream colon, no empty, "." or ".." part (nor dots and blanks only, which
// Windows shortens to those). Shift-JIS aware.
int   CMNFILE_IsSafeRelPath(const char* pPath);
// The packed form of a file (its ".sbn" or ".smd"): the path with the
// extension of its last part replaced by pExt, or pExt added when that part
// has none (a dot in a folder's name is no extension). Shift-JIS aware;
// "\\" and "/" separate parts. 0 when it does not fit in nDstSize.
int   CMNFILE_PackedName(char* pDst, int nDstSize, const char* pPath, const char* pExt);

// EUC-JP to Shift-JIS: writes the converted, terminated source into pDst
// (at most nDstSize bytes with the terminator) and returns pDst.
char* EUCtoSJIS_Copy(const char* pSrc, char* pDst, int nDstSize);

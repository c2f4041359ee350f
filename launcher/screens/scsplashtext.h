// The text of the splash file sp.bin, read without any window: the sale
// modes' picture name and window size. The file itself, the picture and
// the window are scsplash.h's.
//
//   int OnBg(void* ctx, const char* pName, int w, int h);    // 0 stops the parse
//   int bOk = SCSPLASH_ParseText(pPlain, OnBg, &ctx);        // 1: read to the end
//
// The plain text is lines ended by CR LF; text after the last CR LF is not
// read, and an empty line is skipped. A keyword line is compared whole and
// case-sensitively; "[bg]" is followed by two lines, the picture's file name
// (relative to the application folder) and "w,h" (signed decimals, split at
// the first comma, the height ending at the next comma or the line's end).
// Any other keyword line is passed over on its own.
//
// Platform-free: the login program and the launcher share it, and it is
// tested natively under the sanitizers.
#pragma once

enum eSCSD_IDTYPE {
    eSCSD_IDTYPE_BG = 0,    // "[bg]"
    eSCSD_IDTYPE_MAX = 1,   // any other keyword
};

enum {
    SCSPLASH_LINEMAX = 2048,   // a line: 2047 bytes and the terminator
    SCSPLASH_SIZEMAX = 16384,  // the largest side a splash window may ask for
};

typedef int (*SCSPLASH_BgFn)(void* pCtx, const char* pName, int w, int h);

int SCSPLASH_GetIdType(const char* pLine);
// 1 when the text was read to its end, 0 when it stopped on an error: a
// missing or over-long name or size line, an empty width, a side outside
// 1 to SCSPLASH_SIZEMAX, or pOnBg refusing an item (its items stay).
int SCSPLASH_ParseText(const char* pText, SCSPLASH_BgFn pOnBg, void* pCtx);
// The folder of a file path, separator included ("C:\app\sp.bin" gives
// "C:\app\"; no separator gives ""). A folder that does not fit gives 0.
int SCSPLASH_FolderOf(char* pDst, int nDstSize, const char* pPath);

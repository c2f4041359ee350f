// UNINST (paths): what the uninstaller keeps and which application folder it
// accepts. Platform-free, so the rules run natively under the sanitizers.
//
//   char strApp[UNINST_APPPATH_SIZE];
//   if (UNINST_CheckAppPath(strRegistry, strApp, sizeof(strApp)) != UNINST_PATH_OK) ... delete nothing
//   if (UNINST_IsDeletable("cache\\a.bmp")) ... path relative to strApp
//
// The keep list names the installed files as "TIV\" followed by their path
// below the application folder. A file is matched by "TIV\" + its own
// relative path, never by its full path, so the installation works under any
// folder name ("TIV", "tiv", "Program Files\Foo"). A file is kept when that
// text contains an entry anywhere (exact bytes): a deeper folder named TIV and
// a name that only starts with an entry ("env.bin.old") are kept too. The
// skin is the installation's own choice: the file its "skin" value names.
//
// Paths are Shift-JIS (code page 932): a trail byte may be 0x5C, the same
// byte as "\", so separators are found by stepping whole characters.
#pragma once

enum { UNINST_APPPATH_SIZE = 2048 };

// The keep list: entries of at most 127 characters, each "TIV\...".
int UNINST_KeepCount();
const char* UNINST_KeepEntry(int n);   // NULL past the end

// 0 when "TIV\" + the relative path contains a keep-list entry, or when the
// path is the skin file (the registry's "skin", pSkinName, may be null)
// as a whole name (letters of either case); else 1.
int UNINST_IsDeletable(const char* pRelPath, const char* pSkinName = nullptr);

enum UninstPathResult {
    UNINST_PATH_OK = 0,
    UNINST_PATH_EMPTY,      // no application folder
    UNINST_PATH_RELATIVE,   // neither "X:\..." nor "\\server\share\..."
    UNINST_PATH_ROOT,       // a drive or share root: would sweep a whole drive
    UNINST_PATH_DOTS,       // "." / ".." or empty parts could climb to a root
    UNINST_PATH_TOOLONG,    // does not fit the buffer with its final "\"
    UNINST_PATH_HALFCHAR,   // ends with a lone Shift-JIS lead byte
};

// Checks the application folder's text and copies it with a final "\"
// added when missing. Anything but UNINST_PATH_OK leaves pDst empty.
int UNINST_CheckAppPath(const char* pSrc, char* pDst, int nSize);
// Its name for the diagnostics.
const char* UNINST_PathResultText(int nResult);

// 1 when the text's last character (stepping Shift-JIS whole) is "\" or "/".
int UNINST_EndsWithSeparator(const char* p);

// THREADM unpackers: the two readers of content packs (cntpack.h).
//
//   THREADM_UnpackContents: a downloaded content pack, in a temporary file,
//   into the member's folder; records where each file went (path, caption,
//   slot value) in the content's catalogue record (contentslist.h).
//   THREADM_UnpackVersionPack: the client-version pack ("ver.bin"), held in
//   memory, into the application folder (version.txt and the client files).
//
//   if (!THREADM_UnpackContents("A0001", "C:\\tiv\\member\\", "C:\\tiv\\member\\tempfile.bin", 0, 0))
//       ... not installed: the installed files and the record are as they were
//
// Both run on a worker thread. Folders end in "\". Names in a pack are
// Shift-JIS paths relative to the folder. Before anything is written the
// whole pack is checked: a pack whose header, names or entries do not fit
// inside it is refused.
//
// A content pack is installed whole or not at all. Refused whole: a name
// that is no safe relative path (CMNFILE_IsSafeRelPath: no drive or ":", no
// leading "\", no empty, ".", ".." or dots-and-blanks part) or does not fit
// the path buffer, an entry of a kind this reader does not know. Then
// every file is written under a temporary name beside its target
// ("~tiv<entry>.new"); a file that cannot be written, a damaged game stream
// or a stop asked for removes the temporaries and leaves the installed files
// and the content's record untouched. Only when every file is written are
// they moved over the installed ones (the old ones wait aside as
// "~tiv<entry>.old" until all are in; a move that fails brings them back),
// and only then is the record changed:
//   - a game executable (LZSS, type 11) is decoded and encoded again into
//     "<name>.sbn" through the work files "tmp" and "tmp2";
//   - music data (LZSS, type 12) is kept as the stream in "<name>.smd";
//     the extension is replaced in the last component only;
//   - read-me, terms, manual, music and executable files take the next free
//     slot of their kind, ROM images the slot of the executables so far; a
//     file whose path or slot does not fit the record is written but not
//     recorded, a caption is cut to its field, an empty one clears the slot's.
//
// cntunpack.cpp (C stdio), cntunpack_win.cpp / cntunpack_posix.cpp (folders, moves).
#pragma once

// 1 when every file of the pack is in place and recorded; 0 when the file
// cannot be opened, is not a pack ("CNPF"), its header, names or entries do
// not fit inside it, one of its files cannot be written or put in place, or
// *pbStop (may be null; read between steps, written by another thread)
// became non-zero before the files were moved in: nothing installed changed.
// bOldPack: the pack is "CNPFVRB5"; bPack02: it is "CNPFVR02" (slot values
// 1 and 2 for its executables; 0 for "CNPFVR05").
int THREADM_UnpackContents(const char* pKeyName, const char* pFolder, const char* pTempPath,
                           int bOldPack, int bPack02, const int* pbStop = nullptr);

// 1 when the pack was read; 0 when the buffer is not a "CNPFVR05" pack of
// nBufSize bytes with header size nHeaderSize whose names and entries fit
// inside it (nothing written then). nHdrVersion: header layout, always 2.
int THREADM_UnpackVersionPack(const void* pBuf, int nHdrVersion, const char* pFolder, int nBufSize,
                              int nHeaderSize);

// How a program other than the launcher unpacks a client pack by the same
// checks. Every field may be null or 0.
struct CntUnpackHooks {
    void* pCtx;
    // 1: the name is refused and its entry not written (e.g. a running program).
    int (*pfnSkip)(void* pCtx, const char* pName);
    // Writes one whole file: 1 written, 0 not (the default writes it beside
    // the target and moves it over, so a failure leaves the old file).
    int (*pfnWrite)(void* pCtx, const char* pPath, const void* pData, int nSize);
    // 1: one name that would leave the folder refuses the whole pack
    // (result 0, nothing written) instead of passing over that entry.
    int bRefuseBadNames;
    // Bytes the writer's temporary name adds to a target's path ("<path>.tmp"):
    // a path is refused when the temporary one would not fit the path limit,
    // since a target that can never be opened would only fail later.
    int nTempExtra;
};

// THREADM_UnpackVersionPack with hooks; *pnFailed (may be null) = entries
// refused or not written.
int THREADM_UnpackVersionPackEx(const void* pBuf, int nHdrVersion, const char* pFolder, int nBufSize,
                                int nHeaderSize, const CntUnpackHooks* pHooks, int* pnFailed);

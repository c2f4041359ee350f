// THREADM unpackers: the two readers of content packs (cntpack.h).
//
//   THREADM_UnpackContents: a downloaded content pack, in a temporary file,
//   into the member's folder; records where each file went (path, caption,
//   slot value) in the content's catalogue record (contentslist.h).
//   THREADM_UnpackVersionPack: the client-version pack ("ver.bin"), held in
//   memory, into the application folder (version.txt and the client files).
//
//   if (!THREADM_UnpackContents("A0001", "C:\\tiv\\member\\", "C:\\tiv\\member\\tempfile.bin", 0, 0))
//       ... not a pack, or a damaged one: nothing written
//
// Both run on a worker thread. Folders end in "\". Names in a pack are
// Shift-JIS paths relative to the folder. Before anything is written the
// whole pack is checked: a pack whose header, names or entries do not fit
// inside it is refused. Then, entry by entry:
//   - a name that would leave the folder ("..", a drive or ":", a leading
//     "\") is passed over with its data, as is a file that cannot be written;
//   - a game executable (LZSS, type 11) is decoded and encoded again into
//     "<name>.sbn" through the work files "tmp" and "tmp2"; a damaged stream
//     leaves neither a ".sbn" nor the work files and is not recorded;
//   - music data (LZSS, type 12) is kept as the stream in "<name>.smd";
//     the extension is replaced in the last component only;
//   - read-me, terms, manual, music and executable files take the next free
//     slot of their kind, ROM images the slot of the executables so far; a
//     file whose path or slot does not fit the record is written but not
//     recorded, a caption is cut to its field, an empty one clears the slot's.
//
// cntunpack.cpp (C stdio), cntunpack_win.cpp / cntunpack_posix.cpp (folders).
#pragma once

// 1 when the pack was read (entries that could not be written are passed
// over); 0 when the file cannot be opened, is not a pack ("CNPF"), or its
// header, names or entries do not fit inside it (nothing written then).
// bOldPack: the pack is "CNPFVRB5"; bPack02: it is "CNPFVR02" (slot values
// 1 and 2 for its executables; 0 for "CNPFVR05").
int THREADM_UnpackContents(const char* pKeyName, const char* pFolder, const char* pTempPath,
                           int bOldPack, int bPack02);

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
    // Writes one whole file: 1 written, 0 not (the default writes in place).
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

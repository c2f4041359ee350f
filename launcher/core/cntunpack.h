// THREADM unpackers: the two readers of content packs (cntpack.h).
//
//   THREADM_UnpackContents: a downloaded content pack, in a temporary file,
//   into the member's folder; records where each file went (path, caption,
//   slot value) in the content's catalogue record (contentslist.h).
//   THREADM_UnpackVersionPack: the client-version pack ("ver.bin"), held in
//   memory, into the application folder (version.txt and the client files).
//
//   if (!THREADM_UnpackContents("A0001", "C:\\tiv\\member\\", "C:\\tiv\\tmp\\dl.bin", 0, 0))
//       ... not a pack: nothing written
//
// Both run on a worker thread. Folders end in "\". Names in a pack are
// Shift-JIS paths relative to the folder; an entry whose name would leave
// the folder ("..", a drive, a leading "\") is passed over, and a pack whose
// sizes or names do not fit inside it is refused whole before anything is
// written.
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

// CPD: the content-pack format, read from and written to memory buffers.
//
// A pack carries several files, each stored as is or as an LZSS stream
// (slide.h), behind a header with their names. All integers little-endian,
// signed 32-bit:
//
//   0   8  magic "CNPFVR05" (current), "CNPFVRB5" (older product) or "CNPFVR02"
//   8   4  total size of the pack, from offset 0
//   12  4  header size: offset of the first entry (these 20 bytes included)
//   16  4  file count
//   20  .. names area: tokens each ended by ",": name and caption per file in
//          content packs, the name alone in the client-version pack
//   then one entry per file, in the order of the names:
//          compression byte (0 stored, 1 LZSS), file-type byte (0 to 13),
//          4-byte data size (above 0), the data
//
//   CpdHeader h;
//   std::vector<CpdName> names;
//   if (CPD_ReadHeader(buf, size, &h) && CPD_ReadNames(buf, h, 2, 2047, names)) {
//       size_t off = h.nHeaderSize;
//       CpdEntry e;
//       for (size_t i = 0; i < names.size() && CPD_ReadEntry(buf, size, &off, &e); i++) ...
//   }
//
// Names are Shift-JIS paths relative to the target folder ("\" between
// folders); neither names nor captions can hold "," or a line end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#define CPD_STR_PACKHEADER_ID   "CNPF"
#define CPD_STR_PACKHEADER_ID5  "CNPFVR05"
#define CPD_STR_PACKHEADER_IDB5 "CNPFVRB5"
#define CPD_STR_PACKHEADER_ID02 "CNPFVR02"

enum {
    CPD_LEN_MAGIC = 8,
    CPD_LEN_1STRECEIVEDATA = 12,    // magic and total size: what a download reads first
    CPD_LEN_HEADERSIZE = 4,
    CPD_LEN_FIXEDHEADER = 20,       // magic, total size, header size, file count
    CPD_LEN_ENTRYHEADER = 6,        // compression, file type, data size
};

enum eCPD_FILECOMPRESSTYPE {
    eCPD_FCT_NONE = 0,
    eCPD_FCT_SLIDE = 1,
    eCPD_FCT_MAX = 2,
};

enum eCPD_FILETYPE {
    eCPD_FTYPE_MAINEXE = 0,
    eCPD_FTYPE_README = 1,
    eCPD_FTYPE_KIYAKU = 2,
    eCPD_FTYPE_MANUAL = 4,
    eCPD_FTYPE_SBN = 11,
    eCPD_FTYPE_SMD = 12,
    eCPD_FTYPE_MSXROM = 13,
    eCPD_FTYPE_MAX = 14,
};

struct CpdHeader {
    char    strMagic[CPD_LEN_MAGIC + 1];
    int32_t nTotalSize;
    int32_t nHeaderSize;
    int32_t nFileCnt;
};

struct CpdName {
    std::string strName;
    std::string strCaption;     // empty in the client-version pack
};

struct CpdEntry {
    int            cCmpType;    // eCPD_FILECOMPRESSTYPE as stored (signed byte)
    int            cFileType;   // eCPD_FILETYPE as stored (signed byte)
    int32_t        lDataSize;
    const uint8_t* pData;       // inside the caller's buffer
};

// 1 when the buffer starts with "CNPF" and the fixed fields make sense: the
// header size from 20 up to the buffer's size, a file count of 0 or more.
// The total size is reported as stored; comparing it is the caller's choice.
// The pack's numbers: 4 bytes, little-endian, signed (sizes and counts).
int32_t CPD_GetInt32(const void* p);

int CPD_ReadHeader(const void* pBuf, size_t nBufSize, CpdHeader* pHdr);

// Cuts the names area into nFileCnt names of nTokensPerFile tokens (2: name
// and caption, 1: name only). 0 when a name is missing or empty, or a token
// is longer than nMaxToken bytes.
int CPD_ReadNames(const void* pBuf, const CpdHeader& hdr, int nTokensPerFile, size_t nMaxToken,
                  std::vector<CpdName>& names);

// Reads the entry at *pnOffset and steps *pnOffset over it. 0 (offset
// unchanged) when the entry's head or data runs past the buffer or its data
// size is not above 0. Compression and file type are passed on unchecked.
int CPD_ReadEntry(const void* pBuf, size_t nBufSize, size_t* pnOffset, CpdEntry* pEntry);

// ---- Writing. ----
struct CpdFile {
    std::string          strName;
    std::string          strCaption;
    int                  cFileType;     // eCPD_FILETYPE
    int                  cCmpType;      // eCPD_FCT_NONE, or eCPD_FCT_SLIDE to store the LZSS stream
    std::vector<uint8_t> data;          // the file's own bytes
};

// Replaces out with a pack of the files. nTokensPerFile: 2 for a content
// pack, 1 for the client-version pack (captions must then be empty). 0 for a
// magic that is not one of the three, a name that is empty or holds "," or a
// line end (a caption likewise), a type or compression out of range, an
// empty stored file, or a pack of 2 GiB or more.
int CPD_Build(const char* pMagic, int nTokensPerFile, const std::vector<CpdFile>& files,
              std::vector<uint8_t>& out);

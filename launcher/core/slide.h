// SLIDE: the LZSS codec of the packed game executables (".sbn"), the packed
// music data (".smd") and the compressed entries of content packs.
//
// File to file, on the calling thread's own pair of open files:
//
//   if (SLIDE_OpenInFile("game.sbn") && SLIDE_OpenOutFile("game.exe"))
//       ok = SLIDE_DecodeFile();          // 0: damaged stream or write failure
//   SLIDE_CloseInFile();
//   SLIDE_CloseOutFile();
//
// In memory (the stream includes its 4-byte size field):
//
//   std::vector<uint8_t> stream, plain;
//   SLIDE_EncodeBuffer(data, size, stream);
//   ok = SLIDE_DecodeBuffer(stream.data(), stream.size(), plain);
//
// The stream: a 4-byte little-endian uncompressed size, then groups up to the
// end of the file. A group is a flag byte and up to eight items, flag bit 0
// first: bit 1 = a literal byte; bit 0 = a match of two bytes b0 b1, copying
// (b1 & 0x0F) + 3 bytes from the absolute ring position b0 | (b1 & 0xF0) << 4.
// The 4096-byte ring starts all zero with the first write at 4078 (4096 - 18);
// every output byte is stored in the ring, and a match copies byte by byte, so
// it may overlap what it produces. Nothing marks the end of the data: the
// unused flag bits of the last group are 0 and the file simply ends. The
// encoder finds matches with one binary search tree per first byte (the node
// of a ring position stands for the 18 bytes that begin there), so its output
// is fixed byte for byte: the stored files are reproduced exactly.
//
// Threads: the open files belong to the thread that opened them, and every
// encode and decode works on its own state, so the UI thread and the download
// worker may each run one at the same time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum {
    SLIDE_RING_SIZE = 4096,     // ring (window) bytes
    SLIDE_MAX_MATCH = 18,       // longest match; also the look-ahead
    SLIDE_THRESHOLD = 2,        // matches up to this length are sent as literals
    SLIDE_NIL = SLIDE_RING_SIZE // "no node" in the trees
};

// The working state of one encode: the ring with 17 bytes that mirror ring
// bytes 0 to 16 (an 18-byte comparison never wraps), and the trees. Entries
// 4097 to 4352 of nRightChild are the roots of the 256 trees; index 4096 of
// each array is a scratch slot written when a link to "none" is updated.
struct SlideCtx {
    uint8_t  byRing[SLIDE_RING_SIZE + SLIDE_MAX_MATCH - 1];
    int32_t  nLeftChild[SLIDE_RING_SIZE + 1];
    int32_t  nRightChild[SLIDE_RING_SIZE + 257];
    int32_t  nParent[SLIDE_RING_SIZE + 1];
    int32_t  nMatchPos;     // ring position of the longest match of the last insertion
    int32_t  nMatchLen;     // its length
    uint32_t nCodeSize;     // bytes of groups written by the current encode
};

// ---- File to file (stdio "rb" / "wb"); each thread has its own pair. ----
// 1 when opened; 0 for an empty path, a file that cannot be opened, or when
// this thread already has a file of that side open (that one stays open).
int SLIDE_OpenInFile(const char* pFilePath);
int SLIDE_OpenOutFile(const char* pFilePath);
int SLIDE_CloseInFile();
// 0 when the buffered data could not be written at the close.
int SLIDE_CloseOutFile();

// Writes the input's size and its groups. 1 on success; 0 when a file is not
// open, the input cannot be measured or is 2 GiB or more (nothing written),
// or the input could not be read whole or the output not written.
int SLIDE_EncodeFile();
// Reads the size field and decodes every group to the end of the input, all
// of which is written. 1 when exactly the promised size came out and was
// written; 0 when a file is not open, the size field is incomplete, the
// stream is shorter or longer than its size field, or a write failed.
int SLIDE_DecodeFile();

// The same without the size field: groups from the input's current position.
// SLIDE_Encode: 1 when everything read was written. SLIDE_Decode: 1 when
// nSize bytes came out and were written.
int SLIDE_Encode();
int SLIDE_Decode(uint32_t nSize);

// ---- In memory. ----
// Replaces out with the whole stream (size field included). 0 for an input of
// 2 GiB or more, or when memory runs out. pCtx: working state to use (any
// contents), or null for one of its own.
int SLIDE_EncodeBuffer(const void* pSrc, size_t nSrcSize, std::vector<uint8_t>& out,
                       SlideCtx* pCtx = nullptr);
// Replaces out with everything the groups produce. 1 when that is exactly
// the size the stream's size field promises; 0 otherwise (out still holds
// what was decoded) or when memory runs out.
int SLIDE_DecodeBuffer(const void* pStream, size_t nStreamSize, std::vector<uint8_t>& out);

// Longest stream of an input of n bytes (all literals, plus the size field).
inline size_t SLIDE_EncodeBound(size_t n) { return 4 + n + (n + 7) / 8; }

// ---- The match finder, on a working state. ----
void SLIDE_InitTree(SlideCtx* pCtx);            // empties the 256 trees
void SLIDE_InsertNode(SlideCtx* pCtx, int r);   // sets nMatchPos, nMatchLen
void SLIDE_DeleteNode(SlideCtx* pCtx, int p);   // no-op when p is in no tree

// Writes "\n<message>\n" to standard error and ends the process with code 1.
[[noreturn]] void SLIDE_Error(const char* pMessage);

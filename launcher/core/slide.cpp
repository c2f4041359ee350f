#include "slide.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "cmnassert.h"

namespace {

const int N = SLIDE_RING_SIZE;
const int F = SLIDE_MAX_MATCH;
const int NIL = SLIDE_NIL;

// The open files belong to the thread that opened them: the UI thread (a game
// or music start) and the download worker (unpacking) each have their own.
thread_local FILE* infile = NULL;
thread_local FILE* outfile = NULL;

// ---- Byte sources and sinks. The codec reads and writes one byte at a time;
// these keep that cheap. ----

struct MemSource {
    const uint8_t* p;
    const uint8_t* end;
    int Get() { return p < end ? *p++ : -1; }
    bool Failed() const { return false; }
};

// stdio with a block of its own in front: one locked stdio call per block,
// not per byte. A read error counts as the end of the input, and is remembered.
struct FileSource {
    FILE* f;
    size_t pos = 0, len = 0;
    bool bError = false;
    uint8_t buf[1 << 16];

    explicit FileSource(FILE* file) : f(file) {}
    int Get()
    {
        if (pos < len) return buf[pos++];
        if (bError) return -1;
        len = std::fread(buf, 1, sizeof(buf), f);
        pos = 0;
        if (len == 0) {
            bError = std::ferror(f) != 0;
            return -1;
        }
        return buf[pos++];
    }
    bool Failed() const { return bError; }
};

// Output into a vector that grows as needed; Finish trims it to what was written.
struct MemSink {
    std::vector<uint8_t>& v;
    size_t n;
    explicit MemSink(std::vector<uint8_t>& out, size_t used) : v(out), n(used) {}
    void Put(const uint8_t* p, size_t len)
    {
        if (v.size() - n < len) v.resize((n + len) * 2);
        std::memcpy(v.data() + n, p, len);
        n += len;
    }
    void PutByte(uint8_t c)
    {
        if (n == v.size()) v.resize(n * 2 + 64);
        v[n++] = c;
    }
    bool Finish() { v.resize(n); return true; }
};

struct FileSink {
    FILE* f;
    size_t n = 0;
    bool bFailed = false;
    uint8_t buf[1 << 16];

    explicit FileSink(FILE* file) : f(file) {}
    void Flush()
    {
        if (n > 0 && std::fwrite(buf, 1, n, f) != n) bFailed = true;
        n = 0;
    }
    void Put(const uint8_t* p, size_t len)
    {
        while (len > 0) {
            size_t k = sizeof(buf) - n < len ? sizeof(buf) - n : len;
            std::memcpy(buf + n, p, k);
            n += k;
            p += k;
            len -= k;
            if (n == sizeof(buf)) Flush();
        }
    }
    void PutByte(uint8_t c)
    {
        buf[n++] = c;
        if (n == sizeof(buf)) Flush();
    }
    // Everything handed over to the file, and the file took it.
    bool Finish()
    {
        Flush();
        if (std::fflush(f) != 0 || std::ferror(f)) bFailed = true;
        return !bFailed;
    }
};

void PutSizeField(uint8_t* p, uint32_t n)
{
    p[0] = static_cast<uint8_t>(n);
    p[1] = static_cast<uint8_t>(n >> 8);
    p[2] = static_cast<uint8_t>(n >> 16);
    p[3] = static_cast<uint8_t>(n >> 24);
}

uint32_t GetSizeField(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Encodes the source to its end into groups on the sink; returns the number of
// input bytes coded. With bPrint the progress and the totals go to stdout, as
// the command-line coder always did.
template <class Src, class Sink>
uint64_t EncodeGroups(SlideCtx* c, Src& in, Sink& out, bool bPrint)
{
    // The whole ring starts zero, not only the 4078 bytes a decoder relies on:
    // the bytes past the end of a short input take part in the comparisons, so
    // leftovers of an earlier run could change which of two equal matches wins.
    std::memset(c->byRing, 0, sizeof(c->byRing));
    SLIDE_InitTree(c);
    c->nCodeSize = 0;

    uint8_t code[17];   // flag byte and up to eight items of two bytes
    code[0] = 0;
    int nCodePtr = 1;
    uint8_t mask = 1;
    int s = 0;
    int r = N - F;

    int len;
    for (len = 0; len < F; len++) {
        int ch = in.Get();
        if (ch < 0) break;
        c->byRing[r + len] = static_cast<uint8_t>(ch);
    }
    if (len == 0) return 0;
    for (int i = 1; i <= F; i++) SLIDE_InsertNode(c, r - i);
    SLIDE_InsertNode(c, r);

    uint64_t nTextSize = len;
    uint64_t nPrintCount = 0;
    do {
        if (c->nMatchLen > len) c->nMatchLen = len;
        if (c->nMatchLen <= SLIDE_THRESHOLD) {
            c->nMatchLen = 1;
            code[0] |= mask;
            code[nCodePtr++] = c->byRing[r];
        } else {
            code[nCodePtr++] = static_cast<uint8_t>(c->nMatchPos & 0xFF);
            code[nCodePtr++] = static_cast<uint8_t>(((c->nMatchPos >> 4) & 0xF0) |
                                                    (c->nMatchLen - (SLIDE_THRESHOLD + 1)));
        }
        mask = static_cast<uint8_t>(mask << 1);
        if (mask == 0) {
            out.Put(code, nCodePtr);
            c->nCodeSize += nCodePtr;
            code[0] = 0;
            nCodePtr = 1;
            mask = 1;
        }
        int last = c->nMatchLen;
        int i;
        int ch = 0;
        for (i = 0; i < last && (ch = in.Get()) >= 0; i++) {
            SLIDE_DeleteNode(c, s);
            c->byRing[s] = static_cast<uint8_t>(ch);
            if (s < F - 1) c->byRing[s + N] = static_cast<uint8_t>(ch);
            s = (s + 1) & (N - 1);
            r = (r + 1) & (N - 1);
            SLIDE_InsertNode(c, r);
        }
        nTextSize += i;
        if (bPrint && nTextSize > nPrintCount) {
            std::printf("%12lu\r", static_cast<unsigned long>(nTextSize));
            nPrintCount += 1024;
        }
        while (i++ < last) {
            SLIDE_DeleteNode(c, s);
            s = (s + 1) & (N - 1);
            r = (r + 1) & (N - 1);
            if (--len) SLIDE_InsertNode(c, r);
        }
    } while (len > 0);
    if (nCodePtr > 1) {
        out.Put(code, nCodePtr);
        c->nCodeSize += nCodePtr;
    }
    if (bPrint) {
        std::printf("In : %lu bytes\n", static_cast<unsigned long>(nTextSize));
        std::printf("Out: %lu bytes\n", static_cast<unsigned long>(c->nCodeSize));
        // In 64 bits: Out x 1000 overflows a 32-bit long from about 4 MB of output.
        uint64_t nRatio = (static_cast<uint64_t>(c->nCodeSize) * 1000 + nTextSize / 2) / nTextSize;
        std::printf("Out/In: %lu.%03lu\n", static_cast<unsigned long>(nRatio / 1000),
                    static_cast<unsigned long>(nRatio % 1000));
    }
    return nTextSize;
}

// Decodes groups from the source to its end onto the sink; returns the
// number of bytes produced. Every item that is complete is decoded.
template <class Src, class Sink>
uint64_t DecodeGroups(Src& in, Sink& out)
{
    uint8_t ring[N];
    std::memset(ring, 0, sizeof(ring));
    int r = N - F;
    unsigned int flags = 0;
    uint64_t nCount = 0;
    for (;;) {
        flags >>= 1;
        if ((flags & 0x100) == 0) {
            int c = in.Get();
            if (c < 0) break;
            flags = static_cast<unsigned int>(c) | 0xFF00;
        }
        if (flags & 1) {
            int c = in.Get();
            if (c < 0) break;
            out.PutByte(static_cast<uint8_t>(c));
            ring[r] = static_cast<uint8_t>(c);
            r = (r + 1) & (N - 1);
            nCount++;
        } else {
            int b0 = in.Get();
            if (b0 < 0) break;
            int b1 = in.Get();
            if (b1 < 0) break;
            int pos = b0 | ((b1 & 0xF0) << 4);
            int len = (b1 & 0x0F) + SLIDE_THRESHOLD + 1;
            for (int k = 0; k < len; k++) {
                uint8_t c = ring[(pos + k) & (N - 1)];
                out.PutByte(c);
                ring[r] = c;
                r = (r + 1) & (N - 1);
            }
            nCount += len;
        }
    }
    return nCount;
}

// Number of equal leading bytes of two 18-byte strings whose first bytes are
// known to be equal: 1 to 18. The match search spends its time here, so it
// compares eight bytes at a time where the host is little-endian (the first
// differing byte is then the lowest set byte of the XOR).
inline int CommonPrefix(const uint8_t* a, const uint8_t* b)
{
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    for (int i = 1; i + 8 <= F; i += 8) {
        uint64_t x, y;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        if (x != y) return i + __builtin_ctzll(x ^ y) / 8;
    }
    return a[F - 1] == b[F - 1] ? F : F - 1;
#else
    int i = 1;
    while (i < F && a[i] == b[i]) i++;
    return i;
#endif
}

}  // namespace

void SLIDE_InitTree(SlideCtx* pCtx)
{
    for (int i = N + 1; i <= N + 256; i++) pCtx->nRightChild[i] = NIL;
    for (int i = 0; i < N; i++) pCtx->nParent[i] = NIL;
}

void SLIDE_InsertNode(SlideCtx* pCtx, int r)
{
    int32_t* lson = pCtx->nLeftChild;
    int32_t* rson = pCtx->nRightChild;
    int32_t* dad = pCtx->nParent;
    const uint8_t* key = &pCtx->byRing[r];
    int cmp = 1;
    int p = N + 1 + key[0];
    rson[r] = lson[r] = NIL;
    pCtx->nMatchLen = 0;
    for (;;) {
        if (cmp >= 0) {
            if (rson[p] != NIL) {
                p = rson[p];
            } else {
                rson[p] = r;
                dad[r] = p;
                return;
            }
        } else {
            if (lson[p] != NIL) {
                p = lson[p];
            } else {
                lson[p] = r;
                dad[r] = p;
                return;
            }
        }
        int i = CommonPrefix(key, &pCtx->byRing[p]);
        cmp = i < F ? key[i] - pCtx->byRing[p + i] : 0;
        if (i > pCtx->nMatchLen) {
            pCtx->nMatchPos = p;
            pCtx->nMatchLen = i;
            if (i >= F) break;
        }
    }
    // The same 18 bytes again: the new position takes the old one's place.
    dad[r] = dad[p];
    lson[r] = lson[p];
    rson[r] = rson[p];
    dad[lson[p]] = r;
    dad[rson[p]] = r;
    if (rson[dad[p]] == p) rson[dad[p]] = r;
    else lson[dad[p]] = r;
    dad[p] = NIL;
}

void SLIDE_DeleteNode(SlideCtx* pCtx, int p)
{
    int32_t* lson = pCtx->nLeftChild;
    int32_t* rson = pCtx->nRightChild;
    int32_t* dad = pCtx->nParent;
    if (dad[p] == NIL) return;
    int q;
    if (rson[p] == NIL) {
        q = lson[p];
    } else if (lson[p] == NIL) {
        q = rson[p];
    } else {
        q = lson[p];
        if (rson[q] != NIL) {
            do {
                q = rson[q];
            } while (rson[q] != NIL);
            rson[dad[q]] = lson[q];
            dad[lson[q]] = dad[q];
            lson[q] = lson[p];
            dad[lson[p]] = q;
        }
        rson[q] = rson[p];
        dad[rson[p]] = q;
    }
    dad[q] = dad[p];
    if (rson[dad[p]] == p) rson[dad[p]] = q;
    else lson[dad[p]] = q;
    dad[p] = NIL;
}

// ---- File to file. ----

int SLIDE_OpenInFile(const char* pFilePath)
{
    CMN_ASSERT(pFilePath != NULL && std::strlen(pFilePath) > 0);
    if (pFilePath == NULL || pFilePath[0] == '\0') return 0;
    CMN_ASSERT(infile == NULL);
    if (infile != NULL) return 0;
    infile = std::fopen(pFilePath, "rb");
    CMN_ASSERT(infile != NULL);
    return infile != NULL ? 1 : 0;
}

int SLIDE_OpenOutFile(const char* pFilePath)
{
    CMN_ASSERT(pFilePath != NULL && std::strlen(pFilePath) > 0);
    if (pFilePath == NULL || pFilePath[0] == '\0') return 0;
    CMN_ASSERT(outfile == NULL);
    if (outfile != NULL) return 0;
    outfile = std::fopen(pFilePath, "wb");
    CMN_ASSERT(outfile != NULL);
    return outfile != NULL ? 1 : 0;
}

int SLIDE_CloseInFile()
{
    if (infile != NULL) std::fclose(infile);
    infile = NULL;
    return 1;
}

int SLIDE_CloseOutFile()
{
    int nResult = 1;
    if (outfile != NULL && std::fclose(outfile) != 0) nResult = 0;
    outfile = NULL;
    return nResult;
}

int SLIDE_Encode()
{
    CMN_ASSERT(infile != NULL && outfile != NULL);
    if (infile == NULL || outfile == NULL) return 0;
    std::unique_ptr<SlideCtx> ctx(new (std::nothrow) SlideCtx);
    std::unique_ptr<FileSource> src(new (std::nothrow) FileSource(infile));
    std::unique_ptr<FileSink> sink(new (std::nothrow) FileSink(outfile));
    if (!ctx || !src || !sink) return 0;
    EncodeGroups(ctx.get(), *src, *sink, true);
    bool bWritten = sink->Finish();
    return bWritten && !src->Failed() ? 1 : 0;
}

int SLIDE_EncodeFile()
{
    CMN_ASSERT(infile != NULL && outfile != NULL);
    if (infile == NULL || outfile == NULL) return 0;
    // The size field holds the size as the stored files always had it: a
    // non-negative 32-bit file position.
    if (std::fseek(infile, 0, SEEK_END) != 0) return 0;
    long nSize = std::ftell(infile);
    if (nSize < 0 || static_cast<unsigned long long>(nSize) > 0x7FFFFFFFull) return 0;
    if (std::fseek(infile, 0, SEEK_SET) != 0) return 0;

    std::unique_ptr<SlideCtx> ctx(new (std::nothrow) SlideCtx);
    std::unique_ptr<FileSource> src(new (std::nothrow) FileSource(infile));
    std::unique_ptr<FileSink> sink(new (std::nothrow) FileSink(outfile));
    if (!ctx || !src || !sink) return 0;
    uint8_t field[4];
    PutSizeField(field, static_cast<uint32_t>(nSize));
    sink->Put(field, 4);
    uint64_t nRead = EncodeGroups(ctx.get(), *src, *sink, true);
    bool bWritten = sink->Finish();
    // A read error, or a file that changed under us, would leave the size
    // field promising bytes that the groups do not hold.
    return bWritten && !src->Failed() && nRead == static_cast<uint64_t>(nSize) ? 1 : 0;
}

namespace {

int DecodeOpenFiles(FileSource& src, uint32_t nSize)
{
    std::unique_ptr<FileSink> sink(new (std::nothrow) FileSink(outfile));
    if (!sink) return 0;
    uint64_t nOut = DecodeGroups(src, *sink);
    bool bWritten = sink->Finish();
    std::printf("%12lu\n", static_cast<unsigned long>(nSize));
    return bWritten && !src.Failed() && nOut == nSize ? 1 : 0;
}

}  // namespace

int SLIDE_Decode(uint32_t nSize)
{
    CMN_ASSERT(infile != NULL && outfile != NULL);
    if (infile == NULL || outfile == NULL) return 0;
    std::unique_ptr<FileSource> src(new (std::nothrow) FileSource(infile));
    if (!src) return 0;
    return DecodeOpenFiles(*src, nSize);
}

int SLIDE_DecodeFile()
{
    CMN_ASSERT(infile != NULL && outfile != NULL);
    if (infile == NULL || outfile == NULL) return 0;
    std::unique_ptr<FileSource> src(new (std::nothrow) FileSource(infile));
    if (!src) return 0;
    uint8_t field[4];
    for (int i = 0; i < 4; i++) {
        int c = src->Get();
        if (c < 0) return 0;    // not even a size field: nothing to decode
        field[i] = static_cast<uint8_t>(c);
    }
    return DecodeOpenFiles(*src, GetSizeField(field));
}

// ---- In memory. ----

int SLIDE_EncodeBuffer(const void* pSrc, size_t nSrcSize, std::vector<uint8_t>& out, SlideCtx* pCtx)
{
    out.clear();
    if (nSrcSize > 0x7FFFFFFFu) return 0;
    std::unique_ptr<SlideCtx> own;
    if (pCtx == nullptr) {
        own.reset(new (std::nothrow) SlideCtx);
        if (!own) return 0;
        pCtx = own.get();
    }
    try {
        out.resize(SLIDE_EncodeBound(nSrcSize));
        PutSizeField(out.data(), static_cast<uint32_t>(nSrcSize));
        MemSource src{ static_cast<const uint8_t*>(pSrc), static_cast<const uint8_t*>(pSrc) + nSrcSize };
        MemSink sink(out, 4);
        EncodeGroups(pCtx, src, sink, false);
        sink.Finish();
    } catch (const std::bad_alloc&) {
        out.clear();
        return 0;
    }
    return 1;
}

int SLIDE_DecodeBuffer(const void* pStream, size_t nStreamSize, std::vector<uint8_t>& out)
{
    out.clear();
    if (nStreamSize < 4) return 0;
    const uint8_t* p = static_cast<const uint8_t*>(pStream);
    uint32_t nSize = GetSizeField(p);
    // Trust the size field only as far as the data can reach (a match of two
    // bytes gives at most 18), so a damaged field cannot ask for gigabytes.
    size_t nReach = (nStreamSize - 4) / 2 * 18 + 1;
    uint64_t nOut = 0;
    try {
        out.resize(nSize < nReach ? nSize : nReach);
        MemSource src{ p + 4, p + nStreamSize };
        MemSink sink(out, 0);
        nOut = DecodeGroups(src, sink);
        sink.Finish();
    } catch (const std::bad_alloc&) {
        out.clear();
        return 0;
    }
    return nOut == nSize ? 1 : 0;
}

void SLIDE_Error(const char* pMessage)
{
    std::fprintf(stderr, "\n%s\n", pMessage);
    std::exit(1);
}

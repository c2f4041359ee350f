#include "md5.h"

#include <cstring>

#include "cmnassert.h"

namespace {

struct MD5Ctx {
    uint32_t state[4];
    uint64_t nBits;
    uint8_t  block[64];
    size_t   nFill;
};

inline uint32_t MD5_F(uint32_t x, uint32_t y, uint32_t z) { return (x & y) | (~x & z); }
inline uint32_t MD5_G(uint32_t x, uint32_t y, uint32_t z) { return (x & z) | (y & ~z); }
inline uint32_t MD5_H(uint32_t x, uint32_t y, uint32_t z) { return x ^ y ^ z; }
inline uint32_t MD5_I(uint32_t x, uint32_t y, uint32_t z) { return y ^ (x | ~z); }
inline uint32_t MD5_Rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline void MD5_FF(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, int s, uint32_t ac)
{ a = b + MD5_Rotl(a + MD5_F(b, c, d) + x + ac, s); }
inline void MD5_GG(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, int s, uint32_t ac)
{ a = b + MD5_Rotl(a + MD5_G(b, c, d) + x + ac, s); }
inline void MD5_HH(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, int s, uint32_t ac)
{ a = b + MD5_Rotl(a + MD5_H(b, c, d) + x + ac, s); }
inline void MD5_II(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, int s, uint32_t ac)
{ a = b + MD5_Rotl(a + MD5_I(b, c, d) + x + ac, s); }

void MD5_Transform(uint32_t state[4], uint8_t block[64])
{
    uint32_t x[16];
    for (int i = 0; i < 16; i++) {
        x[i] = uint32_t(block[i * 4]) | uint32_t(block[i * 4 + 1]) << 8 |
               uint32_t(block[i * 4 + 2]) << 16 | uint32_t(block[i * 4 + 3]) << 24;
    }
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];

    // Round 1
    MD5_FF(a, b, c, d, x[ 0],  7, 0xd76aa478); MD5_FF(d, a, b, c, x[ 1], 12, 0xe8c7b756);
    MD5_FF(c, d, a, b, x[ 2], 17, 0x242070db); MD5_FF(b, c, d, a, x[ 3], 22, 0xc1bdceee);
    MD5_FF(a, b, c, d, x[ 4],  7, 0xf57c0faf); MD5_FF(d, a, b, c, x[ 5], 12, 0x4787c62a);
    MD5_FF(c, d, a, b, x[ 6], 17, 0xa8304613); MD5_FF(b, c, d, a, x[ 7], 22, 0xfd469501);
    MD5_FF(a, b, c, d, x[ 8],  7, 0x698098d8); MD5_FF(d, a, b, c, x[ 9], 12, 0x8b44f7af);
    MD5_FF(c, d, a, b, x[10], 17, 0xffff5bb1); MD5_FF(b, c, d, a, x[11], 22, 0x895cd7be);
    MD5_FF(a, b, c, d, x[12],  7, 0x6b901122); MD5_FF(d, a, b, c, x[13], 12, 0xfd987193);
    MD5_FF(c, d, a, b, x[14], 17, 0xa679438e); MD5_FF(b, c, d, a, x[15], 22, 0x49b40821);
    // Round 2
    MD5_GG(a, b, c, d, x[ 1],  5, 0xf61e2562); MD5_GG(d, a, b, c, x[ 6],  9, 0xc040b340);
    MD5_GG(c, d, a, b, x[11], 14, 0x265e5a51); MD5_GG(b, c, d, a, x[ 0], 20, 0xe9b6c7aa);
    MD5_GG(a, b, c, d, x[ 5],  5, 0xd62f105d); MD5_GG(d, a, b, c, x[10],  9, 0x02441453);
    MD5_GG(c, d, a, b, x[15], 14, 0xd8a1e681); MD5_GG(b, c, d, a, x[ 4], 20, 0xe7d3fbc8);
    MD5_GG(a, b, c, d, x[ 9],  5, 0x21e1cde6); MD5_GG(d, a, b, c, x[14],  9, 0xc33707d6);
    MD5_GG(c, d, a, b, x[ 3], 14, 0xf4d50d87); MD5_GG(b, c, d, a, x[ 8], 20, 0x455a14ed);
    MD5_GG(a, b, c, d, x[13],  5, 0xa9e3e905); MD5_GG(d, a, b, c, x[ 2],  9, 0xfcefa3f8);
    MD5_GG(c, d, a, b, x[ 7], 14, 0x676f02d9); MD5_GG(b, c, d, a, x[12], 20, 0x8d2a4c8a);
    // Round 3
    MD5_HH(a, b, c, d, x[ 5],  4, 0xfffa3942); MD5_HH(d, a, b, c, x[ 8], 11, 0x8771f681);
    MD5_HH(c, d, a, b, x[11], 16, 0x6d9d6122); MD5_HH(b, c, d, a, x[14], 23, 0xfde5380c);
    MD5_HH(a, b, c, d, x[ 1],  4, 0xa4beea44); MD5_HH(d, a, b, c, x[ 4], 11, 0x4bdecfa9);
    MD5_HH(c, d, a, b, x[ 7], 16, 0xf6bb4b60); MD5_HH(b, c, d, a, x[10], 23, 0xbebfbc70);
    MD5_HH(a, b, c, d, x[13],  4, 0x289b7ec6); MD5_HH(d, a, b, c, x[ 0], 11, 0xeaa127fa);
    MD5_HH(c, d, a, b, x[ 3], 16, 0xd4ef3085); MD5_HH(b, c, d, a, x[ 6], 23, 0x04881d05);
    MD5_HH(a, b, c, d, x[ 9],  4, 0xd9d4d039); MD5_HH(d, a, b, c, x[12], 11, 0xe6db99e5);
    MD5_HH(c, d, a, b, x[15], 16, 0x1fa27cf8); MD5_HH(b, c, d, a, x[ 2], 23, 0xc4ac5665);
    // Round 4
    MD5_II(a, b, c, d, x[ 0],  6, 0xf4292244); MD5_II(d, a, b, c, x[ 7], 10, 0x432aff97);
    MD5_II(c, d, a, b, x[14], 15, 0xab9423a7); MD5_II(b, c, d, a, x[ 5], 21, 0xfc93a039);
    MD5_II(a, b, c, d, x[12],  6, 0x655b59c3); MD5_II(d, a, b, c, x[ 3], 10, 0x8f0ccc92);
    MD5_II(c, d, a, b, x[10], 15, 0xffeff47d); MD5_II(b, c, d, a, x[ 1], 21, 0x85845dd1);
    MD5_II(a, b, c, d, x[ 8],  6, 0x6fa87e4f); MD5_II(d, a, b, c, x[15], 10, 0xfe2ce6e0);
    MD5_II(c, d, a, b, x[ 6], 15, 0xa3014314); MD5_II(b, c, d, a, x[13], 21, 0x4e0811a1);
    MD5_II(a, b, c, d, x[ 4],  6, 0xf7537e82); MD5_II(d, a, b, c, x[11], 10, 0xbd3af235);
    MD5_II(c, d, a, b, x[ 2], 15, 0x2ad7d2bb); MD5_II(b, c, d, a, x[ 9], 21, 0xeb86d391);

    state[0] += a; state[1] += b; state[2] += c; state[3] += d;
    // The block may hold a password: leave nothing of it behind.
    std::memset(block, 0, 64);
    std::memset(x, 0, sizeof(x));
}

void MD5_Update(MD5Ctx& ctx, const uint8_t* p, size_t n)
{
    ctx.nBits += uint64_t(n) * 8;
    while (n > 0) {
        size_t take = 64 - ctx.nFill;
        if (take > n) take = n;
        std::memcpy(ctx.block + ctx.nFill, p, take);
        ctx.nFill += take; p += take; n -= take;
        if (ctx.nFill == 64) { MD5_Transform(ctx.state, ctx.block); ctx.nFill = 0; }
    }
}

}  // namespace

void MD5_Digest(const void* pData, size_t nLen, uint8_t digest[16])
{
    MD5Ctx ctx = { { 0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476 }, 0, {}, 0 };
    MD5_Update(ctx, static_cast<const uint8_t*>(pData), nLen);
    uint64_t nBits = ctx.nBits;
    static const uint8_t pad[64] = { 0x80 };
    size_t nPad = ctx.nFill < 56 ? 56 - ctx.nFill : 120 - ctx.nFill;
    MD5_Update(ctx, pad, nPad);
    uint8_t len[8];
    for (int i = 0; i < 8; i++) len[i] = uint8_t(nBits >> (8 * i));
    MD5_Update(ctx, len, 8);
    for (int i = 0; i < 4; i++) {
        for (int j = 0; j < 4; j++) digest[i * 4 + j] = uint8_t(ctx.state[i] >> (8 * j));
    }
}

void MD5_StringToHex(const char* pStr, char* pHex)
{
    CMN_ASSERT(pStr != nullptr && pHex != nullptr);
    if (pHex == nullptr) return;
    if (pStr == nullptr) pStr = "";
    uint8_t digest[16];
    MD5_Digest(pStr, std::strlen(pStr), digest);
    static const char hex[] = "0123456789abcdef";
    for (int i = 0; i < 16; i++) {
        pHex[i * 2] = hex[digest[i] >> 4];
        pHex[i * 2 + 1] = hex[digest[i] & 15];
    }
    pHex[32] = '\0';
}

#include "cmnutil.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "cmnassert.h"

namespace {

// (j * j) rem m as the stored format has it: a 32-bit product that wraps,
// read as signed, with a remainder that keeps the sign of the wrapped value.
int cmnutil_SquareRem(int j, int m)
{
    uint32_t sq = static_cast<uint32_t>(j) * static_cast<uint32_t>(j);
    int32_t s = static_cast<int32_t>(sq);   // modular since C++20, and what GCC always does
    return s % m;
}

bool cmnutil_Complemented(int nKey, int i)
{
    return nKey % 7 == i % 5 || nKey % 2 == i % 2;
}

}  // namespace

int CMNUTIL_Encode(const void* pIn, int nInLen, int nKey, void* pOut, int* pnOutLen, int nOutCap)
{
    CMN_ASSERT(pIn != nullptr && pOut != nullptr && pnOutLen != nullptr);
    if (pnOutLen != nullptr) *pnOutLen = 0;
    if (pIn == nullptr || pOut == nullptr || pnOutLen == nullptr) return 0;
    // An empty input has no check position (the key is taken modulo the length).
    CMN_ASSERT(nInLen >= 1);
    if (nInLen < 1) return 0;
    CMN_ASSERT(nInLen < nOutCap);
    if (nInLen >= nOutCap) return 0;

    const unsigned char* in = static_cast<const unsigned char*>(pIn);
    unsigned char* out = static_cast<unsigned char*>(pOut);
    unsigned char s = 0;
    for (int i = 0; i < nInLen; i++) s = static_cast<unsigned char>(s + in[i]);

    int r = std::abs(nKey % nInLen);
    for (int j = 0; j <= nInLen; j++) {
        if (j == r) {
            out[j] = s;
            continue;
        }
        int i = j < r ? j : j - 1;
        unsigned char b = in[i];
        if (cmnutil_Complemented(nKey, i)) b = static_cast<unsigned char>(~b);
        int m = cmnutil_SquareRem(j, j < r ? 3 : 7);
        out[j] = static_cast<unsigned char>(b + s * m);
    }
    *pnOutLen = nInLen + 1;
    return 1;
}

int CMNUTIL_Decode(const void* pIn, int nInLen, int nKey, void* pOut, int* pnOutLen)
{
    CMN_ASSERT(pIn != nullptr && pOut != nullptr && pnOutLen != nullptr);
    if (pnOutLen != nullptr) *pnOutLen = 0;
    if (pIn == nullptr || pOut == nullptr || pnOutLen == nullptr) return 0;
    CMN_ASSERT(nInLen >= 2);
    if (nInLen < 2) return 0;

    const unsigned char* in = static_cast<const unsigned char*>(pIn);
    unsigned char* out = static_cast<unsigned char*>(pOut);
    int n = nInLen - 1;
    int r = std::abs(nKey % n);
    unsigned char s = in[r];
    for (int j = 0; j < nInLen; j++) {
        if (j == r) continue;
        int i = j < r ? j : j - 1;
        int m = cmnutil_SquareRem(j, j < r ? 3 : 7);
        unsigned char b = static_cast<unsigned char>(in[j] - s * m);
        if (cmnutil_Complemented(nKey, i)) b = static_cast<unsigned char>(~b);
        out[i] = b;
    }
    *pnOutLen = n;
    return 1;
}

char* CMNUTIL_DupStr(const char* p)
{
    if (p == nullptr) return nullptr;
    size_t n = std::strlen(p) + 1;
    char* d = static_cast<char*>(std::malloc(n));
    if (d != nullptr) std::memcpy(d, p, n);
    return d;
}

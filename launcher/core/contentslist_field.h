// Bounded text handling for the fixed-size fields of ContIf and CfhIf,
// shared by the catalogue's source files (not part of the interface).
#pragma once

#include <cstring>

#include "sjis.h"

// Length of a field's text, never past the field (a record read from a
// damaged store may lack the terminator until it is checked).
template <size_t N>
inline int clf_Len(const char (&field)[N])
{
    const void* p = std::memchr(field, 0, N);
    return p != nullptr ? static_cast<int>(static_cast<const char*>(p) - field) : static_cast<int>(N);
}

// The longest prefix of src[0..n) that fits nMax bytes without cutting a
// double-byte character in two.
inline int clf_FitChars(const char* src, int n, int nMax)
{
    if (n <= nMax) return n;
    int i = 0;
    while (i < nMax) {
        int w = SJIS_IsLead(static_cast<unsigned char>(src[i])) && i + 1 < n ? 2 : 1;
        if (i + w > nMax) break;
        i += w;
    }
    return i;
}

// Zero-fills the field and copies n bytes of src into it, cut to what fits
// with the terminator. Returns the bytes copied.
inline int clf_Set(char* dst, int nDstSize, const char* src, int n)
{
    std::memset(dst, 0, nDstSize);
    int nCopy = clf_FitChars(src, n, nDstSize - 1);
    std::memcpy(dst, src, nCopy);
    return nCopy;
}

template <size_t N>
inline int clf_SetStr(char (&dst)[N], const char* src)
{
    return clf_Set(dst, static_cast<int>(N), src, static_cast<int>(std::strlen(src)));
}

// Copies one field of the same width over another, terminated.
template <size_t N>
inline void clf_Copy(char (&dst)[N], const char (&src)[N])
{
    int n = clf_Len(src);
    if (n >= static_cast<int>(N)) n = static_cast<int>(N) - 1;
    std::memmove(dst, src, n);
    std::memset(dst + n, 0, N - n);
}

// Same length and the same bytes.
template <size_t N>
inline bool clf_Equal(const char (&field)[N], const char* pStr)
{
    int n = clf_Len(field);
    return static_cast<int>(std::strlen(pStr)) == n && std::memcmp(field, pStr, n) == 0;
}

// Terminates a field that has no NUL within its width (on its last byte).
template <size_t N>
inline void clf_Terminate(char (&field)[N])
{
    if (std::memchr(field, 0, N) == nullptr) field[N - 1] = '\0';
}

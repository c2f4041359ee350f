// CMNUTIL: the keyed byte scrambling of the catalogue store REG.DAT and of
// packet bodies. Every program that reads or writes either uses the key
// CMNUTIL_KEY.
//
//   unsigned char out[n + 1]; int nOut = 0;
//   if (!CMNUTIL_Encode(plain, n, CMNUTIL_KEY, out, &nOut, n + 1)) ...   // nOut == n + 1
//   if (!CMNUTIL_Decode(out, nOut, CMNUTIL_KEY, back, &nBack)) ...       // nBack == n
//
// The format: the plain bytes are complemented at the positions the key
// selects, then each byte j is shifted by s * ((j * j) rem m), where s is the
// 8-bit sum of the plain bytes and m is 3 before the check position
// r = |key rem n| and 7 after it; s itself is inserted at r. The square is a
// 32-bit product that wraps past j = 46340 and its remainder takes the sign
// of the wrapped value: stored files depend on that, so it is computed in
// unsigned arithmetic and reinterpreted, never as signed overflow. The check
// byte is not verified on reading.
#pragma once

enum { CMNUTIL_KEY = 5174 };

// Scrambles nInLen (1 or more) bytes into pOut (capacity nOutCap, at least
// nInLen + 1) and sets *pnOutLen to nInLen + 1. The input is left unchanged.
// Returns 1, or 0 (out length 0, nothing written) for an empty input or a
// too small output.
int CMNUTIL_Encode(const void* pIn, int nInLen, int nKey, void* pOut, int* pnOutLen, int nOutCap);

// Unscrambles nInLen (2 or more) bytes into pOut, which must hold nInLen - 1
// bytes, and sets *pnOutLen to nInLen - 1. Returns 1, or 0 (out length 0)
// for an input of fewer than 2 bytes.
int CMNUTIL_Decode(const void* pIn, int nInLen, int nKey, void* pOut, int* pnOutLen);

// A new malloc'd copy of the string (the caller frees it); null for null or
// when memory runs out.
char* CMNUTIL_DupStr(const char* p);

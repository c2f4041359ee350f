// MD5 (RFC 1321) of a string, as 32 lower-case hexadecimal digits.
// The member's folder is named by the digest of the user id.
//
//   char hex[33];
//   MD5_StringToHex("abc", hex);   // "900150983cd24fb0d6963f7d28e17f72"
#pragma once

#include <cstddef>
#include <cstdint>

void MD5_StringToHex(const char* pStr, char* pHex /* >= 33 bytes */);

// The digest of a counted buffer (digest byte 0 first).
void MD5_Digest(const void* pData, size_t nLen, uint8_t digest[16]);

// Shift-JIS (code page 932) character stepping, independent of the host's
// locale: a lead byte always carries the byte after it.
//
//   for (const char* p = s; *p; p = SJIS_Next(p)) ...
#pragma once

// 1 when the byte opens a double-byte character in code page 932.
int SJIS_IsLead(unsigned char c);

// The next character after p (never past the terminator: a lead byte whose
// trail is the terminator counts as one byte).
inline const char* SJIS_Next(const char* p)
{
    if (*p == '\0') return p;
    if (SJIS_IsLead(static_cast<unsigned char>(*p)) && p[1] != '\0') return p + 2;
    return p + 1;
}
inline char* SJIS_Next(char* p)
{
    return const_cast<char*>(SJIS_Next(static_cast<const char*>(p)));
}

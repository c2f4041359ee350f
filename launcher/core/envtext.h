// The key lookup shared by env.bin and appset.bin: a key line ("[KEY]",
// optionally a tab and a comment) is followed by its value line.
#pragma once

enum { ENVTEXT_LINEMAX = 2048 };   // the longest line a key is looked for in

// pText: the decoded, terminated text; bLF: lines end in LF (else CR LF).
// Copies the value into pDst and returns 1; 0 when the key is missing or the
// value does not fit pDst (pDst is then left unchanged).
int ENVTEXT_GetValue(const char* pText, int bLF, char* pDst, int nDstSize, const char* pKey);

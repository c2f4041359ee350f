// Debug assertions of the launcher family.
//
// A failed precondition is reported (expression, source file and line) to the
// log and to the debugger, and the program goes on: every assertion that
// guards an input is followed by an ordinary test that makes the operation
// return its failure value, so a headless run never stops at a dialog.
//
//   CMN_ASSERT(pList != NULL);
//   if (pList == NULL) return 0;
#pragma once

void CMN_AssertFailed(const char* pExpr, const char* pFile, int nLine);

#define CMN_ASSERT(expr) \
    do { if (!(expr)) CMN_AssertFailed(#expr, __FILE__, __LINE__); } while (0)

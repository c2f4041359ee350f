// The catalogue reply as the launcher takes it apart, without windows: its
// status word, and the records decoded into the Shift-JIS text that the
// catalogue is built from. The handlers of the service's results
// (sccmn_svc_win.cpp) call these.
//
//   if (SCCMN_ClassifyReply(pBuf, nSize) != SCCMN_REPLY_OK) ...;   // "ng", "err", empty
//   int nCnt = 0;
//   char* pText = SCCMN_DecodeCatalogue(pBuf, nSize, &nCnt);       // records after "ok,"
//   ... CONTENTSLIST_Init(pText) or CONTENTSLIST_Merge(pText, nCnt) ...
//   std::free(pText);
//
// The reply comes from the network: every reader here keeps within the size
// it is given, whatever the bytes are (a cut record, an overlong field, a
// broken or trailing percent escape).
#pragma once

enum {
    SCCMN_REPLY_BADPASSWORD = 3,   // "invalididpassword"
    SCCMN_REPLY_OK = 7,            // "ok"
    SCCMN_REPLY_OTHER = 30,        // anything else ("ng", "err", nothing)
};

// What the reply's first bytes say. A prefix counts only when the size is at
// least its length.
int SCCMN_ClassifyReply(const char* pBuf, int nSize);

// The records of an "ok" reply, percent-decoded and converted from EUC-JP:
// a new block for std::free that starts at the first record (after "ok,"),
// with the record count in *pnCnt. NULL when nothing could be decoded.
char* SCCMN_DecodeCatalogue(const char* pBuf, int nSize, int* pnCnt);

// A reply as one printable log line: bytes below 0x20 and "%" written as
// %XX, at most nMax bytes of the reply (the rest counted, not shown). Writes
// at most nDstSize bytes, terminator included; returns the length.
int SCCMN_ReplyForLog(char* pDst, int nDstSize, const char* pBuf, int nSize, int nMax);

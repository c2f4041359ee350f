// The login's reading of the user check's reply, without windows. Only the
// reply's first bytes count: "ok," (the account is good), "ng," (the
// service refuses it), "err," (the service failed); anything else, a reply
// whose first byte is zero included, is an unknown reply.
//
//   switch (LOGIN_JudgeReply(pBuf, nSize)) { case LOGIN_REPLY_OK: ... }
//
// The reply comes from the network: nothing past nSize is read.
#pragma once

enum {
    LOGIN_REPLY_NONE = 0,    // no reply at all (no buffer, size 0 or less)
    LOGIN_REPLY_OK = 1,
    LOGIN_REPLY_NG = 2,
    LOGIN_REPLY_ERR = 3,
    LOGIN_REPLY_OTHER = 4,
};

int LOGIN_JudgeReply(const char* pBuf, int nSize);

// The catalogue's last-update date of a sign-in: "%d%02d%02d" (YYYYMMDD).
// 1, or 0 when the date does not make 8 characters.
int LOGIN_FormatDate(char* pDst, int nDstSize, int nYear, int nMonth, int nDay);

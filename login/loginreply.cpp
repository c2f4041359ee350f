#include "loginreply.h"

#include <cstdio>
#include <cstring>

namespace {

bool StartsWith(const char* pBuf, int nSize, const char* pWord)
{
    int n = static_cast<int>(std::strlen(pWord));
    return nSize >= n && std::memcmp(pBuf, pWord, static_cast<size_t>(n)) == 0;
}

}  // namespace

int LOGIN_JudgeReply(const char* pBuf, int nSize)
{
    if (pBuf == nullptr || nSize <= 0) return LOGIN_REPLY_NONE;
    if (StartsWith(pBuf, nSize, "ok,")) return LOGIN_REPLY_OK;
    if (StartsWith(pBuf, nSize, "ng,")) return LOGIN_REPLY_NG;
    if (StartsWith(pBuf, nSize, "err,")) return LOGIN_REPLY_ERR;
    return LOGIN_REPLY_OTHER;
}

int LOGIN_FormatDate(char* pDst, int nDstSize, int nYear, int nMonth, int nDay)
{
    if (nDstSize < 9 || nYear < 1000 || nYear > 9999 || nMonth < 1 || nMonth > 12 || nDay < 1 || nDay > 31) return 0;
    std::snprintf(pDst, static_cast<size_t>(nDstSize), "%d%02d%02d", nYear, nMonth, nDay);
    return 1;
}

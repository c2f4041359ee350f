#include "log.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "cmnassert.h"
#include "log_sink.h"

namespace {

struct LogIf {
    void* hFile;          // null while no log is open
    int   nCnt;           // entries in the current file
    char  strName[260];
    int   nTextMax;
};

LogIf g_logIf = { nullptr, 0, "tiv_launcher.log", LOG_BUFSIZE - 1 };
std::mutex g_logLock;     // the UI thread and the workers write at the same moment

// Room for the stamp and the trailing line feed around the longest text.
char g_logBuf[LOG_BUFSIZE + 64];
char g_logBinBuf[LOG_BUFSIZE + 64];

void log_Invert(char* p, int n)
{
    for (int i = 0; i < n; i++) p[i] = static_cast<char>(~static_cast<unsigned char>(p[i]));
}

int log_OpenLocked(const char* pName)
{
    if (g_logIf.hFile != nullptr) logsink_Close(g_logIf.hFile);
    g_logIf.hFile = logsink_Create(pName);
    g_logIf.nCnt = 0;
    return g_logIf.hFile != nullptr ? 1 : 0;
}

// One entry: stamp, text (inverted) and an optional plain line feed, in one
// write under the lock so that entries of different threads never mix.
int log_Entry(char* pBuf, const void* pText, int nLen, bool bLineFeed)
{
    std::lock_guard<std::mutex> guard(g_logLock);
    if (g_logIf.nCnt >= LOG_MAX_ENTRY) log_OpenLocked(g_logIf.strName);
    if (g_logIf.hFile == nullptr && !log_OpenLocked(g_logIf.strName)) return 0;

    LogTime t;
    logsink_LocalTime(&t);
    int n = std::snprintf(pBuf, 64, "%d/%02d/%02d %02d:%02d:%02d  ",
                          t.nYear, t.nMonth, t.nDay, t.nHour, t.nMinute, t.nSecond);
    if (n < 0 || n >= 64) n = 0;
    if (nLen > g_logIf.nTextMax) nLen = g_logIf.nTextMax;
    if (pText != nullptr && nLen > 0) {
        std::memcpy(pBuf + n, pText, nLen);
        n += nLen;
    }
    log_Invert(pBuf, n);
    if (bLineFeed) pBuf[n++] = '\n';
    logsink_Write(g_logIf.hFile, pBuf, n);
    return ++g_logIf.nCnt;
}

}  // namespace

void LOG_SetProgram(const char* pFileName, int nTextMax)
{
    std::lock_guard<std::mutex> guard(g_logLock);
    if (pFileName != nullptr && pFileName[0] != '\0') {
        std::snprintf(g_logIf.strName, sizeof(g_logIf.strName), "%s", pFileName);
    }
    if (nTextMax > 0 && nTextMax < LOG_BUFSIZE) g_logIf.nTextMax = nTextMax;
}

int LOG_Open(void)
{
    std::lock_guard<std::mutex> guard(g_logLock);
    return log_OpenLocked(g_logIf.strName);
}

int LOG_OpenFile(const char* pFileName)
{
    CMN_ASSERT(pFileName != nullptr);
    if (pFileName == nullptr) return 0;
    std::lock_guard<std::mutex> guard(g_logLock);
    return log_OpenLocked(pFileName);
}

void LOG_Close(void)
{
    std::lock_guard<std::mutex> guard(g_logLock);
    if (g_logIf.hFile != nullptr) logsink_Close(g_logIf.hFile);
    g_logIf.hFile = nullptr;
}

int LOG_Write(const char* pText)
{
    int nLen = pText != nullptr ? static_cast<int>(std::strlen(pText)) : 0;
    return log_Entry(g_logBuf, pText, nLen, false);
}

void LOG_WriteBin(const void* pData, int nLen)
{
    const unsigned char* p = static_cast<const unsigned char*>(pData);
    if (p == nullptr || nLen < 0 || p[0] == 0) nLen = 0;
    log_Entry(g_logBinBuf, pData, nLen, false);
}

void LOG_WriteLine(const char* pText)
{
    int nLen = pText != nullptr ? static_cast<int>(std::strlen(pText)) : 0;
    log_Entry(g_logBuf, pText, nLen, true);
}

void CMN_AssertFailed(const char* pExpr, const char* pFile, int nLine)
{
    char str[512];
    std::snprintf(str, sizeof(str), "ASSERT: (%s), file %s, line %d\n", pExpr, pFile, nLine);
    logsink_DebugOut(str);
    LOG_Write(str);
}

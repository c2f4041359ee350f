#include <cstdio>
#include <ctime>

#include "log_sink.h"

void* logsink_Create(const char* pFileName)
{
    return std::fopen(pFileName, "wb");
}

int logsink_Write(void* hFile, const void* pData, int nLen)
{
    FILE* f = static_cast<FILE*>(hFile);
    // Unbuffered in effect: the entry reaches the system before we return.
    int ok = std::fwrite(pData, 1, nLen, f) == static_cast<size_t>(nLen);
    return std::fflush(f) == 0 && ok;
}

void logsink_Close(void* hFile)
{
    std::fclose(static_cast<FILE*>(hFile));
}

void logsink_LocalTime(LogTime* pTime)
{
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    *pTime = { tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec };
}

void logsink_DebugOut(const char* pText)
{
    std::fputs(pText, stderr);
}

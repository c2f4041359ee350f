#include <windows.h>

#include "log_sink.h"

void* logsink_Create(const char* pFileName)
{
    // Shared for writing only: nobody reads the log while the program runs.
    HANDLE h = CreateFileA(pFileName, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

int logsink_Write(void* hFile, const void* pData, int nLen)
{
    DWORD dw = 0;
    return WriteFile(static_cast<HANDLE>(hFile), pData, static_cast<DWORD>(nLen), &dw, nullptr)
           && dw == static_cast<DWORD>(nLen);
}

void logsink_Close(void* hFile)
{
    CloseHandle(static_cast<HANDLE>(hFile));
}

void logsink_LocalTime(LogTime* pTime)
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    *pTime = { st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond };
}

void logsink_DebugOut(const char* pText)
{
    OutputDebugStringA(pText);
}

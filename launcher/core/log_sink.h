// The log writer's way to the host: one file opened for writing, the local
// clock and the debugger output. Implemented in log_win.cpp and log_posix.cpp.
#pragma once

struct LogTime { int nYear, nMonth, nDay, nHour, nMinute, nSecond; };

void* logsink_Create(const char* pFileName);     // create always; null on failure
int   logsink_Write(void* hFile, const void* pData, int nLen);  // 1 when all was written
void  logsink_Close(void* hFile);
void  logsink_LocalTime(LogTime* pTime);
void  logsink_DebugOut(const char* pText);

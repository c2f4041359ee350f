// CrashLog: when a thread of the player dies of an unhandled processor
// exception, a report of the machine state (exception, registers, code bytes
// at eip, stack words, a call trace found by scanning the stack for return
// addresses) is appended to chipplay-error.log; then the system's own
// handling ends the process. Only the first fault of a process is reported.
// A 64-bit build writes the same report with the 64-bit registers (rip,
// rax, ...), addresses and stack slots sixteen digits wide.
//
//   CrashLog::install(logPath, ProductString(), OsName());   // once, at start
//
// Every read of memory that may be invalid is probed first (IsBadReadPtr),
// so a wild eip or esp gives "--" cells instead of a second fault. No
// debug-help library is used.
#pragma once

#include <windows.h>

#include <string>

class CrashLog {
public:
    static void install(const std::string& logPath, const std::string& application, const std::string& os);
    static LONG WINAPI filter(EXCEPTION_POINTERS* info);

    // The name of an exception code in the report's table, "(UNKNOWN)" when none.
    static const char* exceptionName(DWORD code);

private:
    CrashLog(const std::string& logPath, const std::string& application, const std::string& os);
    static void release();
    void write(FILE* out, EXCEPTION_POINTERS* info);

    std::string mLogPath;
    std::string mApplication;
    std::string mOs;
    LPTOP_LEVEL_EXCEPTION_FILTER mPrevious;
};

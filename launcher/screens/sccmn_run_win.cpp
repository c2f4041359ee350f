#include "sccmn_run.h"

#include <windows.h>

#include <cstdio>

#include "log.h"
#include "sccmn.h"

namespace {
enum { kPathMax = 2048 };
}  // namespace

bool SCCMN_Run(const char* pCmd, const char* pApp, const char* pDir)
{
    char strCmd[6 * kPathMax];
    lstrcpynA(strCmd, pCmd, sizeof(strCmd));
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(pApp, strCmd, nullptr, nullptr, FALSE, 0, nullptr, pDir, &si, &pi)) {
        char str[64];
        std::snprintf(str, sizeof(str), "Run::err::CreateProcess[%lu]\n", static_cast<unsigned long>(GetLastError()));
        LOG_Write(str);
        SCCMN_LogLine(pApp);
        return false;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

int SCCMN_RunInFolder(const char* pFolder, const char* pExeName, const char* pArgs)
{
    char strApp[2 * kPathMax], strCmd[2 * kPathMax + 64];
    int n = std::snprintf(strApp, sizeof(strApp), "%s%s", pFolder, pExeName);
    int m = std::snprintf(strCmd, sizeof(strCmd), "\"%s\" %s", strApp, pArgs);
    if (n < 0 || n >= static_cast<int>(sizeof(strApp)) || m < 0 || m >= static_cast<int>(sizeof(strCmd))) return 0;
    return SCCMN_Run(strCmd, strApp, pFolder) ? 1 : 0;
}

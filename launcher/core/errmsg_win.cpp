#include <windows.h>

#include "errmsg.h"
#include "log.h"

char* ERRMSG_GetLastError(int* pnCode)
{
    DWORD dwErr = GetLastError();
    if (pnCode != nullptr) *pnCode = static_cast<int>(dwErr);
    char* pMsg = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, dwErr, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                   reinterpret_cast<char*>(&pMsg), 0, nullptr);
    return pMsg;
}

void ERRMSG_PutLastError(void)
{
    char* pMsg = ERRMSG_GetLastError(nullptr);
    if (pMsg == nullptr) return;
    OutputDebugStringA(pMsg);
    LOG_Write(pMsg);
    LocalFree(pMsg);
}

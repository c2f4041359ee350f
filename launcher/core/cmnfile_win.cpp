#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cmnassert.h"
#include "cmnfile.h"
#include "log.h"

namespace {

// Closes a file handle on every way out of a function.
struct FileHandle {
    HANDLE h;
    explicit FileHandle(HANDLE h_) : h(h_) {}
    ~FileHandle() { if (h != INVALID_HANDLE_VALUE) CloseHandle(h); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
};

}  // namespace

int CMNFILE_ReadFileEx(const char* pPath, void** ppBuf, int* pnSize, int nExtra)
{
    CMN_ASSERT(pPath != nullptr && ppBuf != nullptr);
    if (pPath == nullptr || ppBuf == nullptr || nExtra < 0) return ERRID_CMNFILE_OPEN;
    *ppBuf = nullptr;
    if (pnSize != nullptr) *pnSize = 0;

    FileHandle f(CreateFileA(pPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (f.h == INVALID_HANDLE_VALUE) return ERRID_CMNFILE_OPEN;
    DWORD dwHigh = 0;
    DWORD dwSize = GetFileSize(f.h, &dwHigh);
    if ((dwSize == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || dwHigh != 0 ||
        dwSize > static_cast<DWORD>(0x7FFFFFFF - nExtra)) {
        return ERRID_CMNFILE_SIZE;
    }
    SIZE_T nBlock = static_cast<SIZE_T>(dwSize) + nExtra;
    void* pBuf = GlobalAlloc(GPTR, nBlock > 0 ? nBlock : 1);
    if (pBuf == nullptr) return ERRID_CMNFILE_ALLOC;

    // A read that fails or comes up short must not pass for a file of zeros.
    DWORD dwDone = 0;
    while (dwDone < dwSize) {
        DWORD dwRead = 0;
        if (!::ReadFile(f.h, static_cast<char*>(pBuf) + dwDone, dwSize - dwDone, &dwRead, nullptr) ||
            dwRead == 0) {
            GlobalFree(pBuf);
            return ERRID_CMNFILE_READ;
        }
        dwDone += dwRead;
    }
    *ppBuf = pBuf;
    if (pnSize != nullptr) *pnSize = static_cast<int>(nBlock);
    return ERRID_CMNFILE_NONE;
}

int CMNFILE_ReadFile(const char* pPath, void** ppBuf, int nExtra)
{
    return CMNFILE_ReadFileEx(pPath, ppBuf, nullptr, nExtra);
}

int CMNFILE_ReadText(const char* pPath, int bInverted, CmnText* pOut)
{
    CMN_ASSERT(pOut != nullptr);
    if (pOut == nullptr) return ERRID_CMNFILE_OPEN;
    pOut->pText = nullptr;
    pOut->nLen = 0;
    void* pBuf = nullptr;
    int nBlock = 0;
    int nRet = CMNFILE_ReadFileEx(pPath, &pBuf, &nBlock, 1);   // the file and its terminator
    if (nRet != ERRID_CMNFILE_NONE) return nRet;
    *pOut = CMNFILE_MakeText(static_cast<char*>(pBuf), nBlock - 1, bInverted);
    return ERRID_CMNFILE_NONE;
}

void CMNFILE_FreeText(CmnText* pText)
{
    if (pText == nullptr) return;
    if (pText->pText != nullptr) GlobalFree(pText->pText);
    pText->pText = nullptr;
    pText->nLen = 0;
}

int CMNFILE_WriteFile(const char* pPath, const void* pBuf, int nLen)
{
    CMN_ASSERT(pPath != nullptr);
    if (pPath == nullptr || nLen < 0 || (pBuf == nullptr && nLen > 0)) return 0;
    FileHandle f(CreateFileA(pPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (f.h == INVALID_HANDLE_VALUE) return 0;
    DWORD dwDone = 0;
    while (dwDone < static_cast<DWORD>(nLen)) {
        DWORD dwWritten = 0;
        if (!::WriteFile(f.h, static_cast<const char*>(pBuf) + dwDone, nLen - dwDone, &dwWritten, nullptr) ||
            dwWritten == 0) {
            return 0;   // a full disk is a failure, not a shorter file
        }
        dwDone += dwWritten;
    }
    return 1;
}

int CMNFILE_IsExist(const char* pPath)
{
    CMN_ASSERT(pPath != nullptr && pPath[0] != '\0');
    if (pPath == nullptr || pPath[0] == '\0') return 0;
    return GetFileAttributesA(pPath) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

// Creates the highest missing folder below an existing one, again and again,
// until the folder holding the path's last "\" exists. The part after the
// last "\" is a file name and is not created.
int CMNFILE_MakeDir(const char* pPath)
{
    CMN_ASSERT(pPath != nullptr && pPath[0] != '\0');
    if (pPath == nullptr || pPath[0] == '\0') return 0;
    char strWork[MAX_PATH];
    char strPending[MAX_PATH] = "";
    if (std::strlen(pPath) >= sizeof(strWork)) return 0;
    std::strcpy(strWork, pPath);
    for (;;) {
        bool bCut = CMNFILE_CutTail(strWork, "\\", 1) != 0;
        // Without a separator left, or with only the root before it, the rest
        // of the path stands on something that exists (the current folder
        // or the root).
        bool bExists = !bCut || strWork[0] == '\0';
        DWORD dwAttr = FILE_ATTRIBUTE_DIRECTORY;
        if (!bExists) {
            dwAttr = GetFileAttributesA(strWork);
            bExists = dwAttr != INVALID_FILE_ATTRIBUTES;
        }
        if (!bExists) {
            std::strcpy(strPending, strWork);
            continue;
        }
        if (!(dwAttr & FILE_ATTRIBUTE_DIRECTORY)) return 0;   // a file stands in the way
        if (strPending[0] == '\0') return 1;
        if (!CreateDirectoryA(strPending, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            LOG_Write("err::CMNFILE_MakeDir::CreateDirectoryA\n");
            return 0;   // trying the same folder again would never end
        }
        strPending[0] = '\0';
        std::strcpy(strWork, pPath);
    }
}

char* CMNFILE_GetDateStr(const char* pFormat)
{
    if (pFormat == nullptr || std::strlen(pFormat) != 8 || std::memcmp(pFormat, "YYYYMMDD", 8) != 0) {
        return nullptr;
    }
    SYSTEMTIME st;
    GetSystemTime(&st);   // UTC: the service's sale dates are UTC dates
    char* p = static_cast<char*>(std::malloc(16));
    if (p == nullptr) return nullptr;
    std::snprintf(p, 16, "%04d%02d%02d", st.wYear, st.wMonth, st.wDay);
    return p;
}

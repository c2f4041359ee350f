#include "uninst.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "reg.h"

namespace {

void Trace(const char* pFormat, const char* pText)
{
    char buf[UNINST_APPPATH_SIZE + 256];
    std::snprintf(buf, sizeof(buf), pFormat, pText);
    OutputDebugStringA(buf);
}

void TraceLastError(const std::wstring& path)
{
    char strMsg[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, GetLastError(), 0, strMsg,
                   sizeof(strMsg), nullptr);
    char strPath[UNINST_APPPATH_SIZE] = "";
    WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, strPath, sizeof(strPath) - 1, nullptr, nullptr);
    std::string line = std::string("uninstaller: ") + strPath + ": " + strMsg;
    OutputDebugStringA(line.c_str());
}

std::wstring Wide(const char* p)
{
    int n = MultiByteToWideChar(CP_ACP, 0, p, -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, p, -1, &w[0], n);
    w.resize(static_cast<size_t>(n - 1));
    return w;
}

// The keep list is matched on code-page bytes. No best-fit mapping: a
// character outside the code page must not turn into "\" or a letter of a
// kept name.
std::string Narrow(const std::wstring& w)
{
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.c_str(), -1, &s[0], n, nullptr, nullptr);
    s.resize(static_cast<size_t>(n - 1));
    return s;
}

// The long-path form of a full path: no MAX_PATH limit and no name rewriting.
std::wstring LongForm(const std::wstring& full)
{
    if (full.compare(0, 4, L"\\\\?\\") == 0) return full;
    if (full.size() >= 2 && full[0] == L'\\' && full[1] == L'\\') return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

bool IsDots(const wchar_t* p) { return std::wcscmp(p, L".") == 0 || std::wcscmp(p, L"..") == 0; }

// The skin file the registry names (UNINST_SetSkinName); empty: none.
std::string g_strSkin;

// An open folder that stays the folder it was while it is held.
struct HeldFolder {
    HANDLE h;
    explicit HeldFolder(const std::wstring& path) : h(UNINST_HoldFolder(path.c_str())) {}
    ~HeldFolder()
    {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    bool Held() const { return h != INVALID_HANDLE_VALUE; }
};

// Walks the files below folder (long form, with a final "\"); rel is the
// same folder relative to the application folder.
void DeleteFilesIn(const std::wstring& folder, const std::wstring& rel)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        if (IsDots(fd.cFileName)) continue;
        std::wstring path = folder + fd.cFileName;
        std::wstring relPath = rel + fd.cFileName;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A link leads outside: the folder pass removes the link itself.
            // The listing may be stale: a folder swapped for a link since is
            // caught by the handle, and held meanwhile it cannot be swapped.
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
            HeldFolder held(path);
            if (!held.Held()) {
                TraceLastError(path);
                continue;
            }
            DeleteFilesIn(path + L"\\", relPath + L"\\");
            continue;
        }
        // A file link (a reparse point) goes as the link itself: DeleteFile
        // never deletes what a symbolic link points at.
        if (!UNINST_IsDeletable(Narrow(relPath).c_str(), g_strSkin.c_str())) continue;
        DWORD dwAttr = fd.dwFileAttributes;
        if (dwAttr & FILE_ATTRIBUTE_READONLY) {
            DWORD dwClear = dwAttr & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
            SetFileAttributesW(path.c_str(), dwClear != 0 ? dwClear : FILE_ATTRIBUTE_NORMAL);
        }
        if (!DeleteFileW(path.c_str())) {
            TraceLastError(path);
            if (dwAttr & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), dwAttr);
        }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

int RemoveDirsIn(const std::wstring& folder)
{
    int nRemoved = 0;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return 0;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || IsDots(fd.cFileName)) continue;
        std::wstring path = folder + fd.cFileName;
        if (RemoveDirectoryW(path.c_str())) {
            nRemoved++;
            continue;
        }
        TraceLastError(path);
        // Never into a link: what it points at lies outside the folder.
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
        HeldFolder held(path);
        if (!held.Held()) continue;
        nRemoved += RemoveDirsIn(path + L"\\");
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return nRemoved;
}

// The folder of a pattern "<folder>\*" in the long form.
std::wstring PatternFolder(const char* pPattern)
{
    std::wstring w = Wide(pPattern);
    if (!w.empty() && w.back() == L'*') w.pop_back();
    return LongForm(w);
}

}  // namespace

namespace {

// Where the handle really is, compared with the path asked for: a system
// that follows a link in spite of FILE_FLAG_OPEN_REPARSE_POINT (Wine with a
// link of the host's file system) shows it here. Without the call (before
// Vista), or where it gives no path, the reparse attribute is the only check.
bool IsOpenedAsNamed(HANDLE h, const wchar_t* pPath)
{
    typedef DWORD(WINAPI * FinalFn)(HANDLE, LPWSTR, DWORD, DWORD);
    auto pfnFinal = reinterpret_cast<FinalFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleW")));
    if (pfnFinal == nullptr) return true;
    std::wstring final(32768, L'\0');
    DWORD n = pfnFinal(h, &final[0], static_cast<DWORD>(final.size()), 0);
    // A path it cannot give (Wine past MAX_PATH) leaves the attribute check.
    if (n == 0 || n >= final.size()) return true;
    final.resize(n);
    std::wstring asked = LongForm(pPath);
    std::wstring longAsked(32768, L'\0');
    DWORD m = GetLongPathNameW(asked.c_str(), &longAsked[0], static_cast<DWORD>(longAsked.size()));
    if (m > 0 && m < longAsked.size()) asked = longAsked.substr(0, m);
    while (asked.size() > 4 && asked.back() == L'\\') asked.pop_back();
    while (final.size() > 4 && final.back() == L'\\') final.pop_back();
    return lstrcmpiW(final.c_str(), asked.c_str()) == 0;
}

}  // namespace

HANDLE UNINST_HoldFolder(const wchar_t* pPath)
{
    // The folder itself, never what a link points at; shared for reading
    // and writing (its files are deleted through their paths) but not for
    // deleting, so it can be neither renamed nor replaced while held.
    HANDLE h = CreateFileW(pPath, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return h;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || !IsOpenedAsNamed(h, pPath)) {
        CloseHandle(h);
        SetLastError(ERROR_CANT_ACCESS_FILE);
        return INVALID_HANDLE_VALUE;
    }
    return h;
}

int UNINST_GetSkinName(char* pBuf, int nSize) { return REG_GetInstallValue("skin", pBuf, nSize); }

void UNINST_SetSkinName(const char* pSkin) { g_strSkin = pSkin != nullptr ? pSkin : ""; }

int UNINST_GetAppPath(char* pBuf, int nSize)
{
    // REG_GetAppPath opens the key with read access only: without write
    // rights the uninstaller still works, and it never changes the key.
    return REG_GetAppPath(pBuf, nSize);
}

int UNINST_PrepareAppPath(char* pBuf, int nSize)
{
    char strChecked[UNINST_APPPATH_SIZE];
    int r = UNINST_CheckAppPath(pBuf, strChecked, sizeof(strChecked));
    if (r != UNINST_PATH_OK) {
        Trace("uninstaller: application folder refused: %s\n", UNINST_PathResultText(r));
        if (nSize > 0) pBuf[0] = '\0';
        return 0;
    }
    // The full form (".." and the like already refused): the keep list
    // matches the paths below exactly this text.
    std::wstring w = Wide(strChecked);
    DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
    std::wstring full(n + 1, L'\0');
    n = n ? GetFullPathNameW(w.c_str(), n + 1, &full[0], nullptr) : 0;
    full.resize(n);
    std::string strFull = Narrow(full);
    r = UNINST_CheckAppPath(strFull.c_str(), strChecked, sizeof(strChecked));
    if (n == 0 || r != UNINST_PATH_OK) {
        Trace("uninstaller: application folder refused: %s\n", r != UNINST_PATH_OK ? UNINST_PathResultText(r)
                                                                                : "no full form");
        pBuf[0] = '\0';
        return 0;
    }
    std::wstring longForm = LongForm(Wide(strChecked));
    // Without its final "\": with it, the lookup would resolve a link and
    // report the folder it points at.
    DWORD dwAttr = GetFileAttributesW(longForm.substr(0, longForm.size() - 1).c_str());
    const char* pWhy = nullptr;
    if (dwAttr == INVALID_FILE_ATTRIBUTES) pWhy = "missing";
    else if (!(dwAttr & FILE_ATTRIBUTE_DIRECTORY)) pWhy = "not a folder";
    else if (dwAttr & FILE_ATTRIBUTE_REPARSE_POINT) pWhy = "a link";
    else if (GetFileAttributesW((longForm + L"tiv_launcher.exe").c_str()) == INVALID_FILE_ATTRIBUTES &&
             GetFileAttributesW((longForm + L"env.bin").c_str()) == INVALID_FILE_ATTRIBUTES) {
        pWhy = "holds neither tiv_launcher.exe nor env.bin";
    }
    if (pWhy != nullptr || static_cast<int>(std::strlen(strChecked)) + 1 > nSize) {
        Trace("uninstaller: application folder refused: %s\n", pWhy != nullptr ? pWhy : "too long");
        pBuf[0] = '\0';
        return 0;
    }
    std::memcpy(pBuf, strChecked, std::strlen(strChecked) + 1);
    return 1;
}

void UNINST_DeleteFiles(const char* pAppPath, const char* pPattern)
{
    std::wstring app = LongForm(Wide(pAppPath));
    std::wstring folder = PatternFolder(pPattern);
    if (folder.compare(0, app.size(), app) != 0) return;   // only below the application folder
    HeldFolder held(folder.substr(0, folder.size() - 1));
    if (!held.Held()) return;
    DeleteFilesIn(folder, folder.substr(app.size()));
}

void UNINST_DeleteAllFiles(const char* pAppPath)
{
    std::string pattern = std::string(pAppPath) + "*";
    UNINST_DeleteFiles(pAppPath, pattern.c_str());
}

int UNINST_RemoveDirs(const char* pPattern)
{
    std::wstring folder = PatternFolder(pPattern);
    HeldFolder held(folder.substr(0, folder.size() - 1));
    if (!held.Held()) return 0;
    return RemoveDirsIn(folder);
}

void UNINST_RemoveAllDirs(const char* pAppPath)
{
    std::string pattern = std::string(pAppPath) + "*";
    int nRemoved;
    do {
        nRemoved = UNINST_RemoveDirs(pattern.c_str());
    } while (nRemoved != 0);
}

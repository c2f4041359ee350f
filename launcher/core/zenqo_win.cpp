// The shortcut migration on Windows: the Start menu folder, the file search,
// the shell link object and the members' stores.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "zenqo.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cmnassert.h"
#include "cmnfile.h"
#include "log.h"
#include "reg.h"

namespace {

const char kSubFolder[] = "\\プログラム\\zenqoゲーム";
const char kMagic[4] = { '2', 'x', 'p', 'U' };

char g_strStartMenu[ZENQO_PATH_LEN];   // empty: the current user's
char g_strAppPath[ZENQO_PATH_LEN];     // empty: the registry's

void zenqo_Log(const char* pFormat, const char* pText)
{
    char str[ZENQO_PATH_LEN + 256];
    std::snprintf(str, sizeof(str), pFormat, pText);
    LOG_Write(str);
}

// A loaded shell link with COM initialised for it; everything it obtained
// is released and COM ended when it goes, whichever way the caller leaves.
class ZenqoLink {
public:
    ZenqoLink()
    {
        HRESULT hRes = CoInitialize(nullptr);
        // A thread already in the multi-threaded apartment keeps it: COM is
        // usable there, but that initialisation is not ours to end.
        m_bUninit = SUCCEEDED(hRes);
        m_bCom = m_bUninit || hRes == RPC_E_CHANGED_MODE;
    }
    ~ZenqoLink()
    {
        if (m_pFile != nullptr) m_pFile->Release();
        if (m_pLink != nullptr) m_pLink->Release();
        if (m_bUninit) CoUninitialize();
    }
    ZenqoLink(const ZenqoLink&) = delete;
    ZenqoLink& operator=(const ZenqoLink&) = delete;

    // Loads the shortcut and reads its target path.
    bool Load(const char* pPath)
    {
        if (!m_bCom) return false;
        HRESULT hRes = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                        reinterpret_cast<void**>(&m_pLink));
        if (FAILED(hRes) || m_pLink == nullptr) return false;
        hRes = m_pLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&m_pFile));
        if (FAILED(hRes) || m_pFile == nullptr) return false;
        // The shell link takes MAX_PATH characters: a longer path is not a
        // shortcut this module can load or save.
        if (MultiByteToWideChar(CP_ACP, 0, pPath, -1, m_wPath, MAX_PATH) == 0) {
            zenqo_Log("ZENQO::err::path too long[%s]\n", pPath);
            return false;
        }
        hRes = m_pFile->Load(m_wPath, STGM_READ);
        if (FAILED(hRes)) {
            zenqo_Log("ZENQO::err::shortcut not loaded[%s]\n", pPath);
            return false;
        }
        hRes = m_pLink->GetPath(m_strTarget, sizeof(m_strTarget), nullptr, 0);
        if (hRes != S_OK) {
            zenqo_Log("ZENQO::err::no target[%s]\n", pPath);
            return false;
        }
        m_strTarget[sizeof(m_strTarget) - 1] = '\0';
        return true;
    }
    IShellLinkA* Link() { return m_pLink; }
    const char* Target() const { return m_strTarget; }
    HRESULT Save() { return m_pFile->Save(m_wPath, TRUE); }

private:
    bool          m_bCom = false;
    bool          m_bUninit = false;
    IShellLinkA*  m_pLink = nullptr;
    IPersistFile* m_pFile = nullptr;
    WCHAR         m_wPath[MAX_PATH] = {};
    char          m_strTarget[ZENQO_PATH_LEN] = {};
};

// The store decoded here, privately: the launcher's catalogue arrays are the
// member's and may be in use. Refuses what the account search refuses: a
// length that does not match the record count and a header without the magic.
bool zenqo_ReadStore(const char* pRegDat, CfhIf* pHdr, ContIf** ppRecs, int* pnCnt)
{
    void* pFile = nullptr;
    int nFileSize = 0;
    if (CMNFILE_ReadFileEx(pRegDat, &pFile, &nFileSize, 0) != ERRID_CMNFILE_NONE) {
        zenqo_Log("ZENQO::err::store not read[%s]\n", pRegDat);
        return false;
    }
    int bRet = CONTENTSLIST_DecodeStore(pFile, nFileSize, pHdr, ppRecs, pnCnt);
    GlobalFree(pFile);
    if (bRet && std::memcmp(pHdr->strMagic, kMagic, sizeof(kMagic)) != 0) {
        std::free(*ppRecs);
        *ppRecs = nullptr;
        *pnCnt = 0;
        bRet = 0;
    }
    if (!bRet) zenqo_Log("ZENQO::err::not a store[%s]\n", pRegDat);
    return bRet == 1;
}

// "<app><member folder>\reg.dat" for the member folder named in the target.
bool zenqo_StorePath(char* pDst, int nSize, const char* pTarget)
{
    char strMember[ZENQO_PATH_LEN];
    char strApp[ZENQO_PATH_LEN];
    if (!ZENQO_GetElementAfter(strMember, sizeof(strMember), pTarget, "zenqo_game")) return false;
    if (!ZENQO_GetAppPath(strApp, sizeof(strApp))) return false;
    int n = std::snprintf(pDst, nSize, "%s%s\\reg.dat", strApp, strMember);
    return n > 0 && n < nSize;
}

bool zenqo_CopyText(char* pDst, int nSize, const char* pSrc)
{
    size_t n = std::strlen(pSrc);
    if (n == 0 || n >= static_cast<size_t>(nSize)) return false;
    std::memcpy(pDst, pSrc, n + 1);
    return true;
}

// Sets the new target, working folder and arguments on the loaded link.
int ZENQO_RetargetShortcut(IShellLinkA* pLink, const char* pUserId, const char* pContentsId)
{
    char strApp[ZENQO_PATH_LEN];
    char strExe[ZENQO_PATH_LEN];
    char strArgs[512];
    if (pLink == nullptr || !ZENQO_GetAppPath(strApp, sizeof(strApp))) return 0;
    int n = std::snprintf(strExe, sizeof(strExe), "%szvq.exe", strApp);
    int m = std::snprintf(strArgs, sizeof(strArgs), "-salestart %s,%s,", pUserId, pContentsId);
    // The link keeps MAX_PATH characters of a path.
    if (n <= 0 || n >= MAX_PATH || m <= 0 || m >= static_cast<int>(sizeof(strArgs))) return 0;
    HRESULT hRes = pLink->SetPath(strExe);
    CMN_ASSERT(SUCCEEDED(hRes));
    hRes = pLink->SetWorkingDirectory(strApp);
    CMN_ASSERT(SUCCEEDED(hRes));
    hRes = pLink->SetArguments(strArgs);
    CMN_ASSERT(SUCCEEDED(hRes));
    return 1;
}

}  // namespace

int ZENQO_SetFolders(const char* pStartMenu, const char* pAppPath)
{
    g_strStartMenu[0] = '\0';
    g_strAppPath[0] = '\0';
    if (pStartMenu != nullptr && !zenqo_CopyText(g_strStartMenu, sizeof(g_strStartMenu), pStartMenu)) {
        g_strStartMenu[0] = '\0';
    }
    if (pAppPath != nullptr && !zenqo_CopyText(g_strAppPath, sizeof(g_strAppPath), pAppPath)) {
        g_strAppPath[0] = '\0';
    }
    return 1;
}

int ZENQO_ConvertShortcuts(void)
{
    LOG_Write("ZENQO_ConvertShortcuts::starting\n");
    LIST lst;
    LIST_Init(&lst);
    ZENQO_FindShortcuts(&lst);
    int nConverted = 0;
    ZENQO_ConvertAll(&lst, &nConverted);
    char str[128];
    std::snprintf(str, sizeof(str), "ZENQO_ConvertShortcuts::%d of %d converted\n", nConverted, LIST_GetCnt(&lst));
    LOG_Write(str);
    LIST_Free(&lst);
    return 1;
}

int ZENQO_FindShortcuts(LIST* pList)
{
    char strRoot[ZENQO_PATH_LEN];
    if (!ZENQO_GetStartMenuDir(strRoot)) return 1;
    size_t n = std::strlen(strRoot);
    int m = std::snprintf(strRoot + n, sizeof(strRoot) - n, "%s\\", kSubFolder);
    if (m <= 0 || static_cast<size_t>(m) >= sizeof(strRoot) - n) return 1;
    return ZENQO_SearchFolder(pList, strRoot);
}

int ZENQO_GetStartMenuFolder(char* pPath)
{
    if (pPath == nullptr) return 0;
    pPath[0] = '\0';
    if (g_strStartMenu[0] != '\0') {
        std::memcpy(pPath, g_strStartMenu, std::strlen(g_strStartMenu) + 1);
        return 1;
    }
    char str[MAX_PATH] = {};
    HRESULT hRes = SHGetFolderPathA(nullptr, CSIDL_STARTMENU, nullptr, SHGFP_TYPE_CURRENT, str);
    CMN_ASSERT(SUCCEEDED(hRes));
    if (FAILED(hRes)) return 0;
    std::memcpy(pPath, str, std::strlen(str) + 1);
    return 1;
}

int ZENQO_GetStartMenuDir(char* pPath)
{
    CMN_ASSERT(pPath != NULL);
    return ZENQO_GetStartMenuFolder(pPath);
}

int ZENQO_SearchFolder(LIST* pList, const char* pRoot)
{
    static const struct { const char* pPattern; int bEnabled; } kPatterns[] = { { "*", 1 } };
    for (const auto& pat : kPatterns) {
        if (!pat.bEnabled) continue;
        char strPattern[ZENQO_PATH_LEN];
        int n = std::snprintf(strPattern, sizeof(strPattern), "%s%s", pRoot, pat.pPattern);
        if (n <= 0 || n >= static_cast<int>(sizeof(strPattern))) {
            zenqo_Log("ZENQO_SearchFolder::err::root too long[%s]\n", pRoot);
            continue;
        }
        ZENQO_SearchDir(pList, strPattern);
    }
    return 1;
}

void ZENQO_SearchDir(LIST* pList, const char* pPattern)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pPattern, &fd);
    if (h == INVALID_HANDLE_VALUE) return;   // a missing folder holds no shortcut
    // The folder's prefix: the pattern without its "*".
    char strPrefix[ZENQO_PATH_LEN];
    size_t nPrefix = std::strlen(pPattern);
    if (nPrefix == 0 || nPrefix > sizeof(strPrefix)) {
        FindClose(h);
        return;
    }
    nPrefix--;
    std::memcpy(strPrefix, pPattern, nPrefix);
    strPrefix[nPrefix] = '\0';
    do {
        char strPath[ZENQO_PATH_LEN];
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (std::strcmp(fd.cFileName, ".") == 0 || std::strcmp(fd.cFileName, "..") == 0) continue;
            int n = std::snprintf(strPath, sizeof(strPath), "%s%s\\*", strPrefix, fd.cFileName);
            // A folder deeper than a path can name is skipped, not cut short:
            // a cut pattern would search some other folder.
            if (n <= 0 || n >= static_cast<int>(sizeof(strPath))) {
                zenqo_Log("ZENQO_SearchDir::err::path too long, skipped[%s]\n", fd.cFileName);
                continue;
            }
            ZENQO_SearchDir(pList, strPath);
        } else {
            int n = std::snprintf(strPath, sizeof(strPath), "%s%s", strPrefix, fd.cFileName);
            if (n <= 0 || n >= static_cast<int>(sizeof(strPath))) {
                zenqo_Log("ZENQO_SearchDir::err::path too long, skipped[%s]\n", fd.cFileName);
                continue;
            }
            if (!ZENQO_IsLaunchShortcut(strPath)) continue;
            char* p = static_cast<char*>(std::calloc(ZENQO_PATH_LEN, 1));
            if (p == nullptr) continue;
            std::memcpy(p, strPath, n + 1);
            if (!LIST_Add(pList, p)) std::free(p);
        }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

int ZENQO_IsLaunchShortcut(const char* pPath)
{
    if (pPath == nullptr) return 0;
    const char* pDot = std::strrchr(pPath, '.');
    if (pDot == nullptr) return 0;
    const char* pExt = pDot + 1;
    if (std::strncmp(pExt, "LNK", 3) != 0 && std::strncmp(pExt, "lnk", 3) != 0) return 0;
    return ZENQO_ShortcutTargetsLaunch(pPath);
}

int ZENQO_ShortcutTargetsLaunch(const char* pPath)
{
    ZenqoLink link;
    if (!link.Load(pPath)) return 0;
    const char* pTarget = link.Target();
    return (std::strstr(pTarget, "launch.exe") != nullptr || std::strstr(pTarget, "LAUNCH.EXE") != nullptr) ? 1 : 0;
}

int ZENQO_ConvertAll(LIST* pList, int* pnConverted)
{
    int nConverted = 0;
    const int nCnt = pList != nullptr ? LIST_GetCnt(pList) : 0;
    for (int i = 0; i < nCnt; i++) {
        const char* pPath = static_cast<const char*>(LIST_GetAt(pList, i));
        if (pPath == nullptr) continue;
        // One shortcut that cannot be moved stays as it was; the rest go on.
        if (ZENQO_ConvertShortcut(pPath)) nConverted++;
        else zenqo_Log("ZENQO_ConvertAll::not converted[%s]\n", pPath);
    }
    if (pnConverted != nullptr) *pnConverted = nConverted;
    return 1;
}

int ZENQO_ConvertShortcut(const char* pPath)
{
    if (pPath == nullptr) return 0;
    ZenqoLink link;
    if (!link.Load(pPath)) return 0;
    char strUserId[sizeof(CfhIf::strUserId)];
    char strContentsId[sizeof(ContIf::strContentsId)];
    if (!ZENQO_GetUserId(strUserId, sizeof(strUserId), link.Target())) {
        zenqo_Log("ZENQO_ConvertShortcut::err::no user id[%s]\n", link.Target());
        return 0;
    }
    if (!ZENQO_GetContentsId(strContentsId, sizeof(strContentsId), link.Target())) {
        zenqo_Log("ZENQO_ConvertShortcut::err::no content id[%s]\n", link.Target());
        return 0;
    }
    if (!ZENQO_RetargetShortcut(link.Link(), strUserId, strContentsId)) {
        zenqo_Log("ZENQO_ConvertShortcut::err::not retargeted[%s]\n", pPath);
        return 0;
    }
    // The save decides: a shortcut that could not be written (read-only, a
    // full disk) has not moved, whatever was set on the object.
    HRESULT hRes = link.Save();
    char str[ZENQO_PATH_LEN + 128];
    std::snprintf(str, sizeof(str), "ZENQO_ConvertShortcut::save[%s] hr[0x%08lX]\n", pPath,
                  static_cast<unsigned long>(hRes));
    LOG_Write(str);
    return SUCCEEDED(hRes) ? 1 : 0;
}

int ZENQO_GetUserId(char* pUserId, int nSize, const char* pTarget)
{
    if (pUserId == nullptr || nSize < 1 || pTarget == nullptr) return 0;
    pUserId[0] = '\0';
    char strStore[ZENQO_PATH_LEN];
    if (!zenqo_StorePath(strStore, sizeof(strStore), pTarget)) return 0;
    return ZENQO_ReadRegDatUserId(pUserId, nSize, strStore);
}

int ZENQO_GetContentsId(char* pContentsId, int nSize, const char* pTarget)
{
    if (pContentsId == nullptr || nSize < 1 || pTarget == nullptr) return 0;
    pContentsId[0] = '\0';
    char strGame[ZENQO_PATH_LEN];
    char strStore[ZENQO_PATH_LEN];
    if (!ZENQO_GetElementAfter(strGame, sizeof(strGame), pTarget, "game")) return 0;
    if (!zenqo_StorePath(strStore, sizeof(strStore), pTarget)) return 0;
    return ZENQO_FindContentsId(pContentsId, nSize, strStore, strGame);
}

int ZENQO_GetAppPath(char* pPath, int nSize)
{
    if (pPath == nullptr || nSize < 1) return 0;
    pPath[0] = '\0';
    if (g_strAppPath[0] != '\0') {
        size_t n = std::strlen(g_strAppPath);
        if (n >= static_cast<size_t>(nSize)) return 0;
        std::memcpy(pPath, g_strAppPath, n + 1);
        return 1;
    }
    return REG_GetAppPath(pPath, nSize);
}

int ZENQO_GetInstallDir(char* pPath, int nSize)
{
    return ZENQO_GetAppPath(pPath, nSize);
}

int ZENQO_ReadRegDatUserId(char* pUserId, int nSize, const char* pRegDat)
{
    CfhIf hdr;
    if (pUserId == nullptr || nSize < 1 || !ZENQO_LoadRegDatHeader(&hdr, pRegDat)) return 0;
    hdr.strUserId[sizeof(hdr.strUserId) - 1] = '\0';
    return zenqo_CopyText(pUserId, nSize, hdr.strUserId) ? 1 : 0;
}

int ZENQO_LoadRegDatHeader(CfhIf* pHdr, const char* pRegDat)
{
    if (pHdr == nullptr || pRegDat == nullptr) return 0;
    ContIf* pRecs = nullptr;
    int nCnt = 0;
    CfhIf hdr;
    if (!zenqo_ReadStore(pRegDat, &hdr, &pRecs, &nCnt)) return 0;
    std::free(pRecs);
    *pHdr = hdr;
    return 1;
}

int ZENQO_FindContentsId(char* pContentsId, int nSize, const char* pRegDat, const char* pGameFolder)
{
    if (pContentsId == nullptr || nSize < 1 || pRegDat == nullptr || pGameFolder == nullptr) return 0;
    pContentsId[0] = '\0';
    const int nGame = static_cast<int>(std::strlen(pGameFolder));
    if (nGame == 0) return 0;
    CfhIf hdr;
    ContIf* pRecs = nullptr;
    int nCnt = 0;
    if (!zenqo_ReadStore(pRegDat, &hdr, &pRecs, &nCnt)) return 0;
    int bFound = 0;
    // Catalogue order: the first content whose first executable names the
    // game folder is the game.
    for (int i = 0; i < nCnt && !bFound; i++) {
        const char* pExe = pRecs[i].strExePath[0];   // first slot of the main executables
        if (CMNFILE_Find(pExe, static_cast<int>(std::strlen(pExe)), pGameFolder, nGame) < 0) continue;
        bFound = zenqo_CopyText(pContentsId, nSize, pRecs[i].strContentsId) ? 1 : 0;
        break;
    }
    std::free(pRecs);
    return bFound;
}

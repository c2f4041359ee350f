// REG.DAT on disk: saving through a temporary file that replaces the store
// whole, loading with every length checked, and merging a reply with it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cmnassert.h"
#include "cmnfile.h"
#include "contentslist.h"
#include "contentslist_field.h"
#include "log.h"
#include "userm.h"

namespace {

const char CL_MAGIC[4] = { '2', 'x', 'p', 'U' };

bool cl_StorePath(char* pDst, int nDstSize, const char* pSuffix)
{
    // Without the member's folder the store would land in the current
    // folder (the application folder): no member's data goes there.
    if (CONTENTSLIST_GetUserPath()[0] == '\0') {
        LOG_Write("CONTENTSLIST::err::no member's folder\n");
        return false;
    }
    int n = std::snprintf(pDst, nDstSize, "%sREG.DAT%s", CONTENTSLIST_GetUserPath(), pSuffix);
    return n > 0 && n < nDstSize;
}

bool cl_Exists(const char* pPath)
{
    return GetFileAttributesA(pPath) != INVALID_FILE_ATTRIBUTES;
}

// A new header: the magic and the signed-in account.
bool cl_NewHeader(CfhIf* pHdr)
{
    std::memset(pHdr, 0, sizeof(*pHdr));
    CMN_ASSERT(USERM_GetAcountValid() == TRUE);
    if (USERM_GetAcountValid() != TRUE || USERM_GetId()[0] == '\0') return false;
    std::memcpy(pHdr->strMagic, CL_MAGIC, sizeof(CL_MAGIC));
    clf_SetStr(pHdr->strUserId, USERM_GetId());
    clf_SetStr(pHdr->strPassword, USERM_GetPassword());
    return true;
}

// The header of the store on disk, which a save keeps (user id, password,
// reserved bytes): 1 read; 0 the file cannot be read (it is not
// overwritten); -1 it was read but is no whole store (damaged).
int cl_StoredHeader(const char* pPath, CfhIf* pHdr)
{
    void* pFile = nullptr;
    int nSize = 0;
    int cfRet = CMNFILE_ReadFileEx(pPath, &pFile, &nSize, 0);
    CMN_ASSERT(cfRet == ERRID_CMNFILE_NONE);
    if (cfRet != ERRID_CMNFILE_NONE) return 0;
    ContIf* pRecs = nullptr;
    int nCnt = 0;
    int bRet = CONTENTSLIST_DecodeStore(pFile, nSize, pHdr, &pRecs, &nCnt);
    GlobalFree(pFile);
    std::free(pRecs);
    return bRet == 1 ? 1 : -1;
}

// A damaged store is never deleted: it is renamed beside itself as
// "<name>.damaged-<date and time>[-<n>]" (a move that does not replace, so
// it never takes another file's name) and the move is logged.
bool cl_KeepAside(const char* pPath)
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    for (int n = 0; n < 100; n++) {
        char strAside[2048 + 64];
        char strN[16] = "";
        if (n > 0) std::snprintf(strN, sizeof(strN), "-%d", n);
        int nLen = std::snprintf(strAside, sizeof(strAside), "%s.damaged-%04d%02d%02d%02d%02d%02d%s", pPath, t.wYear,
                                 t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, strN);
        if (nLen < 0 || nLen >= static_cast<int>(sizeof(strAside))) return false;
        if (MoveFileExA(pPath, strAside, MOVEFILE_WRITE_THROUGH)) {
            LOG_Write("CONTENTSLIST_Save2::the damaged store was kept aside as\n");
            LOG_WriteLine(strAside);
            return true;
        }
        DWORD dwErr = GetLastError();
        if (dwErr != ERROR_ALREADY_EXISTS && dwErr != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

// Writes the whole image beside the store and moves it over the store, so
// that a crash or a full disk leaves either the old store or the new one.
bool cl_WriteReplace(const char* pPath, const char* pTmpPath, const void* pData, int nLen)
{
    HANDLE h = CreateFileA(pTmpPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    CMN_ASSERT(h != INVALID_HANDLE_VALUE);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool bOk = true;
    DWORD dwDone = 0;
    while (bOk && dwDone < static_cast<DWORD>(nLen)) {
        DWORD dwWritten = 0;
        bOk = WriteFile(h, static_cast<const char*>(pData) + dwDone, nLen - dwDone, &dwWritten, nullptr) &&
              dwWritten > 0;
        dwDone += dwWritten;
    }
    if (bOk) bOk = FlushFileBuffers(h) != FALSE;
    if (!CloseHandle(h)) bOk = false;
    if (bOk) bOk = MoveFileExA(pTmpPath, pPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    if (!bOk) {
        LOG_Write("CONTENTSLIST_Save2::err::write\n");
        DeleteFileA(pTmpPath);
    }
    return bOk;
}

int cl_Load(CfhIf* pHdr, const char* pPath, int nTarget, const char* pName, bool bLogRecords)
{
    char str[256];
    std::snprintf(str, sizeof(str), "%s::starting...\n", pName);
    LOG_Write(str);
    CMN_ASSERT(pHdr != NULL);
    if (pHdr == nullptr || pPath == nullptr) return 0;

    void* pFile = nullptr;
    int nFileSize = 0;
    if (CMNFILE_ReadFileEx(pPath, &pFile, &nFileSize, 0) != ERRID_CMNFILE_NONE) return 0;
    CfhIf hdr;
    ContIf* pRecs = nullptr;
    int nCnt = 0;
    int bRet = CONTENTSLIST_DecodeStore(pFile, nFileSize, &hdr, &pRecs, &nCnt);
    GlobalFree(pFile);
    if (!bRet) {
        std::snprintf(str, sizeof(str), "%s::err::damaged store\n", pName);
        LOG_Write(str);
        return 0;
    }

    if (nTarget == CLPD_STORE_TARGET_PREVIOUS) {
        std::free(g_pContTmpIf);
        g_pContTmpIf = pRecs;
        g_nContTmpCnt = nCnt;
    } else {
        std::free(g_pContIf);
        g_pContIf = pRecs;
        g_nContCnt = nCnt;
    }
    if (bLogRecords) {
        for (int i = 0; i < nCnt; i++) {
            std::snprintf(str, sizeof(str), "%s\n", pRecs[i].strProductName);
            LOG_Write(str);
            std::snprintf(str, sizeof(str), "%s\n", pRecs[i].strGameCapturePath);
            LOG_Write(str);
        }
    }
    *pHdr = hdr;
    // The catalogue's date holds 8 characters; a longer stored one is cut.
    int nDate = clf_Len(hdr.strLastUpdate);
    CMN_ASSERT(sizeof(g_strLastUpdate) > static_cast<size_t>(nDate));
    if (nDate >= static_cast<int>(sizeof(g_strLastUpdate))) nDate = sizeof(g_strLastUpdate) - 1;
    std::memset(g_strLastUpdate, 0, sizeof(g_strLastUpdate));
    std::memcpy(g_strLastUpdate, hdr.strLastUpdate, nDate);
    if (nCnt > 0) {
        std::snprintf(str, sizeof(str), "%s::normal end\n", pName);
        LOG_Write(str);
    }
    return 1;
}

}  // namespace

int CONTENTSLIST_Save2(void)
{
    LOG_Write("CONTENTSLIST_Save2::starting\n");
    char strPath[2048 + 16];
    char strTmp[2048 + 16];
    if (!cl_StorePath(strPath, sizeof(strPath), "") || !cl_StorePath(strTmp, sizeof(strTmp), ".tmp")) return 0;
    bool bExists = cl_Exists(strPath);
    bool bFirst = g_nContCnt <= 0 || g_pContIf == nullptr;

    CfhIf cfhIf2;
    int nStored = bExists ? cl_StoredHeader(strPath, &cfhIf2) : 0;
    if (nStored < 0) {
        // A store cut inside its records cannot be read nor kept up to date,
        // and refusing to replace it would lock the member out for good: it
        // is kept aside and the member's new store takes its place, once the
        // password for its header is known (a sign-in).
        LOG_Write("CONTENTSLIST_Save2::err::the stored file is damaged\n");
        if (USERM_GetPassword()[0] == '\0' || !cl_KeepAside(strPath)) return 0;
        bExists = false;
    }
    if (bFirst && bExists) {
        // An empty catalogue never replaces a store.
        LOG_Write("CONTENTSLIST_Save2::存在すべきでないファイルがある\n");
        CMN_ASSERT(0);
        return 0;
    }
    if (bExists) {
        if (nStored != 1) {
            LOG_Write("CONTENTSLIST_Save2::err::the stored file cannot be read\n");
            return 0;
        }
    } else if (!cl_NewHeader(&cfhIf2)) {
        return 0;
    }
    cfhIf2.lCount = bFirst ? 0 : g_nContCnt;
    // Copied with its terminator only: the bytes after it stay as stored.
    size_t nDate = std::strlen(g_strLastUpdate);
    CMN_ASSERT(sizeof(cfhIf2.strLastUpdate) > nDate);
    std::memcpy(cfhIf2.strLastUpdate, g_strLastUpdate, nDate + 1);
    if (bFirst) {
        LOG_Write("CONTENTSLIST_Save2::pass000\n");
        LOG_Write("CONTENTSLIST_Save2::pass001\n");
    }

    void* pFile = nullptr;
    int nSize = 0;
    if (!CONTENTSLIST_EncodeStore(&cfhIf2, bFirst ? nullptr : g_pContIf, cfhIf2.lCount, &pFile, &nSize)) return 0;
    if (bFirst) LOG_Write("CONTENTSLIST_Save2::pass002\n");
    bool bOk = cl_WriteReplace(strPath, strTmp, pFile, nSize);
    std::free(pFile);
    if (!bOk) return 0;
    LOG_Write(bFirst ? "CONTENTSLIST_Save2::end(first route)\n" : "CONTENTSLIST_Save2::end\n");
    return 1;
}

int CONTENTSLIST_Load(CfhIf* pHdr, int nTarget)
{
    char strPath[2048 + 16];
    if (!cl_StorePath(strPath, sizeof(strPath), "")) return 0;
    return cl_Load(pHdr, strPath, nTarget, "CONTENTSLIST_Load", false);
}

int CONTENTSLIST_Load2(CfhIf* pHdr, const char* pPath, int nTarget)
{
    return cl_Load(pHdr, pPath, nTarget, "CONTENTSLIST_Load2", true);
}

int CONTENTSLIST_IsExistFile(void)
{
    char strPath[2048 + 16];
    if (!cl_StorePath(strPath, sizeof(strPath), "")) return 0;
    return cl_Exists(strPath) ? TRUE : FALSE;
}

int CONTENTSLIST_Merge(const char* pText, int nCnt)
{
    LOG_Write("CONTENTSLIST_Merge::starting\n");
    CMN_ASSERT(g_pContIf == NULL && g_nContCnt == 0);
    if (g_pContIf != nullptr || g_nContCnt != 0) return 0;
    CfhIf hdr;
    if (!CONTENTSLIST_Load(&hdr, CLPD_STORE_TARGET_PREVIOUS)) {
        LOG_Write("CONTENTSLIST_Merge::no stored catalogue\n");
        return CONTENTSLIST_Init(pText);
    }
    return CONTENTSLIST_MergeLoaded(pText);
}

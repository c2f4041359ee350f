#include "verlist.h"

#include <cstdlib>
#include <cstring>

#include "cmnfile.h"
#include "log.h"

int VERLIST_ParseLine(const char* pLine, char* pName, int nNameSize, int* pnVersion, char* pPack, int nPackSize)
{
    if (pPack != nullptr && nPackSize > 0) pPack[0] = '\0';
    if (pLine == nullptr || pName == nullptr || nNameSize < 2 || pnVersion == nullptr) return 0;
    int nName = CMNFILE_GetToken(pName, nNameSize, pLine, ",", 1);
    if (nName == 0 || pLine[nName] != ',') return 0;
    if (nName >= nNameSize) return -1;
    const char* q = pLine + nName + 1;
    char ver[64];
    int nVer = CMNFILE_GetToken(ver, sizeof(ver), q, ",", 1);
    if (nVer == 0 || nVer >= static_cast<int>(sizeof(ver))) return 0;
    char* pEnd = nullptr;
    long v = std::strtol(ver, &pEnd, 10);
    if (pEnd == ver) return 0;
    *pnVersion = static_cast<int>(v);
    if (pPack != nullptr && nPackSize > 0 && q[nVer] == ',') {
        int nPack = CMNFILE_GetToken(pPack, nPackSize, q + nVer + 1, ",", 1);
        if (nPack >= nPackSize) return -1;
    }
    return 1;
}

int VERLIST_ParseFileVersions(LIST* pList, const char* pText)
{
    if (pList == nullptr || pText == nullptr) return 0;
    char line[4096];
    const char* p = pText;
    for (;;) {
        int n = CMNFILE_GetLineCRLF(line, sizeof(line), p);
        if (n < 0) break;
        p += n + 2;
        if (n == 0) continue;
        char name[sizeof(FvIf::strFileName)];
        int nVersion = 0;
        int r = n < static_cast<int>(sizeof(line)) ? VERLIST_ParseLine(line, name, sizeof(name), &nVersion, nullptr, 0)
                                                   : -1;
        if (r < 0) LOG_Write("VERLIST_ParseFileVersions::a name too long for its field: line dropped\n");
        if (r != 1) continue;
        FvIf* pFv = static_cast<FvIf*>(std::calloc(1, sizeof(FvIf)));
        if (pFv == nullptr) break;
        std::memcpy(pFv->strFileName, name, std::strlen(name) + 1);
        pFv->nVersion = nVersion;
        if (!LIST_Add(pList, pFv)) std::free(pFv);
    }
    return 1;
}

const FvIf* VERLIST_Find(LIST* pList, const char* pName)
{
    if (pList == nullptr || pName == nullptr) return nullptr;
    size_t n = std::strlen(pName);
    for (int i = 0; i < LIST_GetCnt(pList); i++) {
        const FvIf* pFv = static_cast<const FvIf*>(LIST_GetAt(pList, i));
        if (pFv != nullptr && std::strlen(pFv->strFileName) == n && std::memcmp(pFv->strFileName, pName, n) == 0)
            return pFv;
    }
    return nullptr;
}

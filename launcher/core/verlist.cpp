#include "verlist.h"

#include <cstdlib>
#include <cstring>

#include "cmnfile.h"
#include "log.h"

namespace {

// Buffers of a line's fields: a field that does not fit is refused, never cut.
const int kFieldMax = sizeof(FvIf::strFileName);

}  // namespace

const char* VERLIST_NextLine(const char* p, const char* pEnd, int* pnLen)
{
    const char* q = p;
    while (q < pEnd && !(q[0] == '\r' && q + 1 < pEnd && q[1] == '\n')) q++;
    *pnLen = static_cast<int>(q - p);
    return q < pEnd ? q + 2 : pEnd;
}

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

std::string VERLIST_LineName(const char* pLine, int nLen)
{
    std::string line(pLine != nullptr && nLen > 0 ? pLine : "", pLine != nullptr && nLen > 0 ? nLen : 0);
    std::string name(line.size() + 1, '\0');
    int n = CMNFILE_GetToken(&name[0], static_cast<int>(name.size()), line.c_str(), ",", 1);
    name.resize(static_cast<size_t>(n));
    return name;
}

int VERLIST_ParseFileVersions(LIST* pList, const char* pText)
{
    if (pList == nullptr || pText == nullptr) return 0;
    const char* p = pText;
    const char* pEnd = pText + std::strlen(pText);
    std::string line;
    char name[kFieldMax];
    while (p < pEnd) {
        int n = 0;
        const char* pLine = p;
        p = VERLIST_NextLine(p, pEnd, &n);
        if (n == 0) continue;
        line.assign(pLine, static_cast<size_t>(n));
        int nVersion = 0;
        int r = VERLIST_ParseLine(line.c_str(), name, sizeof(name), &nVersion, nullptr, 0);
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

int VERLIST_Compare(LIST* pInstalled, const char* pText, int nLen, std::vector<VerOffer>* pOffers)
{
    if (pOffers == nullptr) return 0;
    pOffers->clear();
    if (pText == nullptr || nLen <= 0) return 1;
    // Every line read first: a name that comes again further down counts
    // only by its last line.
    std::vector<VerOffer> lines;
    const char* p = pText;
    const char* pEnd = pText + nLen;
    std::string line;
    char name[kFieldMax];
    char pack[kFieldMax];
    while (p < pEnd) {
        int n = 0;
        const char* pLine = p;
        p = VERLIST_NextLine(p, pEnd, &n);
        if (n == 0) continue;
        line.assign(pLine, static_cast<size_t>(n));
        VerOffer o;
        o.nVersion = 0;
        o.bKnown = false;
        int r = VERLIST_ParseLine(line.c_str(), name, sizeof(name), &o.nVersion, pack, sizeof(pack));
        if (r == 0) continue;
        o.bUsable = r == 1;
        if (r < 0) {
            LOG_Write("VERLIST_Compare::a name or pack too long for its field: the update cannot be made\n");
            // The name may be whole while the pack was too long.
            std::string whole = VERLIST_LineName(line.c_str(), n);
            if (static_cast<int>(whole.size()) < kFieldMax) o.strName = whole;
        } else {
            o.strName = name;
            o.strPack = pack;
        }
        if (!o.strName.empty() && VERLIST_IsUpdaterEntry(o.strName.c_str())) continue;
        lines.push_back(o);
    }
    for (size_t i = 0; i < lines.size(); i++) {
        VerOffer& o = lines[i];
        bool bLater = false;
        for (size_t j = i + 1; j < lines.size() && !o.strName.empty() && !bLater; j++)
            bLater = lines[j].strName == o.strName;
        if (bLater) continue;
        const FvIf* pFound = o.strName.empty() ? nullptr : VERLIST_Find(pInstalled, o.strName.c_str());
        // A line whose pack does not fit needs no pack when that version is in.
        if (pFound != nullptr && pFound->nVersion == o.nVersion) continue;
        o.bKnown = pFound != nullptr;
        pOffers->push_back(o);
    }
    return 1;
}

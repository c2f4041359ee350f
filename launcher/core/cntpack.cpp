#include "cntpack.h"

#include <cstring>

#include "cmnfile.h"
#include "slide.h"

int32_t CPD_GetInt32(const void* pv)
{
    const uint8_t* p = static_cast<const uint8_t*>(pv);
    return static_cast<int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24));
}

namespace {

void PutInt32(std::vector<uint8_t>& v, int32_t n)
{
    uint32_t u = static_cast<uint32_t>(n);
    for (int k = 0; k < 4; k++) v.push_back(static_cast<uint8_t>(u >> (8 * k)));
}

bool IsPackMagic(const char* p)
{
    return std::strcmp(p, CPD_STR_PACKHEADER_ID5) == 0 || std::strcmp(p, CPD_STR_PACKHEADER_IDB5) == 0 ||
           std::strcmp(p, CPD_STR_PACKHEADER_ID02) == 0;
}

// Names and captions are cut at "," and at CR LF by the readers.
bool IsTokenSafe(const std::string& s)
{
    return s.find_first_of(",\r\n") == std::string::npos && s.find('\0') == std::string::npos;
}

}  // namespace

int CPD_ReadHeader(const void* pBuf, size_t nBufSize, CpdHeader* pHdr)
{
    const uint8_t* p = static_cast<const uint8_t*>(pBuf);
    if (p == nullptr || pHdr == nullptr || nBufSize < CPD_LEN_FIXEDHEADER) return 0;
    if (std::memcmp(p, CPD_STR_PACKHEADER_ID, 4) != 0) return 0;
    std::memcpy(pHdr->strMagic, p, CPD_LEN_MAGIC);
    pHdr->strMagic[CPD_LEN_MAGIC] = '\0';
    pHdr->nTotalSize = CPD_GetInt32(p + 8);
    pHdr->nHeaderSize = CPD_GetInt32(p + 12);
    pHdr->nFileCnt = CPD_GetInt32(p + 16);
    if (pHdr->nHeaderSize < CPD_LEN_FIXEDHEADER || static_cast<size_t>(pHdr->nHeaderSize) > nBufSize) return 0;
    if (pHdr->nFileCnt < 0) return 0;
    return 1;
}

int CPD_ReadNames(const void* pBuf, const CpdHeader& hdr, int nTokensPerFile, size_t nMaxToken,
                  std::vector<CpdName>& names)
{
    names.clear();
    if (nTokensPerFile != 1 && nTokensPerFile != 2) return 0;
    // The token reader wants a terminated text: the area alone, with a zero.
    const char* pArea = static_cast<const char*>(pBuf) + CPD_LEN_FIXEDHEADER;
    std::string area(pArea, pArea + (hdr.nHeaderSize - CPD_LEN_FIXEDHEADER));
    area.push_back('\0');
    std::vector<char> tok(nMaxToken + 2);
    const char* p = area.c_str();
    const char* pEnd = p + area.size() - 1;
    for (int i = 0; i < hdr.nFileCnt; i++) {
        CpdName name;
        for (int t = 0; t < nTokensPerFile; t++) {
            if (p >= pEnd) return 0;
            int n = CMNFILE_GetToken(tok.data(), static_cast<int>(tok.size()), p, ",", 1);
            if (static_cast<size_t>(n) > nMaxToken) return 0;
            if (p[n] != ',') return 0;      // every token is ended by ","
            (t == 0 ? name.strName : name.strCaption).assign(tok.data(), n);
            p += n + 1;
        }
        if (name.strName.empty()) return 0;
        names.push_back(std::move(name));
    }
    return 1;
}

int CPD_ReadEntry(const void* pBuf, size_t nBufSize, size_t* pnOffset, CpdEntry* pEntry)
{
    const uint8_t* p = static_cast<const uint8_t*>(pBuf);
    if (p == nullptr || pnOffset == nullptr || pEntry == nullptr) return 0;
    size_t off = *pnOffset;
    if (off > nBufSize || nBufSize - off < CPD_LEN_ENTRYHEADER) return 0;
    int32_t lSize = CPD_GetInt32(p + off + 2);
    if (lSize <= 0 || static_cast<size_t>(lSize) > nBufSize - off - CPD_LEN_ENTRYHEADER) return 0;
    pEntry->cCmpType = static_cast<int8_t>(p[off]);
    pEntry->cFileType = static_cast<int8_t>(p[off + 1]);
    pEntry->lDataSize = lSize;
    pEntry->pData = p + off + CPD_LEN_ENTRYHEADER;
    *pnOffset = off + CPD_LEN_ENTRYHEADER + lSize;
    return 1;
}

int CPD_Build(const char* pMagic, int nTokensPerFile, const std::vector<CpdFile>& files, std::vector<uint8_t>& out)
{
    out.clear();
    if (pMagic == nullptr || !IsPackMagic(pMagic)) return 0;
    if (nTokensPerFile != 1 && nTokensPerFile != 2) return 0;
    if (files.size() > 0x7FFFFFFF) return 0;

    std::string names;
    for (const CpdFile& f : files) {
        if (f.strName.empty() || !IsTokenSafe(f.strName) || !IsTokenSafe(f.strCaption)) return 0;
        if (nTokensPerFile == 1 && !f.strCaption.empty()) return 0;
        if (f.cFileType < 0 || f.cFileType >= eCPD_FTYPE_MAX) return 0;
        if (f.cCmpType != eCPD_FCT_NONE && f.cCmpType != eCPD_FCT_SLIDE) return 0;
        if (f.cCmpType == eCPD_FCT_NONE && f.data.empty()) return 0;
        names += f.strName + ",";
        if (nTokensPerFile == 2) names += f.strCaption + ",";
    }
    const uint64_t nLimit = 0x7FFFFFFF;
    if (CPD_LEN_FIXEDHEADER + names.size() > nLimit) return 0;

    out.insert(out.end(), pMagic, pMagic + CPD_LEN_MAGIC);
    PutInt32(out, 0);  // total size, known at the end
    PutInt32(out, static_cast<int32_t>(CPD_LEN_FIXEDHEADER + names.size()));
    PutInt32(out, static_cast<int32_t>(files.size()));
    out.insert(out.end(), names.begin(), names.end());

    std::vector<uint8_t> stream;
    for (const CpdFile& f : files) {
        const std::vector<uint8_t>* pData = &f.data;
        if (f.cCmpType == eCPD_FCT_SLIDE) {
            if (!SLIDE_EncodeBuffer(f.data.data(), f.data.size(), stream)) {
                out.clear();
                return 0;
            }
            pData = &stream;
        }
        if (out.size() + CPD_LEN_ENTRYHEADER + pData->size() > nLimit) {
            out.clear();
            return 0;
        }
        out.push_back(static_cast<uint8_t>(f.cCmpType));
        out.push_back(static_cast<uint8_t>(f.cFileType));
        PutInt32(out, static_cast<int32_t>(pData->size()));
        out.insert(out.end(), pData->begin(), pData->end());
    }
    int32_t nTotal = static_cast<int32_t>(out.size());
    for (int k = 0; k < 4; k++) out[8 + k] = static_cast<uint8_t>(static_cast<uint32_t>(nTotal) >> (8 * k));
    return 1;
}

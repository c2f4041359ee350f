// The image of REG.DAT in memory: checking and unscrambling a stored image,
// laying out and scrambling a new one.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "cmnassert.h"
#include "cmnutil.h"
#include "contentslist.h"
#include "contentslist_field.h"
#include "log.h"

namespace {

// Every text field of a record read from a file ends within its width, so
// no reader runs into the next field. The record code and the bought flag
// are fixed-width codes read byte by byte ("tiv" fills the code; a flag "11"
// fills its two bytes) and stay as stored.
void cl_TerminateFields(ContIf* p)
{
    clf_Terminate(p->strContentsId);
    clf_Terminate(p->strProductName);
    clf_Terminate(p->strMakerName);
    clf_Terminate(p->strPlatform);
    clf_Terminate(p->strGenreName);
    clf_Terminate(p->strSaleDay);
    clf_Terminate(p->strSortKey);
    clf_Terminate(p->strDlPath);
    clf_Terminate(p->strDlPathManual);
    clf_Terminate(p->strDlPathVelqa);
    clf_Terminate(p->strVersion);
    clf_Terminate(p->strVersionManual);
    clf_Terminate(p->strVersionVelqa);
    clf_Terminate(p->strServerVersion);
    clf_Terminate(p->strServerVersionManual);
    clf_Terminate(p->strServerVersionVelqa);
    clf_Terminate(p->strVelqaFlag);
    clf_Terminate(p->strVelqaBought);
    clf_Terminate(p->strSortValue);
    clf_Terminate(p->strStartDate);
    clf_Terminate(p->strEndDate);
    clf_Terminate(p->strColumn21);
    clf_Terminate(p->strColumn22);
    for (int i = 0; i < CLPD_SLOT_MAX; i++) {
        clf_Terminate(p->strExePath[i]);
        clf_Terminate(p->strSaveFilePath[i]);
        clf_Terminate(p->strReadmePath[i]);
        clf_Terminate(p->strKiyakuPath[i]);
        clf_Terminate(p->strManualPath[i]);
        clf_Terminate(p->strVelqaPath[i]);
        clf_Terminate(p->strMsxRomPath[i]);
        clf_Terminate(p->strExeSentence[i]);
        clf_Terminate(p->strReadmeSentence[i]);
        clf_Terminate(p->strKiyakuSentence[i]);
        clf_Terminate(p->strManualSentence[i]);
        clf_Terminate(p->strVelqaSentence[i]);
    }
    clf_Terminate(p->strExtra);
    clf_Terminate(p->strGameCapturePath);
    clf_Terminate(p->strExplan);
}

}  // namespace

int CONTENTSLIST_DecodeStore(const void* pFile, int nFileSize, CfhIf* pHdr, ContIf** ppRecs, int* pnCnt)
{
    CMN_ASSERT(pFile != nullptr && pHdr != nullptr && ppRecs != nullptr && pnCnt != nullptr);
    if (pFile == nullptr || pHdr == nullptr || ppRecs == nullptr || pnCnt == nullptr) return 0;
    *ppRecs = nullptr;
    *pnCnt = 0;
    // A store is at least the scrambled header: 536 bytes and the check byte.
    if (nFileSize < static_cast<int>(sizeof(CfhIf)) + 1) {
        LOG_Write("CONTENTSLIST_DecodeStore::err::too short\n");
        return 0;
    }
    unsigned char* pPlain = static_cast<unsigned char*>(std::calloc(nFileSize, 1));
    if (pPlain == nullptr) return 0;
    int nPlain = 0;
    int bRet = CMNUTIL_Decode(pFile, nFileSize, CMNUTIL_KEY, pPlain, &nPlain);
    CMN_ASSERT(bRet == 1 && nFileSize - 1 == nPlain);
    if (!bRet || nPlain != nFileSize - 1) {
        std::free(pPlain);
        return 0;
    }
    CfhIf hdr;
    std::memcpy(&hdr, pPlain, sizeof(hdr));
    // The length must be exactly what the count says: a count that does not
    // match is a damaged or foreign file, and reading it would run past the
    // data or drop records.
    int64_t nExpect = static_cast<int64_t>(sizeof(CfhIf)) + static_cast<int64_t>(sizeof(ContIf)) * hdr.lCount;
    if (hdr.lCount < 0 || nExpect != nPlain) {
        LOG_Write("CONTENTSLIST_DecodeStore::err::record count does not match the length\n");
        std::free(pPlain);
        return 0;
    }
    ContIf* pRecs = nullptr;
    if (hdr.lCount > 0) {
        pRecs = static_cast<ContIf*>(std::calloc(hdr.lCount, sizeof(ContIf)));
        if (pRecs == nullptr) {
            std::free(pPlain);
            return 0;
        }
        std::memcpy(pRecs, pPlain + sizeof(CfhIf), sizeof(ContIf) * hdr.lCount);
        for (int i = 0; i < hdr.lCount; i++) cl_TerminateFields(&pRecs[i]);
    }
    std::free(pPlain);
    *pHdr = hdr;
    *ppRecs = pRecs;
    *pnCnt = hdr.lCount;
    return 1;
}

int CONTENTSLIST_EncodeStore(const CfhIf* pHdr, const ContIf* pRecs, int nCnt, void** ppFile, int* pnSize)
{
    CMN_ASSERT(pHdr != nullptr && ppFile != nullptr && pnSize != nullptr && nCnt >= 0);
    if (pHdr == nullptr || ppFile == nullptr || pnSize == nullptr || nCnt < 0) return 0;
    CMN_ASSERT(nCnt == 0 || pRecs != nullptr);
    if (nCnt > 0 && pRecs == nullptr) return 0;
    *ppFile = nullptr;
    *pnSize = 0;
    int64_t nPlain64 = static_cast<int64_t>(sizeof(CfhIf)) + static_cast<int64_t>(sizeof(ContIf)) * nCnt;
    if (nPlain64 >= 0x7FFFFFFF) return 0;
    int nBufSize = static_cast<int>(nPlain64);
    unsigned char* pDecodedBuf = static_cast<unsigned char*>(std::malloc(nBufSize));
    CMN_ASSERT(pDecodedBuf != NULL);
    if (pDecodedBuf == nullptr) return 0;
    std::memcpy(pDecodedBuf, pHdr, sizeof(CfhIf));
    if (nCnt > 0) std::memcpy(pDecodedBuf + sizeof(CfhIf), pRecs, sizeof(ContIf) * nCnt);
    unsigned char* pBuf = static_cast<unsigned char*>(std::malloc(nBufSize + 1));
    CMN_ASSERT(pBuf != NULL);
    if (pBuf == nullptr) {
        std::free(pDecodedBuf);
        return 0;
    }
    int nEncodeLen = 0;
    int bRet = CMNUTIL_Encode(pDecodedBuf, nBufSize, CMNUTIL_KEY, pBuf, &nEncodeLen, nBufSize + 1);
    std::free(pDecodedBuf);
    CMN_ASSERT(bRet == 1 && nBufSize + 1 == nEncodeLen);
    if (!bRet || nEncodeLen != nBufSize + 1) {
        std::free(pBuf);
        return 0;
    }
    *ppFile = pBuf;
    *pnSize = nEncodeLen;
    return 1;
}

#include "qrcmd.h"

#include <cstdio>
#include <cstring>

#include "cmnfile.h"

namespace {

// The value after pKey up to the next "," (or CR LF or the end); an absent
// key leaves the field empty. 0 when the value does not fit.
int qrcmd_Field(char* pDst, const char* pCmdLine, const char* pKey)
{
    pDst[0] = '\0';
    const char* p = std::strstr(pCmdLine, pKey);
    if (p == nullptr) return 1;
    int n = CMNFILE_GetToken(pDst, QR_FIELD_SIZE, p + std::strlen(pKey), ",", 1);
    return n < QR_FIELD_SIZE;
}

}  // namespace

int QRCMD_Parse(QrCmdIf* pCmd, const char* pCmdLine)
{
    std::memset(pCmd, 0, sizeof(*pCmd));
    if (pCmdLine == nullptr) return eQRCMD_NOMODE;
    size_t nLen = std::strlen(pCmdLine);
    if (nLen >= sizeof(pCmd->strCmdLine)) return eQRCMD_TOOLONG;
    std::memcpy(pCmd->strCmdLine, pCmdLine, nLen + 1);

    const char* pMode = std::strstr(pCmdLine, " mode=start");
    if (pMode == nullptr) return eQRCMD_NOMODE;
    size_t nPath = static_cast<size_t>(pMode - pCmdLine);
    if (nPath >= sizeof(pCmd->strGamePath)) return eQRCMD_TOOLONG;
    std::memcpy(pCmd->strGamePath, pCmdLine, nPath);
    pCmd->strGamePath[nPath] = '\0';

    if (!qrcmd_Field(pCmd->strUserId, pCmdLine, ",userid=")) return eQRCMD_TOOLONG;
    if (!qrcmd_Field(pCmd->strProductId, pCmdLine, ",productid=")) return eQRCMD_TOOLONG;
    return eQRCMD_OK;
}

int QRCMD_PlayTimeLine(char* pDst, int nDstSize, int nSeconds, const char* pUserId, const char* pProductId)
{
    int nMinutes = nSeconds / 60;
    if (nMinutes == 0) nMinutes = 1;
    int n = std::snprintf(pDst, nDstSize, "%s,%s,%d,\n", pUserId, pProductId, nMinutes);
    if (n < 0 || n >= nDstSize) return -1;
    CMNFILE_InvertBytes(pDst, n);
    return n;
}

int QRCMD_SbnPath(char* pDst, int nDstSize, const char* pGamePath)
{
    return CMNFILE_PackedName(pDst, nDstSize, pGamePath, ".sbn");
}

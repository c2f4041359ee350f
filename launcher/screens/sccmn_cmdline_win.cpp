#include "sccmn_cmdline.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "cmnfile.h"
#include "hantiv.h"
#include "log.h"
#include "sccmn.h"
#include "userm.h"

namespace {

const char* const kErrCaption = SCCMN_CAPTION_ERROR;
const char* const kReportCaption = SCCMN_CAPTION_REPORT;
const char kZvq001[] = "不正な起動です。処理を中止します(ZVQ:001)";
const char kZvq002[] = "不正な起動です。処理を中止します(ZVQ:002)";

// The next comma-terminated field (a field also ends at CR LF or the end).
const char* NextField(const char* p, char* pField, int nSize)
{
    int n = CMNFILE_GetToken(pField, nSize, p, ",", 1);
    p += n;
    if (*p == ',') p++;
    return p;
}


int Refuse(const char* pText, const char* pCaption, UINT uType, int bLog)
{
    SCCMN_Report(nullptr, pText, pCaption, uType, bLog);
    return 0;
}

}  // namespace

void SCCMN_LogCommandLine(const char* pCmdLine)
{
    char str[4096];
    const char* pSale = std::strstr(pCmdLine, "-salegame ");
    if (pSale != nullptr && std::strlen(pCmdLine) >= 10) {
        char strId[2048];
        const char* p = NextField(pCmdLine + 10, strId, sizeof(strId));
        char strPw[2048];
        const char* pRest = NextField(p, strPw, sizeof(strPw));
        std::snprintf(str, sizeof(str), "lpCmdLine = [%.10s%s,****,%s]\n", pCmdLine, strId, pRest);
    } else {
        std::snprintf(str, sizeof(str), "lpCmdLine = [%s]\n", pCmdLine);
    }
    LOG_Write(str);
}

int SCCMN_ParseCommandLine(const char* pCmdLine, int* pnStartMode, const SccmnCmdTexts* pTexts)
{
    char strField[2048];
    if (std::strstr(pCmdLine, "-salegame ") != nullptr) {
        const char* p = std::strlen(pCmdLine) >= 10 ? pCmdLine + 10 : "";
        p = NextField(p, strField, sizeof(strField));
        if (strField[0] != '\0' && !USERM_SetId(strField, static_cast<int>(std::strlen(strField)))) {
            return Refuse(pTexts->pBadField, kErrCaption, MB_OK | MB_ICONSTOP, 1);   // longer than any user id
        }
        p = NextField(p, strField, sizeof(strField));
        if (strField[0] != '\0' && !USERM_SetPassword(strField, static_cast<int>(std::strlen(strField)))) {
            return Refuse(pTexts->pBadField, kErrCaption, MB_OK | MB_ICONSTOP, 1);
        }
        p = NextField(p, strField, sizeof(strField));
        if (strField[0] == '\0') return Refuse(pTexts->pApplied, kReportCaption, MB_OK, 0);
        if (!USERM_SetContentsId(strField, static_cast<int>(std::strlen(strField)))) {
            return Refuse(pTexts->pBadField, kErrCaption, MB_OK | MB_ICONSTOP, 1);
        }
        p = NextField(p, strField, sizeof(strField));
        if (!SCCMN_Equals(strField, "tiv")) return Refuse(pTexts->pBadProduct, kReportCaption, MB_OK, 0);
        NextField(p, strField, sizeof(strField));
        if (SCCMN_Equals(strField, "playgame")) {
            *pnStartMode = eGD_STARTMODE_SALEGAME;
        } else if (SCCMN_Equals(strField, "playkzdp")) {
            *pnStartMode = eGD_STARTMODE_SALEKZDP;
        } else {
            return Refuse(pTexts->pBadMode, kReportCaption, MB_OK, 0);
        }
        return 1;
    }
    if (std::strstr(pCmdLine, "-start ") != nullptr) {
        const char* p = std::strlen(pCmdLine) >= 7 ? pCmdLine + 7 : "";
        NextField(p, strField, sizeof(strField));
        if (strField[0] == '\0') return Refuse(kZvq001, kErrCaption, MB_OK | MB_ICONSTOP, 1);
        if (!SCCMN_Equals(strField, "tiv")) return Refuse(kZvq002, kErrCaption, MB_OK | MB_ICONSTOP, 1);
        *pnStartMode = eGD_STARTMODE_LAUNCHER;
        return 1;
    }
    if (pTexts->pNoKeyword != nullptr) return Refuse(pTexts->pNoKeyword, kErrCaption, MB_OK | MB_ICONSTOP, 1);
    *pnStartMode = eGD_STARTMODE_LOGIN;
    return 1;
}

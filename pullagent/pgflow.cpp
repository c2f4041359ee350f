#include "pgflow.h"

#include <cstdio>
#include <cstring>

#include "cmnfile.h"
#include "log.h"
#include "verlist.h"

namespace {

const char kSale[] = "-salegame ";

}  // namespace

int PGFLOW_ParseCommandLine(const char* pLine, PgCmd* pCmd)
{
    if (pCmd == nullptr) return eGD_MODE_BADPARAM;
    std::memset(pCmd, 0, sizeof(*pCmd));
    pCmd->nMode = eGD_MODE_BADPARAM;
    if (pLine == nullptr) return pCmd->nMode;
    if (std::strstr(pLine, kSale) != nullptr) {
        // The sale form is only read from the start of the line.
        if (std::strncmp(pLine, kSale, sizeof(kSale) - 1) != 0) return pCmd->nMode;
        const char* p = pLine + sizeof(kSale) - 1;
        for (int i = 0; i < 5; i++) {
            const char* q = std::strchr(p, ',');
            if (q == nullptr || q == p || q - p >= PG_FIELD_MAX) return pCmd->nMode;
            std::memcpy(pCmd->strSale[i], p, static_cast<size_t>(q - p));
            pCmd->strSale[i][q - p] = '\0';
            p = q + 1;
        }
        return pCmd->nMode = eGD_MODE_SALEGAME;
    }
    if (std::strstr(pLine, "-start tiv,") != nullptr) return pCmd->nMode = eGD_MODE_LAUNCHER;
    if (std::strstr(pLine, "-update") != nullptr) return pCmd->nMode = eGD_MODE_UPDATEONLY;
    return pCmd->nMode;
}

int PGFLOW_MakeLauncherCommand(char* pDst, int nSize, char* pLogged, int nLoggedSize, const char* pFolder,
                               const PgCmd* pCmd)
{
    if (pDst == nullptr || nSize < 1 || pLogged == nullptr || nLoggedSize < 1 || pFolder == nullptr ||
        pCmd == nullptr)
        return 0;
    pDst[0] = pLogged[0] = '\0';
    int n = -1, m = -1;
    if (pCmd->nMode == eGD_MODE_LAUNCHER) {
        n = std::snprintf(pDst, nSize, "\"%s%s\" -start tiv,", pFolder, "tiv_launcher.exe");
        m = std::snprintf(pLogged, nLoggedSize, "%s", pDst);
    } else if (pCmd->nMode == eGD_MODE_SALEGAME) {
        n = std::snprintf(pDst, nSize, "\"%s%s\" -salegame %s,%s,%s,%s,%s,", pFolder, "tiv_launcher.exe",
                          pCmd->strSale[0], pCmd->strSale[1], pCmd->strSale[2], pCmd->strSale[3], pCmd->strSale[4]);
        m = std::snprintf(pLogged, nLoggedSize, "\"%s%s\" -salegame %s,%s,%s,%s,%s,", pFolder, "tiv_launcher.exe",
                          pCmd->strSale[0], "********", pCmd->strSale[2], pCmd->strSale[3], pCmd->strSale[4]);
    } else {
        return 0;
    }
    if (n < 0 || n >= nSize || m < 0 || m >= nLoggedSize) {
        pDst[0] = pLogged[0] = '\0';
        return 0;
    }
    return 1;
}

bool PGFLOW_IsPlainPackName(const std::string& name)
{
    if (name.empty() || name.find("..") != std::string::npos) return false;
    for (unsigned char c : name) {
        if (c <= 0x20 || c == 0x7F || std::strchr("/\\:?#%\"<>|*", c) != nullptr) return false;
    }
    return true;
}

int PGFLOW_PlanUpdate(LIST* pLocal, const char* pText, int nLen, std::vector<PgWork>* pWork)
{
    if (pWork == nullptr) return 0;
    pWork->clear();
    std::vector<VerOffer> offers;
    VERLIST_Compare(pLocal, pText, nLen, &offers);
    for (const VerOffer& o : offers) {
        PgWork w;
        w.strName = o.strName;
        w.nVersion = o.nVersion;
        w.strPack = o.bUsable && PGFLOW_IsPlainPackName(o.strPack) ? o.strPack : "";
        w.bKnown = o.bKnown;
        pWork->push_back(w);
    }
    return 1;
}

std::string PGFLOW_SetVersion(const char* pPlain, int nLen, const char* pName, int nVersion)
{
    std::string out;
    const std::string name = pName != nullptr ? pName : "";
    const std::string entry = name + "," + std::to_string(nVersion) + ",";
    bool bFound = false;
    if (pPlain != nullptr && nLen > 0) {
        const char* p = pPlain;
        const char* pEnd = pPlain + nLen;
        while (p < pEnd) {
            int n = 0;
            const char* pLine = p;
            p = VERLIST_NextLine(p, pEnd, &n);
            if (n == 0) continue;
            if (VERLIST_LineName(pLine, n) == name) {
                out += entry;
                bFound = true;
            } else {
                out.append(pLine, static_cast<size_t>(n));
            }
            out += "\r\n";
        }
    }
    if (!bFound) {
        out += entry;
        out += "\r\n";
    }
    return out;
}

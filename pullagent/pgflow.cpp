#include "pgflow.h"

#include <cstdio>
#include <cstring>

#include "cmnfile.h"
#include "log.h"
#include "verlist.h"

namespace {

const char kSale[] = "-salegame ";

// A line of pText from p: its bytes up to CR LF (or the end), and where the
// next begins.
const char* NextLine(const char* p, const char* pEnd, std::string* pLine)
{
    const char* q = p;
    while (q < pEnd && !(q[0] == '\r' && q + 1 < pEnd && q[1] == '\n')) q++;
    pLine->assign(p, static_cast<size_t>(q - p));
    return q < pEnd ? q + 2 : pEnd;
}

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
    if (pText == nullptr || nLen <= 0) return 1;
    const char* p = pText;
    const char* pEnd = pText + nLen;
    std::string line;
    char name[sizeof(FvIf::strFileName)];
    char pack[PG_FIELD_MAX];
    while (p < pEnd) {
        p = NextLine(p, pEnd, &line);
        if (line.empty()) continue;
        int nVersion = 0;
        int r = VERLIST_ParseLine(line.c_str(), name, sizeof(name), &nVersion, pack, sizeof(pack));
        if (r < 0) LOG_Write("PULLAGENT_UpdateFiles::a name too long for its field: line dropped\n");
        if (r != 1) continue;
        if (VERLIST_IsUpdaterEntry(name)) continue;
        const FvIf* pFound = VERLIST_Find(pLocal, name);
        if (pFound != nullptr && pFound->nVersion == nVersion) continue;
        PgWork w;
        w.strName = name;
        w.nVersion = nVersion;
        w.strPack = PGFLOW_IsPlainPackName(pack) ? pack : "";
        w.bKnown = pFound != nullptr;
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
        std::string line;
        while (p < pEnd) {
            p = NextLine(p, pEnd, &line);
            if (line.empty()) continue;
            size_t comma = line.find(',');
            std::string first = comma == std::string::npos ? line : line.substr(0, comma);
            if (first == name) {
                out += entry;
                bFound = true;
            } else {
                out += line;
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

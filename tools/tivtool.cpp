// tivtool: a small console helper for the demo installation and the tests,
// run under Wine so that it uses the programs' own code for the files.
//
//   tivtool invert <in> <out>        byte-invert a file (env.bin from its text)
//   tivtool md5 <text>               the member folder's name for a user id
//   tivtool appset-default <path>    write the default appset.bin
//   tivtool show <userid>            what an installation holds, as the programs read it
//   tivtool mkstore <path> <userid> <password> [<records>]   a member's REG.DAT,
//                                    with the catalogue of a records file (the
//                                    service's reply after "ok,": percent-encoded
//                                    EUC-JP, 24 comma-terminated columns a record)
//   tivtool close <window class>     ask a program's window to close
//   tivtool press <window class> <control id>   what a click on one of the
//                                    window's buttons sends (the launcher's
//                                    update button is 1)
//   tivtool rowbutton <window class> <button> <content index>   what a click on
//                                    a button of the launcher's opened row posts
//                                    (4 sound, 5 play; the content's catalogue index)
//   tivtool zenqo [<start menu> <app folder>]   move the old starter's Start-menu
//                                    shortcuts to zvq.exe (default: the current
//                                    user's Start menu and the registry's apppath)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cmnfile.h"
#include "cmnutil.h"
#include "contentslist.h"
#include "env.h"
#include "envappsetting.h"
#include "log.h"
#include "md5.h"
#include "reg.h"
#include "zenqo.h"

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: tivtool invert <in> <out> | md5 <text> | appset-default <path> | show <userid>"
                         " | mkstore <path> <userid> <password> [<records>] | exists <class> | close <class>"
                         " | press <class> <id> | rowbutton <class> <button> <index>"
                         " | zenqo [<start menu> <app folder>]\n");
    return 2;
}

int Invert(const char* pIn, const char* pOut)
{
    void* p = nullptr;
    int n = 0;
    int r = CMNFILE_ReadFileEx(pIn, &p, &n, 0);
    if (r != ERRID_CMNFILE_NONE) {
        std::fprintf(stderr, "tivtool: cannot read %s (error %d)\n", pIn, r);
        return 1;
    }
    CMNFILE_InvertBytes(p, n);
    int ok = CMNFILE_WriteFile(pOut, p, n);
    GlobalFree(p);
    if (!ok) {
        std::fprintf(stderr, "tivtool: cannot write %s\n", pOut);
        return 1;
    }
    return 0;
}

// The catalogue of a records file, decoded as the launcher decodes the
// service's reply: percent-decoded, EUC-JP to Shift-JIS, merged into an empty
// catalogue (each content's state from its bought column).
int LoadRecords(const char* pRecords)
{
    void* p = nullptr;
    int n = 0;
    if (CMNFILE_ReadFileEx(pRecords, &p, &n, 1) != ERRID_CMNFILE_NONE) {
        std::fprintf(stderr, "tivtool: cannot read %s\n", pRecords);
        return 0;
    }
    std::string text(static_cast<size_t>(n) + 1, '\0');
    int nText = CMNFILE_UrlDecode(&text[0], n + 1, static_cast<const char*>(p), n, nullptr);
    GlobalFree(p);
    if (nText < 0 || nText > n) {
        std::fprintf(stderr, "tivtool: %s does not decode\n", pRecords);
        return 0;
    }
    text.resize(static_cast<size_t>(nText));
    EUCtoSJIS(&text[0], nText);
    if (!CONTENTSLIST_MergeLoaded(text.c_str()) || CONTENTSLIST_GetCount() < 1) {
        std::fprintf(stderr, "tivtool: no records in %s\n", pRecords);
        return 0;
    }
    return 1;
}

int MakeStore(const char* pPath, const char* pUserId, const char* pPassword, const char* pRecords)
{
    CfhIf h;
    std::memset(&h, 0, sizeof(h));
    if (std::strlen(pUserId) >= sizeof(h.strUserId) || std::strlen(pPassword) >= sizeof(h.strPassword)) {
        std::fprintf(stderr, "tivtool: user id or password too long\n");
        return 2;
    }
    std::memcpy(h.strMagic, "2xpU", 4);
    std::strcpy(h.strUserId, pUserId);
    std::strcpy(h.strPassword, pPassword);
    char* pDate = CMNFILE_GetDateStr("YYYYMMDD");
    if (pDate != nullptr) {
        std::strcpy(h.strLastUpdate, pDate);
        std::free(pDate);
    }
    if (pRecords != nullptr && !LoadRecords(pRecords)) return 1;
    h.lCount = g_nContCnt;
    void* pOut = nullptr;
    int n = 0;
    int bOk = CONTENTSLIST_EncodeStore(&h, g_pContIf, g_nContCnt, &pOut, &n) && CMNFILE_WriteFile(pPath, pOut, n);
    std::free(pOut);
    if (!bOk) {
        std::fprintf(stderr, "tivtool: cannot write %s\n", pPath);
        return 1;
    }
    return 0;
}

int Show(const char* pUserId)
{
    char strApp[MAX_PATH], strCnt[MAX_PATH] = "", strSkin[MAX_PATH] = "";
    if (!REG_GetAppPath(strApp, sizeof(strApp))) {
        std::printf("no installation: HKLM\\%s has no apppath\n", REG_TIV_KEY);
        return 1;
    }
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, REG_TIV_KEY, 0, KEY_READ, &hKey) == ERROR_SUCCESS) {
        REG_QueryValue(hKey, "cntpath", strCnt, sizeof(strCnt), "");
        REG_QueryValue(hKey, "skin", strSkin, sizeof(strSkin), "");
        RegCloseKey(hKey);
    }
    char strHex[33];
    MD5_StringToHex(pUserId, strHex);
    std::printf("application folder : %s\ncontent path       : %s\nskin               : %s\n", strApp, strCnt, strSkin);
    std::printf("member folder      : %s%s\\\n", strCnt, strHex);

    std::string env = std::string(strApp) + "env.bin";
    if (!ENV_Load(env.c_str())) {
        std::printf("env.bin            : cannot be read (%s)\n", env.c_str());
        return 1;
    }
    const char* keys[] = { "[TITLENAME]", "[CGITOPPAGE]", "[CGIPAGE_GETCONTENTSLIST]", "[DLWEBPAGE]",
                           "[IMAGEWEBPAGE]" };
    for (const char* k : keys) {
        char v[2048];
        std::printf("env %-27s: %s\n", k, ENV_GetValue(v, sizeof(v), k) ? v : "(missing)");
    }
    std::string appset = std::string(strApp) + "appset.bin";
    if (!ENVAPPSETTING_Load(appset.c_str())) {
        if (!ENVAPPSETTING_CreateDefault(appset.c_str()) || !ENVAPPSETTING_Load(appset.c_str())) {
            std::printf("appset.bin         : cannot be made\n");
            return 1;
        }
    }
    const char* akeys[] = { ENVAPPSET_KEY_DISPMODE, ENVAPPSET_KEY_AUTOUPDATE, ENVAPPSET_KEY_AUTODOWNLOAD };
    for (const char* k : akeys) {
        char v[2048];
        std::printf("appset %-24s: %s\n", k, ENVAPPSETTING_GetValue(v, sizeof(v), k) ? v : "(missing)");
    }
    ENVAPPSETTING_Free();
    ENV_Free();

    // The member's catalogue store: one line a content.
    std::string store = std::string(strCnt) + strHex + "\\REG.DAT";
    void* pFile = nullptr;
    int nFile = 0;
    CfhIf hdr;
    ContIf* pRecs = nullptr;
    int nRecs = 0;
    if (CMNFILE_ReadFileEx(store.c_str(), &pFile, &nFile, 0) != ERRID_CMNFILE_NONE ||
        !CONTENTSLIST_DecodeStore(pFile, nFile, &hdr, &pRecs, &nRecs)) {
        std::printf("REG.DAT            : cannot be read\n");
    } else {
        std::printf("REG.DAT            : %d contents\n", nRecs);
        for (int i = 0; i < nRecs; i++) {
            std::printf("  %s state %d  %s / %s / %s / %s  capture %s\n", pRecs[i].strContentsId, pRecs[i].type,
                        pRecs[i].strProductName, pRecs[i].strMakerName, pRecs[i].strPlatform, pRecs[i].strSaleDay,
                        pRecs[i].strGameCapturePath);
        }
    }
    std::free(pRecs);
    if (pFile != nullptr) GlobalFree(pFile);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return Usage();
    std::string cmd = argv[1];
    if (cmd == "invert" && argc == 4) return Invert(argv[2], argv[3]);
    if (cmd == "md5" && argc == 3) {
        char hex[33];
        MD5_StringToHex(argv[2], hex);
        std::printf("%s\n", hex);
        return 0;
    }
    if (cmd == "appset-default" && argc == 3) return ENVAPPSETTING_CreateDefault(argv[2]) ? 0 : 1;
    if (cmd == "show" && argc == 3) return Show(argv[2]);
    if (cmd == "mkstore" && (argc == 5 || argc == 6)) return MakeStore(argv[2], argv[3], argv[4], argc == 6 ? argv[5] : nullptr);
    if (cmd == "exists" && argc == 3) return FindWindowA(argv[2], nullptr) != nullptr ? 0 : 1;
    if (cmd == "close" && argc == 3) {
        HWND h = FindWindowA(argv[2], nullptr);
        return h != nullptr && PostMessageA(h, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    if (cmd == "press" && argc == 4) {
        HWND h = FindWindowA(argv[2], nullptr);
        int nId = std::atoi(argv[3]);
        HWND hCtl = h != nullptr ? GetDlgItem(h, nId) : nullptr;
        if (hCtl == nullptr || !IsWindowEnabled(hCtl)) return 1;
        return PostMessageA(h, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), reinterpret_cast<LPARAM>(hCtl)) ? 0 : 1;
    }
    if (cmd == "rowbutton" && argc == 5) {
        // The launcher's row click posts WM_USER + 50 with the button's number
        // and the content's index.
        HWND h = FindWindowA(argv[2], nullptr);
        return h != nullptr && PostMessageA(h, WM_USER + 50, std::atoi(argv[3]), std::atoi(argv[4])) ? 0 : 1;
    }
    if (cmd == "zenqo" && (argc == 2 || argc == 4)) {
        if (argc == 4) {
            // The application folder ends with "\" (a quoted argument cannot
            // end with one: the command line would read it as a quote).
            std::string app = argv[3];
            if (!app.empty() && app.back() != '\\') app += '\\';
            ZENQO_SetFolders(argv[2], app.c_str());
        }
        LOG_SetProgram("tivtool.log", 299999);
        return ZENQO_ConvertShortcuts() ? 0 : 1;
    }
    return Usage();
}

// pullagent: brings the installed client files up to the service's version
// list, then starts the launcher again (no main window; each download runs
// behind the modal dialog of pgdlwnd.h).
//
//   "pullagent.exe -start tiv,"   update, then "<folder>tiv_launcher.exe" -start tiv,
//   "pullagent.exe -update"       update only
//   "pullagent.exe -salegame id,pw,content,product,mode,"   update, then the sale start
//
// The folder is the current directory. Files: ver.bin (installed versions,
// inverted), version.txt (the service's list from the pack "ver.bin"),
// temp.tmp (the rewrite of ver.bin), env.bin (the pack server under
// "[ZVQCLIENTDLWEBPAGE]"), pullagent.log.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cmnfile.h"
#include "env.h"
#include "list.h"
#include "log.h"
#include "pgdlwnd.h"
#include "pgflow.h"
#include "verlist.h"

namespace {

const char kCaption[] = "報告";
const char kLauncherMutex[] = "Q7Manager_integrate";
// How long the updater waits for a closing launcher to let go of its mutex.
const DWORD kLauncherWaitMs = 30000;

HINSTANCE g_hInst;

void Log(const std::string& s) { LOG_Write(s.c_str()); }

void Report(const char* pText)
{
    Log(std::string(pText) + "\n");
    MessageBoxA(nullptr, pText, kCaption, MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

// The launcher ends after starting the updater but holds its single-instance
// mutex until its process is gone: files it uses cannot be replaced before,
// and a launcher started before would end at once.
void WaitLauncherGone(const char* pWhy)
{
    DWORD start = GetTickCount();
    bool bLogged = false;
    for (;;) {
        HANDLE h = OpenMutexA(SYNCHRONIZE, FALSE, kLauncherMutex);
        if (!h) break;
        CloseHandle(h);
        if (!bLogged) {
            Log(std::string("WaitLauncherGone::waiting for the launcher to end (") + pWhy + ")\n");
            bLogged = true;
        }
        if (GetTickCount() - start >= kLauncherWaitMs) {
            Log("WaitLauncherGone::the launcher still runs: going on\n");
            return;
        }
        Sleep(100);
    }
    if (bLogged) Log("WaitLauncherGone::the launcher has ended\n");
}

int ReadWhole(const std::string& path, std::string* pOut)
{
    void* pBuf = nullptr;
    int nSize = 0;
    if (CMNFILE_ReadFileEx(path.c_str(), &pBuf, &nSize, 0) != ERRID_CMNFILE_NONE) return 0;
    pOut->assign(static_cast<const char*>(pBuf), static_cast<size_t>(nSize));
    GlobalFree(pBuf);
    return 1;
}

int WriteWhole(const std::string& path, const std::string& bytes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    DWORD done = 0;
    BOOL bOk = bytes.empty() || (WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
                                 done == bytes.size());
    if (!CloseHandle(h)) bOk = FALSE;
    if (!bOk) DeleteFileA(path.c_str());
    return bOk ? 1 : 0;
}

std::string Inverted(std::string s)
{
    if (!s.empty()) CMNFILE_InvertBytes(&s[0], static_cast<int>(s.size()));
    return s;
}

}  // namespace

int PULLAGENT_GetPatchVersionFile(HINSTANCE hInst, const char* pFolder, const char* pName)
{
    if (!DLWND_DoModal(hInst, nullptr, 100, pFolder, pName)) {
        Report("パッチバージョンファイルを取得できませんでした。ダウンロード処理を中止します(PGT:008)。");
        return 0;
    }
    return 1;
}

int GetLocalFileVersion(LIST* pList, const char* pPath)
{
    std::string bytes;
    if (!ReadWhole(pPath, &bytes)) return 0;
    Log("GetLocalFileVersion::starting\n");
    std::string plain = Inverted(bytes);
    Log("GetLocalFileVersion::pass00\n");
    Log(plain);
    Log("GetLocalFileVersion::pass01\n");
    VERLIST_ParseFileVersions(pList, plain.c_str());
    Log("GetLocalFileVersion::pass02\n");
    return 1;
}

// ver.bin with one entry set: the new text goes to temp.tmp first and then
// replaces ver.bin in one move, so a failure leaves ver.bin as it was.
int PULLAGENT_SetLocalFileVersion(const char* pPath, const char* pName, int nVersion)
{
    std::string bytes;
    if (!ReadWhole(pPath, &bytes)) {
        if (GetFileAttributesA(pPath) != INVALID_FILE_ATTRIBUTES) {
            // There but unreadable: rewriting it would lose every other line.
            Report("ファイルの読み込みに失敗しました。\n処理を中止します(PGT:011)。");
            return 0;
        }
        bytes.clear();
    }
    std::string folder = pPath;
    size_t cut = folder.find_last_of('\\');
    folder = cut == std::string::npos ? std::string() : folder.substr(0, cut + 1);
    const std::string temp = folder + "temp.tmp";
    std::string plain = Inverted(bytes);
    std::string next = PGFLOW_SetVersion(plain.data(), static_cast<int>(plain.size()), pName, nVersion);
    if (!WriteWhole(temp, Inverted(next)) || !MoveFileExA(temp.c_str(), pPath, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temp.c_str());
        Report("ファイルの作成に失敗しました。\n処理を中止します(PGT:010)。");
        return 0;
    }
    char line[1200];
    std::snprintf(line, sizeof(line), "PULLAGENT_SetLocalFileVersion::%.1000s,%d,\n", pName, nVersion);
    Log(line);
    return 1;
}

int PULLAGENT_UpdateFiles(const char* pPath, LIST* pList, const char* pText, int nLen, const char* pFolder)
{
    std::vector<PgWork> work;
    PGFLOW_PlanUpdate(pList, pText, nLen, &work);
    for (const PgWork& w : work) {
        Log("PULLAGENT_UpdateFiles::pack[" + w.strPack + "] for[" + w.strName + "]\n");
        int bOk = 0;
        if (w.strPack.empty()) Log("PULLAGENT_UpdateFiles::no usable pack name: not fetched\n");
        else bOk = DLWND_DoModal2(g_hInst, nullptr, 100, pFolder, w.strPack.c_str());
        if (!bOk) {
            Report(w.bKnown ? "ダウンロード処理を中止します(PGT:009)。" : "ダウンロード処理を中止します(PGT:012)。");
            return 0;
        }
        if (!PULLAGENT_SetLocalFileVersion(pPath, w.strName.c_str(), w.nVersion)) return 0;
    }
    return 1;
}

namespace {

int StartLauncher(const char* pFolder, const PgCmd& cmd)
{
    if (cmd.nMode == eGD_MODE_UPDATEONLY) {
        Log("eGD_MODE_UPDATEONLY\n");
        return 1;
    }
    Log(cmd.nMode == eGD_MODE_SALEGAME ? "eGD_MODE_SALEGAME\n" : "eGD_MODE_LAUNCHER\n");
    static char strCmd[8 * PG_FIELD_MAX];
    static char strLogged[8 * PG_FIELD_MAX];
    if (!PGFLOW_MakeLauncherCommand(strCmd, sizeof(strCmd), strLogged, sizeof(strLogged), pFolder, &cmd)) {
        Log("StartLauncher::the command does not fit\n");
        return 0;
    }
    Log(std::string(strLogged) + "\n");
    WaitLauncherGone("start");
    std::string app = std::string(pFolder) + "tiv_launcher.exe";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(app.c_str(), strCmd, nullptr, nullptr, FALSE, 0, nullptr, pFolder, &si, &pi)) {
        char line[64];
        std::snprintf(line, sizeof(line), "StartLauncher::err::CreateProcess[%lu]\n",
                      static_cast<unsigned long>(GetLastError()));
        Log(line);
        return 0;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 1;
}

int Run(HINSTANCE hInst, const char* pCmdLine)
{
    g_hInst = hInst;
    LIST list;
    LIST_Init(&list);
    char strTitle[128] = "", strClass[128] = "";
    LoadStringA(hInst, 103, strTitle, sizeof(strTitle));
    LoadStringA(hInst, 109, strClass, sizeof(strClass));
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = hInst;
    wc.lpszClassName = strClass;
    RegisterClassExA(&wc);
    INITCOMMONCONTROLSEX icc = { sizeof(icc), ICC_PROGRESS_CLASS };
    InitCommonControlsEx(&icc);

    PgCmd cmd;
    if (PGFLOW_ParseCommandLine(pCmdLine, &cmd) == eGD_MODE_BADPARAM) {
        Report("パラメータ不正の為、処理を中止します(PGT:006)。");
        return 0;
    }
    char strDir[PG_FIELD_MAX];
    DWORD n = GetCurrentDirectoryA(sizeof(strDir) - 1, strDir);
    if (n == 0 || n >= sizeof(strDir) - 1) {
        Report("パラメータ不正の為、処理を中止します(PGT:006)。");
        return 0;
    }
    std::string folder = strDir;
    if (folder.back() != '\\') folder += '\\';

    // A list left by an earlier run must not pass for the service's.
    const std::string verTxt = folder + "version.txt";
    DeleteFileA(verTxt.c_str());
    char strServer[1024] = "";
    if (!ENV_Load((folder + "env.bin").c_str()) || !ENV_GetValue(strServer, sizeof(strServer), "[ZVQCLIENTDLWEBPAGE]") ||
        strServer[0] == '\0') {
        Log("WinMain::no pack server in env.bin\n");
        Report("パッチバージョンファイルを取得できませんでした。ダウンロード処理を中止します(PGT:008)。");
        return 0;
    }
    DLWND_SetServer(strServer);
    WaitLauncherGone("files");
    if (!PULLAGENT_GetPatchVersionFile(hInst, folder.c_str(), "ver.bin")) return 0;

    const std::string verBin = folder + "ver.bin";
    GetLocalFileVersion(&list, verBin.c_str());
    std::string text;
    if (!ReadWhole(verTxt, &text)) {
        Log("WinMain::version.txt is missing\n");
        Report("パッチバージョンファイルを取得できませんでした。ダウンロード処理を中止します(PGT:008)。");
        LIST_Free(&list);
        return 0;
    }
    int r = PULLAGENT_UpdateFiles(verBin.c_str(), &list, text.c_str(), static_cast<int>(text.size()), folder.c_str());
    LIST_Free(&list);
    if (!r) {
        Log("pass00\n");
        return 0;
    }
    DeleteFileA(verTxt.c_str());
    Log("pass01\n");
    Log("kick contents ... \n");
    StartLauncher(folder.c_str(), cmd);
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInst, HINSTANCE, LPSTR lpCmdLine, int)
{
    LOG_SetProgram("pullagent.log", 1023);
    Run(hInst, lpCmdLine != nullptr ? lpCmdLine : "");
    // A download left running by a Cancel ends by itself first.
    if (!DLWND_WaitIdle(PG_EXIT_WAIT_MS)) LOG_Write("WinMain::a download thread is still blocked at exit\n");
    ENV_Free();
    LOG_Close();
    return 0;
}

#include "winprobe.h"

#include <tlhelp32.h>

#include <utility>
#include <vector>

namespace {
std::vector<DWORD> g_started;   // process ids, so that closed handles do not matter
// A handle of each, kept open for Probe_KillAll: under Wine process ids come
// back within seconds, and terminating by an id that had come back killed
// another test's program.
std::vector<HANDLE> g_startedHandles;

void Remember(DWORD pid, HANDLE process)
{
    g_started.push_back(pid);
    if (process != nullptr) g_startedHandles.push_back(process);
}
}

namespace {

// Other test processes run their own programs beside this one, with windows
// of the same class and caption: a window counts only when it belongs to
// this process or to a program it started (or one those started in turn).
bool OursOrOurProgramsWindow(HWND h)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid == GetCurrentProcessId()) return true;
    std::vector<std::pair<DWORD, DWORD>> parents;   // process, its parent
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap != INVALID_HANDLE_VALUE) {
        PROCESSENTRY32 pe = {};
        pe.dwSize = sizeof(pe);
        for (BOOL ok = Process32First(snap, &pe); ok; ok = Process32Next(snap, &pe))
            parents.emplace_back(pe.th32ProcessID, pe.th32ParentProcessID);
        CloseHandle(snap);
    }
    for (int depth = 0; depth < 8 && pid != 0; depth++) {
        for (DWORD id : g_started) {
            if (id == pid) return true;
        }
        DWORD parent = 0;
        for (const auto& p : parents) {
            if (p.first == pid) parent = p.second;
        }
        if (parent == pid) break;
        pid = parent;
    }
    return false;
}

struct FindCtx { const char* cls; const char* caption; HWND found; };

BOOL CALLBACK FindOne(HWND h, LPARAM l)
{
    auto* c = reinterpret_cast<FindCtx*>(l);
    char cls[256] = "", text[1024] = "";
    if (c->cls != nullptr) {
        GetClassNameA(h, cls, sizeof(cls));
        if (lstrcmpiA(cls, c->cls) != 0) return TRUE;
    }
    if (c->caption != nullptr) {
        GetWindowTextA(h, text, sizeof(text));
        if (lstrcmpA(text, c->caption) != 0) return TRUE;
    }
    if (!OursOrOurProgramsWindow(h)) return TRUE;
    c->found = h;
    return FALSE;
}

}  // namespace

// How long a found window may take to finish being made.
constexpr UINT kReadyTimeoutMs = 20000;

HWND Probe_WaitWindow(const char* pClass, const char* pCaption, int nTimeoutMs)
{
    DWORD t0 = GetTickCount();
    for (;;) {
        FindCtx ctx = { pClass, pCaption, nullptr };
        EnumWindows(FindOne, reinterpret_cast<LPARAM>(&ctx));
        if (ctx.found != nullptr) {
            // A window is listed from the moment it is made, before its
            // controls exist and before WM_CREATE or WM_INITDIALOG has run;
            // its thread takes a sent message only once it waits for
            // messages again, so the round trip waits for it to be ready.
            DWORD_PTR r = 0;
            SendMessageTimeoutA(ctx.found, WM_NULL, 0, 0, SMTO_NORMAL, kReadyTimeoutMs, &r);
            return ctx.found;
        }
        if (static_cast<int>(GetTickCount() - t0) > nTimeoutMs) return nullptr;
        Sleep(50);
    }
}

// The box's caption is set a moment before its text (both while the dialog
// initialises), so a box found by its caption may not say anything yet.
std::string Probe_MessageBoxText(HWND hDlg)
{
    char buf[2048] = "";
    DWORD t0 = GetTickCount();
    for (;;) {
        HWND hText = GetDlgItem(hDlg, 0xFFFF);
        if (hText != nullptr) GetWindowTextA(hText, buf, sizeof(buf));
        if (buf[0] != '\0' || !IsWindow(hDlg) || GetTickCount() - t0 > 5000) return buf;
        Sleep(20);
    }
}

void Probe_PressButton(HWND hDlg, int nId)
{
    PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hDlg, nId)));
}

HANDLE Probe_Start(const std::string& exe, const std::string& cmdLine, const std::string& dir)
{
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::vector<char> cmd(cmdLine.begin(), cmdLine.end());
    cmd.push_back('\0');
    if (!CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &si, &pi)) {
        return nullptr;
    }
    CloseHandle(pi.hThread);
    HANDLE kept = nullptr;
    DuplicateHandle(GetCurrentProcess(), pi.hProcess, GetCurrentProcess(), &kept, 0, FALSE, DUPLICATE_SAME_ACCESS);
    Remember(pi.dwProcessId, kept);
    return pi.hProcess;
}

int Probe_Adopt(const std::string& imagePath)
{
    int n = 0;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof(pe);
    for (BOOL ok = Process32First(snap, &pe); ok; ok = Process32Next(snap, &pe)) {
        // The first module of a process is its image.
        HANDLE h = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pe.th32ProcessID);
        if (h == INVALID_HANDLE_VALUE) continue;
        MODULEENTRY32 me = {};
        me.dwSize = sizeof(me);
        if (Module32First(h, &me) && lstrcmpiA(me.szExePath, imagePath.c_str()) == 0) {
            n++;
            bool known = false;
            for (DWORD id : g_started) known = known || id == pe.th32ProcessID;
            if (!known)
                Remember(pe.th32ProcessID, OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pe.th32ProcessID));
        }
        CloseHandle(h);
    }
    CloseHandle(snap);
    return n;
}

void Probe_KillAll()
{
    for (HANDLE h : g_startedHandles) {
        if (WaitForSingleObject(h, 0) == WAIT_TIMEOUT) {
            TerminateProcess(h, 99);
            WaitForSingleObject(h, 5000);
        }
        CloseHandle(h);
    }
    g_startedHandles.clear();
    g_started.clear();
}

bool Probe_WaitFor(const std::function<bool()>& done, int nTimeoutMs)
{
    DWORD t0 = GetTickCount();
    while (!done()) {
        if (GetTickCount() - t0 >= static_cast<DWORD>(nTimeoutMs)) return done();
        Sleep(50);
    }
    return true;
}

int Probe_WaitExit(HANDLE hProcess, int nTimeoutMs)
{
    if (hProcess == nullptr) return -1;
    if (WaitForSingleObject(hProcess, nTimeoutMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(hProcess, &code);
    return static_cast<int>(code);
}

std::string Probe_HostPath(const std::string& unixPath)
{
    std::string p = "Z:" + unixPath;
    for (auto& c : p) if (c == '/') c = '\\';
    return p;
}

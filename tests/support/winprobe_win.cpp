#include "winprobe.h"

#include <vector>

HWND Probe_WaitWindow(const char* pClass, const char* pCaption, int nTimeoutMs)
{
    DWORD t0 = GetTickCount();
    for (;;) {
        HWND h = FindWindowA(pClass, pCaption);
        if (h != nullptr) return h;
        if (static_cast<int>(GetTickCount() - t0) > nTimeoutMs) return nullptr;
        Sleep(50);
    }
}

std::string Probe_MessageBoxText(HWND hDlg)
{
    char buf[2048] = "";
    HWND hText = GetDlgItem(hDlg, 0xFFFF);
    if (hText != nullptr) GetWindowTextA(hText, buf, sizeof(buf));
    return buf;
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
    return pi.hProcess;
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

// A stand-in launcher for the updater's tests, installed as tiv_launcher.exe.
//   --hold <ms>: holds the launcher's single-instance mutex that long (a
//                launcher that is closing), after creating "holding" beside it;
//   otherwise:   appends its command line, its current folder and whether the
//                launcher's mutex still existed to "launcher.rec" beside it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR lpCmdLine, int)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof(self));
    std::string dir = self;
    dir = dir.substr(0, dir.find_last_of('\\') + 1);
    if (std::strncmp(lpCmdLine, "--hold ", 7) == 0) {
        HANDLE h = CreateMutexA(nullptr, FALSE, "Q7Manager_integrate");
        FILE* f = std::fopen((dir + "holding").c_str(), "wb");
        if (f) std::fclose(f);
        Sleep(static_cast<DWORD>(std::atol(lpCmdLine + 7)));
        DeleteFileA((dir + "holding").c_str());
        CloseHandle(h);
        return 0;
    }
    HANDLE m = OpenMutexA(SYNCHRONIZE, FALSE, "Q7Manager_integrate");
    if (m) CloseHandle(m);
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof(cwd), cwd);
    FILE* f = std::fopen((dir + "launcher.rec").c_str(), "ab");
    if (!f) return 1;
    std::fprintf(f, "cmd=%s\ncwd=%s\nmutex=%d\n", GetCommandLineA(), cwd, m ? 1 : 0);
    std::fclose(f);
    return 0;
}

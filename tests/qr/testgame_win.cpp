// A stand-in game for the runner's tests. It writes what it was given into
// "game.rec" beside its executable, then runs for the time that "game.cfg"
// beside it says, or until its main thread receives WM_DESTROY or 0x800 (what
// the runner posts). With "hold=<ms>" in the configuration it leaves a helper
// ("holder.exe", a copy of this program) holding its executable open that
// long after it has ended; with "closerunner=1" it posts WM_CLOSE to the
// runner's window as it ends. Installed as the music player, it behaves as the
// player does with "-d": it records the hash of the archive named by its
// first quoted argument and deletes the archive.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string Folder(const std::string& path)
{
    size_t n = path.find_last_of('\\');
    return n == std::string::npos ? std::string() : path.substr(0, n + 1);
}

// FNV-1a of the whole file: the test compares it with the original's.
unsigned long HashFile(const char* path, unsigned long* pSize)
{
    unsigned long h = 2166136261u;
    *pSize = 0;
    FILE* f = std::fopen(path, "rb");
    if (!f) return 0;
    int c;
    while ((c = std::fgetc(f)) != EOF) {
        h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
        (*pSize)++;
    }
    std::fclose(f);
    return h;
}

int Hold(const char* args)
{
    // "--hold <ms> <path>": keep the file open, without delete sharing.
    char* end = nullptr;
    long ms = std::strtol(args, &end, 10);
    while (*end == ' ') end++;
    HANDLE h = CreateFileA(end, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE ev = OpenEventA(EVENT_MODIFY_STATE, FALSE, "tiv-testgame-held");
    if (ev) { SetEvent(ev); CloseHandle(ev); }
    Sleep(ms);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    return 0;
}

// "\"<program>\" \"<archive>\" -d ...": the archive, or "" without "-d".
std::string PlayerArchive(const char* cmd)
{
    std::string c(cmd);
    if (c.find(" -d") == std::string::npos) return "";
    size_t a = c.find('"');
    if (a == std::string::npos) return "";
    a = c.find('"', a + 1);                       // end of the program
    if (a == std::string::npos) return "";
    a = c.find('"', a + 1);                       // start of the archive
    size_t b = a == std::string::npos ? a : c.find('"', a + 1);
    if (b == std::string::npos) return "";
    return c.substr(a + 1, b - a - 1);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR lpCmdLine, int)
{
    if (std::strncmp(lpCmdLine, "--hold ", 7) == 0) return Hold(lpCmdLine + 7);

    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof(self));
    std::string dir = Folder(self);
    long runMs = 1000, holdMs = 0;
    bool bCloseRunner = false;
    if (FILE* f = std::fopen((dir + "game.cfg").c_str(), "r")) {
        char line[256];
        while (std::fgets(line, sizeof(line), f)) {
            if (std::strncmp(line, "run=", 4) == 0) runMs = std::atol(line + 4);
            if (std::strncmp(line, "hold=", 5) == 0) holdMs = std::atol(line + 5);
            if (std::strncmp(line, "closerunner=1", 13) == 0) bCloseRunner = true;
        }
        std::fclose(f);
    }
    // The thread's queue exists before the game says it has started, so a
    // thread message posted from then on is not lost.
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    std::string rec = dir + "game.rec";
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof(cwd), cwd);
    unsigned long size = 0, hash = HashFile(self, &size);
    if (FILE* f = std::fopen(rec.c_str(), "ab")) {
        std::fprintf(f, "cmdline=[%s]\ncwd=[%s]\nsize=%lu\nhash=%08lx\n", GetCommandLineA(), cwd, size, hash);
        std::string archive = PlayerArchive(GetCommandLineA());
        if (!archive.empty()) {
            unsigned long aSize = 0, aHash = HashFile(archive.c_str(), &aSize);
            std::fprintf(f, "archive=%lu,%08lx\n", aSize, aHash);
            DeleteFileA(archive.c_str());
        }
        std::fprintf(f, "started\n");
        std::fclose(f);
    }

    const char* why = "timeout";
    DWORD t0 = GetTickCount();
    for (bool done = false; !done;) {
        DWORD spent = GetTickCount() - t0;
        if (spent >= static_cast<DWORD>(runMs)) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, runMs - spent, QS_ALLINPUT);
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.hwnd == nullptr && msg.message == WM_DESTROY) { why = "WM_DESTROY"; done = true; }
            if (msg.hwnd == nullptr && msg.message == 0x800) { why = "0x800"; done = true; }
        }
    }
    if (holdMs > 0) {
        HANDLE ev = CreateEventA(nullptr, TRUE, FALSE, "tiv-testgame-held");
        std::string cmd = "holder.exe --hold " + std::to_string(holdMs) + " " + self;
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        if (CreateProcessA((dir + "holder.exe").c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            WaitForSingleObject(ev, 5000);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
        CloseHandle(ev);
    }
    if (FILE* f = std::fopen(rec.c_str(), "ab")) {
        std::fprintf(f, "ended=%s\n", why);
        std::fclose(f);
    }
    // The runner's window closed as this process ends: its wait thread is
    // then waking up to log and write pt.bin.
    if (bCloseRunner) {
        HWND runner = FindWindowA("tiv Launcher", "tiv Launcher");
        if (runner != nullptr) PostMessageA(runner, WM_CLOSE, 0, 0);
    }
    return 0;
}

#include "run_program.h"

#include "testdir.h"
#include "winprobe.h"

#include <windows.h>

namespace {

// One argument quoted for the C runtime's command-line parser.
std::string Quote(const std::string& a)
{
    if (!a.empty() && a.find_first_of(" \t\"") == std::string::npos) return a;
    std::string q = "\"";
    size_t slashes = 0;
    for (char c : a) {
        if (c == '\\') {
            slashes++;
            continue;
        }
        if (c == '"') q.append(slashes * 2 + 1, '\\');
        else q.append(slashes, '\\');
        slashes = 0;
        q += c;
    }
    q.append(slashes * 2, '\\');
    return q + "\"";
}

HANDLE OpenOutput(const char* name)
{
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    return CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &sa, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ProgramResult RunProgram(const std::string& exe, const std::vector<std::string>& args)
{
    ProgramResult r;
    std::string line = Quote(exe);
    for (const std::string& a : args) line += " " + Quote(a);
    // Fresh names each run: Wine may close a finished child's handles a
    // moment after the wait returns, and the next run must not find the
    // old file still held.
    static int runs = 0;
    runs++;
    const std::string outPath = "program-" + std::to_string(runs) + "-stdout.txt";
    const std::string errPath = "program-" + std::to_string(runs) + "-stderr.txt";
    HANDLE out = OpenOutput(outPath.c_str());
    HANDLE err = OpenOutput(errPath.c_str());
    if (out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE) {
        if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
        if (err != INVALID_HANDLE_VALUE) CloseHandle(err);
        return r;
    }
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi = {};
    std::vector<char> cmd(line.begin(), line.end());
    cmd.push_back(0);
    BOOL ok = CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                             &si, &pi);
    CloseHandle(out);
    CloseHandle(err);
    if (ok) {
        DWORD code = static_cast<DWORD>(-1);
        if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) {
            GetExitCodeProcess(pi.hProcess, &code);
            r.exitCode = static_cast<int>(code);
        } else {
            TerminateProcess(pi.hProcess, 1);
            WaitForSingleObject(pi.hProcess, 5000);
        }
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    r.out = ReadAll(outPath);
    r.err = ReadAll(errPath);
    return r;
}

std::string HostPath(const std::string& unixPath)
{
    return Probe_HostPath(unixPath);
}

#include "run_program.h"

#include "testdir.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

ProgramResult RunProgram(const std::string& exe, const std::vector<std::string>& args)
{
    ProgramResult r;
    static int runs = 0;
    runs++;
    const std::string outPath = "program-" + std::to_string(runs) + "-stdout.txt";
    const std::string errPath = "program-" + std::to_string(runs) + "-stderr.txt";
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(exe.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    pid_t pid = fork();
    if (pid < 0) return r;
    if (pid == 0) {
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0) _exit(127);
        dup2(out, 1);
        dup2(err, 2);
        execv(exe.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            status = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (status != -1 && WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
    r.out = ReadAll(outPath);
    r.err = ReadAll(errPath);
    return r;
}

std::string HostPath(const std::string& unixPath)
{
    return unixPath;
}

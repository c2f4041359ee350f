// Runs a program of the build as the tests' own child process and collects
// its exit code, standard output and standard error (as bytes), in either
// configuration: natively with fork and exec, on Windows (under Wine) with
// CreateProcess.
//
//   ProgramResult r = RunProgram(HostPath(SONGRENDER), {"a", "1", "2", "o.wav"});
//   EXPECT_EQ(r.exitCode, 0) << r.err;
#pragma once

#include <string>
#include <vector>

struct ProgramResult {
    int exitCode = -1;   // -1: it did not start or did not end in time
    std::string out;
    std::string err;
};

// Runs exe with the arguments in the current folder and waits up to a minute.
ProgramResult RunProgram(const std::string& exe, const std::vector<std::string>& args);

// A path of the build tree as the program under test sees it: unchanged
// natively, "Z:\..." under Wine.
std::string HostPath(const std::string& unixPath);

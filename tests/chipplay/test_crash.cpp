// The crash report: a child program faults for real (on a worker thread)
// and the test reads the chipplay-error.log it leaves behind.
#include "testdir.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace {

struct Crash {
    DWORD exitCode = 0;
    std::string log;
    std::string stderrText;
};

Crash RunProbe(const std::string& mode, const TestDir& dir)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string exe = self;
    exe = exe.substr(0, exe.find_last_of("\\/") + 1) + "crash_probe.exe";
    std::string cmd = "\"" + exe + "\" " + mode;

    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE err = CreateFileA(dir.file("stderr.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = err;
    si.hStdError = err;
    PROCESS_INFORMATION pi = {};
    Crash c;
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    BOOL ok = CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, dir.path().c_str(), &si, &pi);
    CloseHandle(err);
    EXPECT_TRUE(ok) << cmd;
    if (!ok) return c;
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
    GetExitCodeProcess(pi.hProcess, &c.exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    c.log = ReadAll(dir.file("chipplay-error.log"));
    c.stderrText = ReadAll(dir.file("stderr.txt"));
    return c;
}

int Count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) n++;
    return n;
}

std::string Section(const std::string& log, const std::string& title, const std::string& next)
{
    size_t a = log.find(title + "\n");
    size_t b = next.empty() ? log.size() : log.find(next, a);
    if (a == std::string::npos || b == std::string::npos) return "";
    return log.substr(a + title.size() + 1, b - a - title.size() - 1);
}

// Addresses, registers and stack slots are as wide as a pointer; the
// registers are the 32-bit ones (eip, eax, ...) or the 64-bit ones (rip, ...).
const std::string kW = std::to_string(2 * sizeof(void*));
const std::string kR = sizeof(void*) == 8 ? "r" : "e";

// A hexadecimal field of the pointer's width, as the report writes it.
std::string Field(unsigned long long v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%0*llx", static_cast<int>(2 * sizeof(void*)), v);
    return text;
}

// Checks the layout every report shares and returns the report in "\n" lines.
std::string CheckReport(const std::string& rawLog)
{
    const std::string h = "[0-9a-f]{" + kW + "}";
    const std::string H = "[0-9A-Fa-f]{" + kW + "}";
    std::string log = std::regex_replace(rawLog, std::regex("\r\n"), "\n");
    EXPECT_EQ(Count(log, std::string(64, '-')), 1) << log;
    std::regex head(
        "^\n-{64}\n"
        "Date: \\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}\n"
        "APP: TIV VELQA Test \\(1\\.2\\.3\\)\n"
        "OS: Microsoft Windows [^\n]+\n"
        "Exception:\n"
        "exception code:[0-9a-f]{8} \\[[A-Z_()]+\\]\n"
        "exception address:" + H + "\n"
        "(exception information:(read|write|execute):" + h + "\n)?" +
        kR + "ip:" + h + "\n"
        "eflags:[0-9a-f]{8}\n" +
        kR + "ax:" + h + " " + kR + "bx:" + h + " " + kR + "cx:" + h + " " + kR + "dx:" + h + "\n" +
        kR + "si:" + h + " " + kR + "di:" + h + " " + kR + "bp:" + h + " " + kR + "sp:" + h + "\n"
        "\nCode:\n");
    EXPECT_TRUE(std::regex_search(log, head)) << log;

    std::string code = Section(log, "Code:", "\nStack:");
    EXPECT_TRUE(std::regex_match(code, std::regex("(" + H + ":( [0-9a-f]{2}| --){16}\n){2}"))) << code;
    std::string stack = Section(log, "Stack:", "\nCall Trace:");
    EXPECT_TRUE(std::regex_match(stack, std::regex("(" + H + ":( " + h + "| -{" + kW + "}){4}\n){16}"))) << stack;
    std::string trace = Section(log, "Call Trace:", "");
    EXPECT_TRUE(std::regex_match(trace, std::regex("(\\[" + h + ":" + h + "\\]\n){0,32}"))) << trace;
    return log;
}

TEST(CrashReport, WriteFaultOnAWorkerThread)
{
    TestDir dir;
    Crash c = RunProbe("write", dir);
    std::printf("%s", c.log.c_str());
    EXPECT_NE(c.exitCode, 3u);   // the fault ended it
    std::string log = CheckReport(c.log);
    EXPECT_NE(log.find("exception code:c0000005 [ACCESS_VIOLATION]\n"), std::string::npos);
    EXPECT_NE(log.find("exception information:write:" + Field(0x2A) + "\n"), std::string::npos);

    // The instruction pointer is inside the program: its code bytes are
    // there, and the stack scan finds at least the call into the faulting
    // function.
    std::smatch eip;
    ASSERT_TRUE(std::regex_search(log, eip, std::regex(kR + "ip:([0-9a-f]{" + kW + "})")));
    std::string code = Section(log, "Code:", "\nStack:");
    EXPECT_EQ(Count(code, " --"), 0);
    std::string at = code.substr(0, eip[1].length());
    for (auto& ch : at) ch = static_cast<char>(tolower(ch));
    EXPECT_EQ(at, eip[1].str());
    std::string trace = Section(log, "Call Trace:", "");
    EXPECT_GE(Count(trace, "["), 1);
    EXPECT_EQ(trace.substr(1, eip[1].length()), eip[1].str());   // the first line starts at eip
}

TEST(CrashReport, ReadFault)
{
    TestDir dir;
    Crash c = RunProbe("read", dir);
    std::string log = CheckReport(c.log);
    EXPECT_NE(log.find("exception information:read:" + Field(0x30) + "\n"), std::string::npos) << log;
}

TEST(CrashReport, WildEipShowsUnreadableCode)
{
    TestDir dir;
    Crash c = RunProbe("jump", dir);
    std::string log = CheckReport(c.log);
    EXPECT_NE(log.find(kR + "ip:" + Field(0x10) + "\n"), std::string::npos) << log;
    // Wine, like Windows with data execution prevention, flags the fetch as an execution.
    EXPECT_NE(log.find("exception information:execute:" + Field(0x10) + "\n"), std::string::npos) << log;
    std::string code = Section(log, "Code:", "\nStack:");
    EXPECT_EQ(Count(code, " --"), 32) << code;
}

TEST(CrashReport, UnknownExceptionCode)
{
    TestDir dir;
    Crash c = RunProbe("unknown", dir);
    std::string log = CheckReport(c.log);
    EXPECT_NE(log.find("exception code:e0000123 [(UNKNOWN)]\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("exception information:"), std::string::npos);
}

TEST(CrashReport, DivideByZeroIsNamed)
{
    TestDir dir;
    Crash c = RunProbe("divide", dir);
    std::string log = CheckReport(c.log);
    EXPECT_NE(log.find("exception code:c0000094 [INT_DIVIDE_BY_ZERO]\n"), std::string::npos) << log;
}

TEST(CrashReport, TwoFaultingThreadsGiveOneReport)
{
    TestDir dir;
    Crash c = RunProbe("two", dir);
    std::string log = CheckReport(c.log);   // one separator, one whole report
    EXPECT_EQ(Count(log, "Exception:"), 1);
    EXPECT_EQ(Count(log, "Call Trace:"), 1);
}

TEST(CrashReport, UnwritableLogGoesToStandardError)
{
    TestDir dir;
    std::filesystem::create_directory("chipplay-error.log");
    Crash c = RunProbe("write", dir);
    EXPECT_NE(c.exitCode, 3u);
    EXPECT_NE(c.stderrText.find("exception code:c0000005 [ACCESS_VIOLATION]"), std::string::npos) << c.stderrText;
    EXPECT_NE(c.stderrText.find("Call Trace:"), std::string::npos);
}

}  // namespace

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "cmnfile.h"
#include "errmsg.h"
#include "log.h"
#include "testdir.h"

namespace {

std::string WinPath(const TestDir& d, const std::string& rel)
{
    std::string p = d.path() + rel;
    for (auto& c : p) if (c == '/') c = '\\';
    return p;
}

TEST(Files, ReadFileExHandsOutTheFileAndZeroedExtraBytes)
{
    TestDir d;
    WriteAll(d.file("a.bin"), std::string("\x01\x02\x03", 3));
    void* p = nullptr;
    int n = -1;
    ASSERT_EQ(CMNFILE_ReadFileEx(WinPath(d, "a.bin").c_str(), &p, &n, 2), ERRID_CMNFILE_NONE);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(n, 5);
    EXPECT_EQ(std::string(static_cast<char*>(p), 5), std::string("\x01\x02\x03\0\0", 5));
    GlobalFree(p);

    WriteAll(d.file("empty.bin"), "");
    ASSERT_EQ(CMNFILE_ReadFile(WinPath(d, "empty.bin").c_str(), &p, 1), ERRID_CMNFILE_NONE);
    EXPECT_EQ(static_cast<char*>(p)[0], 0);
    GlobalFree(p);

    p = reinterpret_cast<void*>(1);
    EXPECT_EQ(CMNFILE_ReadFileEx(WinPath(d, "missing.bin").c_str(), &p, &n, 0), ERRID_CMNFILE_OPEN);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(CMNFILE_ReadFileEx(WinPath(d, "").c_str(), &p, &n, 0), ERRID_CMNFILE_OPEN);   // a folder
}

TEST(Files, WriteFileReplacesAndReportsFailure)
{
    TestDir d;
    std::string path = WinPath(d, "w.bin");
    WriteAll(d.file("w.bin"), "old contents that are longer");
    ASSERT_EQ(CMNFILE_WriteFile(path.c_str(), "new", 3), 1);
    EXPECT_EQ(ReadAll(d.file("w.bin")), "new");
    EXPECT_EQ(CMNFILE_WriteFile(WinPath(d, "no\\such\\folder\\w.bin").c_str(), "x", 1), 0);
    EXPECT_EQ(CMNFILE_IsExist(path.c_str()), 1);
    EXPECT_EQ(CMNFILE_IsExist(WinPath(d, "").c_str()), 1);
    EXPECT_EQ(CMNFILE_IsExist(WinPath(d, "nothing").c_str()), 0);
}

TEST(Files, MakeDirCreatesEveryMissingFolder)
{
    TestDir d;
    CreateDirectoryA(WinPath(d, "x").c_str(), nullptr);
    ASSERT_EQ(CMNFILE_MakeDir(WinPath(d, "x\\y\\z\\").c_str()), 1);
    DWORD a = GetFileAttributesA(WinPath(d, "x\\y\\z").c_str());
    ASSERT_NE(a, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(a & FILE_ATTRIBUTE_DIRECTORY);
    // The part after the last "\" is a file name and is not made.
    ASSERT_EQ(CMNFILE_MakeDir(WinPath(d, "p\\q\\file.txt").c_str()), 1);
    EXPECT_EQ(CMNFILE_IsExist(WinPath(d, "p\\q").c_str()), 1);
    EXPECT_EQ(CMNFILE_IsExist(WinPath(d, "p\\q\\file.txt").c_str()), 0);
    // Relative to the current folder too.
    ASSERT_EQ(CMNFILE_MakeDir("rel\\sub\\"), 1);
    EXPECT_EQ(CMNFILE_IsExist(WinPath(d, "rel\\sub").c_str()), 1);
    // Everything there already.
    EXPECT_EQ(CMNFILE_MakeDir(WinPath(d, "x\\y\\z\\").c_str()), 1);
}

TEST(Files, MakeDirEndsWithAFailureWhenAFolderCannotBeMade)
{
    TestDir d;
    WriteAll(d.file("afile"), "x");
    EXPECT_EQ(CMNFILE_MakeDir(WinPath(d, "afile\\sub\\").c_str()), 0);      // a file in the way
    EXPECT_EQ(CMNFILE_MakeDir(WinPath(d, "bad<name>\\sub\\").c_str()), 0);  // a name the system refuses
    EXPECT_EQ(CMNFILE_MakeDir(""), 0);
}

// Run by CTest in a time zone far east and far west of UTC as well.
TEST(DateStr, IsTodayInUtc)
{
    SYSTEMTIME before, after, local;
    GetSystemTime(&before);
    char* p = CMNFILE_GetDateStr("YYYYMMDD");
    GetSystemTime(&after);
    GetLocalTime(&local);
    ASSERT_NE(p, nullptr);
    char want1[16], want2[16], localStr[16];
    snprintf(want1, sizeof(want1), "%04d%02d%02d", before.wYear, before.wMonth, before.wDay);
    snprintf(want2, sizeof(want2), "%04d%02d%02d", after.wYear, after.wMonth, after.wDay);
    snprintf(localStr, sizeof(localStr), "%04d%02d%02d", local.wYear, local.wMonth, local.wDay);
    EXPECT_TRUE(std::string(p) == want1 || std::string(p) == want2) << p << " local " << localStr;
    // Independent of Windows: the C library's idea of the UTC date.
    std::time_t now = std::time(nullptr);
    std::tm* g = std::gmtime(&now);
    char crt[16];
    snprintf(crt, sizeof(crt), "%04d%02d%02d", g->tm_year + 1900, g->tm_mon + 1, g->tm_mday);
    EXPECT_STREQ(p, crt);
    if (std::string(localStr) != p) std::printf("local date %s differs from the UTC date %s\n", localStr, p);
    std::free(p);
    EXPECT_EQ(CMNFILE_GetDateStr("YYYYMMD"), nullptr);
    EXPECT_EQ(CMNFILE_GetDateStr("yyyymmdd"), nullptr);
    EXPECT_EQ(CMNFILE_GetDateStr(nullptr), nullptr);
}

TEST(ErrMsg, TheSystemTextOfTheLastErrorReachesTheLog)
{
    TestDir d;
    LOG_SetProgram("tiv_launcher.log", 299999);
    void* p = nullptr;
    CMNFILE_ReadFile(WinPath(d, "missing.bin").c_str(), &p, 0);
    SetLastError(ERROR_FILE_NOT_FOUND);
    int code = 0;
    char* text = ERRMSG_GetLastError(&code);
    EXPECT_EQ(code, ERROR_FILE_NOT_FOUND);
    ASSERT_NE(text, nullptr);
    std::string msg = text;
    LocalFree(text);
    SetLastError(ERROR_FILE_NOT_FOUND);
    ERRMSG_PutLastError();
    LOG_Close();
    std::string log = Inverted(ReadAll(d.file("tiv_launcher.log")));
    EXPECT_NE(log.find(msg), std::string::npos) << log;
}

}  // namespace

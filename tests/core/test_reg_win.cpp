#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "reg.h"

namespace {

// Works on the prefix's own HKLM "SOFTWARE\tiv" and puts back what was there.
struct Registry : ::testing::Test {
    HKEY hKey = nullptr;
    char saved[1024] = "";
    bool hadApppath = false;
    void SetUp() override
    {
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, REG_TIV_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &hKey, nullptr), ERROR_SUCCESS);
        DWORD cb = sizeof(saved);
        hadApppath = RegQueryValueExA(hKey, "apppath", nullptr, nullptr, (BYTE*)saved, &cb) == ERROR_SUCCESS;
    }
    void TearDown() override
    {
        if (hadApppath) REG_SetString(hKey, "apppath", saved);
        else RegDeleteValueA(hKey, "apppath");
        for (const char* v : { "t_str", "t_dword", "t_bin", "t_long" }) RegDeleteValueA(hKey, v);
        RegCloseKey(hKey);
    }
};

TEST_F(Registry, AppPathIsReadFromTheInstallersKey)
{
    char dst[MAX_PATH] = "x";
    ASSERT_EQ(REG_SetString(hKey, "apppath", "C:\\tiv\\"), 1);
    ASSERT_EQ(REG_GetAppPath(dst, sizeof(dst)), 1);
    EXPECT_STREQ(dst, "C:\\tiv\\");
    ASSERT_EQ(REG_SetString(hKey, "apppath", ""), 1);
    EXPECT_EQ(REG_GetAppPath(dst, sizeof(dst)), 0);
    RegDeleteValueA(hKey, "apppath");
    EXPECT_EQ(REG_GetAppPath(dst, sizeof(dst)), 0);
    EXPECT_STREQ(dst, "");
}

TEST_F(Registry, ValuesFallBackToTheirDefaults)
{
    char dst[16] = "";
    EXPECT_EQ(REG_QueryValue(hKey, "t_missing", dst, sizeof(dst), "default"), 1);
    EXPECT_STREQ(dst, "default");
    ASSERT_EQ(REG_SetString(hKey, "t_str", "ソフト"), 1);
    EXPECT_EQ(REG_QueryValue(hKey, "t_str", dst, sizeof(dst), "default"), 1);
    EXPECT_STREQ(dst, "ソフト");
    // A value longer than the destination is not cut into it: the default stands.
    ASSERT_EQ(REG_SetString(hKey, "t_long", std::string(100, 'L').c_str()), 1);
    EXPECT_EQ(REG_QueryValue(hKey, "t_long", dst, sizeof(dst), "short"), 1);
    EXPECT_STREQ(dst, "short");

    int n = 0;
    EXPECT_EQ(REG_GetDword(hKey, "t_dword", &n, 7), 1);
    EXPECT_EQ(n, 7);
    ASSERT_EQ(REG_SetDword(hKey, "t_dword", -5), 1);
    EXPECT_EQ(REG_GetInt(hKey, "t_dword", &n, 7), 1);
    EXPECT_EQ(n, -5);

    unsigned char def[16], got[16], val[16];
    for (int i = 0; i < 16; i++) { def[i] = static_cast<unsigned char>(i); val[i] = static_cast<unsigned char>(0xF0 | i); }
    EXPECT_EQ(REG_GetBinary(hKey, "t_bin", got, def), 1);
    EXPECT_EQ(std::memcmp(got, def, 16), 0);
    ASSERT_EQ(RegSetValueExA(hKey, "t_bin", 0, REG_BINARY, val, 16), ERROR_SUCCESS);
    EXPECT_EQ(REG_GetBinary(hKey, "t_bin", got, def), 1);
    EXPECT_EQ(std::memcmp(got, val, 16), 0);
}

TEST_F(Registry, ValuesWrittenByWineRegAreRead)
{
    // The bench's installer writes with "wine reg add": the program's own view.
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    char cmd[] = "reg.exe add HKLM\\SOFTWARE\\tiv /v apppath /d C:\\fromreg\\ /f";
    ASSERT_TRUE(CreateProcessA(nullptr, cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    WaitForSingleObject(pi.hProcess, 60000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    char dst[MAX_PATH];
    ASSERT_EQ(REG_GetAppPath(dst, sizeof(dst)), 1);
    EXPECT_STREQ(dst, "C:\\fromreg\\");
}

}  // namespace

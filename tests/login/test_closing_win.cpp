// The closing run of a new member's machine, through the real programs of a
// demo-like installation in a folder named "TIV": the login signs the member
// in and starts the launcher; the launcher's catalogue is followed by the
// client-version check, which finds a newer file and hands over to the
// updater; the updater fetches its pack and starts the launcher again; the
// uninstaller then removes everything the client added and keeps exactly
// the installed files.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "cntpack.h"
#include "testdir.h"
#include "testinstall.h"
#include "teststore.h"
#include "winprobe.h"

namespace {

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

std::string Pack(const std::string& name, const std::string& bytes)
{
    CpdFile c;
    c.strName = name;
    c.cFileType = 3;
    c.cCmpType = 0;
    c.data.assign(bytes.begin(), bytes.end());
    std::vector<uint8_t> out;
    EXPECT_EQ(CPD_Build("CNPFVR05", 1, { c }, out), 1);
    return std::string(out.begin(), out.end());
}

// Every file below the folder, as paths relative to it.
void ListFiles(const std::string& root, const std::string& rel, std::set<std::string>* pOut)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((root + rel + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ListFiles(root, rel + name + "\\", pOut);
        else pOut->insert(rel + name);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

// Presses OK in the next box of the caption and text, once it appears; the
// boxes seen on the way are collected.
bool Answer(const char* caption, const std::string& text, std::vector<std::string>* pSeen, int nTimeoutMs)
{
    HWND box = nullptr;
    bool found = Probe_WaitFor([&] {
        box = Probe_WaitWindow("#32770", caption, 50);
        return box != nullptr && Probe_MessageBoxText(box) == text;
    }, nTimeoutMs);
    if (box != nullptr) pSeen->push_back(Probe_MessageBoxText(box));
    if (!found) return false;
    Probe_PressButton(box, IDOK);
    Probe_WaitFor([&] { return !IsWindow(box); }, 10000);
    return true;
}

TEST(ClosingRun, LoginLauncherUpdaterThenTheUninstallerKeepsExactlyTheInstalledFiles)
{
    std::string addr = Env("TIV_STANDIN_ADDR"), site = Env("TIV_STANDIN_DIR");
    if (addr.empty()) GTEST_SKIP() << "no stand-in service";
    TestDir dir;
    TivKeyForTest reg;
    // Whatever still runs when the test ends, failed or not, goes with it.
    struct KillAtEnd { ~KillAtEnd() { Probe_KillAll(); } } killAtEnd;
    ASSERT_TRUE(reg.ok());
    std::string app = dir.path() + "TIV\\";
    std::string cnt = app + "contents\\";
    ASSERT_TRUE(CreateDirectoryA(app.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(cnt.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((app + "cache").c_str(), nullptr));
    reg.Set("apppath", app);
    reg.Set("cntpath", cnt);
    reg.Set("skin", "default");

    // The installation, as tools/demo-install.sh writes it.
    std::string art = SKIN_DIR;
    struct { const char* to; std::string from; } files[] = {
        { "tiv_launcher.exe", Probe_HostPath(LAUNCHER_EXE) }, { "login.exe", Probe_HostPath(LOGIN_EXE) },
        { "pullagent.exe", Probe_HostPath(PULLAGENT_EXE) }, { "qr.exe", Probe_HostPath(QR_EXE) },
        { "uninstaller.exe", Probe_HostPath(UNINSTALLER_EXE) }, { "default", art + "/skin.bin" },
        { "lcs.bin", art + "/lcs.bin" }, { "lcd.bin", art + "/lcd.bin" }, { "lcm.bin", art + "/lcm.bin" },
        { "sp.bin", art + "/sp.bin" }, { "splash.bmp", art + "/splash.bmp" },
        { "cache\\underconstruct.bmp", art + "/underconstruct.bmp" },
    };
    for (const auto& f : files) {
        std::string bytes = ReadAll(f.from);
        ASSERT_FALSE(bytes.empty()) << f.from;
        WriteAll(app + f.to, bytes);
    }
    const std::string base = "/closing/";
    WriteAll(app + "env.bin", Inverted("[TITLENAME]\r\nテストの館\r\n[CGITOPPAGE]\r\n" + addr +
                                       "\r\n[CGIPAGE_CHECKUSER]\r\n/cgi-bin/checkuser.cgi\r\n[CGIPAGE_GETCONTENTSLIST]\r\n"
                                       "/cgi-bin/list.cgi\r\n[ZVQCLIENTDLWEBPAGE]\r\n" + addr + base + "\r\n"));
    WriteAll(app + "appset.bin", Inverted("[DEF_DISPMODE]\n2\n\n[AUTO_UPDATECONTENTS]\n1\n\n[AUTO_DOWNLOADCONTENTS]\n0\n\n"));
    WriteAll(app + "ver.bin", Inverted("tiv_launcher.exe,1,\r\n"));
    std::set<std::string> installed;
    ListFiles(app, "", &installed);

    // The service: the member's catalogue, and a client list with one new file.
    WriteAll(Probe_HostPath(site + "/closing-records.txt"),
             "tiv,,%A5%B2%A1%BC%A5%E0,C0001,Maker,PC-88,RPG,20261201,1,C0001.pack,2,0,1,,,0,,,,,,,,,\n");
    std::string served = Probe_HostPath(site + "/root/closing/");
    CreateDirectoryA(served.c_str(), nullptr);
    WriteAll(served + "ver.bin", Pack("version.txt", "tiv_launcher.exe,1,l.pack,\r\nextra\\added.txt,1,e.pack,\r\n"));
    WriteAll(served + "e.pack", Pack("extra\\added.txt", "added by the updater"));

    // 1. The login.
    HANDLE hLogin = Probe_Start(app + "login.exe", "login.exe", app);
    ASSERT_NE(hLogin, nullptr);
    HWND dlg = Probe_WaitWindow("#32770", "", 60000);
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(SetDlgItemTextA(dlg, 1020, "closeman"));
    ASSERT_TRUE(SetDlgItemTextA(dlg, 1021, "pw1"));
    Probe_PressButton(dlg, IDOK);
    std::vector<std::string> seen;
    ASSERT_TRUE(Answer("報告", "入力アカウント・パスワードは正常でした。\n続いてTIVランチャーを起動します(LOGIN:116)。", &seen,
                       90000)) << (seen.empty() ? "" : seen.back());
    EXPECT_EQ(Probe_WaitExit(hLogin, 60000), 0);
    CloseHandle(hLogin);

    // 2. The launcher: its catalogue, then the newer client: the member agrees.
    ASSERT_TRUE(Answer("報告", "最新のTIVランチャーを発見しました。\nダウンロードを行う為にいったんTIVランチャーを終了しますか？",
                       &seen, 120000)) << (seen.empty() ? "" : seen.back());

    // 3. The updater fetches the pack and starts the launcher again.
    // ver.bin is rewritten after the pack is in.
    const std::string verWant = "tiv_launcher.exe,1,\r\nextra\\added.txt,1,\r\n";
    Probe_WaitFor([&] { return Inverted(ReadAll(app + "ver.bin")) == verWant; }, 120000);
    EXPECT_EQ(ReadAll(app + "extra\\added.txt"), "added by the updater");
    EXPECT_EQ(Inverted(ReadAll(app + "ver.bin")), verWant);
    HWND wnd = nullptr;
    ASSERT_TRUE(Probe_WaitFor([&] {
        Probe_Adopt(app + "tiv_launcher.exe");   // its starter, the updater, has ended
        wnd = Probe_WaitWindow("TIV Launcher", "テストの館", 50);
        return wnd != nullptr && GetFileAttributesA((app + "pullagent.log").c_str()) != INVALID_FILE_ATTRIBUTES;
    }, 120000));
    Sleep(3000);   // its own catalogue and version check: nothing newer now
    PostMessageA(wnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(Probe_WaitFor([&] { return Probe_WaitWindow("TIV Launcher", nullptr, 50) == nullptr; }, 60000));
    std::string member = cnt + Md5("closeman") + "\\";
    EXPECT_NE(StoreUser(member + "REG.DAT"), "(no store)");
    std::set<std::string> before;
    ListFiles(app, "", &before);
    for (const char* added : { "login.log", "tiv_launcher.log", "pullagent.log", "extra\\added.txt" })
        EXPECT_TRUE(before.count(added)) << added;

    // 4. The uninstaller, confirmed.
    HANDLE hUn = Probe_Start(app + "uninstaller.exe", "uninstaller.exe", app);
    ASSERT_NE(hUn, nullptr);
    ASSERT_TRUE(Answer("報告", "実行しますと、ゲームデータ及びセーブデータ等も含め、全て削除されますが、よろしいですか。", &seen,
                       60000));
    Probe_WaitExit(hUn, 60000);
    CloseHandle(hUn);
    std::set<std::string> after;
    ListFiles(app, "", &after);
    EXPECT_EQ(after, installed);
    EXPECT_EQ(GetFileAttributesA(member.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA((app + "extra").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace

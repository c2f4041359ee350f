// The uninstaller end to end: the real uninstaller.exe on an installation in
// a temporary folder named in the registry's "apppath", its confirmation
// answered as a member would.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "reg.h"
#include "testdir.h"
#include "uninst.h"
#include "winprobe.h"

namespace {

const char kText[] = "実行しますと、ゲームデータ及びセーブデータ等も含め、全て削除されますが、よろしいですか。";

std::wstring Wide(const std::string& s)
{
    int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, &w[0], n);
    w.resize(static_cast<size_t>(n - 1));
    return w;
}
std::string Narrow(const std::wstring& w)
{
    int n = WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, &s[0], n, nullptr, nullptr);
    s.resize(static_cast<size_t>(n - 1));
    return s;
}
std::wstring Long(const std::string& path) { return L"\\\\?\\" + Wide(path); }

bool Exists(const std::string& p) { return GetFileAttributesW(Long(p).c_str()) != INVALID_FILE_ATTRIBUTES; }

// Makes every folder on the way (long form: deep paths too).
void Put(const std::string& root, const std::string& rel, const std::string& bytes = "x")
{
    std::string path = root;
    for (size_t i = 0; i < rel.size(); i++) {
        // Installed names are ASCII or whole Shift-JIS characters whose
        // trail bytes are no "\" here.
        if (rel[i] == '\\') CreateDirectoryW(Long(root + rel.substr(0, i)).c_str(), nullptr);
    }
    path += rel;
    HANDLE h = CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD n = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    CloseHandle(h);
}

// Every file and folder below root ("sub\" for folders), not through links.
void List(const std::string& root, const std::string& rel, std::set<std::string>& out)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(Long(root + rel + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = Narrow(fd.cFileName);
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out.insert(rel + name + "\\");
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) List(root, rel + name + "\\", out);
        } else {
            out.insert(rel + name);
        }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}
// Empties a folder left by an earlier failed run (read-only files and paths
// over MAX_PATH included, which the test folder's own clean-up cannot
// remove); links are removed, never followed.
void Empty(const std::string& folder)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(Long(folder + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = Narrow(fd.cFileName);
        if (name == "." || name == "..") continue;
        std::wstring p = Long(folder + name);
        SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            Empty(folder + name + "\\");
            RemoveDirectoryW(p.c_str());
        } else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveDirectoryW(p.c_str());
        } else {
            DeleteFileW(p.c_str());
        }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

std::set<std::string> List(const std::string& root)
{
    std::set<std::string> out;
    List(root, "", out);
    return out;
}

// Wine 8 makes neither Windows link, but shows a symbolic link of the host's
// file system as a folder reparse point: one made by the host's ln.
std::vector<std::string> g_hostLinks;   // Unix paths, removed by the test's end

// Runs a host program (Wine starts it detached).
void HostRun(const std::string& exe, const std::string& args)
{
    HANDLE h = Probe_Start("Z:" + exe, exe + " " + args, "");
    if (h != nullptr) {
        Probe_WaitExit(h, 20000);
        CloseHandle(h);
    }
}

// Removes the host links made by HostLink (a link only: rm does not follow).
void RemoveHostLinks()
{
    for (const std::string& l : g_hostLinks) {
        HostRun("/bin/rm", "-f \"" + l + "\"");
    }
    std::vector<std::string> links;
    links.swap(g_hostLinks);
    Probe_WaitFor([&] {
        for (const std::string& l : links) {
            std::string w = "Z:" + l;
            for (char& c : w) if (c == '/') c = '\\';
            if (GetFileAttributesA(w.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
        }
        return true;
    }, 10000);
}

std::string HostLink(const std::string& link, const std::string& target)
{
    typedef char*(CDECL * UnixNameFn)(LPCWSTR);
    auto unixName = reinterpret_cast<UnixNameFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (unixName == nullptr) return "";
    char* pLink = unixName(Wide(link).c_str());
    char* pTarget = unixName(Wide(target).c_str());
    std::string unixLink = pLink ? pLink : "", unixTarget = pTarget ? pTarget : "";
    HeapFree(GetProcessHeap(), 0, pLink);
    HeapFree(GetProcessHeap(), 0, pTarget);
    if (unixLink.empty() || unixTarget.empty()) return "";
    g_hostLinks.push_back(unixLink);
    HostRun("/bin/ln", "-s \"" + unixTarget + "\" \"" + unixLink + "\"");
    // Wine does not wait for a host program: watch for the link instead.
    bool made = Probe_WaitFor([&] {
        DWORD a = GetFileAttributesA(link.c_str());
        return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
    }, 10000);
    return made ? "host symbolic link" : "";
}

// A link to a folder, as far as this system supports them: a directory
// symbolic link, else a mount point (junction). Empty when neither works.
std::string MakeFolderLink(const std::string& link, const std::string& target)
{
    typedef BOOLEAN(WINAPI * SymFn)(LPCWSTR, LPCWSTR, DWORD);
    auto sym = reinterpret_cast<SymFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "CreateSymbolicLinkW")));
    if (sym != nullptr && sym(Wide(link).c_str(), Wide(target).c_str(), 1 /* directory */)) {
        DWORD a = GetFileAttributesA(link.c_str());
        if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT)) return "symlink";
        RemoveDirectoryA(link.c_str());
        DeleteFileA(link.c_str());
    }
    if (!CreateDirectoryA(link.c_str(), nullptr)) return HostLink(link, target);
    HANDLE h = CreateFileA(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        RemoveDirectoryA(link.c_str());
        return HostLink(link, target);
    }
    std::wstring sub = L"\\??\\" + Wide(target);
    std::vector<BYTE> buf(8 + 8 + (sub.size() + 2) * 2 + 16, 0);
    auto put16 = [&](size_t at, size_t v) { buf[at] = BYTE(v & 0xFF); buf[at + 1] = BYTE(v >> 8); };
    size_t cbSub = sub.size() * 2;
    buf[0] = 0x03; buf[1] = 0x00; buf[2] = 0x00; buf[3] = 0xA0;   // IO_REPARSE_TAG_MOUNT_POINT
    put16(4, 8 + cbSub + 2 + 2);                                  // data length
    put16(8, 0);                                                  // substitute name offset
    put16(10, cbSub);                                             // and length
    put16(12, cbSub + 2);                                         // print name offset
    put16(14, 0);                                                 // and length
    memcpy(&buf[16], sub.data(), cbSub);
    DWORD ret = 0;
    BOOL ok = DeviceIoControl(h, 0x000900A4 /* FSCTL_SET_REPARSE_POINT */, buf.data(),
                              static_cast<DWORD>(8 + 8 + cbSub + 4), nullptr, 0, &ret, nullptr);
    CloseHandle(h);
    DWORD a = GetFileAttributesA(link.c_str());
    if (ok && a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT)) return "junction";
    RemoveDirectoryA(link.c_str());
    return HostLink(link, target);
}

// Every value of HKLM\SOFTWARE\tiv, type and bytes.
std::map<std::string, std::string> RegValues()
{
    std::map<std::string, std::string> out;
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, REG_TIV_KEY, 0, KEY_READ, &h) != ERROR_SUCCESS) return out;
    for (DWORD i = 0;; i++) {
        char name[256];
        BYTE data[4096];
        DWORD cbName = sizeof(name), cbData = sizeof(data), type = 0;
        if (RegEnumValueA(h, i, name, &cbName, nullptr, &type, data, &cbData) != ERROR_SUCCESS) break;
        out[name] = std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), cbData);
    }
    RegCloseKey(h);
    return out;
}

struct Uninstall : ::testing::Test {
    TestDir dir;
    HKEY hKey = nullptr;
    std::map<std::string, std::string> savedValues;
    char saved[2048] = "";
    bool hadApp = false;
    char savedSkin[2048] = "";
    bool hadSkin = false;

    void SetUp() override
    {
        Empty(dir.path());
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, REG_TIV_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey,
                                  nullptr), ERROR_SUCCESS);
        DWORD cb = sizeof(saved);
        hadApp = RegQueryValueExA(hKey, "apppath", nullptr, nullptr, (BYTE*)saved, &cb) == ERROR_SUCCESS;
        cb = sizeof(savedSkin);
        hadSkin = RegQueryValueExA(hKey, "skin", nullptr, nullptr, (BYTE*)savedSkin, &cb) == ERROR_SUCCESS;
    }
    void TearDown() override
    {
        Probe_KillAll();
        RemoveHostLinks();
        if (hadApp) REG_SetString(hKey, "apppath", saved);
        else RegDeleteValueA(hKey, "apppath");
        if (hadSkin) REG_SetString(hKey, "skin", savedSkin);
        else RegDeleteValueA(hKey, "skin");
        RegCloseKey(hKey);
    }
    void SetAppPath(const std::string& app) { ASSERT_EQ(REG_SetString(hKey, "apppath", app.c_str()), 1); }
    void SetSkin(const std::string& skin) { ASSERT_EQ(REG_SetString(hKey, "skin", skin.c_str()), 1); }

    // Runs uninstaller.exe, checks its confirmation and answers it; its exit code.
    int Run(int nAnswer)
    {
        std::map<std::string, std::string> before = RegValues();
        HANDLE h = Probe_Start(Probe_HostPath(UNINSTALLER_EXE), "uninstaller.exe", dir.path());
        EXPECT_NE(h, nullptr);
        if (h == nullptr) return -2;
        HWND box = Probe_WaitWindow("#32770", "報告", 60000);
        EXPECT_NE(box, nullptr) << "no confirmation";
        if (box != nullptr) {
            // The box gets its text just after its caption.
            Probe_WaitFor([&] { return IsWindowVisible(box) && !Probe_MessageBoxText(box).empty(); }, 10000);
            EXPECT_EQ(Probe_MessageBoxText(box), kText);
            auto shown = [&](int id) {
                HWND b = GetDlgItem(box, id);
                return b != nullptr && (GetWindowLongPtrA(b, GWL_STYLE) & WS_VISIBLE) != 0;
            };
            EXPECT_TRUE(shown(IDOK) && shown(IDCANCEL) && !shown(IDYES) && !shown(IDNO)) << "not OK/Cancel";
            Probe_PressButton(box, nAnswer);
        }
        int rc = Probe_WaitExit(h, 120000);
        CloseHandle(h);
        EXPECT_EQ(RegValues(), before) << "the registry key changed";
        return rc;
    }
};

// What the installer places; the test writes the keep list's own names.
std::vector<std::string> InstalledFiles()
{
    std::vector<std::string> v;
    for (int i = 0; i < UNINST_KeepCount(); i++) v.push_back(UNINST_KeepEntry(i) + 4);
    return v;
}

std::set<std::string> WithFolders(const std::vector<std::string>& files)
{
    std::set<std::string> out;
    for (const std::string& f : files) {
        out.insert(f);
        for (size_t i = 0; i < f.size(); i++) {
            if (f[i] == '\\') out.insert(f.substr(0, i + 1));
        }
    }
    return out;
}

// The installation under a folder named pName: after OK exactly the
// installed files remain.
void RunOnInstallation(Uninstall& t, const char* pName)
{
    const TestDir& dir = t.dir;
    std::string app = dir.path() + pName + "\\";
    std::string outside = dir.path() + "outside\\";
    ASSERT_TRUE(CreateDirectoryA(app.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(outside.c_str(), nullptr));
    Put(outside, "canary.txt", "canary");
    ASSERT_TRUE(CreateDirectoryA((outside + "emptysub").c_str(), nullptr));   // for the folder pass

    std::vector<std::string> installed = InstalledFiles();
    // The skin this installation's registry names, not the demo's "default".
    installed.push_back("blue.skn");
    t.SetSkin("blue.skn");
    for (const std::string& f : installed) Put(app, f, "installed " + f);
    installed.push_back("env.bin.old");   // starts with a kept name
    Put(app, "env.bin.old");

    const char* generated[] = {
        "qr.log", "login.log", "pullagent.log", "version.txt", "temp.tmp", "pt.bin",
        "cache\\c0001.bmp", "cache\\sub\\banner.bmp", "player\\chipplay-error.log",
        "contents\\4b2ef9bd6ac2f6b0a7e8d1c5c7d2e4f1\\REG.DAT",
        "contents\\4b2ef9bd6ac2f6b0a7e8d1c5c7d2e4f1\\save\\s1.dat",
        "contents\\4b2ef9bd6ac2f6b0a7e8d1c5c7d2e4f1\\skin\\sk.bmp",
        "contents\\game1\\game.sbn", "contents\\game1\\qr.exe", "contents\\game1\\qr.log",
        "contents\\ゲーム\\セーブ.dat",
        // Names a wrong keep entry would keep: another skin's name, a log
        // that starts like a skin, a member's file named like the value.
        "default", "default.log", "blue.skn.log", "contents\\4b2ef9bd6ac2f6b0a7e8d1c5c7d2e4f1\\skin\\blue.skn",
        "contents\\4b2ef9bd6ac2f6b0a7e8d1c5c7d2e4f1\\skin\\skin",
    };
    for (const char* f : generated) Put(app, f);
    // A generated file marked read-only.
    Put(app, "contents\\game1\\readonly.dat");
    ASSERT_TRUE(SetFileAttributesA((app + "contents\\game1\\readonly.dat").c_str(), FILE_ATTRIBUTE_READONLY));
    // Nested empty folders: one pass each.
    ASSERT_TRUE(CreateDirectoryA((app + "contents\\a").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((app + "contents\\a\\b").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((app + "contents\\a\\b\\c").c_str(), nullptr));
    // A path far over MAX_PATH.
    std::string deep = "contents\\";
    while (deep.size() < 400) deep += "deep_folder_name_0123456789\\";
    Put(app, deep + "deep.dat");
    ASSERT_GT((app + deep + "deep.dat").size(), 300u);

    // A link inside the contents folder to a folder outside.
    std::string kind = MakeFolderLink(app + "contents\\link", outside.substr(0, outside.size() - 1));
    if (!kind.empty()) {
        ASSERT_TRUE(Exists(app + "contents\\link\\canary.txt")) << kind;
    }

    t.SetAppPath(app);
    EXPECT_EQ(t.Run(IDOK), 1);

    std::set<std::string> expected = WithFolders(installed);
    if (kind == "host symbolic link") {
        // Wine removes such a link neither by RemoveDirectory nor by
        // DeleteFile: it stays, still a link, and nothing is walked through it.
        expected.insert("contents\\");
        expected.insert("contents\\link\\");
        DWORD a = GetFileAttributesA((app + "contents\\link").c_str());
        EXPECT_TRUE(a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT));
    }
    EXPECT_EQ(List(app), expected) << "under " << app;
    EXPECT_EQ(ReadAll(app + "env.bin"), "installed env.bin");
    EXPECT_EQ(List(outside), (std::set<std::string>{"canary.txt", "emptysub\\"})) << "deleted through a " << kind;
    EXPECT_EQ(ReadAll(outside + "canary.txt"), "canary") << "deleted through a " << kind;
    EXPECT_FALSE(kind.empty()) << "this system makes no folder links: the link case was not run";
}

TEST_F(Uninstall, FolderNamedUpperTivKeepsExactlyTheInstalledFiles) { RunOnInstallation(*this, "TIV"); }
TEST_F(Uninstall, FolderNamedLowerTivKeepsExactlyTheInstalledFiles) { RunOnInstallation(*this, "tiv"); }

// The walk goes into a folder only through a handle of the folder itself:
// a link (Wine shows a host symbolic link as a reparse point) is refused by
// the handle, whatever a listing said, and a held folder cannot be swapped.
TEST_F(Uninstall, FoldersAreWalkedOnlyThroughAHandleThatHoldsThem)
{
    std::string real = dir.path() + "real";
    std::string outside = dir.path() + "outside";
    ASSERT_TRUE(CreateDirectoryA(real.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(outside.c_str(), nullptr));
    // (Wine does not refuse renaming a folder held without delete sharing,
    // so that half of the guarantee is Windows' own and not checked here.)
    HANDLE h = UNINST_HoldFolder(Wide(real).c_str());
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);

    std::string link = dir.path() + "link";
    std::string kind = HostLink(link, outside);
    if (kind.empty()) GTEST_SKIP() << "no host link could be made";
    EXPECT_EQ(UNINST_HoldFolder(Wide(link).c_str()), INVALID_HANDLE_VALUE) << "a link was held as a folder";
    std::string file = dir.path() + "file.txt";
    Put(dir.path(), "file.txt");
    EXPECT_EQ(UNINST_HoldFolder(Wide(file).c_str()), INVALID_HANDLE_VALUE) << "a file was held as a folder";
    EXPECT_EQ(UNINST_HoldFolder(Wide(dir.path() + "missing").c_str()), INVALID_HANDLE_VALUE);
}

TEST_F(Uninstall, CancelDeletesNothing)
{
    std::string app = dir.path() + "TIV\\";
    ASSERT_TRUE(CreateDirectoryA(app.c_str(), nullptr));
    Put(app, "env.bin");
    Put(app, "qr.log");
    Put(app, "contents\\m\\REG.DAT");
    std::set<std::string> before = List(app);
    SetAppPath(app);
    EXPECT_EQ(Run(IDCANCEL), 0);
    EXPECT_EQ(List(app), before);
}

// A folder the uninstaller must refuse: every file in it, and the current
// folder it runs in, stay.
TEST_F(Uninstall, RefusedApplicationFoldersDeleteNothing)
{
    std::string app = dir.path() + "TIV\\";
    ASSERT_TRUE(CreateDirectoryA(app.c_str(), nullptr));
    Put(app, "qr.log");
    Put(app, "contents\\m\\REG.DAT");
    Put(dir.path(), "cwd.log");   // the uninstaller's current folder
    std::set<std::string> before = List(dir.path());

    struct Case { std::string apppath; const char* why; };
    const Case cases[] = {
        {"", "empty"},
        {dir.path() + "missing\\", "missing"},
        {"TIV\\", "relative (the current folder holds TIV\\)"},
        {app, "neither tiv_launcher.exe nor env.bin"},
        {app + "..\\TIV\\", "with .."},
    };
    for (const Case& c : cases) {
        SetAppPath(c.apppath);
        EXPECT_EQ(Run(IDOK), 0) << c.why;
        EXPECT_EQ(List(dir.path()), before) << c.why;
    }
    RegDeleteValueA(hKey, "apppath");
    EXPECT_EQ(Run(IDOK), 0) << "no apppath value";
    EXPECT_EQ(List(dir.path()), before) << "no apppath value";
}

// "C:\" with env.bin in it: only the root check stands between the
// uninstaller and the whole drive.
TEST_F(Uninstall, ADriveRootIsRefused)
{
    std::string marker = "C:\\env.bin";
    ASSERT_FALSE(Exists(marker)) << "C:\\env.bin is not the test's";
    Put("C:\\", "env.bin");
    Put("C:\\", "tiv-uninst-canary.log");
    SetAppPath("C:\\");
    EXPECT_EQ(Run(IDOK), 0);
    EXPECT_TRUE(Exists("C:\\tiv-uninst-canary.log"));
    EXPECT_TRUE(Exists("C:\\windows\\system32\\kernel32.dll"));
    DeleteFileA("C:\\tiv-uninst-canary.log");
    DeleteFileA(marker.c_str());
}

TEST_F(Uninstall, AnApplicationFolderThatIsALinkIsRefused)
{
    std::string real = dir.path() + "real\\";
    ASSERT_TRUE(CreateDirectoryA(real.c_str(), nullptr));
    Put(real, "env.bin");
    Put(real, "qr.log");
    std::string kind = MakeFolderLink(dir.path() + "TIV", real.substr(0, real.size() - 1));
    if (kind.empty()) GTEST_SKIP() << "this system makes no folder links";
    SetAppPath(dir.path() + "TIV\\");
    EXPECT_EQ(Run(IDOK), 0);
    EXPECT_TRUE(Exists(real + "qr.log")) << kind;
}

TEST_F(Uninstall, AMissingFinalSeparatorIsAdded)
{
    std::string app = dir.path() + "tiv";
    ASSERT_TRUE(CreateDirectoryA(app.c_str(), nullptr));
    Put(app + "\\", "tiv_launcher.exe");
    Put(app + "\\", "version.txt");
    Put(dir.path(), "tiv_other.log");   // beside the folder, same start of name
    SetAppPath(app);
    EXPECT_EQ(Run(IDOK), 1);
    EXPECT_TRUE(Exists(app + "\\tiv_launcher.exe"));
    EXPECT_FALSE(Exists(app + "\\version.txt"));
    EXPECT_TRUE(Exists(dir.path() + "tiv_other.log"));
}

}  // namespace

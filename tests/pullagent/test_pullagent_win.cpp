// The real pullagent.exe under Wine against the stand-in service: the update
// flow, its messages, the download dialog and hostile packs and lists.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cntpack.h"
#include "testdir.h"
#include "winprobe.h"

namespace {

const char kCaption[] = "報告";
const char kAgent[] = "Qv7tNw2e";
const char kPgt006[] = "パラメータ不正の為、処理を中止します(PGT:006)。";
const char kPgt008[] = "パッチバージョンファイルを取得できませんでした。ダウンロード処理を中止します(PGT:008)。";
const char kPgt009[] = "ダウンロード処理を中止します(PGT:009)。";
const char kPgt010[] = "ファイルの作成に失敗しました。\n処理を中止します(PGT:010)。";
const char kPgt011[] = "ファイルの読み込みに失敗しました。\n処理を中止します(PGT:011)。";
const char kPgt012[] = "ダウンロード処理を中止します(PGT:012)。";

std::string StandinDir() { const char* p = std::getenv("TIV_STANDIN_DIR"); return p ? p : ""; }
std::string StandinAddr() { const char* p = std::getenv("TIV_STANDIN_ADDR"); return p ? p : ""; }

void MakeDirs(const std::string& path)
{
    for (size_t i = 3; i < path.size(); i++)
        if (path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

// Puts a file where the stand-in serves http://<its address><base><name>.
void Serve(const std::string& base, const std::string& name, const std::string& bytes)
{
    std::string dir = Probe_HostPath(StandinDir() + "/root" + base);
    MakeDirs(dir);
    WriteAll(dir + name, bytes);
}

std::string Pack(const std::vector<std::pair<std::string, std::string>>& files, int cmp = 0)
{
    std::vector<CpdFile> list;
    for (const auto& f : files) {
        CpdFile c;
        c.strName = f.first;
        c.cFileType = 3;
        c.cCmpType = cmp;
        c.data.assign(f.second.begin(), f.second.end());
        list.push_back(c);
    }
    std::vector<uint8_t> out;
    EXPECT_EQ(CPD_Build("CNPFVR05", 1, list, out), 1);
    return std::string(out.begin(), out.end());
}

// The GETs the stand-in logged under base, with their agents.
std::vector<std::string> Gets(const std::string& base)
{
    std::string log = ReadAll(Probe_HostPath(StandinDir() + "/req.log"));
    std::vector<std::string> out;
    size_t p = 0;
    while (p < log.size()) {
        size_t e = log.find('\n', p);
        if (e == std::string::npos) e = log.size();
        std::string line = log.substr(p, e - p);
        p = e + 1;
        if (line.compare(0, 4 + base.size(), "GET\t" + base) != 0) continue;
        size_t t1 = line.find('\t', 4), t2 = line.find('\t', t1 + 1);
        out.push_back(line.substr(4 + base.size(), t1 - 4 - base.size()) + "|" + line.substr(t1 + 1, t2 - t1 - 1));
    }
    return out;
}

bool Exists(const std::string& p) { return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

struct Install {
    TestDir dir;
    std::string base;
    std::string updaterBytes;
    explicit Install(const std::string& b, const std::string& verPlain = "A,1,\r\nB,1,\r\npullagent.exe,1,\r\n",
                     bool bEnvKey = true)
        : base(b)
    {
        std::string env = bEnvKey ? "[ZVQCLIENTDLWEBPAGE]\r\n" + StandinAddr() + base + "\r\n" : "[OTHER]\r\nx\r\n";
        WriteAll(dir.file("env.bin"), Inverted(env));
        if (!verPlain.empty()) WriteAll(dir.file("ver.bin"), Inverted(verPlain));
        CopyFileA(Probe_HostPath(PULLAGENT_EXE).c_str(), dir.file("pullagent.exe").c_str(), FALSE);
        CopyFileA(Probe_HostPath(FAKELAUNCHER_EXE).c_str(), dir.file("tiv_launcher.exe").c_str(), FALSE);
        updaterBytes = ReadAll(dir.file("pullagent.exe"));
    }
    ~Install() { Probe_KillAll(); }
    std::string VerBin() { return Inverted(ReadAll(dir.file("ver.bin"))); }
    std::string Log() { return Inverted(ReadAll(dir.file("pullagent.log"))); }
    void ServeList(const std::string& versionTxt) { Serve(base, "ver.bin", Pack({ { "version.txt", versionTxt } })); }

    // Runs the updater, answers each "報告" box (OK, or bCancelRetry: Cancel
    // to PGT:013), returns the boxes' texts; the exit code in *pExit.
    std::vector<std::string> Run(const std::string& args, int* pExit = nullptr, bool bCancelRetry = true)
    {
        std::vector<std::string> boxes;
        std::vector<HWND> pressed;
        std::string exe = dir.file("pullagent.exe");
        HANDLE h = Probe_Start(exe, "\"" + exe + "\" " + args, dir.path());
        EXPECT_NE(h, nullptr);
        if (!h) return boxes;
        DWORD start = GetTickCount();
        while (WaitForSingleObject(h, 50) == WAIT_TIMEOUT && GetTickCount() - start < 120000) {
            HWND box = Probe_WaitWindow("#32770", kCaption, 50);
            if (!box || std::find(pressed.begin(), pressed.end(), box) != pressed.end()) continue;
            pressed.push_back(box);
            std::string text = Probe_MessageBoxText(box);
            boxes.push_back(text);
            Probe_PressButton(box, text.find("PGT:013") != std::string::npos && bCancelRetry ? IDCANCEL : IDOK);
            Sleep(200);
        }
        int code = Probe_WaitExit(h, 5000);
        if (pExit) *pExit = code;
        return boxes;
    }
};

}  // namespace

// The update of a new member's machine: only what changed is fetched, the
// updater never replaces itself, and the launcher comes back once, quoted,
// after the closing one has gone.
TEST(PullagentFlow, UpdatesChangedAndNewFilesThenStartsTheLauncherOnce)
{
    Install in("/project/tiv/member/zvq/");
    const size_t before = Gets(in.base).size();
    in.ServeList("A,2,a.pack,\r\nB,1,b.pack,\r\nC,1,c.pack,\r\npullagent.exe,9,p.pack,\r\n"
                 "tools\\pullagent.exe,2,tp.pack,\r\n");
    Serve(in.base, "a.pack", Pack({ { "A", "new A" }, { "pullagent.exe", "MZ not me" } }));
    Serve(in.base, "b.pack", Pack({ { "B", "new B" } }));
    Serve(in.base, "c.pack", Pack({ { "sub\\deep\\c.txt", "deep c" } }));
    Serve(in.base, "p.pack", Pack({ { "pullagent.exe", "MZ not me" } }));
    Serve(in.base, "tp.pack", Pack({ { "tools\\pullagent.exe", "MZ not me" } }));
    WriteAll(in.dir.file("version.txt"), "A,1,a.pack,\r\n");   // stale: never read

    // A launcher that is still closing holds its mutex for a while.
    HANDLE hold = Probe_Start(in.dir.file("tiv_launcher.exe"), "x --hold 3000", in.dir.path());
    ASSERT_TRUE(Probe_WaitFor([&] { return Exists(in.dir.file("holding")); }, 20000));
    int code = -1;
    auto boxes = in.Run("-start tiv,", &code);
    EXPECT_TRUE(boxes.empty()) << boxes[0];
    EXPECT_EQ(code, 0);
    Probe_WaitExit(hold, 10000);

    auto gets = Gets(in.base);
    gets.erase(gets.begin(), gets.begin() + static_cast<long>(before));
    std::vector<std::string> want = { std::string("ver.bin|") + kAgent, std::string("a.pack|") + kAgent,
                                      std::string("c.pack|") + kAgent };
    EXPECT_EQ(gets, want);
    EXPECT_EQ(ReadAll(in.dir.file("A")), "new A");
    EXPECT_FALSE(Exists(in.dir.file("B")));
    EXPECT_EQ(ReadAll(in.dir.file("sub\\deep\\c.txt")), "deep c");
    EXPECT_EQ(ReadAll(in.dir.file("pullagent.exe")), in.updaterBytes);
    EXPECT_FALSE(Exists(in.dir.file("tools")));
    EXPECT_EQ(in.VerBin(), "A,2,\r\nB,1,\r\npullagent.exe,1,\r\nC,1,\r\n");
    EXPECT_FALSE(Exists(in.dir.file("version.txt")));
    EXPECT_FALSE(Exists(in.dir.file("temp.tmp")));
    EXPECT_FALSE(Exists(in.dir.file("A.pgtmp")));

    ASSERT_TRUE(Probe_WaitFor([&] { return Exists(in.dir.file("launcher.rec")); }, 20000));
    Sleep(300);
    std::string folder = in.dir.path();
    EXPECT_EQ(ReadAll(in.dir.file("launcher.rec")),
              "cmd=\"" + folder + "tiv_launcher.exe\" -start tiv,\ncwd=" + folder.substr(0, folder.size() - 1) +
                  "\nmutex=0\n");
    EXPECT_NE(in.Log().find("WaitLauncherGone::the launcher has ended"), std::string::npos);
}

TEST(PullagentFlow, UpdateOnlyStartsNothingAndTheSaleLinePassesItsFields)
{
    {
        Install in("/t/updateonly/");
        in.ServeList("A,2,a.pack,\r\n");
        Serve(in.base, "a.pack", Pack({ { "A", "a2" } }));
        int code = -1;
        EXPECT_TRUE(in.Run("-update", &code).empty());
        EXPECT_EQ(in.VerBin(), "A,2,\r\nB,1,\r\npullagent.exe,1,\r\n");
        Sleep(1500);
        EXPECT_FALSE(Exists(in.dir.file("launcher.rec")));
        EXPECT_NE(in.Log().find("eGD_MODE_UPDATEONLY"), std::string::npos);
    }
    {
        Install in("/t/sale/");
        in.ServeList("A,1,a.pack,\r\n");
        EXPECT_TRUE(in.Run("-salegame member7,Secr3tPw,C0042,prodword,modeword,").empty());
        ASSERT_TRUE(Probe_WaitFor([&] { return Exists(in.dir.file("launcher.rec")); }, 20000));
        Sleep(300);
        std::string rec = ReadAll(in.dir.file("launcher.rec"));
        EXPECT_NE(rec.find("cmd=\"" + in.dir.path() + "tiv_launcher.exe\" -salegame member7,Secr3tPw,C0042,prodword,modeword,\n"),
                  std::string::npos) << rec;
        std::string log = in.Log();
        EXPECT_NE(log.find("eGD_MODE_SALEGAME"), std::string::npos);
        EXPECT_EQ(log.find("Secr3tPw"), std::string::npos);
        EXPECT_NE(log.find("member7,********,C0042"), std::string::npos);
    }
}

// Every message with its text and caption; nothing is started after one,
// and ver.bin keeps what was fetched before the failure.
TEST(PullagentMessages, EachFailureSaysItsCode)
{
    struct Case {
        const char* name;
        const char* args;
        bool bEnvKey;
        const char* list;      // null: no version pack served
        const char* expect;
    } cases[] = {
        { "badparam", "-start tiv", true, "A,1,a.pack,\r\n", kPgt006 },
        { "nolist", "-update", true, nullptr, kPgt008 },
        { "known", "-start tiv,", true, "A,3,missing.pack,\r\n", kPgt009 },
        { "unknown", "-start tiv,", true, "N,1,missing.pack,\r\n", kPgt012 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Install in(std::string("/t/msg-") + c.name + "/");
        if (c.list) in.ServeList(c.list);
        auto boxes = in.Run(c.args);
        ASSERT_EQ(boxes.size(), 1u) << in.Log();
        EXPECT_EQ(boxes[0], c.expect);
        EXPECT_EQ(in.VerBin(), "A,1,\r\nB,1,\r\npullagent.exe,1,\r\n");
        Sleep(500);
        EXPECT_FALSE(Exists(in.dir.file("launcher.rec")));
        EXPECT_NE(in.Log().find(c.expect), std::string::npos);
    }
}

TEST(PullagentMessages, NoPackServerInEnvBin)
{
    Install in("/t/msg-nokey/", "A,1,\r\nB,1,\r\npullagent.exe,1,\r\n", false);
    in.ServeList("A,1,a.pack,\r\n");
    auto boxes = in.Run("-update");
    ASSERT_EQ(boxes.size(), 1u) << in.Log();
    EXPECT_EQ(boxes[0], kPgt008);
    EXPECT_TRUE(Gets(in.base).empty());
}

TEST(PullagentMessages, VerBinThatCannotBeRewrittenStaysAsItWas)
{
    {
        // temp.tmp cannot be made: PGT:010, ver.bin unchanged.
        Install in("/t/pgt010/");
        in.ServeList("N,1,n.pack,\r\n");
        Serve(in.base, "n.pack", Pack({ { "N", "n" } }));
        CreateDirectoryA(in.dir.file("temp.tmp").c_str(), nullptr);
        auto boxes = in.Run("-start tiv,");
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0], kPgt010);
        EXPECT_EQ(in.VerBin(), "A,1,\r\nB,1,\r\npullagent.exe,1,\r\n");
    }
    {
        // ver.bin there but unreadable: PGT:011, and it is not replaced.
        Install in("/t/pgt011/", "");
        in.ServeList("N,1,n.pack,\r\n");
        Serve(in.base, "n.pack", Pack({ { "N", "n" } }));
        CreateDirectoryA(in.dir.file("ver.bin").c_str(), nullptr);
        auto boxes = in.Run("-start tiv,");
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0], kPgt011);
        EXPECT_TRUE(GetFileAttributesA(in.dir.file("ver.bin").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    }
    {
        // A file that cannot be written asks PGT:013; Cancel makes the pack
        // count as failed, its ver.bin line unchanged.
        Install in("/t/pgt013/");
        in.ServeList("A,2,a.pack,\r\n");
        Serve(in.base, "a.pack", Pack({ { "A", "a2" } }));
        CreateDirectoryA(in.dir.file("A").c_str(), nullptr);
        auto boxes = in.Run("-start tiv,");
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[0], "[A]ファイルのオープンに失敗しました。リトライしますか？(PGT:013)。");
        EXPECT_EQ(boxes[1], kPgt009);
        EXPECT_EQ(in.VerBin(), "A,1,\r\nB,1,\r\npullagent.exe,1,\r\n");
        EXPECT_FALSE(Exists(in.dir.file("A.pgtmp")));
    }
}

namespace {

std::string LE32(int32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; i++) s[i] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
    return s;
}

}  // namespace

// Hostile packs: each ends with the pack counted as failed, no crash, and
// nothing written inside or outside the folder.
TEST(PullagentHostile, PacksAreRefusedWhole)
{
    std::string good = Pack({ { "N", "n" } });
    struct Case { const char* name; std::string pack; } cases[] = {
        { "magic", "CNPFVR99" + good.substr(8) },
        { "total0", good.substr(0, 8) + LE32(0) + good.substr(12) },
        { "totalneg", good.substr(0, 8) + LE32(-5) + good.substr(12) },
        { "totalhuge", good.substr(0, 8) + LE32(0x7FFFFFFF) + good.substr(12) },
        { "totalbig", good.substr(0, 8) + LE32(static_cast<int32_t>(good.size()) + 10) + good.substr(12) },
        { "past", good.substr(0, good.size() - 6) + std::string("\0\3", 2) + LE32(1000) + "n" },
        { "dotdot", Pack({ { "ok.txt", "o" }, { "..\\evil.txt", "e" } }) },
        { "drive", Pack({ { "ok.txt", "o" }, { "C:\\evil.txt", "e" } }) },
        { "root", Pack({ { "ok.txt", "o" }, { "\\evil.txt", "e" } }) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Install in(std::string("/t/hostile-") + c.name + "/");
        in.ServeList("N,1,n.pack,\r\n");
        Serve(in.base, "n.pack", c.pack);
        int code = -1;
        auto boxes = in.Run("-start tiv,", &code);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0], kPgt012);
        EXPECT_EQ(code, 0);
        EXPECT_FALSE(Exists(in.dir.file("N")));
        EXPECT_FALSE(Exists(in.dir.file("ok.txt")));
        EXPECT_FALSE(Exists(in.dir.file("..\\evil.txt")));
        EXPECT_FALSE(Exists("C:\\evil.txt"));
        EXPECT_FALSE(Exists("\\evil.txt"));
        EXPECT_EQ(in.VerBin(), "A,1,\r\nB,1,\r\npullagent.exe,1,\r\n");
    }
}

TEST(PullagentHostile, CutTransferAndDamagedLists)
{
    {
        Install in("/t/cut/");
        in.ServeList("N,1,c.pack,\r\n");
        Serve(in.base, "c.pack", Pack({ { "N", std::string(5000, 'c') } }));
        auto boxes = in.Run("-start tiv,");
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0], kPgt012);
        EXPECT_FALSE(Exists(in.dir.file("N")));
        EXPECT_NE(in.Log().find("the transfer broke off"), std::string::npos);
    }
    {
        // A damaged version list: lines without fields are skipped, a pack
        // name that is no plain name is not fetched.
        Install in("/t/badlist/");
        in.ServeList(std::string("\x01\x02garbage\r\n,,,\r\nA,x,a.pack,\r\nN,1,../../etc/passwd,\r\n"));
        auto boxes = in.Run("-update");
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0], kPgt012);
        EXPECT_EQ(in.VerBin(), "A,1,\r\nB,1,\r\npullagent.exe,1,\r\n");
    }
    {
        // A damaged ver.bin counts for what it holds; the rewrite keeps it.
        Install in("/t/badverbin/", std::string("\xFF\xFE\r\nA,1,\r\nno version\r\n"));
        in.ServeList("A,1,a.pack,\r\n");
        EXPECT_TRUE(in.Run("-update").empty());
        EXPECT_FALSE(Exists(in.dir.file("version.txt")));
    }
}

namespace {

// The dialog as it stands, saved as a BMP (and a PNG when convert runs).
void Shot(HWND hWnd, const std::string& unixPath)
{
    const std::string path = Probe_HostPath(unixPath);
    RECT rc;
    GetWindowRect(hWnd, &rc);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
    SelectObject(mem, old);
    BITMAPINFOHEADER bi = { sizeof(bi), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0 };
    int stride = (w * 3 + 3) & ~3;
    std::string pixels(static_cast<size_t>(stride) * h, '\0');
    GetDIBits(mem, bmp, 0, h, &pixels[0], reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS);
    BITMAPFILEHEADER fh = { 0x4D42, static_cast<DWORD>(sizeof(fh) + sizeof(bi) + pixels.size()), 0, 0,
                            sizeof(fh) + sizeof(bi) };
    WriteAll(path + ".bmp", std::string(reinterpret_cast<char*>(&fh), sizeof(fh)) +
                                std::string(reinterpret_cast<char*>(&bi), sizeof(bi)) + pixels);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    HANDLE hc = Probe_Start("Z:\\usr\\bin\\convert", "convert " + unixPath + ".bmp " + unixPath + ".png", "");
    if (hc) Probe_WaitExit(hc, 20000);
}

std::string Text(HWND hDlg, int id)
{
    char s[256] = "";
    GetDlgItemTextA(hDlg, id, s, sizeof(s));
    return s;
}

}  // namespace

// The dialog caught mid-way on a trickled pack, then the member's Cancel:
// the pack counts as failed and its file is not written.
TEST(PullagentDialog, TrickledProgressThenCancel)
{
    Install in("/t/trickle/");
    in.ServeList("N,1,big.pack,\r\n");
    // 1,200,000 bytes at 40,000 a second: 30 s for the whole pack.
    Serve(in.base, "big.pack", Pack({ { "N", std::string(1200000, 'b') } }));
    std::string exe = in.dir.file("pullagent.exe");
    HANDLE h = Probe_Start(exe, "\"" + exe + "\" -start tiv,", in.dir.path());
    ASSERT_NE(h, nullptr);
    HWND dlg = nullptr;
    // The version pack's dialog comes and goes first; wait for the pack's own at some percent.
    int pct = 0;
    ASSERT_TRUE(Probe_WaitFor([&] {
        dlg = Probe_WaitWindow("#32770", "ファイルダウンロード中", 50);
        if (!dlg) return false;
        pct = std::atoi(Text(dlg, 1001).c_str());
        return pct >= 10 && pct <= 50;
    }, 30000));
    EXPECT_NE(Text(dlg, 1001).find("％ダウンロード済み"), std::string::npos);
    Shot(dlg, StandinDir() + "/pullagent-dialog");
    DWORD t0 = GetTickCount();
    Probe_PressButton(dlg, IDCANCEL);
    HWND box = Probe_WaitWindow("#32770", kCaption, 10000);
    DWORD elapsed = GetTickCount() - t0;
    ASSERT_NE(box, nullptr);
    // At most half the pack had come: the rest would take 15 s or more.
    EXPECT_LT(elapsed, 8000u);
    EXPECT_EQ(Probe_MessageBoxText(box), kPgt012);
    Probe_PressButton(box, IDOK);
    EXPECT_EQ(Probe_WaitExit(h, 20000), 0);
    EXPECT_FALSE(Exists(in.dir.file("N")));
    EXPECT_EQ(in.VerBin(), "A,1,\r\nB,1,\r\npullagent.exe,1,\r\n");
}

// A server that says nothing: Cancel ends the dialog without waiting for it;
// the thread is waited for, never terminated.
TEST(PullagentDialog, StallEndedByCancel)
{
    Install in("/t/stall/");
    in.ServeList("N,1,s.pack,\r\n");
    std::string exe = in.dir.file("pullagent.exe");
    HANDLE h = Probe_Start(exe, "\"" + exe + "\" -start tiv,", in.dir.path());
    ASSERT_NE(h, nullptr);
    // Past the version pack: the stalled request is in the log.
    HWND dlg = nullptr;
    ASSERT_TRUE(Probe_WaitFor([&] {
        if (Gets(in.base).size() < 2) return false;
        dlg = Probe_WaitWindow("#32770", "ファイルダウンロード中", 50);
        return dlg != nullptr;
    }, 30000));
    ASSERT_NE(dlg, nullptr);
    Sleep(500);
    // The dialog goes at once; the box follows once Wine has unmapped it
    // (without a window manager Xvfb makes winex11 wait 2 s for that).
    DWORD t0 = GetTickCount();
    Probe_PressButton(dlg, IDCANCEL);
    ASSERT_TRUE(Probe_WaitFor([&] { return !IsWindow(dlg) || !IsWindowVisible(dlg); }, 10000));
    DWORD elapsed = GetTickCount() - t0;
    // The server stalls for 30 s: a dialog that waited for it would still be up.
    EXPECT_LT(elapsed, 10000u);
    HWND box = Probe_WaitWindow("#32770", kCaption, 10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Probe_MessageBoxText(box), kPgt012);
    Probe_PressButton(box, IDOK);
    EXPECT_EQ(Probe_WaitExit(h, 20000), 0);
    EXPECT_NE(in.Log().find("DLWND::cancelled"), std::string::npos);
    EXPECT_EQ(in.Log().find("terminat"), std::string::npos);
}

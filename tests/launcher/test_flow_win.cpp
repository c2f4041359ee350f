// The launcher driven through its own window, as a member uses it: the real
// tiv_launcher.exe under Wine against the stand-in service,
// with real clicks on its rows and buttons. The runner is the real qr.exe;
// the game, the updater and the shell's http and manual handlers are the
// recording stand-in game (it writes "game.rec" beside itself).
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cmnutil.h"
#include "cntpack.h"
#include "contentslist.h"
#include "reg.h"
#include "testdir.h"
#include "teststore.h"
#include "wincapture.h"
#include "winprobe.h"

namespace {

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

bool Exists(const std::string& p) { return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Today()
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    char s[16];
    std::snprintf(s, sizeof(s), "%d%02d%02d", t.wYear, t.wMonth, t.wDay);
    return s;
}

// One catalogue record as the service replies (24 comma-ended columns):
// a bought game on sale for years, its game pack and, optionally, a manual pack.
// Records follow each other with nothing between them.
std::string Record(const std::string& id, const std::string& title, const std::string& pack,
                   const std::string& manualPack = "")
{
    return "tiv,," + title + "," + id + ",Maker,PC-88,RPG,20261201,1," + pack + ",1,0,1,,,0," + manualPack + "," +
           (manualPack.empty() ? "" : "1") + ",,,,,20200101,20991231,";
}

// A content pack of one file.
std::string Pack(const std::string& name, const std::string& caption, int type, const std::string& bytes,
                 int cmp = eCPD_FCT_SLIDE)
{
    std::vector<CpdFile> files(1);
    files[0].strName = name;
    files[0].strCaption = caption;
    files[0].cFileType = type;
    files[0].cCmpType = cmp;
    files[0].data.assign(bytes.begin(), bytes.end());
    std::vector<uint8_t> pack;
    EXPECT_EQ(CPD_Build("CNPFVR05", 2, files, pack), 1);
    return std::string(pack.begin(), pack.end());
}

// A member's store as the launcher saved it: header and records.
struct Store {
    CfhIf hdr = {};
    std::vector<ContIf> recs;
    bool Load(const std::string& path)
    {
        std::string raw = ReadAll(path);
        ContIf* p = nullptr;
        int n = 0;
        if (raw.empty() || CONTENTSLIST_DecodeStore(raw.data(), static_cast<int>(raw.size()), &hdr, &p, &n) != 1)
            return false;
        recs.assign(p, p + n);
        std::free(p);
        return true;
    }
    const ContIf* Find(const char* id) const
    {
        for (const ContIf& c : recs)
            if (std::strcmp(c.strContentsId, id) == 0) return &c;
        return nullptr;
    }
};

// A registry value of the test prefix, put back as it was when the test ends.
struct SavedValue {
    HKEY hRoot;
    std::string key, name;
    bool hadKey = false, had = false;
    std::string value;
    SavedValue(HKEY root, const std::string& k, const std::string& n) : hRoot(root), key(k), name(n)
    {
        HKEY h;
        if (RegOpenKeyExA(hRoot, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return;
        hadKey = true;
        char buf[2048];
        DWORD cb = sizeof(buf), type = 0;
        if (RegQueryValueExA(h, name.empty() ? nullptr : name.c_str(), nullptr, &type, (BYTE*)buf, &cb) ==
                ERROR_SUCCESS && type == REG_SZ) {
            had = true;
            value.assign(buf, cb > 0 ? cb - 1 : 0);
        }
        RegCloseKey(h);
    }
    void Set(const std::string& v) const
    {
        HKEY h;
        ASSERT_EQ(RegCreateKeyExA(hRoot, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr), ERROR_SUCCESS);
        RegSetValueExA(h, name.empty() ? nullptr : name.c_str(), 0, REG_SZ, (const BYTE*)v.c_str(),
                       static_cast<DWORD>(v.size() + 1));
        RegCloseKey(h);
    }
    ~SavedValue()
    {
        if (had) { Set(value); return; }
        if (!hadKey) {
            // The key and the parents made for it, up to the classes key (a
            // key that still holds another key is not deleted).
            for (std::string k = key; k.size() > std::strlen("Software\\Classes") + 1; k.erase(k.rfind('\\')))
                if (RegDeleteKeyA(hRoot, k.c_str()) != ERROR_SUCCESS) break;
            return;
        }
        HKEY h;
        if (RegOpenKeyExA(hRoot, key.c_str(), 0, KEY_ALL_ACCESS, &h) == ERROR_SUCCESS) {
            RegDeleteValueA(h, name.empty() ? nullptr : name.c_str());
            RegCloseKey(h);
        }
    }
};

// Where the expanded row's buttons lie (lcd.bin, relative to the row).
struct RowButton { int x, y; const char* what; };
const RowButton kPlay = { 440 + 36, 30 + 11, "play" };
const RowButton kManual = { 518 + 36, 30 + 11, "manual" };
const RowButton kFavourite = { 440 + 36, 86 + 11, "favourite" };
const RowButton kOperation = { 518 + 36, 58 + 11, "operation guide" };
const RowButton kSalePage = { 518 + 36, 86 + 11, "sale page" };

const char kAsk[] = "最新のTIVランチャーを発見しました。\nダウンロードを行う為にいったんTIVランチャーを終了しますか？";

struct Flow : ::testing::Test {
    TestDir dir;
    std::string app, cnt, addr, site;
    InstallValues install;
    HWND w = nullptr;
    HANDLE h = nullptr, hProc = nullptr;

    void SetUp() override
    {
        addr = Env("TIV_STANDIN_ADDR");
        site = Env("TIV_STANDIN_DIR");
        if (addr.empty()) GTEST_SKIP() << "no stand-in service";
        site = Probe_HostPath(site) + "\\";
        app = dir.path() + "app\\";
        cnt = app + "contents\\";
        ASSERT_TRUE(CreateDirectoryA(app.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(cnt.c_str(), nullptr));
        ASSERT_NO_FATAL_FAILURE(install.Set(app, cnt));
        SetEnv("");
        WriteAll(app + "skin.bin", ReadAll(std::string(SKIN_DIR) + "/skin.bin"));
        for (const char* f : { "lcs.bin", "lcd.bin", "lcm.bin" })
            WriteAll(app + f, ReadAll(std::string(SKIN_DIR) + "/" + f));
        SetCursorPos(0, 0);
    }
    void TearDown() override
    {
        if (hProc != nullptr) CloseHandle(hProc);
        Probe_KillAll();
        if (h != nullptr) CloseHandle(h);
    }
    // env.bin: the service on the stand-in, plus the test's own keys.
    void SetEnv(const std::string& more)
    {
        WriteAll(app + "env.bin", Inverted("[TITLENAME]\r\nテストの館\r\n[CGITOPPAGE]\r\n" + addr +
                                           "\r\n[CGIPAGE_GETCONTENTSLIST]\r\n/cgi-bin/list.cgi\r\n[DLWEBPAGE]\r\nhttp://" +
                                           addr + "/dl/\r\n" + more));
    }
    std::string Member(const std::string& id) { return cnt + Md5(id) + "\\"; }
    // A member whose store holds titled (on sale) games C0000, C0001, ...
    // and whose catalogue reply is the stand-in's file <id>.txt.
    void AddMember(const std::string& id, const std::vector<std::string>& titles, int nType,
                   const std::string& reply)
    {
        CreateDirectoryA(Member(id).c_str(), nullptr);
        StoreContents c;
        c.nRecords = static_cast<int>(titles.size());
        c.titles = titles;
        c.nType = nType;
        WriteStore(Member(id) + "REG.DAT", id, "pw1", c);
        WriteAll(site + id + ".txt", reply);
    }
    std::string RequestLog() { return ReadAll(site + "req.log"); }
    static int Count(const std::string& s, const std::string& what)
    {
        int n = 0;
        for (size_t p = 0; (p = s.find(what, p)) != std::string::npos; p += what.size()) n++;
        return n;
    }
    int Posts(size_t from = 0) { return Count(RequestLog().substr(from), "POST\t/cgi-bin/list.cgi\t"); }

    // appset.bin: the first page and the two start-up switches.
    void SetAppset(int nAutoUpdate, int nAutoDownload)
    {
        WriteAll(app + "appset.bin", Inverted("[DEF_DISPMODE]\n2\n\n[AUTO_UPDATECONTENTS]\n" + std::to_string(nAutoUpdate) +
                                              "\n\n[AUTO_DOWNLOADCONTENTS]\n" + std::to_string(nAutoDownload) + "\n\n"));
    }
    // The service offers a newer launcher: the client-version pack lists a
    // tiv_launcher.exe of version 2 where ver.bin has 1; the updater is the
    // recording stand-in game.
    void OfferNewerClient(const std::string& more = "")
    {
        SetEnv("[ZVQCLIENTDLWEBPAGE]\r\n" + addr + "/ver/flow/\r\n" + more);
        const std::string list = "tiv_launcher.exe,2,client1.pack,\r\nqr.exe,1,client1.pack,\r\n";
        std::vector<CpdFile> files(1);
        files[0].strName = "version.txt";
        files[0].cFileType = eCPD_FTYPE_README;
        files[0].cCmpType = eCPD_FCT_NONE;
        files[0].data.assign(list.begin(), list.end());
        std::vector<uint8_t> pack;
        ASSERT_EQ(CPD_Build("CNPFVR05", 1, files, pack), 1);
        CreateDirectoryA((site + "root\\ver\\flow").c_str(), nullptr);
        WriteAll(site + "root\\ver\\flow\\ver.bin", std::string(pack.begin(), pack.end()));
        WriteAll(app + "ver.bin", Inverted("tiv_launcher.exe,1,\r\nqr.exe,1,\r\n"));
        WriteAll(app + "pullagent.exe", ReadAll(Probe_HostPath(TESTGAME_EXE)));
    }
    // The launcher's visible dialogs: with that caption (nullptr: the slot
    // choosers, captionless and without the progress bar).
    std::vector<HWND> Dialogs(const char* caption)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        std::vector<HWND> out;
        for (HWND d = nullptr; (d = FindWindowExA(nullptr, d, "#32770", nullptr)) != nullptr;) {
            DWORD p = 0;
            GetWindowThreadProcessId(d, &p);
            char cap[128] = "";
            GetWindowTextA(d, cap, sizeof(cap));
            if (p != pid || !IsWindowVisible(d)) continue;
            if (caption != nullptr ? std::strcmp(cap, caption) == 0 : cap[0] == '\0' && GetDlgItem(d, 1001) == nullptr)
                out.push_back(d);
        }
        return out;
    }

    // Starts the launcher and waits until its list shows the store's nRows
    // rows and, unless bButtons is false, its main buttons are usable.
    // (With the default settings start-up asks the service nothing.)
    void StartLauncher(int nRows, bool bButtons = true)
    {
        h = Probe_Start(Probe_HostPath(LAUNCHER_EXE), "tiv_launcher.exe -start tiv,", app);
        ASSERT_NE(h, nullptr) << "the launcher did not start: error " << GetLastError();
        w = Probe_WaitWindow("TIV Launcher", nullptr, 60000);
        ASSERT_NE(w, nullptr);
        ASSERT_TRUE(Probe_WaitFor([&] {
            HWND list = Child(w, "ListBox", 8);
            return list != nullptr && SendMessageA(list, LB_GETCOUNT, 0, 0) == nRows && (!bButtons || ButtonsEnabled());
        }, 60000)) << "the list did not show " << nRows << " rows\n" << Diag();
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        hProc = OpenProcess(PROCESS_VM_READ, FALSE, pid);
        SetForegroundWindow(w);
        SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    // The update button, and the wait for its refresh to be over: the store
    // saved with today's date and the main buttons usable again.
    void Refresh(const std::string& member)
    {
        size_t nLog = RequestLog().size();
        PressUpdate();
        Store s;
        ASSERT_TRUE(Probe_WaitFor([&] {
            return Posts(nLog) >= 1 && s.Load(member + "REG.DAT") && s.hdr.strLastUpdate == Today() && ButtonsEnabled();
        }, 60000)) << "the refresh did not end\n" << Diag();
    }
    // What the launcher shows and wrote, for a failure's message.
    std::string Diag()
    {
        std::string out = "children:";
        for (HWND c = GetWindow(w, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
            char cls[64] = "";
            GetClassNameA(c, cls, sizeof(cls));
            out += " " + std::string(cls) + "#" + std::to_string(GetDlgCtrlID(c)) + (IsWindowEnabled(c) ? "" : "(off)");
        }
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        for (HWND d = nullptr; (d = FindWindowExA(nullptr, d, "#32770", nullptr)) != nullptr;) {
            DWORD p = 0;
            GetWindowThreadProcessId(d, &p);
            char cap[128] = "";
            GetWindowTextA(d, cap, sizeof(cap));
            if (p == pid && IsWindowVisible(d)) out += "\nbox [" + std::string(cap) + "] " + Probe_MessageBoxText(d);
        }
        std::string log = Inverted(ReadAll(app + "tiv_launcher.log"));
        return out + "\nlog (end):\n" + (log.size() > 3000 ? log.substr(log.size() - 3000) : log);
    }
    // The update, settings and second top-page buttons.
    bool ButtonsEnabled()
    {
        HWND b = Child(w, nullptr, 1);
        return b != nullptr && IsWindowEnabled(b) && IsWindowEnabled(Child(w, nullptr, 47));
    }
    HWND List() { return Child(w, "ListBox", 8); }
    // A text field of row n, read from the launcher: the item's data is the
    // row record's title; the run count lies five texts further.
    std::string RowText(int n, int nField)
    {
        char t[64] = "";
        LRESULT addr = SendMessageA(List(), LB_GETITEMDATA, n, 0);
        if (addr == LB_ERR || addr == 0) return "(none)";
        SIZE_T got = 0;
        ReadProcessMemory(hProc, reinterpret_cast<LPCVOID>(addr + nField * 2048), t, sizeof(t) - 1, &got);
        return t;
    }
    int RowOf(const std::string& title)
    {
        LRESULT n = SendMessageA(List(), LB_GETCOUNT, 0, 0);
        for (int i = 0; i < n; i++)
            if (RowText(i, 0) == title) return i;
        return -1;
    }
    // A real click on the launcher. The row handlers read where the pointer
    // is when they get the list's notification, so it stays there until the
    // launcher has taken the click in.
    // The click goes to the main window, or to the launcher's own box target.
    void Click(int x, int y, HWND target = nullptr)
    {
        // Other tests' windows share the display: the launcher is kept on top
        // so that the click reaches it. Its own notice window, which stays
        // above it, hides itself within ten seconds.
        if (target == nullptr) target = w;
        HWND at = nullptr;
        for (int i = 0; i < 150; i++) {
            at = GetAncestor(WindowFromPoint(POINT{ x, y }), GA_ROOT);
            if (at == target) break;
            SetWindowPos(target, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            Sleep(100);
        }
        EXPECT_EQ(at, target) << "another window lies over the launcher at " << x << "," << y;
        ClickAt(x, y);
        WaitForInputIdle(h, 10000);
        Sleep(500);
        SetCursorPos(0, 0);
    }
    // Opens the row of that title (a click on its top band; a row the list
    // still counts as open from before a rebuild closes on the first click)
    // and presses one of its buttons.
    void PressRowButton(const std::string& title, const RowButton& b)
    {
        // A click while a request of the launcher's own runs (the version
        // check after a refresh) meets disabled buttons: on a busy machine
        // that request takes long enough to swallow the click.
        ASSERT_TRUE(Probe_WaitFor([&] { return ButtonsEnabled(); }, 30000)) << "the main buttons stay disabled";
        int n = RowOf(title);
        ASSERT_GE(n, 0) << "no row " << title;
        HWND list = List();
        RECT rcItem;
        auto origin = [&] {
            SendMessageA(list, LB_GETITEMRECT, n, reinterpret_cast<LPARAM>(&rcItem));
            POINT o = { rcItem.left, rcItem.top };
            ClientToScreen(list, &o);
            return o;
        };
        auto open = [&] { return SendMessageA(list, LB_GETITEMHEIGHT, n, 0) == 125; };
        for (int i = 0; i < 3 && !open(); i++) {
            POINT o = origin();
            Click(o.x + 300, o.y + 12);
            Probe_WaitFor(open, 5000);
        }
        ASSERT_TRUE(open()) << "the row did not open";
        POINT o = origin();
        Click(o.x + b.x, o.y + b.y);
    }
    void PressUpdate()
    {
        RECT rc;
        GetWindowRect(Child(w, nullptr, 1), &rc);
        Click((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    }
    // The launcher's download progress window, while it is up.
    HWND ProgressWindow()
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        for (HWND d = nullptr; (d = FindWindowExA(nullptr, d, "#32770", nullptr)) != nullptr;) {
            DWORD p = 0;
            GetWindowThreadProcessId(d, &p);
            if (p == pid && GetDlgItem(d, 1001) != nullptr && IsWindowVisible(d)) return d;
        }
        return nullptr;
    }
    void Close()
    {
        PostMessageA(w, WM_CLOSE, 0, 0);
        EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    }
};

// The update button asks the service again; the catalogue is merged and saved
// with today's date, and a favourite set just before the refresh survives it.
TEST_F(Flow, TheUpdateButtonRefreshesTheCatalogueAndKeepsAFavouriteSetJustBefore)
{
    AddMember("flowup", { "Alpha" }, eCLPD_TYPE_DOWNLOADABLE, Record("C0000", "Alpha", "A.pack"));
    size_t nLog = RequestLog().size();
    ASSERT_NO_FATAL_FAILURE(StartLauncher(1));
    // The service has a new game now; the member marks Alpha and asks at once.
    WriteAll(site + "flowup.txt", Record("C0000", "Alpha", "A.pack") + Record("C0001", "Beta", "B.pack"));
    PressRowButton("Alpha", kFavourite);
    PressUpdate();
    EXPECT_TRUE(Probe_WaitFor([&] { return SendMessageA(List(), LB_GETCOUNT, 0, 0) == 2; }, 60000))
        << "the refreshed list has no new row\n" << Diag();
    std::string log = RequestLog().substr(nLog);
    EXPECT_EQ(Count(log, "POST\t/cgi-bin/list.cgi\t"), 1) << log;
    EXPECT_NE(log.find("userid=flowup&passwd=pw1"), std::string::npos) << log;
    Store s;
    ASSERT_TRUE(Probe_WaitFor([&] { return s.Load(Member("flowup") + "REG.DAT") && s.recs.size() == 2; }, 30000))
        << "store: " << s.recs.size() << " records of " << s.hdr.strLastUpdate << ", row 0 " << RowText(0, 0);
    EXPECT_STREQ(s.hdr.strLastUpdate, Today().c_str());
    ASSERT_NE(s.Find("C0000"), nullptr);
    EXPECT_EQ(s.Find("C0000")->bFavorite, 1) << "the favourite set before the refresh was lost";
    ASSERT_NE(s.Find("C0001"), nullptr);
    EXPECT_STREQ(s.Find("C0001")->strProductName, "Beta");
    EXPECT_TRUE(ButtonsEnabled());
    Close();
}

// A game not on disk: play fetches its pack with the progress window up (a
// capture of it is kept), then starts it through the runner; the next play
// starts the installed game without fetching; each play is a line of pt.bin
// and the row counts them after a refresh.
TEST_F(Flow, PlayDownloadsAMissingGameWithProgressThenRunsItThroughTheRunnerAndCountsThePlays)
{
    std::string game = ReadAll(Probe_HostPath(TESTGAME_EXE));
    ASSERT_FALSE(game.empty());
    // With its guide the pack is over two of the 500000-byte parts the
    // launcher reads, so the bar stops part-way once.
    std::vector<CpdFile> files(2);
    files[0].strName = "C0000\\game.exe";
    files[0].strCaption = "起動";
    files[0].cFileType = eCPD_FTYPE_SBN;
    files[0].cCmpType = eCPD_FCT_SLIDE;
    files[0].data.assign(game.begin(), game.end());
    files[1].strName = "C0000\\guide.txt";
    files[1].strCaption = "操作説明";
    files[1].cFileType = eCPD_FTYPE_README;
    files[1].cCmpType = eCPD_FCT_NONE;
    files[1].data.assign(1200000, 'g');
    std::vector<uint8_t> pack;
    ASSERT_EQ(CPD_Build("CNPFVR05", 2, files, pack), 1);
    ASSERT_GT(pack.size(), 1000000u);
    WriteAll(site + "root\\dl\\slow.pack", std::string(pack.begin(), pack.end()));
    WriteAll(app + "qr.exe", ReadAll(Probe_HostPath(QR_EXE)));
    AddMember("flowplay", { "Alpha" }, eCLPD_TYPE_DOWNLOADABLE, Record("C0000", "Alpha", "slow.pack"));
    std::string member = Member("flowplay"), folder = member + "C0000\\";
    // The stand-in game plays past the runner's first 3-second tick.
    CreateDirectoryA(folder.c_str(), nullptr);
    WriteAll(folder + "game.cfg", "run=4000\n");
    size_t nLog = RequestLog().size();
    ASSERT_NO_FATAL_FAILURE(StartLauncher(1));
    ASSERT_NO_FATAL_FAILURE(Refresh(member));
    EXPECT_EQ(RowText(RowOf("Alpha"), 5), "0");

    PressRowButton("Alpha", kPlay);
    HWND dlg = nullptr;
    ASSERT_TRUE(Probe_WaitFor([&] { return (dlg = ProgressWindow()) != nullptr; }, 30000)) << "no progress window";
    EXPECT_FALSE(ButtonsEnabled()) << "the main buttons stay usable during the download";
    // The bar between its ends: the picture of that moment is kept.
    HWND bar = GetDlgItem(dlg, 1001);
    std::string seen;
    bool bMid = Probe_WaitFor([&] {
        int nMax = static_cast<int>(SendMessageA(bar, PBM_GETRANGE, FALSE, 0));
        int nPos = static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0));
        if (!IsWindow(dlg)) return true;
        std::string now = std::to_string(nPos) + "/" + std::to_string(nMax) + " ";
        if (seen.size() < now.size() || seen.compare(seen.size() - now.size(), now.size(), now) != 0) seen += now;
        if (nPos <= 0 || nPos >= nMax) return false;
        Sleep(300);   // the percent is painted after the bar moves
        Capture(dlg, CAPTURE_DIR, "download_progress");
        return true;
    }, 60000);
    EXPECT_TRUE(bMid && IsWindow(dlg)) << "the bar was not seen part-way: " << seen;
    EXPECT_TRUE(Probe_WaitFor([&] { return !IsWindow(dlg); }, 60000)) << "the progress window stayed";

    // The runner is copied into the game's folder and runs the expanded game there.
    std::string rec;
    auto played = [&](int n) {
        return Probe_WaitFor([&] { rec = ReadAll(folder + "game.rec"); return Count(rec, "ended=") >= n; }, 60000);
    };
    ASSERT_TRUE(played(1)) << rec;
    EXPECT_EQ(ReadAll(folder + "qr.exe"), ReadAll(app + "qr.exe"));
    EXPECT_NE(rec.find("cmdline=[" + folder + "game.exe mode=start,userid=flowplay,productid=C0000,save=" + member +
                       ",]"), std::string::npos) << rec;
    EXPECT_NE(rec.find("cwd=[" + member + "C0000]"), std::string::npos) << rec;
    EXPECT_TRUE(Probe_WaitFor([&] { return Inverted(ReadAll(app + "pt.bin")) == "flowplay,C0000,1,\n"; }, 60000))
        << Inverted(ReadAll(app + "pt.bin"));
    // The runner deletes the game when it is over; its packed form stays.
    EXPECT_TRUE(Probe_WaitFor([&] { return !Exists(folder + "game.exe"); }, 60000));
    EXPECT_TRUE(Exists(folder + "game.sbn"));
    Store s;
    ASSERT_TRUE(s.Load(member + "REG.DAT"));
    ASSERT_NE(s.Find("C0000"), nullptr);
    EXPECT_EQ(s.Find("C0000")->type, eCLPD_TYPE_PLAYABLE);

    // Installed now: play expands and starts it again, with no download.
    ASSERT_TRUE(Probe_WaitFor([&] { return ButtonsEnabled(); }, 30000));
    PressRowButton("Alpha", kPlay);
    ASSERT_TRUE(played(2)) << rec;
    EXPECT_EQ(Count(rec, "cmdline=[" + folder + "game.exe mode=start,userid=flowplay,productid=C0000,save="), 2)
        << rec;
    EXPECT_TRUE(Probe_WaitFor([&] { return Inverted(ReadAll(app + "pt.bin")) == "flowplay,C0000,1,\nflowplay,C0000,1,\n"; },
                              60000)) << Inverted(ReadAll(app + "pt.bin"));
    EXPECT_EQ(Count(RequestLog().substr(nLog), "GET\t/dl/slow.pack\t"), 1) << RequestLog().substr(nLog);

    // A refresh shows the two plays on the row.
    ASSERT_TRUE(Probe_WaitFor([&] { return ButtonsEnabled(); }, 30000));
    PressUpdate();
    EXPECT_TRUE(Probe_WaitFor([&] { return RowOf("Alpha") >= 0 && RowText(RowOf("Alpha"), 5) == "2"; }, 60000))
        << "run count shown: " << RowText(RowOf("Alpha"), 5);
    Close();
}

// CANCEL on the progress window ends the download: the cancel report, no
// game, the main buttons usable again and the launcher still running.
TEST_F(Flow, CancellingADownloadReportsZvq016AndEnablesTheMainButtonsAgain)
{
    AddMember("flowcancel", { "Alpha" }, eCLPD_TYPE_DOWNLOADABLE, Record("C0000", "Alpha", "stall.pack"));
    size_t nLog = RequestLog().size();
    ASSERT_NO_FATAL_FAILURE(StartLauncher(1));
    ASSERT_NO_FATAL_FAILURE(Refresh(Member("flowcancel")));
    PressRowButton("Alpha", kPlay);
    HWND dlg = nullptr;
    ASSERT_TRUE(Probe_WaitFor([&] { return (dlg = ProgressWindow()) != nullptr; }, 30000)) << "no progress window";
    EXPECT_TRUE(Probe_WaitFor([&] { return RequestLog().substr(nLog).find("GET\t/dl/stall.pack\t") != std::string::npos; },
                              30000));
    EXPECT_FALSE(ButtonsEnabled());
    Probe_PressButton(dlg, 1000);
    HWND box = Probe_WaitWindow("#32770", "確認", 30000);
    ASSERT_NE(box, nullptr) << "no cancel report";
    EXPECT_EQ(Probe_MessageBoxText(box), "処理を中断します(ZVQ:016)。");
    Probe_PressButton(box, IDOK);
    EXPECT_TRUE(Probe_WaitFor([&] { return !IsWindow(box) && !IsWindow(dlg); }, 30000));
    EXPECT_TRUE(Probe_WaitFor([&] { return ButtonsEnabled(); }, 30000)) << "the main buttons stay disabled";
    EXPECT_FALSE(Exists(Member("flowcancel") + "C0000\\game.sbn"));
    EXPECT_EQ(WaitForSingleObject(h, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the launcher ended";
    Store s;
    ASSERT_TRUE(s.Load(Member("flowcancel") + "REG.DAT"));
    EXPECT_EQ(s.Find("C0000")->type, eCLPD_TYPE_DOWNLOADABLE);
    Close();
}

// The client-version check after a refresh: a file of the service's list
// that differs from ver.bin asks the member; Cancel keeps the launcher, OK
// starts the updater and ends the launcher with its store saved.
TEST_F(Flow, ANewerClientAsksAndOkStartsTheUpdaterWhileCancelKeepsTheLauncher)
{
    ASSERT_NO_FATAL_FAILURE(OfferNewerClient());
    AddMember("flowver", { "Alpha" }, eCLPD_TYPE_DOWNLOADABLE, Record("C0000", "Alpha", "A.pack"));

    ASSERT_NO_FATAL_FAILURE(StartLauncher(1));
    PressUpdate();
    HWND box = Probe_WaitWindow("#32770", "報告", 60000);
    ASSERT_NE(box, nullptr) << "no update question\n" << Diag();
    EXPECT_EQ(Probe_MessageBoxText(box), kAsk);
    Probe_PressButton(box, IDCANCEL);
    EXPECT_TRUE(Probe_WaitFor([&] { return !IsWindow(box) && ButtonsEnabled(); }, 30000));
    EXPECT_FALSE(Exists(app + "version.txt"));
    EXPECT_FALSE(Exists(app + "game.rec")) << "the updater was started";
    EXPECT_EQ(WaitForSingleObject(h, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the launcher ended";

    // The update button checks again; OK this time.
    SetForegroundWindow(w);
    PressUpdate();
    box = Probe_WaitWindow("#32770", "報告", 60000);
    ASSERT_NE(box, nullptr) << "no update question after the refresh";
    EXPECT_EQ(Probe_MessageBoxText(box), kAsk);
    Probe_PressButton(box, IDOK);
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    std::string rec;
    EXPECT_TRUE(Probe_WaitFor([&] { rec = ReadAll(app + "game.rec"); return rec.find("started") != std::string::npos; },
                              60000));
    EXPECT_NE(rec.find("cmdline=[\"" + app + "pullagent.exe\" -start tiv,]"), std::string::npos) << rec;
    EXPECT_NE(rec.find("cwd=[" + app.substr(0, app.size() - 1) + "]"), std::string::npos) << rec;
    Store s;
    ASSERT_TRUE(s.Load(Member("flowver") + "REG.DAT"));
    EXPECT_STREQ(s.hdr.strUserId, "flowver");
    EXPECT_STREQ(s.hdr.strLastUpdate, Today().c_str());
}

// The sale-page button and a manual not yet on disk go to the shell: the
// page's address to the http handler, the fetched manual to its file type's
// handler (both recorders registered in the test prefix for the test). The
// operation guide comes in the game's own pack: its button fetches the pack,
// then opens the guide the same way.
TEST_F(Flow, TheSalePageAndAFetchedManualOpenThroughTheShell)
{
    SetEnv("[PROJECTTIVWEBPAGE]\r\nhttp://" + addr + "/\r\n");
    std::string recorder = ReadAll(Probe_HostPath(TESTGAME_EXE));
    std::string web = dir.path() + "web\\", doc = dir.path() + "doc\\";
    CreateDirectoryA(web.c_str(), nullptr);
    CreateDirectoryA(doc.c_str(), nullptr);
    WriteAll(web + "browser.exe", recorder);
    WriteAll(doc + "reader.exe", recorder);
    SavedValue http(HKEY_LOCAL_MACHINE, "Software\\Classes\\http\\shell\\open\\command", "");
    SavedValue ext(HKEY_LOCAL_MACHINE, "Software\\Classes\\.tivdoc", "");
    SavedValue type(HKEY_LOCAL_MACHINE, "Software\\Classes\\tivtest.manual\\shell\\open\\command", "");
    http.Set("\"" + web + "browser.exe\" \"%1\"");
    ext.Set("tivtest.manual");
    type.Set("\"" + doc + "reader.exe\" \"%1\"");
    WriteAll(site + "root\\dl\\man.pack", Pack("C0000\\manual.tivdoc", "説明書", eCPD_FTYPE_MANUAL, "a manual", eCPD_FCT_NONE));
    WriteAll(site + "root\\dl\\guide.pack", Pack("C0000\\guide.tivdoc", "操作説明", eCPD_FTYPE_README, "a guide", eCPD_FCT_NONE));
    AddMember("flowshell", { "Alpha" }, eCLPD_TYPE_DOWNLOADABLE, Record("C0000", "Alpha", "guide.pack", "man.pack"));
    size_t nLog = RequestLog().size();
    ASSERT_NO_FATAL_FAILURE(StartLauncher(1));
    ASSERT_NO_FATAL_FAILURE(Refresh(Member("flowshell")));

    PressRowButton("Alpha", kSalePage);
    std::string rec;
    EXPECT_TRUE(Probe_WaitFor([&] { rec = ReadAll(web + "game.rec"); return rec.find("started") != std::string::npos; },
                              60000)) << "the http handler was not started";
    EXPECT_NE(rec.find("http://" + addr + "/cgi/ecatalog-detail.cgi?product_id=C0000"), std::string::npos) << rec;

    ASSERT_TRUE(Probe_WaitFor([&] { return ButtonsEnabled(); }, 30000));
    PressRowButton("Alpha", kManual);
    std::string manual = Member("flowshell") + "C0000\\manual.tivdoc";
    EXPECT_TRUE(Probe_WaitFor([&] { rec = ReadAll(doc + "game.rec"); return rec.find("started") != std::string::npos; },
                              60000)) << "the manual's handler was not started";
    EXPECT_NE(rec.find(manual), std::string::npos) << rec;
    EXPECT_EQ(ReadAll(manual), "a manual");
    EXPECT_EQ(Count(RequestLog().substr(nLog), "GET\t/dl/man.pack\t"), 1) << RequestLog().substr(nLog);
    EXPECT_TRUE(Probe_WaitFor([&] { return ButtonsEnabled(); }, 30000));
    Store s;
    ASSERT_TRUE(s.Load(Member("flowshell") + "REG.DAT"));
    EXPECT_EQ(s.Find("C0000")->typeManual, eCLPD_TYPE_PLAYABLE);

    PressRowButton("Alpha", kOperation);
    std::string guide = Member("flowshell") + "C0000\\guide.tivdoc";
    EXPECT_TRUE(Probe_WaitFor([&] { rec = ReadAll(doc + "game.rec"); return rec.find(guide) != std::string::npos; },
                              60000)) << "the guide was not opened\n" << rec << Diag();
    EXPECT_EQ(ReadAll(guide), "a guide");
    EXPECT_EQ(Count(RequestLog().substr(nLog), "GET\t/dl/guide.pack\t"), 1) << RequestLog().substr(nLog);
    EXPECT_TRUE(Probe_WaitFor([&] { return ButtonsEnabled(); }, 30000)) << Diag();
    ASSERT_TRUE(s.Load(Member("flowshell") + "REG.DAT"));
    EXPECT_EQ(s.Find("C0000")->type, eCLPD_TYPE_PLAYABLE);
    Close();
}

// The same record with another version of its game (column 11).
std::string RecordV(const std::string& id, const std::string& title, const std::string& pack, const std::string& ver)
{
    std::string r = Record(id, title, pack);
    size_t at = r.find("," + pack + ",1,");
    r.replace(at, pack.size() + 4, "," + pack + "," + ver + ",");
    return r;
}

// A game pack of C0000: its executable (any bytes after the stand-in game
// only lengthen it) and its guide.
std::string GamePack(const std::string& game, const std::string& guide)
{
    std::vector<CpdFile> files(2);
    files[0].strName = "C0000\\game.exe";
    files[0].strCaption = "起動";
    files[0].cFileType = eCPD_FTYPE_SBN;
    files[0].cCmpType = eCPD_FCT_SLIDE;
    files[0].data.assign(game.begin(), game.end());
    files[1].strName = "C0000\\guide.txt";
    files[1].strCaption = "操作説明";
    files[1].cFileType = eCPD_FTYPE_README;
    files[1].cCmpType = eCPD_FCT_NONE;
    files[1].data.assign(guide.begin(), guide.end());
    std::vector<uint8_t> pack;
    EXPECT_EQ(CPD_Build("CNPFVR05", 2, files, pack), 1);
    return std::string(pack.begin(), pack.end());
}

// Version 1 of Alpha installed through the launcher (played once), then the
// service offers version 2 in pack2 and a refresh marks the game for update.
struct UpdateFlow : Flow {
    std::string member, folder, game, sbn1;
    void InstallThenOffer(const std::string& id, const std::string& pack2)
    {
        game = ReadAll(Probe_HostPath(TESTGAME_EXE));
        ASSERT_FALSE(game.empty());
        WriteAll(site + "root\\dl\\" + id + "1.pack", GamePack(game, "guide 1"));
        WriteAll(site + "root\\dl\\" + id + "2.pack", pack2);
        WriteAll(app + "qr.exe", ReadAll(Probe_HostPath(QR_EXE)));
        AddMember(id, { "Alpha" }, eCLPD_TYPE_DOWNLOADABLE, RecordV("C0000", "Alpha", id + "1.pack", "1"));
        member = Member(id);
        // Version 1 is known to the store (an empty version is current
        // against any other and never asks for an update).
        Store st;
        ASSERT_TRUE(st.Load(member + "REG.DAT"));
        for (ContIf& r : st.recs) {
            std::strcpy(r.strVersion, "1");
            std::strcpy(r.strServerVersion, "1");
        }
        void* pFile = nullptr;
        int nFile = 0;
        ASSERT_EQ(CONTENTSLIST_EncodeStore(&st.hdr, st.recs.data(), static_cast<int>(st.recs.size()), &pFile, &nFile), 1);
        WriteAll(member + "REG.DAT", std::string(static_cast<char*>(pFile), nFile));
        std::free(pFile);
        folder = member + "C0000\\";
        CreateDirectoryA(folder.c_str(), nullptr);
        WriteAll(folder + "game.cfg", "run=500\n");
        ASSERT_NO_FATAL_FAILURE(StartLauncher(1));
        ASSERT_NO_FATAL_FAILURE(Refresh(member));
        PressRowButton("Alpha", kPlay);
        ASSERT_TRUE(Probe_WaitFor([&] { return Count(ReadAll(folder + "game.rec"), "ended=") >= 1; }, 60000))
            << "version 1 did not play\n" << Diag();
        ASSERT_TRUE(Probe_WaitFor([&] { return ButtonsEnabled(); }, 30000));
        sbn1 = ReadAll(folder + "game.sbn");
        ASSERT_FALSE(sbn1.empty());
        WriteAll(site + id + ".txt", RecordV("C0000", "Alpha", id + "2.pack", "2"));
        ASSERT_NO_FATAL_FAILURE(Refresh(member));
        ASSERT_NO_FATAL_FAILURE(ExpectOld(eCLPD_TYPE_UPDATE));
    }
    // Version 1 whole on disk and in the store, nothing of the unpack left.
    void ExpectOld(int nType)
    {
        EXPECT_EQ(ReadAll(folder + "game.sbn"), sbn1);
        EXPECT_EQ(ReadAll(folder + "guide.txt"), "guide 1");
        for (const char* f : { "C0000\\~tiv0.new", "C0000\\~tiv1.new", "C0000\\~tiv0.old", "C0000\\~tiv1.old", "tmp",
                               "tmp2", "tempfile.bin" }) {
            EXPECT_FALSE(Exists(member + f)) << f;
        }
        Store s;
        ASSERT_TRUE(s.Load(member + "REG.DAT"));
        ASSERT_NE(s.Find("C0000"), nullptr);
        EXPECT_EQ(s.Find("C0000")->type, nType);
        EXPECT_STREQ(s.Find("C0000")->strVersion, "1");
        EXPECT_STREQ(s.Find("C0000")->strExePath[0], "C0000\\game.exe");
    }
};

// The update cannot replace the guide, held open by a reader that does not
// share deletion: the member is told the download failed, version 1 stays
// installed and recorded, and the update is offered again; once the reader
// lets go, the same play installs version 2.
TEST_F(UpdateFlow, AnUpdateThatCannotReplaceALockedFileKeepsTheOldGameAndIsOfferedAgain)
{
    ASSERT_NO_FATAL_FAILURE(InstallThenOffer("flowlock", GamePack(ReadAll(Probe_HostPath(TESTGAME_EXE)) + "v2", "guide 2")));
    HANDLE hReader = CreateFileA((folder + "guide.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 0, nullptr);
    ASSERT_NE(hReader, INVALID_HANDLE_VALUE);
    size_t nLog = RequestLog().size();
    PressRowButton("Alpha", kPlay);
    HWND box = Probe_WaitWindow("#32770", "報告", 60000);
    CloseHandle(hReader);
    ASSERT_NE(box, nullptr) << "no failure report\n" << Diag();
    EXPECT_EQ(Probe_MessageBoxText(box), "ダウンロード処理に失敗しました(ZVQ:017)");
    Probe_PressButton(box, IDOK);
    EXPECT_EQ(Count(RequestLog().substr(nLog), "GET\t/dl/flowlock2.pack\t"), 1);
    ASSERT_TRUE(Probe_WaitFor([&] { return ButtonsEnabled(); }, 30000)) << Diag();
    ExpectOld(eCLPD_TYPE_UPDATE);
    EXPECT_EQ(Count(ReadAll(folder + "game.rec"), "started"), 1) << "the failed update started a game";

    // Offered again: play fetches version 2 and installs it.
    PressRowButton("Alpha", kPlay);
    Store s;
    EXPECT_TRUE(Probe_WaitFor([&] {
        return s.Load(member + "REG.DAT") && s.Find("C0000") != nullptr && s.Find("C0000")->type == eCLPD_TYPE_PLAYABLE &&
               std::strcmp(s.Find("C0000")->strVersion, "2") == 0;
    }, 60000)) << Diag();
    EXPECT_EQ(ReadAll(folder + "guide.txt"), "guide 2");
    EXPECT_NE(ReadAll(folder + "game.sbn"), sbn1);
    EXPECT_TRUE(Probe_WaitFor([&] { return Count(ReadAll(folder + "game.rec"), "ended=") >= 2; }, 60000));
    Close();
}

// CANCEL while the update's game is being unpacked (its work file is on
// disk): the worker stops at its next safe point and is waited for; version
// 1 stays whole and recorded, nothing of the unpack is left, and the
// launcher goes on.
TEST_F(UpdateFlow, CancelDuringAnUpdatesUnpackKeepsTheOldGameWholeAndPlayable)
{
    // A long game: its re-encoding takes long enough to be cancelled.
    std::string big = ReadAll(Probe_HostPath(TESTGAME_EXE));
    uint32_t x = 12345;
    for (int i = 0; i < 24 * 1024 * 1024; i++) {
        x = x * 1103515245u + 12345u;
        big += static_cast<char>(x >> 24);
    }
    ASSERT_NO_FATAL_FAILURE(InstallThenOffer("flowstop", GamePack(big, "guide 2")));
    PressRowButton("Alpha", kPlay);
    HWND dlg = nullptr;
    ASSERT_TRUE(Probe_WaitFor([&] { return (dlg = ProgressWindow()) != nullptr; }, 30000)) << "no progress window";
    ASSERT_TRUE(Probe_WaitFor([&] { return Exists(member + "tmp"); }, 120000)) << "the unpack was not seen\n" << Diag();
    Probe_PressButton(dlg, 1000);
    HWND box = Probe_WaitWindow("#32770", "確認", 60000);
    ASSERT_NE(box, nullptr) << "no cancel report\n" << Diag();
    EXPECT_EQ(Probe_MessageBoxText(box), "処理を中断します(ZVQ:016)。");
    Probe_PressButton(box, IDOK);
    EXPECT_TRUE(Probe_WaitFor([&] { return ButtonsEnabled(); }, 30000)) << Diag();
    ExpectOld(eCLPD_TYPE_UPDATE);
    EXPECT_EQ(WaitForSingleObject(h, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the launcher ended";
    Close();
}

// A pack of two games: play offers both in the slot chooser and starts the
// clicked one; the second comes with a ROM image, so it is started
// directly, its quoted path followed by the ROM's quoted path, without the
// runner. (The ROM's whole path is kept in a 128-byte slot: the test's short
// name keeps its folder short enough.) Then, with the catalogue fetched at
// start-up and coming late, play of the installed pair opens the chooser
// before the reply: the reply opens no second chooser over it, and the one
// open still starts the clicked game.
TEST_F(Flow, TwoGamesOneRom)
{
    std::string game = ReadAll(Probe_HostPath(TESTGAME_EXE));
    ASSERT_FALSE(game.empty());
    // The ROM image after the first game belongs to the slot of the next one.
    std::vector<CpdFile> files(3);
    const char* names[] = { "C0000\\disk.exe", "C0000\\game.rom", "C0000\\rom.exe" };
    const char* captions[] = { "ディスク版", "ROM", "ROM版" };
    const int types[] = { eCPD_FTYPE_SBN, eCPD_FTYPE_MSXROM, eCPD_FTYPE_SBN };
    for (int i = 0; i < 3; i++) {
        files[i].strName = names[i];
        files[i].strCaption = captions[i];
        files[i].cFileType = types[i];
        files[i].cCmpType = i == 1 ? eCPD_FCT_NONE : eCPD_FCT_SLIDE;
        if (i == 1) files[i].data.assign(32768, 'R');
        else files[i].data.assign(game.begin(), game.end());
    }
    std::vector<uint8_t> pack;
    ASSERT_EQ(CPD_Build("CNPFVR05", 2, files, pack), 1);
    WriteAll(site + "root\\dl\\two.pack", std::string(pack.begin(), pack.end()));
    WriteAll(app + "qr.exe", ReadAll(Probe_HostPath(QR_EXE)));
    AddMember("flowslots", { "Alpha" }, eCLPD_TYPE_DOWNLOADABLE, Record("C0000", "Alpha", "two.pack"));
    std::string folder = Member("flowslots") + "C0000\\";
    ASSERT_NO_FATAL_FAILURE(StartLauncher(1));
    ASSERT_NO_FATAL_FAILURE(Refresh(Member("flowslots")));
    PressRowButton("Alpha", kPlay);

    // The chooser: the launcher's captionless box without the progress bar.
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    HWND chooser = nullptr;
    ASSERT_TRUE(Probe_WaitFor([&] {
        for (HWND d = nullptr; (d = FindWindowExA(nullptr, d, "#32770", nullptr)) != nullptr;) {
            DWORD p = 0;
            GetWindowThreadProcessId(d, &p);
            if (p == pid && IsWindowVisible(d) && GetDlgItem(d, 1001) == nullptr && GetWindowTextLengthA(d) == 0)
                chooser = d;
        }
        return chooser != nullptr;
    }, 60000)) << "no slot chooser\n" << Diag();
    RECT rc;
    GetWindowRect(chooser, &rc);
    EXPECT_EQ(rc.bottom - rc.top, 187) << "two rows fit the picture";
    WaitForInputIdle(h, 10000);
    Sleep(500);   // painted: the capture is for a person to look at
    Capture(chooser, CAPTURE_DIR, "slot_chooser_two");
    Click(rc.left + 30, rc.top + 25 + 19 + 10, chooser);   // the second row
    std::string rec;
    EXPECT_TRUE(Probe_WaitFor([&] { rec = ReadAll(folder + "game.rec"); return rec.find("started") != std::string::npos; },
                              60000)) << "nothing was started\n" << Diag();
    EXPECT_NE(rec.find("cmdline=[\"" + folder + "rom.exe\" \"" + folder + "game.rom\"]"), std::string::npos) << rec;
    EXPECT_EQ(Count(rec, "cmdline="), 1) << rec;
    EXPECT_EQ(ReadAll(folder + "qr.exe"), ReadAll(app + "qr.exe")) << "the runner is copied all the same";
    Close();

    // The next start fetches the catalogue (it now holds a second title) and
    // the stand-in holds the reply back for 6 s.
    SetAppset(1, 0);
    WriteAll(site + "flowslots.txt", Record("C0000", "Alpha", "two.pack") + Record("C0001", "Beta", "B.pack"));
    CloseHandle(h);
    CloseHandle(hProc);
    h = hProc = nullptr;
    ASSERT_NO_FATAL_FAILURE(StartLauncher(1));
    PressRowButton("Alpha", kPlay);
    ASSERT_TRUE(Probe_WaitFor([&] { return Dialogs(nullptr).size() == 1; }, 30000)) << "no slot chooser\n" << Diag();
    chooser = Dialogs(nullptr)[0];
    // The reply arrives and is taken in while the chooser is open; the
    // request queue's next ticks pass.
    ASSERT_TRUE(Probe_WaitFor([&] { return SendMessageA(List(), LB_GETCOUNT, 0, 0) == 2; }, 60000))
        << "the late catalogue was not taken in\n" << Diag();
    Sleep(3000);
    EXPECT_EQ(Dialogs(nullptr).size(), 1u) << "a second chooser opened over the first";
    EXPECT_TRUE(IsWindowVisible(chooser));
    GetWindowRect(chooser, &rc);
    EXPECT_EQ(rc.bottom - rc.top, 187) << "the chooser lost its rows";
    Click(rc.left + 30, rc.top + 25 + 19 + 10, chooser);   // the second row again
    EXPECT_TRUE(Probe_WaitFor([&] { rec = ReadAll(folder + "game.rec"); return Count(rec, "cmdline=") == 2; }, 60000))
        << "the chosen game did not start\n" << Diag();
    EXPECT_TRUE(Probe_WaitFor([&] { return Dialogs(nullptr).empty() && ButtonsEnabled(); }, 30000)) << Diag();
    Sleep(2000);
    EXPECT_EQ(Count(ReadAll(folder + "game.rec"), "cmdline="), 2) << "started again";
    Close();
}

// Start-up with download-all when there is nothing to download: the action
// ends at once and the client-version check still runs, so the update is
// offered; the member's buttons are usable after Cancel.
TEST_F(Flow, DownloadAllWithNothingToDownloadStillOffersTheUpdate)
{
    ASSERT_NO_FATAL_FAILURE(OfferNewerClient());
    SetAppset(0, 1);
    // The service has no pack for the one bought game: nothing is queued.
    AddMember("flowall", { "Alpha" }, eCLPD_TYPE_DOWNLOADABLE, Record("C0000", "Alpha", ""));
    size_t nLog = RequestLog().size();
    ASSERT_NO_FATAL_FAILURE(StartLauncher(1, false));
    HWND box = Probe_WaitWindow("#32770", "報告", 60000);
    ASSERT_NE(box, nullptr) << "no update question\n" << Diag();
    EXPECT_EQ(Probe_MessageBoxText(box), kAsk);
    Probe_PressButton(box, IDCANCEL);
    EXPECT_TRUE(Probe_WaitFor([&] { return !IsWindow(box) && ButtonsEnabled(); }, 30000)) << Diag();
    EXPECT_EQ(Posts(nLog), 1);
    EXPECT_EQ(Count(RequestLog().substr(nLog), "GET\t/dl/"), 0) << RequestLog().substr(nLog);
    EXPECT_EQ(WaitForSingleObject(h, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the launcher ended";
    Close();
}

// Download-all keeps the main and row buttons off until its last game is in
// (so play cannot be pressed on a title still queued), a result for one title
// starts nothing and shows nothing; afterwards play starts a title.
TEST_F(Flow, DownloadAllKeepsTheButtonsOffUntilItsLastGameIsIn)
{
    std::string game = ReadAll(Probe_HostPath(TESTGAME_EXE));
    ASSERT_FALSE(game.empty());
    // Alpha's pack comes slowly (three megabytes at 250000 bytes a second).
    std::vector<CpdFile> files(2);
    files[0].strName = "C0000\\game.exe";
    files[0].strCaption = "起動";
    files[0].cFileType = eCPD_FTYPE_SBN;
    files[0].cCmpType = eCPD_FCT_SLIDE;
    files[0].data.assign(game.begin(), game.end());
    files[1].strName = "C0000\\guide.txt";
    files[1].strCaption = "操作説明";
    files[1].cFileType = eCPD_FTYPE_README;
    files[1].cCmpType = eCPD_FCT_NONE;
    files[1].data.assign(3000000, 'g');
    std::vector<uint8_t> pack;
    ASSERT_EQ(CPD_Build("CNPFVR05", 2, files, pack), 1);
    WriteAll(site + "root\\dl\\slow.pack", std::string(pack.begin(), pack.end()));
    WriteAll(site + "root\\dl\\beta.pack", Pack("C0001\\game.exe", "起動", eCPD_FTYPE_SBN, game));
    WriteAll(app + "qr.exe", ReadAll(Probe_HostPath(QR_EXE)));
    SetAppset(0, 1);
    AddMember("flowdlall", { "Alpha", "Beta" }, eCLPD_TYPE_DOWNLOADABLE,
              Record("C0000", "Alpha", "slow.pack") + Record("C0001", "Beta", "beta.pack"));
    std::string member = Member("flowdlall"), beta = member + "C0001\\";
    ASSERT_NO_FATAL_FAILURE(StartLauncher(2, false));
    HWND dlg = nullptr;
    ASSERT_TRUE(Probe_WaitFor([&] { return (dlg = ProgressWindow()) != nullptr; }, 60000)) << "no download\n" << Diag();
    EXPECT_FALSE(ButtonsEnabled()) << "the main buttons are usable during download-all";

    Store s;
    ASSERT_TRUE(Probe_WaitFor([&] {
        return s.Load(member + "REG.DAT") && s.Find("C0000") != nullptr && s.Find("C0001") != nullptr &&
               s.Find("C0000")->type == eCLPD_TYPE_PLAYABLE && s.Find("C0001")->type == eCLPD_TYPE_PLAYABLE;
    }, 90000)) << "download-all did not end\n" << Diag();
    EXPECT_TRUE(Probe_WaitFor([&] { return ButtonsEnabled(); }, 30000)) << "the buttons stay off\n" << Diag();
    Sleep(2000);
    EXPECT_TRUE(Dialogs("報告").empty()) << "a message came up\n" << Diag();
    EXPECT_FALSE(Exists(beta + "game.rec")) << "a game was started during download-all";

    PressRowButton("Beta", kPlay);
    std::string rec;
    EXPECT_TRUE(Probe_WaitFor([&] { rec = ReadAll(beta + "game.rec"); return rec.find("started") != std::string::npos; },
                              60000)) << "play did not start the game\n" << Diag();
    EXPECT_NE(rec.find("productid=C0001"), std::string::npos) << rec;
    Close();
}

// A catalogue reply whose first byte is zero is the unusable reply it is:
// its message, and the main buttons back, the launcher still running.
TEST_F(Flow, AReplyStartingWithAZeroByteIsReportedAndGivesTheButtonsBack)
{
    AddMember("flowzero", { "Alpha" }, eCLPD_TYPE_DOWNLOADABLE, std::string("\0ok,", 4) + Record("C0000", "Alpha", "A.pack"));
    ASSERT_NO_FATAL_FAILURE(StartLauncher(1));
    PressUpdate();
    HWND box = Probe_WaitWindow("#32770", "報告", 60000);
    ASSERT_NE(box, nullptr) << "the reply was swallowed\n" << Diag();
    EXPECT_EQ(Probe_MessageBoxText(box), "データ受信に失敗しました。商品情報は取得できませんでした（ZVQ:027）");
    Probe_PressButton(box, IDOK);
    EXPECT_TRUE(Probe_WaitFor([&] { return !IsWindow(box) && ButtonsEnabled(); }, 30000)) << Diag();
    EXPECT_EQ(WaitForSingleObject(h, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the launcher ended";
    Close();
}

}  // namespace

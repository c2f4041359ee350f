// The real login.exe under Wine against the stand-in service:
// a member signing in through the dialog, the POST the service sees, the
// store written, the launcher started (a recorder of its command line and
// folder in place of tiv_launcher.exe, and once the real launcher), every
// message with its exact text and caption, and each failure leaving no
// store and starting nothing. The application folder's path holds a blank.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cmnutil.h"
#include "contentslist.h"
#include "testdir.h"
#include "testinstall.h"
#include "teststore.h"
#include "threadm.h"
#include "winprobe.h"

namespace {

const char kReport[] = "報告";
const char kErr[] = "エラー報告";
const char kLogin000[] = "不正な起動です。処理を中止します(LOGIN:000)";
const char kLogin003[] = "アプリケーションパスを取得できませんでした。処理を中止します(LOGIN:003)";
const char kLogin007[] = "インストールに失敗しました。再度インストールをお試しいただいたのちに失敗が続くようでしたら、\n"
                         "大変お手数ですがお客様サポートにご連絡をお願い致します(LOGIN:007)。";
const char kLogin008[] = "ファイルのロードに失敗しました。再度インストールをお試しいただいたのちに失敗が続くようでしたら、\n"
                         "大変お手数ですがお客様サポートにご連絡をお願い致します(LOGIN:008)。";
const char kLogin018[] = "ユーザ情報が存在しません。処理を中止します（LOGIN:018）";
const char kLogin029[] = "データ受信に失敗しました。処理を中止します（LOGIN:029）";
const char kLogin111[] = "初期化処理に失敗しました。処理を中止します(LOGIN:111)";
const char kLogin112[] = "スタートメニュー、またはWEB経由でサービスを利用して下さい(LOGIN:112)";
const char kLogin115[] = "現在のサービスにて、入力アカウント・パスワードは無効です。\n処理を中止します(LOGIN:115)。";
const char kLogin116[] = "入力アカウント・パスワードは正常でした。\n続いてTIVランチャーを起動します(LOGIN:116)。";
const char kLogin117[] = "サーバー側にてエラーが発生いたしました。。\n処理を中止します(LOGIN:117)。";
const char kLogin118[] = "エラーが発生いたしました。。\n処理を中止します(LOGIN:118)。";
const char kEmpty[] = "入力したアカウント、パスワードのどちらかが指定されておりません。\nもう一度入力して下さい。";

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

std::string Today()
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    char d[16];
    std::snprintf(d, sizeof(d), "%04d%02d%02d", st.wYear, st.wMonth, st.wDay);
    return d;
}

// What a store holds, decoded as the launcher reads it.
struct Store {
    bool bExists = false, bDecodes = false;
    CfhIf h = {};
    int nRecords = -1;
};
Store ReadStore(const std::string& path)
{
    Store s;
    std::string raw = ReadAll(path);
    s.bExists = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (raw.empty()) return s;
    ContIf* pRecs = nullptr;
    s.bDecodes = CONTENTSLIST_DecodeStore(raw.data(), static_cast<int>(raw.size()), &s.h, &pRecs, &s.nRecords) == 1;
    std::free(pRecs);
    return s;
}

struct LoginTest : ::testing::Test {
    TestDir dir;
    TivKeyForTest reg;
    std::string app, cnt, addr, site;

    void SetUp() override
    {
        addr = Env("TIV_STANDIN_ADDR");
        site = Env("TIV_STANDIN_DIR");
        if (addr.empty()) GTEST_SKIP() << "no stand-in service";
        app = dir.path() + "app folder\\";
        cnt = app + "contents\\";
        ASSERT_TRUE(CreateDirectoryA(app.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(cnt.c_str(), nullptr));
        ASSERT_TRUE(reg.ok());
        reg.Set("apppath", app);
        reg.Set("cntpath", cnt);
        reg.Set("skin", "skin.bin");
        WriteAll(app + "env.bin", Inverted("[TITLENAME]\r\nテストの館\r\n[CGITOPPAGE]\r\n" + addr +
                                           "\r\n[CGIPAGE_CHECKUSER]\r\n/cgi-bin/checkuser.cgi\r\n"));
        for (const char* f : { "sp.bin", "splash.bmp" }) WriteAll(app + f, ReadAll(std::string(SKIN_DIR) + "/" + f));
        // The launcher is a recorder of its command line and folder.
        std::string recorder = ReadAll(Probe_HostPath(TESTGAME_EXE));
        ASSERT_FALSE(recorder.empty());
        WriteAll(app + "tiv_launcher.exe", recorder);
        // Reply files served as they are.
        WriteAll(Probe_HostPath(site + "/zero.bin"), std::string("\0ok,", 4));
        WriteAll(Probe_HostPath(site + "/page.html"), "<html><body><h1>500 Internal Server Error</h1></body></html>");
        WriteAll(Probe_HostPath(site + "/okcomma.txt"), "ok");
        WriteAll(Probe_HostPath(site + "/errnocomma.txt"), "err");
    }
    void TearDown() override { Probe_KillAll(); }

    std::string Member(const std::string& id) { return cnt + Md5(id) + "\\"; }
    std::string RequestLog() { return ReadAll(Probe_HostPath(site + "/req.log")); }
    std::string LauncherRecord() { return ReadAll(app + "game.rec"); }
    std::string LoginLog() { return Inverted(ReadAll(app + "login.log")); }

    HANDLE Start(const std::string& args = "")
    {
        return Probe_Start(Probe_HostPath(LOGIN_EXE), "login.exe" + (args.empty() ? "" : " " + args), app);
    }
    // The login dialog: the captionless dialog of the started login.
    HWND Dialog() { return Probe_WaitWindow("#32770", "", 60000); }
    bool Type(HWND hDlg, const std::string& id, const std::string& pw)
    {
        return SetDlgItemTextA(hDlg, 1020, id.c_str()) && SetDlgItemTextA(hDlg, 1021, pw.c_str());
    }
    // The next box of the caption: its text, then OK.
    std::string Box(const char* caption, int nTimeoutMs = 60000)
    {
        HWND box = Probe_WaitWindow("#32770", caption, nTimeoutMs);
        if (box == nullptr) return "(no box)";
        std::string text = Probe_MessageBoxText(box);
        Probe_PressButton(box, IDOK);
        Probe_WaitFor([&] { return !IsWindow(box); }, 10000);
        return text;
    }
    // Signs in through the dialog; the text of the box that follows.
    std::string SignIn(HANDLE h, const std::string& id, const std::string& pw, const char* caption)
    {
        HWND dlg = Dialog();
        if (dlg == nullptr) return "(no dialog)";
        if (!Type(dlg, id, pw)) return "(the dialog's fields could not be set)";
        Probe_PressButton(dlg, IDOK);
        (void)h;
        return Box(caption, 90000);
    }
};

int Count(const std::string& s, const std::string& what)
{
    int n = 0;
    for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) n++;
    return n;
}

TEST_F(LoginTest, LoginCheckANewMemberGetsTheirStoreAndTheLauncherOnce)
{
    const std::string pw = "a&b+c%d=e f";
    size_t nLog = RequestLog().size();
    HANDLE h = Start();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(SignIn(h, "escman", pw, kReport), kLogin116);
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    CloseHandle(h);

    // Exactly one POST to the check page, with the agent, the form's type and the escaped body.
    std::string log = RequestLog().substr(nLog);
    EXPECT_EQ(Count(log, "\n"), 1) << log;
    EXPECT_EQ(log, std::string("POST\t/cgi-bin/checkuser.cgi\t") + THREADM_AGENT +
                   "\tapplication/x-www-form-urlencoded\tuserid=escman&passwd=a%2526b%252Bc%2525d%253De%2520f\n");

    Store s = ReadStore(Member("escman") + "REG.DAT");
    ASSERT_TRUE(s.bDecodes);
    EXPECT_EQ(std::string(s.h.strMagic, 4), "2xpU");
    EXPECT_STREQ(s.h.strUserId, "escman");
    EXPECT_EQ(std::string(s.h.strPassword), pw);
    EXPECT_EQ(std::string(s.h.strLastUpdate), Today());
    EXPECT_EQ(s.nRecords, 0);
    EXPECT_EQ(s.h.lCount, 0);

    std::string rec;
    ASSERT_TRUE(Probe_WaitFor([&] { rec = LauncherRecord(); return rec.find("ended=") != std::string::npos; }, 30000));
    EXPECT_EQ(Count(rec, "started"), 1) << rec;
    EXPECT_NE(rec.find("cmdline=[\"" + app + "tiv_launcher.exe\" -start tiv,]"), std::string::npos) << rec;
    std::string folder = app.substr(0, app.size() - 1);
    EXPECT_NE(rec.find("cwd=[" + folder + "]"), std::string::npos) << rec;

    std::string loginLog = LoginLog();
    EXPECT_NE(loginLog.find("passwd=****"), std::string::npos);
    EXPECT_EQ(loginLog.find(pw), std::string::npos);
    EXPECT_EQ(loginLog.find("a%26b"), std::string::npos);
}

TEST_F(LoginTest, LoginReplyEachRefusalShowsItsMessageWritesNoStoreAndStartsNothing)
{
    struct { const char* user; const char* text; } cases[] = {
        { "ngman", kLogin115 },
        { "nosuchman", kLogin115 },    // the service says "ng," for an unknown member
        { "errman", kLogin117 },
        { "emptyman", kLogin029 },
        { "zeroman", kLogin118 },      // a zero first byte
        { "htmlman", kLogin118 },      // an error page
        { "bigman", kLogin118 },       // 1,200,000 bytes of something else
        { "okman", kLogin118 },        // "ok" without its comma
        { "errword", kLogin118 },      // "err" without its comma
    };
    for (const auto& c : cases) {
        size_t nLog = RequestLog().size();
        HANDLE h = Start();
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(SignIn(h, c.user, "pw1", kReport), c.text) << c.user;
        EXPECT_EQ(Probe_WaitExit(h, 60000), 0) << c.user;
        CloseHandle(h);
        EXPECT_EQ(Count(RequestLog().substr(nLog), "POST\t/cgi-bin/checkuser.cgi\t"), 1) << c.user;
        EXPECT_FALSE(ReadStore(Member(c.user) + "REG.DAT").bExists) << c.user;
        EXPECT_EQ(LauncherRecord(), "") << c.user;
    }
}

TEST_F(LoginTest, LoginCheckOkWithMoreAfterTheCommaAndTheLongestIdAndPassword)
{
    // "ok," followed by anything signs in.
    HANDLE h = Start();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(SignIn(h, "okmore", "pw1", kReport), kLogin116);
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    CloseHandle(h);
    EXPECT_TRUE(ReadStore(Member("okmore") + "REG.DAT").bDecodes);

    // 127 characters each, the most the dialog takes: the service sees them
    // whole (the stand-in refuses any other text with "ng,").
    std::string id(127, 'i'), pw(127, 'p');
    size_t nLog = RequestLog().size();
    h = Start();
    ASSERT_NE(h, nullptr);
    HWND dlg = Dialog();
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(Type(dlg, id + "xyz", pw + "xyz"));   // the dialog takes no more than 127 of them
    Probe_PressButton(dlg, IDOK);
    std::string text = Box(kReport, 90000);
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    CloseHandle(h);
    std::string log = RequestLog().substr(nLog);
    EXPECT_NE(log.find("\tuserid=" + id + "&passwd=" + pw + "\n"), std::string::npos) << log;
    EXPECT_EQ(text, kLogin115);   // not a member of the stand-in
}

TEST_F(LoginTest, LoginCheckAnUnwritableStoreGivesLogin007AndNoLauncher)
{
    // The store's temporary file cannot be made: a folder holds its name.
    std::string member = Member("newman");
    ASSERT_TRUE(CreateDirectoryA(member.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((member + "REG.DAT.tmp").c_str(), nullptr));
    HANDLE h = Start();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(SignIn(h, "newman", "pw1", kErr), kLogin007);
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    CloseHandle(h);
    EXPECT_FALSE(ReadStore(member + "REG.DAT").bExists);
    Sleep(2000);
    EXPECT_EQ(LauncherRecord(), "");
}

TEST_F(LoginTest, LoginCheckALauncherThatCannotStartIsToldAfter116)
{
    ASSERT_TRUE(DeleteFileA((app + "tiv_launcher.exe").c_str()));
    HANDLE h = Start();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(SignIn(h, "newman", "pw1", kReport), kLogin116);
    EXPECT_EQ(Box(kErr), kLogin007);
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    CloseHandle(h);
    EXPECT_TRUE(ReadStore(Member("newman") + "REG.DAT").bDecodes);   // the store was right; only the start failed
}

TEST_F(LoginTest, LoginStartDialogCancelEmptyFieldsEscAndASecondInstance)
{
    size_t nLog = RequestLog().size();
    HANDLE h = Start();
    ASSERT_NE(h, nullptr);
    HWND dlg = Dialog();
    ASSERT_NE(dlg, nullptr);

    // A second start while the first runs ends at once, silently.
    HANDLE h2 = Start();
    ASSERT_NE(h2, nullptr);
    EXPECT_EQ(Probe_WaitExit(h2, 60000), 0);
    CloseHandle(h2);

    // Esc (IDCANCEL) does not close the dialog.
    Probe_PressButton(dlg, IDCANCEL);
    Sleep(1000);
    EXPECT_TRUE(IsWindow(dlg));

    // An empty field: the message, then the dialog again.
    ASSERT_TRUE(Type(dlg, "newman", ""));
    Probe_PressButton(dlg, IDOK);
    EXPECT_EQ(Box(kReport), kEmpty);
    dlg = Dialog();
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(Type(dlg, "", "pw1"));
    Probe_PressButton(dlg, IDOK);
    EXPECT_EQ(Box(kReport), kEmpty);
    dlg = Dialog();
    ASSERT_NE(dlg, nullptr);
    Probe_PressButton(dlg, 1000);
    EXPECT_EQ(Box(kErr), kLogin000);
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    CloseHandle(h);
    EXPECT_EQ(RequestLog().substr(nLog), "");   // nothing was sent
    EXPECT_FALSE(ReadStore(Member("newman") + "REG.DAT").bExists);
}

TEST_F(LoginTest, LoginStartAMemberWithAStoreGets112AndNothingIsSent)
{
    std::string member = Member("newman");
    ASSERT_TRUE(CreateDirectoryA(member.c_str(), nullptr));
    WriteStore(member + "REG.DAT", "newman", "pw1");
    std::string before = ReadAll(member + "REG.DAT");
    size_t nLog = RequestLog().size();
    HANDLE h = Start();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(SignIn(h, "newman", "pw1", kReport), kLogin112);
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    CloseHandle(h);
    EXPECT_EQ(RequestLog().substr(nLog), "");
    EXPECT_EQ(ReadAll(member + "REG.DAT"), before);   // probed, never re-saved
    EXPECT_EQ(LauncherRecord(), "");
}

TEST_F(LoginTest, LoginStartTheInstallationsFailuresShowTheirMessageThen111)
{
    // No env.bin.
    ASSERT_TRUE(DeleteFileA((app + "env.bin").c_str()));
    HANDLE h = Start();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(SignIn(h, "newman", "pw1", kReport), kLogin008);
    EXPECT_EQ(Box(kErr), kLogin111);
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    CloseHandle(h);
    // No content path in the registry.
    reg.Remove("cntpath");
    h = Start();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(SignIn(h, "newman", "pw1", kErr), kLogin007);
    EXPECT_EQ(Box(kErr), kLogin111);
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    CloseHandle(h);
    EXPECT_FALSE(ReadStore(Member("newman") + "REG.DAT").bExists);
    EXPECT_EQ(LauncherRecord(), "");
}

TEST_F(LoginTest, LoginStartCommandLinesOfTheOtherModes)
{
    struct { const char* args; const char* caption; const char* text; } cases[] = {
        { "-salegame newman,pw1,,tiv,playgame,", kReport, "適用が完了いたしました。(LOGIN:110)" },
        { "-salegame newman,pw1,C0001,xyz,playgame,", kReport, "不正な起動です。処理を中止します(LOGIN:009)。" },
        { "-salegame newman,pw1,C0001,tiv,playzzz,", kReport, "不正な起動です。処理を中止します(LOGIN:010)。" },
        { "-start ,", kErr, "不正な起動です。処理を中止します(ZVQ:001)" },
        { "-start abc,", kErr, "不正な起動です。処理を中止します(ZVQ:002)" },
        { "-start tiv,", kReport, kLogin018 },   // no member's store under the application folder
    };
    for (const auto& c : cases) {
        HANDLE h = Start(c.args);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(Box(c.caption), c.text) << c.args;
        EXPECT_EQ(Probe_WaitExit(h, 60000), 0) << c.args;
        CloseHandle(h);
    }
    // With a member's store "-start tiv," shows the shaped window and does nothing further.
    std::string member = Member("newman");
    ASSERT_TRUE(CreateDirectoryA(member.c_str(), nullptr));
    WriteStore(member + "REG.DAT", "newman", "pw1");
    HANDLE h = Start("-start tiv,");
    ASSERT_NE(h, nullptr);
    HWND wnd = Probe_WaitWindow("TIV Launcher", "TIV Launcher", 60000);
    ASSERT_NE(wnd, nullptr);
    // Made hidden, shown once the start-up message has been handled.
    EXPECT_TRUE(Probe_WaitFor([&] { return IsWindowVisible(wnd) != FALSE; }, 30000));
    Sleep(1500);
    EXPECT_EQ(Probe_WaitExit(h, 0), -1);   // still there
    PostMessageA(wnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    CloseHandle(h);
    // No application folder: LOGIN:003, then no member.
    reg.Remove("apppath");
    h = Start("-start tiv,");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(Box(kErr), kLogin003);
    EXPECT_EQ(Box(kReport), kLogin018);
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    CloseHandle(h);
    EXPECT_EQ(LauncherRecord(), "");
}

TEST_F(LoginTest, LoginStartTwoStoresAndTheChooserCancelledGivesZvq004)
{
    for (const char* id : { "newman", "okmore" }) {
        ASSERT_TRUE(CreateDirectoryA(Member(id).c_str(), nullptr));
        WriteStore(Member(id) + "REG.DAT", id, "pw1");
    }
    HANDLE h = Start("-start tiv,");
    ASSERT_NE(h, nullptr);
    HWND chooser = Probe_WaitWindow("#32770", "アカウント選択", 60000);
    ASSERT_NE(chooser, nullptr);
    Probe_PressButton(chooser, 1000);
    EXPECT_EQ(Box(kErr), "アカウント選択に失敗しました。処理を中止します(ZVQ:004)");
    EXPECT_EQ(Box(kReport), kLogin018);
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    CloseHandle(h);
}

TEST_F(LoginTest, LoginCheckCancelDuringADelayedCheckEndsWithZvq016AndNoStore)
{
    HANDLE h = Start();
    ASSERT_NE(h, nullptr);
    HWND dlg = Dialog();
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(Type(dlg, "slowman", "pw1"));
    Probe_PressButton(dlg, IDOK);
    Probe_WaitFor([&] { return !IsWindow(dlg); }, 10000);
    // The progress window: captionless, with its CANCEL (1000).
    HWND progress = nullptr;
    ASSERT_TRUE(Probe_WaitFor([&] {
        progress = Probe_WaitWindow("#32770", "", 100);
        return progress != nullptr && GetDlgItem(progress, 1001) != nullptr;
    }, 60000));
    Probe_PressButton(progress, 1000);
    EXPECT_EQ(Box("確認"), "処理を中断します(ZVQ:016)。");
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    CloseHandle(h);
    EXPECT_FALSE(ReadStore(Member("slowman") + "REG.DAT").bExists);
    EXPECT_EQ(LauncherRecord(), "");
}

// A store whose header is sound but whose records are cut short. The
// launcher finds no account in it (ZVQ:018) instead of running on its header
// without a password; the sign-in keeps it aside, byte for byte, writes the
// member's new store, and the launcher it starts asks the service for the
// catalogue with the password.
TEST_F(LoginTest, LoginCheckADamagedStoreIsKeptAsideAndTheLauncherThenRunsWithThePassword)
{
    WriteAll(app + "tiv_launcher.exe", ReadAll(Probe_HostPath(LAUNCHER_EXE)));
    for (const char* f : { "skin.bin", "lcs.bin", "lcd.bin", "lcm.bin" })
        WriteAll(app + f, ReadAll(std::string(SKIN_DIR) + "/" + f));
    WriteAll(app + "env.bin", Inverted("[TITLENAME]\r\nテストの館\r\n[CGITOPPAGE]\r\n" + addr +
                                       "\r\n[CGIPAGE_CHECKUSER]\r\n/cgi-bin/checkuser.cgi\r\n"
                                       "[CGIPAGE_GETCONTENTSLIST]\r\n/cgi-bin/list.cgi\r\n"));
    WriteAll(app + "appset.bin",
             Inverted("[DEF_DISPMODE]\n2\n\n[AUTO_UPDATECONTENTS]\n1\n\n[AUTO_DOWNLOADCONTENTS]\n0\n\n"));
    const std::string member = Member("newman");
    ASSERT_TRUE(CreateDirectoryA(member.c_str(), nullptr));
    StoreContents c;
    c.nRecords = 2;
    c.titles = { "Alpha", "Beta" };
    WriteStore(member + "REG.DAT", "newman", "pw1", c);
    // The second record cut short, scrambled as a whole store would be.
    std::string whole = ReadAll(member + "REG.DAT");
    std::vector<char> plain(whole.size()), cut(whole.size());
    int nPlain = 0, nCut = 0;
    ASSERT_EQ(CMNUTIL_Decode(whole.data(), static_cast<int>(whole.size()), CMNUTIL_KEY, plain.data(), &nPlain), 1);
    nPlain -= 100;
    ASSERT_EQ(CMNUTIL_Encode(plain.data(), nPlain, CMNUTIL_KEY, cut.data(), &nCut, static_cast<int>(cut.size())), 1);
    const std::string damaged(cut.data(), nCut);
    WriteAll(member + "REG.DAT", damaged);
    ASSERT_FALSE(ReadStore(member + "REG.DAT").bDecodes);

    HANDLE hL = Probe_Start(Probe_HostPath(LAUNCHER_EXE), "tiv_launcher.exe -start tiv,", app);
    ASSERT_NE(hL, nullptr);
    EXPECT_EQ(Box(kReport), "ユーザ情報が存在しません。処理を中止します（ZVQ:018）");
    EXPECT_EQ(Probe_WaitExit(hL, 60000), 0);
    CloseHandle(hL);
    EXPECT_EQ(ReadAll(member + "REG.DAT"), damaged);

    size_t nLog = RequestLog().size();
    HANDLE h = Start();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(SignIn(h, "newman", "pw1", kReport), kLogin116);
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    CloseHandle(h);
    WIN32_FIND_DATAA fd;
    HANDLE hFind = FindFirstFileA((member + "REG.DAT.damaged-*").c_str(), &fd);
    ASSERT_NE(hFind, INVALID_HANDLE_VALUE) << "the damaged store was not kept aside\n" << LoginLog();
    FindClose(hFind);
    EXPECT_EQ(ReadAll(member + fd.cFileName), damaged);
    Store s = ReadStore(member + "REG.DAT");
    ASSERT_TRUE(s.bDecodes);
    EXPECT_STREQ(s.h.strUserId, "newman");
    EXPECT_STREQ(s.h.strPassword, "pw1");

    HWND wnd = Probe_WaitWindow("TIV Launcher", "テストの館", 90000);
    ASSERT_NE(wnd, nullptr);
    EXPECT_TRUE(Probe_WaitFor([&] {
        return RequestLog().substr(nLog).find("userid=newman&passwd=pw1") != std::string::npos &&
               Count(RequestLog().substr(nLog), "/cgi-bin/list.cgi") >= 1;
    }, 60000)) << RequestLog().substr(nLog);
    PostMessageA(wnd, WM_CLOSE, 0, 0);
    Probe_WaitFor([&] { return !IsWindow(wnd); }, 30000);
}

TEST_F(LoginTest, LoginCheckTheRealLauncherOpensOnTheNewStore)
{
    WriteAll(app + "tiv_launcher.exe", ReadAll(Probe_HostPath(LAUNCHER_EXE)));
    for (const char* f : { "skin.bin", "lcs.bin", "lcd.bin", "lcm.bin" })
        WriteAll(app + f, ReadAll(std::string(SKIN_DIR) + "/" + f));
    HANDLE h = Start();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(SignIn(h, "newman", "pw1", kReport), kLogin116);
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    CloseHandle(h);
    // The launcher, started by the login, shows its window titled from env.bin.
    HWND wnd = Probe_WaitWindow("TIV Launcher", "テストの館", 90000);
    ASSERT_NE(wnd, nullptr);
    EXPECT_TRUE(Probe_WaitFor([&] { return IsWindowVisible(wnd) != FALSE; }, 30000));
    EXPECT_EQ(GetFileAttributesA((app + "tiv_launcher.log").c_str()) != INVALID_FILE_ATTRIBUTES, true);
    PostMessageA(wnd, WM_CLOSE, 0, 0);
    Probe_WaitFor([&] { return !IsWindow(wnd); }, 30000);
    Store s = ReadStore(Member("newman") + "REG.DAT");
    ASSERT_TRUE(s.bDecodes);
    EXPECT_STREQ(s.h.strUserId, "newman");
}

}  // namespace

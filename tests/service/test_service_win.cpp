// The request queue and its worker threads against the stand-in service on
// loopback (tests/service/site.txt): what goes over the wire, what the main
// window is posted, and that every failure ends its request within seconds.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "contentslist.h"
#include "downloadmn.h"
#include "env.h"
#include "threadm.h"
#include "userm.h"
#include "testdir.h"
#include "winprobe.h"

namespace {

std::string g_appPath, g_userPath;

// The folders the queue's host hands down.
const char* AppPath(void) { return g_appPath.c_str(); }
const char* UserPath(void) { return g_userPath.c_str(); }
HANDLE RefuseThread(LPTHREAD_START_ROUTINE, void*)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}
const ThreadmHostIf kFolders = { AppPath, UserPath, nullptr };

// A progress window that records what the queue asks of it.
struct ProgressCall {
    char op;   // 'c'reate, 'm'ax, 'p'os, 'd'estroy
    int  value;
    HWND hParent;
    bool operator==(const ProgressCall& o) const { return op == o.op && value == o.value && hParent == o.hParent; }
};
std::vector<ProgressCall> g_progress;
int g_dlwndExist, g_dlwndCreated;

int ProgressCreate(HWND hParent, int nMax)
{
    g_progress.push_back({ 'c', nMax, hParent });
    g_dlwndExist = 1;
    g_dlwndCreated++;
    return 1;
}
// The maximum and the position come in one call; recorded as two.
int ProgressSetMax(int nMax, int nPos)
{
    g_progress.push_back({ 'm', nMax, nullptr });
    g_progress.push_back({ 'p', nPos, nullptr });
    return 1;
}
int ProgressDestroy(void)
{
    g_progress.push_back({ 'd', 0, nullptr });
    g_dlwndExist = 0;
    return 1;
}
int ProgressIsExist(void) { return g_dlwndExist; }
const DmHostIf kRecorder = { ProgressCreate, ProgressSetMax, ProgressDestroy, ProgressIsExist };

std::string Show(const std::vector<ProgressCall>& v)
{
    std::string s;
    for (const auto& c : v) s += std::string(1, c.op) + "(" + std::to_string(c.value) + ") ";
    return s;
}

enum { kMsgBuy = WM_USER + 51, kMsgContents = WM_USER + 52, kMsgResign = WM_USER + 72, kMsgVersion = WM_USER + 73 };

std::string EnvVar(const char* n)
{
    const char* v = std::getenv(n);
    return v ? v : "";
}
std::string Addr() { return EnvVar("TIV_STANDIN_ADDR"); }
std::string SitePath(const std::string& rel) { return Probe_HostPath(EnvVar("TIV_STANDIN_DIR") + "/" + rel); }

// The stand-in's log lines (method, path, agent, content type, body) for one path.
std::vector<std::vector<std::string>> Requests(const std::string& path)
{
    std::vector<std::vector<std::string>> out;
    std::istringstream ss(ReadAll(SitePath("req.log")));
    std::string line;
    while (std::getline(ss, line)) {
        std::vector<std::string> f;
        size_t p = 0;
        for (;;) {
            size_t t = line.find('\t', p);
            f.push_back(line.substr(p, t == std::string::npos ? std::string::npos : t - p));
            if (t == std::string::npos) break;
            p = t + 1;
        }
        if (f.size() == 5 && f[1] == path) out.push_back(f);
    }
    return out;
}

std::string Le32(int v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; i++) s[i] = static_cast<char>((v >> (8 * i)) & 255);
    return s;
}

// A content pack of stored read-me files (the client-version pack: names without captions).
std::string Pack(const char* magic, const std::vector<std::pair<std::string, std::string>>& files,
                 bool bCaptions = true)
{
    std::string names, body;
    for (const auto& f : files) {
        names += f.first + (bCaptions ? ",caption," : ",");
        body += std::string("\x00\x01", 2) + Le32(static_cast<int>(f.second.size())) + f.second;
    }
    int hdr = 20 + static_cast<int>(names.size());
    return std::string(magic, 8) + Le32(hdr + static_cast<int>(body.size())) + Le32(hdr) +
           Le32(static_cast<int>(files.size())) + names + body;
}

struct Posted {
    UINT   msg;
    WPARAM w;
    LPARAM l;
    int    startedBefore;   // requests started before this was posted
};

// The queue with its main window, driven faster than the program's
// one-second timer (the queue counts ticks, not time).
struct Queue : ::testing::Test {
    TestDir dir;
    HWND hWnd = nullptr;
    DtIf dt{};
    std::vector<Posted> posted;
    int nStarts = 0;

    void SetUp() override
    {
        g_appPath = dir.path();
        g_userPath = dir.path();
        g_dlwndExist = g_dlwndCreated = 0;
        g_progress.clear();
        DOWNLOADMN_SetHost(&kRecorder);
        THREADM_SetHost(&kFolders);
        WriteEnv("/cgi-bin/list.cgi", "/cgi-bin/resign.cgi", Addr() + "/ver/");
        hWnd = CreateWindowA("STATIC", "queue", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_NE(hWnd, nullptr);
        DOWNLOADMN_Init();
        THREADM_Init(hWnd);
        USERM_Init();
        USERM_SetPassword("a&b+c%d=e f", 11);
    }
    void TearDown() override
    {
        THREADM_Fini();
        DOWNLOADMN_Term();
        for (auto& p : posted) {
            if (p.msg == kMsgResign && p.l) std::free(reinterpret_cast<ResignResultIf*>(p.l)->pBuf);
            std::free(reinterpret_cast<void*>(p.l));
        }
        DestroyWindow(hWnd);
        ENV_Free();
        DOWNLOADMN_SetHost(nullptr);
        THREADM_SetHost(nullptr);
    }
    void WriteEnv(const std::string& listCgi, const std::string& resignCgi, const std::string& zvq,
                  const std::string& host = "")
    {
        ENV_Free();
        std::string h = host.empty() ? Addr() : host;
        std::string text = "[CGITOPPAGE]\r\n" + h + "\r\n[CGIPAGE_GETCONTENTSLIST]\r\n" + listCgi +
                           "\r\n[CGIPAGE_RESIGNVELQA]\r\n" + resignCgi + "\r\n[DLWEBPAGE]\r\nhttp://" + h +
                           "/dl/\r\n";
        if (!zvq.empty()) text += "[ZVQCLIENTDLWEBPAGE]\r\n" + zvq + "\r\n";
        WriteAll(dir.file("env.bin"), Inverted(text));
        ASSERT_EQ(ENV_Load(dir.file("env.bin").c_str()), 1);
    }
    void Tick()
    {
        bool bWasRunning = DOWNLOADMN_IsDownloading();
        DOWNLOADMN_FrameMove(hWnd, kMsgBuy, kMsgContents, kMsgResign, kMsgVersion, &dt);
        if (!bWasRunning && DOWNLOADMN_IsDownloading()) nStarts++;
        MSG m;
        while (PeekMessageA(&m, hWnd, 0, 0, PM_REMOVE)) {
            if (m.message >= WM_USER) posted.push_back({ m.message, m.wParam, m.lParam, nStarts });
        }
    }
    // Ticks every 50 ms until both lists are empty; false after nMs.
    bool RunUntilIdle(int nMs)
    {
        DWORD t0 = GetTickCount();
        while (GetTickCount() - t0 < static_cast<DWORD>(nMs)) {
            Tick();
            if (DOWNLOADMN_GetCnt() == 0 && DOWNLOADMN_GetCnt_NoWait() == 0) return true;
            Sleep(50);
        }
        return false;
    }
    bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
};

TEST(LoginBody, EscapesOnlyTheSeparatorsOfAForm)
{
    struct Case { const char* id; const char* pw; const char* body; } cases[] = {
        { "taro", "secret", "userid=taro&passwd=secret" },
        { "taro", "a&b+c%d=e f", "userid=taro&passwd=a%26b%2Bc%25d%3De%20f" },
        { "a b", "x\ty", "userid=a%20b&passwd=x%09y" },
        // Every other byte as it is: Shift-JIS, "/", "?", quotes.
        { "ソフト", "p/q?\"'", "userid=ソフト&passwd=p/q?\"'" },
    };
    for (const auto& c : cases) {
        char out[2048];
        ASSERT_EQ(THREADM_MakeLoginBody(out, sizeof(out), c.id, c.pw), 1) << c.pw;
        EXPECT_STREQ(out, c.body) << "password " << c.pw;
    }
    char small[20];
    EXPECT_EQ(THREADM_MakeLoginBody(small, sizeof(small), "taro", "a&b"), 0);   // 24 bytes do not fit
}

TEST_F(Queue, CatalogueRequestPostsTheFormAndHandsTheReplyOverWhole)
{
    ASSERT_EQ(DOWNLOADMN_Add_GetContentsList("taro"), 1);
    EXPECT_EQ(DOWNLOADMN_Add_GetContentsList("taro"), 1);   // one queued is enough
    EXPECT_EQ(DOWNLOADMN_GetCnt(), 1);
    ASSERT_TRUE(RunUntilIdle(10000));
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].msg, static_cast<UINT>(kMsgBuy));
    std::string want = "ok," + ReadAll(SitePath("records.txt"));
    ASSERT_EQ(static_cast<size_t>(posted[0].w), want.size());
    const char* buf = reinterpret_cast<const char*>(posted[0].l);
    EXPECT_EQ(std::string(buf, posted[0].w), want);
    EXPECT_EQ(buf[posted[0].w], '\0');

    auto req = Requests("/cgi-bin/list.cgi");
    std::vector<std::string> mine;
    for (auto& r : req) if (r[4].find("userid=taro&") == 0) mine = r;
    ASSERT_FALSE(mine.empty());
    EXPECT_EQ(mine[0], "POST");
    EXPECT_EQ(mine[2], THREADM_AGENT);
    EXPECT_EQ(mine[3], "application/x-www-form-urlencoded");
    // The log writes "%" itself as %25.
    EXPECT_EQ(mine[4], "userid=taro&passwd=a%2526b%252Bc%2525d%253De%2520f");
    EXPECT_EQ(g_dlwndCreated, 1);
    EXPECT_EQ(g_dlwndExist, 0);
}

TEST_F(Queue, RepliesOfEveryKindReachTheWindowAsTheyCame)
{
    struct Case { const char* user; std::string reply; } cases[] = {
        { "ngman", "ng," }, { "errman", "err," }, { "emptyman", "" }, { "nobody", "ng," },
    };
    for (const auto& c : cases) {
        posted.clear();
        ASSERT_EQ(DOWNLOADMN_Add_GetContentsList(c.user), 1);
        ASSERT_TRUE(RunUntilIdle(10000)) << c.user;
        ASSERT_EQ(posted.size(), 1u) << c.user;
        EXPECT_EQ(static_cast<size_t>(posted[0].w), c.reply.size()) << c.user;
        const char* buf = reinterpret_cast<const char*>(posted[0].l);
        ASSERT_NE(buf, nullptr) << c.user;   // an empty reply still hands out a zeroed buffer
        EXPECT_EQ(std::string(buf, posted[0].w), c.reply) << c.user;
        std::free(buf ? const_cast<char*>(buf) : nullptr);
        posted.clear();
    }
}

TEST_F(Queue, ReplyIsCutAtTheCapAndStaysTerminated)
{
    WriteEnv("/cgi-bin/big.cgi", "/cgi-bin/resign.cgi", "");
    ASSERT_EQ(DOWNLOADMN_Add_GetContentsList("bigman"), 1);
    ASSERT_TRUE(RunUntilIdle(20000));
    ASSERT_EQ(posted.size(), 1u);
    ASSERT_EQ(static_cast<int>(posted[0].w), THREADM_RECV_MAX);
    const char* buf = reinterpret_cast<const char*>(posted[0].l);
    EXPECT_EQ(std::string(buf, 3), "ok,");
    EXPECT_EQ(buf[THREADM_RECV_MAX - 1], 'r');
    EXPECT_EQ(buf[THREADM_RECV_MAX], '\0');   // one byte past the cap, always there
}

TEST_F(Queue, LeaveRequestPostsItsReplyOrNothing)
{
    ASSERT_EQ(DOWNLOADMN_Add_Resign("taro"), 1);
    EXPECT_EQ(DOWNLOADMN_Add_Resign("taro"), 0);   // refused while one is queued
    ASSERT_TRUE(RunUntilIdle(10000));
    ASSERT_EQ(DOWNLOADMN_Add_Resign("emptyman"), 1);
    ASSERT_TRUE(RunUntilIdle(10000));
    ASSERT_EQ(posted.size(), 2u);
    auto* r0 = reinterpret_cast<ResignResultIf*>(posted[0].l);
    auto* r1 = reinterpret_cast<ResignResultIf*>(posted[1].l);
    EXPECT_EQ(posted[0].msg, static_cast<UINT>(kMsgResign));
    EXPECT_EQ(posted[0].w, 0u);
    std::string want = "ok," + ReadAll(SitePath("records.txt"));
    ASSERT_EQ(r0->nSize, static_cast<int>(want.size()));
    EXPECT_EQ(std::string(r0->pBuf, r0->nSize), want);
    EXPECT_EQ(r1->nSize, 0);
    EXPECT_EQ(r1->pBuf, nullptr);
    EXPECT_FALSE(Requests("/cgi-bin/resign.cgi").empty());
}

TEST_F(Queue, UnreachableCgiHostEndsTheCatalogueWithNoReply)
{
    WriteEnv("/cgi-bin/list.cgi", "/cgi-bin/resign.cgi", "", "127.0.0.254");   // nobody listens there
    DWORD t0 = GetTickCount();
    ASSERT_EQ(DOWNLOADMN_Add_GetContentsList("taro"), 1);
    ASSERT_TRUE(RunUntilIdle(20000));
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].w, 0u);
    EXPECT_EQ(posted[0].l, 0);
    EXPECT_LT(dt.nPostRet, 0);
    EXPECT_LT(GetTickCount() - t0, 15000u);
}

TEST_F(Queue, ThreePacksRunOneAtATimeInOrder)
{
    const char* names[] = { "one", "two", "three" };
    // The catalogue holds the three contents (a reader records where their files went).
    std::string recs;
    for (const char* n : names) {
        recs += std::string("tiv,,") + n + "," + n + ",";
        for (int c = 5; c <= 24; c++) recs += ",";
    }
    ASSERT_EQ(CONTENTSLIST_Init(recs.c_str()), 1);
    ASSERT_EQ(CONTENTSLIST_GetIndexByKey("two"), 1);
    for (int i = 0; i < 3; i++) {
        // The middle one is over two transfer parts long.
        std::string data = i == 1 ? std::string(1200000, 'b') : std::string("file ") + names[i];
        WriteAll(SitePath(std::string("root/dl/seq-") + names[i] + ".pack"),
                 Pack("CNPFVR05", { { std::string("seq\\") + names[i] + ".txt", data } }));
        ASSERT_EQ(DOWNLOADMN_Add((std::string("seq-") + names[i] + ".pack").c_str(), names[i], 0), 1);
    }
    EXPECT_EQ(DOWNLOADMN_Add("seq-one.pack", "one", 0), 1);   // already queued
    EXPECT_EQ(DOWNLOADMN_Add("seq-one.pack", "one", 3), 1);   // another path kind: a request of its own
    EXPECT_EQ(DOWNLOADMN_GetCnt(), 4);
    DOWNLOADMN_RemoveListTop();   // (back to the three)
    ASSERT_EQ(DOWNLOADMN_GetCnt(), 3);
    DOWNLOADMN_Cancel();
    for (int i = 0; i < 3; i++) DOWNLOADMN_Add((std::string("seq-") + names[i] + ".pack").c_str(), names[i], 0);

    ASSERT_TRUE(RunUntilIdle(30000));
    ASSERT_EQ(posted.size(), 3u);
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(posted[i].msg, static_cast<UINT>(kMsgContents));
        EXPECT_EQ(static_cast<int>(posted[i].w), 0) << names[i];
        auto* r = reinterpret_cast<DlResultIf*>(posted[i].l);
        EXPECT_STREQ(r->strContentsId, names[i]);
        EXPECT_EQ(r->pathType, 0);
        // Each result is posted before the next request starts.
        EXPECT_EQ(posted[i].startedBefore, i + 1) << names[i];
        auto req = Requests(std::string("/dl/seq-") + names[i] + ".pack");
        ASSERT_EQ(req.size(), 1u) << names[i];
        EXPECT_EQ(req[0][0], "GET");
        EXPECT_EQ(req[0][2], THREADM_AGENT);
    }
    EXPECT_EQ(dt.nFileSize, dt.nReadedSize);
    EXPECT_FALSE(Exists(dir.file(THREADM_TEMPFILE)));
    EXPECT_EQ(ReadAll(dir.file("seq\\one.txt")), "file one");
    EXPECT_EQ(ReadAll(dir.file("seq\\two.txt")), std::string(1200000, 'b'));
    CONTENTSLIST_Free();
}

TEST_F(Queue, EveryPackFailureEndsWithItsCodeWithinSeconds)
{
    std::string pack = Pack("CNPFVR05", { { "f.txt", std::string(200, 'f') } });
    for (const char* f : { "fcut", "fcuthead", "fmagic", "fgood" }) WriteAll(SitePath(std::string("root/dl/") + f + ".pack"), pack);
    WriteAll(SitePath("root/dl/fsmall.pack"), std::string("CNPFVR05") + Le32(8) + Le32(20));
    ASSERT_EQ(CONTENTSLIST_Init("tiv,,name,F0001,,,,,,,,,,,,,,,,,,,,,"), 1);
    struct Case { const char* path; int code; const char* key = "F0001"; } cases[] = {
        { "f404.pack", 3 },       // an HTML error page is no pack
        { "fmissing.pack", 3 },
        { "fclose.pack", 2 },     // closed without a reply
        { "fstall.pack", 2 },     // nothing said, then closed
        { "fcut.pack", 2 },       // cut short of the announced size
        { "fcuthead.pack", 2 },   // cut inside the header
        { "fmagic.pack", 3 },
        { "fsmall.pack", 3 },     // a total size below its own header
        { "fgood.pack", 5, "NOTLISTED" },   // a content the catalogue does not know
        { "fgood.pack", 0 },
    };
    for (const auto& c : cases) {
        posted.clear();
        DWORD t0 = GetTickCount();
        ASSERT_EQ(DOWNLOADMN_Add(c.path, c.key, 0), 1);
        ASSERT_TRUE(RunUntilIdle(15000)) << c.path << " did not end";
        ASSERT_EQ(posted.size(), 1u) << c.path;
        EXPECT_EQ(static_cast<int>(posted[0].w), c.code) << c.path;
        EXPECT_LT(GetTickCount() - t0, 10000u) << c.path;
        EXPECT_FALSE(Exists(dir.file(THREADM_TEMPFILE))) << c.path;
        EXPECT_EQ(Exists(dir.file("f.txt")), c.code == 0) << c.path << ": only a good pack is unpacked";
        std::free(reinterpret_cast<void*>(posted[0].l));
    }
    posted.clear();
    CONTENTSLIST_Free();
}

TEST_F(Queue, ClientVersionRequestWithAndWithoutItsKey)
{
    std::string ver = Pack("CNPFVR05", { { "version.txt", "client 2.1\r\n" } }, false);
    WriteAll(SitePath("root/ver/ver.bin"), ver);
    WriteAll(SitePath("root/smallver/ver.bin"), std::string("CNPFVR05") + Le32(12) + Le32(20));
    // Fetched whole, but its header claims more than the pack holds.
    CreateDirectoryA(SitePath("root/unpackver").c_str(), nullptr);
    WriteAll(SitePath("root/unpackver/ver.bin"), std::string("CNPFVR05") + Le32(24) + Le32(1000) + Le32(0) + Le32(0));
    struct Case { std::string page; int code; } cases[] = {
        { Addr() + "/ver/", 0 },
        { Addr() + "/unpackver/", eTHREADM_VER_ERR_UNPACK },   // and the old version.txt is gone
        { "", 4 },                          // no key: no traffic at all
        { Addr() + "/badver/", 3 },         // wrong magic
        { Addr() + "/smallver/", 3 },       // a size that would overflow the buffer
        { Addr() + "/nover/", 3 },          // 404 page
        { "127.0.0.254/ver/", 2 },          // nobody listens
    };
    for (const auto& c : cases) {
        posted.clear();
        WriteEnv("/cgi-bin/list.cgi", "/cgi-bin/resign.cgi", c.page);
        WriteAll(dir.file("version.txt"), "stale,1,s.pack,\r\n");
        size_t before = Requests("/ver/ver.bin").size();
        ASSERT_EQ(DOWNLOADMN_Add_GetZvqVersion(), 1);
        EXPECT_EQ(DOWNLOADMN_Add_GetZvqVersion(), 1);
        EXPECT_EQ(DOWNLOADMN_GetCnt(), 1);
        ASSERT_TRUE(RunUntilIdle(15000)) << c.page;
        ASSERT_EQ(posted.size(), 1u) << c.page;
        EXPECT_EQ(posted[0].msg, static_cast<UINT>(kMsgVersion));
        EXPECT_EQ(static_cast<int>(posted[0].w), c.code) << "page [" << c.page << "]";
        if (c.code == 0) {
            auto req = Requests("/ver/ver.bin");
            ASSERT_EQ(req.size(), before + 1);
            EXPECT_EQ(req.back()[2], THREADM_AGENT_ZVQ);
            EXPECT_EQ(dt.nFileSize, static_cast<int>(ver.size()));
            EXPECT_EQ(ReadAll(dir.file("version.txt")), "client 2.1\r\n");   // into the application folder
        }
        if (c.code == eTHREADM_VER_ERR_UNPACK) {
            EXPECT_FALSE(Exists(dir.file("version.txt")));
        }
        DeleteFileA(dir.file("version.txt").c_str());
    }
    posted.clear();
}

TEST_F(Queue, ImageArrivesWhileAPackDownloadStalls)
{
    // Larger than the fetch buffer: it takes several reads.
    std::string bmp = "BM" + std::string(2500000, 'i');
    WriteAll(SitePath("root/img/cap1.bmp"), bmp);
    WriteAll(SitePath("root/img/page.bmp"), "<html>not found</html>");
    ASSERT_EQ(DOWNLOADMN_Add("slow.pack", "S0001", 0), 1);
    Tick();
    ASSERT_TRUE(DOWNLOADMN_IsDownloading());
    std::string out = dir.file("cap1.bmp"), html = dir.file("page.bmp");
    std::string url = "http://" + Addr() + "/img/cap1.bmp";
    ASSERT_EQ(DOWNLOADMN_Add_Web(out.c_str(), url.c_str()), 1);
    EXPECT_EQ(DOWNLOADMN_Add_Web(out.c_str(), url.c_str()), 1);
    ASSERT_EQ(DOWNLOADMN_Add_Web(html.c_str(), ("http://" + Addr() + "/img/page.bmp").c_str()), 1);
    EXPECT_EQ(DOWNLOADMN_GetCnt_NoWait(), 2);
    DWORD t0 = GetTickCount();
    while (DOWNLOADMN_GetCnt_NoWait() > 0 && GetTickCount() - t0 < 3500) {
        Tick();
        Sleep(50);
    }
    EXPECT_EQ(DOWNLOADMN_GetCnt_NoWait(), 0);
    EXPECT_EQ(THREADM_LoadFinished(&dt.nReturn), -1) << "the pack download is still stalled";
    EXPECT_TRUE(ReadAll(out) == bmp) << "fetched " << ReadAll(out).size() << " of " << bmp.size() << " bytes";
    EXPECT_FALSE(Exists(html));   // not a bitmap: removed
    ASSERT_TRUE(RunUntilIdle(15000));
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(static_cast<int>(posted[0].w), 2);
}

TEST_F(Queue, CancelInTheMiddleThenANewRequestWorks)
{
    for (int kind = 0; kind < 2; kind++) {
        posted.clear();
        if (kind == 0) {
            ASSERT_EQ(DOWNLOADMN_Add("slow2.pack", "S0002", 0), 1);
            ASSERT_EQ(DOWNLOADMN_Add("seq-one.pack", "one", 0), 1);
        } else {
            WriteEnv("/cgi-bin/list.cgi", "/cgi-bin/resign.cgi", Addr() + "/stallver/");
            ASSERT_EQ(DOWNLOADMN_Add_GetZvqVersion(), 1);
        }
        Tick();
        ASSERT_TRUE(DOWNLOADMN_IsDownloading());
        Sleep(300);
        // What the main window does on a cancel.
        if (THREADM_CheckRunning_Download()) THREADM_Stop_Download();
        if (THREADM_CheckRunning_GetContentsList()) THREADM_Stop_GetContentsList();
        if (THREADM_CheckRunning_ResignVelqa()) THREADM_Stop_ResignVelqa();
        if (THREADM_CheckRunning_GetZvqVersion()) THREADM_Stop_GetZvqVersion();
        DOWNLOADMN_Cancel();
        EXPECT_EQ(DOWNLOADMN_GetCnt(), 0);
        EXPECT_EQ(DOWNLOADMN_GetTopType(), eDMD_DT_MAX);
        DtIf before = dt;
        Tick();
        EXPECT_EQ(std::memcmp(&before, &dt, sizeof(dt)), 0) << "an empty queue leaves the record alone";
        EXPECT_TRUE(posted.empty());

        WriteEnv("/cgi-bin/list.cgi", "/cgi-bin/resign.cgi", Addr() + "/ver/");
        WriteAll(SitePath("root/ver/ver.bin"), Pack("CNPFVR05", {}));
        ASSERT_EQ(DOWNLOADMN_Add_GetContentsList("taro"), 1);
        ASSERT_EQ(DOWNLOADMN_Add_GetZvqVersion(), 1);
        ASSERT_TRUE(RunUntilIdle(15000)) << "kind " << kind;
        ASSERT_EQ(posted.size(), 2u);
        EXPECT_EQ(posted[0].msg, static_cast<UINT>(kMsgBuy));
        EXPECT_GT(static_cast<int>(posted[0].w), 3);
        EXPECT_EQ(posted[1].msg, static_cast<UINT>(kMsgVersion));
        EXPECT_EQ(static_cast<int>(posted[1].w), 0);
        std::free(reinterpret_cast<void*>(posted[0].l));
        posted.clear();
    }
}

// Stop asks a worker to stop and lets it end by itself (terminating it could
// leave the heap or the log lock held): it ends within the wait, and its
// result, for a request given up, is published to nobody.
TEST_F(Queue, StopWaitsForAWorkerAboutToEnd)
{
    ASSERT_EQ(DOWNLOADMN_Add("fstall.pack", "F0001", 0), 1);   // closed after 2 s of silence
    Tick();
    ASSERT_TRUE(DOWNLOADMN_IsDownloading());
    ASSERT_TRUE(THREADM_CheckRunning_Download());
    DWORD t0 = GetTickCount();
    THREADM_Stop_Download();
    EXPECT_LT(GetTickCount() - t0, static_cast<DWORD>(THREADM_STOP_WAIT_MS + 1000));
    EXPECT_FALSE(THREADM_CheckRunning_Download());
    EXPECT_EQ(THREADM_LoadFinished(&dt.nReturn), -1) << "a stopped worker published its result";
    DOWNLOADMN_Cancel();
}

// A worker that cannot start must not leave its request running for ever:
// here the thread manager refuses every Start.
TEST_F(Queue, RequestWhoseWorkerCannotStartEndsWithAFailure)
{
    THREADM_Fini();
    ASSERT_EQ(DOWNLOADMN_Add("seq-one.pack", "one", 0), 1);
    ASSERT_EQ(DOWNLOADMN_Add_GetContentsList("taro"), 1);
    ASSERT_EQ(DOWNLOADMN_Add_GetZvqVersion(), 1);
    for (int i = 0; i < 6; i++) Tick();
    EXPECT_EQ(DOWNLOADMN_GetCnt(), 0);
    ASSERT_EQ(posted.size(), 3u);
    EXPECT_EQ(posted[0].msg, static_cast<UINT>(kMsgContents));
    EXPECT_EQ(static_cast<int>(posted[0].w), 1);
    EXPECT_EQ(posted[1].msg, static_cast<UINT>(kMsgBuy));
    EXPECT_EQ(posted[1].w, 0u);
    EXPECT_EQ(posted[1].l, 0);
    EXPECT_EQ(posted[2].msg, static_cast<UINT>(kMsgVersion));
    EXPECT_EQ(static_cast<int>(posted[2].w), 1);
    THREADM_Init(hWnd);
}

// What the queue asks of the host's progress window during a pack download:
// opened on the main window when the request starts, given the pack's size
// and the bytes read, closed when the request ends.
TEST_F(Queue, ProgressWindowFollowsAPackDownload)
{
    ASSERT_EQ(CONTENTSLIST_Init("tiv,,name,P0001,,,,,,,,,,,,,,,,,,,,,"), 1);
    std::string pack = Pack("CNPFVR05", { { "progress.txt", std::string(1200000, 'p') } });
    WriteAll(SitePath("root/dl/progress.pack"), pack);
    ASSERT_EQ(DOWNLOADMN_Add("progress.pack", "P0001", 0), 1);
    Tick();
    ASSERT_TRUE(DOWNLOADMN_IsDownloading());
    // The worker ends before the next tick: that tick shows the final
    // position, then closes the window.
    DWORD t0 = GetTickCount();
    while (THREADM_LoadFinished(&dt.nReturn) == -1 && GetTickCount() - t0 < 10000) Sleep(20);
    ASSERT_EQ(THREADM_LoadFinished(&dt.nReturn), 0);
    Tick();
    int n = static_cast<int>(pack.size());
    std::vector<ProgressCall> want = { { 'c', 100, hWnd }, { 'm', n, nullptr }, { 'p', n, nullptr }, { 'd', 0, nullptr } };
    EXPECT_EQ(g_progress, want) << Show(g_progress);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(static_cast<int>(posted[0].w), 0);
    EXPECT_EQ(ReadAll(dir.file("progress.txt")).size(), 1200000u);   // into the member's folder
    CONTENTSLIST_Free();
}

// A worker that cannot be made: StartNext says so, nothing counts as running,
// no progress window opens, and the same tick posts the failure. The kind is
// free again afterwards: the same request then runs.
TEST_F(Queue, RefusedWorkerIsNoStartAndFailsItsRequestAtOnce)
{
    ASSERT_EQ(CONTENTSLIST_Init("tiv,,name,R0001,,,,,,,,,,,,,,,,,,,,,"), 1);
    WriteAll(SitePath("root/dl/refused.pack"), Pack("CNPFVR05", { { "refused.txt", "r" } }));
    CreateDirectoryA(SitePath("root/refusedver").c_str(), nullptr);
    WriteAll(SitePath("root/refusedver/ver.bin"), Pack("CNPFVR05", { { "refusedver.txt", "v" } }, false));
    WriteEnv("/cgi-bin/list.cgi", "/cgi-bin/resign.cgi", Addr() + "/refusedver/");
    struct Case {
        const char* name;
        int (*add)(void);
        UINT msg;
        int code;                 // wParam of a file or version result
        int (*running)(void);
    } cases[] = {
        { "file", [] { return DOWNLOADMN_Add("refused.pack", "R0001", 0); }, kMsgContents, 1,
          THREADM_CheckRunning_Download },
        { "catalogue", [] { return DOWNLOADMN_Add_GetContentsList("taro"); }, kMsgBuy, 0,
          THREADM_CheckRunning_GetContentsList },
        { "leave", [] { return DOWNLOADMN_Add_Resign("taro"); }, kMsgResign, 0, THREADM_CheckRunning_ResignVelqa },
        { "version", [] { return DOWNLOADMN_Add_GetZvqVersion(); }, kMsgVersion, 1,
          THREADM_CheckRunning_GetZvqVersion },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ThreadmHostIf refuse = kFolders;
        refuse.pfnCreateThread = RefuseThread;
        THREADM_SetHost(&refuse);
        g_progress.clear();
        ASSERT_EQ(c.add(), 1);
        EXPECT_EQ(DOWNLOADMN_StartNext(&dt), 0) << "reported a start without a worker";
        EXPECT_FALSE(DOWNLOADMN_IsDownloading());
        EXPECT_EQ(DOWNLOADMN_GetListTop()->dlType, eDMD_DLT_ERROR);
        EXPECT_EQ(DOWNLOADMN_GetDownloadingKeyName(), nullptr);
        EXPECT_EQ(THREADM_LoadFinished(&dt.nReturn), c.code) << "the failure is in the finished word";
        EXPECT_FALSE(c.running());
        EXPECT_TRUE(g_progress.empty()) << Show(g_progress);

        Tick();   // posted at once, not after a wait
        EXPECT_EQ(DOWNLOADMN_GetCnt(), 0);
        ASSERT_EQ(posted.size(), 1u);
        EXPECT_EQ(posted[0].msg, c.msg);
        EXPECT_EQ(static_cast<int>(posted[0].w), c.code);
        if (c.msg == static_cast<UINT>(kMsgBuy)) {
            EXPECT_EQ(posted[0].l, 0);
        }
        if (c.msg == static_cast<UINT>(kMsgResign)) {
            auto* r = reinterpret_cast<ResignResultIf*>(posted[0].l);
            ASSERT_NE(r, nullptr);
            EXPECT_EQ(r->nSize, 0);
            EXPECT_EQ(r->pBuf, nullptr);
        }
        EXPECT_TRUE(g_progress.empty()) << Show(g_progress);

        THREADM_SetHost(&kFolders);
        ASSERT_EQ(c.add(), 1);
        ASSERT_TRUE(RunUntilIdle(15000));
        ASSERT_EQ(posted.size(), 2u);
        EXPECT_EQ(posted[1].msg, c.msg);
        if (c.msg == static_cast<UINT>(kMsgBuy)) {
            EXPECT_GT(static_cast<int>(posted[1].w), 3);
        } else if (c.msg == static_cast<UINT>(kMsgResign)) {
            EXPECT_GT(reinterpret_cast<ResignResultIf*>(posted[1].l)->nSize, 3);
        } else {
            EXPECT_EQ(static_cast<int>(posted[1].w), 0);
        }
        EXPECT_EQ(g_progress.front().op, 'c');
        EXPECT_EQ(g_progress.back().op, 'd');
        for (auto& q : posted) {
            if (q.msg == static_cast<UINT>(kMsgResign) && q.l) std::free(reinterpret_cast<ResignResultIf*>(q.l)->pBuf);
            std::free(reinterpret_cast<void*>(q.l));
        }
        posted.clear();
    }
    EXPECT_EQ(ReadAll(dir.file("refused.txt")), "r");
    EXPECT_EQ(ReadAll(dir.file("refusedver.txt")), "v");
    CONTENTSLIST_Free();
}

// Without folders from the host a pack is written nowhere, rather than into
// whatever folder happens to be current; a queue without a progress window
// runs all the same.
TEST_F(Queue, WithoutFoldersOrProgressWindowNothingIsWrittenIntoTheCurrentFolder)
{
    THREADM_SetHost(nullptr);
    DOWNLOADMN_SetHost(nullptr);
    ASSERT_EQ(CONTENTSLIST_Init("tiv,,name,N0001,,,,,,,,,,,,,,,,,,,,,"), 1);
    WriteAll(SitePath("root/dl/nofolder.pack"), Pack("CNPFVR05", { { "nofolder.txt", "n" } }));
    CreateDirectoryA(SitePath("root/nofolderver").c_str(), nullptr);
    WriteAll(SitePath("root/nofolderver/ver.bin"), Pack("CNPFVR05", { { "nofolderver.txt", "v" } }, false));
    WriteEnv("/cgi-bin/list.cgi", "/cgi-bin/resign.cgi", Addr() + "/nofolderver/");
    ASSERT_EQ(DOWNLOADMN_Add("nofolder.pack", "N0001", 0), 1);
    ASSERT_EQ(DOWNLOADMN_Add_GetZvqVersion(), 1);
    ASSERT_TRUE(RunUntilIdle(15000));
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(static_cast<int>(posted[0].w), eTHREADM_DL_ERR_TEMP);
    // Fetched but not unpacked: a failed request, never an OK that would let
    // the launcher compare a version.txt this pack did not bring.
    EXPECT_EQ(static_cast<int>(posted[1].w), eTHREADM_VER_ERR_UNPACK);
    EXPECT_EQ(Requests("/nofolderver/ver.bin").size(), 1u);
    // The test's folder is the current one.
    EXPECT_FALSE(Exists(dir.file("nofolder.txt")));
    EXPECT_FALSE(Exists(dir.file("nofolderver.txt")));
    EXPECT_FALSE(Exists(dir.file(THREADM_TEMPFILE)));
    EXPECT_TRUE(g_progress.empty());
    CONTENTSLIST_Free();
}

// A version request whose thread outlived a cancel (the old cancel did not
// stop that kind) must not leave the next one waiting for ever.
TEST_F(Queue, VersionRequestAfterACancelThatLeftItsThreadRunning)
{
    WriteEnv("/cgi-bin/list.cgi", "/cgi-bin/resign.cgi", Addr() + "/stallver/");
    ASSERT_EQ(DOWNLOADMN_Add_GetZvqVersion(), 1);
    Tick();
    ASSERT_TRUE(DOWNLOADMN_IsDownloading());
    DOWNLOADMN_Cancel();   // the thread of the kind still runs
    ASSERT_EQ(DOWNLOADMN_Add_GetZvqVersion(), 1);
    ASSERT_TRUE(RunUntilIdle(15000)) << "the second version request never ended";
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].msg, static_cast<UINT>(kMsgVersion));
    EXPECT_NE(static_cast<int>(posted[0].w), -1);
}

}  // namespace

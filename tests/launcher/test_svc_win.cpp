// The main window's handlers of the service's results and of the catalogue
// rows' buttons, in this process: the results are posted to a window as the
// request queue posts them (reply buffers and result records on the heap,
// freed by the handler), message boxes are read and answered from another
// thread, and REG.DAT is read back from the member's folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "cmnutil.h"
#include "contentslist.h"
#include "downloadmn.h"
#include "hantiv.h"
#include "log.h"
#include "page.h"
#include "sccmn.h"
#include "sccmn_svc.h"
#include "testdir.h"
#include "userm.h"
#include "winprobe.h"

const char* HANTIV_GetAppPath(void) { return ""; }
const char* HANTIV_GetUserPath(void) { return ""; }

namespace {

// One catalogue record of 24 columns: id, name, server pack path, bought
// flag, music flags and music pack path.
std::string Record(const std::string& id, const std::string& name, const std::string& pack,
                   const std::string& velqa = "0", const std::string& velqaPack = "")
{
    std::string c[25];
    c[1] = "tiv"; c[3] = name; c[4] = id; c[10] = pack; c[11] = "1"; c[12] = velqa; c[13] = "1";
    c[16] = velqa; c[17] = "dl/" + id + "m.pack"; c[18] = "1"; c[19] = velqaPack; c[20] = "1";
    std::string s;
    for (int i = 1; i <= 24; i++) s += c[i] + ",";
    return s;
}

const std::string kCatalogue = Record("G0001", "One", "dl/g1.pack") + Record("G0002", "Two", "dl/g2.pack", "1", "dl/g2s.pack") +
                               Record("G0003", "Three", "");

struct Posted {
    UINT msg;
    LPARAM lParam;
};
std::vector<Posted> g_posted;
int g_refresh = 0, g_refreshRows = 0;

LRESULT CALLBACK TestProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WMU_RECV_BUYINFO: SCCMN_Proc_WmuRecvBuyInfo(hWnd, wParam, lParam); return 0;
    case WMU_RECV_CONTENTS: SCCMN_Proc_WmuRecvContents(hWnd, wParam, lParam); return 0;
    case WMU_RECV_RESIGNVELQA: SCCMN_Proc_WmuRecvResignVelqa(hWnd, wParam, lParam); return 0;
    case WMU_CONTENTSBUTTON: SCCMN_Proc_WmuContentsButton(wParam, lParam, nullptr, hWnd); return 0;
    case WMU_KICKCONTENTS: g_posted.push_back({ uMsg, lParam }); return 0;
    case WM_DESTROY: g_posted.push_back({ uMsg, 0 }); return 0;
    default: return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    }
}

int CountRefresh(void) { return ++g_refresh; }
int CountRefreshRows(void) { return ++g_refreshRows; }

// Reads the text of the next message box of that caption and presses OK.
struct BoxAnswer {
    std::string text = "<no box>";
    std::thread t;
    explicit BoxAnswer(const char* caption = "報告")
    {
        t = std::thread([this, caption] {
            HWND box = Probe_WaitWindow("#32770", caption, 20000);
            if (box == nullptr) return;
            text = Probe_MessageBoxText(box);
            Probe_PressButton(box, IDOK);
        });
    }
    std::string Wait()
    {
        t.join();
        return text;
    }
};

struct Svc : ::testing::Test {
    TestDir dir;
    std::string member;
    HWND hWnd = nullptr;
    bool quit = false;

    void SetUp() override
    {
        member = dir.file("member\\");
        CreateDirectoryA(member.c_str(), nullptr);
        ASSERT_EQ(CONTENTSLIST_SetUserPath(member.c_str()), 1);
        SCCMN_SetAppPath(dir.path().c_str());
        USERM_Init();
        USERM_SetAcountValid(1);
        ASSERT_TRUE(USERM_SetId("demo01", 6));
        ASSERT_TRUE(USERM_SetPassword("pw", 2));
        ASSERT_TRUE(USERM_SetContentsId("G0001", 5));
        SCCMN_SetStartMode(eGD_STARTMODE_LAUNCHER);
        SCCMN_SetReserveAction(eGD_RESERVETYPE_NONE);
        SCCMN_SetComboSel(-1);
        DOWNLOADMN_Init();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = TestProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "SvcTest";
        RegisterClassA(&wc);
        hWnd = CreateWindowA("SvcTest", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(hWnd, nullptr);
        SCCMN_SetMainWnd(hWnd);
        static const SccmnSvcHostIf host = { CountRefresh, CountRefreshRows, nullptr };
        SCCMN_SetSvcHost(&host);
        g_posted.clear();
        g_refresh = g_refreshRows = 0;
        // The catalogue as a first reply built it: G0001 installed, G0002
        // downloadable, G0003 bought but without a pack on the server.
        ASSERT_EQ(CONTENTSLIST_Init(kCatalogue.c_str()), 1);
        ASSERT_EQ(CONTENTSLIST_GetCount(), 3);
        // Installed: its folder is in the member's folder.
        CreateDirectoryA((member + "G0001\\").c_str(), nullptr);
        CONTENTSLIST_SetPath(0, eCLPD_PATHTYPE_MAINEXE, 0, "G0001\\game.exe");
        CONTENTSLIST_SetType(0, eCLPD_TYPE_PLAYABLE);
        CONTENTSLIST_SetLastUpdate("20261201");
        ASSERT_EQ(CONTENTSLIST_Save2(), 1);
        Buttons(0);   // a request is under way
    }
    void TearDown() override
    {
        CONTENTSLIST_Free();
        if (PAGE_CheckValid()) PAGE_Term();
        DOWNLOADMN_Term();
        if (IsWindow(hWnd)) DestroyWindow(hWnd);
        SCCMN_SetSvcHost(nullptr);
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {}
    }
    static void Buttons(int on)
    {
        for (int i = 0; i < 5; i++) SCCMN_SetButtonEnable(i, on);
    }
    static bool ButtonsOn() { return SCCMN_GetButtonEnable(0) && SCCMN_GetButtonEnable(3); }
    // Dispatches what is queued for the window; a quit message is noted.
    void Pump()
    {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_QUIT) { quit = true; continue; }
            DispatchMessageA(&m);
        }
    }
    void PostReply(const std::string& reply)
    {
        // As the worker hands it over: one more byte, zero.
        char* p = static_cast<char*>(std::calloc(reply.size() + 1, 1));
        std::memcpy(p, reply.data(), reply.size());
        PostMessageA(hWnd, WMU_RECV_BUYINFO, reply.size(), reinterpret_cast<LPARAM>(p));
    }
    void PostResult(int code, const char* id, int pathType)
    {
        DlResultIf* r = static_cast<DlResultIf*>(std::calloc(1, sizeof(DlResultIf)));
        std::strcpy(r->strContentsId, id);
        r->pathType = pathType;
        PostMessageA(hWnd, WMU_RECV_CONTENTS, code, reinterpret_cast<LPARAM>(r));
    }
    std::string Store() { return ReadAll(member + "REG.DAT"); }
    // The stored catalogue: header and records.
    bool LoadStore(CfhIf* h, std::vector<ContIf>* recs)
    {
        std::string raw = Store();
        ContIf* p = nullptr;
        int n = 0;
        if (!CONTENTSLIST_DecodeStore(raw.data(), static_cast<int>(raw.size()), h, &p, &n)) return false;
        recs->assign(p, p + n);
        std::free(p);
        return true;
    }
    std::vector<LPARAM> Kicks()
    {
        std::vector<LPARAM> v;
        for (const auto& p : g_posted) if (p.msg == WMU_KICKCONTENTS) v.push_back(p.lParam);
        return v;
    }
};

TEST_F(Svc, EachDownloadFailureShowsItsCodeAndGivesTheButtonsBack)
{
    const char* codes[] = { "013", "014", "015", "016", "017" };
    for (int code = 1; code <= 5; code++) {
        SCCMN_SetReserveAction(eGD_RESERVETYPE_KICKGAME);
        Buttons(0);
        BoxAnswer box;
        PostResult(code, "G0002", eCLPD_PATHTYPE_MAINEXE);
        Pump();
        EXPECT_EQ(box.Wait(), std::string("ダウンロード処理に失敗しました(ZVQ:") + codes[code - 1] + ")");
        EXPECT_TRUE(ButtonsOn()) << code;
        EXPECT_EQ(SCCMN_GetReserveAction(), eGD_RESERVETYPE_NONE) << code;
        EXPECT_EQ(CONTENTSLIST_GetType(1), eCLPD_TYPE_DOWNLOADABLE) << code;
        EXPECT_TRUE(Kicks().empty());
    }
}

TEST_F(Svc, AFailedDownloadEndsASaleStart)
{
    SCCMN_SetStartMode(eGD_STARTMODE_SALEGAME);
    SCCMN_SetReserveAction(eGD_RESERVETYPE_KICKGAME);
    BoxAnswer box;
    PostResult(3, "G0001", eCLPD_PATHTYPE_MAINEXE);
    Pump();
    EXPECT_EQ(box.Wait(), "ダウンロード処理に失敗しました(ZVQ:015)");
    EXPECT_FALSE(IsWindow(hWnd));
    EXPECT_TRUE(Kicks().empty());
}

TEST_F(Svc, ADownloadedGameIsPlayableSavedAndStarted)
{
    ASSERT_TRUE(USERM_SetContentsId("G0002", 5));
    SCCMN_SetReserveAction(eGD_RESERVETYPE_KICKGAME);
    PostResult(0, "G0002", eCLPD_PATHTYPE_MAINEXE);
    Pump();
    EXPECT_EQ(CONTENTSLIST_GetType(1), eCLPD_TYPE_PLAYABLE);
    EXPECT_EQ(Kicks(), std::vector<LPARAM>{ 1 });
    EXPECT_FALSE(ButtonsOn()) << "the start gives the buttons back when it is over";
    EXPECT_EQ(g_refresh, 1);
    CfhIf h;
    std::vector<ContIf> recs;
    ASSERT_TRUE(LoadStore(&h, &recs));
    ASSERT_EQ(recs.size(), 3u);
    EXPECT_EQ(recs[1].type, eCLPD_TYPE_PLAYABLE);

    // Manual and music parts mark their own state only.
    SCCMN_SetReserveAction(eGD_RESERVETYPE_DOWNLOADING);
    PostResult(0, "G0002", eCLPD_PATHTYPE_MANUAL);
    PostResult(0, "G0002", eCLPD_PATHTYPE_KZDSOUND);
    Pump();
    EXPECT_EQ(CONTENTSLIST_GetTypeManual(1), eCLPD_TYPE_PLAYABLE);
    EXPECT_EQ(CONTENTSLIST_GetTypeVelqa(1), eCLPD_TYPE_PLAYABLE);
    EXPECT_EQ(CONTENTSLIST_GetTypeManual(0), CONTENTSLIST_GetTypeManual(2));
}

TEST_F(Svc, ReservedActionsAfterADownload)
{
    // Play waits for G0002's game: another title's game (one of download-all's)
    // and another part of G0002 start nothing and leave the action waiting.
    ASSERT_TRUE(USERM_SetContentsId("G0002", 5));
    SCCMN_BeginAction(eGD_RESERVETYPE_KICKGAME);
    ASSERT_TRUE(DOWNLOADMN_Add("dl/g2.pack", "G0002", 0));
    PostResult(0, "G0001", eCLPD_PATHTYPE_MAINEXE);
    PostResult(0, "G0002", eCLPD_PATHTYPE_MANUAL);
    Pump();
    EXPECT_TRUE(Kicks().empty());
    EXPECT_EQ(SCCMN_GetReserveAction(), eGD_RESERVETYPE_KICKGAME);
    EXPECT_FALSE(ButtonsOn());
    DOWNLOADMN_RemoveListTop();
    PostResult(0, "G0002", eCLPD_PATHTYPE_MAINEXE);
    Pump();
    EXPECT_EQ(Kicks(), std::vector<LPARAM>{ 1 });

    // Leaving the music service reserved: a download starts nothing.
    g_posted.clear();
    SCCMN_SetReserveAction(eGD_RESERVETYPE_RESIGNVELQA);
    PostResult(0, "G0002", eCLPD_PATHTYPE_MAINEXE);
    Pump();
    EXPECT_TRUE(Kicks().empty());
    EXPECT_EQ(SCCMN_GetReserveAction(), eGD_RESERVETYPE_RESIGNVELQA);

    // Download-all: the buttons come back with the last of the downloads.
    g_posted.clear();
    SCCMN_SetReserveAction(eGD_RESERVETYPE_DOWNLOADING);
    ASSERT_TRUE(DOWNLOADMN_Add("dl/g3.pack", "G0003", 0));
    PostResult(0, "G0002", eCLPD_PATHTYPE_MAINEXE);
    Pump();
    EXPECT_FALSE(ButtonsOn());
    EXPECT_EQ(SCCMN_GetReserveAction(), eGD_RESERVETYPE_DOWNLOADING);
    DOWNLOADMN_RemoveListTop();
    PostResult(0, "G0003", eCLPD_PATHTYPE_MAINEXE);
    Pump();
    EXPECT_TRUE(ButtonsOn());
    EXPECT_EQ(SCCMN_GetReserveAction(), eGD_RESERVETYPE_NONE);
    EXPECT_TRUE(Kicks().empty());

    // A result for a content the catalogue does not hold changes nothing.
    std::string before = Store();
    SCCMN_SetReserveAction(eGD_RESERVETYPE_KICKGAME);
    Buttons(0);
    PostResult(0, "G9999", eCLPD_PATHTYPE_MAINEXE);
    PostResult(0, "G0001", eCLPD_PATHTYPE_README);
    Pump();
    EXPECT_EQ(Store(), before);
    EXPECT_TRUE(Kicks().empty());
    EXPECT_TRUE(ButtonsOn());
}

TEST_F(Svc, RefusedOrEmptyCataloguesChangeNothing)
{
    std::string before = Store();
    struct { std::string reply; const char* text; } cases[] = {
        { "ng,", "データ受信に失敗しました。商品情報は取得できませんでした（ZVQ:027）" },
        // A zero first byte is no status word: unusable like the others, not swallowed.
        { std::string("\0ok,", 4) + kCatalogue, "データ受信に失敗しました。商品情報は取得できませんでした（ZVQ:027）" },
        { "err,", "データ受信に失敗しました。商品情報は取得できませんでした（ZVQ:027）" },
        { "invalididpassword,", "データ受信に失敗しました。商品情報は取得できませんでした（ZVQ:027）" },
        { "", "データ受信に失敗しました。処理を中止します（ZVQ:022）" },
    };
    for (const auto& c : cases) {
        // Download-all was waiting for the catalogue: it is given up.
        SCCMN_SetReserveAction(eGD_RESERVETYPE_DOWNLOADALL);
        Buttons(0);
        BoxAnswer box;
        PostReply(c.reply);
        Pump();
        EXPECT_EQ(box.Wait(), c.text) << c.reply.size();
        EXPECT_EQ(Store(), before) << c.reply;
        EXPECT_EQ(CONTENTSLIST_GetCount(), 3);
        EXPECT_TRUE(ButtonsOn()) << c.reply;
        EXPECT_EQ(SCCMN_GetReserveAction(), eGD_RESERVETYPE_NONE) << c.reply;
        EXPECT_EQ(DOWNLOADMN_GetCnt(), 0);
        EXPECT_FALSE(quit);
    }
}

TEST_F(Svc, AnEmptyCatalogueInASaleStartStartsTheInstalledGameOrEnds)
{
    SCCMN_SetStartMode(eGD_STARTMODE_SALEGAME);
    SCCMN_SetReserveAction(eGD_RESERVETYPE_KICKGAME);
    {
        BoxAnswer box;
        PostReply("");
        Pump();
        EXPECT_EQ(box.Wait(), "データ受信に失敗しました。処理を中止します（ZVQ:022）");
    }
    EXPECT_EQ(Kicks(), std::vector<LPARAM>{ 0 });
    EXPECT_FALSE(quit);

    ASSERT_TRUE(USERM_SetContentsId("G0002", 5));   // not installed
    {
        BoxAnswer box;
        PostReply("");
        Pump();
        box.Wait();
    }
    EXPECT_TRUE(quit);

    // The music start no longer waits on its splash for ever.
    quit = false;
    SCCMN_SetStartMode(eGD_STARTMODE_SALEKZDP);
    SCCMN_SetReserveAction(eGD_RESERVETYPE_KICKSOUNDPLAYER);
    {
        BoxAnswer box;
        PostReply("ng,");
        Pump();
        box.Wait();
    }
    EXPECT_TRUE(quit);
}

TEST_F(Svc, AnEmptyCatalogueNeverClosesTheLauncherAndWaitsForAQueuedGame)
{
    // The play button queued a game just before the update's reply came back empty.
    SCCMN_SetReserveAction(eGD_RESERVETYPE_KICKGAME);
    ASSERT_TRUE(DOWNLOADMN_Add("dl/g2.pack", "G0002", 0));
    {
        BoxAnswer box;
        PostReply("");
        Pump();
        box.Wait();
    }
    EXPECT_FALSE(quit);
    EXPECT_EQ(SCCMN_GetReserveAction(), eGD_RESERVETYPE_KICKGAME);
    EXPECT_FALSE(ButtonsOn());
    EXPECT_TRUE(Kicks().empty());
}

TEST_F(Svc, ASaleStartOfAGameWithoutAPackIsToldAndEnds)
{
    SCCMN_SetStartMode(eGD_STARTMODE_SALEGAME);
    SCCMN_SetReserveAction(eGD_RESERVETYPE_KICKGAME);
    ASSERT_TRUE(USERM_SetContentsId("G0003", 5));
    BoxAnswer box;
    PostReply("ok," + kCatalogue);
    Pump();
    EXPECT_EQ(box.Wait(), "ダウンロード処理に失敗しました(ZVQ:014)");
    EXPECT_TRUE(quit);
    EXPECT_EQ(DOWNLOADMN_GetCnt(), 0);
}

TEST_F(Svc, ACatalogueReplyIsMergedSavedWithTodayAndKeepsAFavouriteSetJustBefore)
{
    CONTENTSLIST_SetFavorite(2, 1);   // pressed after the last save
    PostReply("ok," + Record("G0001", "One+", "dl/g1.pack") + Record("G0002", "%A4%A2", "dl/g2.pack") +
              Record("G0003", "Three", "") + Record("G0004", "Four", "dl/g4.pack"));
    Pump();
    ASSERT_EQ(CONTENTSLIST_GetCount(), 4);
    EXPECT_EQ(CONTENTSLIST_GetFavorite(2), 1);
    CfhIf h;
    std::vector<ContIf> recs;
    ASSERT_TRUE(LoadStore(&h, &recs));
    ASSERT_EQ(recs.size(), 4u);
    EXPECT_STREQ(recs[1].strProductName, "\x82\xA0");
    EXPECT_EQ(recs[2].bFavorite, 1);
    char today[16];
    std::time_t t = std::time(nullptr);
    std::tm tm = *std::localtime(&t);
    std::strftime(today, sizeof(today), "%Y%m%d", &tm);
    EXPECT_STREQ(h.strLastUpdate, today);
    EXPECT_STREQ(h.strUserId, "demo01");
    // Nothing reserved: the client version is asked for next.
    ASSERT_EQ(DOWNLOADMN_GetCnt(), 1);
    EXPECT_EQ(DOWNLOADMN_GetListAt(0)->cntType, eDMD_DT_ZVQVERSION);
    EXPECT_TRUE(ButtonsOn());
    EXPECT_EQ(g_refresh, 1);
}

TEST_F(Svc, HostileCatalogueRepliesLeaveAReadableStore)
{
    const std::string cases[] = {
        "ok," + Record("G0001", "One", "dl/g1.pack") + "tiv,,Cut,G00",          // a cut record
        "ok," + Record("G0001", std::string(3000, 'N'), "dl/g1.pack"),           // a 3000-byte field
        "ok," + Record("G0001", "%G1", "dl/g1.pack"),                            // no hex after "%"
        "ok," + Record("G0001", "One", "dl/g1.pack") + "tiv,%",                  // a trailing "%"
    };
    for (const auto& reply : cases) {
        PostReply(reply);
        Pump();
        CfhIf h;
        std::vector<ContIf> recs;
        ASSERT_TRUE(LoadStore(&h, &recs)) << reply.substr(0, 60);
        EXPECT_GE(recs.size(), 1u);
        EXPECT_GE(CONTENTSLIST_GetIndexByKey("G0001"), 0);
        EXPECT_LT(std::strlen(recs[0].strProductName), sizeof(recs[0].strProductName));
    }
}

TEST_F(Svc, TheDownloadAllReserveQueuesEveryBoughtGameWithAPack)
{
    SCCMN_SetReserveAction(eGD_RESERVETYPE_DOWNLOADALL);
    PostReply("ok," + kCatalogue);
    Pump();
    // G0002 only: G0001 is installed, G0003 has no pack on the server; the
    // client-version check after it.
    ASSERT_EQ(DOWNLOADMN_GetCnt(), 2);
    EXPECT_STREQ(DOWNLOADMN_GetListAt(0)->pPath, "dl/g2.pack");
    EXPECT_EQ(DOWNLOADMN_GetListAt(1)->cntType, eDMD_DT_ZVQVERSION);
    EXPECT_EQ(SCCMN_GetReserveAction(), eGD_RESERVETYPE_DOWNLOADING);
    EXPECT_FALSE(ButtonsOn());

    // Nothing to download (the service has no pack for either game not on
    // disk): the action ends at once, and the version check still comes.
    DOWNLOADMN_Term();
    DOWNLOADMN_Init();
    SCCMN_BeginAction(eGD_RESERVETYPE_DOWNLOADALL);
    PostReply("ok," + Record("G0001", "One", "dl/g1.pack") + Record("G0002", "Two", "") + Record("G0003", "Three", ""));
    Pump();
    ASSERT_EQ(DOWNLOADMN_GetCnt(), 1);
    EXPECT_EQ(DOWNLOADMN_GetListAt(0)->cntType, eDMD_DT_ZVQVERSION);
    EXPECT_EQ(SCCMN_GetReserveAction(), eGD_RESERVETYPE_NONE);
    EXPECT_TRUE(ButtonsOn());
}

// The rows draw the music button only for a flag of "1"; a click where it
// would be answers by the same rule.
TEST_F(Svc, AMusicFlagOtherThanOneOffersNoMusic)
{
    CONTENTSLIST_Free();
    ASSERT_EQ(CONTENTSLIST_Init(Record("G0001", "One", "dl/g1.pack", "2", "dl/g1s.pack").c_str()), 1);
    EXPECT_EQ(SCCMN_HasMusic(0), 0);
    Buttons(1);
    PostMessageA(hWnd, WMU_CONTENTSBUTTON, 4, 0);
    Pump();
    EXPECT_EQ(DOWNLOADMN_GetCnt(), 0);
    EXPECT_EQ(SCCMN_GetReserveAction(), eGD_RESERVETYPE_NONE);
}

TEST_F(Svc, RowButtonsReserveTheirActions)
{
    Buttons(1);
    // Play of the installed game: started at once.
    PostMessageA(hWnd, WMU_CONTENTSBUTTON, 5, 0);
    Pump();
    EXPECT_EQ(Kicks(), std::vector<LPARAM>{ 0 });
    EXPECT_FALSE(ButtonsOn()) << "the buttons wait for the start";
    SCCMN_EndAction();   // as the start does when it is over
    // Play of a game not on disk: its pack is queued, the buttons wait.
    PostMessageA(hWnd, WMU_CONTENTSBUTTON, 5, 1);
    Pump();
    ASSERT_EQ(DOWNLOADMN_GetCnt(), 1);
    EXPECT_STREQ(DOWNLOADMN_GetListAt(0)->pPath, "dl/g2.pack");
    EXPECT_STREQ(DOWNLOADMN_GetListAt(0)->pKeyName, "G0002");
    EXPECT_STREQ(USERM_GetContentsId(), "G0002");
    EXPECT_EQ(SCCMN_GetReserveAction(), eGD_RESERVETYPE_KICKGAME);
    EXPECT_FALSE(ButtonsOn());
    // The row buttons wait too.
    PostMessageA(hWnd, WMU_CONTENTSBUTTON, 5, 0);
    Pump();
    EXPECT_EQ(Kicks().size(), 1u);
    DOWNLOADMN_RemoveListTop();
    Buttons(1);

    // A game whose pack the service names nowhere: told, and the buttons come back.
    {
        BoxAnswer box;
        PostMessageA(hWnd, WMU_CONTENTSBUTTON, 5, 2);
        Pump();
        EXPECT_EQ(box.Wait(), "ダウンロード処理に失敗しました(ZVQ:014)");
    }
    EXPECT_EQ(DOWNLOADMN_GetCnt(), 0);
    EXPECT_EQ(SCCMN_GetReserveAction(), eGD_RESERVETYPE_NONE);
    EXPECT_TRUE(ButtonsOn());

    // The sound button of a content with music not yet on disk queues its pack.
    PostMessageA(hWnd, WMU_CONTENTSBUTTON, 4, 1);
    Pump();
    ASSERT_EQ(DOWNLOADMN_GetCnt(), 1);
    EXPECT_STREQ(DOWNLOADMN_GetListAt(0)->pPath, "dl/g2s.pack");
    EXPECT_EQ(DOWNLOADMN_GetListAt(0)->pathType, eCLPD_PATHTYPE_KZDSOUND);
    EXPECT_EQ(SCCMN_GetReserveAction(), eGD_RESERVETYPE_KICKSOUNDPLAYER);
    DOWNLOADMN_RemoveListTop();

    // Ignored: music not bought, a content not bought, a switched-off
    // button, an index outside the catalogue, an unknown button.
    Buttons(1);
    SCCMN_SetReserveAction(eGD_RESERVETYPE_NONE);
    CONTENTSLIST_SetType(2, eCLPD_TYPE_NOTBUY);
    PostMessageA(hWnd, WMU_CONTENTSBUTTON, 4, 0);
    PostMessageA(hWnd, WMU_CONTENTSBUTTON, 5, 2);
    SCCMN_SetButtonEnable(3, 0);
    PostMessageA(hWnd, WMU_CONTENTSBUTTON, 5, 1);
    PostMessageA(hWnd, WMU_CONTENTSBUTTON, 2, 7);
    PostMessageA(hWnd, WMU_CONTENTSBUTTON, 1, 0);
    Pump();
    EXPECT_EQ(DOWNLOADMN_GetCnt(), 0);
    EXPECT_EQ(SCCMN_GetReserveAction(), eGD_RESERVETYPE_NONE);
    EXPECT_EQ(Kicks().size(), 1u);
}

TEST_F(Svc, TheFavouriteButtonTogglesAndRebuildsOnlyTheFavouritesPage)
{
    Buttons(1);
    PAGE_Init();
    SCCMN_SetComboSel(PAGE_GetIndexOfKind(ePDKIND_BUY));
    PostMessageA(hWnd, WMU_CONTENTSBUTTON, 6, 1);
    Pump();
    EXPECT_EQ(CONTENTSLIST_GetFavorite(1), 1);
    EXPECT_EQ(g_refreshRows, 1);
    EXPECT_EQ(g_refresh, 0);

    int fav = PAGE_GetIndexOfKind(ePDKIND_FAVORITE);
    SCCMN_SetComboSel(fav);
    PAGE_Term();
    PAGE_Init();
    EXPECT_EQ(PAGE_GetContentsCnt(fav), 1);
    PostMessageA(hWnd, WMU_CONTENTSBUTTON, 6, 1);
    Pump();
    EXPECT_EQ(CONTENTSLIST_GetFavorite(1), 0);
    EXPECT_EQ(g_refresh, 1);
    EXPECT_EQ(PAGE_GetContentsCnt(fav), 0);   // the row went at once

    SCCMN_SetButtonEnable(4, 0);
    PostMessageA(hWnd, WMU_CONTENTSBUTTON, 6, 1);
    Pump();
    EXPECT_EQ(CONTENTSLIST_GetFavorite(1), 0);
}

// A refreshed catalogue and a favourite toggled on the favourites page keep
// the member's sort, as a page switch does.
TEST_F(Svc, ARefreshAndAFavouriteToggleKeepTheMembersSort)
{
    PAGE_Init();
    int nFav = PAGE_GetIndexOfKind(ePDKIND_FAVORITE);
    CONTENTSLIST_SetFavorite(0, 1);
    CONTENTSLIST_SetFavorite(1, 1);
    CONTENTSLIST_SetFavorite(2, 1);
    ASSERT_EQ(CONTENTSLIST_Save2(), 1);
    PAGE_Term();
    PAGE_Init();
    SCCMN_SetComboSel(nFav);
    PAGE_SetSortType(ePDST_TITLE);
    PAGE_Sort();
    auto titles = [&] {
        std::string out;
        for (int i = 0; i < PAGE_GetContentsCnt(nFav); i++) {
            int nType = 0;
            const char* p = CONTENTSLIST_GetProductName(&nType, PAGE_GetContentsId(nFav, i));
            out += std::string(p != nullptr ? p : "?") + ";";
        }
        return out;
    };
    ASSERT_EQ(titles(), "One;Three;Two;");   // the catalogue holds One, Two, Three

    PostReply("ok," + kCatalogue);
    Pump();
    EXPECT_EQ(titles(), "One;Three;Two;") << "the refresh lost the sort";
    EXPECT_EQ(PAGE_GetSortType(), ePDST_TITLE);

    Buttons(1);
    PostMessageA(hWnd, WMU_CONTENTSBUTTON, 6, 0);   // One leaves the favourites
    Pump();
    EXPECT_EQ(titles(), "Three;Two;") << "the favourite toggle lost the sort";
}

// The sale-page button with no service address in env.bin tells the member
// instead of opening nothing.
TEST_F(Svc, TheSalePageWithoutItsAddressIsReported)
{
    BoxAnswer box("エラー報告");
    PostMessageA(hWnd, WMU_CONTENTSBUTTON, 0, 0);
    Pump();
    EXPECT_EQ(box.Wait(), "ファイルのロードに失敗しました。再度インストールをお試しいただいたのちに失敗が続くようでしたら、\n"
                          "大変お手数ですがお客様サポートにご連絡をお願い致します(ZVQ:008)。");
}

TEST_F(Svc, TheLeaveReplyIsLoggedAndFreed)
{
    ResignResultIf* r = static_cast<ResignResultIf*>(std::calloc(1, sizeof(ResignResultIf)));
    r->pBuf = static_cast<char*>(std::calloc(16, 1));
    std::strcpy(r->pBuf, "ok,\r\n");
    r->nSize = 5;
    SCCMN_SetReserveAction(eGD_RESERVETYPE_RESIGNVELQA);
    PostMessageA(hWnd, WMU_RECV_RESIGNVELQA, 0, reinterpret_cast<LPARAM>(r));
    PostMessageA(hWnd, WMU_RECV_RESIGNVELQA, 0, 0);
    Pump();
    EXPECT_EQ(SCCMN_GetReserveAction(), eGD_RESERVETYPE_NONE);
    LOG_Close();
    std::string log = Inverted(ReadAll(dir.file("tiv_launcher.log")));
    EXPECT_NE(log.find("SCCMN_Proc_WmuRecvResignVelqa::reply[ok,%0D%0A]"), std::string::npos) << log;

    EXPECT_EQ(SCCMN_StartResignVelqa(), 1);
    ASSERT_EQ(DOWNLOADMN_GetCnt(), 1);
    EXPECT_EQ(DOWNLOADMN_GetListAt(0)->cntType, eDMD_DT_RESIGNVELQA);
    EXPECT_EQ(SCCMN_GetReserveAction(), eGD_RESERVETYPE_RESIGNVELQA);
}

TEST_F(Svc, StateChecksCountTheBoughtContents)
{
    CONTENTSLIST_SetType(2, eCLPD_TYPE_NOTBUY);
    EXPECT_EQ(SCCMN_IsContentsState(0), 1);
    EXPECT_EQ(SCCMN_IsContentsMarked(1), 1);
    EXPECT_EQ(SCCMN_IsContentsState(2), 0);
    EXPECT_EQ(SCCMN_IsContentsState(3), 0);
    EXPECT_EQ(SCCMN_IsContentsState(-1), 0);
    EXPECT_EQ(SCCMN_CountMarkedContents(), 2);
    EXPECT_EQ(SCCMN_IsPlayableById("G0001"), 1);
    EXPECT_EQ(SCCMN_IsPlayableById("G0002"), 0);
    EXPECT_EQ(SCCMN_IsPlayableById("nope"), 0);
    EXPECT_EQ(SCCMN_IsVelqaPlayableById("G0001"), 0);
    EXPECT_EQ(SCCMN_Reserve_GamePlay(3, "demo01"), 0);
    EXPECT_EQ(SCCMN_Reserve_GameManual("demo01", -1), 0);
}

}  // namespace

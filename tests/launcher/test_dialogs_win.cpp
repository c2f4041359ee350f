// The settings dialog and the please-wait dialog in this process, from the
// launcher's own templates: what the settings dialog shows for the values
// of appset.bin, what OK writes and CANCEL leaves, that it opens only once;
// where the please-wait box stands and that it goes away.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "applisetting.h"
#include "decwnd.h"
#include "dlwnd.h"
#include "list.h"
#include "msgwnd.h"
#include "sccmn.h"
#include "scskin.h"
#include "testdir.h"

// The launcher's folders, which the request queue linked with the shared
// screen state asks for; no request runs here.
const char* HANTIV_GetAppPath(void) { return ""; }
const char* HANTIV_GetUserPath(void) { return ""; }

namespace {

const char kSettingsCaption[] = "アプリケーション設定";
const int kModes[5] = { 1007, 1004, 1005, 1006, 1008 };   // "[DEF_DISPMODE]" 0 .. 4
enum { IDC_CANCEL = 1000, IDC_AUTOUPDATE = 1009, IDC_AUTODOWNLOAD = 1010 };

std::string Appset(const char* mode, const char* update, const char* download)
{
    return Inverted(std::string("[DEF_DISPMODE]\n") + mode + "\n\n[AUTO_UPDATECONTENTS]\n" + update +
                    "\n\n[AUTO_DOWNLOADCONTENTS]\n" + download + "\n\n");
}

struct FindCtx { const char* caption; int n; HWND first; };

BOOL CALLBACK CountOne(HWND w, LPARAM l)
{
    auto* c = reinterpret_cast<FindCtx*>(l);
    char text[256] = "";
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    GetWindowTextA(w, text, sizeof(text));
    if (pid == GetCurrentProcessId() && std::string(text) == c->caption && c->n++ == 0) c->first = w;
    return TRUE;
}

// Top-level windows of this process with that caption (other tests' programs
// may show the same dialogs at the same time): their count and the first.
int CountWindows(const char* caption, HWND* pFirst = nullptr)
{
    FindCtx ctx = { caption, 0, nullptr };
    EnumWindows(CountOne, reinterpret_cast<LPARAM>(&ctx));
    if (pFirst != nullptr) *pFirst = ctx.first;
    return ctx.n;
}

bool Checked(HWND dlg, int id) { return SendDlgItemMessageA(dlg, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }
// A click as the mouse gives it: the button notifies the dialog at once.
void Click(HWND dlg, int id) { SendDlgItemMessageA(dlg, id, BM_CLICK, 0, 0); }

struct Dialogs : ::testing::Test {
    TestDir dir;
    void SetUp() override
    {
        SCCMN_SetAppPath(dir.path().c_str());
        SCCMN_SetInstance(GetModuleHandleA(nullptr));
    }
    void TearDown() override
    {
        APPLISETTING_Destroy();
        MSGWND_Close();
    }
    std::string AppsetFile() { return dir.file("appset.bin"); }
    HWND OpenSettings()
    {
        SCCMN_OpenAppSetting();
        HWND w = nullptr;
        CountWindows(kSettingsCaption, &w);
        return w;
    }
    // The mode button that is checked (-1 none; several are a fault).
    int CheckedMode(HWND dlg)
    {
        int n = -1;
        for (int i = 0; i < 5; i++)
            if (Checked(dlg, kModes[i])) n = n == -1 ? i : 99;
        return n;
    }
};

TEST_F(Dialogs, SettingsShowTheFilesValuesAndUnusableModesShowTheDefault)
{
    struct Case { const char* mode; const char* update; const char* download; int shown; bool up, down; };
    const Case cases[] = {
        { "0", "1", "0", 0, true, false },
        { "3", "0", "1", 3, false, true },
        { "4x", "1", "1", 4, true, true },   // only the first character counts
        { "12", "2", "01", 1, false, false },
        { "7", "0", "0", 2, false, false },
        { "", "", "", 2, false, false },
    };
    for (const auto& c : cases) {
        WriteAll(AppsetFile(), Appset(c.mode, c.update, c.download));
        HWND dlg = OpenSettings();
        ASSERT_NE(dlg, nullptr) << c.mode;
        EXPECT_TRUE(IsWindowVisible(dlg));
        EXPECT_NE(GetWindowLongA(dlg, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
        EXPECT_EQ(CheckedMode(dlg), c.shown) << "mode " << c.mode;
        EXPECT_EQ(Checked(dlg, IDC_AUTOUPDATE), c.up) << c.update;
        EXPECT_EQ(Checked(dlg, IDC_AUTODOWNLOAD), c.down) << c.download;
        Click(dlg, IDC_CANCEL);
        EXPECT_FALSE(IsWindow(dlg));
    }
    // A missing or empty file is replaced by the defaults, which are shown.
    for (bool empty : { false, true }) {
        if (empty) WriteAll(AppsetFile(), "");
        else DeleteFileA(AppsetFile().c_str());
        HWND dlg = OpenSettings();
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(ReadAll(AppsetFile()), Appset("2", "0", "0")) << "empty " << empty;
        EXPECT_EQ(CheckedMode(dlg), 2);
        EXPECT_FALSE(Checked(dlg, IDC_AUTOUPDATE));
        EXPECT_FALSE(Checked(dlg, IDC_AUTODOWNLOAD));
        Click(dlg, IDC_CANCEL);
    }
}

TEST_F(Dialogs, SettingsOkWritesTheChoiceAndCancelWritesNothing)
{
    WriteAll(AppsetFile(), Appset("2", "0", "0"));
    HWND dlg = OpenSettings();
    ASSERT_NE(dlg, nullptr);
    Click(dlg, 1007);
    Click(dlg, IDC_AUTOUPDATE);
    Click(dlg, IDC_AUTODOWNLOAD);
    EXPECT_EQ(CheckedMode(dlg), 0) << "the radio buttons are one group";
    Click(dlg, IDOK);
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_EQ(ReadAll(AppsetFile()), Appset("0", "1", "1"));

    // Each mode button writes its own digit.
    for (int i = 0; i < 5; i++) {
        dlg = OpenSettings();
        ASSERT_NE(dlg, nullptr);
        Click(dlg, kModes[i]);
        Click(dlg, IDC_AUTODOWNLOAD);
        Click(dlg, IDOK);
        const char digit[2] = { static_cast<char>('0' + i), '\0' };
        EXPECT_EQ(ReadAll(AppsetFile()), Appset(digit, "1", i % 2 ? "1" : "0")) << i;
    }

    // No mode checked saves the default mode.
    dlg = OpenSettings();
    for (int id : kModes) SendDlgItemMessageA(dlg, id, BM_SETCHECK, BST_UNCHECKED, 0);
    Click(dlg, IDOK);
    EXPECT_EQ(ReadAll(AppsetFile()), Appset("2", "1", "0"));

    // CANCEL after changes leaves the file as it is, down to its bytes.
    WriteAll(AppsetFile(), Appset("3", "0", "1") + Inverted("x"));
    dlg = OpenSettings();
    Click(dlg, 1007);
    Click(dlg, IDC_AUTOUPDATE);
    Click(dlg, IDC_CANCEL);
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_EQ(ReadAll(AppsetFile()), Appset("3", "0", "1") + Inverted("x"));
}

TEST_F(Dialogs, SettingsOpenOnceAndShutdownClosesWithoutSaving)
{
    WriteAll(AppsetFile(), Appset("1", "0", "0"));
    HWND dlg = OpenSettings();
    ASSERT_NE(dlg, nullptr);
    Click(dlg, 1008);   // changed, never confirmed
    SCCMN_OpenAppSetting();
    EXPECT_EQ(CountWindows(kSettingsCaption), 1);
    EXPECT_EQ(CheckedMode(dlg), 4) << "the open dialog was not replaced";
    EXPECT_EQ(APPLISETTING_Show(SW_HIDE), 1);
    EXPECT_FALSE(IsWindowVisible(dlg));
    EXPECT_EQ(APPLISETTING_Destroy(), 1);
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_EQ(CountWindows(kSettingsCaption), 0);
    EXPECT_EQ(ReadAll(AppsetFile()), Appset("1", "0", "0"));
    EXPECT_EQ(APPLISETTING_Show(SW_SHOW), 0) << "no dialog to show";
    EXPECT_EQ(APPLISETTING_Destroy(), 1);
    // Closed, it opens again.
    dlg = OpenSettings();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(CheckedMode(dlg), 1);
}

TEST_F(Dialogs, PleaseWaitStandsAboveTheCentreOnTopAndGoesAway)
{
    EXPECT_FALSE(MSGWND_IsOpen());
    EXPECT_EQ(MSGWND_Open(GetModuleHandleA(nullptr), nullptr), 1);
    HWND w = nullptr;
    EXPECT_EQ(CountWindows("処理メッセージ", &w), 1);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(MSGWND_IsOpen());
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_NE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    char text[64] = "";
    HWND label = FindWindowExA(w, nullptr, "Static", nullptr);
    ASSERT_NE(label, nullptr);
    GetWindowTextA(label, text, sizeof(text));
    EXPECT_STREQ(text, "暫くお待ち下さい。");
    RECT rc;
    GetWindowRect(w, &rc);
    int cw = rc.right - rc.left, ch = rc.bottom - rc.top;
    EXPECT_EQ(rc.left, static_cast<int>(GetSystemMetrics(SM_CXSCREEN) / 2.0 - cw / 2.0));
    EXPECT_EQ(rc.top, static_cast<int>(GetSystemMetrics(SM_CYSCREEN) / 2.0 - ch / 2.0) - 100);

    EXPECT_EQ(MSGWND_Open(GetModuleHandleA(nullptr), nullptr), 1);
    EXPECT_EQ(CountWindows("処理メッセージ"), 1);
    EXPECT_EQ(MSGWND_Close(), 1);
    EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(MSGWND_IsOpen());
    EXPECT_EQ(MSGWND_Close(), 1);
}

// The download window's percent: exact in whole numbers (a floating
// quotient would show 28 for 29 of 100), within 0 to 100.
TEST(DownloadPercent, IsTheTruncatedWholeNumberQuotientWithinRange)
{
    struct { int pos, max, percent; } cases[] = {
        { 300, 1000, 30 }, { 29, 100, 29 }, { 290, 1000, 29 }, { 1, 3, 33 }, { 100, 100, 100 }, { 0, 50, 0 },
        { 7, 0, 0 }, { 7, -5, 0 }, { 150, 100, 100 }, { -3, 100, 0 }, { 2000000000, 2100000000, 95 },
    };
    for (const auto& c : cases) EXPECT_EQ(DLWND_Percent(c.pos, c.max), c.percent) << c.pos << "/" << c.max;
}

struct DownloadWindow : ::testing::Test {
    HWND parent = nullptr;
    LIST skin;
    void SetUp() override
    {
        LIST_Init(&skin);
        parent = CreateWindowExA(0, "STATIC", "dl parent", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(parent, nullptr);
        SCCMN_SetInstance(GetModuleHandleA(nullptr));
    }
    void TearDown() override
    {
        if (DLWND_IsExist()) DLWND_Destroy();
        DLWND_SetSkin(nullptr);
        DLWND_FreeBitmaps();
        if (LIST_GetCnt(&skin) > 0) SCSKIN_FreeImage(&skin);
        DestroyWindow(parent);
    }
    static void Pump()
    {
        MSG m;
        for (int i = 0; i < 20; i++) {
            while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
            Sleep(10);
        }
    }
    // The dialogs this process shows that the parent owns.
    struct OwnedCtx { HWND owner; int n; HWND first; };
    static BOOL CALLBACK CountOwned(HWND w, LPARAM l)
    {
        auto* c = reinterpret_cast<OwnedCtx*>(l);
        if (GetWindow(w, GW_OWNER) == c->owner && c->n++ == 0) c->first = w;
        return TRUE;
    }
    int Owned(HWND* pFirst)
    {
        OwnedCtx ctx = { parent, 0, nullptr };
        EnumWindows(CountOwned, reinterpret_cast<LPARAM>(&ctx));
        *pFirst = ctx.first;
        return ctx.n;
    }
    // The colour the screen shows at a point of the window, once painted;
    // the window is moved on top into a corner that other tests' centred
    // windows leave free.
    static COLORREF PixelAt(HWND w, int x, int y)
    {
        RECT r0;
        GetWindowRect(w, &r0);
        SetWindowPos(w, HWND_TOPMOST, GetSystemMetrics(SM_CXSCREEN) - (r0.right - r0.left),
                     GetSystemMetrics(SM_CYSCREEN) - (r0.bottom - r0.top), 0, 0, SWP_NOSIZE);
        UpdateWindow(w);
        Pump();
        RECT rc;
        GetWindowRect(w, &rc);
        HDC dc = GetDC(nullptr);
        COLORREF c = GetPixel(dc, rc.left + x, rc.top + y);
        ReleaseDC(nullptr, dc);
        return c;
    }
};

TEST_F(DownloadWindow, OwnBackgroundShapeProgressAndCancel)
{
    HWND w = nullptr;
    EXPECT_EQ(DLWND_Create(GetModuleHandleA(nullptr), parent, 1000), 1);
    EXPECT_EQ(DLWND_Create(GetModuleHandleA(nullptr), parent, 1000), 1);   // still one window
    EXPECT_EQ(Owned(&w), 1);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(DLWND_IsExist());
    EXPECT_TRUE(IsWindowVisible(w));
    RECT rc;
    GetWindowRect(w, &rc);
    EXPECT_EQ(rc.right - rc.left, 340);   // the size of its own background
    EXPECT_EQ(rc.bottom - rc.top, 108);
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(w, rgn), ERROR);   // shaped: the corners are cut away
    EXPECT_FALSE(PtInRegion(rgn, 0, 0));
    EXPECT_TRUE(PtInRegion(rgn, 170, 54));
    DeleteObject(rgn);

    DLWND_SetMax(1000, 290);
    Pump();
    EXPECT_EQ(DLWND_GetPercent(), 29);
    HWND bar = GetDlgItem(w, IDC_DLWND_PROGRESS);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 290);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 1000);

    SendDlgItemMessageA(w, IDC_DLWND_CANCEL, BM_CLICK, 0, 0);
    MSG m;
    EXPECT_TRUE(PeekMessageA(&m, parent, WM_USER + 5, WM_USER + 5, PM_REMOVE));
    EXPECT_TRUE(DLWND_IsExist());   // the request queue decides; the window stays

    EXPECT_EQ(DLWND_Destroy(), 1);
    EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(DLWND_IsExist());
}

TEST_F(DownloadWindow, SkinBackgroundWhenTheSkinIsHandedIn)
{
    // Without the skin the title strip is the window's own colour; with it,
    // the skin's download picture.
    HWND w = nullptr;
    DLWND_Create(GetModuleHandleA(nullptr), parent, 100);
    ASSERT_EQ(Owned(&w), 1);
    COLORREF own = PixelAt(w, 60, 10);
    EXPECT_EQ(own, RGB(40, 180, 200));   // cyan
    DLWND_Destroy();

    ASSERT_EQ(LoadSkin(&skin, SKIN_DIR "/skin.bin", parent), 1);
    DLWND_SetSkin(&skin);
    DLWND_Create(GetModuleHandleA(nullptr), parent, 100);
    ASSERT_EQ(Owned(&w), 1);
    RECT rc;
    GetWindowRect(w, &rc);
    int r[4];
    ASSERT_TRUE(SCSKIN_GetImageRect(r, &skin, 75));
    EXPECT_EQ(rc.right - rc.left, r[2] - r[0]);
    EXPECT_EQ(rc.bottom - rc.top, r[3] - r[1]);
    EXPECT_EQ(PixelAt(w, 60, 10), RGB(40, 60, 110));   // the skin's strip
}

TEST_F(DownloadWindow, OwnerTakingItDownLeavesNoStaleWindow)
{
    DLWND_Create(GetModuleHandleA(nullptr), parent, 10);
    ASSERT_TRUE(DLWND_IsExist());
    DestroyWindow(parent);
    parent = nullptr;
    EXPECT_FALSE(DLWND_IsExist());
}

// The notice window: a text shows it, ten ticks of its one-second timer
// hide it, a second text shows it again and starts the count anew; its owner
// taking it down leaves no handle behind for a later text or the shutdown.
TEST_F(DownloadWindow, TheNoticeWindowHidesTenTicksAfterItsLastTextAndGoesWithItsOwner)
{
    auto pumpFor = [](DWORD ms) {
        for (DWORD t0 = GetTickCount(); GetTickCount() - t0 < ms;) Pump();
    };
    ASSERT_EQ(DECWND_Create(GetModuleHandleA(nullptr), parent), 1);
    ASSERT_TRUE(DECWND_IsExist());
    HWND w = nullptr;
    ASSERT_EQ(Owned(&w), 1);
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_EQ(DECWND_SetText("first"), 1);
    char text[64] = "";
    GetDlgItemTextA(w, 1012, text, sizeof(text));
    EXPECT_STREQ(text, "first");
    EXPECT_TRUE(IsWindowVisible(w));
    pumpFor(6000);
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_EQ(DECWND_SetText("second"), 1);
    pumpFor(6000);   // twelve seconds after the first text
    EXPECT_TRUE(IsWindowVisible(w)) << "the second text did not start the count anew";
    pumpFor(5500);
    EXPECT_FALSE(IsWindowVisible(w)) << "still shown ten ticks after the last text";

    DestroyWindow(parent);
    parent = nullptr;
    EXPECT_FALSE(DECWND_IsExist());
    EXPECT_EQ(DECWND_SetText("late"), 0) << "a text went to the dead window";
    EXPECT_EQ(DECWND_Destroy(), 1);
}

}  // namespace

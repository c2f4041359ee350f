// The settings dialog and the please-wait dialog in this process, from the
// launcher's own templates: what the settings dialog shows for the values
// of appset.bin, what OK writes and CANCEL leaves, that it opens only once;
// where the please-wait box stands and that it goes away.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "applisetting.h"
#include "msgwnd.h"
#include "sccmn.h"
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

}  // namespace

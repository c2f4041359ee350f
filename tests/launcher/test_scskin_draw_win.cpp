// The skinned drawing into a 24-bit picture: the main background, the
// buttons by state and hover, the download window's background, the item
// heights. Colours are those mkart.pl gives the skin's palette entries.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "log.h"
#include "sccmn.h"
#include "sclayout.h"
#include "scskin.h"
#include "testdir.h"

// The launcher's folders, which the request queue linked with the shared
// screen state asks for; no request runs here.
const char* HANTIV_GetAppPath(void) { return ""; }
const char* HANTIV_GetUserPath(void) { return ""; }

namespace {

const COLORREF kStrip = RGB(40, 60, 110), kWhite = RGB(255, 255, 255), kCyan = RGB(40, 180, 200),
               kFrame = RGB(24, 40, 80), kYellow = RGB(250, 210, 40), kRed = RGB(220, 40, 40),
               kHover = RGB(90, 150, 230), kPressed = RGB(30, 70, 140), kDisabled = RGB(150, 160, 175),
               kPanel = RGB(230, 236, 245);

// A w x h, 24-bit picture to draw into.
struct Picture {
    HDC hdc = nullptr;
    HBITMAP hBmp = nullptr;
    HGDIOBJ hOld = nullptr;
    Picture(int w, int h)
    {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 24;
        void* bits = nullptr;
        hdc = CreateCompatibleDC(nullptr);
        hBmp = CreateDIBSection(hdc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        hOld = SelectObject(hdc, hBmp);
        PatBlt(hdc, 0, 0, w, h, BLACKNESS);
    }
    ~Picture()
    {
        SelectObject(hdc, hOld);
        DeleteObject(hBmp);
        DeleteDC(hdc);
    }
    COLORREF at(int x, int y) const { return GetPixel(hdc, x, y); }
};

std::string Hex(COLORREF c)
{
    char s[16];
    wsprintfA(s, "#%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    return s;
}

struct Draw : ::testing::Test {
    TestDir dir;
    HWND hMain = nullptr;
    LIST skin, lcs;
    void SetUp() override
    {
        LOG_Close();
        hMain = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 640, 300, nullptr, nullptr, nullptr,
                                nullptr);
        ASSERT_NE(hMain, nullptr);
        SCCMN_SetMainWnd(hMain);
        LIST_Init(&skin);
        LIST_Init(&lcs);
        ASSERT_EQ(LoadSkin(&skin, (std::string(SKIN_DIR) + "/skin.bin").c_str(), hMain), 1);
        ASSERT_EQ(SCLAYOUT_Load(&lcs, (std::string(SKIN_DIR) + "/lcs.bin").c_str()), 1);
    }
    void TearDown() override
    {
        SCSKIN_FreeImage(&skin);
        LIST_Free(&lcs);
        DestroyWindow(hMain);
    }
    // Button nId drawn as WM_DRAWITEM asks, in the item state.
    COLORREF Button(int nId, UINT uState, int x, int y)
    {
        Picture p(24, 22);
        DRAWITEMSTRUCT dis = {};
        dis.CtlType = ODT_BUTTON;
        dis.CtlID = nId;
        dis.itemState = uState;
        dis.hDC = p.hdc;
        SetRect(&dis.rcItem, 0, 0, 24, 22);
        EXPECT_EQ(SCSKIN_Proc_Draw(hMain, nId, reinterpret_cast<LPARAM>(&dis), &skin, nullptr, &lcs, nullptr,
                                   nullptr), TRUE);
        return p.at(x, y);
    }
};

TEST_F(Draw, TheMainBackgroundIsTheSkinsPicture)
{
    Picture p(640, 300);
    ASSERT_EQ(SCCMN_DrawBg(p.hdc, &skin), 1);
    struct Probe { int x, y; COLORREF c; const char* what; };
    const Probe probes[] = {
        { 300, 10, kStrip, "title strip" }, { 300, 25, kWhite, "line under the strip" },
        { 30, 6, kYellow, "logo" }, { 10, 100, kCyan, "list frame" }, { 300, 150, kFrame, "behind the list" },
    };
    for (const auto& pr : probes) EXPECT_EQ(Hex(p.at(pr.x, pr.y)), Hex(pr.c)) << pr.what;
    LIST empty;
    LIST_Init(&empty);
    EXPECT_EQ(SCCMN_DrawBg(p.hdc, &empty), 0);
}

TEST_F(Draw, ButtonsShowTheirStateOverTheBackground)
{
    Picture bg(640, 300);
    SCCMN_DrawBg(bg.hdc, &skin);
    // The close button (type 3) at 604, 30: red face, its corner the background.
    EXPECT_EQ(Hex(Button(3, 0, 2, 11)), Hex(kRed));
    EXPECT_EQ(Hex(Button(3, ODS_SELECTED, 2, 11)), Hex(kPressed));
    EXPECT_EQ(Hex(Button(3, ODS_DISABLED | ODS_SELECTED, 2, 11)), Hex(kDisabled));
    EXPECT_EQ(Hex(Button(3, 0, 0, 0)), Hex(bg.at(604, 30))) << "the mask keeps the background in the corner";
    EXPECT_EQ(Hex(Button(3, 0, 23, 21)), Hex(bg.at(627, 51)));
    // Ids that are no button draw nothing.
    EXPECT_EQ(Hex(Button(2, 0, 2, 11)), Hex(RGB(0, 0, 0)));
    EXPECT_EQ(Hex(Button(68, 0, 2, 11)), Hex(RGB(0, 0, 0)));
}

TEST_F(Draw, TheButtonUnderTheCursorIsDrawnHovered)
{
    // Two buttons on one place: of the order 1, 47, 3, 55, 67, 46 the later wins.
    HWND hUpdate = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 604, 30, 24, 22, hMain,
                                   reinterpret_cast<HMENU>(1), nullptr, nullptr);
    HWND hClose = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 604, 30, 24, 22, hMain,
                                  reinterpret_cast<HMENU>(3), nullptr, nullptr);
    ASSERT_TRUE(hUpdate != nullptr && hClose != nullptr);
    POINT pt = { 610, 40 };
    ClientToScreen(hMain, &pt);
    if (!SetCursorPos(pt.x, pt.y)) GTEST_SKIP() << "no cursor to move on this display";
    POINT now;
    GetCursorPos(&now);
    if (now.x != pt.x || now.y != pt.y) GTEST_SKIP() << "the cursor did not move";
    SCSKIN_TrackCursor();
    EXPECT_EQ(SCSKIN_GetHoverButton(), 3);
    EXPECT_EQ(Hex(Button(3, 0, 2, 11)), Hex(kHover));
    EXPECT_EQ(Hex(Button(1, 0, 2, 11)), Hex(RGB(60, 110, 190))) << "the update button is not the hovered one";

    pt = { 300, 200 };
    ClientToScreen(hMain, &pt);
    SetCursorPos(pt.x, pt.y);
    SCSKIN_TrackCursor();
    EXPECT_EQ(SCSKIN_GetHoverButton(), 76);
    EXPECT_EQ(Hex(Button(3, 0, 2, 11)), Hex(kRed));
}

TEST_F(Draw, TheDownloadWindowsBackgroundAndItsText)
{
    Picture p(340, 108);
    EXPECT_EQ(SCCMN_DrawBg_DownloadDlg(p.hdc, &skin, "ABC", 100, 50), 1);
    EXPECT_EQ(Hex(p.at(0, 0)), Hex(kCyan));
    EXPECT_EQ(Hex(p.at(200, 90)), Hex(kPanel));
    LIST empty;
    LIST_Init(&empty);
    EXPECT_EQ(SCCMN_DrawBg_DownloadDlg(p.hdc, &empty, "ABC", 100, 50), 0);
    LOG_Close();
    EXPECT_NE(Inverted(ReadAll(dir.file("tiv_launcher.log"))).find("SCCMN_DrawBg_DownloadDlg::err::getdata\n"),
              std::string::npos);
}

TEST_F(Draw, ItemHeightsOfTheListAndTheSelector)
{
    struct Case { int id; LIST* lcs; UINT want; };
    LIST empty;
    LIST_Init(&empty);
    const Case cases[] = { { 8, &lcs, 25 }, { 10, &lcs, 16 }, { 3, &lcs, 99 }, { 8, &empty, 99 } };
    for (const auto& c : cases) {
        MEASUREITEMSTRUCT mis = {};
        mis.CtlID = c.id;
        mis.itemHeight = 99;
        EXPECT_EQ(SCSKIN_Proc_MeasureItem(hMain, c.id, reinterpret_cast<LPARAM>(&mis), c.lcs), TRUE);
        EXPECT_EQ(mis.itemHeight, c.want) << c.id;
    }
}

}  // namespace

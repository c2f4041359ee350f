// The main screen's controls in the test process, on a window of the test's
// own: which controls the skin makes, the sort panel's clicks, the list's
// wheel and its refill. The launcher itself is driven in test_launcher_win.cpp.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "hantiv.h"
#include "log.h"
#include "sccmn.h"
#include "sccmn_row.h"
#include "scctrl.h"
#include "sclayout.h"
#include "scskin.h"
#include "testdir.h"

namespace {

LIST g_skin, g_lcm, g_lcd;
HWND g_hMain = nullptr;

HWND GetMain(void) { return g_hMain; }
HINSTANCE GetInst(void) { return GetModuleHandleA(nullptr); }
LIST* GetSkin(void) { return &g_skin; }
LIST* GetLcm(void) { return &g_lcm; }
LIST* GetLcd(void) { return &g_lcd; }
const char* GetApp(void) { return ""; }
const ScctrlHostIf kHost = { GetMain, GetInst, GetSkin, GetLcm, GetLcd, GetApp };

// The owner-drawn list asks its parent for item heights.
LRESULT CALLBACK MainProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_MEASUREITEM) {
        reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 20;
        return TRUE;
    }
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

// A skin record without pictures: only its type and rectangle.
LiIf* Record(int type, int x, int y, int w, int h)
{
    LiIf* p = static_cast<LiIf*>(std::calloc(1, sizeof(LiIf)));
    p->imgType = type;
    p->x = x;
    p->y = y;
    p->w = w;
    p->h = h;
    return p;
}

std::string ClassOf(HWND h)
{
    char s[64] = "";
    GetClassNameA(h, s, sizeof(s));
    return s;
}

struct Ctrl : ::testing::Test {
    TestDir dir;
    void SetUp() override
    {
        LOG_Close();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = MainProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ScctrlTestMain";
        RegisterClassA(&wc);
        g_hMain = CreateWindowExA(0, "ScctrlTestMain", "", WS_POPUP | WS_VISIBLE, 0, 0, 640, 300, nullptr, nullptr,
                                  wc.hInstance, nullptr);
        ASSERT_NE(g_hMain, nullptr);
        LIST_Init(&g_skin);
        LIST_Init(&g_lcm);
        LIST_Init(&g_lcd);
        ASSERT_EQ(SCLAYOUT_Load(&g_lcm, (std::string(SKIN_DIR) + "/lcm.bin").c_str()), 1);
        SCCTRL_SetHost(&kHost);
    }
    void TearDown() override
    {
        SCCTRL_Fini();
        DestroyWindow(g_hMain);
        g_hMain = nullptr;
        if (LIST_GetCnt(&g_skin) > 0) SCSKIN_FreeImage(&g_skin);
        LIST_Free(&g_lcm);
        LIST_Free(&g_lcd);
    }
    HWND Panel() { return FindWindowExA(g_hMain, nullptr, "OC", nullptr); }
    // The sort buttons the panel posted since the last call.
    std::vector<int> Posted()
    {
        std::vector<int> v;
        MSG msg;
        while (PeekMessageA(&msg, g_hMain, WMU_SORTBUTTON, WMU_SORTBUTTON, PM_REMOVE)) v.push_back((int)msg.lParam);
        return v;
    }
};

TEST_F(Ctrl, TheSkinMakesItsControls)
{
    ASSERT_EQ(LoadSkin(&g_skin, (std::string(SKIN_DIR) + "/skin.bin").c_str(), g_hMain), 1);
    ASSERT_EQ(SCCTRL_CreateControls(&g_skin, g_hMain, GetModuleHandleA(nullptr)), 1);
    struct Case { int type; const char* cls; bool visible; };
    const Case cases[] = {
        { 1, "Button", true }, { 3, "Button", true }, { 46, "Button", true }, { 47, "Button", true },
        { 55, "Button", true }, { 67, "Button", true }, { 8, "ListBox", true }, { 10, "ComboBox", false },
        { 52, "OC", true },
    };
    for (const Case& c : cases) {
        HWND h = SCCTRL_GetCtrl(c.type);
        ASSERT_NE(h, nullptr) << c.type;
        EXPECT_EQ(ClassOf(h), c.cls) << c.type;
        EXPECT_EQ(IsWindowVisible(h) != FALSE, c.visible) << c.type;
        EXPECT_EQ(GetParent(h), g_hMain) << c.type;
        // Where the skin puts it.
        const LiIf* p = SCSKIN_Lookup(&g_skin, c.type);
        RECT rc;
        GetWindowRect(h, &rc);
        MapWindowPoints(nullptr, g_hMain, reinterpret_cast<POINT*>(&rc), 2);
        if (c.type != 10) {   // a combo box sizes itself
            EXPECT_EQ(rc.left, p->x) << c.type;
            EXPECT_EQ(rc.top, p->y) << c.type;
            EXPECT_EQ(rc.right - rc.left, p->w) << c.type;
            EXPECT_EQ(rc.bottom - rc.top, p->h) << c.type;
        }
        if (c.type != 52) {
            EXPECT_EQ(GetDlgCtrlID(h), c.type);
        }
    }
    // Without a hosting layer the web panes stay blank and start-up goes on;
    // with one, each pane is a host window at its place.
    WNDCLASSA wcHost;
    bool bHost = GetClassInfoA(GetModuleHandleA(nullptr), "AtlAxWin71", &wcHost) != FALSE;
    EXPECT_EQ(SCCTRL_GetCtrl(49) != nullptr, bHost);
    EXPECT_EQ(SCCTRL_GetCtrl(50) != nullptr, bHost);
    EXPECT_EQ(SCCTRL_GetCtrl(76), nullptr);
    EXPECT_EQ(SCCTRL_GetCtrl(-1), nullptr);
    EXPECT_EQ(SCCTRL_ShowCtrl(49, SW_SHOW), bHost ? 1 : 0);
    EXPECT_EQ(SCCTRL_ShowCtrl(10, SW_SHOW), 1);
    EXPECT_TRUE(IsWindowVisible(SCCTRL_GetCtrl(10)));
    EXPECT_EQ(SCCTRL_SelectContents(1, nullptr), 0);
    // The panel's items, from lcm.bin in their fixed order.
    std::vector<int> types;
    LIST* pItems = SCCTRL_GetPanelItems();
    for (int i = 0; i < LIST_GetCnt(pItems); i++) types.push_back(static_cast<SortPanelItem*>(LIST_GetAt(pItems, i))->type);
    EXPECT_EQ(types, (std::vector<int>{ 3, 18, 19, 31, 32, 33, 26, 27 }));
}

TEST_F(Ctrl, PanelClicksAlternateAndHitBothEdges)
{
    LIST_Add(&g_skin, Record(52, 12, 56, 600, 20));
    ASSERT_EQ(SCCTRL_CreateControls(&g_skin, g_hMain, GetModuleHandleA(nullptr)), 1);
    HWND hPanel = Panel();
    ASSERT_NE(hPanel, nullptr);
    auto click = [&](int x, int y) { SendMessageA(hPanel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); };
    // lcm.bin: TITLE_SORT_UP 262,2,14,16; TITLE_SORT_DOWN 278,2,14,16;
    // SALEDAY_SORT_UP 564,2,14,16; SALEDAY_SORT_DOWN 580,2,14,16; BG 0,0,600,20.
    struct Case { const char* what; int x, y; std::vector<int> posted; };
    const Case cases[] = {
        { "title up, first click", 262, 2, { 18 } },
        { "title up, right and bottom edge", 276, 18, { 19 } },
        { "title up, third click", 269, 10, { 18 } },
        { "title down is its own order", 278, 2, { 19 } },
        { "sale day up", 564, 2, { 26 } },
        { "sale day up again", 578, 18, { 27 } },
        { "between the items: the BG only", 277, 10, {} },
        { "BG only", 100, 10, {} },
        { "below every item", 269, 19, {} },
    };
    for (const Case& c : cases) {
        click(c.x, c.y);
        EXPECT_EQ(Posted(), c.posted) << c.what;
    }
    // A damaged lcm.bin item whose far edge lies past the 32-bit range
    // covers nothing (a wrapped sum would cover the whole panel).
    LayoutIf bad = { 19, INT_MIN, INT_MIN, -10, -10 };
    SCCTRL_AddPanelItem(&bad, "");
    click(5, 5);
    EXPECT_EQ(Posted(), std::vector<int>{});
}

TEST_F(Ctrl, TheLaterRecordOfATypeWinsAndNoPanelWithoutItsImage)
{
    LIST_Add(&g_skin, Record(1, 10, 10, 50, 20));
    LIST_Add(&g_skin, Record(1, 100, 10, 60, 20));
    LIST_Add(&g_skin, Record(53, 0, 0, 14, 16));   // drawn only: no control
    ASSERT_EQ(SCCTRL_CreateControls(&g_skin, g_hMain, GetModuleHandleA(nullptr)), 1);
    HWND h = SCCTRL_GetCtrl(1);
    ASSERT_NE(h, nullptr);
    RECT rc;
    GetWindowRect(h, &rc);
    EXPECT_EQ(rc.right - rc.left, 60);
    int nButtons = 0;
    for (HWND c = FindWindowExA(g_hMain, nullptr, "Button", nullptr); c; c = FindWindowExA(g_hMain, c, "Button", nullptr))
        nButtons++;
    EXPECT_EQ(nButtons, 2) << "the earlier window stays";
    EXPECT_EQ(Panel(), nullptr);
    EXPECT_EQ(SCCTRL_GetCtrl(53), nullptr);
    EXPECT_EQ(SCCTRL_TrackCursor(), 1);
    EXPECT_EQ(SCCTRL_GetHoverType(), eSCLD_IDTYPE_MAX);
    // Nothing to make controls from.
    LIST empty;
    LIST_Init(&empty);
    EXPECT_EQ(SCCTRL_CreateControls(&empty, g_hMain, nullptr), 0);
    EXPECT_EQ(SCCTRL_CreateControls(&g_skin, nullptr, nullptr), 0);
}

TEST_F(Ctrl, TheWheelScrollsOneLineEitherWay)
{
    LIST_Add(&g_skin, Record(8, 0, 0, 300, 100));
    ASSERT_EQ(SCCTRL_CreateControls(&g_skin, g_hMain, GetModuleHandleA(nullptr)), 1);
    HWND hList = SCCTRL_GetCtrl(8);
    ASSERT_NE(hList, nullptr);
    static char dummy[30];
    for (int i = 0; i < 30; i++) SendMessageA(hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(&dummy[i]));
    SendMessageA(hList, LB_SETTOPINDEX, 5, 0);
    ASSERT_EQ(SendMessageA(hList, LB_GETTOPINDEX, 0, 0), 5);
    struct Case { short delta; int top; };
    const Case cases[] = { { 120, 4 }, { -120, 5 }, { 0, 6 }, { -480, 7 }, { 960, 6 } };
    for (const Case& c : cases) {
        SendMessageA(hList, WM_MOUSEWHEEL, MAKEWPARAM(0, c.delta), MAKELPARAM(10, 10));
        EXPECT_EQ(SendMessageA(hList, LB_GETTOPINDEX, 0, 0), c.top) << c.delta;
    }
    // A scroll-bar line goes through the flicker-free path and still moves.
    SendMessageA(hList, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(SendMessageA(hList, LB_GETTOPINDEX, 0, 0), 7);
}

TEST_F(Ctrl, TheSelectedRowComesBackAsTallAsItsLayout)
{
    LIST_Add(&g_skin, Record(8, 0, 0, 600, 250));
    ASSERT_EQ(SCCTRL_CreateControls(&g_skin, g_hMain, GetModuleHandleA(nullptr)), 1);
    HWND hList = SCCTRL_GetCtrl(8);
    LIST rows;
    LIST_Init(&rows);
    for (int i = 0; i < 4; i++) {
        ClSIf* r = static_cast<ClSIf*>(std::calloc(1, sizeof(ClSIf)));
        r->nSeqId = 10 + i;
        LIST_Add(&rows, r);
    }
    auto pump = [] { MSG m; while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m); };
    // An expanded row of 90 pixels in this skin's lcd.bin.
    LIST lcd;
    LIST_Init(&lcd);
    SCLAYOUT_Parse(&lcd, "BG\r\n0,0,600,90\r\nTITLE\r\n1,1,10,10\r\n");
    ASSERT_EQ(SCCTRL_SelectRows(hList, &rows, 12, &lcd), 1);
    pump();
    ASSERT_EQ(SendMessageA(hList, LB_GETCOUNT, 0, 0), 4);
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(SendMessageA(hList, LB_GETITEMDATA, i, 0),
                  reinterpret_cast<LRESULT>(static_cast<ClSIf*>(LIST_GetAt(&rows, i))->strTitle)) << i;
    }
    EXPECT_EQ(SendMessageA(hList, LB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(SendMessageA(hList, LB_GETITEMHEIGHT, 2, 0), 90);
    EXPECT_EQ(SendMessageA(hList, LB_GETITEMHEIGHT, 1, 0), 20);
    // Without an expanded layout: 125. Nothing selected: no row grows.
    ASSERT_EQ(SCCTRL_SelectRows(hList, &rows, 13, nullptr), 1);
    pump();
    EXPECT_EQ(SendMessageA(hList, LB_GETCURSEL, 0, 0), 3);
    EXPECT_EQ(SendMessageA(hList, LB_GETITEMHEIGHT, 3, 0), 125);
    ASSERT_EQ(SCCTRL_SelectRows(hList, &rows, -1, &lcd), 1);
    pump();
    EXPECT_EQ(SendMessageA(hList, LB_GETCURSEL, 0, 0), LB_ERR);
    for (int i = 0; i < 4; i++) EXPECT_EQ(SendMessageA(hList, LB_GETITEMHEIGHT, i, 0), 20) << i;
    // The program's path: the selected row of the catalogue list (none here).
    ASSERT_EQ(SCCTRL_SelectContents(8, &rows), 1);
    EXPECT_EQ(SendMessageA(hList, LB_GETCOUNT, 0, 0), 4);
    LIST_Free(&lcd);
    LIST_Free(&rows);
}

}  // namespace

namespace {

// The panel paints its sort buttons from images 53 and 54, hovered or not.
TEST_F(Ctrl, HoverFollowsTheCursorAndThePanelPaintsItsButtons)
{
    ASSERT_EQ(LoadSkin(&g_skin, (std::string(SKIN_DIR) + "/skin.bin").c_str(), g_hMain), 1);
    ASSERT_EQ(SCCTRL_CreateControls(&g_skin, g_hMain, GetModuleHandleA(nullptr)), 1);
    HWND hPanel = Panel();
    ASSERT_NE(hPanel, nullptr);
    // Two sort buttons that the main screen's panel lacks: 20 from image
    // 53, 21 from image 54.
    LayoutIf up = { 20, 100, 2, 14, 16 }, down = { 21, 120, 2, 14, 16 };
    SCCTRL_AddPanelItem(&up, "");
    SCCTRL_AddPanelItem(&down, "");
    HFONT hFont = CreateFontA(12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    SCCMN_SetFont(hFont);
    RECT rc;
    GetWindowRect(hPanel, &rc);
    struct Case { int x, y, hover; };
    // Both edges belong to an item; BG and outside are no hover.
    const Case cases[] = { { 262, 2, 18 }, { 276, 18, 18 }, { 277, 10, 34 }, { 100, 2, 20 }, { 5, 5, 34 },
                           { 580 + 14, 2 + 16, 27 }, { -30, -30, 34 } };
    for (const Case& c : cases) {
        SetCursorPos(rc.left + c.x, rc.top + c.y);
        EXPECT_EQ(SCCTRL_TrackCursor(), 1);
        EXPECT_EQ(SCCTRL_GetHoverType(), c.hover) << c.x << "," << c.y;
    }
    // Hovering item 20: it shows image 53's hover face, 21 its normal face.
    SetCursorPos(rc.left + 107, rc.top + 10);
    SCCTRL_TrackCursor();
    HDC hdc = GetDC(hPanel);
    COLORREF cUp = GetPixel(hdc, 100 + 7, 2 + 12), cDown = GetPixel(hdc, 120 + 7, 2 + 12),
             cStrip = GetPixel(hdc, 5, 3);
    ReleaseDC(hPanel, hdc);
    EXPECT_EQ(cUp, RGB(90, 150, 230));
    EXPECT_EQ(cDown, RGB(60, 110, 190));
    EXPECT_EQ(cStrip, RGB(40, 60, 110));
    SCCMN_SetFont(nullptr);
    DeleteObject(hFont);
    SetCursorPos(0, 0);
}

// sp.bin with its picture, loaded onto a window of the test's own.
struct Splash : ::testing::Test {
    TestDir dir;
    HWND hWnd = nullptr;
    LIST lst;
    void SetUp() override
    {
        LOG_Close();
        hWnd = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 640, 300, nullptr, nullptr, nullptr,
                               nullptr);
        ASSERT_NE(hWnd, nullptr);
        LIST_Init(&lst);
        WriteAll(dir.file("splash.bmp"), ReadAll(std::string(SKIN_DIR) + "/splash.bmp"));
    }
    void TearDown() override
    {
        if (LIST_GetCnt(&lst) > 0) SCSPLASH_Fini(&lst);
        DestroyWindow(hWnd);
    }
    void Load(const std::string& plain)
    {
        WriteAll(dir.file("sp.bin"), Inverted(plain));
        EXPECT_EQ(SCSPLASH_Load(&lst, dir.file("sp.bin").c_str(), hWnd), 1);
    }
    RECT Rect()
    {
        RECT rc;
        GetWindowRect(hWnd, &rc);
        return rc;
    }
    const SplashItem* Item(int i) { return static_cast<const SplashItem*>(LIST_GetAt(&lst, i)); }
};

TEST_F(Splash, TheProjectsFileCentresTheWindowAndDrawsItsPicture)
{
    WriteAll(dir.file("sp.bin"), ReadAll(std::string(SKIN_DIR) + "/sp.bin"));
    ASSERT_EQ(SCSPLASH_Load(&lst, dir.file("sp.bin").c_str(), hWnd), 1);
    ASSERT_EQ(LIST_GetCnt(&lst), 1);
    EXPECT_EQ(Item(0)->bLoaded, 1);
    RECT rc = Rect();
    EXPECT_EQ(rc.right - rc.left, 400);
    EXPECT_EQ(rc.bottom - rc.top, 240);
    EXPECT_EQ(rc.left, static_cast<int>(GetSystemMetrics(SM_CXSCREEN) / 2.0 - 200.0));
    EXPECT_EQ(rc.top, static_cast<int>(GetSystemMetrics(SM_CYSCREEN) / 2.0 - 120.0));
    HDC hdc = GetDC(hWnd);
    EXPECT_EQ(SCCMN_DrawBg2(hdc, &lst), 1);
    EXPECT_EQ(GetPixel(hdc, 370, 210), RGB(220, 40, 40));
    ReleaseDC(hWnd, hdc);
    EXPECT_EQ(SCSPLASH_Fini(&lst), 1);
    EXPECT_EQ(LIST_GetCnt(&lst), 0);
    EXPECT_EQ(SCSPLASH_Fini(&lst), 0) << "an empty list is left alone";
    EXPECT_EQ(SCCMN_DrawBg2(nullptr, &lst), 0);
}

TEST_F(Splash, TwoItemsTheLastSizeStaysTheFirstPictureIsShown)
{
    // The second picture is no 8-bit bitmap: its record stays empty.
    WriteAll(dir.file("plain.bmp"), "BM not a picture");
    Load("[bg]\r\nsplash.bmp\r\n400,240\r\n[bg]\r\nplain.bmp\r\n300,200\r\n");
    ASSERT_EQ(LIST_GetCnt(&lst), 2);
    EXPECT_EQ(Item(0)->bLoaded, 1);
    EXPECT_EQ(Item(1)->bLoaded, 0);
    RECT rc = Rect();
    EXPECT_EQ(rc.right - rc.left, 300);
    EXPECT_EQ(rc.bottom - rc.top, 200);
    HDC hdc = GetDC(hWnd);
    EXPECT_EQ(SCCMN_DrawBg2(hdc, &lst), 1);
    EXPECT_EQ(GetPixel(hdc, 200, 10), RGB(24, 40, 80));
    ReleaseDC(hWnd, hdc);
}

TEST_F(Splash, DamagedFilesLeaveTheWindowAsItWas)
{
    struct Case { const char* what; const char* plain; int items; };
    const Case cases[] = {
        { "missing picture stops, items before stay", "[bg]\r\nsplash.bmp\r\n50,60\r\n[bg]\r\nnone.bmp\r\n70,80\r\n", 1 },
        { "empty width", "[bg]\r\nsplash.bmp\r\n,240\r\n", 0 },
        { "no size of any window", "[bg]\r\nsplash.bmp\r\n0,0\r\n", 0 },
        { "no final CR LF", "[bg]\r\nsplash.bmp\r\n400,240", 0 },
    };
    for (const Case& c : cases) {
        SetWindowPos(hWnd, nullptr, 0, 0, 640, 300, SWP_NOZORDER);
        Load(c.plain);
        EXPECT_EQ(LIST_GetCnt(&lst), c.items) << c.what;
        RECT rc = Rect();
        EXPECT_EQ(rc.right - rc.left, c.items ? 50 : 640) << c.what;
        if (LIST_GetCnt(&lst) > 0) SCSPLASH_Fini(&lst);
    }
    // No sp.bin at all.
    SetWindowPos(hWnd, nullptr, 0, 0, 640, 300, SWP_NOZORDER);
    EXPECT_EQ(SCSPLASH_Load(&lst, dir.file("none.bin").c_str(), hWnd), 1);
    EXPECT_EQ(LIST_GetCnt(&lst), 0);
    EXPECT_EQ(Rect().right - Rect().left, 640);
    HDC hdc = GetDC(hWnd);
    EXPECT_EQ(SCCMN_DrawBg2(hdc, &lst), 0);
    ReleaseDC(hWnd, hdc);
}

}  // namespace

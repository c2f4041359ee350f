// The catalogue list in a window of its own: the program's owner-drawn list
// box of variable height (control 8) filled with rows of a small catalogue, drawn
// with the skin and layouts the build makes. Rows are drawn into a 24-bit
// picture and probed at known places (colours are those mkart.pl gives the
// skin's palette); clicks and hovers go through the real cursor.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bmpm.h"
#include "cmnfile.h"
#include "contentslist.h"
#include "downloadmn.h"
#include "env.h"
#include "hantiv.h"
#include "log.h"
#include "sccmn.h"
#include "sccmn_row.h"
#include "scctrl.h"
#include "sclayout.h"
#include "scskin.h"
#include "testdir.h"
#include "userm.h"

namespace {

const COLORREF kRow = RGB(245, 245, 250), kRowSel = RGB(255, 240, 200), kRowNot = RGB(225, 225, 225),
               kGreen = RGB(40, 170, 70), kOrange = RGB(240, 140, 30), kHover = RGB(90, 150, 230),
               kDisabled = RGB(150, 160, 175), kGlint = RGB(200, 230, 255), kDlFace = RGB(200, 110, 20),
               kCapture = RGB(0, 200, 0), kPlaceholder = RGB(200, 0, 200);

// Where lcd.bin puts the expanded row's items (mkart.pl).
const POINT kPlay = { 440, 30 }, kManual = { 518, 30 }, kCaptureAt = { 4, 29 };

std::string Hex(COLORREF c)
{
    char s[16];
    std::snprintf(s, sizeof(s), "#%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    return s;
}

// An 8-bit bitmap file of one colour.
std::string Bmp8(int w, int h, COLORREF c)
{
    int stride = (w + 3) & ~3;
    std::string pal(1024, '\0');
    pal[0] = static_cast<char>(GetBValue(c));
    pal[1] = static_cast<char>(GetGValue(c));
    pal[2] = static_cast<char>(GetRValue(c));
    BITMAPFILEHEADER fh = {};
    BITMAPINFOHEADER ih = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(ih) + 1024;
    fh.bfSize = fh.bfOffBits + stride * h;
    ih.biSize = sizeof(ih);
    ih.biWidth = w;
    ih.biHeight = h;
    ih.biPlanes = 1;
    ih.biBitCount = 8;
    ih.biClrUsed = 256;
    return std::string(reinterpret_cast<char*>(&fh), sizeof(fh)) + std::string(reinterpret_cast<char*>(&ih), sizeof(ih)) +
           pal + std::string(stride * h, '\0');
}

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
    COLORREF at(POINT p, int dx, int dy) const { return GetPixel(hdc, p.x + dx, p.y + dy); }
    // Pixels of the rectangle that are plainly red.
    int Reds(int x0, int y0, int w, int h) const
    {
        int n = 0;
        for (int y = y0; y < y0 + h; y++)
            for (int x = x0; x < x0 + w; x++) {
                COLORREF c = GetPixel(hdc, x, y);
                if (GetRValue(c) > 180 && GetGValue(c) < 90 && GetBValue(c) < 90) n++;
            }
        return n;
    }
};

LIST g_skin, g_lcs, g_lcd, g_lcm, g_rows;
HWND g_hMain = nullptr;
std::vector<MSG> g_posted;

LRESULT CALLBACK TestWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_DRAWITEM:
        SCSKIN_Proc_Draw(hWnd, wParam, lParam, &g_skin, &g_rows, &g_lcs, &g_lcd, SCCMN_GetFont());
        return TRUE;
    case WM_MEASUREITEM:
        SCSKIN_Proc_MeasureItem(hWnd, wParam, lParam, &g_lcs);
        return TRUE;
    case WM_COMMAND:
        SCSKIN_Proc_Command(hWnd, wParam, lParam, &g_lcs, &g_rows, &g_lcd, hWnd, WMU_CONTENTSBUTTON);
        return 0;
    default:
        return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    }
}

HWND GetMain(void) { return g_hMain; }
HINSTANCE GetInst(void) { return GetModuleHandleA(nullptr); }
LIST* GetSkin(void) { return &g_skin; }
LIST* GetLcm(void) { return &g_lcm; }
const char* GetApp(void) { return SCCMN_GetAppPath(); }
LIST* GetRows(void) { return &g_rows; }
LIST* GetLcs(void) { return &g_lcs; }
LIST* GetLcd(void) { return &g_lcd; }

struct Rec {
    const char* title;
    int type;
    const char* manualPath;
    int typeManual;
    const char* capture;
};

class List : public ::testing::Test {
protected:
    TestDir dir;
    HWND hList = nullptr;
    HFONT hFont = nullptr;

    void SetUp() override
    {
        LOG_Close();
        SCCMN_SetAppPath(dir.path().c_str());
        std::string env = "[IMAGEWEBPAGE]\r\nhttp://127.0.0.1/image/\r\n"
                          "[IMAGE_CONTENTSLIST_CONTENTS_UNDERCONSTRUCT]\r\nunder.bmp\r\n";
        WriteAll(dir.file("env.bin"), Inverted(env));
        ASSERT_EQ(ENV_Load(dir.file("env.bin").c_str()), 1);
        CreateDirectoryA(dir.file("cache").c_str(), nullptr);
        WriteAll(dir.file("cache\\cap1.bmp"), Bmp8(120, 90, kCapture));
        WriteAll(dir.file("cache\\under.bmp"), Bmp8(120, 90, kPlaceholder));
        // What a climbing capture path would reach: a member's store.
        WriteAll(dir.file("REG.DAT"), "the member's store");

        const Rec recs[] = {
            { "GAME1", eCLPD_TYPE_PLAYABLE, "man/m1.pak", eCLPD_TYPE_PLAYABLE, "cap1.bmp" },
            { "GAME2", eCLPD_TYPE_DOWNLOADABLE, "", eCLPD_TYPE_NONE, "..\\REG.DAT" },
            { "GAME3", eCLPD_TYPE_NOTBUY, "", eCLPD_TYPE_NONE, "cap3.bmp" },
        };
        g_pContIf = static_cast<ContIf*>(std::calloc(3, sizeof(ContIf)));
        g_nContCnt = 3;
        LIST_Init(&g_rows);
        for (int i = 0; i < 3; i++) {
            ContIf& c = g_pContIf[i];
            std::snprintf(c.strContentsId, sizeof(c.strContentsId), "P%d", i + 1);
            std::snprintf(c.strProductName, sizeof(c.strProductName), "%s", recs[i].title);
            std::snprintf(c.strDlPathManual, sizeof(c.strDlPathManual), "%s", recs[i].manualPath);
            std::snprintf(c.strGameCapturePath, sizeof(c.strGameCapturePath), "%s", recs[i].capture);
            std::snprintf(c.strVelqaFlag, sizeof(c.strVelqaFlag), "1");
            std::snprintf(c.strVelqaBought, sizeof(c.strVelqaBought), "1");
            c.type = recs[i].type;
            c.typeManual = recs[i].typeManual;
            c.typeVelqa = eCLPD_TYPE_PLAYABLE;
            ClSIf* r = static_cast<ClSIf*>(std::calloc(1, sizeof(ClSIf)));
            r->nSeqId = i;
            std::snprintf(r->strTitle, sizeof(r->strTitle), "%s", recs[i].title);
            std::snprintf(r->strExplan, sizeof(r->strExplan), "WWWWWWWW WWWWWWWW WWWWWWWW WWWWWWWW");
            std::snprintf(r->strRunCnt, sizeof(r->strRunCnt), "0");
            r->nIconState = recs[i].type == eCLPD_TYPE_DOWNLOADABLE ? 3 : 0;
            r->bNotBought = recs[i].type == eCLPD_TYPE_NOTBUY ? 1 : 0;
            LIST_Add(&g_rows, r);
        }

        WNDCLASSA wc = {};
        wc.lpfnWndProc = TestWndProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "TivListTest";
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        RegisterClassA(&wc);
        g_hMain = CreateWindowExA(WS_EX_TOPMOST, "TivListTest", "", WS_POPUP | WS_VISIBLE, 0, 0, 640, 300, nullptr,
                                  nullptr, wc.hInstance, nullptr);
        ASSERT_NE(g_hMain, nullptr);
        SCCMN_SetMainWnd(g_hMain);
        hFont = CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, NONANTIALIASED_QUALITY, 0,
                            "IPAGothic");
        SCCMN_SetFont(hFont);
        LIST_Init(&g_skin);
        LIST_Init(&g_lcs);
        LIST_Init(&g_lcd);
        LIST_Init(&g_lcm);
        ASSERT_EQ(LoadSkin(&g_skin, (std::string(SKIN_DIR) + "/skin.bin").c_str(), g_hMain), 1);
        ASSERT_EQ(SCLAYOUT_Load(&g_lcs, (std::string(SKIN_DIR) + "/lcs.bin").c_str()), 1);
        ASSERT_EQ(SCLAYOUT_Load(&g_lcd, (std::string(SKIN_DIR) + "/lcd.bin").c_str()), 1);
        ASSERT_EQ(SCLAYOUT_Load(&g_lcm, (std::string(SKIN_DIR) + "/lcm.bin").c_str()), 1);
        ASSERT_EQ(SCCACHE_Init(), 1);
        SCCACHE_SetWindow(g_hMain);
        SCCACHE_SetFolder(dir.file("cache\\").c_str());
        ASSERT_EQ(DOWNLOADMN_Init(), 1);

        static const ScctrlHostIf ctrl = { GetMain, GetInst, GetSkin, GetLcm, GetLcd, GetApp };
        SCCTRL_SetHost(&ctrl);
        static const ScskinHostIf host = { GetRows, GetLcs, GetLcd, GetMain };
        SCSKIN_SetHost(&host);
        SCSKIN_ResetHover();
        SCCMN_SetHoverId(eSCLD_IDTYPE_MAX);
        for (int i = 0; i < 5; i++) SCCMN_SetButtonEnable(i, 1);

        // The program's own controls: the catalogue list is control 8.
        ASSERT_EQ(SCCTRL_CreateControls(&g_skin, g_hMain, wc.hInstance), 1);
        hList = SCCTRL_GetCtrl(eCD_IMGTYPE_LST_CONTENTS);
        ASSERT_NE(hList, nullptr);
        SCCTRL_SelectContents(eCD_IMGTYPE_LST_CONTENTS, &g_rows);
        Pump();
        g_posted.clear();
    }
    void TearDown() override
    {
        SCCTRL_Fini();
        if (IsWindow(g_hMain)) DestroyWindow(g_hMain);
        g_hMain = nullptr;
        DOWNLOADMN_Term();
        SCCACHE_Fini();
        SCCACHE_SetFolder(nullptr);
        SCSKIN_FreeImage(&g_skin);
        LIST_Free(&g_lcs);
        LIST_Free(&g_lcd);
        LIST_Free(&g_lcm);
        LIST_Free(&g_rows);
        DeleteObject(hFont);
        SCCMN_SetFont(nullptr);
        std::free(g_pContIf);
        g_pContIf = nullptr;
        g_nContCnt = 0;
        ENV_Free();
        SCSKIN_ResetHover();
    }

    // Runs what is queued; keeps the messages posted for the main window.
    static void Pump()
    {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.hwnd == g_hMain && m.message >= WM_USER) {
                g_posted.push_back(m);
                continue;
            }
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    std::string Posted()
    {
        Pump();
        std::string s;
        for (const MSG& m : g_posted) {
            char b[64];
            std::snprintf(b, sizeof(b), "%s%u:%d:%d", s.empty() ? "" : " ", m.message - WM_USER,
                          static_cast<int>(m.wParam), static_cast<int>(m.lParam));
            s += b;
        }
        g_posted.clear();
        return s;
    }
    // The member picks a row (or the expanded one again, elsewhere).
    void Pick(int nRow)
    {
        SendMessageA(hList, LB_SETCURSEL, static_cast<WPARAM>(nRow), 0);
        SendMessageA(g_hMain, WM_COMMAND, MAKEWPARAM(eCD_IMGTYPE_LST_CONTENTS, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(hList));
    }
    // The cursor on a point of a row (row coordinates), the rows above it in
    // their current heights.
    void CursorOnRow(int nRow, int x, int y)
    {
        int top = 0;
        for (int i = 0; i < nRow; i++) top += static_cast<int>(SendMessageA(hList, LB_GETITEMHEIGHT, i, 0));
        POINT pt = { x, top + y };
        ClientToScreen(hList, &pt);
        SetCursorPos(pt.x, pt.y);
        Pump();
    }
    int Height(int nRow) { return static_cast<int>(SendMessageA(hList, LB_GETITEMHEIGHT, nRow, 0)); }
    // Row nRow drawn as the list box would, selected or not.
    void DrawRow(Picture& pic, int nRow, bool bSelected)
    {
        DRAWITEMSTRUCT dis = {};
        dis.CtlType = ODT_LISTBOX;
        dis.CtlID = eCD_IMGTYPE_LST_CONTENTS;
        dis.itemID = static_cast<UINT>(nRow);
        dis.itemState = bSelected ? ODS_SELECTED : 0;
        dis.hwndItem = hList;
        dis.hDC = pic.hdc;
        dis.rcItem = { 0, 0, 600, 125 };
        dis.itemData = reinterpret_cast<ULONG_PTR>(LIST_GetAt(&g_rows, nRow));
        SCSKIN_Proc_Draw(g_hMain, eCD_IMGTYPE_LST_CONTENTS, reinterpret_cast<LPARAM>(&dis), &g_skin, &g_rows, &g_lcs,
                         &g_lcd, hFont);
    }
    const ClSIf* RowRec(int n) { return static_cast<const ClSIf*>(LIST_GetAt(&g_rows, n)); }
};

TEST_F(List, CollapsedAndExpandedRowsShowTheirBackgroundIconsButtonsAndCapture)
{
    {
        Picture pic(600, 125);
        DrawRow(pic, 0, false);   // collapsed: lcs.bin, 25 high, background slot 0
        EXPECT_EQ(Hex(pic.at(294, 12)), Hex(kRow));
        EXPECT_EQ(Hex(pic.at(11, 11)), Hex(kGreen)) << "installed: image 63";
        EXPECT_EQ(Hex(pic.at(294, 40)), Hex(RGB(0, 0, 0))) << "nothing below the collapsed row";
    }
    {
        Picture pic(600, 125);
        DrawRow(pic, 1, false);
        EXPECT_EQ(Hex(pic.at(11, 11)), Hex(kOrange)) << "to download: image 64";
    }
    {
        Picture pic(600, 125);
        DrawRow(pic, 2, false);   // not bought: slot 3, no icon
        EXPECT_EQ(Hex(pic.at(294, 12)), Hex(kRowNot));
        EXPECT_EQ(Hex(pic.at(11, 11)), Hex(kRowNot));
    }
    Pick(0);
    EXPECT_EQ(SCSKIN_GetSelRow(), 0);
    {
        Picture pic(600, 125);
        DrawRow(pic, 0, true);    // expanded: lcd.bin, image 34 in the selected slot
        EXPECT_EQ(Hex(pic.at(300, 115)), Hex(kRowSel));
        EXPECT_EQ(Hex(pic.at(11, 11)), Hex(kGreen));
        EXPECT_EQ(Hex(pic.at(kCaptureAt, 60, 45)), Hex(kCapture)) << "the cached capture";
        EXPECT_EQ(Hex(pic.at(kPlay, 65, 17)), Hex(kGreen)) << "installed, enabled: play animates (image 69)";
        EXPECT_EQ(Hex(pic.at(kManual, 65, 17)), Hex(kGreen)) << "manual present: image 70";
    }
    SCCMN_SetButtonEnable(3, 0);   // play switched off
    {
        Picture pic(600, 125);
        DrawRow(pic, 0, true);
        EXPECT_EQ(Hex(pic.at(kPlay, 65, 17)), Hex(kDisabled)) << "slot 3 of image 42";
    }
    SCCMN_SetButtonEnable(3, 1);
    Pick(1);
    {
        Picture pic(600, 125);
        DrawRow(pic, 1, true);
        EXPECT_EQ(Hex(pic.at(kPlay, 65, 17)), Hex(kDlFace)) << "to download: image 57";
        EXPECT_EQ(Hex(pic.at(kManual, 65, 17)), Hex(kRowSel)) << "no manual on the server: no button";
        EXPECT_EQ(Hex(pic.at(kCaptureAt, 60, 45)), Hex(kPlaceholder));
    }
    Pick(2);
    {
        Picture pic(600, 125);
        DrawRow(pic, 2, true);    // not bought, expanded: slot 3 still, no icon, no play
        EXPECT_EQ(Hex(pic.at(300, 115)), Hex(kRowNot));
        EXPECT_EQ(Hex(pic.at(11, 11)), Hex(kRowNot));
        EXPECT_EQ(Hex(pic.at(kPlay, 65, 17)), Hex(kRowNot));
        EXPECT_EQ(Hex(pic.at(kCaptureAt, 60, 45)), Hex(kPlaceholder)) << "no file in the cache yet";
    }
}

TEST_F(List, PickingARowExpandsItAndAsksForItsCaptureEvenWhenCached)
{
    Pick(0);
    EXPECT_EQ(Posted(), "56:0:0") << "WMU_GETCONTENTSIMAGE for content 0 (cached)";
    EXPECT_EQ(SCSKIN_GetHover(), 0);
    EXPECT_EQ(Height(0), 125);
    EXPECT_EQ(Height(1), 25);
    Pick(2);
    EXPECT_EQ(Posted(), "56:0:2");
    EXPECT_EQ(SCSKIN_GetSelRow(), 2);
    EXPECT_EQ(Height(0), 25);
    EXPECT_EQ(Height(2), 125);
    SCSKIN_ResetHover();
    EXPECT_EQ(SCSKIN_GetSelRow(), -1);
    EXPECT_EQ(SCSKIN_GetHover(), -1);
}

TEST_F(List, AClickOnTheExpandedRowPostsItsButtonOrCollapsesOutsideTheBand)
{
    struct Case {
        int row, x, y;
        const char* posted;
        BOOL ret;
        const char* what;
    } cases[] = {
        { 0, 300, 60, "50:0:0", TRUE, "explanation: web sale page" },
        { 0, 550, 95, "50:0:0", TRUE, "web sale page button" },
        { 0, 550, 40, "50:2:0", TRUE, "manual" },
        { 1, 550, 40, "", TRUE, "manual without a server path: nothing, inside the band" },
        { 0, 550, 68, "50:3:0", TRUE, "operation guide" },
        { 0, 470, 68, "50:4:0", TRUE, "music" },
        { 2, 470, 40, "50:5:2", TRUE, "play" },
        { 0, 470, 95, "50:6:0", TRUE, "favourite" },
        { 0, 60, 60, "", TRUE, "the capture posts nothing" },
        { 0, 435, 60, "", TRUE, "outside every item, inside the band" },
        { 0, 300, 120, "", FALSE, "below the band" },
        { 0, 620, 60, "", FALSE, "right of the band" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SCSKIN_Proc_RowClick(c.x, c.y, RowRec(c.row), &g_lcd, g_hMain, WMU_CONTENTSBUTTON), c.ret) << c.what;
        EXPECT_EQ(Posted(), c.posted) << c.what;
    }
    // Through the list: the expanded row picked again where the cursor is.
    Pick(1);
    Posted();
    CursorOnRow(1, 435, 60);
    Pick(1);
    EXPECT_EQ(SCSKIN_GetSelRow(), 1) << "kept";
    EXPECT_EQ(Height(1), 125);
    CursorOnRow(1, 470, 40);
    Pick(1);
    EXPECT_EQ(Posted(), "50:5:1") << "its play button";
    CursorOnRow(1, 300, 120);
    Pick(1);
    EXPECT_EQ(SCSKIN_GetSelRow(), -1) << "collapsed";
    EXPECT_EQ(SendMessageA(hList, LB_GETCURSEL, 0, 0), LB_ERR);
    EXPECT_EQ(Height(1), 25);
    EXPECT_EQ(Posted(), "");
}

TEST_F(List, TheTickFindsTheHoveredItemAndMovesTheAnimation)
{
    SCSKIN_Redraw();
    EXPECT_EQ(SCCMN_GetHoverId(), eSCLD_IDTYPE_MAX) << "no expanded row";
    Pick(0);
    CursorOnRow(0, 470, 40);
    SCSKIN_Redraw();
    EXPECT_EQ(SCCMN_GetHoverId(), eSCLD_IDTYPE_BTN_GAMEPLAY);
    {
        Picture pic(600, 125);
        DrawRow(pic, 0, true);
        EXPECT_EQ(Hex(pic.at(kPlay, 65, 17)), Hex(kHover)) << "hovered slot of image 42, not animated";
        EXPECT_EQ(pic.Reds(130, 29, 300, 58), 0) << "explanation black";
    }
    CursorOnRow(0, 300, 60);
    SCSKIN_Redraw();
    EXPECT_EQ(SCCMN_GetHoverId(), eSCLD_IDTYPE_EXPLAN);
    {
        Picture pic(600, 125);
        DrawRow(pic, 0, true);
        EXPECT_GT(pic.Reds(130, 29, 300, 58), 0) << "explanation red under the cursor";
    }
    CursorOnRow(0, 60, 60);
    SCSKIN_Redraw();
    EXPECT_EQ(SCCMN_GetHoverId(), eSCLD_IDTYPE_IMG_GAMECAPTURE);
    {
        Picture pic(600, 125);
        DrawRow(pic, 0, true);
        EXPECT_GT(pic.Reds(130, 29, 300, 58), 0) << "explanation red over the capture too";
    }
    CursorOnRow(0, 435, 60);
    SCSKIN_Redraw();
    EXPECT_EQ(SCCMN_GetHoverId(), eSCLD_IDTYPE_MAX);

    // Eight frames, one per tick; the glint of frame f crosses row 9 of the
    // button at x 10f - 7 .. 10f - 5.
    int f0 = SCSKIN_GetAnimFrame();
    for (int i = 1; i <= 8; i++) {
        SCSKIN_Redraw();
        EXPECT_EQ(SCSKIN_GetAnimFrame(), (f0 + i) % 8);
    }
    while (SCSKIN_GetAnimFrame() != 1) SCSKIN_Redraw();
    for (int f = 1; f <= 2; f++) {
        Picture pic(600, 125);
        DrawRow(pic, 0, true);
        EXPECT_EQ(Hex(pic.at(kPlay, 10 * f - 6, 9)), Hex(kGlint)) << "frame " << f;
        EXPECT_EQ(Hex(pic.at(kPlay, 10 * (3 - f) - 6, 9)), Hex(kGreen)) << "frame " << f;
        SCSKIN_Redraw();
    }
}

// A capture path from the service that climbs out of the cache folder is no
// capture: the placeholder shows, nothing is fetched, and the file it names
// is neither read as a capture nor deleted.
TEST_F(List, ACapturePathOutsideTheCacheIsNoCapture)
{
    char* p = GetLocalImagePath(1);
    EXPECT_EQ(p, nullptr);
    std::free(p);
    EXPECT_EQ(GetCacheImagePath(1), nullptr);
    EXPECT_EQ(SCCMN_GetImageWebPath(1), nullptr);
    EXPECT_FALSE(SCSKIN_CheckCacheImage(1));
    Pick(1);
    Picture pic(600, 125);
    DrawRow(pic, 1, true);
    EXPECT_EQ(Hex(pic.at(kCaptureAt, 60, 45)), Hex(kPlaceholder));
    SCCMN_Proc_WmuGetContentsImage(1, &g_rows, g_hMain);
    EXPECT_EQ(DOWNLOADMN_GetCnt_NoWait(), 0);
    EXPECT_EQ(ReadAll(dir.file("REG.DAT")), "the member's store");

    // A safe path not yet cached is fetched into the cache; a cached one is not.
    SCCMN_Proc_WmuGetContentsImage(0, &g_rows, g_hMain);
    EXPECT_EQ(DOWNLOADMN_GetCnt_NoWait(), 0);
    SCCMN_Proc_WmuGetContentsImage(2, &g_rows, g_hMain);
    ASSERT_EQ(DOWNLOADMN_GetCnt_NoWait(), 1);
    const DlItemIf* d = DOWNLOADMN_GetListTop_NoWait();
    EXPECT_EQ(std::string(d->pOtPath), dir.file("cache\\cap3.bmp"));
    EXPECT_STREQ(d->pWebPath, "http://127.0.0.1/image/cap3.bmp");

    // Without the service's image address there is nothing to fetch from.
    ENV_Free();
    WriteAll(dir.file("env.bin"), Inverted("[IMAGE_CONTENTSLIST_CONTENTS_UNDERCONSTRUCT]\r\nunder.bmp\r\n"));
    ASSERT_EQ(ENV_Load(dir.file("env.bin").c_str()), 1);
    EXPECT_EQ(SCCMN_GetImageWebPath(2), nullptr);
    DOWNLOADMN_Term();
    DOWNLOADMN_Init();
    SCCMN_Proc_WmuGetContentsImage(2, &g_rows, g_hMain);
    EXPECT_EQ(DOWNLOADMN_GetCnt_NoWait(), 0);
}

// The main screen's buttons through WM_COMMAND: update queues the catalogue
// request, minimise and close act on the window; ids outside 1..67 do nothing.
TEST_F(List, TheButtonsCommandsReachTheirActions)
{
    auto command = [](int id) { SendMessageA(g_hMain, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); };
    command(200);
    EXPECT_TRUE(IsWindow(g_hMain));
    EXPECT_EQ(DOWNLOADMN_GetCnt(), 0);
    USERM_Init();
    USERM_SetAcountValid(1);
    ASSERT_EQ(USERM_SetId("member01", 8), 1);
    command(eCD_IMGTYPE_BTN_UPDATE);
    EXPECT_EQ(DOWNLOADMN_GetCnt(), 1) << "the catalogue request";
    command(eCD_IMGTYPE_BTN_MINIMIZE);
    EXPECT_TRUE(IsIconic(g_hMain));
    command(eCD_IMGTYPE_BTN_CLOSE);
    EXPECT_FALSE(IsWindow(g_hMain));
    USERM_Clear();
}

// pt.bin of the application folder as the game runner leaves it (inverted
// lines); without the file no record is added.
TEST_F(List, PlayTimesComeFromPtBinInTheApplicationFolder)
{
    LIST play;
    LIST_Init(&play);
    EXPECT_EQ(SCCMN_LoadPlayTime(&play), 1);
    EXPECT_EQ(LIST_GetCnt(&play), 0);
    WriteAll(dir.file("pt.bin"), Inverted("taro,P1,30,\nhana,P1,45,\ntaro,P1,5,\nu,P2\nu,P2,9,\n"));
    EXPECT_EQ(SCCMN_LoadPlayTime(&play), 1);
    ASSERT_EQ(LIST_GetCnt(&play), 1);
    const PlayIf* p = static_cast<const PlayIf*>(LIST_GetAt(&play, 0));
    EXPECT_STREQ(p->strProductId, "P1");
    EXPECT_STREQ(p->strUserId, "taro");
    EXPECT_EQ(p->nRunCnt, 3);
    EXPECT_EQ(p->nMinutes, 80);
    LIST_Free(&play);
}

}  // namespace

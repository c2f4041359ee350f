#include "Win32MainWindow.h"

#include "Config.h"
#include "File.h"
#include "Player.h"
#include "ShiftJis.h"
#include "System.h"
#include "Trace.h"
#include "Win32KbdWindow.h"
#include "Win32LvlWindow.h"
#include "Win32RecordDialog.h"
#include "Win32ResFile.h"

#include <imm.h>
#include <windowsx.h>

#include <cstdio>
#include <new>
#include <cstring>

namespace {

const char kSource[] = "win32/Win32MainWindow.cpp";

const char kFontName[] = "ＭＳ ゴシック";

void ParseRect(const std::string& text, int* x, int* y, int* w, int* h)
{
    const SkinRect r = ParseSkinRect(text);
    *x = r.x;
    *y = r.y;
    if (w != nullptr) *w = r.w;
    if (h != nullptr) *h = r.h;
}

void ParsePoint(const std::string& text, int* x, int* y)
{
    const POINT p = ParseSkinPoint(text);
    *x = p.x;
    *y = p.y;
}

COLORREF ParseColor(const std::string& text, const char* fallback)
{
    int r = 0, g = 0, b = 0;
    if (std::sscanf(text.c_str(), "%d,%d,%d", &r, &g, &b) != 3) std::sscanf(fallback, "%d,%d,%d", &r, &g, &b);
    return RGB(static_cast<BYTE>(r), static_cast<BYTE>(g), static_cast<BYTE>(b));
}

}   // namespace

const char Win32MainWindow::kClassName[] = "TIV VELQA SOUND PLAYER";

Win32MainWindow::Win32MainWindow()
    : mInstance(nullptr), mPlayer(nullptr), mConfig(nullptr), mAccel(nullptr), mSkin(nullptr), mBackDC(nullptr),
      mBackOld(nullptr), mRegion(nullptr), mBgSkinDC(nullptr), mSysSkinDC(nullptr), mBtnSkinDC(nullptr),
      mWaveSkinDC(nullptr), mSpectSkinDC(nullptr), mStatusSkinDC(nullptr), mThumbDC(nullptr), mLargeFont(nullptr),
      mSmallFont(nullptr), mDisp(), mSs(), mStat(), mTitleRect(), mTime(), mTempoX(0), mTempoY(0),
      mDispColor(RGB(0, 0, 0)), mTitleColor(RGB(0, 0, 0)), mTempoColor(RGB(255, 0, 0)), mKbdWnd(nullptr), mLvlWnd(nullptr), mRecordDialog(nullptr),
      mDirty(0), mMode(MODE_TEXT), mLastState(0), mLastTime(0), mLastTotal(0), mStatus(), mSongEpoch(0),
      mPlayerNextPending(false), mPlayerNextEpoch(0)
{
    for (int i = 0; i < 64; i++) mWaveCache[i] = mSpectCache[i] = -1;
}

Win32MainWindow::~Win32MainWindow()
{
    release();
    delete mSkin;
}

bool Win32MainWindow::create(HINSTANCE instance, Player* player, Config* config)
{
    SYSTEM_CHECK(kSource, player != NULL, false);
    SYSTEM_CHECK(kSource, config != NULL, false);
    mInstance = instance;
    mPlayer = player;
    mConfig = config;
    mInfo[0] = config->getString("info", "title01", "");
    mInfo[1] = config->getString("info", "title02", "");
    mInfo[2] = config->getString("info", "title03", "");

    // Back buffer and fonts.
    HDC screen = GetDC(nullptr);
    mBackDC = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (mBackDC == nullptr || !mBackBitmap.create(WIDTH, HEIGHT, 24)) {
        System::error("[MainWindow]バックバッファの作成に失敗しました\n");
        return false;
    }
    mBackOld = SelectObject(mBackDC, mBackBitmap.getHandle());
    SetMapMode(mBackDC, MM_TEXT);
    SetBkMode(mBackDC, TRANSPARENT);
    SetTextColor(mBackDC, RGB(0, 0, 0));
    mLargeFont = CreateFontA(12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, kFontName);
    mSmallFont = CreateFontA(10, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, kFontName);

    if (!loadSkin()) return false;

    // Skin bitmaps: each in a DC of its own, which keeps it for the window's life.
    if ((mBgSkinDC = loadSkinBitmap("main_bg")) == nullptr) return false;
    if ((mSysSkinDC = loadSkinBitmap("sys_btn")) == nullptr) return false;
    if ((mBtnSkinDC = loadSkinBitmap("main_btn")) == nullptr) return false;
    if ((mWaveSkinDC = loadSkinBitmap("main_wave")) == nullptr) return false;
    if ((mSpectSkinDC = loadSkinBitmap("main_spect")) == nullptr) return false;
    if ((mStatusSkinDC = loadSkinBitmap("main_stat")) == nullptr) return false;

    // The screenshot: reported when missing, and the window opens without it.
    mThumbDC = CreateCompatibleDC(mBackDC);
    const std::string shot = config->getString("config", "screenshot", "");
    HANDLE thumb = LoadImageA(nullptr, shot.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    if (thumb == nullptr) {
        System::error("[MainWindow]スクリーンショット画像がロードできません(%s)\n", shot.c_str());
    } else {
        SelectObject(mThumbDC, thumb);
        DeleteObject(thumb);
    }

    ConfigSection* colors = mSkin->getSection("main_color");
    mDispColor = ParseColor(colors != nullptr ? colors->getString("disp", "0,0,0") : "", "0,0,0");
    mTitleColor = ParseColor(colors != nullptr ? colors->getString("title", "0,0,0") : "", "0,0,0");
    mTempoColor = ParseColor(colors != nullptr ? colors->getString("tempo", "255,0,0") : "", "255,0,0");

    mDirty = DIRTY_ALL | DIRTY_DISP | DIRTY_CONTENTS;

    WNDCLASSEXA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(101));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    wc.lpszClassName = kClassName;
    if (!registerClass(wc)) {
        System::error("[MainWindow]クラスの登録に失敗しました\n");
        return false;
    }
    mAccel = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(103));

    const DWORD style = WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    RECT r = {0, 0, WIDTH, HEIGHT};
    AdjustWindowRectEx(&r, style, FALSE, 0);
    if (!Win32Window::create(kClassName, kClassName, style, 0, CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left,
                             r.bottom - r.top, nullptr, nullptr, instance, nullptr)) {
        System::error("[MainWindow]ウィンドウの生成に失敗しました\n");
        return false;
    }
    mTitle = kClassName;

    // No caption: the outline is a rounded rectangle and the window is
    // dragged by any part that is neither a control nor the title strip.
    mRegion = MakeRoundedPopup(mHWnd, WIDTH, HEIGHT);
    ShowWindow(mHWnd, SW_SHOWDEFAULT);
    UpdateWindow(mHWnd);

    fillList();

    mKbdWnd = new (std::nothrow) Win32KbdWindow();
    if (mKbdWnd == nullptr || !mKbdWnd->create(instance, SW_HIDE, player, mSkin)) {
        System::error("[MainWindow]キーボードウィンドウの生成に失敗しました\n");
        return false;
    }
    mLvlWnd = new (std::nothrow) Win32LvlWindow();
    if (mLvlWnd == nullptr || !mLvlWnd->create(instance, SW_HIDE, player, mSkin)) {
        System::error("[MainWindow]レベルメータウィンドウの生成に失敗しました\n");
        return false;
    }
    return true;
}

bool Win32MainWindow::loadSkin()
{
    mSkin = new (std::nothrow) Config();
    if (mSkin == nullptr) {
        System::error("[MainWindow]skin設定情報領域の確保に失敗しました\n");
        return false;
    }
    File* file = System::openFile("skin\\skin.txt", File::MODE_READ);
    if (file == nullptr) {
        Win32ResFile* res = new (std::nothrow) Win32ResFile();
        if (res != nullptr && res->open(mInstance, "skin.txt", "TEXT")) {
            file = res;
        } else {
            delete res;
        }
    }
    if (file == nullptr) {
        System::error("[MainWindow]skin設定ファイルが見つかりません\n");
        return false;
    }
    const bool loaded = mSkin->load(file);
    delete file;
    if (!loaded) {
        System::error("[MainWindow]skin設定ファイルの読み込みに失敗しました\n");
        return false;
    }
    return true;
}

HDC Win32MainWindow::loadSkinBitmap(const char* name)
{
    HBITMAP bmp = LoadSkinPicture(mInstance, name);
    SYSTEM_CHECK(kSource, bmp != NULL, nullptr);
    // The DC keeps the picture selected; release() deletes the two together.
    HDC dc = CreateCompatibleDC(mBackDC);
    if (dc == nullptr) {
        DeleteObject(bmp);
        return nullptr;
    }
    SelectObject(dc, bmp);
    return dc;
}

int Win32MainWindow::layout(HWND hwnd)
{
    ImmAssociateContext(hwnd, nullptr);
    ConfigSection* pos = mSkin->getSection("main_pos");
    if (pos == nullptr) {
        System::error("[MainWindow]main_posセクションが取得できません\n");
        return -1;
    }
    ConfigSection* sys = mSkin->getSection("sys_skin");
    if (sys == nullptr) {
        System::error("[MainWindow]sys_skinセクションが取得できません\n");
        return -1;
    }
    ConfigSection* main = mSkin->getSection("main_skin");
    if (main == nullptr) {
        System::error("[MainWindow]main_skinセクションが取得できません\n");
        return -1;
    }

    struct Button {
        Win32BitmapButton* button;
        const char* key;
        int id;
        bool system;
    } buttons[] = {
        {&mCloseBtn, "close", ID_CLOSE, true}, {&mMinimizeBtn, "minimize", ID_MINIMIZE, true},
        {&mPlayBtn, "play", ID_PLAY, false},   {&mStopBtn, "stop", ID_STOP, false},
        {&mRecBtn, "rec", ID_REC, false},      {&mTminBtn, "tmin", ID_TMIN, false},
        {&mTdecBtn, "tdec", ID_TDEC, false},   {&mTrstBtn, "trst", ID_TRST, false},
        {&mTincBtn, "tinc", ID_TINC, false},   {&mTmaxBtn, "tmax", ID_TMAX, false},
        {&mDspBtn, "dsp", ID_DSP, false},      {&mKbdBtn, "kbd", ID_KBD, false},
        {&mLvlBtn, "lvl", ID_LVL, false},      {&mCfgBtn, "cfg", ID_CFG, false},
    };
    for (const Button& b : buttons) {
        int x, y, w, h, sx, sy;
        ParseRect(pos->getString(b.key, ""), &x, &y, &w, &h);
        ParsePoint((b.system ? sys : main)->getString(b.key, ""), &sx, &sy);
        b.button->create(b.key, x, y, w, h, hwnd, b.id, mInstance, b.system ? mSysSkinDC : mBtnSkinDC, sx, sy, 1);
    }

    int x, y, w, h;
    ParseRect(pos->getString("list", ""), &x, &y, &w, &h);
    mList.create(WC_LISTVIEWA, "",
                 WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER, 0, x, y, w,
                 h, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_LIST)), mInstance, nullptr);
    mList.setExtendedStyle(LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = 400;
    column.pszText = const_cast<char*>("タイトル");
    mList.insertColumn(0, &column);
    column.fmt = LVCFMT_RIGHT;
    column.cx = w - 420;
    column.pszText = const_cast<char*>("演奏時間");
    column.iSubItem = 1;
    mList.insertColumn(1, &column);

    ParseRect(pos->getString("disp", ""), &mDisp.x, &mDisp.y, &mDisp.w, &mDisp.h);
    ParseRect(pos->getString("tempo", ""), &mTempoX, &mTempoY, nullptr, nullptr);
    ParseRect(pos->getString("ss", ""), &mSs.x, &mSs.y, &mSs.w, &mSs.h);
    ParseRect(pos->getString("stat", ""), &mStat.x, &mStat.y, &mStat.w, &mStat.h);
    ParseRect(pos->getString("title", ""), &mTitleRect.x, &mTitleRect.y, &mTitleRect.w, &mTitleRect.h);
    ParseRect(pos->getString("time", ""), &mTime.x, &mTime.y, &mTime.w, &mTime.h);

    ParseRect(pos->getString("vol", ""), &x, &y, &w, &h);
    mVolTB.create(TRACKBAR_CLASSA, "vol", WS_CHILD | WS_VISIBLE | TBS_NOTICKS, 0, x, y, w, h, hwnd,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_VOL)), mInstance, nullptr);
    mVolTB.setRange(0, 100, false);
    mVolTB.setPos(100, true);
    return 0;
}

void Win32MainWindow::fillList()
{
    SendMessageA(mList.getHandle(), WM_SETREDRAW, FALSE, 0);
    const std::vector<ConfigEntry*>* titles = mConfig->getEntries("title");
    int row = 0;
    if (titles != nullptr) {
        for (ConfigEntry* entry : *titles) {
            // The list keeps 255 bytes of a title: cut between characters, so
            // that no lone lead byte takes the terminator for its partner.
            char text[256];
            const std::string title = entry->getString("title", "UNKNOWN");
            const size_t keep = ShiftJisFit(title, sizeof text - 1);
            title.copy(text, keep);
            text[keep] = '\0';
            LVITEMA item = {};
            item.mask = LVIF_TEXT | LVIF_PARAM;
            item.iItem = row;
            item.pszText = text;
            item.lParam = reinterpret_cast<LPARAM>(entry);
            mList.insertItem(&item);
            const uint32_t seconds = static_cast<uint32_t>(entry->getInt("length", 0)) / 1000;
            std::snprintf(text, sizeof text, "%d:%02d", static_cast<int>(seconds / 60), static_cast<int>(seconds % 60));
            item = LVITEMA();
            item.mask = LVIF_TEXT;
            item.iItem = row;
            item.iSubItem = 1;
            item.pszText = text;
            mList.setItem(&item);
            row++;
        }
    }
    mList.ensureVisible(0, false);
    mList.setItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SendMessageA(mList.getHandle(), WM_SETREDRAW, TRUE, 0);
}

int32_t Win32MainWindow::run()
{
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (mAccel != nullptr && mHWnd != nullptr && TranslateAcceleratorA(mHWnd, mAccel, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int32_t>(msg.wParam);
}

void Win32MainWindow::setTitle(const std::string& text)
{
    mTitle = text;
    if (mHWnd != nullptr) SetWindowTextA(mHWnd, text.c_str());
}

bool Win32MainWindow::setStatus(const PlayerStatus* status)
{
    if (status == nullptr) return false;
    {
        ObjectLocker hold(*this);
        mStatus = *status;
    }
    bool ok = true;
    if (mKbdWnd != nullptr && !mKbdWnd->setStatus(status)) ok = false;
    if (mLvlWnd != nullptr && !mLvlWnd->setStatus(status)) ok = false;
    return ok;
}

bool Win32MainWindow::setMask(uint32_t mask)
{
    // The channel mask is shown by the keyboard and level-meter windows.
    if (mKbdWnd != nullptr) mKbdWnd->setMask(mask);
    if (mLvlWnd != nullptr) mLvlWnd->setMask(mask);
    return true;
}

bool Win32MainWindow::notifyRecord(int32_t value)
{
    ObjectLocker hold(*this);
    if (mRecordDialog != nullptr) mRecordDialog->setProgress(value);
    return false;
}

bool Win32MainWindow::update()
{
    refreshPlayButton();
    {
        ObjectLocker hold(*this);
        mDirty |= DIRTY_CONTENTS;
    }
    if (draw() && mHWnd != nullptr) InvalidateRect(mHWnd, nullptr, FALSE);
    if (mKbdWnd != nullptr) mKbdWnd->update();
    if (mLvlWnd != nullptr) mLvlWnd->update();
    return true;
}

void Win32MainWindow::requestNext(bool repeatAll, bool playing, bool fromPlayer)
{
    if (mHWnd == nullptr) return;
    const WPARAM w = (repeatAll ? 2 : 0) + (playing ? 1 : 0);
    if (!fromPlayer) {
        PostMessageA(mHWnd, WM_NEXT_SONG, w, 0);
        return;
    }
    // The Player asks on every tick of the gap: one request waits at a time,
    // tagged with the song it was made for.
    if (mPlayerNextPending.exchange(true)) return;
    mPlayerNextEpoch = mSongEpoch.load();
    if (!PostMessageA(mHWnd, WM_NEXT_SONG, w, kFromPlayer)) mPlayerNextPending = false;
}

void Win32MainWindow::requestPrevious(bool repeatAll, bool playing)
{
    if (mHWnd == nullptr) return;
    PostMessageA(mHWnd, WM_PREVIOUS_SONG, (repeatAll ? 2 : 0) + (playing ? 1 : 0), 0);
}

void Win32MainWindow::release()
{
    if (mHWnd != nullptr && IsWindow(mHWnd)) destroy();
    // The player thread is gone by now: nothing calls the side windows any more.
    delete mKbdWnd;
    delete mLvlWnd;
    mKbdWnd = nullptr;
    mLvlWnd = nullptr;
    if (mBackDC != nullptr) {
        SelectObject(mBackDC, mBackOld);
        DeleteDC(mBackDC);
        mBackDC = nullptr;
    }
    if (mRegion != nullptr) {
        DeleteObject(mRegion);
        mRegion = nullptr;
    }
    HDC* dcs[] = {&mBgSkinDC, &mSysSkinDC, &mBtnSkinDC, &mWaveSkinDC, &mSpectSkinDC, &mStatusSkinDC, &mThumbDC};
    for (HDC* dc : dcs) {
        if (*dc == nullptr) continue;
        // The bitmap selected into it goes with it.
        HGDIOBJ bmp = GetCurrentObject(*dc, OBJ_BITMAP);
        DeleteDC(*dc);
        if (bmp != nullptr) DeleteObject(bmp);
        *dc = nullptr;
    }
    if (mLargeFont != nullptr) DeleteObject(mLargeFont);
    if (mSmallFont != nullptr) DeleteObject(mSmallFont);
    mLargeFont = mSmallFont = nullptr;
}

LRESULT Win32MainWindow::wndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        return layout(hwnd);
    case WM_DESTROY:
        // Released, not deleted: the player thread may still hand them a
        // status or an update until it is joined, which they then ignore.
        if (mKbdWnd != nullptr) mKbdWnd->destroy();
        if (mLvlWnd != nullptr) mLvlWnd->destroy();
        PostQuitMessage(0);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        draw();
        {
            ObjectLocker hold(*this);
            BitBlt(dc, 0, 0, WIDTH, HEIGHT, mBackDC, 0, 0, SRCCOPY);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_DRAWITEM: {
        DRAWITEMSTRUCT* di = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        Win32BitmapButton* all[] = {&mCloseBtn, &mMinimizeBtn, &mPlayBtn, &mStopBtn, &mRecBtn,
                                    &mTminBtn,  &mTdecBtn,     &mTrstBtn, &mTincBtn, &mTmaxBtn,
                                    &mDspBtn,   &mKbdBtn,      &mLvlBtn,  &mCfgBtn};
        for (Win32BitmapButton* b : all)
            if (b->getHandle() != nullptr && b->getHandle() == di->hwndItem) b->drawItem(di);
        return 0;
    }
    case WM_NOTIFY: {
        LRESULT result = 0;
        onNotify(reinterpret_cast<NMHDR*>(lParam), &result);
        return result;
    }
    case WM_NCHITTEST: {
        POINT p = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ScreenToClient(hwnd, &p);
        const bool inTitle = p.x >= mTitleRect.x && p.x < mTitleRect.x + mTitleRect.w && p.y >= mTitleRect.y &&
                             p.y < mTitleRect.y + mTitleRect.h;
        return inTitle ? HTCLIENT : HTCAPTION;
    }
    case WM_COMMAND:
        onCommand(LOWORD(wParam));
        return 0;
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) == mVolTB.getHandle()) onVolume(LOWORD(wParam));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        if (x >= mTitleRect.x && x < mTitleRect.x + mTitleRect.w && y >= mTitleRect.y &&
            y < mTitleRect.y + mTitleRect.h) {
            const int32_t state = mPlayer->getState();
            const bool playing = state == Player::STATE_PLAY || state == Player::STATE_PAUSE ||
                                 state == Player::STATE_RECORD;
            if (msg == WM_LBUTTONDOWN) requestNext(mPlayer->getRepeatAll(), playing, false);
            else requestPrevious(mPlayer->getRepeatAll(), playing);
        }
        return 0;
    }
    case WM_NEXT_SONG:
        onNextSong(wParam, lParam, true);
        return 0;
    case WM_PREVIOUS_SONG:
        onNextSong(wParam, lParam, false);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

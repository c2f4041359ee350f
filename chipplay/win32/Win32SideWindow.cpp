#include "Win32SideWindow.h"

#include "Config.h"
#include "Player.h"
#include "System.h"

#include <windowsx.h>

#include <string>

Win32SideWindow::Win32SideWindow(const Options& options)
    : mOptions(options), mInstance(nullptr), mPlayer(nullptr), mSkinCfg(nullptr), mBackDC(nullptr), mTrackBtn(),
      mBackOld(nullptr), mRegion(nullptr), mBgSkinDC(nullptr), mSysSkinDC(nullptr), mDirty(0), mGone(false)
{
}

Win32SideWindow::~Win32SideWindow()
{
    destroy();
}

void Win32SideWindow::error(const std::string& text)
{
    System::error("%s", (std::string("[") + mOptions.tag + "]" + text).c_str());
}

bool Win32SideWindow::create(HINSTANCE instance, int showCmd, Player* player, Config* skin)
{
    SYSTEM_CHECK(mOptions.sourcePath, player != NULL, false);
    SYSTEM_CHECK(mOptions.sourcePath, skin != NULL, false);
    mInstance = instance;
    mPlayer = player;
    mSkinCfg = skin;

    ConfigSection* pos = skin->getSection(mOptions.posSection);
    if (pos == nullptr) {
        error(std::string(mOptions.posSection) + "セクションが取得できません\n");
        return false;
    }

    HDC screen = GetDC(nullptr);
    mBackDC = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    SYSTEM_CHECK(mOptions.sourcePath, mBackDC != NULL, false);
    if (!mBackBitmap.create(mOptions.width, mOptions.height, 24)) {
        error("バックバッファのに失敗しました\n");
        return false;
    }
    mBackOld = SelectObject(mBackDC, mBackBitmap.getHandle());

    SYSTEM_CHECK(mOptions.sourcePath, (mBgSkinDC = loadSkinBitmap(mOptions.background)) != NULL, false);
    SYSTEM_CHECK(mOptions.sourcePath, (mSysSkinDC = loadSkinBitmap("sys_btn")) != NULL, false);
    if (!prepare(pos)) return false;
    mDirty = DIRTY_BACKGROUND | DIRTY_FORGET | DIRTY_UPDATE;

    WNDCLASSEXA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(101));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = mOptions.className;
    if (!registerClass(wc)) {
        error("クラスの登録に失敗しました\n");
        return false;
    }
    const DWORD style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    RECT r = {0, 0, mOptions.width, mOptions.height};
    AdjustWindowRectEx(&r, style, FALSE, 0);
    if (!Win32Window::create(mOptions.className, mOptions.className, style, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                             r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, nullptr)) {
        error("ウィンドウの生成に失敗しました\n");
        return false;
    }
    // No caption and no border: the window is exactly its face, so that it
    // docks edge to edge with the main window.
    mRegion = MakeRoundedPopup(mHWnd, mOptions.width, mOptions.height);
    ShowWindow(mHWnd, showCmd);
    UpdateWindow(mHWnd);
    return true;
}

HDC Win32SideWindow::loadSkinBitmap(const char* name)
{
    HBITMAP bmp = LoadSkinPicture(mInstance, name);
    SYSTEM_CHECK(mOptions.sourcePath, bmp != NULL, nullptr);
    // The DC keeps the picture selected; release() deletes the two together.
    HDC dc = CreateCompatibleDC(mBackDC);
    if (dc == nullptr) {
        DeleteObject(bmp);
        return nullptr;
    }
    SelectObject(dc, bmp);
    mSkinDCs.push_back(dc);
    return dc;
}

bool Win32SideWindow::makeTrackButton(int track, HWND parent, int x, int y, int w, int h, HDC skinDC, int sx, int sy,
                                      int layout)
{
    if (track < 0 || track >= MAX_TRACK) return false;
    Win32BitmapCheckBox* box = new Win32BitmapCheckBox();
    mTrackBtn[track] = box;
    return box->create("", x, y, w, h, parent, ID_TRACK + track, mInstance, skinDC, sx, sy, layout);
}

void Win32SideWindow::blit(int x, int y, int w, int h, HDC from, int sx, int sy)
{
    BitBlt(mBackDC, x, y, w, h, from, sx, sy, SRCCOPY);
}

bool Win32SideWindow::isGone()
{
    ObjectLocker hold(*this);
    return mGone;
}

bool Win32SideWindow::destroy()
{
    {
        // From here on the player thread's calls find nothing to draw into.
        ObjectLocker hold(*this);
        if (mGone) return true;
        mGone = true;
    }
    if (mHWnd != nullptr && IsWindow(mHWnd)) Win32Window::destroy();
    freeResources();
    return true;
}

void Win32SideWindow::freeResources()
{
    for (Win32BitmapCheckBox*& box : mTrackBtn) {
        delete box;
        box = nullptr;
    }
    if (mBackDC != nullptr) {
        if (mBackOld != nullptr) SelectObject(mBackDC, mBackOld);
        DeleteDC(mBackDC);
        mBackDC = nullptr;
    }
    if (mRegion != nullptr) {
        DeleteObject(mRegion);
        mRegion = nullptr;
    }
    for (HDC dc : mSkinDCs) {
        // The picture selected into it goes with it.
        HGDIOBJ bmp = GetCurrentObject(dc, OBJ_BITMAP);
        DeleteDC(dc);
        if (bmp != nullptr) DeleteObject(bmp);
    }
    mSkinDCs.clear();
    mBgSkinDC = mSysSkinDC = nullptr;
}

bool Win32SideWindow::setStatus(const PlayerStatus* status)
{
    if (status == nullptr) return false;
    ObjectLocker hold(*this);
    if (mGone) return true;
    takeStatus(*status);
    return true;
}

bool Win32SideWindow::setMask(uint32_t mask)
{
    ObjectLocker hold(*this);
    if (mGone) return true;
    for (int t = 0; t < MAX_TRACK; t++)
        if (mTrackBtn[t] != nullptr) mTrackBtn[t]->setCheck((mask >> t) & 1, true);
    mDirty |= DIRTY_UPDATE;
    if (mHWnd != nullptr) InvalidateRect(mHWnd, nullptr, FALSE);
    return true;
}

bool Win32SideWindow::update()
{
    {
        ObjectLocker hold(*this);
        if (mGone) return true;
        mDirty |= DIRTY_UPDATE;
    }
    if (!draw()) return true;
    ObjectLocker hold(*this);
    if (!mGone && mHWnd != nullptr) InvalidateRect(mHWnd, nullptr, FALSE);
    return true;
}

bool Win32SideWindow::draw()
{
    // Read before the window's lock is taken: the machine's lock is never
    // waited for under the window's own.
    const uint32_t mask = mPlayer != nullptr ? mPlayer->getMask() : 0;
    ObjectLocker hold(*this);
    if (mGone || mBackDC == nullptr) return false;
    bool drawn = false;
    if (mDirty & DIRTY_BACKGROUND) {
        blit(0, 0, mOptions.width, mOptions.height, mBgSkinDC, 0, 0);
        mDirty |= DIRTY_BACKGROUND | DIRTY_FORGET | DIRTY_UPDATE;
        drawn = true;
    }
    if (drawTracks(mDirty, mask)) drawn = true;
    mDirty = 0;
    return drawn;
}

void Win32SideWindow::toggleTrack(int track)
{
    Win32BitmapCheckBox* box = getTrackButton(track);
    SYSTEM_CHECK(mOptions.sourcePath, box != NULL, );
    SYSTEM_CHECK(mOptions.sourcePath, mPlayer != NULL, );
    // The box changes when the Player hands the new mask back (setMask).
    uint32_t mask = mPlayer->getMask();
    if (box->getCheck() == 0) mask |= 1u << track;
    else mask &= ~(1u << track);
    mPlayer->setMask(mask);
}

LRESULT Win32SideWindow::wndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE: {
        ConfigSection* pos = mSkinCfg->getSection("level_pos");
        if (pos == nullptr) {
            error("level_posセクションが取得できません\n");
            return -1;
        }
        ConfigSection* sys = mSkinCfg->getSection("sys_skin");
        if (sys == nullptr) {
            error("sys_skinセクションが取得できません\n");
            return -1;
        }
        struct {
            Win32BitmapButton* button;
            const char* key;
            int id;
        } buttons[] = {{&mCloseBtn, "close", ID_CLOSE}, {&mMinimizeBtn, "minimize", ID_MINIMIZE}};
        for (auto& b : buttons) {
            const SkinRect r = ParseSkinRect(pos->getString(b.key, ""));
            const POINT s = ParseSkinPoint(sys->getString(b.key, ""));
            b.button->create(b.key, r.x, r.y, r.w, r.h, hwnd, b.id, mInstance, mSysSkinDC, s.x, s.y, 1);
        }
        return buildButtons(hwnd) ? 0 : -1;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        draw();
        {
            ObjectLocker hold(*this);
            if (!mGone && mBackDC != nullptr)
                BitBlt(dc, 0, 0, mOptions.width, mOptions.height, mBackDC, 0, 0, SRCCOPY);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_CLOSE:
        ShowWindow(hwnd, SW_HIDE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_DRAWITEM: {
        DRAWITEMSTRUCT* di = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        SYSTEM_CHECK(mOptions.sourcePath, di != NULL, TRUE);
        const int id = static_cast<int>(di->CtlID);
        if (id == ID_CLOSE) mCloseBtn.drawItem(di);
        else if (id == ID_MINIMIZE) mMinimizeBtn.drawItem(di);
        else if (id >= ID_TRACK && id < ID_TRACK + MAX_TRACK) {
            Win32BitmapCheckBox* box = mTrackBtn[id - ID_TRACK];
            SYSTEM_CHECK(mOptions.sourcePath, box != NULL, TRUE);
            box->drawItem(di);
        } else {
            drawOwnItem(id, di);
        }
        return TRUE;
    }
    case WM_NCHITTEST:
        // Dragged by any point that is not a button.
        return HTCAPTION;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id == ID_CLOSE) ShowWindow(hwnd, SW_HIDE);
        else if (id == ID_MINIMIZE) ShowWindow(hwnd, SW_MINIMIZE);
        else if (id >= ID_TRACK && id < ID_TRACK + MAX_TRACK) toggleTrack(id - ID_TRACK);
        else onOwnCommand(id);
        return 0;
    }
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

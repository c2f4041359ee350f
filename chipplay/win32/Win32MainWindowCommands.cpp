// The main window's commands, on the window thread: the buttons, the song
// list, next and previous song, volume, recording and the settings dialog.
#include "Win32MainWindow.h"

#include "Config.h"
#include "FileName.h"
#include "Player.h"
#include "System.h"
#include "Trace.h"
#include "Win32ConfigDialog.h"
#include "Win32RecordDialog.h"
#include "Win32KbdWindow.h"
#include "Win32LvlWindow.h"

#include <commdlg.h>

#include <cstring>
#include <new>

ConfigEntry* Win32MainWindow::rowEntry(int row)
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!mList.getItem(&item)) return nullptr;
    return reinterpret_cast<ConfigEntry*>(item.lParam);
}

void Win32MainWindow::invalidate(uint32_t flags)
{
    {
        ObjectLocker hold(*this);
        mDirty |= flags;
    }
    if (mHWnd != nullptr) InvalidateRect(mHWnd, nullptr, FALSE);
}

void Win32MainWindow::refreshPlayButton()
{
    const int32_t state = mPlayer->getState();
    if (state == Player::STATE_PLAY || state == Player::STATE_RECORD) mPlayBtn.setIndex(1, true);
    else if (state == Player::STATE_STOP || state == Player::STATE_PAUSE) mPlayBtn.setIndex(0, true);
}

void Win32MainWindow::startSong(int row)
{
    ConfigEntry* entry = rowEntry(row);
    if (entry == nullptr) return;
    mSongEpoch++;
    {
        ObjectLocker hold(*this);
        mSongTitle = entry->getString("title", "");
    }
    Trace("[MainWindow]演奏開始:[%s]\n", mSongTitle.c_str());
    invalidate(DIRTY_ALL);
    mPlayer->play(entry, false, "");
    refreshPlayButton();
}

void Win32MainWindow::onCommand(int id)
{
    switch (id) {
    case ID_PLAY: {
        const int32_t state = mPlayer->getState();
        if (state == Player::STATE_STOP) {
            const int row = static_cast<int>(mList.getNextItem(-1, LVNI_SELECTED));
            if (row >= 0) startSong(row);
        } else if (state == Player::STATE_PLAY || state == Player::STATE_PAUSE) {
            mPlayer->pause();
            refreshPlayButton();
        }
        break;
    }
    case ID_STOP:
        mSongEpoch++;
        {
            ObjectLocker hold(*this);
            mSongTitle.clear();
        }
        invalidate(DIRTY_ALL);
        mPlayer->stop(false);
        refreshPlayButton();
        break;
    case ID_REC:
        record();
        break;
    case ID_TMIN:
    case ID_TDEC:
    case ID_TRST:
    case ID_TINC:
    case ID_TMAX: {
        int32_t tempo = mPlayer->getTempo();
        if (id == ID_TMIN) tempo = -100;
        else if (id == ID_TDEC) tempo = tempo - 4 < -100 ? -100 : tempo - 4;
        else if (id == ID_TRST) tempo = 0;
        else if (id == ID_TINC) tempo = tempo + 4 > 100 ? 100 : tempo + 4;
        else tempo = 100;
        mPlayer->setTempo(tempo);
        invalidate(DIRTY_DISP);
        break;
    }
    case ID_DSP:
        {
            ObjectLocker hold(*this);
            mMode = mMode % 3 + 1;
        }
        invalidate(DIRTY_DISP);
        break;
    case ID_KBD:
        showSideWindow(mKbdWnd, mLvlWnd);
        break;
    case ID_LVL:
        showSideWindow(mLvlWnd, mKbdWnd);
        break;
    case ID_CFG:
        configure();
        break;
    case ID_CLOSE:
        if (mHWnd != nullptr) DestroyWindow(mHWnd);
        break;
    case ID_MINIMIZE:
        if (mHWnd != nullptr) ShowWindow(mHWnd, SW_MINIMIZE);
        break;
    default:
        break;
    }
}

void Win32MainWindow::onNotify(NMHDR* hdr, LRESULT* result)
{
    *result = 0;
    if (hdr == nullptr || hdr->idFrom != ID_LIST) return;
    if (hdr->code == LVN_ITEMACTIVATE) {
        const NMITEMACTIVATE* act = reinterpret_cast<const NMITEMACTIVATE*>(hdr);
        int row = act->iItem;
        if (row < 0) row = static_cast<int>(mList.getNextItem(-1, LVNI_SELECTED));
        if (row >= 0) startSong(row);
    } else if (hdr->code == NM_CUSTOMDRAW) {
        *result = mList.customDraw(reinterpret_cast<NMCUSTOMDRAW*>(hdr));
    }
}

void Win32MainWindow::onNextSong(WPARAM wParam, LPARAM lParam, bool next)
{
    if (lParam & kFromPlayer) {
        // The Player's request: one per gap, and none for a song that was
        // started or stopped by hand since it was made.
        const bool stale = mPlayerNextEpoch.load() != mSongEpoch.load() || mPlayer->getState() != Player::STATE_PLAY;
        if (stale) {
            mPlayerNextPending = false;
            return;
        }
    }
    const bool playing = (wParam & 1) != 0, repeatAll = (wParam & 2) != 0;
    const int n = static_cast<int>(mList.getItemCount());
    const int s = static_cast<int>(mList.getNextItem(-1, LVNI_SELECTED));
    int t = -1;
    if (next) {
        if (n > 0 && s >= 0) {
            if (s + 1 < n) t = s + 1;
            else if (repeatAll) t = 0;
        }
    } else {
        if (n > 0 && s >= 0) {
            if (s - 1 >= 0) t = s - 1;
            else if (repeatAll) t = n - 1;
        }
    }
    if (t < 0) {
        if (playing) {
            mSongEpoch++;
            mPlayer->stop(false);
        }
    } else {
        mList.ensureVisible(t, false);
        mList.setItemState(t, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        if (playing) {
            startSong(t);
        } else {
            {
                ObjectLocker hold(*this);
                mSongTitle.clear();
            }
            invalidate(DIRTY_ALL);
        }
    }
    refreshPlayButton();
    // Acted on: the song has changed, so the next gap may ask again.
    if (lParam & kFromPlayer) mPlayerNextPending = false;
}

void Win32MainWindow::onVolume(int code)
{
    if (code < 0 || code > 7 || code == TB_THUMBPOSITION) return;
    const int32_t min = mPlayer->getMinVolume(), max = mPlayer->getMaxVolume();
    const int32_t p = static_cast<int32_t>(mVolTB.getPos());
    int32_t volume = min;
    if (p != 0) {
        const int32_t floor = min < -4000 ? -4000 : min;
        volume = floor + (max - floor) * p / 100;
    }
    Trace("[MainWindow]音量設定:[%d(%d)]\n", volume, p);
    mPlayer->setVolume(volume);
}

void Win32MainWindow::record()
{
    const int row = static_cast<int>(mList.getNextItem(-1, LVNI_SELECTED));
    if (row < 0) return;
    ConfigEntry* entry = rowEntry(row);
    if (entry == nullptr) return;

    char path[MAX_PATH] = {};
    const std::string proposed = FitFileName(System::convertString(entry->getString("title", "")), ".wav", sizeof path);
    std::memcpy(path, proposed.c_str(), proposed.size() + 1);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = mHWnd;
    ofn.lpstrFilter = "サウンド ファイル (*.wav)\0*.wav\0すべてのファイル (*.*)\0*.*\0";
    ofn.lpstrFile = path;
    ofn.nMaxFile = sizeof path;
    ofn.Flags = OFN_OVERWRITEPROMPT;
    ofn.lpstrDefExt = "wav";
    if (!GetSaveFileNameA(&ofn)) return;

    Trace("[MainWindow]録音開始:[%s]\n", path);
    // The dialog is registered before the recording starts, so that an end
    // that comes at once (an unwritable file, a very short song) reaches it;
    // the Player is called without the window's lock, which its tick takes
    // after the Player's own.
    Win32RecordDialog* dialog = new (std::nothrow) Win32RecordDialog();
    if (dialog == nullptr) return;
    {
        ObjectLocker hold(*this);
        mRecordDialog = dialog;
    }
    mSongEpoch++;
    mPlayer->play(entry, true, path);
    refreshPlayButton();
    const INT_PTR result = dialog->doModal(mInstance, Win32RecordDialog::TEMPLATE, mHWnd);
    {
        ObjectLocker hold(*this);
        mRecordDialog = nullptr;
    }
    const int32_t progress = dialog->getProgress();
    delete dialog;
    // Stopped by hand while still recording: the file ends, the song plays on.
    if (result == 2 && progress != Win32RecordDialog::PROGRESS_FINISHED &&
        progress != Win32RecordDialog::PROGRESS_ERROR) {
        Trace("[MainWindow]録音中止\n");
        mPlayer->stop(true);
    }
    refreshPlayButton();
}

void Win32MainWindow::configure()
{
    Win32ConfigDialog dialog;
    dialog.setNoAdvance(!mPlayer->getAutoAdvance());
    dialog.setRepeatAll(mPlayer->getRepeatAll());
    if (dialog.doModal(mInstance, Win32ConfigDialog::TEMPLATE, mHWnd) != 1) return;
    mPlayer->setAutoAdvance(!dialog.getNoAdvance());
    mPlayer->setRepeatAll(dialog.getRepeatAll());
}

void Win32MainWindow::showSideWindow(Win32SideWindow* side, Win32SideWindow* other)
{
    if (side == nullptr || side->getHandle() == nullptr || mHWnd == nullptr) return;
    HWND k = side->getHandle();
    if (IsWindowVisible(k) && !IsIconic(k)) {
        ShowWindow(k, SW_HIDE);
        return;
    }
    RECT m, w, o = {};
    GetWindowRect(mHWnd, &m);
    GetWindowRect(k, &w);
    const bool otherShown = other != nullptr && other->getHandle() != nullptr && IsWindowVisible(other->getHandle());
    if (otherShown) GetWindowRect(other->getHandle(), &o);
    HDC screen = GetDC(nullptr);
    const int screenHeight = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(nullptr, screen);
    const int height = w.bottom - w.top;
    const UINT flags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW;

    // Below this window, or below the other side window docked there.
    int y = m.bottom;
    if (otherShown && o.left == m.left && o.top == m.bottom) y = o.bottom;
    if (y + height <= screenHeight) {
        SetWindowPos(k, nullptr, m.left, y, 0, 0, flags);
    } else {
        // No room below: above it, or above the other one docked there.
        y = m.top - height;
        if (otherShown && o.left == m.left && o.bottom == m.top) y = o.top - height;
        if (y >= 0) SetWindowPos(k, nullptr, m.left, y, 0, 0, flags);
    }
    ShowWindow(k, SW_SHOWNORMAL);
}

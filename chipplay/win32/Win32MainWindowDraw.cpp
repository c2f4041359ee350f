// Drawing into the main window's back buffer, on the window thread (WM_PAINT)
// and on the player thread (update, once per tick). The dirty flags pick
// what is drawn: the whole window, the display area, or only the display's
// contents; the waveform and spectrum redraw only the columns whose level
// changed, each one BitBlt of a ready-made skin cell.
#include "Win32MainWindow.h"

#include "Player.h"

#include <cmath>
#include <cstdio>

namespace {

RECT Box(int left, int top, int right, int bottom)
{
    RECT r = {left, top, right, bottom};
    return r;
}

}   // namespace

bool Win32MainWindow::draw()
{
    if (mBackDC == nullptr || mPlayer == nullptr) return false;
    // The Player's own lock comes first: ask it before taking the window's.
    int64_t position = 0, total = 0;
    mPlayer->getTime(&position, &total);
    const int32_t state = mPlayer->getState();
    const int32_t tempo = mPlayer->getTempo();
    int64_t current = position / 1000000, whole = total / 1000000;
    if (current > 5999) current = 5999;
    if (whole > 5999) whole = 5999;

    ObjectLocker hold(*this);
    if (current != mLastTime || whole != mLastTotal) {
        mLastTime = current;
        mLastTotal = whole;
        mDirty |= DIRTY_ALL;
    }
    if (state != mLastState) {
        mLastState = state;
        mDirty |= DIRTY_ALL;
    }
    bool drew = false;
    HDC dc = mBackDC;
    if (mDirty & DIRTY_ALL) {
        BitBlt(dc, 0, 0, WIDTH, HEIGHT, mBgSkinDC, 0, 0, SRCCOPY);
        BitBlt(dc, mSs.x, mSs.y, mSs.w, mSs.h, mThumbDC, 0, 0, SRCCOPY);
        BitBlt(dc, mStat.x, mStat.y, mStat.w, mStat.h, mStatusSkinDC, 0, mStat.h * mLastState, SRCCOPY);
        HGDIOBJ oldFont = SelectObject(dc, mLargeFont);
        SetTextColor(dc, mTitleColor);
        RECT r = Box(mTitleRect.x, mTitleRect.y, mTitleRect.x + mTitleRect.w, mTitleRect.y + mTitleRect.h);
        DrawTextA(dc, mSongTitle.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        char text[64];
        std::snprintf(text, sizeof text, "%02d:%02d / %02d:%02d", static_cast<int>(mLastTime / 60),
                      static_cast<int>(mLastTime % 60), static_cast<int>(mLastTotal / 60),
                      static_cast<int>(mLastTotal % 60));
        r = Box(mTime.x, mTime.y, mTime.x + mTime.w, mTime.y + mTime.h);
        DrawTextA(dc, text, -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        SelectObject(dc, oldFont);
        mDirty |= DIRTY_ALL | DIRTY_DISP | DIRTY_CONTENTS;
        drew = true;
    }
    if (mDirty & DIRTY_DISP) {
        BitBlt(dc, mDisp.x, mDisp.y, mDisp.w, mDisp.h, mBgSkinDC, mDisp.x, mDisp.y, SRCCOPY);
        drew = true;
    }
    switch (mMode) {
    case MODE_TEXT:
        if (mDirty & DIRTY_DISP) {
            HGDIOBJ oldFont = SelectObject(dc, mLargeFont);
            SetTextColor(dc, mDispColor);
            for (int i = 0; i < 3; i++) {
                RECT r = Box(mDisp.x + 8, mDisp.y + 13 + 18 * i, mDisp.x + mDisp.w - 8, mDisp.y + 25 + 18 * i);
                DrawTextA(dc, mInfo[i].c_str(), -1, &r, DT_SINGLELINE | DT_NOPREFIX);
            }
            SelectObject(dc, mSmallFont);
            SetTextColor(dc, mTempoColor);
            const int t = tempo / 4;
            if (t != 0) {
                char text[32];
                std::snprintf(text, sizeof text, "TEMPO %c%2d", t > 0 ? '+' : '-', t > 0 ? t : -t);
                RECT r = Box(mTempoX, mTempoY, mDisp.x + mDisp.w - 8, mTempoY + 10);
                DrawTextA(dc, text, -1, &r, DT_SINGLELINE | DT_NOPREFIX);
            }
            SelectObject(dc, oldFont);
        }
        drew = true;
        break;
    case MODE_WAVE:
        if (mDirty & DIRTY_DISP) {
            for (int& v : mWaveCache) v = -1;
            mDirty |= DIRTY_CONTENTS;
        }
        if (mDirty & DIRTY_CONTENTS) drawWave(dc);
        drew = true;
        break;
    case MODE_SPECTRUM:
        if (mDirty & DIRTY_DISP) {
            for (int& v : mSpectCache) v = -1;
            mDirty |= DIRTY_CONTENTS;
        }
        if (mDirty & DIRTY_CONTENTS) drawSpectrum(dc);
        drew = true;
        break;
    default:
        break;
    }
    mDirty = 0;
    return drew;
}

void Win32MainWindow::drawWave(HDC dc)
{
    const int left = mDisp.x + (mDisp.w - 256) / 2;
    for (int c = 0; c < 64; c++) {
        const int64_t mean = (static_cast<int64_t>(mStatus.wave[2 * c]) + mStatus.wave[2 * c + 1]) / 2;
        int64_t v = mean * 32 / 32768;
        if (v < -16) v = -16;
        if (v > 15) v = 15;
        const int level = static_cast<int>(v) + 16;
        if (level == mWaveCache[c]) continue;
        BitBlt(dc, left + 4 * c, mDisp.y + 2, 4, 64, mWaveSkinDC, 4 * level, 0, SRCCOPY);
        mWaveCache[c] = level;
    }
}

void Win32MainWindow::drawSpectrum(HDC dc)
{
    const int left = mDisp.x + (mDisp.w - 256) / 2;
    for (int b = 0; b < 64; b++) {
        const int32_t s = mStatus.spectrum[b];
        int level = 0;
        if (s > 0) {
            level = 15 - static_cast<int>(std::trunc(-2.5 * std::log10(s / 32768.0)));
            if (level < 0) level = 0;
            if (level > 15) level = 15;
        }
        if (level == mSpectCache[b]) continue;
        BitBlt(dc, left + 4 * b, mDisp.y + 2, 4, 64, mSpectSkinDC, 4 * level, 0, SRCCOPY);
        mSpectCache[b] = level;
    }
}

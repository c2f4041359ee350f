#include <windows.h>

#include <gtest/gtest.h>

#include "sjis.h"

namespace {

// Everything the programs show is Shift-JIS: the bench must give them the
// Japanese ANSI code page.
TEST(Platform, AnsiCodePageIs932)
{
    EXPECT_EQ(GetACP(), 932u);
}

TEST(Platform, LeadBytesAreCodePage932s)
{
    for (int c = 0; c < 256; c++) {
        bool table = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
        EXPECT_EQ(SJIS_IsLead(static_cast<unsigned char>(c)) != 0, table) << std::hex << c;
    }
}

TEST(Platform, ShiftJisLiteralConvertsToTheRightText)
{
    // What the compiler wrote must be what the system reads as "ソフト".
    wchar_t w[8] = {};
    int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, "ソフト", -1, w, 8);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(std::wstring(w), std::wstring(L"\u30BD\u30D5\u30C8"));
}

}  // namespace

#include <mmsystem.h>
#include <dsound.h>

namespace {

// The bench gives DirectSound a sink: a device opens and a buffer plays.
TEST(Platform, DirectSoundHasASink)
{
    IDirectSound8* ds = nullptr;
    HRESULT hr = DirectSoundCreate8(nullptr, &ds, nullptr);
    ASSERT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
    ASSERT_TRUE(SUCCEEDED(ds->SetCooperativeLevel(GetDesktopWindow(), DSSCL_PRIORITY)));
    WAVEFORMATEX wf = {};
    wf.wFormatTag = WAVE_FORMAT_PCM;
    wf.nChannels = 2;
    wf.nSamplesPerSec = 44100;
    wf.wBitsPerSample = 16;
    wf.nBlockAlign = 4;
    wf.nAvgBytesPerSec = 44100 * 4;
    DSBUFFERDESC bd = {};
    bd.dwSize = sizeof(bd);
    bd.dwFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS;
    bd.dwBufferBytes = 44100 * 4;
    bd.lpwfxFormat = &wf;
    IDirectSoundBuffer* buf = nullptr;
    ASSERT_TRUE(SUCCEEDED(ds->CreateSoundBuffer(&bd, &buf, nullptr)));
    ASSERT_TRUE(SUCCEEDED(buf->Play(0, 0, DSBPLAY_LOOPING)));
    DWORD play0 = 0, write0 = 0, play1 = 0, write1 = 0;
    buf->GetCurrentPosition(&play0, &write0);
    Sleep(300);
    buf->GetCurrentPosition(&play1, &write1);
    EXPECT_NE(play0, play1) << "the play cursor does not move";
    buf->Stop();
    buf->Release();
    ds->Release();
}

}  // namespace

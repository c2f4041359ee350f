#include "Win32AudioDeviceDS.h"

#include "System.h"

#include <climits>
#include <cstring>

namespace {

const char kSource[] = "win32/Win32AudioDeviceDS.cpp";

template <typename T> void Release(T*& p)
{
    if (p != nullptr) {
        p->Release();
        p = nullptr;
    }
}

WAVEFORMATEX Format(int32_t rate)
{
    WAVEFORMATEX f = {};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 2;
    f.nSamplesPerSec = static_cast<DWORD>(rate);
    f.wBitsPerSample = 16;
    f.nBlockAlign = 4;
    f.nAvgBytesPerSec = static_cast<DWORD>(rate) * 4;
    f.cbSize = 0;
    return f;
}

}   // namespace

Win32AudioDeviceDS::Win32AudioDeviceDS()
    : mRate(0), mBufferSize(0), mDS(nullptr), mDSBPrimary(nullptr), mDSBSecondary(nullptr), mWritePosition(0),
      mPlaying(false), mLateTicks(0), mSmallestLead(INT32_MAX), mLead(0), mLastBytes1(0), mLastBytes2(0)
{
}

Win32AudioDeviceDS::~Win32AudioDeviceDS()
{
    destroy();
}

bool Win32AudioDeviceDS::create(HWND window, int32_t rate)
{
    mRate = rate;
    if (FAILED(DirectSoundCreate8(nullptr, &mDS, nullptr))) {
        mDS = nullptr;
        System::error("[Win32DS]DirectSoundの初期化に失敗しました\n");
        return false;
    }
    if (FAILED(mDS->SetCooperativeLevel(window, DSSCL_PRIORITY))) {
        System::error("[Win32DS]SetCooperativeLevelに失敗しました\n");
        destroy();
        return false;
    }
    DSBUFFERDESC primary = {};
    primary.dwSize = sizeof primary;
    primary.dwFlags = DSBCAPS_PRIMARYBUFFER;
    if (FAILED(mDS->CreateSoundBuffer(&primary, &mDSBPrimary, nullptr))) {
        mDSBPrimary = nullptr;
        System::error("[Win32DS]プライマリサウンドバッファが作成できません\n");
        destroy();
        return false;
    }
    WAVEFORMATEX format = Format(rate);
    if (FAILED(mDSBPrimary->SetFormat(&format))) {
        System::error("[Win32DS]プライマリサウンドバッファの設定ができません\n");
        destroy();
        return false;
    }
    mBufferSize = format.nBlockAlign * rate;
    DSBUFFERDESC secondary = {};
    secondary.dwSize = sizeof secondary;
    secondary.dwFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS | DSBCAPS_CTRLVOLUME;   // 0x18080
    secondary.dwBufferBytes = static_cast<DWORD>(mBufferSize);
    secondary.lpwfxFormat = &format;
    secondary.guid3DAlgorithm = GUID_NULL;
    if (FAILED(mDS->CreateSoundBuffer(&secondary, &mDSBSecondary, nullptr))) {
        mDSBSecondary = nullptr;
        System::error("[Win32DS]セカンダリサウンドバッファが作成できません\n");
        destroy();
        return false;
    }
    mWritePosition = 0;
    return true;
}

bool Win32AudioDeviceDS::destroy()
{
    mPlaying = false;
    Release(mDSBSecondary);
    Release(mDSBPrimary);
    Release(mDS);
    return true;
}

int32_t Win32AudioDeviceDS::getSampleRate()
{
    return mRate;
}

bool Win32AudioDeviceDS::getWritableFrames(int64_t latency_us, int32_t* frames)
{
    DWORD play = 0, writeCursor = 0;
    if (mDSBSecondary == nullptr || FAILED(mDSBSecondary->GetCurrentPosition(&play, &writeCursor))) {
        System::error("[Win32DS]GetCurrentPositionに失敗しました\n");
        *frames = 0;
        return false;
    }
    int32_t bufferFrames = mBufferSize / 4;
    int32_t latencyFrames = static_cast<int32_t>(static_cast<int64_t>(mRate) * latency_us / 1000000);
    int32_t n = (static_cast<int32_t>(play) / 4 - mWritePosition / 4 + latencyFrames + bufferFrames) % bufferFrames;

    // Lead: frames written ahead of the cursor. n above the latency means the
    // cursor has passed the write position by n - latency frames.
    if (mPlaying) {
        int32_t lead = latencyFrames - n;
        mLead = lead;
        if (lead < 0) mLateTicks++;
        int32_t seen = mSmallestLead.load();
        while (lead < seen && !mSmallestLead.compare_exchange_weak(seen, lead)) {
        }
    }

    if (n > 2 * latencyFrames) n = 0;
    *frames = n;
    return true;
}

bool Win32AudioDeviceDS::write(const int32_t* samples, int32_t frames)
{
    SYSTEM_CHECK(kSource, mDSBSecondary != NULL, false);
    SYSTEM_CHECK(kSource, mBufferSize > 0, false);
    SYSTEM_CHECK(kSource, frames >= 0, false);
    if (frames == 0) return true;
    int32_t size = static_cast<int64_t>(frames) * 4 > mBufferSize ? mBufferSize : frames * 4;

    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD bytes1 = 0, bytes2 = 0;
    if (FAILED(mDSBSecondary->Lock(static_cast<DWORD>(mWritePosition), static_cast<DWORD>(size), &p1, &bytes1, &p2,
                                   &bytes2, 0))) {
        System::error("[Win32DS]Lockに失敗しました(%d,%d)\n", mWritePosition, size);
        return false;
    }
    SYSTEM_CHECK(kSource, size == static_cast<int32_t>(bytes1 + bytes2), false);
    mLastBytes1 = static_cast<int32_t>(bytes1);
    mLastBytes2 = static_cast<int32_t>(bytes2);

    const int32_t* in = samples;
    int16_t* out = static_cast<int16_t*>(p1);
    for (DWORD i = 0; i < bytes1 / 2; i++) out[i] = static_cast<int16_t>(static_cast<uint16_t>(*in++ & 0xFFFF));
    out = static_cast<int16_t*>(p2);
    for (DWORD i = 0; i < bytes2 / 2; i++) out[i] = static_cast<int16_t>(static_cast<uint16_t>(*in++ & 0xFFFF));
    mWritePosition = (mWritePosition + size) % mBufferSize;

    if (FAILED(mDSBSecondary->Unlock(p1, bytes1, p2, bytes2))) {
        System::error("[Win32DS]Unlockに失敗しました\n");
        return false;
    }
    return true;
}

bool Win32AudioDeviceDS::play()
{
    SYSTEM_CHECK(kSource, mDSBSecondary != NULL, false);
    if (FAILED(mDSBSecondary->Play(0, 0, DSBPLAY_LOOPING))) {
        System::error("[Win32DS]Playに失敗しました\n");
        return false;
    }
    mPlaying = true;
    return true;
}

bool Win32AudioDeviceDS::stop()
{
    SYSTEM_CHECK(kSource, mDSBSecondary != NULL, false);
    mPlaying = false;
    if (FAILED(mDSBSecondary->Stop())) {
        System::error("[Win32DS]Stopに失敗しました\n");
        return false;
    }
    return true;
}

int32_t Win32AudioDeviceDS::getMaxVolume()
{
    return 0;
}

int32_t Win32AudioDeviceDS::getMinVolume()
{
    return -10000;
}

int32_t Win32AudioDeviceDS::getVolume()
{
    SYSTEM_CHECK(kSource, mDSBSecondary != NULL, 0);
    LONG volume = 0;
    if (FAILED(mDSBSecondary->GetVolume(&volume))) {
        System::error("[Win32DS]GetVolumeに失敗しました\n");
        return 0;
    }
    return static_cast<int32_t>(volume);
}

bool Win32AudioDeviceDS::setVolume(int32_t volume)
{
    SYSTEM_CHECK(kSource, mDSBSecondary != NULL, false);
    if (FAILED(mDSBSecondary->SetVolume(volume))) {
        System::error("[Win32DS]SetVolumeに失敗しました\n");
        return false;
    }
    return true;
}

void Win32AudioDeviceDS::resetCounters()
{
    mLateTicks = 0;
    mSmallestLead = INT32_MAX;
}

void Win32AudioDeviceDS::getLastRegions(int32_t* bytes1, int32_t* bytes2) const
{
    *bytes1 = mLastBytes1;
    *bytes2 = mLastBytes2;
}

bool Win32AudioDeviceDS::peek(int32_t offset, int16_t* out, int32_t count)
{
    if (mDSBSecondary == nullptr || offset < 0 || offset + count * 2 > mBufferSize) return false;
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD bytes1 = 0, bytes2 = 0;
    if (FAILED(mDSBSecondary->Lock(static_cast<DWORD>(offset), static_cast<DWORD>(count * 2), &p1, &bytes1, &p2,
                                   &bytes2, 0)))
        return false;
    std::memcpy(out, p1, bytes1);
    mDSBSecondary->Unlock(p1, bytes1, p2, bytes2);
    return true;
}

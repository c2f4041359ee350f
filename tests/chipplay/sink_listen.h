// Listening to the bench's sound sink (tools/bench.sh): the paced sink's
// monitor through DirectSound capture, or the file sink's growing file.
#pragma once

#include "testdir.h"
#include "winprobe.h"

#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>

// The loudest sample that reached the sound sink while `during` ran; -1 when
// the bench gave no sink to listen to.
inline int LoudestHeard(const std::function<void()>& during)
{
    if (std::getenv("TIV_SOUND_PACED") != nullptr) {
        IDirectSoundCapture8* capture = nullptr;
        if (FAILED(DirectSoundCaptureCreate8(nullptr, &capture, nullptr))) return -1;
        WAVEFORMATEX f = {};
        f.wFormatTag = WAVE_FORMAT_PCM;
        f.nChannels = 2;
        f.nSamplesPerSec = 44100;
        f.wBitsPerSample = 16;
        f.nBlockAlign = 4;
        f.nAvgBytesPerSec = 44100 * 4;
        DSCBUFFERDESC desc = {};
        desc.dwSize = sizeof desc;
        desc.dwBufferBytes = 3 * 44100 * 4;
        desc.lpwfxFormat = &f;
        IDirectSoundCaptureBuffer* buffer = nullptr;
        if (FAILED(capture->CreateCaptureBuffer(&desc, &buffer, nullptr))) {
            capture->Release();
            return -1;
        }
        buffer->Start(0);
        during();
        buffer->Stop();
        void* p1 = nullptr;
        void* p2 = nullptr;
        DWORD b1 = 0, b2 = 0;
        int peak = 0;
        if (SUCCEEDED(buffer->Lock(0, desc.dwBufferBytes, &p1, &b1, &p2, &b2, 0))) {
            const int16_t* s = static_cast<int16_t*>(p1);
            for (DWORD i = 0; i < b1 / 2; i++) peak = std::max(peak, std::abs(static_cast<int>(s[i])));
            buffer->Unlock(p1, b1, p2, b2);
        }
        buffer->Release();
        capture->Release();
        return peak;
    }
    const char* where = std::getenv("TIV_SOUND_SINK");
    if (where == nullptr) return -1;
    std::string path = Probe_HostPath(where);
    std::string before = ReadAll(path);
    during();
    std::string after = ReadAll(path);
    int peak = 0;
    for (size_t i = before.size() & ~static_cast<size_t>(1); i + 1 < after.size(); i += 2) {
        int16_t v = static_cast<int16_t>(static_cast<uint8_t>(after[i]) | (static_cast<uint8_t>(after[i + 1]) << 8));
        peak = std::max(peak, std::abs(static_cast<int>(v)));
    }
    return peak;
}


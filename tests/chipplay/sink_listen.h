// Listening to the bench's sound sink (tools/bench.sh): the paced sink's
// monitor through DirectSound capture, or the file sink's growing file.
#pragma once

#include "testdir.h"
#include "winprobe.h"

#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <utility>

// The loudest sample that reached the sound sink while `during` ran, and
// after it until one louder than `awaited` arrived or kHearAfterMs passed;
// -1 when the bench gave no sink to listen to.
//
// The paced sink is heard through a looping capture buffer read from a
// thread of its own as it fills. What a program writes reaches the sink's
// monitor through Wine's mixer and the sound server: one to two seconds
// later on an idle machine, more on a busy one, so a sound made at the end
// of `during` is still on its way when it returns, and a fixed margin after
// it heard silence where the program played.
constexpr int kHearAfterMs = 15000;

inline int LoudestHeard(const std::function<void()>& during, int awaited)
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
        desc.dwBufferBytes = 2 * 44100 * 4;   // read every 20 ms: two seconds is ample
        desc.lpwfxFormat = &f;
        IDirectSoundCaptureBuffer* buffer = nullptr;
        if (FAILED(capture->CreateCaptureBuffer(&desc, &buffer, nullptr))) {
            capture->Release();
            return -1;
        }
        std::atomic<bool> stop(false);
        std::atomic<int> peak(0);
        DWORD readAt = 0;
        // Takes what was captured since the last call, up to the read cursor.
        auto drain = [&] {
            DWORD capturePos = 0, readPos = 0;
            if (FAILED(buffer->GetCurrentPosition(&capturePos, &readPos))) return;
            DWORD n = (readPos + desc.dwBufferBytes - readAt) % desc.dwBufferBytes;
            if (n == 0) return;
            void* p1 = nullptr;
            void* p2 = nullptr;
            DWORD b1 = 0, b2 = 0;
            if (FAILED(buffer->Lock(readAt, n, &p1, &b1, &p2, &b2, 0))) return;
            int loudest = peak.load();
            for (auto part : { std::make_pair(p1, b1), std::make_pair(p2, b2) }) {
                const int16_t* s = static_cast<const int16_t*>(part.first);
                for (DWORD i = 0; s != nullptr && i < part.second / 2; i++)
                    loudest = std::max(loudest, std::abs(static_cast<int>(s[i])));
            }
            peak = loudest;
            buffer->Unlock(p1, b1, p2, b2);
            readAt = (readAt + n) % desc.dwBufferBytes;
        };
        buffer->Start(DSCBSTART_LOOPING);
        std::thread reader([&] {
            while (!stop) {
                drain();
                Sleep(20);
            }
        });
        during();
        Probe_WaitFor([&] { return peak.load() > awaited; }, kHearAfterMs);
        stop = true;
        reader.join();
        drain();
        buffer->Stop();
        buffer->Release();
        capture->Release();
        return peak;
    }
    const char* where = std::getenv("TIV_SOUND_SINK");
    if (where == nullptr) return -1;
    std::string path = Probe_HostPath(where);
    const size_t from = ReadAll(path).size() & ~static_cast<size_t>(1);
    auto loudestSince = [&] {
        std::string after = ReadAll(path);
        int peak = 0;
        for (size_t i = from; i + 1 < after.size(); i += 2) {
            int16_t v = static_cast<int16_t>(static_cast<uint8_t>(after[i]) | (static_cast<uint8_t>(after[i + 1]) << 8));
            peak = std::max(peak, std::abs(static_cast<int>(v)));
        }
        return peak;
    };
    during();
    int peak = 0;
    Probe_WaitFor([&] { return (peak = loudestSince()) > awaited; }, kHearAfterMs);
    return peak;
}


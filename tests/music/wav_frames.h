// Reading back the WAV files the tools write (songrender, playrun's recording).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// The 16-bit stereo data of a WAV, left and right interleaved; empty when the
// header is not that of a 44100 Hz 16-bit stereo PCM file.
inline std::vector<int32_t> WavFrames(const std::string& wav)
{
    std::vector<int32_t> frames;
    static const unsigned char kHead[] = {'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 2, 0,
                                          0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0, 'd', 'a', 't', 'a'};
    if (wav.size() < 44 || wav.compare(0, 4, "RIFF") != 0 || std::memcmp(wav.data() + 8, kHead, sizeof kHead) != 0)
        return frames;
    const size_t n = (wav.size() - 44) / 2;
    frames.resize(n);
    for (size_t i = 0; i < n; i++) {
        const unsigned char lo = static_cast<unsigned char>(wav[44 + 2 * i]);
        const unsigned char hi = static_cast<unsigned char>(wav[45 + 2 * i]);
        frames[i] = static_cast<int16_t>(lo | (hi << 8));
    }
    return frames;
}

// Loudness of each 20-ms window of the mono mix from frame `from` on, in dB
// of full scale (the engine's criterion compares two renders window by
// window within 1 dB).
inline std::vector<double> Envelope(const std::vector<int32_t>& stereo, size_t from)
{
    const size_t window = 44100 / 50;
    std::vector<double> db;
    const size_t frames = stereo.size() / 2;
    for (size_t w = from; w + window <= frames; w += window) {
        double sum = 0;
        for (size_t i = w; i < w + window; i++) {
            const double m = (stereo[2 * i] + stereo[2 * i + 1]) / 2.0;
            sum += m * m;
        }
        const double rms = std::sqrt(sum / window);
        db.push_back(20.0 * std::log10(std::max(rms, 1e-3) / 32768.0));
    }
    return db;
}

// The first frame with a sample above the noise floor.
inline size_t FirstSound(const std::vector<int32_t>& stereo)
{
    for (size_t i = 0; i < stereo.size(); i++)
        if (std::abs(stereo[i]) > 300) return i / 2;
    return stereo.size() / 2;
}

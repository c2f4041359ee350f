#include "rhythmsamples.h"

#include <string.h>

#include <vector>

namespace {

const uint32_t kBytes[6] = {9494, 6108, 56828, 8952, 13446, 2554};

// The project's own generator (32-bit LCG, high bits out).
struct Lcg {
    uint32_t s;
    int32_t next()  // -32768..32767
    {
        s = s * 1664525u + 1013904223u;
        return (int32_t)(s >> 16) - 32768;
    }
};

// Parabolic sine of a 16-bit phase, -32768..32768.
int32_t Sine(uint32_t phase)
{
    const int32_t x = (int32_t)(phase & 0x7FFF);
    const int32_t y = (x * (32768 - x)) >> 13;
    return (phase & 0x8000) ? -y : y;
}

// Phase step of f Hz (in 1/16 Hz) at 44100 Hz on a 16-bit phase.
uint32_t Step16(uint32_t f16)
{
    return (uint32_t)(((uint64_t)f16 << 16) / (44100u * 16u));
}

int16_t Clip(int32_t v)
{
    return (int16_t)(v > 32767 ? 32767 : v < -32768 ? -32768 : v);
}

struct Voice {
    uint32_t toneStart16, toneEnd16;  // pitch sweep, 1/16 Hz
    uint32_t toneDecay;               // per-sample amplitude factor (1/65536)
    int32_t toneLevel;
    uint32_t noiseDecay;
    int32_t noiseLevel;
    int highPass;                     // 0: plain noise, 1: one difference, 2: two
    uint32_t seed;
};

const Voice kVoices[6] = {
    {150 * 16, 48 * 16, 65440, 30000, 65000, 2000, 0, 1},   // bass drum
    {190 * 16, 170 * 16, 65300, 12000, 65390, 16000, 1, 2}, // snare drum
    {0, 0, 0, 0, 65520, 12000, 2, 3},                       // top cymbal
    {0, 0, 0, 0, 65410, 14000, 2, 4},                       // hi-hat
    {140 * 16, 95 * 16, 65470, 26000, 65200, 1500, 0, 5},   // tom
    {820 * 16, 800 * 16, 64900, 22000, 65200, 9000, 1, 6},  // rim shot
};

struct Store {
    std::vector<uint8_t> record[6];
    Store()
    {
        for (int i = 0; i < 6; i++) {
            const Voice& v = kVoices[i];
            const uint32_t n = kBytes[i] / 2;
            std::vector<uint8_t>& r = record[i];
            r.resize(4 + kBytes[i]);
            memcpy(r.data(), &kBytes[i], 4);
            Lcg rng{v.seed * 2654435761u};
            uint32_t phase = 0;
            int64_t toneAmp = (int64_t)v.toneLevel << 16, noiseAmp = (int64_t)v.noiseLevel << 16;
            int32_t prev1 = 0, prev2 = 0;
            for (uint32_t k = 0; k < n; k++) {
                // The pitch glides from start to end over the first 2000 samples.
                const uint32_t glide = k < 2000 ? k : 2000;
                const uint32_t f16 = v.toneStart16 - (uint32_t)(((int64_t)v.toneStart16 - v.toneEnd16) * glide / 2000);
                phase += Step16(f16);
                int32_t noise = rng.next();
                if (v.highPass >= 1) {
                    const int32_t d = noise - prev1;
                    prev1 = noise;
                    noise = d / 2;
                }
                if (v.highPass >= 2) {
                    const int32_t d = noise - prev2;
                    prev2 = noise;
                    noise = d / 2;
                }
                int32_t s = (int32_t)((Sine(phase) * (toneAmp >> 16)) >> 15) +
                            (int32_t)((noise * (noiseAmp >> 16)) >> 15);
                // A short fade at the very end so the sound never clicks off.
                if (n - k < 64)
                    s = s * (int32_t)(n - k) / 64;
                const int16_t out = Clip(s);
                memcpy(&r[4 + 2 * k], &out, 2);
                toneAmp = (toneAmp * v.toneDecay) >> 16;
                noiseAmp = (noiseAmp * v.noiseDecay) >> 16;
            }
        }
    }
};

const Store& TheStore()
{
    static const Store store;
    return store;
}

}  // namespace

const uint8_t* RhythmSampleRecord(int i)
{
    if (i < 0 || i >= 6)
        return 0;
    return TheStore().record[i].data();
}

uint32_t RhythmSampleBytes(int i)
{
    const uint8_t* r = RhythmSampleRecord(i);
    if (!r)
        return 0;
    uint32_t n;
    memcpy(&n, r, 4);
    return n;
}

const int16_t* RhythmSamplePcm(int i)
{
    const uint8_t* r = RhythmSampleRecord(i);
    return r ? reinterpret_cast<const int16_t*>(r + 4) : 0;
}

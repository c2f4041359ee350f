#include "psgcore.h"
#include "lagrange.h"

#include <math.h>
#include <string.h>

namespace {


// Segment kinds: 0 stays at 0, 1 rises, 2 falls, 3 stays at 31.
const uint8_t kShapeSegments[16][2] = {
    {2, 0}, {2, 0}, {2, 0}, {2, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0},
    {2, 2}, {2, 0}, {2, 1}, {2, 3}, {1, 1}, {1, 3}, {1, 2}, {1, 0},
};

// The noise sequence is the same for every chip: built once, before any
// thread runs. Levels and envelopes depend on each chip's volume and so
// belong to the chip.
struct NoiseTable {
    uint32_t word[2048];
    NoiseTable()
    {
        // 17-bit LFSR, taps at bits 0 and 2; words collect 32 output bits,
        // the first in bit 31.
        uint32_t lfsr = 14321;
        for (int w = 0; w < 2048; w++) {
            uint32_t bits = 0;
            for (int b = 0; b < 32; b++) {
                const uint32_t out = lfsr & 1;
                bits = (bits << 1) | out;
                lfsr = (lfsr >> 1) | (((lfsr ^ (lfsr >> 2)) & 1) << 16);
            }
            word[w] = bits;
        }
    }
};
const NoiseTable s_noise;

}  // namespace

PsgCore::PsgCore()
{
    memset(m_levelTable, 0, sizeof(m_levelTable));
    memset(m_envTable, 0, sizeof(m_envTable));
    memset(m_reg, 0, sizeof(m_reg));
    m_envPtr = m_envTable[0];
    for (int c = 0; c < 3; c++) {
        m_level[c] = 0;
        m_toneCount[c] = 0;
        m_toneStep[c] = 0;
        m_hist[c] = 0;
    }
    m_hist[3] = 0;
    m_envCount = m_envStep = 0;
    m_noiseCount = m_noiseStep = 0;
    m_toneBase = m_envBase = m_noiseBase = 0;
    m_internalRate = 0;
    m_resample = false;
    m_phase = 0;
    m_step = 0;
    m_enabled = 63;
    setVolume(0);
    reset();
    m_enabled = 63;
}

void PsgCore::init(uint32_t clock, int32_t rate, bool resample)
{
    if (rate <= 0)
        rate = 44100;
    m_resample = resample;
    if (resample) {
        uint32_t r = clock;
        while ((int64_t)(r * 16384.0 / rate) >= 32768)
            r >>= 1;
        m_internalRate = (int32_t)r;
        m_step = (int32_t)(r * 16384.0 / rate);
    } else {
        m_internalRate = rate;
        m_step = 16384;
    }
    if (m_internalRate <= 0)
        m_internalRate = 1;
    m_toneBase = (uint32_t)(int64_t)(clock * 4194304.0 / m_internalRate);
    m_envBase = (uint32_t)(int64_t)(clock * 1048576.0 / m_internalRate);
    m_noiseBase = (uint32_t)(int64_t)(clock * 4096.0 / m_internalRate);
    for (int c = 0; c < 3; c++)
        updateToneStep(c);
    updateNoiseStep();
    updateEnvStep();
    m_phase = 0;
    for (int i = 0; i < 4; i++)
        m_hist[i] = 0;
}

void PsgCore::reset()
{
    for (int r = 0; r < 14; r++)
        setReg((uint8_t)r, 0);
    setReg(7, 0xFF);
    setReg(14, 0xFF);
    setReg(15, 0xFF);
}

void PsgCore::updateToneStep(int c)
{
    const uint32_t tp = (((uint32_t)m_reg[2 * c + 1] << 8) + m_reg[2 * c]) & 0xFFF;
    m_toneStep[c] = tp ? m_toneBase / tp : m_toneBase;
}

void PsgCore::updateNoiseStep()
{
    const uint32_t np = m_reg[6] & 31;
    m_noiseStep = np ? m_noiseBase / np : m_noiseBase;
}

void PsgCore::updateEnvStep()
{
    const uint32_t ep = ((uint32_t)m_reg[12] << 8) + m_reg[11];
    m_envStep = ep ? m_envBase / ep : m_envBase * 2;
}

void PsgCore::setReg(uint8_t reg, uint8_t data)
{
    if (reg >= 16)
        return;
    m_reg[reg] = data;
    switch (reg) {
    case 0: case 1: case 2: case 3: case 4: case 5:
        updateToneStep(reg / 2);
        break;
    case 6:
        updateNoiseStep();
        break;
    case 8: case 9: case 10: {
        const int c = reg - 8;
        m_level[c] = (m_enabled & (1u << c)) ? m_levelTable[(data & 15) * 2 + 1] : 0;
        break;
    }
    case 11: case 12:
        updateEnvStep();
        break;
    case 13:
        m_envCount = 0;
        m_envPtr = m_envTable[data & 15];
        break;
    default:
        break;
    }
}

void PsgCore::setVolume(int32_t v)
{
    // 1.5 dB per level step, two table entries per register step; the
    // product runs on the unrounded double and is truncated when stored.
    // The driver's option may hold any 32-bit value: above +60 dB (120) the
    // sums of three channels and four sub-samples, and from about +112 dB
    // the level itself, would no longer fit 32 bits, so more counts as 120.
    if (v > 120)
        v = 120;
    double d = pow(10.0, v * 0.025) * 5461.333333333333;
    m_levelTable[0] = m_levelTable[1] = 0;
    for (int i = 31; i >= 2; i--) {
        m_levelTable[i] = (int32_t)d;
        d *= 0.8408964152556385;
    }
    for (int shape = 0; shape < 16; shape++) {
        for (int seg = 0; seg < 2; seg++) {
            const int kind = kShapeSegments[shape][seg];
            for (int i = 0; i < 32; i++) {
                const int level = kind == 0 ? 0 : kind == 1 ? i : kind == 2 ? 31 - i : 31;
                m_envTable[shape][seg * 32 + i] = m_levelTable[level];
            }
        }
    }
    setMask(~m_enabled);
}

void PsgCore::setMask(uint32_t mask)
{
    m_enabled = ~mask;
    for (int c = 0; c < 3; c++)
        m_level[c] = (m_enabled & (1u << c)) ? m_levelTable[(m_reg[8 + c] & 15) * 2 + 1] : 0;
}

// Makes n internal samples into out. Mode 0: tones only; 1: noise, no
// envelope; 2: envelope (and noise).
template <int Mode>
void PsgCore::generate(int32_t* out, int32_t n, const uint32_t* toneFlag, const uint32_t* noiseFlag,
                       const bool* useEnv)
{
    uint32_t tc0 = m_toneCount[0], tc1 = m_toneCount[1], tc2 = m_toneCount[2];
    const uint32_t ts0 = m_toneStep[0], ts1 = m_toneStep[1], ts2 = m_toneStep[2];
    const uint32_t tf0 = toneFlag[0], tf1 = toneFlag[1], tf2 = toneFlag[2];
    const uint32_t nf0 = noiseFlag[0], nf1 = noiseFlag[1], nf2 = noiseFlag[2];
    uint32_t nc = m_noiseCount;
    const uint32_t ns = m_noiseStep;
    uint32_t ec = m_envCount;
    const uint32_t es = m_envStep;
    const bool envLoopAll = (m_reg[13] & 0x0B) == 0x0A;
    const int32_t* env = m_envPtr;
    int32_t lv0 = m_level[0], lv1 = m_level[1], lv2 = m_level[2];
    const bool e0 = useEnv[0], e1 = useEnv[1], e2 = useEnv[2];

    for (int32_t i = 0; i < n; i++) {
        int32_t sum = 0;
        for (int s = 0; s < 4; s++) {
            if (Mode == 2) {
                const int32_t el = env[ec >> 24];
                if (e0) lv0 = el;
                if (e1) lv1 = el;
                if (e2) lv2 = el;
                ec += es;
                if (ec >= 0x40000000u)
                    ec = envLoopAll ? (ec & 0x3FFFFFFFu) : ((ec | 0x20000000u) & 0x3FFFFFFFu);
            }
            uint32_t nb = 0;
            if (Mode >= 1) {
                const uint32_t k = nc >> 17;
                nb = (s_noise.word[k >> 5] >> (k & 31)) & 1;
                nc += ns;
            }
            const uint32_t b0 = (((tc0 >> 26) & tf0) | (nf0 & nb));
            const uint32_t b1 = (((tc1 >> 26) & tf1) | (nf1 & nb));
            const uint32_t b2 = (((tc2 >> 26) & tf2) | (nf2 & nb));
            tc0 += ts0; tc1 += ts1; tc2 += ts2;
            const int32_t m0 = (int32_t)b0 - 1, m1 = (int32_t)b1 - 1, m2 = (int32_t)b2 - 1;
            sum += ((lv0 + m0) ^ m0) + ((lv1 + m1) ^ m1) + ((lv2 + m2) ^ m2);
        }
        out[i] = sum / 4;
    }
    m_toneCount[0] = tc0; m_toneCount[1] = tc1; m_toneCount[2] = tc2;
    if (Mode == 0)
        nc += ns * 4 * (uint32_t)n;  // the noise keeps its phase while unheard
    m_noiseCount = nc;
    if (Mode == 2)
        m_envCount = ec;
}

template <int Mode>
void PsgCore::mixLoop(int32_t* buffer, int32_t frames, const uint32_t* toneFlag,
                      const uint32_t* noiseFlag, const bool* useEnv)
{
    // Internal samples are made in batches, apart from the resampler, so
    // that each loop keeps its counters in registers.
    const int32_t kBatch = 256;
    int32_t tmp[kBatch];
    if (!m_resample) {
        for (int32_t done = 0; done < frames;) {
            const int32_t n = frames - done < kBatch ? frames - done : kBatch;
            generate<Mode>(tmp, n, toneFlag, noiseFlag, useEnv);
            for (int32_t i = 0; i < n; i++) {
                buffer[2 * (done + i)] += tmp[i];
                buffer[2 * (done + i) + 1] += tmp[i];
            }
            done += n;
        }
        return;
    }
    // With the step below 32768 a frame needs at most two new samples, so
    // kBatch / 2 frames never need more than kBatch.
    for (int32_t done = 0; done < frames;) {
        const int32_t n = frames - done < kBatch / 2 ? frames - done : kBatch / 2;
        int32_t need = 0;
        int32_t phase = m_phase;
        for (int32_t i = 0; i < n; i++) {
            phase += m_step;
            while (phase > 16384) {
                phase -= 16384;
                need++;
            }
        }
        generate<Mode>(tmp, need, toneFlag, noiseFlag, useEnv);
        int32_t next = 0;
        for (int32_t i = 0; i < n; i++) {
            m_phase += m_step;
            while (m_phase > 16384) {
                m_phase -= 16384;
                m_hist[0] = m_hist[1];
                m_hist[1] = m_hist[2];
                m_hist[2] = m_hist[3];
                m_hist[3] = tmp[next++];
            }
            const int32_t v = LagrangeCubic(m_hist[0], m_hist[1], m_hist[2], m_hist[3], m_phase);
            buffer[2 * (done + i)] += v;
            buffer[2 * (done + i) + 1] += v;
        }
        done += n;
    }
}

void PsgCore::mix(int32_t* buffer, int32_t frames)
{
    if (frames <= 0)
        return;
    if ((m_reg[8] & 0x1F) == 0 && (m_reg[9] & 0x1F) == 0 && (m_reg[10] & 0x1F) == 0 &&
        (m_reg[7] & 0x3F) == 0x3F)
        return;

    uint32_t toneFlag[3], noiseFlag[3];
    bool useEnv[3];
    bool anyNoise = false, anyEnv = false;
    for (int c = 0; c < 3; c++) {
        toneFlag[c] = (!(m_reg[7] & (1 << c)) && m_toneStep[c] <= 0x1000000u) ? 1 : 0;
        noiseFlag[c] = (m_reg[7] & (8 << c)) ? 0 : 1;
        useEnv[c] = (m_enabled & (1u << c)) && (m_reg[8 + c] & 0x10);
        anyNoise |= noiseFlag[c] != 0;
        anyEnv |= useEnv[c];
    }
    if (anyEnv)
        mixLoop<2>(buffer, frames, toneFlag, noiseFlag, useEnv);
    else if (anyNoise)
        mixLoop<1>(buffer, frames, toneFlag, noiseFlag, useEnv);
    else
        mixLoop<0>(buffer, frames, toneFlag, noiseFlag, useEnv);

    if (!anyEnv) {
        // Nobody listened to the envelope: move it on in one go.
        uint64_t c = (uint64_t)(m_envCount >> 8) + (uint64_t)(m_envStep >> 6) * (uint32_t)frames;
        if (c >= 0x400000u)
            c = ((m_reg[13] & 0x0B) == 0x0A) ? (c & 0x3FFFFF) : ((c | 0x200000) & 0x3FFFFF);
        m_envCount = (uint32_t)(c << 8);
    }
}

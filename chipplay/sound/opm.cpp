#include "opm.h"

#include <math.h>
#include <string.h>

namespace {

int32_t s_lfoAm[4][512];
int32_t s_lfoPm[4][512];

// The project's own 0..32767 generator (so every host draws the same).
uint32_t NextRandom(uint32_t& state)
{
    state = state * 1103515245u + 12345u;
    return (state >> 16) & 0x7FFF;
}

void FillLfoTables()
{
    uint32_t seed = 1;
    int32_t r = 0;
    for (int i = 0; i < 512; i++) {
        s_lfoAm[0][i] = 255 - i / 2;
        s_lfoPm[0][i] = ((((i - 256) >> 1) & 255) - 128);
        s_lfoAm[1][i] = i < 256 ? 255 : 0;
        s_lfoPm[1][i] = i < 256 ? 127 : -128;
        s_lfoAm[2][i] = 255 - i >= 0 ? 255 - i : i - 256;
        const int j = (i - 384) & 0x1FF;
        s_lfoPm[2][i] = (int8_t)(j > 255 ? 383 - j : j - 128);
        if ((i & 3) == 0)
            r = (int32_t)((NextRandom(seed) / 17) & 255);
        s_lfoAm[3][i] = r;
        s_lfoPm[3][i] = r - 128;
        for (int w = 0; w < 4; w++)
            s_lfoPm[w][i] = ~s_lfoPm[w][i];
    }
}

// Filled once by the first chip made, whichever thread it is on (two
// machines may start at once), under the guard of a local static.
void BuildLfoTables()
{
    static const bool filled = (FillLfoTables(), true);
    (void)filled;
}


}  // namespace

OpmCore::OpmCore()
    : m_clock(0), m_rate(44100), m_gain(16384), m_lfoCount(0), m_lfoStep(0), m_lfoSub(0), m_lfoPrev(0),
      m_lfoWave(0), m_noise(12345), m_noiseCount(0), m_reg0F(0), m_pmd(0), m_amd(0), m_reg18(0),
      m_reg01(0), m_status(0), m_random(1), m_noiseR(0)
{
    BuildLfoTables();
    for (int c = 0; c < 8; c++) {
        m_ch[c].setParams(&m_params);
        m_ch[c].setFamily(1);
        m_kc[c] = m_kf[c] = m_pan[c] = 0;
    }
}

void OpmCore::setStatus(uint32_t bits)
{
    if (!(m_status & bits)) {
        m_status |= (uint8_t)bits;
        intr(true);
    }
}

void OpmCore::resetStatus(uint32_t bits)
{
    if (m_status & bits) {
        m_status &= (uint8_t)~bits;
        if (!m_status)
            intr(false);
    }
}

void OpmCore::timerA()
{
    // CSM: the timer keys every channel off and on again.
    if (m_timerControl & 0x80) {
        for (int c = 0; c < 8; c++) {
            m_ch[c].keyControl(0);
            m_ch[c].keyControl(15);
        }
    }
}

bool OpmCore::init(uint32_t clock, uint32_t rate)
{
    m_clock = clock;
    m_rate = rate ? rate : 44100;
    m_params.setRatio((uint32_t)((m_rate / 2 + ((uint64_t)(clock / 64) << 7)) / m_rate));
    setTick(clock / 64);
    reset();
    setVolumeFm(0);
    setMask(0);
    return true;
}

void OpmCore::reset()
{
    for (uint32_t r = 0; r < 0x100; r++)
        setReg(r, 0);
    setReg(0x19, 0x80);
    m_timerACount = m_timerBCount = 0;
    m_status = 0;
    m_noise = 12345;
    m_noiseCount = 0;
    for (int c = 0; c < 8; c++)
        m_ch[c].reset();
}

void OpmCore::setMask(uint32_t mask)
{
    for (int c = 0; c < 8; c++)
        m_ch[c].mute((mask >> c) & 1);
}

void OpmCore::setVolumeFm(int32_t v)
{
    m_gain = FmVolumeFactor(v, 16384);
}

void OpmCore::setReg(uint32_t reg, uint8_t data)
{
    reg &= 0xFF;
    if (reg >= 0x40) {
        const int c = reg & 7;
        FmOperator& op = m_ch[c].op[fmtables::kSlotToOp[(reg >> 3) & 3]];
        switch (reg & 0xE0) {
        case 0x40:
            op.setDetune((data >> 4) & 7);
            op.setMultiple(data & 15);
            break;
        case 0x60:
            op.setTL(data & 127, (m_timerControl & 0x80) != 0);
            break;
        case 0x80:
            op.setKS(data >> 6);
            op.setAR(data & 31);
            break;
        case 0xA0:
            op.setDR(data & 31);
            op.setAMOn((data & 0x80) != 0);
            break;
        case 0xC0:
            op.setSR(data & 31);
            op.setDetune2(data >> 6);
            break;
        case 0xE0:
            op.setSL(data >> 4);
            op.setRR(data & 15);
            break;
        }
        return;
    }
    if (reg >= 0x20) {
        const int c = reg & 7;
        switch (reg & 0xF8) {
        case 0x20:
            m_ch[c].setFB((data >> 3) & 7);
            m_ch[c].setAlgorithm(data & 7);
            m_pan[c] = (data >> 6) & 3;
            break;
        case 0x28:
            m_kc[c] = data;
            m_ch[c].setKCKF(m_kc[c], m_kf[c]);
            break;
        case 0x30:
            m_kf[c] = data >> 2;
            m_ch[c].setKCKF(m_kc[c], m_kf[c]);
            break;
        case 0x38:
            m_ch[c].setMS(((data >> 4) | (data << 4)) & 0xFF);
            break;
        }
        return;
    }
    switch (reg) {
    case 0x01:
        m_reg01 = data;
        if (data & 2)
            m_lfoCount = 0;
        break;
    case 0x08:
        if (!(m_timerControl & 0x80)) {
            m_ch[data & 7].keyControl(data >> 3);
        } else {
            // CSM holds the keys; a write can only release operators.
            FmChannel& ch = m_ch[data & 7];
            for (int i = 0; i < 4; i++)
                if (!(data & (8 << i)) && ch.op[i].keyed())
                    ch.op[i].keyOff();
        }
        break;
    case 0x0F:
        m_noiseCount = 0;
        m_reg0F = data;
        break;
    case 0x10:
    case 0x11:
        setTimerA(reg & 1, data);
        break;
    case 0x12:
        setTimerB(data);
        break;
    case 0x14:
        setTimerControl(data);
        break;
    case 0x18:
        m_reg18 = data;
        m_lfoStep = (((data & 15) + 16) * m_params.ratio * 32) >> (15 - (data >> 4));
        break;
    case 0x19:
        if (data & 0x80)
            m_pmd = data & 127;
        else
            m_amd = data & 127;
        break;
    case 0x1B:
        m_lfoWave = data & 3;
        break;
    }
}

void OpmCore::updateLfo()
{
    if (m_lfoWave != 3) {
        const uint32_t idx = (m_lfoCount >> 15) & 0x1FE;
        m_params.pmLevel = (((s_lfoPm[m_lfoWave][idx] * (int32_t)m_pmd) >> 7) - 128) & 255;
        m_params.amLevel = ((s_lfoAm[m_lfoWave][idx] * (int32_t)m_amd) >> 7) & 255;
    } else {
        if ((m_lfoPrev ^ m_lfoCount) > 0x1FFFF)
            m_noiseR = (int32_t)((NextRandom(m_random) / 17) & 255);
        m_params.pmLevel = ((((m_noiseR - 128) * (int32_t)m_pmd) >> 7) - 128) & 255;
        m_params.amLevel = (((int32_t)m_amd * m_noiseR) >> 7) & 255;
    }
    m_lfoPrev = m_lfoCount;
    if ((++m_lfoSub & 7) == 0)
        m_lfoCount += m_lfoStep;
}

void OpmCore::mix(int32_t* buffer, int32_t frames)
{
    if (frames <= 0)
        return;
    int active = 0, lfo = 0;
    for (int c = 0; c < 8; c++) {
        const int f = m_ch[c].prepare();
        if (f & 1)
            active |= 1 << c;
        if (f & 2)
            lfo |= 1 << c;
    }
    if (!active)
        return;
    if (m_reg01 & 2)
        lfo = 0;
    lfo &= active;
    const bool noise = (m_reg0F & 0x80) && (active & 0x80);
    const uint32_t nfrq = m_reg0F & 31;
    int32_t noiseSub = (int32_t)((32 - nfrq) < 2 ? 2 : (32 - nfrq)) << 7;
    if (nfrq == 31)
        noiseSub += 7;
    for (int32_t i = 0; i < frames; i++) {
        int32_t sum[4] = {0, 0, 0, 0};
        updateLfo();
        if (noise) {
            m_noiseCount += m_params.ratio * 2;
            if (m_noiseCount >= 4096) {
                m_noiseCount -= (uint32_t)noiseSub;
                // At the fastest settings the counter gains more per frame than
                // one shift takes away; capping it keeps the sound (a shift on
                // every frame) and keeps the counter from overflowing.
                if (m_noiseCount > 8192)
                    m_noiseCount = 8192;
                m_noise = (m_noise >> 1) ^ ((m_noise & 1) ? 0x8408 : 0);
            }
        }
        for (int c = 0; c < 8; c++) {
            if (!(active & (1 << c)))
                continue;
            const bool useLfo = (lfo >> c) & 1;
            int32_t v;
            if (c == 7 && noise)
                v = useLfo ? m_ch[c].calcLN(m_noise & 1) : m_ch[c].calcN(m_noise & 1);
            else
                v = useLfo ? m_ch[c].calcL() : m_ch[c].calc();
            sum[m_pan[c]] += v;
        }
        int32_t l = sum[1] + sum[3], r = sum[2] + sum[3];
        l = l > 65535 ? 65535 : l < -65536 ? -65536 : l;
        r = r > 65535 ? 65535 : r < -65536 ? -65536 : r;
        buffer[2 * i] += (int32_t)(((int64_t)l * m_gain) >> 14);
        buffer[2 * i + 1] += (int32_t)(((int64_t)r * m_gain) >> 14);
    }
}

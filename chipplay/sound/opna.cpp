#include "opna.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "lagrange.h"
#include "rhythmsamples.h"

namespace {

const uint32_t kRamBytes = 0x40000;
// Address units: one RAM byte is 16 units (8 per nibble), so the top of the
// 256 KiB is 0x400000.
const uint32_t kAddressTop = 0x400000;

int32_t s_rhythmGain[160];  // indices -32..127
int32_t s_lfoAm[256];
void FillTables()
{
    for (int i = -32; i < 128; i++)
        s_rhythmGain[i + 32] = (int32_t)(65536 * pow(2.0, -i / 8.0)) - 1;
    for (int i = 0; i < 256; i++)
        s_lfoAm[i] = (i < 128 ? 255 - 2 * i : 2 * i - 256) & ~3;
}

// Filled once by the first chip made, whichever thread it is on (two
// machines may start at once), under the guard of a local static.
void BuildTables()
{
    static const bool filled = (FillTables(), true);
    (void)filled;
}

int32_t Clamp16(int32_t v)
{
    return v > 32767 ? 32767 : v < -32768 ? -32768 : v;
}

// Rhythm volume offset: -(2 * min(v, 20)) / 3 attenuation steps. Computed
// in 64 bits, since a configuration may give any 32-bit value; an offset of
// 128 or more already silences the rhythm (the master) or reaches the last
// gain step (an instrument, whose sum is clamped at 127 even with the other
// terms at their lowest), so 255 stands for everything beyond and keeps that
// sum far from overflowing.
int32_t RhythmOffset(int32_t v)
{
    const int64_t offset = -(2 * (int64_t)(v < 20 ? v : 20)) / 3;
    return offset > 255 ? 255 : (int32_t)offset;
}


}  // namespace

// ---- OpnaBase ----

OpnaBase::OpnaBase()
    : m_reg22(0), m_reg29(31), m_lfoCount(0), m_lfoStep(0), m_statusMask(0xFFFFFFFF), m_pending(0),
      m_phase(0)
{
    BuildTables();
    m_channels = 6;
    m_opna = true;
    for (int c = 0; c < 6; c++) {
        m_ch[c] = &m_channel[c];
        m_channel[c].setParams(&m_params);
        m_channel[c].setFamily(0);
        m_pan[c] = 3;
    }
    for (int i = 0; i < 4; i++)
        m_histL[i] = m_histR[i] = 0;
}

void OpnaBase::setStatus(uint32_t bits)
{
    if (!(m_status & bits)) {
        m_status |= (uint8_t)(bits & m_statusMask);
        intr((m_reg29 & m_status & m_statusMask) != 0);
    }
}

void OpnaBase::resetStatus(uint32_t bits)
{
    m_status &= (uint8_t)~bits;
    intr((m_reg29 & m_status & m_statusMask) != 0);
}

void OpnaBase::resetBase()
{
    m_timerACount = m_timerBCount = 0;
    for (uint32_t r = 0x20; r < 0x28; r++)
        setRegBase(r, 0);
    for (uint32_t r = 0x30; r < 0xC0; r++) {
        setRegBase(r, 0);
        setRegBase(0x100 + r, 0);
    }
    OpnBase::reset();
    m_timerACount = m_timerBCount = 0;
    for (int c = 0; c < 6; c++) {
        m_channel[c].reset();
        m_pan[c] = 3;
        m_applied[c] = 0xFFFFFFFF;
    }
    m_reg29 = 31;
    m_lfoCount = 0;
    m_pending = 0;
}

void OpnaBase::setRegBase(uint32_t reg, uint32_t data)
{
    const uint32_t r = reg & 0xFF;
    if (reg < 0x100 && r == 0x22) {
        if ((data ^ m_reg22) & 8)
            m_lfoCount = 0;
        m_reg22 = (uint8_t)data;
        m_lfoStep = (data & 8) ? m_lfoTable[data & 7] : 0;
        return;
    }
    if (reg < 0x100 && r == 0x29) {
        m_reg29 = (uint8_t)data;
        return;
    }
    if (r >= 0xB4 && r <= 0xB6) {
        const int c = (int)((r & 3) + 3 * ((reg >> 8) & 1));
        m_pan[c] = (data >> 6) & 3;
        m_channel[c].setMS(data);
        return;
    }
    writeFm(reg, data);
}

uint32_t OpnaCore::readStatusEx()
{
    uint32_t r = (m_statusMask & (m_status | 8)) | (m_adpcmPlaying ? 0x20 : 0);
    m_status |= (uint8_t)m_pending;
    m_pending = 0;
    return r & 0xFF;
}

// `count` (at most kNativeBlock) samples at the native rate, channel by
// channel: each channel runs through the whole block before the next one,
// which gives the same sums as sample by sample since channels share no
// state within a sample (the LFO levels of each sample are computed first).
void OpnaBase::makeNatives(int active, int lfo, int32_t count, int32_t* outL, int32_t* outR)
{
    int32_t sum[4][kNativeBlock];   // by pan: 0 none (computed, not heard), 1 right, 2 left, 3 both
    int32_t pmLevels[kNativeBlock];
    int32_t amLevels[kNativeBlock];
    memset(sum, 0, sizeof sum);
    if (lfo) {
        for (int32_t i = 0; i < count; i++) {
            amLevels[i] = s_lfoAm[(m_lfoCount >> 15) & 255] & 255;
            pmLevels[i] = (m_lfoCount >> 15) & 255;
            m_lfoCount += m_lfoStep;
        }
    }
    for (int c = 0; c < 6; c++) {
        if (!(active & (1 << c)))
            continue;
        if (lfo & (1 << c))
            m_channel[c].mixBlockL(sum[m_pan[c]], count, pmLevels, amLevels);
        else
            m_channel[c].mixBlock(sum[m_pan[c]], count);
    }
    if (lfo && count > 0) {
        // The chip's LFO levels as the last sample left them.
        m_params.amLevel = amLevels[count - 1];
        m_params.pmLevel = pmLevels[count - 1];
    }
    for (int32_t i = 0; i < count; i++) {
        outL[i] = (Clamp16(sum[2][i] + sum[3][i]) * m_gain) >> 14;
        outR[i] = (Clamp16(sum[1][i] + sum[3][i]) * m_gain) >> 14;
    }
}

void OpnaBase::fmMix(int32_t* buffer, int32_t frames)
{
    applyFNums();
    int active = 0, lfo = 0;
    const int n = (m_reg29 & 0x80) ? 6 : 3;
    for (int c = 0; c < n; c++) {
        const int f = m_channel[c].prepare();
        if (f & 1)
            active |= 1 << c;
        if (f & 2)
            lfo |= 1 << c;
    }
    if (!(m_reg22 & 8))
        lfo = 0;
    if (!active)
        return;
    lfo &= active;
    int32_t nativeL[kNativeBlock], nativeR[kNativeBlock];
    if (!m_interpolation) {
        for (int32_t done = 0; done < frames;) {
            const int32_t count = frames - done < kNativeBlock ? frames - done : kNativeBlock;
            makeNatives(active, lfo, count, nativeL, nativeR);
            for (int32_t i = 0; i < count; i++) {
                buffer[2 * (done + i)] += nativeL[i];
                buffer[2 * (done + i) + 1] += nativeR[i];
            }
            done += count;
        }
        return;
    }
    // Exactly the native samples these frames take, made in blocks as the
    // frames take them: none is made ahead of this call.
    int32_t needed = 0;
    int32_t phase = m_phase;
    for (int32_t i = 0; i < frames; i++) {
        phase += m_step;
        if (phase > 16384) {
            needed += (phase - 1) >> 14;
            phase -= (phase - 1) & ~0x3FFF;
        }
    }
    int32_t made = 0, used = 0;
    for (int32_t i = 0; i < frames; i++) {
        m_phase += m_step;
        if (m_phase > 16384) {
            const int32_t count = (m_phase - 1) >> 14;
            for (int32_t k = 0; k < count; k++) {
                if (used == made) {
                    made = needed < kNativeBlock ? needed : kNativeBlock;
                    needed -= made;
                    used = 0;
                    makeNatives(active, lfo, made, nativeL, nativeR);
                }
                const int32_t l = nativeL[used], r = nativeR[used];
                used++;
                m_histL[0] = m_histL[1]; m_histL[1] = m_histL[2]; m_histL[2] = m_histL[3]; m_histL[3] = l;
                m_histR[0] = m_histR[1]; m_histR[1] = m_histR[2]; m_histR[2] = m_histR[3]; m_histR[3] = r;
            }
            m_phase -= (m_phase - 1) & ~0x3FFF;
        }
        buffer[2 * i] += LagrangeCubic(m_histL[0], m_histL[1], m_histL[2], m_histL[3], m_phase);
        buffer[2 * i + 1] += LagrangeCubic(m_histR[0], m_histR[1], m_histR[2], m_histR[3], m_phase);
    }
}

// ---- OpnaCore ----

OpnaCore::OpnaCore()
    : m_adpcmBuf(0), m_startAddr(0), m_stopAddr(0), m_limitAddr(kAddressTop), m_memAddr(0),
      m_control1(0), m_control2(0), m_deltaN(256), m_adpcmStep(0), m_stepBase(0), m_x(0), m_d(127),
      m_position(0), m_prevS(0), m_filtPrev(0), m_filtNext(0), m_level(0), m_masterVolume(65536),
      m_effectiveVolume(0), m_adpcmPlaying(false), m_granularity(4), m_adpcmMute(false), m_readLatch(0),
      m_rhythmTl(63), m_rhythmMasterOffset(0), m_rhythmKey(0), m_rhythmMask(0)
{
    memset(m_adpcmReg, 0, sizeof(m_adpcmReg));
    for (int i = 0; i < 6; i++) {
        Instrument& in = m_rhythm[i];
        in.pcm = 0;
        in.length = 0;
        in.position = 0;
        in.step = 1024;
        in.rate = 44100;
        in.pan = 3;
        // Before the first write the levels are those of register value 0.
        in.level = 31;
        in.volumeOffset = 0;
    }
}

OpnaCore::~OpnaCore()
{
    free(m_adpcmBuf);
}

bool OpnaCore::init(uint32_t clock, uint32_t rate, bool interpolation)
{
    for (int i = 0; i < 6; i++) {
        m_rhythm[i].pcm = RhythmSamplePcm(i);
        m_rhythm[i].length = RhythmSampleBytes(i) / 2 * 1024;
        m_rhythm[i].rate = 44100;
    }
    if (!m_adpcmBuf) {
        m_adpcmBuf = (uint8_t*)calloc(kRamBytes, 1);
        if (!m_adpcmBuf)
            return false;
    }
    m_rate = rate ? rate : 44100;
    m_clock = clock / 2;
    // ADPCM-B runs at (clock / 2) / 72 (55466 Hz at 7987200 Hz): the
    // halved master clock divided by 72.
    m_stepBase = (uint32_t)((double)m_clock / 72 * 8192 / m_rate);
    for (int i = 0; i < 6; i++)
        m_rhythm[i].step = (uint32_t)(1024u * 44100u / m_rate);
    m_interpolation = interpolation;
    const uint32_t index = m_prescale == 0xFF ? 0 : m_prescale;
    m_prescale = 0xFF;
    setPrescaler(index);
    reset();
    setVolumeFm(0);
    setVolumeSsg(0);
    setVolumeAdpcm(0);
    setVolumeRhythm(0);
    for (int i = 0; i < 6; i++)
        setVolumeRhythmInstrument(i, 0);
    setMask(0);
    return true;
}

void OpnaCore::reset()
{
    resetBase();
    m_rhythmKey = 0;
    m_limitAddr = kAddressTop;
    m_adpcmPlaying = false;
    m_position = 0;
    m_filtPrev = m_filtNext = m_prevS = 0;
    m_phase = 0;
    for (int i = 0; i < 4; i++)
        m_histL[i] = m_histR[i] = 0;
}

void OpnaCore::setReg(uint32_t reg, uint8_t data)
{
    reg &= 0x1FF;
    if (reg >= 0x10 && reg < 0x20) {
        const uint32_t r = reg - 0x10;
        if (r == 0) {
            if (!(data & 0x80)) {
                m_rhythmKey |= data & 0x3F;
                for (int i = 0; i < 6; i++)
                    if (data & (1 << i))
                        m_rhythm[i].position = 0;
            } else {
                m_rhythmKey &= ~(data & 0x3F);
            }
        } else if (r == 1) {
            m_rhythmTl = ~data & 0x3F;
        } else if (r >= 8 && r < 14) {
            Instrument& in = m_rhythm[r & 7];
            in.pan = (data >> 6) & 3;
            in.level = (int8_t)(~data & 0x1F);
        }
        return;
    }
    if (reg >= 0x100 && reg <= 0x110) {
        setAdpcmReg(reg - 0x100, data);
        return;
    }
    setRegBase(reg, data);
}

uint8_t OpnaCore::getReg(uint32_t reg)
{
    if (reg < 0x10)
        return m_psg.getReg((uint8_t)reg);
    if (reg == 0xFF)
        return 1;
    if (reg == 0x108)
        return (uint8_t)readRam();
    return 0;
}

void OpnaCore::setMask(uint32_t mask)
{
    for (int c = 0; c < 6; c++)
        m_channel[c].mute((mask >> c) & 1);
    m_psg.setMask((mask >> 6) & 7);
    m_adpcmMute = (mask >> 9) & 1;
    m_rhythmMask = (uint8_t)((mask >> 10) & 0x3F);
}

void OpnaCore::setVolumeAdpcm(int32_t v)
{
    m_masterVolume = FmVolumeFactor(v, 65536);
    m_effectiveVolume = (int32_t)(((int64_t)m_masterVolume * m_level) >> 12);
}

void OpnaCore::setVolumeRhythm(int32_t v)
{
    m_rhythmMasterOffset = RhythmOffset(v);
}

void OpnaCore::setVolumeRhythmInstrument(int i, int32_t v)
{
    if (i >= 0 && i < 6)
        m_rhythm[i].volumeOffset = RhythmOffset(v);
}

void OpnaCore::setAdpcmReg(uint32_t r, uint32_t data)
{
    m_adpcmReg[r & 15] = (uint8_t)data;
    switch (r) {
    case 0x00:
        if ((data & 0x80) && !m_adpcmPlaying) {
            m_memAddr = m_startAddr;
            m_adpcmPlaying = true;
            m_x = 0;
            m_d = 127;
            m_position = 0;
        }
        if (data & 1)
            m_adpcmPlaying = false;
        m_control1 = (uint8_t)data;
        break;
    case 0x01:
        m_control2 = (uint8_t)data;
        m_granularity = (data & 2) ? 1 : 4;
        break;
    case 0x02:
    case 0x03:
        m_startAddr = (((uint32_t)m_adpcmReg[3] << 8) + m_adpcmReg[2]) * 64;
        m_memAddr = m_startAddr;
        break;
    case 0x04:
    case 0x05:
        m_stopAddr = (((uint32_t)m_adpcmReg[5] << 8) + m_adpcmReg[4] + 1) * 64;
        break;
    case 0x08:
        if ((m_control1 & 0x60) == 0x60)
            writeRam(data);
        break;
    case 0x09:
    case 0x0A: {
        uint32_t n = ((uint32_t)m_adpcmReg[10] << 8) + m_adpcmReg[9];
        m_deltaN = n < 256 ? 256 : n;
        m_adpcmStep = (uint32_t)(((uint64_t)m_stepBase * m_deltaN) >> 16);
        break;
    }
    case 0x0B:
        m_level = (int32_t)data;
        m_effectiveVolume = (int32_t)(((int64_t)m_masterVolume * m_level) >> 12);
        break;
    case 0x0C:
    case 0x0D:
        m_limitAddr = (((uint32_t)m_adpcmReg[13] << 8) + m_adpcmReg[12] + 1) * 64;
        break;
    case 0x10:
        if (data & 0x80) {
            m_status = 0;
            intr(false);
        } else {
            m_statusMask = ~(data & 31);
        }
        break;
    }
}

void OpnaCore::afterMemoryAccess(bool write)
{
    if (m_memAddr == m_stopAddr) {
        setStatus(4);
        m_pending |= 4;
        m_memAddr &= kAddressTop - 1;
    }
    if (m_memAddr == m_limitAddr)
        m_memAddr = 0;
    if (write || m_memAddr < m_stopAddr)
        setStatus(8);
}

void OpnaCore::writeRam(uint32_t data)
{
    if (m_granularity == 4) {
        m_adpcmBuf[(m_memAddr >> 4) & 0x3FFFF] = (uint8_t)data;
        m_memAddr += 16;
    } else {
        // Eight planes of 32 KiB: plane b keeps bit b of every byte.
        const uint32_t byte = (m_memAddr >> 4) & 0x7FFF;
        const uint32_t bit = (m_memAddr >> 1) & 7;
        for (int b = 0; b < 8; b++) {
            uint8_t& p = m_adpcmBuf[b * 0x8000 + byte];
            p = (uint8_t)((p & ~(1 << bit)) | (((data >> b) & 1) << bit));
        }
        m_memAddr += 2;
    }
    afterMemoryAccess(true);
}

uint32_t OpnaCore::readRam()
{
    const uint32_t out = m_readLatch;
    if ((m_control1 & 0x60) == 0x20) {
        uint32_t v = 0;
        if (m_granularity == 4) {
            v = m_adpcmBuf[(m_memAddr >> 4) & 0x3FFFF];
            m_memAddr += 16;
        } else {
            const uint32_t byte = (m_memAddr >> 4) & 0x7FFF;
            const uint32_t bit = (m_memAddr >> 1) & 7;
            for (int b = 0; b < 8; b++)
                v |= ((m_adpcmBuf[b * 0x8000 + byte] >> bit) & 1) << b;
            m_memAddr += 2;
        }
        m_readLatch = (uint8_t)v;
        afterMemoryAccess(false);
    }
    return out;
}

// Decodes the next nibble of the playing sample; handles stop, repeat and
// limit. Returns the decoder output x.
int32_t OpnaCore::decodeNibble()
{
    static const int8_t kS[16] = {1, 3, 5, 7, 9, 11, 13, 15, -1, -3, -5, -7, -9, -11, -13, -15};
    static const int16_t kT[8] = {57, 57, 57, 57, 77, 102, 128, 153};
    uint32_t n;
    bool second;
    if (m_granularity == 4) {
        const uint8_t b = m_adpcmBuf[(m_memAddr >> 4) & 0x3FFFF];
        second = (m_memAddr & 8) != 0;
        n = second ? (b & 15) : (b >> 4);
        m_memAddr += 8;
    } else {
        const uint32_t byte = (m_memAddr >> 4) & 0x7FFF;
        const uint32_t bit = (m_memAddr >> 1) & 7;
        second = (m_memAddr & 1) != 0;
        const int base = second ? 0 : 4;
        n = 0;
        for (int k = 0; k < 4; k++)
            n |= ((m_adpcmBuf[(base + k) * 0x8000 + byte] >> bit) & 1) << k;
        m_memAddr += 1;
    }
    int32_t x = m_x + (kS[n] * m_d) / 8;
    m_x = x > 32767 ? 32767 : x < -32768 ? -32768 : x;
    int32_t d = (kT[n & 7] * m_d) / 64;
    m_d = d < 127 ? 127 : d > 24576 ? 24576 : d;
    const int32_t out = m_x;
    if (second) {
        if (m_memAddr == m_stopAddr) {
            if (m_control1 & 0x10) {
                m_memAddr = m_startAddr;
                m_x = 0;
                m_d = 127;
            } else {
                m_adpcmPlaying = false;
                m_memAddr &= kAddressTop - 1;
                setStatus(4);
                m_prevS = 0;
            }
        }
        if (m_memAddr == m_limitAddr)
            m_memAddr = 0;
    }
    return out;
}

// Next value of the two-tap output filter; 0 once playback has ended.
int32_t OpnaCore::nextFiltered()
{
    if (!m_adpcmPlaying)
        return 0;
    const int32_t s = (int32_t)(((int64_t)decodeNibble() * m_effectiveVolume) >> 13);
    const int32_t f = s + m_prevS;
    m_prevS = m_adpcmPlaying ? s : 0;
    return f;
}

void OpnaCore::adpcmMix(int32_t* buffer, int32_t frames)
{
    if (!m_adpcmPlaying && !m_filtPrev && !m_filtNext)
        return;
    const bool left = (m_control2 & 0x80) && !m_adpcmMute;
    const bool right = (m_control2 & 0x40) && !m_adpcmMute;
    const int32_t step = (int32_t)m_adpcmStep;
    if (step <= 8192) {
        for (int32_t i = 0; i < frames; i++) {
            m_position -= step;
            while (m_position < 0) {
                m_position += 8192;
                m_filtPrev = m_filtNext;
                m_filtNext = nextFiltered();
            }
            const int32_t v =
                (int32_t)(((int64_t)m_filtPrev * m_position + (int64_t)m_filtNext * (8192 - m_position)) >> 13);
            if (left)
                buffer[2 * i] += v;
            if (right)
                buffer[2 * i + 1] += v;
            if (!m_adpcmPlaying && m_filtNext == 0 && m_filtPrev == 0)
                break;
        }
    } else {
        // Box filter: each sample covers 2^26 / step of a frame's 8192.
        const int32_t width = (int32_t)((1 << 26) / step);
        for (int32_t i = 0; i < frames; i++) {
            int64_t acc = 0;
            int32_t remaining = 8192;
            while (remaining > 0) {
                if (m_position <= 0) {
                    m_filtPrev = m_filtNext;
                    m_filtNext = nextFiltered();
                    m_position = width;
                }
                const int32_t take = m_position < remaining ? m_position : remaining;
                acc += (int64_t)m_filtNext * take;
                remaining -= take;
                m_position -= take;
            }
            const int32_t v = (int32_t)(acc >> 13);
            if (left)
                buffer[2 * i] += v;
            if (right)
                buffer[2 * i + 1] += v;
            if (!m_adpcmPlaying && m_filtNext == 0)
                break;
        }
    }
    if (!m_adpcmPlaying && m_filtNext == 0) {
        // Playback over: the filter and position start clean next time.
        m_filtPrev = 0;
        m_position = 0;
        m_prevS = 0;
    }
}

void OpnaCore::rhythmMix(int32_t* buffer, int32_t frames)
{
    if (m_rhythmMasterOffset >= 128 || !m_rhythmKey)
        return;
    for (int k = 0; k < 6; k++) {
        Instrument& in = m_rhythm[k];
        if (!(m_rhythmKey & (1 << k)) || !in.pcm)
            continue;
        int32_t idx = m_rhythmTl + in.volumeOffset + in.level + m_rhythmMasterOffset;
        idx = idx < -31 ? -31 : idx > 127 ? 127 : idx;
        const int32_t g = s_rhythmGain[idx + 32] >> 4;
        const bool masked = (m_rhythmMask >> k) & 1;
        const bool left = (in.pan & 2) && !masked;
        const bool right = (in.pan & 1) && !masked;
        for (int32_t i = 0; i < frames && in.position < in.length; i++) {
            const int32_t v = (int32_t)(((int64_t)in.pcm[in.position >> 10] * g) >> 12);
            in.position += in.step;
            if (left)
                buffer[2 * i] += v;
            if (right)
                buffer[2 * i + 1] += v;
        }
    }
}

void OpnaCore::mix(int32_t* buffer, int32_t frames)
{
    if (frames <= 0)
        return;
    if (m_gain > 0)
        fmMix(buffer, frames);
    m_psg.mix(buffer, frames);
    adpcmMix(buffer, frames);
    rhythmMix(buffer, frames);
}

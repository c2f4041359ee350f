#include "opn.h"

#include <math.h>
#include <string.h>

namespace {
const uint8_t kFmDivider[3] = {6, 3, 2};
const uint8_t kSsgDivider[3] = {4, 2, 1};
const uint32_t kLfoDivisor[8] = {108, 77, 71, 67, 62, 44, 8, 5};
}  // namespace

OpnBase::OpnBase()
    : m_status(0), m_gain(16384), m_csmChannel(2), m_prescale(0xFF), m_clock(0), m_rate(44100),
      m_internalRate(44100), m_step(16384), m_interpolation(false), m_channels(0), m_opna(false)
{
    for (int i = 0; i < 6; i++) {
        m_ch[i] = 0;
        m_fnum[i] = 0;
        m_fnumLatch[i] = 0;
        m_applied[i] = 0xFFFFFFFF;
    }
    for (int i = 0; i < 3; i++) {
        m_fnum3[i] = 0;
        m_fnum3Latch[i] = 0;
        m_applied3[i] = 0xFFFFFFFF;
    }
    for (int i = 0; i < 8; i++)
        m_lfoTable[i] = 0;
}

void OpnBase::setVolumeFm(int32_t v)
{
    m_gain = FmVolumeFactor(v, 16384);
}

void OpnBase::setPrescaler(uint32_t index)
{
    if (index > 2 || index == m_prescale)
        return;
    m_prescale = (uint8_t)index;
    const uint32_t fmClock = m_clock / kFmDivider[index] / 12;
    if (m_interpolation) {
        uint64_t r = 2 * (uint64_t)fmClock;
        while (r && ((r << 14) / m_rate) >= 32768)
            r >>= 1;
        m_internalRate = (uint32_t)r;
        m_step = (int32_t)((r << 14) / m_rate);
    } else {
        m_internalRate = m_rate;
        m_step = 16384;
    }
    if (m_internalRate == 0)
        m_internalRate = 1;
    const uint32_t ratio =
        (uint32_t)((m_internalRate / 2 + ((uint64_t)fmClock << 7)) / m_internalRate);
    m_params.setRatio(ratio);
    setTick(fmClock);
    m_psg.init(m_clock / kSsgDivider[index], (int32_t)m_rate, m_interpolation);
    for (int i = 0; i < 8; i++)
        m_lfoTable[i] = (ratio << 9) / kLfoDivisor[i];
    // The ratio feeds every operator's steps.
    for (int c = 0; c < m_channels; c++)
        for (int o = 0; o < 4; o++)
            m_ch[c]->op[o].setMS(m_ch[c]->op[o].ms());
}

void OpnBase::reset()
{
    m_status = 0;
    setPrescaler(0);
    m_psg.reset();
}

void OpnBase::setParameter(int ch, uint32_t reg, uint32_t data)
{
    FmOperator& op = m_ch[ch]->op[fmtables::kSlotToOp[(reg >> 2) & 3]];
    switch (reg & 0xF0) {
    case 0x30:
        op.setDetune((data >> 4) & 7);
        op.setMultiple(data & 15);
        break;
    case 0x40:
        op.setTL(data & 127, (m_timerControl & 0x80) && ch == m_csmChannel);
        break;
    case 0x50:
        op.setKS((data >> 6) & 3);
        op.setAR(data & 31);
        break;
    case 0x60:
        op.setDR(data & 31);
        op.setAMOn((data & 0x80) != 0);
        break;
    case 0x70:
        op.setSR(data & 31);
        break;
    case 0x80:
        op.setSL((data >> 4) & 15);
        op.setRR(data & 15);
        break;
    case 0x90:
        op.setSSGType(data & 15);
        break;
    }
}

void OpnBase::writeFm(uint32_t reg, uint32_t data)
{
    const uint32_t bank = (reg >> 8) & 1;
    const uint32_t r = reg & 0xFF;
    if (bank == 0 && r < 0x10) {
        m_psg.setReg((uint8_t)r, (uint8_t)data);
        return;
    }
    if (bank == 0 && r < 0x30) {
        switch (r) {
        case 0x24:
        case 0x25:
            setTimerA(r & 1, data);
            break;
        case 0x26:
            setTimerB(data);
            break;
        case 0x27:
            setTimerControl(data);
            break;
        case 0x28: {
            uint32_t c = data & 3;
            if (c == 3)
                break;
            if (m_opna && (data & 4))
                c += 3;
            if ((int)c < m_channels)
                m_ch[c]->keyControl(data >> 4);
            break;
        }
        case 0x2D:
        case 0x2E:
        case 0x2F:
            setPrescaler(r - 0x2D);
            break;
        }
        return;
    }
    if (r < 0x30)
        return;
    const uint32_t low = r & 3;
    if (low == 3)
        return;
    const int c = (int)(low + 3 * bank);
    if (c >= m_channels)
        return;
    if (r < 0xA0) {
        setParameter(c, r, m_opna ? data : ((r & 0xF0) == 0x60 ? (data & 0x7F) : data));
        return;
    }
    switch (r & 0xFC) {
    case 0xA0:
        m_fnum[c] = ((uint32_t)m_fnumLatch[c] << 8) + data;
        if (m_opna) {
            m_ch[c]->setFNum(m_fnum[c]);
            m_applied[c] = m_fnum[c];
        }
        break;
    case 0xA4:
        m_fnumLatch[c] = (uint8_t)data;
        break;
    case 0xA8:
        if (bank == 0)
            m_fnum3[low] = ((uint32_t)m_fnum3Latch[low] << 8) + data;
        break;
    case 0xAC:
        if (bank == 0)
            m_fnum3Latch[low] = (uint8_t)data;
        break;
    case 0xB0:
        m_ch[c]->setFB((data >> 3) & 7);
        m_ch[c]->setAlgorithm(data & 7);
        break;
    }
}

void OpnBase::applyFNums()
{
    for (int c = 0; c < m_channels; c++) {
        if (c == 2 && (m_timerControl & 0xC0)) {
            // Operators 1, 2, 3 take the F-numbers written at 0xA9, 0xAA,
            // 0xA8; operator 4 the channel's own.
            static const int kExtra[3] = {1, 2, 0};
            for (int o = 0; o < 3; o++) {
                const uint32_t f = m_fnum3[kExtra[o]];
                m_ch[2]->op[o].setDp((f & 0x7FF) << ((f >> 11) & 7), fmtables::keyCode[(f >> 7) & 127]);
            }
            const uint32_t f = m_fnum[2];
            m_ch[2]->op[3].setDp((f & 0x7FF) << ((f >> 11) & 7), fmtables::keyCode[(f >> 7) & 127]);
            m_applied[2] = 0xFFFFFFFF;
            continue;
        }
        if (m_applied[c] != m_fnum[c]) {
            m_ch[c]->setFNum(m_fnum[c]);
            m_applied[c] = m_fnum[c];
        }
    }
}

// ---- OpnCore ----

OpnCore::OpnCore()
{
    m_channels = 3;
    m_opna = false;
    for (int c = 0; c < 3; c++) {
        m_ch[c] = &m_channel[c];
        m_channel[c].setParams(&m_params);
        m_channel[c].setFamily(0);
    }
}

bool OpnCore::init(uint32_t clock, uint32_t rate, bool /*interpolation*/)
{
    m_clock = clock;
    m_rate = rate ? rate : 44100;
    m_interpolation = false;
    const uint32_t index = m_prescale == 0xFF ? 0 : m_prescale;
    m_prescale = 0xFF;
    setPrescaler(index);
    reset();
    setVolumeFm(0);
    setVolumeSsg(0);
    setMask(0);
    return true;
}

void OpnCore::reset()
{
    for (uint32_t r = 0x20; r < 0x28; r++)
        writeFm(r, 0);
    for (uint32_t r = 0x30; r < 0xC0; r++)
        writeFm(r, 0);
    OpnBase::reset();
    m_timerACount = m_timerBCount = 0;
    for (int c = 0; c < 3; c++) {
        m_channel[c].reset();
        m_applied[c] = 0xFFFFFFFF;
    }
}

void OpnCore::setReg(uint32_t reg, uint8_t data)
{
    if (reg < 0x100)
        writeFm(reg, data);
}

uint8_t OpnCore::getReg(uint32_t reg) const
{
    return reg < 0x10 ? m_psg.getReg((uint8_t)reg) : 0;
}

void OpnCore::setMask(uint32_t mask)
{
    for (int c = 0; c < 3; c++)
        m_channel[c].mute((mask >> c) & 1);
    m_psg.setMask((mask >> 6) & 7);
}

void OpnCore::setStatus(uint32_t bits)
{
    if (!(m_status & bits)) {
        m_status |= (uint8_t)bits;
        intr(true);
    }
}

void OpnCore::resetStatus(uint32_t bits)
{
    m_status &= (uint8_t)~bits;
    if (!m_status)
        intr(false);
}

void OpnCore::mix(int32_t* buffer, int32_t frames)
{
    if (frames <= 0)
        return;
    m_psg.mix(buffer, frames);
    applyFNums();
    const int a0 = m_channel[0].prepare() & 1;
    const int a1 = m_channel[1].prepare() & 1;
    const int a2 = m_channel[2].prepare() & 1;
    if (!(a0 | a1 | a2))
        return;
    const int32_t gain = m_gain;
    for (int32_t i = 0; i < frames; i++) {
        int32_t s = 0;
        if (a0)
            s += m_channel[0].calc();
        if (a1)
            s += m_channel[1].calc();
        if (a2)
            s += m_channel[2].calc();
        if (s > 32767)
            s = 32767;
        if (s < -32768)
            s = -32768;
        const int32_t v = (s * gain) >> 14;
        buffer[2 * i] += v;
        buffer[2 * i + 1] += v;
    }
}

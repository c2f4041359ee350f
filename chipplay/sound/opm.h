// OpmCore: the YM2151 (OPM). Eight four-operator FM channels with stereo
// routing, a global LFO with four waveforms, a noise generator that can
// replace operator 4 of channel 8, timers A and B with CSM. Runs at the
// output rate.
//
//   OpmCore opm;
//   opm.init(4000000, 44100);
//   opm.setReg(0x28, 0x4A);          // channel 1: octave 4, note A
//   opm.setReg(0x08, 0x78);          // key on all four operators
//   opm.mix(stereo, frames);
//
// Registers (YM2151 application manual):
//   0x01 test (bit 1 resets and holds the LFO)   0x08 key: bits 3-6
//   operators, bits 0-2 channel   0x0F noise: bit 7 enable, bits 0-4 NFRQ
//   0x10/0x11 timer A, 0x12 timer B, 0x14 timer control (bit 7 CSM)
//   0x18 LFRQ   0x19 PMD (bit 7 set) / AMD   0x1B LFO waveform
//   0x20-0x27 R L FB CON   0x28-0x2F KC   0x30-0x37 KF   0x38-0x3F PMS AMS
//   0x40-0xFF operators: DT1 MUL, TL, KS AR, AMS-EN D1R, DT2 D2R, D1L RR
#pragma once
#include <stdint.h>

#include "fmcore.h"
#include "fmtimer.h"

class OpmCore : public FmTimer {
public:
    OpmCore();
    void setStatus(uint32_t bits) override;
    void resetStatus(uint32_t bits) override;
    void timerA() override;
    virtual void intr(bool line) {}

    bool init(uint32_t clock, uint32_t rate);
    void reset();
    void setReg(uint32_t reg, uint8_t data);
    uint32_t readStatus() const { return m_status; }
    void setMask(uint32_t mask);
    void setVolumeFm(int32_t v);
    void mix(int32_t* buffer, int32_t frames);

    uint32_t noiseCounter() const { return m_noiseCount; }
    const FmChipParams& params() const { return m_params; }
    FmChannel& channel(int i) { return m_ch[i]; }

private:
    void updateLfo();

    uint32_t m_clock;
    uint32_t m_rate;
    FmChipParams m_params;
    int32_t m_gain;
    uint32_t m_lfoCount;
    uint32_t m_lfoStep;
    uint32_t m_lfoSub;
    uint32_t m_lfoPrev;
    uint32_t m_lfoWave;
    uint32_t m_noise;
    uint32_t m_noiseCount;
    uint8_t m_reg0F;
    uint32_t m_pmd, m_amd;
    uint8_t m_reg18;
    uint8_t m_reg01;
    uint8_t m_status;
    uint8_t m_kc[8], m_kf[8], m_pan[8];
    uint32_t m_random;  // the LFO noise generator's state
    int32_t m_noiseR;   // current LFO noise value
    FmChannel m_ch[8];
};

// The OPN family: OpnBase (timers, prescaler, SSG, the FM register map and
// channel 3's special mode), OpnCore (YM2203: three FM channels and an SSG,
// run at the output rate) and, in opna.h, OpnaBase/OpnaCore (YM2608).
//
//   OpnCore opn;
//   opn.init(3993600, 44100, false);
//   opn.setReg(0x28, 0xF0);          // key on channel 1, all operators
//   opn.mix(stereo, frames);         // adds into int32 L/R pairs
//   opn.count(us);                   // timers; status through setStatus
//
// FM registers (YM2203/YM2608 application manual):
//   0x22 LFO (OPNA)   0x24/0x25 timer A   0x26 timer B   0x27 timer control
//   0x28 key: bits 4-7 operators, bits 0-1 channel (bit 2 the OPNA's
//        second bank)
//   0x29 (OPNA) bit 7 six-channel mode, bits 0-4 interrupt enable
//   0x2D/0x2E/0x2F prescaler select (address write alone selects)
//   0x30-0x9F operator registers, channel = register & 3, slots 1 3 2 4
//   0xA0-0xA2 F-number low, 0xA4-0xA6 block and F-number high (latched)
//   0xA8-0xAE channel 3's per-operator F-numbers
//   0xB0-0xB2 feedback and algorithm, 0xB4-0xB6 (OPNA) pan, AMS, PMS
// Prescaler: index 0, 1, 2 divide the master clock by 6, 3, 2 for FM (x12
// per sample) and by 4, 2, 1 for the SSG.
#pragma once
#include <stdint.h>

#include "fmcore.h"
#include "fmtimer.h"
#include "psgcore.h"

class OpnBase : public FmTimer {
public:
    OpnBase();
    virtual void reset();
    virtual void intr(bool line) {}

    uint32_t readStatus() const { return m_status; }
    // v in 0.5 dB steps; 20 at most; -192 and below silence the FM.
    void setVolumeFm(int32_t v);
    void setVolumeSsg(int32_t v) { m_psg.setVolume(v); }
    int32_t fmGain() const { return m_gain; }
    uint32_t prescaler() const { return m_prescale; }
    uint32_t internalRate() const { return m_internalRate; }
    const FmChipParams& params() const { return m_params; }

protected:
    void setPrescaler(uint32_t index);
    // Operator registers 0x30-0x9F of channel ch (register & 0xFF).
    void setParameter(int ch, uint32_t reg, uint32_t data);
    // Writes common to both cores; reg includes the bank (0x100).
    void writeFm(uint32_t reg, uint32_t data);
    // Pushes the F-numbers to the channels (channel 3 per operator in its
    // special mode).
    void applyFNums();

    uint8_t m_status;
    FmChipParams m_params;
    int32_t m_gain;
    int m_csmChannel;
    uint8_t m_prescale;
    uint32_t m_clock;
    uint32_t m_rate;
    uint32_t m_internalRate;
    int32_t m_step;
    bool m_interpolation;
    PsgCore m_psg;

    // Filled by the derived cores.
    FmChannel* m_ch[6];
    int m_channels;
    bool m_opna;
    uint32_t m_fnum[6];
    uint8_t m_fnumLatch[6];
    uint32_t m_fnum3[3];
    uint8_t m_fnum3Latch[3];
    uint32_t m_applied[6];
    uint32_t m_applied3[3];
    uint32_t m_lfoTable[8];
};

class OpnCore : public OpnBase {
public:
    OpnCore();
    bool init(uint32_t clock, uint32_t rate, bool interpolation);
    void reset() override;
    void setReg(uint32_t reg, uint8_t data);
    uint8_t getReg(uint32_t reg) const;
    void setMask(uint32_t mask);
    void mix(int32_t* buffer, int32_t frames);

    void setStatus(uint32_t bits) override;
    void resetStatus(uint32_t bits) override;

    FmChannel& channel(int i) { return m_channel[i]; }

private:
    FmChannel m_channel[3];
};

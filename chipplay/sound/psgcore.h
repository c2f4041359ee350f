// PsgCore: the three-channel programmable sound generator (AY-3-8910 and
// the SSG of the YM2203/YM2608).
//
//   PsgCore psg;
//   psg.init(2000000, 44100, true);   // chip clock, output rate, resample
//   psg.setReg(0, 0x1C); psg.setReg(1, 0x01); psg.setReg(8, 15);
//   psg.setReg(7, 0x3E);              // tone A only
//   psg.mix(stereo, frames);          // adds into int32 L/R pairs
//
// The chip divides its clock by 8 per tone half-cycle pair: a tone of period
// TP sounds at clock / (8 x TP), the noise LFSR shifts at clock / (8 x NP)
// and one envelope step lasts 4 x EP / clock seconds (32 steps a segment).
// The core runs at an internal rate of clock / 2^k (just under twice the
// output rate) with four sub-steps per internal sample, then resamples with
// a 4-point Lagrange interpolator; without resampling the internal rate is
// the output rate.
//
// Registers (GI AY-3-8910 data manual):
//   R0-R5   fine/coarse tone period A, B, C (12 bits)
//   R6      noise period (5 bits)
//   R7      mixer: bits 0-2 tone off A-C, bits 3-5 noise off A-C
//   R8-R10  level: bits 0-3 fixed level, bit 4 envelope
//   R11-R12 envelope period (16 bits)
//   R13     envelope shape (CONT ATT ALT HOLD)
//   R14-R15 I/O ports (stored only)
//
// All arithmetic in mix is integer so that every host renders alike.
#pragma once
#include <stdint.h>

class PsgCore {
public:
    PsgCore();
    // The envelope pointer points into this chip's own tables.
    PsgCore(const PsgCore&) = delete;
    PsgCore& operator=(const PsgCore&) = delete;

    void init(uint32_t clock, int32_t rate, bool resample);
    void reset();
    void setReg(uint8_t reg, uint8_t data);
    uint8_t getReg(uint8_t reg) const { return reg < 16 ? m_reg[reg] : 0; }
    // v in 0.5 dB steps (0 = three channels at full level fill 16 bits).
    void setVolume(int32_t v);
    // Bit c set mutes channel c.
    void setMask(uint32_t mask);
    // Adds frames stereo samples (the same value left and right).
    void mix(int32_t* buffer, int32_t frames);

    int32_t internalRate() const { return m_internalRate; }

private:
    template <int Mode> void generate(int32_t* out, int32_t n, const uint32_t* toneFlag,
                                      const uint32_t* noiseFlag, const bool* useEnv);
    template <int Mode> void mixLoop(int32_t* buffer, int32_t frames, const uint32_t* toneFlag,
                                     const uint32_t* noiseFlag, const bool* useEnv);
    void updateToneStep(int c);
    void updateNoiseStep();
    void updateEnvStep();

    uint8_t m_reg[16];
    int32_t m_levelTable[32];
    int32_t m_envTable[16][64];
    const int32_t* m_envPtr;
    int32_t m_level[3];
    uint32_t m_toneCount[3];
    uint32_t m_toneStep[3];
    uint32_t m_envCount;
    uint32_t m_envStep;
    uint32_t m_noiseCount;
    uint32_t m_noiseStep;
    uint32_t m_toneBase;
    uint32_t m_envBase;
    uint32_t m_noiseBase;
    uint32_t m_enabled;
    int32_t m_internalRate;
    bool m_resample;
    int32_t m_phase;
    int32_t m_step;
    int32_t m_hist[4];
};

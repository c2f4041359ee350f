// OpnaBase and OpnaCore: the YM2608 (OPNA). Six FM channels with stereo
// and LFO, run at the native FM rate and resampled; the SSG; an ADPCM-B
// channel with 256 KiB of sample RAM; a six-instrument rhythm section.
//
//   OpnaCore opna;
//   if (!opna.init(7987200, 44100, true)) ...   // RAM allocation failed
//   opna.setReg(0x29, 0x80);                    // six-channel mode
//   opna.setReg(0x110, 0x00);                   // status mask (bank 1)
//   opna.mix(stereo, frames);
//
// Bank 1 registers are 0x100-0x1FF. ADPCM-B (0x100-0x110):
//   0x00 control 1: 7 start, 6 record, 5 external memory, 4 repeat, 0 reset
//   0x01 control 2: 7 left, 6 right, 1 RAM type (set: 1-bit planes)
//   0x02-0x05 start/stop, 0x09/0x0A delta-N, 0x0B level, 0x0C/0x0D limit,
//   0x08 data, 0x10 flag control (bit 7 resets the status)
// Rhythm (0x10-0x1D): 0x10 key (bit 7 dumps), 0x11 total level,
//   0x18-0x1D pan (bits 7-6) and level (bits 4-0) per instrument.
// Status bits: 1 timer A, 2 timer B, 4 end of sample / memory stop, 8 memory
// access done; 0x20 in the extended status while ADPCM plays.
#pragma once
#include <stdint.h>

#include "opn.h"

class OpnaBase : public OpnBase {
public:
    OpnaBase();
    void setStatus(uint32_t bits) override;
    void resetStatus(uint32_t bits) override;
    FmChannel& channel(int i) { return m_channel[i]; }

protected:
    void resetBase();
    void setRegBase(uint32_t reg, uint32_t data);
    void fmMix(int32_t* buffer, int32_t frames);
    // Native-rate samples are made in blocks of at most this many.
    enum { kNativeBlock = 256 };
    void makeNatives(int active, int lfo, int32_t count, int32_t* outL, int32_t* outR);

    FmChannel m_channel[6];
    uint8_t m_pan[6];
    uint8_t m_reg22;
    uint8_t m_reg29;
    uint32_t m_lfoCount;
    uint32_t m_lfoStep;
    uint32_t m_statusMask;
    uint32_t m_pending;
    int32_t m_phase;
    int32_t m_histL[4];
    int32_t m_histR[4];
};

class OpnaCore : public OpnaBase {
public:
    OpnaCore();
    ~OpnaCore();
    bool init(uint32_t clock, uint32_t rate, bool interpolation);
    void reset() override;
    void setReg(uint32_t reg, uint8_t data);
    uint8_t getReg(uint32_t reg);
    void setMask(uint32_t mask);
    void mix(int32_t* buffer, int32_t frames);

    void setVolumeAdpcm(int32_t v);
    void setVolumeRhythm(int32_t v);
    void setVolumeRhythmInstrument(int i, int32_t v);
    uint8_t* getAdpcmMemory() { return m_adpcmBuf; }
    // Extended status: also the ADPCM flags; pending bits land in the status.
    uint32_t readStatusEx();
    bool adpcmPlaying() const { return m_adpcmPlaying; }

private:
    void setAdpcmReg(uint32_t reg, uint32_t data);
    void writeRam(uint32_t data);
    uint32_t readRam();
    void afterMemoryAccess(bool write);
    int32_t decodeNibble();
    int32_t nextFiltered();
    void adpcmMix(int32_t* buffer, int32_t frames);
    void rhythmMix(int32_t* buffer, int32_t frames);

    // ADPCM-B
    uint8_t* m_adpcmBuf;
    uint32_t m_startAddr, m_stopAddr, m_limitAddr, m_memAddr;
    uint8_t m_control1, m_control2;
    uint8_t m_adpcmReg[16];
    uint32_t m_deltaN;
    uint32_t m_adpcmStep;
    uint32_t m_stepBase;
    int32_t m_x, m_d;
    int32_t m_position;
    int32_t m_prevS;          // previous decoded sample (for the 2-tap filter)
    int32_t m_filtPrev, m_filtNext;
    int32_t m_level;
    int32_t m_masterVolume;
    int32_t m_effectiveVolume;
    bool m_adpcmPlaying;
    int m_granularity;
    bool m_adpcmMute;
    uint8_t m_readLatch;

    // Rhythm
    struct Instrument {
        const int16_t* pcm;
        uint32_t length;
        uint32_t position;
        uint32_t step;
        uint32_t rate;
        uint8_t pan;
        int8_t level;
        int32_t volumeOffset;
    };
    Instrument m_rhythm[6];
    int32_t m_rhythmTl;
    int32_t m_rhythmMasterOffset;
    uint8_t m_rhythmKey;
    uint8_t m_rhythmMask;
};

// The four-operator FM channel shared by the OPM, OPN and OPNA cores.
//
//   FmChipParams params;  params.setRatio(128);   // native FM sample rate
//   FmChannel ch;         ch.setParams(&params);  ch.reset();
//   ch.op[3].setMultiple(1); ch.op[3].setTL(0, false); ch.op[3].setAR(31);
//   ch.setFNum((4 << 11) | 0x26A);   ch.keyControl(0xF);
//   if (ch.prepare() & 1) sample = ch.calc();
//
// Operators work in the logarithmic domain: a log-sine look-up plus the
// attenuation (envelope, total level, AM) indexes a power table, bit 0 of
// the index being the sign and every 512 entries halving the magnitude
// (6 dB; one envelope level is 8 entries, 0.094 dB). The phase counter is
// 32 bits with the sine index in bits 19-28: a step of F-number << block
// times 2 x MUL x ratio gives the OPN's F x 2^B x fs / 2^21.
//
// Per-operator register fields (OPN 0x30-0x9F, OPM 0x40-0xFF):
//   DT (detune 0-7) MUL (0-15) | TL (0-127) | KS (0-3) AR (0-31)
//   AM-on D1R (0-31) | D2R (0-31) [DT2 on the OPM] | SL (0-15) RR (0-15)
//   SSG-EG type (OPN family, 8-15)
// The envelope runs at its own rate divider: a step every
// 3 x 2^(11 - rate / 4) samples at the native rate, with the increments of
// the real chip's 8-cycle pattern.
#pragma once
#include <stdint.h>

enum FmEgPhase { kEgAttack = 1, kEgDecay = 2, kEgSustain = 3, kEgRelease = 4, kEgOff = 5 };

namespace fmtables {
// 8192 magnitudes, then zeros far enough that every index an operator can
// form (log-sine up to 4277, envelope and TL up to 8184, AM up to 8160:
// 20621 at most) reads a zero there instead of being tested against 8192.
const int kPowerSize = 8192 + 16384;
extern int32_t power[kPowerSize];
extern int32_t logSine[1024];
extern int32_t pm[2][8][256];
extern int32_t am[2][4][256];
extern int32_t keyFraction[64];
extern int8_t detune[256];
extern uint8_t keyCode[128];
extern int32_t sustainLevel[16];
extern int32_t rateStep[16];
extern int8_t decayInc[64][8];
extern int8_t attackShift[64][8];
extern int8_t ssg[8][2][3][2];
void Build();
// Register slots 0-3 of a channel address operators 1, 3, 2, 4, on the OPN
// family and the OPM alike.
extern const int kSlotToOp[4];
}  // namespace fmtables

// A configured volume in steps of 1/40 of a decade (0.5 dB of amplitude):
// unity x 10^(v / 40), held at +20 (10 dB up), silence from -192 down. The
// FM part of every core and the OPNA's ADPCM use it.
int32_t FmVolumeFactor(int32_t v, double unity);

// Values all operators of one core share.
struct FmChipParams {
    FmChipParams();
    void setRatio(uint32_t ratio);

    uint32_t ratio;     // native FM rate / internal rate x 128
    int32_t amLevel;    // LFO amplitude index (0-255)
    int32_t pmLevel;    // LFO phase index (0-255)
    int32_t pmValue;    // current phase deviation (1/65536)
    int32_t multiple[4][16];
};

class FmOperator {
public:
    FmOperator();
    void setParams(FmChipParams* p) { m_params = p; }
    void setFamily(int family) { m_family = family; m_changed = true; }
    void reset();

    void setDetune(uint32_t v) { m_detune = (v & 7) * 32; m_changed = true; }
    void setDetune2(uint32_t v) { m_detune2 = v & 3; m_changed = true; }
    void setMultiple(uint32_t v) { m_multiple = v & 15; m_changed = true; }
    void setTL(uint32_t v, bool csm);
    void setKS(uint32_t v) { m_ks = v & 3; m_changed = true; }
    void setAR(uint32_t v) { m_ar = (v & 31) * 2; m_changed = true; }
    void setDR(uint32_t v) { m_dr = (v & 31) * 2; m_changed = true; }
    void setSR(uint32_t v) { m_sr = (v & 31) * 2; m_changed = true; }
    void setSL(uint32_t v);
    void setRR(uint32_t v) { m_rr = (v & 15) * 4 + 2; m_changed = true; }
    void setSSGType(uint32_t v) { m_ssgType = (v & 8) ? (v & 15) : 0; m_changed = true; }
    void setAMOn(bool on) { m_amOn = on; m_changed = true; }
    void setMS(uint32_t v) { m_ms = v; m_changed = true; }
    void setMute(bool mute) { m_mute = mute; m_changed = true; }
    void setDp(uint32_t dp, uint32_t keyCode) { m_dp = dp; m_keyCode = keyCode; m_changed = true; }

    void keyOn();
    void keyOff();
    void prepare();

    // One sample: envelope step, then the output for phase input in.
    inline int32_t calc(int32_t in);
    // With the LFO: pmValue (1/65536 of the step) and amLevel (0-255) are
    // the chip's current LFO values, read once per sample by the channel.
    inline int32_t calcL(int32_t in, int32_t pmValue, int32_t amLevel);
    inline int32_t calcFB(uint32_t shift);
    inline int32_t calcFBL(uint32_t shift, int32_t pmValue, int32_t amLevel);
    // Envelope only, for the OPM noise that replaces operator 4.
    inline int32_t calcN(uint32_t noise);

    bool isOff() const { return m_egPhase == kEgOff; }
    bool amOn() const { return m_amOn; }
    uint32_t ms() const { return m_ms; }
    int32_t out() const { return m_out; }
    int32_t egLevel() const { return m_egLevel; }
    FmEgPhase egPhase() const { return m_egPhase; }
    uint32_t phaseStep() const { return m_pgDiff; }
    int32_t egOut() const { return m_egOut; }
    bool keyed() const { return m_keyOn; }

private:
    friend class FmChannel;
    void shiftPhase(FmEgPhase next);
    void egStep();
    void egUpdate();
    void updateEgOut();
    void setRateFrom(int32_t regValue);
    void loadSsgPair();
    void calcPhaseStep();

    FmChipParams* m_params;
    int32_t m_out, m_out2;
    uint32_t m_dp;
    uint32_t m_detune;
    uint32_t m_detune2;
    uint32_t m_multiple;
    uint32_t m_pgCount;
    uint32_t m_pgDiff;
    int32_t m_pgDiffLfo;
    int m_family;
    uint32_t m_keyCode;
    int32_t m_egLevel;
    int32_t m_egLevelOnNext;
    int32_t m_egCount;
    int32_t m_egCountStep;
    int32_t m_egOut;
    int32_t m_tlOut;
    int32_t m_egRate;
    int32_t m_egCycle;
    int32_t m_ssgOffset;
    int32_t m_ssgVector;
    int32_t m_ssgPhase;
    uint32_t m_ksr;
    FmEgPhase m_egPhase;
    const int32_t* m_amTable;
    uint32_t m_ms;
    uint32_t m_tl;
    uint32_t m_tlLatch;
    uint32_t m_ar, m_dr, m_sr;
    uint32_t m_sl;
    uint32_t m_rr;
    uint32_t m_ks;
    uint32_t m_ssgType;
    bool m_keyOn;
    bool m_amOn;
    bool m_changed;
    bool m_mute;
};

class FmChannel {
public:
    FmChannel();
    void setParams(FmChipParams* p);
    void setFamily(int family);
    void reset();
    void setFNum(uint32_t f);
    void setKCKF(uint32_t kc, uint32_t kf);
    void keyControl(uint32_t bits);
    void setAlgorithm(uint32_t algo);
    void setFB(uint32_t fb);
    void setMS(uint32_t ms);
    void mute(bool m);
    // bit 0: some operator sounds; bit 1: the LFO changes this channel.
    int prepare();
    int32_t calc();
    int32_t calcL();
    int32_t calcN(uint32_t noise);
    int32_t calcLN(uint32_t noise);
    // `count` samples in a row added to out[0..count-1]: the same samples
    // as `count` calls of calc(), or of calcL() with the chip's LFO levels
    // of each sample taken from pmLevels and amLevels; the operators' state
    // stays at hand across the samples.
    void mixBlock(int32_t* out, int32_t count);
    void mixBlockL(int32_t* out, int32_t count, const int32_t* pmLevels, const int32_t* amLevels);

    FmOperator op[4];  // operators 1-4 in chip numbering

private:
    int32_t calcBuffered(uint32_t noise, bool lfo);
    template <bool UseLfo, int Algo>
    void mixBlockOf(int32_t* out, int32_t count, const int32_t* pmLevels, const int32_t* amLevels);
    template <bool UseLfo>
    void mixBlockAny(int32_t* out, int32_t count, const int32_t* pmLevels, const int32_t* amLevels);

    uint32_t m_fb;
    int32_t m_buf[4];
    int32_t* m_in[3];
    int32_t* m_out[3];
    const int32_t* m_pmTable;
    uint32_t m_algo;
    FmChipParams* m_params;
};

// ---- hot path ----

inline void FmOperator::egUpdate()
{
    m_egCount -= m_egCountStep;
    if (m_egCount <= 0) {
        egStep();
        m_egCount = 786048;  // 2047 x 3 x 128: the remainder is dropped
    }
}

inline int32_t FmOperator::calc(int32_t in)
{
    egUpdate();
    const uint32_t phase = m_pgCount;
    m_pgCount += m_pgDiff;
    const int32_t idx = fmtables::logSine[((int32_t)(phase >> 19) + (in >> 1)) & 0x3FF] + m_egOut;
    m_out = fmtables::power[idx];
    return m_out;
}

inline int32_t FmOperator::calcL(int32_t in, int32_t pmValue, int32_t amLevel)
{
    egUpdate();
    const uint32_t phase = m_pgCount;
    m_pgCount += m_pgDiff + (uint32_t)(((int64_t)pmValue * m_pgDiffLfo) >> 5);
    const int32_t idx = fmtables::logSine[((int32_t)(phase >> 19) + (in >> 1)) & 0x3FF] + m_egOut +
                        m_amTable[amLevel];
    m_out = fmtables::power[idx];
    return m_out;
}

inline int32_t FmOperator::calcFB(uint32_t shift)
{
    int32_t in = 0;
    if (shift < 31)
        in = (int32_t)(((((int64_t)m_out + m_out2) * 131072) >> shift) >> 19);
    m_out2 = m_out;
    return calc(in);
}

inline int32_t FmOperator::calcFBL(uint32_t shift, int32_t pmValue, int32_t amLevel)
{
    int32_t in = 0;
    if (shift < 31)
        in = (int32_t)(((((int64_t)m_out + m_out2) * 131072) >> shift) >> 19);
    m_out2 = m_out;
    return calcL(in, pmValue, amLevel);
}

inline int32_t FmOperator::calcN(uint32_t noise)
{
    egUpdate();
    int32_t v = 1023 - m_tlOut - m_egLevel;
    if (v < 0)
        v = 0;
    m_out = (noise & 1) ? 2 * v : -2 * v;
    return m_out;
}

// ---- channel calculation, one case per algorithm ----

namespace fmdetail {

struct Lfo {
    int32_t pm, am;
};

template <bool UseLfo>
inline int32_t OpCalc(FmOperator& o, int32_t in, const Lfo& l)
{
    return UseLfo ? o.calcL(in, l.pm, l.am) : o.calc(in);
}

template <bool UseLfo>
inline int32_t OpFB(FmOperator& o, uint32_t shift, const Lfo& l)
{
    return UseLfo ? o.calcFBL(shift, l.pm, l.am) : o.calcFB(shift);
}

template <bool UseLfo>
inline int32_t ChannelCalc(FmOperator* op, uint32_t algo, uint32_t fb, const Lfo& l)
{
    FmOperator &o1 = op[0], &o2 = op[1], &o3 = op[2], &o4 = op[3];
    int32_t r;
    switch (algo) {
    case 0:
        OpCalc<UseLfo>(o3, o2.out(), l);
        OpCalc<UseLfo>(o2, o1.out(), l);
        r = OpCalc<UseLfo>(o4, o3.out(), l);
        break;
    case 1:
        OpCalc<UseLfo>(o3, o1.out() + o2.out(), l);
        OpCalc<UseLfo>(o2, 0, l);
        r = OpCalc<UseLfo>(o4, o3.out(), l);
        break;
    case 2:
        OpCalc<UseLfo>(o3, o2.out(), l);
        OpCalc<UseLfo>(o2, 0, l);
        r = OpCalc<UseLfo>(o4, o3.out() + o1.out(), l);
        break;
    case 3:
        OpCalc<UseLfo>(o3, 0, l);
        OpCalc<UseLfo>(o2, o1.out(), l);
        r = OpCalc<UseLfo>(o4, o3.out() + o2.out(), l);
        break;
    case 4:
        OpCalc<UseLfo>(o3, 0, l);
        r = OpCalc<UseLfo>(o2, o1.out(), l);
        r += OpCalc<UseLfo>(o4, o3.out(), l);
        break;
    case 5:
        r = OpCalc<UseLfo>(o3, o1.out(), l);
        r += OpCalc<UseLfo>(o2, o1.out(), l);
        r += OpCalc<UseLfo>(o4, o1.out(), l);
        break;
    case 6:
        r = OpCalc<UseLfo>(o3, 0, l);
        r += OpCalc<UseLfo>(o2, o1.out(), l);
        r += OpCalc<UseLfo>(o4, 0, l);
        break;
    default:
        r = OpCalc<UseLfo>(o3, 0, l);
        r += OpCalc<UseLfo>(o2, 0, l);
        r += OpCalc<UseLfo>(o4, 0, l);
        r += OpFB<UseLfo>(o1, fb, l);
        return r;
    }
    OpFB<UseLfo>(o1, fb, l);
    return r;
}

}  // namespace fmdetail

inline int32_t FmChannel::calc()
{
    return fmdetail::ChannelCalc<false>(op, m_algo, m_fb, fmdetail::Lfo{0, 0});
}

inline int32_t FmChannel::calcL()
{
    m_params->pmValue = m_pmTable[m_params->pmLevel & 255];
    return fmdetail::ChannelCalc<true>(op, m_algo, m_fb, fmdetail::Lfo{m_params->pmValue, m_params->amLevel});
}

template <bool UseLfo, int Algo>
inline void FmChannel::mixBlockOf(int32_t* out, int32_t count, const int32_t* pmLevels, const int32_t* amLevels)
{
    FmOperator* const o = op;
    const uint32_t fb = m_fb;
    if (UseLfo) {
        const int32_t* const pmTable = m_pmTable;
        int32_t pmValue = m_params->pmValue;
        for (int32_t i = 0; i < count; i++) {
            pmValue = pmTable[pmLevels[i] & 255];
            out[i] += fmdetail::ChannelCalc<true>(o, Algo, fb, fmdetail::Lfo{pmValue, amLevels[i]});
        }
        m_params->pmValue = pmValue;   // as the last calcL() leaves it
    } else {
        for (int32_t i = 0; i < count; i++) out[i] += fmdetail::ChannelCalc<false>(o, Algo, fb, fmdetail::Lfo{0, 0});
    }
}

template <bool UseLfo>
inline void FmChannel::mixBlockAny(int32_t* out, int32_t count, const int32_t* pmLevels, const int32_t* amLevels)
{
    // The algorithm cannot change within a block: one loop per algorithm.
    switch (m_algo) {
    case 0: mixBlockOf<UseLfo, 0>(out, count, pmLevels, amLevels); break;
    case 1: mixBlockOf<UseLfo, 1>(out, count, pmLevels, amLevels); break;
    case 2: mixBlockOf<UseLfo, 2>(out, count, pmLevels, amLevels); break;
    case 3: mixBlockOf<UseLfo, 3>(out, count, pmLevels, amLevels); break;
    case 4: mixBlockOf<UseLfo, 4>(out, count, pmLevels, amLevels); break;
    case 5: mixBlockOf<UseLfo, 5>(out, count, pmLevels, amLevels); break;
    case 6: mixBlockOf<UseLfo, 6>(out, count, pmLevels, amLevels); break;
    default: mixBlockOf<UseLfo, 7>(out, count, pmLevels, amLevels); break;
    }
}

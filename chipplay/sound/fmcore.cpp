#include "fmcore.h"

#include <math.h>
#include <string.h>

namespace fmtables {

int32_t power[kPowerSize];   // the tail stays zero
int32_t logSine[1024];
int32_t pm[2][8][256];
int32_t am[2][4][256];
int32_t keyFraction[64];
int8_t detune[256];
uint8_t keyCode[128];
int32_t sustainLevel[16];
int32_t rateStep[16] = {1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024, 2047, 2047, 2047, 2047, 2047};
int8_t decayInc[64][8];
int8_t attackShift[64][8];
int8_t ssg[8][2][3][2];
const int kSlotToOp[4] = {0, 2, 1, 3};

namespace {

const int8_t kDetuneRows[3][32] = {
    {0, 0, 0, 0, 2, 2, 2, 2, 2, 2, 2, 2, 4, 4, 4, 4, 4, 6, 6, 6, 8, 8, 8, 10, 10, 12, 12, 14, 16, 16, 16, 16},
    {2, 2, 2, 2, 4, 4, 4, 4, 4, 6, 6, 6, 8, 8, 8, 10, 10, 12, 12, 14, 16, 16, 18, 20, 22, 24, 26, 28, 32, 32, 32, 32},
    {4, 4, 4, 4, 4, 6, 6, 6, 8, 8, 8, 10, 10, 12, 12, 14, 16, 16, 18, 20, 22, 24, 26, 28, 32, 34, 38, 40, 44, 44, 44, 44},
};

// SSG-EG (offset, vector) per type 8-11, attack half (slow, fast) and
// segment: attenuation = vector x level + offset x 512. The inverted types
// 12-15 mirror them: a falling segment rises, a silent hold is a loud one.
const int8_t kSsgPlain[4][2][3][2] = {
    {{{1, 1}, {1, 1}, {1, 1}}, {{0, 1}, {1, 1}, {1, 1}}},
    {{{0, 1}, {2, 0}, {2, 0}}, {{0, 1}, {2, 0}, {2, 0}}},
    {{{1, -1}, {0, 1}, {1, -1}}, {{0, 1}, {1, -1}, {0, 1}}},
    {{{1, -1}, {0, 0}, {0, 0}}, {{0, 1}, {0, 0}, {0, 0}}},
};

const double kPi = 3.14159265358979323846;

// Fills every table above.
void Fill()
{
    for (int i = 0; i < 256; i++) {
        const int v = ((int)floor(pow(2.0, 13.0 - i / 256.0)) + 2) & ~3;
        power[2 * i] = v;
        power[2 * i + 1] = -v;
    }
    for (int j = 512; j < 8192; j++)
        power[j] = power[j - 512] / 2;

    for (int k = 0; k < 512; k++) {
        const int v = (int)floor(-256.0 * log2(sin((2 * k + 1) * kPi / 1024.0)) + 0.5);
        logSine[k] = (v + 1) * 2;
        logSine[k + 512] = (v + 1) * 2 + 1;
    }

    static const double kDepth[2][8] = {
        {0, 1 / 360.0, 1 / 180.0, 1 / 120.0, 1 / 90.0, 1 / 60.0, 1 / 30.0, 1 / 15.0},
        {0, 1 / 480.0, 1 / 240.0, 1 / 120.0, 1 / 48.0, 1 / 24.0, 1 / 6.0, 7 / 24.0},
    };
    for (int f = 0; f < 2; f++)
        for (int d = 0; d < 8; d++)
            for (int k = 0; k < 256; k++) {
                double v = sin(2 * kPi * k / 256.0) * kDepth[f][d] * 0.6 + 1.0;
                v = v - 1.0;
                pm[f][d][k] = (int32_t)(v * 65536);
            }

    static const int kAmShift[2][4] = {{31, 6, 4, 3}, {31, 2, 1, 0}};
    for (int f = 0; f < 2; f++)
        for (int d = 0; d < 4; d++)
            for (int k = 0; k < 256; k++)
                am[f][d][k] = kAmShift[f][d] >= 31 ? 0 : (((4 * k) >> kAmShift[f][d]) << 3);

    for (int i = 0; i < 64; i++)
        keyFraction[i] = (int32_t)(pow(2.0, i / 768.0) * 65536);

    memset(detune, 0, sizeof(detune));
    for (int r = 0; r < 3; r++)
        for (int k = 0; k < 32; k++) {
            detune[(r + 1) * 32 + k] = kDetuneRows[r][k];
            detune[(r + 5) * 32 + k] = (int8_t)-kDetuneRows[r][k];
        }

    for (int i = 0; i < 128; i++) {
        const int low = i & 15;
        keyCode[i] = (uint8_t)(4 * (i >> 4) + (low <= 6 ? 0 : low == 7 ? 1 : low == 8 ? 2 : 3));
    }
    for (int i = 0; i < 15; i++)
        sustainLevel[i] = 4 * i;
    sustainLevel[15] = 124;

    static const int8_t kPattern[4][8] = {
        {1, 0, 1, 0, 1, 0, 1, 0}, {1, 1, 1, 0, 1, 0, 1, 0}, {1, 1, 1, 0, 1, 1, 1, 0}, {1, 1, 1, 1, 1, 1, 1, 0}};
    static const int8_t kFast[4][8] = {
        {1, 1, 1, 1, 1, 1, 1, 1}, {2, 1, 1, 1, 2, 1, 1, 1}, {2, 1, 2, 1, 2, 1, 2, 1}, {2, 2, 2, 1, 2, 2, 2, 1}};
    for (int rate = 0; rate < 64; rate++)
        for (int c = 0; c < 8; c++) {
            int d;
            if (rate < 2)
                d = 0;
            else if (rate < 6)
                d = 1;
            else if (rate < 8)
                d = (c == 3 || c == 7) ? 0 : 1;
            else if (rate < 48)
                d = kPattern[rate & 3][c];
            else if (rate < 60)
                d = kFast[rate & 3][c] << ((rate - 48) >> 2);
            else
                d = 16;
            decayInc[rate][c] = (int8_t)d;
            int s = -1;
            if (d) {
                s = 4;
                for (int x = d; x > 1; x >>= 1)
                    s--;
            }
            attackShift[rate][c] = (int8_t)s;
        }

    for (int t = 0; t < 4; t++)
        for (int h = 0; h < 2; h++)
            for (int s = 0; s < 3; s++) {
                const int8_t o = kSsgPlain[t][h][s][0], v = kSsgPlain[t][h][s][1];
                ssg[t][h][s][0] = o;
                ssg[t][h][s][1] = v;
                int8_t io, iv;
                if (v == 0) {
                    io = o == 2 ? 0 : 2;
                    iv = 0;
                } else {
                    io = (int8_t)(1 - o);
                    iv = (int8_t)-v;
                    if (io < 0)
                        io = 0;
                }
                ssg[t + 4][h][s][0] = io;
                ssg[t + 4][h][s][1] = iv;
            }
}

}  // namespace

// Two machines may start on two threads at once: the tables are filled by
// the first, under the guard of a local static's initialisation, and only
// read after that.
void Build()
{
    static const bool filled = (Fill(), true);
    (void)filled;
}

}  // namespace fmtables

using namespace fmtables;

int32_t FmVolumeFactor(int32_t v, double unity)
{
    if (v > 20)
        v = 20;
    return v <= -192 ? 0 : (int32_t)(pow(10.0, v * 0.025) * unity);
}

// ---- FmChipParams ----

FmChipParams::FmChipParams() : ratio(0), amLevel(0), pmLevel(0), pmValue(0)
{
    memset(multiple, 0, sizeof(multiple));
    setRatio(128);
}

void FmChipParams::setRatio(uint32_t r)
{
    static const float kDt2[4] = {1.0f, 1.414f, 1.581f, 1.732f};
    if (r == ratio)
        return;
    ratio = r;
    for (int d = 0; d < 4; d++)
        for (int m = 0; m < 16; m++)
            multiple[d][m] = (int32_t)((float)(m ? 2 * m : 1) * kDt2[d] * (float)r);
}

// ---- FmOperator ----

FmOperator::FmOperator()
    : m_params(0), m_out(0), m_out2(0), m_dp(0), m_detune(0), m_detune2(0), m_multiple(0),
      m_pgCount(0), m_pgDiff(0), m_pgDiffLfo(0), m_family(0), m_keyCode(0), m_egLevel(955),
      m_egLevelOnNext(955), m_egCount(0), m_egCountStep(0), m_egOut(0), m_tlOut(0), m_egRate(0),
      m_egCycle(0), m_ssgOffset(0), m_ssgVector(1), m_ssgPhase(0), m_ksr(0), m_egPhase(kEgOff),
      m_amTable(am[0][0]), m_ms(0), m_tl(127), m_tlLatch(127), m_ar(0), m_dr(0), m_sr(0), m_sl(0),
      m_rr(2), m_ks(0), m_ssgType(0), m_keyOn(false), m_amOn(false), m_changed(true), m_mute(false)
{
}

void FmOperator::reset()
{
    m_tl = m_tlLatch = 127;
    m_tlOut = m_mute ? 1023 : (int32_t)m_tl * 8;
    m_pgCount = 0;
    m_egCount = 0;
    m_egCycle = 0;
    m_out = m_out2 = 0;
    m_ssgPhase = 0;
    m_ssgOffset = 0;
    m_ssgVector = 1;
    m_keyOn = false;
    shiftPhase(kEgOff);
    m_changed = true;
}

void FmOperator::setTL(uint32_t v, bool csm)
{
    v &= 127;
    if (!csm) {
        m_tl = v;
    }
    m_tlLatch = v;
    m_changed = true;
}

void FmOperator::setSL(uint32_t v)
{
    m_sl = sustainLevel[v & 15];
    m_changed = true;
}

void FmOperator::calcPhaseStep()
{
    const int32_t base = (int32_t)m_dp + detune[(m_detune + m_keyCode) & 255];
    m_pgDiff = (uint32_t)m_params->multiple[m_detune2][m_multiple] * (uint32_t)base;
    m_pgDiffLfo = (int32_t)(m_pgDiff >> 11);
}

void FmOperator::setRateFrom(int32_t r)
{
    if (r == 0) {
        m_egRate = 0;
    } else {
        m_egRate = r + (int32_t)m_ksr;
        if (m_egRate > 63)
            m_egRate = 63;
    }
    m_egCountStep = rateStep[m_egRate >> 2] * (int32_t)m_params->ratio;
}

void FmOperator::loadSsgPair()
{
    const uint32_t t = m_ssgType & 7;
    const uint32_t limit = (m_ssgType == 8 || m_ssgType == 12) ? 56 : 60;
    const int half = m_ar >= limit ? 1 : 0;
    const int step = m_ssgPhase < 0 ? 0 : m_ssgPhase > 2 ? 2 : m_ssgPhase;
    m_ssgOffset = ssg[t][half][step][0] << 9;
    m_ssgVector = ssg[t][half][step][1];
}

void FmOperator::updateEgOut()
{
    // After a release the SSG pair is (0, 1), so one formula serves.
    int32_t a;
    if (m_ssgType)
        a = m_ssgVector * m_egLevel + m_ssgOffset + m_tlOut;
    else
        a = m_tlOut + m_egLevel;
    if (a > 1023)
        a = 1023;
    if (a < 0)
        a = 0;
    m_egOut = a * 8;
}

void FmOperator::prepare()
{
    if (!m_changed)
        return;
    m_changed = false;
    calcPhaseStep();
    m_ksr = m_keyCode >> (3 - m_ks);
    m_tlOut = m_mute ? 1023 : (int32_t)m_tl * 8;
    switch (m_egPhase) {
    case kEgAttack:
        setRateFrom((int32_t)m_ar);
        break;
    case kEgDecay:
        setRateFrom((int32_t)m_dr);
        m_egLevelOnNext = (int32_t)m_sl * 8;
        if (m_ssgType && m_egLevelOnNext > 512)
            m_egLevelOnNext = 512;
        break;
    case kEgSustain:
        setRateFrom((int32_t)m_sr);
        break;
    case kEgRelease:
        setRateFrom((int32_t)m_rr);
        break;
    default:
        m_egCountStep = rateStep[m_egRate >> 2] * (int32_t)m_params->ratio;
        break;
    }
    if (m_ssgType && m_egPhase != kEgRelease)
        loadSsgPair();
    m_amTable = am[m_family][m_amOn ? (m_ms >> 4) & 3 : 0];
    updateEgOut();
}

void FmOperator::shiftPhase(FmEgPhase next)
{
    switch (next) {
    case kEgAttack: {
        m_tl = m_tlLatch;
        m_tlOut = m_mute ? 1023 : (int32_t)m_tl * 8;
        if (m_ssgType) {
            m_ssgPhase = m_ssgPhase < 0 ? 0 : m_ssgPhase == 1 ? 2 : 1;
            loadSsgPair();
        }
        const int32_t rate = (int32_t)(m_ar + m_ksr);
        if (rate < 62) {
            m_egRate = m_ar ? (rate > 63 ? 63 : rate) : 0;
            m_egCountStep = rateStep[m_egRate >> 2] * (int32_t)m_params->ratio;
            m_egPhase = kEgAttack;
            break;
        }
        // the fastest attacks are instant
        [[fallthrough]];
    }
    case kEgDecay:
        if (m_sl) {
            m_egLevel = 0;
            m_egLevelOnNext = (int32_t)m_sl * 8;
            if (m_ssgType && m_egLevelOnNext > 512)
                m_egLevelOnNext = 512;
            setRateFrom((int32_t)m_dr);
            m_egPhase = kEgDecay;
            break;
        }
        [[fallthrough]];
    case kEgSustain:
        m_egLevel = (int32_t)m_sl * 8;
        m_egLevelOnNext = m_ssgType ? 512 : 1024;
        setRateFrom((int32_t)m_sr);
        m_egPhase = kEgSustain;
        break;
    case kEgRelease:
        if (m_ssgType) {
            m_egLevel = m_egLevel * m_ssgVector + m_ssgOffset;
            if (m_egLevel < 0)
                m_egLevel = 0;
            m_ssgVector = 1;
            m_ssgOffset = 0;
        }
        if (m_egPhase == kEgAttack || m_egLevel < 955) {
            m_egLevelOnNext = 1024;
            setRateFrom((int32_t)m_rr);
            m_egPhase = kEgRelease;
            break;
        }
        [[fallthrough]];
    case kEgOff:
    default:
        m_egLevel = 955;
        m_egLevelOnNext = 955;
        m_egRate = 0;
        m_egCountStep = (int32_t)m_params->ratio;
        m_egPhase = kEgOff;
        break;
    }
    updateEgOut();
}

void FmOperator::egStep()
{
    const int c = m_egCycle & 7;
    if (m_egPhase == kEgAttack) {
        const int s = attackShift[m_egRate][c];
        if (s >= 0) {
            m_egLevel -= (m_egLevel >> s) + 1;
            if (m_egLevel < 1)
                shiftPhase(kEgDecay);
        }
    } else if (m_egPhase != kEgOff) {
        m_egLevel += decayInc[m_egRate][c] * (m_ssgType ? 4 : 1);
        if (m_egLevel >= m_egLevelOnNext) {
            switch (m_egPhase) {
            case kEgDecay:
                shiftPhase(kEgSustain);
                break;
            case kEgSustain:
                shiftPhase(m_ssgType ? kEgAttack : kEgOff);
                break;
            default:
                shiftPhase(kEgOff);
                break;
            }
        }
    }
    updateEgOut();
    m_egCycle++;
}

void FmOperator::keyOn()
{
    if (m_keyOn)
        return;
    m_keyOn = true;
    if (m_egPhase == kEgOff || m_egPhase == kEgRelease) {
        m_ssgPhase = -1;
        shiftPhase(kEgAttack);
        updateEgOut();
        m_out = m_out2 = 0;
        m_pgCount = 0;
    }
}

void FmOperator::keyOff()
{
    if (!m_keyOn)
        return;
    m_keyOn = false;
    shiftPhase(kEgRelease);
}

// ---- FmChannel ----

namespace {
const uint32_t kFbShift[8] = {31, 7, 6, 5, 4, 3, 2, 1};
const uint8_t kConnection[8][6] = {
    {0, 1, 1, 2, 2, 3}, {1, 0, 0, 1, 1, 2}, {1, 1, 1, 0, 0, 2}, {0, 1, 2, 1, 1, 2},
    {0, 1, 2, 2, 2, 1}, {0, 1, 0, 1, 0, 1}, {0, 1, 2, 1, 2, 1}, {1, 0, 1, 0, 1, 0},
};
const int32_t kKeyBase[16] = {5197, 5506, 5833, 6180, 6180, 6547, 6937, 7349,
                              7349, 7786, 8249, 8740, 8740, 9259, 9810, 10394};
}  // namespace

FmChannel::FmChannel() : m_fb(31), m_algo(0), m_params(0)
{
    Build();
    m_buf[0] = m_buf[1] = m_buf[2] = m_buf[3] = 0;
    m_pmTable = pm[0][0];
    setAlgorithm(0);
}

void FmChannel::setParams(FmChipParams* p)
{
    m_params = p;
    for (int i = 0; i < 4; i++)
        op[i].setParams(p);
}

void FmChannel::setFamily(int family)
{
    for (int i = 0; i < 4; i++)
        op[i].setFamily(family);
}

void FmChannel::reset()
{
    for (int i = 0; i < 4; i++)
        op[i].reset();
}

void FmChannel::setFNum(uint32_t f)
{
    const uint32_t dp = (f & 0x7FF) << ((f >> 11) & 7);
    const uint32_t kc = keyCode[(f >> 7) & 127];
    for (int i = 0; i < 4; i++)
        op[i].setDp(dp, kc);
}

void FmChannel::setKCKF(uint32_t kc, uint32_t kf)
{
    const uint32_t dp = (uint32_t)(((uint32_t)((kKeyBase[kc & 15] + 2) >> 2) * (uint32_t)keyFraction[kf & 63] >> 17)
                                   << 19) >> (19 - ((kc >> 4) & 7));
    for (int i = 0; i < 4; i++)
        op[i].setDp(dp, (kc >> 2) & 31);
}

void FmChannel::keyControl(uint32_t bits)
{
    for (int i = 0; i < 4; i++) {
        if (bits & (1u << i))
            op[i].keyOn();
        else
            op[i].keyOff();
    }
}

void FmChannel::setAlgorithm(uint32_t algo)
{
    m_algo = algo & 7;
    const uint8_t* t = kConnection[m_algo];
    for (int i = 0; i < 3; i++) {
        m_in[i] = &m_buf[t[2 * i]];
        m_out[i] = &m_buf[t[2 * i + 1]];
    }
    op[0].m_out = op[0].m_out2 = 0;
}

void FmChannel::setFB(uint32_t fb)
{
    m_fb = kFbShift[fb & 7];
}

void FmChannel::setMS(uint32_t ms)
{
    for (int i = 0; i < 4; i++)
        op[i].setMS(ms);
}

void FmChannel::mute(bool m)
{
    for (int i = 0; i < 4; i++)
        op[i].setMute(m);
}

int FmChannel::prepare()
{
    bool anyAm = false;
    bool sounding = false;
    for (int i = 0; i < 4; i++) {
        op[i].prepare();
        anyAm |= op[i].amOn();
        sounding |= !op[i].isOff();
    }
    const uint32_t ms = op[0].ms();
    m_pmTable = pm[op[0].m_family][ms & 7];
    const bool lfo = (ms & (anyAm ? 0x37u : 0x07u)) != 0;
    return (sounding ? 1 : 0) | (lfo ? 2 : 0);
}

// Operator 4 replaced by noise: operators 1-3 run through the connection
// buffers and the last buffer is heard together with the noise.
int32_t FmChannel::calcBuffered(uint32_t noise, bool lfo)
{
    m_buf[0] = m_buf[1] = m_buf[2] = m_buf[3] = 0;
    const int32_t pm = m_params->pmValue, am = m_params->amLevel;
    *m_out[0] += lfo ? op[0].calcFBL(m_fb, pm, am) : op[0].calcFB(m_fb);
    *m_out[1] += lfo ? op[1].calcL(*m_in[1], pm, am) : op[1].calc(*m_in[1]);
    *m_out[2] += lfo ? op[2].calcL(*m_in[2], pm, am) : op[2].calc(*m_in[2]);
    return *m_out[2] + op[3].calcN(noise);
}

int32_t FmChannel::calcN(uint32_t noise)
{
    return calcBuffered(noise, false);
}

int32_t FmChannel::calcLN(uint32_t noise)
{
    m_params->pmValue = m_pmTable[m_params->pmLevel & 255];
    return calcBuffered(noise, true);
}

void FmChannel::mixBlock(int32_t* out, int32_t count)
{
    mixBlockAny<false>(out, count, nullptr, nullptr);
}

void FmChannel::mixBlockL(int32_t* out, int32_t count, const int32_t* pmLevels, const int32_t* amLevels)
{
    mixBlockAny<true>(out, count, pmLevels, amLevels);
}

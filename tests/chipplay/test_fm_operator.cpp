// The shared FM operator model, driven directly: envelope times against the
// model's step timing, instant attacks, key-on rules, feedback, silence of
// a fully attenuated operator, and the FmTimer periods.
#include "chip_measure.h"
#include "fmcore.h"
#include "fmtimer.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The envelope model as documented: one step every 3 x 2^(11 - rate / 4)
// native samples (every 3 from rate 44 up), with the 8-cycle increments.
int Interval(int rate)
{
    static const int kRateStep[16] = {1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024, 2047, 2047, 2047, 2047, 2047};
    const int per = kRateStep[rate >> 2] * 128;
    return (786048 + per - 1) / per;
}

int DecayInc(int rate, int c)
{
    static const int kPattern[4][8] = {
        {1, 0, 1, 0, 1, 0, 1, 0}, {1, 1, 1, 0, 1, 0, 1, 0}, {1, 1, 1, 0, 1, 1, 1, 0}, {1, 1, 1, 1, 1, 1, 1, 0}};
    static const int kFast[4][8] = {
        {1, 1, 1, 1, 1, 1, 1, 1}, {2, 1, 1, 1, 2, 1, 1, 1}, {2, 1, 2, 1, 2, 1, 2, 1}, {2, 2, 2, 1, 2, 2, 2, 1}};
    if (rate < 2)
        return 0;
    if (rate < 6)
        return 1;
    if (rate < 8)
        return (c == 3 || c == 7) ? 0 : 1;
    if (rate < 48)
        return kPattern[rate & 3][c];
    if (rate < 60)
        return kFast[rate & 3][c] << ((rate - 48) >> 2);
    return 16;
}

// Samples from key-on (step 0 at sample 0) until the model's attack ends.
int ModelAttackSamples(int rate)
{
    int level = 955;
    for (int step = 0;; step++) {
        const int d = DecayInc(rate, step & 7);
        if (d) {
            int s = 4;
            for (int x = d; x > 1; x >>= 1)
                s--;
            level -= (level >> s) + 1;
        }
        if (level < 1)
            return step * Interval(rate);
    }
}

// Samples of a rising phase from level `from` until it reaches `to`, the
// cycle counter starting at c0.
int ModelRiseSamples(int rate, int from, int to, int c0, int* cyclesUsed)
{
    int level = from;
    for (int step = 0;; step++) {
        level += DecayInc(rate, (c0 + step) & 7);
        if (level >= to) {
            *cyclesUsed = step + 1;
            return step * Interval(rate);
        }
    }
}

struct Voice {
    int ar = 31, dr = 0, sr = 0, sl = 0, rr = 15, ks = 0, tl = 0;
};

struct Rig {
    FmChipParams params;
    FmChannel ch;
    explicit Rig(const Voice& v, uint32_t fnum = (4 << 11) | 618)
    {
        ch.setParams(&params);
        ch.reset();
        ch.setAlgorithm(7);
        ch.setFB(0);
        for (int i = 0; i < 4; i++) {
            FmOperator& o = ch.op[i];
            o.setMultiple(1);
            o.setTL(i == 3 ? v.tl : 127, false);
            o.setAR(v.ar);
            o.setDR(v.dr);
            o.setSR(v.sr);
            o.setSL(v.sl);
            o.setRR(v.rr);
            o.setKS(v.ks);
        }
        ch.setFNum(fnum);
    }
    FmOperator& op4() { return ch.op[3]; }
    int32_t step()
    {
        ch.prepare();
        return ch.calc();
    }
};

// Key code 16 for block 4 F-number 618: the key-scale rate is 16 >> (3 - KS).
const int kKsr = 2;

}  // namespace

TEST(FmEnvelope, AttackTimeMatchesTheModel)
{
    for (int ar : {8, 12, 16, 20, 24, 28, 30}) {
        Voice v;
        v.ar = ar;
        v.dr = 0;
        v.sl = 0;
        Rig rig(v);
        rig.ch.keyControl(8);
        const int rate = std::min(63, 2 * ar + kKsr);
        const int expected = ModelAttackSamples(rate);
        int measured = -1;
        int32_t peakAfter = 0;
        for (int i = 0; i < 400000; i++) {
            const int32_t s = rig.step();
            if (measured < 0 && rig.op4().egPhase() != kEgAttack)
                measured = i;
            if (measured >= 0)
                peakAfter = std::max(peakAfter, s);
            if (measured >= 0 && i > measured + 400)
                break;
        }
        EXPECT_EQ(expected, measured) << "AR " << ar << " (rate " << rate << "): expected attack of " << expected
                                      << " samples, measured " << measured;
        EXPECT_GE(peakAfter, 8100) << "AR " << ar << ": full level after the attack";
    }
}

TEST(FmEnvelope, FastestAttacksAreInstant)
{
    // AR 31 gives rate 62 + KSR; AR 30 with KS 3 gives 60 + 16 -> 63.
    struct Case { int ar, ks; };
    for (const Case c : {Case{31, 0}, Case{30, 3}}) {
        Voice v;
        v.ar = c.ar;
        v.ks = c.ks;
        v.sl = 2;
        v.dr = 5;
        Rig rig(v);
        rig.ch.prepare();  // the key-scale rate follows the key code
        rig.ch.keyControl(8);
        EXPECT_EQ(kEgDecay, rig.op4().egPhase()) << "AR " << c.ar << " KS " << c.ks;
        EXPECT_EQ(0, rig.op4().egLevel()) << "AR " << c.ar << " KS " << c.ks;
    }
}

TEST(FmEnvelope, DecayAndReleaseTimesMatchTheModel)
{
    struct Case { int dr, sl, rr; };
    const Case cases[] = {{10, 8, 8}, {16, 4, 12}, {20, 15, 15}, {5, 1, 3}};
    for (const Case& c : cases) {
        Voice v;
        v.dr = c.dr;
        v.sl = c.sl;
        v.rr = c.rr;
        Rig rig(v);
        rig.ch.keyControl(8);
        const int decayRate = std::min(63, 2 * c.dr + kKsr);
        const int slLevel = (c.sl == 15 ? 124 : 4 * c.sl) * 8;
        int cycles = 0;
        // The key-on's attack is instant, so the decay's first step is the
        // operator's first sample.
        const int expectedDecay = ModelRiseSamples(decayRate, 0, slLevel, 0, &cycles);
        int measured = -1, i = 0;
        for (; i < 2000000 && measured < 0; i++) {
            rig.step();
            if (rig.op4().egPhase() == kEgSustain)
                measured = i;
        }
        EXPECT_EQ(expectedDecay, measured) << "DR " << c.dr << " SL " << c.sl << ": expected decay of "
                                           << expectedDecay << " samples, measured " << measured;
        // The sustained level is heard: SL x 3 dB below full.
        int32_t peak = 0;
        for (int k = 0; k < 2000; k++)
            peak = std::max(peak, rig.step());
        const double expectedPeak = 8192.0 * pow(2.0, -slLevel / 64.0);
        if (slLevel < 900) {
            EXPECT_NEAR(expectedPeak, peak, expectedPeak * 0.06 + 2) << "SL " << c.sl << " sustain level";
        }

        // Release from the sustain level down to silence (level 1024 -> off).
        rig.ch.keyControl(0);
        const int releaseRate = std::min(63, c.rr * 4 + 2 + kKsr);
        int rcycles = 0;
        // Two samples passed since the phase changed (the loop's last step
        // plus 2000 more): the counter is mid-interval; allow one interval.
        const int expectedRelease = ModelRiseSamples(releaseRate, slLevel, 1024, cycles, &rcycles);
        int released = -1;
        for (int k = 0; k < 4000000 && released < 0; k++) {
            rig.step();
            if (rig.op4().egPhase() == kEgOff)
                released = k;
        }
        EXPECT_NEAR(expectedRelease, released, Interval(releaseRate))
            << "RR " << c.rr << " from level " << slLevel << ": expected release of " << expectedRelease
            << " samples, measured " << released;
        // Off is silent.
        for (int k = 0; k < 200; k++)
            ASSERT_EQ(0, rig.step()) << "after release, sample " << k;
    }
}

TEST(FmEnvelope, KeyOnRestartsOnlyFromReleaseOrOff)
{
    Voice v;
    v.ar = 31;
    v.dr = 8;
    v.sl = 6;
    v.sr = 3;
    Rig rig(v);
    rig.ch.keyControl(8);
    for (int i = 0; i < 3000; i++)
        rig.step();
    const int levelInDecay = rig.op4().egLevel();
    ASSERT_GT(levelInDecay, 0);
    // Key-on again while keyed: nothing changes.
    rig.ch.keyControl(8);
    EXPECT_EQ(levelInDecay, rig.op4().egLevel());
    // Released and keyed again: the attack restarts (AR 31: level 0 at once).
    rig.ch.keyControl(0);
    rig.step();
    EXPECT_EQ(kEgRelease, rig.op4().egPhase());
    rig.ch.keyControl(8);
    EXPECT_EQ(0, rig.op4().egLevel());
    EXPECT_EQ(kEgDecay, rig.op4().egPhase());
}

TEST(FmOperatorOutput, FullAttenuationIsExactSilence)
{
    Voice v;
    v.tl = 127;
    Rig rig(v);
    rig.ch.keyControl(15);
    for (int i = 0; i < 5000; i++)
        ASSERT_EQ(0, rig.step()) << "TL 127, sample " << i;
    Rig muted(Voice{});
    muted.ch.mute(true);
    muted.ch.keyControl(15);
    for (int i = 0; i < 5000; i++)
        ASSERT_EQ(0, muted.step()) << "muted, sample " << i;
}

TEST(FmOperatorOutput, FeedbackZeroIsAPureSine)
{
    // Operator 1 with FB 0 sounds exactly like operator 4 with the same
    // settings; with FB 7 it does not.
    for (int fb : {0, 7}) {
        Rig a(Voice{}), b(Voice{});
        a.ch.setFB((uint32_t)fb);
        a.ch.op[0].setTL(0, false);
        a.ch.op[3].setTL(127, false);
        a.ch.keyControl(1);
        b.ch.keyControl(8);
        int differ = 0;
        for (int i = 0; i < 3000; i++)
            differ += a.step() != b.step();
        if (fb == 0)
            EXPECT_EQ(0, differ) << "FB 0: samples differing from a plain sine";
        else
            EXPECT_GT(differ, 1000) << "FB 7: samples differing from a plain sine";
    }
}

namespace {

struct TimerProbe : FmTimer {
    uint32_t status = 0;
    int timerAs = 0;
    void setStatus(uint32_t b) override { status |= b; }
    void resetStatus(uint32_t b) override { status &= ~b; }
    void timerA() override { timerAs++; }
};

}  // namespace

TEST(FmTimerPeriods, TimersAAndBAtTheirClocks)
{
    struct Case { const char* chip; double tick; int a; int b; double aPeriod; double bPeriod; };
    // Timer A: (1024 - NA) steps; timer B: (256 - NB) x 16 steps.
    const Case cases[] = {
        {"OPM 4 MHz", 4000000.0 / 64, 0, 0, 1024 * 64 / 4.0, 256 * 1024 / 4.0},
        {"OPM 4 MHz NA 1000 NB 200", 4000000.0 / 64, 1000, 200, 24 * 64 / 4.0, 56 * 1024 / 4.0},
        {"OPN /6", 3993600.0 / 72, 0, 0, 1024 * 72 / 3.9936, 256 * 1152 / 3.9936},
        {"OPN /3", 3993600.0 / 36, 512, 128, 512 * 36 / 3.9936, 128 * 576 / 3.9936},
    };
    for (const Case& c : cases) {
        TimerProbe t;
        t.setTick((uint32_t)c.tick);
        t.setTimerA(0, (uint32_t)(c.a >> 2));
        t.setTimerA(1, (uint32_t)(c.a & 3));
        t.setTimerB((uint32_t)c.b);
        t.setTimerControl(0x01);
        const double ea = c.aPeriod;
        EXPECT_NEAR(ea, t.nextEvent(), ea * 0.001 + 1) << c.chip << " timer A: expected " << ea << " us";
        t.setTimerControl(0x02);  // A stops, B starts
        const double eb = c.bPeriod;
        EXPECT_NEAR(eb, t.nextEvent(), eb * 0.001 + 1) << c.chip << " timer B: expected " << eb << " us";
        // Flags: B flags status bit 2 on expiry only with control bit 3.
        t.count((uint32_t)(eb + 2));
        EXPECT_EQ(0u, t.status) << c.chip;
        t.setTimerControl(0x0A);
        t.count((uint32_t)(eb + 2));
        EXPECT_EQ(2u, t.status) << c.chip << " timer B flag";
        t.setTimerControl(0x2A);
        EXPECT_EQ(0u, t.status) << c.chip << " bit 5 resets flag B";
    }
}

TEST(FmTimerPeriods, LongElapsedTimesDoNotOverflow)
{
    // 40 ms in one go: more than fits a 32-bit count of 1/65536 us.
    TimerProbe t;
    t.setTick(3993600 / 72);
    t.setTimerA(0, 0);
    t.setTimerA(1, 0);
    t.setTimerControl(0x05);
    const uint32_t period = t.nextEvent();
    EXPECT_TRUE(t.count(40000));
    EXPECT_EQ(1u, t.status & 1) << "timer A flagged after 40 ms (period " << period << " us)";
    EXPECT_EQ(1, t.timerAs);
    const double expectedNext = 3 * (1024 * 72 / 3.9936) - 40000;
    EXPECT_NEAR(expectedNext, t.nextEvent(), 2.0) << "next expiry after 40 ms";
    // A whole second: still periodic, still in range.
    t.count(1000000);
    EXPECT_GT(t.nextEvent(), 0u);
    EXPECT_LE(t.nextEvent(), period);
}

TEST(FmTimerPeriods, StoppedTimersNeverWin)
{
    TimerProbe t;
    t.setTick(62500);
    EXPECT_EQ(0u, t.nextEvent());
    t.setTimerB(0);
    t.setTimerControl(0x02);
    EXPECT_NEAR(65536.0, t.nextEvent(), 1.0);
}

TEST(FmEnvelope, SsgTypesRepeatHoldOrEnd)
{
    // A fast decay to the bottom of the SSG range, then the type decides:
    // 8, 10, 12, 14 repeat, 11 and 13 hold a level, 9 and 15 end silent.
    for (int type = 8; type < 16; type++) {
        Voice v;
        v.dr = 31;
        v.sl = 15;
        v.sr = 31;
        Rig rig(v);
        rig.op4().setSSGType((uint32_t)type);
        rig.ch.prepare();
        rig.ch.keyControl(8);
        std::vector<double> x;
        for (int i = 0; i < 20000; i++)
            x.push_back(rig.step());
        const double tail = Rms(x, 15000, 20000);
        const bool expectSound = type != 9 && type != 15;
        EXPECT_EQ(expectSound, tail > 0) << "SSG type " << type << ": tail RMS " << tail;
    }
}

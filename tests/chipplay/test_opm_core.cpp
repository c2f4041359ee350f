// OpmCore (YM2151): KC/KF pitch, timers and CSM, LFO, noise, the output
// clamp, pan and masks.
#include "chip_measure.h"
#include "fm_patch.h"
#include "opm.h"

#include <gtest/gtest.h>
#include <math.h>

#include <algorithm>

namespace {

const int kRate = 44100;
const uint32_t kClock = 4000000;

struct Opm {
    OpmCore core;
    Opm() { EXPECT_TRUE(core.init(kClock, kRate)); }
    RegWrite w()
    {
        return [this](uint32_t r, uint8_t d) { core.setReg(r, d); };
    }
    std::vector<int32_t> render(int frames)
    {
        std::vector<int32_t> buf(2 * frames, 0);
        core.mix(buf.data(), frames);
        return buf;
    }
};

int NonZero(const std::vector<double>& x)
{
    int n = 0;
    for (double v : x)
        n += v != 0;
    return n;
}

// The data sheet's scale: note codes 0-14 run C# .. C, A4 (KC 0x4A) at
// 440 Hz with a 3.579545 MHz clock, in proportion to the clock.
double OpmHz(int kc, int kf)
{
    static const int kSemitone[16] = {0, 1, 2, 2, 3, 4, 5, 5, 6, 7, 8, 8, 9, 10, 11, 11};
    const int octave = (kc >> 4) & 7;
    const double n = 12 * (octave - 4) + kSemitone[kc & 15] - 8 + kf / 64.0;
    return 440.0 * pow(2.0, n / 12.0) * kClock / 3579545.0;
}

}  // namespace

TEST(OpmPitch, KeyCodeAndFraction)
{
    struct Case { int kc, kf; };
    const Case cases[] = {{0x4A, 0}, {0x40, 0}, {0x4E, 0}, {0x2A, 0}, {0x6A, 32}, {0x4D, 63}, {0x14, 10}, {0x71, 0}};
    for (const Case& c : cases) {
        Opm o;
        const RegWrite w = o.w();
        OpmVoice(w, 2, FmVoice{});
        w(0x28 + 2, (uint8_t)c.kc);
        w(0x30 + 2, (uint8_t)(c.kf << 2));
        w(0x08, 0x40 | 2);
        const double expected = OpmHz(c.kc, c.kf);
        const double measured = ZeroCrossFrequency(LeftOf(o.render(kRate / 2)), kRate);
        EXPECT_NEAR(expected, measured, expected * 0.004)
            << "KC " << std::hex << c.kc << std::dec << " KF " << c.kf << ": expected " << expected
            << " Hz, measured " << measured;
    }
}

namespace {

struct OpmProbe : OpmCore {
    std::vector<bool> lines;
    void intr(bool line) override { lines.push_back(line); }
};

}  // namespace

TEST(OpmTimers, PeriodsFlagsAndLine)
{
    OpmProbe o;
    ASSERT_TRUE(o.init(kClock, kRate));
    o.setReg(0x10, 0);
    o.setReg(0x11, 0);
    o.setReg(0x12, 0);
    o.setReg(0x14, 0x05);
    EXPECT_NEAR(16384.0, o.nextEvent(), 1.0) << "timer A: 1024 x 64 clocks";
    o.count(16385);
    EXPECT_EQ(1u, o.readStatus());
    ASSERT_FALSE(o.lines.empty());
    EXPECT_TRUE(o.lines.back());
    o.setReg(0x14, 0x10 | 0x02 | 0x08);
    EXPECT_EQ(0u, o.readStatus());
    EXPECT_FALSE(o.lines.back());
    EXPECT_NEAR(65536.0, o.nextEvent(), 1.0) << "timer B: 256 x 1024 clocks";
    o.count(65537);
    EXPECT_EQ(2u, o.readStatus());
}

TEST(OpmCsm, TimerAKeysEveryChannelAndWritesOnlyRelease)
{
    Opm o;
    const RegWrite w = o.w();
    OpmVoice(w, 0, FmVoice{});
    w(0x28, 0x4A);
    w(0x10, 0xFF);
    w(0x11, 0x03);  // the shortest period: one step
    w(0x14, 0x81);  // CSM, run timer A
    EXPECT_EQ(0, NonZero(LeftOf(o.render(500)))) << "before the timer";
    o.core.count(100);
    EXPECT_GT(NonZero(LeftOf(o.render(500))), 400) << "keyed by timer A";
    for (int i = 0; i < 4; i++)
        EXPECT_TRUE(o.core.channel(0).op[i].keyed()) << "operator " << i + 1;
    w(0x08, 0x78);  // in CSM mode a key-on write changes nothing
    for (int i = 0; i < 4; i++)
        EXPECT_TRUE(o.core.channel(0).op[i].keyed()) << "after 0x78, operator " << i + 1;
    w(0x08, 0x00);  // but a key-off releases
    for (int i = 0; i < 4; i++)
        EXPECT_FALSE(o.core.channel(0).op[i].keyed()) << "after 0x00, operator " << i + 1;
}

TEST(OpmLfo, RatesAndDepthRegisters)
{
    // AM square wave on a carrier: loudness switches at the LFO rate, one
    // cycle being 2^24 counts advanced by the LFO step every 8 frames.
    for (int lfrq : {0xC0, 0xD8, 0xE3}) {
        Opm o;
        const RegWrite w = o.w();
        OpmVoice(w, 0, FmVoice{});
        w(0xA0 + 24, 0x80);  // operator 4 (slot 3): AM on
        w(0x38, 0x03);       // AMS 3
        w(0x1B, 1);          // square
        w(0x18, (uint8_t)lfrq);
        w(0x19, 0x7F);       // AMD only
        w(0x28, 0x6A);
        w(0x08, 0x40);
        const std::vector<double> x = LeftOf(o.render(kRate * 2));
        std::vector<double> env;
        const int block = 22;
        for (size_t k = 0; k + block <= x.size(); k += block)
            env.push_back(Rms(x, k, k + block));
        const uint32_t step = (((lfrq & 15) + 16) * o.core.params().ratio * 32) >> (15 - (lfrq >> 4));
        const double expected = kRate / 8.0 * step / 16777216.0;
        const double measured = ZeroCrossFrequency(env, kRate / (double)block);
        EXPECT_NEAR(expected, measured, expected * 0.02)
            << "LFRQ " << std::hex << lfrq << std::dec << ": expected " << expected << " Hz, measured " << measured;
    }
    // 0x19 with bit 7 sets PMD only: no loudness change.
    Opm o;
    const RegWrite w = o.w();
    OpmVoice(w, 0, FmVoice{});
    w(0xA0 + 24, 0x80);
    w(0x38, 0x03);
    w(0x1B, 1);
    w(0x18, 0xE0);
    w(0x19, 0xFF);
    w(0x28, 0x6A);
    w(0x08, 0x40);
    const std::vector<double> x = LeftOf(o.render(kRate));
    double lo = 1e9, hi = 0;
    for (size_t k = 4410; k + 441 <= x.size(); k += 441) {
        const double r = Rms(x, k, k + 441);
        lo = std::min(lo, r);
        hi = std::max(hi, r);
    }
    EXPECT_LT(hi / lo, 1.02) << "0xFF to 0x19 leaves AMD at 0";
}

TEST(OpmNoise, FastestSettingsStayBoundedAndSoundAlike)
{
    std::vector<int32_t> out[2];
    const int nfrq[2] = {30, 31};
    for (int k = 0; k < 2; k++) {
        Opm o;
        const RegWrite w = o.w();
        OpmVoice(w, 7, FmVoice{});
        w(0x0F, (uint8_t)(0x80 | nfrq[k]));
        w(0x28 + 7, 0x4A);
        w(0x08, 0x78 | 7);
        out[k] = o.render(kRate);
        for (int i = 0; i < 20; i++)
            o.render(kRate);
        EXPECT_LE(o.core.noiseCounter(), 8192u) << "NFRQ " << nfrq[k] << " after 21 s";
        EXPECT_GT(NonZero(LeftOf(out[k])), kRate / 2) << "NFRQ " << nfrq[k] << " sounds";
    }
    EXPECT_EQ(Digest(out[0]), Digest(out[1])) << "NFRQ 30 and 31 both shift once per frame";
}

TEST(OpmMix, ClampAtSeventeenBitsPanAndMasks)
{
    Opm o;
    const RegWrite w = o.w();
    FmVoice v;
    for (int k = 0; k < 4; k++)
        v.tl[k] = 0;
    for (int ch = 0; ch < 8; ch++) {
        OpmVoice(w, ch, v);
        w((uint32_t)(0x28 + ch), 0x4A);
        w(0x08, (uint8_t)(0x78 | ch));
    }
    const std::vector<int32_t> buf = o.render(2000);
    EXPECT_EQ(65535, *std::max_element(buf.begin(), buf.end())) << "clamped at +65535, not 16 bits";
    EXPECT_EQ(-65536, *std::min_element(buf.begin(), buf.end())) << "clamped at -65536";

    // Channel 1 left only (0x40), the rest masked: the right side is silent.
    w(0x20, 0x40 | 7);
    o.core.setMask(0xFE);
    const std::vector<int32_t> one = o.render(2000);
    EXPECT_GT(NonZero(LeftOf(one)), 1000);
    EXPECT_EQ(0, NonZero(RightOf(one)));
    o.core.setMask(0xFF);
    const std::vector<int32_t> none = o.render(2000);
    EXPECT_EQ(0, NonZero(LeftOf(none)) + NonZero(RightOf(none)));
}

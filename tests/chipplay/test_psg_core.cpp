// PsgCore measured from its output: tone pitch, noise rate, envelope shapes
// and periods, levels, masks and the untouched-buffer shortcut.
#include "chip_measure.h"
#include "psgcore.h"

#include <gtest/gtest.h>
#include <math.h>

#include <algorithm>

namespace {

const int kRate = 44100;

std::vector<int32_t> Render(PsgCore& psg, int frames)
{
    std::vector<int32_t> buf(2 * frames, 0);
    psg.mix(buf.data(), frames);
    return buf;
}

void Write(PsgCore& psg, std::initializer_list<std::pair<int, int>> regs)
{
    for (auto& r : regs)
        psg.setReg((uint8_t)r.first, (uint8_t)r.second);
}

void SetTone(PsgCore& psg, int ch, int tp)
{
    psg.setReg((uint8_t)(2 * ch), (uint8_t)(tp & 0xFF));
    psg.setReg((uint8_t)(2 * ch + 1), (uint8_t)(tp >> 8));
}

}  // namespace

TEST(PsgTone, PitchIsClockOverEightTimesPeriod)
{
    struct Case { uint32_t clock; bool resample; int tp; double hz; };
    // hz 0: the tone lies above what the internal rate can carry and the
    // channel holds a constant level (as a disabled tone does).
    const Case cases[] = {
        {2000000, true, 284, 2000000.0 / (8 * 284)},
        {2000000, true, 4095, 2000000.0 / (8 * 4095)},
        {1000000, true, 284, 1000000.0 / (8 * 284)},
        {1000000, true, 4095, 1000000.0 / (8 * 4095)},
        {998400, false, 284, 998400.0 / (8 * 284)},
        {100000, true, 1, 100000.0 / 8},
        {100000, true, 0, 100000.0 / 8},
        {2000000, true, 1, 0},
        {2000000, true, 0, 0},
    };
    for (const Case& c : cases) {
        PsgCore psg;
        psg.init(c.clock, kRate, c.resample);
        psg.reset();
        SetTone(psg, 0, c.tp);
        Write(psg, {{7, 0x3E}, {8, 15}});
        const std::vector<double> x = LeftOf(Render(psg, kRate));
        const double hz = ZeroCrossFrequency(x, kRate);
        SCOPED_TRACE(testing::Message() << "clock " << c.clock << " TP " << c.tp << ": expected "
                                        << c.hz << " Hz, measured " << hz << " Hz");
        if (c.hz == 0) {
            EXPECT_EQ(0, hz);
            // The constant is the channel's negative level.
            EXPECT_EQ(-5461, x[1000]);
        } else {
            EXPECT_NEAR(c.hz, hz, c.hz * 0.001);
        }
    }
}

TEST(PsgTone, PeriodZeroPlaysAsPeriodOne)
{
    std::vector<int32_t> out[2];
    for (int tp = 0; tp < 2; tp++) {
        PsgCore psg;
        psg.init(100000, kRate, true);
        SetTone(psg, 1, tp);
        Write(psg, {{7, 0x3D}, {9, 12}});
        out[tp] = Render(psg, 4000);
    }
    EXPECT_EQ(Digest(out[1]), Digest(out[0]));
}

TEST(PsgNoise, RateIsClockOverEightTimesPeriod)
{
    // Random bits held for 1/R seconds have a sinc^2 spectrum with its first
    // null at R: find the null near the expected rate.
    struct Case { uint32_t clock; int np; };
    const Case cases[] = {{1000000, 31}, {1000000, 16}, {100000, 0}, {100000, 1}, {2000000, 31}};
    for (const Case& c : cases) {
        PsgCore psg;
        psg.init(c.clock, kRate, true);
        Write(psg, {{6, c.np}, {7, 0x37}, {8, 15}});
        const std::vector<double> x = LeftOf(Render(psg, 2 * kRate));
        const size_t n = 4096;
        std::vector<double> s = AverageSpectrum(x, n);
        const double expected = c.clock / (8.0 * (c.np ? c.np : 1));
        const size_t lo = (size_t)(expected * 0.7 * n / kRate), hi = (size_t)(expected * 1.3 * n / kRate);
        size_t best = lo;
        for (size_t i = lo; i <= hi && i < s.size(); i++)
            if (s[i] < s[best])
                best = i;
        const double measured = (double)best * kRate / n;
        // Below the null the spectrum is much stronger than at it.
        const double lowBand = s[(size_t)(expected * 0.4 * n / kRate)];
        SCOPED_TRACE(testing::Message() << "clock " << c.clock << " NP " << c.np << ": expected rate "
                                        << expected << " Hz, spectral null at " << measured << " Hz");
        EXPECT_NEAR(expected, measured, expected * 0.02);
        EXPECT_GT(lowBand, 10 * s[best]);
    }
}

namespace {

// The envelope as the data sheet draws it: CONT ATT ALT HOLD.
int ExpectedEnvLevel(int shape, int step)
{
    const int seg = step / 32, i = step % 32;
    const bool att = shape & 4, cont = shape & 8, alt = shape & 2, hold = shape & 1;
    auto level = [&](bool rising) { return rising ? i : 31 - i; };
    if (seg == 0)
        return level(att);
    if (!cont)
        return 0;
    if (hold)
        return (att != (alt != 0)) ? 31 : 0;
    if (alt)
        return level((seg % 2 == 1) ? !att : att);
    return level(att);
}

int32_t LevelOf(int level)
{
    if (level < 1)
        return 0;
    double d = 5461.333333333333;
    for (int i = 31; i > level; i--)
        d *= 0.8408964152556385;
    return (int32_t)d;  // level is an odd table index here: 2v + 1
}

}  // namespace

TEST(PsgEnvelope, ShapesFollowTheDataSheet)
{
    // clock = 16 x output rate and EP 64: one envelope step every 16 frames.
    for (int shape = 0; shape < 16; shape++) {
        PsgCore psg;
        psg.init(kRate * 16, kRate, false);
        Write(psg, {{7, 0x3F}, {8, 0x10}, {11, 64}, {12, 0}, {13, shape}});
        const std::vector<int32_t> buf = Render(psg, 16 * 32 * 5);
        int bad = 0;
        for (int f = 0; f < 16 * 32 * 5 && bad < 3; f++) {
            const int lv = ExpectedEnvLevel(shape, f / 16);
            // Level index l of the envelope is table entry l; entries 0 and 1 are 0.
            const int32_t expected = -(lv < 2 ? 0 : [&] {
                double d = 5461.333333333333;
                for (int i = 31; i > lv; i--)
                    d *= 0.8408964152556385;
                return (int32_t)d;
            }());
            if (buf[2 * f] != expected) {
                ADD_FAILURE() << "shape " << shape << " frame " << f << " step " << f / 16
                              << ": expected " << expected << " (level " << lv << "), actual " << buf[2 * f];
                bad++;
            }
        }
    }
}

TEST(PsgEnvelope, SawPeriodAtTheChipClock)
{
    // Shape 8 repeats the falling saw: one segment lasts 128 x EP / clock.
    struct Case { uint32_t clock; int ep; };
    const Case cases[] = {{2000000, 500}, {1000000, 300}, {998400, 0}, {3993600, 1}};
    for (const Case& c : cases) {
        PsgCore psg;
        psg.init(c.clock, kRate, true);
        Write(psg, {{7, 0x3F}, {8, 0x10}, {11, c.ep & 0xFF}, {12, c.ep >> 8}, {13, 8}});
        const std::vector<double> x = LeftOf(Render(psg, kRate));
        // The saw falls in level, so the output (negative level) rises and
        // jumps down once per segment.
        std::vector<double> jumps;
        for (size_t i = 1; i < x.size(); i++)
            if (x[i] - x[i - 1] < -2000 && (jumps.empty() || i - jumps.back() > 8))
                jumps.push_back(i);
        const double expected = 128.0 * (c.ep ? c.ep : 0.5) / c.clock;
        if (expected * kRate < 8) {
            // Too fast to see jumps at 44.1 kHz: measure the saw's pitch.
            const double f = PeakFrequency(AverageSpectrum(x, 8192), 8192, kRate, 100, 22000);
            SCOPED_TRACE(testing::Message() << "EP " << c.ep << ": expected " << 1 / expected
                                            << " Hz, measured " << f);
            if (1 / expected < kRate / 2.0) {
                EXPECT_NEAR(1 / expected, f, 0.01 / expected);
            }
            continue;
        }
        ASSERT_GE(jumps.size(), 3u);
        const double measured = (jumps.back() - jumps.front()) / (jumps.size() - 1) / kRate;
        SCOPED_TRACE(testing::Message() << "clock " << c.clock << " EP " << c.ep << ": expected "
                                        << expected << " s, measured " << measured << " s");
        EXPECT_NEAR(expected, measured, expected * 0.003);
    }
}

TEST(PsgEnvelope, WritingTheShapeRestarts)
{
    PsgCore psg;
    psg.init(kRate * 16, kRate, false);
    Write(psg, {{7, 0x3F}, {8, 0x10}, {11, 64}, {13, 13}});
    Render(psg, 16 * 20);
    psg.setReg(13, 13);  // same shape: still restarts at entry 0
    const std::vector<int32_t> buf = Render(psg, 16);
    EXPECT_EQ(0, buf[0]) << "expected level 0 right after the restart";
    const std::vector<int32_t> later = Render(psg, 16 * 40);
    EXPECT_EQ(-LevelOf(31), later[2 * (16 * 39)]) << "shape 13 holds the top level";
}

TEST(PsgLevel, DisabledChannelHoldsNegativeLevelAndVolumeZeroIs5461)
{
    struct Case { int vol; int reg; int32_t expected; };
    const Case cases[] = {{0, 15, -5461}, {0, 14, -LevelOf(29)}, {0, 1, -LevelOf(3)}, {0, 0, 0},
                          {-12, 15, -(int32_t)(pow(10.0, -0.3) * 5461.333333333333)}};
    for (const Case& c : cases) {
        PsgCore psg;
        psg.setVolume(c.vol);
        psg.init(998400, kRate, false);
        Write(psg, {{7, 0x3F}, {8, c.reg}});
        const std::vector<int32_t> buf = Render(psg, 64);
        EXPECT_EQ(c.expected, buf[100]) << "volume " << c.vol << " register " << c.reg;
        EXPECT_EQ(c.expected, buf[101]) << "right equals left";
    }
}

// A configuration may give any 32-bit volume: above +60 dB (120) it counts
// as 120, so the level stays an integer and three loud channels still sum
// inside 32 bits (the sanitizer build would report an overflow).
TEST(PsgLevel, VolumesAboveSixtyDecibelsCountAsSixty)
{
    const int32_t top = (int32_t)(pow(10.0, 3.0) * 5461.333333333333);
    for (int32_t vol : {120, 121, 1000, 2147483647}) {
        PsgCore psg;
        psg.setVolume(vol);
        psg.init(998400, kRate, false);
        Write(psg, {{7, 0x3F}, {8, 15}});
        const std::vector<int32_t> held = Render(psg, 64);
        EXPECT_EQ(-top, held[100]) << "volume " << vol << ": expected level " << -top << ", actual " << held[100];
        SetTone(psg, 0, 100);
        SetTone(psg, 1, 150);
        SetTone(psg, 2, 200);
        Write(psg, {{7, 0x38}, {8, 15}, {9, 15}, {10, 15}});
        double peak = 0;
        for (double x : LeftOf(Render(psg, 4410))) peak = std::max(peak, fabs(x));
        EXPECT_EQ(3.0 * top, peak) << "volume " << vol << ": three channels at the top level";
    }
}

TEST(PsgMix, SilentChipLeavesTheBufferAlone)
{
    PsgCore psg;
    psg.init(2000000, kRate, true);
    SetTone(psg, 0, 100);
    std::vector<int32_t> buf(200, 77);
    psg.mix(buf.data(), 100);
    for (int32_t v : buf)
        ASSERT_EQ(77, v);
}

TEST(PsgMix, MaskGivesExactSilence)
{
    PsgCore psg;
    psg.init(2000000, kRate, true);
    SetTone(psg, 0, 284);
    SetTone(psg, 1, 300);
    Write(psg, {{6, 5}, {7, 0x38}, {8, 15}, {9, 0x10}, {10, 9}, {11, 20}, {13, 14}});
    psg.setMask(7);
    std::vector<int32_t> buf = Render(psg, 2000);
    for (size_t i = 0; i < buf.size(); i++)
        ASSERT_EQ(0, buf[i]) << "sample " << i;
    psg.setMask(6);  // channel A back
    buf = Render(psg, 2000);
    EXPECT_NEAR(880.28, ZeroCrossFrequency(LeftOf(buf), kRate), 1.0);
}

TEST(PsgMix, RenderDigestIsTheSameOnEveryHost)
{
    // Tones, noise, envelope and resampling together; the digest is the
    // same in the native and the Windows build.
    PsgCore psg;
    psg.init(2000000, kRate, true);
    SetTone(psg, 0, 284);
    SetTone(psg, 1, 1000);
    SetTone(psg, 2, 37);
    Write(psg, {{6, 7}, {7, 0x28}, {8, 15}, {9, 0x10}, {10, 11}, {11, 0x40}, {12, 2}, {13, 10}});
    std::vector<int32_t> all;
    for (int block = 0; block < 40; block++) {
        const std::vector<int32_t> b = Render(psg, block % 2 ? 1411 : 4);
        all.insert(all.end(), b.begin(), b.end());
        psg.setReg(0, (uint8_t)(block * 7));
    }
    EXPECT_EQ(0xe32931ffd3ec7f13ull, Digest(all)) << std::hex << Digest(all);
}

// Each chip keeps its own volume: a second chip set louder or quieter later
// does not change what the first one plays.
TEST(PsgLevel, EachChipKeepsItsOwnVolume)
{
    PsgCore quiet;
    quiet.setVolume(-12);
    quiet.init(998400, kRate, false);
    PsgCore loud;
    loud.setVolume(40);
    loud.init(998400, kRate, false);
    Write(quiet, {{7, 0x3F}, {8, 15}});
    const int32_t expected = -(int32_t)(pow(10.0, -0.3) * 5461.333333333333);
    const std::vector<int32_t> buf = Render(quiet, 64);
    EXPECT_EQ(expected, buf[100]) << "expected the quiet chip's level " << expected << ", actual " << buf[100];
}

// OpnCore (YM2203): FM pitch by F-number and block under each prescaler,
// SSG pitch, masks, timers and the volume rule.
#include "chip_measure.h"
#include "fm_patch.h"
#include "opn.h"

#include <gtest/gtest.h>

namespace {

const int kRate = 44100;
const uint32_t kClock = 3993600;

std::vector<int32_t> Render(OpnCore& opn, int frames)
{
    std::vector<int32_t> buf(2 * frames, 0);
    opn.mix(buf.data(), frames);
    return buf;
}

RegWrite Writer(OpnCore& opn)
{
    return [&opn](uint32_t r, uint8_t d) { opn.setReg(r, d); };
}

}  // namespace

TEST(OpnPitch, FNumberAndBlockUnderEachPrescaler)
{
    struct Case { int prescalerReg; int divider; int block; int fnum; int mul; };
    const Case cases[] = {
        {0x2D, 6, 4, 618, 1}, {0x2D, 6, 2, 1200, 1}, {0x2D, 6, 5, 0x7FF, 1}, {0x2D, 6, 0, 1500, 1},
        {0x2D, 6, 4, 618, 0}, {0x2D, 6, 3, 618, 3}, {0x2E, 3, 4, 618, 1}, {0x2F, 2, 3, 618, 1},
    };
    for (const Case& c : cases) {
        OpnCore opn;
        opn.init(kClock, kRate, false);
        const RegWrite w = Writer(opn);
        w((uint32_t)c.prescalerReg, 0);
        FmVoice v;
        v.mul[3] = c.mul;
        OpnVoice(w, 1, v);
        OpnFNum(w, 1, c.block, c.fnum);
        OpnKey(w, 1, 0x8);
        const std::vector<double> x = LeftOf(Render(opn, kRate));
        const double expected =
            c.fnum * (double)(1 << c.block) * (kClock / (12.0 * c.divider)) / 2097152.0 * (c.mul ? c.mul : 0.5);
        const double measured = ZeroCrossFrequency(x, kRate);
        EXPECT_NEAR(expected, measured, expected * 0.001)
            << "prescaler " << std::hex << c.prescalerReg << std::dec << " block " << c.block << " F-number "
            << c.fnum << " MUL " << c.mul << ": expected " << expected << " Hz, measured " << measured;
    }
}

TEST(OpnSsg, PitchFollowsThePrescaler)
{
    // SSG clock = master / 4, / 2, / 1 for 0x2D, 0x2E, 0x2F.
    struct Case { int reg; double clock; };
    for (const Case c : {Case{0x2D, kClock / 4.0}, Case{0x2E, kClock / 2.0}, Case{0x2F, kClock / 1.0}}) {
        OpnCore opn;
        opn.init(kClock, kRate, false);
        opn.setReg((uint32_t)c.reg, 0);
        opn.setReg(0, 284 & 0xFF);
        opn.setReg(1, 284 >> 8);
        opn.setReg(7, 0x3E);
        opn.setReg(8, 15);
        const double expected = c.clock / (8 * 284);
        const double measured = ZeroCrossFrequency(LeftOf(Render(opn, kRate)), kRate);
        EXPECT_NEAR(expected, measured, expected * 0.002)
            << "prescaler register " << std::hex << c.reg << std::dec << ": expected " << expected << " Hz";
    }
}

namespace {

void PlayAll(OpnCore& opn)
{
    const RegWrite w = Writer(opn);
    for (int ch = 0; ch < 3; ch++) {
        OpnVoice(w, ch, FmVoice{});
        OpnFNum(w, ch, 4, 500 + 100 * ch);
        OpnKey(w, ch, 0x8);
    }
    for (int r = 0; r < 6; r++)
        w((uint32_t)r, (uint8_t)(r & 1 ? 0 : 200 + r));
    w(7, 0x38);
    w(8, 15);
    w(9, 12);
    w(10, 0x10);
    w(13, 14);
}

}  // namespace

TEST(OpnMix, MasksAndVolumesGiveExactSilence)
{
    struct Case { uint32_t mask; int fmVolume; bool silent; };
    const Case cases[] = {{0x1C7, 0, true}, {0x1C0, -192, true}, {0x1C0, 0, false}, {0x007, 0, false}};
    for (const Case& c : cases) {
        OpnCore opn;
        opn.init(kClock, kRate, false);
        opn.setVolumeFm(c.fmVolume);
        PlayAll(opn);
        opn.setMask(c.mask);
        const std::vector<int32_t> buf = Render(opn, 4000);
        int nonzero = 0;
        for (int32_t s : buf)
            nonzero += s != 0;
        EXPECT_EQ(c.silent, nonzero == 0) << "mask " << std::hex << c.mask << std::dec << " FM volume "
                                          << c.fmVolume << ": " << nonzero << " non-zero samples";
    }
}

TEST(OpnMix, FmVolumeAboveTwentyCountsAsTwenty)
{
    std::vector<int32_t> out[2];
    const int volumes[2] = {20, 30};
    for (int k = 0; k < 2; k++) {
        OpnCore opn;
        opn.init(kClock, kRate, false);
        opn.setVolumeFm(volumes[k]);
        PlayAll(opn);
        out[k] = Render(opn, 3000);
    }
    EXPECT_EQ(Digest(out[0]), Digest(out[1]));
}

namespace {

struct OpnProbe : OpnCore {
    std::vector<bool> lines;
    void intr(bool line) override { lines.push_back(line); }
};

}  // namespace

TEST(OpnTimers, FlagsRaiseAndResetTheLine)
{
    OpnProbe opn;
    opn.init(kClock, kRate, false);
    opn.lines.clear();
    opn.setReg(0x24, 0);
    opn.setReg(0x25, 0);
    opn.setReg(0x27, 0x05);
    const double period = 1024 * 72 / 3.9936;
    EXPECT_NEAR(period, opn.nextEvent(), 1.0) << "timer A period at prescaler 6";
    EXPECT_FALSE(opn.count((uint32_t)(period - 2)));
    EXPECT_EQ(0u, opn.readStatus());
    EXPECT_TRUE(opn.count(3));
    EXPECT_EQ(1u, opn.readStatus());
    ASSERT_EQ(1u, opn.lines.size());
    EXPECT_TRUE(opn.lines[0]);
    opn.setReg(0x27, 0x15);
    EXPECT_EQ(0u, opn.readStatus());
    ASSERT_EQ(2u, opn.lines.size());
    EXPECT_FALSE(opn.lines[1]);
    // Prescaler 3 halves the period.
    opn.setReg(0x2E, 0);
    opn.setReg(0x24, 0);
    opn.setReg(0x27, 0x00);
    opn.setReg(0x27, 0x01);
    EXPECT_NEAR(period / 2, opn.nextEvent(), 1.0) << "timer A period at prescaler 3";
}

TEST(OpnChannel3, SpecialModeGivesEachOperatorItsFNumber)
{
    // Operators 1, 2, 3 take the F-numbers written at 0xA9, 0xAA, 0xA8;
    // operator 4 the channel's own (0xA2).
    struct Case { int op; int fnum; };
    for (const Case c : {Case{1, 500}, Case{2, 600}, Case{3, 700}, Case{4, 800}}) {
        OpnCore opn;
        opn.init(kClock, kRate, false);
        const RegWrite w = Writer(opn);
        FmVoice v;
        for (int k = 0; k < 4; k++)
            v.tl[k] = k == c.op - 1 ? 0 : 127;
        OpnVoice(w, 2, v);
        const int extra[3] = {700, 500, 600};  // 0xA8, 0xA9, 0xAA
        for (int s = 0; s < 3; s++) {
            w((uint32_t)(0xAC + s), (uint8_t)((4 << 3) | (extra[s] >> 8)));
            w((uint32_t)(0xA8 + s), (uint8_t)extra[s]);
        }
        OpnFNum(w, 2, 4, 800);
        w(0x27, 0x40);
        OpnKey(w, 2, 1 << (c.op - 1));
        const double expected = c.fnum * 16.0 * (kClock / 72.0) / 2097152.0;
        const double measured = ZeroCrossFrequency(LeftOf(Render(opn, kRate / 2)), kRate);
        EXPECT_NEAR(expected, measured, expected * 0.001)
            << "operator " << c.op << ": expected " << expected << " Hz, measured " << measured;
    }
}

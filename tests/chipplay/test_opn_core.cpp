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

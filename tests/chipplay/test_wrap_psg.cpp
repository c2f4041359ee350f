// The AY-3-8910 wrapper on the VM: tone pitch and display notes at the
// chip's clock / (16 x TP), the stream made up to each write, the display
// records (key-on, envelope, disabled channels), masks and volume.
#include "AY38910.h"
#include "chip_measure.h"
#include "wrap_fixture.h"

#include "Chip.h"

#include <cmath>

namespace {

const uint32_t kAyClock = 2000000;

void Tone(const RegWrite& w, int ch, int tp)
{
    w(2 * ch, static_cast<uint8_t>(tp & 0xFF));
    w(2 * ch + 1, static_cast<uint8_t>(tp >> 8));
}

}  // namespace

// The chip sounds at clock / (16 x TP); sound and display agree. TP 0 plays
// as TP 1, and both lie far above what 44100 Hz carries: the channel holds a
// constant and the display shows the top note.
TEST(WrapAy, ToneAndDisplayNoteAtClockOverSixteenTimesPeriod)
{
    for (int tp : {284, 4095, 1000, 1, 0}) {
        OnVm<AY38910> m(kAyClock);
        const RegWrite w = m.w();
        Tone(w, 1, tp);
        w(7, 0x3D);
        w(9, 15);
        const std::vector<double> x = LeftOf(m.render(500));
        const double measured = ZeroCrossFrequency(x, kWrapRate);
        const double expected = kAyClock / (16.0 * (tp == 0 ? 1 : tp));
        const int expectedNote = tp == 0 ? 119 : noteFromFrequency(expected);
        const int note = m.chip->getChannel(1)->note;
        SCOPED_TRACE(testing::Message() << "TP " << tp << ": expected " << expected << " Hz, measured "
                                        << measured << " Hz; note expected " << expectedNote << ", actual "
                                        << note);
        if (expected > kWrapRate / 2)
            EXPECT_EQ(0, measured);
        else
            EXPECT_NEAR(expected, measured, expected * 0.002);
        EXPECT_EQ(expectedNote, note);
    }
    EXPECT_EQ(57, noteFromFrequency(kAyClock / (16.0 * 284))) << "TP 284 is A4";
}

TEST(WrapAy, PeriodZeroSoundsAsPeriodOne)
{
    uint64_t digest[2];
    for (int tp = 0; tp < 2; tp++) {
        OnVm<AY38910> m(kAyClock);
        const RegWrite w = m.w();
        Tone(w, 0, tp);
        w(7, 0x3E);
        w(8, 12);
        digest[tp] = Digest(m.render(100));
    }
    EXPECT_EQ(digest[1], digest[0]);
}

// A write sounds from the moment of VM time it is made: everything before it
// was rendered with the old registers.
TEST(WrapAy, WriteBringsTheStreamUpToTheVmTime)
{
    OnVm<AY38910> m(kAyClock);
    const RegWrite w = m.w();
    Tone(w, 0, 284);
    w(7, 0x3E);
    m.vm.run(50000);
    w(8, 15);
    m.vm.run(50000);
    std::vector<int32_t> buf(2 * 4410);
    int32_t written = 0;
    m.vm.render(buf.data(), 4410, &written);
    ASSERT_EQ(4410, written);
    const std::vector<double> x = LeftOf(buf);
    int first = -1;
    for (size_t i = 0; i < x.size() && first < 0; i++)
        if (x[i] != 0) first = static_cast<int>(i);
    // The core's resampler spreads the step over a few frames.
    EXPECT_NEAR(2205, first, 4) << "first sounding frame: expected about 2205 (50 ms), actual " << first;
}

TEST(WrapAy, DisplayRecordsFollowKeyEnvelopeAndMixer)
{
    OnVm<AY38910> m(kAyClock);
    const RegWrite w = m.w();
    ChannelStatus* a = m.chip->getChannel(0);
    ChannelStatus* b = m.chip->getChannel(1);
    ChannelStatus* c = m.chip->getChannel(2);
    EXPECT_EQ(nullptr, m.chip->getChannel(3));
    EXPECT_EQ(nullptr, m.chip->getChannel(-1));
    EXPECT_EQ(ChipInfo::TYPE_AY38910, m.chip->getState()->type);
    EXPECT_EQ(3, m.chip->getState()->channelCount);

    Tone(w, 0, 284);
    w(7, 0x38);   // tones on, noise off
    w(8, 10);
    EXPECT_EQ(255, a->level) << "key-on";
    EXPECT_EQ(80, a->volume);
    EXPECT_EQ(57, a->note);
    w(8, 0);
    EXPECT_EQ(128, a->level) << "key-off before the display read keeps bit 7";
    a->level = 0;   // the display has seen it

    w(9, 0x10);     // envelope mode: shown at full volume whatever the level bits
    EXPECT_EQ(120, b->volume);
    EXPECT_EQ(255, b->level);
    b->level = 1;
    w(13, 0x0E);    // a new shape restarts the envelope: key-on again
    EXPECT_EQ(255, b->level);

    w(10, 12);
    c->level = 0x81;
    w(7, 0x24 | 0x38);   // channel C: tone and noise off
    EXPECT_EQ(0x80, c->level) << "disabled channel keeps only bit 7";

    w(6, 7);
    w(7, 0x39 & ~0x08);  // channel A: tone off, noise on
    w(8, 15);
    EXPECT_EQ(67 - 7, a->note) << "noise channel note";

    // Reads give the latched register whatever the port.
    m.chip->write(0, 8);
    EXPECT_EQ(15, m.chip->read(1));
    EXPECT_EQ(15, m.chip->read(0));
    EXPECT_EQ(15, m.chip->getRegisters()[8]);
}

TEST(WrapAy, MaskSilencesExactlyAndVolumeIsHalfADecibelAStep)
{
    auto play = [](int32_t volume, uint32_t mask) {
        OnVm<AY38910> m(kAyClock);
        m.chip->setVolume(volume);
        m.chip->setMask(mask);
        const RegWrite w = m.w();
        Tone(w, 0, 284);
        Tone(w, 1, 213);
        Tone(w, 2, 190);
        w(7, 0x38);
        for (int r = 8; r < 11; r++) w(r, 15);
        return LeftOf(m.render(200));
    };
    const std::vector<double> full = play(0, 0);
    EXPECT_GT(CountNonZero(full), 8000);
    EXPECT_EQ(0, CountNonZero(play(0, 7))) << "all three channels masked";
    const std::vector<double> two = play(0, 2);
    const std::vector<double> one = play(0, 6);
    EXPECT_LT(Rms(one, 0, one.size()), Rms(two, 0, two.size()));
    const double ratio = Rms(play(-12, 0), 0, full.size()) / Rms(full, 0, full.size());
    EXPECT_NEAR(std::pow(10.0, -12 * 0.025), ratio, 0.01)
        << "volume -12 (-6 dB): expected gain " << std::pow(10.0, -12 * 0.025) << ", actual " << ratio;
}

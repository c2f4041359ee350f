// The FM chip wrappers on the VM: F-number/block pitch on the OPN and OPNA
// under each prescaler address, KC/KF pitch on the OPM, display notes that
// agree with the measured sound, key-on records, pan and masks giving exact
// silence, volumes in 0.5 dB steps.
#include "YM2151.h"
#include "YM2203.h"
#include "YM2608.h"
#include "chip_measure.h"
#include "wrap_fixture.h"

#include "Chip.h"

#include <cmath>

namespace {

const uint32_t kOpnClock = 3993600;
const uint32_t kOpnaClock = 7987200;
const uint32_t kOpmClock = 4000000;

// The data sheet's scale: KC 0x4A is A4, 440 Hz at 3579545 Hz, in proportion
// to the clock; unused note codes play as the next code up.
double OpmHz(int kc, int kf)
{
    static const int kSemitone[16] = {0, 1, 2, 3, 3, 4, 5, 6, 6, 7, 8, 9, 9, 10, 11, 12};
    const double n = 12 * (((kc >> 4) & 7) - 4) + kSemitone[kc & 15] - 8 + kf / 64.0;
    return 440.0 * std::pow(2.0, n / 12.0) * kOpmClock / 3579545.0;
}

// Channel 1 of an OPN-family chip: sine voice, block and F-number, key on.
template <class C>
void OpnTone(OnVm<C>& m, int ch, int block, int fnum)
{
    const RegWrite w = m.w();
    OpnVoice(w, ch, FmVoice{});
    OpnFNum(w, ch, block, fnum);
    OpnKey(w, ch, 0xF);
}

}  // namespace

// The prescaler is chosen by writing its address alone (0 = none written).
// Sound: 2^block x F x master / (prescaler x 12 x 2^21), the OPNA's master
// being halved first. The display note comes from the same frequency.
TEST(WrapOpnFamily, FNumberPitchAndDisplayNoteUnderEachPrescaler)
{
    struct Case { bool opna; int address; int divider; int block; int fnum; };
    const Case cases[] = {
        {false, 0, 6, 4, 618},     {false, 0x2D, 6, 3, 1000}, {false, 0x2E, 3, 4, 618},
        {false, 0x2F, 2, 2, 700},  {true, 0, 6, 4, 618},      {true, 0x2E, 3, 3, 900},
        {true, 0x2F, 2, 4, 618},   {true, 0x2D, 6, 5, 400},
    };
    for (const Case& c : cases) {
        const double master = c.opna ? kOpnaClock / 2.0 : kOpnClock;
        const double expected = std::ldexp(c.fnum, c.block) * master / (c.divider * 12.0 * 2097152.0);
        double measured;
        int note;
        if (c.opna) {
            OnVm<YM2608> m(kOpnaClock);
            if (c.address) m.chip->write(0, static_cast<uint8_t>(c.address));
            m.w()(0xB4, 0xC0);
            OpnTone(m, 0, c.block, c.fnum);
            measured = ZeroCrossFrequency(LeftOf(m.render(500)), kWrapRate);
            note = m.chip->getChannel(0)->note;
        } else {
            OnVm<YM2203> m(kOpnClock);
            if (c.address) m.chip->write(0, static_cast<uint8_t>(c.address));
            OpnTone(m, 0, c.block, c.fnum);
            measured = ZeroCrossFrequency(LeftOf(m.render(500)), kWrapRate);
            note = m.chip->getChannel(0)->note;
        }
        EXPECT_NEAR(expected, measured, expected * 0.002)
            << (c.opna ? "YM2608" : "YM2203") << " address " << std::hex << c.address << std::dec << " block "
            << c.block << " F " << c.fnum << ": expected " << expected << " Hz, measured " << measured;
        EXPECT_EQ(noteFromFrequency(expected), note)
            << (c.opna ? "YM2608" : "YM2203") << " address " << std::hex << c.address << std::dec
            << ": display note expected " << noteFromFrequency(expected) << ", actual " << note;
    }
}

// The SSG follows the prescaler address too: sound and display agree.
TEST(WrapOpnFamily, SsgPitchAndDisplayFollowThePrescalerAddress)
{
    struct Case { bool opna; int address; double ssgClock; };
    const Case cases[] = {
        {false, 0, kOpnClock / 4.0},  {false, 0x2E, kOpnClock / 2.0},  {false, 0x2F, kOpnClock / 1.0},
        {true, 0, kOpnaClock / 8.0},  {true, 0x2E, kOpnaClock / 4.0},  {true, 0x2F, kOpnaClock / 2.0},
    };
    const int tp = 1136;
    for (const Case& c : cases) {
        const double expected = c.ssgClock / (8.0 * tp);
        double measured;
        int note;
        auto play = [&](auto& m, int record) {
            if (c.address) m.chip->write(0, static_cast<uint8_t>(c.address));
            const RegWrite w = m.w();
            w(0, tp & 0xFF);
            w(1, tp >> 8);
            w(7, 0x3E);
            w(8, 15);
            measured = ZeroCrossFrequency(LeftOf(m.render(500)), kWrapRate);
            note = m.chip->getChannel(record)->note;
        };
        if (c.opna) {
            OnVm<YM2608> m(kOpnaClock);
            play(m, 6);
        } else {
            OnVm<YM2203> m(kOpnClock);
            play(m, 3);
        }
        EXPECT_NEAR(expected, measured, expected * 0.002)
            << (c.opna ? "YM2608" : "YM2203") << " address " << std::hex << c.address << std::dec
            << ": SSG expected " << expected << " Hz, measured " << measured;
        EXPECT_EQ(noteFromFrequency(expected), note) << (c.opna ? "YM2608" : "YM2203") << " address " << std::hex
                                                     << c.address << std::dec << ": SSG display note";
    }
}

TEST(WrapOpm, KeyCodePitchAndDisplayNoteAgree)
{
    struct Case { int kc, kf; };
    const Case cases[] = {{0x4A, 0}, {0x40, 0}, {0x4E, 0}, {0x2A, 10}, {0x6D, 40}, {0x14, 20}, {0x71, 0}, {0x4B, 0}};
    for (const Case& c : cases) {
        OnVm<YM2151> m(kOpmClock);
        const RegWrite w = m.w();
        OpmVoice(w, 3, FmVoice{});
        w(0x20 + 3, 0xC0);
        w(0x28 + 3, static_cast<uint8_t>(c.kc));
        w(0x30 + 3, static_cast<uint8_t>(c.kf << 2));
        w(0x08, 0x78 | 3);
        const double expected = OpmHz(c.kc, c.kf);
        const double measured = ZeroCrossFrequency(LeftOf(m.render(500)), kWrapRate);
        const int note = m.chip->getChannel(3)->note;
        EXPECT_NEAR(expected, measured, expected * 0.004) << "KC " << std::hex << c.kc << std::dec << " KF " << c.kf
                                                          << ": expected " << expected << " Hz, measured " << measured;
        EXPECT_EQ(noteFromFrequency(measured), note)
            << "KC " << std::hex << c.kc << std::dec << " KF " << c.kf << ": display note expected "
            << noteFromFrequency(measured) << " (the sound), actual " << note;
    }
}

// Bit 2 of 0x28 selects the OPNA's channels 4-6; the OPN has none, so its
// SSG records stay dark. Key-off before the display reads keeps bit 7.
TEST(WrapOpnFamily, KeyOnRecords)
{
    {
        OnVm<YM2203> m(kOpnClock);
        m.w()(0x28, 0xF4);
        EXPECT_EQ(255, m.chip->getChannel(0)->level) << "YM2203 FM 1 after 0x28 = 0xF4";
        EXPECT_EQ(0, m.chip->getChannel(3)->level) << "YM2203 SSG 1 after 0x28 = 0xF4";
        m.w()(0x28, 0x04);
        EXPECT_EQ(128, m.chip->getChannel(0)->level) << "YM2203 FM 1 after key-off";
        m.w()(0x28, 0xF3);
        for (int i = 0; i < 6; i++) EXPECT_NE(255, m.chip->getChannel(i)->level) << "channel code 3, record " << i;
    }
    {
        OnVm<YM2608> m(kOpnaClock);
        m.w()(0x28, 0xF5);
        EXPECT_EQ(255, m.chip->getChannel(4)->level) << "YM2608 FM 5 after 0x28 = 0xF5";
        EXPECT_EQ(0, m.chip->getChannel(1)->level) << "YM2608 FM 2 after 0x28 = 0xF5";
        m.w()(0x10, 0x05);
        EXPECT_EQ(255, m.chip->getChannel(10)->level) << "rhythm 1";
        EXPECT_EQ(255, m.chip->getChannel(12)->level) << "rhythm 3";
        m.w()(0x10, 0x81);
        EXPECT_EQ(128, m.chip->getChannel(10)->level) << "rhythm 1 dumped";
        m.w()(0x18, 0x80 | 20);
        EXPECT_EQ(80, m.chip->getChannel(10)->volume) << "rhythm 1 volume";
        EXPECT_EQ(ChannelStatus::PAN_LEFT, m.chip->getChannel(10)->pan) << "rhythm 1 pan";
        m.w()(0x100, 0xA0);
        EXPECT_EQ(255, m.chip->getChannel(9)->level) << "ADPCM start";
        m.w()(0x10B, 0x80);
        EXPECT_EQ(64, m.chip->getChannel(9)->volume) << "ADPCM volume";
        EXPECT_EQ(nullptr, m.chip->getChannel(16));
    }
    {
        OnVm<YM2151> m(kOpmClock);
        m.w()(0x08, 0x7D);
        EXPECT_EQ(255, m.chip->getChannel(5)->level) << "YM2151 channel 6";
        m.w()(0x08, 0x05);
        EXPECT_EQ(128, m.chip->getChannel(5)->level) << "YM2151 channel 6 after key-off";
        m.w()(0x7D, 0x10);
        EXPECT_EQ(127 - 0x10, m.chip->getChannel(5)->volume) << "YM2151 channel 6 volume (TL of operator 4)";
        EXPECT_EQ(nullptr, m.chip->getChannel(8));
    }
}

// Pan to one side leaves the other exactly silent, and the display says so;
// masks silence exactly; -12 half-decibel steps halve the amplitude.
TEST(WrapFm, PanMaskAndVolume)
{
    struct Result { std::vector<double> left, right; int pan; };
    enum Kind { OPN, OPNA, OPM };
    auto play = [](Kind kind, int pan, uint32_t mask, int32_t volume) {
        Result r;
        std::vector<int32_t> out;
        if (kind == OPM) {
            OnVm<YM2151> m(kOpmClock);
            m.chip->setMask(mask);
            m.chip->setVolumeFm(volume);
            const RegWrite w = m.w();
            OpmVoice(w, 0, FmVoice{});
            w(0x20, static_cast<uint8_t>(pan));
            w(0x28, 0x4A);
            w(0x08, 0x78);
            out = m.render(100);
            r.pan = m.chip->getChannel(0)->pan;
        } else if (kind == OPNA) {
            OnVm<YM2608> m(kOpnaClock);
            m.chip->setMask(mask);
            m.chip->setVolumeFm(volume);
            m.chip->setVolumeSsg(volume);
            const RegWrite w = m.w();
            w(0xB4, static_cast<uint8_t>(pan));
            OpnTone(m, 0, 4, 618);
            w(0, 0x1C);
            w(1, 1);
            w(7, 0x3E);
            w(8, 15);
            out = m.render(100);
            r.pan = m.chip->getChannel(0)->pan;
        } else {
            OnVm<YM2203> m(kOpnClock);
            m.chip->setMask(mask);
            m.chip->setVolumeFm(volume);
            m.chip->setVolumeSsg(volume);
            const RegWrite w = m.w();
            OpnTone(m, 0, 4, 618);
            w(2, 0x1C);
            w(3, 1);
            w(7, 0x3D);
            w(9, 15);
            out = m.render(100);
            r.pan = ChannelStatus::PAN_BOTH;
        }
        r.left = LeftOf(out);
        r.right = RightOf(out);
        return r;
    };
    const char* names[3] = {"YM2203", "YM2608", "YM2151"};

    // OPNA bit 7 is left; OPM bit 6 is left.
    Result l = play(OPNA, 0x80, 0x1C0, 0);
    EXPECT_GT(CountNonZero(l.left), 3000) << "YM2608 pan left: left";
    EXPECT_EQ(0, CountNonZero(l.right)) << "YM2608 pan left: right";
    EXPECT_EQ(ChannelStatus::PAN_LEFT, l.pan) << "YM2608 pan left: display";
    l = play(OPM, 0x40, 0, 0);
    EXPECT_GT(CountNonZero(l.left), 3000) << "YM2151 pan left: left";
    EXPECT_EQ(0, CountNonZero(l.right)) << "YM2151 pan left: right";
    EXPECT_EQ(ChannelStatus::PAN_LEFT, l.pan) << "YM2151 pan left: display";
    l = play(OPM, 0x80, 0, 0);
    EXPECT_EQ(0, CountNonZero(l.left)) << "YM2151 pan right: left";
    EXPECT_EQ(ChannelStatus::PAN_RIGHT, l.pan) << "YM2151 pan right: display";

    // Masks: FM 1 and SSG 1 (global bits 0 and 3 of the YM2203, 0 and 6 of
    // the YM2608) all together, then each part alone still sounds.
    struct MaskCase { Kind kind; uint32_t all, fmOnly, ssgOnly; };
    for (const MaskCase& c : {MaskCase{OPN, 0x3F, 0x38, 0x07}, MaskCase{OPNA, 0xFFFF, 0xFFC0, 0xFE3F},
                              MaskCase{OPM, 0xFF, 0xFE, 0xFF}}) {
        const char* name = names[c.kind];
        EXPECT_EQ(0, CountNonZero(play(c.kind, 0xC0, c.all, 0).left)) << name << " all masked";
        EXPECT_GT(CountNonZero(play(c.kind, 0xC0, c.fmOnly, 0).left), 3000) << name << " FM unmasked";
        if (c.kind != OPM) {
            EXPECT_GT(CountNonZero(play(c.kind, 0xC0, c.ssgOnly, 0).left), 3000) << name << " SSG unmasked";
        }
    }

    // Volume: the FM alone (SSG masked), at 0 and -12 (-6 dB).
    struct VolumeCase { Kind kind; uint32_t mask; };
    for (const VolumeCase& c : {VolumeCase{OPN, 0x38}, VolumeCase{OPNA, 0x1C0}, VolumeCase{OPM, 0}}) {
        const uint32_t mask = c.mask;
        const std::vector<double> full = play(c.kind, 0xC0, mask, 0).left;
        const std::vector<double> half = play(c.kind, 0xC0, mask, -12).left;
        const double ratio = Rms(half, 0, half.size()) / Rms(full, 0, full.size());
        EXPECT_NEAR(std::pow(10.0, -0.3), ratio, 0.01)
            << names[c.kind] << " volume -12: expected gain " << std::pow(10.0, -0.3) << ", actual " << ratio;
    }
}

// ADPCM-B steps at delta-N / 65536 of (master / 2) / 72, 55466 Hz at
// 7987200 Hz: 2048 nibbles at delta-N 0x8000 last 73.85 ms. The end flag
// (extended status bit 2) shows when the stream reaches the end; the VM is
// stepped in 1 ms so that it shows within a millisecond.
TEST(WrapOpna, AdpcmRunsAtHalfTheMasterClockOverSeventyTwo)
{
    OnVm<YM2608> m(kOpnaClock);
    uint8_t* ram = m.chip->getAdpcmMemory();
    ASSERT_NE(nullptr, ram);
    for (int i = 0; i < 1024; i++) ram[i] = static_cast<uint8_t>(i * 37 + 11);
    const RegWrite w = m.w();
    w(0x110, 0x00);
    w(0x101, 0xC0);
    w(0x102, 0x00);
    w(0x103, 0x00);
    w(0x104, 0xFF);   // stop: byte 1023 (4-byte units)
    w(0x105, 0x00);
    w(0x109, 0x00);
    w(0x10A, 0x80);
    w(0x10B, 0xFF);
    w(0x100, 0xA0);
    int endMs = -1;
    for (int ms = 1; ms <= 200 && endMs < 0; ms++) {
        m.vm.run(1000);
        if (m.chip->read(2) & 0x04) endMs = ms;
    }
    const double expected = 2048 / (kOpnaClock / 2.0 / 72 * 0x8000 / 65536) * 1000;
    EXPECT_NEAR(expected, endMs, 1.5) << "end of sample: expected at " << expected << " ms, actual " << endMs << " ms";
    EXPECT_EQ(ChannelStatus::PAN_BOTH, m.chip->getChannel(9)->pan) << "ADPCM pan";
}

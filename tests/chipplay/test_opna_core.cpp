// OpnaCore (YM2608): six-channel FM with pan and LFO, the resampled SSG,
// ADPCM-B from a sample encoded here, the rhythm section, the status mask
// and masks.
#include "chip_measure.h"
#include "fm_patch.h"
#include "opna.h"
#include "rhythmsamples.h"

#include <gtest/gtest.h>
#include <math.h>

#include <algorithm>

namespace {

const int kRate = 44100;
const uint32_t kClock = 7987200;
const double kPi = 3.14159265358979323846;

struct Opna {
    OpnaCore core;
    std::vector<bool> lines;
    Opna() { EXPECT_TRUE(core.init(kClock, kRate, true)); }
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

// ADPCM-B encoder that tracks the decoder exactly.
std::vector<uint8_t> EncodeAdpcmB(const std::vector<int>& pcm)
{
    static const int kT[8] = {57, 57, 57, 57, 77, 102, 128, 153};
    std::vector<uint8_t> out((pcm.size() + 1) / 2, 0);
    int x = 0, d = 127;
    for (size_t i = 0; i < pcm.size(); i++) {
        int diff = pcm[i] - x;
        int n = 0;
        if (diff < 0) {
            n = 8;
            diff = -diff;
        }
        int q = (diff * 4) / d;  // (2q + 1) d / 8 closest to diff
        q = std::min(7, std::max(0, (q - 1 + 1) / 2 + ((q & 1) ? 0 : 0)));
        int best = 0, bestErr = 1 << 30;
        for (int k = 0; k < 8; k++) {
            const int err = abs((2 * k + 1) * d / 8 - diff);
            if (err < bestErr) {
                bestErr = err;
                best = k;
            }
        }
        n |= best;
        const int s = (n & 8) ? -(2 * (n & 7) + 1) : (2 * (n & 7) + 1);
        x = std::min(32767, std::max(-32768, x + s * d / 8));
        d = std::min(24576, std::max(127, kT[n & 7] * d / 64));
        if (i & 1)
            out[i / 2] |= (uint8_t)n;
        else
            out[i / 2] |= (uint8_t)(n << 4);
    }
    return out;
}

std::vector<uint8_t> SineAdpcm(double hz, double rate, int samples, int amplitude = 12000)
{
    std::vector<int> pcm(samples);
    for (int i = 0; i < samples; i++)
        pcm[i] = (int)(amplitude * sin(2 * kPi * hz * i / rate));
    return EncodeAdpcmB(pcm);
}

// Start (in 4-byte units of 8-bit RAM), stop, delta-N, level; then start.
void AdpcmPlay(Opna& o, uint32_t startByte, size_t bytes, uint32_t deltaN, uint8_t control1 = 0xA0,
               uint8_t control2 = 0xC0)
{
    const RegWrite w = o.w();
    const uint32_t start = startByte / 4, stop = (uint32_t)((startByte + bytes) / 4 - 1);
    w(0x101, control2);
    w(0x102, (uint8_t)start);
    w(0x103, (uint8_t)(start >> 8));
    w(0x104, (uint8_t)stop);
    w(0x105, (uint8_t)(stop >> 8));
    w(0x109, (uint8_t)deltaN);
    w(0x10A, (uint8_t)(deltaN >> 8));
    w(0x10B, 0xFF);
    w(0x100, control1);
}

}  // namespace

TEST(OpnaFm, PitchOnAllSixChannelsAndThePrescalers)
{
    struct Case { int reg; int divider; };
    for (const Case c : {Case{0x2D, 6}, Case{0x2E, 3}, Case{0x2F, 2}}) {
        for (int ch = 0; ch < 6; ch++) {
            Opna o;
            const RegWrite w = o.w();
            w((uint32_t)c.reg, 0);
            w(0x29, 0x80);
            OpnVoice(w, ch, FmVoice{});
            OpnFNum(w, ch, 3, 700);
            OpnKey(w, ch, 0x8);
            const std::vector<double> x = LeftOf(o.render(kRate / 2));
            const double expected = 700 * 8.0 * (kClock / 2.0 / c.divider / 12.0) / 2097152.0;
            const double measured = ZeroCrossFrequency(x, kRate);
            EXPECT_NEAR(expected, measured, expected * 0.001)
                << "channel " << ch + 1 << " prescaler " << std::hex << c.reg << std::dec << ": expected "
                << expected << " Hz, measured " << measured;
        }
    }
}

TEST(OpnaFm, ChannelsFourToSixNeedSixChannelMode)
{
    Opna o;
    const RegWrite w = o.w();
    OpnVoice(w, 4, FmVoice{});
    OpnFNum(w, 4, 4, 618);
    OpnKey(w, 4, 0x8);
    EXPECT_EQ(0, NonZero(LeftOf(o.render(2000)))) << "0x29 bit 7 clear";
    w(0x29, 0x80);
    EXPECT_GT(NonZero(LeftOf(o.render(2000))), 1000) << "0x29 bit 7 set";
}

TEST(OpnaFm, PanGivesExactSilenceOnTheOtherSide)
{
    struct Case { uint8_t pan; bool left, right; };
    for (const Case c : {Case{0xC0, true, true}, Case{0x80, true, false}, Case{0x40, false, true}, Case{0x00, false, false}}) {
        Opna o;
        const RegWrite w = o.w();
        OpnVoice(w, 1, FmVoice{});
        w(0xB5, c.pan);
        OpnFNum(w, 1, 4, 618);
        OpnKey(w, 1, 0x8);
        const std::vector<int32_t> buf = o.render(3000);
        EXPECT_EQ(c.left, NonZero(LeftOf(buf)) > 0) << "pan " << std::hex << (int)c.pan << " left";
        EXPECT_EQ(c.right, NonZero(RightOf(buf)) > 0) << "pan " << std::hex << (int)c.pan << " right";
    }
}

TEST(OpnaFm, LfoRates)
{
    // AM depth 3 on a carrier: the loudness follows the LFO. The model's
    // rate: the 55466 Hz native clock advances the LFO counter by
    // (128 << 9) / D per sample, one cycle being 2^23.
    const int kD[8] = {108, 77, 71, 67, 62, 44, 8, 5};
    for (int i = 0; i < 8; i++) {
        Opna o;
        const RegWrite w = o.w();
        FmVoice v;
        OpnVoice(w, 0, v);
        w(0x60 + 12, 0x80);  // operator 4 (slot 3) AM on
        w(0xB4, 0xC0 | (3 << 4));
        w(0x22, (uint8_t)(8 | i));
        OpnFNum(w, 0, 6, 1000);
        OpnKey(w, 0, 0x8);
        const std::vector<double> x = LeftOf(o.render(kRate * 2));
        std::vector<double> env;
        const int block = 22;  // 2 kHz envelope sampling
        for (size_t k = 0; k + block <= x.size(); k += block)
            env.push_back(Rms(x, k, k + block));
        const double expected = (kClock / 2.0 / 72.0) * ((128 << 9) / kD[i]) / 8388608.0;
        const double measured = ZeroCrossFrequency(env, kRate / (double)block);
        EXPECT_NEAR(expected, measured, expected * 0.02 + 0.05)
            << "LFO " << i << ": expected " << expected << " Hz, measured " << measured;
    }
}

TEST(OpnaAdpcm, PitchFromDeltaN)
{
    // A 1 kHz sine recorded at 16 kHz, played back at 16 kHz: delta-N
    // 65536 x 16000 / 55466 (the chip's ADPCM clock at 7987200 Hz).
    struct Case { double sampleRate; double hz; };
    for (const Case c : {Case{16000, 1000}, Case{8000, 440}, Case{55466, 3000}, Case{44100, 2000}}) {
        Opna o;
        const std::vector<uint8_t> data = SineAdpcm(c.hz, c.sampleRate, (int)(c.sampleRate / 2) & ~1);
        std::copy(data.begin(), data.end(), o.core.getAdpcmMemory());
        const uint32_t deltaN = (uint32_t)lround(65536.0 * c.sampleRate / (kClock / 2.0 / 72.0));
        AdpcmPlay(o, 0, data.size(), std::min(deltaN, 65535u));
        const std::vector<double> x = LeftOf(o.render(kRate / 3));
        const double measured = ZeroCrossFrequency(x, kRate);
        EXPECT_NEAR(c.hz, measured, c.hz * 0.005)
            << "recorded at " << c.sampleRate << " Hz: expected " << c.hz << " Hz, measured " << measured;
    }
}

TEST(OpnaAdpcm, EndFlagStopsAndRepeatLoops)
{
    for (bool repeat : {false, true}) {
        Opna o;
        const std::vector<uint8_t> data = SineAdpcm(500, 16000, 1600);  // 0.1 s
        std::copy(data.begin(), data.end(), o.core.getAdpcmMemory());
        AdpcmPlay(o, 0, data.size(), 18905, repeat ? 0xB0 : 0xA0);
        EXPECT_EQ(0x20u, o.core.readStatusEx() & 0x24) << "playing, no end flag yet";
        const std::vector<double> x = LeftOf(o.render(kRate / 2));  // 0.5 s
        const uint32_t st = o.core.readStatusEx();
        if (repeat) {
            EXPECT_EQ(0x20u, st & 0x24) << "repeat: still playing, no end flag";
            EXPECT_GT(Rms(x, kRate * 4 / 10, kRate / 2), 3000) << "repeat: sound after 0.4 s";
        } else {
            EXPECT_EQ(0x04u, st & 0x24) << "end flag set, playing bit clear";
            EXPECT_GT(Rms(x, 0, kRate / 20), 3000) << "sound during the sample";
            int last = 0;
            for (size_t i = 0; i < x.size(); i++)
                if (x[i] != 0)
                    last = (int)i;
            EXPECT_NEAR(kRate / 10, last, 10) << "last non-zero frame at the sample's end";
        }
    }
}

TEST(OpnaAdpcm, MemoryWriteAndReadBackThroughRegister108)
{
    struct Case { uint8_t control2; uint32_t startUnit; };
    // 8-bit RAM at the bottom and at the very top of the 256 KiB; 1-bit RAM.
    for (const Case c : {Case{0x00, 0}, Case{0x00, 0xFFF0}, Case{0x02, 0x100}}) {
        Opna o;
        const RegWrite w = o.w();
        w(0x101, c.control2);
        w(0x102, (uint8_t)c.startUnit);
        w(0x103, (uint8_t)(c.startUnit >> 8));
        w(0x104, 0xFF);
        w(0x105, 0xFF);
        w(0x100, 0x60);  // memory write
        for (int i = 0; i < 64; i++)
            w(0x108, (uint8_t)(i * 37 + 1));
        w(0x100, 0x20);  // memory read
        w(0x102, (uint8_t)c.startUnit);
        uint8_t first = o.core.getReg(0x108);
        (void)first;  // the latch's previous content
        for (int i = 0; i < 64; i++) {
            const uint8_t got = o.core.getReg(0x108);
            ASSERT_EQ((uint8_t)(i * 37 + 1), got) << "control 2 " << std::hex << (int)c.control2 << " start "
                                                  << c.startUnit << std::dec << " byte " << i;
        }
        const uint8_t* ram = o.core.getAdpcmMemory();
        if (c.control2 == 0x00) {
            EXPECT_EQ(1, ram[c.startUnit * 4]) << "8-bit RAM keeps bytes in order";
            EXPECT_EQ((uint8_t)(63 * 37 + 1), ram[c.startUnit * 4 + 63]);
        } else {
            // 1-bit RAM: plane b holds bit b; eight bytes per plane byte.
            // Two address units per image byte: the start register counts
            // 32 image bytes, 4 plane bytes.
            const uint32_t byte0 = c.startUnit * 4;
            const uint8_t v1 = (uint8_t)(1 * 37 + 1);
            for (int b = 0; b < 8; b++)
                EXPECT_EQ((v1 >> b) & 1, (ram[b * 0x8000 + byte0] >> 1) & 1) << "plane " << b;
        }
        EXPECT_TRUE(o.core.readStatusEx() & 8) << "memory access flag";
    }
}

TEST(OpnaAdpcm, EightBitRamPlaysAtTheTopOfMemory)
{
    // The same sample at address 0 and in the last 16 KiB of the RAM sounds
    // the same.
    const std::vector<uint8_t> data = SineAdpcm(700, 16000, 8000);
    std::vector<int32_t> out[2];
    const uint32_t starts[2] = {0, 0x3C000};
    for (int k = 0; k < 2; k++) {
        Opna o;
        std::copy(data.begin(), data.end(), o.core.getAdpcmMemory() + starts[k]);
        AdpcmPlay(o, starts[k], data.size(), 18905);
        out[k] = o.render(kRate / 4);
    }
    EXPECT_GT(Rms(LeftOf(out[1]), 0, kRate / 5), 3000);
    EXPECT_EQ(Digest(out[0]), Digest(out[1]));
}

TEST(OpnaAdpcm, OneBitRamCrossesTheFirstSixteenKilobytes)
{
    // In 1-bit RAM a sample running past plane byte 0x4000 keeps playing
    // from the RAM, not from address 0.
    const std::vector<uint8_t> data = SineAdpcm(700, 16000, 8000);  // 4000 bytes
    std::vector<int32_t> out[2];
    // Image byte addresses: the second start is address unit 0x3F000, so the
    // sample runs through unit 0x3FFFF.
    const uint32_t starts[2] = {0x1000 * 8, 0x1F800};
    for (int k = 0; k < 2; k++) {
        Opna o;
        uint8_t* ram = o.core.getAdpcmMemory();
        for (size_t i = 0; i < data.size(); i++) {
            const size_t img = starts[k] + i;
            for (int b = 0; b < 8; b++)
                if ((data[i] >> b) & 1)
                    ram[b * 0x8000 + img / 8] |= (uint8_t)(1 << (img % 8));
        }
        // The start register counts 32 image bytes (AdpcmPlay divides by 4).
        AdpcmPlay(o, starts[k] / 8, data.size() / 8, 18905, 0xA0, 0xC2);
        out[k] = o.render(kRate / 4);
    }
    EXPECT_GT(Rms(LeftOf(out[0]), 0, kRate / 5), 3000);
    EXPECT_EQ(Digest(out[0]), Digest(out[1]));
}

TEST(OpnaAdpcm, DeltaNBelow256PlaysAs256)
{
    std::vector<int32_t> out[2];
    const uint32_t deltas[2] = {10, 256};
    const std::vector<uint8_t> data = SineAdpcm(100, 2000, 2000);
    for (int k = 0; k < 2; k++) {
        Opna o;
        std::copy(data.begin(), data.end(), o.core.getAdpcmMemory());
        AdpcmPlay(o, 0, data.size(), deltas[k]);
        out[k] = o.render(20000);
    }
    EXPECT_EQ(Digest(out[0]), Digest(out[1]));
}

TEST(OpnaRhythm, LengthsAndStops)
{
    const int kLength[6] = {9494 / 2, 6108 / 2, 56828 / 2, 8952 / 2, 13446 / 2, 2554 / 2};
    for (int i = 0; i < 6; i++) {
        ASSERT_EQ((uint32_t)kLength[i] * 2, RhythmSampleBytes(i)) << "instrument " << i;
        Opna o;
        const RegWrite w = o.w();
        w(0x11, 0x3F);
        w((uint32_t)(0x18 + i), 0xDF);
        w(0x10, (uint8_t)(1 << i));
        const std::vector<double> x = LeftOf(o.render(kLength[i] + 2000));
        int last = -1;
        for (size_t k = 0; k < x.size(); k++)
            if (x[k] != 0)
                last = (int)k;
        EXPECT_LT(last, kLength[i]) << "instrument " << i << ": last sound at frame " << last << ", length "
                                    << kLength[i];
        EXPECT_GT(last, kLength[i] - 200) << "instrument " << i << " plays to its end";
        EXPECT_GT(Rms(x, 0, 500), 500) << "instrument " << i << " is audible";

        // Dump (bit 7) stops it; key again restarts from the beginning.
        Opna p;
        const RegWrite pw = p.w();
        pw(0x11, 0x3F);
        pw((uint32_t)(0x18 + i), 0xDF);
        pw(0x10, (uint8_t)(1 << i));
        const std::vector<int32_t> head = p.render(300);
        pw(0x10, (uint8_t)(0x80 | (1 << i)));
        EXPECT_EQ(0, NonZero(LeftOf(p.render(300)))) << "instrument " << i << " after the dump";
        pw(0x10, (uint8_t)(1 << i));
        EXPECT_EQ(Digest(head), Digest(p.render(300))) << "instrument " << i << " restarts from the top";
    }
}

TEST(OpnaRhythm, LevelsAttenuationAndPan)
{
    auto peakOf = [](Opna& o, int frames) {
        double peak = 0;
        for (double v : LeftOf(o.render(frames)))
            peak = std::max(peak, fabs(v));
        return peak;
    };
    // Before any level write: the levels of register value 0 (63 + 31 steps
    // of 0.75 dB), nearly silent.
    {
        Opna o;
        o.w()(0x10, 0x01);
        EXPECT_LE(peakOf(o, 2000), 8.0) << "levels before the first write";
    }
    // 0.75 dB per step: 8 steps halve the amplitude.
    double peaks[2];
    for (int k = 0; k < 2; k++) {
        Opna o;
        o.w()(0x11, 0x3F);
        o.w()(0x18, (uint8_t)(0xC0 | (0x1F - 8 * k)));
        o.w()(0x10, 0x01);
        peaks[k] = peakOf(o, 2000);
    }
    EXPECT_NEAR(0.5, peaks[1] / peaks[0], 0.01) << "8 steps of attenuation";
    // Sums beyond 127 clamp to 127.
    std::vector<int32_t> out[2];
    const int volumes[2] = {-60, -51};
    for (int k = 0; k < 2; k++) {
        Opna o;
        o.core.setVolumeRhythm(volumes[k]);
        o.w()(0x18, 0xC0);
        o.w()(0x10, 0x01);
        out[k] = o.render(3000);
    }
    EXPECT_EQ(Digest(out[0]), Digest(out[1])) << "attenuation 134 and 128 both clamp to 127";
    // Pan right only: the left side is exactly silent.
    Opna o;
    o.w()(0x11, 0x3F);
    o.w()(0x19, 0x5F);
    o.w()(0x10, 0x02);
    const std::vector<int32_t> buf = o.render(2000);
    EXPECT_EQ(0, NonZero(LeftOf(buf)));
    EXPECT_GT(NonZero(RightOf(buf)), 1000);
}

// A configuration may give any 32-bit volume: the most negative ones are
// as quiet as any other far below the range (the master silences, an
// instrument sits on the last gain step), never a doubling that overflows
// back to full volume.
TEST(OpnaRhythm, MostNegativeVolumesAreTheQuietest)
{
    auto render = [](int32_t master, int32_t instrument) {
        Opna o;
        o.core.setVolumeRhythm(master);
        o.core.setVolumeRhythmInstrument(0, instrument);
        o.w()(0x11, 0x3F);
        o.w()(0x18, 0xDF);
        o.w()(0x10, 0x01);
        return o.render(3000);
    };
    const std::vector<int32_t> loud = render(0, 0);
    ASSERT_GT(Rms(LeftOf(loud), 0, 3000), 100.0) << "the instrument sounds at volume 0";
    const double masterRms = Rms(LeftOf(render(INT32_MIN, 0)), 0, 3000);
    EXPECT_EQ(0.0, masterRms) << "master volume INT32_MIN: expected silence, actual RMS " << masterRms;
    EXPECT_EQ(Digest(render(0, -300)), Digest(render(0, INT32_MIN)))
        << "instrument volume INT32_MIN sounds as -300 does (the last gain step)";
    EXPECT_EQ(Digest(render(-300, 0)), Digest(render(INT32_MIN + 1, 0)));
}

namespace {

struct OpnaProbe : OpnaCore {
    std::vector<bool> lines;
    void intr(bool line) override { lines.push_back(line); }
};

}  // namespace

TEST(OpnaStatus, TimersRaiseStatusWithoutAMaskWrite)
{
    // Songs that never write 0x110 still get their timer interrupts.
    OpnaProbe o;
    ASSERT_TRUE(o.init(kClock, kRate, true));
    o.lines.clear();
    o.setReg(0x24, 0);
    o.setReg(0x25, 0);
    o.setReg(0x27, 0x05);
    EXPECT_TRUE(o.count(20000));
    EXPECT_EQ(1u, o.readStatus() & 3) << "timer A flag";
    ASSERT_FALSE(o.lines.empty());
    EXPECT_TRUE(o.lines.back()) << "interrupt line raised";
    // Masking timer A through 0x110 keeps its flag out of the status.
    o.setReg(0x27, 0x15);
    EXPECT_FALSE(o.lines.back());
    o.setReg(0x110, 0x01);
    o.count(20000);
    EXPECT_EQ(0u, o.readStatus() & 1) << "masked timer A";
}

TEST(OpnaMix, MaskEverythingIsExactSilence)
{
    Opna o;
    const RegWrite w = o.w();
    w(0x29, 0x80);
    for (int ch = 0; ch < 6; ch++) {
        OpnVoice(w, ch, FmVoice{});
        OpnFNum(w, ch, 4, 500 + 50 * ch);
        OpnKey(w, ch, 0x8);
    }
    w(0, 200);
    w(7, 0x3E);
    w(8, 15);
    const std::vector<uint8_t> data = SineAdpcm(500, 16000, 4000);
    std::copy(data.begin(), data.end(), o.core.getAdpcmMemory());
    AdpcmPlay(o, 0, data.size(), 18905);
    w(0x11, 0x3F);
    for (int i = 0; i < 6; i++)
        w((uint32_t)(0x18 + i), 0xDF);
    w(0x10, 0x3F);
    o.core.setMask(0xFFFF);
    const std::vector<int32_t> buf = o.render(4000);
    EXPECT_EQ(0, NonZero(LeftOf(buf)) + NonZero(RightOf(buf)));
    o.core.setMask(0xFDFF);  // ADPCM only
    EXPECT_GT(NonZero(LeftOf(o.render(2000))), 1000);
}

TEST(OpnaAdpcm, SampleWrapsFromTheTopOfRamToItsStop)
{
    // Start 64 bytes below the top of the 256 KiB, stop 64 bytes above 0:
    // the address wraps at the top of RAM and the sample ends at its stop.
    Opna o;
    const std::vector<uint8_t> data = SineAdpcm(1000, 16000, 256);  // 128 bytes
    uint8_t* ram = o.core.getAdpcmMemory();
    std::copy(data.begin(), data.begin() + 64, ram + 0x3FFC0);
    std::copy(data.begin() + 64, data.end(), ram);
    const RegWrite w = o.w();
    w(0x101, 0xC0);
    w(0x102, 0xF0);
    w(0x103, 0xFF);
    w(0x104, 0x0F);
    w(0x105, 0x00);
    w(0x109, (uint8_t)18905);
    w(0x10A, (uint8_t)(18905 >> 8));
    w(0x10B, 0xFF);
    w(0x100, 0xA0);
    o.render(kRate / 20);  // 256 samples at 16 kHz last 16 ms
    EXPECT_EQ(0x04u, o.core.readStatusEx() & 0x24) << "stopped at its stop address after the wrap";
}

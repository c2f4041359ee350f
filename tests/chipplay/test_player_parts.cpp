// The player's parts on their own: the request ring, the WAV recorder and
// the spectrum.
#include "FFT.h"
#include "RequestQueue.h"
#include "WaveWriter.h"
#include "player_fakes.h"
#include "testdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

uint32_t Le32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

TEST(RequestQueue, HoldsCapacityLessOneInOrderAndDropsTheRest)
{
    TestSystemScope sys;
    RequestQueue q(1024);
    for (int i = 0; i < 1023; i++) ASSERT_TRUE(q.put(i)) << i;
    EXPECT_FALSE(q.put(5000));   // full: one slot tells full from empty
    EXPECT_EQ(q.get(), 0);
    EXPECT_TRUE(q.put(5001));    // a taken word makes room, across the ring's end
    EXPECT_FALSE(q.put(5002));
    for (int i = 1; i < 1023; i++) ASSERT_EQ(q.get(), i);
    EXPECT_EQ(q.get(), 5001);
}

// A file that keeps a copy of its bytes when the writer deletes it.
struct KeepingFile : FakeFile {
    std::vector<uint8_t>* out;
    KeepingFile(int room, int offset, std::vector<uint8_t>* o) : FakeFile(room, offset), out(o) {}
    ~KeepingFile() override { *out = bytes; }
};

// The fixed 44-byte header, with sizes patched on close.
void CheckHeader(const std::vector<uint8_t>& b, uint32_t dataBytes)
{
    ASSERT_GE(b.size(), 44u);
    const std::string text(b.begin(), b.begin() + 44);
    EXPECT_EQ(text.substr(0, 4), "RIFF");
    EXPECT_EQ(Le32(b, 4), 36 + dataBytes);
    EXPECT_EQ(text.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(Le32(b, 16), 16u);
    EXPECT_EQ(Le32(b, 20), 1u | 2u << 16);   // PCM, two channels
    EXPECT_EQ(Le32(b, 24), 44100u);
    EXPECT_EQ(Le32(b, 28), 176400u);
    EXPECT_EQ(Le32(b, 32), 4u | 16u << 16);  // block 4, 16 bits
    EXPECT_EQ(text.substr(36, 4), "data");
    EXPECT_EQ(Le32(b, 40), dataBytes);
}

TEST(WaveWriter, HeaderSizes)
{
    TestSystemScope sys;
    TestDir dir;
    {
        // A second of frames on disk: 176444 bytes, RIFF 176436, data 176400.
        std::vector<int32_t> frames(2 * 44100);
        for (size_t i = 0; i < frames.size(); i++) frames[i] = static_cast<int32_t>(i % 2 ? -3 - i % 1000 : i % 1000);
        frames[0] = 40000;   // only its low 16 bits are kept
        WaveWriter w;
        ASSERT_TRUE(w.open(System::openFile(dir.file("second.wav"), File::MODE_WRITE), 44100));
        ASSERT_TRUE(w.write(frames.data(), 44000));
        ASSERT_TRUE(w.write(frames.data() + 2 * 44000, 0));
        ASSERT_TRUE(w.write(frames.data() + 2 * 44000, 100));
        ASSERT_TRUE(w.close());
        const std::string s = ReadAll(dir.file("second.wav"));
        const std::vector<uint8_t> b(s.begin(), s.end());
        ASSERT_EQ(b.size(), 176444u);
        CheckHeader(b, 176400);
        EXPECT_EQ(static_cast<int16_t>(b[44] | b[45] << 8), -25536);
        EXPECT_EQ(static_cast<int16_t>(b[46] | b[47] << 8), frames[1]);
        EXPECT_EQ(static_cast<int16_t>(b[176442] | b[176443] << 8), frames[2 * 44100 - 1]);
    }
    {
        FakeFile* f = new FakeFile(1 << 20, 0);
        WaveWriter w;
        ASSERT_TRUE(w.open(f, 44100));
        const std::vector<uint8_t>& bytes = f->bytes;
        EXPECT_EQ(bytes.size(), 44u);
        EXPECT_EQ(Le32(bytes, 4), 0u);    // placeholders until close
        EXPECT_EQ(Le32(bytes, 40), 0u);
        std::vector<uint8_t> copy;
        // Close right after open: RIFF 36, data 0.
        WaveWriter w2;
        ASSERT_TRUE(w2.open(new KeepingFile(1 << 20, 0, &copy), 44100));
        ASSERT_TRUE(w2.close());
        CheckHeader(copy, 0);
    }
    WaveWriter idle;
    EXPECT_TRUE(idle.close());
    EXPECT_FALSE(idle.open(nullptr, 44100));
    const int32_t frame[2] = {1, 2};
    EXPECT_FALSE(idle.write(frame, 1));   // no file: the recording's error
}

// A file that takes fewer bytes than it was given (a full disk) fails the
// write; the sizes patched on close describe what the file holds.
TEST(WaveWriter, ShortWriteFails)
{
    TestSystemScope sys;
    std::vector<uint8_t> kept;
    std::vector<int32_t> frames(2 * 441, 100);
    WaveWriter w;
    ASSERT_TRUE(w.open(new KeepingFile(44 + 441 * 4 + 1000, 0, &kept), 44100));
    EXPECT_TRUE(w.write(frames.data(), 441));
    EXPECT_FALSE(w.write(frames.data(), 441));
    ASSERT_TRUE(w.close());
    ASSERT_EQ(kept.size(), 44u + 441 * 4 + 1000);
    CheckHeader(kept, 441 * 4 + 1000);
}

// The header holds 32-bit sizes and a File's positions are int: the block
// that would carry the file past 2^31 - 1 bytes is refused whole (nothing
// of it is written), one that ends exactly there is taken.
TEST(WaveWriter, RefusesToOutgrowTheHeader)
{
    TestSystemScope sys;
    std::vector<int32_t> frames(2 * 441, 7);
    const int blockBytes = 441 * 4;
    std::vector<uint8_t> kept;
    WaveWriter w;
    // A file already as long as the limit less one block.
    KeepingFile* f = new KeepingFile(1 << 20, static_cast<int>(WaveWriter::MAX_FILE_BYTES) - 44 - blockBytes, &kept);
    ASSERT_TRUE(w.open(f, 44100));
    EXPECT_TRUE(w.write(frames.data(), 441));
    EXPECT_EQ(f->tell(), WaveWriter::MAX_FILE_BYTES);
    EXPECT_FALSE(w.write(frames.data(), 1));
    EXPECT_EQ(f->tell(), WaveWriter::MAX_FILE_BYTES);
    ASSERT_TRUE(w.close());
    EXPECT_EQ(kept.size(), 44u + blockBytes);
}

std::vector<int32_t> Sine(double bin, int frames, double amplitude)
{
    std::vector<int32_t> s(2 * static_cast<size_t>(frames));
    for (int i = 0; i < frames; i++) {
        const int32_t v = static_cast<int32_t>(std::lround(amplitude * std::sin(2 * 3.14159265358979323846 * bin * i / 512)));
        s[2 * i] = v;
        s[2 * i + 1] = v;
    }
    return s;
}

TEST(FFT, SilenceGivesZeros)
{
    TestSystemScope sys;
    FFT fft(512, 64, 0, 20000, 44100);
    std::vector<int32_t> bars(64, -1);
    ASSERT_TRUE(fft.getSpectrum(bars.data()));
    EXPECT_EQ(bars, std::vector<int32_t>(64, 0));
    std::vector<int32_t> silence(2 * 1000, 0);
    fft.feed(silence.data(), 1000);
    ASSERT_TRUE(fft.getSpectrum(bars.data()));
    EXPECT_EQ(bars, std::vector<int32_t>(64, 0));
    EXPECT_FALSE(fft.getSpectrum(nullptr));
}

// Bin 8 (44100 x 8 / 512 Hz) lands in band 8 x 64 / 116 = 4, which holds
// bins 8 and 9; the Hann window spreads it to the neighbours only.
TEST(FFT, SineLandsInItsBand)
{
    TestSystemScope sys;
    FFT fft(512, 64, 0, 20000, 44100);
    const std::vector<int32_t> sine = Sine(8, 2000, 10000);
    fft.feed(sine.data(), 2000);   // more than N: the last 512 count
    std::vector<int32_t> bars(64);
    ASSERT_TRUE(fft.getSpectrum(bars.data()));
    const size_t top = std::max_element(bars.begin(), bars.end()) - bars.begin();
    EXPECT_EQ(top, 4u);
    // |X[8]| = A N / 4 under the window, |X[9]| = A N / 8 beside it: band 4
    // is (A N / 4 + A N / 8) / (2 N) = 3 A / 16.
    EXPECT_NEAR(bars[4], 10000 * 3 / 16, 2);
    for (size_t b = 0; b < 64; b++) {
        if (b < 3 || b > 5) {
            EXPECT_LE(bars[b], 1) << "band " << b;
        }
    }

    // Fed in small pieces (as the ticks do) it is the same input.
    FFT pieces(512, 64, 0, 20000, 44100);
    for (int at = 0; at < 2000; at += 100) pieces.feed(sine.data() + 2 * at, 100);
    std::vector<int32_t> again(64);
    ASSERT_TRUE(pieces.getSpectrum(again.data()));
    EXPECT_EQ(again, bars);
    pieces.feed(sine.data(), 0);   // nothing new, recomputed the same
    ASSERT_TRUE(pieces.getSpectrum(again.data()));
    EXPECT_EQ(again, bars);
}

// Above bin 115 (about 9.9 kHz) no band is reached.
TEST(FFT, HighFrequenciesReachNoBand)
{
    TestSystemScope sys;
    FFT fft(512, 64, 0, 20000, 44100);
    const std::vector<int32_t> sine = Sine(150, 512, 10000);
    fft.feed(sine.data(), 512);
    std::vector<int32_t> bars(64);
    ASSERT_TRUE(fft.getSpectrum(bars.data()));
    EXPECT_EQ(bars, std::vector<int32_t>(64, 0));
}

}  // namespace

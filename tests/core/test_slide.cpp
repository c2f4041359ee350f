#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "slide.h"
#include "testdir.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::string Hex(const Bytes& b)
{
    std::string s;
    char t[4];
    for (size_t i = 0; i < b.size(); i++) {
        std::snprintf(t, sizeof(t), i ? " %02x" : "%02x", b[i]);
        s += t;
    }
    return s;
}

Bytes FromHex(const char* p)
{
    Bytes b;
    unsigned v;
    int n;
    while (std::sscanf(p, "%2x%n", &v, &n) == 1) {
        b.push_back(static_cast<uint8_t>(v));
        p += n;
        while (*p == ' ') p++;
    }
    return b;
}

Bytes ReadBytes(const std::string& path) { return B(ReadAll(path)); }
void WriteBytes(const std::string& path, const Bytes& b) { WriteAll(path, std::string(b.begin(), b.end())); }

// A decoder written straight from the format, sharing nothing with the codec:
// it walks the flag bits one by one and keeps the ring as a plain array. It
// also checks what a well-formed stream looks like at its end.
struct RefResult {
    bool bSizeField = false;
    uint32_t nSizeField = 0;
    Bytes out;
    bool bCleanEnd = true;  // the stream ends after a whole item, spare flag bits 0
};

RefResult RefDecode(const Bytes& s)
{
    RefResult res;
    if (s.size() < 4) return res;
    res.bSizeField = true;
    res.nSizeField = s[0] | s[1] << 8 | s[2] << 16 | static_cast<uint32_t>(s[3]) << 24;
    std::vector<uint8_t> ring(4096, 0);
    size_t w = 4078;
    size_t i = 4;
    while (i < s.size()) {
        uint8_t flags = s[i++];
        for (int bit = 0; bit < 8; bit++) {
            bool bLiteral = (flags >> bit) & 1;
            if (i == s.size()) {
                // No more items: the remaining flag bits must be 0.
                if (flags >> bit) res.bCleanEnd = false;
                return res;
            }
            if (bLiteral) {
                uint8_t c = s[i++];
                res.out.push_back(c);
                ring[w] = c;
                w = (w + 1) % 4096;
            } else {
                if (i + 1 >= s.size()) {
                    res.bCleanEnd = false;
                    return res;
                }
                size_t pos = s[i] + 256 * (s[i + 1] >> 4);
                size_t len = (s[i + 1] & 0x0F) + 3;
                i += 2;
                for (size_t k = 0; k < len; k++) {
                    uint8_t c = ring[(pos + k) % 4096];
                    res.out.push_back(c);
                    ring[w] = c;
                    w = (w + 1) % 4096;
                }
            }
        }
    }
    return res;
}

// Inputs of several characters: random bytes, text-like words, zeros, and a
// mixture of runs and noise like an executable's.
enum Kind { kRandom, kText, kZeros, kMixed };
const char* KindName(Kind k)
{
    static const char* names[] = { "random", "text", "zeros", "mixed" };
    return names[k];
}

Bytes MakeInput(Kind kind, size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    Bytes b;
    b.reserve(n);
    static const char* words[] = { "ゲーム", "music ", "the ", "PC-8801 ", "sound ", "\r\n", "データ", "0123" };
    while (b.size() < n) {
        switch (kind) {
        case kRandom: b.push_back(static_cast<uint8_t>(rng())); break;
        case kZeros: b.push_back(0); break;
        case kText: {
            const char* w = words[rng() % 8];
            while (*w && b.size() < n) b.push_back(static_cast<uint8_t>(*w++));
            break;
        }
        case kMixed: {
            size_t run = 1 + rng() % 40;
            uint8_t v = static_cast<uint8_t>(rng());
            bool bRun = rng() % 2;
            for (size_t k = 0; k < run && b.size() < n; k++)
                b.push_back(bRun ? v : static_cast<uint8_t>(rng() % 16));
            break;
        }
        }
    }
    return b;
}

Bytes EncodeMem(const Bytes& in)
{
    Bytes out;
    EXPECT_EQ(SLIDE_EncodeBuffer(in.data(), in.size(), out), 1);
    return out;
}

// Encodes or decodes one file into another through the file interface.
int CodeFile(bool bEncode, const std::string& from, const std::string& to)
{
    if (!SLIDE_OpenInFile(from.c_str())) return -1;
    if (!SLIDE_OpenOutFile(to.c_str())) {
        SLIDE_CloseInFile();
        return -1;
    }
    int r = bEncode ? SLIDE_EncodeFile() : SLIDE_DecodeFile();
    SLIDE_CloseInFile();
    SLIDE_CloseOutFile();
    return r;
}

struct Slide : ::testing::Test {
    TestDir dir;
};

TEST_F(Slide, WorkedStreamsComeOutByteForByte)
{
    struct Case { std::string in; const char* stream; };
    const Case cases[] = {
        { "abc", "03 00 00 00 07 61 62 63" },
        { std::string(10, 'a'), "0a 00 00 00 01 61 ee f6" },
        { "abcabcabcabc", "0c 00 00 00 07 61 62 63 ee f6" },
        { std::string(20, '\0'), "14 00 00 00 06 dc ff 00 00" },
        { std::string(100, 'a'), "64 00 00 00 01 61 ee ff 00 0f 12 0f 24 0f 36 0f 40 06" },
        { "", "00 00 00 00" },
        // A group of exactly eight items has no further flag byte; a ninth item opens one.
        { "abcdefgh", "08 00 00 00 ff 61 62 63 64 65 66 67 68" },
        { "abcdefghi", "09 00 00 00 ff 61 62 63 64 65 66 67 68 01 69" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("input of " + std::to_string(c.in.size()) + " bytes \"" + c.in + "\"");
        Bytes expected = FromHex(c.stream);
        EXPECT_EQ(Hex(EncodeMem(B(c.in))), Hex(expected)) << "in memory";

        WriteAll(dir.file("plain"), c.in);
        EXPECT_EQ(CodeFile(true, dir.file("plain"), dir.file("packed")), 1);
        EXPECT_EQ(Hex(ReadBytes(dir.file("packed"))), Hex(expected)) << "file to file";

        RefResult ref = RefDecode(expected);
        EXPECT_EQ(Hex(ref.out), Hex(B(c.in))) << "reference decoder";
        Bytes out;
        EXPECT_EQ(SLIDE_DecodeBuffer(expected.data(), expected.size(), out), 1);
        EXPECT_EQ(Hex(out), Hex(B(c.in))) << "decoded in memory";
        EXPECT_EQ(CodeFile(false, dir.file("packed"), dir.file("unpacked")), 1);
        EXPECT_EQ(ReadAll(dir.file("unpacked")), c.in) << "decoded file to file";
    }
}

TEST_F(Slide, DecoderStartsFromZeroRingAtPosition4078)
{
    // Matches that reach into the untouched ring read zeros; the first byte
    // written lands at 4078, so a match there repeats it.
    struct Case { const char* stream; std::string out; };
    const Case cases[] = {
        { "03 00 00 00 00 00 00", std::string(3, '\0') },               // match at 0, 3 bytes
        { "05 00 00 00 01 41 ee f1", std::string(5, 'A') },            // overlap at 4078
        { "04 00 00 00 02 ff f0 42", std::string(3, '\0') + "B" },     // 4095 before any write
    };
    for (const Case& c : cases) {
        Bytes s = FromHex(c.stream);
        Bytes out;
        EXPECT_EQ(SLIDE_DecodeBuffer(s.data(), s.size(), out), 1) << c.stream;
        EXPECT_EQ(Hex(out), Hex(B(c.out))) << c.stream;
        EXPECT_EQ(Hex(RefDecode(s).out), Hex(B(c.out))) << c.stream;
    }
}

TEST_F(Slide, RoundTripsAtEdgeSizesCheckedByReferenceDecoder)
{
    const size_t sizes[] = { 0, 1, 2, 17, 18, 19, 4095, 4096, 4097, 300 * 1024 };
    for (Kind kind : { kRandom, kText, kZeros, kMixed }) {
        for (size_t n : sizes) {
            SCOPED_TRACE(std::string(KindName(kind)) + ", " + std::to_string(n) + " bytes");
            Bytes in = MakeInput(kind, n, static_cast<uint32_t>(n * 7 + kind));
            Bytes s = EncodeMem(in);
            ASSERT_GE(s.size(), 4u);
            EXPECT_LE(s.size(), SLIDE_EncodeBound(n));
            RefResult ref = RefDecode(s);
            EXPECT_EQ(ref.nSizeField, n) << "size field";
            EXPECT_TRUE(ref.bCleanEnd) << "stream ends mid-item or with spare flag bits set";
            EXPECT_TRUE(ref.out == in) << "reference decoder: " << ref.out.size() << " bytes back";
            Bytes out;
            EXPECT_EQ(SLIDE_DecodeBuffer(s.data(), s.size(), out), 1);
            EXPECT_TRUE(out == in) << "own decoder: " << out.size() << " bytes back";
            if (kind == kMixed || n <= 4097) {
                // The file interface writes the same stream and reads it back.
                WriteBytes(dir.file("plain"), in);
                EXPECT_EQ(CodeFile(true, dir.file("plain"), dir.file("packed")), 1);
                EXPECT_TRUE(ReadBytes(dir.file("packed")) == s) << "file stream differs from memory stream";
                EXPECT_EQ(CodeFile(false, dir.file("packed"), dir.file("unpacked")), 1);
                EXPECT_TRUE(ReadBytes(dir.file("unpacked")) == in) << "file round trip";
            }
        }
    }
}

TEST_F(Slide, SizeFieldThatDisagreesWithTheDataIsAFailureButEverythingIsWritten)
{
    struct Case { const char* what; const char* stream; std::string out; };
    const Case cases[] = {
        { "size field shorter than the data", "03 00 00 00 01 61 ee f6", std::string(10, 'a') },
        { "size field longer than the data", "20 00 00 00 01 61 ee f6", std::string(10, 'a') },
        { "cut inside a match", "0c 00 00 00 07 61 62 63 ee", "abc" },
        { "cut before a literal", "0c 00 00 00 07 61 62", "ab" },
        { "cut after a flag byte", "0c 00 00 00 ff", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes s = FromHex(c.stream);
        Bytes out;
        EXPECT_EQ(SLIDE_DecodeBuffer(s.data(), s.size(), out), 0) << "in memory";
        EXPECT_EQ(Hex(out), Hex(B(c.out))) << "in memory";
        WriteBytes(dir.file("packed"), s);
        EXPECT_EQ(CodeFile(false, dir.file("packed"), dir.file("unpacked")), 0) << "file to file";
        EXPECT_EQ(ReadAll(dir.file("unpacked")), c.out) << "file to file";
    }
    // Without a whole size field there is nothing to decode.
    Bytes out;
    Bytes s = FromHex("0a 00 00");
    EXPECT_EQ(SLIDE_DecodeBuffer(s.data(), s.size(), out), 0);
    WriteBytes(dir.file("packed"), s);
    EXPECT_EQ(CodeFile(false, dir.file("packed"), dir.file("unpacked")), 0);
    EXPECT_EQ(ReadAll(dir.file("unpacked")), "");
}

TEST_F(Slide, DamagedStreamsDecodeLikeTheReferenceWithoutOverrun)
{
    std::mt19937 rng(5);
    for (int t = 0; t < 2000; t++) {
        Bytes s(4 + rng() % 600);
        for (auto& b : s) b = static_cast<uint8_t>(rng());
        if (t % 2) s[2] = s[3] = 0xFF;   // a size field of gigabytes
        Bytes out;
        int r = SLIDE_DecodeBuffer(s.data(), s.size(), out);
        RefResult ref = RefDecode(s);
        ASSERT_TRUE(out == ref.out) << "stream " << Hex(s);
        EXPECT_EQ(r, ref.out.size() == ref.nSizeField ? 1 : 0);
    }
}

std::string FullDevice()
{
#ifdef _WIN32
    return "Z:\\dev\\full";
#else
    return "/dev/full";
#endif
}

TEST_F(Slide, FailedWriteIsReported)
{
    Bytes in = MakeInput(kMixed, 200 * 1024, 3);
    WriteBytes(dir.file("plain"), in);
    WriteBytes(dir.file("packed"), EncodeMem(in));
    for (bool bEncode : { true, false }) {
        SCOPED_TRACE(bEncode ? "encode" : "decode");
        ASSERT_EQ(SLIDE_OpenInFile(dir.file(bEncode ? "plain" : "packed").c_str()), 1);
        ASSERT_EQ(SLIDE_OpenOutFile(FullDevice().c_str()), 1) << "no full device to write to";
        EXPECT_EQ(bEncode ? SLIDE_EncodeFile() : SLIDE_DecodeFile(), 0);
        SLIDE_CloseInFile();
        SLIDE_CloseOutFile();
    }
}

TEST_F(Slide, OpenAndCallOrderErrors)
{
    WriteAll(dir.file("plain"), "abc");
    EXPECT_EQ(SLIDE_OpenInFile(dir.file("missing").c_str()), 0);
    EXPECT_EQ(SLIDE_OpenInFile(""), 0);
    EXPECT_EQ(SLIDE_OpenOutFile(dir.file("no such folder/x").c_str()), 0);
    EXPECT_EQ(SLIDE_EncodeFile(), 0) << "nothing open";
    EXPECT_EQ(SLIDE_DecodeFile(), 0) << "nothing open";

    // A second open on the same side is refused and leaves the first one alone.
    ASSERT_EQ(SLIDE_OpenInFile(dir.file("plain").c_str()), 1);
    EXPECT_EQ(SLIDE_OpenInFile(dir.file("missing").c_str()), 0);
    EXPECT_EQ(SLIDE_EncodeFile(), 0) << "no output open";
    ASSERT_EQ(SLIDE_OpenOutFile(dir.file("packed").c_str()), 1);
    EXPECT_EQ(SLIDE_OpenOutFile(dir.file("other").c_str()), 0);
    EXPECT_EQ(SLIDE_EncodeFile(), 1);
    EXPECT_EQ(SLIDE_CloseInFile(), 1);
    EXPECT_EQ(SLIDE_CloseOutFile(), 1);
    EXPECT_EQ(Hex(ReadBytes(dir.file("packed"))), "03 00 00 00 07 61 62 63");
}

TEST_F(Slide, EncodesAreIndependentOfWhatTheStateHeldBefore)
{
    // The ring bytes past the end of a short input take part in the
    // comparisons. Left over from an earlier encode (here twenty "a"), they
    // made the last match of this input come from 4083 instead of 4078: the
    // same bytes, another stream. Each encode clears the whole ring.
    const std::string in = "bbaabbbaabababbbaab";
    const char* fresh = "13 00 00 00 1f 62 62 61 61 62 ee f2 f6 f1 ee f2";
    std::unique_ptr<SlideCtx> ctx(new SlideCtx);
    Bytes s;
    for (const std::string& before : { std::string(), std::string(20, 'a'), std::string(5000, 'a') }) {
        SLIDE_EncodeBuffer(before.data(), before.size(), s, ctx.get());
        ASSERT_EQ(SLIDE_EncodeBuffer(in.data(), in.size(), s, ctx.get()), 1);
        EXPECT_EQ(Hex(s), fresh) << "after encoding " << before.size() << " bytes \"a\"";
        EXPECT_TRUE(RefDecode(s).out == B(in));
    }
}

TEST_F(Slide, ConcurrentEncodesEqualSerialOnes)
{
    const int nThreads = 6;
    std::vector<Bytes> in(nThreads), serial(nThreads);
    for (int t = 0; t < nThreads; t++) {
        in[t] = MakeInput(t % 2 ? kMixed : kText, 150 * 1024 + t * 777, 40 + t);
        serial[t] = EncodeMem(in[t]);
        WriteBytes(dir.file("plain" + std::to_string(t)), in[t]);
    }
    std::atomic<int> nReady{0};
    std::vector<int> results(nThreads * 4, -2);
    std::vector<Bytes> memOut(nThreads), memBack(nThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < nThreads; t++) {
        threads.emplace_back([&, t] {
            nReady++;
            while (nReady < nThreads) std::this_thread::yield();
            std::string n = std::to_string(t);
            // Files on this thread's own pair, memory on its own state, both at once.
            results[t * 4] = CodeFile(true, dir.file("plain" + n), dir.file("packed" + n));
            results[t * 4 + 1] = SLIDE_EncodeBuffer(in[t].data(), in[t].size(), memOut[t]);
            results[t * 4 + 2] = CodeFile(false, dir.file("packed" + n), dir.file("unpacked" + n));
            results[t * 4 + 3] = SLIDE_DecodeBuffer(memOut[t].data(), memOut[t].size(), memBack[t]);
        });
    }
    // Encoders sharing one set of trees corrupt them and can loop for ever:
    // turn that into a failure that says so instead of a test timeout.
    std::atomic<bool> bDone{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 600 && !bDone; i++) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!bDone) {
            std::fprintf(stderr, "concurrent encodes still running after 60 s: do they share state?\n");
            std::fflush(stderr);
            std::_Exit(1);
        }
    });
    for (auto& th : threads) th.join();
    bDone = true;
    watchdog.join();
    for (int t = 0; t < nThreads; t++) {
        SCOPED_TRACE("thread " + std::to_string(t));
        std::string n = std::to_string(t);
        EXPECT_EQ(results[t * 4], 1);
        EXPECT_EQ(results[t * 4 + 1], 1);
        EXPECT_EQ(results[t * 4 + 2], 1);
        EXPECT_EQ(results[t * 4 + 3], 1);
        EXPECT_TRUE(ReadBytes(dir.file("packed" + n)) == serial[t]) << "file encode differs from serial";
        EXPECT_TRUE(memOut[t] == serial[t]) << "memory encode differs from serial";
        EXPECT_TRUE(ReadBytes(dir.file("unpacked" + n)) == in[t]) << "file decode";
        EXPECT_TRUE(memBack[t] == in[t]) << "memory decode";
    }
}

}  // namespace

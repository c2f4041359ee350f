#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cmnutil.h"
#include "refstore.h"

namespace {

std::string Encode(const std::string& plain)
{
    std::string out(plain.size() + 1, '\0');
    int n = -1;
    EXPECT_EQ(CMNUTIL_Encode(plain.data(), static_cast<int>(plain.size()), CMNUTIL_KEY, &out[0], &n,
                             static_cast<int>(out.size())), 1);
    EXPECT_EQ(n, static_cast<int>(plain.size()) + 1);
    return out;
}

std::string Decode(const std::string& file)
{
    std::string out(file.size(), '\0');
    int n = -1;
    EXPECT_EQ(CMNUTIL_Decode(file.data(), static_cast<int>(file.size()), CMNUTIL_KEY, &out[0], &n), 1);
    EXPECT_EQ(n, static_cast<int>(file.size()) - 1);
    out.resize(file.size() - 1);
    return out;
}

std::string Hex(const std::string& s)
{
    static const char d[] = "0123456789abcdef";
    std::string h;
    for (unsigned char c : s) { h += d[c >> 4]; h += d[c & 15]; }
    return h;
}

std::string Pattern(size_t n)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; i++) s[i] = static_cast<char>((i * 131 + 7) ^ (i >> 8));
    return s;
}

// Vectors worked out by hand from the format (and checked with a separate
// script): the complemented positions for key 5174 are the even ones and
// those with i rem 5 == 1; the check byte is the 8-bit sum of the input.
TEST(Scramble, KnownVectors)
{
    struct Case { std::string plain; const char* hex; };
    const Case cases[] = {
        { "A", "41ff" },                                 // check byte at 0, then ~41 + 41
        { std::string(1, '\0'), "00ff" },
        { "ABCDEFGH", "bee1e044de6a24b86c" },            // r = 5174 rem 8 = 6
        { std::string("\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09", 10), "ff2b2a032daf32f934ab63" },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Hex(Encode(c.plain)), c.hex) << "plain " << Hex(c.plain);
        EXPECT_EQ(Decode(Encode(c.plain)), c.plain);
    }
}

// Past j = 46340 the square no longer fits 31 bits: the stored format takes
// the wrapped, negative value, whose remainders are negative (46341: -1 and
// -3 where the true square gives 0 and 1).
TEST(Scramble, SquaresWrapPast46340)
{
    std::string plain(46345, '\x01');   // sum 46345 mod 256 = 9, check byte at 5174
    std::string out = Encode(plain);
    struct Pin { int j; int expect; };
    const Pin pins[] = {
        { 0, 254 }, { 1, 7 }, { 5174, 9 }, { 5175, 34 }, { 46339, 7 }, { 46340, 1 },
        { 46341, 227 }, { 46342, 254 }, { 46343, 236 }, { 46344, 239 }, { 46345, 254 },
    };
    for (const auto& p : pins) {
        EXPECT_EQ(static_cast<unsigned char>(out[p.j]), p.expect) << "output byte " << p.j;
    }
    EXPECT_EQ(out, ref::Scramble(plain));
}

// Lengths around the wrap, and the sizes of real stores, against the
// independent model and back.
TEST(Scramble, RoundTripsAndMatchesTheModelAtEveryLengthAroundTheWrap)
{
    std::vector<size_t> lengths = { 1, 2, 3, 5, 7, 8, 536, 5174, 5175, 14128, 27720 };
    for (size_t n = 46330; n <= 46350; n++) lengths.push_back(n);
    lengths.push_back(536 + 4 * 13592);
    lengths.push_back(536 + 8 * 13592);
    for (size_t n : lengths) {
        std::string plain = Pattern(n);
        std::string enc = Encode(plain);
        ASSERT_EQ(enc, ref::Scramble(plain)) << "length " << n;
        ASSERT_EQ(Decode(enc), plain) << "length " << n;
    }
}

TEST(Scramble, LeavesTheInputAlone)
{
    std::string plain = Pattern(100), copy = plain;
    Encode(plain);
    EXPECT_EQ(plain, copy);
}

// Failures are failures: no output passes for a scrambled one.
TEST(Scramble, RefusesWhatItCannotDo)
{
    unsigned char in[8] = { 1, 2, 3, 4, 5, 6, 7, 8 };
    unsigned char out[16] = {};
    int n = -1;
    // Empty input: no check position (the key is taken modulo the length).
    EXPECT_EQ(CMNUTIL_Encode(in, 0, CMNUTIL_KEY, out, &n, sizeof(out)), 0);
    EXPECT_EQ(n, 0);
    // Output one byte too small: nothing is copied, nothing claimed.
    n = -1;
    EXPECT_EQ(CMNUTIL_Encode(in, 8, CMNUTIL_KEY, out, &n, 8), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 8), std::string(8, '\0'));
    // Decoding needs the check byte and at least one byte more.
    n = -1;
    EXPECT_EQ(CMNUTIL_Decode(in, 1, CMNUTIL_KEY, out, &n), 0);
    EXPECT_EQ(n, 0);
    n = -1;
    EXPECT_EQ(CMNUTIL_Decode(in, 0, CMNUTIL_KEY, out, &n), 0);
    EXPECT_EQ(n, 0);
}

}  // namespace

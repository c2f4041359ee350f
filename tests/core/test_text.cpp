#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "cmnfile.h"
#include "sjis.h"

namespace {

// The sources are UTF-8; the program's strings must be Shift-JIS bytes, and a
// trail byte 0x5C must survive as a byte, not as an escape.
TEST(Charset, LiteralsAreShiftJis)
{
    EXPECT_EQ(std::string("ソ"), std::string("\x83\x5C"));
    EXPECT_EQ(std::string("報告"), std::string("\x95\xF1\x8D\x90"));
    EXPECT_EQ(std::string("ソ\\"), std::string("\x83\x5C\x5C"));
}

TEST(Text, GetTokenStopsAtSeparatorCrLfOrEnd)
{
    struct Case { const char* src; const char* sep; int sepLen; const char* tok; };
    const Case cases[] = {
        { "ab,cd", ",", 1, "ab" },
        { "abcd\r\nxy", ",", 1, "abcd" },          // no separator: up to CR LF
        { "abcd", ",", 1, "abcd" },                // up to the end
        { ",x", ",", 1, "" },
        { "a\rb,", ",", 1, "a\rb" },               // a lone CR is text
        { "ソ\\x", "\\", 1, "ソ" },                // 0x5C as a trail byte is no separator
        { "[KEY]\tcomment", "\t", 1, "[KEY]" },
        { "a、b", "、", 2, "a" },                  // two-byte separator: a whole character
        { "\x81\x41\x41", "\x41\x41", 2, "\x81\x41\x41" },  // never across characters
    };
    for (const auto& c : cases) {
        char dst[64];
        int n = CMNFILE_GetToken(dst, sizeof(dst), c.src, c.sep, c.sepLen);
        EXPECT_STREQ(dst, c.tok) << c.src;
        EXPECT_EQ(n, static_cast<int>(strlen(c.tok))) << c.src;
    }
}

TEST(Text, CopiesAreBoundedAndTerminated)
{
    // The result is the length in the source; the copy is cut to fit and
    // never ends in half a double-byte character.
    char dst[4];
    std::memset(dst, 'Z', sizeof(dst));
    EXPECT_EQ(CMNFILE_GetToken(dst, sizeof(dst), "abcdef,g", ",", 1), 6);
    EXPECT_STREQ(dst, "abc");
    EXPECT_EQ(CMNFILE_GetLineCRLF(dst, sizeof(dst), "aソソ\r\n"), 5);
    EXPECT_STREQ(dst, "a\x83\x5C");
    EXPECT_EQ(CMNFILE_GetLineCRLF(dst, sizeof(dst), "abソ\r\n"), 4);
    EXPECT_STREQ(dst, "ab");
    EXPECT_EQ(CMNFILE_GetWord(dst, sizeof(dst), "abcdef gh"), 6);
    EXPECT_STREQ(dst, "abc");
    char tail[3];
    EXPECT_EQ(CMNFILE_CutTail2(tail, sizeof(tail), "C:\\dir\\file.exe", "\\", 1), 1);
    EXPECT_STREQ(tail, "fi");
    char one[1] = { 'Z' };
    EXPECT_EQ(CMNFILE_GetToken(one, 1, "abc", ",", 1), 3);
    EXPECT_EQ(one[0], '\0');
}

TEST(Text, LinesAndWords)
{
    char dst[64];
    EXPECT_EQ(CMNFILE_GetLineCRLF(dst, sizeof(dst), "line one\r\nnext"), 8);
    EXPECT_STREQ(dst, "line one");
    EXPECT_EQ(CMNFILE_GetLineCRLF(dst, sizeof(dst), "\r\n"), 0);
    EXPECT_STREQ(dst, "");
    EXPECT_EQ(CMNFILE_GetLineCRLF(dst, sizeof(dst), "no end"), -1);
    EXPECT_EQ(CMNFILE_GetLineCRLF(dst, sizeof(dst), "lf only\nx"), -1);
    EXPECT_EQ(CMNFILE_GetLineLF(dst, sizeof(dst), "a\r\nb"), 2);   // the CR is kept
    EXPECT_STREQ(dst, "a\r");
    EXPECT_EQ(CMNFILE_GetLineLF(dst, sizeof(dst), "x"), -1);
    EXPECT_EQ(CMNFILE_GetWord(dst, sizeof(dst), "qr.exe mode"), 6);
    EXPECT_STREQ(dst, "qr.exe");
    EXPECT_EQ(CMNFILE_GetWord(dst, sizeof(dst), "end"), 3);
    EXPECT_STREQ(dst, "end");
}

TEST(Text, CutTail)
{
    struct Case { const char* in; const char* sep; int ret; const char* out; };
    const Case cases[] = {
        { "C:\\a\\b.exe", "\\", 1, "C:\\a" },
        { "C:\\a\x83\x5C", "\\", 1, "C:" },        // the trailing 0x5C belongs to "ソ"
        { "noseparator", "\\", 0, "" },            // cleared from the end
        { "", "\\", 0, "" },
        { "a::b::c", "::", 1, "a::b" },
        { "x", "::", 0, "x" },                      // fewer bytes than the separator are left
    };
    for (const auto& c : cases) {
        char s[64];
        std::strcpy(s, c.in);
        EXPECT_EQ(CMNFILE_CutTail(s, c.sep, static_cast<int>(strlen(c.sep))), c.ret) << c.in;
        EXPECT_STREQ(s, c.out) << c.in;
    }
    // Longer than any fixed work area: still cut correctly.
    std::string longPath = "C:\\" + std::string(600, 'd') + "\\f.txt";
    std::string expect = "C:\\" + std::string(600, 'd');
    EXPECT_EQ(CMNFILE_CutTail(&longPath[0], "\\", 1), 1);
    EXPECT_STREQ(longPath.c_str(), expect.c_str());
}

TEST(Text, TailsFindAndSkip)
{
    char dst[64];
    EXPECT_EQ(CMNFILE_CutTail2(dst, sizeof(dst), "C:\\a\\b.exe", "\\", 1), 1);
    EXPECT_STREQ(dst, "b.exe");
    std::strcpy(dst, "keep");
    EXPECT_EQ(CMNFILE_CutTail2(dst, sizeof(dst), "plain", "\\", 1), 0);
    EXPECT_STREQ(dst, "keep");
    EXPECT_EQ(CMNFILE_CutTail2(dst, sizeof(dst), "C:\\ソ", "\\", 1), 1);   // 0x5C of "ソ" skipped
    EXPECT_STREQ(dst, "ソ");

    const char bin[] = { 'a', ',', 'b', 0, 'c', ',', 'd', 'e' };
    char out[8] = {};
    EXPECT_EQ(CMNFILE_GetTailBin(out, sizeof(out), bin, sizeof(bin), ",", 1), 2);
    EXPECT_EQ(std::string(out, 2), "de");
    EXPECT_EQ(CMNFILE_GetTailBin(out, sizeof(out), bin, sizeof(bin), ";", 1), -1);
    EXPECT_EQ(CMNFILE_GetTailBin(out, sizeof(out), bin, sizeof(bin), ";;", 2), 0);
    EXPECT_EQ(CMNFILE_GetTailBin(out, sizeof(out), bin, 0, ",", 1), 0);

    EXPECT_EQ(CMNFILE_Find("CNPFVR05xyz", 11, "VR05", 4), 4);
    EXPECT_EQ(CMNFILE_Find("abc", 3, "abcd", 4), -1);
    EXPECT_EQ(CMNFILE_Find("ab\0cd", 5, "cd", 2), 3);
    EXPECT_EQ(CMNFILE_Find("abc", 3, "x", 1), -1);
    EXPECT_EQ(CMNFILE_SkipChar("   x", 4, ' '), 3);
    EXPECT_EQ(CMNFILE_SkipChar("    ", 4, ' '), -1);
}

TEST(Text, CharacterClasses)
{
    struct Case { const char* s; int alnum, digit, dbcs, sbcs; };
    const Case cases[] = {
        { "abc123", 1, 0, 0, 1 },
        { "0123", 1, 1, 0, 1 },
        { "ソニー", 0, 0, 1, 0 },
        { "aソ", 0, 0, 0, 0 },
        { "a-b", 0, 0, 0, 1 },
        { "ｱｲ", 0, 0, 0, 1 },    // half-width katakana are single bytes
    };
    for (const auto& c : cases) {
        int n = static_cast<int>(strlen(c.s));
        EXPECT_EQ(CMNFILE_IsAllAlnum(c.s, n), c.alnum) << c.s;
        EXPECT_EQ(CMNFILE_IsAllDigit(c.s, n), c.digit) << c.s;
        EXPECT_EQ(CMNFILE_IsAllDbcs(c.s, n), c.dbcs) << c.s;
        EXPECT_EQ(CMNFILE_IsAllSbcs(c.s, n), c.sbcs) << c.s;
    }
    EXPECT_EQ(CMNFILE_IsAllDigit(nullptr, 3), 0);
    EXPECT_EQ(CMNFILE_IsAllDigit("1", 0), 0);
}

TEST(Url, Encode)
{
    char dst[64];
    EXPECT_EQ(CMNFILE_UrlEncode(dst, sizeof(dst), "a b", 3), 3);
    EXPECT_STREQ(dst, "%61+%62");
    EXPECT_EQ(CMNFILE_UrlEncode(dst, sizeof(dst), "._-", 3), 3);
    EXPECT_STREQ(dst, "._-");
    EXPECT_EQ(CMNFILE_UrlEncode(dst, sizeof(dst), "\x83\x5C", 2), 2);
    EXPECT_STREQ(dst, "%83%5C");
    EXPECT_EQ(CMNFILE_UrlEncode(dst, sizeof(dst), "ab\0cd", 5), 2);   // stops at NUL
    // Short destination: whole escapes only, and the terminator keeps its byte.
    char small[7];
    EXPECT_EQ(CMNFILE_UrlEncode(small, sizeof(small), "abc", 3), 2);
    EXPECT_STREQ(small, "%61%62");
    EXPECT_EQ(CMNFILE_UrlEncode(small, 6, "abc", 3), 1);
    EXPECT_STREQ(small, "%61");
    EXPECT_EQ(CMNFILE_UrlEncode(nullptr, 6, "abc", 3), 0);
    EXPECT_EQ(CMNFILE_UrlEncode(small, 0, "abc", 3), 0);
}

TEST(Url, Decode)
{
    struct Case { const char* src; const char* out; int consumed; };
    const Case cases[] = {
        { "%41+b", "A b", 5 },
        { "ok%2C1%2c", "ok,1,", 9 },
        { "x%4Gy", "x", 1 },       // not hexadecimal: stop before the "%"
        { "x% 4y", "x", 1 },       // a blank is no digit
        { "x%-1y", "x", 1 },       // nor is a sign
        { "x%4", "x", 1 },         // incomplete
        { "x%", "x", 1 },
        { "%E3%81%82", "\xE3\x81\x82", 9 },
    };
    for (const auto& c : cases) {
        char dst[64];
        const char* end = nullptr;
        int n = CMNFILE_UrlDecode(dst, sizeof(dst), c.src, static_cast<int>(strlen(c.src)), &end);
        EXPECT_STREQ(dst, c.out) << c.src;
        EXPECT_EQ(n, static_cast<int>(strlen(c.out))) << c.src;
        EXPECT_EQ(end - c.src, c.consumed) << c.src;
    }
    // The source length bounds the escape as well as the text.
    char dst[8];
    const char* end = nullptr;
    const char* s = "a%41";
    EXPECT_EQ(CMNFILE_UrlDecode(dst, sizeof(dst), s, 3, &end), 1);
    EXPECT_EQ(end, s + 1);
    // Destination full: decoding stops with the terminator in place.
    EXPECT_EQ(CMNFILE_UrlDecode(dst, 3, "abcd", 4, &end), 2);
    EXPECT_STREQ(dst, "ab");
    const char* src = "abc";
    EXPECT_EQ(CMNFILE_UrlDecode(nullptr, 3, src, 3, &end), 0);
    EXPECT_EQ(end, src);
}

TEST(Text, InvertIsItsOwnInverse)
{
    unsigned char b[] = { 0x41, 0x00, 0xFF, 0x0A };
    CMNFILE_InvertBytes(b, 4);
    EXPECT_EQ(b[0], 0xBE);
    EXPECT_EQ(b[1], 0xFF);
    EXPECT_EQ(b[2], 0x00);
    EXPECT_EQ(b[3], 0xF5);
    CMNFILE_InvertBytes(b, 4);
    EXPECT_EQ(b[0], 0x41);
}

TEST(Text, EucToShiftJis)
{
    struct Case { const char* euc; const char* sjis; };
    const Case cases[] = {
        { "abc", "abc" },
        { "\xA4\xA2", "あ" },                  // even lead
        { "\xA5\xA2", "ア" },                  // odd lead
        { "\xA5\xBD", "ソ" },                  // trail 0x5C
        { "\xA5\xE0", "ム" },                  // odd lead past 0x7E: skips 0x7F
        { "\xCA\xF3\xB9\xF0", "報告" },
        { "\xE0\xA1", "\xE0\x9F" },            // lead past 0xDF
        { "\x8E\xB1x", "\xB1x" },              // half-width katakana
        { "a\xA4", "a" },                      // lead byte cut off by the end
    };
    for (const auto& c : cases) {
        char dst[32];
        EXPECT_EQ(EUCtoSJIS_Copy(c.euc, dst, sizeof(dst)), dst);
        EXPECT_STREQ(dst, c.sjis) << c.euc;
    }
    char small[4];
    EUCtoSJIS_Copy("\xA4\xA2\xA4\xA2", small, sizeof(small));
    EXPECT_STREQ(small, "あ");
}

}  // namespace

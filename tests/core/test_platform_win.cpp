#include <windows.h>

#include <gtest/gtest.h>

#include "sjis.h"

namespace {

// Everything the programs show is Shift-JIS: the bench must give them the
// Japanese ANSI code page.
TEST(Platform, AnsiCodePageIs932)
{
    EXPECT_EQ(GetACP(), 932u);
}

TEST(Platform, LeadBytesAreCodePage932s)
{
    for (int c = 0; c < 256; c++) {
        bool table = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
        EXPECT_EQ(SJIS_IsLead(static_cast<unsigned char>(c)) != 0, table) << std::hex << c;
    }
}

TEST(Platform, ShiftJisLiteralConvertsToTheRightText)
{
    // What the compiler wrote must be what the system reads as "ソフト".
    wchar_t w[8] = {};
    int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, "ソフト", -1, w, 8);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(std::wstring(w), std::wstring(L"\u30BD\u30D5\u30C8"));
}

}  // namespace

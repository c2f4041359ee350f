#include <gtest/gtest.h>

#include <string>

#include "md5.h"

namespace {

TEST(Md5, Rfc1321TestSuite)
{
    struct Case { const char* in; const char* hex; };
    const Case cases[] = {
        { "", "d41d8cd98f00b204e9800998ecf8427e" },
        { "a", "0cc175b9c0f1b6a831c399e269772661" },
        { "abc", "900150983cd24fb0d6963f7d28e17f72" },
        { "message digest", "f96b697d7cb7938d525a2f31aaf161d0" },
        { "abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b" },
        { "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
          "d174ab98d277d9f5a5611c2c9f419d9f" },
        { "12345678901234567890123456789012345678901234567890123456789012345678901234567890",
          "57edf4a22be3c955ac49da2e2107b67a" },
    };
    for (const auto& c : cases) {
        char hex[33];
        MD5_StringToHex(c.in, hex);
        EXPECT_STREQ(hex, c.hex) << "input \"" << c.in << "\"";
    }
}

TEST(Md5, BlockBoundariesAndHighBytes)
{
    // 55, 56 and 64 bytes straddle the padding's length field.
    struct Case { size_t n; const char* hex; };
    const Case cases[] = {
        { 55, "ef1772b6dff9a122358552954ad0df65" },
        { 56, "3b0c8ac703f828b04c6c197006d17218" },
        { 64, "014842d480b571495a4a0363793f7367" },
    };
    for (const auto& c : cases) {
        char hex[33];
        MD5_StringToHex(std::string(c.n, 'a').c_str(), hex);
        EXPECT_STREQ(hex, c.hex) << c.n << " bytes";
    }
    // Shift-JIS bytes of a user id are digested as they are ("ソ", trail 0x5C).
    char hex[33];
    MD5_StringToHex("ソ", hex);
    EXPECT_STREQ(hex, "d4a5c367378db90647db8cf4f266f4b2");
}

}  // namespace

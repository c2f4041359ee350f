// The element reading of the shortcut migration: which folders a starter's
// target path names.
#include <gtest/gtest.h>

#include <string>

#include "zenqo.h"

namespace {

TEST(ZenqoElements, TheElementAfterAnExactName)
{
    const struct { const char* path; const char* name; int ret; const char* want; } cases[] = {
        { "C:\\zenqo_game\\M1\\game\\G1\\launch.exe", "zenqo_game", 1, "M1" },
        { "C:\\zenqo_game\\M1\\game\\G1\\launch.exe", "game", 1, "G1" },
        // Exact elements only: longer, shorter or other-case names do not count.
        { "C:\\zenqo_games\\M1\\game2\\G1\\launch.exe", "zenqo_game", 0, "" },
        { "C:\\zenqo_games\\M1\\game2\\G1\\launch.exe", "game", 0, "" },
        { "C:\\Zenqo_Game\\M1\\launch.exe", "zenqo_game", 0, "" },
        // The first occurrence counts; the name as the last element names nothing.
        { "C:\\game\\A\\game\\B\\x.exe", "game", 1, "A" },
        { "C:\\x\\game", "game", 0, "" },
        { "C:\\x\\game\\", "game", 0, "" },
        { "C:\\game\\\\G\\x.exe", "game", 0, "" },
        { "game\\first", "game", 1, "first" },
        // A "\" that is the trail byte of a double-byte character ("ソ" is
        // 83 5C) does not split: "ソgame" is one element.
        { "C:\\\x83\x5Cgame\\X\\game\\\x83\x5C\\a.exe", "game", 1, "\x83\x5C" },
    };
    for (const auto& c : cases) {
        char out[64] = "stale";
        EXPECT_EQ(ZENQO_GetElementAfter(out, sizeof(out), c.path, c.name), c.ret) << c.path << " / " << c.name;
        EXPECT_EQ(std::string(out), c.want) << c.path << " / " << c.name;
    }
    // An element longer than the caller's buffer is refused, not cut.
    char small[3] = "zz";
    EXPECT_EQ(ZENQO_GetElementAfter(small, sizeof(small), "a\\game\\abc\\x", "game"), 0);
    EXPECT_EQ(ZENQO_GetElementAfter(small, sizeof(small), "a\\game\\ab\\x", "game"), 1);
    EXPECT_EQ(std::string(small), "ab");
}

}  // namespace

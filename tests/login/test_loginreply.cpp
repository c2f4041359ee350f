// The login's judgement of the user check's reply: only its first bytes,
// never past its size.
#include <gtest/gtest.h>

#include <string>

#include "loginreply.h"

TEST(LoginReply, OnlyTheFirstBytesCountAndNothingPastTheSizeIsRead)
{
    struct { std::string reply; int size; int want; } cases[] = {
        { "ok,", 3, LOGIN_REPLY_OK },
        { "ok,anything after", 17, LOGIN_REPLY_OK },
        { "ng,", 3, LOGIN_REPLY_NG },
        { "err,", 4, LOGIN_REPLY_ERR },
        { "ok", 2, LOGIN_REPLY_OTHER },          // no comma
        { "ok,", 2, LOGIN_REPLY_OTHER },         // the comma lies past the size
        { "err", 3, LOGIN_REPLY_OTHER },
        { "err,", 3, LOGIN_REPLY_OTHER },
        { "ng", 2, LOGIN_REPLY_OTHER },
        { std::string("\0ok,", 4), 4, LOGIN_REPLY_OTHER },   // a zero first byte is a reply, not silence
        { "<html><body>500</body></html>", 29, LOGIN_REPLY_OTHER },
        { "OK,", 3, LOGIN_REPLY_OTHER },
        { "ok,", 0, LOGIN_REPLY_NONE },
        { "ok,", -1, LOGIN_REPLY_NONE },
    };
    for (const auto& c : cases) {
        // A copy of exactly the size: a read past it is an error under the sanitizers.
        std::string exact = c.size > 0 ? c.reply.substr(0, static_cast<size_t>(c.size)) : std::string();
        const char* p = c.size > 0 ? exact.data() : c.reply.data();
        EXPECT_EQ(LOGIN_JudgeReply(p, c.size), c.want) << "[" << c.reply << "] size " << c.size;
    }
    EXPECT_EQ(LOGIN_JudgeReply(nullptr, 5), LOGIN_REPLY_NONE);
}

TEST(LoginReply, TheDateIsEightDigits)
{
    char d[16];
    ASSERT_EQ(LOGIN_FormatDate(d, sizeof(d), 2026, 1, 5), 1);
    EXPECT_STREQ(d, "20260105");
    EXPECT_EQ(LOGIN_FormatDate(d, 8, 2026, 1, 5), 0);      // no room for the terminator
    EXPECT_EQ(LOGIN_FormatDate(d, sizeof(d), 2026, 13, 5), 0);
    EXPECT_EQ(LOGIN_FormatDate(d, sizeof(d), 99999, 1, 5), 0);
}

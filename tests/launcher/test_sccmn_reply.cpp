// The catalogue reply as the launcher reads it: the status word, the records
// decoded and converted to Shift-JIS, and the reply as a log line. Replies
// come from the network, so hostile ones (a cut record, an overlong field,
// broken or trailing escapes) must stay within their bounds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "sccmn_reply.h"

namespace {

// One record of 24 comma-terminated columns: "tiv", then the given second
// and third columns, then filler.
std::string Record(const std::string& c2, const std::string& c3)
{
    std::string s = "tiv," + c2 + "," + c3 + ",";
    for (int i = 4; i <= 24; i++) s += "c" + std::to_string(i) + ",";
    return s;
}

struct Decoded {
    bool ok;
    int cnt;
    std::string text;
};

Decoded Decode(const std::string& reply)
{
    int n = -1;
    char* p = SCCMN_DecodeCatalogue(reply.data(), static_cast<int>(reply.size()), &n);
    Decoded d{ p != nullptr, n, p != nullptr ? std::string(p) : std::string() };
    std::free(p);
    return d;
}

TEST(CatalogueReply, TheStatusWordCountsOnlyWhenTheWholePrefixIsThere)
{
    struct { std::string buf; int size; int want; } cases[] = {
        { "ok,tiv", 6, SCCMN_REPLY_OK },
        { "ok", 2, SCCMN_REPLY_OK },
        { "ok", 1, SCCMN_REPLY_OTHER },                 // cut before the word ends
        { "invalididpassword,", 18, SCCMN_REPLY_BADPASSWORD },
        { "invalididpassword", 16, SCCMN_REPLY_OTHER },
        { "ng,", 3, SCCMN_REPLY_OTHER },
        { "err,", 4, SCCMN_REPLY_OTHER },
        { "OK,", 3, SCCMN_REPLY_OTHER },
        { "", 0, SCCMN_REPLY_OTHER },
    };
    for (const auto& c : cases) EXPECT_EQ(SCCMN_ClassifyReply(c.buf.data(), c.size), c.want) << c.buf;
    EXPECT_EQ(SCCMN_ClassifyReply(nullptr, 10), SCCMN_REPLY_OTHER);
}

TEST(CatalogueReply, RecordsAreDecodedConvertedAndCounted)
{
    // "%A4%A2" is EUC-JP for the hiragana A, 0x82 0xA0 in Shift-JIS.
    Decoded d = Decode("ok," + Record("G0001", "%A4%A2") + Record("G0002", "B"));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.cnt, 2);
    EXPECT_EQ(d.text.substr(0, 16), "tiv,G0001,\x82\xA0,c4,");
    EXPECT_NE(d.text.find("tiv,G0002,B,"), std::string::npos);

    d = Decode("ok,");
    EXPECT_TRUE(d.ok);
    EXPECT_EQ(d.cnt, 0);
    EXPECT_EQ(d.text, "");
    // A longer status word is not taken for the start of the records.
    d = Decode("okay," + Record("G0001", "A"));
    EXPECT_EQ(d.cnt, 1);
    EXPECT_EQ(d.text.substr(0, 10), "tiv,G0001,");
}

TEST(CatalogueReply, HostileRepliesStayWithinTheirBounds)
{
    struct { const char* what; std::string reply; int maxCnt; } cases[] = {
        { "a record cut in its third column", "ok," + Record("G0001", "A") + "tiv,G0002,hal", 2 },
        { "a 3000-byte field", "ok," + Record(std::string(3000, 'X'), "A"), 1 },
        { "an escape that is no hex", "ok," + Record("G%G1", "%G1"), 1 },
        { "a trailing percent", "ok," + Record("G0001", "A") + "tiv,%", 2 },
        { "a percent cut after one digit", "ok,tiv,G0001,%4", 1 },
        { "an escaped NUL", "ok," + Record("G%000", "A"), 1 },
        { "nothing but escapes", "ok," + std::string(600, '%'), 0 },
        { "a lone lead byte of EUC-JP", "ok," + Record("%A4", "%8F%A1"), 1 },
    };
    for (const auto& c : cases) {
        Decoded d = Decode(c.reply);
        ASSERT_TRUE(d.ok) << c.what;
        EXPECT_GE(d.cnt, 0) << c.what;
        EXPECT_LE(d.cnt, c.maxCnt) << c.what;
        // A cut record is completed with its missing separators, no more.
        EXPECT_LE(d.text.size(), c.reply.size() + 24) << c.what;
    }
    // The overlong field is cut, never carried whole.
    Decoded d = Decode("ok," + Record(std::string(3000, 'X'), "A"));
    EXPECT_EQ(d.text.find(std::string(2048, 'X')), std::string::npos);

    int n = 5;
    EXPECT_EQ(SCCMN_DecodeCatalogue(nullptr, 10, &n), nullptr);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(SCCMN_DecodeCatalogue("ok", 0, &n), nullptr);
    EXPECT_EQ(SCCMN_DecodeCatalogue(",tiv", 4, &n), nullptr);   // no status word
}

TEST(CatalogueReply, ALogLineShowsControlBytesEscapedAndKeepsToItsSizes)
{
    char out[64];
    std::string reply("ok,\r\n%\x01z", 8);
    EXPECT_EQ(SCCMN_ReplyForLog(out, sizeof(out), reply.data(), 8, 100), 16);
    EXPECT_STREQ(out, "ok,%0D%0A%25%01z");
    std::string big(1000, 'a');
    int n = SCCMN_ReplyForLog(out, sizeof(out), big.data(), 1000, 10);
    EXPECT_STREQ(out, "aaaaaaaaaa...(+990 bytes)");
    EXPECT_EQ(n, 25);
    n = SCCMN_ReplyForLog(out, 8, big.data(), 1000, 100);   // the output is smaller still
    EXPECT_EQ(n, 7);
    EXPECT_STREQ(out, "aaaaaaa");
    EXPECT_EQ(SCCMN_ReplyForLog(out, sizeof(out), nullptr, 5, 10), 0);
    EXPECT_STREQ(out, "");
}

}  // namespace

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <thread>

#include "log.h"
#include "testdir.h"

namespace {

// Undoes the inversion; a plain 0x0A (the line variant's raw line feed)
// comes out as "<LF>" so that it can be told from an inverted one.
std::string DecodeLog(const std::string& raw)
{
    std::string out;
    for (unsigned char c : raw) {
        if (c == 0x0A) out += "<LF>";
        else out += static_cast<char>(~c);
    }
    return out;
}

const char* kStamp = R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}  )";

struct LogTest : ::testing::Test {
    TestDir dir;
    void SetUp() override { LOG_SetProgram("tiv_launcher.log", 299999); }
    void TearDown() override
    {
        LOG_Close();
        LOG_SetProgram("tiv_launcher.log", 299999);
    }
    std::string Log(const char* name = "tiv_launcher.log") { return ReadAll(dir.file(name)); }
};

TEST_F(LogTest, EntriesAreInvertedStampsAndTextsWithARawLineFeed)
{
    EXPECT_EQ(LOG_Write("WinMain::starting\n"), 1);
    LOG_WriteLine("x");
    LOG_Close();
    std::string raw = Log();
    ASSERT_FALSE(raw.empty());
    EXPECT_EQ(raw.back(), '\n');                              // plain, not inverted
    EXPECT_EQ(static_cast<unsigned char>(raw[raw.size() - 2]), static_cast<unsigned char>(~'x'));
    std::string text = DecodeLog(raw);
    EXPECT_TRUE(std::regex_match(text, std::regex(std::string(kStamp) + "WinMain::starting\n" + kStamp + "x<LF>")))
        << text;
}

TEST_F(LogTest, EmptyAndNullTextsWriteTheStampAndCount)
{
    EXPECT_EQ(LOG_Write(nullptr), 1);
    EXPECT_EQ(LOG_Write(""), 2);
    LOG_Close();
    std::string text = DecodeLog(Log());
    EXPECT_TRUE(std::regex_match(text, std::regex(std::string(kStamp) + kStamp))) << text;
}

TEST_F(LogTest, EntriesOfTwoThreadsStayWhole)
{
    const int kPerThread = 3000;
    auto writer = [](char id) {
        for (int i = 0; i < kPerThread; i++) {
            // Lengths vary so that a mixed-up entry cannot look whole by chance.
            std::string s = std::string(1, id) + std::to_string(i) + ":" + std::string(i % 97, id) + "\n";
            LOG_Write(s.c_str());
        }
    };
    std::thread a(writer, 'a'), b(writer, 'b');
    a.join();
    b.join();
    LOG_Close();
    std::string text = DecodeLog(Log());
    std::regex entry(std::string(kStamp) + R"(([ab])(\d+):([ab]*)\n)");
    std::set<std::string> seen;
    auto it = std::sregex_iterator(text.begin(), text.end(), entry);
    size_t covered = 0;
    for (; it != std::sregex_iterator(); ++it) {
        const auto& m = *it;
        EXPECT_EQ(m.position(0), static_cast<long>(covered)) << "garbage before an entry";
        covered = m.position(0) + m.length(0);
        char id = m.str(1)[0];
        int i = std::stoi(m.str(2));
        EXPECT_EQ(m.str(3), std::string(i % 97, id));
        seen.insert(m.str(1) + m.str(2));
    }
    EXPECT_EQ(covered, text.size());
    EXPECT_EQ(seen.size(), 2u * kPerThread);
}

TEST_F(LogTest, TheEntryAfter800000StartsANewFile)
{
    for (int i = 1; i <= LOG_MAX_ENTRY; i++) {
        ASSERT_EQ(LOG_Write(i == LOG_MAX_ENTRY ? "last\n" : nullptr), i);
    }
    EXPECT_EQ(LOG_Write("first of the new file\n"), 1);
    LOG_Close();
    std::string text = DecodeLog(Log());
    EXPECT_TRUE(std::regex_match(text, std::regex(std::string(kStamp) + "first of the new file\n"))) << text;
}

TEST_F(LogTest, LongTextsAreCutPerProgram)
{
    std::string big(300000, 'q');
    LOG_Write(big.c_str());
    LOG_Close();
    std::string text = DecodeLog(Log());
    EXPECT_EQ(text.size(), 21u + 299999u);   // stamp "2026/12/10 12:00:00  " + the cut text

    LOG_SetProgram("pullagent.log", 1023);
    std::string mid(5000, 'p');
    LOG_Write(mid.c_str());
    LOG_Close();
    EXPECT_EQ(Log("pullagent.log").size(), 21u + 1023u);
}

TEST_F(LogTest, BinaryEntries)
{
    const char data[] = { 'a', 0, 'b' };
    LOG_WriteBin(data, 3);           // zero bytes inside are written
    LOG_WriteBin("\0abc", 4);        // a first byte of 0 writes the stamp only
    LOG_WriteBin(nullptr, 5);
    LOG_Close();
    std::string raw = Log();
    ASSERT_EQ(raw.size(), 21u * 3 + 3);
    std::string text = DecodeLog(raw);
    EXPECT_EQ(text.substr(21, 3), std::string("a\0b", 3));
}

TEST_F(LogTest, ALogThatCannotBeCreatedDropsEntriesAndTriesAgain)
{
    LOG_SetProgram("missing-folder/x.log", 299999);
    EXPECT_EQ(LOG_Write("lost\n"), 0);
    std::filesystem::create_directory(dir.path() + "missing-folder");
    EXPECT_EQ(LOG_Write("kept\n"), 1);
    LOG_Close();
    std::string text = DecodeLog(ReadAll(dir.file("missing-folder/x.log")));
    EXPECT_TRUE(std::regex_match(text, std::regex(std::string(kStamp) + "kept\n"))) << text;
}

}  // namespace

// The settings-file parser: a table of texts with what each must give, the
// merge of two files, number conversion and the lookups.
#include "test_system.h"

#include "Config.h"
#include "MemFile.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace {

// The whole Config as text: "[section]" lines, then "key|name=value|..." per entry.
std::string Dump(const Config& cfg, std::initializer_list<const char*> sections)
{
    std::string out;
    for (const char* name : sections) {
        ConfigSection* s = cfg.getSection(name);
        if (s == nullptr) continue;
        out += "[" + s->getName() + "]\n";
        for (ConfigEntry* e : s->entries()) {
            out += e->getKey();
            for (auto& v : e->values()) out += "|" + v.first + "=" + v.second;
            out += "\n";
        }
    }
    return out;
}

struct ParseCase {
    const char* what;
    std::string text;
    const char* error;   // the one message reported, or null for a good file
    const char* dump;
};

const char kNoValue[] = "[Config]エントリの値がありません(line %d)\n";
const char kBadValue[] = "[Config]エントリの値に誤りがあります(line %d)\n";
const char kBadSection[] = "[Config]セクションの定義に誤りがあります(line %d)\n";

std::string Message(const char* format, int line)
{
    char text[200];
    std::snprintf(text, sizeof text, format, line);
    return text;
}

TEST(ConfigLoad, TableOfTexts)
{
    struct Row { ParseCase c; int line; };
    const Row rows[] = {
        {{"sections, quotes, CR LF", "[info]\r\ndriver=pc88/opna\r\n[title]\r\ntitle=\"曲,1\",code=3\r\n", nullptr,
          "[info]\ndriver|driver=pc88/opna\n[title]\ntitle|code=3|title=曲,1\n"}, 0},
        {{"skipped lines; last line without break", "[a]\n;x=1\n#y=2\n z=3\n\tw=4\nv=5", nullptr, "[a]\nv|v=5\n"}, 0},
        {{"comment after the header", "[a] ; note\nk=1", nullptr, "[a]\nk|k=1\n"}, 0},
        {{"nothing trimmed", "[a]\na = 1", nullptr, "[a]\na |a = 1\n"}, 0},
        {{"backslash takes the comma", "[a]\nk=a\\,b,c=1", nullptr, "[a]\nk|c=1|k=a,b\n"}, 0},
        {{"escapes have no letters", "[a]\nk=\\n\\\\\\\"", nullptr, "[a]\nk|k=n\\\"\n"}, 0},
        {{"empty value", "[a]\nk=", nullptr, "[a]\nk|k=\n"}, 0},
        {{"trail byte 0x5C is no escape", "[a]\nk=ソ\"q\",x=1", nullptr, "[a]\nk|k=ソq|x=1\n"}, 0},
        {{"escaped lead byte keeps its trail", "[a]\nk=\\ソ", nullptr, "[a]\nk|k=ソ\n"}, 0},
        {{"a name twice keeps the first", "[a]\na=1,a=2", nullptr, "[a]\na|a=1\n"}, 0},
        {{"key is the first non-empty name", "[a]\n=0,b=1", nullptr, "[a]\nb|=0|b=1\n"}, 0},
        {{"! replaces the entry of that key", "[a]\ncode=1\nx=9\n!code=2", nullptr, "[a]\nx|x=9\ncode|code=2\n"}, 0},
        {{"! looks at keys, not at other pairs", "[a]\nx=1,code=5\n!code=2", nullptr, "[a]\nx|code=5|x=1\ncode|code=2\n"}, 0},
        {{"! with another key removes nothing", "[a]\ncode=1\n!x=2,code=3", nullptr, "[a]\ncode|code=1\nx|code=3|x=2\n"}, 0},
        {{"a header again appends", "[a]\nk=1\n[b]\nm=1\n[a]\nk=2", nullptr, "[a]\nk|k=1\nk|k=2\n[b]\nm|m=1\n"}, 0},
        {{"![ drops the old section", "[a]\nk=1\n![a]\nk=2\n![b]\nm=1", nullptr, "[a]\nk|k=2\n[b]\nm|m=1\n"}, 0},
        {{"a NUL byte ends the text", std::string("[a]\nk=1\0[b]\nbad", 16), nullptr, "[a]\nk|k=1\n"}, 0},
        {{"empty text", "", nullptr, ""}, 0},

        {{"comma at the end", "[a]\na=1,\n", kNoValue, "[a]\n"}, 2},
        {{"two commas", "[a]\nk=0\na=1,,", kNoValue, "[a]\nk|k=0\n"}, 3},
        {{"no '='", "[a]\nabc", kNoValue, "[a]\n"}, 2},
        {{"'!' alone", "[a]\n!", kNoValue, "[a]\n"}, 2},
        {{"no ']'", "[a]\nk=1\n[b\nm=1", kBadSection, "[a]\nk|k=1\n"}, 3},
        {{"entry before any header", "k=1\n[a]", kBadSection, ""}, 1},
        {{"unclosed quote", "[a]\nk=\"a,b", kBadValue, "[a]\n"}, 2},
        {{"ends in a backslash", "[a]\nk=abc\\\r\nm=1", kBadValue, "[a]\n"}, 2},
        {{"ends after a lead byte", "[a]\nk=\x82\nm=1", kBadValue, "[a]\n"}, 2},
        {{"LF LF is one break", "[a]\n\nk=1\nbad", kNoValue, "[a]\nk|k=1\n"}, 3},
        {{"CR LF CR LF: an empty line between", "[a]\r\n\r\nbad", kNoValue, "[a]\n"}, 3},
        {{"CR CR LF", "[a]\r\r\nk=1\nbad", kNoValue, "[a]\nk|k=1\n"}, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.c.what);
        TestSystemScope sys;
        Config cfg;
        MemFile file(row.c.text.data(), static_cast<int>(row.c.text.size()), true);
        bool ok = cfg.load(&file);
        EXPECT_EQ(ok, row.c.error == nullptr);
        std::vector<std::string> want;
        if (row.c.error) want.push_back(Message(row.c.error, row.line));
        EXPECT_EQ(sys->errors(), want);
        EXPECT_EQ(Dump(cfg, {"a", "b", "info", "title"}), row.c.dump);
    }
}

TEST(ConfigLoad, SecondFileMergesIntoTheFirst)
{
    TestSystemScope sys;
    Config cfg;
    std::string archive = "[info]\ndriver=x1/psg\n[title]\ntitle=one,code=1\n[config]\nfolder=a\n";
    std::string player = "[title]\ntitle=two,code=2\n![config]\nscreenshot=s.bmp\n";
    MemFile f1(archive.data(), static_cast<int>(archive.size()), false);
    MemFile f2(player.data(), static_cast<int>(player.size()), false);
    ASSERT_TRUE(cfg.load(&f1));
    ASSERT_TRUE(cfg.load(&f2));
    EXPECT_EQ(Dump(cfg, {"config", "info", "title"}),
              "[config]\nscreenshot|screenshot=s.bmp\n"
              "[info]\ndriver|driver=x1/psg\n"
              "[title]\ntitle|code=1|title=one\ntitle|code=2|title=two\n");
    EXPECT_TRUE(sys->errors().empty());
}

// A File that fills the whole buffer but says it read less, as a damaged zip
// member can: only the bytes it owns up to are text.
class ShortFile : public MemFile {
public:
    ShortFile(const std::string& bytes, int reported)
        : MemFile(bytes.data(), static_cast<int>(bytes.size()), true), mReported(reported) {}
    int read(void* buffer, int count) override
    {
        MemFile::read(buffer, count);
        return mReported;
    }

private:
    int mReported;
};

TEST(ConfigLoad, ParsesOnlyTheBytesRead)
{
    TestSystemScope sys;
    {
        Config cfg;
        ShortFile file("[a]\nk=1\n[zzz]\nm=2\n", 8);
        EXPECT_FALSE(cfg.load(&file));   // not read whole
        EXPECT_EQ(Dump(cfg, {"a", "zzz"}), "[a]\nk|k=1\n");
    }
    {
        Config cfg;
        ShortFile file("[zzz]\nm=2\n", -3);   // a read that failed outright
        EXPECT_FALSE(cfg.load(&file));
        EXPECT_EQ(cfg.getSection("zzz"), nullptr);
    }
    EXPECT_TRUE(sys->errors().empty());
}

// A file that declares a size of its own choosing over a short text, as a
// zip member's directory entry can; it counts the bytes asked of it.
class ClaimingFile : public MemFile {
public:
    ClaimingFile(const std::string& bytes, int claimed)
        : MemFile(bytes.data(), static_cast<int>(bytes.size()), true), mClaimed(claimed) {}
    int size() override { return mClaimed; }
    int read(void* buffer, int count) override
    {
        // The text, then blank lines up to every claimed byte.
        asked += count;
        const int got = MemFile::read(buffer, count);
        if (got < count) std::memset(static_cast<char*>(buffer) + got, '\n', static_cast<size_t>(count - got));
        return count;
    }
    int64_t asked = 0;

private:
    int mClaimed;
};

// A declared size past the bound is refused before anything is allocated or
// read (a member claiming 2 GB made the 32-bit player's allocation fail into
// an assertion); up to the bound the text loads.
TEST(ConfigLoad, ADeclaredSizePastTheBoundIsRefused)
{
    TestSystemScope sys;
    struct Row {
        int claimed;
        bool loads;
    } rows[] = {{Config::MAX_TEXT_BYTES, true}, {Config::MAX_TEXT_BYTES + 1, false}, {0x7FFFFFF0, false}, {INT_MAX, false}};
    for (const Row& r : rows) {
        Config cfg;
        ClaimingFile file("[a]\nk=1\n", r.claimed);
        EXPECT_EQ(cfg.load(&file), r.loads) << r.claimed;
        EXPECT_EQ(file.asked, r.loads ? r.claimed : 0) << r.claimed;
        EXPECT_EQ(cfg.getSection("a") != nullptr, r.loads) << r.claimed;
    }
    EXPECT_TRUE(sys->errors().empty());
    EXPECT_TRUE(sys->assertions().empty());
}

TEST(ConfigLoad, MissingFileIsAnAssertion)
{
    TestSystemScope sys;
    Config cfg;
    EXPECT_FALSE(cfg.load(nullptr));
    ASSERT_EQ(sys->assertions().size(), 1u);
    EXPECT_EQ(sys->assertions()[0].substr(0, 18), "common/Config.cpp:");
    EXPECT_NE(sys->assertions()[0].find(":_file != NULL"), std::string::npos);
}

TEST(ConfigNumbers, ConvertAsStrtoulOn32Bits)
{
    const struct { const char* text; int value; } rows[] = {
        {"abc", 0}, {"", 0}, {"0x10", 16}, {"0X1f", 31}, {"010", 8}, {"09", 0}, {"-1", -1},
        {" \t12", 12}, {"+7", 7}, {"12abc", 12}, {"0x", 0}, {"-0x10", -16},
        {"4294967295", -1}, {"0xFFFFFFFF", -1}, {"4294967296", -1}, {"99999999999", -1},
        {"-4294967295", 1}, {"-99999999999", -1}, {"2147483648", INT_MIN}, {"-2147483648", INT_MIN},
        {"2147483647", INT_MAX},
    };
    for (auto& r : rows) EXPECT_EQ(ConfigToInt(r.text), r.value) << "text \"" << r.text << "\"";
}

TEST(ConfigLookup, DefaultsAndFirstNameOnly)
{
    TestSystemScope sys;
    Config cfg;
    std::string text = "[option]\na=1,baseclock=5\nwait=0x20\ntitle=曲名\n";
    MemFile file(text.data(), static_cast<int>(text.size()), false);
    ASSERT_TRUE(cfg.load(&file));
    EXPECT_EQ(cfg.getInt("option", "a", 9), 1);
    EXPECT_EQ(cfg.getInt("option", "baseclock", 9), 9);   // not the first name of its line
    EXPECT_EQ(cfg.getInt("option", "wait", 9), 32);
    EXPECT_EQ(cfg.getInt("none", "wait", 9), 9);
    EXPECT_EQ(cfg.getString("option", "title", "x"), "曲名");
    EXPECT_EQ(cfg.getString("option", "nothing", "x"), "x");
    EXPECT_EQ(cfg.getEntries("none"), nullptr);
    ASSERT_NE(cfg.getEntries("option"), nullptr);
    EXPECT_EQ(cfg.getEntries("option")->size(), 3u);
    ConfigEntry* e = cfg.getSection("option")->findEntry("a");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->getInt("baseclock", 0), 5);
    EXPECT_EQ(e->getInt("other", 77), 77);

    cfg.addEntry("config", "folder", "c:\\x", false);
    cfg.addEntry("config", "folder", "d:\\y", false);
    EXPECT_EQ(cfg.getSection("config")->entries().size(), 2u);
    cfg.addEntry("config", "folder", "e:\\z", true);
    EXPECT_EQ(Dump(cfg, {"config"}), "[config]\nfolder|folder=e:\\z\n");

    ConfigSection* s = cfg.getSection("config");
    EXPECT_TRUE(cfg.removeSection(s));
    EXPECT_EQ(cfg.getSection("config"), nullptr);
    delete s;
    EXPECT_TRUE(sys->errors().empty());
}

}  // namespace

// Files and data sources: memory and disk files, folder and zip archives
// read through minizip.
#include "test_system.h"

#include "Archive.h"
#include "CommandLine.h"
#include "Config.h"
#include "FileName.h"
#include "FolderArchive.h"
#include "MemFile.h"
#include "MusicArchive.h"
#include "StdFile.h"
#include "ZipArchive.h"
#include "ZipFile.h"
#include "testdir.h"
#include "zip_maker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

std::string ReadWhole(File* f)
{
    int n = f->size();
    std::string s(static_cast<size_t>(n > 0 ? n : 0), '\0');
    int got = f->read(&s[0], n);
    s.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return s;
}

std::string Pattern(int n)
{
    std::string s;
    for (int i = 0; i < n; i++) s += static_cast<char>("ABCDEFGH"[i % 8] + (i / 997) % 3);
    return s;
}

TEST(MemFile, ReadWriteAndSeekStayInsideTheBlock)
{
    char block[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    MemFile f(block, 10, false);
    char buf[8] = {};
    EXPECT_TRUE(f.seek(8, 0));
    EXPECT_EQ(f.read(buf, 4), 2);
    EXPECT_EQ(buf[0], 8);
    EXPECT_EQ(buf[1], 9);
    EXPECT_EQ(f.read(buf, 4), 0);
    EXPECT_TRUE(f.seek(0, 2));
    EXPECT_EQ(f.tell(), 10);
    EXPECT_TRUE(f.seek(3, 2));
    EXPECT_EQ(f.tell(), 7);
    EXPECT_FALSE(f.seek(-1, 2));
    EXPECT_FALSE(f.seek(11, 0));
    EXPECT_FALSE(f.seek(0, 3));
    EXPECT_EQ(f.tell(), 7);
    EXPECT_TRUE(f.seek(-2, 1));
    EXPECT_EQ(f.tell(), 5);
    EXPECT_EQ(f.write("xyzxyz", 6), 5);   // the block never grows
    EXPECT_EQ(block[9], 'y');
    EXPECT_EQ(f.read(buf, -1), 0);
    EXPECT_EQ(f.getBuffer(), block);
    EXPECT_FALSE(f.open("x", 1));
    EXPECT_FALSE(f.close());
    EXPECT_EQ(f.getPath(), "");

    MemFile copy(block, 10, true);   // its own block
    EXPECT_NE(copy.getBuffer(), block);
    block[0] = 42;
    EXPECT_EQ(static_cast<const char*>(copy.getBuffer())[0], 0);
}

TEST(StdFile, OpenReadWriteAndSize)
{
    TestDir dir;
    StdFile f;
    EXPECT_FALSE(f.open("missing.bin", 1));
    EXPECT_EQ(f.getPath(), "missing.bin");   // kept after a failed open
    EXPECT_EQ(f.tell(), -1);
    EXPECT_EQ(f.size(), -1);
    EXPECT_EQ(f.read(nullptr, 4), 0);
    EXPECT_FALSE(f.seek(0, 0));

    ASSERT_TRUE(f.open("new.bin", 2));   // mode 2 creates
    EXPECT_EQ(f.write("0123456789", 10), 10);
    ASSERT_TRUE(f.close());
    EXPECT_EQ(f.getPath(), "");

    ASSERT_TRUE(f.open("new.bin", 7));   // anything but 2 reads
    EXPECT_TRUE(f.seek(4, 0));
    EXPECT_EQ(f.size(), 10);
    EXPECT_EQ(f.tell(), 4);              // size leaves the position alone
    EXPECT_FALSE(f.seek(0, 5));
    EXPECT_TRUE(f.seek(-3, 2));
    char buf[4] = {};
    EXPECT_EQ(f.read(buf, 4), 3);
    EXPECT_EQ(std::string(buf, 3), "789");
    EXPECT_EQ(f.getBuffer(), nullptr);
    EXPECT_EQ(f.write("x", 1), 0);       // read-only stream
}

TEST(FolderArchive, JoinsNamesToThePath)
{
    TestSystemScope sys;
    TestDir dir;
    std::filesystem::create_directories("data/sub");
    WriteAll("data/a.bin", "folder a");
    WriteAll("data/sub/b.bin", "sub b");
    WriteAll("a.bin", "current a");

    const struct { const char* path; const char* name; const char* content; } rows[] = {
        {"data", "a.bin", "folder a"},
        {"data/", "a.bin", "folder a"},
        {"data\\", "a.bin", "folder a"},
        {"", "a.bin", "current a"},
        {"data", "sub/b.bin", "sub b"},
    };
    for (auto& r : rows) {
        SCOPED_TRACE(std::string(r.path) + " + " + r.name);
        FolderArchive a(r.path);
        std::unique_ptr<File> f(a.openFile(r.name, 1));
#ifndef _WIN32
        if (std::string(r.path).back() == '\\') continue;   // only Windows reads "\" as a separator
#endif
        ASSERT_TRUE(f);
        EXPECT_EQ(ReadWhole(f.get()), r.content);
    }
    FolderArchive a("data");
    EXPECT_EQ(a.openFile("none.bin", 1), nullptr);
    std::unique_ptr<Archive> sub(a.openArchive("sub"));
    ASSERT_TRUE(sub);
    EXPECT_NE(dynamic_cast<FolderArchive*>(sub.get()), nullptr);
    std::unique_ptr<File> b(sub->openFile("b.bin", 1));
    ASSERT_TRUE(b);
    EXPECT_EQ(ReadWhole(b.get()), "sub b");
    EXPECT_EQ(a.openArchive("nothing"), nullptr);
}

// Member names come from the archive's configuration: none of them may
// reach a file outside the folder, while names that only look alike open.
TEST(FolderArchive, NamesNeverLeadOutsideTheFolder)
{
    TestSystemScope sys;
    TestDir dir;
    std::filesystem::create_directories("data/sub");
    WriteAll("secret.bin", "outside");
    WriteAll("data/sub/b.bin", "sub b");
    WriteAll("data/..b", "dots in a name");
#ifndef _WIN32
    // "ソ.." ends in the trail byte 0x5C: read byte by byte it would be a
    // folder "\x83" and "..". Windows cannot keep such a folder (it drops
    // trailing dots), so only the native build has one to open.
    std::filesystem::create_directories("data/\x83\x5C..");
    WriteAll("data/\x83\x5C../c.bin", "trail byte then dots");
#endif
    const std::string abs = std::filesystem::absolute("secret.bin").string();

    FolderArchive a("data");
    for (const std::string& name : {std::string("../secret.bin"), std::string("sub/../../secret.bin"),
                                   std::string("..\\secret.bin"), std::string(".../secret.bin"),
                                   std::string(". ./secret.bin"), std::string("sub/.."), abs,
                                   std::string("C:secret.bin"), std::string(""), std::string("..")}) {
        std::unique_ptr<File> f(a.openFile(name, 1));
        EXPECT_EQ(f, nullptr) << "name \"" << name << "\" opened a file";
        std::unique_ptr<Archive> sub(a.openArchive(name));
        EXPECT_EQ(sub, nullptr) << "name \"" << name << "\" opened an archive";
    }
    const struct { const char* name; const char* content; } inside[] = {
        {"sub/b.bin", "sub b"},
        {"..b", "dots in a name"},
#ifndef _WIN32
        {"\x83\x5C../c.bin", "trail byte then dots"},
#endif
    };
    for (auto& r : inside) {
        std::unique_ptr<File> f(a.openFile(r.name, 1));
        ASSERT_TRUE(f) << r.name;
        EXPECT_EQ(ReadWhole(f.get()), r.content);
    }
}

class ZipArchiveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(MakeZip("music.kzd", {
            {"config.txt", "[info]\r\ndriver=pc88/opna\r\n", false},
            {"DATA/Song01.BIN", Pattern(20000), true},
            {"Stored.bin", "stored bytes", false},
            {"inner.zip", "PK\x03\x04 not really", false},
        }));
    }
    TestSystemScope sys;
    TestDir dir;
};

TEST_F(ZipArchiveTest, ReadsStoredAndCompressedMembers)
{
    ZipArchive zip("music.kzd");
    std::unique_ptr<File> song(zip.openFile("DATA/Song01.BIN", 1));
    ASSERT_TRUE(song);
    EXPECT_EQ(song->size(), 20000);   // the uncompressed length
    EXPECT_EQ(song->tell(), 0);
    EXPECT_EQ(ReadWhole(song.get()), Pattern(20000));
    EXPECT_EQ(song->tell(), 20000);
    EXPECT_EQ(song->getPath(), "DATA/Song01.BIN");
    EXPECT_FALSE(song->seek(0, 0));
    EXPECT_FALSE(song->seek(0, 1));
    EXPECT_FALSE(song->seek(0, 2));
    EXPECT_EQ(song->write("x", 1), 0);
    EXPECT_EQ(song->getBuffer(), nullptr);

    std::unique_ptr<File> stored(zip.openFile("Stored.bin", 1));
    ASSERT_TRUE(stored);
    EXPECT_EQ(ReadWhole(stored.get()), "stored bytes");

    // Members open at once, each with its own stream.
    std::unique_ptr<File> cfgFile(zip.openFile("config.txt", 1));
    ASSERT_TRUE(cfgFile);
    Config cfg;
    EXPECT_TRUE(cfg.load(cfgFile.get()));
    EXPECT_EQ(cfg.getString("info", "driver", ""), "pc88/opna");
}

TEST_F(ZipArchiveTest, NamesMatchWholeAndIgnoringCase)
{
    ZipArchive zip("music.kzd");
    const struct { const char* name; bool found; } rows[] = {
        {"data/song01.bin", true}, {"DATA/SONG01.BIN", true}, {"stored.BIN", true},
        {"Song01.BIN", false}, {"DATA\\Song01.BIN", false}, {"DATA/", false}, {"", false},
    };
    for (auto& r : rows) {
        std::unique_ptr<File> f(zip.openFile(r.name, 1));
        EXPECT_EQ(f != nullptr, r.found) << r.name;
    }
    EXPECT_EQ(zip.openArchive("inner.zip"), nullptr);   // no nesting inside a zip
    EXPECT_EQ(zip.openArchive("DATA"), nullptr);
    EXPECT_EQ(zip.getPath(), "music.kzd");
}

TEST_F(ZipArchiveTest, TheSystemTellsFoldersFromZips)
{
    std::filesystem::create_directories("music");
    std::unique_ptr<Archive> zip(System::openArchive("music.kzd"));
    std::unique_ptr<Archive> folder(System::openArchive("music"));
    EXPECT_NE(dynamic_cast<ZipArchive*>(zip.get()), nullptr);
    EXPECT_NE(dynamic_cast<FolderArchive*>(folder.get()), nullptr);
    EXPECT_EQ(System::openArchive("music.zip"), nullptr);
}

TEST_F(ZipArchiveTest, AFileThatIsNoZipGivesNoMembers)
{
    WriteAll("plain.kzd", std::string(3000, 'x'));
    WriteAll("empty.kzd", "");
    for (const char* path : {"plain.kzd", "empty.kzd", "missing.kzd"}) {
        ZipArchive zip(path);   // made without looking
        EXPECT_EQ(zip.openFile("config.txt", 1), nullptr) << path;
    }
}

TEST_F(ZipArchiveTest, DamagedMemberReadsNegativeAndConfigRejectsIt)
{
    std::string text = "[info]\ndriver=x1/opm\n" + std::string(4000, ';') + "\n";
    ASSERT_TRUE(MakeZip("bad.kzd", {{"config.txt", text, true}}));
    ASSERT_TRUE(DamageFirstMember("bad.kzd"));
    ZipArchive zip("bad.kzd");
    {
        std::unique_ptr<File> f(zip.openFile("config.txt", 1));
        ASSERT_TRUE(f);
        std::string buf(static_cast<size_t>(f->size()), '\0');
        EXPECT_LT(f->read(&buf[0], f->size()), 0);
    }
    std::unique_ptr<File> f(zip.openFile("config.txt", 1));
    ASSERT_TRUE(f);
    Config cfg;
    EXPECT_FALSE(cfg.load(f.get()));
    EXPECT_EQ(cfg.getSection("info"), nullptr);
}

// Watches the archive's own File: how often minizip opened and closed it.
class CountingFile : public StdFile {
public:
    int opens = 0, closes = 0;
    bool open(const std::string& path, int mode) override
    {
        opens++;
        return StdFile::open(path, mode);
    }
    bool close() override
    {
        if (getPath() != "") closes++;
        return StdFile::close();
    }
};

TEST_F(ZipArchiveTest, FailedLookupClosesTheArchive)
{
    CountingFile* archive = new CountingFile();
    ASSERT_TRUE(archive->open("music.kzd", 1));
    ZipFile member(archive);
    EXPECT_FALSE(member.open("absent.bin", 1));
    EXPECT_EQ(archive->getPath(), "");   // closed, not left open
    EXPECT_EQ(archive->opens, archive->closes);
    EXPECT_EQ(member.size(), -1);
    EXPECT_EQ(member.tell(), -1);
    // With nothing holding it, the archive can go (the player's "-d").
    EXPECT_TRUE(System::deleteFile("music.kzd"));
}

TEST_F(ZipArchiveTest, OneZipFileOpensMemberAfterMember)
{
    ZipFile member(System::openFile("music.kzd", 1));
    ASSERT_TRUE(member.open("Stored.bin", 1));
    EXPECT_EQ(ReadWhole(&member), "stored bytes");
    EXPECT_FALSE(member.open("absent", 1));
    ASSERT_TRUE(member.open("config.txt", 1));   // the archive path survived the closes
    EXPECT_EQ(ReadWhole(&member), "[info]\r\ndriver=pc88/opna\r\n");
    EXPECT_TRUE(member.close());
    EXPECT_EQ(member.getPath(), "");
    EXPECT_EQ(member.read(nullptr, 1), 0);
}

// Counts what the zip reader asks of the disk: every read and seek of the
// files the system opens.
class DiskCountingSystem : public TestSystem {
public:
    struct Counts {
        int opens = 0, reads = 0, seeks = 0;
    };
    Counts counts;

    File* doOpenFile(const std::string& path, int mode) override
    {
        struct Counting : StdFile {
            Counts* c;
            explicit Counting(Counts* counts) : c(counts) {}
            int read(void* b, int n) override { return c->reads++, StdFile::read(b, n); }
            bool seek(int o, int from) override { return c->seeks++, StdFile::seek(o, from); }
        };
        Counting* f = new Counting(&counts);
        if (!f->open(path, mode)) {
            delete f;
            return nullptr;
        }
        counts.opens++;
        return f;
    }
};

// Sets the extra-field length of central-directory entry `index` to 0xFFFF:
// the field then runs far past the end of the file.
bool DeclareHugeExtraField(const std::string& path, int index)
{
    std::string zip = ReadAll(path);
    size_t at = 0;
    for (int i = 0; i <= index; i++) {
        at = zip.find(std::string("PK\x01\x02", 4), i == 0 ? 0 : at + 4);
        if (at == std::string::npos) return false;
    }
    zip[at + 30] = '\xFF';
    zip[at + 31] = '\xFF';
    WriteAll(path, zip);
    return true;
}

// A small archive whose directory entry declares a 0xFFFF-byte extra field
// past the end used to cost minizip's directory walk some 80,000 one-byte
// reads and seeks at every openFile (about 1.5 s for the player to open
// one). The directory is now read once per archive, through a file that
// reads a block at a time: the damaged archive costs no more reads than the
// sound one of the same size, and finds what the sound part of it holds.
TEST(ZipArchiveHostile, HugeExtraFieldCostsNoMoreThanASoundArchive)
{
    TestDir dir;
    const std::vector<ZipMember> members = {
        {"config.txt", "[info]\r\ndriver=x1/psg\r\n", false},
        {"driver.bin", std::string(64, '\x76'), true},
        {"song.bin", "song", false},
    };
    const char* names[] = {"config.txt", "driver.bin", "song.bin", "absent.bin", "config.txt", "song.bin"};
    struct Row {
        const char* what;
        int damaged;                 // the entry declared huge, -1 none
        std::vector<bool> found;     // for each name above
    };
    const Row rows[] = {
        {"sound", -1, {true, true, true, false, true, true}},
        // The damaged entry itself still reads; the walk cannot step past it.
        {"the first entry damaged", 0, {true, false, false, false, true, false}},
        {"the last entry damaged", 2, {true, true, true, false, true, true}},
    };
    DiskCountingSystem::Counts sound;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        DiskCountingSystem* sys = new DiskCountingSystem();
        System::terminate();
        System::setInstance(sys);
        const std::string path = std::string("archive") + std::to_string(row.damaged + 1) + ".kzd";
        ASSERT_TRUE(MakeZip(path, members));
        if (row.damaged >= 0) {
            ASSERT_TRUE(DeclareHugeExtraField(path, row.damaged));
        }
        ZipArchive zip(path);
        for (size_t i = 0; i < sizeof names / sizeof names[0]; i++) {
            std::unique_ptr<File> f(zip.openFile(names[i], File::MODE_READ));
            EXPECT_EQ(f != nullptr, row.found[i]) << names[i];
            if (f && std::string(names[i]) == "song.bin") {
                EXPECT_EQ(ReadWhole(f.get()), "song");
            }
        }
        const DiskCountingSystem::Counts c = sys->counts;
        RecordProperty(std::string(row.what), std::to_string(c.reads) + " reads, " + std::to_string(c.seeks) + " seeks");
        if (row.damaged < 0) {
            sound = c;
            // A block a stream: the directory's and each member's.
            EXPECT_LE(c.reads, 2 * c.opens) << c.reads << " reads, " << c.opens << " streams";
            EXPECT_LE(c.seeks, 2 * c.opens) << c.seeks << " seeks, " << c.opens << " streams";
        } else {
            EXPECT_LE(c.reads, sound.reads);
            EXPECT_LE(c.seeks, sound.seeks);
        }
        System::terminate();
    }
}

}  // namespace

namespace {

TEST(MusicArchive, KzdThenZipThenTheFolder)
{
    TestSystemScope sys;
    TestDir dir;
    std::filesystem::create_directories("both");
    std::filesystem::create_directories("plain");
    ASSERT_TRUE(MakeZip("both.kzd", {{"config.txt", "kzd", false}}));
    ASSERT_TRUE(MakeZip("both.zip", {{"config.txt", "zip", false}}));
    ASSERT_TRUE(MakeZip("onlyzip.zip", {{"config.txt", "zip", false}}));
    const struct { const char* folder; const char* path; } rows[] = {
        {"both", "both.kzd"}, {"onlyzip", "onlyzip.zip"}, {"plain", "plain"},
    };
    for (auto& r : rows) {
        std::unique_ptr<Archive> a(OpenMusicArchive(r.folder));
        ASSERT_TRUE(a) << r.folder;
        EXPECT_EQ(a->getPath(), r.path);
    }
    EXPECT_EQ(OpenMusicArchive("absent"), nullptr);
}

}  // namespace

namespace {

TEST(FileName, UnfitCharactersBecomeFullWidth)
{
    EXPECT_EQ(ConvertToFileName("a/b:c"), "a／b：c");
    EXPECT_EQ(ConvertToFileName("\\/:*?\"<>|"), "￥／：＊？”＜＞｜");
    EXPECT_EQ(ConvertToFileName("ソ表/x"), "ソ表／x");   // trail bytes 0x5C stay
    EXPECT_EQ(ConvertToFileName("ab\x82"), "ab");       // a lead byte at the end ends the text
    EXPECT_EQ(ConvertToFileName("ｱｲ.wav"), "ｱｲ.wav");  // single-byte kana pass
}

// The proposed WAV name fills a 260-byte buffer: a title too long is cut at a
// character boundary, so a lead byte never swallows the "." of ".wav".
TEST(FileName, AProposedNameIsCutBetweenCharacters)
{
    std::string kanji;
    for (int i = 0; i < 150; i++) kanji += "表";   // 300 bytes of double-byte characters
    std::string fit = FitFileName(kanji, ".wav", 260);
    EXPECT_EQ(fit.size(), 254u + 4u);               // 255 bytes of room: 127 characters, not 127.5
    EXPECT_EQ(fit.substr(fit.size() - 4), ".wav");
    EXPECT_EQ(fit.substr(0, 254), kanji.substr(0, 254));
    std::string odd = "a" + kanji;                  // the boundary now falls on odd offsets
    fit = FitFileName(odd, ".wav", 260);
    EXPECT_EQ(fit.size(), 255u + 4u);
    EXPECT_EQ(fit.substr(0, 255), odd.substr(0, 255));
    EXPECT_EQ(FitFileName("song", ".wav", 260), "song.wav");
    EXPECT_EQ(FitFileName("song", ".wav", 5), ".wav");
    EXPECT_EQ(FitFileName("song", ".wav", 4), "");
}

// The player's command line as the launcher writes it: quoted paths with
// blanks, a path whose last character has the trail byte "\" before the
// closing quote, and "-d" between them.
TEST(CommandLine, QuotedPathsAndShiftJisPassUnchanged)
{
    struct Case {
        const char* line;
        std::vector<std::string> args;
    } cases[] = {
        {"\"C:\\app\\player\\chipplay.exe\" \"C:\\My Music\\t.kzd\" -d \"C:\\app\\cache\\s.bmp\"",
         {"C:\\app\\player\\chipplay.exe", "C:\\My Music\\t.kzd", "-d", "C:\\app\\cache\\s.bmp"}},
        {"chipplay \"C:\\ソ\" -d", {"chipplay", "C:\\ソ", "-d"}},   // 0x83 0x5C then the quote
        {"chipplay  a\tb  ", {"chipplay", "a", "b"}},
        {"chipplay \"\"", {"chipplay", ""}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.args) << c.line;
    EXPECT_TRUE(SplitCommandLine(nullptr).empty());
}

}  // namespace

// The content-pack readers on real folders: packs built with CPD_Build,
// unpacked into a fresh member's (or application) folder, then the files on
// disk and the catalogue record compared with what the pack holds.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "catalogue_fixture.h"
#include "cntpack.h"
#include "cntunpack.h"
#include "contentslist.h"
#include "slide.h"
#include "testdir.h"

namespace {

using Bytes = std::vector<uint8_t>;

const char* const kKey = "C0001";

Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }
std::string Str(const Bytes& b) { return std::string(b.begin(), b.end()); }

// A pack file. bRawStream: data is already an LZSS stream, stored as the
// entry's data as is and marked compressed (to test streams the encoder
// would never make).
struct TFile {
    std::string name, caption;
    int type, cmp;
    std::string data;
    bool bRawStream = false;
};

Bytes Build(const char* pMagic, const std::vector<TFile>& files, int nTokens = 2)
{
    std::vector<CpdFile> in;
    for (const TFile& f : files) {
        in.push_back(CpdFile{ f.name, f.caption, f.type, f.bRawStream ? eCPD_FCT_NONE : f.cmp, B(f.data) });
    }
    Bytes pack;
    EXPECT_EQ(CPD_Build(pMagic, nTokens, in, pack), 1);
    // Mark the raw streams compressed: walk the entries.
    size_t off = static_cast<size_t>(pack[12] | pack[13] << 8 | pack[14] << 16 | pack[15] << 24);
    for (const TFile& f : files) {
        CpdEntry e;
        EXPECT_EQ(CPD_ReadEntry(pack.data(), pack.size(), &off, &e), 1);
        if (f.bRawStream) pack[e.pData - pack.data() - CPD_LEN_ENTRYHEADER] = eCPD_FCT_SLIDE;
    }
    return pack;
}

std::string Stream(const std::string& plain)
{
    Bytes s;
    EXPECT_EQ(SLIDE_EncodeBuffer(plain.data(), plain.size(), s), 1);
    return Str(s);
}

// An LZSS stream of literals only: valid, but not what the encoder makes.
std::string LiteralStream(const std::string& plain)
{
    std::string s;
    for (int k = 0; k < 4; k++) s += static_cast<char>(plain.size() >> (8 * k));
    for (size_t i = 0; i < plain.size(); i += 8) {
        size_t n = plain.size() - i < 8 ? plain.size() - i : 8;
        s += static_cast<char>((1 << n) - 1);
        s += plain.substr(i, n);
    }
    return s;
}

bool Exists(const std::string& p) { return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }
bool IsDir(const std::string& p)
{
    DWORD a = GetFileAttributesA(p.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// The unpacker's own temporaries ("~tiv*") left in a folder or its subfolders.
std::string Leftovers(const std::string& folder)
{
    std::string found;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return found;
    do {
        std::string n = fd.cFileName;
        if (n == "." || n == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) found += Leftovers(folder + n + "\\");
        else if (n.compare(0, 4, "~tiv") == 0 || n == "tmp2") found += folder + n + " ";
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return found;
}

std::string Path(int nKind, int nSlot) { return Field(CONTENTSLIST_GetPath(0, nKind, nSlot)); }
std::string Caption(int nKind, int nSlot) { return Field(CONTENTSLIST_GetSentence(0, nKind, nSlot)); }

// One content in the catalogue, with old paths and captions in every slot
// of the kinds an unpack records, so that what it writes shows.
class Unpack : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetCatalogue();
        g_pContIf = static_cast<ContIf*>(std::calloc(1, sizeof(ContIf)));
        g_nContCnt = 1;
        std::strcpy(g_pContIf[0].strContentsId, kKey);
        for (int s = 0; s < CLPD_SLOT_MAX; s++) {
            for (int k : { eCLPD_PATHTYPE_MAINEXE, eCLPD_PATHTYPE_README, eCLPD_PATHTYPE_KIYAKU,
                           eCLPD_PATHTYPE_MANUAL, eCLPD_PATHTYPE_KZDSOUND, eCLPD_PATHTYPE_MSXROM }) {
                CONTENTSLIST_SetPath(0, k, s, "old");
                if (k != eCLPD_PATHTYPE_MSXROM) CONTENTSLIST_SetSentence(0, k, s, "old caption");
            }
            CONTENTSLIST_SetSlotValue(0, s, 7);
        }
        member = d.path() + "member\\";
    }
    void TearDown() override { ResetCatalogue(); }

    // Writes the pack to a temporary file and unpacks it into the member's folder.
    int Run(const Bytes& pack, int bOld = 0, int b02 = 0)
    {
        std::string tmp = d.file("tempfile.bin");
        WriteAll(tmp, Str(pack));
        return THREADM_UnpackContents(kKey, member.c_str(), tmp.c_str(), bOld, b02);
    }

    TestDir d;
    std::string member;
};

TEST_F(Unpack, ReadmeTermsAndManualsAreWrittenAndRecordedWithCaptions)
{
    Bytes pack = Build(CPD_STR_PACKHEADER_ID5, {
        { "readme.txt", "はじめに", eCPD_FTYPE_README, eCPD_FCT_NONE, "read me" },
        { "kiyaku.txt", "利用規約", eCPD_FTYPE_KIYAKU, eCPD_FCT_NONE, "terms" },
        { "manual1.pdf", "説明書", eCPD_FTYPE_MANUAL, eCPD_FCT_NONE, "manual one" },
        { "doc\\sub\\manual2.pdf", "", eCPD_FTYPE_MANUAL, eCPD_FCT_NONE, "manual two" },
        { "other.dat", "x", 5, eCPD_FCT_NONE, "other" },
    });
    ASSERT_EQ(Run(pack), 1);
    EXPECT_EQ(ReadAll(member + "readme.txt"), "read me");
    EXPECT_EQ(ReadAll(member + "kiyaku.txt"), "terms");
    EXPECT_EQ(ReadAll(member + "manual1.pdf"), "manual one");
    EXPECT_TRUE(IsDir(member + "doc\\sub"));   // both folders made first
    EXPECT_EQ(ReadAll(member + "doc\\sub\\manual2.pdf"), "manual two");
    EXPECT_EQ(ReadAll(member + "other.dat"), "other");

    EXPECT_EQ(Path(eCLPD_PATHTYPE_README, 0), "readme.txt");
    EXPECT_EQ(Caption(eCLPD_PATHTYPE_README, 0), "はじめに");
    EXPECT_EQ(Path(eCLPD_PATHTYPE_README, 1), "old");
    EXPECT_EQ(Path(eCLPD_PATHTYPE_KIYAKU, 0), "kiyaku.txt");
    EXPECT_EQ(Caption(eCLPD_PATHTYPE_KIYAKU, 0), "利用規約");
    EXPECT_EQ(Path(eCLPD_PATHTYPE_MANUAL, 0), "manual1.pdf");
    EXPECT_EQ(Caption(eCLPD_PATHTYPE_MANUAL, 0), "説明書");
    EXPECT_EQ(Path(eCLPD_PATHTYPE_MANUAL, 1), "doc\\sub\\manual2.pdf");
    // An empty caption clears the old one: the slot now holds another file.
    EXPECT_EQ(Caption(eCLPD_PATHTYPE_MANUAL, 1), "");
    EXPECT_EQ(Path(eCLPD_PATHTYPE_MANUAL, 2), "old");
    EXPECT_EQ(Path(eCLPD_PATHTYPE_MAINEXE, 0), "old");   // nothing else recorded
}

// The same game pack under each magic: executables to ".sbn" with the
// magic's slot value, ROM images at the executable count, music data kept.
TEST_F(Unpack, GamePackOfEachMagicRecordsExecutablesRomsAndMusic)
{
    struct Case { const char* pMagic; int bOld, b02, nValue; };
    const Case cases[] = {
        { CPD_STR_PACKHEADER_ID5, 0, 0, 0 },
        { CPD_STR_PACKHEADER_IDB5, 1, 0, 1 },
        { CPD_STR_PACKHEADER_ID02, 0, 1, 2 },
    };
    const std::string exe1(3000, 'A'), exe2 = "MZ second executable, MZ second executable";
    const std::string music = "music data music data music data";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pMagic);
        SetUp();
        // The second executable as a stream of literals: stored re-encoded.
        Bytes pack = Build(c.pMagic, {
            { "rom0.rom", "", eCPD_FTYPE_MSXROM, eCPD_FCT_NONE, "rom before" },
            { "game.exe", "ゲーム", eCPD_FTYPE_SBN, eCPD_FCT_SLIDE, exe1 },
            // A folder with a "." and a name without: ".sbn" is appended.
            { "v1.0\\tool", "道具", eCPD_FTYPE_SBN, eCPD_FCT_SLIDE, LiteralStream(exe2), true },
            { "rom2.rom", "", eCPD_FTYPE_MSXROM, eCPD_FCT_NONE, "rom after" },
            { "snd\\bgm.dat", "音楽", eCPD_FTYPE_SMD, eCPD_FCT_SLIDE, music },
        });
        ASSERT_EQ(Run(pack, c.bOld, c.b02), 1);

        EXPECT_EQ(ReadAll(member + "game.sbn"), Stream(exe1));
        EXPECT_EQ(ReadAll(member + "v1.0\\tool.sbn"), Stream(exe2));
        EXPECT_FALSE(Exists(member + "v1.sbn"));
        EXPECT_FALSE(Exists(member + "game.exe"));
        EXPECT_EQ(ReadAll(member + "snd\\bgm.smd"), Stream(music));
        EXPECT_EQ(ReadAll(member + "rom0.rom"), "rom before");
        EXPECT_FALSE(Exists(member + "tmp"));
        EXPECT_FALSE(Exists(member + "tmp2"));

        EXPECT_EQ(Path(eCLPD_PATHTYPE_MAINEXE, 0), "game.exe");
        EXPECT_EQ(Caption(eCLPD_PATHTYPE_MAINEXE, 0), "ゲーム");
        EXPECT_EQ(Path(eCLPD_PATHTYPE_MAINEXE, 1), "v1.0\\tool");
        EXPECT_EQ(Caption(eCLPD_PATHTYPE_MAINEXE, 1), "道具");
        EXPECT_EQ(Path(eCLPD_PATHTYPE_MAINEXE, 2), "old");
        EXPECT_EQ(CONTENTSLIST_GetSlotValue(0, 0), c.nValue);
        EXPECT_EQ(CONTENTSLIST_GetSlotValue(0, 1), c.nValue);
        EXPECT_EQ(CONTENTSLIST_GetSlotValue(0, 2), 7);
        EXPECT_EQ(Path(eCLPD_PATHTYPE_MSXROM, 0), member + "rom0.rom");
        EXPECT_EQ(Path(eCLPD_PATHTYPE_MSXROM, 1), "old");
        EXPECT_EQ(Path(eCLPD_PATHTYPE_MSXROM, 2), member + "rom2.rom");
        EXPECT_EQ(Path(eCLPD_PATHTYPE_KZDSOUND, 0), "snd\\bgm.dat");
        EXPECT_EQ(Caption(eCLPD_PATHTYPE_KZDSOUND, 0), "音楽");
    }
}

// A game installed before, then an update; the update fails part-way in
// each way an entry can fail: the pack is not installed at all. The old
// files stay as they were, the record keeps its old paths, captions and slot
// values, and nothing of the unpack is left behind.
TEST_F(Unpack, AnEntryThatCannotBeWrittenFailsTheWholePackAndChangesNothing)
{
    std::string bad = Stream("a game that decodes short");
    bad[0] = static_cast<char>(bad[0] + 10);   // promises 10 bytes more than it holds
    struct Case { const char* pWhat; TFile failing; };
    const Case cases[] = {
        { "damaged game stream", { "broken.exe", "壊れ", eCPD_FTYPE_SBN, eCPD_FCT_SLIDE, bad, true } },
        { "file where a folder should be", { "blk\\readme.txt", "r", eCPD_FTYPE_README, eCPD_FCT_NONE, "cannot" } },
        { "game where a folder should be", { "blk\\game.exe", "g", eCPD_FTYPE_SBN, eCPD_FCT_SLIDE, "cannot" } },
        { "name leaving the folder", { "..\\esc.txt", "r", eCPD_FTYPE_README, eCPD_FCT_NONE, "escape" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pWhat);
        TestDir t;
        member = t.path() + "member\\";
        CreateDirectoryA(member.c_str(), nullptr);
        WriteAll(member + "blk", "a plain file where a folder should be");
        WriteAll(member + "good.sbn", "the installed game");
        WriteAll(member + "readme.txt", "the installed read-me");
        // The failing entry comes last, after the others were written.
        Bytes pack = Build(CPD_STR_PACKHEADER_ID02, {
            { "good.exe", "良い", eCPD_FTYPE_SBN, eCPD_FCT_SLIDE, "a good game" },
            { "readme.txt", "r2", eCPD_FTYPE_README, eCPD_FCT_NONE, "new read-me" },
            { "rom.rom", "", eCPD_FTYPE_MSXROM, eCPD_FCT_NONE, "rom" },
            c.failing,
        });
        EXPECT_EQ(Run(pack, 0, 1), 0);
        EXPECT_EQ(ReadAll(member + "good.sbn"), "the installed game");
        EXPECT_EQ(ReadAll(member + "readme.txt"), "the installed read-me");
        EXPECT_EQ(ReadAll(member + "blk"), "a plain file where a folder should be");
        EXPECT_FALSE(Exists(member + "rom.rom"));
        EXPECT_FALSE(Exists(member + "broken.sbn"));
        EXPECT_FALSE(Exists(member + "tmp"));
        EXPECT_EQ(Leftovers(member), "");
        EXPECT_EQ(Path(eCLPD_PATHTYPE_MAINEXE, 0), "old");
        EXPECT_EQ(Caption(eCLPD_PATHTYPE_MAINEXE, 0), "old caption");
        EXPECT_EQ(CONTENTSLIST_GetSlotValue(0, 0), 7);
        EXPECT_EQ(Path(eCLPD_PATHTYPE_README, 0), "old");
        EXPECT_EQ(Path(eCLPD_PATHTYPE_MSXROM, 1), "old");
    }
}

// An installed manual open in a reader that does not share deletion: the
// update cannot replace it, so the game already moved in is put back and the
// record stays. Once the reader lets go, the same update goes through and
// leaves none of the old files aside.
TEST_F(Unpack, ALockedInstalledFileRollsTheUpdateBackAndALaterOneReplacesEverything)
{
    CreateDirectoryA(member.c_str(), nullptr);
    CreateDirectoryA((member + "doc").c_str(), nullptr);
    WriteAll(member + "game.sbn", "the installed game");
    WriteAll(member + "doc\\manual.pdf", "the installed manual");
    Bytes pack = Build(CPD_STR_PACKHEADER_ID5, {
        { "game.exe", "起動", eCPD_FTYPE_SBN, eCPD_FCT_SLIDE, "the new game" },
        { "doc\\manual.pdf", "説明書", eCPD_FTYPE_MANUAL, eCPD_FCT_NONE, "the new manual" },
    });
    HANDLE hReader = CreateFileA((member + "doc\\manual.pdf").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hReader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Run(pack), 0);
    CloseHandle(hReader);
    EXPECT_EQ(ReadAll(member + "game.sbn"), "the installed game");
    EXPECT_EQ(ReadAll(member + "doc\\manual.pdf"), "the installed manual");
    EXPECT_EQ(Leftovers(member), "");
    EXPECT_EQ(Path(eCLPD_PATHTYPE_MAINEXE, 0), "old");
    EXPECT_EQ(Path(eCLPD_PATHTYPE_MANUAL, 0), "old");

    ASSERT_EQ(Run(pack), 1);
    EXPECT_EQ(ReadAll(member + "game.sbn"), Stream("the new game"));
    EXPECT_EQ(ReadAll(member + "doc\\manual.pdf"), "the new manual");
    EXPECT_EQ(Leftovers(member), "");
    EXPECT_EQ(Path(eCLPD_PATHTYPE_MAINEXE, 0), "game.exe");
    EXPECT_EQ(Path(eCLPD_PATHTYPE_MANUAL, 0), "doc\\manual.pdf");
}

// A stop asked for before the files are moved in: nothing changes.
TEST_F(Unpack, AStopAskedForLeavesTheInstalledFilesAndTheRecord)
{
    CreateDirectoryA(member.c_str(), nullptr);
    WriteAll(member + "game.sbn", "the installed game");
    std::string tmp = d.file("tempfile.bin");
    WriteAll(tmp, Str(Build(CPD_STR_PACKHEADER_ID5, {
        { "game.exe", "起動", eCPD_FTYPE_SBN, eCPD_FCT_SLIDE, "the new game" },
        { "readme.txt", "r", eCPD_FTYPE_README, eCPD_FCT_NONE, "read me" },
    })));
    int bStop = 1;
    EXPECT_EQ(THREADM_UnpackContents(kKey, member.c_str(), tmp.c_str(), 0, 0, &bStop), 0);
    EXPECT_EQ(ReadAll(member + "game.sbn"), "the installed game");
    EXPECT_FALSE(Exists(member + "readme.txt"));
    EXPECT_EQ(Leftovers(member), "");
    EXPECT_EQ(Path(eCLPD_PATHTYPE_MAINEXE, 0), "old");
    bStop = 0;
    EXPECT_EQ(THREADM_UnpackContents(kKey, member.c_str(), tmp.c_str(), 0, 0, &bStop), 1);
    EXPECT_EQ(ReadAll(member + "game.sbn"), Stream("the new game"));
}

TEST_F(Unpack, CompressedFileOfAnotherTypeStaysAsTheWorkFile)
{
    Bytes pack = Build(CPD_STR_PACKHEADER_ID5, {
        { "extra.dat", "x", 5, eCPD_FCT_SLIDE, "packed extra" },
        { "readme.txt", "r", eCPD_FTYPE_README, eCPD_FCT_NONE, "after" },
    });
    ASSERT_EQ(Run(pack), 1);
    EXPECT_EQ(ReadAll(member + "tmp"), Stream("packed extra"));
    EXPECT_FALSE(Exists(member + "extra.dat"));
    EXPECT_EQ(Path(eCLPD_PATHTYPE_README, 0), "readme.txt");
}

// "ソ" ends in 0x5C, a backslash: a folder or file name with it is cut at
// character boundaries, never inside the character.
TEST_F(Unpack, ShiftJisNamesWithABackslashTrailByte)
{
    ASSERT_EQ(std::string("ソ").size(), 2u);
    ASSERT_EQ(std::string("ソ")[1], '\\');
    Bytes pack = Build(CPD_STR_PACKHEADER_ID5, {
        { "ソフト\\表示.txt", "表", eCPD_FTYPE_README, eCPD_FCT_NONE, "sjis" },
        { "ゲーム\\ソ", "ソ", eCPD_FTYPE_SBN, eCPD_FCT_SLIDE, "game" },
        { "ソ.ソ\\ソ", "", eCPD_FTYPE_SMD, eCPD_FCT_SLIDE, "music" },
    });
    ASSERT_EQ(Run(pack), 1);
    EXPECT_TRUE(IsDir(member + "ソフト"));
    EXPECT_EQ(ReadAll(member + "ソフト\\表示.txt"), "sjis");
    EXPECT_EQ(ReadAll(member + "ゲーム\\ソ.sbn"), Stream("game"));
    EXPECT_EQ(ReadAll(member + "ソ.ソ\\ソ.smd"), Stream("music"));
    EXPECT_EQ(Path(eCLPD_PATHTYPE_README, 0), "ソフト\\表示.txt");
    EXPECT_EQ(Path(eCLPD_PATHTYPE_MAINEXE, 0), "ゲーム\\ソ");
    EXPECT_EQ(Caption(eCLPD_PATHTYPE_MAINEXE, 0), "ソ");
    EXPECT_EQ(Path(eCLPD_PATHTYPE_KZDSOUND, 0), "ソ.ソ\\ソ");
}

// A name that would write outside the member's folder refuses the whole
// pack: neither it nor the good file beside it is written.
TEST_F(Unpack, NamesLeavingTheFolderRefuseThePack)
{
    member = d.path() + "top\\member\\";
    const char* const escapes[] = {
        "..\\esc1.txt", "a\\..\\..\\esc2.txt", "C:\\tiv_esc3.txt", "C:tiv_esc4.txt", "\\tiv_esc5.txt",
        "/tiv_esc6.txt", "a/../../esc7.txt", "a\\...\\..\\esc8.txt", "a\\. .\\esc9.txt", "..",
        "\\\\.\\C:\\tiv_esc10.txt", "file.txt:stream",
        // The one rule of every name taken from outside: no ".", blank-only or empty part either.
        "a\\.\\b.txt", "a\\ \\b.txt", "a\\\\b.txt",
    };
    for (const char* p : escapes) {
        SCOPED_TRACE(p);
        EXPECT_EQ(Run(Build(CPD_STR_PACKHEADER_ID5, {
            { "in\\ok.txt", "ok", eCPD_FTYPE_MANUAL, eCPD_FCT_NONE, "ok" },
            { p, "escape", eCPD_FTYPE_README, eCPD_FCT_NONE, std::string("escaped ") + p },
        })), 0);
        EXPECT_FALSE(Exists(d.path() + "top")) << "a folder was made";
    }
    for (const char* p : { "C:\\tiv_esc3.txt", "\\tiv_esc5.txt", "\\tiv_esc6.txt", "C:\\tiv_esc10.txt" }) {
        EXPECT_FALSE(Exists(p)) << p;
    }
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof(cwd), cwd);
    EXPECT_FALSE(Exists(std::string(cwd) + "\\tiv_esc4.txt"));
    EXPECT_EQ(Path(eCLPD_PATHTYPE_README, 0), "old");
    EXPECT_EQ(Path(eCLPD_PATHTYPE_MANUAL, 0), "old");
    // Dots inside a name are no escape.
    ASSERT_EQ(Run(Build(CPD_STR_PACKHEADER_ID5, { { "a..b.txt", "dots", eCPD_FTYPE_README, eCPD_FCT_NONE, "dots" } })), 1);
    EXPECT_EQ(ReadAll(member + "a..b.txt"), "dots");
    EXPECT_EQ(Path(eCLPD_PATHTYPE_README, 0), "a..b.txt");
}

// Packs cut short or with sizes and names that do not fit are refused whole:
// no folder, no file, no slot.
TEST_F(Unpack, TruncatedAndLyingPacksAreRefusedWithNothingWritten)
{
    const Bytes good = Build(CPD_STR_PACKHEADER_ID5, {
        { "sub\\readme.txt", "r", eCPD_FTYPE_README, eCPD_FCT_NONE, "first file" },
        { "game.exe", "g", eCPD_FTYPE_SBN, eCPD_FCT_SLIDE, "the game the game the game" },
    });
    const size_t nHeader = good[12];
    auto With = [&](size_t off, int32_t v) {
        Bytes b = good;
        for (int k = 0; k < 4; k++) b[off + k] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * k));
        return b;
    };
    auto Cut = [&](size_t n) { return Bytes(good.begin(), good.begin() + n); };
    const int32_t nSize = static_cast<int32_t>(good.size());
    struct Case { const char* pWhat; Bytes pack; };
    const Case cases[] = {
        { "only the magic", Cut(8) },
        { "inside the fixed header", Cut(18) },
        { "inside the names", Cut(nHeader - 3) },
        { "inside an entry head", Cut(nHeader + 3) },
        { "inside the last data", Cut(good.size() - 1) },
        { "total size past the end", With(8, nSize + 1) },
        { "header size past the end", With(12, nSize + 100) },
        { "header size below 20", With(12, 12) },
        { "more files than names", With(16, 3) },
        { "negative file count", With(16, -1) },
        { "first entry size past the end", With(nHeader + 2, nSize) },
        { "first entry size negative", With(nHeader + 2, -5) },
        { "first entry size zero", With(nHeader + 2, 0) },
        { "not a pack", B("PKZIP not a pack at all, not at all") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pWhat);
        SetUp();
        EXPECT_EQ(Run(c.pack), 0);
        EXPECT_FALSE(Exists(member));
        EXPECT_EQ(Path(eCLPD_PATHTYPE_README, 0), "old");
        EXPECT_EQ(Path(eCLPD_PATHTYPE_MAINEXE, 0), "old");
        EXPECT_EQ(CONTENTSLIST_GetSlotValue(0, 0), 7);
    }
    EXPECT_EQ(THREADM_UnpackContents(kKey, member.c_str(), d.file("missing.bin").c_str(), 0, 0), 0);
    SetUp();
    ASSERT_EQ(Run(good), 1);   // the untouched pack unpacks
    EXPECT_EQ(ReadAll(member + "sub\\readme.txt"), "first file");
}

TEST_F(Unpack, EmptyPackWritesNothing)
{
    ASSERT_EQ(Run(Build(CPD_STR_PACKHEADER_ID5, {})), 1);
    EXPECT_FALSE(Exists(member));
}

// What does not fit a record's field is written but not recorded, and the
// next file of the kind takes the free slot; a long caption is cut.
TEST_F(Unpack, FilesThatDoNotFitTheRecordAreWrittenButNotRecorded)
{
    const std::string longName = std::string(120, 'n') + "\\abcdefg.txt";   // 132 bytes
    std::string caption;
    for (int i = 0; i < 40; i++) caption += "字";   // 80 bytes
    std::vector<TFile> files = {
        { longName, "long", eCPD_FTYPE_README, eCPD_FCT_NONE, "long" },
        { "short.txt", caption, eCPD_FTYPE_README, eCPD_FCT_NONE, "short" },
        { longName + ".rom", "", eCPD_FTYPE_MSXROM, eCPD_FCT_NONE, "long rom" },
    };
    for (int i = 0; i < CLPD_SLOT_MAX + 1; i++) {
        files.push_back({ "m" + std::to_string(i) + ".pdf", "m", eCPD_FTYPE_MANUAL, eCPD_FCT_NONE, "m" });
    }
    ASSERT_EQ(Run(Build(CPD_STR_PACKHEADER_ID5, files)), 1);
    EXPECT_EQ(ReadAll(member + longName), "long");
    EXPECT_EQ(Path(eCLPD_PATHTYPE_README, 0), "short.txt");
    EXPECT_EQ(Caption(eCLPD_PATHTYPE_README, 0), caption.substr(0, 62));
    EXPECT_EQ(Path(eCLPD_PATHTYPE_README, 1), "old");
    EXPECT_EQ(ReadAll(member + longName + ".rom"), "long rom");
    EXPECT_EQ(Path(eCLPD_PATHTYPE_MSXROM, 0), "old");
    EXPECT_EQ(ReadAll(member + "m10.pdf"), "m");
    EXPECT_EQ(Path(eCLPD_PATHTYPE_MANUAL, 9), "m9.pdf");
}

// ---- the client-version pack ----

class VersionPack : public ::testing::Test {
protected:
    int Run(const Bytes& pack, int nSize = -1, int nHeader = -1)
    {
        int32_t h = static_cast<int32_t>(pack.size() >= 16 ? pack[12] | pack[13] << 8 | pack[14] << 16 | pack[15] << 24 : 0);
        return THREADM_UnpackVersionPack(pack.data(), 2, app.c_str(), nSize < 0 ? static_cast<int>(pack.size()) : nSize,
                                         nHeader < 0 ? h : nHeader);
    }
    TestDir d;
    std::string app = d.path() + "app\\";
};

TEST_F(VersionPack, StoredFilesAreWrittenAroundACompressedOne)
{
    Bytes pack = Build(CPD_STR_PACKHEADER_ID5, {
        { "version.txt", "", 1, eCPD_FCT_NONE, "tiv_launcher.exe,1.02\r\n" },
        { "packed.dll", "", 3, eCPD_FCT_SLIDE, "compressed entries are not written" },
        { "player\\ソフト\\chipplay.exe", "", 3, eCPD_FCT_NONE, "MZ player" },
        { "..\\outside.txt", "", 3, eCPD_FCT_NONE, "escape" },
        { "last.txt", "", 3, eCPD_FCT_NONE, "last" },
    }, 1);
    ASSERT_EQ(Run(pack), 1);
    EXPECT_EQ(ReadAll(app + "version.txt"), "tiv_launcher.exe,1.02\r\n");
    EXPECT_FALSE(Exists(app + "packed.dll"));
    EXPECT_EQ(ReadAll(app + "player\\ソフト\\chipplay.exe"), "MZ player");
    EXPECT_FALSE(Exists(d.path() + "outside.txt"));
    EXPECT_EQ(ReadAll(app + "last.txt"), "last");
}

TEST_F(VersionPack, OtherMagicsAndPacksThatDoNotFitAreRefusedWithNothingWritten)
{
    const std::vector<TFile> files = { { "version.txt", "", 1, eCPD_FCT_NONE, "v" },
                                       { "sub\\b.txt", "", 1, eCPD_FCT_NONE, "b" } };
    const Bytes good = Build(CPD_STR_PACKHEADER_ID5, files, 1);
    const int nSize = static_cast<int>(good.size());
    const int nHeader = good[12];
    Bytes lying = good;
    lying[nHeader + 2] = static_cast<uint8_t>(nSize);   // first entry size past the end
    Bytes extraName = good;
    extraName[16] = 3;
    struct Case { const char* pWhat; Bytes pack; int nSize, nHeader; };
    const Case cases[] = {
        { "CNPFVR02", Build(CPD_STR_PACKHEADER_ID02, files, 1), -1, -1 },
        { "CNPFVRB5", Build(CPD_STR_PACKHEADER_IDB5, files, 1), -1, -1 },
        { "cut short", good, nSize - 1, -1 },
        { "header size unlike the caller's", good, -1, nHeader + 1 },
        { "entry size past the end", lying, -1, -1 },
        { "more files than names", extraName, -1, -1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pWhat);
        EXPECT_EQ(Run(c.pack, c.nSize, c.nHeader), 0);
        EXPECT_FALSE(Exists(app));
    }
    EXPECT_EQ(THREADM_UnpackVersionPack(good.data(), 3, app.c_str(), nSize, nHeader), 0);
    EXPECT_EQ(Run(Build(CPD_STR_PACKHEADER_ID5, {}, 1)), 1);
    EXPECT_FALSE(Exists(app));
    ASSERT_EQ(Run(good), 1);
    EXPECT_EQ(ReadAll(app + "sub\\b.txt"), "b");
}

}  // namespace

// The content-pack reader against packs cut at every length, in both
// configurations (natively under the sanitizers): a pack that ends before
// its header, names or entries say is refused before anything is written.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "catalogue_fixture.h"
#include "cntpack.h"
#include "cntunpack.h"
#include "contentslist.h"
#include "slide.h"
#include "testdir.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> B(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

void OneContent()
{
    ResetCatalogue();
    g_pContIf = static_cast<ContIf*>(std::calloc(1, sizeof(ContIf)));
    g_nContCnt = 1;
    std::strcpy(g_pContIf[0].strContentsId, "C0001");
}

TEST(UnpackCut, EveryShorterPackIsRefusedAndTheWholeOneUnpacks)
{
    TestDir d;
    std::vector<uint8_t> pack;
    ASSERT_EQ(CPD_Build(CPD_STR_PACKHEADER_ID02, 2, {
        { "sub/readme.txt", "はじめに", eCPD_FTYPE_README, eCPD_FCT_NONE, B("read me") },
        { "game.exe", "ゲーム", eCPD_FTYPE_SBN, eCPD_FCT_SLIDE, B(std::string(500, 'g') + "end") },
        { "bgm.dat", "", eCPD_FTYPE_SMD, eCPD_FCT_SLIDE, B("music music music") },
        { "disk.rom", "", eCPD_FTYPE_MSXROM, eCPD_FCT_NONE, B("rom") },
    }, pack), 1);
    const std::string member = d.path() + "member/";
    const std::string temp = d.file("tempfile.bin");
    for (size_t n = 0; n < pack.size(); n++) {
        OneContent();
        WriteAll(temp, std::string(pack.begin(), pack.begin() + n));
        ASSERT_EQ(THREADM_UnpackContents("C0001", member.c_str(), temp.c_str(), 0, 1), 0) << "cut at " << n;
        ASSERT_FALSE(fs::exists(member)) << "cut at " << n;
        ASSERT_EQ(g_pContIf[0].strReadmePath[0][0], '\0') << "cut at " << n;
    }
    OneContent();
    WriteAll(temp, std::string(pack.begin(), pack.end()));
    ASSERT_EQ(THREADM_UnpackContents("C0001", member.c_str(), temp.c_str(), 0, 1), 1);
    EXPECT_EQ(ReadAll(member + "sub/readme.txt"), "read me");
    std::vector<uint8_t> sbn;
    std::string exe = std::string(500, 'g') + "end";
    SLIDE_EncodeBuffer(exe.data(), exe.size(), sbn);
    EXPECT_EQ(ReadAll(member + "game.sbn"), std::string(sbn.begin(), sbn.end()));
    EXPECT_FALSE(fs::exists(member + "tmp"));
    EXPECT_FALSE(fs::exists(member + "tmp2"));
    EXPECT_STREQ(CONTENTSLIST_GetPath(0, eCLPD_PATHTYPE_README, 0), "sub/readme.txt");
    EXPECT_STREQ(CONTENTSLIST_GetPath(0, eCLPD_PATHTYPE_MAINEXE, 0), "game.exe");
    EXPECT_EQ(CONTENTSLIST_GetSlotValue(0, 0), 2);
    EXPECT_STREQ(CONTENTSLIST_GetPath(0, eCLPD_PATHTYPE_KZDSOUND, 0), "bgm.dat");
    // A ROM is recorded by its absolute path, and only when that fits its
    // slot: how long it is depends on where the tree was checked out.
    const std::string rom = member + "disk.rom";
    const char* recorded = CONTENTSLIST_GetPath(0, eCLPD_PATHTYPE_MSXROM, 1);
    ASSERT_NE(recorded, nullptr);
    EXPECT_EQ(recorded, rom.size() < CLPD_PATH_LEN ? rom : std::string()) << rom.size() << " bytes";
    ResetCatalogue();
}

// The client-version pack in memory, cut at every length (the caller's size
// is the cut; the header size it passes is what the pack says).
TEST(UnpackCut, EveryShorterVersionPackIsRefused)
{
    TestDir d;
    std::vector<uint8_t> pack;
    ASSERT_EQ(CPD_Build(CPD_STR_PACKHEADER_ID5, 1, {
        { "version.txt", "", 1, eCPD_FCT_NONE, B("tiv_launcher.exe,1.02\r\n") },
        { "player/chipplay.exe", "", 3, eCPD_FCT_NONE, B("MZ player") },
    }, pack), 1);
    const std::string app = d.path() + "app/";
    const int nHeader = pack[12];
    for (size_t n = 0; n < pack.size(); n++) {
        // A block of exactly n bytes, so that the sanitizers see any read past it.
        std::vector<uint8_t> cut(pack.begin(), pack.begin() + n);
        ASSERT_EQ(THREADM_UnpackVersionPack(cut.data(), 2, app.c_str(), static_cast<int>(n), nHeader), 0)
            << "cut at " << n;
        ASSERT_FALSE(fs::exists(app)) << "cut at " << n;
    }
    ASSERT_EQ(THREADM_UnpackVersionPack(pack.data(), 2, app.c_str(), static_cast<int>(pack.size()), nHeader), 1);
    EXPECT_EQ(ReadAll(app + "player/chipplay.exe"), "MZ player");
}


// The updater's way through the same reader: one escaping name refuses the
// whole pack, its own entries are left out, and every write goes through
// its hook, which may fail a file (counted, the pack still read).
TEST(UnpackHooks, StrictReaderRefusesWholePacksAndCountsFailedWrites)
{
    TestDir d;
    // Its names must fit the reader's 260-byte paths: a test folder deep in a
    // clone may not leave room, so the pack then goes to a short folder.
    std::string app = d.path() + "app/";
    if (app.size() > 200) {
        app = (fs::temp_directory_path().root_path() / "tmp" / "tiv-unpackhooks").string() + "/";
        if (app.size() > 200 || !fs::is_directory(fs::temp_directory_path().root_path() / "tmp"))
            GTEST_SKIP() << "no folder short enough for the pack's paths";
        std::error_code ec;
        fs::remove_all(app, ec);
    }
    fs::create_directories(app);
    std::vector<uint8_t> hostile;
    ASSERT_EQ(CPD_Build(CPD_STR_PACKHEADER_ID5, 1, {
        { "ok.txt", "", 3, eCPD_FCT_NONE, B("ok") },
        { "../evil.txt", "", 3, eCPD_FCT_NONE, B("evil") },
    }, hostile), 1);
    struct Seen { std::vector<std::string> written; bool bFailB; } seen = { {}, true };
    CntUnpackHooks hooks = {
        &seen,
        [](void*, const char* pName) { return std::strstr(pName, "pullagent.exe") != nullptr ? 1 : 0; },
        [](void* pCtx, const char* pPath, const void*, int) {
            Seen* s = static_cast<Seen*>(pCtx);
            std::string path = pPath;
            if (s->bFailB && path.size() >= 1 && path.back() == 'B') return 0;
            s->written.push_back(path);
            return 1;
        },
        1, 0 };
    int nFailed = -1;
    EXPECT_EQ(THREADM_UnpackVersionPackEx(hostile.data(), 2, app.c_str(), static_cast<int>(hostile.size()),
                                          hostile[12], &hooks, &nFailed), 0);
    EXPECT_EQ(nFailed, 1);
    EXPECT_TRUE(seen.written.empty());
    EXPECT_FALSE(fs::exists(app + "ok.txt"));
    // The lenient default passes over the escaping entry and writes the rest.
    EXPECT_EQ(THREADM_UnpackVersionPackEx(hostile.data(), 2, app.c_str(), static_cast<int>(hostile.size()),
                                          hostile[12], nullptr, &nFailed), 1);
    EXPECT_EQ(nFailed, 1);
    EXPECT_TRUE(fs::exists(app + "ok.txt"));
    EXPECT_FALSE(fs::exists(fs::path(app).parent_path().parent_path() / "evil.txt"));

    std::vector<uint8_t> pack;
    ASSERT_EQ(CPD_Build(CPD_STR_PACKHEADER_ID5, 1, {
        { "A", "", 3, eCPD_FCT_NONE, B("a") },
        { "tools/pullagent.exe", "", 3, eCPD_FCT_NONE, B("MZ") },
        { "B", "", 3, eCPD_FCT_NONE, B("b") },
    }, pack), 1);
    EXPECT_EQ(THREADM_UnpackVersionPackEx(pack.data(), 2, app.c_str(), static_cast<int>(pack.size()), pack[12],
                                          &hooks, &nFailed), 1);
    EXPECT_EQ(nFailed, 1);
    ASSERT_EQ(seen.written.size(), 1u);
    EXPECT_EQ(seen.written[0], app + "A");
    EXPECT_FALSE(fs::exists(app + "tools"));
}

}  // namespace

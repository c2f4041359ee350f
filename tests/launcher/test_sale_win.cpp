// Sale starts of the real tiv_launcher.exe under Wine against the stand-in
// service: the catalogue POST, and a refused or empty catalogue
// ending the start with its message and the member's REG.DAT untouched.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cmnutil.h"
#include "cntpack.h"
#include "contentslist.h"
#include "md5.h"
#include "reg.h"
#include "testdir.h"
#include "teststore.h"
#include "winprobe.h"

namespace {

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

// A member's store of n downloadable games (content ids C0000...).
StoreContents Games(int n)
{
    StoreContents c;
    c.nRecords = n;
    c.strName = "Game";
    c.nType = eCLPD_TYPE_DOWNLOADABLE;
    return c;
}

struct SaleStart : ::testing::Test {
    TestDir dir;
    std::string app, cnt, addr, site;
    InstallValues install;

    void SetUp() override
    {
        addr = Env("TIV_STANDIN_ADDR");
        site = Env("TIV_STANDIN_DIR");
        if (addr.empty()) GTEST_SKIP() << "no stand-in service";
        app = dir.path() + "app\\";
        cnt = app + "contents\\";
        ASSERT_TRUE(CreateDirectoryA(app.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(cnt.c_str(), nullptr));
        ASSERT_NO_FATAL_FAILURE(install.Set(app, cnt));
        WriteAll(app + "env.bin", Inverted("[TITLENAME]\r\nテストの館\r\n[CGITOPPAGE]\r\n" + addr +
                                           "\r\n[CGIPAGE_GETCONTENTSLIST]\r\n/cgi-bin/list.cgi\r\n[DLWEBPAGE]\r\nhttp://" +
                                           addr + "/dl/\r\n"));
    }
    void TearDown() override
    {
        Probe_KillAll();
    }
    std::string Member(const std::string& id) { return cnt + Md5(id) + "\\"; }
    std::string RequestLog() { return ReadAll(Probe_HostPath(site + "/req.log")); }
    std::string RunMusicSale(const std::string& playerExe, const std::string& kzd);
};

TEST_F(SaleStart, ARefusedOrEmptyCatalogueEndsTheStartAndLeavesTheStoreAsItWas)
{
    struct { const char* user; const char* text; } cases[] = {
        { "ngman", "データ受信に失敗しました。商品情報は取得できませんでした（ZVQ:027）" },
        { "errman", "データ受信に失敗しました。商品情報は取得できませんでした（ZVQ:027）" },
        { "emptyman", "データ受信に失敗しました。処理を中止します（ZVQ:022）" },
        // A zero first byte is no status word: the same unusable reply, not a splash for ever.
        { "zeroman", "データ受信に失敗しました。商品情報は取得できませんでした（ZVQ:027）" },
    };
    WriteAll(Probe_HostPath(site + "/zero.txt"), std::string("\0ok,", 4));
    for (const auto& c : cases) {
        std::string member = Member(c.user);
        CreateDirectoryA(member.c_str(), nullptr);
        WriteStore(member + "REG.DAT", c.user, "pw1", Games(2));
        std::string before = ReadAll(member + "REG.DAT");
        size_t nLog = RequestLog().size();
        HANDLE h = Probe_Start(Probe_HostPath(LAUNCHER_EXE),
                               std::string("tiv_launcher.exe -salegame ") + c.user + ",pw1,C0001,tiv,playgame,", app);
        ASSERT_NE(h, nullptr);
        HWND box = Probe_WaitWindow("#32770", "報告", 90000);
        ASSERT_NE(box, nullptr) << c.user;
        EXPECT_EQ(Probe_MessageBoxText(box), c.text) << c.user;
        Probe_PressButton(box, IDOK);
        // The sale start ends by itself: the game is not installed.
        EXPECT_EQ(Probe_WaitExit(h, 60000), 0) << c.user;
        CloseHandle(h);
        EXPECT_EQ(ReadAll(member + "REG.DAT"), before) << c.user;
        std::string log = RequestLog().substr(nLog);
        EXPECT_NE(log.find(std::string("POST\t/cgi-bin/list.cgi\t")), std::string::npos) << log;
        EXPECT_NE(log.find(std::string("userid=") + c.user + "&passwd=pw1"), std::string::npos) << log;
    }
}

// A sale start whose member folder holds another member's store: told
// (ZVQ:012), nothing asked of the service, the store untouched, the start over.
TEST_F(SaleStart, AStoreOfAnotherMemberIsRefusedWithZvq012)
{
    std::string member = Member("saleman");
    CreateDirectoryA(member.c_str(), nullptr);
    WriteStore(member + "REG.DAT", "otherman", "pw1", Games(2));
    std::string before = ReadAll(member + "REG.DAT");
    size_t nLog = RequestLog().size();
    HANDLE h = Probe_Start(Probe_HostPath(LAUNCHER_EXE), "tiv_launcher.exe -salegame saleman,pw1,C0001,tiv,playgame,", app);
    ASSERT_NE(h, nullptr);
    HWND box = Probe_WaitWindow("#32770", "報告", 60000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Probe_MessageBoxText(box), "固有情報が異なります。処理を中断します(ZVQ:012)");
    Probe_PressButton(box, IDOK);
    // The start-up failure follows, then the program ends.
    box = Probe_WaitWindow("#32770", "エラー報告", 30000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Probe_MessageBoxText(box), "初期化処理に失敗しました。処理を中止します(ZVQ:006)");
    Probe_PressButton(box, IDOK);
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    CloseHandle(h);
    EXPECT_EQ(ReadAll(member + "REG.DAT"), before);
    EXPECT_EQ(RequestLog().substr(nLog).find("userid=saleman"), std::string::npos) << RequestLog().substr(nLog);
}

TEST_F(SaleStart, AGameNotOnDiskIsDownloadedUnpackedAndStartedThroughTheRunner)
{
    // The service's catalogue: one record, its name in EUC-JP, its pack on the server.
    std::string rec = "tiv,,%A5%B2%A1%BC%A5%E0,C0001,Maker,PC-88,RPG,20261201,1,C0001.pack,2,0,1,,,0,,,,,,,,,\n";
    WriteAll(Probe_HostPath(site + "/sale-records.txt"), rec);
    std::string game = ReadAll(Probe_HostPath(TESTGAME_EXE));
    ASSERT_FALSE(game.empty());
    std::vector<CpdFile> files(1);
    files[0].strName = "C0001\\game.exe";
    files[0].strCaption = "起動";
    files[0].cFileType = eCPD_FTYPE_SBN;
    files[0].cCmpType = eCPD_FCT_SLIDE;
    files[0].data.assign(game.begin(), game.end());
    std::vector<uint8_t> pack;
    ASSERT_EQ(CPD_Build("CNPFVR05", 2, files, pack), 1);
    WriteAll(Probe_HostPath(site + "/root/dl/C0001.pack"), std::string(pack.begin(), pack.end()));
    // The runner is a recorder of its command line and folder.
    WriteAll(app + "qr.exe", game);

    std::string member = Member("saleman");
    CreateDirectoryA(member.c_str(), nullptr);
    WriteStore(member + "REG.DAT", "saleman", "pw1", Games(1));
    size_t nLog = RequestLog().size();
    HANDLE h = Probe_Start(Probe_HostPath(LAUNCHER_EXE), "tiv_launcher.exe -salegame saleman,pw1,C0001,tiv,playgame,",
                           app);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(Probe_WaitExit(h, 120000), 0);
    CloseHandle(h);
    std::string log = RequestLog().substr(nLog);
    EXPECT_NE(log.find("POST\t/cgi-bin/list.cgi\t"), std::string::npos) << log;
    EXPECT_NE(log.find("GET\t/dl/C0001.pack\t"), std::string::npos) << log;

    std::string folder = member + "C0001\\";
    std::string record;
    Probe_WaitFor([&] { record = ReadAll(folder + "game.rec"); return record.find("started") != std::string::npos; },
                  60000);
    EXPECT_NE(record.find("cmdline=[qr.exe " + folder + "game.exe mode=start,userid=saleman,productid=C0001,save=" +
                          member + ",]"), std::string::npos) << record;
    EXPECT_NE(record.find("cwd=[" + member + "C0001]"), std::string::npos) << record;
    EXPECT_EQ(ReadAll(folder + "game.exe"), game);

    // The store holds the catalogue with the game installed.
    std::string raw = ReadAll(member + "REG.DAT");
    CfhIf hdr;
    ContIf* p = nullptr;
    int n = 0;
    ASSERT_EQ(CONTENTSLIST_DecodeStore(raw.data(), static_cast<int>(raw.size()), &hdr, &p, &n), 1);
    int found = -1;
    for (int i = 0; i < n; i++) if (std::strcmp(p[i].strContentsId, "C0001") == 0) found = i;
    ASSERT_GE(found, 0);
    EXPECT_EQ(p[found].type, eCLPD_TYPE_PLAYABLE);
    EXPECT_STREQ(p[found].strProductName, "ゲーム");
    EXPECT_STREQ(p[found].strExePath[0], "C0001\\game.exe");
    std::free(p);
}

// A content pack of one small game.
std::string GamePack()
{
    std::vector<CpdFile> files(1);
    files[0].strName = "C0001\\game.exe";
    files[0].strCaption = "起動";
    files[0].cFileType = eCPD_FTYPE_SBN;
    files[0].cCmpType = eCPD_FCT_SLIDE;
    const std::string bytes = "MZ a small game";
    files[0].data.assign(bytes.begin(), bytes.end());
    std::vector<uint8_t> pack;
    EXPECT_EQ(CPD_Build("CNPFVR05", 2, files, pack), 1);
    return std::string(pack.begin(), pack.end());
}

TEST_F(SaleStart, EachDownloadFailureShowsItsMessageAndEndsTheStart)
{
    std::string pack = GamePack();
    std::string bad = pack;   // an entry announcing more data than the pack holds
    int32_t nHead = 0;
    std::memcpy(&nHead, bad.data() + 12, 4);
    const int32_t huge = 0x7FFFFFF0;
    std::memcpy(&bad[nHead + 2], &huge, 4);
    WriteAll(Probe_HostPath(site + "/root/dl/fmagic.pack"), pack);
    WriteAll(Probe_HostPath(site + "/root/dl/ftemp.pack"), pack);
    WriteAll(Probe_HostPath(site + "/root/dl/fbad.pack"), bad);
    std::string member = Member("failman");
    struct { const char* pack; const char* code; } cases[] = {
        { "fclose.pack", "014" },   // the connection closes without a reply
        { "f404.pack", "015" },     // the server's error page is no pack
        { "fmagic.pack", "015" },   // not a content pack
        { "ftemp.pack", "016" },    // the temporary file cannot be written
        { "fbad.pack", "017" },     // the pack does not unpack
    };
    for (const auto& c : cases) {
        WriteAll(Probe_HostPath(site + "/fail-records.txt"),
                 std::string("tiv,,Game,C0001,Maker,PC-88,RPG,20261201,1,") + c.pack + ",2,0,1,,,0,,,,,,,,,\n");
        CreateDirectoryA(member.c_str(), nullptr);
        WriteStore(member + "REG.DAT", "failman", "pw1", Games(1));
        if (std::strcmp(c.code, "016") == 0) CreateDirectoryA((member + "tempfile.bin").c_str(), nullptr);
        HANDLE h = Probe_Start(Probe_HostPath(LAUNCHER_EXE),
                               "tiv_launcher.exe -salegame failman,pw1,C0001,tiv,playgame,", app);
        ASSERT_NE(h, nullptr);
        HWND box = Probe_WaitWindow("#32770", "報告", 90000);
        ASSERT_NE(box, nullptr) << c.pack;
        EXPECT_EQ(Probe_MessageBoxText(box), std::string("ダウンロード処理に失敗しました(ZVQ:") + c.code + ")") << c.pack;
        Probe_PressButton(box, IDOK);
        EXPECT_EQ(Probe_WaitExit(h, 60000), 0) << c.pack;
        CloseHandle(h);
        RemoveDirectoryA((member + "tempfile.bin").c_str());
        EXPECT_EQ(GetFileAttributesA((member + "C0001\\game.exe").c_str()), INVALID_FILE_ATTRIBUTES) << c.pack;
        EXPECT_EQ(GetFileAttributesA((member + "C0001\\game.sbn").c_str()), INVALID_FILE_ATTRIBUTES) << c.pack;
    }
}

// FNV-1a, as the recorder hashes.
std::string Fnv(const std::string& bytes)
{
    unsigned long h = 2166136261u;
    for (unsigned char c : bytes) h = ((h ^ c) * 16777619u) & 0xFFFFFFFFu;
    char s[32];
    std::snprintf(s, sizeof(s), "%lu,%08lx", static_cast<unsigned long>(bytes.size()), h);
    return s;
}

// A music sale start of "C0001" whose music pack the stand-in holds: the
// given program installed as the player, the member's store written, the
// launcher started and ended. Returns the member's folder.
std::string SaleStart::RunMusicSale(const std::string& playerExe, const std::string& kzd)
{
    std::string rec = "tiv,,Song,C0001,Maker,PC-88,RPG,20261201,1,C0001.pack,1,1,1,,,1,,,C0001s.pack,3,,,,,\n";
    WriteAll(Probe_HostPath(site + "/music-records.txt"), rec);
    std::vector<CpdFile> files(1);
    files[0].strName = "C0001\\music.kzd";
    files[0].strCaption = "OPN";
    files[0].cFileType = eCPD_FTYPE_SMD;
    files[0].cCmpType = eCPD_FCT_SLIDE;
    files[0].data.assign(kzd.begin(), kzd.end());
    std::vector<uint8_t> pack;
    EXPECT_EQ(CPD_Build("CNPFVR05", 2, files, pack), 1);
    WriteAll(Probe_HostPath(site + "/root/dl/C0001s.pack"), std::string(pack.begin(), pack.end()));
    std::string player = app + "player\\";
    CreateDirectoryA(player.c_str(), nullptr);
    WriteAll(player + "chipplay.exe", ReadAll(Probe_HostPath(playerExe)));

    std::string member = Member("musicman");
    CreateDirectoryA(member.c_str(), nullptr);
    WriteStore(member + "REG.DAT", "musicman", "pw1", Games(1));
    size_t nLog = RequestLog().size();
    HANDLE h = Probe_Start(Probe_HostPath(LAUNCHER_EXE), "tiv_launcher.exe -salegame musicman,pw1,C0001,tiv,playkzdp,",
                           app);
    EXPECT_NE(h, nullptr);
    if (h == nullptr) return member;
    EXPECT_EQ(Probe_WaitExit(h, 120000), 0);
    CloseHandle(h);
    std::string log = RequestLog().substr(nLog);
    EXPECT_NE(log.find("GET\t/dl/C0001s.pack\t"), std::string::npos) << log;
    EXPECT_EQ(log.find("GET\t/dl/C0001.pack\t"), std::string::npos) << "the game is not fetched: " << log;
    return member;
}

TEST_F(SaleStart, MusicNotOnDiskIsDownloadedExpandedAndHandedToThePlayer)
{
    std::string kzd = ReadAll(Probe_HostPath(MUSIC_ARCHIVE));
    ASSERT_FALSE(kzd.empty());
    std::string member = RunMusicSale(TESTGAME_EXE, kzd);
    std::string player = app + "player\\";

    std::string record;
    Probe_WaitFor([&] { record = ReadAll(player + "game.rec"); return record.find("started") != std::string::npos; },
                  60000);
    std::string archive = member + "C0001\\music.kzd";
    EXPECT_NE(record.find("cmdline=[\"" + player + "chipplay.exe\" \"" + archive + "\" -d \""), std::string::npos)
        << record;
    EXPECT_NE(record.find("cwd=[" + app + "player]"), std::string::npos) << record;
    // The player was given the archive expanded whole, and deleted it.
    EXPECT_NE(record.find("archive=" + Fnv(kzd) + "\n"), std::string::npos) << record;
    EXPECT_EQ(GetFileAttributesA(archive.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA((member + "C0001\\music.smd").c_str()), INVALID_FILE_ATTRIBUTES);
}

// The real music player, as the launcher starts it: its window opens on the
// expanded archive, and closing it ends the player, which takes the archive
// with it (the launcher asked for that with "-d").
TEST_F(SaleStart, MusicStartsTheRealPlayerWhichRemovesTheArchiveWhenClosed)
{
    std::string kzd = ReadAll(Probe_HostPath(MUSIC_ARCHIVE));
    ASSERT_FALSE(kzd.empty());
    std::string member = RunMusicSale(CHIPPLAY_EXE, kzd);
    std::string exe = app + "player\\chipplay.exe";
    std::string archive = member + "C0001\\music.kzd";
    // This catalogue names no screenshot: the player says so in a box, then
    // opens its window.
    HWND w = nullptr;
    std::string box;
    ASSERT_TRUE(Probe_WaitFor([&] {
        Probe_Adopt(exe);
        // By its caption: the launcher's own download and notice windows
        // are dialogs too.
        if (HWND b = Probe_WaitWindow("#32770", "TIV VELQA SOUND PLAYER (ERROR)", 100)) {
            box += Probe_MessageBoxText(b);
            Probe_PressButton(b, IDOK);
        }
        return (w = Probe_WaitWindow("TIV VELQA SOUND PLAYER", nullptr, 100)) != nullptr;
    }, 60000)) << "no player window";
    EXPECT_NE(box.find("スクリーンショット画像がロードできません"), std::string::npos) << box;
    EXPECT_NE(GetFileAttributesA(archive.c_str()), INVALID_FILE_ATTRIBUTES) << "the player plays from the archive";
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
    ASSERT_NE(h, nullptr);
    PostMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(Probe_WaitExit(h, 30000), 0);
    CloseHandle(h);
    EXPECT_EQ(GetFileAttributesA(archive.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA((member + "C0001\\music.smd").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace

// The shortcut migration on real shortcut files: a Start menu, an
// application folder with members' stores and the old starter's game folders,
// all in the test's own folder (the conversion is pointed there, never at the
// real profile).
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "contentslist.h"
#include "refstore.h"
#include "testdir.h"
#include "winprobe.h"
#include "zenqo.h"

namespace {

struct LinkInfo {
    bool ok = false;
    std::string target, dir, args;
};

// Writes a shortcut with the shell's own link object.
bool MakeLink(const std::string& path, const std::string& target, const std::string& dir, const std::string& args)
{
    CoInitialize(nullptr);
    IShellLinkA* pLink = nullptr;
    IPersistFile* pFile = nullptr;
    bool ok = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                         reinterpret_cast<void**>(&pLink)));
    if (ok) ok = SUCCEEDED(pLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pFile)));
    if (ok) ok = SUCCEEDED(pLink->SetPath(target.c_str())) && SUCCEEDED(pLink->SetWorkingDirectory(dir.c_str())) &&
                 SUCCEEDED(pLink->SetArguments(args.c_str()));
    WCHAR w[MAX_PATH];
    if (ok) ok = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, w, MAX_PATH) > 0;
    if (ok) ok = SUCCEEDED(pFile->Save(w, TRUE));
    if (pFile) pFile->Release();
    if (pLink) pLink->Release();
    CoUninitialize();
    return ok;
}

LinkInfo ReadLink(const std::string& path)
{
    LinkInfo li;
    CoInitialize(nullptr);
    IShellLinkA* pLink = nullptr;
    IPersistFile* pFile = nullptr;
    WCHAR w[MAX_PATH];
    char buf[2048];
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&pLink))) &&
        SUCCEEDED(pLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pFile))) &&
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, w, MAX_PATH) > 0 && SUCCEEDED(pFile->Load(w, STGM_READ))) {
        li.ok = true;
        buf[0] = 0;
        pLink->GetPath(buf, sizeof(buf), nullptr, 0);
        li.target = buf;
        buf[0] = 0;
        pLink->GetWorkingDirectory(buf, sizeof(buf));
        li.dir = buf;
        buf[0] = 0;
        pLink->GetArguments(buf, sizeof(buf));
        li.args = buf;
    }
    if (pFile) pFile->Release();
    if (pLink) pLink->Release();
    CoUninitialize();
    return li;
}

void MakeDirs(const std::string& path)
{
    for (size_t i = 3; i <= path.size(); i++) {
        if (i == path.size() || path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    }
}

// A store of the given member with (content id, first executable path) records.
std::string Store(const std::string& user, const std::vector<std::pair<std::string, std::string>>& recs,
                  const char* magic = "2xpU")
{
    std::string plain = ref::Header(user, "pw", "20261211", static_cast<int32_t>(recs.size()));
    std::memcpy(&plain[ref::kMagic], magic, 4);
    for (const auto& r : recs) plain += ref::Record().Text(ref::kContentsId, r.first).Text(ref::kExePath, r.second).b;
    return ref::Scramble(plain);
}

class ZenqoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = m_dir.path() + "sm\\プログラム\\zenqoゲーム\\";
        m_app = m_dir.path() + "app\\";
        MakeDirs(m_root);
        MakeDirs(m_app);
        ZENQO_SetFolders((m_dir.path() + "sm").c_str(), m_app.c_str());
    }
    void TearDown() override { ZENQO_SetFolders(nullptr, nullptr); }

    // The old starter's executable of a member's game (the file exists, as
    // the old installer left it).
    std::string Starter(const std::string& member, const std::string& game, const char* exe = "launch.exe",
                        const char* base = "zenqo_game")
    {
        std::string d = m_dir.path() + "old\\" + base + "\\" + member + "\\game\\" + game + "\\";
        MakeDirs(d);
        WriteAll(d + exe, "MZ");
        return d + exe;
    }
    std::string Link(const std::string& rel, const std::string& target)
    {
        std::string p = m_root + rel;
        MakeDirs(p.substr(0, p.rfind('\\')));
        EXPECT_TRUE(MakeLink(p, target, m_dir.path() + "old", "-old")) << p;
        return p;
    }
    void ExpectConverted(const std::string& link, const std::string& user, const std::string& cid)
    {
        LinkInfo li = ReadLink(link);
        ASSERT_TRUE(li.ok) << link;
        EXPECT_EQ(li.target, m_app + "zvq.exe") << link;
        EXPECT_EQ(li.dir, m_app) << link;
        EXPECT_EQ(li.args, "-salestart " + user + "," + cid + ",") << link;
    }
    void ExpectUnchanged(const std::string& link, const std::string& target)
    {
        LinkInfo li = ReadLink(link);
        ASSERT_TRUE(li.ok) << link;
        EXPECT_EQ(li.target, target) << link;
        EXPECT_EQ(li.dir, m_dir.path() + "old") << link;
        EXPECT_EQ(li.args, "-old") << link;
    }

    TestDir m_dir;
    std::string m_root, m_app;
};

TEST_F(ZenqoTest, StarterShortcutsAreRetargetedAtAnyDepth)
{
    MakeDirs(m_app + "M1");
    MakeDirs(m_app + "M2");
    // In catalogue order: a content that is not the game, then two whose
    // executables both name G1: the first of those is the game.
    WriteAll(m_app + "M1\\reg.dat", Store("user-m1", { { "CID-X", "G9\\x.exe" }, { "CID-G1", "G1\\start.exe" },
                                                      { "CID-G1B", "G1\\other.exe" }, { "CID-G2", "G2\\g.exe" } }));
    WriteAll(m_app + "M2\\reg.dat", Store("user-m2", { { "CID-M2G1", "sub\\G1\\run.exe" } }));

    std::string a = Link("a.lnk", Starter("M1", "G1"));
    std::string b = Link("sub\\deeper\\b.LNK", Starter("M1", "G2", "LAUNCH.EXE"));
    std::string c = Link("x\\y\\z\\c.lnk", Starter("M2", "G1"));

    ZENQO_ConvertShortcuts();
    ExpectConverted(a, "user-m1", "CID-G1");
    ExpectConverted(b, "user-m1", "CID-G2");
    ExpectConverted(c, "user-m2", "CID-M2G1");
}

TEST_F(ZenqoTest, ShortcutsThatDoNotQualifyAreLeftAlone)
{
    MakeDirs(m_app + "M1");
    MakeDirs(m_app + "M3");
    WriteAll(m_app + "M1\\reg.dat", Store("user-m1", { { "CID-G1", "G1\\start.exe" } }));
    // A file that unscrambles but is no store (wrong magic).
    WriteAll(m_app + "M3\\reg.dat", Store("user-m3", { { "CID-G1", "G1\\start.exe" } }, "2xpV"));
    struct { const char* rel; std::string target; } cases[] = {
        { "mixed.Lnk", Starter("M1", "G1") },                               // extension Lnk
        { "mixedexe.lnk", Starter("M1", "G1", "Launch.exe") },             // mixed-case starter
        { "other.lnk", Starter("M1", "G1", "game.exe") },                   // not the starter
        { "nozenqo.lnk", Starter("M1", "G1", "launch.exe", "zenqo_games") }, // no element "zenqo_game"
        { "nostore.lnk", Starter("M4", "G1") },                             // member without a store
        { "nocontent.lnk", Starter("M1", "G7") },                           // no content names the game
        { "foreign.lnk", Starter("M3", "G1") },                             // a store without the magic
    };
    std::vector<std::string> links;
    for (const auto& c : cases) links.push_back(Link(c.rel, c.target));
    ZENQO_ConvertShortcuts();
    for (size_t i = 0; i < links.size(); i++) ExpectUnchanged(links[i], cases[i].target);
    // And they are not shortcuts this module would convert one by one either.
    EXPECT_EQ(ZENQO_IsLaunchShortcut(links[0].c_str()), 0);
    EXPECT_EQ(ZENQO_IsLaunchShortcut(links[1].c_str()), 0);
    EXPECT_EQ(ZENQO_ConvertShortcut(links[3].c_str()), 0);
    EXPECT_EQ(ZENQO_ConvertShortcut(links[6].c_str()), 0);
}

TEST_F(ZenqoTest, AShortcutThatCannotBeSavedGivesZeroWhileTheOthersConvert)
{
    MakeDirs(m_app + "M1");
    WriteAll(m_app + "M1\\reg.dat", Store("user-m1", { { "CID-G1", "G1\\start.exe" } }));
    std::string target = Starter("M1", "G1");
    std::string ro = Link("ro.lnk", target);
    std::string first = Link("a\\first.lnk", target);
    std::string last = Link("z\\last.lnk", target);
    ASSERT_TRUE(SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_READONLY));
    // The tests may run as root, whom a read-only file does not stop: a
    // handle that lets others read but not write makes sure the save fails
    // while the shortcut still loads.
    HANDLE hHold = CreateFileA(ro.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hHold, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ZENQO_ConvertShortcut(ro.c_str()), 0);
    ExpectUnchanged(ro, target);

    LIST lst;
    LIST_Init(&lst);
    ZENQO_FindShortcuts(&lst);
    EXPECT_EQ(LIST_GetCnt(&lst), 3);
    int nConverted = -1;
    EXPECT_EQ(ZENQO_ConvertAll(&lst, &nConverted), 1);
    LIST_Free(&lst);
    EXPECT_EQ(nConverted, 2);
    CloseHandle(hHold);
    ExpectUnchanged(ro, target);
    ExpectConverted(first, "user-m1", "CID-G1");
    ExpectConverted(last, "user-m1", "CID-G1");
    SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ZenqoTest, TheLaunchersCatalogueInMemoryIsUntouched)
{
    MakeDirs(m_app + "M1");
    WriteAll(m_app + "M1\\reg.dat", Store("user-m1", { { "CID-G1", "G1\\start.exe" } }));
    std::string a = Link("a.lnk", Starter("M1", "G1"));
    // The member's catalogue as the launcher holds it.
    ContIf* pMine = static_cast<ContIf*>(std::calloc(2, sizeof(ContIf)));
    std::strcpy(pMine[0].strContentsId, "MINE-0");
    std::strcpy(pMine[1].strContentsId, "MINE-1");
    ContIf* pTmp = static_cast<ContIf*>(std::calloc(1, sizeof(ContIf)));
    std::strcpy(pTmp[0].strContentsId, "PREV-0");
    std::string before(reinterpret_cast<const char*>(pMine), 2 * sizeof(ContIf));
    g_pContIf = pMine;
    g_nContCnt = 2;
    g_pContTmpIf = pTmp;
    g_nContTmpCnt = 1;

    ZENQO_ConvertShortcuts();
    ExpectConverted(a, "user-m1", "CID-G1");
    EXPECT_EQ(g_pContIf, pMine);
    EXPECT_EQ(g_nContCnt, 2);
    EXPECT_EQ(g_pContTmpIf, pTmp);
    EXPECT_EQ(g_nContTmpCnt, 1);
    EXPECT_TRUE(std::string(reinterpret_cast<const char*>(g_pContIf), 2 * sizeof(ContIf)) == before);
    EXPECT_STREQ(g_pContTmpIf[0].strContentsId, "PREV-0");
    CONTENTSLIST_Free();
}

TEST_F(ZenqoTest, OverlongSearchPathsAreSkipped)
{
    MakeDirs(m_app + "M1");
    WriteAll(m_app + "M1\\reg.dat", Store("user-m1", { { "CID-G1", "G1\\start.exe" } }));
    std::string a = Link("a.lnk", Starter("M1", "G1"));
    // A root that leaves no room below it: its folders are skipped, the
    // search and the other shortcuts go on.
    LIST lst;
    LIST_Init(&lst);
    std::string root(2040, 'r');
    EXPECT_EQ(ZENQO_SearchFolder(&lst, (m_root + root + "\\").c_str()), 1);
    EXPECT_EQ(LIST_GetCnt(&lst), 0);
    EXPECT_EQ(ZENQO_SearchFolder(&lst, m_root.c_str()), 1);
    ASSERT_EQ(LIST_GetCnt(&lst), 1);
    EXPECT_STREQ(static_cast<const char*>(LIST_GetAt(&lst, 0)), a.c_str());
    LIST_Free(&lst);
}

TEST_F(ZenqoTest, TivtoolRunsTheConversion)
{
    MakeDirs(m_app + "M1");
    WriteAll(m_app + "M1\\reg.dat", Store("user-m1", { { "CID-G1", "G1\\start.exe" } }));
    std::string a = Link("deep\\a.lnk", Starter("M1", "G1"));
    HANDLE h = Probe_Start(Probe_HostPath(TIVTOOL_EXE),
                           "tivtool.exe zenqo \"" + m_dir.path() + "sm\" \"" + m_dir.path() + "app\"", m_dir.path());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    ExpectConverted(a, "user-m1", "CID-G1");
}

}  // namespace

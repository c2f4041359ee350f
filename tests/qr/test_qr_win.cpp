// The game runner end to end: the real qr.exe started in a game's folder the
// way the launcher starts it, with a stand-in game (testgame.exe).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "reg.h"
#include "slide.h"
#include "testdir.h"
#include "winprobe.h"

namespace {

std::string FileText(const std::string& p) { return ReadAll(p); }
bool Exists(const std::string& p) { return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

unsigned long Fnv(const std::string& bytes)
{
    unsigned long h = 2166136261u;
    for (unsigned char c : bytes) h = (h ^ c) * 16777619u;
    return h;
}

// The game's ".sbn", made with the project's own encoder.
std::string PackedGame(const std::string& plain)
{
    std::vector<uint8_t> stream;
    SLIDE_EncodeBuffer(reinterpret_cast<const uint8_t*>(plain.data()), plain.size(), stream);
    return std::string(stream.begin(), stream.end());
}

struct QrRun : ::testing::Test {
    TestDir dir;
    std::string app, game, exe;
    std::string gameBytes;
    HKEY hKey = nullptr;
    char saved[1024] = "";
    bool hadApp = false;

    void SetUp() override
    {
        app = dir.path() + "app\\";
        // Blanks, dots in the folder name and a trail byte 0x5C ("ソ").
        game = dir.path() + "ゲーム ソフト.v1\\";
        exe = game + "game.exe";
        ASSERT_TRUE(CreateDirectoryA(app.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(game.c_str(), nullptr));
        ASSERT_TRUE(CopyFileA(Probe_HostPath(QR_EXE).c_str(), (game + "qr.exe").c_str(), FALSE));
        gameBytes = ReadAll(Probe_HostPath(TESTGAME_EXE));
        ASSERT_FALSE(gameBytes.empty());
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, REG_TIV_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey,
                                  nullptr), ERROR_SUCCESS);
        DWORD cb = sizeof(saved);
        hadApp = RegQueryValueExA(hKey, "apppath", nullptr, nullptr, (BYTE*)saved, &cb) == ERROR_SUCCESS;
        ASSERT_EQ(REG_SetString(hKey, "apppath", app.c_str()), 1);
    }
    void TearDown() override
    {
        Probe_KillAll();
        if (hadApp) REG_SetString(hKey, "apppath", saved);
        else RegDeleteValueA(hKey, "apppath");
        RegCloseKey(hKey);
    }
    void PutGame() { WriteAll(exe, gameBytes); }
    void PutSbn() { WriteAll(game + "game.sbn", PackedGame(gameBytes)); }
    void Config(int runMs, int holdMs = 0)
    {
        WriteAll(game + "game.cfg", "run=" + std::to_string(runMs) + "\nhold=" + std::to_string(holdMs) + "\n");
        if (holdMs) WriteAll(game + "holder.exe", gameBytes);
    }
    // As the launcher does: the game's folder current, "qr.exe <args>".
    HANDLE Start(const std::string& args) { return Probe_Start(game + "qr.exe", "qr.exe " + args, game); }
    std::string Rec() { return FileText(game + "game.rec"); }
    std::string Log() { return Inverted(FileText(game + "qr.log")); }
    std::string PtBin() { return Exists(app + "pt.bin") ? Inverted(FileText(app + "pt.bin")) : "(none)"; }
};

TEST_F(QrRun, LongFormExpandsTheGameRunsItRecordsThePlayAndDeletesIt)
{
    PutSbn();
    Config(4000);   // past the first 3-second tick
    std::string args = exe + " mode=start,userid=u1,productid=p1,save=C:\\m\\,";
    HANDLE h = Start(args);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    CloseHandle(h);

    std::string rec = Rec();
    EXPECT_NE(rec.find("cmdline=[" + args + "]"), std::string::npos) << rec;   // exactly the runner's
    std::string cwd = game.substr(0, game.size() - 1);
    EXPECT_NE(rec.find("cwd=[" + cwd + "]"), std::string::npos) << rec;
    char want[64];
    std::snprintf(want, sizeof(want), "size=%lu\nhash=%08lx\n", (unsigned long)gameBytes.size(), Fnv(gameBytes));
    EXPECT_NE(rec.find(want), std::string::npos) << "the expanded game differs from the original\n" << rec;
    EXPECT_NE(rec.find("ended=timeout"), std::string::npos) << rec;
    EXPECT_EQ(PtBin(), "u1,p1,1,\n");
    EXPECT_FALSE(Exists(exe)) << "the expanded game is left behind";
    EXPECT_TRUE(Exists(game + "game.sbn"));
    EXPECT_NE(Log().find("finished.\n"), std::string::npos);
}

TEST_F(QrRun, ShortFormRecordsAnEmptyProductId)
{
    PutGame();
    Config(4000);
    HANDLE h = Start(exe + " mode=start,userid=u2,");
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    CloseHandle(h);
    EXPECT_EQ(PtBin(), "u2,,1,\n");
    EXPECT_FALSE(Exists(exe));
}

TEST_F(QrRun, AGameEndingBeforeTheFirstTickRecordsNothing)
{
    PutGame();
    Config(300);
    WriteAll(app + "pt.bin", Inverted("old,1,5,\n"));
    HANDLE h = Start(exe + " mode=start,userid=u3,productid=p3,");
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    CloseHandle(h);
    EXPECT_EQ(PtBin(), "old,1,5,\n");
    EXPECT_NE(Rec().find("ended=timeout"), std::string::npos);
}

TEST_F(QrRun, MissingGameAndSbnShowTheErrorBox)
{
    HANDLE h = Start(exe + " mode=start,userid=u4,productid=p4,");
    ASSERT_NE(h, nullptr);
    HWND box = Probe_WaitWindow("#32770", "Msg", 60000);
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(Probe_MessageBoxText(box),
              "処理がまだ完了しておりませんので、少し時間を置いて、再度、起動をお試しください(ZVQ:040)");
    Probe_PressButton(box, IDOK);
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    CloseHandle(h);
    EXPECT_EQ(PtBin(), "(none)");
    EXPECT_NE(Log().find("CreateProcess error\n"), std::string::npos);
}

TEST_F(QrRun, ACutSbnStartsNothingAndLeavesNoHalfGame)
{
    std::string packed = PackedGame(gameBytes);
    WriteAll(game + "game.sbn", packed.substr(0, packed.size() / 2));
    HANDLE h = Start(exe + " mode=start,userid=u8,productid=p8,");
    HWND box = Probe_WaitWindow("#32770", "Msg", 60000);
    ASSERT_NE(box, nullptr) << "a half-expanded game was started";
    Probe_PressButton(box, IDOK);
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    CloseHandle(h);
    EXPECT_FALSE(Exists(exe));
    EXPECT_FALSE(Exists(game + "game.rec"));
    EXPECT_NE(Log().find("LAUNCH_ExpandSbn::err"), std::string::npos);
}

TEST_F(QrRun, ClosingTheRunnerEndsTheGameThroughItsThreadMessage)
{
    PutGame();
    Config(60000);
    HANDLE h = Start(exe + " mode=start,userid=u5,productid=p5,");
    ASSERT_TRUE(Probe_WaitFor([&] { return Rec().find("started") != std::string::npos; }, 60000))
        << "the game did not start";
    Sleep(300);
    HWND runner = FindWindowA("tiv Launcher", "tiv Launcher");
    ASSERT_NE(runner, nullptr);
    EXPECT_FALSE(IsWindowVisible(runner));
    PostMessageA(runner, WM_CLOSE, 0, 0);
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    CloseHandle(h);
    EXPECT_NE(Rec().find("ended=WM_DESTROY"), std::string::npos) << Rec();
    EXPECT_FALSE(Exists(exe));
    EXPECT_EQ(PtBin(), "(none)");   // the waiting ended with the window: no play recorded
    EXPECT_NE(Log().find("postthreadmessage wm_destroy"), std::string::npos);
}

// The window closed just as the game ends, while the wait thread logs and
// writes pt.bin: the thread is waited for, never cut off, so the runner
// never hangs on a lock it held and every pt.bin line is whole.
TEST_F(QrRun, ClosedWhileItsWaitThreadWritesTheRunnerEndsWithWholeLines)
{
    const int kRuns = 3;
    for (int i = 0; i < kRuns; i++) {
        SCOPED_TRACE(i);
        DeleteFileA((game + "game.rec").c_str());
        PutGame();
        // Past the first 3-second tick; the game closes the runner as it ends.
        WriteAll(game + "game.cfg", "run=3500\ncloserunner=1\n");
        HANDLE h = Start(exe + " mode=start,userid=u6,productid=p6,");
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(Probe_WaitExit(h, 60000), 0) << "the runner hung\n" << Log();
        CloseHandle(h);
        EXPECT_FALSE(Exists(exe));
    }
    std::string want;
    for (int i = 0; i < kRuns; i++) want += "u6,p6,1,\n";
    EXPECT_EQ(PtBin(), want);
}

// An executable already there is run as it is: the .sbn beside it (here
// another program's) is not expanded over it. One that cannot start is
// replaced by a fresh expansion of the .sbn before the next try.
TEST_F(QrRun, ThePackedGameIsExpandedOnlyWhenNeededAndAfreshBeforeARetry)
{
    char want[64];
    std::snprintf(want, sizeof(want), "size=%lu\nhash=%08lx\n", (unsigned long)gameBytes.size(), Fnv(gameBytes));
    {
        SCOPED_TRACE("present");
        PutGame();
        WriteAll(game + "game.sbn", PackedGame("not the game"));
        Config(300);
        HANDLE h = Start(exe + " mode=start,userid=u9,productid=p9,");
        EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
        CloseHandle(h);
        EXPECT_NE(Rec().find(want), std::string::npos) << "the present game was expanded over\n" << Rec();
    }
    DeleteFileA((game + "game.rec").c_str());
    {
        SCOPED_TRACE("retry");
        WriteAll(exe, "MZ not a program");   // found, but cannot start
        PutSbn();
        Config(300);
        HANDLE h = Start(exe + " mode=start,userid=u9,productid=p9,");
        EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
        CloseHandle(h);
        EXPECT_NE(Rec().find(want), std::string::npos) << "the retry did not run a fresh expansion\n" << Rec();
        EXPECT_EQ(FindWindowA("#32770", "Msg"), nullptr);
    }
}

TEST_F(QrRun, DeletionIsRetriedWhileTheExecutableIsHeld)
{
    PutGame();
    Config(300, 9000);   // held until about 9 s after the game's end: past the 5-s first try
    HANDLE h = Start(exe + " mode=start,userid=u6,productid=p6,");
    EXPECT_EQ(Probe_WaitExit(h, 60000), 0);
    CloseHandle(h);
    EXPECT_FALSE(Exists(exe));
    std::string log = Log();
    size_t tries = 0;
    for (size_t p = log.find("delete file["); p != std::string::npos; p = log.find("delete file[", p + 1)) tries++;
    EXPECT_GE(tries, 3u) << log;
}

TEST_F(QrRun, ACommandLineWithoutModeStartsNothing)
{
    PutGame();
    Config(300);
    HANDLE h = Start(exe + " userid=u7,");
    EXPECT_EQ(Probe_WaitExit(h, 60000), 1);
    CloseHandle(h);
    EXPECT_FALSE(Exists(game + "game.rec"));
    EXPECT_TRUE(Exists(exe));   // nothing started, nothing deleted
    EXPECT_NE(Log().find("mode=start"), std::string::npos) << Log();
}

}  // namespace

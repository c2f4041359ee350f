// Win32System under Wine: locks, semaphores, threads, the tick timer's
// period, the error log and its message box, archives, resources, the
// product and OS strings.
#include "CrashLog.h"
#include "Lock.h"
#include "Object.h"
#include "OsName.h"
#include "Semaphore.h"
#include "Thread.h"
#include "Win32ResFile.h"
#include "Win32System.h"
#include "Win32Thread.h"
#include "Config.h"
#include "FolderArchive.h"
#include "ZipArchive.h"
#include "boxless_system.h"
#include "testdir.h"
#include "winprobe.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <regex>
#include <thread>
#include <vector>

namespace {

// Installs a BoxlessSystem in a fresh current folder (its error log lands there).
struct Installed {
    TestDir dir;
    BoxlessSystem* sys = new BoxlessSystem();
    Installed() { EXPECT_TRUE(System::setInstance(sys)); }
    ~Installed() { System::terminate(); }
};

int Count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) n++;
    return n;
}

const std::string kRule(64, '-');

TEST(Win32System, LocksAreRecursiveAcrossWin32Threads)
{
    Installed in;
    struct Shared : public virtual Object {
        long value = 0;
    } shared;
    ASSERT_TRUE(shared.lock());
    ASSERT_TRUE(shared.lock());
    shared.unlock();
    shared.unlock();

    std::vector<Thread*> threads;
    for (int i = 0; i < 4; i++) {
        threads.push_back(System::createThread([](void* a) {
            Shared* s = static_cast<Shared*>(a);
            for (int k = 0; k < 2000; k++) {
                ObjectLocker outer(*s);
                ObjectLocker inner(*s);
                long v = s->value;
                if (k % 64 == 0) Sleep(0);
                s->value = v + 1;
            }
            return 5;
        }, &shared, false));
        ASSERT_NE(threads.back(), nullptr);
    }
    for (Thread* t : threads) {
        EXPECT_EQ(t->join(), 5);
        delete t;
    }
    EXPECT_EQ(shared.value, 4 * 2000);
}

TEST(Win32System, SemaphoreCountsAndSuspendedThreadsWaitForResume)
{
    Installed in;
    std::unique_ptr<Semaphore> sem(System::createSemaphore(2));
    ASSERT_TRUE(sem);
    EXPECT_TRUE(sem->wait());
    EXPECT_TRUE(sem->wait());   // the initial count of 2

    struct Ctx { Semaphore* sem; std::atomic<int> step{0}; } ctx;
    ctx.sem = sem.get();
    std::unique_ptr<Thread> t(System::createThread([](void* a) {
        Ctx* c = static_cast<Ctx*>(a);
        c->step = 1;
        c->sem->wait();
        c->step = 2;
        return 42;
    }, &ctx, true));
    ASSERT_TRUE(t);
    Sleep(50);
    EXPECT_EQ(ctx.step.load(), 0);   // made suspended
    EXPECT_TRUE(t->resume());
    for (int i = 0; i < 200 && ctx.step.load() != 1; i++) Sleep(5);
    Sleep(30);
    EXPECT_EQ(ctx.step.load(), 1);   // waits for the count
    EXPECT_TRUE(sem->release());
    EXPECT_EQ(t->join(), 42);
    EXPECT_EQ(ctx.step.load(), 2);
    EXPECT_EQ(t->join(), -1);        // joined threads are forgotten
    EXPECT_FALSE(t->resume());
    EXPECT_FALSE(t->suspend());
}

TEST(Win32System, ThreadPrioritiesMapBothWays)
{
    Installed in;
    const int system[] = {0, THREAD_PRIORITY_TIME_CRITICAL, THREAD_PRIORITY_HIGHEST, THREAD_PRIORITY_ABOVE_NORMAL,
                          THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_LOWEST,
                          THREAD_PRIORITY_IDLE};
    for (int level = 1; level <= 7; level++) {
        EXPECT_EQ(Win32Thread::toSystemPriority(level), system[level]) << level;
        EXPECT_EQ(Win32Thread::fromSystemPriority(system[level]), level) << level;
    }
    EXPECT_EQ(Win32Thread::toSystemPriority(0), THREAD_PRIORITY_NORMAL);
    EXPECT_EQ(Win32Thread::toSystemPriority(8), THREAD_PRIORITY_NORMAL);

    std::unique_ptr<Thread> t(System::createThread([](void*) { return 0; }, nullptr, true));
    ASSERT_TRUE(t);
    for (int level : {2, 6, 4}) {
        EXPECT_TRUE(t->setPriority(level));
        EXPECT_EQ(t->getPriority(), level);
    }
    EXPECT_TRUE(t->setPriority(99));
    EXPECT_EQ(t->getPriority(), Thread::PRIORITY_NORMAL);
    EXPECT_TRUE(t->resume());
    EXPECT_EQ(t->join(), 0);
}

struct TickLog {
    std::mutex mutex;
    std::vector<LARGE_INTEGER> at;
};

void OnTick(void* arg)
{
    TickLog* log = static_cast<TickLog*>(arg);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    std::lock_guard<std::mutex> hold(log->mutex);
    log->at.push_back(now);
}

// The mean period between the first and the last tick, in milliseconds.
// The mean period over the whole time the handler was set: on a busy
// machine a late tick is followed by quick ones that catch up with the
// timer's schedule, so the span from the first tick to the last (which
// starts late) would read short.
double MeasureTick(int64_t periodUs, int runMs, size_t* ticks)
{
    TickLog log;
    LARGE_INTEGER freq, from, to;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&from);
    EXPECT_TRUE(System::setTickHandler(periodUs, OnTick, &log));
    Sleep(static_cast<DWORD>(runMs));
    EXPECT_TRUE(System::setTickHandler(periodUs, nullptr, nullptr));
    QueryPerformanceCounter(&to);
    std::lock_guard<std::mutex> hold(log.mutex);
    *ticks = log.at.size();
    if (log.at.empty()) return 0;
    double span = static_cast<double>(to.QuadPart - from.QuadPart);
    return span * 1000.0 / static_cast<double>(freq.QuadPart) / static_cast<double>(log.at.size());
}

TEST(Win32System, TickTimerKeepsItsPeriod)
{
    Installed in;
    EXPECT_TRUE(System::setTickHandler(32000, nullptr, nullptr));   // none set: still true

    size_t ticks = 0;
    double period = MeasureTick(32000, 700, &ticks);
    std::printf("32000 us: %zu ticks, mean period %.2f ms (expected 32)\n", ticks, period);
    EXPECT_GE(ticks, 15u);
    EXPECT_NEAR(period, 32.0, 3.0);

    period = MeasureTick(500, 300, &ticks);   // below 1 ms: 1 ms
    std::printf("500 us: %zu ticks, mean period %.2f ms (expected 1)\n", ticks, period);
    EXPECT_GE(ticks, 100u);
    EXPECT_NEAR(period, 1.0, 0.6);

    // Nothing ticks once the handler is removed.
    TickLog log;
    ASSERT_TRUE(System::setTickHandler(10000, OnTick, &log));
    ASSERT_TRUE(System::setTickHandler(20000, OnTick, &log));   // replaces, does not add a timer
    Sleep(200);
    ASSERT_TRUE(System::setTickHandler(0, nullptr, nullptr));
    size_t n;
    {
        std::lock_guard<std::mutex> hold(log.mutex);
        n = log.at.size();
    }
    EXPECT_LE(n, 12u);   // one 20 ms timer, not a 10 ms one beside it
    Sleep(60);
    std::lock_guard<std::mutex> hold(log.mutex);
    EXPECT_EQ(log.at.size(), n);
}

// A tick still running when the handler is removed: the removal waits for
// it to end, and every call, the late one included, gets the argument it
// was set with (the player's handler trips an assertion on a null one).
struct SlowTick {
    std::atomic<int> calls{0};
    std::atomic<bool> inside{false};
};
std::atomic<int> gNullTickArgs{0};

void OnSlowTick(void* arg)
{
    SlowTick* t = static_cast<SlowTick*>(arg);
    if (t == nullptr) {
        gNullTickArgs++;
        return;
    }
    t->inside = true;
    t->calls++;
    Sleep(150);
    t->inside = false;
}

TEST(Win32System, RemovingTheTickWaitsForARunningCallback)
{
    Installed in;
    SlowTick tick;
    for (int round = 0; round < 3; round++) {
        ASSERT_TRUE(System::setTickHandler(5000, OnSlowTick, &tick));
        const int before = tick.calls;
        for (int i = 0; i < 500 && !(tick.inside && tick.calls > before); i++) Sleep(1);
        ASSERT_TRUE(tick.inside) << "round " << round << ": no tick came";
        ASSERT_TRUE(System::setTickHandler(0, nullptr, nullptr));
        EXPECT_FALSE(tick.inside) << "round " << round << ": the callback still runs after the removal";
        const int after = tick.calls;
        Sleep(50);
        EXPECT_EQ(tick.calls, after) << "round " << round << ": a tick after the removal";
    }
    EXPECT_EQ(gNullTickArgs, 0);
}

TEST(Win32System, ErrorLogHasOneHeaderAndEveryMessageInShiftJis)
{
    Installed in;
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    EXPECT_EQ(in.sys->errorLogPath(), std::string(cwd) + "/chipplay-error.log");

    System::error("[Player]データファイルが見つかりません\n");
    System::error("[PC88]曲番号%dのデータ(%s)が読めません\n", 7, "song.bin");
    std::string big(1500, 'x');
    System::error("[VM]%s\n", big.c_str());

    std::string log = ReadAll("chipplay-error.log");
    EXPECT_EQ(Count(log, kRule), 1);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(log, m, std::regex(
        "^-{64}\r\nDate: (\\d{4})/(\\d\\d)/(\\d\\d) (\\d\\d):(\\d\\d):(\\d\\d)\\.(\\d{3})\r\nOS: ([^\r\n]*)\r\n")))
        << log.substr(0, 300);
    EXPECT_EQ(m[8].str(), in.sys->osName());
    std::string body = m.suffix();
    EXPECT_EQ(body.substr(0, 200),
              ("[Player]データファイルが見つかりません\r\n[PC88]曲番号7のデータ(song.bin)が読めません\r\n[VM]" +
               big).substr(0, 200));
    // The file holds the whole message; the box the first 1023 bytes of it.
    EXPECT_NE(log.find("[VM]" + big + "\r\n"), std::string::npos);
    ASSERT_EQ(in.sys->boxes.size(), 3u);
    EXPECT_EQ(in.sys->boxes[1], "[PC88]曲番号7のデータ(song.bin)が読めません\n");
    EXPECT_EQ(in.sys->boxes[2].size(), 1023u);

    // Shift-JIS bytes, as the code page 932 reads them.
    EXPECT_NE(log.find("\x83\x66\x81\x5B\x83\x5E"), std::string::npos);   // データ
}

TEST(Win32System, FirstErrorsOfManyThreadsWriteOneHeader)
{
    // The header is decided on the first error of a run: race that moment
    // in a number of fresh runs.
    for (int run = 0; run < 20; run++) {
        Installed in;
        std::atomic<int> ready(0);
        std::vector<std::thread> threads;
        for (int i = 0; i < 8; i++) {
            threads.emplace_back([&ready, i] {
                ready++;
                while (ready < 8) {}
                System::error("[Player]スレッド%d\n", i);
            });
        }
        for (auto& t : threads) t.join();
        std::string log = ReadAll("chipplay-error.log");
        ASSERT_EQ(Count(log, kRule), 1) << "run " << run << "\n" << log;
        EXPECT_EQ(Count(log, "Date: "), 1);
        EXPECT_EQ(Count(log, "[Player]スレッド"), 8);
        EXPECT_EQ(log.find(kRule), 0u);   // before every message
    }
}

TEST(Win32System, UnwritableLogStillShowsTheBox)
{
    Installed in;
    std::filesystem::create_directory("chipplay-error.log");   // cannot be opened as a file
    System::error("[Player]ログなし\n");
    ASSERT_EQ(in.sys->boxes.size(), 1u);
    EXPECT_EQ(in.sys->boxes[0], "[Player]ログなし\n");
}

TEST(Win32System, AssertionFailureIsReportedThenRaised)
{
    Installed in;
    System::assertFailed("player/Player.cpp", 123, "vm != NULL");
    ASSERT_EQ(in.sys->boxes.size(), 1u);
    EXPECT_EQ(in.sys->boxes[0], "ASSERTION FAILED: (vm != NULL), file player/Player.cpp, line 123\n");
    EXPECT_EQ(in.sys->raised, std::vector<std::string>{"player/Player.cpp:123:vm != NULL"});
    EXPECT_NE(ReadAll("chipplay-error.log").find("ASSERTION FAILED: (vm != NULL), file player/Player.cpp, line 123"),
              std::string::npos);
}

TEST(Win32System, ErrorLogPathFromTheCurrentFolder)
{
    EXPECT_EQ(Win32System::errorLogPathIn("C:\\app\\"), "C:\\app\\chipplay-error.log");
    EXPECT_EQ(Win32System::errorLogPathIn("C:/app/"), "C:/app/chipplay-error.log");
    EXPECT_EQ(Win32System::errorLogPathIn("C:\\app"), "C:\\app/chipplay-error.log");
    std::string deep = "C:\\" + std::string(300, 'd');   // past MAX_PATH: nothing is cut
    EXPECT_EQ(Win32System::errorLogPathIn(deep), deep + "/chipplay-error.log");
}

// The current folder stays below MAX_PATH, but the log path behind it need not.
TEST(Win32System, ErrorLogPathPastMaxPath)
{
    TestDir dir;
    std::string deep = dir.path();
    while (deep.size() < 200) deep += std::string(20, 'd') + "\\";
    deep += std::string(250 - deep.size(), 'e') + "\\";
    std::error_code ec;
    std::filesystem::create_directories(deep, ec);
    if (ec) GTEST_SKIP() << "cannot make " << deep << ": " << ec.message();
    if (!SetCurrentDirectoryA(deep.c_str())) GTEST_SKIP() << "cannot enter " << deep << ": " << GetLastError();
    BoxlessSystem* sys = new BoxlessSystem();
    ASSERT_TRUE(System::setInstance(sys));
    char cwd[1024];
    GetCurrentDirectoryA(sizeof cwd, cwd);
    EXPECT_GT(sys->errorLogPath().size(), 260u);
    EXPECT_EQ(sys->errorLogPath(), std::string(cwd) + "/chipplay-error.log");
    System::error("[Player]深い\n");
    System::terminate();
    SetCurrentDirectoryA(dir.path().c_str());
    EXPECT_NE(ReadAll(deep + "chipplay-error.log").find("[Player]深い"), std::string::npos);
}

// Finds the error box from another thread, reads it and presses OK.
struct BoxProbe {
    std::string caption, text;
    std::thread thread;
    std::atomic<bool> found{false};
    BoxProbe()
    {
        thread = std::thread([this] {
            // Only this process's boxes: playrun's tests show boxes of the same caption.
            for (int i = 0; i < 500 && !found; i++) {
                HWND box = Probe_WaitWindow("#32770", "TIV VELQA SOUND PLAYER (ERROR)", 20);
                if (box != nullptr && IsWindowVisible(box)) {
                    char buf[1100] = {};
                    GetWindowTextA(box, buf, sizeof buf);
                    caption = buf;
                    GetDlgItemTextA(box, 0xFFFF, buf, sizeof buf);
                    text = buf;
                    found = true;
                    PostMessageA(box, WM_COMMAND, IDOK, 0);
                }
                Sleep(20);
            }
        });
    }
    ~BoxProbe() { thread.join(); }
};

TEST(Win32System, ErrorShowsTheModalBox)
{
    TestDir dir;
    ASSERT_TRUE(System::setInstance(new Win32System()));
    {
        BoxProbe probe;
        System::error("[MainWindow]ウィンドウが作れません(%d)\n", 5);   // returns once OK is pressed
        probe.thread.join();
        probe.thread = std::thread([] {});
        EXPECT_TRUE(probe.found);
        EXPECT_EQ(probe.caption, "TIV VELQA SOUND PLAYER (ERROR)");
        EXPECT_EQ(probe.text, "[MainWindow]ウィンドウが作れません(5)\n");
    }
    System::terminate();
    EXPECT_NE(ReadAll("chipplay-error.log").find("[MainWindow]ウィンドウが作れません(5)"), std::string::npos);
}

TEST(Win32System, ArchivesFilesAndNames)
{
    Installed in;
    std::filesystem::create_directory("music");
    WriteAll("music.kzd", "PK");
    std::unique_ptr<Archive> folder(System::openArchive("music"));
    std::unique_ptr<Archive> zip(System::openArchive("music.kzd"));
    EXPECT_NE(dynamic_cast<FolderArchive*>(folder.get()), nullptr);
    EXPECT_NE(dynamic_cast<ZipArchive*>(zip.get()), nullptr);
    EXPECT_EQ(System::openArchive("nothing"), nullptr);

    EXPECT_EQ(System::openFile("nothing.txt", 1), nullptr);
    std::unique_ptr<File> f(System::openFile("made.txt", 2));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->write("abc", 3), 3);
    f.reset();
    EXPECT_TRUE(System::deleteFile("made.txt"));
    EXPECT_FALSE(System::deleteFile("made.txt"));

    EXPECT_EQ(System::convertString("a/b:c"), "a／b：c");
    EXPECT_EQ(in.sys->getProgramName(), "chipplay_win32_tests");
    SystemTime t = {};
    EXPECT_TRUE(in.sys->getLocalTime(t));
    EXPECT_GE(t.year, 2020);
}

TEST(Win32System, ProductAndOsStrings)
{
    Installed in;
    EXPECT_EQ(in.sys->productString(), "TIV VELQA Test (1.2.3)");   // from this program's version block
    std::printf("OS: %s\n", in.sys->osName().c_str());
    EXPECT_EQ(in.sys->osName().rfind("Microsoft Windows", 0), 0u);
    EXPECT_NE(in.sys->osName().find(" (Build "), std::string::npos);
}

TEST(OsName, FromTheVersionFacts)
{
    auto nt = [](unsigned major, unsigned minor, unsigned build, const char* sp, unsigned type, unsigned suite,
                 unsigned arch) {
        OsFacts f;
        f.known = true;
        f.extended = true;
        f.platform = VER_PLATFORM_WIN32_NT;
        f.major = major;
        f.minor = minor;
        f.build = build;
        f.servicePack = sp;
        f.productType = type;
        f.suiteMask = suite;
        f.architecture = arch;
        return f;
    };
    const unsigned W = VER_NT_WORKSTATION, S = VER_NT_SERVER, X86 = PROCESSOR_ARCHITECTURE_INTEL,
                   X64 = PROCESSOR_ARCHITECTURE_AMD64, IA64 = PROCESSOR_ARCHITECTURE_IA64;
    OsFacts r2 = nt(5, 2, 3790, "Service Pack 2", S, 0, X86);
    r2.serverR2 = true;
    OsFacts nt4sp6a = nt(4, 0, 1381, "Service Pack 6", W, 0, X86);
    nt4sp6a.hotfixQ246009 = true;
    OsFacts plain = nt(5, 0, 2195, "", 0, 0, X86);
    plain.extended = false;
    plain.registryProductType = "LANMANNT";
    OsFacts win95 = nt(4, 0, 950, " C", 0, 0, X86);
    win95.platform = VER_PLATFORM_WIN32_WINDOWS;
    OsFacts win98 = win95;
    win98.minor = 10;
    OsFacts me = win95;
    me.minor = 90;
    OsFacts win32s = win95;
    win32s.platform = VER_PLATFORM_WIN32s;

    const struct { OsFacts facts; const char* name; } rows[] = {
        {nt(5, 1, 2600, "Service Pack 3", W, 0, X86), "Microsoft Windows XP Professional Service Pack 3 (Build 2600)"},
        {nt(5, 1, 2600, "Service Pack 2", W, VER_SUITE_PERSONAL, X86), "Microsoft Windows XP Home Edition Service Pack 2 (Build 2600)"},
        {nt(5, 2, 3790, "Service Pack 2", W, 0, X64), "Microsoft Windows XP Professional x64 Edition Professional Service Pack 2 (Build 3790)"},
        {r2, "Microsoft Windows Server 2003 \"R2\" Standard Edition Service Pack 2 (Build 3790)"},
        {nt(5, 2, 3790, "", S, VER_SUITE_DATACENTER, IA64), "Microsoft Windows Server 2003, Datacenter Edition for Itanium-based Systems (Build 3790)"},
        {nt(5, 2, 3790, "", S, VER_SUITE_ENTERPRISE, X64), "Microsoft Windows Server 2003, Enterprise x64 Edition  (Build 3790)"},
        {nt(5, 2, 3790, "", S, VER_SUITE_BLADE, X86), "Microsoft Windows Server 2003, Web Edition  (Build 3790)"},
        {nt(5, 0, 2195, "Service Pack 4", S, VER_SUITE_ENTERPRISE, X86), "Microsoft Windows 2000 Advanced Server Service Pack 4 (Build 2195)"},
        {nt4sp6a, "Microsoft Windows NT Workstation 4.0 Service Pack 6a (Build 1381)"},
        {nt(4, 0, 1381, "Service Pack 6", S, VER_SUITE_ENTERPRISE, X86), "Microsoft Windows NT Server 4.0, Enterprise Edition Service Pack 6 (Build 1381)"},
        {nt(6, 0, 6002, "Service Pack 2", W, 0, X86), "Microsoft Windows Vista Professional Service Pack 2 (Build 6002)"},
        {nt(6, 0, 6001, "", S, 0, X86), "Windows Server \"Longhorn\"  (Build 6001)"},
        // After the table: by number, not an empty family.
        {nt(6, 1, 7601, "Service Pack 1", W, 0, X86), "Microsoft Windows 6.1 Professional Service Pack 1 (Build 7601)"},
        {nt(10, 0, 19045, "", W, 0, X64), "Microsoft Windows 10.0 Professional  (Build 19045)"},
        {plain, "Microsoft Windows 2000 Server 5.0  (Build 2195)"},
        {win95, "Microsoft Windows 95 OSR2"},
        {win98, "Microsoft Windows 98"},
        {me, "Microsoft Windows Millennium Edition"},
        {win32s, "Microsoft Win32s"},
        {OsFacts(), "(unknown)"},
    };
    for (auto& r : rows) EXPECT_EQ(OsNameFromFacts(r.facts), r.name);
}

TEST(Win32ResFile, ReadsAResourceOfTheProgram)
{
    Win32ResFile res;
    EXPECT_EQ(res.tell(), 0);   // 0, not -1, while closed
    EXPECT_EQ(res.size(), 0);
    EXPECT_EQ(res.read(nullptr, 1), 0);
    EXPECT_FALSE(res.seek(0, 0));
    EXPECT_EQ(res.getBuffer(), nullptr);
    EXPECT_FALSE(res.open("skin.txt", 1));

    EXPECT_FALSE(res.open(GetModuleHandleA(nullptr), "absent.txt", "TEXT"));
    EXPECT_FALSE(res.open(GetModuleHandleA(nullptr), "skin.txt", "BITMAP"));
    ASSERT_TRUE(res.open(GetModuleHandleA(nullptr), "skin.txt", "TEXT"));
    EXPECT_EQ(res.getPath(), "skin.txt");
    std::string want = "[skin]\r\nname=テスト\r\nwidth=320\r\n";
    ASSERT_EQ(res.size(), static_cast<int>(want.size()));
    EXPECT_EQ(std::string(static_cast<const char*>(res.getBuffer()), want.size()), want);
    EXPECT_EQ(res.write("x", 1), 0);   // the system's memory stays untouched

    TestDir dir;
    ASSERT_TRUE(System::setInstance(new BoxlessSystem()));
    {
        Config cfg;
        EXPECT_TRUE(cfg.load(&res));
        EXPECT_EQ(cfg.getString("skin", "name", ""), "テスト");
        EXPECT_EQ(cfg.getInt("skin", "width", 0), 320);
    }
    System::terminate();
    EXPECT_TRUE(res.close());
    EXPECT_EQ(res.size(), 0);
}

TEST(CrashLog, ExceptionNames)
{
    EXPECT_STREQ(CrashLog::exceptionName(0xC0000005), "ACCESS_VIOLATION");
    EXPECT_STREQ(CrashLog::exceptionName(0xC00000FD), "STACK_OVERFLOW");
    EXPECT_STREQ(CrashLog::exceptionName(0x80000003), "BREAKPOINT");
    EXPECT_STREQ(CrashLog::exceptionName(0xE0001234), "(UNKNOWN)");
    EXPECT_STREQ(CrashLog::exceptionName(0), "(UNKNOWN)");
}

}  // namespace

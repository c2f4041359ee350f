#include "test_system.h"

#include "FileName.h"
#include "FolderArchive.h"
#include "Lock.h"
#include "Semaphore.h"
#include "StdFile.h"
#include "Thread.h"
#include "ZipArchive.h"

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>

namespace {

class StdLock : public Lock {
public:
    void lock() override { mMutex.lock(); }
    void unlock() override { mMutex.unlock(); }

private:
    std::recursive_mutex mMutex;
};

class StdSemaphore : public Semaphore {
public:
    explicit StdSemaphore(int initial) : mCount(initial) {}
    bool release() override
    {
        std::lock_guard<std::mutex> hold(mMutex);
        mCount++;
        mChanged.notify_one();
        return true;
    }
    bool wait() override
    {
        std::unique_lock<std::mutex> hold(mMutex);
        mChanged.wait(hold, [this] { return mCount > 0; });
        mCount--;
        return true;
    }

private:
    std::mutex mMutex;
    std::condition_variable mChanged;
    long mCount;
};

// A std::thread has no suspend or terminate: a thread made suspended waits at
// a gate until resume, and suspend/terminate report failure.
class StdThread : public Thread {
public:
    StdThread(ThreadProc proc, void* arg, bool suspended)
        : mStarted(!suspended), mExitCode(-1), mPriority(PRIORITY_NORMAL)
    {
        mThread = std::thread([this, proc, arg] {
            {
                std::unique_lock<std::mutex> hold(mGateMutex);
                mGate.wait(hold, [this] { return mStarted; });
            }
            mExitCode = proc(arg);
        });
    }
    ~StdThread() override
    {
        if (mThread.joinable()) {
            resume();
            mThread.join();
        }
    }
    bool resume() override
    {
        if (!mThread.joinable()) return false;
        std::lock_guard<std::mutex> hold(mGateMutex);
        mStarted = true;
        mGate.notify_all();
        return true;
    }
    bool suspend() override { return false; }
    bool terminate(int) override { return false; }
    int join() override
    {
        if (!mThread.joinable()) return -1;
        mThread.join();
        return mExitCode;
    }
    int getPriority() override { return mPriority; }
    bool setPriority(int level) override
    {
        mPriority = (level >= PRIORITY_TIME_CRITICAL && level <= PRIORITY_IDLE) ? level : PRIORITY_NORMAL;
        return true;
    }

private:
    std::mutex mGateMutex;
    std::condition_variable mGate;
    bool mStarted;
    std::atomic<int> mExitCode;
    int mPriority;
    std::thread mThread;
};

std::string Format(const char* format, va_list args)
{
    char text[1024];
    std::vsnprintf(text, sizeof text, format, args);
    return text;
}

}  // namespace

struct TestSystem::Ticker {
    std::mutex mutex;
    std::condition_variable stop;
    bool stopping = false;
    std::thread thread;

    Ticker(int64_t periodMs, TickHandler handler, void* arg)
    {
        thread = std::thread([this, periodMs, handler, arg] {
            auto next = std::chrono::steady_clock::now();
            std::unique_lock<std::mutex> hold(mutex);
            for (;;) {
                next += std::chrono::milliseconds(periodMs);
                if (stop.wait_until(hold, next, [this] { return stopping; })) return;
                hold.unlock();
                handler(arg);
                hold.lock();
            }
        });
    }
    ~Ticker()
    {
        {
            std::lock_guard<std::mutex> hold(mutex);
            stopping = true;
            stop.notify_all();
        }
        thread.join();
    }
};

TestSystem* TestSystem::install()
{
    System::terminate();
    TestSystem* s = new TestSystem();
    System::setInstance(s);
    return s;
}

TestSystem::TestSystem() : mTicker(nullptr)
{
}

TestSystem::~TestSystem()
{
    delete mTicker;
}

std::vector<std::string> TestSystem::errors()
{
    std::lock_guard<std::mutex> hold(mCaptured);
    return mErrors;
}

std::vector<std::string> TestSystem::assertions()
{
    std::lock_guard<std::mutex> hold(mCaptured);
    return mAssertions;
}

void TestSystem::clear()
{
    std::lock_guard<std::mutex> hold(mCaptured);
    mErrors.clear();
    mAssertions.clear();
}

bool TestSystem::initialize()
{
    return true;
}

void TestSystem::doTerminate()
{
    delete mTicker;
    mTicker = nullptr;
}

void TestSystem::doAbort()
{
    System::error("エラーが発生したため、強制終了します\n");
    std::exit(1);
}

std::string TestSystem::getProgramName()
{
    return "test";
}

bool TestSystem::getLocalTime(SystemTime& out)
{
    auto now = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm = *std::localtime(&t);
    out.year = static_cast<uint16_t>(tm.tm_year + 1900);
    out.month = static_cast<uint16_t>(tm.tm_mon + 1);
    out.dayOfWeek = static_cast<uint16_t>(tm.tm_wday);
    out.day = static_cast<uint16_t>(tm.tm_mday);
    out.hour = static_cast<uint16_t>(tm.tm_hour);
    out.minute = static_cast<uint16_t>(tm.tm_min);
    out.second = static_cast<uint16_t>(tm.tm_sec);
    out.milliseconds = static_cast<uint16_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    return true;
}

File* TestSystem::doOpenFile(const std::string& path, int mode)
{
    StdFile* f = new StdFile();
    if (f->open(path, mode)) return f;
    delete f;
    return nullptr;
}

Archive* TestSystem::doOpenArchive(const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return nullptr;
    if (S_ISDIR(st.st_mode)) return new FolderArchive(path);
    return new ZipArchive(path);
}

bool TestSystem::doDeleteFile(const std::string& path)
{
    return std::remove(path.c_str()) == 0;
}

Lock* TestSystem::doCreateLock()
{
    return new StdLock();
}

Semaphore* TestSystem::doCreateSemaphore(int initial)
{
    return new StdSemaphore(initial);
}

Thread* TestSystem::doCreateThread(ThreadProc proc, void* arg, bool suspended)
{
    return new StdThread(proc, arg, suspended);
}

bool TestSystem::doSetTickHandler(int64_t periodUs, TickHandler handler, void* arg)
{
    delete mTicker;
    mTicker = nullptr;
    if (handler == nullptr) return true;
    int64_t ms = periodUs / 1000;
    mTicker = new Ticker(ms == 0 ? 1 : ms, handler, arg);
    return true;
}

std::string TestSystem::doConvertString(const std::string& text)
{
    return ConvertToFileName(text);
}

void TestSystem::doError(const char* format, va_list args)
{
    std::string text = Format(format, args);
    std::lock_guard<std::mutex> hold(mCaptured);
    mErrors.push_back(text);
}

void TestSystem::doDebugPrint(const char*, va_list)
{
}

void TestSystem::doAssertFailed(const char* file, int line, const char* expression)
{
    System::error("ASSERTION FAILED: (%s), file %s, line %d\n", expression, file, line);
    std::lock_guard<std::mutex> hold(mCaptured);
    mAssertions.push_back(std::string(file) + ":" + std::to_string(line) + ":" + expression);
}

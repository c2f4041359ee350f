#include "StdSystem.h"

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
#include <new>
#include <thread>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

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

// Formatted in full, however long: a message may carry a long file name.
std::string Format(const char* format, va_list args)
{
    va_list again;
    va_copy(again, args);
    std::string text;
    const int need = std::vsnprintf(nullptr, 0, format, args);
    if (need >= 0) {
        std::vector<char> buffer(static_cast<size_t>(need) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, again);
        text.assign(buffer.data(), static_cast<size_t>(need));
    }
    va_end(again);
    return text;
}

}  // namespace

struct StdSystem::Ticker {
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

StdSystem::StdSystem(const Options& options) : mOptions(options), mTicker(nullptr)
{
}

StdSystem::~StdSystem()
{
    delete mTicker;
}

std::vector<std::string> StdSystem::errors()
{
    std::lock_guard<std::mutex> hold(mKept);
    return mErrors;
}

std::vector<std::string> StdSystem::assertions()
{
    std::lock_guard<std::mutex> hold(mKept);
    return mAssertions;
}

void StdSystem::clear()
{
    std::lock_guard<std::mutex> hold(mKept);
    mErrors.clear();
    mAssertions.clear();
}

bool StdSystem::initialize()
{
#ifdef _WIN32
    // The messages' bytes as they are: no CR inserted before each LF.
    if (mOptions.toStandardError) _setmode(_fileno(stderr), _O_BINARY);
#endif
    return true;
}

void StdSystem::doTerminate()
{
    delete mTicker;
    mTicker = nullptr;
    if (mOptions.toStandardError) std::fflush(stderr);
}

void StdSystem::doAbort()
{
    System::error("エラーが発生したため、強制終了します\n");
    std::exit(1);
}

std::string StdSystem::getProgramName()
{
    return mOptions.programName;
}

bool StdSystem::getLocalTime(SystemTime& out)
{
    auto now = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm* tm = std::localtime(&t);
    if (tm == nullptr) return false;
    out.year = static_cast<uint16_t>(tm->tm_year + 1900);
    out.month = static_cast<uint16_t>(tm->tm_mon + 1);
    out.dayOfWeek = static_cast<uint16_t>(tm->tm_wday);
    out.day = static_cast<uint16_t>(tm->tm_mday);
    out.hour = static_cast<uint16_t>(tm->tm_hour);
    out.minute = static_cast<uint16_t>(tm->tm_min);
    out.second = static_cast<uint16_t>(tm->tm_sec);
    out.milliseconds = static_cast<uint16_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    return true;
}

File* StdSystem::doOpenFile(const std::string& path, int mode)
{
    return StdFile::openNew(path, mode);
}

Archive* StdSystem::doOpenArchive(const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return nullptr;
    if (S_ISDIR(st.st_mode)) return new (std::nothrow) FolderArchive(path);
    return new (std::nothrow) ZipArchive(path);
}

bool StdSystem::doDeleteFile(const std::string& path)
{
    return std::remove(path.c_str()) == 0;
}

Lock* StdSystem::doCreateLock()
{
    return new (std::nothrow) StdLock();
}

Semaphore* StdSystem::doCreateSemaphore(int initial)
{
    return new (std::nothrow) StdSemaphore(initial);
}

Thread* StdSystem::doCreateThread(ThreadProc proc, void* arg, bool suspended)
{
    return new (std::nothrow) StdThread(proc, arg, suspended);
}

bool StdSystem::doSetTickHandler(int64_t periodUs, TickHandler handler, void* arg)
{
    delete mTicker;
    mTicker = nullptr;
    if (handler == nullptr) return true;
    int64_t ms = periodUs / 1000;
    mTicker = new Ticker(ms == 0 ? 1 : ms, handler, arg);
    return true;
}

std::string StdSystem::doConvertString(const std::string& text)
{
    return ConvertToFileName(text);
}

void StdSystem::doError(const char* format, va_list args)
{
    const std::string text = Format(format, args);
    if (mOptions.toStandardError) {
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fflush(stderr);
    }
    if (mOptions.keepMessages) {
        std::lock_guard<std::mutex> hold(mKept);
        mErrors.push_back(text);
    }
}

void StdSystem::doDebugPrint(const char*, va_list)
{
}

void StdSystem::doAssertFailed(const char* file, int line, const char* expression)
{
    System::error("ASSERTION FAILED: (%s), file %s, line %d\n", expression, file, line);
    if (!mOptions.keepMessages) return;
    std::lock_guard<std::mutex> hold(mKept);
    mAssertions.push_back(std::string(file) + ":" + std::to_string(line) + ":" + expression);
}

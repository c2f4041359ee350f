#include "ConsoleSystem.h"

#include "FileName.h"
#include "FolderArchive.h"
#include "Lock.h"
#include "StdFile.h"
#include "ZipArchive.h"

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <new>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

std::atomic<int> gErrors{0};

class StdLock : public Lock {
public:
    void lock() override { mMutex.lock(); }
    void unlock() override { mMutex.unlock(); }

private:
    std::recursive_mutex mMutex;
};

}  // namespace

ConsoleSystem::ConsoleSystem()
{
}

ConsoleSystem::~ConsoleSystem()
{
}

int ConsoleSystem::errorCount()
{
    return gErrors.load();
}

bool ConsoleSystem::initialize()
{
#ifdef _WIN32
    // The messages' bytes as they are: no CR inserted before each LF.
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    return true;
}

void ConsoleSystem::doTerminate()
{
    std::fflush(stderr);
}

void ConsoleSystem::doAbort()
{
    System::error("エラーが発生したため、強制終了します\n");
    std::exit(1);
}

std::string ConsoleSystem::getProgramName()
{
    return "songrender";
}

bool ConsoleSystem::getLocalTime(SystemTime& out)
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

File* ConsoleSystem::doOpenFile(const std::string& path, int mode)
{
    StdFile* f = new (std::nothrow) StdFile();
    if (f == nullptr) return nullptr;
    if (f->open(path, mode)) return f;
    delete f;
    return nullptr;
}

Archive* ConsoleSystem::doOpenArchive(const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return nullptr;
    if (S_ISDIR(st.st_mode)) return new (std::nothrow) FolderArchive(path);
    return new (std::nothrow) ZipArchive(path);
}

bool ConsoleSystem::doDeleteFile(const std::string& path)
{
    return std::remove(path.c_str()) == 0;
}

Lock* ConsoleSystem::doCreateLock()
{
    return new (std::nothrow) StdLock();
}

Semaphore* ConsoleSystem::doCreateSemaphore(int)
{
    return nullptr;
}

Thread* ConsoleSystem::doCreateThread(ThreadProc, void*, bool)
{
    return nullptr;
}

bool ConsoleSystem::doSetTickHandler(int64_t, TickHandler handler, void*)
{
    return handler == nullptr;
}

std::string ConsoleSystem::doConvertString(const std::string& text)
{
    return ConvertToFileName(text);
}

void ConsoleSystem::doError(const char* format, va_list args)
{
    // Formatted in full, however long: a message may carry a long file name.
    va_list again;
    va_copy(again, args);
    int need = std::vsnprintf(nullptr, 0, format, args);
    if (need >= 0) {
        std::vector<char> text(static_cast<size_t>(need) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        std::fwrite(text.data(), 1, static_cast<size_t>(need), stderr);
        std::fflush(stderr);
    }
    va_end(again);
    gErrors++;
}

void ConsoleSystem::doDebugPrint(const char*, va_list)
{
}

void ConsoleSystem::doAssertFailed(const char* file, int line, const char* expression)
{
    System::error("ASSERTION FAILED: (%s), file %s, line %d\n", expression, file, line);
}

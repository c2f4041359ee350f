// StdSystem: the System on the standard library alone, the same in the
// native and the Windows build: what a command-line tool (songrender) and
// the tests of the platform-free code install. Files and archives are on
// disk; locks, semaphores, threads and the tick are real. An error message
// is formatted in full and, as the options say, written to standard error
// as the bytes it is (the messages are Shift-JIS) and kept for errors(); an
// assertion failure is an error line of its own, kept for assertions().
// Nothing is ever shown in a box or logged to a file.
//
//   System::setInstance(new StdSystem(StdSystem::Options{"songrender", true, false}));
//   ... VM, drivers, archives ...
//   System::terminate();
#pragma once

#include "System.h"

#include <mutex>
#include <string>
#include <vector>

class StdSystem : public System {
public:
    struct Options {
        const char* programName;   // what getProgramName answers
        bool toStandardError;      // each error written to standard error as it comes
        bool keepMessages;         // errors and assertion failures kept, for a test to read
    };

    explicit StdSystem(const Options& options);
    ~StdSystem() override;

    // With keepMessages: every formatted error message, in order, and
    // "file:line:expression" of every assertion failure; clear() forgets
    // them.
    std::vector<std::string> errors();
    std::vector<std::string> assertions();
    void clear();

    bool initialize() override;
    void doTerminate() override;
    [[noreturn]] void doAbort() override;
    std::string getProgramName() override;
    bool getLocalTime(SystemTime& time) override;
    File* doOpenFile(const std::string& path, int mode) override;
    Archive* doOpenArchive(const std::string& path) override;
    bool doDeleteFile(const std::string& path) override;
    Lock* doCreateLock() override;
    Semaphore* doCreateSemaphore(int initial) override;
    Thread* doCreateThread(ThreadProc proc, void* arg, bool suspended) override;
    bool doSetTickHandler(int64_t periodUs, TickHandler handler, void* arg) override;
    std::string doConvertString(const std::string& text) override;
    void doError(const char* format, va_list args) override;
    void doDebugPrint(const char* format, va_list args) override;
    void doAssertFailed(const char* file, int line, const char* expression) override;

private:
    struct Ticker;
    const Options mOptions;
    std::mutex mKept;
    std::vector<std::string> mErrors;
    std::vector<std::string> mAssertions;
    Ticker* mTicker;
};

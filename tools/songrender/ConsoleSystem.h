// ConsoleSystem: the System of a command-line tool, on the standard library
// alone, the same in the native and the Windows build. Errors are written to
// standard error as the bytes they are (the messages are Shift-JIS), never
// shown in a box and never logged to a file; an assertion failure is an
// error line of its own. Locks are real; the tools need no threads and no
// tick, so those are refused.
//
//   System::setInstance(new ConsoleSystem());
//   ... VM, drivers, archives ...
//   int errors = ConsoleSystem::errorCount();
//   System::terminate();
#pragma once

#include "System.h"

class ConsoleSystem : public System {
public:
    ConsoleSystem();
    ~ConsoleSystem() override;

    // How many errors were reported since the start.
    static int errorCount();

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
};

// TestSystem: a System for tests of the platform-free code, on the standard
// library alone. Errors and assertion failures are captured instead of shown
// (no message box, no log file); locks, semaphores, threads and the tick are
// real.
//
//   TestSystem* sys = TestSystem::install();   // replaces any installed System
//   ... code under test ...
//   EXPECT_EQ(sys->errors().size(), 1u);
//   System::terminate();
//
// Or, per test: `TestSystemScope sys;` installs one and removes it at the end.
#pragma once

#include "System.h"

#include <mutex>
#include <string>
#include <vector>

class TestSystem : public System {
public:
    static TestSystem* install();

    TestSystem();
    ~TestSystem() override;

    std::vector<std::string> errors();        // every formatted error message, in order
    std::vector<std::string> assertions();    // "file:line:expression" of every assertion failure
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
    std::mutex mCaptured;
    std::vector<std::string> mErrors;
    std::vector<std::string> mAssertions;
    Ticker* mTicker;
};

class TestSystemScope {
public:
    TestSystemScope() : mSystem(TestSystem::install()) {}
    ~TestSystemScope() { System::terminate(); }
    TestSystem* operator->() const { return mSystem; }
    TestSystem& operator*() const { return *mSystem; }

private:
    TestSystem* mSystem;
};

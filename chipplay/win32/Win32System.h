// Win32System: the System of the Windows program.
//
//   System::setInstance(new Win32System());   // COM, common controls, the
//                                             // mutex, the error-log path, the crash report
//   ...
//   System::terminate();
//
// Errors go to the debugger output, to chipplay-error.log in the folder that
// was current at start (after a header with the date and the OS, once per
// run) and to a message box "TIV VELQA SOUND PLAYER (ERROR)" that blocks the
// calling thread. Every message is also handed to an echo when one is set:
// the program's "error log" window (Win32LogWindow::startErrorLog sets it on
// the window thread), so the platform layer knows nothing of windows. The echo
// is called under the error output's lock and must only store and post. The
// tick runs on a multimedia timer (timeSetEvent) whose callback only calls
// the handler; once the handler is removed no callback is running or to come.
#pragma once

#include "System.h"

#include <windows.h>

#include <string>

class Win32System : public System {
public:
    Win32System();
    ~Win32System() override;

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

    const std::string& errorLogPath() const { return mErrorLogPath; }
    const std::string& productString() const { return mProduct; }
    const std::string& osName() const { return mOsName; }
    // Where every message goes as well (null: nowhere); set and cleared by its
    // owner. Once this returns, no thread is still inside the old echo.
    typedef void (*ErrorEcho)(void* context, const char* text);
    void setErrorEcho(ErrorEcho echo, void* context);

    // "chipplay-error.log" in the given folder, with a "/" between unless
    // the folder already ends in "/" or "\".
    static std::string errorLogPathIn(const std::string& folder);

protected:
    // The last steps of error and assertFailed, apart so that a test can
    // stand in for the modal box and the runtime's assertion.
    virtual void showErrorBox(const char* text);
    virtual void raiseAssertion(const char* file, int line, const char* expression);

private:
    void report(const char* format, ...) __attribute__((format(printf, 2, 3)));
    static void CALLBACK tickCallback(UINT id, UINT msg, DWORD_PTR user, DWORD_PTR, DWORD_PTR);

    // What one timer calls: made with the timer and never changed, so the
    // callback reads the handler and its argument as one; freed only once
    // the timer is killed, which waits for a callback still running.
    struct Tick {
        TickHandler handler;
        void* arg;
    };
    bool stopTimer();   // false when the timer could not be killed

    HANDLE mMutex;
    UINT mTimer;
    Tick* mTick;
    bool mHeaderPending;
    CRITICAL_SECTION mErrorLogLock;   // the header is written once, whichever thread errs first; the echo
    std::string mErrorLogPath;
    std::string mProduct;
    std::string mOsName;
    bool mComStarted;
    ErrorEcho mEcho;          // under mErrorLogLock
    void* mEchoContext;
};

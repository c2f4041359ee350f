#include "Win32System.h"

#include "CrashLog.h"
#include "FileName.h"
#include "FolderArchive.h"
#include "OsName.h"
#include "StdFile.h"
#include "Win32Lock.h"
#include "Win32Semaphore.h"
#include "Win32Thread.h"
#include "ZipArchive.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <objbase.h>

#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

Win32System::Win32System()
    : mMutex(nullptr), mTimer(0), mTick(nullptr), mHeaderPending(true), mComStarted(false),
      mEcho(nullptr), mEchoContext(nullptr)
{
    InitializeCriticalSection(&mErrorLogLock);
}

Win32System::~Win32System()
{
    stopTimer();
    DeleteCriticalSection(&mErrorLogLock);
}

std::string Win32System::errorLogPathIn(const std::string& folder)
{
    std::string path = folder;
    if (path.empty() || (path.back() != '/' && path.back() != '\\')) path += "/";
    return path + "chipplay-error.log";
}

bool Win32System::initialize()
{
    mComStarted = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    // The song list, the volume bar and the recording dialog's progress
    // bar, named: Windows registers only the classes asked for.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    mMutex = CreateMutexA(nullptr, FALSE, "TIV VELQA PLAYER");

    // The current folder may be longer than MAX_PATH: ask for its length.
    std::string folder;
    DWORD need = GetCurrentDirectoryA(0, nullptr);
    if (need > 0) {
        std::vector<char> buf(need + 1);
        DWORD got = GetCurrentDirectoryA(static_cast<DWORD>(buf.size()), buf.data());
        if (got > 0 && got < buf.size()) folder.assign(buf.data(), got);
    }
    mErrorLogPath = errorLogPathIn(folder);
    mProduct = ProductString();
    mOsName = OsName();
    CrashLog::install(mErrorLogPath, mProduct, mOsName);
    return true;
}

void Win32System::doTerminate()
{
    doSetTickHandler(0, nullptr, nullptr);
    setErrorEcho(nullptr, nullptr);
    if (mMutex != nullptr) {
        CloseHandle(mMutex);
        mMutex = nullptr;
    }
    if (mComStarted) {
        CoUninitialize();
        mComStarted = false;
    }
}

void Win32System::doAbort()
{
    report("エラーが発生したため、強制終了します\n");
    ExitProcess(1);
}

std::string Win32System::getProgramName()
{
    std::string name = (__argc > 0 && __argv != nullptr && __argv[0] != nullptr) ? __argv[0] : "";
    size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

bool Win32System::getLocalTime(SystemTime& out)
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    out.year = t.wYear;
    out.month = t.wMonth;
    out.dayOfWeek = t.wDayOfWeek;
    out.day = t.wDay;
    out.hour = t.wHour;
    out.minute = t.wMinute;
    out.second = t.wSecond;
    out.milliseconds = t.wMilliseconds;
    return true;
}

File* Win32System::doOpenFile(const std::string& path, int mode)
{
    return StdFile::openNew(path, mode);
}

Archive* Win32System::doOpenArchive(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return nullptr;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return new (std::nothrow) FolderArchive(path);
    return new (std::nothrow) ZipArchive(path);
}

bool Win32System::doDeleteFile(const std::string& path)
{
    return DeleteFileA(path.c_str()) != FALSE;
}

Lock* Win32System::doCreateLock()
{
    return new (std::nothrow) Win32Lock();
}

Semaphore* Win32System::doCreateSemaphore(int initial)
{
    Win32Semaphore* s = new (std::nothrow) Win32Semaphore(initial);
    if (s != nullptr && !s->valid()) {
        delete s;
        return nullptr;
    }
    return s;
}

Thread* Win32System::doCreateThread(ThreadProc proc, void* arg, bool suspended)
{
    Win32Thread* t = new (std::nothrow) Win32Thread(proc, arg, suspended);
    if (t != nullptr && !t->valid()) {
        delete t;
        return nullptr;
    }
    return t;
}

void CALLBACK Win32System::tickCallback(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR)
{
    const Tick* tick = reinterpret_cast<const Tick*>(user);
    tick->handler(tick->arg);
}

bool Win32System::stopTimer()
{
    if (mTimer == 0) return true;
    // The timer was made with TIME_KILL_SYNCHRONOUS: the kill returns only
    // after a callback already running has ended, so its pair can go.
    // A kill that fails leaves the pair to the timer that may still use it.
    const bool killed = timeKillEvent(mTimer) == TIMERR_NOERROR;
    if (killed) delete mTick;
    mTimer = 0;
    mTick = nullptr;
    return killed;
}

bool Win32System::doSetTickHandler(int64_t periodUs, TickHandler handler, void* arg)
{
    // A timer already running is stopped first: a second one would tick on
    // with nobody able to stop it.
    if (!stopTimer() && handler == nullptr) return false;
    if (handler == nullptr) return true;
    int64_t ms = periodUs / 1000;
    if (ms == 0) ms = 1;
    mTick = new (std::nothrow) Tick{handler, arg};
    if (mTick == nullptr) return false;
    mTimer = timeSetEvent(static_cast<UINT>(ms), 0, tickCallback, reinterpret_cast<DWORD_PTR>(mTick),
                          TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
    if (mTimer == 0) {
        delete mTick;
        mTick = nullptr;
    }
    return mTimer != 0;
}

std::string Win32System::doConvertString(const std::string& text)
{
    return ConvertToFileName(text);
}

void Win32System::report(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    doError(format, args);
    va_end(args);
}

void Win32System::doError(const char* format, va_list args)
{
    // The file gets the message formatted once more (not cut at 1024 bytes):
    // a va_list is used up by one formatting, so that one runs on a copy.
    va_list again;
    va_copy(again, args);
    char text[1024];
    std::vsnprintf(text, sizeof text, format, args);

    EnterCriticalSection(&mErrorLogLock);
    if (mEcho != nullptr) mEcho(mEchoContext, text);
    LeaveCriticalSection(&mErrorLogLock);
    OutputDebugStringA(text);

    EnterCriticalSection(&mErrorLogLock);
    FILE* log = std::fopen(mErrorLogPath.c_str(), "a");
    if (log != nullptr) {
        if (mHeaderPending) {
            mHeaderPending = false;
            SYSTEMTIME t;
            GetLocalTime(&t);
            std::fprintf(log, "----------------------------------------------------------------\n");
            std::fprintf(log, "Date: %04d/%02d/%02d %02d:%02d:%02d.%03d\n", t.wYear, t.wMonth, t.wDay, t.wHour,
                         t.wMinute, t.wSecond, t.wMilliseconds);
            std::fprintf(log, "OS: %s\n", mOsName.c_str());
        }
        std::vfprintf(log, format, again);
        std::fclose(log);
    }
    LeaveCriticalSection(&mErrorLogLock);
    va_end(again);

    showErrorBox(text);
}

void Win32System::setErrorEcho(ErrorEcho echo, void* context)
{
    EnterCriticalSection(&mErrorLogLock);
    mEcho = echo;
    mEchoContext = context;
    LeaveCriticalSection(&mErrorLogLock);
}

void Win32System::showErrorBox(const char* text)
{
    MessageBoxA(nullptr, text, "TIV VELQA SOUND PLAYER (ERROR)", MB_OK | MB_ICONERROR);
}

void Win32System::doDebugPrint(const char* format, va_list args)
{
    char text[1024];
    std::vsnprintf(text, sizeof text, format, args);
    OutputDebugStringA(text);
}

void Win32System::doAssertFailed(const char* file, int line, const char* expression)
{
    report("ASSERTION FAILED: (%s), file %s, line %d\n", expression, file, line);
    raiseAssertion(file, line, expression);
}

void Win32System::raiseAssertion(const char* file, int line, const char* expression)
{
    _assert(expression, file, static_cast<unsigned>(line));
}

#include "System.h"

#include <cstdlib>

namespace {
System* gSystem = nullptr;
}

bool System::setInstance(System* system)
{
    gSystem = system;
    if (system == nullptr) return false;
    return system->initialize();
}

System* System::getInstance()
{
    return gSystem;
}

void System::terminate()
{
    System* s = gSystem;
    if (s == nullptr) return;
    s->doTerminate();
    gSystem = nullptr;
    delete s;
}

void System::abort()
{
    // The implementation ends the process; without one there is nobody to
    // report to, so end it here.
    if (gSystem != nullptr) gSystem->doAbort();
    std::exit(1);
}

File* System::openFile(const std::string& path, int mode)
{
    return gSystem ? gSystem->doOpenFile(path, mode) : nullptr;
}

Archive* System::openArchive(const std::string& path)
{
    return gSystem ? gSystem->doOpenArchive(path) : nullptr;
}

bool System::deleteFile(const std::string& path)
{
    return gSystem ? gSystem->doDeleteFile(path) : false;
}

Lock* System::createLock()
{
    return gSystem ? gSystem->doCreateLock() : nullptr;
}

Semaphore* System::createSemaphore(int initial)
{
    return gSystem ? gSystem->doCreateSemaphore(initial) : nullptr;
}

Thread* System::createThread(ThreadProc proc, void* arg, bool suspended)
{
    return gSystem ? gSystem->doCreateThread(proc, arg, suspended) : nullptr;
}

bool System::setTickHandler(int64_t periodUs, TickHandler handler, void* arg)
{
    return gSystem ? gSystem->doSetTickHandler(periodUs, handler, arg) : false;
}

std::string System::convertString(const std::string& text)
{
    return gSystem ? gSystem->doConvertString(text) : std::string();
}

void System::error(const char* format, ...)
{
    if (gSystem == nullptr) return;
    va_list args;
    va_start(args, format);
    gSystem->doError(format, args);
    va_end(args);
}

void System::debugPrint(const char* format, ...)
{
    if (gSystem == nullptr) return;
    va_list args;
    va_start(args, format);
    gSystem->doDebugPrint(format, args);
    va_end(args);
}

void System::assertFailed(const char* file, int line, const char* expression)
{
    if (gSystem != nullptr) gSystem->doAssertFailed(file, line, expression);
}

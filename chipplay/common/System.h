// System: every access of the player to the operating system (files, data
// sources, locks, semaphores, threads, the periodic tick, error output,
// assertions) goes through one System object, reached through the static
// facade below. The program installs its implementation first and removes it
// last; tests install a small one of their own.
//
//   System::setInstance(new Win32System());         // before any Object exists
//   Lock* l = System::createLock();                 // null without an instance
//   System::error("[Player]...(%d)\n", n);          // log window, file, message box
//   System::assertFailed("player/Player.cpp", __LINE__, "vm != NULL");
//   System::terminate();                            // deletes the instance
//
// The facade owns the plain names; an implementation overrides the do...
// operations (C++ allows no static and virtual member of one name and one
// parameter list). With no instance every forwarder does nothing and returns
// null, false or an empty string.
#pragma once

#include "Object.h"

#include <cstdarg>
#include <cstdint>
#include <string>

class Archive;
class File;
class Lock;
class Semaphore;
class Thread;

typedef int (*ThreadProc)(void* arg);
typedef void (*TickHandler)(void* arg);

// Local time, field for field as the system gives it.
struct SystemTime {
    uint16_t year;
    uint16_t month;
    uint16_t dayOfWeek;
    uint16_t day;
    uint16_t hour;
    uint16_t minute;
    uint16_t second;
    uint16_t milliseconds;
};

class System : public virtual Object {
public:
    // Operations of an implementation, in this order.
    virtual bool initialize() = 0;
    virtual void doTerminate() = 0;
    [[noreturn]] virtual void doAbort() = 0;
    virtual std::string getProgramName() = 0;   // argument 0 without folder and extension
    virtual bool getLocalTime(SystemTime& time) = 0;
    virtual File* doOpenFile(const std::string& path, int mode) = 0;
    virtual Archive* doOpenArchive(const std::string& path) = 0;
    virtual bool doDeleteFile(const std::string& path) = 0;
    virtual Lock* doCreateLock() = 0;
    virtual Semaphore* doCreateSemaphore(int initial) = 0;
    virtual Thread* doCreateThread(ThreadProc proc, void* arg, bool suspended) = 0;
    virtual bool doSetTickHandler(int64_t periodUs, TickHandler handler, void* arg) = 0;
    virtual std::string doConvertString(const std::string& text) = 0;
    virtual void doError(const char* format, va_list args) = 0;
    virtual void doDebugPrint(const char* format, va_list args) = 0;
    virtual void doAssertFailed(const char* file, int line, const char* expression) = 0;

    // The facade over the one installed instance.
    static bool setInstance(System* system);   // stores it and returns its initialize()
    static System* getInstance();
    static void terminate();                   // terminate, delete, forget
    static void abort();                       // ends the process through the instance
    static File* openFile(const std::string& path, int mode);
    static Archive* openArchive(const std::string& path);
    static bool deleteFile(const std::string& path);
    static Lock* createLock();
    static Semaphore* createSemaphore(int initial);
    static Thread* createThread(ThreadProc proc, void* arg, bool suspended);
    static bool setTickHandler(int64_t periodUs, TickHandler handler, void* arg);
    static std::string convertString(const std::string& text);
    static void error(const char* format, ...) __attribute__((format(printf, 1, 2)));
    static void debugPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));
    static void assertFailed(const char* file, int line, const char* expression);
};

// The guard every player unit puts on its arguments: when `expr` is false
// the failure is reported under `source` (the unit's name, as
// "drivers/PC88Driver.cpp") with the line and the expression, and the
// calling function returns `failure` (leave it empty in a void function).
//
//   SYSTEM_CHECK(kSource, _ent != NULL, false);
#define SYSTEM_CHECK(source, expr, failure)                          \
    do {                                                             \
        if (!(expr)) {                                               \
            System::assertFailed(source, __LINE__, #expr);           \
            return failure;                                          \
        }                                                            \
    } while (0)

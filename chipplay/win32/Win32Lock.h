// Win32Lock: a Lock on one critical section. A thread may enter it again
// while it holds it (critical sections count their owner's entries).
#pragma once

#include "Lock.h"

#include <windows.h>

class Win32Lock : public Lock {
public:
    Win32Lock() { InitializeCriticalSection(&mSection); }
    ~Win32Lock() override { DeleteCriticalSection(&mSection); }
    void lock() override { EnterCriticalSection(&mSection); }
    void unlock() override { LeaveCriticalSection(&mSection); }

    Win32Lock(const Win32Lock&) = delete;
    Win32Lock& operator=(const Win32Lock&) = delete;

private:
    CRITICAL_SECTION mSection;
};

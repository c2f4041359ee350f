// Win32Thread: a runtime thread (_beginthreadex) that runs proc(arg) and ends
// with its result as exit code. Made by Win32System::doCreateThread, which
// checks valid().
#pragma once

#include "Thread.h"

#include <windows.h>

class Win32Thread : public Thread {
public:
    Win32Thread(ThreadProc proc, void* arg, bool suspended);
    ~Win32Thread() override;
    bool valid() const { return mHandle != nullptr; }

    bool resume() override;
    bool suspend() override;
    bool terminate(int code) override;
    int join() override;                  // waits, closes and forgets the thread
    int getPriority() override;
    bool setPriority(int level) override;

    // The level of the table for a system thread priority, and back.
    static int toSystemPriority(int level);
    static int fromSystemPriority(int priority);

private:
    static unsigned __stdcall start(void* param);
    HANDLE mHandle;
};

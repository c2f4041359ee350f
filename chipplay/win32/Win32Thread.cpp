#include "Win32Thread.h"

#include <process.h>

#include <new>

namespace {

const struct { int level; int priority; } kPriorities[] = {
    {Thread::PRIORITY_TIME_CRITICAL, THREAD_PRIORITY_TIME_CRITICAL},
    {Thread::PRIORITY_HIGHEST, THREAD_PRIORITY_HIGHEST},
    {Thread::PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_ABOVE_NORMAL},
    {Thread::PRIORITY_NORMAL, THREAD_PRIORITY_NORMAL},
    {Thread::PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_BELOW_NORMAL},
    {Thread::PRIORITY_LOWEST, THREAD_PRIORITY_LOWEST},
    {Thread::PRIORITY_IDLE, THREAD_PRIORITY_IDLE},
};

}  // namespace

namespace {

// What the new thread runs, apart from the object: the thread may outlive it.
struct StartInfo {
    ThreadProc proc;
    void* arg;
};

}  // namespace

Win32Thread::Win32Thread(ThreadProc proc, void* arg, bool suspended) : mHandle(nullptr)
{
    StartInfo* info = new (std::nothrow) StartInfo{proc, arg};
    if (info == nullptr) return;
    unsigned id = 0;
    uintptr_t h = _beginthreadex(nullptr, 0, start, info, suspended ? CREATE_SUSPENDED : 0, &id);
    if (h == 0) delete info;
    mHandle = reinterpret_cast<HANDLE>(h);
}

Win32Thread::~Win32Thread()
{
    if (mHandle != nullptr) CloseHandle(mHandle);
}

unsigned __stdcall Win32Thread::start(void* param)
{
    StartInfo info = *static_cast<StartInfo*>(param);
    delete static_cast<StartInfo*>(param);
    return static_cast<unsigned>(info.proc(info.arg));
}

bool Win32Thread::resume()
{
    return mHandle != nullptr && ResumeThread(mHandle) != static_cast<DWORD>(-1);
}

bool Win32Thread::suspend()
{
    return mHandle != nullptr && SuspendThread(mHandle) != static_cast<DWORD>(-1);
}

bool Win32Thread::terminate(int code)
{
    return mHandle != nullptr && TerminateThread(mHandle, static_cast<DWORD>(code)) != FALSE;
}

int Win32Thread::join()
{
    if (mHandle == nullptr) return -1;
    DWORD code = 0;
    bool ok = WaitForSingleObject(mHandle, INFINITE) == WAIT_OBJECT_0 && GetExitCodeThread(mHandle, &code) != FALSE;
    CloseHandle(mHandle);
    mHandle = nullptr;
    return ok ? static_cast<int>(code) : -1;
}

int Win32Thread::toSystemPriority(int level)
{
    for (auto& p : kPriorities) {
        if (p.level == level) return p.priority;
    }
    return THREAD_PRIORITY_NORMAL;
}

int Win32Thread::fromSystemPriority(int priority)
{
    for (auto& p : kPriorities) {
        if (p.priority == priority) return p.level;
    }
    return PRIORITY_NORMAL;
}

int Win32Thread::getPriority()
{
    if (mHandle == nullptr) return PRIORITY_NORMAL;
    return fromSystemPriority(GetThreadPriority(mHandle));
}

bool Win32Thread::setPriority(int level)
{
    return mHandle != nullptr && SetThreadPriority(mHandle, toSystemPriority(level)) != FALSE;
}

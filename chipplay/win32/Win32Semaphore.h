// Win32Semaphore: a counting semaphore (maximum 2147483647); wait has no
// time limit. Made by Win32System::doCreateSemaphore, which checks valid().
#pragma once

#include "Semaphore.h"

#include <windows.h>

class Win32Semaphore : public Semaphore {
public:
    explicit Win32Semaphore(int initial) : mHandle(CreateSemaphoreA(nullptr, initial, 0x7FFFFFFF, nullptr)) {}
    ~Win32Semaphore() override { if (mHandle != nullptr) CloseHandle(mHandle); }
    bool valid() const { return mHandle != nullptr; }
    bool release() override { return ReleaseSemaphore(mHandle, 1, nullptr) != FALSE; }
    bool wait() override { return WaitForSingleObject(mHandle, INFINITE) == WAIT_OBJECT_0; }

    Win32Semaphore(const Win32Semaphore&) = delete;
    Win32Semaphore& operator=(const Win32Semaphore&) = delete;

private:
    HANDLE mHandle;
};

// A program that dies on purpose, for the crash-report tests: it installs
// the Win32System (and with it the crash report) in its current folder and
// faults on a worker thread.
//
//   crash_probe write|read|jump|unknown|two|divide
#include "System.h"
#include "Thread.h"
#include "Win32System.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

namespace {

volatile LONG gReady = 0;

// Addresses in the first, never mapped page, read from a variable so the
// compiler emits the plain access.
volatile uintptr_t gWriteAt = 0x2A;
volatile uintptr_t gReadAt = 0x30;

__attribute__((noinline)) void WriteFault()
{
    *reinterpret_cast<volatile int*>(gWriteAt) = 1;
}

__attribute__((noinline)) int ReadFault()
{
    return *reinterpret_cast<volatile int*>(gReadAt);
}

__attribute__((noinline)) void JumpFault()
{
    void (*volatile wild)() = reinterpret_cast<void (*)()>(0x10);
    wild();
}

__attribute__((noinline)) int DivideFault(volatile int d)
{
    return 100 / d;
}

int Worker(void* arg)
{
    const char* mode = static_cast<const char*>(arg);
    if (std::strcmp(mode, "write") == 0) WriteFault();
    else if (std::strcmp(mode, "read") == 0) return ReadFault();
    else if (std::strcmp(mode, "jump") == 0) JumpFault();
    else if (std::strcmp(mode, "divide") == 0) return DivideFault(0);
    else if (std::strcmp(mode, "unknown") == 0) RaiseException(0xE0000123, 0, 0, nullptr);
    else if (std::strcmp(mode, "two") == 0) {
        // Both threads fault at the same moment.
        InterlockedIncrement(&gReady);
        while (gReady < 2) {}
        WriteFault();
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return 2;
    System::setInstance(new Win32System());
    Thread* a = System::createThread(Worker, argv[1], false);
    Thread* b = std::strcmp(argv[1], "two") == 0 ? System::createThread(Worker, argv[1], false) : nullptr;
    if (a) a->join();
    if (b) b->join();
    System::terminate();
    return 3;   // not reached when the fault ends the process
}

#include "Win32Thunk.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <new>

namespace {

const SIZE_T kPageSize = 4096;

#if defined(_M_X64) || defined(__x86_64__)

// sub rsp,56 / mov [rsp+32],r9 / mov r9,r8 / mov r8,rdx / mov rdx,rcx /
// mov rcx,<object> / mov rax,<entry> / call rax / add rsp,56 / ret
// 56 bytes keep the entry's stack 16-aligned and give it the 32-byte home
// area plus the fifth argument's slot.
const unsigned char kCode[] = {
    0x48, 0x83, 0xEC, 0x38,                     // sub rsp, 56
    0x4C, 0x89, 0x4C, 0x24, 0x20,               // mov [rsp+32], r9
    0x4D, 0x89, 0xC1,                           // mov r9, r8
    0x49, 0x89, 0xD0,                           // mov r8, rdx
    0x48, 0x89, 0xCA,                           // mov rdx, rcx
    0x48, 0xB9, 0, 0, 0, 0, 0, 0, 0, 0,         // mov rcx, imm64 (object)
    0x48, 0xB8, 0, 0, 0, 0, 0, 0, 0, 0,         // mov rax, imm64 (entry)
    0xFF, 0xD0,                                 // call rax
    0x48, 0x83, 0xC4, 0x38,                     // add rsp, 56
    0xC3,                                       // ret
};
const size_t kObjectAt = 20;
const size_t kEntryAt = 30;
const DWORD kPrologSize = 4;

// The unwinder's view of the thunk: a prolog of 4 bytes that allocates 56
// bytes of stack (UWOP_ALLOC_SMALL with (56 - 8) / 8 = 6).
struct UnwindInfo {
    unsigned char versionAndFlags;   // version 1, no handler
    unsigned char prologSize;
    unsigned char codeCount;
    unsigned char frameRegister;
    unsigned char codeOffset;        // end of the prolog instruction
    unsigned char opAndInfo;         // op 2 (alloc small), info 6
    unsigned short padding;          // codes come in pairs
};
const size_t kFunctionAt = 64;
const size_t kUnwindAt = 80;

#endif

}   // namespace

Win32Thunk::Win32Thunk(void* object, void* entry) : mPage(nullptr), mUnwindAdded(false)
{
    unsigned char* page = static_cast<unsigned char*>(
        VirtualAlloc(nullptr, kPageSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (page == nullptr) return;

#if defined(_M_X64) || defined(__x86_64__)
    std::memcpy(page, kCode, sizeof kCode);
    uint64_t o = reinterpret_cast<uint64_t>(object);
    uint64_t e = reinterpret_cast<uint64_t>(entry);
    std::memcpy(page + kObjectAt, &o, 8);
    std::memcpy(page + kEntryAt, &e, 8);

    RUNTIME_FUNCTION* function = reinterpret_cast<RUNTIME_FUNCTION*>(page + kFunctionAt);
    function->BeginAddress = 0;
    function->EndAddress = sizeof kCode;
    function->UnwindData = kUnwindAt;
    UnwindInfo unwind = {1, static_cast<unsigned char>(kPrologSize), 1, 0,
                         static_cast<unsigned char>(kPrologSize), 0x62, 0};
    std::memcpy(page + kUnwindAt, &unwind, sizeof unwind);
#else
    // push dword [esp] / mov dword [esp+4], object / jmp entry
    page[0] = 0xFF;
    page[1] = 0x34;
    page[2] = 0x24;
    page[3] = 0xC7;
    page[4] = 0x44;
    page[5] = 0x24;
    page[6] = 0x04;
    uint32_t o = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(object));
    std::memcpy(page + 7, &o, 4);
    page[11] = 0xE9;
    int32_t displacement = static_cast<int32_t>(reinterpret_cast<intptr_t>(entry) -
                                                reinterpret_cast<intptr_t>(page + 16));
    std::memcpy(page + 12, &displacement, 4);
#endif

    FlushInstructionCache(GetCurrentProcess(), page, kPageSize);
    DWORD old = 0;
    if (!VirtualProtect(page, kPageSize, PAGE_EXECUTE_READ, &old)) {
        VirtualFree(page, 0, MEM_RELEASE);
        return;
    }
    mPage = page;
#if defined(_M_X64) || defined(__x86_64__)
    mUnwindAdded = RtlAddFunctionTable(reinterpret_cast<RUNTIME_FUNCTION*>(page + kFunctionAt), 1,
                                       reinterpret_cast<DWORD64>(page)) != FALSE;
#endif
}

Win32Thunk* Win32Thunk::make(void* object, void* entry)
{
    Win32Thunk* thunk = new (std::nothrow) Win32Thunk(object, entry);
    if (thunk != nullptr && thunk->code() == nullptr) {
        delete thunk;
        thunk = nullptr;
    }
    return thunk;
}

Win32Thunk::~Win32Thunk()
{
    if (mPage == nullptr) return;
#if defined(_M_X64) || defined(__x86_64__)
    if (mUnwindAdded)
        RtlDeleteFunctionTable(reinterpret_cast<RUNTIME_FUNCTION*>(static_cast<unsigned char*>(mPage) + kFunctionAt));
#endif
    VirtualFree(mPage, 0, MEM_RELEASE);
    mPage = nullptr;
}

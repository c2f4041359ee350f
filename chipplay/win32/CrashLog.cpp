#include "CrashLog.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

CrashLog* gCrashLog = nullptr;

// 0: nothing reported; 1: a thread is writing the report; 2: written.
volatile LONG gReported = 0;

const struct { DWORD code; const char* name; } kExceptions[] = {
    {0xC0000005, "ACCESS_VIOLATION"},
    {0xC000008C, "ARRAY_BOUNDS_EXCEEDED"},
    {0x80000003, "BREAKPOINT"},
    {0x80000002, "DATATYPE_MISALIGNMENT"},
    {0xC000008D, "FLT_DENORMAL_OPERAND"},
    {0xC000008E, "FLT_DIVIDE_BY_ZERO"},
    {0xC000008F, "FLT_INEXACT_RESULT"},
    {0xC0000090, "FLT_INVALID_OPERATION"},
    {0xC0000091, "FLT_OVERFLOW"},
    {0xC0000092, "FLT_STACK_CHECK"},
    {0xC0000093, "FLT_UNDERFLOW"},
    {0xC000001D, "ILLEGAL_INSTRUCTION"},
    {0xC0000006, "IN_PAGE_ERROR"},
    {0xC0000094, "INT_DIVIDE_BY_ZERO"},
    {0xC0000095, "INT_OVERFLOW"},
    {0xC0000026, "INVALID_DISPOSITION"},
    {0xC0000025, "NONCONTINUABLE_EXCEPTION"},
    {0xC0000096, "PRIV_INSTRUCTION"},
    {0x80000004, "SINGLE_STEP"},
    {0xC00000FD, "STACK_OVERFLOW"},
    {0, "(UNKNOWN)"},
};

// Addresses, registers and stack slots are as wide as a pointer: the report
// keeps one layout and writes the 32-bit registers (eip, eax, ...) with eight
// digits in a 32-bit build and the 64-bit ones (rip, rax, ...) with sixteen
// in a 64-bit build.
using Addr = ULONG_PTR;
constexpr int kDigits = 2 * sizeof(Addr);
#if defined(_WIN64)
constexpr char kRegPrefix = 'r';
#define CRASH_REG(ctx, name) ((ctx)->R##name)
#else
constexpr char kRegPrefix = 'e';
#define CRASH_REG(ctx, name) ((ctx)->E##name)
#endif

unsigned long long Wide(Addr value)
{
    return static_cast<unsigned long long>(value);
}

bool Readable(Addr address, UINT_PTR size)
{
    return !IsBadReadPtr(reinterpret_cast<const void*>(address), size);
}

BYTE ByteAt(Addr address)
{
    return *reinterpret_cast<const BYTE*>(address);
}

Addr SlotAt(Addr address)
{
    return *reinterpret_cast<const Addr*>(address);
}

void DumpBytes(FILE* out, Addr address, int count)
{
    for (int i = 0; i < count; i++) {
        if (i % 16 == 0) std::fprintf(out, "%p:", reinterpret_cast<void*>(address + i));
        if (Readable(address + i, 1)) std::fprintf(out, " %02x", ByteAt(address + i));
        else std::fprintf(out, " --");
        if (i % 16 == 15) std::fprintf(out, "\n");
    }
    if (count % 16 != 0) std::fprintf(out, "\n");
}

// Stack slots of a pointer's width, four a line.
void DumpSlots(FILE* out, Addr address, int count)
{
    for (int i = 0; i < count; i++) {
        Addr at = address + sizeof(Addr) * i;
        if (i % 4 == 0) std::fprintf(out, "%p:", reinterpret_cast<void*>(at));
        if (Readable(at, sizeof(Addr))) std::fprintf(out, " %0*llx", kDigits, Wide(SlotAt(at)));
        else std::fprintf(out, " %.*s", kDigits, "----------------");
        if (i % 4 == 3) std::fprintf(out, "\n");
    }
    if (count % 4 != 0) std::fprintf(out, "\n");
}

// FF followed by a byte whose top five bits are `form`, at b(k)b(k-1) for
// one of the k given (b(k) is the byte at v - k).
bool IndirectAt(Addr v, BYTE form, std::initializer_list<int> ks)
{
    for (int k : ks) {
        if (ByteAt(v - k) == 0xFF && (ByteAt(v - k + 1) & 0xF8) == form) return true;
    }
    return false;
}

// The bytes before a return address v form an indirect call. The forms are
// those of 32-bit code; in 64-bit code a REX prefix stands before them and
// "absolute memory" is the RIP-relative form, so the same tests hold.
bool IndirectCallBefore(Addr v)
{
    auto b = [v](int k) { return ByteAt(v - k); };
    if (b(2) == 0xFF && (b(1) & 0xF8) == 0xD0) return true;                               // call reg
    if (b(2) == 0xFF && (b(1) & 0xF8) == 0x10 && b(1) != 0x14 && b(1) != 0x15) return true;  // call [reg]
    if (b(3) == 0xFF && (b(2) & 0xF8) == 0x50 && b(1) != 0x54) return true;               // call [reg+d8]
    if (b(6) == 0xFF && b(5) == 0x15) return true;                                         // call [abs]
    if (b(6) == 0xFF && (b(5) & 0xF8) == 0x90 && b(1) != 0x94) return true;               // call [reg+d32]
    if (IndirectAt(v, 0x14, {7, 6, 5, 4, 3})) return true;                                 // call [sib]
    if (IndirectAt(v, 0x54, {8, 7, 6, 5, 4})) return true;                                 // call [sib+d8]
    if (IndirectAt(v, 0x94, {8, 7})) return true;                                          // call [sib+d32]
    return false;
}

void CallTrace(FILE* out, Addr ip, Addr sp)
{
    Addr current = ip;
    int count = 0;
    // Only the 64 KiB block that holds the stack pointer: the stack may end
    // anywhere after it. Counted in 64 bits so the top block cannot wrap.
    unsigned long long end = (Wide(sp) | 0xFFFF) + 1;
    for (unsigned long long p = sp; p < end && count < 32; p += sizeof(Addr)) {
        Addr slot = static_cast<Addr>(p);
        if (!Readable(slot, sizeof(Addr))) break;
        Addr v = SlotAt(slot);
        if (v < 8 || !Readable(v - 8, 12)) continue;
        bool taken;
        if (ByteAt(v - 5) == 0xE8) {
            // A direct call: its 32-bit displacement is signed in both builds.
            int32_t rel = static_cast<int32_t>(*reinterpret_cast<const DWORD*>(v - 4));
            Addr target = v + static_cast<Addr>(static_cast<LONG_PTR>(rel));
            taken = target == 0xFF000000u ||
                    (static_cast<long long>(target) >= static_cast<long long>(current) - 4096 && target < current &&
                     Readable(target, 4));
        } else {
            taken = IndirectCallBefore(v);
        }
        if (!taken) continue;
        std::fprintf(out, "[%0*llx:%0*llx]\n", kDigits, Wide(current), kDigits, Wide(slot));
        count++;
        current = v;
    }
}

}  // namespace

const char* CrashLog::exceptionName(DWORD code)
{
    size_t i = 0;
    while (kExceptions[i].code != 0 && kExceptions[i].code != code) i++;
    return kExceptions[i].name;
}

CrashLog::CrashLog(const std::string& logPath, const std::string& application, const std::string& os)
    : mLogPath(logPath), mApplication(application), mOs(os), mPrevious(nullptr)
{
}

void CrashLog::install(const std::string& logPath, const std::string& application, const std::string& os)
{
    if (gCrashLog != nullptr) return;
    gCrashLog = new CrashLog(logPath, application, os);
    gCrashLog->mPrevious = SetUnhandledExceptionFilter(filter);
    std::atexit(release);
}

void CrashLog::release()
{
    delete gCrashLog;
    gCrashLog = nullptr;
}

LONG WINAPI CrashLog::filter(EXCEPTION_POINTERS* info)
{
    if (InterlockedCompareExchange(&gReported, 1, 0) != 0) {
        // Another thread is writing the report: let it finish before this
        // fault ends the process, or the report is cut short.
        for (int i = 0; i < 200 && gReported != 2; i++) Sleep(25);
        return EXCEPTION_CONTINUE_SEARCH;
    }
    CrashLog* self = gCrashLog;
    if (self != nullptr && info != nullptr) {
        FILE* out = nullptr;
        if (!self->mLogPath.empty()) out = std::fopen(self->mLogPath.c_str(), "a");
        if (out == nullptr) out = stderr;
        self->write(out, info);
        std::fflush(out);
        if (out != stderr) std::fclose(out);
    }
    InterlockedExchange(&gReported, 2);
    return EXCEPTION_CONTINUE_SEARCH;
}

void CrashLog::write(FILE* out, EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* rec = info->ExceptionRecord;
    const CONTEXT* ctx = info->ContextRecord;

    std::fprintf(out, "\n----------------------------------------------------------------\n");
    SYSTEMTIME t;
    GetLocalTime(&t);
    std::fprintf(out, "Date: %04d/%02d/%02d %02d:%02d:%02d.%03d\n", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                 t.wSecond, t.wMilliseconds);
    std::fprintf(out, "APP: %s\n", mApplication.c_str());
    std::fprintf(out, "OS: %s\n", mOs.c_str());
    std::fprintf(out, "Exception:\n");
    std::fprintf(out, "exception code:%08lx [%s]\n", static_cast<unsigned long>(rec->ExceptionCode),
                 exceptionName(rec->ExceptionCode));
    std::fprintf(out, "exception address:%p\n", rec->ExceptionAddress);
    if (rec->ExceptionCode == 0xC0000005 && rec->NumberParameters >= 2) {
        // The first parameter: 0 read, 1 write, 8 execution of a data page.
        ULONG_PTR kind = rec->ExceptionInformation[0];
        const char* what = kind == 8 ? "execute" : kind != 0 ? "write" : "read";
        std::fprintf(out, "exception information:%s:%0*llx\n", what, kDigits,
                     Wide(rec->ExceptionInformation[1]));
    }
    std::fprintf(out, "%cip:%0*llx\n", kRegPrefix, kDigits, Wide(CRASH_REG(ctx, ip)));
    std::fprintf(out, "eflags:%08lx\n", static_cast<unsigned long>(ctx->EFlags));
    std::fprintf(out, "%cax:%0*llx %cbx:%0*llx %ccx:%0*llx %cdx:%0*llx\n", kRegPrefix, kDigits,
                 Wide(CRASH_REG(ctx, ax)), kRegPrefix, kDigits, Wide(CRASH_REG(ctx, bx)), kRegPrefix, kDigits,
                 Wide(CRASH_REG(ctx, cx)), kRegPrefix, kDigits, Wide(CRASH_REG(ctx, dx)));
    std::fprintf(out, "%csi:%0*llx %cdi:%0*llx %cbp:%0*llx %csp:%0*llx\n", kRegPrefix, kDigits,
                 Wide(CRASH_REG(ctx, si)), kRegPrefix, kDigits, Wide(CRASH_REG(ctx, di)), kRegPrefix, kDigits,
                 Wide(CRASH_REG(ctx, bp)), kRegPrefix, kDigits, Wide(CRASH_REG(ctx, sp)));
    std::fprintf(out, "\n");
    std::fprintf(out, "Code:\n");
    DumpBytes(out, CRASH_REG(ctx, ip), 32);
    std::fprintf(out, "\n");
    std::fprintf(out, "Stack:\n");
    DumpSlots(out, CRASH_REG(ctx, sp), 64);
    std::fprintf(out, "\n");
    std::fprintf(out, "Call Trace:\n");
    CallTrace(out, CRASH_REG(ctx, ip), CRASH_REG(ctx, sp));
}

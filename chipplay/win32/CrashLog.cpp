#include "CrashLog.h"

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

bool Readable(DWORD address, UINT_PTR size)
{
    return !IsBadReadPtr(reinterpret_cast<const void*>(address), size);
}

BYTE ByteAt(DWORD address)
{
    return *reinterpret_cast<const BYTE*>(address);
}

DWORD WordAt(DWORD address)
{
    return *reinterpret_cast<const DWORD*>(address);
}

void DumpBytes(FILE* out, DWORD address, int count)
{
    for (int i = 0; i < count; i++) {
        if (i % 16 == 0) std::fprintf(out, "%p:", reinterpret_cast<void*>(address + i));
        if (Readable(address + i, 1)) std::fprintf(out, " %02x", ByteAt(address + i));
        else std::fprintf(out, " --");
        if (i % 16 == 15) std::fprintf(out, "\n");
    }
    if (count % 16 != 0) std::fprintf(out, "\n");
}

void DumpWords(FILE* out, DWORD address, int count)
{
    for (int i = 0; i < count; i++) {
        DWORD at = address + 4 * i;
        if (i % 4 == 0) std::fprintf(out, "%p:", reinterpret_cast<void*>(at));
        if (Readable(at, 4)) std::fprintf(out, " %08lx", static_cast<unsigned long>(WordAt(at)));
        else std::fprintf(out, " --------");
        if (i % 4 == 3) std::fprintf(out, "\n");
    }
    if (count % 4 != 0) std::fprintf(out, "\n");
}

// FF followed by a byte whose top five bits are `form`, at b(k)b(k-1) for
// one of the k given (b(k) is the byte at v - k).
bool IndirectAt(DWORD v, BYTE form, std::initializer_list<int> ks)
{
    for (int k : ks) {
        if (ByteAt(v - k) == 0xFF && (ByteAt(v - k + 1) & 0xF8) == form) return true;
    }
    return false;
}

// The bytes before a return address v form an indirect call.
bool IndirectCallBefore(DWORD v)
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

void CallTrace(FILE* out, DWORD eip, DWORD esp)
{
    DWORD current = eip;
    int count = 0;
    // Only the 64 KiB block that holds esp: the stack may end anywhere after it.
    unsigned long long end = (static_cast<unsigned long long>(esp) | 0xFFFF) + 1;
    for (unsigned long long p = esp; p < end && count < 32; p += 4) {
        DWORD slot = static_cast<DWORD>(p);
        if (!Readable(slot, 4)) break;
        DWORD v = WordAt(slot);
        if (v < 8 || !Readable(v - 8, 12)) continue;
        bool taken;
        if (ByteAt(v - 5) == 0xE8) {
            DWORD target = v + static_cast<DWORD>(static_cast<LONG>(WordAt(v - 4)));
            taken = target == 0xFF000000u ||
                    (static_cast<long long>(target) >= static_cast<long long>(current) - 4096 && target < current &&
                     Readable(target, 4));
        } else {
            taken = IndirectCallBefore(v);
        }
        if (!taken) continue;
        std::fprintf(out, "[%08lx:%08lx]\n", static_cast<unsigned long>(current), static_cast<unsigned long>(slot));
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
        std::fprintf(out, "exception information:%s:%08lx\n", what,
                     static_cast<unsigned long>(rec->ExceptionInformation[1]));
    }
    std::fprintf(out, "eip:%08lx\n", static_cast<unsigned long>(ctx->Eip));
    std::fprintf(out, "eflags:%08lx\n", static_cast<unsigned long>(ctx->EFlags));
    std::fprintf(out, "eax:%08lx ebx:%08lx ecx:%08lx edx:%08lx\n", static_cast<unsigned long>(ctx->Eax),
                 static_cast<unsigned long>(ctx->Ebx), static_cast<unsigned long>(ctx->Ecx),
                 static_cast<unsigned long>(ctx->Edx));
    std::fprintf(out, "esi:%08lx edi:%08lx ebp:%08lx esp:%08lx\n", static_cast<unsigned long>(ctx->Esi),
                 static_cast<unsigned long>(ctx->Edi), static_cast<unsigned long>(ctx->Ebp),
                 static_cast<unsigned long>(ctx->Esp));
    std::fprintf(out, "\n");
    std::fprintf(out, "Code:\n");
    DumpBytes(out, ctx->Eip, 32);
    std::fprintf(out, "\n");
    std::fprintf(out, "Stack:\n");
    DumpWords(out, ctx->Esp, 64);
    std::fprintf(out, "\n");
    std::fprintf(out, "Call Trace:\n");
    CallTrace(out, ctx->Eip, ctx->Esp);
}

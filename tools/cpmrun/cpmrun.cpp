// cpmrun: runs a CP/M program (.COM) on the player's Z80 core and prints
// what it prints through BDOS functions 2 and 9, then the cycle count.
//
//   cpmrun [--max-cycles N] program.com
//
// Exit code 0 when the program warm-booted, 1 when it halted or ran out of
// cycles, 2 for a bad command line or an unreadable program.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "CpmMachine.h"

namespace {

void Print(void*, const char* text, size_t length)
{
    std::fwrite(text, 1, length, stdout);
    std::fflush(stdout);
}

int Usage()
{
    std::fprintf(stderr, "usage: cpmrun [--max-cycles N] program.com\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    int64_t maxCycles = INT64_MAX;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--max-cycles") == 0) {
            if (i + 1 >= argc) return Usage();
            char* end = nullptr;
            const long long n = std::strtoll(argv[++i], &end, 10);
            if (end == argv[i] || *end != '\0' || n <= 0) return Usage();
            maxCycles = n;
        } else if (argv[i][0] == '-' || path != nullptr) {
            return Usage();
        } else {
            path = argv[i];
        }
    }
    if (path == nullptr) return Usage();

    static CpmMachine machine;
    std::string error;
    if (!machine.loadFile(path, &error)) {
        std::fprintf(stderr, "cpmrun: %s\n", error.c_str());
        return 2;
    }
    const CpmMachine::Result r = machine.run(maxCycles, Print, nullptr);
    std::printf("\ncycles: %lld\n", (long long)r.cycles);
    switch (r.status) {
    case CpmMachine::kExited: return 0;
    case CpmMachine::kHalted:
        std::fprintf(stderr, "cpmrun: the program halted with interrupts disabled at %04X\n", machine.core().PC);
        return 1;
    default:
        std::fprintf(stderr, "cpmrun: stopped after %lld cycles\n", (long long)maxCycles);
        return 1;
    }
}

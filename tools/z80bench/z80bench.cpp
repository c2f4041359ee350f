// z80bench: how fast the player's Z80 core runs on this host.
//
//   z80bench [--loop-cycles N] [--zexdoc PATH | --no-zexdoc]
//
// 1. A busy loop (16-bit adds, loads, a memory write, DJNZ) for N emulated
//    cycles (default 2 000 000 000): prints the effective clock in MHz, i.e.
//    how many million emulated cycles the host runs per second (the sound
//    programs need 4).
// 2. A full zexdoc run: prints its wall time and effective clock.
// Both go through the same buses and byte accessors as the player.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "CpmMachine.h"

namespace {

struct Timed {
    CpmMachine::Result result;
    double seconds;
};

Timed Run(CpmMachine& machine, int64_t maxCycles, CpmMachine::Sink sink)
{
    const auto start = std::chrono::steady_clock::now();
    Timed t;
    t.result = machine.run(maxCycles, sink, nullptr);
    t.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return t;
}

void Quiet(void*, const char*, size_t) {}

void Echo(void*, const char* text, size_t length)
{
    std::fwrite(text, 1, length, stdout);
    std::fflush(stdout);
}

int Usage()
{
    std::fprintf(stderr, "usage: z80bench [--loop-cycles N] [--zexdoc PATH | --no-zexdoc]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    int64_t loopCycles = 2000000000LL;
    std::string zexdoc = TIV_Z80_EXERCISERS "/zexdoc.com";
    bool runZexdoc = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--loop-cycles") == 0 && i + 1 < argc) {
            char* end = nullptr;
            loopCycles = std::strtoll(argv[++i], &end, 10);
            if (end == argv[i] || *end != '\0' || loopCycles <= 0) return Usage();
        } else if (std::strcmp(argv[i], "--zexdoc") == 0 && i + 1 < argc) {
            zexdoc = argv[++i];
        } else if (std::strcmp(argv[i], "--no-zexdoc") == 0) {
            runZexdoc = false;
        } else {
            return Usage();
        }
    }

    static CpmMachine machine;
    std::string error;

    // 0100: LD SP,0F000h; LD HL,0; LD DE,1
    // 0109: LD B,0
    // 010B: ADD HL,DE; INC DE; LD A,(HL); LD (IX+0),A; XOR L; LD C,A; DJNZ 010B
    // 0116: JP 0109
    const uint8_t loop[] = {
        0x31, 0x00, 0xF0, 0x21, 0x00, 0x00, 0x11, 0x01, 0x00,
        0x06, 0x00,
        0x19, 0x13, 0x7E, 0xDD, 0x77, 0x00, 0xAD, 0x4F, 0x10, 0xF6,
        0xC3, 0x09, 0x01,
    };
    if (!machine.loadImage(loop, sizeof loop, &error)) {
        std::fprintf(stderr, "z80bench: %s\n", error.c_str());
        return 1;
    }
    machine.core().IX = 0x8000;
    const Timed busy = Run(machine, loopCycles, Quiet);
    std::printf("busy loop: %lld cycles in %.3f s = %.1f MHz effective (%.0fx a 4 MHz Z80)\n",
                (long long)busy.result.cycles, busy.seconds, busy.result.cycles / busy.seconds / 1e6,
                busy.result.cycles / busy.seconds / 4e6);

    if (!runZexdoc) return 0;
    if (!machine.loadFile(zexdoc, &error)) {
        std::fprintf(stderr, "z80bench: %s (skip with --no-zexdoc)\n", error.c_str());
        return 1;
    }
    const Timed zex = Run(machine, 105000000000LL, Echo);
    std::printf("\nzexdoc: %.1f s for %lld cycles = %.1f MHz effective%s\n", zex.seconds,
                (long long)zex.result.cycles, zex.result.cycles / zex.seconds / 1e6,
                zex.result.status == CpmMachine::kExited ? "" : " (did not finish)");
    return zex.result.status == CpmMachine::kExited ? 0 : 1;
}

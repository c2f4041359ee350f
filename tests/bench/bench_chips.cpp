// Real-time factor of each chip core under a busy load: output seconds made
// per CPU second, in 1411-frame blocks (the player's render size)
// and in 4-frame blocks (the worst case of register writes close together).
//
//   bench_chips [cpu-seconds-per-figure [chip]]     (default 2, all chips)
#include <stdio.h>
#include <stdlib.h>

#include <vector>

#include "chip_scripts.h"
#include "cputime.h"

// Renders until at least minCpu CPU seconds were used (the CPU clock of
// some hosts, Wine among them, ticks only every 10-16 ms).
static double Measure(const std::string& chip, int blockFrames, double minCpu)
{
    std::unique_ptr<ChipScript> s = MakeChipScript(chip);
    std::vector<int32_t> buf(2 * blockFrames);
    // Register changes about every 10 ms of output, as a song makes them.
    const long stepEvery = 441;
    long sinceStep = 0, frames = 0;
    int block = 0;
    const double t0 = ProcessCpuSeconds();
    double used = 0;
    // Ask for the CPU time about once per output second: asking is a
    // system call (a server round trip under Wine).
    const int chunks = blockFrames >= 44100 ? 1 : 44100 / blockFrames;
    while (used < minCpu) {
        for (int chunk = 0; chunk < chunks; chunk++) {
            for (int i = 0; i < 2 * blockFrames; i++)
                buf[i] = 0;
            s->mix(buf.data(), blockFrames);
            frames += blockFrames;
            sinceStep += blockFrames;
            if (sinceStep >= stepEvery) {
                sinceStep = 0;
                s->step(block++);
            }
        }
        used = ProcessCpuSeconds() - t0;
    }
    return frames / 44100.0 / used;
}

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? atof(argv[1]) : 2.0;
    if (seconds <= 0) {
        fprintf(stderr, "usage: bench_chips [cpu-seconds-per-figure [psg|opn|opna|opm]]\n");
        return 2;
    }
    printf("%-6s %16s %16s\n", "chip", "x RT (1411)", "x RT (4)");
    const std::string only = argc > 2 ? argv[2] : "";
    for (const std::string& chip : ChipScriptNames()) {
        if (!only.empty() && chip != only)
            continue;
        const double big = Measure(chip, 1411, seconds);
        const double small = Measure(chip, 4, seconds);
        printf("%-6s %16.1f %16.1f\n", chip.c_str(), big, small);
        fflush(stdout);
    }
    return 0;
}

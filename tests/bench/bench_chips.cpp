// Real-time factor of each chip core under a busy load: output seconds made
// per second of run time, in 1411-frame blocks (the player's render size)
// and in 4-frame blocks (the worst case of register writes close together).
//
//   bench_chips [seconds-of-output [chip]]     (default 20, all chips)
#include <stdio.h>
#include <stdlib.h>

#include <chrono>
#include <vector>

#include "chip_scripts.h"

static double Measure(const std::string& chip, int blockFrames, double outputSeconds)
{
    std::unique_ptr<ChipScript> s = MakeChipScript(chip);
    const long frames = (long)(outputSeconds * 44100);
    std::vector<int32_t> buf(2 * blockFrames);
    // Register changes about every 10 ms of output, as a song makes them.
    const long stepEvery = 441;
    long sinceStep = 0;
    int block = 0;
    const auto t0 = std::chrono::steady_clock::now();
    for (long done = 0; done < frames; done += blockFrames) {
        for (int i = 0; i < 2 * blockFrames; i++)
            buf[i] = 0;
        s->mix(buf.data(), blockFrames);
        sinceStep += blockFrames;
        if (sinceStep >= stepEvery) {
            sinceStep = 0;
            s->step(block++);
        }
    }
    const auto t1 = std::chrono::steady_clock::now();
    const double secs = std::chrono::duration<double>(t1 - t0).count();
    return secs > 0 ? outputSeconds / secs : 0;
}

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? atof(argv[1]) : 20.0;
    if (seconds <= 0) {
        fprintf(stderr, "usage: bench_chips [seconds-of-output [psg|opn|opna|opm]]\n");
        return 2;
    }
    printf("%-6s %16s %16s\n", "chip", "x RT (1411)", "x RT (4)");
    const std::string only = argc > 2 ? argv[2] : "";
    for (const std::string& chip : ChipScriptNames()) {
        if (!only.empty() && chip != only)
            continue;
        const double big = Measure(chip, 1411, seconds);
        const double small = Measure(chip, 4, seconds / 4);
        printf("%-6s %16.1f %16.1f\n", chip.c_str(), big, small);
        fflush(stdout);
    }
    return 0;
}

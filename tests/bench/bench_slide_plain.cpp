// LZSS throughput next to memcpy's, on the same machine in the same run.
// A plain program so that it runs the same natively and under Wine.
//
//   bench_slide [--bytes N]      (default: the 16 MiB corpus)
//
// Each figure is the best of several timed runs; the round trip is checked.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "corpus.h"
#include "slide.h"

namespace {

using Clock = std::chrono::steady_clock;

// Best time of nRuns calls, at least one, in seconds.
template <class F>
double BestOf(int nRuns, F f)
{
    double best = 1e30;
    for (int i = 0; i < nRuns; i++) {
        auto t0 = Clock::now();
        f();
        double s = std::chrono::duration<double>(Clock::now() - t0).count();
        if (s < best) best = s;
    }
    return best;
}

double MBps(size_t n, double s) { return s > 0 ? n / s / 1e6 : 0.0; }

}  // namespace

int main(int argc, char** argv)
{
    size_t nBytes = 16u << 20;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--bytes") == 0 && i + 1 < argc) {
            nBytes = std::strtoul(argv[++i], nullptr, 10);
            if (nBytes == 0) nBytes = 1;
        } else {
            std::fprintf(stderr, "usage: bench_slide [--bytes N]\n");
            return 2;
        }
    }
    std::vector<uint8_t> corpus = BENCH_MakeCorpus(nBytes);
    std::vector<uint8_t> stream, back, copy(nBytes);
    SlideCtx* ctx = new SlideCtx;
    const int nRuns = 3;

    double tEnc = BestOf(nRuns, [&] { SLIDE_EncodeBuffer(corpus.data(), corpus.size(), stream, ctx); });
    int ok = 1;
    double tDec = BestOf(nRuns, [&] { ok &= SLIDE_DecodeBuffer(stream.data(), stream.size(), back); });
    // memcpy of the same bytes, repeated so the clock sees it.
    const int nCopies = 20;
    volatile uint8_t sink = 0;   // reads of each copy keep it from being left out
    double tCopy = BestOf(nRuns, [&] {
        for (int k = 0; k < nCopies; k++) {
            std::memcpy(copy.data(), corpus.data(), nBytes);
            sink = sink ^ copy[(k * 7919u) % nBytes];
        }
    }) / nCopies;
    delete ctx;

    if (!ok || back != BENCH_MakeCorpus(nBytes)) {
        std::fprintf(stderr, "bench_slide: round trip failed\n");
        return 1;
    }
    std::printf("corpus %.2f MiB mixed (text, code, noise, runs) -> stream %.2f MiB (%.1f %%)\n",
                nBytes / 1048576.0, stream.size() / 1048576.0, nBytes ? 100.0 * stream.size() / nBytes : 0.0);
    std::printf("  LZSS encode %10.1f MB/s\n", MBps(nBytes, tEnc));
    std::printf("  LZSS decode %10.1f MB/s  (of decoded bytes)\n", MBps(nBytes, tDec));
    std::printf("  memcpy      %10.1f MB/s\n", MBps(nBytes, tCopy));
    return 0;
}

// LZSS throughput next to memcpy's with Google Benchmark (native build):
// bytes per second of uncompressed data for encode and decode.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "corpus.h"
#include "slide.h"

namespace {

const size_t kCorpusBytes = 16u << 20;

const std::vector<uint8_t>& Corpus()
{
    static const std::vector<uint8_t> v = BENCH_MakeCorpus(kCorpusBytes);
    return v;
}

const std::vector<uint8_t>& Stream()
{
    static const std::vector<uint8_t> s = [] {
        std::vector<uint8_t> out;
        SLIDE_EncodeBuffer(Corpus().data(), Corpus().size(), out);
        return out;
    }();
    return s;
}

void BM_SlideEncode(benchmark::State& state)
{
    const auto& in = Corpus();
    std::vector<uint8_t> out;
    SlideCtx* ctx = new SlideCtx;
    for (auto _ : state) {
        SLIDE_EncodeBuffer(in.data(), in.size(), out, ctx);
        benchmark::DoNotOptimize(out.data());
    }
    delete ctx;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * in.size());
    state.counters["ratio"] = static_cast<double>(out.size()) / in.size();
}

void BM_SlideDecode(benchmark::State& state)
{
    const auto& s = Stream();
    std::vector<uint8_t> out;
    for (auto _ : state) {
        if (!SLIDE_DecodeBuffer(s.data(), s.size(), out)) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(out.data());
    }
    if (out != Corpus()) state.SkipWithError("round trip differs");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * Corpus().size());
}

void BM_Memcpy(benchmark::State& state)
{
    const auto& in = Corpus();
    std::vector<uint8_t> out(in.size());
    for (auto _ : state) {
        std::memcpy(out.data(), in.data(), in.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * in.size());
}

}  // namespace

BENCHMARK(BM_SlideEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SlideDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

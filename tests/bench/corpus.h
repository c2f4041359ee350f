// The benchmark corpus: a fixed mixture of what the codec meets in content
// packs (manual text, game code, already-compressed noise, bitmap runs),
// interleaved in 64 KiB pieces so that every part of a run sees all kinds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

std::vector<uint8_t> BENCH_MakeCorpus(size_t nBytes);

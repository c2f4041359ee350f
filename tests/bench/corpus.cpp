#include "corpus.h"

#include <cstring>
#include <random>

namespace {

const size_t kPiece = 64 * 1024;

// Shift-JIS and ASCII words with line ends, like a read-me or manual.
void AddText(std::vector<uint8_t>& v, size_t n, std::mt19937& rng)
{
    static const char* words[] = {
        "ゲームを開始します", "セーブデータ", "サウンド", "の", "を", "、", "。", "\r\n",
        "PC-8801 ", "X1 ", "FM音源 ", "press ", "the ", "SPACE ", "key ", "to ", "start ", "0",
        "1", "2", "ステージ", "ボス", "アイテム", "説明書", "操作方法\r\n",
    };
    const size_t nWords = sizeof(words) / sizeof(words[0]);
    size_t end = v.size() + n;
    while (v.size() < end) {
        const char* w = words[rng() % nWords];
        while (*w && v.size() < end) v.push_back(static_cast<uint8_t>(*w++));
    }
}

// Machine code: short instruction-like records over a small set of opcodes,
// small immediates, and addresses that repeat.
void AddCode(std::vector<uint8_t>& v, size_t n, std::mt19937& rng)
{
    static const uint8_t ops[] = { 0x8B, 0x89, 0xE8, 0xFF, 0x83, 0x55, 0x5D, 0xC3, 0x50, 0x6A, 0x74, 0x75 };
    uint32_t addrs[16];
    for (auto& a : addrs) a = 0x00401000 + (rng() % 0x10000);
    size_t end = v.size() + n;
    while (v.size() < end) {
        v.push_back(ops[rng() % sizeof(ops)]);
        switch (rng() % 4) {
        case 0: v.push_back(static_cast<uint8_t>(0x40 + rng() % 8)); break;
        case 1: v.push_back(static_cast<uint8_t>(rng() % 16)); v.push_back(0); break;
        case 2: {
            uint32_t a = addrs[rng() % 16];
            for (int k = 0; k < 4; k++) v.push_back(static_cast<uint8_t>(a >> (8 * k)));
            break;
        }
        default: break;
        }
    }
    v.resize(end);
}

// Already-compressed data: nothing to find.
void AddNoise(std::vector<uint8_t>& v, size_t n, std::mt19937& rng)
{
    for (size_t i = 0; i < n; i++) v.push_back(static_cast<uint8_t>(rng()));
}

// A paletted bitmap: long runs of a few colours, zero padding.
void AddRuns(std::vector<uint8_t>& v, size_t n, std::mt19937& rng)
{
    size_t end = v.size() + n;
    while (v.size() < end) {
        size_t run = 1 + rng() % 300;
        uint8_t c = rng() % 3 == 0 ? 0 : static_cast<uint8_t>(rng() % 8);
        for (size_t k = 0; k < run && v.size() < end; k++) v.push_back(c);
    }
}

}  // namespace

std::vector<uint8_t> BENCH_MakeCorpus(size_t nBytes)
{
    std::mt19937 rng(20261210);
    std::vector<uint8_t> v;
    v.reserve(nBytes + 8);
    for (size_t k = 0; v.size() < nBytes; k++) {
        size_t n = nBytes - v.size() < kPiece ? nBytes - v.size() : kPiece;
        switch (k % 4) {
        case 0: AddText(v, n, rng); break;
        case 1: AddCode(v, n, rng); break;
        case 2: AddNoise(v, n, rng); break;
        default: AddRuns(v, n, rng); break;
        }
    }
    v.resize(nBytes);
    return v;
}

// An independent model of the catalogue store for the tests: the scrambling
// written straight from its description in 64-bit arithmetic, and records and
// headers laid out byte by byte at their documented offsets. Nothing here
// uses the code under test, so a store made here checks both the layout and
// the scrambling of the real thing.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>

namespace ref {

constexpr int kKey = 5174;
constexpr int kHeaderSize = 536;
constexpr int kRecordSize = 13592;

// Offsets of the content record (bytes from its start).
enum Off {
    kCode = 0, kContentsId = 3, kProductName = 68, kMakerName = 197, kPlatform = 228,
    kGenreName = 249, kSaleDay = 280, kSortKey = 291, kDlPath = 302, kDlPathManual = 431,
    kDlPathVelqa = 560, kVersion = 689, kVersionManual = 709, kVersionVelqa = 729,
    kServerVersion = 749, kServerVersionManual = 769, kServerVersionVelqa = 789,
    kVelqaFlag = 809, kVelqaBought = 818, kSortValue = 827, kStartDate = 838, kEndDate = 847,
    kColumn21 = 856, kColumn22 = 865, kExePath = 874, kSaveFilePath = 2154, kReadmePath = 3434,
    kKiyakuPath = 4714, kManualPath = 5994, kVelqaPath = 7274, kMsxRomPath = 8554,
    kExtra = 9834, kType = 9900, kTypeManual = 9904, kTypeVelqa = 9908, kExeSentence = 9912,
    kReadmeSentence = 10552, kKiyakuSentence = 11192, kManualSentence = 11832,
    kVelqaSentence = 12472, kSlotValue = 13112, kBought = 13152, kGameCapturePath = 13154,
    kExplan = 13282, kFavorite = 13412, kReserved = 13416,
};
// Offsets of the header.
enum HdrOff { kMagic = 0, kUserId = 4, kPassword = 133, kReserved1 = 262, kLastUpdate = 382,
              kReserved2 = 402, kCount = 532 };

inline int64_t Wrap32(int64_t v)
{
    v &= 0xFFFFFFFFLL;
    return v >= 0x80000000LL ? v - 0x100000000LL : v;
}

// The scrambling as described: complement the selected bytes, then shift
// each by the sum times the (wrapped, signed) square's remainder.
inline std::string Scramble(std::string plain, int64_t k = kKey)
{
    const int64_t n = static_cast<int64_t>(plain.size());
    int64_t s = 0;
    for (int64_t i = 0; i < n; i++) {
        s = (s + static_cast<unsigned char>(plain[i])) % 256;
        if (k % 7 == i % 5 || k % 2 == i % 2) plain[i] = static_cast<char>(~plain[i]);
    }
    int64_t r = k % n;
    if (r < 0) r = -r;
    std::string out(n + 1, '\0');
    for (int64_t j = 0; j <= n; j++) {
        int64_t sq = Wrap32(j * j);
        int64_t v;
        if (j < r) v = static_cast<unsigned char>(plain[j]) + s * (sq % 3);
        else if (j == r) v = s;
        else v = static_cast<unsigned char>(plain[j - 1]) + s * (sq % 7);
        out[j] = static_cast<char>(((v % 256) + 256) % 256);
    }
    return out;
}

struct Record {
    std::string b = std::string(kRecordSize, '\0');
    Record& Text(int off, const std::string& s) { std::memcpy(&b[off], s.data(), s.size()); b[off + s.size()] = 0; return *this; }
    Record& Raw(int off, const std::string& s) { std::memcpy(&b[off], s.data(), s.size()); return *this; }
    Record& Int(int off, int32_t v)
    {
        for (int i = 0; i < 4; i++) b[off + i] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
        return *this;
    }
};

inline int32_t ReadInt(const std::string& b, int off)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; i++) v |= static_cast<uint32_t>(static_cast<unsigned char>(b[off + i])) << (8 * i);
    return static_cast<int32_t>(v);
}

inline std::string Header(const std::string& user, const std::string& pass, const std::string& date, int32_t count)
{
    std::string h(kHeaderSize, '\0');
    std::memcpy(&h[kMagic], "2xpU", 4);
    std::memcpy(&h[kUserId], user.data(), user.size());
    std::memcpy(&h[kPassword], pass.data(), pass.size());
    std::memcpy(&h[kLastUpdate], date.data(), date.size());
    for (int i = 0; i < 4; i++) h[kCount + i] = static_cast<char>((static_cast<uint32_t>(count) >> (8 * i)) & 0xFF);
    return h;
}

// One reply record: 24 comma-terminated columns, the given ones filled.
inline std::string ReplyRecord(const std::map<int, std::string>& cols)
{
    std::string s;
    for (int c = 1; c <= 24; c++) {
        auto it = cols.find(c);
        s += it != cols.end() ? it->second : std::string();
        s += ',';
    }
    return s;
}

}  // namespace ref

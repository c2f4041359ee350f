// Register helpers for the FM tests: a plain sine voice and a key-on.
#pragma once
#include <stdint.h>

#include <functional>

using RegWrite = std::function<void(uint32_t reg, uint8_t data)>;

struct FmVoice {
    int algorithm = 7;
    int feedback = 0;
    // Per operator 1-4 (chip numbering).
    int tl[4] = {127, 127, 127, 0};
    int mul[4] = {1, 1, 1, 1};
    int dt[4] = {0, 0, 0, 0};
    int ar[4] = {31, 31, 31, 31};
    int dr[4] = {0, 0, 0, 0};
    int sr[4] = {0, 0, 0, 0};
    int sl[4] = {0, 0, 0, 0};
    int rr[4] = {15, 15, 15, 15};
    int ks[4] = {0, 0, 0, 0};
};

// OPN family: channel 0-5 (3-5 in bank 1).
inline void OpnVoice(const RegWrite& w, int ch, const FmVoice& v)
{
    const uint32_t base = (ch >= 3 ? 0x100 : 0) + (ch % 3);
    static const int kSlotOfOp[4] = {0, 2, 1, 3};  // operator k -> register slot
    for (int op = 0; op < 4; op++) {
        const uint32_t s = base + 4 * kSlotOfOp[op];
        w(0x30 + s, (uint8_t)((v.dt[op] << 4) | v.mul[op]));
        w(0x40 + s, (uint8_t)v.tl[op]);
        w(0x50 + s, (uint8_t)((v.ks[op] << 6) | v.ar[op]));
        w(0x60 + s, (uint8_t)v.dr[op]);
        w(0x70 + s, (uint8_t)v.sr[op]);
        w(0x80 + s, (uint8_t)((v.sl[op] << 4) | v.rr[op]));
    }
    w(0xB0 + base, (uint8_t)((v.feedback << 3) | v.algorithm));
}

inline void OpnFNum(const RegWrite& w, int ch, int block, int fnum)
{
    const uint32_t base = (ch >= 3 ? 0x100 : 0) + (ch % 3);
    w(0xA4 + base, (uint8_t)((block << 3) | (fnum >> 8)));
    w(0xA0 + base, (uint8_t)(fnum & 0xFF));
}

inline void OpnKey(const RegWrite& w, int ch, int ops)
{
    w(0x28, (uint8_t)((ops << 4) | (ch >= 3 ? 4 + ch - 3 : ch)));
}

// OPM: channel 0-7.
inline void OpmVoice(const RegWrite& w, int ch, const FmVoice& v)
{
    static const int kSlotOfOp[4] = {0, 2, 1, 3};
    for (int op = 0; op < 4; op++) {
        const uint32_t s = ch + 8 * kSlotOfOp[op];
        w(0x40 + s, (uint8_t)((v.dt[op] << 4) | v.mul[op]));
        w(0x60 + s, (uint8_t)v.tl[op]);
        w(0x80 + s, (uint8_t)((v.ks[op] << 6) | v.ar[op]));
        w(0xA0 + s, (uint8_t)v.dr[op]);
        w(0xC0 + s, (uint8_t)v.sr[op]);
        w(0xE0 + s, (uint8_t)((v.sl[op] << 4) | v.rr[op]));
    }
    w(0x20 + ch, (uint8_t)(0xC0 | (v.feedback << 3) | v.algorithm));
}

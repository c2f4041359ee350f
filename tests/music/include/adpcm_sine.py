#!/usr/bin/env python3
"""Writes a sine as YM2608 ADPCM-B data in pasmo source (db lines).

    python3 adpcm_sine.py <period in samples> <samples> <amplitude> > adpcm_sine.inc

The encoder mirrors the chip's decoder: x += (2 |n| + 1) * step / 8 with the
sign of bit 3, step = step * T[n & 7] / 64 within 127..24576, starting at
x = 0, step = 127; each nibble is the one whose decoded value comes
closest. The first sample of a byte is its high nibble.
"""
import math
import sys

T = [57, 57, 57, 57, 77, 102, 128, 153]


def encode(samples):
    x, step, out = 0, 127, []
    for s in samples:
        best = None
        for n in range(16):
            mag = 2 * (n & 7) + 1
            delta = mag * step // 8            # C's division: toward zero
            nx = x - delta if n & 8 else x + delta
            nx = max(-32768, min(32767, nx))
            if best is None or abs(nx - s) < abs(best[1] - s):
                best = (n, nx)
        n, x = best
        step = max(127, min(24576, T[n & 7] * step // 64))
        out.append(n)
    if len(out) % 2:
        out.append(0)
    return bytes((out[i] << 4) | out[i + 1] for i in range(0, len(out), 2))


def main():
    period, count, amplitude = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
    data = encode([round(amplitude * math.sin(2 * math.pi * i / period)) for i in range(count)])
    print("; A sine of %d samples a period, %d samples, amplitude %d, as YM2608" % (period, count, amplitude))
    print("; ADPCM-B data: written by tests/music/include/adpcm_sine.py %d %d %d." % (period, count, amplitude))
    for i in range(0, len(data), 16):
        print("        db " + ", ".join("%03Xh" % b for b in data[i:i + 16]))


main()

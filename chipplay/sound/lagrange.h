// 4-point Lagrange interpolation between s1 and s2 at x / 16384, in integer
// arithmetic so that every host computes the same samples. Shared by the
// PSG and the OPNA resamplers. The products are taken in 64 bits: loud
// samples times a 14-bit phase do not fit in 32.
#pragma once
#include <stdint.h>

inline int32_t LagrangeCubic(int32_t s0, int32_t s1, int32_t s2, int32_t s3, int32_t x)
{
    const int64_t k1 = -(int64_t)s0 + 3 * (int64_t)s1 - 3 * (int64_t)s2 + s3;
    const int64_t k2 = 3 * ((int64_t)s0 - 2 * (int64_t)s1 + s2);
    const int64_t k3 = -2 * (int64_t)s0 - 3 * (int64_t)s1 + 6 * (int64_t)s2 - s3;
    const int64_t u = (k1 * x + 8192) / 16384;
    const int64_t w = ((k2 + u) * x + 8192) / 16384;
    return (int32_t)(s1 + ((k3 + w) * x + 49152) / (6 * 16384));
}

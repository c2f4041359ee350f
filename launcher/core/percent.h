// The percent a progress display shows: 100 times the position over the
// maximum, truncated and kept within 0 to 100 (0 for a maximum of 0 or
// less). Whole numbers: a floating quotient shows 28 for 29 of 100.
#pragma once

inline int CMN_Percent(long long nPos, long long nMax)
{
    if (nMax <= 0) return 0;
    long long n = nPos * 100 / nMax;
    return n < 0 ? 0 : (n > 100 ? 100 : static_cast<int>(n));
}

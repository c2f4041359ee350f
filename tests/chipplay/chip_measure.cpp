#include "chip_measure.h"

#include <math.h>
#include <algorithm>

static const double kPi = 3.14159265358979323846;

std::vector<double> LeftOf(const std::vector<int32_t>& stereo)
{
    std::vector<double> out(stereo.size() / 2);
    for (size_t i = 0; i < out.size(); i++)
        out[i] = stereo[2 * i];
    return out;
}

std::vector<double> RightOf(const std::vector<int32_t>& stereo)
{
    std::vector<double> out(stereo.size() / 2);
    for (size_t i = 0; i < out.size(); i++)
        out[i] = stereo[2 * i + 1];
    return out;
}

double ZeroCrossFrequency(const std::vector<double>& x, double rate)
{
    if (x.size() < 4)
        return 0;
    double mean = 0, peak = 0;
    for (double v : x)
        mean += v;
    mean /= x.size();
    for (double v : x)
        peak = std::max(peak, fabs(v - mean));
    if (peak < 1)
        return 0;
    const double h = 0.2 * peak;
    bool low = false;
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t i = 1; i < x.size(); i++) {
        const double v = x[i] - mean;
        if (v < -h)
            low = true;
        if (low && v >= 0 && x[i - 1] - mean < 0) {
            const double a = x[i - 1] - mean;
            const double t = (i - 1) + (-a) / (v - a);
            if (first < 0)
                first = t;
            last = t;
            crossings++;
            low = false;
        }
    }
    if (crossings < 3)
        return 0;
    return (crossings - 1) * rate / (last - first);
}

static void Fft(std::vector<std::complex<double>>& a)
{
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; i++) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double ang = -2 * kPi / len;
        const std::complex<double> wl(cos(ang), sin(ang));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w(1);
            for (size_t k = 0; k < len / 2; k++) {
                const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                w *= wl;
            }
        }
    }
}

std::vector<double> AverageSpectrum(const std::vector<double>& x, size_t n)
{
    std::vector<double> mag(n / 2, 0.0);
    std::vector<std::complex<double>> buf(n);
    int blocks = 0;
    for (size_t start = 0; start + n <= x.size(); start += n / 2) {
        for (size_t i = 0; i < n; i++)
            buf[i] = x[start + i] * (0.5 - 0.5 * cos(2 * kPi * i / n));
        Fft(buf);
        for (size_t i = 0; i < n / 2; i++)
            mag[i] += std::abs(buf[i]);
        blocks++;
    }
    if (blocks)
        for (double& m : mag)
            m /= blocks;
    return mag;
}

double PeakFrequency(const std::vector<double>& s, size_t n, double rate, double lo, double hi)
{
    size_t a = std::max<size_t>(1, (size_t)(lo * n / rate));
    size_t b = std::min(s.size() - 2, (size_t)(hi * n / rate));
    size_t best = a;
    for (size_t i = a; i <= b; i++)
        if (s[i] > s[best])
            best = i;
    const double l = s[best - 1], c = s[best], r = s[best + 1];
    const double den = l - 2 * c + r;
    const double off = den != 0 ? 0.5 * (l - r) / den : 0;
    return (best + off) * rate / n;
}

uint64_t Digest(const std::vector<int32_t>& stereo)
{
    uint64_t h = 1469598103934665603ull;
    for (int32_t v : stereo) {
        uint32_t u = (uint32_t)v;
        for (int i = 0; i < 4; i++) {
            h ^= (u >> (8 * i)) & 0xFF;
            h *= 1099511628211ull;
        }
    }
    return h;
}

double Rms(const std::vector<double>& x, size_t from, size_t to)
{
    double s = 0;
    to = std::min(to, x.size());
    if (to <= from)
        return 0;
    for (size_t i = from; i < to; i++)
        s += x[i] * x[i];
    return sqrt(s / (to - from));
}

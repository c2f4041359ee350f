#include "FFT.h"

#include "System.h"

#include <cmath>
#include <cstring>

namespace {

const char kSource[] = "player/FFT.cpp";
const double kPi = 3.14159265358979323846;

int32_t Log2(int32_t n)
{
    int32_t bits = 0;
    while ((1 << bits) < n) bits++;
    return bits;
}

}  // namespace

FFT::FFT(int32_t points, int32_t bands, int32_t low, int32_t high, int32_t rate)
    : mPoints(points > 1 ? points : 2),
      mBands(bands > 0 ? bands : 1),
      mLow(low),
      mHigh(high),
      mRate(rate > 0 ? rate : 1),
      mWindow(new double[static_cast<size_t>(mPoints)]),
      mBitReverse(new uint16_t[static_cast<size_t>(mPoints)]),
      mInput(new double[static_cast<size_t>(mPoints)]()),
      mWork(new double[static_cast<size_t>(mPoints) * 2]()),
      mMagnitudes(new int32_t[static_cast<size_t>(mPoints)]()),
      mValues(new int32_t[static_cast<size_t>(mBands)]()),
      mCounts(new int32_t[static_cast<size_t>(mBands)]()),
      mFirst(0),
      mDirty(true)
{
    SYSTEM_CHECK(kSource, (points & (points - 1)) == 0 && points > 1, );
    const int32_t n = mPoints;
    const int32_t bits = Log2(n);
    for (int32_t i = 0; i < n; i++) {
        mWindow[i] = 0.5 - 0.5 * std::cos(2.0 * kPi * i / n);
        int32_t r = 0;
        for (int32_t b = 0; b < bits; b++) r |= ((i >> b) & 1) << (bits - 1 - b);
        mBitReverse[i] = static_cast<uint16_t>(r);
    }

    // The bins of each band, in integer arithmetic: the bars keep their
    // widths whatever rounding the rate gives.
    int32_t first = static_cast<int32_t>(static_cast<int64_t>(mLow) * n / mRate) / 2;
    int32_t last = static_cast<int32_t>(static_cast<int64_t>(mHigh) * n / mRate) / 2;
    if (first > n) first = n - 1;
    if (last > n) last = n;
    mFirst = first;
    for (int32_t k = first; k < last; k++) {
        mCounts[static_cast<int64_t>(k - first) * mBands / (last - first)] += 1;
    }
}

FFT::~FFT()
{
    delete[] mWindow;
    delete[] mBitReverse;
    delete[] mInput;
    delete[] mWork;
    delete[] mMagnitudes;
    delete[] mValues;
    delete[] mCounts;
}

void FFT::feed(const int32_t* samples, int32_t frames)
{
    ObjectLocker hold(*this);
    mDirty = true;
    if (samples == nullptr || frames <= 0) return;
    const int32_t n = mPoints;
    int32_t take = frames;
    if (take < n) {
        std::memmove(mInput, mInput + take, sizeof(double) * static_cast<size_t>(n - take));
    } else {
        samples += 2 * static_cast<int64_t>(frames - n);
        take = n;
    }
    double* out = mInput + (n - take);
    for (int32_t i = 0; i < take; i++) {
        // Integer mono, truncated toward zero as the wave display is.
        out[i] = static_cast<double>((static_cast<int64_t>(samples[2 * i]) + samples[2 * i + 1]) / 2);
    }
}

bool FFT::getSpectrum(int32_t* out)
{
    if (out == nullptr) return false;
    ObjectLocker hold(*this);
    if (mDirty) transform();
    std::memcpy(out, mValues, sizeof(int32_t) * static_cast<size_t>(mBands));
    return true;
}

void FFT::transform()
{
    const int32_t n = mPoints;
    double* w = mWork;
    for (int32_t i = 0; i < n; i++) {
        w[2 * i] = mInput[i] * mWindow[i];
        w[2 * i + 1] = 0.0;
    }
    // Radix-2 decimation in frequency, in place; the output comes out in
    // bit-reversed order.
    int32_t half = n / 2;
    for (int32_t step = 1; step < n; step *= 2, half /= 2) {
        for (int32_t b = 0; b < n; b += 2 * half) {
            for (int32_t j = 0; j < half; j++) {
                double* a = w + 2 * (b + j);
                double* c = w + 2 * (b + j + half);
                const double ar = a[0], ai = a[1], cr = c[0], ci = c[1];
                const double angle = -2.0 * kPi * j * step / n;
                const double tr = std::cos(angle), ti = std::sin(angle);
                const double dr = ar - cr, di = ai - ci;
                a[0] = ar + cr;
                a[1] = ai + ci;
                c[0] = dr * tr - di * ti;
                c[1] = dr * ti + di * tr;
            }
        }
    }
    for (int32_t i = 0; i < n; i++) {
        mMagnitudes[mBitReverse[i]] = static_cast<int32_t>(std::sqrt(w[2 * i] * w[2 * i] + w[2 * i + 1] * w[2 * i + 1]));
    }
    int32_t bin = mFirst;
    for (int32_t band = 0; band < mBands; band++) {
        const int32_t count = mCounts[band];
        if (count == 0) {
            mValues[band] = 0;
            continue;
        }
        int64_t sum = 0;
        for (int32_t k = 0; k < count && bin < n; k++) sum += mMagnitudes[bin++];
        mValues[band] = static_cast<int32_t>(sum / (static_cast<int64_t>(count) * n));
    }
    mDirty = false;
}

// FFT: the spectrum bars of the most recent output. The player feeds it the
// frames of every tick and asks for the bars when it fills a snapshot; the
// transform runs only when frames arrived since the last request.
//
//   FFT fft(512, 64, 0, 20000, 44100);
//   fft.feed(frames, n);            // stereo int32 frames, mono-mixed
//   int32_t bars[64];
//   fft.getSpectrum(bars);
//
// A Hann window over the last N mono samples, an in-place radix-2
// decimation-in-frequency transform (twiddles from cos/sin per butterfly,
// no table, nothing allocated after construction), magnitudes put back in
// natural bin order, and bins first..last-1 spread over the bands:
// band = (k - first) * bands / (last - first). A band's value is the sum of
// its bins' magnitudes / (bins * N). With the player's values (512 points,
// 0..20000 Hz, 44100 Hz) bins 0..115 reach the bands; higher ones none.
// N must be a power of two.
#pragma once

#include "Object.h"

#include <cstdint>

class FFT : public virtual Object {
public:
    FFT(int32_t points, int32_t bands, int32_t low, int32_t high, int32_t rate);
    ~FFT() override;

    void feed(const int32_t* samples, int32_t frames);
    bool getSpectrum(int32_t* out);

    FFT(const FFT&) = delete;
    FFT& operator=(const FFT&) = delete;

private:
    void transform();

    int32_t mPoints;
    int32_t mBands;
    int32_t mLow;
    int32_t mHigh;
    int32_t mRate;
    double* mWindow;
    uint16_t* mBitReverse;
    double* mInput;
    double* mWork;   // N complex values, real and imaginary interleaved
    int32_t* mMagnitudes;
    int32_t* mValues;
    int32_t* mCounts;
    int32_t mFirst;
    bool mDirty;
};

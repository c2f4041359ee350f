// Measuring helpers for the sound-chip tests: pitch by zero crossings, a
// small FFT, and a digest of a render.
#pragma once
#include <stdint.h>
#include <complex>
#include <vector>

// Left channel of an interleaved stereo buffer.
std::vector<double> LeftOf(const std::vector<int32_t>& stereo);
std::vector<double> RightOf(const std::vector<int32_t>& stereo);

// Fundamental by rising crossings of the mean with a hysteresis of 20% of
// the peak; 0 when fewer than three crossings (a constant or silence).
double ZeroCrossFrequency(const std::vector<double>& x, double rate);

// Magnitude spectrum (Hann window, averaged over blocks of n, n a power of 2).
std::vector<double> AverageSpectrum(const std::vector<double>& x, size_t n);

// Frequency of the strongest bin between lo and hi Hz (parabolic refinement).
double PeakFrequency(const std::vector<double>& spectrum, size_t n, double rate, double lo, double hi);

// FNV-1a over the samples.
uint64_t Digest(const std::vector<int32_t>& stereo);

double Rms(const std::vector<double>& x, size_t from, size_t to);

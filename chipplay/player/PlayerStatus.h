// PlayerStatus: the display snapshot the player hands to the user interface
// once per tick. It lags the output by the device latency (the player keeps
// a ring of eight, one per 32-ms tick), so the window shows what is heard.
// The interface copies it; the pointer it is given is valid only during the
// call.
#pragma once

#include "Chip.h"

#include <cstdint>

enum { MAX_TRACK = 16 };

struct PlayerStatus {
    enum { WAVE_FRAMES = 128, SPECTRUM_BANDS = 64 };

    int32_t wave[WAVE_FRAMES] = {};          // the last 128 frames as mono values, oldest first
    int32_t spectrum[SPECTRUM_BANDS] = {};   // the spectrum's bars (FFT::getSpectrum)
    ChannelStatus channel[MAX_TRACK];        // the machine's channels 0..15 at their defaults
};

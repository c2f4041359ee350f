// The six rhythm sounds of the OPNA core: bass drum, snare drum, top
// cymbal, hi-hat, tom and rim shot, as 16-bit mono PCM at 44100 Hz.
// They are the program's own: synthesised once per process with integer
// arithmetic (no tables or recordings from anywhere), so every host makes
// the same samples. Each record is a uint32 byte length followed by the
// samples, as the player keeps its built-in sounds.
#pragma once
#include <stdint.h>

// Record of instrument i (0-5); null for other numbers.
const uint8_t* RhythmSampleRecord(int i);
// Convenience views of a record.
uint32_t RhythmSampleBytes(int i);
const int16_t* RhythmSamplePcm(int i);

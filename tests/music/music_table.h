// What each test archive of tests/music plays, for the renderer's tests: one
// row per archive, with every note of its songs in the ticks of the timer
// that paces its program. A new archive adds a row in music_table.cpp.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

struct NoteSpec {
    int channel;   // global channel of the machine: the bit of --mask that mutes it
    double hz;     // expected pitch; 0 for a sound without one (rhythm, noise)
    int on;        // tick of the pacing timer (counted from the play request)
    int off;       // at which the note starts and ends
};

struct SongSpec {
    int number;    // entry of section "title", from 1
    std::vector<NoteSpec> notes;   // in time order, none overlapping
};

struct ArchiveSpec {
    std::string archive;   // folder under tests/music
    std::string driver;    // the driver its config.txt names
    double tickUs;         // period of the pacing timer in microseconds
    bool skipIdle;         // the driver has the option skip_idle
    std::vector<SongSpec> songs;   // at least two, with silent gaps between notes
};

const std::vector<ArchiveSpec>& MusicArchives();

// Pitches from the register values, as the song sources write them.
// SSG: clock / (8 x tone period), the SSG clock being 998400 Hz on the
// YM2203 at 3993600 Hz and on the YM2608 at 7987200 Hz.
inline double SsgHz(int tp) { return 998400.0 / (8.0 * tp); }
// FM (OPN, OPNA): F x 2^block x 3993600 / (72 x 2^21).
inline double FmHz(int block, int fnum) { return std::ldexp(fnum, block) * 3993600.0 / (72.0 * 2097152.0); }

// X1: the AY-3-8910 at 2 MHz sounds at clock / (16 x tone period).
inline double AyHz(int tp) { return 2000000.0 / (16.0 * tp); }
// The YM2151 at the X1's 4 MHz: the data sheet's scale, key code 4Ah being
// A at 440 Hz on a 3579545 Hz chip, in proportion to the clock; note codes
// 0-14 run C# to C, the unused 3, 7, 11, 15 playing as the next code up;
// the key fraction in 1/64 semitone. (Our OPM core's phase steps sound
// about 4 cents below this scale on every key code; the tables allow 5.)
inline double OpmHz(int kc, int kf)
{
    static const int kSemitone[16] = {1, 2, 3, 3, 4, 5, 6, 6, 7, 8, 9, 9, 10, 11, 12, 12};
    const double n = 12 * (((kc >> 4) & 7) - 4) + kSemitone[kc & 15] - 9 + kf / 64.0;
    return 440.0 * std::pow(2.0, n / 12.0) * 4000000.0 / 3579545.0;
}

#include "music_table.h"

namespace {

// PC-8801 timers as the driver makes them.
const double k600HzUs = 1666;
const double k60HzUs = 16666;
// YM2608 timer A of 111 steps of 72 clocks at 3993600 Hz (the OPNA's
// 7987200 Hz halved).
const double kTimerA111Us = 111 * 72 / 3.9936;
// The ADPCM sine of pc88_opna: 32 samples a period at delta-N 0x4000 of
// the chip's 7987200 / 2 / 72 Hz.
const double kAdpcmSineHz = 7987200.0 / 2 / 72 * 0x4000 / 65536 / 32;

}  // namespace

const std::vector<ArchiveSpec>& MusicArchives()
{
    // Channels: YM2203 FM 0-2, SSG 3-5; YM2608 FM 0-5, SSG 6-8, ADPCM 9,
    // rhythm 10-15.
    static const std::vector<ArchiveSpec> table = {
        {"pc88_opn", "pc88/opn", k600HzUs, true,
         {{1, {{3, SsgHz(284), 2, 122}, {0, FmHz(4, 1040), 152, 272}, {3, SsgHz(239), 302, 422},
               {0, FmHz(5, 779), 452, 572}}},
          {2, {{1, FmHz(3, 1040), 2, 122}, {4, SsgHz(142), 152, 272}, {2, FmHz(4, 780), 302, 422},
               {5, SsgHz(425), 452, 572}, {1, FmHz(3, 1040), 602, 722}}}}},
        {"pc88_opna", "pc88/opna", kTimerA111Us, true,
         {{1, {{3, FmHz(4, 1040), 2, 102}, {6, SsgHz(284), 127, 227}, {0, FmHz(5, 779), 252, 352},
               {10, 0, 377, 427}}},
          {2, {{9, kAdpcmSineHz, 2, 102}, {4, FmHz(3, 1040), 127, 227}, {7, SsgHz(142), 252, 352},
               {2, FmHz(4, 780), 377, 477}, {9, kAdpcmSineHz, 502, 602}}}}},
    };
    return table;
}

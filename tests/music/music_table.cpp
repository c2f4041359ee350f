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
// X1 CTC periods at its 4 MHz: prescaler x time constant / 4 us. x1_opm
// is paced by channel 3 counting 5 ticks of channel 0 at 16 x 125 / 4 =
// 500 us, a rate that no timer of the CTC makes on its own.
const double kCtc16x250Us = 16 * 250 / 4;
const double kCtcChained5x125Us = 5 * (16 * 125 / 4);
const double kCtc256x40Us = 256 * 40 / 4;
const double kCtc256x256Us = 256 * 256 / 4;

}  // namespace

const std::vector<ArchiveSpec>& MusicArchives()
{
    // Channels: YM2203 FM 0-2, SSG 3-5; YM2608 FM 0-5, SSG 6-8, ADPCM 9,
    // rhythm 10-15; X1: YM2151 0-7 and AY-3-8910 8-10, or the AY-3-8910
    // alone 0-2.
    static const std::vector<ArchiveSpec> table = {
        // A song's first step comes a tick after the tick that takes the
        // request, its first note a tick later: tick 3 from the start.
        {"pc88_opn", "pc88/opn", k600HzUs, true,
         {{1, {{3, SsgHz(284), 3, 123}, {0, FmHz(4, 1040), 153, 273}, {3, SsgHz(239), 303, 423},
               {0, FmHz(5, 779), 453, 573}}},
          {2, {{1, FmHz(3, 1040), 3, 123}, {4, SsgHz(142), 153, 273}, {2, FmHz(4, 780), 303, 423},
               {5, SsgHz(425), 453, 573}, {1, FmHz(3, 1040), 603, 723}}}}},
        // The pitch is 24 or 12 times the count of 600 Hz interrupts the
        // Z80 took in each 60 Hz period: ten of them.
        {"pc88_opn_irq", "pc88/opn", k60HzUs, true,
         {{1, {{3, SsgHz(240), 3, 33}, {3, SsgHz(240), 39, 69}, {3, SsgHz(240), 75, 105}}},
          {2, {{4, SsgHz(120), 3, 33}, {4, SsgHz(120), 39, 69}, {4, SsgHz(120), 75, 105}, {4, SsgHz(120), 111, 141}}}}},
        {"pc88_opna", "pc88/opna", kTimerA111Us, true,
         {{1, {{3, FmHz(4, 1040), 3, 103}, {6, SsgHz(284), 128, 228}, {0, FmHz(5, 779), 253, 353},
               {10, 0, 378, 428}}},
          {2, {{9, kAdpcmSineHz, 3, 103}, {4, FmHz(3, 1040), 128, 228}, {7, SsgHz(142), 253, 353},
               {2, FmHz(4, 780), 378, 478}, {9, kAdpcmSineHz, 503, 603}}}}},
        {"pc88_opn_compat", "pc88/opn/compat", k600HzUs, false,
         {{1, {{5, SsgHz(425), 3, 93}, {0, FmHz(4, 1040), 123, 213}, {5, SsgHz(212), 243, 333}}},
          {2, {{1, FmHz(4, 618), 3, 93}, {3, SsgHz(179), 123, 213}, {2, FmHz(5, 618), 243, 333},
               {1, FmHz(4, 618), 363, 453}}}}},
        {"pc88_opna_compat", "pc88/opna/compat", k60HzUs, false,
         {{1, {{9, kAdpcmSineHz, 3, 15}, {5, FmHz(4, 1040), 18, 30}, {7, SsgHz(239), 33, 45}, {11, 0, 48, 51}}},
          {2, {{0, FmHz(3, 1040), 3, 15}, {8, SsgHz(284), 18, 30}, {9, kAdpcmSineHz, 33, 45},
               {3, FmHz(5, 779), 48, 60}, {0, FmHz(3, 1040), 63, 75}}}}},
        {"x1_psg", "x1/psg", kCtc16x250Us, true,
         {{1, {{0, AyHz(284), 3, 183}, {1, AyHz(239), 223, 403}, {2, AyHz(190), 443, 623},
               {0, AyHz(142), 663, 843}}},
          {2, {{2, AyHz(568), 3, 153}, {0, AyHz(379), 203, 353}, {1, AyHz(213), 403, 553},
               {2, AyHz(568), 603, 753}}}}},
        {"x1_opm", "x1/opm", kCtcChained5x125Us, true,
         {{1, {{0, OpmHz(0x4A, 0), 3, 83}, {8, AyHz(284), 103, 183}, {1, OpmHz(0x54, 32), 203, 283},
               {10, AyHz(190), 303, 383}}},
          {2, {{2, OpmHz(0x3E, 0), 3, 83}, {9, AyHz(379), 103, 183}, {7, OpmHz(0x62, 0), 203, 283},
               {2, OpmHz(0x3E, 0), 303, 383}}}}},
        {"x1_psg_compat", "x1/psg/compat", kCtc256x40Us, false,
         {{1, {{1, AyHz(253), 3, 73}, {0, AyHz(338), 93, 163}, {2, AyHz(169), 183, 253}}},
          {2, {{0, AyHz(478), 3, 73}, {2, AyHz(284), 93, 163}, {0, AyHz(478), 183, 253}}}}},
        {"x1_opm_compat", "x1/opm/compat", kCtc256x256Us, false,
         {{1, {{3, OpmHz(0x4A, 0), 3, 15}, {9, AyHz(284), 18, 30}, {4, OpmHz(0x5A, 0), 33, 45}}},
          {2, {{5, OpmHz(0x3A, 0), 3, 15}, {8, AyHz(213), 18, 30}, {5, OpmHz(0x3A, 0), 33, 45}}}}},
    };
    return table;
}

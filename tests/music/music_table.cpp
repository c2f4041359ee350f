#include "music_table.h"

namespace {

// PC-8801 timers as the driver makes them.
const double k600HzUs = 1666;

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
    };
    return table;
}

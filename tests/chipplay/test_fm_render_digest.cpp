// Native and Windows builds render the same busy scripts to the same
// samples: every core keeps to integer arithmetic and draws no host random
// numbers. The digests are those of the native build; the Windows build
// runs this same test under Wine.
#include "chip_measure.h"
#include "chip_scripts.h"

#include <gtest/gtest.h>

TEST(ChipRender, SameSamplesOnEveryHost)
{
    struct Case { const char* chip; uint64_t digest; };
    const Case cases[] = {
        {"psg", 0x56b13158977fce33ull},
        {"opn", 0xc79c51d8f5d224a7ull},
        {"opna", 0x357cae512655cb4bull},
        {"opm", 0x52b9ace6b8187b93ull},
    };
    for (const Case& c : cases) {
        std::unique_ptr<ChipScript> s = MakeChipScript(c.chip);
        ASSERT_TRUE(s);
        std::vector<int32_t> all;
        for (int block = 0; block < 60; block++) {
            // Large and tiny blocks, as the player and register writes make them.
            const int frames = (block % 3 == 2) ? 4 : 1411;
            std::vector<int32_t> buf(2 * frames, 0);
            s->mix(buf.data(), frames);
            all.insert(all.end(), buf.begin(), buf.end());
            s->step(block);
        }
        const uint64_t d = Digest(all);
        EXPECT_EQ(c.digest, d) << c.chip << ": expected digest 0x" << std::hex << c.digest << ", actual 0x" << d;
    }
}

// The eight connections of the four operators, heard through the OPN: a
// carrier sounds on its own; a modulator changes what its target sounds
// like; operators that are not connected just add up.
#include "chip_measure.h"
#include "fm_patch.h"
#include "opn.h"

#include <gtest/gtest.h>

namespace {

std::vector<int32_t> Play(int algorithm, int ops)
{
    OpnCore opn;
    opn.init(3993600, 44100, false);
    RegWrite w = [&opn](uint32_t r, uint8_t d) { opn.setReg(r, d); };
    FmVoice v;
    v.algorithm = algorithm;
    for (int k = 0; k < 4; k++) {
        v.tl[k] = 0;
        v.mul[k] = k + 1;  // distinct partials, so a modulation always shows
    }
    OpnVoice(w, 0, v);
    OpnFNum(w, 0, 4, 618);
    OpnKey(w, 0, ops);
    std::vector<int32_t> buf(2 * 2000, 0);
    opn.mix(buf.data(), 2000);
    return buf;
}

}  // namespace

TEST(FmAlgorithms, CarriersAndModulationPaths)
{
    // carriers[a]: operators heard; edges[a]: modulator -> target, 1-based.
    const int carriers[8] = {0x8, 0x8, 0x8, 0x8, 0xA, 0xE, 0xE, 0xF};
    const std::vector<std::pair<int, int>> edges[8] = {
        {{1, 2}, {2, 3}, {3, 4}}, {{1, 3}, {2, 3}, {3, 4}}, {{1, 4}, {2, 3}, {3, 4}}, {{1, 2}, {2, 4}, {3, 4}},
        {{1, 2}, {3, 4}},         {{1, 2}, {1, 3}, {1, 4}}, {{1, 2}},                 {},
    };
    for (int a = 0; a < 8; a++) {
        std::vector<int32_t> alone[4];
        for (int k = 0; k < 4; k++) {
            alone[k] = Play(a, 1 << k);
            bool heard = false;
            for (int32_t s : alone[k])
                heard |= s != 0;
            const bool expected = (carriers[a] >> k) & 1;
            EXPECT_EQ(expected, heard) << "algorithm " << a << " operator " << k + 1 << " alone: expected "
                                       << (expected ? "sound" : "silence") << ", got " << (heard ? "sound" : "silence");
        }
        for (int x = 0; x < 4; x++)
            for (int y = x + 1; y < 4; y++) {
                bool expected = false;
                for (auto& e : edges[a]) {
                    const int m = e.first - 1, t = e.second - 1;
                    if (((m == x && t == y) || (m == y && t == x)) && ((carriers[a] >> t) & 1))
                        expected = true;
                }
                const std::vector<int32_t> both = Play(a, (1 << x) | (1 << y));
                int differ = 0;
                for (size_t i = 0; i < both.size(); i++)
                    differ += both[i] != alone[x][i] + alone[y][i];
                EXPECT_EQ(expected, differ > 100)
                    << "algorithm " << a << " operators " << x + 1 << " and " << y + 1 << ": expected "
                    << (expected ? "modulation" : "plain sum") << ", " << differ << " samples differ from the sum";
            }
    }
}

// zexdoc: every instruction group against CRCs of the documented flags.
#include "zexrun.h"

namespace {

TEST(Zex, ZexdocPassesEveryGroup)
{
    if (!ZexPresent("zexdoc.com")) {
        GTEST_SKIP() << "zexdoc.com not found in " << TIV_Z80_EXERCISERS
                     << " (configure with -DTIV_Z80_EXERCISERS_DIR=<folder of the exercisers>)";
    }
    const ZexRun run = RunZex("zexdoc.com");
    ASSERT_TRUE(run.loaded) << run.error;
    EXPECT_EQ(CpmMachine::kExited, run.result.status) << "the exerciser must end with a warm boot";
    EXPECT_NE(std::string::npos, run.output.find("Tests complete")) << run.output;
    EXPECT_EQ(67u, run.groups.size()) << "groups reported\n" << run.output;
    for (const ZexGroup& g : run.groups) {
        EXPECT_TRUE(g.ok) << g.name << ": expected OK, actual " << g.detail;
    }
    std::printf("zexdoc: %zu groups, %lld cycles\n", run.groups.size(), (long long)run.result.cycles);
}

}  // namespace

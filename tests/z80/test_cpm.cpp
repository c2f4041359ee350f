// The CP/M machine under the exercisers and cpmrun: console output through
// BDOS 2 and 9, the end of a run (warm boot, halt, cycle limit) with its
// exact cycle count, and the programs it refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CpmMachine.h"

namespace {

void Collect(void* context, const char* text, size_t length)
{
    static_cast<std::string*>(context)->append(text, length);
}

TEST(CpmMachine, ConsoleOutputAndTheEndOfARun)
{
    struct Row {
        const char* what;
        std::vector<uint8_t> program;
        int64_t maxCycles;
        CpmMachine::Status status;
        int64_t cycles;
        const char* output;
    };
    const Row rows[] = {
        // LD C,9; LD DE,msg; CALL 5; LD C,2; LD E,'!'; JP 5 (its RET warm-boots); "Hi$"
        // 8 + 11 + 18 + (JP 11, OUT 12, RET 11) + 8 + 8 + 11 + (11 + 12 + 11) + OUT (1) 12
        { "BDOS 9, then BDOS 2 returning to the warm boot",
          { 0x0E, 0x09, 0x11, 0x0F, 0x01, 0xCD, 0x05, 0x00, 0x0E, 0x02, 0x1E, 0x21, 0xC3, 0x05, 0x00, 'H', 'i', '$' },
          1000, CpmMachine::kExited, 144, "Hi!" },
        { "DI; HALT", { 0xF3, 0x76 }, 1000, CpmMachine::kHalted, 10, "" },
        { "JP 0100h forever, 100 cycles", { 0xC3, 0x00, 0x01 }, 100, CpmMachine::kCycleLimit, 110, "" },
    };
    for (const Row& row : rows) {
        static CpmMachine machine;
        std::string error;
        ASSERT_TRUE(machine.loadImage(row.program.data(), row.program.size(), &error)) << error;
        std::string output;
        const CpmMachine::Result r = machine.run(row.maxCycles, Collect, &output);
        EXPECT_EQ(row.status, r.status) << row.what << ": status";
        EXPECT_EQ(row.cycles, r.cycles) << row.what << ": cycles expected " << row.cycles << " actual " << r.cycles;
        EXPECT_EQ(row.output, output) << row.what << ": output";
    }
}

TEST(CpmMachine, RefusedPrograms)
{
    static CpmMachine machine;
    std::string error;
    const uint8_t byte = 0;
    EXPECT_FALSE(machine.loadImage(&byte, 0, &error));
    EXPECT_EQ("the program is empty", error);
    std::vector<uint8_t> big(0xFE00 - 0x0100 + 1, 0);
    EXPECT_FALSE(machine.loadImage(big.data(), big.size(), &error));
    EXPECT_NE(std::string::npos, error.find("larger than")) << error;
    big.pop_back();
    EXPECT_TRUE(machine.loadImage(big.data(), big.size(), &error)) << "the whole TPA fits";
    EXPECT_FALSE(machine.loadFile("no-such-program.com", &error));
    EXPECT_EQ("cannot open no-such-program.com", error);
}

}  // namespace

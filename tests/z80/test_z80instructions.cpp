// Instruction behaviour of the Z80 core: the cases where a decoder is most
// easily wrong (index halves, prefix chains, undocumented flags, block
// instructions, DAA). Each case starts from one fixed register set, runs a
// number of steps and compares every register, the cycles and R.
#include <functional>

#include "z80bench.h"

namespace {

const uint16_t kOrigin = 0x8000;

struct Case {
    const char* name;
    std::vector<uint8_t> code;
    std::function<void(Z80Bench&)> setup;     // beyond the fixed start state
    int steps;
    int32_t cycles;                           // of all steps together
    std::function<void(Z80Regs&)> expect;     // changes from the state after setup
};

void RunCases(const std::vector<Case>& cases)
{
    for (const Case& k : cases) {
        Z80Bench b;
        Z80Core& c = b.core;
        c.AF = 0x0000; c.BC = 0x0102; c.DE = 0x0304; c.HL = 0x0506;
        c.IX = 0x1000; c.IY = 0x2000; c.SP = 0xF000; c.PC = kOrigin;
        for (size_t i = 0; i < k.code.size(); ++i) b.mem[kOrigin + i] = k.code[i];
        if (k.setup) k.setup(b);
        Z80Regs want = RegsOf(c);
        want.PC = (uint16_t)(kOrigin + k.code.size());
        want.R = (uint8_t)(c.R + k.steps);
        k.expect(want);
        int32_t cycles = 0;
        for (int i = 0; i < k.steps; ++i) cycles += b.step();
        const Z80Regs got = RegsOf(c);
        EXPECT_TRUE(SameRegs(want, got)) << k.name << "\n" << DescribeRegs(want, got);
        EXPECT_EQ(k.cycles, cycles) << k.name << ": cycles expected " << k.cycles << " actual " << cycles;
    }
}

TEST(Z80Instructions, IndexHalvesAndPrefixes)
{
    RunCases({
        { "DD 7C: LD A,IXH", { 0xDD, 0x7C }, nullptr, 1, 10,
          [](Z80Regs& r) { r.AF = 0x1000; r.R += 1; } },
        { "DD 66 05: LD H,(IX+5) loads H, not IXH",
          { 0xDD, 0x66, 0x05 }, [](Z80Bench& b) { b.mem[0x1005] = 0xAB; }, 1, 21,
          [](Z80Regs& r) { r.HL = 0xAB06; r.R += 1; } },
        { "DD 75 FF: LD (IX-1),L stores L", { 0xDD, 0x75, 0xFF }, nullptr, 1, 21,
          [](Z80Regs& r) { r.R += 1; } },
        { "DD EB: EX DE,HL keeps HL", { 0xDD, 0xEB }, nullptr, 1, 10,
          [](Z80Regs& r) { r.DE = 0x0506; r.HL = 0x0304; r.R += 1; } },
        { "FD 26 77: LD IYH,n", { 0xFD, 0x26, 0x77 }, nullptr, 1, 13,
          [](Z80Regs& r) { r.IY = 0x7700; r.R += 1; } },
        { "DD 65: LD IXH,IXL", { 0xDD, 0x65 }, [](Z80Bench& b) { b.core.IX = 0x12AB; }, 1, 10,
          [](Z80Regs& r) { r.IX = 0xABAB; r.R += 1; } },
        { "FD 2C: INC IYL sets the flags of INC", { 0xFD, 0x2C }, [](Z80Bench& b) { b.core.IY = 0x20FF; }, 1, 10,
          [](Z80Regs& r) { r.IY = 0x2000; r.AF = 0x0050; r.R += 1; } },
        { "DD 21: LD IX,nn", { 0xDD, 0x21, 0x34, 0x12 }, nullptr, 1, 16,
          [](Z80Regs& r) { r.IX = 0x1234; r.R += 1; } },
        { "DD DD 21: a dropped prefix is a step of its own", { 0xDD, 0xDD, 0x21, 0x34, 0x12 }, nullptr, 2, 26,
          [](Z80Regs& r) { r.IX = 0x1234; r.R += 2; } },
        { "DD ED 44: the DD is dropped, NEG runs", { 0xDD, 0xED, 0x44 },
          [](Z80Bench& b) { b.core.AF = 0x0100; }, 2, 20,
          [](Z80Regs& r) { r.AF = 0xFFBB; r.R += 2; } },
        { "DD 34 FE: INC (IX-2)", { 0xDD, 0x34, 0xFE }, [](Z80Bench& b) { b.mem[0x0FFE] = 0x7F; }, 1, 25,
          [](Z80Regs& r) { r.AF = 0x0094; r.R += 1; } },
        { "DD CB 01 00: RLC (IX+1) also lands in B", { 0xDD, 0xCB, 0x01, 0x00 },
          [](Z80Bench& b) { b.mem[0x1001] = 0x81; }, 1, 26,
          [](Z80Regs& r) { r.BC = 0x0302; r.AF = 0x0005; r.R += 2; } },
        { "DD CB 01 46: BIT 0,(IX+1) leaves bits 5 and 3 clear", { 0xDD, 0xCB, 0x01, 0x46 },
          [](Z80Bench& b) { b.mem[0x1001] = 0x28; b.core.AF = 0x0001; }, 1, 23,
          [](Z80Regs& r) { r.AF = 0x0055; r.R += 2; } },
        { "DD CB 01 FC: SET 7,(IX+1) also lands in H (not IXH)", { 0xDD, 0xCB, 0x01, 0xFC }, nullptr, 1, 26,
          [](Z80Regs& r) { r.HL = 0x8006; r.R += 2; } },
        { "DD 76: HALT stays on the 76", { 0xDD, 0x76 }, nullptr, 3, 20,
          [](Z80Regs& r) { r.PC = kOrigin + 1; r.status = Z80_HALTED; r.R += 1; } },
        { "DD 2A: LD IX,(nn) low byte first", { 0xDD, 0x2A, 0x00, 0x30 },
          [](Z80Bench& b) { b.mem[0x3000] = 0x78; b.mem[0x3001] = 0x56; }, 1, 22,
          [](Z80Regs& r) { r.IX = 0x5678; r.R += 1; } },
        { "DD E3: EX (SP),IX", { 0xDD, 0xE3 },
          [](Z80Bench& b) { b.mem[0xF000] = 0x11; b.mem[0xF001] = 0x22; }, 1, 25,
          [](Z80Regs& r) { r.IX = 0x2211; r.R += 1; } },
    });
}

TEST(Z80Instructions, UndocumentedFlagsAndShifts)
{
    RunCases({
        { "CB 30: SLL B with B=80", { 0xCB, 0x30 }, [](Z80Bench& b) { b.core.BC = 0x8002; }, 1, 10,
          [](Z80Regs& r) { r.BC = 0x0102; r.AF = 0x0001; r.R += 1; } },
        { "CB 7F: BIT 7,A with A=80", { 0xCB, 0x7F }, [](Z80Bench& b) { b.core.AF = 0x8000; }, 1, 10,
          [](Z80Regs& r) { r.AF = 0x8090; r.R += 1; } },
        { "CB 47: BIT 0,A with A=28 (bits 5 and 3 stay clear)", { 0xCB, 0x47 },
          [](Z80Bench& b) { b.core.AF = 0x2801; }, 1, 10,
          [](Z80Regs& r) { r.AF = 0x2855; r.R += 1; } },
        { "FE 28: CP 28 with A=0 takes bits 5 and 3 from the operand", { 0xFE, 0x28 }, nullptr, 1, 8,
          [](Z80Regs& r) { r.AF = 0x00BB; } },
        { "37: SCF with A=28", { 0x37 }, [](Z80Bench& b) { b.core.AF = 0x28C4; }, 1, 5,
          [](Z80Regs& r) { r.AF = 0x28ED; } },
        { "3F: CCF moves C into H", { 0x3F }, [](Z80Bench& b) { b.core.AF = 0x0001; }, 1, 5,
          [](Z80Regs& r) { r.AF = 0x0010; } },
        { "2F: CPL", { 0x2F }, [](Z80Bench& b) { b.core.AF = 0x5AC5; }, 1, 5,
          [](Z80Regs& r) { r.AF = 0xA5F7; } },
        { "C6 15 27: ADD A,15 then DAA with A=27", { 0xC6, 0x15, 0x27 }, [](Z80Bench& b) { b.core.AF = 0x2700; },
          2, 13, [](Z80Regs& r) { r.AF = 0x4214; } },
        { "27: DAA with A=9A, no flags", { 0x27 }, [](Z80Bench& b) { b.core.AF = 0x9A00; }, 1, 5,
          [](Z80Regs& r) { r.AF = 0x0055; } },
        { "27: DAA after a subtraction with H", { 0x27 }, [](Z80Bench& b) { b.core.AF = 0x0F12; }, 1, 5,
          [](Z80Regs& r) { r.AF = 0x090E; } },
        { "ED 44: NEG of 80", { 0xED, 0x44 }, [](Z80Bench& b) { b.core.AF = 0x8000; }, 1, 10,
          [](Z80Regs& r) { r.AF = 0x8087; r.R += 1; } },
        { "ED 4C: NEG mirror of 0", { 0xED, 0x4C }, nullptr, 1, 10,
          [](Z80Regs& r) { r.AF = 0x0042; r.R += 1; } },
        { "ED 5F: LD A,R counts its own two fetches, P/V = IFF2", { 0xED, 0x5F },
          [](Z80Bench& b) { b.core.R = 0x7F; b.core.status = Z80_IFF2; b.core.AF = 0x0001; }, 1, 11,
          [](Z80Regs& r) { r.AF = 0x0105; r.R = 0x01; } },
        { "ED 4F: LD R,A takes all 8 bits", { 0xED, 0x4F }, [](Z80Bench& b) { b.core.AF = 0x9000; }, 1, 11,
          [](Z80Regs& r) { r.R = 0x90; } },
        { "ED 6A: ADC HL,HL overflow", { 0xED, 0x6A }, [](Z80Bench& b) { b.core.HL = 0x4000; b.core.AF = 0x0001; },
          1, 17, [](Z80Regs& r) { r.HL = 0x8001; r.AF = 0x0084; r.R += 1; } },
        { "ED 42: SBC HL,BC to zero", { 0xED, 0x42 }, [](Z80Bench& b) { b.core.HL = 0x0103; b.core.AF = 0x0001; },
          1, 17, [](Z80Regs& r) { r.HL = 0x0000; r.AF = 0x0042; r.R += 1; } },
        { "29: ADD HL,HL keeps S Z P/V", { 0x29 }, [](Z80Bench& b) { b.core.HL = 0x8800; b.core.AF = 0x00C4; },
          1, 12, [](Z80Regs& r) { r.HL = 0x1000; r.AF = 0x00D5; } },
        { "ED 67: RRD", { 0xED, 0x67 }, [](Z80Bench& b) { b.core.HL = 0x4000; b.core.AF = 0x8401; b.mem[0x4000] = 0x20; },
          1, 20, [](Z80Regs& r) { r.AF = 0x8081; r.R += 1; } },
        { "ED 70: IN [C] sets flags only", { 0xED, 0x70 }, [](Z80Bench& b) { b.inValue = 0x00; b.core.AF = 0x12FF; },
          1, 14, [](Z80Regs& r) { r.AF = 0x1245; r.R += 1; } },
        { "ED 00, ED 77, ED FF: holes", { 0xED, 0x00, 0xED, 0x77, 0xED, 0xFF }, nullptr, 3, 30,
          [](Z80Regs& r) { r.R += 3; } },
    });
}

// The undocumented ED mirrors and the DD/FD opcodes that have no index
// meaning behave as their documented twins.
TEST(Z80Instructions, MirrorsAndIgnoredPrefixes)
{
    const uint8_t im0 = 0, im1 = Z80_IM1, im2 = Z80_IM2;
    struct Mirror {
        uint8_t op;
        uint8_t mode;
    };
    for (const Mirror& m : { Mirror{ 0x46, im0 }, Mirror{ 0x4E, im0 }, Mirror{ 0x66, im0 }, Mirror{ 0x6E, im0 },
                             Mirror{ 0x56, im1 }, Mirror{ 0x76, im1 }, Mirror{ 0x5E, im2 }, Mirror{ 0x7E, im2 } }) {
        Z80Bench b;
        b.core.PC = 0x0000;
        b.core.status = Z80_IM1 | Z80_IM2 | Z80_IFF1;   // both mode bits set: each IM must settle them
        b.load(0x0000, { 0xED, m.op });
        EXPECT_EQ(10, b.step()) << "ED " << std::hex << (int)m.op;
        EXPECT_EQ(m.mode | Z80_IFF1, b.core.status) << "ED " << std::hex << (int)m.op << ": status";
    }
    for (uint8_t op : { 0x45, 0x55, 0x5D, 0x65, 0x6D, 0x75, 0x7D }) {
        Z80Bench b;
        b.core.PC = 0x0000;
        b.core.SP = 0x4000;
        b.mem[0x4000] = 0x34;
        b.mem[0x4001] = 0x12;
        b.core.status = Z80_IFF2;
        b.load(0x0000, { 0xED, op });
        EXPECT_EQ(16, b.step()) << "RETN mirror ED " << std::hex << (int)op;
        EXPECT_EQ(0x1234, b.core.PC) << "RETN mirror ED " << std::hex << (int)op;
        EXPECT_EQ(Z80_IFF1 | Z80_IFF2, b.core.status) << "RETN mirror ED " << std::hex << (int)op << ": IFF1 from IFF2";
    }
    RunCases({
        { "ED 63: LD (nn),HL, ED form", { 0xED, 0x63, 0x00, 0x30 }, nullptr, 1, 22,
          [](Z80Regs& r) { r.R += 1; } },
        { "ED 6B: LD HL,(nn), ED form", { 0xED, 0x6B, 0x00, 0x30 },
          [](Z80Bench& b) { b.mem[0x3000] = 0xCD; b.mem[0x3001] = 0xAB; }, 1, 22,
          [](Z80Regs& r) { r.HL = 0xABCD; r.R += 1; } },
        { "DD 04: INC B ignores the prefix", { 0xDD, 0x04 }, nullptr, 1, 10,
          [](Z80Regs& r) { r.BC = 0x0202; r.R += 1; } },
        { "FD 41: LD B,C ignores the prefix", { 0xFD, 0x41 }, nullptr, 1, 10,
          [](Z80Regs& r) { r.BC = 0x0202; r.R += 1; } },
        { "DD D9: EXX keeps HL", { 0xDD, 0xD9 }, nullptr, 1, 10,
          [](Z80Regs& r) { r.BC = 0; r.DE = 0; r.HL = 0; r.R += 1; } },
        { "FD E9: JP (IY)", { 0xFD, 0xE9 }, nullptr, 1, 10,
          [](Z80Regs& r) { r.PC = 0x2000; r.R += 1; } },
        { "DD 29: ADD IX,IX", { 0xDD, 0x29 }, [](Z80Bench& b) { b.core.IX = 0x8800; }, 1, 17,
          [](Z80Regs& r) { r.IX = 0x1000; r.AF = 0x0011; r.R += 1; } },
    });
}

TEST(Z80Instructions, BlockInstructions)
{
    RunCases({
        { "LDIR with BC=1 moves once (k = 42h: bit 5)", { 0xED, 0xB0 },
          [](Z80Bench& b) { b.core.BC = 1; b.core.HL = 0x4000; b.core.DE = 0x5000; b.mem[0x4000] = 0x42; }, 1, 18,
          [](Z80Regs& r) { r.BC = 0; r.HL = 0x4001; r.DE = 0x5001; r.AF = 0x0020; r.R += 1; } },
        { "LDIR with BC=3 repeats, flags from A + byte", { 0xED, 0xB0 },
          [](Z80Bench& b) { b.core.BC = 3; b.core.HL = 0x4000; b.core.DE = 0x5000; b.core.AF = 0x08C1; b.mem[0x4002] = 0x22; },
          3, 23 + 23 + 18, [](Z80Regs& r) { r.BC = 0; r.HL = 0x4003; r.DE = 0x5003; r.AF = 0x08E9; r.R += 3; } },
        { "CPIR stops on the equal byte", { 0xED, 0xB1 },
          [](Z80Bench& b) { b.core.BC = 8; b.core.HL = 0x4000; b.core.AF = 0x3300; b.mem[0x4002] = 0x33; }, 3, 23 + 23 + 18,
          [](Z80Regs& r) { r.BC = 5; r.HL = 0x4003; r.AF = 0x3346; r.R += 3; } },
        { "INIR with B=1 transfers once, Z set, N from bit 7", { 0xED, 0xB2 },
          [](Z80Bench& b) { b.core.BC = 0x01FF; b.core.HL = 0x4000; b.inValue = 0x90; }, 1, 18,
          [](Z80Regs& r) { r.BC = 0x00FF; r.HL = 0x4001; r.AF = 0x0042; r.R += 1; } },
        { "OTDR with B=2: two transfers, k from L after the step", { 0xED, 0xBB },
          [](Z80Bench& b) { b.core.BC = 0x0210; b.core.HL = 0x4001; b.mem[0x4001] = 0x01; b.mem[0x4000] = 0x02; }, 2, 23 + 18,
          [](Z80Regs& r) { r.BC = 0x0010; r.HL = 0x3FFF; r.AF = 0x0051; r.R += 2; } },
    });
}

TEST(Z80Instructions, LdirWithBcZeroMoves64KiB)
{
    Z80Bench b;
    b.core.PC = 0x0000;
    b.load(0x0000, { 0xED, 0xB0 });
    b.core.BC = 0;
    b.core.HL = 0x0000;
    b.core.DE = 0x0000;
    int steps = 0;
    while (b.core.PC == 0x0000 && steps < 70000) {
        b.step();
        ++steps;
    }
    EXPECT_EQ(65536, steps) << "transfers";
    EXPECT_EQ(0, b.core.BC);
}

TEST(Z80Instructions, PortAddressesAndOrder)
{
    Z80Bench b;
    b.core.PC = 0x0000;
    // OUT (0x34),A; IN A,(0x56); OUT (C),B; OUTI
    b.load(0x0000, { 0xD3, 0x34, 0xDB, 0x56, 0xED, 0x41, 0xED, 0xA3 });
    b.core.AF = 0x1200;
    b.core.BC = 0x0A0B;
    b.core.HL = 0x4000;
    b.mem[0x4000] = 0x99;
    b.inValue = 0x77;
    for (int i = 0; i < 4; ++i) b.step();
    ASSERT_EQ(3u, b.outs.size());
    ASSERT_EQ(1u, b.ins.size());
    EXPECT_EQ(0x1234, b.outs[0].port) << "OUT (n),A uses A x 256 + n";
    EXPECT_EQ(0x1256, b.ins[0].port) << "IN A,(n) uses A x 256 + n";
    EXPECT_EQ(0x0A0B, b.outs[1].port) << "OUT [C] uses all of BC";
    EXPECT_EQ(0x0A, b.outs[1].value);
    EXPECT_EQ(0x090B, b.outs[2].port) << "OUTI writes to BC after B was decremented";
    EXPECT_EQ(0x99, b.outs[2].value);
}

TEST(Z80Instructions, StackOrderAndConditionalCycles)
{
    Z80Bench b;
    b.core.PC = 0x0000;
    b.core.SP = 0x0000;   // PUSH wraps below 0
    // PUSH BC; RET NZ (taken with Z clear); ...
    b.load(0x0000, { 0xC5, 0xC0 });
    b.core.BC = 0x1234;
    EXPECT_EQ(12, b.step());
    EXPECT_EQ(0xFFFE, b.core.SP);
    EXPECT_EQ(0x34, b.mem[0xFFFE]) << "low byte at SP";
    EXPECT_EQ(0x12, b.mem[0xFFFF]) << "high byte at SP+1";
    EXPECT_EQ(12, b.step()) << "RET NZ taken";
    EXPECT_EQ(0x1234, b.core.PC);
    EXPECT_EQ(0x0000, b.core.SP);
    b.load(0x1234, { 0xC0, 0x10, 0xFE, 0x10, 0xFE });   // RET NZ (not taken); DJNZ; DJNZ
    b.core.AF = 0x0040;
    b.core.BC = 0x0200;
    EXPECT_EQ(6, b.step()) << "RET NZ not taken";
    EXPECT_EQ(14, b.step()) << "DJNZ taken";
    EXPECT_EQ(0x1235, b.core.PC);
    EXPECT_EQ(9, b.step()) << "DJNZ when B becomes 0";
    EXPECT_EQ(0x1237, b.core.PC);
}

TEST(Z80Instructions, NoBusesExecutesNothing)
{
    Z80Core core;
    Z80Core_Init(&core, 4000000, 4000000);
    Z80Core_Reset(&core);
    const int32_t cycles = Z80Core_Step(&core);
    const int32_t nmi = Z80Core_Interrupt(&core, Z80_NMI_VECTOR);
    EXPECT_EQ(0, cycles);
    EXPECT_EQ(0, nmi);
    EXPECT_EQ(0, core.PC);
    EXPECT_EQ(0, core.R);
    EXPECT_EQ(0, core.SP);
}

}  // namespace

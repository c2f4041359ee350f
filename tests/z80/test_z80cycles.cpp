// Cycle counts of one step, against the T-states of the Zilog Z80 CPU User
// Manual plus the wait state that each opcode fetch (M1) adds on the
// original hardware, and the few deviations that the core keeps. The table
// is printed in full, expected against actual, on every run.
#include <string>

#include "z80bench.h"

namespace {

const uint8_t Z = Z80_FLAG_Z, C = Z80_FLAG_C;

struct Row {
    const char* what;
    std::vector<uint8_t> code;
    int zilog;       // T-states from the Zilog manual (taken / repeating where it says so)
    int m1;          // opcode fetches, one wait state each
    int deviation;   // kept difference from the silicon
    uint8_t f = 0;   // flags before the step (conditions)
    uint16_t bc = 0x0202;   // B = 2: DJNZ and the repeating forms repeat
};

const std::vector<Row> kRows = {
    // unprefixed
    { "NOP", { 0x00 }, 4, 1, 0 },
    { "LD BC,nn", { 0x01, 0x34, 0x12 }, 10, 1, 0 },
    { "LD (BC),A", { 0x02 }, 7, 1, 0 },
    { "INC BC", { 0x03 }, 6, 1, 0 },
    { "INC B", { 0x04 }, 4, 1, 0 },
    { "LD B,n", { 0x06, 0x01 }, 7, 1, 0 },
    { "RLCA", { 0x07 }, 4, 1, 0 },
    { "EX AF,AF'", { 0x08 }, 4, 1, 0 },
    { "ADD HL,BC", { 0x09 }, 11, 1, 0 },
    { "LD A,(BC)", { 0x0A }, 7, 1, 0 },
    { "DJNZ e (B=2, jumps)", { 0x10, 0xFE }, 13, 1, 0 },
    { "DJNZ e (B=1, falls through)", { 0x10, 0xFE }, 8, 1, 0, 0, 0x0101 },
    { "JR e", { 0x18, 0x00 }, 12, 1, 0 },
    { "JR NZ,e (taken)", { 0x20, 0x00 }, 12, 1, 0 },
    { "JR Z,e (not taken)", { 0x28, 0x00 }, 7, 1, 0 },
    { "JR C,e (taken)", { 0x38, 0x00 }, 12, 1, 0, C },
    { "LD (nn),HL", { 0x22, 0x00, 0x30 }, 16, 1, 0 },
    { "LD HL,(nn)", { 0x2A, 0x00, 0x30 }, 16, 1, 0 },
    { "DAA", { 0x27 }, 4, 1, 0 },
    { "LD (nn),A", { 0x32, 0x00, 0x30 }, 13, 1, 0 },
    { "INC (HL)", { 0x34 }, 11, 1, 0 },
    { "DEC (HL)", { 0x35 }, 11, 1, 0 },
    { "LD (HL),n", { 0x36, 0x00 }, 10, 1, 0 },
    { "SCF", { 0x37 }, 4, 1, 0 },
    { "LD A,(nn)", { 0x3A, 0x00, 0x30 }, 13, 1, 0 },
    { "LD B,C", { 0x41 }, 4, 1, 0 },
    { "LD B,(HL)", { 0x46 }, 7, 1, 0 },
    { "LD (HL),B", { 0x70 }, 7, 1, 0 },
    { "HALT (each step while halted)", { 0x76 }, 4, 1, 0 },
    { "ADD A,B", { 0x80 }, 4, 1, 0 },
    { "SUB (HL)", { 0x96 }, 7, 1, 0 },
    { "CP n", { 0xFE, 0x00 }, 7, 1, 0 },
    { "RET NZ (taken)", { 0xC0 }, 11, 1, 0 },
    { "RET Z (not taken)", { 0xC8 }, 5, 1, 0 },
    { "POP BC", { 0xC1 }, 10, 1, 0 },
    { "JP NZ,nn (taken)", { 0xC2, 0x00, 0x90 }, 10, 1, 0 },
    { "JP Z,nn (not taken)", { 0xCA, 0x00, 0x90 }, 10, 1, 0 },
    { "JP nn", { 0xC3, 0x00, 0x90 }, 10, 1, 0 },
    { "CALL NZ,nn (taken)", { 0xC4, 0x00, 0x90 }, 17, 1, 0 },
    { "CALL Z,nn (not taken)", { 0xCC, 0x00, 0x90 }, 10, 1, 0 },
    { "CALL M,nn (not taken)", { 0xFC, 0x00, 0x90 }, 10, 1, 0 },
    { "PUSH BC", { 0xC5 }, 11, 1, 0 },
    { "RST 38h", { 0xFF }, 11, 1, 0 },
    { "RET", { 0xC9 }, 10, 1, 0 },
    { "CALL nn", { 0xCD, 0x00, 0x90 }, 17, 1, 0 },
    { "OUT (n),A", { 0xD3, 0x00 }, 11, 1, 0 },
    { "EXX", { 0xD9 }, 4, 1, 0 },
    { "IN A,(n)", { 0xDB, 0x00 }, 11, 1, 0 },
    { "EX (SP),HL", { 0xE3 }, 19, 1, 0 },
    { "JP (HL)", { 0xE9 }, 4, 1, 0 },
    { "EX DE,HL", { 0xEB }, 4, 1, 0 },
    { "DI", { 0xF3 }, 4, 1, 0 },
    { "LD SP,HL", { 0xF9 }, 6, 1, 0 },
    { "EI", { 0xFB }, 4, 1, 0 },
    // CB
    { "RLC B", { 0xCB, 0x00 }, 8, 2, 0 },
    { "RLC (HL)", { 0xCB, 0x06 }, 15, 2, 0 },
    { "SLL C (undocumented)", { 0xCB, 0x31 }, 8, 2, 0 },
    { "SRL A", { 0xCB, 0x3F }, 8, 2, 0 },
    { "BIT 0,B", { 0xCB, 0x40 }, 8, 2, 0 },
    { "BIT 0,(HL)", { 0xCB, 0x46 }, 12, 2, 0 },
    { "RES 0,(HL)", { 0xCB, 0x86 }, 15, 2, 0 },
    { "SET 7,A", { 0xCB, 0xFF }, 8, 2, 0 },
    // ED
    { "IN B,(C)", { 0xED, 0x40 }, 12, 2, 0 },
    { "OUT (C),B", { 0xED, 0x41 }, 12, 2, 0 },
    { "SBC HL,BC", { 0xED, 0x42 }, 15, 2, 0 },
    { "LD (nn),BC", { 0xED, 0x43, 0x00, 0x30 }, 20, 2, 0 },
    { "NEG", { 0xED, 0x44 }, 8, 2, 0 },
    { "RETN", { 0xED, 0x45 }, 14, 2, 0 },
    { "IM 0", { 0xED, 0x46 }, 8, 2, 0 },
    { "LD I,A", { 0xED, 0x47 }, 9, 2, 0 },
    { "ADC HL,SP", { 0xED, 0x7A }, 15, 2, 0 },
    { "LD SP,(nn)", { 0xED, 0x7B, 0x00, 0x30 }, 20, 2, 0 },
    { "RETI", { 0xED, 0x4D }, 14, 2, 0 },
    { "LD R,A", { 0xED, 0x4F }, 9, 2, 0 },
    { "IM 1", { 0xED, 0x56 }, 8, 2, 0 },
    { "LD A,I", { 0xED, 0x57 }, 9, 2, 0 },
    { "IM 2", { 0xED, 0x5E }, 8, 2, 0 },
    { "LD A,R", { 0xED, 0x5F }, 9, 2, 0 },
    { "RRD", { 0xED, 0x67 }, 18, 2, 0 },
    { "RLD", { 0xED, 0x6F }, 18, 2, 0 },
    { "IN (C) (undocumented)", { 0xED, 0x70 }, 12, 2, 0 },
    { "OUT (C),0 (undocumented)", { 0xED, 0x71 }, 12, 2, 0 },
    { "LDI", { 0xED, 0xA0 }, 16, 2, 0 },
    { "CPI", { 0xED, 0xA1 }, 16, 2, 0 },
    { "INI", { 0xED, 0xA2 }, 16, 2, 0 },
    { "OUTI", { 0xED, 0xA3 }, 16, 2, 0 },
    { "LDD", { 0xED, 0xA8 }, 16, 2, 0 },
    { "CPD", { 0xED, 0xA9 }, 16, 2, 0 },
    { "IND", { 0xED, 0xAA }, 16, 2, 0 },
    { "OUTD", { 0xED, 0xAB }, 16, 2, 0 },
    { "LDIR (repeats)", { 0xED, 0xB0 }, 21, 2, 0 },
    { "LDIR (last, BC=1)", { 0xED, 0xB0 }, 16, 2, 0, 0, 0x0001 },
    { "CPIR (repeats)", { 0xED, 0xB1 }, 21, 2, 0 },
    { "CPIR (last, BC=1)", { 0xED, 0xB1 }, 16, 2, 0, 0, 0x0001 },
    { "INIR (repeats)", { 0xED, 0xB2 }, 21, 2, 0 },
    { "INIR (last, B=1)", { 0xED, 0xB2 }, 16, 2, 0, 0, 0x0101 },
    { "OTIR (repeats)", { 0xED, 0xB3 }, 21, 2, 0 },
    { "OTIR (last, B=1)", { 0xED, 0xB3 }, 16, 2, 0, 0, 0x0101 },
    { "LDDR (repeats)", { 0xED, 0xB8 }, 21, 2, 0 },
    { "CPDR (repeats)", { 0xED, 0xB9 }, 21, 2, 0 },
    { "INDR (repeats)", { 0xED, 0xBA }, 21, 2, 0 },
    { "OTDR (last, B=1)", { 0xED, 0xBB }, 16, 2, 0, 0, 0x0101 },
    { "ED 00 (undefined: two NOPs)", { 0xED, 0x00 }, 8, 2, 0 },
    { "ED 77 (undefined)", { 0xED, 0x77 }, 8, 2, 0 },
    { "ED FF (undefined)", { 0xED, 0xFF }, 8, 2, 0 },
    // DD / FD with an index meaning
    { "LD IX,nn", { 0xDD, 0x21, 0x00, 0x00 }, 14, 2, 0 },
    { "LD IY,nn", { 0xFD, 0x21, 0x00, 0x00 }, 14, 2, 0 },
    { "ADD IX,BC", { 0xDD, 0x09 }, 15, 2, 0 },
    { "ADD IY,IY", { 0xFD, 0x29 }, 15, 2, 0 },
    { "LD (nn),IX", { 0xDD, 0x22, 0x00, 0x30 }, 20, 2, 0 },
    { "LD IY,(nn)", { 0xFD, 0x2A, 0x00, 0x30 }, 20, 2, 0 },
    { "INC IX", { 0xDD, 0x23 }, 10, 2, 0 },
    { "DEC IY", { 0xFD, 0x2B }, 10, 2, 0 },
    { "INC (IX+d)", { 0xDD, 0x34, 0x01 }, 23, 2, 0 },
    { "DEC (IY+d)", { 0xFD, 0x35, 0x01 }, 23, 2, 0 },
    { "LD (IX+d),n", { 0xDD, 0x36, 0x01, 0x00 }, 19, 2, 0 },
    { "LD B,(IX+d)", { 0xDD, 0x46, 0x01 }, 19, 2, 0 },
    { "LD (IY+d),A", { 0xFD, 0x77, 0x01 }, 19, 2, 0 },
    { "ADD A,(IX+d)", { 0xDD, 0x86, 0x01 }, 19, 2, 0 },
    { "CP (IY+d)", { 0xFD, 0xBE, 0x01 }, 19, 2, 0 },
    { "POP IX", { 0xDD, 0xE1 }, 14, 2, 0 },
    { "EX (SP),IX", { 0xDD, 0xE3 }, 23, 2, 0 },
    { "PUSH IY", { 0xFD, 0xE5 }, 15, 2, 0 },
    { "JP (IX)", { 0xDD, 0xE9 }, 8, 2, 0 },
    { "LD SP,IY", { 0xFD, 0xF9 }, 10, 2, 0 },
    // DD / FD without an index meaning: prefix (4) + the unprefixed count
    { "DD NOP", { 0xDD, 0x00 }, 4 + 4, 2, 0 },
    { "INC IXH (undocumented)", { 0xDD, 0x24 }, 4 + 4, 2, 0 },
    { "LD IYL,n (undocumented)", { 0xFD, 0x2E, 0x00 }, 4 + 7, 2, 0 },
    { "LD B,IXL (undocumented)", { 0xDD, 0x45 }, 4 + 4, 2, 0 },
    { "ADD A,IYH (undocumented)", { 0xFD, 0x84 }, 4 + 4, 2, 0 },
    { "DD EX DE,HL", { 0xDD, 0xEB }, 4 + 4, 2, 0 },
    { "DD HALT", { 0xDD, 0x76 }, 4 + 4, 2, 0 },
    { "DD JR e", { 0xDD, 0x18, 0x00 }, 4 + 12, 2, 0 },
    { "FD DJNZ (jumps)", { 0xFD, 0x10, 0x00 }, 4 + 13, 2, 0 },
    { "DD JP nn", { 0xDD, 0xC3, 0x00, 0x90 }, 4 + 10, 2, 0 },
    { "DD CALL nn", { 0xDD, 0xCD, 0x00, 0x90 }, 4 + 17, 2, 0 },
    { "DD RET NZ (taken)", { 0xDD, 0xC0 }, 4 + 11, 2, 0 },
    { "DD CALL NZ (not taken)", { 0xDD, 0xC4, 0x00, 0x90 }, 4 + 10, 2, 0, Z },
    { "DD CALL NC (taken)", { 0xDD, 0xD4, 0x00, 0x90 }, 4 + 17, 2, 0 },
    { "DD CALL Z (not taken)", { 0xDD, 0xCC, 0x00, 0x90 }, 4 + 10, 2, +1 },
    { "FD CALL Z (taken)", { 0xFD, 0xCC, 0x00, 0x90 }, 4 + 17, 2, +1, Z },
    { "DD CALL C (not taken)", { 0xDD, 0xDC, 0x00, 0x90 }, 4 + 10, 2, +1 },
    { "FD CALL PE (not taken)", { 0xFD, 0xEC, 0x00, 0x90 }, 4 + 10, 2, +1 },
    { "DD CALL M (not taken)", { 0xDD, 0xFC, 0x00, 0x90 }, 4 + 10, 2, +1 },
    { "DD then DD (dropped prefix, own step)", { 0xDD, 0xDD }, 4 + 4, 2, 0 },
    { "FD then ED (dropped prefix, own step)", { 0xFD, 0xED }, 4 + 4, 2, 0 },
    // DDCB / FDCB: two opcode fetches; the displacement and the last byte are reads
    { "RLC (IX+d)", { 0xDD, 0xCB, 0x01, 0x06 }, 23, 2, +1 },
    { "RLC (IX+d),B (undocumented)", { 0xDD, 0xCB, 0x01, 0x00 }, 23, 2, +1 },
    { "BIT 0,(IX+d)", { 0xDD, 0xCB, 0x01, 0x46 }, 20, 2, +1 },
    { "BIT 7,(IY+d)", { 0xFD, 0xCB, 0x01, 0x7E }, 20, 2, +1 },
    { "RES 0,(IY+d)", { 0xFD, 0xCB, 0x01, 0x86 }, 23, 2, +1 },
    { "SET 7,(IX+d)", { 0xDD, 0xCB, 0x01, 0xFE }, 23, 2, +1 },
};

TEST(Z80Cycles, OneStepAgainstTheZilogManual)
{
    std::printf("%-40s %6s %3s %4s %9s %7s\n", "instruction", "Zilog", "M1", "dev", "expected", "actual");
    int mismatches = 0;
    for (const Row& row : kRows) {
        Z80Bench b;
        b.core.PC = 0x8000;
        b.core.SP = 0xF000;
        b.core.HL = b.core.DE = b.core.IX = b.core.IY = 0x4000;
        b.core.BC = row.bc;
        b.core.AF = row.f;
        b.mem[0x4000] = 0xFF;   // so that CPIR/CPDR with A = 0 find no match
        for (size_t i = 0; i < row.code.size(); ++i) b.mem[0x8000 + i] = row.code[i];
        const int expected = row.zilog + row.m1 + row.deviation;
        const int actual = b.step();
        std::printf("%-40s %6d %+3d %+4d %9d %7d%s\n", row.what, row.zilog, row.m1, row.deviation, expected, actual,
                    expected == actual ? "" : "   <-- differs");
        if (expected != actual) ++mismatches;
        EXPECT_EQ(expected, actual) << row.what << ": Zilog " << row.zilog << " + " << row.m1 << " M1 waits + "
                                    << row.deviation << " kept deviation";
    }
    EXPECT_EQ(0, mismatches);
}

// A halted processor keeps paying the HALT's 5 cycles and counting R.
TEST(Z80Cycles, HaltedSteps)
{
    Z80Bench b;
    b.core.PC = 0x8000;
    b.mem[0x8000] = 0x76;
    int32_t total = 0;
    for (int i = 0; i < 10; ++i) total += b.step();
    EXPECT_EQ(50, total) << "10 halted steps";
    EXPECT_EQ(0x8000, b.core.PC) << "PC stays on the HALT";
    EXPECT_EQ(10, b.core.R) << "R";
    EXPECT_TRUE(b.core.status & Z80_HALTED);
}

}  // namespace

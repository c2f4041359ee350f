// Interrupt timing of the Z80 core: when an interrupt is taken (EI delay,
// HALT), where it goes (modes 0, 1, 2, NMI), what it costs and how RETN and
// RETI leave the enable flags. The table is printed in full, expected
// against actual, on every run.
//
// Zilog's acceptance figures are NMI 11, mode 0 with an RST 13, mode 1 13,
// mode 2 19 T-states. The core charges an acceptance like the opcode fetch
// it stands for (RST 38h for NMI, modes 0 and 1; CALL for mode 2), wait
// state included: 12, 12, 12, 18.
#include <functional>
#include <string>

#include "z80bench.h"

namespace {

struct Outcome {
    int32_t cycles;       // of the acceptance (0: refused)
    uint16_t pc;          // after it
    uint16_t pushed;      // return address on the stack (0 when refused)
    uint8_t status;       // IFF1 IM1 IM2 IFF2 EI-pending HALT bits after it
    int stepsBefore;      // instructions run before the acceptance
};

struct Row {
    const char* what;
    int zilog;                                    // 0: no Zilog figure (refusal)
    Outcome want;
    std::function<Outcome(Z80Bench&)> run;
};

// Steps the bench, offering the interrupt after each instruction as the
// processor's slice loop does, until it is accepted or maxSteps have run.
Outcome StepUntilAccepted(Z80Bench& b, uint32_t vector, int maxSteps)
{
    Outcome o = { 0, 0, 0, 0, 0 };
    for (int i = 0; i < maxSteps; ++i) {
        b.step();
        ++o.stepsBefore;
        o.cycles = Z80Core_Interrupt(&b.core, vector);
        if (o.cycles != 0) break;
    }
    o.pc = b.core.PC;
    o.pushed = o.cycles != 0 ? (uint16_t)(b.mem[b.core.SP] | b.mem[(uint16_t)(b.core.SP + 1)] << 8) : 0;
    o.status = b.core.status;
    return o;
}

// Program at 0x0100; SP 0x8000; handlers at 0x0038 and 0x0066 are NOPs.
void Start(Z80Bench& b, std::initializer_list<uint8_t> code, uint8_t status)
{
    b.core.PC = 0x0100;
    b.core.SP = 0x8000;
    b.core.status = status;
    b.load(0x0100, code);
}

const uint8_t IFF = Z80_IFF1 | Z80_IFF2;

const std::vector<Row> kRows = {
    { "EI; NOP (mode 1): taken after the NOP", 13, { 12, 0x0038, 0x0102, Z80_IM1, 2 },
      [](Z80Bench& b) { Start(b, { 0xFB, 0x00, 0x00 }, Z80_IM1); return StepUntilAccepted(b, 0xFF, 5); } },
    { "EI; EI (mode 1): taken after the second EI", 13, { 12, 0x0038, 0x0102, Z80_IM1, 2 },
      [](Z80Bench& b) { Start(b, { 0xFB, 0xFB, 0x00 }, Z80_IM1); return StepUntilAccepted(b, 0xFF, 5); } },
    { "EI with interrupts on: no delay", 13, { 12, 0x0038, 0x0101, Z80_IM1, 1 },
      [](Z80Bench& b) { Start(b, { 0xFB, 0x00 }, Z80_IM1 | IFF); return StepUntilAccepted(b, 0xFF, 5); } },
    { "DI: refused", 0, { 0, 0x0104, 0, Z80_IM1, 4 },
      [](Z80Bench& b) { Start(b, { 0xF3, 0x00, 0x00, 0x00 }, Z80_IM1 | IFF); return StepUntilAccepted(b, 0xFF, 4); } },
    { "HALT (mode 1): pushes HALT + 1", 13, { 12, 0x0038, 0x0101, Z80_IM1, 3 },
      [](Z80Bench& b) {
          Start(b, { 0x76 }, Z80_IM1 | IFF);
          for (int i = 0; i < 2; ++i) b.step();   // halted, interrupt not yet raised
          Outcome o = StepUntilAccepted(b, 0xFF, 1);
          o.stepsBefore += 2;
          return o;
      } },
    { "mode 0, RST 38h on the bus", 13, { 12, 0x0038, 0x0101, 0, 1 },
      [](Z80Bench& b) { Start(b, { 0x00 }, IFF); return StepUntilAccepted(b, 0xFF, 1); } },
    { "mode 0, RST 10h on the bus", 13, { 12, 0x0010, 0x0101, 0, 1 },
      [](Z80Bench& b) { Start(b, { 0x00 }, IFF); return StepUntilAccepted(b, 0xD7, 1); } },
    { "mode 0, no restart on the bus: stays", 13, { 12, 0x0101, 0x0101, 0, 1 },
      [](Z80Bench& b) { Start(b, { 0x00 }, IFF); return StepUntilAccepted(b, 0x00, 1); } },
    { "mode 1", 13, { 12, 0x0038, 0x0101, Z80_IM1, 1 },
      [](Z80Bench& b) { Start(b, { 0x00 }, Z80_IM1 | IFF); return StepUntilAccepted(b, 0x12, 1); } },
    { "mode 2, I=12h vector 34h: PC from 1234h", 19, { 18, 0xBEEF, 0x0101, Z80_IM2, 1 },
      [](Z80Bench& b) {
          Start(b, { 0x00 }, Z80_IM2 | IFF);
          b.core.I = 0x12;
          b.mem[0x1234] = 0xEF;
          b.mem[0x1235] = 0xBE;
          return StepUntilAccepted(b, 0x34, 1);
      } },
    { "mode 2, I=FFh vector FFh: high byte from 0000h", 19, { 18, 0x4C11, 0x0101, Z80_IM2, 1 },
      [](Z80Bench& b) {
          Start(b, { 0x00 }, Z80_IM2 | IFF);
          b.core.I = 0xFF;
          b.mem[0xFFFF] = 0x11;
          b.mem[0x0000] = 0x4C;
          return StepUntilAccepted(b, 0xFF, 1);
      } },
    { "NMI: keeps IFF2", 11, { 12, 0x0066, 0x0101, Z80_IFF2 | Z80_IM1, 1 },
      [](Z80Bench& b) { Start(b, { 0x00 }, Z80_IM1 | IFF); return StepUntilAccepted(b, Z80_NMI_VECTOR, 1); } },
    { "NMI with interrupts off", 11, { 12, 0x0066, 0x0101, 0, 1 },
      [](Z80Bench& b) { Start(b, { 0x00 }, 0); return StepUntilAccepted(b, Z80_NMI_VECTOR, 1); } },
    { "NMI right after EI: the EI is lost", 11, { 12, 0x0066, 0x0101, 0, 1 },
      [](Z80Bench& b) { Start(b, { 0xFB }, 0); return StepUntilAccepted(b, Z80_NMI_VECTOR, 1); } },
    { "NMI while halted: pushes HALT + 1", 11, { 12, 0x0066, 0x0101, 0, 1 },
      [](Z80Bench& b) { Start(b, { 0x76 }, 0); return StepUntilAccepted(b, Z80_NMI_VECTOR, 1); } },
};

std::string Hex(unsigned v, int digits)
{
    char s[16];
    std::snprintf(s, sizeof s, "%0*X", digits, v);
    return s;
}

TEST(Z80Interrupts, AcceptanceTable)
{
    std::printf("%-44s %5s | %-25s | %-25s\n", "case", "Zilog", "expected cyc PC push st n",
                "actual   cyc PC push st n");
    for (const Row& row : kRows) {
        Z80Bench b;
        const Outcome got = row.run(b);
        const Outcome& w = row.want;
        const bool same = w.cycles == got.cycles && w.pc == got.pc && w.pushed == got.pushed &&
                          w.status == got.status && w.stepsBefore == got.stepsBefore;
        std::printf("%-44s %5d | %3d %s %s %s %d | %3d %s %s %s %d%s\n", row.what, row.zilog, w.cycles,
                    Hex(w.pc, 4).c_str(), Hex(w.pushed, 4).c_str(), Hex(w.status, 2).c_str(), w.stepsBefore,
                    got.cycles, Hex(got.pc, 4).c_str(), Hex(got.pushed, 4).c_str(), Hex(got.status, 2).c_str(),
                    got.stepsBefore, same ? "" : "   <-- differs");
        EXPECT_EQ(w.cycles, got.cycles) << row.what << ": cycles";
        EXPECT_EQ(w.pc, got.pc) << row.what << ": PC";
        EXPECT_EQ(w.pushed, got.pushed) << row.what << ": pushed address";
        EXPECT_EQ(w.status, got.status) << row.what << ": status";
        EXPECT_EQ(w.stepsBefore, got.stepsBefore) << row.what << ": instructions before acceptance";
    }
}

TEST(Z80Interrupts, AcceptanceAdvancesR)
{
    Z80Bench b;
    Start(b, { 0x00 }, Z80_IM1 | IFF);
    b.core.R = 0xFF;
    b.step();
    EXPECT_EQ(0x80, b.core.R) << "R after the NOP keeps bit 7";
    Z80Core_Interrupt(&b.core, 0xFF);
    EXPECT_EQ(0x81, b.core.R) << "R after the acceptance";
}

TEST(Z80Interrupts, RetnRestoresAndRetiDoesNot)
{
    // NMI handler at 0x0066: RETN. Maskable mode 1 handler at 0x0038: RETI.
    Z80Bench b;
    Start(b, { 0x00, 0x00 }, Z80_IM1 | IFF);
    b.load(0x0066, { 0xED, 0x45 });
    b.load(0x0038, { 0xED, 0x4D });
    b.step();
    ASSERT_EQ(12, Z80Core_Interrupt(&b.core, Z80_NMI_VECTOR));
    EXPECT_EQ(Z80_IM1 | Z80_IFF2, b.core.status) << "in the NMI handler";
    EXPECT_EQ(0, Z80Core_Interrupt(&b.core, 0xFF)) << "maskable refused inside the NMI handler";
    EXPECT_EQ(16, b.step()) << "RETN";
    EXPECT_EQ(0x0101, b.core.PC);
    EXPECT_EQ(Z80_IM1 | IFF, b.core.status) << "RETN copied IFF2 into IFF1";
    ASSERT_EQ(12, Z80Core_Interrupt(&b.core, 0xFF));
    EXPECT_EQ(0x0038, b.core.PC);
    EXPECT_EQ(16, b.step()) << "RETI";
    EXPECT_EQ(0x0101, b.core.PC);
    EXPECT_EQ(Z80_IM1, b.core.status) << "RETI leaves interrupts disabled";
}

}  // namespace

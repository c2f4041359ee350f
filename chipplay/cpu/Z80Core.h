// Z80Core: the Z80's execution core, a plain record with plain functions.
// The processor class steps it one instruction at a time; the core itself
// knows nothing of time, threads or the host.
//
//   Z80Core core;
//   Z80Core_Init(&core, 4000000, 4000000);   // cycle ratio 1.0
//   Z80Core_Reset(&core);
//   core.PC = 0x0100;
//   Z80Buses buses = { &memoryBus, &ioBus };
//   core.buses = &buses;                     // what the processor runs on
//   cycles += Z80Core_Step(&core);           // one instruction
//   Z80Core_Run(&core, &cycles, target, &stopFlag, false);   // many
//   cycles += Z80Core_Interrupt(&core, 0xFF); // 0 when not accepted
//
// Every memory and port access is one byte through a Bus (a 16-bit value is
// two accesses, low byte first); with no buses the core executes nothing.
// The core finds its buses in its own record rather than in a global, so
// cores on different threads never meet, and no thread-local lookup (a
// function call per access on the Windows build) sits on the hot path.
//
// Cycles are T-states plus one wait state per opcode fetch (M1): an
// unprefixed instruction costs its Zilog count + 1, a CB, ED, DD or FD
// instruction its Zilog count + 2. Known differences from the silicon, kept
// on purpose because the music programs were timed against them:
//  - DDCB/FDCB forms cost 26 (23 for BIT), one more than Zilog + 2, and
//    advance R by 3;
//  - DD/FD with CALL Z, CALL C, CALL PE or CALL M costs one more than with
//    the other four conditions;
//  - a DD or FD followed by another prefix is a step of its own (10 cycles);
//  - there is no internal address register (MEMPTR): BIT leaves flag bits
//    5 and 3 clear, and INI, IND, OUTI, OUTD and their repeats clear P/V;
//  - EI while interrupts are already enabled does nothing, so EI; EI lets an
//    interrupt in right after the second EI.
#pragma once

#include <array>
#include <cstdint>

class Bus;

// Status byte bits.
enum : uint8_t {
    Z80_IFF1 = 0x01,        // maskable interrupts enabled
    Z80_IM1 = 0x02,         // interrupt mode 1
    Z80_IM2 = 0x04,         // interrupt mode 2 (neither bit: mode 0)
    Z80_IFF2 = 0x08,
    Z80_EI_PENDING = 0x20,  // EI done; takes effect at the next step
    Z80_HALTED = 0x80,
};

// Flag bits of F.
enum : uint8_t {
    Z80_FLAG_C = 0x01,
    Z80_FLAG_N = 0x02,
    Z80_FLAG_PV = 0x04,
    Z80_FLAG_3 = 0x08,
    Z80_FLAG_H = 0x10,
    Z80_FLAG_5 = 0x20,
    Z80_FLAG_Z = 0x40,
    Z80_FLAG_S = 0x80,
};

// The interrupt vector that stands for the NMI.
const uint32_t Z80_NMI_VECTOR = 0xFFFF;

// The buses through which a core reaches memory and ports.
struct Z80Buses {
    Bus* memory;
    Bus* io;
};

struct Z80Core {
    // Each pair keeps its high register in the high byte (A, B, D, H).
    uint16_t AF, BC, DE, HL;
    uint16_t AF2, BC2, DE2, HL2;    // the alternate set
    uint16_t IX, IY, PC, SP;
    uint8_t status;                 // Z80_IFF1 ... Z80_HALTED
    uint8_t I;
    uint8_t R;
    // Cycle tables: unprefixed (256 + 256 taken extras), CB (256),
    // ED (256 + 256 repeat extras), DD/FD (256 + 256), DDCB/FDCB (256).
    const int8_t* cyclesMain;
    const int8_t* cyclesCB;
    const int8_t* cyclesED;
    const int8_t* cyclesXY;
    const int8_t* cyclesXYCB;
    float cycleRatio;               // clock / base clock
    uint32_t stepCycles;            // cycles of the instruction being executed
    void (*decoder)(Z80Core* core); // Z80Core_Execute
    Z80Buses* buses;                // memory and I/O; null: nothing runs
};

void Z80Core_Init(Z80Core* core, int64_t clock, int64_t baseClock);
void Z80Core_Reset(Z80Core* core);
// One instruction (or one dropped prefix); returns its cycles.
int32_t Z80Core_Step(Z80Core* core);
// Steps while *cycles < target, adding each instruction's cycles to *cycles
// as it completes (a handler called during an instruction sees the count up
// to that instruction, as with single steps). Ends early after an
// instruction during which *stop became true (a handler asking the caller
// to look at its own state), or, with stopOnHalt, that left the core
// halted. Returns the cycles of the last instruction run, 0 when none ran;
// with no buses nothing runs. The same instructions and counts as a loop of
// Z80Core_Step, without its per-instruction call and bus checks.
int32_t Z80Core_Run(Z80Core* core, int64_t* cycles, int64_t target, const bool* stop, bool stopOnHalt);
// Tries to accept an interrupt (Z80_NMI_VECTOR: NMI); returns its cycles, or
// 0 when a maskable interrupt is refused.
int32_t Z80Core_Interrupt(Z80Core* core, uint32_t vector);

// Decoders: each executes the rest of one instruction.
void Z80Core_Execute(Z80Core* core);
void Z80Core_ExecCB(Z80Core* core);
void Z80Core_ExecED(Z80Core* core);
void Z80Core_ExecDD(Z80Core* core);
void Z80Core_ExecFD(Z80Core* core);
void Z80Core_ExecDDCB(Z80Core* core);
void Z80Core_ExecFDCB(Z80Core* core);

// Constant tables (Z80Tables.cpp).
extern const int8_t Z80Core_CyclesMain[512];
extern const int8_t Z80Core_CyclesCB[256];
extern const int8_t Z80Core_CyclesED[512];
extern const int8_t Z80Core_CyclesXY[512];
extern const int8_t Z80Core_CyclesXYCB[256];
extern const std::array<uint8_t, 256> Z80Core_SZ;     // S, Z
extern const std::array<uint8_t, 256> Z80Core_SZP;    // S, Z, P/V (even parity)
extern const std::array<uint16_t, 2048> Z80Core_DAA;  // AF after DAA, by A + 256 C + 512 H + 1024 N

// YM2203: the OPN (three FM channels and an SSG) as the VM and the PC-8801
// drivers see it.
//
//   YM2203* opn = new YM2203(vm);
//   opn->init(3993600, 44100);
//   vm->addChip(opn);
//   opn->attach(OnInterrupt, driver, 0);    // (context, line, argument) on each change
//   opn->write(0, 0x28); opn->write(1, 0xF0);
//
// Ports (OpnFamilyChip.h, one bank): 0 address, 1 data, 2 and 3 unused
// (reads give 0xFF). Reads: port 0 status (bit 0 timer A, bit 1 timer B),
// port 1 SSG registers 0-15.
// Writing the address 0x2D, 0x2E or 0x2F alone selects the prescaler
// (FM clock / 6, / 3, / 2; SSG / 4, / 2, / 1): the core, the note table and
// the SSG display all change with it.
// Channel records: FM 1-3, SSG 1-3.
#pragma once

#include "OpnFamilyChip.h"
#include "opn.h"

#include <cstdint>

class VM;

class YM2203 : public OpnFamilyChip<OpnCore, 6, 256> {
public:
    explicit YM2203(VM* vm);

    // FM channels 1-3 are the core's mask bits 0-2, SSG 1-3 its bits 6-8.
    bool setMask(uint32_t mask) override;
};

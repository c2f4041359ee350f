// YM2608: the OPNA (six FM channels, SSG, ADPCM-B and rhythm) as the VM and
// the PC-8801 drivers see it.
//
//   YM2608* opna = new YM2608(vm);
//   if (!opna->init(7987200, 44100)) ...   // ADPCM RAM not allocated
//   vm->addChip(opna);
//   opna->attach(OnInterrupt, driver, 0);
//   memcpy(opna->getAdpcmMemory(), image, size);
//
// Ports (OpnFamilyChip.h, two banks): 0 bank-0 address, 1 bank-0 data,
// 2 bank-1 address, 3 bank-1 data (registers 0x100 + address). Reads: 0
// status (timers A and B), 1 bank-0 register (SSG), 2 extended status, 3
// bank-1 register (ADPCM data). Writing the bank-0 address 0x2D, 0x2E or 0x2F alone selects the
// prescaler (FM master / 12, / 6, / 4; SSG / 8, / 4, / 2), on the core, the
// note table and the SSG display together.
// Channel records: FM 1-6, SSG 1-3, ADPCM, rhythm 1-6.
#pragma once

#include "OpnFamilyChip.h"
#include "opna.h"

#include <cstdint>

class VM;

class YM2608 : public OpnFamilyChip<OpnaCore, 16, 512> {
public:
    explicit YM2608(VM* vm);

    void setVolumeAdpcm(int32_t v) { mCore.setVolumeAdpcm(v); }
    void setVolumeRhythm(int32_t v) { mCore.setVolumeRhythm(v); }
    void setVolumeRhythmInstrument(int32_t i, int32_t v) { mCore.setVolumeRhythmInstrument(i, v); }
    uint8_t* getAdpcmMemory() { return mCore.getAdpcmMemory(); }

private:
    // The rhythm and ADPCM channels; the rest as every OPN.
    void updateStatus(uint32_t reg, uint8_t data) override;
};

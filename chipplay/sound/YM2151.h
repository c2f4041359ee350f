// YM2151: the OPM (eight FM channels) as the VM and the X1 drivers see it.
//
//   YM2151* opm = new YM2151(vm);
//   opm->init(4000000, 44100);
//   vm->addChip(opm);
//   opm->write(0, 0x28); opm->write(1, 0x4A);   // channel 1 KC: octave 4, A
//
// Port bit 0: 0 address, 1 data. A read gives the status (bit 0 timer A,
// bit 1 timer B). The interrupt line is kept but reported to nobody: no
// driver of the OPM listens to it.
//
// Key codes (YM2151 application manual): octave in bits 4-6, note code in
// bits 0-3 with 3, 7, 11 and 15 unused (the chip plays them as the next
// code up); KC 0x4A is A4, 440 Hz at 3579545 Hz and in proportion to the
// clock. The display note comes from that same pitch.
#pragma once

#include "ChipWrapper.h"
#include "opm.h"

#include <cstdint>

class VM;

class YM2151 : public FmChipWrapper<OpmCore, 8, 256> {
public:
    explicit YM2151(VM* vm);

    bool init(uint32_t clock, uint32_t rate);
    void write(uint8_t port, uint8_t data);
    uint8_t read(uint8_t port);
    void setVolumeFm(int32_t v) { mCore.setVolumeFm(v); }

    // The display note of key code kc (7 bits) and key fraction kf (6 bits).
    int32_t noteOfKey(uint32_t kc, uint32_t kf) const { return mNotes[((kc & 0x7F) << 6) | (kf & 63)]; }

private:
    void buildNoteTable(uint32_t clock);
    void updateStatus(uint32_t reg, uint8_t data);

    uint8_t mNotes[8192];
};

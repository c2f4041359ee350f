// PsgState: the display shadow of a PSG. It follows the register writes and
// fills three ChannelStatus records (note, volume, key-on level) for the
// keyboard and level-meter windows; it never changes the sound.
//
//   PsgState state(&channels[3]);     // records of SSG 1-3
//   state.setClock(998400);           // the clock the PSG core is fed
//   state.writeRegister(8, 15);
//
// The clock is the one the PSG core is given, which sounds at
// clock / (8 x TP); the note table follows that pitch.
#pragma once

#include "Object.h"

#include <cstdint>

struct ChannelStatus;

class PsgState : public virtual Object {
public:
    explicit PsgState(ChannelStatus* channels);

    // Rebuilds the note table when the clock changes.
    void setClock(uint32_t clock);
    void writeRegister(uint32_t reg, uint32_t data);

    uint32_t getClock() const { return mClock; }
    int32_t noteOfPeriod(uint32_t period) const { return mNotes[period & 0xFFF]; }

private:
    void updateChannel(int c, bool retrigger);

    ChannelStatus* mChannels;
    uint8_t mRegs[16];
    uint32_t mClock;
    uint8_t mNotes[4096];
    int8_t mLastVolume[3];
};

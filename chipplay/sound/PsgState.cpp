#include "PsgState.h"

#include "Chip.h"
#include "VM.h"

#include <cstring>

PsgState::PsgState(ChannelStatus* channels) : mChannels(channels), mClock(0)
{
    std::memset(mRegs, 0, sizeof(mRegs));
    std::memset(mLastVolume, 0, sizeof(mLastVolume));
    setClock(1000000);
}

void PsgState::setClock(uint32_t clock)
{
    if (clock == mClock) return;
    mClock = clock;
    mNotes[0] = 119;
    for (int p = 1; p < 4096; p++) mNotes[p] = static_cast<uint8_t>(noteFromFrequency(clock / (8.0 * p)));
}

void PsgState::writeRegister(uint32_t reg, uint32_t data)
{
    if (reg >= 16) return;
    mRegs[reg] = static_cast<uint8_t>(data);
    if (reg > 13) return;
    if (reg < 6) {
        updateChannel(static_cast<int>(reg / 2), false);
    } else if (reg < 8) {
        for (int c = 0; c < 3; c++) updateChannel(c, false);
    } else if (reg < 11) {
        updateChannel(static_cast<int>(reg - 8), false);
    } else if (reg == 13) {
        // A new envelope shape restarts the envelope: every channel that
        // follows it sounds again.
        for (int c = 0; c < 3; c++)
            if (mRegs[8 + c] & 0x10) updateChannel(c, true);
    }
}

void PsgState::updateChannel(int c, bool retrigger)
{
    ChannelStatus& ch = mChannels[c];
    //  R7: bit c tone off, bit c + 3 noise off
    const int m = (mRegs[7] >> c) & 9;
    if (m == 9) {
        ch.level &= 0x80;
        return;
    }
    int v = mRegs[8 + c] & 15;
    if ((m & 1) == 0)
        ch.note = mNotes[((mRegs[2 * c + 1] << 8) + mRegs[2 * c]) & 0xFFF];
    else
        ch.note = 67 - (mRegs[6] & 31);
    bool silent = false;
    if (mRegs[8 + c] & 0x10) {
        v = 15;
    } else if (v == 0) {
        silent = true;
        retrigger = false;
    }
    ch.volume = v * 8;
    if (mLastVolume[c] < v || retrigger)
        ch.level = 255;
    else if (silent)
        ch.level &= 0x80;
    mLastVolume[c] = static_cast<int8_t>(v);
}

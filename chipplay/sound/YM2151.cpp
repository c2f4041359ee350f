#include "YM2151.h"

#include <cmath>
#include <cstring>

YM2151::YM2151(VM* vm) : FmChipWrapper(vm, ChipInfo::TYPE_YM2151, "sound/YM2151.cpp")
{
    std::memset(mNotes, 0, sizeof(mNotes));
}

bool YM2151::init(uint32_t clock, uint32_t rate)
{
    if (!mCore.init(clock, rate)) {
        System::error("[YM2151]チップの初期化に失敗しました\n");
        return false;
    }
    mCore.setMask(0);
    reset();
    buildNoteTable(clock);
    openStreamAndTimers();
    return true;
}

// Index octave << 10 | note code << 6 | fraction. Semitones above C#0 of
// the note codes (the unused codes play as the next one up); A4 (octave 4,
// code 10, 56 semitones up) is 440 Hz at 3579545 Hz.
void YM2151::buildNoteTable(uint32_t clock)
{
    static const int kSemitone[16] = {0, 1, 2, 3, 3, 4, 5, 6, 6, 7, 8, 9, 9, 10, 11, 12};
    for (int i = 0; i < 8192; i++) {
        const int x = (kSemitone[(i >> 6) & 15] + 12 * (i >> 10)) * 64 + (i & 63) - 56 * 64;
        const double hz = std::pow(2.0, x / 768.0) * clock * (440.0 / 3579545.0);
        mNotes[i] = static_cast<uint8_t>(noteFromFrequency(hz));
    }
}

void YM2151::write(uint8_t port, uint8_t data)
{
    if ((port & 1) == 0) {
        mLatch[0] = data;
        return;
    }
    // Timer A (0x10, 0x11), timer B (0x12), control (0x14).
    writeCore(mLatch[0], data, 0x10, 0x14);
    updateStatus(mLatch[0], data);
    rescheduleAfter(mLatch[0], 0x14);
}

uint8_t YM2151::read(uint8_t port)
{
    (void)port;
    return static_cast<uint8_t>(mCore.readStatus() & 3);
}

void YM2151::updateStatus(uint32_t reg, uint8_t data)
{
    mRegs[reg & 0xFF] = data;
    if (reg == 0x08) {
        ChannelStatus& ch = mChannels[data & 7];
        if (data & 0x78)
            ch.level = 255;
        else
            ch.level &= 0x80;
    } else if (reg >= 0x20 && reg <= 0x27) {
        //  bit 7 right, bit 6 left
        ChannelStatus& ch = mChannels[reg & 7];
        switch (data & 0xC0) {
        case 0xC0: ch.pan = ChannelStatus::PAN_BOTH; break;
        case 0x80: ch.pan = ChannelStatus::PAN_RIGHT; break;
        case 0x40: ch.pan = ChannelStatus::PAN_LEFT; break;
        default: ch.pan = ChannelStatus::PAN_NONE; break;
        }
    } else if (reg >= 0x28 && reg <= 0x37) {
        const uint32_t c = reg & 7;
        mChannels[c].note = noteOfKey(mRegs[0x28 + c], mRegs[0x30 + c] >> 2);
    } else if (reg >= 0x78 && reg <= 0x7F) {
        mChannels[reg & 7].volume = 127 - (data & 0x7F);
    }
}

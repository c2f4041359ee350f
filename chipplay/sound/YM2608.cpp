#include "YM2608.h"

namespace {
const uint32_t kSsgDivisors[3] = {8, 4, 2};

enum { ADPCM = 9, RHYTHM = 10 };
}  // namespace

// FM pitch: 2^block x F x clock / (prescaler x 24 x 2^21), the master clock
// being twice the OPN's; the SSG runs at the master / 8, / 4 or / 2.
YM2608::YM2608(VM* vm)
    : OpnFamilyChip(vm, ChipInfo::TYPE_YM2608, "sound/YM2608.cpp", "[YM2608]チップの初期化に失敗しました\n",
                    50331648.0, kSsgDivisors)
{
}

void YM2608::updateStatus(uint32_t reg, uint8_t data)
{
    switch (reg) {
    case 0x10:
        for (int i = 0; i < 6; i++)
            if (data & (1 << i)) keyLevel(mChannels[RHYTHM + i], (data & 0x80) == 0);
        return;
    case 0x18: case 0x19: case 0x1A: case 0x1B: case 0x1C: case 0x1D: {
        ChannelStatus& ch = mChannels[RHYTHM + reg - 0x18];
        ch.volume = (data & 31) * 4;
        ch.pan = panOf(data);
        return;
    }
    case 0x100:
        keyLevel(mChannels[ADPCM], (data & 0x80) != 0);
        return;
    case 0x101:
        mChannels[ADPCM].pan = panOf(data);
        return;
    case 0x109:
    case 0x10A: {
        const uint32_t deltaN = (mRegs[0x10A] << 8) + mRegs[0x109];
        mChannels[ADPCM].note = noteFromFrequency(mClock * static_cast<double>(deltaN) * 2.515320589042349e-9);
        return;
    }
    case 0x10B:
        mChannels[ADPCM].volume = data >> 1;
        return;
    default:
        OpnFamilyChip::updateStatus(reg, data);
        return;
    }
}

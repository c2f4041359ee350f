#include "YM2203.h"

namespace {
// The SSG runs at the master clock / 4, / 2 or / 1 under 0x2D, 0x2E, 0x2F.
const uint32_t kSsgDivisors[3] = {4, 2, 1};
}

// FM pitch: 2^block x F x clock / (prescaler x 12 x 2^21).
YM2203::YM2203(VM* vm)
    : OpnFamilyChip(vm, ChipInfo::TYPE_YM2203, "sound/YM2203.cpp", "[YM2203]チップの初期化に失敗しました\n",
                    25165824.0, kSsgDivisors, 3)
{
}

bool YM2203::init(uint32_t clock, uint32_t rate)
{
    return initFamily(clock, rate);
}

void YM2203::write(uint8_t port, uint8_t data)
{
    switch (port & 3) {
    case 0:
        writeAddress(data);
        break;
    case 1:
        writeData(mLatch[0], data);
        break;
    default:
        break;
    }
}

uint8_t YM2203::read(uint8_t port)
{
    switch (port & 3) {
    case 0:
        return static_cast<uint8_t>(mCore.readStatus() & 3);
    case 1:
        return mCore.getReg(mLatch[0]);
    default:
        return 0xFF;
    }
}

void YM2203::updateStatus(uint32_t reg, uint8_t data)
{
    if (reg == 0x28) {
        // Bit 2 selects the OPNA's second bank; the OPN has none, and its
        // core ignores the bit too.
        const uint32_t c = data & 3;
        if (c == 3) return;
        ChannelStatus& ch = mChannels[c];
        if (data & 0xF0)
            ch.level = 255;
        else
            ch.level &= 0x80;
        return;
    }
    if (reg < 0x10) {
        mPsgState.writeRegister(reg, data);
        return;
    }
    if ((reg & 3) == 3) return;
    ChannelStatus& ch = mChannels[reg & 3];
    if (reg >= 0x4C && reg <= 0x4E) {
        ch.volume = 127 - (data & 0x7F);
    } else if (reg >= 0xA0 && reg <= 0xA2) {
        ch.note = noteOf((mRegs[reg + 4] << 8) | data);
    }
}

bool YM2203::setMask(uint32_t mask)
{
    mCore.setMask((mask & 7) | ((mask & 0x38) << 3));
    return true;
}

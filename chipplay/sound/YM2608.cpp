#include "YM2608.h"

namespace {
const uint32_t kSsgDivisors[3] = {8, 4, 2};

// Pan bits 7 (left) and 6 (right) of the ADPCM, rhythm and FM channels.
int32_t PanOf(uint8_t data)
{
    switch (data & 0xC0) {
    case 0xC0: return ChannelStatus::PAN_BOTH;
    case 0x80: return ChannelStatus::PAN_LEFT;
    case 0x40: return ChannelStatus::PAN_RIGHT;
    default: return ChannelStatus::PAN_NONE;
    }
}

void KeyLevel(ChannelStatus& ch, bool on)
{
    if (on)
        ch.level = 255;
    else
        ch.level &= 0x80;
}

enum { ADPCM = 9, RHYTHM = 10 };
}  // namespace

// FM pitch: 2^block x F x clock / (prescaler x 24 x 2^21), the master clock
// being twice the OPN's; the SSG runs at the master / 8, / 4 or / 2.
YM2608::YM2608(VM* vm)
    : OpnFamilyChip(vm, ChipInfo::TYPE_YM2608, "sound/YM2608.cpp", "[YM2608]チップの初期化に失敗しました\n",
                    50331648.0, kSsgDivisors, 6)
{
}

bool YM2608::init(uint32_t clock, uint32_t rate)
{
    return initFamily(clock, rate);
}

void YM2608::write(uint8_t port, uint8_t data)
{
    switch (port & 3) {
    case 0:
        writeAddress(data);
        break;
    case 1:
        writeData(mLatch[0], data);
        break;
    case 2:
        mLatch[1] = data;
        break;
    default:
        writeData(0x100u + mLatch[1], data);
        break;
    }
}

uint8_t YM2608::read(uint8_t port)
{
    switch (port & 3) {
    case 0:
        return static_cast<uint8_t>(mCore.readStatus() & 3);
    case 1:
        return mCore.getReg(mLatch[0]);
    case 2:
        return static_cast<uint8_t>(mCore.readStatusEx());
    default:
        return mCore.getReg(0x100u + mLatch[1]);
    }
}

void YM2608::updateStatus(uint32_t reg, uint8_t data)
{
    switch (reg) {
    case 0x10:
        for (int i = 0; i < 6; i++)
            if (data & (1 << i)) KeyLevel(mChannels[RHYTHM + i], (data & 0x80) == 0);
        return;
    case 0x18: case 0x19: case 0x1A: case 0x1B: case 0x1C: case 0x1D: {
        ChannelStatus& ch = mChannels[RHYTHM + reg - 0x18];
        ch.volume = (data & 31) * 4;
        ch.pan = PanOf(data);
        return;
    }
    case 0x28: {
        const uint32_t c = data & 3;
        if (c == 3) return;
        KeyLevel(mChannels[c + ((data & 4) ? 3 : 0)], (data & 0xF0) != 0);
        return;
    }
    case 0x100:
        KeyLevel(mChannels[ADPCM], (data & 0x80) != 0);
        return;
    case 0x101:
        mChannels[ADPCM].pan = PanOf(data);
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
        break;
    }
    if (reg < 0x10) {
        mPsgState.writeRegister(reg, data);
        return;
    }
    if ((reg & 3) == 3) return;
    ChannelStatus& ch = mChannels[(reg & 3) + 3 * (reg >> 8)];
    const uint32_t r = reg & 0xFF;
    if (r >= 0x4C && r <= 0x4E) {
        ch.volume = 127 - (data & 0x7F);
    } else if (r >= 0xA0 && r <= 0xA2) {
        ch.note = noteOf((mRegs[reg + 4] << 8) | data);
    } else if (r >= 0xB4 && r <= 0xB6) {
        ch.pan = PanOf(data);
    }
}

bool YM2608::setMask(uint32_t mask)
{
    mCore.setMask(mask & 0xFFFF);
    return true;
}

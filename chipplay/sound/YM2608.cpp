#include "YM2608.h"

#include "SoundStream.h"
#include "System.h"
#include "VM.h"

#include <cmath>
#include <cstring>

namespace {
const char kSource[] = "sound/YM2608.cpp";

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

YM2608::YM2608(VM* vm)
    : mVM(vm), mStream(nullptr), mTimer(vm, &mCore), mLatch0(0), mLatch1(0), mInfo{ChipInfo::TYPE_YM2608, 16},
      mClock(0), mPrescaler(0), mPsgState(&mChannels[6])
{
    mCore.line = &mLine;
    std::memset(mRegs, 0, sizeof(mRegs));
    std::memset(mNotes, 0, sizeof(mNotes));
}

YM2608::~YM2608()
{
    delete mStream;
}

bool YM2608::init(uint32_t clock, uint32_t rate)
{
    mClock = clock;
    if (!mCore.init(clock, rate, true)) {
        System::error("[YM2608]チップの初期化に失敗しました\n");
        return false;
    }
    mCore.setMask(0);
    reset();
    buildNoteTable(6);
    mPsgState.setClock(clock / 8);
    mStream = new SoundStream(mVM, this);
    mVM->addStream(mStream);
    mVM->addTimer(&mTimer);
    return true;
}

void YM2608::reset()
{
    mCore.reset();
    mLatch0 = 0;
    mLatch1 = 0;
    std::memset(mRegs, 0, sizeof(mRegs));
}

// Index (block << 11) | F-number: the FM pitch 2^block x F x clock /
// (prescaler x 24 x 2^21), the master clock being twice the OPN's.
void YM2608::buildNoteTable(uint32_t prescaler)
{
    if (prescaler == mPrescaler) return;
    mPrescaler = prescaler;
    for (int i = 0; i < 16384; i++) {
        double hz = std::ldexp(static_cast<double>(i & 0x7FF), i >> 11) * mClock / (prescaler * 50331648.0);
        mNotes[i] = static_cast<uint8_t>(noteFromFrequency(hz));
    }
}

void YM2608::write(uint8_t port, uint8_t data)
{
    switch (port & 3) {
    case 0:
        mLatch0 = data;
        if (data >= 0x2D && data <= 0x2F) {
            static const uint32_t kFm[3] = {6, 3, 2};
            static const uint32_t kSsg[3] = {8, 4, 2};
            if (mStream != nullptr) mStream->fill(-1);
            mCore.setReg(data, 0);
            buildNoteTable(kFm[data - 0x2D]);
            mPsgState.setClock(mClock / kSsg[data - 0x2D]);
        }
        break;
    case 1:
        writeData(mLatch0, data);
        break;
    case 2:
        mLatch1 = data;
        break;
    default:
        writeData(0x100u + mLatch1, data);
        break;
    }
}

void YM2608::writeData(uint32_t reg, uint8_t data)
{
    if (mStream != nullptr) mStream->fill(-1);
    const bool timer = reg >= 0x24 && reg <= 0x27;
    if (timer) mTimer.update(mVM->getTime());
    mCore.setReg(reg, data);
    updateStatus(reg, data);
    if (reg == 0x27) mTimer.reschedule();
}

uint8_t YM2608::read(uint8_t port)
{
    switch (port & 3) {
    case 0:
        return static_cast<uint8_t>(mCore.readStatus() & 3);
    case 1:
        return mCore.getReg(mLatch0);
    case 2:
        return static_cast<uint8_t>(mCore.readStatusEx());
    default:
        return mCore.getReg(0x100u + mLatch1);
    }
}

void YM2608::updateStatus(uint32_t reg, uint8_t data)
{
    mRegs[reg & 0x1FF] = data;
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
        ch.note = mNotes[((mRegs[reg + 4] << 8) | data) & 0x3FFF];
    } else if (r >= 0xB4 && r <= 0xB6) {
        ch.pan = PanOf(data);
    }
}

bool YM2608::generate(int32_t* _buffer, int32_t frames)
{
    if (_buffer == NULL) {
        System::assertFailed(kSource, __LINE__, "_buffer != NULL");
        return false;
    }
    if (frames <= 0) return true;
    std::memset(_buffer, 0, sizeof(int32_t) * 2 * static_cast<size_t>(frames));
    mCore.mix(_buffer, frames);
    return true;
}

ChannelStatus* YM2608::getChannel(int32_t i)
{
    return i >= 0 && i < 16 ? &mChannels[i] : nullptr;
}

bool YM2608::setMask(uint32_t mask)
{
    mCore.setMask(mask & 0xFFFF);
    return true;
}

bool YM2608::attach(ChipInterruptCallback callback, void* context, int32_t argument)
{
    mLine.callback = callback;
    mLine.context = context;
    mLine.argument = argument;
    return true;
}

#include "YM2203.h"

#include "SoundStream.h"
#include "System.h"
#include "VM.h"

#include <cmath>
#include <cstring>

namespace {
const char kSource[] = "sound/YM2203.cpp";
}

YM2203::YM2203(VM* vm)
    : mVM(vm), mStream(nullptr), mTimer(vm, &mCore), mLatch(0), mInfo{ChipInfo::TYPE_YM2203, 6},
      mClock(0), mPrescaler(0), mPsgState(&mChannels[3])
{
    mCore.line = &mLine;
    std::memset(mRegs, 0, sizeof(mRegs));
    std::memset(mNotes, 0, sizeof(mNotes));
}

YM2203::~YM2203()
{
    delete mStream;
}

bool YM2203::init(uint32_t clock, uint32_t rate)
{
    mClock = clock;
    if (!mCore.init(clock, rate, true)) {
        System::error("[YM2203]チップの初期化に失敗しました\n");
        return false;
    }
    mCore.setMask(0);
    reset();
    buildNoteTable(6);
    mPsgState.setClock(clock / 4);
    mStream = new SoundStream(mVM, this);
    mVM->addStream(mStream);
    mVM->addTimer(&mTimer);
    return true;
}

void YM2203::reset()
{
    mCore.reset();
    mLatch = 0;
    std::memset(mRegs, 0, sizeof(mRegs));
}

// Index (block << 11) | F-number: the FM pitch 2^block x F x clock /
// (prescaler x 12 x 2^21).
void YM2203::buildNoteTable(uint32_t prescaler)
{
    if (prescaler == mPrescaler) return;
    mPrescaler = prescaler;
    for (int i = 0; i < 16384; i++) {
        double hz = std::ldexp(static_cast<double>(i & 0x7FF), i >> 11) * mClock / (prescaler * 25165824.0);
        mNotes[i] = static_cast<uint8_t>(noteFromFrequency(hz));
    }
}

void YM2203::write(uint8_t port, uint8_t data)
{
    switch (port & 3) {
    case 0:
        mLatch = data;
        if (data >= 0x2D && data <= 0x2F) {
            // The address alone selects the prescaler, on the chip as on
            // the display; what sounded before still sounds at the old one.
            static const uint32_t kFm[3] = {6, 3, 2};
            static const uint32_t kSsg[3] = {4, 2, 1};
            if (mStream != nullptr) mStream->fill(-1);
            mCore.setReg(data, 0);
            buildNoteTable(kFm[data - 0x2D]);
            mPsgState.setClock(mClock / kSsg[data - 0x2D]);
        }
        break;
    case 1: {
        if (mStream != nullptr) mStream->fill(-1);
        const bool timer = mLatch >= 0x24 && mLatch <= 0x27;
        // The timers count up to this moment before their registers change.
        if (timer) mTimer.update(mVM->getTime());
        mCore.setReg(mLatch, data);
        updateStatus(mLatch, data);
        if (mLatch == 0x27) mTimer.reschedule();
        break;
    }
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
        return mCore.getReg(mLatch);
    default:
        return 0xFF;
    }
}

void YM2203::updateStatus(uint32_t reg, uint8_t data)
{
    mRegs[reg & 0xFF] = data;
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
        ch.note = mNotes[((mRegs[reg + 4] << 8) | data) & 0x3FFF];
    }
}

bool YM2203::generate(int32_t* _buffer, int32_t frames)
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

ChannelStatus* YM2203::getChannel(int32_t i)
{
    return i >= 0 && i < 6 ? &mChannels[i] : nullptr;
}

bool YM2203::setMask(uint32_t mask)
{
    mCore.setMask((mask & 7) | ((mask & 0x38) << 3));
    return true;
}

bool YM2203::attach(ChipInterruptCallback callback, void* context, int32_t argument)
{
    mLine.callback = callback;
    mLine.context = context;
    mLine.argument = argument;
    return true;
}

// OpnFamilyChip: what the YM2203 and YM2608 wrappers share besides the FM
// chip's stream, timers and interrupt line (FmChipWrapper): the ports of
// bank 0 (and bank 1 on a chip with 512 registers), the prescaler select
// with its note table and SSG display clock, the register shadow, and the
// channel records of the FM and SSG channels. Each chip adds its pitch
// constants, its channel order and what only it has.
//
// Ports (port AND 3): 0 bank-0 address, 1 bank-0 data, 2 bank-1 address, 3
// bank-1 data (registers 0x100 + address). Reads: 0 status (timers A and
// B), 1 bank-0 register, 2 extended status, 3 bank-1 register; a chip with
// one bank ignores ports 2 and 3 and reads 0xFF there.
#pragma once

#include "ChipWrapper.h"
#include "PsgState.h"

#include <cmath>
#include <cstdint>
#include <cstring>

template <class CoreT, int32_t Channels, int32_t Registers>
class OpnFamilyChip : public FmChipWrapper<CoreT, Channels, Registers> {
public:
    enum { BANKS = Registers / 256 };

    bool init(uint32_t clock, uint32_t rate)
    {
        mClock = clock;
        if (!this->mCore.init(clock, rate, true)) {
            System::error(mInitError);
            return false;
        }
        this->mCore.setMask(0);
        this->reset();
        buildNoteTable(6);
        mPsgState.setClock(clock / mSsgDivisors[0]);
        this->openStreamAndTimers();
        return true;
    }
    void write(uint8_t port, uint8_t data)
    {
        switch (port & 3) {
        case 0: writeAddress(data); break;
        case 1: writeData(this->mLatch[0], data); break;
        case 2: if (BANKS == 2) this->mLatch[1] = data; break;
        default: if (BANKS == 2) writeData(0x100u + this->mLatch[1], data); break;
        }
    }
    uint8_t read(uint8_t port)
    {
        switch (port & 3) {
        case 0: return static_cast<uint8_t>(this->mCore.readStatus() & 3);
        case 1: return this->mCore.getReg(this->mLatch[0]);
        default: return readBank1(port & 3);
        }
    }

    bool attach(ChipInterruptCallback callback, void* context, int32_t argument)
    {
        this->mLine.callback = callback;
        this->mLine.context = context;
        this->mLine.argument = argument;
        return true;
    }
    void setVolumeFm(int32_t v) { this->mCore.setVolumeFm(v); }
    void setVolumeSsg(int32_t v) { this->mCore.setVolumeSsg(v); }

    uint32_t getPrescaler() const { return mPrescaler; }
    PsgState& getPsgState() { return mPsgState; }

protected:
    // noteDivisor: what the FM pitch 2^block x F x clock / (prescaler x
    // noteDivisor) divides by; ssgDivisors: the SSG clock's divisor under
    // each of the address writes 0x2D, 0x2E and 0x2F; the SSG channels'
    // records follow the FM channels'.
    OpnFamilyChip(VM* vm, int32_t type, const char* source, const char* initError, double noteDivisor,
                  const uint32_t (&ssgDivisors)[3])
        : FmChipWrapper<CoreT, Channels, Registers>(vm, type, source), mClock(0), mPrescaler(0),
          mPsgState(&this->mChannels[3 * BANKS]), mInitError(initError), mNoteDivisor(noteDivisor)
    {
        std::memcpy(mSsgDivisors, ssgDivisors, sizeof(mSsgDivisors));
        std::memset(mNotes, 0, sizeof(mNotes));
    }

    // Keeps the FM and SSG channel records in step with a register write:
    // key on and off (0x28; bit 2 selects bank 1's channels, which a
    // one-bank chip and its core ignore), the SSG registers, and each FM
    // channel's volume, note and, with two banks, pan. A chip with more
    // channels takes its own registers first.
    virtual void updateStatus(uint32_t reg, uint8_t data)
    {
        if (reg == 0x28) {
            const uint32_t c = data & 3;
            if (c == 3) return;
            keyLevel(this->mChannels[c + ((BANKS == 2 && (data & 4)) ? 3 : 0)], (data & 0xF0) != 0);
            return;
        }
        if (reg < 0x10) {
            mPsgState.writeRegister(reg, data);
            return;
        }
        if ((reg & 3) == 3) return;
        ChannelStatus& ch = this->mChannels[(reg & 3) + 3 * (reg >> 8)];
        const uint32_t r = reg & 0xFF;
        if (r >= 0x4C && r <= 0x4E) {
            ch.volume = 127 - (data & 0x7F);
        } else if (r >= 0xA0 && r <= 0xA2) {
            ch.note = noteOf((this->mRegs[reg + 4] << 8) | data);
        } else if (BANKS == 2 && r >= 0xB4 && r <= 0xB6) {
            ch.pan = panOf(data);
        }
    }

    // Pan bits 7 (left) and 6 (right).
    static int32_t panOf(uint8_t data)
    {
        switch (data & 0xC0) {
        case 0xC0: return ChannelStatus::PAN_BOTH;
        case 0x80: return ChannelStatus::PAN_LEFT;
        case 0x40: return ChannelStatus::PAN_RIGHT;
        default: return ChannelStatus::PAN_NONE;
        }
    }
    // A key-on sets the level; a key-off keeps only what the display has not
    // seen yet.
    static void keyLevel(ChannelStatus& ch, bool on)
    {
        if (on)
            ch.level = 255;
        else
            ch.level &= 0x80;
    }

    // The display note of an F-number register pair (block << 11 | F).
    uint8_t noteOf(uint32_t blockFnum) const { return mNotes[blockFnum & 0x3FFF]; }

    uint32_t mClock;
    uint32_t mPrescaler;
    PsgState mPsgState;

private:
    // The bank-0 address alone: 0x2D, 0x2E and 0x2F select the prescaler on
    // the chip as on the display; what sounded before still sounds at the
    // old one.
    void writeAddress(uint8_t data)
    {
        this->mLatch[0] = data;
        if (data < 0x2D || data > 0x2F) return;
        static const uint32_t kFm[3] = {6, 3, 2};
        this->fillStream();
        this->mCore.setReg(data, 0);
        buildNoteTable(kFm[data - 0x2D]);
        mPsgState.setClock(mClock / mSsgDivisors[data - 0x2D]);
    }

    // Timer A (0x24, 0x25), timer B (0x26), control (0x27).
    void writeData(uint32_t reg, uint8_t data)
    {
        this->writeCore(reg, data, 0x24, 0x27);
        this->mRegs[reg % Registers] = data;
        updateStatus(reg, data);
        this->rescheduleAfter(reg, 0x27);
    }

    uint8_t readBank1(uint8_t port)
    {
        if constexpr (BANKS == 2) {
            if (port == 2) return static_cast<uint8_t>(this->mCore.readStatusEx());
            return this->mCore.getReg(0x100u + this->mLatch[1]);
        }
        return 0xFF;
    }

    void buildNoteTable(uint32_t prescaler)
    {
        if (prescaler == mPrescaler) return;
        mPrescaler = prescaler;
        for (int i = 0; i < 16384; i++) {
            double hz = std::ldexp(static_cast<double>(i & 0x7FF), i >> 11) * mClock / (prescaler * mNoteDivisor);
            mNotes[i] = static_cast<uint8_t>(noteFromFrequency(hz));
        }
    }

    const char* mInitError;
    double mNoteDivisor;
    uint32_t mSsgDivisors[3];
    uint8_t mNotes[16384];
};

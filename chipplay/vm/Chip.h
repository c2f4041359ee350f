// Chip: an emulated sound chip as the virtual machine, the drivers and the
// windows see it. The VM pulls samples through the chip's SoundStream, which
// calls generate(); the keyboard and level-meter windows read getState() and
// one ChannelStatus per channel.
//
// Global channel numbers run through the chips in the order the driver added
// them to the VM; within a chip the order is:
//   AY38910  PSG 1-3
//   YM2151   FM 1-8
//   YM2203   FM 1-3, SSG 1-3
//   YM2608   FM 1-6, SSG 1-3, ADPCM, rhythm 1-6 (rhythm key bits 0-5)
#pragma once

#include "Object.h"

#include <cstdint>

struct ChipInfo {
    // Chip type codes; YM2149 and MSM6258 are known to the windows only.
    enum {
        TYPE_YM2203 = 1,
        TYPE_YM2608 = 2,
        TYPE_YM2151 = 3,
        TYPE_YM2149 = 4,
        TYPE_AY38910 = 5,
        TYPE_MSM6258 = 6,
    };
    int32_t type;
    int32_t channelCount;
};

// One channel's display record, owned by its chip.
struct ChannelStatus {
    // Pan values.
    enum { PAN_LEFT = 0, PAN_BOTH = 3, PAN_RIGHT = 6, PAN_NONE = 7 };

    // 0..255: a key-on sets 255; a key-off keeps only bit 7 (level &= 0x80),
    // so a key-on the display has not seen yet survives the key-off.
    int32_t level = 0;
    int32_t note = 57;     // 0..119, 57 = 440 Hz (noteFromFrequency)
    int32_t volume = 0;    // FM 0..127, SSG 0..120, rhythm 0..124, ADPCM 0..127
    int32_t pan = PAN_BOTH;
    int32_t decay = 0;     // the player's fall per tick; chips leave it 0
};

class Chip : public virtual Object {
public:
    // Writes `frames` stereo frames (left, right) at 44100 Hz.
    virtual bool generate(int32_t* _buffer, int32_t frames) = 0;
    virtual ChipInfo* getState() = 0;
    virtual int32_t getChannelCount() = 0;
    // Null when i < 0 or i >= the channel count.
    virtual ChannelStatus* getChannel(int32_t i) = 0;
    // Bit i set mutes channel i of this chip.
    virtual bool setMask(uint32_t mask) = 0;
};

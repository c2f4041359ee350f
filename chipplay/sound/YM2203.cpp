#include "YM2203.h"

namespace {
// The SSG runs at the master clock / 4, / 2 or / 1 under 0x2D, 0x2E, 0x2F.
const uint32_t kSsgDivisors[3] = {4, 2, 1};
}

// FM pitch: 2^block x F x clock / (prescaler x 12 x 2^21).
YM2203::YM2203(VM* vm)
    : OpnFamilyChip(vm, ChipInfo::TYPE_YM2203, "sound/YM2203.cpp", "[YM2203]チップの初期化に失敗しました\n",
                    25165824.0, kSsgDivisors)
{
}

bool YM2203::setMask(uint32_t mask)
{
    mCore.setMask((mask & 7) | ((mask & 0x38) << 3));
    return true;
}

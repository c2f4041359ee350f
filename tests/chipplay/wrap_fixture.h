// A chip wrapper on a VM without a CPU, for the wrapper tests: register
// writes go through the chip's ports at the VM's present time; render runs
// the VM and mixes its streams as the player does.
#pragma once

#include "fm_patch.h"
#include "test_system.h"

#include "VM.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

const int kWrapRate = 44100;

template <class C>
struct OnVm {
    TestSystemScope sys;
    VM vm;
    std::unique_ptr<C> chip;

    explicit OnVm(uint32_t clock) : chip(new C(&vm))
    {
        EXPECT_TRUE(chip->init(clock, kWrapRate));
        vm.addChip(chip.get());
    }

    // Register writes as a CPU would make them: address port, then data.
    // OPNA registers 0x100-0x1FF go through ports 2 and 3.
    RegWrite w()
    {
        return [this](uint32_t reg, uint8_t data) {
            const uint8_t bank = reg >= 0x100 ? 2 : 0;
            chip->write(bank, static_cast<uint8_t>(reg));
            chip->write(bank + 1, data);
        };
    }

    // Runs the VM for ms milliseconds (a multiple of 10) and returns what it
    // mixed.
    std::vector<int32_t> render(int ms)
    {
        vm.run(static_cast<int64_t>(ms) * 1000);
        std::vector<int32_t> buf(2 * static_cast<size_t>(ms) * kWrapRate / 1000 + 2);
        int32_t written = 0;
        vm.render(buf.data(), static_cast<int32_t>(buf.size() / 2), &written);
        EXPECT_EQ(ms * kWrapRate / 1000, written) << "frames rendered for " << ms << " ms";
        buf.resize(2 * static_cast<size_t>(written));
        return buf;
    }
};

inline int CountNonZero(const std::vector<double>& x)
{
    int n = 0;
    for (double v : x) n += v != 0;
    return n;
}

// Z80: the player's processor. Owns a Z80Core and runs it in slices against
// the memory and I/O buses that the driver hands it; counts absolute cycles
// from its construction; takes the NMI and the level-triggered maskable
// interrupt between instructions.
//
//   Z80* cpu = new Z80(vm);
//   cpu->setParam(0, (uintptr_t)memoryBus);
//   cpu->setParam(1, (uintptr_t)ioBus);
//   cpu->setRegister(6, start);
//   cpu->setInterruptHandler(Acknowledge, driver);   // after each acceptance
//   cpu->setInterrupt(vector, true, intDelay);       // raise the line
//   int64_t reached = cpu->execute(target);
//
// The processor whose slice runs is Z80::sCurZ80, one per thread: two
// machines may run on two threads at once. The core itself reaches the
// buses through its own record (see Z80Core.h); the static accessors below
// serve code outside the core, such as port handlers. Executing without both
// buses is refused (reported as an assertion, the count unchanged).
#pragma once

#include <cstdint>

#include "Cpu.h"
#include "Z80Core.h"

class Bus;
class VM;

typedef void (*Z80InterruptHandler)(void* context, int32_t vector);

class Z80 : public Cpu {
public:
    explicit Z80(VM* vm);
    ~Z80() override;

    bool setClock(int64_t hz);
    void setInterruptHandler(Z80InterruptHandler handler, void* context);

    int64_t getClock() override;
    bool reset() override;
    int64_t execute(int64_t target) override;
    bool setInterrupt(uint32_t vector, bool line, int64_t delay) override;
    int32_t stop() override;
    bool idle() override;
    int64_t getCycles() override;
    bool setParam(int32_t index, uintptr_t value) override;
    uintptr_t getParam(int32_t index) override;
    bool setRegister(int32_t index, uint16_t value) override;
    uint32_t getRegister(int32_t index) override;
    bool dump(int32_t column, int32_t row, DebugMonitor* monitor) override;

    // Byte access through the buses of the processor running on this thread.
    static uint8_t readMemory(uint32_t address);
    static void writeMemory(uint32_t address, uint32_t value);
    static uint8_t readPort(uint32_t port);
    static void writePort(uint32_t port, uint32_t value);

    static thread_local Z80* sCurZ80;

private:
    enum RunState { kRunning = 0, kStopRequested = 1, kIdleRequested = 2 };

    Z80Core mCore;
    int64_t mClock;
    VM* mVM;
    Z80Buses mBuses;        // memory and I/O bus, not owned
    int32_t mRunState;
    int64_t mCycles;
    bool mNmiPending;
    bool mLine;
    uint32_t mVector;
    int64_t mDelay;
    Z80InterruptHandler mAcknowledge;
    void* mAcknowledgeContext;
    Z80* mPreviousCpu;
    // Set by every call that changes what the slice loop looks at between
    // instructions (interrupt line, NMI, run state): the core's run of
    // instructions ends after the one during which it was set.
    bool mLook;
};

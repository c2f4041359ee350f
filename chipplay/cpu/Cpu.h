// Cpu: the processor as the virtual machine and the drivers see it. The
// machine advances it in absolute cycles: execute(target) runs whole
// instructions until the count reaches the target and returns the count
// reached, which may pass the target by one instruction and one interrupt
// acceptance; the surplus stays in the count for the next slice.
//
//   cpu->setParam(0, (uintptr_t)memoryBus);
//   cpu->setParam(1, (uintptr_t)ioBus);
//   cpu->setRegister(6, 0x8000);                  // PC
//   int64_t reached = cpu->execute(cpu->getCycles() + 4000);
#pragma once

#include <cstdint>

#include "Object.h"

class DebugMonitor;

class Cpu : public virtual Object {
public:
    virtual int64_t getClock() = 0;                 // Hz
    virtual bool reset() = 0;
    virtual int64_t execute(int64_t target) = 0;
    // vector 0xFFFF: NMI (line true raises it); any other: the level line.
    virtual bool setInterrupt(uint32_t vector, bool line, int64_t delay) = 0;
    virtual int32_t stop() = 0;                     // end the slice after this instruction
    virtual bool idle() = 0;                        // ... and count the rest as spent
    virtual int64_t getCycles() = 0;
    // Parameters 0 (memory bus) and 1 (I/O bus) carry Bus pointers, so the
    // value is pointer-sized (32 bits on the Windows build).
    virtual bool setParam(int32_t index, uintptr_t value) = 0;
    virtual uintptr_t getParam(int32_t index) = 0;
    virtual bool setRegister(int32_t index, uint16_t value) = 0;
    virtual uint32_t getRegister(int32_t index) = 0;
    virtual bool dump(int32_t column, int32_t row, DebugMonitor* monitor) = 0;
};

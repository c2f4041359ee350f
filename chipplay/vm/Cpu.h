// Cpu: the processor as the virtual machine and the drivers see it. The VM
// advances it in absolute cycles counted from 0 at the processor's creation
// (when VM time is 0 too), so every slice is measured from the machine's
// origin and no rounding error accumulates:
//
//   int64_t clock = cpu->getClock();                       // Hz
//   int64_t reached = cpu->execute((clock * t + 999999) / 1000000);
//   int64_t tReached = reached * 1000000 / clock;          // may overshoot t
//
// Run states: stop() ends the current slice after the current instruction;
// idle() ends it and counts its remaining cycles as spent (a port handler
// that waits for an event).
//
// setParam/getParam carry bus pointers (index 0 the memory bus, 1 the I/O
// bus), so their value is pointer-wide: 32 bits on the Windows target, 64 in
// the native test builds.
#pragma once

#include "Object.h"

#include <cstdint>

class DebugMonitor;

class Cpu : public virtual Object {
public:
    enum { PARAM_MEMORY_BUS = 0, PARAM_IO_BUS = 1 };
    enum { RUNNING = 0, STOP_REQUESTED = 1, IDLE_REQUESTED = 2 };

    virtual int64_t getClock() = 0;
    virtual bool reset() = 0;
    virtual int64_t execute(int64_t target) = 0;   // returns the absolute cycle count reached
    virtual bool setInterrupt(uint32_t vector, bool line, int64_t delay) = 0;
    virtual int32_t stop() = 0;
    virtual bool idle() = 0;
    virtual int64_t getCycles() = 0;
    virtual bool setParam(int32_t index, uintptr_t value) = 0;
    virtual uintptr_t getParam(int32_t index) = 0;
    virtual bool setRegister(int32_t index, uint16_t value) = 0;
    virtual uint32_t getRegister(int32_t index) = 0;
    virtual bool dump(int32_t column, int32_t row, DebugMonitor* monitor) = 0;
};

// ChipTimer: lets an FM chip's timers A and B run on the VM's time line.
// The VM keeps it sorted with its other timers; at each update the elapsed
// microseconds go to the core's FmTimer, whose expiries set the status bits
// and the interrupt line.
//
//   ChipTimer timer(vm, &core);      // core: an FmTimer
//   vm->addTimer(&timer);
//   timer.update(vm->getTime());     // before a write to a timer register
//   core.setReg(0x27, 0x15);
//   timer.reschedule();              // the next expiry may have moved
//
// Time that passes between two updates is counted only at the next update,
// so a wrapper brings the timer up to the present before it writes a timer
// register: otherwise a timer started late would count the idle time before
// its start as if it had been running.
#pragma once

#include "Timer.h"

#include <cstdint>

class FmTimer;
class VM;

class ChipTimer : public TimerBase {
public:
    ChipTimer(VM* vm, FmTimer* timer);

    bool update(int64_t now) override;
    // -1 while both timers are stopped.
    int64_t nextTime() override;
    // Re-sorts the timer in the VM and ends the running CPU slice, so that
    // the VM sees the new deadline.
    void reschedule();

    int64_t getLastUpdate() const { return mLastUpdate; }

private:
    VM* mVM;
    FmTimer* mTimer;
    int64_t mLastUpdate;
};

// The interrupt line of an FM chip as the driver sees it: the callback hears
// only changes of the line; without a callback the state is only kept.
typedef void (*ChipInterruptCallback)(void* context, int32_t line, int32_t argument);

struct ChipInterruptLine {
    ChipInterruptCallback callback = nullptr;
    void* context = nullptr;
    int32_t argument = 0;
    bool line = false;

    void set(bool on)
    {
        if (on == line) return;
        line = on;
        if (callback != nullptr) callback(context, on ? 1 : 0, argument);
    }
};

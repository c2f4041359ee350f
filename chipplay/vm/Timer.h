// Timers on the VM's time line (signed 64-bit microseconds).
//
// TimerBase is what the VM's TimerList keeps sorted: update(now) lets the
// timer act at VM time `now`, nextTime() says when it next needs an update
// (negative: not scheduled). Timer is the periodic one the drivers use; the
// FM chips bring their own for timers A and B.
//
//   Timer* t = new Timer(vm, OnTimer, driver, 16666, 1);   // every 16.666 ms, id 1
//   vm->addTimer(t);
//   ...
//   vm->removeTimer(t);
//   delete t;
//
// A Timer that is updated several periods past its expiry fires once and
// moves on by whole periods to the first expiry after `now`. A period of 0
// or less leaves the timer unscheduled (it would otherwise never move past
// the current time); setPeriod with a positive period and restart schedules
// it again.
//
// Timers that fall due at the same time are updated in the order in which
// they were (re)inserted: an inserted timer goes behind every timer with an
// equal or earlier next time.
#pragma once

#include "Object.h"

#include <cstdint>
#include <list>

class VM;

class TimerBase : public virtual Object {
public:
    virtual bool update(int64_t now) = 0;
    virtual int64_t nextTime() = 0;
};

typedef void (*TimerCallback)(void* context, int32_t id);

class Timer : public TimerBase {
public:
    Timer(VM* vm, TimerCallback callback, void* context, int64_t period, int32_t id);

    bool update(int64_t now) override;
    int64_t nextTime() override;
    // Without restart the new period applies from the next expiry on; with
    // restart the next expiry is the VM's current time plus the period.
    bool setPeriod(int64_t period, bool restart);

    int64_t getPeriod() const { return mPeriod; }

private:
    void resort();

    VM* mVM;
    TimerCallback mCallback;
    void* mContext;
    int32_t mId;
    int64_t mPeriod;
    int64_t mLastUpdate;
    int64_t mNext;
};

// The VM's timers sorted by next time, unscheduled ones last. Holds plain
// pointers: whoever adds a timer removes it before destroying it.
class TimerList {
public:
    TimerList();

    bool add(TimerBase* _timer);
    bool remove(TimerBase* _timer);
    // Sets the time to `now` and updates every timer in list order.
    void advance(int64_t now);
    int64_t getTime() const { return mTime; }
    // The first timer's next time, -1 when none is listed.
    int64_t nextTime();
    void clear() { mTimers.clear(); }
    int32_t getCount() const { return static_cast<int32_t>(mTimers.size()); }

private:
    int64_t mTime;
    std::list<TimerBase*> mTimers;
};

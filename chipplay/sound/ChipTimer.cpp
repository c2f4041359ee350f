#include "ChipTimer.h"

#include "VM.h"
#include "fmtimer.h"

ChipTimer::ChipTimer(VM* vm, FmTimer* timer) : mVM(vm), mTimer(timer), mLastUpdate(0)
{
}

bool ChipTimer::update(int64_t now)
{
    if (now <= mLastUpdate) return true;
    // The time is taken before the count: an expiry calls the interrupt
    // callback, whose driver may write the timer registers at once, and the
    // update that write makes must not count the same span again.
    const int64_t last = mLastUpdate;
    mLastUpdate = now;
    mTimer->count(static_cast<uint32_t>(now - last));
    reschedule();
    return true;
}

int64_t ChipTimer::nextTime()
{
    uint32_t e = mTimer->nextEvent();
    if (e == 0 || e == 0xFFFFFFFFu) return -1;
    return mLastUpdate + e;
}

void ChipTimer::reschedule()
{
    if (mVM == nullptr) return;
    mVM->removeTimer(this);
    mVM->addTimer(this);
    mVM->stopCpu();
}

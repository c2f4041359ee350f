#include "Timer.h"

#include "System.h"
#include "VM.h"

#include <iterator>

namespace {
const char kSource[] = "vm/Timer.cpp";
}

Timer::Timer(VM* vm, TimerCallback callback, void* context, int64_t period, int32_t id)
    : mVM(vm), mCallback(callback), mContext(context), mId(id), mPeriod(period), mLastUpdate(0),
      mNext(period > 0 ? period : -1)
{
}

int64_t Timer::nextTime()
{
    return mNext;
}

void Timer::resort()
{
    if (mVM == nullptr) return;
    mVM->removeTimer(this);
    mVM->addTimer(this);
}

bool Timer::update(int64_t now)
{
    if (now <= mLastUpdate) return true;   // nothing happens twice for one time
    mLastUpdate = now;
    if (mNext < 0 || now < mNext) return true;

    if (mCallback != nullptr) mCallback(mContext, mId);   // once, however many periods passed

    if (mPeriod <= 0) {
        mNext = -1;   // the callback set a period that would never move on
    } else if (mNext >= 0 && mNext <= now) {
        // Whole periods up to the first expiry after now, in one step: a long
        // overshoot must not cost a loop per missed period.
        mNext += ((now - mNext) / mPeriod + 1) * mPeriod;
    }
    // Otherwise the callback restarted the timer (later than now, or
    // unscheduled): keep its choice.
    resort();
    return true;
}

bool Timer::setPeriod(int64_t period, bool restart)
{
    mPeriod = period;
    if (period <= 0) {
        mNext = -1;
        resort();
    } else if (restart) {
        mNext = (mVM != nullptr ? mVM->getTime() : 0) + period;
        resort();
    }
    return true;
}

TimerList::TimerList() : mTime(0)
{
}

bool TimerList::add(TimerBase* _timer)
{
    if (_timer == nullptr) {
        System::assertFailed(kSource, __LINE__, "_timer != NULL");
        return false;
    }
    // One entry per timer: advance() remembers the next entry while it
    // updates one, and a second entry of the same timer would vanish under it.
    mTimers.remove(_timer);
    int64_t t = _timer->nextTime();
    auto at = mTimers.end();
    if (t >= 0) {
        for (auto it = mTimers.begin(); it != mTimers.end(); ++it) {
            int64_t other = (*it)->nextTime();
            if (other < 0 || other > t) {
                at = it;
                break;
            }
        }
    }
    mTimers.insert(at, _timer);
    return true;
}

bool TimerList::remove(TimerBase* _timer)
{
    if (_timer == nullptr) {
        System::assertFailed(kSource, __LINE__, "_timer != NULL");
        return false;
    }
    mTimers.remove(_timer);
    return true;
}

void TimerList::advance(int64_t now)
{
    mTime = now;
    // An update re-sorts only its own timer; the successor stays valid. A
    // timer that moves behind the visited place is visited again and does
    // nothing, its last update being now.
    for (auto it = mTimers.begin(); it != mTimers.end();) {
        auto next = std::next(it);
        (*it)->update(now);
        it = next;
    }
}

int64_t TimerList::nextTime()
{
    if (mTimers.empty()) return -1;
    return mTimers.front()->nextTime();
}

#include "fmtimer.h"

FmTimer::FmTimer()
    : m_timerControl(0), m_timerAReload(0), m_timerACount(0), m_timerBReload(0),
      m_timerBCount(0), m_tick(0)
{
    m_timerAValue[0] = m_timerAValue[1] = 0;
}

void FmTimer::setTimerControl(uint32_t value)
{
    const uint32_t changed = m_timerControl ^ value;
    m_timerControl = (uint8_t)value;
    if (value & 0x10)
        resetStatus(1);
    if (value & 0x20)
        resetStatus(2);
    if (changed & 1)
        m_timerACount = (value & 1) ? m_timerAReload : 0;
    if (changed & 2)
        m_timerBCount = (value & 2) ? m_timerBReload : 0;
}

void FmTimer::setTimerA(uint32_t index, uint32_t value)
{
    m_timerAValue[index & 1] = (uint8_t)value;
    m_timerAReload = ((256 - (int64_t)m_timerAValue[0]) * 4 - (m_timerAValue[1] & 3)) * m_tick;
}

void FmTimer::setTimerB(uint32_t value)
{
    m_timerBReload = (256 - (int64_t)(value & 0xFF)) * m_tick;
}

void FmTimer::setTick(uint32_t x)
{
    m_tick = x ? (int32_t)(6.5536e10 / x) : 0;
}

// Adds whole reload periods until the count is positive again; a stopped
// timer (reload 0) stays stopped.
static void Rearm(int64_t& count, int64_t reload)
{
    if (reload <= 0) {
        count = 0;
        return;
    }
    count += reload * ((-count) / reload + 1);
}

bool FmTimer::count(uint32_t us)
{
    bool expired = false;
    if (m_timerACount) {
        m_timerACount -= (int64_t)us << 16;
        if (m_timerACount <= 0) {
            expired = true;
            timerA();
            Rearm(m_timerACount, m_timerAReload);
            if (m_timerControl & 4)
                setStatus(1);
        }
    }
    if (m_timerBCount) {
        m_timerBCount -= (int64_t)us << 12;
        if (m_timerBCount <= 0) {
            expired = true;
            Rearm(m_timerBCount, m_timerBReload);
            if (m_timerControl & 8)
                setStatus(2);
        }
    }
    return expired;
}

uint32_t FmTimer::nextEvent() const
{
    const uint32_t a = (uint32_t)(((m_timerACount + 65535) >> 16) - 1);
    const uint32_t b = (uint32_t)(((m_timerBCount + 4095) >> 12) - 1);
    return (a < b ? a : b) + 1;
}

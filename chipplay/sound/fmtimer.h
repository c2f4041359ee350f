// FmTimer: timers A and B of the Yamaha FM chips, with their status bits.
// Every FM core derives from it; the core's owner moves time on with
// count(microseconds) and asks nextEvent() when the next expiry is due.
//
//   core.setTick(clock / 64);        // OPM: one timer-A step, 64 clocks
//   core.setTimerA(0, 0x00); core.setTimerA(1, 0x00);
//   core.setTimerControl(0x05);      // load A, flag its expiry in status
//   core.count(20000);               // 20 ms pass; true when one expired
//
// Timer control (OPM 0x14, OPN 0x27):
//   bit 0/1 load (run) A/B, bit 2/3 flag A/B in status, bit 4/5 reset
//   flag A/B; the OPN uses bits 6-7 for channel 3 mode, the OPM bit 7
//   for CSM.
// Counts are kept in fractions of a microsecond (A: 1/65536, B: 1/4096;
// timer B's step is 16 timer-A steps), 0 meaning stopped. They are 64-bit
// because a whole second of elapsed time does not fit a 32-bit count.
#pragma once
#include <stdint.h>

class FmTimer {
public:
    FmTimer();
    virtual ~FmTimer() {}

    virtual void setStatus(uint32_t bits) {}
    virtual void resetStatus(uint32_t bits) {}
    virtual void timerA() {}

    void setTimerControl(uint32_t value);
    void setTimerA(uint32_t index, uint32_t value);
    void setTimerB(uint32_t value);
    // x: timer-A steps per second (the OPM's clock / 64, the OPN family's
    // FM sample clock).
    void setTick(uint32_t x);
    // Returns true when a timer expired during the us microseconds.
    bool count(uint32_t us);
    // Microseconds to the next expiry, 0 when both timers are stopped.
    uint32_t nextEvent() const;

    uint8_t timerControl() const { return m_timerControl; }

protected:
    uint8_t m_timerControl;
    uint8_t m_timerAValue[2];
    int64_t m_timerAReload;
    int64_t m_timerACount;
    int64_t m_timerBReload;
    int64_t m_timerBCount;
    int32_t m_tick;
};

#include "Z80.h"

#include "Bus.h"
#include "DebugMonitor.h"
#include "System.h"

namespace {

const char kSource[] = "cpu/Z80";

}  // namespace

thread_local Z80* Z80::sCurZ80 = nullptr;

Z80::Z80(VM* vm)
    : mClock(4000000), mVM(vm), mBuses{ nullptr, nullptr }, mRunState(kRunning), mCycles(0), mNmiPending(false),
      mLine(false), mVector(0), mDelay(0), mAcknowledge(nullptr), mAcknowledgeContext(nullptr), mPreviousCpu(nullptr),
      mLook(false)
{
    Z80Core_Init(&mCore, 4000000, 4000000);
    Z80Core_Reset(&mCore);
    mCore.buses = &mBuses;   // the core reaches memory and ports through these
}

Z80::~Z80()
{
}

bool Z80::setClock(int64_t hz)
{
    // The core's cycle ratio stays 1.0: the tables already count this
    // machine's cycles.
    mClock = hz;
    return true;
}

void Z80::setInterruptHandler(Z80InterruptHandler handler, void* context)
{
    mAcknowledge = handler;
    mAcknowledgeContext = context;
}

int64_t Z80::getClock()
{
    return mClock;
}

bool Z80::reset()
{
    Z80Core_Reset(&mCore);
    return true;
}

int64_t Z80::execute(int64_t target)
{
    if (mBuses.memory == nullptr || mBuses.io == nullptr) {
        System::assertFailed(kSource, __LINE__, "memory bus != NULL && I/O bus != NULL");
        return mCycles;
    }
    mPreviousCpu = sCurZ80;
    sCurZ80 = this;
    mRunState = kRunning;

    while (mCycles < target && mRunState == kRunning) {
        int32_t n;
        if (!mNmiPending && !mLine) {
            // Nothing to check between instructions until a handler raises a
            // line or asks for a stop: the core runs on by itself, and this
            // loop takes over after the instruction during which that
            // happened (the ones before it had nothing to do here).
            mLook = false;
            n = Z80Core_Run(&mCore, &mCycles, target, &mLook, false);
        } else {
            n = Z80Core_Step(&mCore);
            mCycles += n;
        }
        bool taken = false;
        if (mNmiPending) {
            mCycles += Z80Core_Interrupt(&mCore, Z80_NMI_VECTOR);
            mNmiPending = false;
            taken = true;
        } else if (mLine) {
            if (mDelay != 0) {
                // Not even tried in the iteration that uses the delay up.
                mDelay -= n;
                if (mDelay < 0) mDelay = 0;
            } else {
                const int32_t r = Z80Core_Interrupt(&mCore, mVector & 0xFFFF);
                mCycles += r;
                taken = r != 0;
                if (taken && mAcknowledge != nullptr) mAcknowledge(mAcknowledgeContext, (int32_t)mVector);
            }
        }
        // An idle poll skips the rest of the slice on the promise that
        // nothing happens before the next timer. An interrupt just taken,
        // or one waiting on the line, breaks the promise: skipping would run
        // its handler a whole slice late, where the next request merges
        // with it and a tick is lost. The poll then counts as a plain read.
        if (mRunState == kIdleRequested && (taken || mLine)) mRunState = kRunning;
    }
    if (mRunState == kIdleRequested && mCycles < target) mCycles = target;

    sCurZ80 = mPreviousCpu;
    mPreviousCpu = nullptr;
    return mCycles;
}

bool Z80::setInterrupt(uint32_t vector, bool line, int64_t delay)
{
    mLook = true;
    if (vector != Z80_NMI_VECTOR) {
        mVector = vector;
        mLine = line;
        mDelay = delay;
    } else if (line) {
        mNmiPending = true;
    }
    return true;
}

int32_t Z80::stop()
{
    mLook = true;
    mRunState = kStopRequested;
    return 1;
}

bool Z80::idle()
{
    mLook = true;
    mRunState = kIdleRequested;
    return true;
}

int64_t Z80::getCycles()
{
    return mCycles;
}

bool Z80::setParam(int32_t index, uintptr_t value)
{
    switch (index) {
    case 0: mBuses.memory = reinterpret_cast<Bus*>(value); return true;
    case 1: mBuses.io = reinterpret_cast<Bus*>(value); return true;
    default: return false;
    }
}

uintptr_t Z80::getParam(int32_t index)
{
    switch (index) {
    case 0: return reinterpret_cast<uintptr_t>(mBuses.memory);
    case 1: return reinterpret_cast<uintptr_t>(mBuses.io);
    default: return 0;
    }
}

bool Z80::setRegister(int32_t index, uint16_t value)
{
    switch (index) {
    case 0: mCore.AF = value; break;
    case 1: mCore.BC = value; break;
    case 2: mCore.DE = value; break;
    case 3: mCore.HL = value; break;
    case 4: mCore.IX = value; break;
    case 5: mCore.IY = value; break;
    case 6: mCore.PC = value; break;
    case 7: mCore.SP = value; break;
    case 8: mCore.AF2 = value; break;
    case 9: mCore.BC2 = value; break;
    case 10: mCore.DE2 = value; break;
    case 11: mCore.HL2 = value; break;
    case 12: mCore.status = (uint8_t)value; break;
    case 13: mCore.I = (uint8_t)value; break;
    case 14: mCore.R = (uint8_t)value; break;
    default: return false;
    }
    return true;
}

uint32_t Z80::getRegister(int32_t index)
{
    switch (index) {
    case 0: return mCore.AF;
    case 1: return mCore.BC;
    case 2: return mCore.DE;
    case 3: return mCore.HL;
    case 4: return mCore.IX;
    case 5: return mCore.IY;
    case 6: return mCore.PC;
    case 7: return mCore.SP;
    case 8: return mCore.AF2;
    case 9: return mCore.BC2;
    case 10: return mCore.DE2;
    case 11: return mCore.HL2;
    case 12: return mCore.status;
    case 13: return mCore.I;
    case 14: return mCore.R;
    default: return 0;
    }
}

bool Z80::dump(int32_t column, int32_t row, DebugMonitor* monitor)
{
    if (monitor == nullptr) return true;
    monitor->printf(column, row, "PC:%04X SP:%04X IX:%04X IY:%04X", mCore.PC, mCore.SP, mCore.IX, mCore.IY);
    monitor->printf(column, row + 1, "AF:%04X BC:%04X DE:%04X HL:%04X", mCore.AF, mCore.BC, mCore.DE, mCore.HL);
    monitor->printf(column, row + 2, "  :%04X   :%04X   :%04X   :%04X", mCore.AF2, mCore.BC2, mCore.DE2, mCore.HL2);
    monitor->printf(column, row + 3, "IFF:%02X I:%02X R:%02X", mCore.status, mCore.I, mCore.R);
    return true;
}

uint8_t Z80::readMemory(uint32_t address)
{
    Z80* cpu = sCurZ80;
    if (cpu == nullptr) {
        System::assertFailed(kSource, __LINE__, "Z80::sCurZ80 != NULL");
        return 0;
    }
    return (uint8_t)cpu->mBuses.memory->read(address & 0xFFFF);
}

void Z80::writeMemory(uint32_t address, uint32_t value)
{
    Z80* cpu = sCurZ80;
    if (cpu == nullptr) {
        System::assertFailed(kSource, __LINE__, "Z80::sCurZ80 != NULL");
        return;
    }
    cpu->mBuses.memory->write(address & 0xFFFF, value & 0xFF);
}

uint8_t Z80::readPort(uint32_t port)
{
    Z80* cpu = sCurZ80;
    if (cpu == nullptr) {
        System::assertFailed(kSource, __LINE__, "Z80::sCurZ80 != NULL");
        return 0;
    }
    return (uint8_t)cpu->mBuses.io->read(port & 0xFFFF);
}

void Z80::writePort(uint32_t port, uint32_t value)
{
    Z80* cpu = sCurZ80;
    if (cpu == nullptr) {
        System::assertFailed(kSource, __LINE__, "Z80::sCurZ80 != NULL");
        return;
    }
    cpu->mBuses.io->write(port & 0xFFFF, value & 0xFF);
}

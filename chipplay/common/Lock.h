// Lock: a recursive mutual-exclusion lock, made only through System::createLock.
//
// The same thread may take a lock it already holds (an Object's method that
// holds its lock calls other locking methods of the same object); every lock()
// needs its unlock(). Not an Object itself: an Object owns one.
#pragma once

class Lock {
public:
    virtual ~Lock() {}
    virtual void lock() = 0;
    virtual void unlock() = 0;
};

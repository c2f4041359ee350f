// Semaphore: a counting semaphore, made only through System::createSemaphore.
//
//   Semaphore* s = System::createSemaphore(0);
//   s->release();   // count + 1, wakes one waiter
//   s->wait();      // blocks without time limit until the count is positive
#pragma once

class Semaphore {
public:
    virtual ~Semaphore() {}
    virtual bool release() = 0;
    virtual bool wait() = 0;
};

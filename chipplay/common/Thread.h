// Thread: a running (or suspended) thread, made only through System::createThread.
//
//   static int Work(void* arg) { ...; return 0; }   // the return value is the exit code
//   Thread* t = System::createThread(Work, this, false);
//   int code = t->join();                              // waits, -1 when it cannot tell
//   delete t;
//
// Priority levels: 1 time critical, 2 highest, 3 above normal, 4 normal,
// 5 below normal, 6 lowest, 7 idle; any other level sets normal.
#pragma once

#include "Object.h"

typedef int (*ThreadProc)(void* arg);

class Thread : public virtual Object {
public:
    enum {
        PRIORITY_TIME_CRITICAL = 1,
        PRIORITY_HIGHEST = 2,
        PRIORITY_ABOVE_NORMAL = 3,
        PRIORITY_NORMAL = 4,
        PRIORITY_BELOW_NORMAL = 5,
        PRIORITY_LOWEST = 6,
        PRIORITY_IDLE = 7,
    };

    virtual bool resume() = 0;
    virtual bool suspend() = 0;
    virtual bool terminate(int code) = 0;
    virtual int join() = 0;
    virtual int getPriority() = 0;
    virtual bool setPriority(int level) = 0;
};

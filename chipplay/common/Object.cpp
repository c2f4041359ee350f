#include "Object.h"

#include "Lock.h"
#include "System.h"

Object::Object() : mLock(System::createLock())
{
}

Object::~Object()
{
    delete mLock;
}

bool Object::lock()
{
    if (mLock == nullptr) return false;
    mLock->lock();
    return true;
}

bool Object::unlock()
{
    if (mLock == nullptr) return false;
    mLock->unlock();
    return true;
}

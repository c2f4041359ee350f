// Object: the base of every class of the player that is used from more than
// one thread. It owns one recursive Lock, made through System::createLock when
// the object is constructed; without an installed System (or when the lock
// cannot be made) the object works unlocked and lock()/unlock() return false.
//
// Derive virtually, so a class that reaches Object along two paths (an
// interface and its implementation) still holds one lock:
//
//   class Player : public virtual Object { ... };
//   void Player::stop() { ObjectLocker hold(*this); ... }   // unlocks on every return
#pragma once

class Lock;

class Object {
public:
    Object();
    virtual ~Object();
    virtual bool lock();
    virtual bool unlock();

    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

protected:
    Lock* mLock;
};

// Holds an Object's lock for one scope.
class ObjectLocker {
public:
    explicit ObjectLocker(Object& object) : mObject(object) { mObject.lock(); }
    ~ObjectLocker() { mObject.unlock(); }
    ObjectLocker(const ObjectLocker&) = delete;
    ObjectLocker& operator=(const ObjectLocker&) = delete;

private:
    Object& mObject;
};

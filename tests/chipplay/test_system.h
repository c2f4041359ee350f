// TestSystem: the standard-library System (StdSystem) as the tests of the
// platform-free code install it: errors and assertion failures are kept for
// the test to read, nothing is written or shown; locks, semaphores, threads
// and the tick are real.
//
//   TestSystem* sys = TestSystem::install();   // replaces any installed System
//   ... code under test ...
//   EXPECT_EQ(sys->errors().size(), 1u);
//   System::terminate();
//
// Or, per test: `TestSystemScope sys;` installs one and removes it at the end.
#pragma once

#include "StdSystem.h"

class TestSystem : public StdSystem {
public:
    TestSystem() : StdSystem(Options{"test", false, true}) {}

    static TestSystem* install()
    {
        System::terminate();
        TestSystem* s = new TestSystem();
        System::setInstance(s);
        return s;
    }
};

class TestSystemScope {
public:
    TestSystemScope() : mSystem(TestSystem::install()) {}
    ~TestSystemScope() { System::terminate(); }
    TestSystem* operator->() const { return mSystem; }
    TestSystem& operator*() const { return *mSystem; }

private:
    TestSystem* mSystem;
};

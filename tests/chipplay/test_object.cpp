// Object's lock and the System facade, over the test System.
#include "test_system.h"

#include "Lock.h"
#include "Object.h"
#include "Semaphore.h"
#include "Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

struct Counter : public virtual Object {
    int value = 0;
    void add()
    {
        ObjectLocker hold(*this);
        int v = value;
        std::this_thread::yield();
        value = v + 1;
    }
    void addTwice()
    {
        ObjectLocker hold(*this);   // held while add() takes it again
        add();
        add();
    }
};

// Reaches Object along two paths: still one lock.
struct Iface : public virtual Object {};
struct Impl : public Iface, public virtual Object {};

TEST(Facade, WithoutAnInstanceEveryForwarderDoesNothing)
{
    System::terminate();
    EXPECT_EQ(System::getInstance(), nullptr);
    EXPECT_EQ(System::createLock(), nullptr);
    EXPECT_EQ(System::createSemaphore(1), nullptr);
    EXPECT_EQ(System::createThread([](void*) { return 0; }, nullptr, false), nullptr);
    EXPECT_EQ(System::openFile("x", 1), nullptr);
    EXPECT_EQ(System::openArchive("x"), nullptr);
    EXPECT_FALSE(System::deleteFile("x"));
    EXPECT_FALSE(System::setTickHandler(1000, nullptr, nullptr));
    EXPECT_EQ(System::convertString("a/b"), "");
    System::error("nobody hears %d\n", 1);
    System::assertFailed("common/x.cpp", 1, "false");
    EXPECT_FALSE(System::setInstance(nullptr));

    Object unlocked;   // no System: works without a lock
    EXPECT_FALSE(unlocked.lock());
    EXPECT_FALSE(unlocked.unlock());
}

TEST(Facade, ErrorsAndAssertionsReachTheInstance)
{
    TestSystemScope sys;
    System::error("[Player]%s(%d)\n", "曲", 3);
    System::assertFailed("common/Config.cpp", 42, "_file != NULL");
    ASSERT_EQ(sys->errors().size(), 2u);
    EXPECT_EQ(sys->errors()[0], "[Player]曲(3)\n");
    EXPECT_EQ(sys->errors()[1], "ASSERTION FAILED: (_file != NULL), file common/Config.cpp, line 42\n");
    EXPECT_EQ(sys->assertions(), std::vector<std::string>{"common/Config.cpp:42:_file != NULL"});
}

TEST(ObjectLock, IsRecursiveAndExcludesOtherThreads)
{
    TestSystemScope sys;
    Counter c;
    EXPECT_TRUE(c.lock());
    EXPECT_TRUE(c.lock());   // again from the same thread
    EXPECT_TRUE(c.unlock());
    EXPECT_TRUE(c.unlock());

    std::vector<std::thread> ts;
    for (int i = 0; i < 4; i++) ts.emplace_back([&c] { for (int k = 0; k < 500; k++) c.addTwice(); });
    for (auto& t : ts) t.join();
    EXPECT_EQ(c.value, 4 * 500 * 2);
}

TEST(ObjectLock, OneLockAlongTwoPaths)
{
    TestSystemScope sys;
    Impl obj;
    Iface& viaIface = obj;
    Object& viaObject = obj;
    EXPECT_EQ(static_cast<Object*>(&viaIface), &viaObject);
}

TEST(Semaphore, WaitBlocksUntilReleased)
{
    TestSystemScope sys;
    Semaphore* s = System::createSemaphore(0);
    ASSERT_NE(s, nullptr);
    std::atomic<bool> passed(false);
    std::thread t([&] { s->wait(); passed = true; });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(passed);
    s->release();
    t.join();
    EXPECT_TRUE(passed);
    delete s;
}

TEST(Thread, SuspendedStartRunsOnResumeAndJoinGivesTheExitCode)
{
    TestSystemScope sys;
    std::atomic<int> ran(0);
    Thread* t = System::createThread([](void* a) { static_cast<std::atomic<int>*>(a)->store(1); return 7; },
                                     &ran, true);
    ASSERT_NE(t, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(ran.load(), 0);
    EXPECT_TRUE(t->resume());
    EXPECT_EQ(t->join(), 7);
    EXPECT_EQ(ran.load(), 1);
    EXPECT_EQ(t->join(), -1);   // no thread any more
    delete t;
}

TEST(Tick, HandlerRunsPeriodicallyUntilRemoved)
{
    TestSystemScope sys;
    EXPECT_TRUE(System::setTickHandler(1000, nullptr, nullptr));   // none set: still true
    std::atomic<int> ticks(0);
    // Five ticks of 10 ms, however long a loaded machine takes to give
    // them; never more than the time allows.
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(System::setTickHandler(10000, [](void* a) { ++*static_cast<std::atomic<int>*>(a); }, &ticks));
    while (ticks.load() < 5 && std::chrono::steady_clock::now() - start < std::chrono::seconds(10))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(System::setTickHandler(10000, nullptr, nullptr));
    auto elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    int n = ticks.load();
    EXPECT_GE(n, 5);
    EXPECT_LE(n, elapsedMs.count() / 10 + 2) << "more ticks than " << elapsedMs.count() << " ms hold";
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(ticks.load(), n);
}

}  // namespace

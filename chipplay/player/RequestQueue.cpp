#include "RequestQueue.h"

#include "Semaphore.h"
#include "System.h"

namespace {
const char kSource[] = "player/RequestQueue.cpp";
}

RequestQueue::RequestQueue(int32_t capacity)
    : mSemaphore(System::createSemaphore(0)),
      mCapacity(capacity > 0 ? capacity : 1),
      mWords(new int32_t[static_cast<size_t>(capacity > 0 ? capacity : 1)]()),
      mHead(0),
      mTail(0)
{
    SYSTEM_CHECK(kSource, capacity > 0, );
}

RequestQueue::~RequestQueue()
{
    delete mSemaphore;
    delete[] mWords;
}

bool RequestQueue::put(int32_t word)
{
    bool stored = false;
    {
        ObjectLocker hold(*this);
        const int32_t next = (mTail + 1) % mCapacity;
        if (next != mHead) {
            mWords[mTail] = word;
            mTail = next;
            stored = true;
        }
    }
    if (stored && mSemaphore != nullptr) mSemaphore->release();
    return stored;
}

int32_t RequestQueue::get()
{
    SYSTEM_CHECK(kSource, mSemaphore != NULL, 0);
    mSemaphore->wait();
    ObjectLocker hold(*this);
    const int32_t word = mWords[mHead];
    mHead = (mHead + 1) % mCapacity;
    return word;
}

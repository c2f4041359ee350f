// RequestQueue: a ring of int32 request words with a counting semaphore, the
// player thread's inbox. Any thread puts; one thread gets.
//
//   RequestQueue q(1024);
//   q.put(RequestQueue::TICK);     // false when the ring is full (the word is dropped)
//   int32_t w = q.get();           // blocks until a word is there
//
// One slot stays empty to tell a full ring from an empty one, so it holds at
// most capacity - 1 words.
#pragma once

#include "Object.h"

#include <cstdint>

class Semaphore;

class RequestQueue : public virtual Object {
public:
    enum { QUIT = 1, INIT_OUTPUT = 2, TICK = 3 };

    explicit RequestQueue(int32_t capacity);
    ~RequestQueue() override;

    bool put(int32_t word);
    int32_t get();

    RequestQueue(const RequestQueue&) = delete;
    RequestQueue& operator=(const RequestQueue&) = delete;

private:
    Semaphore* mSemaphore;
    int32_t mCapacity;
    int32_t* mWords;
    int32_t mHead;
    int32_t mTail;
};

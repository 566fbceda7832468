// What every object one can wait on gives the wait functions (wait.h).
//
// A wait never spins: it sleeps in the kernel on the futex words of all the
// objects it waits for at once (futex_waitv), and retries try_acquire() on each
// wake-up. An object's futex word must change whenever the object may have
// become ready, and the object must wake the word's sleepers then.
#pragma once

#include <atomic>
#include <cstdint>

namespace platform {

enum class Acquire {
    NotReady,   // still not signalled / owned by another thread
    Acquired,   // the wait is satisfied (and, for mutexes and auto-reset events, taken)
    Abandoned,  // a mutex whose owner ended without releasing it: taken over
};

// The word a waiter sleeps on and the value it saw when it found the object not
// ready; the sleep returns at once when the word no longer holds that value.
struct FutexWatch {
    std::atomic<std::uint32_t>* word = nullptr;
    std::uint32_t expected = 0;
};

class Waitable {
public:
    virtual ~Waitable() = default;
    // Reads the word to sleep on. Called before try_acquire(), so that a change
    // between the two is not missed.
    virtual FutexWatch watch() = 0;
    // Satisfies the wait if the object is ready, without blocking.
    virtual Acquire try_acquire() = 0;
    // Called when a wait that watched this object ends without taking it, so an
    // object that wakes only one sleeper can pass the wake-up on.
    virtual void wait_ended_without_it() {}
    // Told before and after each sleep, so an object can skip waking when
    // nobody sleeps on it.
    virtual void sleeping(bool /*now_asleep*/) {}
};

// A flag that is set once and stays set, for objects that become signalled
// when something ends (threads, processes). Waitable; wakes every waiter.
class SignalOnce final : public Waitable {
public:
    void set();
    bool is_set() const { return word_.load(std::memory_order_acquire) != 0; }
    FutexWatch watch() override { return {&word_, word_.load(std::memory_order_acquire)}; }
    Acquire try_acquire() override { return is_set() ? Acquire::Acquired : Acquire::NotReady; }

private:
    std::atomic<std::uint32_t> word_{0};
};

}  // namespace platform

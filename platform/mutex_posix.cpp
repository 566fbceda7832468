#include "platform/mutex.h"

#include <linux/futex.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

#include "platform/futex.h"
#include "platform/object_segment.h"
#include "platform/waitable.h"

namespace platform {
namespace {

void init_state(void* state) {
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(static_cast<pthread_mutex_t*>(state), &attr);
    pthread_mutexattr_destroy(&attr);
}

class MutexObject final : public KernelObject, public Waitable {
public:
    explicit MutexObject(std::shared_ptr<ObjectSegment> segment)
        : segment_(std::move(segment)), mutex_(static_cast<pthread_mutex_t*>(segment_->state())) {}

    ~MutexObject() override {
        // The owner's robust list points into this memory: never unmap it under
        // an owner. Our own ownership ends here; another thread's keeps it mapped.
        while (owner() == static_cast<std::uint32_t>(::gettid())) pthread_mutex_unlock(mutex_);
        if (owner() != 0 && owner_is_in_this_process()) segment_->keep_mapped_forever();
    }

    ObjectKind kind() const override { return ObjectKind::Mutex; }
    Waitable* waitable() override { return this; }

    // Only the owner may release; asking the POSIX mutex to find that out
    // would be an error on its side, so the owner is checked here first.
    bool release() {
        if (owner() != static_cast<std::uint32_t>(::gettid())) return false;
        return pthread_mutex_unlock(mutex_) == 0;
    }

    // The lock word is the futex the POSIX mutex sleeps on: owner thread id plus
    // the kernel's waiters and owner-died bits. A waiter sets the waiters bit so
    // that the owner's unlock wakes it.
    FutexWatch watch() override {
        std::uint32_t v = word()->load(std::memory_order_acquire);
        if (v != 0 && !(v & FUTEX_WAITERS)) {
            if (word()->compare_exchange_strong(v, v | FUTEX_WAITERS, std::memory_order_acq_rel))
                v |= FUTEX_WAITERS;
        }
        return {word(), v};
    }
    // A taker may be one of several sleepers that the last unlock woke only
    // one of; the others still sleep on the word. The lock is taken with the
    // waiters bit set, as the POSIX mutex's own lock does after sleeping, so
    // that this owner's unlock wakes the next of them. Without it the bit,
    // cleared by the unlock, would be lost, and a third process waiting for
    // the mutex would sleep for ever.
    Acquire try_acquire() override {
        int r = pthread_mutex_trylock(mutex_);
        if (r == 0) {
            word()->fetch_or(FUTEX_WAITERS, std::memory_order_acq_rel);
            return Acquire::Acquired;
        }
        if (r == EOWNERDEAD) {
            pthread_mutex_consistent(mutex_);
            word()->fetch_or(FUTEX_WAITERS, std::memory_order_acq_rel);
            return Acquire::Abandoned;
        }
        return Acquire::NotReady;
    }
    // An unlock wakes one sleeper; if that was us and we took something else,
    // the next sleeper must hear of it instead.
    void wait_ended_without_it() override { futex::wake(word(), 1); }

private:
    std::atomic<std::uint32_t>* word() {
        return reinterpret_cast<std::atomic<std::uint32_t>*>(&mutex_->__data.__lock);
    }
    std::uint32_t owner() { return word()->load(std::memory_order_acquire) & FUTEX_TID_MASK; }
    bool owner_is_in_this_process() {
        // A thread of this process has /proc/self/task/<tid>.
        char path[64];
        std::snprintf(path, sizeof path, "/proc/self/task/%u", owner());
        return ::access(path, F_OK) == 0;
    }

    std::shared_ptr<ObjectSegment> segment_;
    pthread_mutex_t* mutex_;
};

}  // namespace

Handle create_mutex(std::string_view name, bool initially_owned) {
    // A new mutex is taken inside its creation, before any other process can
    // see it, so the initial ownership cannot be lost to a quicker opener.
    auto init = [&](void* state) {
        init_state(state);
        if (initially_owned) pthread_mutex_lock(static_cast<pthread_mutex_t*>(state));
    };
    return create_kernel_object<MutexObject>(name, ObjectKind::Mutex, 0, init);
}

Handle open_mutex(std::string_view name) { return open_kernel_object<MutexObject>(name, ObjectKind::Mutex); }

bool release_mutex(Handle mutex) {
    auto m = lookup_handle_as<MutexObject>(mutex);
    if (!m) return false;
    if (!m->release()) {
        set_last_error(ERROR_NOT_OWNER);
        return false;
    }
    return true;
}

}  // namespace platform

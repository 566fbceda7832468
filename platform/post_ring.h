// The posted-message queue of one thread, in memory shared by the computer's
// processes. Internal to the platform layer (message_queue.cpp uses it).
//
// The ring is a named object "TwpMessageQueue.<thread id>" (thread ids are
// unique among the computer's live threads): a header with two robust
// process-shared mutexes and the wake word, then a fixed ring of entries.
// - `guard` protects the ring; a poster that dies inside is taken over.
// - `alive` is held by the owning thread for as long as the queue is its own.
//   A thread ends it cleanly by unlocking it; a killed thread's hold is broken
//   by the kernel. So a poster in another process learns that the owner is
//   gone with one try-lock, without reading /proc.
// - `word` changes with every post and is what the owner sleeps on, together
//   with any kernel objects (it is the queue's Waitable word).
// A full ring refuses the post (ERROR_NOT_ENOUGH_QUOTA), as Windows does at its
// post limit; it never overwrites. A thread whose id is reused after its
// owner's death takes the object over and starts it empty.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/messages.h"
#include "platform/win_error.h"

namespace platform {
class ObjectSegment;
}

namespace platform::detail {

inline constexpr std::uint32_t kPostRingCapacity = 10000;

struct PostedMessage {
    HWND hwnd = 0;
    UINT message = 0;
    std::uint64_t wparam = 0;
    std::uint64_t lparam = 0;
    std::uint32_t time = 0;
};

class PostRing {
public:
    // The calling thread's own ring, created (or taken over) and held.
    static Result<std::shared_ptr<PostRing>> create_own();
    // Another thread's ring, for posting; ERROR_INVALID_THREAD_ID when that
    // thread has no queue on this computer.
    static Result<std::shared_ptr<PostRing>> open(std::uint32_t tid);

    ~PostRing();
    // Owner thread only, before it ends: gives the queue up, so that posts to
    // it fail from now on.
    void disown();
    PostRing(const PostRing&) = delete;
    PostRing& operator=(const PostRing&) = delete;

    // Appends and wakes the owner. ERROR_NOT_ENOUGH_QUOTA when full,
    // ERROR_INVALID_THREAD_ID when the owner is gone.
    Status post(const PostedMessage& message);
    // Owner only: the first message `match` accepts, removed when asked.
    bool take(const std::function<bool(const PostedMessage&)>& match, bool remove, PostedMessage& out);
    bool empty();
    // Wakes the owner without posting (a sent message or a quit arrived).
    void notify();

    std::atomic<std::uint32_t>* word();
    // Counts the owner's sleeps, so posts skip the wake-up call when nobody sleeps.
    void sleeping(bool now_asleep);
    std::uint32_t owner_pid() const;
    bool owner_alive();

private:
    struct Shared;
    PostRing() = default;
    std::shared_ptr<ObjectSegment> segment_;
    Shared* shared_ = nullptr;
    void* entries_ = nullptr;
    bool own_ = false;
};

}  // namespace platform::detail

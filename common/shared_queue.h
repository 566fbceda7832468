// One shared-memory queue between the share provider and the status agent: a
// named file mapping that holds at most one entry, guarded by a named mutex and
// announced by a named auto-reset event. Both programs use this one class; they
// differ only in how they read (the agent takes whatever is there, the provider
// only the entry that answers its request).
//
// Names: mutex P+"KAVRO_Share2_CommonMemoryMutex"+Q, event
// P+"KAVRO_Share2_CommonMemoryEvent"+Q, mapping P+Q, where Q is the queue name
// and P is "Global\" on a computer that runs Terminal Server (object_prefix()).
// Every access takes the mutex with the lock time-out (6000 ms); a mutex
// abandoned by a dead process counts as taken. A writer whose slot is full
// releases the mutex, sleeps 100 ms and tries again until the time-out.
// Several threads of one process may share one queue object.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handle_table.h"

namespace common {

enum class QueueKind : std::int32_t { GlobalRequest = 1, Request = 2, Reply = 3 };

// "KAVRO_Share2_GlobalRequestQueue", or the request/reply queue name followed
// by the TWPID in signed decimal.
std::string queue_name(QueueKind kind, std::int32_t twpid);

// "Global\" when the computer runs Terminal Server, as the provider and the
// agent must meet in the global namespace; otherwise empty. Decided from the
// version query and, on NT 4.0, the registry's ProductSuite.
std::string object_prefix();

struct QueueObjectNames {
    std::string mutex;
    std::string event;
    std::string mapping;
};
QueueObjectNames queue_object_names(QueueKind kind, std::int32_t twpid);

std::uint32_t slot_size(QueueKind kind);

class SharedQueue {
public:
    static constexpr std::uint32_t kLockTimeoutMs = 6000;
    static constexpr std::uint32_t kFullSlotRetryMs = 100;

    SharedQueue() = default;
    ~SharedQueue() { close(); }
    SharedQueue(const SharedQueue&) = delete;
    SharedQueue& operator=(const SharedQueue&) = delete;

    // Opens or creates the queue's objects. Afterwards created() tells whether
    // this open made the mapping (nobody held it before) and mapped() whether
    // the slot is usable.
    void open(QueueKind kind, std::int32_t twpid);
    bool created() const { return created_; }
    bool mapped() const { return view_ != nullptr; }
    std::uint32_t size() const { return slot_size_; }

    // 0 written, -1 bad arguments (data null with a length, not mapped, length
    // above the slot size), -2 the slot did not become free in time. A length
    // of 0 writes nothing and only waits for the slot to be empty.
    int write(const void* data, std::uint32_t length);
    // Takes the whole slot, entry or not: 0 taken, -1 not mapped or no buffer,
    // -3 buffer smaller than the slot (out_length = slot size), -2 lock
    // time-out (buffer zeroed, out_length 0).
    int read_all(void* buffer, std::uint32_t buffer_size, std::uint32_t* out_length);
    // Takes the slot only when the 32-bit word at key_offset equals key: 0
    // taken, 1 something else is there (left in place), -1 not mapped or no
    // room for the key, -3 buffer too small (out_length = slot size), -2 lock
    // time-out. A null buffer deletes a matching entry without copying it.
    int read_matching(void* buffer, std::uint32_t buffer_size, std::uint32_t* out_length, std::uint32_t key,
                      std::uint32_t key_offset);

    // Set when an entry is written; the reader waits on it.
    platform::Handle event() const { return event_; }
    void close();

    // The lock time-out, and the time a writer keeps trying on a full slot.
    void set_lock_timeout(std::uint32_t ms) { lock_timeout_ms_ = ms; }

private:
    bool lock();
    void unlock();

    platform::Handle mapping_ = platform::kNullHandle;
    platform::Handle mutex_ = platform::kNullHandle;
    platform::Handle event_ = platform::kNullHandle;
    std::uint8_t* view_ = nullptr;
    std::uint32_t slot_size_ = 0;
    bool created_ = false;
    std::uint32_t lock_timeout_ms_ = kLockTimeoutMs;
};

}  // namespace common

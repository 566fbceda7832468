#include "platform/post_ring.h"

#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <new>

#include "platform/futex.h"
#include "platform/object_segment.h"
#include "platform/thread.h"

namespace platform::detail {
namespace {

struct RingEntry {
    std::uint32_t hwnd;
    std::uint32_t message;
    std::uint64_t wparam;
    std::uint64_t lparam;
    std::uint32_t time;
    std::uint32_t reserved;
};
static_assert(sizeof(RingEntry) == 32);

constexpr std::size_t kEntriesBytes = kPostRingCapacity * sizeof(RingEntry);

void init_robust(pthread_mutex_t* m) {
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
    pthread_mutex_init(m, &attr);
    pthread_mutexattr_destroy(&attr);
}

void lock_robust(pthread_mutex_t* m) {
    if (pthread_mutex_lock(m) == EOWNERDEAD) pthread_mutex_consistent(m);
}

std::string ring_name(std::uint32_t tid) {
    char name[48];
    std::snprintf(name, sizeof name, "TwpMessageQueue.%u", tid);
    return name;
}

}  // namespace

struct PostRing::Shared {
    pthread_mutex_t guard;
    pthread_mutex_t alive;
    std::atomic<std::uint32_t> word;
    std::atomic<std::uint32_t> sleepers;
    std::uint32_t owner_tid;
    std::uint32_t owner_pid;
    std::uint32_t head;
    std::uint32_t count;
};


namespace {

class Guard {
public:
    explicit Guard(pthread_mutex_t* m) : m_(m) { lock_robust(m_); }
    ~Guard() { pthread_mutex_unlock(m_); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    pthread_mutex_t* m_;
};

}  // namespace

Result<std::shared_ptr<PostRing>> PostRing::create_own() {
    static_assert(sizeof(Shared) <= ObjectSegment::kDataOffset - ObjectSegment::kStateOffset);
    const std::uint32_t tid = current_thread_id();
    auto init = [](void* state) {
        auto* s = new (state) Shared{};
        init_robust(&s->guard);
        init_robust(&s->alive);
    };
    bool existed = false;
    auto segment = ObjectSegment::open(ring_name(tid), ObjectKind::Other, kEntriesBytes, OpenMode::CreateOrOpen, init,
                                       existed);
    if (!segment) return std::move(segment).error();
    void* entries = ::mmap(nullptr, kEntriesBytes, PROT_READ | PROT_WRITE, MAP_SHARED, (*segment)->fd(),
                           ObjectSegment::kDataOffset);
    if (entries == MAP_FAILED) return errno_error("mmap", ring_name(tid), errno);
    auto ring = std::shared_ptr<PostRing>(new PostRing);
    ring->segment_ = std::move(segment).value();
    ring->shared_ = static_cast<Shared*>(ring->segment_->state());
    ring->entries_ = entries;
    ring->own_ = true;
    // A ring left by an earlier thread of the same id (still held by a poster
    // that cached it) is taken over and emptied: its messages were for a
    // thread that is gone.
    lock_robust(&ring->shared_->alive);
    {
        Guard g(&ring->shared_->guard);
        ring->shared_->head = 0;
        ring->shared_->count = 0;
        ring->shared_->owner_tid = tid;
        ring->shared_->owner_pid = static_cast<std::uint32_t>(::getpid());
    }
    return ring;
}

Result<std::shared_ptr<PostRing>> PostRing::open(std::uint32_t tid) {
    bool existed = false;
    auto segment =
        ObjectSegment::open(ring_name(tid), ObjectKind::Other, 0, OpenMode::OpenExisting, [](void*) {}, existed);
    if (!segment) return Error{ERROR_INVALID_THREAD_ID, "thread " + std::to_string(tid) + " has no message queue"};
    if ((*segment)->data_size() != kEntriesBytes)
        return Error{ERROR_INVALID_THREAD_ID, "the queue of thread " + std::to_string(tid) + " is not a message queue"};
    void* entries = ::mmap(nullptr, kEntriesBytes, PROT_READ | PROT_WRITE, MAP_SHARED, (*segment)->fd(),
                           ObjectSegment::kDataOffset);
    if (entries == MAP_FAILED) return errno_error("mmap", ring_name(tid), errno);
    auto ring = std::shared_ptr<PostRing>(new PostRing);
    ring->segment_ = std::move(segment).value();
    ring->shared_ = static_cast<Shared*>(ring->segment_->state());
    ring->entries_ = entries;
    if (!ring->owner_alive())
        return Error{ERROR_INVALID_THREAD_ID, "thread " + std::to_string(tid) + " has ended"};
    return ring;
}

PostRing::~PostRing() {
    if (entries_) ::munmap(entries_, kEntriesBytes);
}

void PostRing::disown() {
    if (!own_) return;
    own_ = false;
    {
        Guard g(&shared_->guard);
        shared_->owner_pid = 0;
        shared_->count = 0;
    }
    pthread_mutex_unlock(&shared_->alive);
}

bool PostRing::owner_alive() {
    if (own_) return true;
    int r = pthread_mutex_trylock(&shared_->alive);
    if (r == EBUSY) return true;
    if (r == EOWNERDEAD) pthread_mutex_consistent(&shared_->alive);
    if (r == 0 || r == EOWNERDEAD) pthread_mutex_unlock(&shared_->alive);
    return false;
}

std::uint32_t PostRing::owner_pid() const { return shared_->owner_pid; }

std::atomic<std::uint32_t>* PostRing::word() { return &shared_->word; }

void PostRing::sleeping(bool now_asleep) {
    if (now_asleep)
        shared_->sleepers.fetch_add(1, std::memory_order_seq_cst);
    else
        shared_->sleepers.fetch_sub(1, std::memory_order_seq_cst);
}

void PostRing::notify() {
    shared_->word.fetch_add(1, std::memory_order_seq_cst);
    if (shared_->sleepers.load(std::memory_order_seq_cst) != 0) futex::wake_all(&shared_->word);
}

Status PostRing::post(const PostedMessage& m) {
    if (!own_ && !owner_alive()) return Error{ERROR_INVALID_THREAD_ID, "the queue's thread has ended"};
    {
        Guard g(&shared_->guard);
        if (shared_->count >= kPostRingCapacity)
            return Error{ERROR_NOT_ENOUGH_QUOTA, "the message queue is full"};
        auto* e = static_cast<RingEntry*>(entries_) + (shared_->head + shared_->count) % kPostRingCapacity;
        *e = RingEntry{m.hwnd, m.message, m.wparam, m.lparam, m.time, 0};
        ++shared_->count;
    }
    notify();
    return {};
}

bool PostRing::take(const std::function<bool(const PostedMessage&)>& match, bool remove, PostedMessage& out) {
    auto* entries = static_cast<RingEntry*>(entries_);
    Guard g(&shared_->guard);
    const std::uint32_t head = shared_->head;
    const std::uint32_t count = shared_->count;
    for (std::uint32_t i = 0; i < count; ++i) {
        const RingEntry& e = entries[(head + i) % kPostRingCapacity];
        PostedMessage m{e.hwnd, e.message, e.wparam, e.lparam, e.time};
        if (!match(m)) continue;
        out = m;
        if (!remove) return true;
        if (i == 0) {
            shared_->head = (head + 1) % kPostRingCapacity;
        } else {
            // Taken from the middle by a filter: the later ones move up, keeping their order.
            for (std::uint32_t j = i; j + 1 < count; ++j)
                entries[(head + j) % kPostRingCapacity] = entries[(head + j + 1) % kPostRingCapacity];
        }
        --shared_->count;
        return true;
    }
    return false;
}

bool PostRing::empty() {
    Guard g(&shared_->guard);
    return shared_->count == 0;
}

}  // namespace platform::detail

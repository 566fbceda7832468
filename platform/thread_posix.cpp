#include "platform/thread.h"

#include <limits.h>
#include <pthread.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <sched.h>

#include "platform/futex.h"
#include "platform/wait.h"
#include "platform/waitable.h"

namespace platform {
namespace {

struct ThreadState {
    ThreadBody body;
    std::atomic<std::uint32_t> suspend_count{0};
    std::atomic<std::uint32_t> tid{0};
    std::atomic<std::uint32_t> exit_code{STILL_ACTIVE};
    SignalOnce ended;
};

class ThreadObject final : public KernelObject {
public:
    explicit ThreadObject(std::shared_ptr<ThreadState> state) : state_(std::move(state)) {}
    ObjectKind kind() const override { return ObjectKind::Thread; }
    Waitable* waitable() override { return &state_->ended; }
    ThreadState& state() { return *state_; }

private:
    std::shared_ptr<ThreadState> state_;
};

void* thread_main(void* arg) {
    // The thread holds its own reference: its handle may be closed while it runs.
    std::shared_ptr<ThreadState> state(*static_cast<std::shared_ptr<ThreadState>*>(arg));
    delete static_cast<std::shared_ptr<ThreadState>*>(arg);
    state->tid.store(static_cast<std::uint32_t>(::gettid()), std::memory_order_release);
    futex::wake_all(&state->tid);
    while (std::uint32_t count = state->suspend_count.load(std::memory_order_acquire)) {
        FutexWatch w{&state->suspend_count, count};
        futex::wait_any(std::span(&w, 1), -1);
    }
    std::uint32_t code = state->body();
    state->body = nullptr;  // let go of what the body captured before the handle says "ended"
    state->exit_code.store(code, std::memory_order_release);
    state->ended.set();
    return nullptr;
}

}  // namespace

Handle create_thread(ThreadBody body, std::size_t stack_size, ThreadStart start, std::uint32_t* thread_id) {
    auto state = std::make_shared<ThreadState>();
    state->body = std::move(body);
    state->suspend_count.store(start == ThreadStart::Suspended ? 1 : 0);

    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    if (stack_size != 0) {
        std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        const std::size_t minimum = static_cast<std::size_t>(PTHREAD_STACK_MIN);
        std::size_t size = stack_size < minimum ? minimum : stack_size;
        size = (size + page - 1) / page * page;
        pthread_attr_setstacksize(&attr, size);
    }
    auto* arg = new std::shared_ptr<ThreadState>(state);
    pthread_t t;
    int r = pthread_create(&t, &attr, thread_main, arg);
    pthread_attr_destroy(&attr);
    if (r != 0) {
        delete arg;
        set_last_error(error_from_errno(r));
        return kNullHandle;
    }
    // Windows hands out the id at creation: wait for the new thread to say it.
    while (state->tid.load(std::memory_order_acquire) == 0) {
        FutexWatch w{&state->tid, 0};
        futex::wait_any(std::span(&w, 1), -1);
    }
    if (thread_id) *thread_id = state->tid.load();
    Handle h = insert_handle(std::make_shared<ThreadObject>(state));
    set_last_error(ERROR_SUCCESS);
    return h;
}

std::uint32_t resume_thread(Handle thread) {
    auto t = lookup_handle_as<ThreadObject>(thread);
    if (!t) return 0xFFFFFFFFu;
    auto& count = t->state().suspend_count;
    std::uint32_t before = count.load();
    while (before != 0 && !count.compare_exchange_weak(before, before - 1)) {
    }
    if (before == 1) futex::wake_all(&count);
    return before;
}

bool get_exit_code_thread(Handle thread, std::uint32_t* exit_code) {
    auto t = lookup_handle_as<ThreadObject>(thread);
    if (!t || !exit_code) return false;
    *exit_code = t->state().exit_code.load(std::memory_order_acquire);
    return true;
}

std::uint32_t get_thread_id(Handle thread) {
    auto t = lookup_handle_as<ThreadObject>(thread);
    return t ? t->state().tid.load() : 0;
}

std::uint32_t current_thread_id() {
    thread_local std::uint32_t id = static_cast<std::uint32_t>(::gettid());
    return id;
}

void sleep_ms(std::uint32_t ms) {
    if (ms == 0) {
        ::sched_yield();
        return;
    }
    if (ms == kInfinite) {
        while (true) ::pause();
    }
    timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (::nanosleep(&ts, &ts) != 0) {
    }
}

}  // namespace platform

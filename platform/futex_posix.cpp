#include "platform/futex.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#ifndef SYS_futex_waitv
#define SYS_futex_waitv 449
#endif

namespace platform::futex {

void wake(std::atomic<std::uint32_t>* word, int count) {
    ::syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(word), FUTEX_WAKE, count, nullptr, nullptr, 0);
}

std::int64_t monotonic_ns() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

bool wait_any(std::span<const FutexWatch> watches, std::int64_t deadline_ns) {
    futex_waitv waiters[FUTEX_WAITV_MAX] = {};
    size_t n = watches.size() < FUTEX_WAITV_MAX ? watches.size() : FUTEX_WAITV_MAX;
    for (size_t i = 0; i < n; ++i) {
        waiters[i].val = watches[i].expected;
        waiters[i].uaddr = reinterpret_cast<std::uintptr_t>(watches[i].word);
        waiters[i].flags = FUTEX_32;
    }
    timespec deadline{};
    timespec* deadline_ptr = nullptr;
    if (deadline_ns >= 0) {
        deadline.tv_sec = deadline_ns / 1000000000;
        deadline.tv_nsec = deadline_ns % 1000000000;
        deadline_ptr = &deadline;
    }
    long r = ::syscall(SYS_futex_waitv, waiters, n, 0, deadline_ptr, CLOCK_MONOTONIC);
    return !(r < 0 && errno == ETIMEDOUT);
}

}  // namespace platform::futex

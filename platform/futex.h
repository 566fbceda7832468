// Thin wrappers over the Linux futex calls the wait functions sleep in. Internal
// to the platform layer. All futexes are "shared" (not private), so the same
// code serves words in process memory and words in memory shared between
// processes.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>

#include "platform/waitable.h"

namespace platform::futex {

// Wakes up to `count` sleepers on the word.
void wake(std::atomic<std::uint32_t>* word, int count);
inline void wake_all(std::atomic<std::uint32_t>* word) { wake(word, 0x7fffffff); }

// Sleeps until one of the words no longer holds its expected value, a wake-up
// arrives, or the absolute CLOCK_MONOTONIC deadline in nanoseconds passes
// (deadline_ns < 0: no deadline). Returns false only on time-out; spurious
// returns are possible and callers re-check.
bool wait_any(std::span<const FutexWatch> watches, std::int64_t deadline_ns);

// CLOCK_MONOTONIC in nanoseconds and in whole milliseconds.
std::int64_t monotonic_ns();
inline std::int64_t monotonic_ms() { return monotonic_ns() / 1000000; }

}  // namespace platform::futex

// Waiting on kernel objects: WaitForSingleObject / WaitForMultipleObjects.
//
// Mirrors Windows: a wait on several objects (at most 64) returns for the
// first one that is ready, the lowest index winning when several are; a mutex
// or auto-reset event is taken by the wait that returns for it, and only by
// that one; a mutex whose owner ended without releasing it is taken over and
// reported as abandoned; time-outs are in milliseconds, kInfinite waits
// forever, 0 only tests. Handles of any kind that can be waited on may be
// mixed: events, mutexes, threads, processes.
// Differs: the wait-for-all form is not offered (nothing in the system uses it).
// Blocks the calling thread, sleeping in the kernel (futex_waitv) on the
// objects' words; it never polls.
#pragma once

#include <cstdint>
#include <span>

#include "platform/handle_table.h"

namespace platform {

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;
inline constexpr std::uint32_t kMaximumWaitObjects = 64;

inline constexpr std::uint32_t WAIT_OBJECT_0 = 0;
inline constexpr std::uint32_t WAIT_ABANDONED_0 = 0x80;
inline constexpr std::uint32_t WAIT_TIMEOUT = 258;
inline constexpr std::uint32_t WAIT_FAILED = 0xFFFFFFFFu;

// WAIT_OBJECT_0, WAIT_ABANDONED_0, WAIT_TIMEOUT, or WAIT_FAILED with the last
// error set (ERROR_INVALID_HANDLE for a handle that cannot be waited on).
std::uint32_t wait_for_single_object(Handle handle, std::uint32_t timeout_ms);

// WAIT_OBJECT_0 + i / WAIT_ABANDONED_0 + i for the first ready object i,
// WAIT_TIMEOUT, or WAIT_FAILED (empty list, more than 64, or a bad handle).
std::uint32_t wait_for_multiple_objects(std::span<const Handle> handles, std::uint32_t timeout_ms);

class Waitable;
// The same for objects the caller holds directly (the message-queue wait adds
// its own word to the handles' words this way); at most 65 objects.
std::uint32_t wait_for_waitables(std::span<Waitable* const> objects, std::uint32_t timeout_ms);

}  // namespace platform

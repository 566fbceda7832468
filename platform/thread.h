// Threads: CreateThread / ResumeThread / GetExitCodeThread, thread ids, Sleep.
//
// Mirrors Windows: a thread is created running or suspended (suspend count 1)
// and starts when resume_thread brings the count to 0; its handle is signalled
// when it ends, so wait.h waits for it with a time-out; the exit code reads
// STILL_ACTIVE (259) while it runs. Closing the handle does not stop the thread.
// Thread ids are the kernel's 32-bit thread ids: unique among the live threads
// of the computer, which the system relies on when it names objects after them.
// A thread that ends while owning a mutex abandons it (see mutex.h).
// Differs: suspend_thread of a running thread is not offered (the system only
// starts threads suspended). The stack size is rounded up to the system's
// minimum; 0 takes the default.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/handle_table.h"

namespace platform {

inline constexpr std::uint32_t STILL_ACTIVE = 259;

enum class ThreadStart { Running, Suspended };

// The thread's body returns its exit code.
using ThreadBody = std::function<std::uint32_t()>;

// kNullHandle on failure (last error set). `thread_id` may be null.
Handle create_thread(ThreadBody body, std::size_t stack_size, ThreadStart start, std::uint32_t* thread_id);

// The suspend count before the call, or 0xFFFFFFFF for a bad handle.
std::uint32_t resume_thread(Handle thread);

bool get_exit_code_thread(Handle thread, std::uint32_t* exit_code);

// The id of a thread by its handle (0 for a bad handle).
std::uint32_t get_thread_id(Handle thread);

std::uint32_t current_thread_id();

// Sleep(ms): kInfinite sleeps forever, 0 yields.
void sleep_ms(std::uint32_t ms);

}  // namespace platform

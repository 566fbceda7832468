// The tick count: GetTickCount.
//
// Mirrors Windows: milliseconds since the computer started, as a 32-bit number
// that wraps to 0 after 2^32 - 1 (about 49.7 days); every elapsed time is a
// difference of two readings taken modulo 2^32. All processes of a computer
// read the same count: the system's monotonic clock plus the computer's
// TickBias fact (read once per process, at its first reading).
// Tests put a computer just below the wrap with tick_bias_for() and the
// TickBias fact, or only the calling process with set_tick_count_for_testing().
#pragma once

#include <cstdint>

namespace platform {

std::uint32_t get_tick_count();

// From now on this process's tick count goes on from `value`.
void set_tick_count_for_testing(std::uint32_t value);

// The TickBias fact under which the tick count reads `value` at this moment.
std::uint32_t tick_bias_for(std::uint32_t value);

}  // namespace platform

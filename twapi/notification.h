// Posting a reply notification (WM_TWAPI_READ / WM_TWAPI_STATUS) to a
// caller's window: the receive thread's only way to reach a window. Messages
// are posted, never sent, so the receive thread never waits for the caller.
#pragma once

#include <cstdint>

namespace twapi {

inline constexpr std::uint32_t WM_TWAPI_READ = 1025;    // WM_USER + 1
inline constexpr std::uint32_t WM_TWAPI_STATUS = 1026;  // WM_USER + 2

// PostMessage(window, message, 0, channel_handle). False when the window is
// gone or its queue is full; the reply stays fetchable either way.
// Thread-safe, never blocks.
bool post_notification(std::uint32_t window, std::uint32_t message, std::int32_t channel_handle);

}  // namespace twapi

// Posting a reply notification (WM_TWAPI_READ / WM_TWAPI_STATUS) to a
// caller's window.
//
// The receive thread calls post_notification() and nothing else to reach a
// window: messages are posted, never sent, so the thread never waits for the
// caller. Until the platform's window messages are part of the tree, the
// posting goes to a sink that tests install; without one, a notification is
// dropped and reported as not posted.
#pragma once

#include <cstdint>

namespace twapi {

inline constexpr std::uint32_t WM_TWAPI_READ = 1025;    // WM_USER + 1
inline constexpr std::uint32_t WM_TWAPI_STATUS = 1026;  // WM_USER + 2

// PostMessage(window, message, 0, channel_handle). Thread-safe, never blocks.
bool post_notification(std::uint32_t window, std::uint32_t message, std::int32_t channel_handle);

using NotificationSink = bool (*)(std::uint32_t window, std::uint32_t message, std::uint32_t wparam,
                                  std::int32_t lparam);
// Returns the sink that was installed before. Not for use while notifications
// are being posted.
NotificationSink set_notification_sink_for_testing(NotificationSink sink);

}  // namespace twapi

// The older library's notification window: a hidden window of class
// "TWAPI2.DLL" on a thread of its own (stack 64 KiB) running a plain
// message loop. The older library is told this window's handle instead of
// the caller's (options 3 and 4) and posts it 1025 / 1026 with its own
// channel handle; the window procedure finds the channel record that holds
// that older handle (the last match) and posts the same message to the
// caller's read or status window with the caller's channel handle. A message
// for which no channel, or no window, is set is dropped.
//
// start() and stop() run on the thread that binds or releases the older
// library (resolution, the last TWRelease); the window only posts.
#pragma once

#include <cstdint>

#include "platform/handle_table.h"

namespace twapi {

inline constexpr const char* kNotificationWindowClass = "TWAPI2.DLL";

class NotificationWindow {
public:
    NotificationWindow() = default;
    // A window still running at process exit is left to the exit.
    ~NotificationWindow() = default;
    NotificationWindow(const NotificationWindow&) = delete;
    NotificationWindow& operator=(const NotificationWindow&) = delete;

    // Starts the thread unless it runs; false when it could not be started.
    bool start();
    // Destroys the window and waits up to 5000 ms for the thread to end.
    void stop();
    bool running() const { return thread_ != platform::kNullHandle; }
    std::uint32_t hwnd() const { return hwnd_; }

private:
    platform::Handle thread_ = platform::kNullHandle;
    std::uint32_t hwnd_ = 0;
};

}  // namespace twapi

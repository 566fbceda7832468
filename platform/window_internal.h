// What the message queues need from the windows of this process, and the
// other way round. Internal to the platform layer.
#pragma once

#include <cstdint>
#include <string>

#include "platform/messages.h"
#include "platform/window.h"

namespace platform::detail {

struct WindowOwner {
    std::uint32_t tid = 0;
    std::uint32_t pid = 0;
    bool in_process = false;
};

// The owner of a window of this process or, from the computer's table, of
// another process's window (not checked for life: a post finds that out).
bool window_owner(HWND hwnd, WindowOwner* owner);
// The procedure of a window of this process, or null when it is gone.
WNDPROC window_proc(HWND hwnd);
// Whether `hwnd` is `ancestor` or one of its descendants (this process only).
bool is_self_or_descendant(HWND hwnd, HWND ancestor);
// Called by a thread's queue when the thread ends or leaves the computer whose
// root key is given: its windows go, without messages.
void forget_thread_windows(std::uint32_t tid, const std::string& root_key);
// Called by destroy_window: the window's timers go with it.
void kill_window_timers(HWND hwnd);
// set_active_window with the WM_ACTIVATE code to send (WA_CLICKACTIVE for a click).
HWND activate_window(HWND hwnd, UINT how);
// The screen rectangle when `hwnd` is the desktop window.
bool desktop_rect(HWND hwnd, RECT* rect);

}  // namespace platform::detail

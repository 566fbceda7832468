#include "twapi/older_window.h"

#include <future>

#include "platform/message_queue.h"
#include "platform/thread.h"
#include "platform/wait.h"
#include "platform/window.h"
#include "twapi/globals.h"
#include "twapi/notification.h"

namespace twapi {

namespace {

// The window's creation goes through the platform's queue and window tables,
// whose frames outgrow 16 KiB in instrumented builds; 64 KiB leaves room.
constexpr std::size_t kThreadStack = 65536;
constexpr std::uint32_t kStopWait = 5000;

// Turns the older library's notice into the caller's.
void forward(platform::UINT message, platform::LPARAM older_handle) {
    CChnlList* channels = globals().channels.get();
    if (channels == nullptr) return;
    auto channel = channels->find_by_older_handle(static_cast<int>(older_handle));
    if (!channel) return;
    const bool status = message == WM_TWAPI_STATUS;
    const std::uint32_t window = status ? channel->status_window : channel->read_window;
    if (window == 0) return;
    post_notification(window, status ? channel->status_message : channel->read_message, channel->handle);
}

platform::LRESULT window_proc(platform::HWND hwnd, platform::UINT message, platform::WPARAM wparam,
                              platform::LPARAM lparam) {
    switch (message) {
        case platform::WM_CREATE: return 0;
        case platform::WM_DESTROY: platform::post_quit_message(0); return 0;
        case WM_TWAPI_READ:
        case WM_TWAPI_STATUS: forward(message, lparam); return 0;
        default: return platform::def_window_proc(hwnd, message, wparam, lparam);
    }
}

}  // namespace

bool NotificationWindow::start() {
    if (running()) return true;
    auto made = std::make_shared<std::promise<std::uint32_t>>();
    auto made_future = made->get_future();
    platform::Handle thread = platform::create_thread(
        [made]() -> std::uint32_t {
            platform::WNDCLASS wc;
            wc.style = platform::CS_HREDRAW | platform::CS_VREDRAW;
            wc.lpfnWndProc = window_proc;
            wc.lpszClassName = kNotificationWindowClass;
            platform::register_class(wc);
            platform::HWND hwnd = platform::create_window_ex(0, kNotificationWindowClass, "",
                                                             platform::WS_OVERLAPPED | platform::WS_VISIBLE, 0, 0, 0,
                                                             0, 0, 0, 0, nullptr);
            if (hwnd != 0) platform::show_window(hwnd, platform::SW_HIDE);
            made->set_value(hwnd);
            if (hwnd != 0) {
                platform::MSG msg;
                while (platform::get_message(&msg, 0, 0, 0) > 0) platform::dispatch_message(&msg);
            }
            // The class names this library's procedure: it must not outlive
            // the library, which may be unloaded after the last TWRelease.
            platform::unregister_class(kNotificationWindowClass, 0);
            return 0;
        },
        kThreadStack, platform::ThreadStart::Running, nullptr);
    if (thread == platform::kNullHandle) return false;
    std::uint32_t hwnd = made_future.get();
    if (hwnd == 0) {
        platform::wait_for_single_object(thread, platform::kInfinite);
        platform::close_handle(thread);
        return false;
    }
    thread_ = thread;
    hwnd_ = hwnd;
    return true;
}

void NotificationWindow::stop() {
    if (!running()) return;
    platform::post_message(hwnd_, platform::WM_CLOSE, 0, 0);
    platform::wait_for_single_object(thread_, kStopWait);
    platform::close_handle(thread_);
    thread_ = platform::kNullHandle;
    hwnd_ = 0;
}

}  // namespace twapi

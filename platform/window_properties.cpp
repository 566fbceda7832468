// A window's state, place and data; activation, focus and the front of the
// computer's windows.

#include "platform/window.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/display.h"
#include "platform/message_queue.h"
#include "platform/paint_internal.h"
#include "platform/system_metrics.h"
#include "platform/window_place.h"
#include "platform/text.h"
#include "platform/thread.h"
#include "platform/window_internal.h"
#include "platform/window_objects.h"
#include "platform/window_table.h"

namespace platform {

using namespace window_objects;

// --- State and position -----------------------------------------------------------

namespace {

LPARAM size_lparam(const RECT& client) {
    return make_lparam(static_cast<std::uint16_t>(client.right - client.left),
                       static_cast<std::uint16_t>(client.bottom - client.top));
}

// Minimizing keeps the window's place and hides it from the display;
// restoring gives it back and repaints it.
void set_minimized(const std::shared_ptr<Window>& w, bool minimized) {
    RECT client, screen;
    bool top_level;
    std::string title;
    Surface* surface = nullptr;
    bool maximized = false;
    {
        std::lock_guard guard(state().lock);
        if (w->minimized == minimized) return;
        w->minimized = minimized;
        client = w->client;
        const POINT o = window_origin_locked(*w);
        screen = RECT{o.x, o.y, o.x + w->cx, o.y + w->cy};
        top_level = is_top_level(*w);
        title = w->text;
        surface = w->surface.get();
        maximized = w->maximized;
        if (!minimized && visible_locked(*w)) detail::invalidate_locked(*w, nullptr, true, true, true);
        if (minimized && w->parent) detail::invalidate_parent_area_locked(*w, RECT{w->x, w->y, w->x + w->cx, w->y + w->cy});
    }
    if (top_level && is_window_visible(w->hwnd)) {
        if (minimized) {
            display::window_hidden(w->hwnd);
        } else if (surface) {
            display::window_shown(w->hwnd, *surface, screen, title);
        }
    }
    send_message(w->hwnd, WM_SIZE, minimized ? SIZE_MINIMIZED : (maximized ? SIZE_MAXIMIZED : SIZE_RESTORED),
                 minimized ? 0 : size_lparam(client));
}

}  // namespace

bool show_window(HWND hwnd, int command) {
    auto w = local_window(hwnd);
    if (!w) return false;
    const bool show = command != SW_HIDE;
    bool was = false;
    bool top_level = false;
    {
        std::lock_guard guard(state().lock);
        was = (w->style & WS_VISIBLE) != 0;
        top_level = is_top_level(*w);
    }
    const bool minimize = command == SW_MINIMIZE || command == SW_SHOWMINIMIZED || command == SW_SHOWMINNOACTIVE;
    const bool maximize = command == SW_SHOWMAXIMIZED;
    const bool restore = command == SW_RESTORE || command == SW_SHOWNORMAL || command == SW_SHOWDEFAULT;
    const bool activate = show && command != SW_SHOWNA && command != SW_SHOWNOACTIVATE &&
                          command != SW_SHOWMINNOACTIVE && command != SW_MINIMIZE;
    bool was_maximized = false;
    {
        std::lock_guard guard(state().lock);
        was_maximized = w->maximized;
    }
    if (show != was) send_message(hwnd, WM_SHOWWINDOW, show ? 1 : 0, 0);
    if (!show) {
        if (was)
            set_window_pos(hwnd, 0, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        if (maximize || (restore && was_maximized)) {
            RECT target;
            {
                std::lock_guard guard(state().lock);
                if (maximize && !w->maximized && !w->minimized)
                    w->restore = RECT{w->x, w->y, w->x + w->cx, w->y + w->cy};
                w->maximized = maximize;
                target = w->restore;
            }
            if (is_iconic(hwnd)) set_minimized(w, false);
            if (maximize) {
                RECT work;
                system_parameters_info(SPI_GETWORKAREA, 0, &work, 0);
                target = work;
                if (top_level) {
                    // The frame goes past the work area's edges, as on Windows.
                    const RECT f = frame_insets(get_window_long(hwnd, GWL_STYLE), get_window_long(hwnd, GWL_EXSTYLE));
                    target = RECT{work.left - f.left, work.top - f.left, work.right + f.right, work.bottom + f.bottom};
                } else if (HWND p = get_parent(hwnd)) {
                    get_client_rect(p, &target);
                }
            }
            set_window_pos(hwnd, 0, target.left, target.top, target.right - target.left, target.bottom - target.top,
                           (was ? 0 : SWP_SHOWWINDOW) | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        } else if (!was) {
            set_window_pos(hwnd, 0, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        if (minimize)
            set_minimized(w, true);
        else if (restore || maximize)
            set_minimized(w, false);
    }
    if (w->tid == current_thread_id() && top_level) {
        const bool visible = is_window_visible(hwnd);
        if (activate && visible && !minimize)
            set_active_window(hwnd);
        else if ((!visible || minimize) && get_active_window() == hwnd)
            set_active_window(0);
    }
    return was;
}

bool is_window_visible(HWND hwnd) {
    if (auto w = find(hwnd)) {
        std::lock_guard guard(state().lock);
        return (w->style & WS_VISIBLE) != 0;
    }
    auto r = detail::table_get(hwnd, true);
    return r && (r->style & WS_VISIBLE);
}

bool enable_window(HWND hwnd, bool enable) {
    auto w = local_window(hwnd);
    if (!w) return false;
    bool was_disabled;
    {
        std::lock_guard guard(state().lock);
        was_disabled = (w->style & WS_DISABLED) != 0;
    }
    if (!enable && !was_disabled) send_message(hwnd, WM_CANCELMODE, 0, 0);
    {
        std::lock_guard guard(state().lock);
        if (enable)
            w->style &= ~WS_DISABLED;
        else
            w->style |= WS_DISABLED;
    }
    if (was_disabled == enable) {
        publish(hwnd);
        // A window that can no longer take input gives up the focus.
        if (!enable && w->tid == current_thread_id() && get_focus() == hwnd) set_focus(0);
        send_message(hwnd, WM_ENABLE, enable ? 1 : 0, 0);
    }
    return was_disabled;
}

bool is_window_enabled(HWND hwnd) {
    if (auto w = find(hwnd)) {
        std::lock_guard guard(state().lock);
        return !(w->style & WS_DISABLED);
    }
    auto r = detail::table_get(hwnd, true);
    return r && !(r->style & WS_DISABLED);
}

bool move_window(HWND hwnd, int x, int y, int width, int height, bool repaint) {
    return set_window_pos(hwnd, 0, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

bool get_window_rect(HWND hwnd, RECT* rect) {
    if (rect && detail::desktop_rect(hwnd, rect)) return true;
    auto w = local_window(hwnd);
    if (!w || !rect) return false;
    std::lock_guard guard(state().lock);
    const POINT o = window_origin_locked(*w);
    *rect = RECT{o.x, o.y, o.x + w->cx, o.y + w->cy};
    return true;
}

bool get_client_rect(HWND hwnd, RECT* rect) {
    if (rect && detail::desktop_rect(hwnd, rect)) return true;
    auto w = local_window(hwnd);
    if (!w || !rect) return false;
    std::lock_guard guard(state().lock);
    *rect = RECT{0, 0, std::max(0, w->client.right - w->client.left), std::max(0, w->client.bottom - w->client.top)};
    return true;
}

// --- Window data ----------------------------------------------------------------------

namespace {

// Reads or writes `size` bytes of window data at `index`; false (with
// ERROR_INVALID_INDEX) when they are not all inside the window's extra bytes.
// Negative indices are the GWL_ values.
bool window_data(HWND hwnd, int index, std::size_t size, const std::intptr_t* value, std::intptr_t* previous) {
    auto w = find(hwnd);
    if (!w) {
        auto r = detail::table_get(hwnd, true);
        if (r && index == GWL_STYLE && !value) {
            *previous = static_cast<std::int32_t>(r->style);
            return true;
        }
        set_last_error(r ? ERROR_ACCESS_DENIED : ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    bool republish = false;
    {
        std::lock_guard guard(state().lock);
        if (index >= 0) {
            if (static_cast<std::size_t>(index) + size > w->extra.size()) {
                set_last_error(ERROR_INVALID_INDEX);
                return false;
            }
            unsigned char* at = w->extra.data() + index;
            if (size == 4) {
                std::int32_t old;
                std::memcpy(&old, at, 4);
                *previous = old;
                if (value) {
                    std::int32_t v = static_cast<std::int32_t>(*value);
                    std::memcpy(at, &v, 4);
                }
            } else {
                std::intptr_t old;
                std::memcpy(&old, at, sizeof old);
                *previous = old;
                if (value) std::memcpy(at, value, sizeof *value);
            }
            return true;
        }
        auto field = [&](auto& f) {
            *previous = static_cast<std::intptr_t>(f);
            if (value) f = static_cast<std::remove_reference_t<decltype(f)>>(*value);
        };
        switch (index) {
        case GWL_WNDPROC: {
            *previous = reinterpret_cast<std::intptr_t>(w->proc);
            if (value) w->proc = reinterpret_cast<WNDPROC>(*value);
            break;
        }
        case GWL_HINSTANCE: field(w->instance); break;
        case GWL_HWNDPARENT:
            if (w->style & WS_CHILD) {
                *previous = w->parent;
                if (value) {
                    set_last_error(ERROR_INVALID_INDEX);  // a child changes parents with a call of its own
                    return false;
                }
            } else {
                field(w->owner);
                republish = value != nullptr;
            }
            break;
        case GWL_ID:
            field(w->id);
            republish = value != nullptr;
            break;
        case GWL_STYLE:
            field(w->style);
            republish = value != nullptr;
            break;
        case GWL_EXSTYLE: field(w->ex_style); break;
        case GWL_USERDATA: field(w->user_data); break;
        default: set_last_error(ERROR_INVALID_INDEX); return false;
        }
    }
    if (republish) publish(hwnd);
    return true;
}

}  // namespace

std::int32_t get_window_long(HWND hwnd, int index) {
    std::intptr_t v = 0;
    return window_data(hwnd, index, 4, nullptr, &v) ? static_cast<std::int32_t>(v) : 0;
}

std::int32_t set_window_long(HWND hwnd, int index, std::int32_t value) {
    std::intptr_t v = value, old = 0;
    return window_data(hwnd, index, 4, &v, &old) ? static_cast<std::int32_t>(old) : 0;
}

std::intptr_t get_window_long_ptr(HWND hwnd, int index) {
    std::intptr_t v = 0;
    return window_data(hwnd, index, sizeof(std::intptr_t), nullptr, &v) ? v : 0;
}

std::intptr_t set_window_long_ptr(HWND hwnd, int index, std::intptr_t value) {
    std::intptr_t old = 0;
    return window_data(hwnd, index, sizeof(std::intptr_t), &value, &old) ? old : 0;
}

// --- The computer's windows -------------------------------------------------------------

HWND find_window(const char* class_name, const char* window_name) {
    for (const auto& r : detail::table_list()) {
        if (r.parent != 0 || (r.style & WS_CHILD)) continue;
        if (class_name && !iequals(r.class_name, class_name)) continue;
        if (window_name && !iequals(r.title, window_name)) continue;
        return r.hwnd;
    }
    set_last_error(ERROR_FILE_NOT_FOUND);
    return 0;
}

bool bring_window_to_top(HWND hwnd) {
    if (!is_window(hwnd) || !detail::table_bring_to_top(hwnd)) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    return true;
}

bool set_foreground_window(HWND hwnd) {
    if (!bring_window_to_top(hwnd)) return false;
    detail::table_set_foreground(hwnd);
    if (auto w = find(hwnd); w && w->tid == current_thread_id()) set_active_window(hwnd);
    return true;
}

HWND get_foreground_window() { return detail::table_foreground(); }

// --- Activation and focus, per thread ----------------------------------------------------

namespace {

// Activation and focus are one window per thread: check that `hwnd` (or 0)
// belongs to the calling thread and put it in the thread's slot. Gives the
// window the slot held before, or nothing when `hwnd` was refused.
std::optional<HWND> swap_thread_window(std::unordered_map<std::uint32_t, HWND> State::*slot, HWND hwnd) {
    const std::uint32_t tid = current_thread_id();
    if (hwnd != 0) {
        auto w = find(hwnd);
        if (!w || w->tid != tid) {
            set_last_error(ERROR_INVALID_WINDOW_HANDLE);
            return std::nullopt;
        }
    }
    std::lock_guard guard(state().lock);
    return std::exchange((state().*slot)[tid], hwnd);
}

HWND thread_window(std::unordered_map<std::uint32_t, HWND> State::*slot) {
    std::lock_guard guard(state().lock);
    auto it = (state().*slot).find(current_thread_id());
    return it == (state().*slot).end() ? 0 : it->second;
}

}  // namespace

HWND detail::activate_window(HWND hwnd, UINT how) {
    auto old = swap_thread_window(&State::active, hwnd);
    if (!old) return 0;
    if (*old == hwnd) return *old;
    // The caption shows which window is active.
    for (HWND h : {*old, hwnd}) {
        std::lock_guard guard(state().lock);
        if (Window* w = find_locked(h)) w->nc_dirty = true;
    }
    if (*old && find(*old)) send_message(*old, WM_ACTIVATE, make_wparam(WA_INACTIVE, 0), static_cast<LPARAM>(hwnd));
    if (hwnd) send_message(hwnd, WM_ACTIVATE, make_wparam(static_cast<std::uint16_t>(how), 0), static_cast<LPARAM>(*old));
    return *old;
}

HWND set_active_window(HWND hwnd) { return detail::activate_window(hwnd, WA_ACTIVE); }

HWND get_active_window() { return thread_window(&State::active); }

HWND set_focus(HWND hwnd) {
    auto old = swap_thread_window(&State::focus, hwnd);
    if (!old) return 0;
    if (*old == hwnd) return *old;
    if (*old && find(*old)) send_message(*old, WM_KILLFOCUS, static_cast<WPARAM>(hwnd), 0);
    if (hwnd) send_message(hwnd, WM_SETFOCUS, static_cast<WPARAM>(*old), 0);
    return *old;
}

HWND get_focus() { return thread_window(&State::focus); }

}  // namespace platform

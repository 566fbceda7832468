// Delivered input travels as one posted message, so it reaches a window of
// another process too: the event is packed into the 32 bits of wParam (kind,
// button, modifiers, virtual key, character) and of lParam (the point, two
// signed 16-bit halves), which is all a post between processes carries.
//
// The window's thread unpacks it when it reads its queue and makes the
// messages from the state at that moment (capture, focus, key state), as
// Windows does with its raw input queue.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <unordered_map>

#include "platform/input.h"
#include "platform/message_queue.h"
#include "platform/paint_internal.h"
#include "platform/system_metrics.h"
#include "platform/thread.h"
#include "platform/window_internal.h"
#include "platform/window_objects.h"
#include "platform/window_place.h"
#include "platform/window_table.h"

namespace platform {

using namespace window_objects;

namespace {

constexpr std::uint32_t kAltModifier = 0x20;  // besides MK_SHIFT and MK_CONTROL
constexpr std::uint32_t kDoubleClickMs = 500;

// --- Packing -----------------------------------------------------------------------

WPARAM pack_wparam(const InputEvent& e) {
    std::uint32_t mods = ((e.modifiers & MK_SHIFT) ? 1u : 0u) | ((e.modifiers & MK_CONTROL) ? 2u : 0u) |
                         ((e.modifiers & kAltModifier) ? 4u : 0u);
    return static_cast<WPARAM>((static_cast<std::uint32_t>(e.kind) & 7u) | ((static_cast<std::uint32_t>(e.button) & 3u) << 3) |
                               (mods << 5) | ((e.vk & 0xFFu) << 8) | ((e.ch & 0xFFFFu) << 16));
}

InputEvent unpack(WPARAM wParam, LPARAM lParam) {
    const auto w = static_cast<std::uint32_t>(wParam);
    InputEvent e;
    e.kind = static_cast<InputEvent::Kind>(w & 7u);
    e.button = static_cast<int>((w >> 3) & 3u);
    const std::uint32_t mods = (w >> 5) & 7u;
    e.modifiers = ((mods & 1) ? MK_SHIFT : 0) | ((mods & 2) ? MK_CONTROL : 0) | ((mods & 4) ? kAltModifier : 0);
    e.vk = (w >> 8) & 0xFFu;
    e.ch = (w >> 16) & 0xFFFFu;
    e.pt = POINT{static_cast<std::int16_t>(loword(static_cast<std::uintptr_t>(lParam))),
                 static_cast<std::int16_t>(hiword(static_cast<std::uintptr_t>(lParam)))};
    return e;
}

// --- Process and thread input state ----------------------------------------------------

struct KeyState {
    std::mutex lock;
    std::array<std::uint8_t, 256> keys{};  // 0x80 down, 0x01 toggled
    POINT cursor;
};

KeyState& key_state() {
    static auto* k = new KeyState;
    return *k;
}

bool key_down(std::uint32_t vk) {
    std::lock_guard guard(key_state().lock);
    return (key_state().keys[vk & 0xFF] & 0x80) != 0;
}

// Sets a key's state; returns whether it was down before.
bool set_key(std::uint32_t vk, bool down) {
    auto& k = key_state();
    std::lock_guard guard(k.lock);
    auto set = [&](std::uint32_t v) {
        std::uint8_t& s = k.keys[v & 0xFF];
        const bool was = (s & 0x80) != 0;
        if (down && !was) s ^= 0x01;
        s = static_cast<std::uint8_t>(down ? (s | 0x80) : (s & ~0x80));
        return was;
    };
    const bool was = set(vk);
    // The sided keys move the plain ones too.
    if (vk == VK_LSHIFT || vk == VK_RSHIFT) set(VK_SHIFT);
    if (vk == VK_LCONTROL || vk == VK_RCONTROL) set(VK_CONTROL);
    if (vk == VK_LMENU || vk == VK_RMENU) set(VK_MENU);
    return was;
}

struct Click {
    HWND hwnd = 0;
    UINT button_down = 0;
    std::uint32_t time = 0;
    POINT pt;
    bool armed = false;
};

struct ThreadInput {
    HWND capture = 0;
    Click last_click;
    std::unordered_map<std::uint32_t, std::uint32_t> typed;  // vk -> the character its last press typed
};

thread_local ThreadInput thread_input;

std::uint32_t mouse_flags(std::uint32_t event_modifiers) {
    std::uint32_t f = event_modifiers & (MK_SHIFT | MK_CONTROL);
    if (key_down(VK_LBUTTON)) f |= MK_LBUTTON;
    if (key_down(VK_RBUTTON)) f |= MK_RBUTTON;
    if (key_down(VK_MBUTTON)) f |= MK_MBUTTON;
    if (key_down(VK_SHIFT)) f |= MK_SHIFT;
    if (key_down(VK_CONTROL)) f |= MK_CONTROL;
    return f;
}

LPARAM point_lparam(POINT p) {
    return make_lparam(static_cast<std::uint16_t>(p.x), static_cast<std::uint16_t>(p.y));
}

void queue_for(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, std::uint32_t time) {
    detail::WindowOwner o;
    if (!detail::window_owner(hwnd, &o)) return;
    if (o.in_process && o.tid == current_thread_id()) {
        POINT pt;
        get_cursor_pos(&pt);
        detail::queue_input_message(MSG{hwnd, message, wParam, lParam, time, pt});
    } else {
        post_message(hwnd, message, wParam, lParam);
    }
}

// Whether the window or one of its ancestors is disabled.
bool disabled_locked(const Window& w) {
    for (const Window* c = &w; c; c = c->parent ? find_locked(c->parent) : nullptr)
        if (c->style & WS_DISABLED) return true;
    return false;
}

// The deepest visible window of `top` under a screen point.
HWND window_under_locked(Window& top, POINT screen) {
    Window* at = &top;
    while (true) {
        const POINT o = client_origin_locked(*at);
        const POINT local{screen.x - o.x, screen.y - o.y};
        const RECT client{0, 0, at->client.right - at->client.left, at->client.bottom - at->client.top};
        if (local.x < client.left || local.y < client.top || local.x >= client.right || local.y >= client.bottom) break;
        Window* next = nullptr;
        for (HWND c : at->children) {
            Window* w = find_locked(c);
            if (!w || !(w->style & WS_VISIBLE) || w->minimized) continue;
            if (local.x >= w->x && local.y >= w->y && local.x < w->x + w->cx && local.y < w->y + w->cy) {
                next = w;
                break;
            }
        }
        if (!next) break;
        at = next;
    }
    return at->hwnd;
}

UINT button_message(int button, InputEvent::Kind kind, bool client) {
    const bool down = kind == InputEvent::Kind::ButtonDown;
    if (client) {
        if (button == 3) return down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
        if (button == 2) return down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
        return down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    }
    if (button == 3) return down ? WM_NCRBUTTONDOWN : WM_NCRBUTTONUP;
    return down ? WM_NCLBUTTONDOWN : WM_NCLBUTTONUP;
}

std::uint32_t button_vk(int button) { return button == 3 ? VK_RBUTTON : button == 2 ? VK_MBUTTON : VK_LBUTTON; }

void route_mouse(HWND top, const InputEvent& e, POINT screen, std::uint32_t time) {
    const bool down = e.kind == InputEvent::Kind::ButtonDown;
    const bool up = e.kind == InputEvent::Kind::ButtonUp;
    HWND target = 0;
    LRESULT hit = HTCLIENT;
    HWND capture = thread_input.capture;
    if (capture && !is_window(capture)) capture = thread_input.capture = 0;
    if (capture) {
        target = capture;
    } else {
        {
            std::lock_guard guard(state().lock);
            Window* t = find_locked(top);
            if (!t || !visible_locked(*t)) return;
            const POINT o = window_origin_locked(*t);
            if (screen.x < o.x || screen.y < o.y || screen.x >= o.x + t->cx || screen.y >= o.y + t->cy) return;
            target = window_under_locked(*t, screen);
        }
        while (true) {
            hit = send_message(target, WM_NCHITTEST, 0, point_lparam(screen));
            if (hit != HTTRANSPARENT) break;
            HWND parent = get_parent(target);
            if (!parent || !(get_window_long(target, GWL_STYLE) & WS_CHILD)) return;
            target = parent;
        }
        if (hit == HTNOWHERE || hit == HTERROR) return;
        std::lock_guard guard(state().lock);
        Window* w = find_locked(target);
        if (!w || disabled_locked(*w)) return;  // a disabled window swallows what lands on it
    }

    if (down && get_active_window() != top) {
        const UINT message = button_message(e.button, e.kind, hit == HTCLIENT);
        const LRESULT ma = send_message(target, WM_MOUSEACTIVATE, static_cast<WPARAM>(top),
                                        make_lparam(static_cast<std::uint16_t>(hit), static_cast<std::uint16_t>(message)));
        if (ma != MA_NOACTIVATE && ma != MA_NOACTIVATEANDEAT) detail::activate_window(top, WA_CLICKACTIVE);
        if (ma == MA_ACTIVATEANDEAT || ma == MA_NOACTIVATEANDEAT) return;
        if (!is_window(target)) return;
    }

    if (up && e.button == 1 && hit != HTCLOSE) {
        // A press on the close box that ends elsewhere closes nothing.
        std::lock_guard guard(state().lock);
        if (Window* t = find_locked(top)) t->close_pressed = false;
    }

    const bool client = hit == HTCLIENT;
    if (e.kind == InputEvent::Kind::MouseMove) {
        if (client) {
            POINT p = screen;
            screen_to_client(target, &p);
            queue_for(target, WM_MOUSEMOVE, mouse_flags(e.modifiers), point_lparam(p), time);
        } else {
            queue_for(target, WM_NCMOUSEMOVE, static_cast<WPARAM>(hit), point_lparam(screen), time);
        }
        return;
    }
    UINT message = button_message(e.button, e.kind, client);
    if (down) {
        Click& last = thread_input.last_click;
        const int dx = std::abs(screen.x - last.pt.x), dy = std::abs(screen.y - last.pt.y);
        const bool dbl_class = (get_class_long_ptr(target, GCL_STYLE) & CS_DBLCLKS) != 0;
        if (last.armed && last.hwnd == target && last.button_down == message && time - last.time <= kDoubleClickMs &&
            dx <= get_system_metrics(SM_CXDOUBLECLK) / 2 && dy <= get_system_metrics(SM_CYDOUBLECLK) / 2 &&
            (dbl_class || !client)) {
            // WM_xBUTTONDBLCLK is the message after WM_xBUTTONDOWN in each family.
            message += 2;
            last.armed = false;
        } else {
            last = Click{target, message, time, screen, true};
        }
    }
    if (client) {
        POINT p = screen;
        screen_to_client(target, &p);
        queue_for(target, message, mouse_flags(e.modifiers), point_lparam(p), time);
    } else {
        queue_for(target, message, static_cast<WPARAM>(hit), point_lparam(screen), time);
    }
}

void route_key(HWND top, const InputEvent& e, bool was_down, std::uint32_t time) {
    const bool down = e.kind == InputEvent::Kind::KeyDown;
    const std::uint32_t vk = e.vk & 0xFF;
    if (down && e.ch) thread_input.typed[vk] = e.ch;
    if (down && !e.ch) thread_input.typed.erase(vk);
    HWND target = get_focus();
    if (!target) target = get_active_window();
    if (!target) target = top;
    if (!is_window_enabled(top)) return;
    const bool alt = key_down(VK_MENU) || (e.modifiers & kAltModifier);
    const bool ctrl = key_down(VK_CONTROL) || (e.modifiers & MK_CONTROL);
    const bool sys = (alt && !ctrl) || vk == VK_MENU || vk == VK_F10;
    std::uint32_t l = 1;
    if (alt) l |= 1u << 29;
    if (down ? was_down : true) l |= 1u << 30;
    if (!down) l |= 1u << 31;
    const UINT message = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    queue_for(target, message, vk, static_cast<LPARAM>(static_cast<std::int32_t>(l)), time);
}

// The character a key types with the keys now held.
std::uint32_t key_char(std::uint32_t vk) {
    const bool shift = key_down(VK_SHIFT);
    const bool caps = (get_key_state(static_cast<int>(VK_CAPITAL)) & 1) != 0;
    const bool ctrl = key_down(VK_CONTROL);
    if (vk >= 'A' && vk <= 'Z') {
        if (ctrl) return vk - 'A' + 1;
        return (shift != caps) ? vk : vk - 'A' + 'a';
    }
    if (vk >= '0' && vk <= '9' && !shift) return vk;
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return '0' + (vk - VK_NUMPAD0);
    switch (vk) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return 13;
    case VK_ESCAPE: return 27;
    case VK_TAB: return 9;
    case VK_BACK: return 8;
    default: return 0;
    }
}

}  // namespace

bool deliver_input(HWND top, const InputEvent& event) {
    if (auto w = find(top)) {
        std::lock_guard guard(state().lock);
        if (!is_top_level(*w)) {
            set_last_error(ERROR_INVALID_WINDOW_HANDLE);
            return false;
        }
    } else {
        auto r = detail::table_get(top, true);
        if (!r || (r->style & WS_CHILD)) {
            set_last_error(ERROR_INVALID_WINDOW_HANDLE);
            return false;
        }
    }
    return post_message(top, WM_TWP_INPUT, pack_wparam(event), point_lparam(event.pt));
}

void detail::handle_input_message(const MSG& msg) {
    const InputEvent e = unpack(msg.wParam, msg.lParam);
    const HWND top = msg.hwnd;
    // The keys and buttons are down or up whatever becomes of the window.
    bool was_down = false;
    if (e.kind == InputEvent::Kind::KeyDown || e.kind == InputEvent::Kind::KeyUp)
        was_down = set_key(e.vk & 0xFF, e.kind == InputEvent::Kind::KeyDown);
    if (e.kind == InputEvent::Kind::ButtonDown || e.kind == InputEvent::Kind::ButtonUp)
        set_key(button_vk(e.button), e.kind == InputEvent::Kind::ButtonDown);
    POINT origin;
    {
        std::lock_guard guard(state().lock);
        Window* w = find_locked(top);
        if (!w || !is_top_level(*w)) return;
        origin = window_origin_locked(*w);
    }
    const POINT screen{origin.x + e.pt.x, origin.y + e.pt.y};
    switch (e.kind) {
    case InputEvent::Kind::MouseMove:
    case InputEvent::Kind::ButtonDown:
    case InputEvent::Kind::ButtonUp:
        set_cursor_pos(screen.x, screen.y);
        route_mouse(top, e, screen, msg.time);
        break;
    case InputEvent::Kind::KeyDown:
    case InputEvent::Kind::KeyUp: route_key(top, e, was_down, msg.time); break;
    case InputEvent::Kind::Close:
        // Posted, as the close box and Alt+F4 do, not sent: this runs inside
        // get_message, and a loop that ends when its window is gone (a
        // modeless dialog's "while (is_window(dlg) && get_message(...))")
        // must get the command back to see the window go. Sent from here, the
        // window would be destroyed under a get_message that then sleeps on.
        if (close_command_enabled(top)) post_message(top, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
}

// --- Capture, cursor, keys ----------------------------------------------------------------

HWND set_capture(HWND hwnd) {
    if (hwnd) {
        auto w = find(hwnd);
        if (!w || w->tid != current_thread_id()) {
            set_last_error(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
    }
    const HWND old = thread_input.capture;
    thread_input.capture = hwnd;
    if (old && old != hwnd && is_window(old)) send_message(old, WM_CAPTURECHANGED, 0, static_cast<LPARAM>(hwnd));
    return old;
}

bool release_capture() {
    set_capture(0);
    return true;
}

HWND get_capture() {
    if (thread_input.capture && !is_window(thread_input.capture)) thread_input.capture = 0;
    return thread_input.capture;
}

bool get_cursor_pos(POINT* pt) {
    if (!pt) return false;
    std::lock_guard guard(key_state().lock);
    *pt = key_state().cursor;
    return true;
}

bool set_cursor_pos(int x, int y) {
    std::lock_guard guard(key_state().lock);
    key_state().cursor = POINT{x, y};
    return true;
}

std::int16_t get_key_state(int vk) {
    std::lock_guard guard(key_state().lock);
    const std::uint8_t s = key_state().keys[static_cast<std::uint32_t>(vk) & 0xFF];
    return static_cast<std::int16_t>(((s & 0x80) ? 0x8000 : 0) | (s & 0x01));
}

std::int16_t get_async_key_state(int vk) {
    std::lock_guard guard(key_state().lock);
    const std::uint8_t s = key_state().keys[static_cast<std::uint32_t>(vk) & 0xFF];
    return static_cast<std::int16_t>((s & 0x80) ? 0x8000 : 0);
}

bool translate_message(const MSG* msg) {
    if (!msg) return false;
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) {
        return msg->message == WM_KEYUP || msg->message == WM_SYSKEYUP;
    }
    const auto vk = static_cast<std::uint32_t>(msg->wParam) & 0xFF;
    std::uint32_t ch = 0;
    if (auto it = thread_input.typed.find(vk); it != thread_input.typed.end())
        ch = it->second;
    else
        ch = key_char(vk);
    if (ch) {
        // Ahead of the input still waiting, behind nothing: as Windows puts
        // the character straight after the key that typed it.
        post_message(msg->hwnd, msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR, ch, msg->lParam);
    }
    return true;
}

}  // namespace platform

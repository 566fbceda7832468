// Creation and destruction of windows, the default procedure, the questions
// any process may ask about a window, and what the message queues need from
// the windows of this process. Each window also has an entry in the
// computer's window table (window_table.h), kept up to date with what other
// processes may ask: class, title, style, parent, owner.
#include "platform/window.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/display.h"
#include "platform/message_queue.h"
#include "platform/paint_internal.h"
#include "platform/standard_controls.h"
#include "platform/text.h"
#include "platform/thread.h"
#include "platform/window_internal.h"
#include "platform/window_objects.h"
#include "platform/window_table.h"

namespace platform {

namespace window_objects {

State& state() {
    static auto* s = new State;
    return *s;
}

std::uint32_t self_pid() {
    static const std::uint32_t pid = static_cast<std::uint32_t>(::getpid());
    return pid;
}

Window* find_locked(HWND hwnd) {
    auto& m = state().windows;
    auto it = m.find(hwnd);
    return it == m.end() ? nullptr : it->second.get();
}

std::shared_ptr<Window> find(HWND hwnd) {
    std::lock_guard guard(state().lock);
    auto& m = state().windows;
    auto it = m.find(hwnd);
    return it == m.end() ? nullptr : it->second;
}

detail::WindowRecord record_locked(const Window& w) {
    detail::WindowRecord r;
    r.hwnd = w.hwnd;
    r.pid = self_pid();
    r.tid = w.tid;
    r.parent = w.parent;
    r.owner = w.owner;
    r.style = w.style;
    r.id = static_cast<std::uint32_t>(w.id);
    r.class_name = w.cls->name;
    r.title = w.text;
    return r;
}

void publish(HWND hwnd) {
    detail::WindowRecord r;
    {
        std::lock_guard guard(state().lock);
        Window* w = find_locked(hwnd);
        if (!w) return;
        r = record_locked(*w);
    }
    detail::table_update(r);
}

LRESULT call(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc = detail::window_proc(hwnd);
    return proc ? proc(hwnd, message, wParam, lParam) : 0;
}

std::shared_ptr<WindowClass> find_class_locked(Handle instance, std::string_view name, bool global_too) {
    for (auto& c : state().classes)
        if (c->info.hInstance == instance && iequals(c->name, name)) return c;
    if (global_too)
        for (auto& c : state().classes)
            if ((c->info.style & CS_GLOBALCLASS) && iequals(c->name, name)) return c;
    return nullptr;
}

bool is_top_level(const Window& w) { return !(w.style & WS_CHILD); }

std::shared_ptr<Window> local_window(HWND hwnd) {
    if (auto w = find(hwnd)) return w;
    set_last_error(detail::table_get(hwnd, true) ? ERROR_ACCESS_DENIED : ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
}

void set_text(HWND hwnd, const char* text) {
    bool retitle = false;
    std::string title;
    {
        std::lock_guard guard(state().lock);
        Window* w = find_locked(hwnd);
        if (!w) return;
        w->text = text ? text : "";
        // The caption shows the title.
        if ((w->style & WS_CAPTION) == WS_CAPTION) w->nc_dirty = true;
        retitle = is_top_level(*w) && (w->style & WS_VISIBLE);
        title = w->text;
    }
    publish(hwnd);
    if (retitle) display::window_retitled(hwnd, title);
}

int copy_out(std::string_view text, char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    std::size_t n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
    return static_cast<int>(n);
}

}  // namespace window_objects

using namespace window_objects;

namespace {

// Removes a window from every table without messages.
void unlink_locked(Window& w) {
    State& s = state();
    if (w.parent)
        if (Window* p = find_locked(w.parent)) std::erase(p->children, w.hwnd);
    w.cls->windows--;
    for (auto* m : {&s.active, &s.focus})
        for (auto& [tid, h] : *m)
            if (h == w.hwnd) h = 0;
}

void send_destroy(HWND hwnd) {
    call(hwnd, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    {
        std::lock_guard guard(state().lock);
        if (Window* w = find_locked(hwnd)) children = w->children;
    }
    for (HWND c : children) send_destroy(c);
}

void free_window(HWND hwnd) {
    std::vector<HWND> children;
    {
        std::lock_guard guard(state().lock);
        if (Window* w = find_locked(hwnd)) children = w->children;
    }
    for (HWND c : children) free_window(c);
    call(hwnd, WM_NCDESTROY, 0, 0);
    detail::kill_window_timers(hwnd);
    {
        std::lock_guard guard(state().lock);
        auto it = state().windows.find(hwnd);
        if (it == state().windows.end()) return;
        unlink_locked(*it->second);
        state().windows.erase(it);
    }
    detail::table_remove(hwnd);
}

void mark_destroying_locked(Window& w) {
    w.destroying = true;
    for (HWND c : w.children)
        if (Window* child = find_locked(c)) mark_destroying_locked(*child);
}

}  // namespace

// --- What the queues need -----------------------------------------------------

bool detail::window_owner(HWND hwnd, WindowOwner* owner) {
    {
        std::lock_guard guard(state().lock);
        if (Window* w = find_locked(hwnd)) {
            *owner = WindowOwner{w->tid, self_pid(), true};
            return true;
        }
    }
    auto r = table_get(hwnd, false);
    if (!r || r->pid == self_pid()) return false;
    *owner = WindowOwner{r->tid, r->pid, false};
    return true;
}

WNDPROC detail::window_proc(HWND hwnd) {
    std::lock_guard guard(state().lock);
    Window* w = find_locked(hwnd);
    return w ? w->proc : nullptr;
}

bool detail::is_self_or_descendant(HWND hwnd, HWND ancestor) {
    std::lock_guard guard(state().lock);
    while (hwnd != 0) {
        if (hwnd == ancestor) return true;
        Window* w = find_locked(hwnd);
        if (!w) return false;
        hwnd = w->parent;
    }
    return false;
}

void detail::forget_thread_windows(std::uint32_t tid, const std::string& root_key) {
    std::vector<HWND> gone, tops;
    {
        std::lock_guard guard(state().lock);
        State& s = state();
        for (auto& [hwnd, w] : s.windows)
            if (w->tid == tid) gone.push_back(hwnd);
        for (HWND h : gone)
            if (Window* w = find_locked(h)) unlink_locked(*w);
        for (HWND h : gone) {
            auto it = s.windows.find(h);
            if (it != s.windows.end() && !it->second->parent) tops.push_back(h);
            s.windows.erase(it);
        }
        s.active.erase(tid);
        s.focus.erase(tid);
    }
    for (HWND h : tops) display::window_destroyed(h);
    for (HWND h : gone) table_remove_on(root_key, h);
}
// --- Creation and destruction ---------------------------------------------------

HWND create_window_ex(std::uint32_t ex_style, const char* class_name, const char* window_name, std::uint32_t style,
                      int x, int y, int width, int height, HWND parent, std::uintptr_t menu_or_id, Handle instance,
                      void* param) {
    if (!ensure_message_queue()) return 0;
    const bool child = (style & WS_CHILD) != 0;
    if (child && parent == 0) {
        set_last_error(ERROR_TLW_WITH_WSCHILD);
        return 0;
    }
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) {
        width = 640;
        height = 480;
    }
    // The standard controls are there without anyone registering them.
    if (class_name && is_standard_control_class(class_name)) ensure_standard_controls();
    auto w = std::make_shared<Window>();
    detail::WindowRecord record;
    {
        std::lock_guard guard(state().lock);
        auto cls = class_name ? find_class_locked(instance, class_name, true) : nullptr;
        if (!cls) {
            set_last_error(ERROR_CANNOT_FIND_WND_CLASS);
            return 0;
        }
        if (parent != 0 && !find_locked(parent)) {
            set_last_error(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        w->cls = cls;
        w->proc = cls->info.lpfnWndProc;
        w->tid = current_thread_id();
        w->parent = child ? parent : 0;
        w->owner = child ? 0 : parent;
        w->style = style & ~WS_VISIBLE;  // shown at the end of creation
        w->ex_style = ex_style;
        w->id = child ? menu_or_id : 0;
        w->instance = instance;
        w->x = x;
        w->y = y;
        w->cx = width;
        w->cy = height;
        w->extra.assign(static_cast<std::size_t>(cls->info.cbWndExtra), 0);
        w->client = RECT{0, 0, width, height};
        if (!child) {
            w->surface = std::make_unique<Surface>();
            w->surface->resize(width, height);
        }
        record = record_locked(*w);
    }
    auto added = detail::table_add(record);
    if (!added) {
        added.error().make_last();
        return 0;
    }
    const HWND hwnd = *added;
    {
        std::lock_guard guard(state().lock);
        w->hwnd = hwnd;
        w->cls->windows++;
        state().windows[hwnd] = w;
        if (w->parent)
            if (Window* p = find_locked(w->parent)) p->children.push_back(hwnd);
    }

    if ((style & WS_THICKFRAME) || !(style & (WS_POPUP | WS_CHILD))) {
        MINMAXINFO mmi;
        mmi.ptMaxSize = {1024, 768};
        mmi.ptMinTrackSize = {112, 27};
        mmi.ptMaxTrackSize = {1024, 768};
        call(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    }
    CREATESTRUCT cs{param, instance, menu_or_id, parent, height, width, y, x, style, window_name, class_name, ex_style};
    if (!call(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
        free_window(hwnd);
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    RECT client{x, y, x + width, y + height};
    call(hwnd, WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&client));
    {
        std::lock_guard guard(state().lock);
        w->client = RECT{client.left - x, client.top - y, client.right - x, client.bottom - y};
        w->restore = RECT{x, y, x + width, y + height};
        // A new window paints itself entirely once it shows.
        w->update = RECT{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
        w->needs_paint = w->erase = w->nc_dirty = true;
    }
    if (call(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        destroy_window(hwnd);
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    call(hwnd, WM_SIZE, SIZE_RESTORED,
         make_lparam(static_cast<std::uint16_t>(client.right - client.left),
                     static_cast<std::uint16_t>(client.bottom - client.top)));
    {
        // WM_MOVE gives the client area's place: in the parent's client
        // coordinates for a child, on the screen for a top-level window.
        POINT at{client.left, client.top};
        call(hwnd, WM_MOVE, 0, make_lparam(static_cast<std::uint16_t>(at.x), static_cast<std::uint16_t>(at.y)));
    }
    if (child && !(ex_style & WS_EX_NOPARENTNOTIFY))
        send_message(parent, WM_PARENTNOTIFY, make_wparam(WM_CREATE, static_cast<std::uint16_t>(menu_or_id)),
                     static_cast<LPARAM>(hwnd));
    if (!is_window(hwnd)) return 0;  // a procedure destroyed it on the way
    if (style & WS_VISIBLE) show_window(hwnd, SW_SHOW);
    set_last_error(ERROR_SUCCESS);
    return hwnd;
}

bool destroy_window(HWND hwnd) {
    auto w = local_window(hwnd);
    if (!w) return false;
    if (w->tid != current_thread_id()) {
        set_last_error(ERROR_ACCESS_DENIED);
        return false;
    }
    std::vector<HWND> owned;
    bool child = false;
    HWND parent = 0;
    std::uintptr_t id = 0;
    bool notify = false;
    {
        std::lock_guard guard(state().lock);
        if (w->destroying) return true;  // already on its way (a procedure destroying itself again)
        mark_destroying_locked(*w);
        for (auto& [h, other] : state().windows)
            if (other->owner == hwnd && other->tid == w->tid) owned.push_back(h);
        if (w->parent && visible_locked(*w))
            detail::invalidate_parent_area_locked(*w, RECT{w->x, w->y, w->x + w->cx, w->y + w->cy});
        w->style &= ~WS_VISIBLE;
        child = (w->style & WS_CHILD) != 0;
        parent = w->parent;
        id = w->id;
        notify = child && !(w->ex_style & WS_EX_NOPARENTNOTIFY);
    }
    for (HWND o : owned) destroy_window(o);
    if (!child) display::window_destroyed(hwnd);
    if (notify)
        send_message(parent, WM_PARENTNOTIFY, make_wparam(WM_DESTROY, static_cast<std::uint16_t>(id)),
                     static_cast<LPARAM>(hwnd));
    send_destroy(hwnd);
    free_window(hwnd);
    return true;
}

// --- The default procedure ------------------------------------------------------

LRESULT def_window_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE: {
        auto* cs = reinterpret_cast<const CREATESTRUCT*>(lParam);
        if (cs && cs->lpszName) set_text(hwnd, cs->lpszName);
        return 1;
    }
    case WM_SETTEXT:
        set_text(hwnd, reinterpret_cast<const char*>(lParam));
        return 1;
    case WM_GETTEXT: {
        std::string text;
        {
            std::lock_guard guard(state().lock);
            if (Window* w = find_locked(hwnd)) text = w->text;
        }
        return copy_out(text, reinterpret_cast<char*>(lParam), static_cast<int>(wParam));
    }
    case WM_GETTEXTLENGTH: {
        std::lock_guard guard(state().lock);
        Window* w = find_locked(hwnd);
        return w ? static_cast<LRESULT>(w->text.size()) : 0;
    }
    case WM_CLOSE:
        destroy_window(hwnd);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE: send_message(hwnd, WM_CLOSE, 0, 0); break;
        case SC_MINIMIZE: show_window(hwnd, SW_MINIMIZE); break;
        case SC_MAXIMIZE: show_window(hwnd, SW_MAXIMIZE); break;
        case SC_RESTORE: show_window(hwnd, SW_RESTORE); break;
        default: break;
        }
        return 0;
    case WM_ACTIVATE:
        if (loword(wParam) != WA_INACTIVE) set_focus(hwnd);
        return 0;
    case WM_MOUSEACTIVATE:
        // A child asks its parent first, as Windows does, so a dialog can
        // decide for its controls.
        if (HWND parent = get_parent(hwnd); parent && (get_window_long(hwnd, GWL_STYLE) & WS_CHILD))
            if (LRESULT r = send_message(parent, WM_MOUSEACTIVATE, wParam, lParam)) return r;
        return MA_ACTIVATE;
    case WM_SETICON:
    case WM_GETICON: {
        std::lock_guard guard(state().lock);
        Window* w = find_locked(hwnd);
        if (!w) return 0;
        HICON& slot = wParam == ICON_BIG ? w->icon_big : w->icon_small;
        const HICON old = slot;
        if (message == WM_SETICON) {
            slot = static_cast<HICON>(lParam);
            w->nc_dirty = true;
        }
        return static_cast<LRESULT>(old);
    }
    case WM_SETREDRAW: {
        std::lock_guard guard(state().lock);
        if (Window* w = find_locked(hwnd)) w->redraw_off = wParam == 0;
        return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        // Alt+F4 closes the top-level window, unless its close command is off.
        if (message == WM_SYSKEYDOWN && wParam == 0x73 /* VK_F4 */ && (lParam & (1 << 29))) {
            HWND top = hwnd;
            while (get_window_long(top, GWL_STYLE) & WS_CHILD) top = get_parent(top);
            if (detail::close_command_enabled(top)) post_message(top, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        return 0;
    default:
        return detail::def_frame_proc(hwnd, message, wParam, lParam);
    }
}

LRESULT call_window_proc(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return proc ? proc(hwnd, message, wParam, lParam) : 0;
}

// --- Questions any process may ask ----------------------------------------------

bool is_window(HWND hwnd) {
    if (hwnd == 0) return false;
    if (find(hwnd)) return true;
    auto r = detail::table_get(hwnd, true);
    return r && r->pid != self_pid();
}

std::uint32_t get_window_thread_process_id(HWND hwnd, std::uint32_t* pid) {
    if (auto w = find(hwnd)) {
        if (pid) *pid = self_pid();
        return w->tid;
    }
    auto r = detail::table_get(hwnd, true);
    if (!r || r->pid == self_pid()) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (pid) *pid = r->pid;
    return r->tid;
}

HWND get_parent(HWND hwnd) {
    std::uint32_t style;
    HWND parent, owner;
    if (auto w = find(hwnd)) {
        std::lock_guard guard(state().lock);
        style = w->style;
        parent = w->parent;
        owner = w->owner;
    } else if (auto r = detail::table_get(hwnd, true)) {
        style = r->style;
        parent = r->parent;
        owner = r->owner;
    } else {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    // As on Windows: a child's parent, a pop-up's owner, nothing for the rest.
    if (style & WS_CHILD) return parent;
    if (style & WS_POPUP) return owner;
    return 0;
}

HWND get_window_owner(HWND hwnd) {
    if (auto w = find(hwnd)) {
        std::lock_guard guard(state().lock);
        return w->owner;
    }
    auto r = detail::table_get(hwnd, true);
    return r ? r->owner : 0;
}

bool is_child(HWND parent, HWND hwnd) {
    if (hwnd == parent) return false;
    return detail::is_self_or_descendant(hwnd, parent);
}

bool set_window_text(HWND hwnd, const char* text) {
    if (!local_window(hwnd)) return false;
    return send_message(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0;
}

int get_window_text(HWND hwnd, char* buffer, int size) {
    if (find(hwnd)) return static_cast<int>(send_message(hwnd, WM_GETTEXT, static_cast<WPARAM>(size),
                                                         reinterpret_cast<LPARAM>(buffer)));
    auto r = detail::table_get(hwnd, true);
    if (!r) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return copy_out(r->title, buffer, size);
}

int get_window_text_length(HWND hwnd) {
    if (find(hwnd)) return static_cast<int>(send_message(hwnd, WM_GETTEXTLENGTH, 0, 0));
    auto r = detail::table_get(hwnd, true);
    if (!r) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(r->title.size());
}

std::string window_text(HWND hwnd) {
    int n = get_window_text_length(hwnd);
    std::string text(static_cast<std::size_t>(n) + 1, '\0');
    text.resize(static_cast<std::size_t>(get_window_text(hwnd, text.data(), n + 1)));
    return text;
}
}  // namespace platform

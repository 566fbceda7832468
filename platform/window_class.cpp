// Window classes: registration per module, and what a class keeps.
#include "platform/window.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/message_queue.h"
#include "platform/text.h"
#include "platform/thread.h"
#include "platform/window_internal.h"
#include "platform/window_objects.h"
#include "platform/window_table.h"

namespace platform {

using namespace window_objects;

// --- Classes ------------------------------------------------------------------

ATOM register_class(const WNDCLASS& wc) {
    if (!wc.lpszClassName || !*wc.lpszClassName || !wc.lpfnWndProc || wc.cbWndExtra < 0 || wc.cbClsExtra < 0) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard guard(state().lock);
    if (find_class_locked(wc.hInstance, wc.lpszClassName, false)) {
        set_last_error(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto c = std::make_shared<WindowClass>();
    c->name = wc.lpszClassName;
    c->menu_name = wc.lpszMenuName ? wc.lpszMenuName : "";
    c->info = wc;
    c->info.lpszClassName = c->name.c_str();
    c->info.lpszMenuName = wc.lpszMenuName ? c->menu_name.c_str() : nullptr;
    c->extra.assign(static_cast<std::size_t>(wc.cbClsExtra), 0);
    c->atom = state().next_atom++;
    state().classes.push_back(c);
    set_last_error(ERROR_SUCCESS);
    return c->atom;
}

bool unregister_class(const char* class_name, Handle instance) {
    std::lock_guard guard(state().lock);
    auto c = class_name ? find_class_locked(instance, class_name, false) : nullptr;
    if (!c) {
        set_last_error(ERROR_CLASS_DOES_NOT_EXIST);
        return false;
    }
    if (c->windows > 0) {
        set_last_error(ERROR_CLASS_HAS_WINDOWS);
        return false;
    }
    std::erase(state().classes, c);
    return true;
}

bool get_class_info(Handle instance, const char* class_name, WNDCLASS* out) {
    std::lock_guard guard(state().lock);
    auto c = class_name ? find_class_locked(instance, class_name, true) : nullptr;
    if (!c || !out) {
        set_last_error(ERROR_CLASS_DOES_NOT_EXIST);
        return false;
    }
    *out = c->info;
    return true;
}

int get_class_name(HWND hwnd, char* buffer, int size) {
    std::string name;
    {
        std::lock_guard guard(state().lock);
        if (Window* w = find_locked(hwnd)) name = w->cls->name;
    }
    if (name.empty()) {
        auto r = detail::table_get(hwnd, true);
        if (!r) {
            set_last_error(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        name = r->class_name;
    }
    return copy_out(name, buffer, size);
}

namespace {

// Reads (and writes, when `value` is given) one item of a window's class.
bool class_data(HWND hwnd, int index, const std::intptr_t* value, std::intptr_t* previous) {
    auto w = local_window(hwnd);
    if (!w) return false;
    std::lock_guard guard(state().lock);
    WindowClass& c = *w->cls;
    if (index >= 0) {
        if (static_cast<std::size_t>(index) + sizeof(std::intptr_t) > c.extra.size()) {
            set_last_error(ERROR_INVALID_INDEX);
            return false;
        }
        std::memcpy(previous, c.extra.data() + index, sizeof *previous);
        if (value) std::memcpy(c.extra.data() + index, value, sizeof *value);
        return true;
    }
    auto field = [&](auto& f) {
        *previous = static_cast<std::intptr_t>(f);
        if (value) f = static_cast<std::remove_reference_t<decltype(f)>>(*value);
        return true;
    };
    auto read_only = [&](std::intptr_t v) {
        *previous = v;
        if (!value) return true;
        set_last_error(ERROR_INVALID_INDEX);
        return false;
    };
    switch (index) {
    case GCL_HBRBACKGROUND: return field(c.info.hbrBackground);
    case GCL_HCURSOR: return field(c.info.hCursor);
    case GCL_HICON: return field(c.info.hIcon);
    case GCL_HMODULE: return field(c.info.hInstance);
    case GCL_STYLE: return field(c.info.style);
    case GCL_WNDPROC:
        *previous = reinterpret_cast<std::intptr_t>(c.info.lpfnWndProc);
        if (value) c.info.lpfnWndProc = reinterpret_cast<WNDPROC>(*value);
        return true;
    case GCL_CBWNDEXTRA: return read_only(c.info.cbWndExtra);
    case GCL_CBCLSEXTRA: return read_only(c.info.cbClsExtra);
    case GCL_MENUNAME: return read_only(reinterpret_cast<std::intptr_t>(c.info.lpszMenuName));
    default: set_last_error(ERROR_INVALID_INDEX); return false;
    }
}

}  // namespace

std::intptr_t get_class_long_ptr(HWND hwnd, int index) {
    std::intptr_t v = 0;
    return class_data(hwnd, index, nullptr, &v) ? v : 0;
}

std::intptr_t set_class_long_ptr(HWND hwnd, int index, std::intptr_t value) {
    std::intptr_t old = 0;
    return class_data(hwnd, index, &value, &old) ? old : 0;
}

}  // namespace platform

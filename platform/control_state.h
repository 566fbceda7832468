// The per-window state of a standard control, kept behind the first
// pointer-sized slot of its window data so that a subclassed control (whose
// procedure was replaced) still finds it through its original procedure.
// Internal to the platform layer.
#pragma once

#include <cstdint>

#include "platform/messages.h"
#include "platform/window.h"

namespace platform::detail {

inline constexpr int kControlExtraBytes = sizeof(void*);

// Made on WM_NCCREATE, deleted on WM_NCDESTROY; null before and after.
template <typename State>
State* control_state(HWND hwnd) {
    return reinterpret_cast<State*>(get_window_long_ptr(hwnd, 0));
}

template <typename State>
State* attach_control_state(HWND hwnd) {
    auto* state = new State;
    set_window_long_ptr(hwnd, 0, reinterpret_cast<std::intptr_t>(state));
    return state;
}

template <typename State>
void detach_control_state(HWND hwnd) {
    delete control_state<State>(hwnd);
    set_window_long_ptr(hwnd, 0, 0);
}


}  // namespace platform::detail

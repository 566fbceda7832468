// The windows and classes of this process, shared by window.cpp,
// window_class.cpp and window_properties.cpp. Internal to the platform layer.
//
// One map of windows and one list of classes, guarded by one lock. Window
// procedures are always called with the lock released, since they call back
// into everything here.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/messages.h"
#include "platform/window.h"
#include "platform/window_table.h"

namespace platform::window_objects {

struct WindowClass {
    std::string name;
    std::string menu_name;
    WNDCLASS info;  // name pointers aimed at the strings above
    ATOM atom = 0;
    int windows = 0;
    std::vector<unsigned char> extra;  // cbClsExtra bytes
};

struct Window {
    HWND hwnd = 0;
    std::shared_ptr<WindowClass> cls;
    WNDPROC proc = nullptr;
    std::uint32_t tid = 0;
    HWND parent = 0;  // child windows only
    HWND owner = 0;   // top-level windows only
    std::vector<HWND> children;
    std::string text;
    std::uint32_t style = 0;
    std::uint32_t ex_style = 0;
    std::uintptr_t id = 0;
    Handle instance = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::intptr_t user_data = 0;
    std::vector<unsigned char> extra;
    bool destroying = false;
};

struct State {
    std::mutex lock;
    std::vector<std::shared_ptr<WindowClass>> classes;
    std::unordered_map<HWND, std::shared_ptr<Window>> windows;
    std::unordered_map<std::uint32_t, HWND> active;  // by thread
    std::unordered_map<std::uint32_t, HWND> focus;   // by thread
    ATOM next_atom = 0xC000;
};

State& state();
std::uint32_t self_pid();
// Caller holds the lock.
Window* find_locked(HWND hwnd);
std::shared_ptr<Window> find(HWND hwnd);
detail::WindowRecord record_locked(const Window& w);
// Pushes a window's public facts to the computer's table.
void publish(HWND hwnd);
// Calls a window's procedure on the calling thread (0 when the window is gone).
LRESULT call(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Caller holds the lock.
std::shared_ptr<WindowClass> find_class_locked(Handle instance, std::string_view name, bool global_too);
bool is_top_level(const Window& w);
// A window of this process, for calls that change it; sets the last error
// (ERROR_ACCESS_DENIED for another process's window).
std::shared_ptr<Window> local_window(HWND hwnd);
void set_text(HWND hwnd, const char* text);
// Copies text into a caller's buffer as the Windows text calls do: cut to
// size - 1 characters and terminated; returns the characters copied.
int copy_out(std::string_view text, char* buffer, int size);

}  // namespace platform::window_objects

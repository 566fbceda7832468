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

#include "platform/gdi_types.h"
#include "platform/messages.h"
#include "platform/surface.h"
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

    // The client area in window coordinates (0,0 = the window's top-left), as
    // WM_NCCALCSIZE last answered.
    RECT client;
    bool minimized = false;
    bool maximized = false;
    RECT restore;  // the place to go back to after minimize or maximize (parent coordinates)
    HICON icon_big = 0;
    HICON icon_small = 0;
    std::uint32_t system_menu = 0;  // HMENU of the window's own copy, 0 until asked for
    bool close_pressed = false;     // the left button went down on the close box

    // Painting. The update area is one rectangle in client coordinates (the
    // union of everything invalidated); `needs_paint` says it is not empty.
    RECT update;
    bool needs_paint = false;
    bool erase = false;     // WM_ERASEBKGND owed by the next begin_paint
    bool nc_dirty = false;  // the frame owes a WM_NCPAINT
    bool redraw_off = false;  // WM_SETREDRAW FALSE
    // Top-level windows only: the pixels of the window and its descendants.
    std::unique_ptr<Surface> surface;
    std::uint64_t shown_version = 0;  // the surface version the display last got
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
// Geometry; the caller holds the lock.
// The screen position of the window's top-left corner.
POINT window_origin_locked(const Window& w);
// The screen position of the window's client (0,0).
POINT client_origin_locked(const Window& w);
// The top-level window a window belongs to (itself for a top-level one).
Window* top_locked(Window& w);
// Where the window's top-left lies in its top-level window's surface.
POINT surface_offset_locked(const Window& w);
// Whether the window and all its ancestors are visible.
bool visible_locked(const Window& w);
// The part of the top-level surface the window may paint: its window
// rectangle (or client rectangle) cut by the client areas of its ancestors,
// in surface coordinates; empty when nothing shows.
RECT visible_rect_locked(const Window& w, bool client_only);
// The frame widths around the client area that a window of these styles has.
RECT frame_insets(std::uint32_t style, std::uint32_t ex_style);
// Copies text into a caller's buffer as the Windows text calls do: cut to
// size - 1 characters and terminated; returns the characters copied.
int copy_out(std::string_view text, char* buffer, int size);

}  // namespace platform::window_objects

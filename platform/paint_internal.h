// What the windows, the queues and the input code need from painting.
// Internal to the platform layer.
#pragma once

#include <cstdint>

#include "platform/messages.h"
#include "platform/window_objects.h"

namespace platform::detail {

// Adds a rectangle of the window's client area (all of it for null) to its
// update area; with `frame` the frame is repainted too; with `children`
// every visible descendant entirely. Caller holds the lock.
void invalidate_locked(window_objects::Window& w, const RECT* rect, bool erase, bool frame, bool children);
// The part of a window's parent that the window covered (window rectangle in
// the parent's client coordinates) needs painting again.
void invalidate_parent_area_locked(window_objects::Window& w, const RECT& in_parent);
// The window of the calling thread that should get WM_PAINT next (within the
// filter window, when not 0), parents before children. Windows whose only
// need is their frame get WM_NCPAINT here, at once. 0 when none.
HWND next_window_to_paint(std::uint32_t tid, HWND filter);
// Whether a window of the thread needs painting.
bool thread_needs_paint(std::uint32_t tid);
// Wakes a thread of this process sleeping on its queue, so it looks again
// (a window of it needs painting).
void wake_thread(std::uint32_t tid);
// Hands the surfaces of the thread's top-level windows that changed since
// the last time to the display. Called when the thread's queue has nothing
// left to hand out.
void flush_surfaces(std::uint32_t tid);

// The default handling of the frame and painting messages (WM_NCCALCSIZE,
// WM_NCHITTEST, WM_NCPAINT, the non-client buttons, WM_WINDOWPOSCHANGED,
// WM_PAINT, WM_ERASEBKGND, WM_CTLCOLOR*); 0 for any other message.
LRESULT def_frame_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// The default painting messages: WM_NCPAINT, WM_PAINT, WM_ERASEBKGND,
// WM_CTLCOLOR*, WM_PRINTCLIENT; 0 for others.
LRESULT def_paint_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Where the parts of a frame lie, in window coordinates.
struct FrameLayout {
    int edge = 0;
    bool has_caption = false;
    bool has_close = false;
    RECT caption;  // the caption bar (without the line under it)
    RECT close;    // the close box
    RECT icon;     // the small icon
};
FrameLayout frame_layout_locked(const window_objects::Window& w);
// Draws the window's frame into its surface (def_window_proc's WM_NCPAINT).
void paint_frame(HWND hwnd);
// Whether the window has a close command that is on: WS_SYSMENU, no
// CS_NOCLOSE, and SC_CLOSE not grayed in its system menu.
bool close_command_enabled(HWND top);
// The hit-test code of a screen point on a window, as def_window_proc's
// WM_NCHITTEST answers.
LRESULT frame_hit_test(HWND hwnd, POINT screen_pt);

}  // namespace platform::detail

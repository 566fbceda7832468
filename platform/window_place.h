// Where windows are and how they stack: SetWindowPos, the coordinate
// conversions, WindowFromPoint, GetWindow, AdjustWindowRectEx, minimized and
// maximized state, the desktop window.
//
// Mirrors Windows:
// - A window rectangle includes the frame; the client area is what is left
//   inside it after WM_NCCALCSIZE (def_window_proc takes the frame that the
//   styles give: system_metrics.h). A child's position is in its parent's
//   client coordinates, a top-level window's in screen coordinates.
// - set_window_pos sends WM_WINDOWPOSCHANGING (a handler may change the
//   WINDOWPOS: what it leaves there is what happens, so clearing
//   SWP_SHOWWINDOW keeps the window hidden), WM_NCCALCSIZE when the size or
//   frame changed, then WM_WINDOWPOSCHANGED, whose default handling sends
//   WM_MOVE and WM_SIZE when the client area moved or changed size.
//   show_window goes the same way (WM_SHOWWINDOW first).
// - Children stack in creation order, the first created on top: get_window
//   with GW_CHILD gives the first child, GW_HWNDNEXT the one created after,
//   which is the order the dialog manager walks for tabbing. HWND_TOP and
//   HWND_BOTTOM move a child to either end; a window handle puts it after
//   that sibling.
// - window_from_point gives the deepest visible, enabled-or-not child under a
//   screen point of the front-most top-level window of this process that
//   holds it; child_window_from_point(_ex) looks one level down only.
// - SW_MINIMIZE / SW_SHOWMINIMIZED send WM_SIZE SIZE_MINIMIZED (0 x 0),
//   SW_MAXIMIZE fills the work area with SIZE_MAXIMIZED, SW_RESTORE goes back
//   with SIZE_RESTORED.
// Differs:
// - WM_NCCALCSIZE always gets a RECT (the new window rectangle in parent
//   coordinates, changed in place into the client rectangle), never the
//   NCCALCSIZE_PARAMS form. WM_GETMINMAXINFO is sent only at creation.
// - A minimized window keeps its rectangle (no icon parking place) and is
//   hidden from the display.
// - Top-level stacking is the computer's window table; HWND_TOPMOST sets
//   WS_EX_TOPMOST, which window_from_point honours.
// Calls that change a window are for this process's windows (ERROR_ACCESS_DENIED
// otherwise) and send their messages on the calling thread.
#pragma once

#include <cstdint>

#include "platform/messages.h"
#include "platform/window.h"

namespace platform {

inline constexpr UINT SWP_NOSIZE = 0x0001;
inline constexpr UINT SWP_NOMOVE = 0x0002;
inline constexpr UINT SWP_NOZORDER = 0x0004;
inline constexpr UINT SWP_NOREDRAW = 0x0008;
inline constexpr UINT SWP_NOACTIVATE = 0x0010;
inline constexpr UINT SWP_FRAMECHANGED = 0x0020;
inline constexpr UINT SWP_SHOWWINDOW = 0x0040;
inline constexpr UINT SWP_HIDEWINDOW = 0x0080;
inline constexpr UINT SWP_NOCOPYBITS = 0x0100;
inline constexpr UINT SWP_NOOWNERZORDER = 0x0200;
inline constexpr UINT SWP_NOSENDCHANGING = 0x0400;
// Set in WM_WINDOWPOSCHANGED's flags when the client area did not change
// size or place: def_window_proc then sends no WM_SIZE / WM_MOVE.
inline constexpr UINT SWP_NOCLIENTSIZE = 0x0800;
inline constexpr UINT SWP_NOCLIENTMOVE = 0x1000;

inline constexpr HWND HWND_TOP = 0;
inline constexpr HWND HWND_BOTTOM = 1;
inline constexpr HWND HWND_TOPMOST = 0xFFFFFFFFu;    // (HWND)-1
inline constexpr HWND HWND_NOTOPMOST = 0xFFFFFFFEu;  // (HWND)-2

inline constexpr UINT GW_HWNDFIRST = 0;
inline constexpr UINT GW_HWNDLAST = 1;
inline constexpr UINT GW_HWNDNEXT = 2;
inline constexpr UINT GW_HWNDPREV = 3;
inline constexpr UINT GW_OWNER = 4;
inline constexpr UINT GW_CHILD = 5;

inline constexpr UINT CWP_ALL = 0x0000;
inline constexpr UINT CWP_SKIPINVISIBLE = 0x0001;
inline constexpr UINT CWP_SKIPDISABLED = 0x0002;
inline constexpr UINT CWP_SKIPTRANSPARENT = 0x0004;

inline constexpr std::uint32_t WS_EX_DLGMODALFRAME = 0x00000001;
inline constexpr std::uint32_t WS_EX_WINDOWEDGE = 0x00000100;
inline constexpr std::uint32_t WS_EX_CLIENTEDGE = 0x00000200;
inline constexpr std::uint32_t WS_EX_STATICEDGE = 0x00020000;
inline constexpr std::uint32_t WS_EX_TRANSPARENT = 0x00000020;

bool set_window_pos(HWND hwnd, HWND insert_after, int x, int y, int cx, int cy, UINT flags);

// Grows a client rectangle to the window rectangle the styles give. `menu`
// adds a menu bar's height.
bool adjust_window_rect_ex(RECT* rect, std::uint32_t style, bool menu, std::uint32_t ex_style);
bool adjust_window_rect(RECT* rect, std::uint32_t style, bool menu);

bool client_to_screen(HWND hwnd, POINT* pt);
bool screen_to_client(HWND hwnd, POINT* pt);
// From `from`'s client coordinates to `to`'s (0: the screen). Returns the
// offset as Windows does: low word x, high word y; 0 with an error set on a
// bad window (so check get_last_error when 0 could be a real answer).
int map_window_points(HWND from, HWND to, POINT* points, UINT count);

HWND window_from_point(POINT screen_pt);
// The child of `parent` containing the point (client coordinates of `parent`),
// `parent` itself when no child does, 0 outside it.
HWND child_window_from_point(HWND parent, POINT pt);
HWND child_window_from_point_ex(HWND parent, POINT pt, UINT flags);

// GW_ relations as described above; 0 when there is none.
HWND get_window(HWND hwnd, UINT command);
HWND get_top_window(HWND parent);

bool is_iconic(HWND hwnd);
bool is_zoomed(HWND hwnd);

// A handle for the screen as a window: get_window_rect and get_client_rect
// give the screen, map_window_points takes it as 0.
HWND get_desktop_window();

}  // namespace platform

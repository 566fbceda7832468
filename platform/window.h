// Window classes and windows: RegisterClass, CreateWindowEx, DestroyWindow,
// DefWindowProc, window text, state, position, window data, FindWindow.
//
// Mirrors Windows:
// - Classes belong to a module (the instance handle given at registration) of
//   this process; names compare without regard to letter case. A window is
//   created from the class of its module, else from a CS_GLOBALCLASS class of
//   any module. Unregistering a class that still has windows fails
//   (ERROR_CLASS_HAS_WINDOWS).
// - Creation sends, in order: WM_GETMINMAXINFO (top-level windows and windows
//   with WS_THICKFRAME), WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE,
//   WM_MOVE, then WM_PARENTNOTIFY to the parent of a child window (unless
//   WS_EX_NOPARENTNOTIFY), then, for WS_VISIBLE, what show_window sends. A
//   procedure that answers WM_NCCREATE with 0 fails the creation and gets
//   WM_NCDESTROY; one that answers WM_CREATE with -1 gets WM_DESTROY and
//   WM_NCDESTROY.
//   The title is stored by def_window_proc's WM_NCCREATE, so a procedure that
//   does not pass WM_NCCREATE on gets a window without text, as on Windows.
// - Destruction: owned windows are destroyed first; a child's parent gets
//   WM_PARENTNOTIFY; then WM_DESTROY goes to the window and then to each of its
//   children (parents before children), and WM_NCDESTROY to the children before
//   the window itself (children before parents). The handle is valid until
//   WM_NCDESTROY returns. Only the owning thread may destroy a window
//   (ERROR_ACCESS_DENIED otherwise).
// - Window data: byte indices 0..cbWndExtra-4 hold 32-bit values (get/set
//   _window_long), 0..cbWndExtra-8 pointer-sized ones (_ptr); indices may be
//   unaligned; out of range fails with ERROR_INVALID_INDEX and returns 0. The
//   GWL_ indices reach the procedure, instance, parent, id, styles and user
//   data; the _ptr forms keep pointers whole.
// - Handles are 32-bit, never 0, unique on the computer, and every process of
//   the computer can find a window (find_window), learn its owner, read its
//   class, title, style and visibility, bring it to the front and post to it.
//   A window whose process ends leaves the computer's table.
//
// Differs:
// - CW_USEDEFAULT places a window at 0,0 with 640 x 480. Frames, placement
//   and coordinates are in window_place.h, painting in paint.h, input in
//   input.h. Activation is kept per thread: show_window on a top-level window
//   and set_active_window send WM_ACTIVATE (inactive to the old, active to
//   the new) and def_window_proc's WM_ACTIVATE moves the focus (WM_KILLFOCUS,
//   WM_SETFOCUS). WM_ACTIVATEAPP and WM_NCACTIVATE are not sent; the caption
//   is redrawn for the change all the same.
// - def_window_proc also keeps WM_SETICON / WM_GETICON (ICON_BIG, ICON_SMALL),
//   WM_SETREDRAW, WM_MOUSEACTIVATE (a child asks its parent), the SC_CLOSE,
//   SC_MINIMIZE, SC_MAXIMIZE and SC_RESTORE commands, and Alt+F4. WM_SETFONT
//   and WM_GETFONT are left to the controls.
// - When a thread ends, its windows are removed without messages.
// - Another process's windows can be queried, posted to and brought to the
//   front, not changed or sent to (ERROR_ACCESS_DENIED). Titles seen from
//   another process are cut to 255 characters.
// Thread-safe. Calls that send messages call window procedures on the
// window's thread (see message_queue.h for sends from other threads).
#pragma once

#include <cstdint>
#include <string>

#include "platform/handle_table.h"
#include "platform/messages.h"

namespace platform {

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using ATOM = std::uint16_t;

struct WNDCLASS {
    UINT style = 0;
    WNDPROC lpfnWndProc = nullptr;
    int cbClsExtra = 0;
    int cbWndExtra = 0;
    Handle hInstance = 0;
    Handle hIcon = 0;
    Handle hCursor = 0;
    std::uintptr_t hbrBackground = 0;
    const char* lpszMenuName = nullptr;
    const char* lpszClassName = nullptr;
};

// lParam of WM_NCCREATE and WM_CREATE points to one of these.
struct CREATESTRUCT {
    void* lpCreateParams = nullptr;
    Handle hInstance = 0;
    std::uintptr_t hMenu = 0;  // the child id for a child window
    HWND hwndParent = 0;
    int cy = 0;
    int cx = 0;
    int y = 0;
    int x = 0;
    std::uint32_t style = 0;
    const char* lpszName = nullptr;
    const char* lpszClass = nullptr;
    std::uint32_t dwExStyle = 0;
};

// Class styles.
inline constexpr UINT CS_VREDRAW = 0x0001;
inline constexpr UINT CS_HREDRAW = 0x0002;
inline constexpr UINT CS_DBLCLKS = 0x0008;
inline constexpr UINT CS_OWNDC = 0x0020;
inline constexpr UINT CS_CLASSDC = 0x0040;
inline constexpr UINT CS_PARENTDC = 0x0080;
inline constexpr UINT CS_NOCLOSE = 0x0200;
inline constexpr UINT CS_SAVEBITS = 0x0800;
inline constexpr UINT CS_GLOBALCLASS = 0x4000;

// Window styles.
inline constexpr std::uint32_t WS_OVERLAPPED = 0x00000000;
inline constexpr std::uint32_t WS_POPUP = 0x80000000;
inline constexpr std::uint32_t WS_CHILD = 0x40000000;
inline constexpr std::uint32_t WS_MINIMIZE = 0x20000000;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000;
inline constexpr std::uint32_t WS_DISABLED = 0x08000000;
inline constexpr std::uint32_t WS_CLIPSIBLINGS = 0x04000000;
inline constexpr std::uint32_t WS_CLIPCHILDREN = 0x02000000;
inline constexpr std::uint32_t WS_MAXIMIZE = 0x01000000;
inline constexpr std::uint32_t WS_CAPTION = 0x00C00000;
inline constexpr std::uint32_t WS_BORDER = 0x00800000;
inline constexpr std::uint32_t WS_DLGFRAME = 0x00400000;
inline constexpr std::uint32_t WS_VSCROLL = 0x00200000;
inline constexpr std::uint32_t WS_HSCROLL = 0x00100000;
inline constexpr std::uint32_t WS_SYSMENU = 0x00080000;
inline constexpr std::uint32_t WS_THICKFRAME = 0x00040000;
inline constexpr std::uint32_t WS_GROUP = 0x00020000;
inline constexpr std::uint32_t WS_TABSTOP = 0x00010000;
inline constexpr std::uint32_t WS_MINIMIZEBOX = 0x00020000;
inline constexpr std::uint32_t WS_MAXIMIZEBOX = 0x00010000;
inline constexpr std::uint32_t WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
inline constexpr std::uint32_t WS_EX_NOPARENTNOTIFY = 0x00000004;
inline constexpr std::uint32_t WS_EX_TOPMOST = 0x00000008;
inline constexpr std::uint32_t WS_EX_TOOLWINDOW = 0x00000080;

inline constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);

// Class data indices.
inline constexpr int GCL_MENUNAME = -8;
inline constexpr int GCL_HBRBACKGROUND = -10;
inline constexpr int GCL_HCURSOR = -12;
inline constexpr int GCL_HICON = -14;
inline constexpr int GCL_HMODULE = -16;
inline constexpr int GCL_CBWNDEXTRA = -18;
inline constexpr int GCL_CBCLSEXTRA = -20;
inline constexpr int GCL_WNDPROC = -24;
inline constexpr int GCL_STYLE = -26;

// Window data indices.
inline constexpr int GWL_WNDPROC = -4;
inline constexpr int GWL_HINSTANCE = -6;
inline constexpr int GWL_HWNDPARENT = -8;
inline constexpr int GWL_ID = -12;
inline constexpr int GWL_STYLE = -16;
inline constexpr int GWL_EXSTYLE = -20;
inline constexpr int GWL_USERDATA = -21;

// show_window commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOWMAXIMIZED = 3;
inline constexpr int SW_MAXIMIZE = 3;
inline constexpr int SW_SHOWNOACTIVATE = 4;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_MINIMIZE = 6;
inline constexpr int SW_SHOWMINNOACTIVE = 7;
inline constexpr int SW_SHOWNA = 8;
inline constexpr int SW_RESTORE = 9;
inline constexpr int SW_SHOWDEFAULT = 10;

// --- Classes ----------------------------------------------------------------

// The class atom, or 0: ERROR_CLASS_ALREADY_EXISTS for a name the module has,
// ERROR_INVALID_PARAMETER without a name or procedure or with negative extra sizes.
ATOM register_class(const WNDCLASS& wc);
// ERROR_CLASS_DOES_NOT_EXIST, ERROR_CLASS_HAS_WINDOWS.
bool unregister_class(const char* class_name, Handle instance);
// The registration as given (name and menu name point into the class).
bool get_class_info(Handle instance, const char* class_name, WNDCLASS* out);
// The class data of a window's class (GetClassLongPtr / SetClassLongPtr):
// byte indices 0..cbClsExtra-8 of the class's extra bytes, or a GCL_ index
// (background, cursor, icon, style, procedure, module; the extra sizes and
// the menu name are read-only). Changes reach every window of the class made
// afterwards, and the class's windows at once for the background and cursor.
// 0 with ERROR_INVALID_INDEX outside, ERROR_INVALID_WINDOW_HANDLE (or
// ERROR_ACCESS_DENIED for another process's window).
std::intptr_t get_class_long_ptr(HWND hwnd, int index);
std::intptr_t set_class_long_ptr(HWND hwnd, int index, std::intptr_t value);
// Copies the window's class name; the count of characters copied (0 on error).
int get_class_name(HWND hwnd, char* buffer, int size);

// --- Windows ----------------------------------------------------------------

// 0 on failure: ERROR_CANNOT_FIND_WND_CLASS, ERROR_INVALID_WINDOW_HANDLE for a
// bad parent, ERROR_TLW_WITH_WSCHILD for WS_CHILD without a parent,
// ERROR_NOT_ENOUGH_MEMORY when the computer's table is full. `menu_or_id` is
// the child id of a child window. The calling thread gets a message queue.
HWND create_window_ex(std::uint32_t ex_style, const char* class_name, const char* window_name, std::uint32_t style,
                      int x, int y, int width, int height, HWND parent, std::uintptr_t menu_or_id, Handle instance,
                      void* param);
bool destroy_window(HWND hwnd);

LRESULT def_window_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT call_window_proc(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Any live window of the computer.
bool is_window(HWND hwnd);
// The owning thread id (0 for a bad handle); the process id into `pid` if given.
std::uint32_t get_window_thread_process_id(HWND hwnd, std::uint32_t* pid);
HWND get_parent(HWND hwnd);
HWND get_window_owner(HWND hwnd);
bool is_child(HWND parent, HWND hwnd);

// WM_SETTEXT / WM_GETTEXT / WM_GETTEXTLENGTH for this process's windows; the
// table's copy of the title for another process's windows.
bool set_window_text(HWND hwnd, const char* text);
int get_window_text(HWND hwnd, char* buffer, int size);
int get_window_text_length(HWND hwnd);
std::string window_text(HWND hwnd);

// Returns whether the window was visible before.
bool show_window(HWND hwnd, int command);
bool is_window_visible(HWND hwnd);
// Returns whether the window was disabled before. Disabling sends
// WM_CANCELMODE, takes the focus away (WM_KILLFOCUS) and sends WM_ENABLE;
// enabling sends WM_ENABLE; nothing is sent when nothing changes.
bool enable_window(HWND hwnd, bool enable);
bool is_window_enabled(HWND hwnd);

bool move_window(HWND hwnd, int x, int y, int width, int height, bool repaint);
bool get_window_rect(HWND hwnd, RECT* rect);
bool get_client_rect(HWND hwnd, RECT* rect);

// 32-bit values; indices as above. set_ returns the previous value.
std::int32_t get_window_long(HWND hwnd, int index);
std::int32_t set_window_long(HWND hwnd, int index, std::int32_t value);
std::intptr_t get_window_long_ptr(HWND hwnd, int index);
std::intptr_t set_window_long_ptr(HWND hwnd, int index, std::intptr_t value);

// The front-most top-level window of the computer whose class and title match
// (null: any; letter case ignored), in any process; 0 when none.
HWND find_window(const char* class_name, const char* window_name);
// Moves a window of any process in front of the others (find_window prefers it).
bool bring_window_to_top(HWND hwnd);
// Brings to the front and makes it the computer's foreground window; a window
// of the calling thread is activated too.
bool set_foreground_window(HWND hwnd);
HWND get_foreground_window();

// Per-thread activation and focus; both return the previous window.
HWND set_active_window(HWND hwnd);
HWND get_active_window();
HWND set_focus(HWND hwnd);
HWND get_focus();

}  // namespace platform

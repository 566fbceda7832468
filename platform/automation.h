// Driving the user interface from a test or a tool: list the windows of the
// computer, read a control's text and state, click it, type keys, choose a
// list-view or tree-view item, and take a picture of a window.
//
// Any process of the computer (same TWPRINTER_ROOT) may drive any window of
// it. Input goes the way a person's would: a click is a button down and up at
// the control's centre given to its top-level window through deliver_input(),
// so the window layer's own hit-testing, capture and button logic run; keys go
// to the focus of the window's thread.
//
// How a request reaches a window: when the window belongs to the calling
// thread, the request runs at once, and the input it gives is queued for the
// caller's own message loop (the click takes effect when the caller next
// reads its queue). Otherwise the request is written under
// <root>/ui/automation/, WM_TWP_AUTOMATION is posted to the top-level window,
// and the caller sleeps on a named event until the window's thread has
// performed it and written the answer. An answer to input comes after that
// input has been handled by the window's thread (the WM_COMMAND of a click has
// reached the dialog procedure). A window whose thread does not read its
// queue within the time-out gives ERROR_TIMEOUT, with the window and process
// named in the error's text.
//
// Errors: ERROR_INVALID_WINDOW_HANDLE for a window that is not (or no longer)
// on the computer; ERROR_NOT_FOUND for a control id or item text that is not
// there; ERROR_NOT_SUPPORTED for a choice on a control that is neither a list
// view nor a tree view, or a key name that is not known; ERROR_TIMEOUT; the
// PNG writer's errors for a screenshot.
//
// Differs from anything on Windows: this is the platform's own test surface,
// not an accessibility interface.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messages.h"
#include "platform/win_error.h"

namespace platform::automation {

// A window of the computer as the computer's table knows it.
struct WindowInfo {
    HWND hwnd = 0;
    HWND parent = 0;  // child windows
    HWND owner = 0;   // owned top-level windows
    std::uint32_t id = 0;
    std::uint32_t style = 0;
    std::uint32_t pid = 0;
    std::uint32_t tid = 0;
    int depth = 0;  // 0 for a top-level window, 1 for its children, ...
    std::string class_name;
    std::string text;  // cut to 255 characters

    bool visible() const;
    bool enabled() const;
};

// Every window of the computer: top-level windows front to back, each
// followed by its descendants in creation order (parents before children).
std::vector<WindowInfo> list_windows();

// A window named as a person names it: a handle ("0x1A2B", or decimal) of any
// live window, else a top-level window whose title, then class, equals the
// name (letter case ignored), else whose title contains it; the front-most
// one wins. ERROR_INVALID_WINDOW_HANDLE when none matches.
Result<HWND> find_window_by_name(std::string_view name);
// The first descendant of `top` with this control id, in creation order.
Result<HWND> find_control(HWND top, std::uint32_t id);
// The top-level window a window belongs to (itself for a top-level window).
HWND top_level_of(HWND hwnd);

// What a control shows and what state it is in.
struct ControlState {
    std::string class_name;
    std::string text;
    bool visible = false;  // the window and all its parents
    bool enabled = false;
    bool focused = false;  // has the focus of its thread
    int check = -1;        // a button's BM_GETCHECK (BST_UNCHECKED 0, BST_CHECKED 1, BST_INDETERMINATE 2); -1 otherwise
    int position = -1;     // a progress bar's PBM_GETPOS; -1 otherwise
    int selected = -1;     // a list view's first selected item index; a tree view: 0 when an item is selected
    std::string selected_text;  // that item's text

    // "key=value" lines, as the tool prints them and requests carry them.
    std::string to_text() const;
    static ControlState from_text(std::string_view text);
};

Result<std::string> get_text(HWND hwnd);
Result<ControlState> get_state(HWND hwnd);

// A left click at the centre of the window (a control, or a top-level window).
Status click(HWND hwnd);
// Types the text to the focus of `window`'s thread: a key down (with its
// character) and up for each character; '\n' is Enter and '\t' Tab.
Status type_text(HWND window, std::string_view text);
// Presses and releases a named key: Enter, Escape, Tab, Space, Backspace,
// Delete, Insert, Home, End, PageUp, PageDown, Left, Right, Up, Down, F1..F12,
// a letter or digit; with "Shift+", "Ctrl+" or "Alt+" before it held down.
Status press_key(HWND window, std::string_view key);
// Clicks the item whose text equals `item_text` in a list view (report mode:
// its label) or tree view (expanding its parents first).
Status choose_item(HWND control, std::string_view item_text);
// Writes the window's picture, as its top-level surface shows it, as PNG.
Status screenshot(HWND hwnd, const std::filesystem::path& png);

// How long a request to another thread or process waits for its answer
// (5000 ms unless changed); for tests and the tool's --timeout.
void set_timeout_ms(std::uint32_t ms);

}  // namespace platform::automation

// Mouse and keyboard input: how delivered input (deliver_input, surface.h)
// becomes the Windows messages, capture, the cursor position, key state,
// TranslateMessage, and the caret's bookkeeping.
//
// Mirrors Windows:
// - deliver_input posts the event to the top-level window's thread, which
//   turns it into messages when it reads its queue, after the posted
//   messages that were there before it.
// - Mouse: the message goes to the window with the capture (as client
//   messages, whatever the point), else to the deepest visible child under
//   the pointer, which WM_NCHITTEST then places: HTCLIENT gives
//   WM_MOUSEMOVE / WM_[LRM]BUTTONDOWN / UP in client coordinates with MK_
//   flags; the frame gives WM_NC* with the hit code and screen coordinates;
//   HTTRANSPARENT passes the point to the parent. A disabled window (or one
//   inside a disabled parent) swallows the input. A press in a window whose
//   top-level window is not active sends WM_MOUSEACTIVATE first and, unless
//   the answer is MA_NOACTIVATE(ANDEAT), activates it with WA_CLICKACTIVE;
//   the ...ANDEAT answers drop the press.
// - Two presses of the same button in the same window of a CS_DBLCLKS class
//   within 500 ms and SM_CXDOUBLECLK / SM_CYDOUBLECLK (4 pixels: 2 either
//   way) make the second a WM_[LR]BUTTONDBLCLK.
// - Keys go to the focus window of the thread, or its active window when
//   nothing has the focus. lParam: repeat count 1, bit 29 when Alt is down,
//   bit 30 when the key was already down (a held key repeating), bit 31 on
//   release. With Alt down (and Ctrl up), and for Alt and F10 themselves,
//   the messages are WM_SYSKEYDOWN / WM_SYSKEYUP.
// - translate_message turns WM_KEYDOWN into WM_CHAR (WM_SYSKEYDOWN into
//   WM_SYSCHAR): the character the delivered event carried, else letters
//   (upper case with Shift or Caps Lock), digits, space, Enter 13, Escape
//   27, Tab 9, Backspace 8, Ctrl+letter 1..26. The character is queued so
//   it comes before any later input.
// - set_capture / release_capture send WM_CAPTURECHANGED to the window that
//   loses the capture (lParam: the new one).
// Differs:
// - Key state, the cursor position and capture: key state and the cursor
//   are one per process, updated as each event is turned into messages;
//   capture is per thread. No WM_SETCURSOR, no cursor shapes.
// - Only characters of the Basic Multilingual Plane travel with an event.
// - The caret is bookkeeping only: nothing draws it; begin_paint hides it and
//   end_paint shows it again, as on Windows, so a control that draws its own
//   caret can ask whether it is shown.
#pragma once

#include <cstdint>

#include "platform/gdi_types.h"
#include "platform/keys.h"
#include "platform/messages.h"
#include "platform/surface.h"

namespace platform {

HWND set_capture(HWND hwnd);
bool release_capture();
HWND get_capture();

// The pointer's last position in screen coordinates.
bool get_cursor_pos(POINT* pt);
bool set_cursor_pos(int x, int y);

// Bit 15 (the value is negative) while the key is down; bit 0 toggles with
// each press (Caps Lock's state).
std::int16_t get_key_state(int vk);
std::int16_t get_async_key_state(int vk);

bool translate_message(const MSG* msg);

// The caret of the calling thread.
bool create_caret(HWND hwnd, HBITMAP bitmap, int width, int height);
bool destroy_caret();
bool show_caret(HWND hwnd);
bool hide_caret(HWND hwnd);
bool set_caret_pos(int x, int y);
bool get_caret_pos(POINT* pt);
// Whether the calling thread's caret is shown (created, in `hwnd`, not hidden).
bool caret_visible(HWND hwnd);

namespace detail {
// Called by the queue for WM_TWP_INPUT on the window's thread.
void handle_input_message(const MSG& msg);
// Appends an input message to the calling thread's queue.
void queue_input_message(const MSG& msg);
}  // namespace detail

}  // namespace platform

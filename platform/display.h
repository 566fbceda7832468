// Shows top-level windows to a person: each visible top-level window of the
// process becomes a real X11 window showing its surface, and what the person
// does in it (pointer, buttons, keys, the close box) comes back through
// deliver_input(). Without a display (no DISPLAY, a display that does not
// answer, or TWPRINTER_HEADLESS=1) every call here does nothing and windows
// work the same, headless.
//
// The window layer calls these from the window's own thread: when a top-level
// window is shown, hidden, moved, retitled or destroyed, and after its surface
// changed (once per batch of painting, not per drawing call).
#pragma once

#include <string>

#include "platform/messages.h"
#include "platform/surface.h"

namespace platform::display {

// Whether top-level windows of this process appear on a display.
bool available();

void window_shown(HWND top, const Surface& surface, const RECT& screen_rect, const std::string& title);
void window_hidden(HWND top);
void window_moved(HWND top, const RECT& screen_rect);
void window_retitled(HWND top, const std::string& title);
void surface_changed(HWND top, const Surface& surface);
void window_destroyed(HWND top);

}  // namespace platform::display

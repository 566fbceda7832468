// The display when no display code is built in: every window works headless.
#include "platform/display.h"

namespace platform::display {

bool available() { return false; }
void window_shown(HWND, const Surface&, const RECT&, const std::string&) {}
void window_hidden(HWND) {}
void window_moved(HWND, const RECT&) {}
void window_retitled(HWND, const std::string&) {}
void surface_changed(HWND, const Surface&) {}
void window_destroyed(HWND) {}

}  // namespace platform::display

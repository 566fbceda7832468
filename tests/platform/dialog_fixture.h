// Helpers for the dialog and control tests: keys through the dialog manager,
// a short message pump, and where items are in their dialog.
#pragma once

#include <cstdint>

#include "platform/dialog.h"
#include "platform/messages.h"

namespace twtest {

// Presses (down and up) a key on the window with the focus, passing the
// messages through the dialog manager of `hdlg` as a dialog's loop does;
// with `shift`, Shift is held.
void press_key(platform::HWND hdlg, std::uint32_t vk, bool shift = false);
// Runs the calling thread's messages until its queue is empty.
void pump();
// Base units of a dialog, as GetDialogBaseUnits packs them.
platform::LPARAM dialog_base_units(platform::HWND hdlg);
// An item's rectangle in its dialog's client coordinates.
platform::RECT item_rect(platform::HWND hdlg, int id);
int mul_div(int value, int numerator, int denominator);

}  // namespace twtest

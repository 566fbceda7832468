// The state of the standard controls and what their procedures, their
// painting and the dialog layer share. Internal to the platform layer.
#pragma once

#include <cstdint>
#include <string>

#include "platform/gdi_types.h"
#include "platform/handle_table.h"
#include "platform/messages.h"
#include "platform/standard_controls.h"
#include "platform/window.h"

namespace platform::detail {

struct ButtonState {
    enum class Tracking { None, Mouse, Key };
    UINT pending_action = 0;  // ODA_ bits an owner-drawn button owes its parent
    UINT check = BST_UNCHECKED;
    bool pushed = false;
    bool focused = false;
    Tracking tracking = Tracking::None;
    HFONT font = 0;
    HGDIOBJ image = 0;  // BM_SETIMAGE
    UINT image_type = IMAGE_BITMAP;
};

struct StaticState {
    HFONT font = 0;
    HGDIOBJ image = 0;  // SS_ICON / SS_BITMAP
    UINT image_type = IMAGE_BITMAP;
    bool owns_image = false;  // loaded from the module's resources by the control itself
};

struct EditState {
    std::string text;
    std::size_t caret = 0;   // the moving end of the selection
    std::size_t anchor = 0;  // the fixed end
    std::size_t limit = 0x7FFFFFFE;
    bool focused = false;
    bool modified = false;
    char password_char = '*';
    HFONT font = 0;
};

WNDPROC button_window_proc();
WNDPROC static_window_proc();
WNDPROC edit_window_proc();

// Paint the control into `hdc` (its client area at the DC's origin), as
// WM_PAINT and WM_PRINTCLIENT do.
void draw_button(HWND hwnd, HDC hdc, ButtonState& state);
void draw_static(HWND hwnd, HDC hdc, const StaticState& state);
void draw_edit(HWND hwnd, HDC hdc, const EditState& state);
// WM_PAINT: draws through begin_paint / end_paint.
void paint_button(HWND hwnd, ButtonState& state);
void paint_static(HWND hwnd, const StaticState& state);
void paint_edit(HWND hwnd, const EditState& state);

// The brush the parent chooses for a control by `ctlcolor_message`
// (WM_CTLCOLORSTATIC, WM_CTLCOLORBTN, WM_CTLCOLOREDIT), after the DC got the
// system's text and background colours; the system's brush when the parent
// chooses none.
HBRUSH control_colors(HWND hwnd, HDC hdc, UINT ctlcolor_message);
// Selects the control's font (the system font when it has none); returns the previous one.
HFONT select_control_font(HDC hdc, HFONT font);

// A picture of `instance`'s resources named "#id" or by name, as a bitmap or
// an icon of the drawing layer (0 when there is none), and its deletion.
HGDIOBJ load_control_image(Handle instance, const char* name, UINT image_type);
void delete_control_image(HGDIOBJ image, UINT image_type);

// The character position in the control nearest to a point of its client area.
std::size_t edit_position_at(HWND hwnd, const EditState& state, int x, int y);

// Whether Shift is held, for selections made with the caret keys.
bool shift_pressed();

// Asks for the control to be painted again (its whole client area).
void repaint_control(HWND hwnd);

// WM_COMMAND (id, code, hwnd) to the control's parent.
void notify_parent(HWND hwnd, std::uint16_t code);

}  // namespace platform::detail

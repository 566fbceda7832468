// Registration of the standard control classes, and what their procedures share.

#include "platform/standard_controls.h"

#include <mutex>

#include "platform/control_state.h"
#include "platform/dialog.h"
#include "platform/gdi.h"
#include "platform/input.h"
#include "platform/keys.h"
#include "platform/paint.h"
#include "platform/message_queue.h"
#include "platform/standard_controls_internal.h"
#include "platform/text.h"

namespace platform {

namespace {

struct StandardClass {
    const char* name;
    WNDPROC (*proc)();
    UINT style;
};

constexpr StandardClass kClasses[] = {
    {"Button", detail::button_window_proc, CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW | CS_PARENTDC},
    {"Static", detail::static_window_proc, CS_GLOBALCLASS | CS_DBLCLKS | CS_PARENTDC},
    {"Edit", detail::edit_window_proc, CS_GLOBALCLASS | CS_DBLCLKS | CS_PARENTDC},
};

}  // namespace

void ensure_standard_controls() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const auto& c : kClasses) {
            WNDCLASS wc;
            wc.style = c.style;
            wc.lpfnWndProc = c.proc();
            wc.cbWndExtra = detail::kControlExtraBytes;
            wc.lpszClassName = c.name;
            register_class(wc);
        }
        // The common controls (progress bar, list view, tree view, rich edit)
        // register themselves here once they are part of the layer.
    });
}

bool is_standard_control_class(const char* name) {
    if (!name) return false;
    for (const auto& c : kClasses)
        if (iequals(c.name, name)) return true;
    return false;
}

void detail::notify_parent(HWND hwnd, std::uint16_t code) {
    HWND parent = get_parent(hwnd);
    if (!parent) return;
    send_message(parent, WM_COMMAND, make_wparam(static_cast<std::uint16_t>(get_window_long(hwnd, GWL_ID)), code),
                 static_cast<LPARAM>(hwnd));
}

}  // namespace platform

namespace platform::detail {

HBRUSH control_colors(HWND hwnd, HDC hdc, UINT ctlcolor_message) {
    // The system's choice first, so a parent that only changes one thing
    // (the text colour, say) keeps the rest.
    const bool edit = ctlcolor_message == WM_CTLCOLOREDIT;
    set_text_color(hdc, get_sys_color(edit ? COLOR_WINDOWTEXT : COLOR_BTNTEXT));
    set_bk_color(hdc, get_sys_color(edit ? COLOR_WINDOW : COLOR_BTNFACE));
    HWND parent = get_parent(hwnd);
    auto brush = parent ? static_cast<HBRUSH>(send_message(parent, ctlcolor_message, hdc, static_cast<LPARAM>(hwnd))) : 0;
    if (!brush) brush = get_sys_color_brush(edit ? COLOR_WINDOW : COLOR_BTNFACE);
    return brush;
}

HFONT select_control_font(HDC hdc, HFONT font) {
    return static_cast<HFONT>(select_object(hdc, font ? font : get_stock_object(SYSTEM_FONT)));
}

}  // namespace platform::detail

namespace platform::detail {

namespace {

template <typename State, typename Draw>
void paint_with(HWND hwnd, State& state, Draw draw) {
    PAINTSTRUCT ps;
    HDC hdc = begin_paint(hwnd, &ps);
    if (hdc) draw(hwnd, hdc, state);
    end_paint(hwnd, &ps);
}

}  // namespace

void paint_button(HWND hwnd, ButtonState& state) { paint_with(hwnd, state, draw_button); }
void paint_static(HWND hwnd, const StaticState& state) { paint_with(hwnd, state, draw_static); }
void paint_edit(HWND hwnd, const EditState& state) { paint_with(hwnd, state, draw_edit); }

void repaint_control(HWND hwnd) { invalidate_rect(hwnd, nullptr, true); }

bool shift_pressed() { return get_key_state(static_cast<int>(VK_SHIFT)) < 0; }

}  // namespace platform::detail

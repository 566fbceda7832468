// The BUTTON class: push buttons, check boxes, radio buttons, group boxes and
// owner-drawn buttons; its state machine here, its painting in
// button_paint.cpp.

#include "platform/standard_controls_internal.h"

#include "platform/control_state.h"
#include "platform/dialog.h"
#include "platform/dialog_internal.h"
#include "platform/hooks.h"
#include "platform/input.h"
#include "platform/keys.h"
#include "platform/message_queue.h"

namespace platform {

namespace {

using detail::ButtonState;

std::uint32_t type_of(HWND hwnd) { return static_cast<std::uint32_t>(get_window_long(hwnd, GWL_STYLE)) & BS_TYPEMASK; }

bool is_checkable(std::uint32_t type) {
    switch (type) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE:
        return true;
    default:
        return false;
    }
}

bool is_radio(std::uint32_t type) { return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON; }

bool inside(HWND hwnd, LPARAM lParam) {
    RECT r;
    get_client_rect(hwnd, &r);
    const int x = static_cast<std::int16_t>(loword(static_cast<std::uintptr_t>(lParam)));
    const int y = static_cast<std::int16_t>(hiword(static_cast<std::uintptr_t>(lParam)));
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

void set_pushed(HWND hwnd, ButtonState* s, bool pushed) {
    if (s->pushed == pushed) return;
    s->pushed = pushed;
    s->pending_action |= ODA_SELECT;
    detail::repaint_control(hwnd);
}

void set_check(HWND hwnd, ButtonState* s, UINT check) {
    const std::uint32_t type = type_of(hwnd);
    if (!is_checkable(type)) return;
    if (type != BS_3STATE && type != BS_AUTO3STATE && check > BST_CHECKED) check = BST_CHECKED;
    if (check > BST_INDETERMINATE) check = BST_INDETERMINATE;
    // A checked radio button is the one Tab stops at in its group.
    if (is_radio(type)) {
        auto style = static_cast<std::uint32_t>(get_window_long(hwnd, GWL_STYLE));
        const std::uint32_t wanted = check ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
        if (wanted != style) set_window_long(hwnd, GWL_STYLE, static_cast<std::int32_t>(wanted));
    }
    if (s->check == check) return;
    s->check = check;
    detail::repaint_control(hwnd);
}

// An auto radio button that gets checked unchecks the other radio buttons
// of its group.
void check_in_group(HWND hwnd) {
    HWND parent = get_parent(hwnd);
    if (!parent) return;
    HWND h = hwnd;
    while (true) {
        h = get_next_dlg_group_item(parent, h, false);
        if (!h || h == hwnd) break;
        if (send_message(h, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) send_message(h, BM_SETCHECK, BST_UNCHECKED, 0);
    }
    send_message(hwnd, BM_SETCHECK, BST_CHECKED, 0);
}

// What a completed press does: auto types change their check, then the parent hears BN_CLICKED.
void click(HWND hwnd, ButtonState* s) {
    switch (type_of(hwnd)) {
    case BS_AUTOCHECKBOX:
        send_message(hwnd, BM_SETCHECK, s->check ? BST_UNCHECKED : BST_CHECKED, 0);
        break;
    case BS_AUTO3STATE:
        send_message(hwnd, BM_SETCHECK, (s->check + 1) % 3, 0);
        break;
    case BS_AUTORADIOBUTTON:
        check_in_group(hwnd);
        break;
    default:
        break;
    }
    detail::notify_parent(hwnd, BN_CLICKED);
}

void end_tracking(HWND hwnd, ButtonState* s) {
    s->tracking = ButtonState::Tracking::None;
    if (get_capture() == hwnd) release_capture();
    set_pushed(hwnd, s, false);
}

LRESULT button_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* s = detail::control_state<ButtonState>(hwnd);
    if (!s && message != WM_NCCREATE) return def_window_proc(hwnd, message, wParam, lParam);
    const std::uint32_t type = type_of(hwnd);
    switch (message) {
    case WM_NCCREATE:
        detail::attach_control_state<ButtonState>(hwnd);
        return def_window_proc(hwnd, message, wParam, lParam);
    case WM_NCDESTROY:
        detail::detach_control_state<ButtonState>(hwnd);
        return def_window_proc(hwnd, message, wParam, lParam);

    case WM_GETDLGCODE:
        switch (type) {
        case BS_PUSHBUTTON:
        case BS_USERBUTTON:
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        case BS_DEFPUSHBUTTON:
            return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            return DLGC_BUTTON | DLGC_RADIOBUTTON;
        case BS_GROUPBOX:
            return DLGC_STATIC;
        default:
            return DLGC_BUTTON;
        }

    case BM_GETCHECK:
        return s->check;
    case BM_SETCHECK:
        set_check(hwnd, s, static_cast<UINT>(wParam));
        return 0;
    case BM_GETSTATE:
        return s->check | (s->pushed ? BST_PUSHED : 0) | (s->focused ? BST_FOCUS : 0);
    case BM_SETSTATE:
        set_pushed(hwnd, s, wParam != 0);
        return 0;
    case BM_SETSTYLE: {
        const auto style = static_cast<std::uint32_t>(get_window_long(hwnd, GWL_STYLE));
        const std::uint32_t wanted = (style & ~BS_TYPEMASK) | (static_cast<std::uint32_t>(wParam) & BS_TYPEMASK);
        if (wanted != style) set_window_long(hwnd, GWL_STYLE, static_cast<std::int32_t>(wanted));
        if (lParam) detail::repaint_control(hwnd);
        return 0;
    }
    case BM_CLICK:
        // A disabled button cannot be clicked, by a person or by a program.
        if (!is_window_enabled(hwnd) || type == BS_GROUPBOX) return 0;
        send_message(hwnd, WM_LBUTTONDOWN, 0, 0);
        send_message(hwnd, WM_LBUTTONUP, 0, 0);
        return 0;
    case BM_SETIMAGE: {
        HGDIOBJ old = s->image;
        s->image = static_cast<HGDIOBJ>(lParam);
        s->image_type = static_cast<UINT>(wParam);
        detail::repaint_control(hwnd);
        return static_cast<LRESULT>(old);
    }
    case BM_GETIMAGE:
        return static_cast<UINT>(wParam) == s->image_type ? static_cast<LRESULT>(s->image) : 0;

    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (type == BS_GROUPBOX) return 0;
        set_focus(hwnd);
        set_capture(hwnd);
        s->tracking = ButtonState::Tracking::Mouse;
        set_pushed(hwnd, s, true);
        return 0;
    case WM_MOUSEMOVE:
        if (s->tracking == ButtonState::Tracking::Mouse) set_pushed(hwnd, s, inside(hwnd, lParam));
        return 0;
    case WM_LBUTTONUP: {
        if (s->tracking != ButtonState::Tracking::Mouse) return 0;
        const bool over = inside(hwnd, lParam);
        end_tracking(hwnd, s);
        if (over) click(hwnd, s);
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == VK_SPACE && s->tracking == ButtonState::Tracking::None && type != BS_GROUPBOX) {
            s->tracking = ButtonState::Tracking::Key;
            set_capture(hwnd);
            set_pushed(hwnd, s, true);
            return 0;
        }
        return def_window_proc(hwnd, message, wParam, lParam);
    case WM_KEYUP:
        if (wParam == VK_SPACE && s->tracking == ButtonState::Tracking::Key) {
            end_tracking(hwnd, s);
            click(hwnd, s);
            return 0;
        }
        return def_window_proc(hwnd, message, wParam, lParam);
    case WM_CAPTURECHANGED:
        if (s->tracking != ButtonState::Tracking::None && static_cast<HWND>(lParam) != hwnd) {
            s->tracking = ButtonState::Tracking::None;
            set_pushed(hwnd, s, false);
        }
        return 0;
    case WM_CANCELMODE:
        if (s->tracking != ButtonState::Tracking::None) end_tracking(hwnd, s);
        return 0;

    case WM_SETFOCUS:
        s->focused = true;
        s->pending_action |= ODA_FOCUS;
        detail::repaint_control(hwnd);
        detail::dialog_item_focused(hwnd);
        if (get_window_long(hwnd, GWL_STYLE) & BS_NOTIFY) detail::notify_parent(hwnd, BN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        s->focused = false;
        s->pending_action |= ODA_FOCUS;
        if (s->tracking != ButtonState::Tracking::None) end_tracking(hwnd, s);
        detail::repaint_control(hwnd);
        if (get_window_long(hwnd, GWL_STYLE) & BS_NOTIFY) detail::notify_parent(hwnd, BN_KILLFOCUS);
        return 0;
    case WM_ENABLE:
        detail::repaint_control(hwnd);
        return 0;
    case WM_SETTEXT: {
        const LRESULT r = def_window_proc(hwnd, message, wParam, lParam);
        detail::repaint_control(hwnd);
        return r;
    }
    case WM_SETFONT:
        s->font = static_cast<HFONT>(wParam);
        if (lParam) detail::repaint_control(hwnd);
        return 0;
    case WM_GETFONT:
        return static_cast<LRESULT>(s->font);
    case WM_PAINT:
        detail::paint_button(hwnd, *s);
        return 0;
    case WM_PRINTCLIENT:
        detail::draw_button(hwnd, static_cast<HDC>(wParam), *s);
        return 0;
    case WM_ERASEBKGND:
        return 1;  // painting covers the whole control
    default:
        return def_window_proc(hwnd, message, wParam, lParam);
    }
}

}  // namespace

WNDPROC detail::button_window_proc() { return button_proc; }

}  // namespace platform

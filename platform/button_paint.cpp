// How a BUTTON looks, in the classic style: a raised bevel that sinks while
// pressed, the default button's extra black frame, check boxes and radio
// buttons from draw_frame_control, an etched group frame, embossed text when
// disabled, the dotted focus rectangle; owner-drawn buttons are drawn by the
// parent through WM_DRAWITEM.

#include <algorithm>

#include "platform/gdi.h"
#include "platform/message_queue.h"
#include "platform/standard_controls_internal.h"

namespace platform::detail {

namespace {

constexpr int kCheckSize = 13;

std::uint32_t style_of(HWND hwnd) { return static_cast<std::uint32_t>(get_window_long(hwnd, GWL_STYLE)); }

// Caption text, embossed (highlight offset by one, then gray) when disabled.
void draw_caption(HDC hdc, HWND hwnd, const std::string& text, RECT rect, std::uint32_t format) {
    const int old_mode = set_bk_mode(hdc, TRANSPARENT);
    if (!is_window_enabled(hwnd)) {
        RECT shifted{rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1};
        set_text_color(hdc, get_sys_color(COLOR_3DHILIGHT));
        draw_text(hdc, text, &shifted, format);
        set_text_color(hdc, get_sys_color(COLOR_GRAYTEXT));
    }
    draw_text(hdc, text, &rect, format);
    set_bk_mode(hdc, old_mode);
}

// The focus rectangle around a caption drawn with `format` in `area`.
void focus_around_text(HDC hdc, const std::string& text, const RECT& area, std::uint32_t format) {
    RECT measured = area;
    draw_text(hdc, text, &measured, format | DT_CALCRECT);
    const int h = measured.bottom - measured.top;
    const int top = (format & DT_VCENTER) ? area.top + (area.bottom - area.top - h) / 2 : area.top;
    RECT focus{measured.left - 1, top - 1, measured.right + 1, top + h + 1};
    focus.left = std::max(focus.left, 0);
    draw_focus_rect(hdc, focus);
}

void draw_push(HWND hwnd, HDC hdc, const ButtonState& s, RECT rc, bool is_default) {
    const std::string text = window_text(hwnd);
    const HBRUSH back = control_colors(hwnd, hdc, WM_CTLCOLORBTN);
    fill_rect(hdc, rc, back);
    if (is_default) {
        frame_rect(hdc, rc, get_sys_color_brush(COLOR_WINDOWFRAME));
        rc = RECT{rc.left + 1, rc.top + 1, rc.right - 1, rc.bottom - 1};
    }
    if (s.pushed && is_default) {
        // A pressed default button sinks flat: one shadow line inside the black frame.
        frame_rect(hdc, rc, get_sys_color_brush(COLOR_BTNSHADOW));
    } else {
        RECT bevel = rc;
        draw_frame_control(hdc, &bevel, DFC_BUTTON, DFCS_BUTTONPUSH | (s.pushed ? DFCS_PUSHED : 0));
    }
    RECT text_rect{rc.left + 2, rc.top + 2, rc.right - 2, rc.bottom - 2};
    if (s.pushed) text_rect = RECT{text_rect.left + 1, text_rect.top + 1, text_rect.right + 1, text_rect.bottom + 1};
    const std::uint32_t format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    set_text_color(hdc, get_sys_color(COLOR_BTNTEXT));
    draw_caption(hdc, hwnd, text, text_rect, format);
    if (s.focused) draw_focus_rect(hdc, RECT{rc.left + 3, rc.top + 3, rc.right - 3, rc.bottom - 3});
}

void draw_check(HWND hwnd, HDC hdc, const ButtonState& s, const RECT& rc, bool radio) {
    const std::uint32_t style = style_of(hwnd);
    const std::string text = window_text(hwnd);
    const HBRUSH back = control_colors(hwnd, hdc, WM_CTLCOLORSTATIC);
    fill_rect(hdc, rc, back);
    const bool left_text = (style & BS_LEFTTEXT) != 0;
    const int box_top = rc.top + (rc.bottom - rc.top - kCheckSize) / 2;
    RECT box = left_text ? RECT{rc.right - kCheckSize, box_top, rc.right, box_top + kCheckSize}
                         : RECT{rc.left, box_top, rc.left + kCheckSize, box_top + kCheckSize};
    std::uint32_t state = radio ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK;
    if (s.check == BST_CHECKED) state |= DFCS_CHECKED;
    if (s.check == BST_INDETERMINATE) state |= DFCS_CHECKED | DFCS_INACTIVE;  // the gray mark
    if (s.pushed || !is_window_enabled(hwnd)) state |= DFCS_INACTIVE;
    draw_frame_control(hdc, &box, DFC_BUTTON, state);

    RECT text_rect = left_text ? RECT{rc.left, rc.top, rc.right - kCheckSize - 4, rc.bottom}
                               : RECT{rc.left + kCheckSize + 4, rc.top, rc.right, rc.bottom};
    const std::uint32_t format = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
    draw_caption(hdc, hwnd, text, text_rect, format);
    if (s.focused && !text.empty()) focus_around_text(hdc, text, text_rect, format);
}

void draw_group(HWND hwnd, HDC hdc, const RECT& rc) {
    const std::string text = window_text(hwnd);
    const HBRUSH back = control_colors(hwnd, hdc, WM_CTLCOLORSTATIC);
    TEXTMETRIC tm;
    get_text_metrics(hdc, &tm);
    RECT frame{rc.left, rc.top + tm.tmHeight / 2, rc.right, rc.bottom};
    draw_edge(hdc, &frame, EDGE_ETCHED, BF_RECT);
    if (text.empty()) return;
    RECT label{rc.left + 8, rc.top, rc.right - 8, rc.top + tm.tmHeight};
    RECT measured = label;
    draw_text(hdc, text, &measured, DT_LEFT | DT_SINGLELINE | DT_CALCRECT);
    // The caption sits on the frame line: its background hides the line.
    fill_rect(hdc, RECT{measured.left - 2, measured.top, measured.right + 2, measured.bottom}, back);
    draw_caption(hdc, hwnd, text, label, DT_LEFT | DT_SINGLELINE);
}

void draw_owner(HWND hwnd, HDC hdc, ButtonState& s, const RECT& rc) {
    DRAWITEMSTRUCT dis;
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = static_cast<UINT>(get_window_long(hwnd, GWL_ID));
    dis.itemAction = s.pending_action ? s.pending_action : ODA_DRAWENTIRE;
    // More than one change since the last drawing: draw it all.
    if (dis.itemAction != ODA_SELECT && dis.itemAction != ODA_FOCUS) dis.itemAction = ODA_DRAWENTIRE;
    s.pending_action = 0;
    dis.itemState = (s.pushed ? ODS_SELECTED : 0) | (s.focused ? ODS_FOCUS : 0) |
                    (is_window_enabled(hwnd) ? 0 : ODS_DISABLED);
    dis.hwndItem = hwnd;
    dis.hDC = hdc;
    dis.rcItem = rc;
    control_colors(hwnd, hdc, WM_CTLCOLORBTN);
    send_message(get_parent(hwnd), WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
}

}  // namespace

void draw_button(HWND hwnd, HDC hdc, ButtonState& s) {
    RECT rc;
    get_client_rect(hwnd, &rc);
    const int saved = save_dc(hdc);
    select_control_font(hdc, s.font);
    switch (style_of(hwnd) & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_USERBUTTON:
        draw_push(hwnd, hdc, s, rc, false);
        break;
    case BS_DEFPUSHBUTTON:
        draw_push(hwnd, hdc, s, rc, true);
        break;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
        draw_check(hwnd, hdc, s, rc, false);
        break;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        draw_check(hwnd, hdc, s, rc, true);
        break;
    case BS_GROUPBOX:
        draw_group(hwnd, hdc, rc);
        break;
    case BS_OWNERDRAW:
        restore_dc(hdc, saved);
        draw_owner(hwnd, hdc, s, rc);
        return;
    default:
        break;
    }
    restore_dc(hdc, saved);
}

}  // namespace platform::detail

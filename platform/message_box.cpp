// Message boxes: a dialog built in code, laid out in pixels from the text's
// size once the dialog font is known (in WM_INITDIALOG).

#include "platform/message_box.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/dialog_internal.h"
#include "platform/message_box_internal.h"
#include "platform/message_queue.h"
#include "platform/sound.h"
#include "platform/standard_controls.h"

namespace platform {

namespace {

constexpr int kIconId = 0x14;     // the icon's item id, as on Windows
constexpr int kTextId = 0xFFFF;   // the text's item id
constexpr int kMargin = 11;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;
constexpr int kIconSize = 32;

struct ButtonSpec {
    int id;
    const char* label;
};

std::vector<ButtonSpec> buttons_for(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
    case MB_ABORTRETRYIGNORE: return {{IDABORT, "&Abort"}, {IDRETRY, "&Retry"}, {IDIGNORE, "&Ignore"}};
    case MB_YESNOCANCEL: return {{IDYES, "&Yes"}, {IDNO, "&No"}, {IDCANCEL, "Cancel"}};
    case MB_YESNO: return {{IDYES, "&Yes"}, {IDNO, "&No"}};
    case MB_RETRYCANCEL: return {{IDRETRY, "&Retry"}, {IDCANCEL, "Cancel"}};
    default: return {{IDOK, "OK"}};
    }
}

struct BoxParams {
    UINT type = 0;
    std::string text;
    std::vector<ButtonSpec> buttons;
    HICON icon = 0;
};

bool has_button(const BoxParams& p, int id) {
    return std::any_of(p.buttons.begin(), p.buttons.end(), [&](const ButtonSpec& b) { return b.id == id; });
}

void layout(HWND hdlg, const BoxParams& p) {
    const HFONT font = get_dialog_font(hdlg);
    RECT area{0, 0, 1024, 768};
    detail::message_box_work_area(&area);
    const int max_text = (area.right - area.left) * 3 / 4;
    const detail::SIZE_PX text = detail::message_box_text_size(font, p.text, max_text);

    const int text_x = kMargin + (p.icon ? kIconSize + kMargin : 0);
    const int top_height = std::max(text.cy, p.icon ? kIconSize : 0);
    const int text_y = kMargin + (top_height - text.cy) / 2;
    const int row = static_cast<int>(p.buttons.size()) * kButtonWidth +
                    (static_cast<int>(p.buttons.size()) - 1) * kButtonGap;
    const int client_w = std::max(text_x + text.cx + kMargin, row + 2 * kMargin);
    const int buttons_y = kMargin + top_height + kMargin + 4;
    const int client_h = buttons_y + kButtonHeight + kMargin;

    if (HWND icon = get_dlg_item(hdlg, kIconId)) move_window(icon, kMargin, kMargin + (top_height - kIconSize) / 2,
                                                             kIconSize, kIconSize, false);
    move_window(get_dlg_item(hdlg, kTextId), text_x, text_y, text.cx, text.cy, false);
    int x = (client_w - row) / 2;
    for (const auto& b : p.buttons) {
        move_window(get_dlg_item(hdlg, b.id), x, buttons_y, kButtonWidth, kButtonHeight, false);
        x += kButtonWidth + kButtonGap;
    }

    RECT frame{0, 0, client_w, client_h};
    detail::message_box_frame(hdlg, &frame);
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    move_window(hdlg, area.left + (area.right - area.left - w) / 2, area.top + (area.bottom - area.top - h) / 2, w, h,
                true);
}

std::intptr_t box_proc(HWND hdlg, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        auto* p = reinterpret_cast<BoxParams*>(lParam);
        set_window_long_ptr(hdlg, DWL_USER, lParam);
        if (p->icon) send_dlg_item_message(hdlg, kIconId, STM_SETICON, static_cast<WPARAM>(p->icon), 0);
        layout(hdlg, *p);
        std::size_t def = ((p->type & MB_DEFMASK) >> 8);
        if (def >= p->buttons.size()) def = 0;
        const int def_id = p->buttons[def].id;
        send_message(hdlg, DM_SETDEFID, static_cast<WPARAM>(def_id), 0);
        detail::set_dialog_focus(hdlg, get_dlg_item(hdlg, def_id));
        if (p->type & (MB_SETFOREGROUND | MB_SYSTEMMODAL | MB_TASKMODAL)) set_foreground_window(hdlg);
        return 0;  // the focus is set
    }
    case WM_COMMAND: {
        auto* p = reinterpret_cast<BoxParams*>(get_window_long_ptr(hdlg, DWL_USER));
        if (!p || hiword(wParam) != BN_CLICKED) return 0;
        const int id = loword(wParam);
        if (has_button(*p, id)) {
            end_dialog(hdlg, id);
        } else if (id == IDCANCEL && p->buttons.size() == 1 && p->buttons[0].id == IDOK) {
            // Escape or the close box on a box with OK alone is OK.
            end_dialog(hdlg, IDOK);
        }
        return 1;
    }
    default:
        return 0;
    }
}

}  // namespace

int message_box(HWND owner, const char* text, const char* caption, UINT type) {
    BoxParams params;
    params.type = type;
    params.text = text ? text : "";
    params.buttons = buttons_for(type);
    params.icon = detail::message_box_icon(type & MB_ICONMASK);

    DialogTemplate tmpl;
    tmpl.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_NOIDLEMSG | WS_VISIBLE;
    if (type & (MB_SETFOREGROUND | MB_SYSTEMMODAL | MB_TASKMODAL)) tmpl.style |= DS_SETFOREGROUND;
    if (type & (MB_TOPMOST | MB_SYSTEMMODAL)) tmpl.ex_style |= WS_EX_TOPMOST;
    tmpl.caption = caption ? caption : "Error";
    tmpl.font_face = "MS Sans Serif";
    tmpl.font_points = 8;
    tmpl.cx = 100;
    tmpl.cy = 50;
    if (params.icon) {
        DialogItemTemplate icon;
        icon.class_name = "STATIC";
        icon.id = kIconId;
        icon.style = WS_CHILD | WS_VISIBLE | SS_ICON;
        tmpl.items.push_back(icon);
    }
    DialogItemTemplate label;
    label.class_name = "STATIC";
    label.id = kTextId;
    label.text = params.text;
    label.style = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT | SS_NOPREFIX;
    tmpl.items.push_back(label);
    for (std::size_t i = 0; i < params.buttons.size(); ++i) {
        DialogItemTemplate b;
        b.class_name = "BUTTON";
        b.id = static_cast<std::uint32_t>(params.buttons[i].id);
        b.text = params.buttons[i].label;
        b.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (i == 0 ? WS_GROUP : 0) | BS_PUSHBUTTON;
        tmpl.items.push_back(b);
    }

    message_beep(type & MB_ICONMASK);
    const std::intptr_t result =
        dialog_box_indirect_param(0, tmpl, owner, box_proc, reinterpret_cast<LPARAM>(&params));
    detail::release_message_box_icon(params.icon);
    return result < 0 ? 0 : static_cast<int>(result);
}

}  // namespace platform

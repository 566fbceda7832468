// The dialog manager: the keyboard interface of dialogs (is_dialog_message),
// and the focus moves it makes, with the default push button following them.

#include <cctype>
#include <string>

#include "platform/dialog.h"
#include "platform/dialog_internal.h"
#include "platform/standard_controls_internal.h"
#include "platform/message_queue.h"
#include "platform/standard_controls.h"
#include "platform/hooks.h"
#include "platform/input.h"
#include "platform/keys.h"

namespace platform {

namespace {

UINT dlg_code(HWND hwnd, MSG* msg) {
    return static_cast<UINT>(send_message(hwnd, WM_GETDLGCODE, msg ? msg->wParam : 0, reinterpret_cast<LPARAM>(msg)));
}

void send_command(HWND hdlg, int id, HWND hctl) {
    send_message(hdlg, WM_COMMAND, make_wparam(static_cast<std::uint16_t>(id), BN_CLICKED),
                 static_cast<LPARAM>(hctl));
}

// The item of `hdlg` that shows the default push button look, if any.
HWND default_looking_button(HWND hdlg) {
    for (HWND h : detail::child_windows(hdlg))
        if (dlg_code(h, nullptr) & DLGC_DEFPUSHBUTTON) return h;
    return 0;
}

void press_enter(HWND hdlg) {
    HWND focus = get_focus();
    if (focus && is_child(hdlg, focus) && (dlg_code(focus, nullptr) & DLGC_DEFPUSHBUTTON)) {
        if (is_window_enabled(focus)) send_command(hdlg, get_dlg_ctrl_id(focus), focus);
        return;
    }
    const auto def = static_cast<std::uintptr_t>(send_message(hdlg, DM_GETDEFID, 0, 0));
    if (hiword(def) == DC_HASDEFID) {
        if (HWND h = get_dlg_item(hdlg, loword(def))) {
            if (is_window_enabled(h)) send_command(hdlg, loword(def), h);
            return;
        }
    }
    send_command(hdlg, IDOK, get_dlg_item(hdlg, IDOK));
}

// The mnemonic of a caption: the character after a single '&'.
int mnemonic_of(const std::string& text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        return std::tolower(static_cast<unsigned char>(text[i + 1]));
    }
    return 0;
}

// A mnemonic key: a button is clicked, a label hands the focus to the item
// after it, anything else takes the focus.
bool handle_mnemonic(HWND hdlg, int ch) {
    ch = std::tolower(ch);
    if (ch == 0) return false;
    for (HWND h : detail::child_windows(hdlg)) {
        if (!is_window_visible(h) || !is_window_enabled(h)) continue;
        const UINT code = dlg_code(h, nullptr);
        if (code & DLGC_STATIC) {
            if (get_window_long(h, GWL_STYLE) & SS_NOPREFIX) continue;
        } else if (!(code & DLGC_BUTTON)) {
            continue;
        }
        if (mnemonic_of(window_text(h)) != ch) continue;
        if (code & DLGC_STATIC) {
            // A group box or a label: the next item that can take the focus.
            HWND next = get_next_dlg_tab_item(hdlg, h, false);
            if (next && next != h) detail::set_dialog_focus(hdlg, next);
        } else {
            send_message(h, BM_CLICK, 0, 0);
        }
        return true;
    }
    return false;
}

}  // namespace

void detail::set_dialog_focus(HWND hdlg, HWND hctl) {
    if (dlg_code(hctl, nullptr) & DLGC_HASSETSEL) send_message(hctl, EM_SETSEL, 0, -1);
    set_focus(hctl);
    // The standard controls report their focus themselves; this covers the rest.
    if (is_child(hdlg, hctl)) dialog_item_focused(hctl);
}

void detail::dialog_item_focused(HWND hctl) {
    HWND hdlg = get_parent(hctl);
    DialogInfo info;
    if (!hdlg || !dialog_info(hdlg, &info)) return;
    const UINT code = dlg_code(hctl, nullptr);
    HWND looking = default_looking_button(hdlg);
    HWND wanted = 0;
    if (code & (DLGC_UNDEFPUSHBUTTON | DLGC_DEFPUSHBUTTON))
        wanted = hctl;  // a push button with the focus is the one Enter presses
    else if (info.def_id)
        wanted = get_dlg_item(hdlg, info.def_id);
    if (looking && looking != wanted) send_message(looking, BM_SETSTYLE, BS_PUSHBUTTON, 1);
    if (wanted && wanted != looking && (dlg_code(wanted, nullptr) & DLGC_UNDEFPUSHBUTTON))
        send_message(wanted, BM_SETSTYLE, BS_DEFPUSHBUTTON, 1);
}

bool is_dialog_message(HWND hdlg, MSG* msg) {
    if (!msg) return false;
    // The message filter (a hook of the thread) sees every message first.
    if (call_msg_filter(msg, MSGF_DIALOGBOX)) return true;
    if (msg->hwnd != hdlg && !is_child(hdlg, msg->hwnd)) return false;

    switch (msg->message) {
    case WM_KEYDOWN: {
        const UINT code = dlg_code(msg->hwnd, msg);
        if (code & DLGC_WANTMESSAGE) break;
        switch (msg->wParam) {
        case VK_TAB:
            if (code & DLGC_WANTTAB) break;
            send_message(hdlg, WM_NEXTDLGCTL, detail::shift_pressed() ? 1 : 0, 0);
            return true;
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN: {
            if (code & DLGC_WANTARROWS) break;
            HWND focus = get_focus();
            if (!focus || !is_child(hdlg, focus)) focus = msg->hwnd;
            const bool previous = msg->wParam == VK_LEFT || msg->wParam == VK_UP;
            HWND next = get_next_dlg_group_item(hdlg, focus, previous);
            if (next && next != focus) {
                // A radio button is chosen as the focus reaches it.
                if (dlg_code(next, nullptr) & DLGC_RADIOBUTTON)
                    send_message(next, BM_CLICK, 0, 0);
                else
                    detail::set_dialog_focus(hdlg, next);
            }
            return true;
        }
        case VK_RETURN:
            press_enter(hdlg);
            return true;
        case VK_ESCAPE:
            send_command(hdlg, IDCANCEL, get_dlg_item(hdlg, IDCANCEL));
            return true;
        default:
            break;
        }
        break;
    }
    case WM_CHAR: {
        const UINT code = dlg_code(msg->hwnd, msg);
        if (code & (DLGC_WANTCHARS | DLGC_WANTMESSAGE)) break;
        // Tab, Enter and Escape were handled as keys; their characters go nowhere.
        if (msg->wParam == '\t' && !(code & DLGC_WANTTAB)) return true;
        if (msg->wParam == '\r' || msg->wParam == 0x1B) return true;
        if (handle_mnemonic(hdlg, static_cast<int>(msg->wParam))) return true;
        break;
    }
    default:
        break;
    }
    translate_message(msg);
    dispatch_message(msg);
    return true;
}

}  // namespace platform

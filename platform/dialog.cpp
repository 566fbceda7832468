// Dialogs made from templates, their class procedure, the modal loop, and the
// item calls.
//
// A dialog's own state (font, base units, default id, end code) lives in a
// map beside its window rather than in the window data: the 30 bytes of
// DLGWINDOWEXTRA belong to DWL_MSGRESULT, DWL_DLGPROC and DWL_USER, and a
// program that registers its own dialog class with DLGWINDOWEXTRA must be
// able to use def_dlg_proc all the same.

#include "platform/dialog.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/dialog_internal.h"
#include "platform/gdi.h"
#include "platform/message_queue.h"
#include "platform/resources.h"
#include "platform/system_metrics.h"
#include "platform/window_place.h"
#include "platform/standard_controls.h"
#include "platform/win_error.h"
#include "platform/window_objects.h"

namespace platform {

namespace {

struct Dialogs {
    std::mutex lock;
    std::unordered_map<HWND, detail::DialogInfo> infos;
};

Dialogs& dialogs() {
    static Dialogs d;
    return d;
}


// The work area of the screen windows are placed in.
RECT work_area() {
    RECT area{0, 0, get_system_metrics(SM_CXSCREEN), get_system_metrics(SM_CYSCREEN)};
    system_parameters_info(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

// The window rectangle around a client rectangle for a style.
RECT frame_around(RECT client, std::uint32_t style, std::uint32_t ex_style) {
    adjust_window_rect_ex(&client, style, false, ex_style);
    return client;
}

LRESULT dialog_class_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return def_dlg_proc(hwnd, message, wParam, lParam);
}

void register_dialog_class() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASS wc;
        wc.style = CS_GLOBALCLASS | CS_SAVEBITS | CS_DBLCLKS;
        wc.lpfnWndProc = dialog_class_proc;
        wc.cbWndExtra = DLGWINDOWEXTRA;
        wc.lpszClassName = WC_DIALOG;
        register_class(wc);
    });
}

bool result_is_return_value(UINT message) {
    switch (message) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case 0x0039:  // WM_COMPAREITEM
    case 0x002E:  // WM_VKEYTOITEM
    case 0x002F:  // WM_CHARTOITEM
    case 0x0037:  // WM_QUERYDRAGICON
        return true;
    default:
        return false;
    }
}

HWND first_tab_item(HWND hdlg) { return get_next_dlg_tab_item(hdlg, 0, false); }

// The item that should get the focus when the dialog gets it back.
void restore_focus(HWND hdlg) {
    detail::DialogInfo info;
    if (!detail::dialog_info(hdlg, &info)) return;
    HWND target = info.saved_focus;
    if (!target || !is_window(target) || !is_child(hdlg, target)) target = first_tab_item(hdlg);
    if (target) detail::set_dialog_focus(hdlg, target);
}

// The dialog's default handling of what its procedure did not take.
LRESULT default_dialog_handling(HWND hdlg, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND: {
        // A dialog's background is whatever brush it answers WM_CTLCOLORDLG
        // with (the button face unless its procedure chooses another).
        const auto hdc = static_cast<HDC>(wParam);
        auto brush = static_cast<HBRUSH>(send_message(hdlg, WM_CTLCOLORDLG, wParam, static_cast<LPARAM>(hdlg)));
        if (!brush) brush = get_sys_color_brush(COLOR_3DFACE);
        RECT client;
        get_client_rect(hdlg, &client);
        fill_rect(hdc, client, brush);
        return 1;
    }
    case WM_CLOSE: {
        // Closing a dialog is its Cancel button, unless that button is disabled.
        HWND cancel = get_dlg_item(hdlg, IDCANCEL);
        if (!cancel || is_window_enabled(cancel))
            post_message(hdlg, WM_COMMAND, make_wparam(IDCANCEL, BN_CLICKED), static_cast<LPARAM>(cancel));
        return 0;
    }
    case WM_ACTIVATE:
        if (loword(wParam) == WA_INACTIVE) {
            HWND focus = get_focus();
            if (focus && is_child(hdlg, focus))
                detail::update_dialog_info(hdlg, [&](detail::DialogInfo& i) { i.saved_focus = focus; });
        } else {
            restore_focus(hdlg);
        }
        return 0;
    case WM_SETFOCUS:
        restore_focus(hdlg);
        return 0;
    case WM_NEXTDLGCTL: {
        HWND target = 0;
        if (lParam & 0xFFFF)
            target = static_cast<HWND>(wParam);
        else
            target = get_next_dlg_tab_item(hdlg, get_focus(), wParam != 0);
        if (target) detail::set_dialog_focus(hdlg, target);
        return 0;
    }
    case DM_GETDEFID: {
        detail::DialogInfo info;
        if (!detail::dialog_info(hdlg, &info) || info.def_id == 0) return 0;
        return make_lparam(static_cast<std::uint16_t>(info.def_id), DC_HASDEFID);
    }
    case DM_SETDEFID: {
        // The old default button loses the look, the new one gets it.
        detail::DialogInfo info;
        if (!detail::dialog_info(hdlg, &info)) return 0;
        const int new_id = static_cast<int>(wParam);
        if (HWND old = info.def_id ? get_dlg_item(hdlg, info.def_id) : 0;
            old && (send_message(old, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON))
            send_message(old, BM_SETSTYLE, BS_PUSHBUTTON, 1);
        if (HWND now = get_dlg_item(hdlg, new_id);
            now && (send_message(now, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON))
            send_message(now, BM_SETSTYLE, BS_DEFPUSHBUTTON, 1);
        detail::update_dialog_info(hdlg, [&](detail::DialogInfo& i) { i.def_id = new_id; });
        return 1;
    }
    case WM_GETFONT: {
        detail::DialogInfo info;
        return detail::dialog_info(hdlg, &info) ? static_cast<LRESULT>(info.font) : 0;
    }
    case WM_NCDESTROY: {
        detail::DialogInfo info;
        if (detail::dialog_info(hdlg, &info)) {
            detail::release_dialog_font({info.font, info.owns_font, 0, 0});
            std::lock_guard guard(dialogs().lock);
            dialogs().infos.erase(hdlg);
        }
        return def_window_proc(hdlg, message, wParam, lParam);
    }
    default:
        return def_window_proc(hdlg, message, wParam, lParam);
    }
}

// The dialog's pixel rectangle for a template rectangle in dialog units.
RECT to_pixels(const detail::DialogFont& font, int x, int y, int cx, int cy) {
    RECT r;
    r.left = mul_div(x, font.base_x, 4);
    r.top = mul_div(y, font.base_y, 8);
    r.right = r.left + mul_div(cx, font.base_x, 4);
    r.bottom = r.top + mul_div(cy, font.base_y, 8);
    return r;
}

bool create_items(HWND hdlg, Handle instance, const DialogTemplate& tmpl, const detail::DialogFont& font) {
    for (const auto& item : tmpl.items) {
        const RECT r = to_pixels(font, item.x, item.y, item.cx, item.cy);
        HWND hctl = create_window_ex(item.ex_style | WS_EX_NOPARENTNOTIFY, item.class_name.c_str(),
                                     item.text.c_str(), (item.style | WS_CHILD) & ~WS_POPUP, r.left, r.top,
                                     r.right - r.left, r.bottom - r.top, hdlg, item.id, instance, nullptr);
        if (!hctl) {
            if (tmpl.style & DS_NOFAILCREATE) continue;
            return false;
        }
        send_message(hctl, WM_SETFONT, static_cast<WPARAM>(font.font), 0);
        // The first default push button names the dialog's default id.
        if (send_message(hctl, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)
            detail::update_dialog_info(hdlg, [&](detail::DialogInfo& i) {
                if (i.def_id == 0) i.def_id = static_cast<int>(item.id);
            });
    }
    return true;
}

// Where the dialog's window goes: the template's place relative to the
// owner's client origin, or centred.
void place(const DialogTemplate& tmpl, HWND owner, RECT* window_rect) {
    const int w = window_rect->right - window_rect->left;
    const int h = window_rect->bottom - window_rect->top;
    int x = window_rect->left, y = window_rect->top;
    if (owner && !(tmpl.style & DS_ABSALIGN)) {
        POINT origin{0, 0};
        if (client_to_screen(owner, &origin)) {
            x += origin.x;
            y += origin.y;
        }
    }
    if (tmpl.style & DS_CENTER) {
        RECT area = work_area();
        x = area.left + (area.right - area.left - w) / 2;
        y = area.top + (area.bottom - area.top - h) / 2;
        if (owner && is_window_visible(owner)) {
            RECT o;
            if (get_window_rect(owner, &o)) {
                x = o.left + (o.right - o.left - w) / 2;
                y = o.top + (o.bottom - o.top - h) / 2;
            }
        }
    }
    *window_rect = RECT{x, y, x + w, y + h};
}

}  // namespace

// --- Shared with the dialog manager and the controls -----------------------------

bool detail::dialog_info(HWND hwnd, DialogInfo* out) {
    std::lock_guard guard(dialogs().lock);
    auto it = dialogs().infos.find(hwnd);
    if (it == dialogs().infos.end()) return false;
    if (out) *out = it->second;
    return true;
}

bool detail::update_dialog_info(HWND hwnd, const std::function<void(DialogInfo&)>& change) {
    std::lock_guard guard(dialogs().lock);
    auto it = dialogs().infos.find(hwnd);
    if (it == dialogs().infos.end()) return false;
    change(it->second);
    return true;
}

std::vector<HWND> detail::child_windows(HWND parent) {
    using namespace window_objects;
    std::lock_guard guard(state().lock);
    Window* w = find_locked(parent);
    return w ? w->children : std::vector<HWND>{};
}

// --- Creation -----------------------------------------------------------------------

HWND create_dialog_indirect_param(Handle instance, const DialogTemplate& tmpl, HWND owner, DLGPROC proc,
                                  LPARAM init_param) {
    ensure_standard_controls();
    register_dialog_class();

    const detail::DialogFont font = detail::make_dialog_font(tmpl);
    const std::uint32_t style = tmpl.style & ~WS_VISIBLE;
    RECT rect = frame_around(to_pixels(font, tmpl.x, tmpl.y, tmpl.cx, tmpl.cy), style, tmpl.ex_style);
    place(tmpl, owner, &rect);

    std::uint32_t ex_style = tmpl.ex_style;
    if (tmpl.style & DS_MODALFRAME) ex_style |= WS_EX_DLGMODALFRAME;
    const char* class_name = tmpl.class_name.empty() ? WC_DIALOG : tmpl.class_name.c_str();
    HWND hdlg = create_window_ex(ex_style, class_name, tmpl.caption.c_str(), style, rect.left, rect.top,
                                 rect.right - rect.left, rect.bottom - rect.top, owner, 0, instance, nullptr);
    if (!hdlg) {
        detail::release_dialog_font(font);
        return 0;
    }
    {
        std::lock_guard guard(dialogs().lock);
        auto& info = dialogs().infos[hdlg];
        info.font = font.font;
        info.owns_font = font.owned;
        info.base_x = font.base_x;
        info.base_y = font.base_y;
        info.instance = instance;
    }
    set_window_long_ptr(hdlg, DWL_DLGPROC, reinterpret_cast<std::intptr_t>(proc));

    if ((tmpl.style & DS_SETFONT) || !tmpl.font_face.empty())
        send_message(hdlg, WM_SETFONT, static_cast<WPARAM>(font.font), 0);
    if (!create_items(hdlg, instance, tmpl, font)) {
        const WinError error = last_error();
        destroy_window(hdlg);
        set_last_error(error);
        return 0;
    }

    HWND first = first_tab_item(hdlg);
    if (send_message(hdlg, WM_INITDIALOG, static_cast<WPARAM>(first), init_param) && first && is_window(hdlg))
        detail::set_dialog_focus(hdlg, first);
    if (!is_window(hdlg)) return 0;  // the dialog procedure destroyed it
    // Whatever item has the focus now (set by us or by the procedure) is the
    // one activation gives it back to.
    if (HWND focus = get_focus(); focus && is_child(hdlg, focus))
        detail::update_dialog_info(hdlg, [&](detail::DialogInfo& i) { i.saved_focus = focus; });

    if (tmpl.style & WS_VISIBLE) {
        show_window(hdlg, SW_SHOW);
        if (tmpl.style & DS_SETFOREGROUND) set_foreground_window(hdlg);
    }
    set_last_error(ERROR_SUCCESS);
    return hdlg;
}

HWND create_dialog_param(Handle instance, const ResourceName& name, HWND owner, DLGPROC proc, LPARAM init_param) {
    const DialogTemplate* tmpl = find_dialog_template(instance, name);
    if (!tmpl) {
        set_last_error(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    return create_dialog_indirect_param(instance, *tmpl, owner, proc, init_param);
}

std::intptr_t dialog_box_param(Handle instance, const ResourceName& name, HWND owner, DLGPROC proc,
                               LPARAM init_param) {
    const DialogTemplate* tmpl = find_dialog_template(instance, name);
    if (!tmpl) {
        set_last_error(ERROR_RESOURCE_NAME_NOT_FOUND);
        return -1;
    }
    return dialog_box_indirect_param(instance, *tmpl, owner, proc, init_param);
}

std::intptr_t dialog_box_indirect_param(Handle instance, const DialogTemplate& tmpl, HWND owner, DLGPROC proc,
                                        LPARAM init_param) {
    // An owner that is a child control stands for its top-level window.
    while (owner && (get_window_long(owner, GWL_STYLE) & WS_CHILD)) owner = get_parent(owner);

    // The owner is disabled before the dialog exists, so that WM_INITDIALOG
    // already finds it disabled, as on Windows.
    const bool disable_owner = owner && is_window_enabled(owner);
    if (disable_owner) enable_window(owner, false);

    HWND hdlg = create_dialog_indirect_param(instance, tmpl, owner, proc, init_param);
    if (!hdlg) {
        if (disable_owner) enable_window(owner, true);
        return -1;
    }

    detail::DialogInfo info;
    if (detail::dialog_info(hdlg, &info) && !info.ended && !is_window_visible(hdlg)) {
        show_window(hdlg, SW_SHOW);
        if (tmpl.style & DS_SETFOREGROUND) set_foreground_window(hdlg);
    }

    std::intptr_t result = -1;
    MSG msg;
    while (true) {
        if (!detail::dialog_info(hdlg, &info)) break;  // destroyed under us
        if (info.ended) {
            result = info.result;
            break;
        }
        const int got = get_message(&msg, 0, 0, 0);
        if (got <= 0) {
            // A quit request belongs to the loop outside: hand it back.
            if (got == 0) post_quit_message(static_cast<int>(msg.wParam));
            result = 0;
            break;
        }
        if (!is_dialog_message(hdlg, &msg)) {
            translate_message(&msg);
            dispatch_message(&msg);
        }
    }

    if (disable_owner) enable_window(owner, true);
    // Activation goes back to the owner before the dialog goes, so the owner
    // does not see its dialog's destruction take the focus from it.
    if (owner && is_window(hdlg) && get_active_window() == hdlg) set_active_window(owner);
    if (is_window(hdlg)) destroy_window(hdlg);
    return result;
}

bool end_dialog(HWND hdlg, std::intptr_t result) {
    if (!detail::update_dialog_info(hdlg, [&](detail::DialogInfo& i) {
            i.ended = true;
            i.result = result;
        })) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    show_window(hdlg, SW_HIDE);
    // Wake the modal loop, which may be asleep in get_message.
    post_message(hdlg, WM_NULL, 0, 0);
    return true;
}

// --- The class procedure ---------------------------------------------------------

LRESULT def_dlg_proc(HWND hdlg, UINT message, WPARAM wParam, LPARAM lParam) {
    auto proc = reinterpret_cast<DLGPROC>(get_window_long_ptr(hdlg, DWL_DLGPROC));
    if (proc) {
        set_window_long_ptr(hdlg, DWL_MSGRESULT, 0);
        const std::intptr_t handled = proc(hdlg, message, wParam, lParam);
        if (result_is_return_value(message) && (handled || message == WM_INITDIALOG)) return handled;
        if (handled) return is_window(hdlg) ? get_window_long_ptr(hdlg, DWL_MSGRESULT) : 0;
        if (!is_window(hdlg)) return 0;
    }
    return default_dialog_handling(hdlg, message, wParam, lParam);
}

// --- Items --------------------------------------------------------------------------

HWND get_dlg_item(HWND hdlg, int id) {
    for (HWND h : detail::child_windows(hdlg))
        if (static_cast<int>(get_window_long(h, GWL_ID)) == id) return h;
    set_last_error(ERROR_CONTROL_ID_NOT_FOUND);
    return 0;
}

int get_dlg_ctrl_id(HWND hwnd) { return static_cast<int>(get_window_long(hwnd, GWL_ID)); }

bool set_dlg_item_text(HWND hdlg, int id, const char* text) {
    HWND h = get_dlg_item(hdlg, id);
    return h && set_window_text(h, text);
}

UINT get_dlg_item_text(HWND hdlg, int id, char* buffer, int size) {
    HWND h = get_dlg_item(hdlg, id);
    if (!h) {
        if (buffer && size > 0) buffer[0] = 0;
        return 0;
    }
    return static_cast<UINT>(get_window_text(h, buffer, size));
}

bool set_dlg_item_int(HWND hdlg, int id, UINT value, bool is_signed) {
    char text[16];
    if (is_signed)
        std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    else
        std::snprintf(text, sizeof text, "%u", value);
    return set_dlg_item_text(hdlg, id, text);
}

UINT get_dlg_item_int(HWND hdlg, int id, bool* translated, bool is_signed) {
    if (translated) *translated = false;
    HWND h = get_dlg_item(hdlg, id);
    if (!h) return 0;
    const std::string text = window_text(h);
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (is_signed && i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return 0;
    unsigned long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
        // A number past the type's range is no number, as on Windows.
        if (value > (is_signed ? 0x80000000ull : 0xFFFFFFFFull)) return 0;
    }
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i != text.size()) return 0;
    if (is_signed && !negative && value > 0x7FFFFFFFull) return 0;
    if (translated) *translated = true;
    return negative ? static_cast<UINT>(-static_cast<long long>(value)) : static_cast<UINT>(value);
}

LRESULT send_dlg_item_message(HWND hdlg, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND h = get_dlg_item(hdlg, id);
    return h ? send_message(h, message, wParam, lParam) : 0;
}

bool check_dlg_button(HWND hdlg, int id, UINT check) {
    HWND h = get_dlg_item(hdlg, id);
    if (!h) return false;
    send_message(h, BM_SETCHECK, check, 0);
    return true;
}

UINT is_dlg_button_checked(HWND hdlg, int id) {
    HWND h = get_dlg_item(hdlg, id);
    return h ? static_cast<UINT>(send_message(h, BM_GETCHECK, 0, 0)) : 0;
}

bool check_radio_button(HWND hdlg, int first_id, int last_id, int check_id) {
    bool found = false;
    for (HWND h : detail::child_windows(hdlg)) {
        const int id = get_dlg_ctrl_id(h);
        if (id < first_id || id > last_id) continue;
        send_message(h, BM_SETCHECK, id == check_id ? BST_CHECKED : BST_UNCHECKED, 0);
        found = found || id == check_id;
    }
    return found;
}

namespace {

bool can_take_focus(HWND h) { return is_window_visible(h) && is_window_enabled(h); }

}  // namespace

HWND get_next_dlg_tab_item(HWND hdlg, HWND hctl, bool previous) {
    std::vector<HWND> items = detail::child_windows(hdlg);
    if (items.empty()) return 0;
    if (previous) std::reverse(items.begin(), items.end());
    const auto n = static_cast<std::ptrdiff_t>(items.size());
    std::ptrdiff_t start = -1;
    if (hctl) {
        auto it = std::find(items.begin(), items.end(), hctl);
        if (it != items.end()) start = it - items.begin();
    }
    for (std::ptrdiff_t k = 1; k <= n; ++k) {
        HWND h = items[static_cast<std::size_t>(((start + k) % n + n) % n)];
        if ((get_window_long(h, GWL_STYLE) & WS_TABSTOP) && can_take_focus(h)) return h;
    }
    return hctl;
}

HWND get_next_dlg_group_item(HWND hdlg, HWND hctl, bool previous) {
    const std::vector<HWND> items = detail::child_windows(hdlg);
    auto at = std::find(items.begin(), items.end(), hctl);
    if (at == items.end()) return items.empty() ? 0 : get_next_dlg_group_item(hdlg, items.front(), previous);
    // The group: back to the item that starts it, forward to the next start.
    std::size_t first = static_cast<std::size_t>(at - items.begin());
    while (first > 0 && !(get_window_long(items[first], GWL_STYLE) & WS_GROUP)) --first;
    std::size_t last = static_cast<std::size_t>(at - items.begin());
    while (last + 1 < items.size() && !(get_window_long(items[last + 1], GWL_STYLE) & WS_GROUP)) ++last;
    const std::size_t size = last - first + 1;
    const std::size_t pos = static_cast<std::size_t>(at - items.begin()) - first;
    for (std::size_t k = 1; k < size; ++k) {
        const std::size_t step = previous ? size - k : k;
        HWND h = items[first + (pos + step) % size];
        if (can_take_focus(h)) return h;
    }
    return hctl;
}

// --- Dialog units and placing ------------------------------------------------------

bool map_dialog_rect(HWND hdlg, RECT* rect) {
    detail::DialogInfo info;
    if (!rect || !detail::dialog_info(hdlg, &info)) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    rect->left = mul_div(rect->left, info.base_x, 4);
    rect->right = mul_div(rect->right, info.base_x, 4);
    rect->top = mul_div(rect->top, info.base_y, 8);
    rect->bottom = mul_div(rect->bottom, info.base_y, 8);
    return true;
}

long get_dialog_base_units() {
    const detail::DialogFont system = detail::make_dialog_font(DialogTemplate{});
    detail::release_dialog_font(system);
    return static_cast<long>(make_lparam(static_cast<std::uint16_t>(system.base_x),
                                         static_cast<std::uint16_t>(system.base_y)));
}

bool center_window(HWND hwnd, HWND over) {
    RECT r;
    if (!get_window_rect(hwnd, &r)) return false;
    RECT area = work_area();
    RECT target = area;
    if (over && is_window_visible(over)) get_window_rect(over, &target);
    const int w = r.right - r.left, h = r.bottom - r.top;
    int x = target.left + (target.right - target.left - w) / 2;
    int y = target.top + (target.bottom - target.top - h) / 2;
    // Keep it on the work area.
    x = std::max(area.left, std::min(x, area.right - w));
    y = std::max(area.top, std::min(y, area.bottom - h));
    return move_window(hwnd, x, y, w, h, true);
}

HFONT get_dialog_font(HWND hdlg) { return static_cast<HFONT>(send_message(hdlg, WM_GETFONT, 0, 0)); }

}  // namespace platform

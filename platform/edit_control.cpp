// The EDIT class: the text, caret, selection and typing of edit fields; its
// painting in edit_paint.cpp.
//
// The control keeps its text itself and answers WM_GETTEXT from it. The
// window's title (what other processes of the computer see) follows every
// change, except for a password field, whose title stays empty: its text is
// for this process only.

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/control_state.h"
#include "platform/standard_controls_internal.h"
#include "platform/dialog.h"
#include "platform/dialog_internal.h"
#include "platform/keys.h"
#include "platform/message_queue.h"
#include "platform/window_objects.h"

namespace platform {

namespace {

using detail::EditState;

std::uint32_t style_of(HWND hwnd) { return static_cast<std::uint32_t>(get_window_long(hwnd, GWL_STYLE)); }
bool multiline(HWND hwnd) { return (style_of(hwnd) & ES_MULTILINE) != 0; }

std::size_t sel_start(const EditState& s) { return std::min(s.caret, s.anchor); }
std::size_t sel_end(const EditState& s) { return std::max(s.caret, s.anchor); }

void publish_text(HWND hwnd, const EditState& s) {
    const char* title = (style_of(hwnd) & ES_PASSWORD) ? "" : s.text.c_str();
    def_window_proc(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title));
}

void changed(HWND hwnd, EditState* s, bool notify) {
    s->modified = true;
    publish_text(hwnd, *s);
    if (notify) detail::notify_parent(hwnd, EN_UPDATE);
    detail::repaint_control(hwnd);
    if (notify) detail::notify_parent(hwnd, EN_CHANGE);
}

// Replaces the selection with `text`, cut to the limit (EN_MAXTEXT when cut).
// Returns whether anything changed.
bool replace_selection(HWND hwnd, EditState* s, std::string text) {
    const std::size_t start = sel_start(*s), end = sel_end(*s);
    const std::size_t kept = s->text.size() - (end - start);
    const std::size_t room = s->limit > kept ? s->limit - kept : 0;
    bool cut = false;
    if (text.size() > room) {
        text.resize(room);
        cut = true;
    }
    const bool changes = end > start || !text.empty();
    if (changes) {
        s->text.replace(start, end - start, text);
        s->caret = s->anchor = start + text.size();
        changed(hwnd, s, true);
    }
    if (cut) detail::notify_parent(hwnd, EN_MAXTEXT);
    return changes;
}

void set_selection(HWND hwnd, EditState* s, std::intptr_t start, std::intptr_t end) {
    const auto len = static_cast<std::intptr_t>(s->text.size());
    if (start == -1) {
        s->anchor = s->caret;  // no selection; the caret stays
    } else {
        if (end < 0 || end > len) end = len;
        if (start < 0 || start > len) start = len;
        s->anchor = static_cast<std::size_t>(start);
        s->caret = static_cast<std::size_t>(end);
    }
    detail::repaint_control(hwnd);
}

// The characters typing `ch` inserts, or nothing for a character the field refuses.
std::string typed(HWND hwnd, char ch) {
    const std::uint32_t style = style_of(hwnd);
    if ((style & ES_NUMBER) && !std::isdigit(static_cast<unsigned char>(ch))) return {};
    if (style & ES_UPPERCASE) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (style & ES_LOWERCASE) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return std::string(1, ch);
}

// Start of the line holding `pos`, and its column.
std::size_t line_start(const std::string& text, std::size_t pos) {
    const std::size_t nl = pos == 0 ? std::string::npos : text.rfind('\n', pos - 1);
    return nl == std::string::npos ? 0 : nl + 1;
}
std::size_t line_end(const std::string& text, std::size_t pos) {
    std::size_t e = text.find('\n', pos);
    if (e == std::string::npos) return text.size();
    return (e > 0 && text[e - 1] == '\r') ? e - 1 : e;
}

void move_caret(HWND hwnd, EditState* s, std::size_t pos, bool extend) {
    s->caret = std::min(pos, s->text.size());
    if (!extend) s->anchor = s->caret;
    detail::repaint_control(hwnd);
}

void key_down(HWND hwnd, EditState* s, WPARAM vk) {
    const bool extend = detail::shift_pressed();
    const std::string& t = s->text;
    switch (vk) {
    case VK_LEFT:
        if (!extend && s->caret != s->anchor)
            move_caret(hwnd, s, sel_start(*s), false);
        else
            move_caret(hwnd, s, s->caret == 0 ? 0 : (s->caret >= 2 && t.compare(s->caret - 2, 2, "\r\n") == 0)
                                                         ? s->caret - 2
                                                         : s->caret - 1,
                       extend);
        break;
    case VK_RIGHT:
        if (!extend && s->caret != s->anchor)
            move_caret(hwnd, s, sel_end(*s), false);
        else
            move_caret(hwnd, s, t.compare(s->caret, 2, "\r\n") == 0 ? s->caret + 2 : s->caret + 1, extend);
        break;
    case VK_HOME:
        move_caret(hwnd, s, multiline(hwnd) ? line_start(t, s->caret) : 0, extend);
        break;
    case VK_END:
        move_caret(hwnd, s, multiline(hwnd) ? line_end(t, s->caret) : t.size(), extend);
        break;
    case VK_UP:
    case VK_DOWN: {
        if (!multiline(hwnd)) {
            key_down(hwnd, s, vk == VK_UP ? VK_LEFT : VK_RIGHT);
            break;
        }
        const std::size_t start = line_start(t, s->caret);
        const std::size_t column = s->caret - start;
        std::size_t target_start;
        if (vk == VK_UP) {
            if (start == 0) break;
            target_start = line_start(t, start - 1);
        } else {
            const std::size_t nl = t.find('\n', s->caret);
            if (nl == std::string::npos) break;
            target_start = nl + 1;
        }
        move_caret(hwnd, s, std::min(target_start + column, line_end(t, target_start)), extend);
        break;
    }
    case VK_DELETE:
        if (style_of(hwnd) & ES_READONLY) break;
        if (s->caret == s->anchor) {
            if (s->caret >= t.size()) break;
            s->anchor = t.compare(s->caret, 2, "\r\n") == 0 ? s->caret + 2 : s->caret + 1;
        }
        replace_selection(hwnd, s, {});
        break;
    default:
        break;
    }
}

void char_typed(HWND hwnd, EditState* s, WPARAM ch) {
    if (style_of(hwnd) & ES_READONLY) return;
    if (ch == '\b') {
        if (s->caret == s->anchor) {
            if (s->caret == 0) return;
            s->anchor = (s->caret >= 2 && s->text.compare(s->caret - 2, 2, "\r\n") == 0) ? s->caret - 2 : s->caret - 1;
        }
        replace_selection(hwnd, s, {});
        return;
    }
    if (ch == '\r' || ch == '\n') {
        if (multiline(hwnd) && (style_of(hwnd) & ES_WANTRETURN)) replace_selection(hwnd, s, "\r\n");
        return;
    }
    if (ch < 0x20 || ch == 0x7F || ch > 0xFF) return;  // control keys type nothing
    std::string text = typed(hwnd, static_cast<char>(ch));
    if (!text.empty()) replace_selection(hwnd, s, std::move(text));
}

LRESULT edit_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* s = detail::control_state<EditState>(hwnd);
    if (!s && message != WM_NCCREATE) return def_window_proc(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_NCCREATE: {
        s = detail::attach_control_state<EditState>(hwnd);
        auto* cs = reinterpret_cast<const CREATESTRUCT*>(lParam);
        if (cs && cs->lpszName) s->text = cs->lpszName;
        publish_text(hwnd, *s);
        return 1;
    }
    case WM_NCDESTROY:
        detail::detach_control_state<EditState>(hwnd);
        return def_window_proc(hwnd, message, wParam, lParam);

    case WM_SETTEXT:
        s->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        s->caret = s->anchor = 0;
        // A multi-line field does not report text set this way, as on Windows.
        changed(hwnd, s, !multiline(hwnd));
        s->modified = false;
        return 1;
    case WM_GETTEXT:
        return window_objects::copy_out(s->text, reinterpret_cast<char*>(lParam), static_cast<int>(wParam));
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(s->text.size());

    case WM_GETDLGCODE: {
        LRESULT code = DLGC_HASSETSEL | DLGC_WANTCHARS | DLGC_WANTARROWS;
        auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN && multiline(hwnd) &&
            (style_of(hwnd) & ES_WANTRETURN))
            code |= DLGC_WANTALLKEYS;
        return code;
    }
    case EM_GETSEL: {
        const auto start = static_cast<std::uint32_t>(sel_start(*s));
        const auto end = static_cast<std::uint32_t>(sel_end(*s));
        if (wParam) *reinterpret_cast<std::uint32_t*>(wParam) = start;
        if (lParam) *reinterpret_cast<std::uint32_t*>(lParam) = end;
        return make_lparam(static_cast<std::uint16_t>(std::min<std::uint32_t>(start, 0xFFFF)),
                           static_cast<std::uint16_t>(std::min<std::uint32_t>(end, 0xFFFF)));
    }
    case EM_SETSEL:
        set_selection(hwnd, s, static_cast<std::intptr_t>(static_cast<std::int32_t>(wParam)),
                      static_cast<std::intptr_t>(static_cast<std::int32_t>(lParam)));
        return 0;
    case EM_REPLACESEL:
        replace_selection(hwnd, s, lParam ? reinterpret_cast<const char*>(lParam) : "");
        return 0;
    case EM_LIMITTEXT:
        s->limit = wParam ? static_cast<std::size_t>(wParam) : 0x7FFFFFFE;
        return 0;
    case EM_GETLIMITTEXT:
        return static_cast<LRESULT>(s->limit);
    case EM_SETREADONLY: {
        const std::uint32_t style = style_of(hwnd);
        set_window_long(hwnd, GWL_STYLE,
                        static_cast<std::int32_t>(wParam ? (style | ES_READONLY) : (style & ~ES_READONLY)));
        detail::repaint_control(hwnd);
        return 1;
    }
    case EM_GETLINECOUNT:
        return multiline(hwnd) ? static_cast<LRESULT>(std::count(s->text.begin(), s->text.end(), '\n') + 1) : 1;
    case EM_GETMODIFY:
        return s->modified ? 1 : 0;
    case EM_SETMODIFY:
        s->modified = wParam != 0;
        return 0;
    case EM_SETPASSWORDCHAR:
        s->password_char = static_cast<char>(wParam);
        detail::repaint_control(hwnd);
        return 0;
    case EM_GETPASSWORDCHAR:
        return static_cast<unsigned char>(s->password_char);

    case WM_CHAR:
        char_typed(hwnd, s, wParam);
        return 0;
    case WM_KEYDOWN:
        key_down(hwnd, s, wParam);
        return 0;
    case WM_LBUTTONDOWN: {
        if (!s->focused) set_focus(hwnd);
        const int x = static_cast<std::int16_t>(loword(static_cast<std::uintptr_t>(lParam)));
        const int y = static_cast<std::int16_t>(hiword(static_cast<std::uintptr_t>(lParam)));
        move_caret(hwnd, s, detail::edit_position_at(hwnd, *s, x, y), false);
        return 0;
    }
    case WM_SETFOCUS:
        s->focused = true;
        detail::repaint_control(hwnd);
        detail::dialog_item_focused(hwnd);
        detail::notify_parent(hwnd, EN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        s->focused = false;
        detail::repaint_control(hwnd);
        detail::notify_parent(hwnd, EN_KILLFOCUS);
        return 0;
    case WM_ENABLE:
        detail::repaint_control(hwnd);
        return 0;
    case WM_SETFONT:
        s->font = static_cast<HFONT>(wParam);
        if (lParam) detail::repaint_control(hwnd);
        return 0;
    case WM_GETFONT:
        return static_cast<LRESULT>(s->font);
    case WM_PAINT:
        detail::paint_edit(hwnd, *s);
        return 0;
    case WM_PRINTCLIENT:
        detail::draw_edit(hwnd, static_cast<HDC>(wParam), *s);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    default:
        return def_window_proc(hwnd, message, wParam, lParam);
    }
}

}  // namespace

WNDPROC detail::edit_window_proc() { return edit_proc; }

}  // namespace platform

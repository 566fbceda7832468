// The STATIC class: labels, pictures, rectangles and frames; its messages
// here, its painting in static_paint.cpp.

#include "platform/control_state.h"
#include "platform/standard_controls_internal.h"
#include "platform/dialog.h"
#include "platform/message_queue.h"

namespace platform {

namespace {

using detail::StaticState;

std::uint32_t type_of(HWND hwnd) { return static_cast<std::uint32_t>(get_window_long(hwnd, GWL_STYLE)) & SS_TYPEMASK; }

void drop_image(StaticState* s) {
    if (s->owns_image && s->image) detail::delete_control_image(s->image, s->image_type);
    s->image = 0;
    s->owns_image = false;
}

// An icon or bitmap static names its picture by its text: "#id" or a name,
// in the module the control was made for.
void load_named_image(HWND hwnd, StaticState* s, const char* name, std::uint32_t type) {
    if (!name || !*name) return;
    const UINT image_type = type == SS_ICON ? IMAGE_ICON : IMAGE_BITMAP;
    const auto instance = static_cast<Handle>(get_window_long_ptr(hwnd, GWL_HINSTANCE));
    if (HGDIOBJ image = detail::load_control_image(instance, name, image_type)) {
        drop_image(s);
        s->image = image;
        s->image_type = image_type;
        s->owns_image = true;
    }
}

LRESULT set_image(HWND hwnd, StaticState* s, UINT image_type, HGDIOBJ image) {
    const std::uint32_t type = type_of(hwnd);
    if ((type == SS_ICON && image_type != IMAGE_ICON) || (type == SS_BITMAP && image_type != IMAGE_BITMAP)) return 0;
    // The previous picture goes back to the caller, who now owns it, as on Windows.
    const HGDIOBJ old = s->image;
    s->owns_image = false;
    s->image = image;
    s->image_type = image_type;
    detail::repaint_control(hwnd);
    return static_cast<LRESULT>(old);
}

LRESULT static_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* s = detail::control_state<StaticState>(hwnd);
    if (!s && message != WM_NCCREATE) return def_window_proc(hwnd, message, wParam, lParam);
    const std::uint32_t type = type_of(hwnd);
    switch (message) {
    case WM_NCCREATE: {
        s = detail::attach_control_state<StaticState>(hwnd);
        auto* cs = reinterpret_cast<const CREATESTRUCT*>(lParam);
        if (cs && (type == SS_ICON || type == SS_BITMAP)) {
            load_named_image(hwnd, s, cs->lpszName, type);
            // The name is not a caption: the window keeps no text.
            CREATESTRUCT copy = *cs;
            copy.lpszName = nullptr;
            return def_window_proc(hwnd, message, wParam, reinterpret_cast<LPARAM>(&copy));
        }
        return def_window_proc(hwnd, message, wParam, lParam);
    }
    case WM_NCDESTROY:
        drop_image(s);
        detail::detach_control_state<StaticState>(hwnd);
        return def_window_proc(hwnd, message, wParam, lParam);

    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case WM_SETTEXT:
        if (type == SS_ICON || type == SS_BITMAP) {
            load_named_image(hwnd, s, reinterpret_cast<const char*>(lParam), type);
            detail::repaint_control(hwnd);
            return 1;
        } else {
            const LRESULT r = def_window_proc(hwnd, message, wParam, lParam);
            detail::repaint_control(hwnd);
            return r;
        }
    case STM_SETIMAGE:
        return set_image(hwnd, s, static_cast<UINT>(wParam), static_cast<HGDIOBJ>(lParam));
    case STM_GETIMAGE:
        return static_cast<UINT>(wParam) == s->image_type ? static_cast<LRESULT>(s->image) : 0;
    case STM_SETICON:
        return set_image(hwnd, s, IMAGE_ICON, static_cast<HGDIOBJ>(wParam));
    case STM_GETICON:
        return s->image_type == IMAGE_ICON ? static_cast<LRESULT>(s->image) : 0;

    case WM_LBUTTONDOWN:
        if (get_window_long(hwnd, GWL_STYLE) & SS_NOTIFY) detail::notify_parent(hwnd, STN_CLICKED);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (get_window_long(hwnd, GWL_STYLE) & SS_NOTIFY) detail::notify_parent(hwnd, STN_DBLCLK);
        return 0;
    case WM_ENABLE:
        if (get_window_long(hwnd, GWL_STYLE) & SS_NOTIFY) detail::notify_parent(hwnd, wParam ? STN_ENABLE : STN_DISABLE);
        detail::repaint_control(hwnd);
        return 0;
    case WM_SETFONT:
        s->font = static_cast<HFONT>(wParam);
        if (lParam) detail::repaint_control(hwnd);
        return 0;
    case WM_GETFONT:
        return static_cast<LRESULT>(s->font);
    case WM_PAINT:
        detail::paint_static(hwnd, *s);
        return 0;
    case WM_PRINTCLIENT:
        detail::draw_static(hwnd, static_cast<HDC>(wParam), *s);
        return 0;
    case WM_ERASEBKGND:
        return 1;  // painting covers the whole control
    default:
        return def_window_proc(hwnd, message, wParam, lParam);
    }
}

}  // namespace

WNDPROC detail::static_window_proc() { return static_proc; }

}  // namespace platform

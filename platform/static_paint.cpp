// How a STATIC looks: text as draw_text lays it out, pictures at the top-left,
// filled and framed rectangles in the system colours, etched lines.

#include "platform/gdi.h"
#include "platform/resources.h"
#include "platform/standard_controls_internal.h"

namespace platform::detail {

namespace {

std::uint32_t text_format(std::uint32_t style) {
    std::uint32_t format = DT_EXPANDTABS;
    switch (style & SS_TYPEMASK) {
    case SS_CENTER: format |= DT_CENTER | DT_WORDBREAK; break;
    case SS_RIGHT: format |= DT_RIGHT | DT_WORDBREAK; break;
    case SS_SIMPLE: format = DT_LEFT | DT_SINGLELINE; break;
    case SS_LEFTNOWORDWRAP: format |= DT_LEFT; break;
    default: format |= DT_LEFT | DT_WORDBREAK; break;
    }
    if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
    return format;
}

void draw_picture(HDC hdc, const StaticState& s) {
    if (!s.image) return;
    if (s.image_type == IMAGE_ICON) {
        draw_icon(hdc, 0, 0, s.image);
        return;
    }
    BITMAP bm;
    if (!get_object(s.image, sizeof bm, &bm)) return;
    HDC mem = create_compatible_dc(hdc);
    const HGDIOBJ old = select_object(mem, s.image);
    bit_blt(hdc, 0, 0, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
    select_object(mem, old);
    delete_dc(mem);
}

}  // namespace

void draw_static(HWND hwnd, HDC hdc, const StaticState& s) {
    RECT rc;
    get_client_rect(hwnd, &rc);
    const auto style = static_cast<std::uint32_t>(get_window_long(hwnd, GWL_STYLE));
    const std::uint32_t type = style & SS_TYPEMASK;
    const int saved = save_dc(hdc);
    switch (type) {
    case SS_BLACKRECT: fill_rect(hdc, rc, get_sys_color_brush(COLOR_WINDOWFRAME)); break;
    case SS_GRAYRECT: fill_rect(hdc, rc, get_sys_color_brush(COLOR_BTNSHADOW)); break;
    case SS_WHITERECT: fill_rect(hdc, rc, get_sys_color_brush(COLOR_WINDOW)); break;
    case SS_BLACKFRAME: frame_rect(hdc, rc, get_sys_color_brush(COLOR_WINDOWFRAME)); break;
    case SS_GRAYFRAME: frame_rect(hdc, rc, get_sys_color_brush(COLOR_BTNSHADOW)); break;
    case SS_WHITEFRAME: frame_rect(hdc, rc, get_sys_color_brush(COLOR_WINDOW)); break;
    case SS_ETCHEDFRAME: draw_edge(hdc, &rc, EDGE_ETCHED, BF_RECT); break;
    case SS_ETCHEDHORZ: draw_edge(hdc, &rc, EDGE_ETCHED, BF_TOP); break;
    case SS_ETCHEDVERT: draw_edge(hdc, &rc, EDGE_ETCHED, BF_LEFT); break;
    case SS_OWNERDRAW: break;
    case SS_ICON:
    case SS_BITMAP:
        fill_rect(hdc, rc, control_colors(hwnd, hdc, WM_CTLCOLORSTATIC));
        draw_picture(hdc, s);
        break;
    default: {
        // Text: the parent's WM_CTLCOLORSTATIC brush and DC colours, gray when disabled.
        const HBRUSH back = control_colors(hwnd, hdc, WM_CTLCOLORSTATIC);
        if (type != SS_SIMPLE || back) fill_rect(hdc, rc, back);
        if (!is_window_enabled(hwnd)) set_text_color(hdc, get_sys_color(COLOR_GRAYTEXT));
        select_control_font(hdc, s.font);
        RECT text_rect = rc;
        draw_text(hdc, window_text(hwnd), &text_rect, text_format(style));
        break;
    }
    }
    if (style & SS_SUNKEN) {
        RECT edge = rc;
        draw_edge(hdc, &edge, BDR_SUNKENOUTER, BF_RECT);
    }
    restore_dc(hdc, saved);
}

HGDIOBJ load_control_image(Handle instance, const char* name, UINT image_type) {
    auto image = load_image_resource(instance, ResourceName(name), image_type);
    if (!image) return 0;
    return image_type == IMAGE_ICON ? static_cast<HGDIOBJ>(create_icon_from_image(*image))
                                    : static_cast<HGDIOBJ>(create_bitmap_from_image(*image));
}

void delete_control_image(HGDIOBJ image, UINT image_type) {
    if (image_type == IMAGE_ICON)
        destroy_icon(image);
    else
        delete_object(image);
}

}  // namespace platform::detail

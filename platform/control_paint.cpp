// How the controls reach the drawing layer and the window layer's painting:
// fonts and their measures, system colours, and the scroll bar they share.
#include <memory>

#include "platform/controls_internal.h"
#include "platform/gdi.h"
#include "platform/paint.h"

namespace platform::controls {
namespace {

// A memory DC for measuring text, one per thread (controls live on one).
HDC measuring_dc() {
    struct Owner {
        HDC dc = create_compatible_dc(0);
        ~Owner() {
            if (dc) delete_dc(dc);
        }
    };
    thread_local Owner owner;
    return owner.dc;
}

}  // namespace

HFONT control_font(HFONT font) { return font ? font : static_cast<HFONT>(get_stock_object(DEFAULT_GUI_FONT)); }

COLORREF color_or(COLORREF color, int system_color) {
    return color == CLR_DEFAULT || color == CLR_NONE ? get_sys_color(system_color) : color;
}

void fill_solid(HDC dc, const RECT& rect, COLORREF color) {
    HBRUSH brush = create_solid_brush(color);
    fill_rect(dc, rect, brush);
    delete_object(brush);
}

int font_height(HFONT font) {
    HDC dc = measuring_dc();
    HGDIOBJ old = select_object(dc, control_font(font));
    TEXTMETRIC tm;
    get_text_metrics(dc, &tm);
    select_object(dc, old);
    return tm.tmHeight > 0 ? tm.tmHeight : 13;
}

int text_width(HFONT font, std::string_view text) {
    if (text.empty()) return 0;
    HDC dc = measuring_dc();
    HGDIOBJ old = select_object(dc, control_font(font));
    SIZE size;
    get_text_extent_point32(dc, text, &size);
    select_object(dc, old);
    return size.cx;
}

void draw_scroll_bar(HDC dc, const RECT& client, const VerticalScroll& scroll) {
    if (!scroll.needed()) return;
    ScrollBarLayout l = scroll_bar_layout(client, scroll);
    fill_solid(dc, l.bar, get_sys_color(COLOR_SCROLLBAR));
    HBRUSH text = get_sys_color_brush(COLOR_BTNTEXT);
    HGDIOBJ old_brush = select_object(dc, text);
    HGDIOBJ old_pen = select_object(dc, get_stock_object(NULL_PEN));
    for (int up = 1; up >= 0; --up) {
        RECT r = up ? l.up : l.down;
        draw_edge(dc, &r, EDGE_RAISED, BF_RECT | BF_MIDDLE);
        int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
        POINT tip{cx, up ? cy - 2 : cy + 2};
        POINT a{cx - 4, up ? cy + 2 : cy - 2}, b{cx + 4, up ? cy + 2 : cy - 2};
        POINT triangle[3] = {tip, a, b};
        polygon(dc, triangle, 3);
    }
    select_object(dc, old_pen);
    select_object(dc, old_brush);
    RECT thumb = l.thumb;
    if (thumb.bottom > thumb.top) draw_edge(dc, &thumb, EDGE_RAISED, BF_RECT | BF_MIDDLE);
}

void invalidate_control(HWND hwnd) { invalidate_rect(hwnd, nullptr, false); }

HDC begin_control_paint(HWND hwnd, void** token) {
    auto ps = std::make_unique<PAINTSTRUCT>();
    HDC dc = begin_paint(hwnd, ps.get());
    *token = ps.release();
    return dc;
}

void end_control_paint(HWND hwnd, void* token) {
    std::unique_ptr<PAINTSTRUCT> ps(static_cast<PAINTSTRUCT*>(token));
    if (ps) end_paint(hwnd, ps.get());
}

}  // namespace platform::controls

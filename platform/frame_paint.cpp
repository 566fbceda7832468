// Drawing a window's frame in the classic look: raised bevels for dialog
// and sizing frames, a black line for WS_BORDER, sunken client edges, and
// the caption bar (a gradient from the caption colour to its gradient
// colour, the small icon, the title in bold, the close box).
#include <algorithm>
#include <mutex>
#include <string>

#include "platform/gdi.h"
#include "platform/paint.h"
#include "platform/paint_internal.h"
#include "platform/window_objects.h"
#include "platform/window_place.h"

namespace platform::detail {

using namespace window_objects;

namespace {

// The caption font: 8-point bold of the dialog face, made once.
HFONT caption_font() {
    static const HFONT font = create_font(-11, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
    return font;
}

void fill(HDC hdc, const RECT& r, COLORREF color) {
    const HBRUSH b = create_solid_brush(color);
    fill_rect(hdc, r, b);
    delete_object(b);
}

COLORREF blend(COLORREF a, COLORREF b, int num, int den) {
    auto mix = [&](int x, int y) { return static_cast<std::uint8_t>(x + (y - x) * num / std::max(den, 1)); };
    return rgb(mix(get_r_value(a), get_r_value(b)), mix(get_g_value(a), get_g_value(b)), mix(get_b_value(a), get_b_value(b)));
}

// The close box's cross, 8 x 7 pixels, two pixels thick.
void draw_cross(HDC hdc, int x0, int y0, COLORREF color) {
    for (int i = 0; i < 7; ++i) {
        set_pixel_v(hdc, x0 + i, y0 + i, color);
        set_pixel_v(hdc, x0 + i + 1, y0 + i, color);
        set_pixel_v(hdc, x0 + 6 - i, y0 + i, color);
        set_pixel_v(hdc, x0 + 7 - i, y0 + i, color);
    }
}

}  // namespace

void paint_frame(HWND hwnd) {
    FrameLayout f;
    RECT client, whole;
    std::uint32_t style = 0, ex_style = 0;
    bool active = false, pressed = false;
    HICON icon = 0;
    std::string title;
    {
        std::lock_guard guard(state().lock);
        Window* w = find_locked(hwnd);
        if (!w) return;
        f = frame_layout_locked(*w);
        client = w->client;
        whole = RECT{0, 0, w->cx, w->cy};
        style = w->style;
        ex_style = w->ex_style;
        auto it = state().active.find(w->tid);
        active = it != state().active.end() && it->second == hwnd;
        pressed = w->close_pressed;
        icon = w->icon_small ? w->icon_small : w->icon_big ? w->icon_big : static_cast<HICON>(w->cls->info.hIcon);
        title = w->text;
    }
    if (client.left == 0 && client.top == 0 && client.right == whole.right && client.bottom == whole.bottom) return;
    const HDC hdc = get_window_dc(hwnd);
    if (!hdc) return;
    exclude_clip_rect(hdc, client.left, client.top, client.right, client.bottom);

    RECT r = whole;
    if ((style & (WS_THICKFRAME | WS_DLGFRAME)) || (ex_style & WS_EX_DLGMODALFRAME)) {
        draw_edge(hdc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
        fill(hdc, r, get_sys_color((style & WS_THICKFRAME) ? COLOR_ACTIVEBORDER : COLOR_3DFACE));
        const int rest = f.edge - 2 - ((ex_style & WS_EX_CLIENTEDGE) ? 2 : 0) - ((ex_style & WS_EX_STATICEDGE) ? 1 : 0);
        r = RECT{r.left + rest, r.top + rest, r.right - rest, r.bottom - rest};
    } else if (style & WS_BORDER) {
        frame_rect(hdc, r, get_sys_color_brush(COLOR_WINDOWFRAME));
        r = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    }
    if (f.has_caption) {
        const RECT& c = f.caption;
        const COLORREF from = get_sys_color(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
        const COLORREF to = get_sys_color(active ? COLOR_GRADIENTACTIVECAPTION : COLOR_GRADIENTINACTIVECAPTION);
        const int width = c.right - c.left;
        for (int x = 0; x < width; ++x) fill(hdc, RECT{c.left + x, c.top, c.left + x + 1, c.bottom}, blend(from, to, x, width - 1));
        fill(hdc, RECT{c.left, c.bottom, c.right, c.bottom + 1}, get_sys_color(COLOR_3DFACE));
        int text_left = c.left + 2;
        if (f.has_close && icon) {
            draw_icon_ex(hdc, f.icon.left, f.icon.top, icon, 16, 16, 0, 0, DI_NORMAL);
            text_left = f.icon.right + 2;
        }
        const HGDIOBJ old_font = select_object(hdc, caption_font());
        set_bk_mode(hdc, TRANSPARENT);
        set_text_color(hdc, get_sys_color(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
        RECT text{text_left, c.top, f.has_close ? f.close.left - 2 : c.right - 2, c.bottom};
        draw_text(hdc, title, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        select_object(hdc, old_font);
        if (f.has_close) {
            RECT box = f.close;
            draw_edge(hdc, &box, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
            const int x0 = f.close.left + (f.close.right - f.close.left - 8) / 2 + (pressed ? 1 : 0);
            const int y0 = f.close.top + (f.close.bottom - f.close.top - 7) / 2 + (pressed ? 1 : 0);
            if (close_command_enabled(hwnd)) {
                draw_cross(hdc, x0, y0, get_sys_color(COLOR_BTNTEXT));
            } else {
                draw_cross(hdc, x0 + 1, y0 + 1, get_sys_color(COLOR_BTNHIGHLIGHT));
                draw_cross(hdc, x0, y0, get_sys_color(COLOR_BTNSHADOW));
            }
        }
    }
    if (ex_style & WS_EX_CLIENTEDGE) {
        RECT e{client.left - 2, client.top - 2, client.right + 2, client.bottom + 2};
        draw_edge(hdc, &e, EDGE_SUNKEN, BF_RECT);
    } else if (ex_style & WS_EX_STATICEDGE) {
        RECT e{client.left - 1, client.top - 1, client.right + 1, client.bottom + 1};
        draw_edge(hdc, &e, BDR_SUNKENOUTER, BF_RECT);
    }
    release_dc(hwnd, hdc);
}

}  // namespace platform::detail

// Classic bevels, focus rectangles and button frames (DrawEdge,
// DrawFocusRect, DrawFrameControl), in the system colours.
//
// A bevel is up to two one-pixel rings, the outer first. Each ring paints its
// top and left sides in one colour and its bottom and right sides in another;
// the bottom and right sides own the bottom-left and top-right corners, so a
// raised button shows its dark shadow in those corners, as Windows draws it.
#include <algorithm>
#include <cmath>

#include "platform/gdi_internal.h"

namespace platform {

using namespace gdi;

namespace {

struct RingColors {
    int top_left;
    int bottom_right;
};

void fill_solid(Dc& dc, Canvas& canvas, const std::vector<RECT>& clip, RECT r, COLORREF color) {
    Brush brush;
    brush.log.lbStyle = BS_SOLID;
    brush.log.lbColor = color;
    fill_canvas_rect(dc, canvas, clip, r, &brush, 0xF0);
}

// One ring inside r (canvas coordinates), the sides that `flags` names.
void draw_ring(Dc& dc, Canvas& canvas, const std::vector<RECT>& clip, const RECT& r, std::uint32_t flags,
               COLORREF top_left, COLORREF bottom_right) {
    if (rect_empty(r)) return;
    if (flags & BF_TOP) fill_solid(dc, canvas, clip, RECT{r.left, r.top, r.right - 1, r.top + 1}, top_left);
    if (flags & BF_LEFT) fill_solid(dc, canvas, clip, RECT{r.left, r.top, r.left + 1, r.bottom - 1}, top_left);
    if (flags & BF_BOTTOM) fill_solid(dc, canvas, clip, RECT{r.left, r.bottom - 1, r.right, r.bottom}, bottom_right);
    if (flags & BF_RIGHT) fill_solid(dc, canvas, clip, RECT{r.right - 1, r.top, r.right, r.bottom}, bottom_right);
}

RECT shrink(RECT r, std::uint32_t flags) {
    if (flags & BF_LEFT) ++r.left;
    if (flags & BF_TOP) ++r.top;
    if (flags & BF_RIGHT) --r.right;
    if (flags & BF_BOTTOM) --r.bottom;
    return r;
}

RECT to_canvas(const Dc& dc, const RECT& r) {
    return RECT{dc.to_canvas_x(r.left), dc.to_canvas_y(r.top), dc.to_canvas_x(r.right), dc.to_canvas_y(r.bottom)};
}

}  // namespace

BOOL draw_edge(HDC hdc, RECT* rect, std::uint32_t edge, std::uint32_t flags) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    if (!rect) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Canvas canvas = dc->canvas();
    auto clip = dc->clip_rects();
    RECT r = to_canvas(*dc, *rect);
    RECT logical = *rect;
    std::uint32_t outer = edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER);
    std::uint32_t inner = edge & (BDR_RAISEDINNER | BDR_SUNKENINNER);

    std::optional<RingColors> outer_ring, inner_ring;
    if (flags & BF_MONO) {
        if (outer) outer_ring = RingColors{COLOR_WINDOWFRAME, COLOR_WINDOWFRAME};
        if (inner) inner_ring = RingColors{COLOR_WINDOW, COLOR_WINDOW};
    } else if (flags & BF_FLAT) {
        if (outer) outer_ring = RingColors{COLOR_3DSHADOW, COLOR_3DSHADOW};
        if (inner) inner_ring = RingColors{COLOR_3DFACE, COLOR_3DFACE};
    } else {
        if (outer == BDR_RAISEDOUTER) outer_ring = RingColors{COLOR_3DLIGHT, COLOR_3DDKSHADOW};
        else if (outer == BDR_SUNKENOUTER) outer_ring = RingColors{COLOR_3DSHADOW, COLOR_3DHILIGHT};
        if (inner == BDR_RAISEDINNER) inner_ring = RingColors{COLOR_3DHILIGHT, COLOR_3DSHADOW};
        else if (inner == BDR_SUNKENINNER) inner_ring = RingColors{COLOR_3DDKSHADOW, COLOR_3DLIGHT};
        // Soft bevels put the stronger top-left colour outside.
        if ((flags & BF_SOFT) && outer_ring && inner_ring) std::swap(outer_ring->top_left, inner_ring->top_left);
    }
    for (const auto& ring : {outer_ring, inner_ring}) {
        if (!ring) continue;
        draw_ring(*dc, canvas, clip, r, flags, get_sys_color(ring->top_left), get_sys_color(ring->bottom_right));
        r = shrink(r, flags);
        logical = shrink(logical, flags);
    }
    if (flags & BF_MIDDLE)
        fill_solid(*dc, canvas, clip, r, get_sys_color((flags & BF_MONO) ? COLOR_WINDOW : COLOR_3DFACE));
    if (flags & BF_ADJUST) *rect = logical;
    return 1;
}

BOOL draw_focus_rect(HDC hdc, const RECT& rect) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    Canvas canvas = dc->canvas();
    auto clip = dc->clip_rects();
    RECT r = to_canvas(*dc, rect);
    if (rect_empty(r)) return 1;
    bool changed = false;
    // Every other pixel of the border, by device coordinates, is inverted;
    // each border pixel is visited once so that a second call undoes the first.
    auto invert = [&](int x, int y) {
        if (((dc->device_x(x) + dc->device_y(y)) & 1) != 0) return;
        if (!in_clip(clip, x, y)) return;
        canvas.store(x, y, canvas.read(x, y) ^ 0xFFFFFF);
        changed = true;
    };
    for (int x = r.left; x < r.right; ++x) {
        invert(x, r.top);
        if (r.bottom - 1 > r.top) invert(x, r.bottom - 1);
    }
    for (int y = r.top + 1; y < r.bottom - 1; ++y) {
        invert(r.left, y);
        if (r.right - 1 > r.left) invert(r.right - 1, y);
    }
    if (changed) dc->touched();
    return 1;
}

namespace {

// The check mark of a classic check box, 7 x 7, drawn at the box's inside.
constexpr const char* kCheckMark[7] = {
    "......#", ".....##", "#...###", "##.###.", "#####..", ".###...", "..#....",
};

void draw_check_box(Dc& dc, Canvas& canvas, const std::vector<RECT>& clip, RECT box, std::uint32_t state) {
    RECT logical{dc.device_x(box.left) - dc.state.viewport_org.x + dc.state.window_org.x,
                 dc.device_y(box.top) - dc.state.viewport_org.y + dc.state.window_org.y, 0, 0};
    logical.right = logical.left + (box.right - box.left);
    logical.bottom = logical.top + (box.bottom - box.top);
    draw_edge(dc.handle, &logical, EDGE_SUNKEN, BF_RECT | ((state & DFCS_FLAT) ? BF_FLAT : 0) |
                                                     ((state & DFCS_MONO) ? BF_MONO : 0));
    RECT inside{box.left + 2, box.top + 2, box.right - 2, box.bottom - 2};
    bool grey = (state & (DFCS_INACTIVE | DFCS_PUSHED)) != 0;
    fill_solid(dc, canvas, clip, inside, get_sys_color(grey ? COLOR_3DFACE : COLOR_WINDOW));
    if (!(state & DFCS_CHECKED)) return;
    COLORREF mark = get_sys_color((state & DFCS_INACTIVE) ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT);
    int ox = inside.left + (inside.right - inside.left - 7) / 2;
    int oy = inside.top + (inside.bottom - inside.top - 7) / 2;
    for (int j = 0; j < 7; ++j)
        for (int i = 0; i < 7; ++i)
            if (kCheckMark[j][i] == '#') fill_solid(dc, canvas, clip, RECT{ox + i, oy + j, ox + i + 1, oy + j + 1}, mark);
}

void draw_radio(Dc& dc, Canvas& canvas, const std::vector<RECT>& clip, RECT box, std::uint32_t state) {
    int size = box.right - box.left;
    double c = size / 2.0;
    bool grey = (state & (DFCS_INACTIVE | DFCS_PUSHED)) != 0;
    // Rings by distance from the centre: outer (shadow / highlight), inner
    // (dark shadow / light), then the inside and the dot.
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double dx = x + 0.5 - c, dy = y + 0.5 - c, d = std::sqrt(dx * dx + dy * dy);
            if (d > c) continue;
            bool upper_left = dx + dy < 0;
            int color;
            if (d > c - 1) color = upper_left ? COLOR_3DSHADOW : COLOR_3DHILIGHT;
            else if (d > c - 2) color = upper_left ? COLOR_3DDKSHADOW : COLOR_3DLIGHT;
            else if ((state & DFCS_CHECKED) && d <= std::max(1.5, c / 3))
                color = (state & DFCS_INACTIVE) ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT;
            else color = grey ? COLOR_3DFACE : COLOR_WINDOW;
            fill_solid(dc, canvas, clip, RECT{box.left + x, box.top + y, box.left + x + 1, box.top + y + 1},
                       get_sys_color(color));
        }
    }
}

}  // namespace

BOOL draw_frame_control(HDC hdc, RECT* rect, std::uint32_t type, std::uint32_t state) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    if (!rect || type != DFC_BUTTON) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Canvas canvas = dc->canvas();
    auto clip = dc->clip_rects();
    if (state & DFCS_BUTTONPUSH) {
        RECT r = *rect;
        if (state & DFCS_PUSHED) {
            // A pressed button: a dark frame around a flat shadow, as the
            // classic scheme shows it.
            draw_edge(hdc, &r, BDR_SUNKENOUTER, BF_RECT | BF_FLAT | BF_MIDDLE | BF_ADJUST);
        } else {
            draw_edge(hdc, &r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_SOFT |
                                                 ((state & DFCS_FLAT) ? BF_FLAT : 0) |
                                                 ((state & DFCS_MONO) ? BF_MONO : 0));
        }
        return 1;
    }
    // Check boxes and radio buttons are square, centred in the rectangle.
    RECT r = to_canvas(*dc, *rect);
    int size = std::min(r.right - r.left, r.bottom - r.top);
    if (size <= 0) return 1;
    RECT box{r.left + (r.right - r.left - size) / 2, r.top + (r.bottom - r.top - size) / 2, 0, 0};
    box.right = box.left + size;
    box.bottom = box.top + size;
    if ((state & 0x000F) == DFCS_BUTTONRADIO) draw_radio(*dc, canvas, clip, box, state);
    else draw_check_box(*dc, canvas, clip, box, state);
    return 1;
}

}  // namespace platform

// Lines, rectangles, polygons, ellipses, pixels and pattern fills, to the
// pixel as GDI draws them.
//
// Everything works in canvas coordinates and pixel order (0x00RRGGBB): the
// entry points turn logical coordinates and COLORREFs into those once.
// Lines are Bresenham lines without their end point; a styled cosmetic pen
// draws its gaps in the background colour when the background mode is
// OPAQUE, as GDI does, and leaves them alone when TRANSPARENT.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/gdi_internal.h"

namespace platform {
namespace gdi {

std::uint32_t rop2_apply(int rop2, std::uint32_t p, std::uint32_t d) {
    // R2 codes minus one are truth tables over (pen, destination).
    unsigned t = static_cast<unsigned>(rop2 - 1) & 0x0F;
    std::uint32_t r = 0;
    if (t & 1) r |= ~p & ~d;
    if (t & 2) r |= ~p & d;
    if (t & 4) r |= p & ~d;
    if (t & 8) r |= p & d;
    return r & 0xFFFFFF;
}

std::uint32_t rop3_apply(std::uint8_t t, std::uint32_t p, std::uint32_t s, std::uint32_t d) {
    switch (t) {  // the common ones without the general sum
    case 0xCC: return s & 0xFFFFFF;
    case 0xF0: return p & 0xFFFFFF;
    case 0x00: return 0;
    case 0xFF: return 0xFFFFFF;
    default: break;
    }
    std::uint32_t r = 0;
    for (unsigned i = 0; i < 8; ++i) {
        if (!(t & (1u << i))) continue;
        std::uint32_t term = ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
        r |= term;
    }
    return r & 0xFFFFFF;
}

namespace {

// Hatch patterns, one byte per row, bit 7 = left pixel.
constexpr std::uint8_t kHatches[6][8] = {
    {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00},  // HS_HORIZONTAL
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // HS_VERTICAL
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // HS_FDIAGONAL
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // HS_BDIAGONAL
    {0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08, 0x08},  // HS_CROSS
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // HS_DIAGCROSS
};

int mod8(int v) { return ((v % 8) + 8) % 8; }

}  // namespace

std::optional<std::uint32_t> brush_pixel(const Dc& dc, const Canvas& canvas, const Brush& brush, int x, int y) {
    switch (brush.log.lbStyle) {
    case BS_SOLID: return canvas.map(to_pixel(brush.log.lbColor));
    case BS_HATCHED: {
        int px = mod8(dc.device_x(x) - dc.state.brush_org.x), py = mod8(dc.device_y(y) - dc.state.brush_org.y);
        bool line = (kHatches[brush.log.lbHatch % 6][py] >> (7 - px)) & 1;
        if (line) return canvas.map(to_pixel(brush.log.lbColor));
        if (dc.state.bk_mode == OPAQUE) return canvas.map(to_pixel(dc.state.bk_color));
        return std::nullopt;
    }
    case BS_PATTERN: {
        int px = mod8(dc.device_x(x) - dc.state.brush_org.x), py = mod8(dc.device_y(y) - dc.state.brush_org.y);
        std::uint32_t v = brush.pattern[static_cast<std::size_t>(py * 8 + px)];
        if (brush.mono_pattern && canvas.bpp != 1)
            return canvas.map(to_pixel(v ? dc.state.bk_color : dc.state.text_color));
        return canvas.map(v);
    }
    default: return std::nullopt;
    }
}

namespace {

// Calls f(x0, x1, y) for each clipped row piece of r.
template <class F>
void for_each_span(const std::vector<RECT>& clip, const RECT& r, F f) {
    for (const RECT& c : clip) {
        RECT i = intersect(r, c);
        if (rect_empty(i)) continue;
        for (int y = i.top; y < i.bottom; ++y) f(i.left, i.right, y);
    }
}

}  // namespace

void fill_canvas_rect(Dc& dc, Canvas& canvas, const std::vector<RECT>& clip, RECT r, const Brush* brush,
                      std::uint8_t rop3) {
    bool uses_pattern = rop3_uses_pattern(rop3);
    if (uses_pattern && (!brush || brush->log.lbStyle == BS_NULL)) return;
    bool solid_copy = rop3 == 0xF0 && brush->log.lbStyle == BS_SOLID && canvas.bpp != 8;
    std::uint32_t solid = solid_copy ? canvas.map(to_pixel(brush->log.lbColor)) : 0;
    bool changed = false;
    for_each_span(clip, r, [&](int x0, int x1, int y) {
        changed = true;
        if (solid_copy) {
            std::fill(canvas.pixels + static_cast<std::size_t>(y) * canvas.width + x0,
                      canvas.pixels + static_cast<std::size_t>(y) * canvas.width + x1, solid);
            return;
        }
        for (int x = x0; x < x1; ++x) {
            std::uint32_t p = 0;
            if (uses_pattern) {
                auto bp = brush_pixel(dc, canvas, *brush, x, y);
                if (!bp) continue;
                p = *bp;
            }
            canvas.store(x, y, rop3_apply(rop3, p, 0, canvas.read(x, y)));
        }
    });
    if (changed) dc.touched();
}

void fill_canvas_rect_rop2(Dc& dc, Canvas& canvas, const std::vector<RECT>& clip, RECT r, const Brush& brush,
                           int rop2) {
    if (brush.log.lbStyle == BS_NULL) return;
    if (rop2 == R2_COPYPEN) {
        fill_canvas_rect(dc, canvas, clip, r, &brush, 0xF0);
        return;
    }
    bool changed = false;
    for_each_span(clip, r, [&](int x0, int x1, int y) {
        for (int x = x0; x < x1; ++x) {
            auto bp = brush_pixel(dc, canvas, brush, x, y);
            if (!bp) continue;
            canvas.store(x, y, rop2_apply(rop2, *bp, canvas.read(x, y)));
            changed = true;
        }
    });
    if (changed) dc.touched();
}

std::shared_ptr<Brush> brush_from_handle(HBRUSH brush) {
    if (brush > 0 && brush <= COLOR_GRADIENTINACTIVECAPTION + 1) brush = get_sys_color_brush(static_cast<int>(brush) - 1);
    return lookup_as<Brush>(brush);
}

}  // namespace gdi

using namespace gdi;

namespace {

// Draws pen pixels with the DC's binary raster operation, following the
// pen's style along the line.
class PenPlotter {
public:
    PenPlotter(Dc& dc, Canvas& canvas, const std::vector<RECT>& clip)
        : dc_(dc), canvas_(canvas), clip_(clip), pen_(*dc.state.pen) {
        color_ = canvas.map(to_pixel(pen_.log.lopnColor));
        bk_ = canvas.map(to_pixel(dc.state.bk_color));
        switch (pen_.style()) {
        case PS_DOT: dashes_ = {1, 1}; break;
        case PS_DASH: dashes_ = {18, 6}; break;
        case PS_DASHDOT: dashes_ = {9, 6, 3, 6}; break;
        case PS_DASHDOTDOT: dashes_ = {9, 3, 3, 3, 3, 3}; break;
        default: break;
        }
        width_ = (pen_.style() == PS_SOLID || pen_.style() == PS_INSIDEFRAME) ? pen_.width() : 1;
    }

    bool null() const { return pen_.style() == PS_NULL; }
    bool changed() const { return changed_; }

    // One step along a line: draws the pixel as the style says.
    void step(int x, int y) {
        bool on = true;
        if (!dashes_.empty()) {
            int total = 0;
            for (int d : dashes_) total += d;
            int pos = position_ % total, i = 0;
            while (pos >= dashes_[static_cast<std::size_t>(i)]) pos -= dashes_[static_cast<std::size_t>(i++)];
            on = (i % 2) == 0;
            ++position_;
        }
        if (on) {
            stamp(x, y, color_);
        } else if (dc_.state.bk_mode == OPAQUE) {
            plot(x, y, bk_);
        }
    }

    void plot(int x, int y, std::uint32_t color) {
        if (x < 0 || y < 0 || x >= canvas_.width || y >= canvas_.height || !in_clip(clip_, x, y)) return;
        canvas_.store(x, y, rop2_apply(dc_.state.rop2, color, canvas_.read(x, y)));
        changed_ = true;
    }

private:
    void stamp(int x, int y, std::uint32_t color) {
        if (width_ <= 1) {
            plot(x, y, color);
            return;
        }
        int half = width_ / 2;
        for (int j = 0; j < width_; ++j)
            for (int i = 0; i < width_; ++i) plot(x - half + i, y - half + j, color);
    }

    Dc& dc_;
    Canvas& canvas_;
    const std::vector<RECT>& clip_;
    const Pen& pen_;
    std::uint32_t color_ = 0;
    std::uint32_t bk_ = 0;
    std::vector<int> dashes_;
    int width_ = 1;
    long position_ = 0;
    bool changed_ = false;
};

// Bresenham from (x0, y0) towards (x1, y1), the end point left out.
template <class F>
void bresenham(int x0, int y0, int x1, int y1, F step) {
    int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    if (dx >= dy) {
        int err = 2 * dy - dx;
        for (int i = 0; i < dx; ++i) {
            step(x0, y0);
            if (err > 0 || (err == 0 && sx < 0)) {
                y0 += sy;
                err -= 2 * dx;
            }
            err += 2 * dy;
            x0 += sx;
        }
    } else {
        int err = 2 * dx - dy;
        for (int i = 0; i < dy; ++i) {
            step(x0, y0);
            if (err > 0 || (err == 0 && sy < 0)) {
                x0 += sx;
                err -= 2 * dy;
            }
            err += 2 * dx;
            y0 += sy;
        }
    }
}

// Lines far longer than any canvas are first cut to the canvas's
// neighbourhood (Liang-Barsky), so a stray coordinate cannot make a drawing
// call walk millions of pixels; lines of ordinary length are drawn whole, so
// their pixels and dash phase are exact.
void canvas_line(PenPlotter& plotter, const Canvas& canvas, int x0, int y0, int x1, int y1) {
    constexpr long long kLong = 1 << 16;
    long long dx = static_cast<long long>(x1) - x0, dy = static_cast<long long>(y1) - y0;
    if (std::max(std::llabs(dx), std::llabs(dy)) > kLong) {
        double t0 = 0, t1 = 1;
        const double margin = 64;
        const double p[4] = {-static_cast<double>(dx), static_cast<double>(dx), -static_cast<double>(dy),
                             static_cast<double>(dy)};
        const double q[4] = {x0 + margin, canvas.width + margin - x0, y0 + margin, canvas.height + margin - y0};
        for (int i = 0; i < 4; ++i) {
            if (p[i] == 0) {
                if (q[i] < 0) return;
                continue;
            }
            double t = q[i] / p[i];
            if (p[i] < 0) t0 = std::max(t0, t);
            else t1 = std::min(t1, t);
        }
        if (t0 > t1) return;
        int nx0 = static_cast<int>(std::lround(x0 + t0 * dx)), ny0 = static_cast<int>(std::lround(y0 + t0 * dy));
        if (t1 < 1) {
            // The end lies far outside: draw through the cut point.
            x1 = static_cast<int>(std::lround(x0 + t1 * dx)) + (dx > 0 ? 1 : dx < 0 ? -1 : 0);
            y1 = static_cast<int>(std::lround(y0 + t1 * dy)) + (dy > 0 ? 1 : dy < 0 ? -1 : 0);
        }
        x0 = nx0, y0 = ny0;
    }
    bresenham(x0, y0, x1, y1, [&](int x, int y) { plotter.step(x, y); });
}

}  // namespace

BOOL line_to(HDC hdc, int x, int y) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    Canvas canvas = dc->canvas();
    auto clip = dc->clip_rects();
    PenPlotter plotter(*dc, canvas, clip);
    if (!plotter.null())
        canvas_line(plotter, canvas, dc->to_canvas_x(dc->state.position.x), dc->to_canvas_y(dc->state.position.y),
                    dc->to_canvas_x(x), dc->to_canvas_y(y));
    dc->state.position = POINT{x, y};
    if (plotter.changed()) dc->touched();
    return 1;
}

BOOL polyline(HDC hdc, const POINT* points, int count) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    if (!points || count < 2) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Canvas canvas = dc->canvas();
    auto clip = dc->clip_rects();
    PenPlotter plotter(*dc, canvas, clip);
    if (!plotter.null())
        for (int i = 1; i < count; ++i)
            canvas_line(plotter, canvas, dc->to_canvas_x(points[i - 1].x), dc->to_canvas_y(points[i - 1].y),
                        dc->to_canvas_x(points[i].x), dc->to_canvas_y(points[i].y));
    if (plotter.changed()) dc->touched();
    return 1;
}

BOOL polygon(HDC hdc, const POINT* points, int count) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    if (!points || count < 2) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Canvas canvas = dc->canvas();
    auto clip = dc->clip_rects();
    std::vector<POINT> pts(static_cast<std::size_t>(count));
    int top = INT32_MAX, bottom = INT32_MIN;
    for (int i = 0; i < count; ++i) {
        pts[static_cast<std::size_t>(i)] = POINT{dc->to_canvas_x(points[i].x), dc->to_canvas_y(points[i].y)};
        top = std::min(top, pts[static_cast<std::size_t>(i)].y);
        bottom = std::max(bottom, pts[static_cast<std::size_t>(i)].y);
    }
    // The inside: pixel centres (x + 0.5, y + 0.5) inside the outline, by the
    // DC's fill mode.
    const Brush& brush = *dc->state.brush;
    if (brush.log.lbStyle != BS_NULL) {
        top = std::max(top, 0);
        bottom = std::min(bottom, canvas.height);
        struct Crossing {
            double x;
            int dir;
        };
        std::vector<Crossing> xs;
        for (int y = top; y < bottom; ++y) {
            double cy = y + 0.5;
            xs.clear();
            for (int i = 0; i < count; ++i) {
                POINT a = pts[static_cast<std::size_t>(i)], b = pts[static_cast<std::size_t>((i + 1) % count)];
                if (a.y == b.y) continue;
                int dir = a.y < b.y ? 1 : -1;
                if (a.y > b.y) std::swap(a, b);
                if (cy < a.y || cy >= b.y) continue;
                xs.push_back({a.x + (cy - a.y) * (b.x - a.x) / (b.y - a.y), dir});
            }
            std::sort(xs.begin(), xs.end(), [](const Crossing& l, const Crossing& r) { return l.x < r.x; });
            int winding = 0;
            for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
                winding += xs[i].dir;
                bool inside = dc->state.poly_fill_mode == WINDING ? winding != 0 : (i % 2) == 0;
                if (!inside) continue;
                // Pixels whose centre lies in [x_i, x_i+1).
                int x0 = static_cast<int>(std::ceil(xs[i].x - 0.5));
                int x1 = static_cast<int>(std::ceil(xs[i + 1].x - 0.5));
                if (x1 > x0) fill_canvas_rect_rop2(*dc, canvas, clip, RECT{x0, y, x1, y + 1}, brush, dc->state.rop2);
            }
        }
    }
    PenPlotter plotter(*dc, canvas, clip);
    if (!plotter.null()) {
        for (int i = 0; i < count; ++i) {
            POINT a = pts[static_cast<std::size_t>(i)], b = pts[static_cast<std::size_t>((i + 1) % count)];
            canvas_line(plotter, canvas, a.x, a.y, b.x, b.y);
        }
    }
    if (plotter.changed()) dc->touched();
    return 1;
}

BOOL rectangle(HDC hdc, int left, int top, int right, int bottom) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    Canvas canvas = dc->canvas();
    auto clip = dc->clip_rects();
    RECT r{dc->to_canvas_x(std::min(left, right)), dc->to_canvas_y(std::min(top, bottom)),
           dc->to_canvas_x(std::max(left, right)), dc->to_canvas_y(std::max(top, bottom))};
    const Pen& pen = *dc->state.pen;
    const Brush& brush = *dc->state.brush;
    if (pen.style() == PS_NULL) {
        // Without a pen the inside is one pixel smaller to the right and bottom.
        fill_canvas_rect_rop2(*dc, canvas, clip, RECT{r.left, r.top, r.right - 1, r.bottom - 1}, brush,
                              dc->state.rop2);
        return 1;
    }
    if (rect_empty(r)) return 1;
    int w = pen.width();
    bool styled = pen.style() >= PS_DASH && pen.style() <= PS_DASHDOTDOT;
    RECT outer = r, inner{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    if (w > 1 && !styled) {
        if (pen.style() == PS_INSIDEFRAME) {
            inner = RECT{r.left + w, r.top + w, r.right - w, r.bottom - w};
        } else {
            int half = w / 2;
            outer = RECT{r.left - half, r.top - half, r.right - 1 - half + w, r.bottom - 1 - half + w};
            inner = RECT{r.left - half + w, r.top - half + w, r.right - 1 - half, r.bottom - 1 - half};
        }
    }
    if (!rect_empty(inner)) fill_canvas_rect_rop2(*dc, canvas, clip, inner, brush, dc->state.rop2);
    PenPlotter plotter(*dc, canvas, clip);
    if (styled || w <= 1) {
        // The outline as GDI walks it: clockwise from the top-left corner.
        int l = r.left, t = r.top, rr = r.right - 1, bb = r.bottom - 1;
        if (rr == l || bb == t) {
            canvas_line(plotter, canvas, l, t, rr + 1, t);
            for (int y = t + 1; y <= bb; ++y) plotter.step(l, y);
        } else {
            canvas_line(plotter, canvas, l, t, rr, t);
            canvas_line(plotter, canvas, rr, t, rr, bb);
            canvas_line(plotter, canvas, rr, bb, l, bb);
            canvas_line(plotter, canvas, l, bb, l, t);
        }
    } else {
        std::uint32_t color = canvas.map(to_pixel(pen.log.lopnColor));
        std::vector<RECT> band = rect_empty(inner) ? std::vector<RECT>{outer} : rects_diff({outer}, {inner});
        for (RECT b : band) {
            b = intersect(b, RECT{0, 0, canvas.width, canvas.height});
            for (int y = b.top; y < b.bottom; ++y)
                for (int x = b.left; x < b.right; ++x) plotter.plot(x, y, color);
        }
    }
    if (plotter.changed()) dc->touched();
    return 1;
}

BOOL ellipse(HDC hdc, int left, int top, int right, int bottom) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    Canvas canvas = dc->canvas();
    auto clip = dc->clip_rects();
    RECT r{dc->to_canvas_x(std::min(left, right)), dc->to_canvas_y(std::min(top, bottom)),
           dc->to_canvas_x(std::max(left, right)), dc->to_canvas_y(std::max(top, bottom))};
    if (rect_empty(r)) return 1;
    double cx = (r.left + r.right) / 2.0, cy = (r.top + r.bottom) / 2.0;
    double rx = (r.right - r.left) / 2.0, ry = (r.bottom - r.top) / 2.0;
    auto inside = [&](int x, int y) {
        if (x < r.left || x >= r.right || y < r.top || y >= r.bottom) return false;
        double nx = (x + 0.5 - cx) / rx, ny = (y + 0.5 - cy) / ry;
        return nx * nx + ny * ny <= 1.0;
    };
    PenPlotter plotter(*dc, canvas, clip);
    std::uint32_t pen_color = canvas.map(to_pixel(dc->state.pen->log.lopnColor));
    const Brush& brush = *dc->state.brush;
    RECT seen = intersect(r, rects_box(clip));
    for (int y = seen.top; y < seen.bottom; ++y) {
        for (int x = seen.left; x < seen.right; ++x) {
            if (!inside(x, y)) continue;
            bool edge = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
            if (edge && !plotter.null()) {
                plotter.plot(x, y, pen_color);
            } else if (brush.log.lbStyle != BS_NULL) {
                fill_canvas_rect_rop2(*dc, canvas, clip, RECT{x, y, x + 1, y + 1}, brush, dc->state.rop2);
            }
        }
    }
    if (plotter.changed()) dc->touched();
    return 1;
}

int fill_rect(HDC hdc, const RECT& rect, HBRUSH brush) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    auto b = brush_from_handle(brush);
    if (!b) return 0;
    Canvas canvas = dc->canvas();
    RECT r{dc->to_canvas_x(rect.left), dc->to_canvas_y(rect.top), dc->to_canvas_x(rect.right),
           dc->to_canvas_y(rect.bottom)};
    fill_canvas_rect(*dc, canvas, dc->clip_rects(), r, b.get(), 0xF0);
    return 1;
}

int frame_rect(HDC hdc, const RECT& rect, HBRUSH brush) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    auto b = brush_from_handle(brush);
    if (!b) return 0;
    Canvas canvas = dc->canvas();
    auto clip = dc->clip_rects();
    RECT r{dc->to_canvas_x(rect.left), dc->to_canvas_y(rect.top), dc->to_canvas_x(rect.right),
           dc->to_canvas_y(rect.bottom)};
    if (rect_empty(r)) return 1;
    std::vector<RECT> band = rects_diff({r}, {RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}});
    for (const RECT& piece : band) fill_canvas_rect(*dc, canvas, clip, piece, b.get(), 0xF0);
    return 1;
}

BOOL invert_rect(HDC hdc, const RECT& rect) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    Canvas canvas = dc->canvas();
    RECT r{dc->to_canvas_x(rect.left), dc->to_canvas_y(rect.top), dc->to_canvas_x(rect.right),
           dc->to_canvas_y(rect.bottom)};
    fill_canvas_rect(*dc, canvas, dc->clip_rects(), r, nullptr, 0x55);
    return 1;
}

BOOL pat_blt(HDC hdc, int x, int y, int width, int height, std::uint32_t rop) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    std::uint8_t table = static_cast<std::uint8_t>(rop >> 16);
    if (rop3_uses_source(table)) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Negative sizes extend to the left or up, as on Windows.
    if (width < 0) x += width, width = -width;
    if (height < 0) y += height, height = -height;
    Canvas canvas = dc->canvas();
    RECT r{dc->to_canvas_x(x), dc->to_canvas_y(y), dc->to_canvas_x(x + width), dc->to_canvas_y(y + height)};
    fill_canvas_rect(*dc, canvas, dc->clip_rects(), r, dc->state.brush.get(), table);
    return 1;
}

COLORREF set_pixel(HDC hdc, int x, int y, COLORREF color) {
    auto dc = lookup_dc(hdc);
    if (!dc) return CLR_INVALID;
    Canvas canvas = dc->canvas();
    int cx = dc->to_canvas_x(x), cy = dc->to_canvas_y(y);
    if (!in_clip(dc->clip_rects(), cx, cy)) return CLR_INVALID;
    canvas.store(cx, cy, to_pixel(color));
    dc->touched();
    return to_colorref(canvas.read(cx, cy));
}

BOOL set_pixel_v(HDC hdc, int x, int y, COLORREF color) { return set_pixel(hdc, x, y, color) != CLR_INVALID; }

COLORREF get_pixel(HDC hdc, int x, int y) {
    auto dc = lookup_dc(hdc);
    if (!dc) return CLR_INVALID;
    Canvas canvas = dc->canvas();
    int cx = dc->to_canvas_x(x), cy = dc->to_canvas_y(y);
    if (!in_clip(dc->clip_rects(), cx, cy)) return CLR_INVALID;
    return to_colorref(canvas.read(cx, cy));
}

}  // namespace platform

// bit_blt and stretch_blt: any ternary raster operation, with GDI's
// conversions between monochrome and colour.
//
// The source rectangle is read into a buffer first, converted to what the
// destination would store, so a blit within one bitmap that overlaps itself
// reads the pixels as they were before it started. Source pixels outside the
// source bitmap leave their destination pixels alone.
#include <algorithm>
#include <cstdlib>

#include "platform/gdi_internal.h"

namespace platform {

using namespace gdi;

namespace {

// The part of the asked-for source rectangle that exists in the source
// bitmap, read into a buffer: only that part is allocated, however large the
// rectangle the caller gave.
struct SourcePixels {
    RECT have{};  // relative to the asked-for rectangle's top-left
    std::vector<std::uint32_t> pixels;

    bool get(int i, int j, std::uint32_t& out) const {
        if (i < have.left || i >= have.right || j < have.top || j >= have.bottom) return false;
        out = pixels[static_cast<std::size_t>(j - have.top) * (have.right - have.left) + (i - have.left)];
        return true;
    }
};

// Reads the source rectangle (canvas coordinates) converted for the
// destination: a monochrome source into colour takes the destination's text
// colour for 0 and background colour for 1; a colour source into monochrome
// gives white where it equals the source's background colour.
SourcePixels read_source(const Dc& src, int x, int y, int width, int height, const Dc& dest,
                         const Canvas& dest_canvas) {
    SourcePixels out;
    Canvas sc = src.canvas();
    RECT inside = intersect(RECT{x, y, x + width, y + height}, RECT{0, 0, sc.width, sc.height});
    if (rect_empty(inside)) return out;
    out.have = RECT{inside.left - x, inside.top - y, inside.right - x, inside.bottom - y};
    int w = inside.right - inside.left;
    out.pixels.assign(static_cast<std::size_t>(w) * (inside.bottom - inside.top), 0);
    bool src_mono = sc.bpp == 1, dest_mono = dest_canvas.bpp == 1;
    std::uint32_t text = dest_canvas.map(to_pixel(dest.state.text_color));
    std::uint32_t back = dest_canvas.map(to_pixel(dest.state.bk_color));
    std::uint32_t src_back = sc.map(to_pixel(src.state.bk_color));
    std::size_t k = 0;
    for (int sy = inside.top; sy < inside.bottom; ++sy) {
        for (int sx = inside.left; sx < inside.right; ++sx) {
            std::uint32_t v = sc.read(sx, sy);
            if (src_mono && !dest_mono) v = v ? back : text;
            else if (!src_mono && dest_mono) v = v == src_back ? 0xFFFFFF : 0;
            else v = dest_canvas.map(v);
            out.pixels[k++] = v;
        }
    }
    return out;
}

// Writes dest[x0 + i, y0 + j] = rop(P, sample(i, j), D) over the clipped rectangle.
template <class Sample>
void blit_pixels(Dc& dest, Canvas& canvas, int x0, int y0, int width, int height, std::uint8_t rop,
                 Sample sample) {
    auto clip = dest.clip_rects();
    const Brush* brush = dest.state.brush.get();
    bool uses_pattern = rop3_uses_pattern(rop);
    if (uses_pattern && brush->log.lbStyle == BS_NULL) return;
    auto clamp = [](long long v) { return static_cast<int>(std::clamp<long long>(v, INT32_MIN / 2, INT32_MAX / 2)); };
    RECT area{clamp(x0), clamp(y0), clamp(static_cast<long long>(x0) + width), clamp(static_cast<long long>(y0) + height)};
    bool changed = false;
    for (const RECT& c : clip) {
        RECT r = intersect(area, c);
        if (rect_empty(r)) continue;
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                std::uint32_t s = 0;
                if (!sample(x - x0, y - y0, s)) continue;
                std::uint32_t p = 0;
                if (uses_pattern) {
                    auto bp = brush_pixel(dest, canvas, *brush, x, y);
                    if (!bp) continue;
                    p = *bp;
                }
                canvas.store(x, y, rop3_apply(rop, p, s, canvas.read(x, y)));
                changed = true;
            }
        }
    }
    if (changed) dest.touched();
}

}  // namespace

BOOL bit_blt(HDC dest, int x, int y, int width, int height, HDC src, int src_x, int src_y, std::uint32_t rop) {
    auto d = lookup_dc(dest);
    if (!d) return 0;
    std::uint8_t table = static_cast<std::uint8_t>(rop >> 16);
    if (!rop3_uses_source(table)) return pat_blt(dest, x, y, width, height, rop);
    auto s = lookup_dc(src);
    if (!s) return 0;
    if (width <= 0 || height <= 0) return 1;
    Canvas canvas = d->canvas();
    SourcePixels source =
        read_source(*s, s->to_canvas_x(src_x), s->to_canvas_y(src_y), width, height, *d, canvas);
    int x0 = d->to_canvas_x(x), y0 = d->to_canvas_y(y);
    if (table == 0xCC && canvas.bpp == 32) {
        // The double-buffered paint's copy: whole rows, no raster arithmetic.
        RECT have{source.have.left + x0, source.have.top + y0, source.have.right + x0, source.have.bottom + y0};
        int stride = source.have.right - source.have.left;
        bool changed = false;
        for (const RECT& c : d->clip_rects()) {
            RECT r = intersect(have, c);
            for (int py = r.top; py < r.bottom; ++py) {
                const std::uint32_t* from = source.pixels.data() +
                                            static_cast<std::size_t>(py - have.top) * stride + (r.left - have.left);
                std::copy(from, from + (r.right - r.left),
                          canvas.pixels + static_cast<std::size_t>(py) * canvas.width + r.left);
                changed = true;
            }
        }
        if (changed) d->touched();
        return 1;
    }
    blit_pixels(*d, canvas, x0, y0, width, height, table,
                [&](int i, int j, std::uint32_t& out) { return source.get(i, j, out); });
    return 1;
}

BOOL stretch_blt(HDC dest, int x, int y, int width, int height, HDC src, int src_x, int src_y, int src_width,
                 int src_height, std::uint32_t rop) {
    auto d = lookup_dc(dest);
    if (!d) return 0;
    std::uint8_t table = static_cast<std::uint8_t>(rop >> 16);
    if (!rop3_uses_source(table)) return pat_blt(dest, x, y, width, height, rop);
    auto s = lookup_dc(src);
    if (!s) return 0;
    if (width == 0 || height == 0 || src_width == 0 || src_height == 0) return 1;
    // A negative size on one side and not the other mirrors the picture.
    bool flip_x = (width < 0) != (src_width < 0), flip_y = (height < 0) != (src_height < 0);
    if (width < 0) x += width + 1, width = -width;
    if (height < 0) y += height + 1, height = -height;
    if (src_width < 0) src_x += src_width + 1, src_width = -src_width;
    if (src_height < 0) src_y += src_height + 1, src_height = -src_height;
    Canvas canvas = d->canvas();
    SourcePixels source =
        read_source(*s, s->to_canvas_x(src_x), s->to_canvas_y(src_y), src_width, src_height, *d, canvas);
    int mode = d->state.stretch_mode;
    bool shrinking = src_width > width || src_height > height;
    blit_pixels(*d, canvas, d->to_canvas_x(x), d->to_canvas_y(y), width, height, table,
                [&](int i, int j, std::uint32_t& out) {
                    if (flip_x) i = width - 1 - i;
                    if (flip_y) j = height - 1 - j;
                    // The source pixels that fall on destination pixel (i, j).
                    int sx0 = static_cast<int>(static_cast<long long>(i) * src_width / width);
                    int sy0 = static_cast<int>(static_cast<long long>(j) * src_height / height);
                    int sx1 = std::max(sx0 + 1, static_cast<int>(static_cast<long long>(i + 1) * src_width / width));
                    int sy1 = std::max(sy0 + 1, static_cast<int>(static_cast<long long>(j + 1) * src_height / height));
                    if (!shrinking || mode == COLORONCOLOR) sx1 = sx0 + 1, sy1 = sy0 + 1;
                    sx0 = std::max(sx0, source.have.left), sy0 = std::max(sy0, source.have.top);
                    sx1 = std::min(sx1, source.have.right), sy1 = std::min(sy1, source.have.bottom);
                    bool any = false;
                    std::uint32_t acc = mode == BLACKONWHITE ? 0xFFFFFF : 0;
                    unsigned long sum_r = 0, sum_g = 0, sum_b = 0, n = 0;
                    for (int sy = sy0; sy < sy1; ++sy)
                        for (int sx = sx0; sx < sx1; ++sx) {
                            std::uint32_t v = 0;
                            if (!source.get(sx, sy, v)) continue;
                            any = true;
                            // Windows keeps the darker (AND) or lighter (OR)
                            // of the pixels it drops, or averages (HALFTONE).
                            if (mode == BLACKONWHITE) acc &= v;
                            else if (mode == WHITEONBLACK) acc |= v;
                            else acc = v;
                            sum_r += (v >> 16) & 0xFF, sum_g += (v >> 8) & 0xFF, sum_b += v & 0xFF, ++n;
                        }
                    if (!any) return false;
                    if (mode == HALFTONE && n > 1)
                        acc = canvas.map(static_cast<std::uint32_t>(((sum_r / n) << 16) | ((sum_g / n) << 8) | (sum_b / n)));
                    out = acc;
                    return true;
                });
    return 1;
}

}  // namespace platform

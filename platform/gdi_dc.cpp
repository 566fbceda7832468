// Device contexts: memory and surface DCs, their state, saving and restoring
// it, coordinates and clipping; and rectangle-list regions.
//
// Clipping is kept as disjoint rectangle lists. The visible area of a DC is
// the canvas (bitmap or surface), cut to the window's clip for a surface DC,
// cut to the application's clip region (kept in device units relative to the
// DC's origin, so moving the viewport does not move it, as on Windows).
#include <algorithm>
#include <atomic>

#include "platform/gdi_internal.h"

namespace platform {
namespace gdi {

bool rect_empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

RECT intersect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (rect_empty(r)) return RECT{};
    return r;
}

std::vector<RECT> rects_and(const std::vector<RECT>& a, const std::vector<RECT>& b) {
    std::vector<RECT> out;
    for (const RECT& x : a)
        for (const RECT& y : b) {
            RECT r = intersect(x, y);
            if (!rect_empty(r)) out.push_back(r);
        }
    return out;
}

namespace {

// The parts of r outside cut: up to four rectangles.
void subtract(const RECT& r, const RECT& cut, std::vector<RECT>& out) {
    RECT i = intersect(r, cut);
    if (rect_empty(i)) {
        out.push_back(r);
        return;
    }
    if (r.top < i.top) out.push_back({r.left, r.top, r.right, i.top});
    if (i.bottom < r.bottom) out.push_back({r.left, i.bottom, r.right, r.bottom});
    if (r.left < i.left) out.push_back({r.left, i.top, i.left, i.bottom});
    if (i.right < r.right) out.push_back({i.right, i.top, r.right, i.bottom});
}

}  // namespace

std::vector<RECT> rects_diff(const std::vector<RECT>& a, const std::vector<RECT>& b) {
    std::vector<RECT> current = a;
    for (const RECT& cut : b) {
        std::vector<RECT> next;
        for (const RECT& r : current) subtract(r, cut, next);
        current = std::move(next);
    }
    return current;
}

std::vector<RECT> rects_or(const std::vector<RECT>& a, const std::vector<RECT>& b) {
    std::vector<RECT> out = a;
    for (const RECT& r : rects_diff(b, a)) out.push_back(r);
    return out;
}

RECT rects_box(const std::vector<RECT>& rects) {
    if (rects.empty()) return RECT{};
    RECT box = rects.front();
    for (const RECT& r : rects) {
        box.left = std::min(box.left, r.left);
        box.top = std::min(box.top, r.top);
        box.right = std::max(box.right, r.right);
        box.bottom = std::max(box.bottom, r.bottom);
    }
    return box;
}

int region_kind(const std::vector<RECT>& rects) {
    if (rects.empty()) return NULLREGION;
    return rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

bool in_clip(const std::vector<RECT>& clip, int x, int y) {
    for (const RECT& r : clip)
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    return false;
}

Canvas Dc::canvas() const {
    Canvas c;
    if (surface) {
        // A surface whose buffer does not match its size shows nothing
        // rather than letting a drawing call write past the buffer.
        if (surface->width > 0 && surface->height > 0 &&
            surface->pixels.size() >= static_cast<std::size_t>(surface->width) * surface->height) {
            c.pixels = surface->pixels.data();
            c.width = surface->width;
            c.height = surface->height;
        }
        return c;
    }
    Bitmap* b = state.bitmap.get();
    c.pixels = b->pixels.data();
    c.width = b->width;
    c.height = b->height;
    c.bitmap = b;
    c.bpp = b->bpp;
    return c;
}

std::vector<RECT> Dc::clip_rects() const {
    Canvas c = canvas();
    RECT bounds{0, 0, c.width, c.height};
    if (surface) bounds = intersect(bounds, surface_clip);
    if (rect_empty(bounds)) return {};
    std::vector<RECT> visible{bounds};
    if (state.clip) {
        std::vector<RECT> app;
        for (RECT r : *state.clip) {
            r.left += origin.x, r.right += origin.x, r.top += origin.y, r.bottom += origin.y;
            app.push_back(r);
        }
        visible = rects_and(visible, app);
    }
    return visible;
}

void Dc::touched() {
    if (surface) ++surface->version;
}

}  // namespace gdi

using namespace gdi;

namespace {

std::atomic<int> g_display_bits{32};

std::shared_ptr<Dc> new_dc() {
    auto dc = std::make_shared<Dc>();
    dc->state = default_state();
    add_selection(dc->state.pen);
    add_selection(dc->state.brush);
    add_selection(dc->state.font);
    add_selection(dc->state.palette);
    return dc;
}

void hold_state(const DcState& s) {
    add_selection(s.pen);
    add_selection(s.brush);
    add_selection(s.font);
    add_selection(s.palette);
}

void drop_state(const DcState& s) {
    release_selection(s.pen);
    release_selection(s.brush);
    release_selection(s.font);
    release_selection(s.palette);
}

}  // namespace

HDC create_compatible_dc(HDC) {
    auto dc = new_dc();
    dc->state.bitmap = default_bitmap();
    for (auto& s : dc->saved) s.bitmap = dc->state.bitmap;
    return insert(dc);
}

HDC create_surface_dc(Surface* surface, POINT origin, const RECT& clip) {
    if (!surface) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto dc = new_dc();
    dc->surface = surface;
    dc->origin = origin;
    dc->surface_clip = clip;
    return insert(dc);
}

BOOL set_surface_dc_origin(HDC hdc, POINT origin, const RECT& clip) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    if (!dc->surface) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    dc->origin = origin;
    dc->surface_clip = clip;
    return 1;
}

BOOL delete_dc(HDC hdc) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    for (const auto& s : dc->saved) drop_state(s);
    dc->saved.clear();
    drop_state(dc->state);
    if (dc->state.bitmap && !dc->state.bitmap->stock) dc->state.bitmap->selected_in = 0;
    dc->state = DcState{};
    erase(hdc);
    return 1;
}

int save_dc(HDC hdc) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    hold_state(dc->state);
    dc->saved.push_back(dc->state);
    return static_cast<int>(dc->saved.size());
}

BOOL restore_dc(HDC hdc, int saved) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    int depth = static_cast<int>(dc->saved.size());
    int level = saved < 0 ? depth + 1 + saved : saved;
    if (saved == 0 || level < 1 || level > depth) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Levels above the one restored are thrown away.
    while (static_cast<int>(dc->saved.size()) > level) {
        drop_state(dc->saved.back());
        dc->saved.pop_back();
    }
    DcState restored = std::move(dc->saved.back());
    dc->saved.pop_back();
    drop_state(dc->state);  // the restored state keeps the references save_dc took
    restored.bitmap = dc->state.bitmap;  // a bitmap stays with its DC
    dc->state = std::move(restored);
    return 1;
}

void set_display_bits_per_pixel(int bits) { g_display_bits = bits <= 8 ? 8 : 32; }

int get_device_caps(HDC hdc, int index) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    bool palette = g_display_bits.load() == 8;
    Canvas c = dc->canvas();
    switch (index) {
    case HORZRES: return c.width;
    case VERTRES: return c.height;
    case BITSPIXEL: return palette ? 8 : 32;
    case PLANES: return 1;
    case NUMCOLORS: return palette ? 20 : -1;
    case RASTERCAPS: return RC_BITBLT | RC_STRETCHBLT | (palette ? RC_PALETTE : 0);
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case SIZEPALETTE: return palette ? 256 : 0;
    case NUMRESERVED: return palette ? 20 : 0;
    default: return 0;
    }
}

std::uint32_t realize_palette(HDC hdc) {
    auto dc = lookup_dc(hdc);
    if (!dc) return GDI_ERROR;
    if (g_display_bits.load() != 8 || dc->state.palette->stock) return 0;
    return static_cast<std::uint32_t>(dc->state.palette->entries.size());
}

namespace {

template <class Field>
BOOL set_point(HDC hdc, int x, int y, POINT* old, Field field) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    POINT& p = field(dc->state);
    if (old) *old = p;
    p = POINT{x, y};
    return 1;
}

template <class Field>
BOOL get_point(HDC hdc, POINT* out, Field field) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    if (out) *out = field(dc->state);
    return 1;
}

template <class T, class Field>
T swap_value(HDC hdc, T value, T fail, Field field) {
    auto dc = lookup_dc(hdc);
    if (!dc) return fail;
    return std::exchange(field(dc->state), value);
}

template <class T, class Field>
T read_value(HDC hdc, T fail, Field field) {
    auto dc = lookup_dc(hdc);
    if (!dc) return fail;
    return field(dc->state);
}

}  // namespace

BOOL set_viewport_org_ex(HDC hdc, int x, int y, POINT* old) {
    return set_point(hdc, x, y, old, [](DcState& s) -> POINT& { return s.viewport_org; });
}
BOOL get_viewport_org_ex(HDC hdc, POINT* org) {
    return get_point(hdc, org, [](DcState& s) -> POINT& { return s.viewport_org; });
}
BOOL offset_viewport_org_ex(HDC hdc, int dx, int dy, POINT* old) {
    POINT now;
    if (!get_viewport_org_ex(hdc, &now)) return 0;
    return set_viewport_org_ex(hdc, now.x + dx, now.y + dy, old);
}
BOOL set_window_org_ex(HDC hdc, int x, int y, POINT* old) {
    return set_point(hdc, x, y, old, [](DcState& s) -> POINT& { return s.window_org; });
}
BOOL get_window_org_ex(HDC hdc, POINT* org) {
    return get_point(hdc, org, [](DcState& s) -> POINT& { return s.window_org; });
}
BOOL set_brush_org_ex(HDC hdc, int x, int y, POINT* old) {
    return set_point(hdc, x, y, old, [](DcState& s) -> POINT& { return s.brush_org; });
}
BOOL move_to_ex(HDC hdc, int x, int y, POINT* old) {
    return set_point(hdc, x, y, old, [](DcState& s) -> POINT& { return s.position; });
}
BOOL get_current_position_ex(HDC hdc, POINT* pos) {
    return get_point(hdc, pos, [](DcState& s) -> POINT& { return s.position; });
}

int set_rop2(HDC hdc, int mode) {
    if (mode < R2_BLACK || mode > R2_WHITE) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return swap_value(hdc, mode, 0, [](DcState& s) -> int& { return s.rop2; });
}
int get_rop2(HDC hdc) { return read_value(hdc, 0, [](DcState& s) { return s.rop2; }); }
int set_bk_mode(HDC hdc, int mode) {
    if (mode != OPAQUE && mode != TRANSPARENT) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return swap_value(hdc, mode, 0, [](DcState& s) -> int& { return s.bk_mode; });
}
int get_bk_mode(HDC hdc) { return read_value(hdc, 0, [](DcState& s) { return s.bk_mode; }); }
COLORREF set_bk_color(HDC hdc, COLORREF color) {
    return swap_value(hdc, color & 0xFFFFFF, CLR_INVALID, [](DcState& s) -> COLORREF& { return s.bk_color; });
}
COLORREF get_bk_color(HDC hdc) { return read_value(hdc, CLR_INVALID, [](DcState& s) { return s.bk_color; }); }
COLORREF set_text_color(HDC hdc, COLORREF color) {
    return swap_value(hdc, color & 0xFFFFFF, CLR_INVALID, [](DcState& s) -> COLORREF& { return s.text_color; });
}
COLORREF get_text_color(HDC hdc) {
    return read_value(hdc, CLR_INVALID, [](DcState& s) { return s.text_color; });
}
std::uint32_t set_text_align(HDC hdc, std::uint32_t align) {
    return swap_value(hdc, align, GDI_ERROR, [](DcState& s) -> std::uint32_t& { return s.text_align; });
}
std::uint32_t get_text_align(HDC hdc) {
    return read_value(hdc, GDI_ERROR, [](DcState& s) { return s.text_align; });
}
int set_stretch_blt_mode(HDC hdc, int mode) {
    if (mode < BLACKONWHITE || mode > HALFTONE) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return swap_value(hdc, mode, 0, [](DcState& s) -> int& { return s.stretch_mode; });
}
int get_stretch_blt_mode(HDC hdc) { return read_value(hdc, 0, [](DcState& s) { return s.stretch_mode; }); }
int set_poly_fill_mode(HDC hdc, int mode) {
    if (mode != ALTERNATE && mode != WINDING) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return swap_value(hdc, mode, 0, [](DcState& s) -> int& { return s.poly_fill_mode; });
}
int get_poly_fill_mode(HDC hdc) { return read_value(hdc, 0, [](DcState& s) { return s.poly_fill_mode; }); }

// ------------------------------------------------------------------ clipping

namespace {

// The DC's current clip in device units (relative to the DC's origin): the
// application's region, or everything the canvas shows.
std::vector<RECT> device_clip(const Dc& dc) {
    if (dc.state.clip) return *dc.state.clip;
    std::vector<RECT> out;
    for (RECT r : dc.clip_rects()) {
        r.left -= dc.origin.x, r.right -= dc.origin.x, r.top -= dc.origin.y, r.bottom -= dc.origin.y;
        out.push_back(r);
    }
    return out;
}

RECT logical_to_device(const Dc& dc, int left, int top, int right, int bottom) {
    int dx = dc.state.viewport_org.x - dc.state.window_org.x;
    int dy = dc.state.viewport_org.y - dc.state.window_org.y;
    return RECT{left + dx, top + dy, right + dx, bottom + dy};
}

int visible_kind(const Dc& dc) { return region_kind(dc.clip_rects()); }

}  // namespace

int intersect_clip_rect(HDC hdc, int left, int top, int right, int bottom) {
    auto dc = lookup_dc(hdc);
    if (!dc) return RGN_ERROR;
    RECT r = logical_to_device(*dc, left, top, right, bottom);
    dc->state.clip = rects_and(device_clip(*dc), {r});
    return visible_kind(*dc);
}

int exclude_clip_rect(HDC hdc, int left, int top, int right, int bottom) {
    auto dc = lookup_dc(hdc);
    if (!dc) return RGN_ERROR;
    RECT r = logical_to_device(*dc, left, top, right, bottom);
    dc->state.clip = rects_diff(device_clip(*dc), {r});
    return visible_kind(*dc);
}

int select_clip_rgn(HDC hdc, HRGN region) {
    auto dc = lookup_dc(hdc);
    if (!dc) return RGN_ERROR;
    if (region == 0) {
        dc->state.clip.reset();
        return visible_kind(*dc);
    }
    auto rgn = lookup_as<Region>(region);
    if (!rgn) return RGN_ERROR;
    dc->state.clip = rgn->rects;
    return visible_kind(*dc);
}

int get_clip_box(HDC hdc, RECT* rect) {
    auto dc = lookup_dc(hdc);
    if (!dc) return RGN_ERROR;
    auto visible = dc->clip_rects();
    RECT box = rects_box(visible);
    if (rect) {
        if (rect_empty(box)) {
            *rect = RECT{};
        } else {
            // Canvas to logical.
            int dx = dc->origin.x + dc->state.viewport_org.x - dc->state.window_org.x;
            int dy = dc->origin.y + dc->state.viewport_org.y - dc->state.window_org.y;
            *rect = RECT{box.left - dx, box.top - dy, box.right - dx, box.bottom - dy};
        }
    }
    return region_kind(visible);
}

// ------------------------------------------------------------------- regions

HRGN create_rect_rgn(int left, int top, int right, int bottom) {
    auto rgn = std::make_shared<Region>();
    RECT r{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
    if (!rect_empty(r)) rgn->rects.push_back(r);
    return insert(rgn);
}

HRGN create_rect_rgn_indirect(const RECT& rect) {
    return create_rect_rgn(rect.left, rect.top, rect.right, rect.bottom);
}

int combine_rgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
    auto d = lookup_as<Region>(dest);
    auto a = lookup_as<Region>(src1);
    if (!d || !a) return RGN_ERROR;
    std::shared_ptr<Region> b;
    if (mode != RGN_COPY) {
        b = lookup_as<Region>(src2);
        if (!b) return RGN_ERROR;
    }
    std::vector<RECT> result;
    switch (mode) {
    case RGN_AND: result = rects_and(a->rects, b->rects); break;
    case RGN_OR: result = rects_or(a->rects, b->rects); break;
    case RGN_DIFF: result = rects_diff(a->rects, b->rects); break;
    case RGN_XOR: result = rects_or(rects_diff(a->rects, b->rects), rects_diff(b->rects, a->rects)); break;
    case RGN_COPY: result = a->rects; break;
    default: set_last_error(ERROR_INVALID_PARAMETER); return RGN_ERROR;
    }
    d->rects = std::move(result);
    return region_kind(d->rects);
}

int get_rgn_box(HRGN region, RECT* rect) {
    auto rgn = lookup_as<Region>(region);
    if (!rgn) return RGN_ERROR;
    if (rect) *rect = rects_box(rgn->rects);
    return region_kind(rgn->rects);
}

BOOL pt_in_region(HRGN region, int x, int y) {
    auto rgn = lookup_as<Region>(region);
    return rgn && in_clip(rgn->rects, x, y);
}

BOOL set_rect_rgn(HRGN region, int left, int top, int right, int bottom) {
    auto rgn = lookup_as<Region>(region);
    if (!rgn) return 0;
    rgn->rects.clear();
    RECT r{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
    if (!rect_empty(r)) rgn->rects.push_back(r);
    return 1;
}

int offset_rgn(HRGN region, int dx, int dy) {
    auto rgn = lookup_as<Region>(region);
    if (!rgn) return RGN_ERROR;
    for (RECT& r : rgn->rects) r.left += dx, r.right += dx, r.top += dy, r.bottom += dy;
    return region_kind(rgn->rects);
}

}  // namespace platform

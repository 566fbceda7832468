// Inside the drawing layer: the objects behind GDI handles, the process's GDI
// table, and the device context's state and pixel access shared by the
// drawing, blitting and text files. Not for use outside platform/gdi_*.cpp.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/gdi.h"
#include "platform/win_error.h"

namespace platform::gdi {

enum class Kind { Pen, Brush, Font, Bitmap, Palette, Region, Dc, Icon };

struct Object {
    virtual ~Object() = default;
    virtual Kind kind() const = 0;
    HGDIOBJ handle = 0;
    bool stock = false;
    // Selected into this many DCs; a deletion asked for meanwhile waits for 0.
    std::atomic<int> selected{0};
    std::atomic<bool> delete_pending{false};
};

struct Pen final : Object {
    Kind kind() const override { return Kind::Pen; }
    LOGPEN log;
    int style() const { return static_cast<int>(log.lopnStyle & 0x0F); }
    int width() const { return log.lopnWidth.x < 1 ? 1 : log.lopnWidth.x; }
};

struct Bitmap final : Object {
    Kind kind() const override { return Kind::Bitmap; }
    int width = 0;
    int height = 0;
    int bpp = 32;                          // 1, 8 or 32
    bool dib = false;                      // pixels handed out to the caller
    std::vector<std::uint32_t> pixels;     // 0x00RRGGBB, whatever the depth
    std::vector<std::uint32_t> table;      // 8 bits: the colour table
    std::vector<std::uint8_t> indices;     // 8 bits: one index per pixel
    std::atomic<HDC> selected_in{0};

    // What this bitmap would store for a colour: itself at 32 bits, the
    // nearer of black and white at 1 bit, the nearest table entry at 8.
    // All in pixel order (0x00RRGGBB), as everything inside the layer.
    std::uint32_t map(std::uint32_t px) const;
    void store(int x, int y, std::uint32_t px);
    std::uint8_t nearest_index(std::uint32_t px) const;
};

struct Brush final : Object {
    Kind kind() const override { return Kind::Brush; }
    LOGBRUSH log;
    // 8x8 pattern of BS_PATTERN brushes (0x00RRGGBB); mono patterns keep 0
    // and 0xFFFFFF and take the DC's text and background colours.
    std::array<std::uint32_t, 64> pattern{};
    bool mono_pattern = false;
};

struct FontMetrics {
    int ascent = 0;
    int descent = 0;
    int height = 0;
    int internal_leading = 0;
    int ave_char_width = 0;
    int max_char_width = 0;
    double em_pixels = 0;  // the size pango draws at
};

struct Font final : Object {
    Kind kind() const override { return Kind::Font; }
    LOGFONT log;
    // Worked out on first use, under the text lock.
    std::optional<FontMetrics> metrics;
};

struct Palette final : Object {
    Kind kind() const override { return Kind::Palette; }
    std::vector<PALETTEENTRY> entries;
};

struct Region final : Object {
    Kind kind() const override { return Kind::Region; }
    std::vector<RECT> rects;  // disjoint, none empty
};

struct Icon final : Object {
    Kind kind() const override { return Kind::Icon; }
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> color;  // 0x00RRGGBB
    std::vector<std::uint8_t> mask;    // 1 = transparent
};

struct DcState {
    std::shared_ptr<Pen> pen;
    std::shared_ptr<Brush> brush;
    std::shared_ptr<Font> font;
    std::shared_ptr<Bitmap> bitmap;   // memory DCs
    std::shared_ptr<Palette> palette;
    COLORREF bk_color = rgb(255, 255, 255);
    COLORREF text_color = rgb(0, 0, 0);
    int bk_mode = OPAQUE;
    int rop2 = R2_COPYPEN;
    std::uint32_t text_align = TA_LEFT | TA_TOP;
    int stretch_mode = BLACKONWHITE;
    int poly_fill_mode = ALTERNATE;
    POINT viewport_org;
    POINT window_org;
    POINT brush_org;
    POINT position;
    std::optional<std::vector<RECT>> clip;  // device units, relative to the DC origin
};

// COLORREF (0x00BBGGRR) to pixel order (0x00RRGGBB) and back.
constexpr std::uint32_t to_pixel(COLORREF c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }
constexpr COLORREF to_colorref(std::uint32_t px) { return to_pixel(px); }

// Where a DC's pixels are, as one plain buffer.
struct Canvas {
    std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    Bitmap* bitmap = nullptr;  // null for a surface
    int bpp = 32;

    std::uint32_t read(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    std::uint32_t map(std::uint32_t rgb) const { return bitmap ? bitmap->map(rgb) : (rgb & 0xFFFFFF); }
    void store(int x, int y, std::uint32_t rgb) {
        if (bitmap) bitmap->store(x, y, rgb);
        else pixels[static_cast<std::size_t>(y) * width + x] = rgb & 0xFFFFFF;
    }
};

struct Dc final : Object {
    Kind kind() const override { return Kind::Dc; }
    Surface* surface = nullptr;  // null: a memory DC
    POINT origin;                // where the DC's device (0,0) is on the canvas
    RECT surface_clip;           // canvas coordinates (surface DCs)
    DcState state;
    std::vector<DcState> saved;

    Canvas canvas() const;
    // The visible rectangles in canvas coordinates: disjoint, inside the canvas.
    std::vector<RECT> clip_rects() const;
    // Far-off coordinates saturate instead of overflowing.
    static int saturate(long long v) {
        constexpr long long kLimit = 1LL << 30;
        return static_cast<int>(v < -kLimit ? -kLimit : v > kLimit ? kLimit : v);
    }
    int to_canvas_x(int x) const {
        return saturate(static_cast<long long>(x) - state.window_org.x + state.viewport_org.x + origin.x);
    }
    int to_canvas_y(int y) const {
        return saturate(static_cast<long long>(y) - state.window_org.y + state.viewport_org.y + origin.y);
    }
    // Canvas-to-device, for brush patterns and clip regions.
    int device_x(int cx) const { return cx - origin.x; }
    int device_y(int cy) const { return cy - origin.y; }
    void touched();  // the pixels changed: bump the surface's version
};

// The table.
HGDIOBJ insert(std::shared_ptr<Object> object);
std::shared_ptr<Object> lookup(HGDIOBJ handle);
template <class T>
std::shared_ptr<T> lookup_as(HGDIOBJ handle) {
    auto object = std::dynamic_pointer_cast<T>(lookup(handle));
    if (!object) set_last_error(ERROR_INVALID_HANDLE);
    return object;
}
void erase(HGDIOBJ handle);
// Called when an object leaves a DC: completes a deletion that waited for it.
void release_selection(const std::shared_ptr<Object>& object);
void add_selection(const std::shared_ptr<Object>& object);

std::shared_ptr<Dc> lookup_dc(HDC hdc);
std::shared_ptr<Bitmap> default_bitmap();
std::shared_ptr<Pen> stock_pen(int which);
std::shared_ptr<Brush> stock_brush(int which);
std::shared_ptr<Font> stock_font(int which);
std::shared_ptr<Palette> stock_palette();
DcState default_state();

// Rectangle lists.
bool rect_empty(const RECT& r);
RECT intersect(const RECT& a, const RECT& b);
std::vector<RECT> rects_and(const std::vector<RECT>& a, const std::vector<RECT>& b);
std::vector<RECT> rects_diff(const std::vector<RECT>& a, const std::vector<RECT>& b);
std::vector<RECT> rects_or(const std::vector<RECT>& a, const std::vector<RECT>& b);
RECT rects_box(const std::vector<RECT>& rects);
int region_kind(const std::vector<RECT>& rects);

// Raster operations.
std::uint32_t rop2_apply(int rop2, std::uint32_t pen, std::uint32_t dest);
std::uint32_t rop3_apply(std::uint8_t table, std::uint32_t pattern, std::uint32_t source, std::uint32_t dest);
inline bool rop3_uses_source(std::uint8_t t) { return ((t >> 2) & 0x33) != (t & 0x33); }
inline bool rop3_uses_pattern(std::uint8_t t) { return ((t >> 4) & 0x0F) != (t & 0x0F); }
inline bool rop3_uses_dest(std::uint8_t t) { return ((t >> 1) & 0x55) != (t & 0x55); }

// The brush colour at a canvas pixel, mapped to the canvas; nullopt where a
// hatched brush leaves the background alone (TRANSPARENT mode) or for a null
// brush.
std::optional<std::uint32_t> brush_pixel(const Dc& dc, const Canvas& canvas, const Brush& brush, int x, int y);
// A brush handle or a system colour + 1.
std::shared_ptr<Brush> brush_from_handle(HBRUSH brush);

// Fills a canvas rectangle, clipped, combining each pixel as `op` says with
// the brush's pattern (pattern-only ternary operation).
void fill_canvas_rect(Dc& dc, Canvas& canvas, const std::vector<RECT>& clip, RECT r, const Brush* brush,
                      std::uint8_t rop3);
// The same with a binary pen-style operation (rectangle and polygon insides).
void fill_canvas_rect_rop2(Dc& dc, Canvas& canvas, const std::vector<RECT>& clip, RECT r, const Brush& brush,
                           int rop2);

bool in_clip(const std::vector<RECT>& clip, int x, int y);

// Guards pango, whose font map and contexts are not thread-safe.
std::mutex& text_mutex();

}  // namespace platform::gdi

// The process's GDI table, the stock objects, and the objects' life: create,
// select, delete, get_object.
//
// A DC keeps shared pointers to what is selected into it, so deleting a
// selected pen or brush cannot pull it from under a drawing call; such a
// deletion is only remembered, and completed when the object leaves its last
// DC (Windows NT behaves the same from the caller's side: the call succeeds,
// the object goes when deselected).
#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "platform/gdi_internal.h"

namespace platform {
namespace gdi {

namespace {

struct Table {
    std::mutex mutex;
    std::unordered_map<HGDIOBJ, std::shared_ptr<Object>> objects;
    std::uint32_t next = 0x10000;
    std::size_t stock_count = 0;
};

Table& table() {
    static Table* t = new Table;  // never destroyed: objects may outlive static destruction
    return *t;
}

}  // namespace

HGDIOBJ insert(std::shared_ptr<Object> object) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    for (;;) {
        t.next += 4;
        if (t.next == 0) t.next = 0x10000;
        if (!t.objects.count(t.next)) break;
    }
    object->handle = t.next;
    if (object->stock) ++t.stock_count;
    t.objects.emplace(t.next, std::move(object));
    return t.next;
}

std::shared_ptr<Object> lookup(HGDIOBJ handle) {
    Table& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.objects.find(handle);
    if (it == t.objects.end()) return nullptr;
    return it->second;
}

void erase(HGDIOBJ handle) {
    Table& t = table();
    std::shared_ptr<Object> gone;  // released outside the lock
    std::lock_guard lock(t.mutex);
    auto it = t.objects.find(handle);
    if (it == t.objects.end()) return;
    gone = std::move(it->second);
    t.objects.erase(it);
}

void add_selection(const std::shared_ptr<Object>& object) {
    if (object && !object->stock) object->selected.fetch_add(1);
}

void release_selection(const std::shared_ptr<Object>& object) {
    if (!object || object->stock) return;
    if (object->selected.fetch_sub(1) == 1 && object->delete_pending.load()) erase(object->handle);
}

namespace {

template <class T>
std::shared_ptr<T> make_stock(std::shared_ptr<T> object) {
    object->stock = true;
    insert(object);
    return object;
}

std::shared_ptr<Pen> new_pen(int style, int width, COLORREF color) {
    auto pen = std::make_shared<Pen>();
    pen->log.lopnStyle = static_cast<std::uint32_t>(style);
    pen->log.lopnWidth.x = width;
    pen->log.lopnColor = color & 0xFFFFFF;
    return pen;
}

std::shared_ptr<Brush> new_solid(COLORREF color) {
    auto brush = std::make_shared<Brush>();
    brush->log.lbStyle = BS_SOLID;
    brush->log.lbColor = color & 0xFFFFFF;
    return brush;
}

LOGFONT make_logfont(int height, int weight, const char* face) {
    LOGFONT lf;
    lf.lfHeight = height;
    lf.lfWeight = weight;
    std::strncpy(lf.lfFaceName, face, sizeof lf.lfFaceName - 1);
    return lf;
}

std::shared_ptr<Font> new_font(const LOGFONT& lf) {
    auto font = std::make_shared<Font>();
    font->log = lf;
    font->log.lfFaceName[sizeof font->log.lfFaceName - 1] = 0;
    return font;
}

struct Stock {
    std::array<std::shared_ptr<Object>, 18> objects;
    std::shared_ptr<Bitmap> bitmap;
};

Stock& stock() {
    static Stock* s = [] {
        auto* st = new Stock;
        st->objects[WHITE_BRUSH] = make_stock(new_solid(rgb(255, 255, 255)));
        st->objects[LTGRAY_BRUSH] = make_stock(new_solid(rgb(192, 192, 192)));
        st->objects[GRAY_BRUSH] = make_stock(new_solid(rgb(128, 128, 128)));
        st->objects[DKGRAY_BRUSH] = make_stock(new_solid(rgb(64, 64, 64)));
        st->objects[BLACK_BRUSH] = make_stock(new_solid(rgb(0, 0, 0)));
        auto null_brush = std::make_shared<Brush>();
        null_brush->log.lbStyle = BS_NULL;
        st->objects[NULL_BRUSH] = make_stock(null_brush);
        st->objects[WHITE_PEN] = make_stock(new_pen(PS_SOLID, 0, rgb(255, 255, 255)));
        st->objects[BLACK_PEN] = make_stock(new_pen(PS_SOLID, 0, rgb(0, 0, 0)));
        st->objects[NULL_PEN] = make_stock(new_pen(PS_NULL, 0, 0));
        auto fixed = make_logfont(16, FW_NORMAL, "Courier");
        fixed.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
        st->objects[OEM_FIXED_FONT] = make_stock(new_font(fixed));
        st->objects[ANSI_FIXED_FONT] = make_stock(new_font(fixed));
        st->objects[ANSI_VAR_FONT] = make_stock(new_font(make_logfont(-11, FW_NORMAL, "MS Sans Serif")));
        st->objects[SYSTEM_FONT] = make_stock(new_font(make_logfont(16, FW_BOLD, "System")));
        st->objects[DEVICE_DEFAULT_FONT] = make_stock(new_font(make_logfont(16, FW_BOLD, "System")));
        auto palette = std::make_shared<Palette>();
        // The 20 colours Windows reserves in the system palette.
        static const std::uint32_t reserved[20] = {
            0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0, 0xC0DCC0, 0xA6CAF0,
            0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
        for (std::uint32_t c : reserved) {
            PALETTEENTRY e;
            e.peRed = static_cast<std::uint8_t>(c >> 16);
            e.peGreen = static_cast<std::uint8_t>(c >> 8);
            e.peBlue = static_cast<std::uint8_t>(c);
            palette->entries.push_back(e);
        }
        st->objects[DEFAULT_PALETTE] = make_stock(palette);
        st->objects[SYSTEM_FIXED_FONT] = make_stock(new_font(fixed));
        st->objects[DEFAULT_GUI_FONT] = make_stock(new_font(make_logfont(-11, FW_NORMAL, "MS Shell Dlg")));
        auto bitmap = std::make_shared<Bitmap>();
        bitmap->width = bitmap->height = 1;
        bitmap->bpp = 1;
        bitmap->pixels.assign(1, 0);
        st->bitmap = make_stock(bitmap);
        return st;
    }();
    return *s;
}

}  // namespace

std::shared_ptr<Bitmap> default_bitmap() { return stock().bitmap; }
std::shared_ptr<Pen> stock_pen(int which) { return std::static_pointer_cast<Pen>(stock().objects[which]); }
std::shared_ptr<Brush> stock_brush(int which) { return std::static_pointer_cast<Brush>(stock().objects[which]); }
std::shared_ptr<Font> stock_font(int which) { return std::static_pointer_cast<Font>(stock().objects[which]); }
std::shared_ptr<Palette> stock_palette() {
    return std::static_pointer_cast<Palette>(stock().objects[DEFAULT_PALETTE]);
}

DcState default_state() {
    DcState s;
    s.pen = stock_pen(BLACK_PEN);
    s.brush = stock_brush(WHITE_BRUSH);
    s.font = stock_font(SYSTEM_FONT);
    s.palette = stock_palette();
    return s;
}

std::shared_ptr<Dc> lookup_dc(HDC hdc) { return lookup_as<Dc>(hdc); }

std::mutex& text_mutex() {
    static std::mutex* m = new std::mutex;
    return *m;
}

}  // namespace gdi

using namespace gdi;

std::int32_t mul_div(std::int32_t a, std::int32_t b, std::int32_t c) {
    if (c == 0) return -1;
    std::int64_t p = static_cast<std::int64_t>(a) * b;
    bool negative = (p < 0) != (c < 0);
    std::int64_t ap = p < 0 ? -p : p;
    std::int64_t ac = c < 0 ? -static_cast<std::int64_t>(c) : c;
    std::int64_t q = (ap + ac / 2) / ac;
    if (negative) q = -q;
    if (q > INT32_MAX || q < INT32_MIN) return -1;
    return static_cast<std::int32_t>(q);
}

HPEN create_pen(int style, int width, COLORREF color) {
    if (style < PS_SOLID || style > PS_INSIDEFRAME) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Styled lines are cosmetic: one pixel wide whatever was asked.
    if (width > 1 && style >= PS_DASH && style <= PS_DASHDOTDOT) style = PS_SOLID;
    return insert(new_pen(style, width < 0 ? 0 : width, color));
}

HPEN create_pen_indirect(const LOGPEN& pen) {
    return create_pen(static_cast<int>(pen.lopnStyle), pen.lopnWidth.x, pen.lopnColor);
}

HBRUSH create_solid_brush(COLORREF color) { return insert(new_solid(color)); }

HBRUSH create_hatch_brush(int hatch, COLORREF color) {
    if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto brush = std::make_shared<Brush>();
    brush->log.lbStyle = BS_HATCHED;
    brush->log.lbColor = color & 0xFFFFFF;
    brush->log.lbHatch = static_cast<std::uintptr_t>(hatch);
    return insert(brush);
}

HBRUSH create_pattern_brush(HBITMAP bitmap) {
    auto bmp = lookup_as<Bitmap>(bitmap);
    if (!bmp) return 0;
    auto brush = std::make_shared<Brush>();
    brush->log.lbStyle = BS_PATTERN;
    brush->log.lbHatch = bitmap;
    brush->mono_pattern = bmp->bpp == 1;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            brush->pattern[y * 8 + x] =
                bmp->pixels[static_cast<std::size_t>(y % bmp->height) * bmp->width + (x % bmp->width)];
    return insert(brush);
}

HBRUSH create_brush_indirect(const LOGBRUSH& brush) {
    switch (brush.lbStyle) {
    case BS_SOLID: return create_solid_brush(brush.lbColor);
    case BS_NULL: return get_stock_object(NULL_BRUSH);
    case BS_HATCHED: return create_hatch_brush(static_cast<int>(brush.lbHatch), brush.lbColor);
    case BS_PATTERN: return create_pattern_brush(static_cast<HBITMAP>(brush.lbHatch));
    default: set_last_error(ERROR_INVALID_PARAMETER); return 0;
    }
}

HFONT create_font(int height, int width, int escapement, int orientation, int weight, std::uint32_t italic,
                  std::uint32_t underline, std::uint32_t strike_out, std::uint32_t charset,
                  std::uint32_t out_precision, std::uint32_t clip_precision, std::uint32_t quality,
                  std::uint32_t pitch_and_family, std::string_view face) {
    LOGFONT lf;
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = italic ? 1 : 0;
    lf.lfUnderline = underline ? 1 : 0;
    lf.lfStrikeOut = strike_out ? 1 : 0;
    lf.lfCharSet = static_cast<std::uint8_t>(charset);
    lf.lfOutPrecision = static_cast<std::uint8_t>(out_precision);
    lf.lfClipPrecision = static_cast<std::uint8_t>(clip_precision);
    lf.lfQuality = static_cast<std::uint8_t>(quality);
    lf.lfPitchAndFamily = static_cast<std::uint8_t>(pitch_and_family);
    std::size_t n = std::min(face.size(), sizeof lf.lfFaceName - 1);
    std::memcpy(lf.lfFaceName, face.data(), n);
    lf.lfFaceName[n] = 0;
    return create_font_indirect(lf);
}

HFONT create_font_indirect(const LOGFONT& font) { return insert(new_font(font)); }

HPALETTE create_palette(const std::vector<PALETTEENTRY>& entries) {
    if (entries.empty() || entries.size() > 256) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto palette = std::make_shared<Palette>();
    palette->entries = entries;
    return insert(palette);
}

std::uint32_t get_palette_entries(HPALETTE palette, std::uint32_t start, std::uint32_t count,
                                  PALETTEENTRY* entries) {
    auto pal = lookup_as<Palette>(palette);
    if (!pal) return 0;
    if (!entries) return static_cast<std::uint32_t>(pal->entries.size());
    std::uint32_t n = 0;
    for (std::uint32_t i = start; i < pal->entries.size() && n < count; ++i) entries[n++] = pal->entries[i];
    return n;
}

std::uint32_t get_nearest_palette_index(HPALETTE palette, COLORREF color) {
    auto pal = lookup_as<Palette>(palette);
    if (!pal) return CLR_INVALID;
    std::uint32_t best = 0;
    long best_distance = -1;
    for (std::uint32_t i = 0; i < pal->entries.size(); ++i) {
        const auto& e = pal->entries[i];
        long dr = e.peRed - get_r_value(color), dg = e.peGreen - get_g_value(color),
             db = e.peBlue - get_b_value(color);
        long d = dr * dr + dg * dg + db * db;
        if (best_distance < 0 || d < best_distance) best = i, best_distance = d;
    }
    return best;
}

HGDIOBJ get_stock_object(int which) {
    if (which < 0 || which >= static_cast<int>(stock().objects.size()) || !stock().objects[which]) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return stock().objects[which]->handle;
}

std::size_t gdi_object_count() {
    stock();
    Table& t = table();
    std::lock_guard lock(t.mutex);
    std::size_t live = 0;
    for (const auto& [h, o] : t.objects)
        if (!o->stock && !o->delete_pending.load()) ++live;
    return live;
}

BOOL delete_object(HGDIOBJ object) {
    auto obj = lookup(object);
    if (!obj) {
        set_last_error(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (obj->stock) return 1;
    switch (obj->kind()) {
    case Kind::Dc: return delete_dc(object);
    case Kind::Icon: set_last_error(ERROR_INVALID_HANDLE); return 0;  // destroy_icon
    case Kind::Bitmap:
        if (static_cast<Bitmap&>(*obj).selected_in.load() != 0) return 0;
        break;
    default: break;
    }
    if (obj->selected.load() > 0) {
        obj->delete_pending = true;
        if (obj->selected.load() > 0) return 1;
    }
    erase(object);
    return 1;
}

int get_object_type(HGDIOBJ object) {
    auto obj = lookup(object);
    if (!obj) {
        set_last_error(ERROR_INVALID_HANDLE);
        return 0;
    }
    switch (obj->kind()) {
    case Kind::Pen: return OBJ_PEN;
    case Kind::Brush: return OBJ_BRUSH;
    case Kind::Font: return OBJ_FONT;
    case Kind::Bitmap: return OBJ_BITMAP;
    case Kind::Palette: return OBJ_PAL;
    case Kind::Region: return OBJ_REGION;
    case Kind::Dc: return static_cast<Dc&>(*obj).surface ? OBJ_DC : OBJ_MEMDC;
    case Kind::Icon: return 0;
    }
    return 0;
}

namespace {

template <class T>
int copy_record(const T& record, int size, void* buffer) {
    if (!buffer) return static_cast<int>(sizeof(T));
    int n = std::min(size, static_cast<int>(sizeof(T)));
    if (n <= 0) return 0;
    std::memcpy(buffer, &record, static_cast<std::size_t>(n));
    return n;
}

}  // namespace

int get_object(HGDIOBJ object, int size, void* buffer) {
    auto obj = lookup(object);
    if (!obj) {
        set_last_error(ERROR_INVALID_HANDLE);
        return 0;
    }
    switch (obj->kind()) {
    case Kind::Pen: return copy_record(static_cast<Pen&>(*obj).log, size, buffer);
    case Kind::Brush: return copy_record(static_cast<Brush&>(*obj).log, size, buffer);
    case Kind::Font: return copy_record(static_cast<Font&>(*obj).log, size, buffer);
    case Kind::Bitmap: {
        auto& b = static_cast<Bitmap&>(*obj);
        BITMAP bm;
        bm.bmWidth = b.width;
        bm.bmHeight = b.height;
        bm.bmBitsPixel = static_cast<std::uint16_t>(b.bpp);
        bm.bmWidthBytes = ((b.width * b.bpp + 15) / 16) * 2;
        bm.bmBits = b.dib ? b.pixels.data() : nullptr;
        return copy_record(bm, size, buffer);
    }
    case Kind::Palette: {
        std::uint16_t count = static_cast<std::uint16_t>(static_cast<Palette&>(*obj).entries.size());
        return copy_record(count, size, buffer);
    }
    default: set_last_error(ERROR_INVALID_HANDLE); return 0;
    }
}

HGDIOBJ get_current_object(HDC hdc, int object_type) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    switch (object_type) {
    case OBJ_PEN: return dc->state.pen->handle;
    case OBJ_BRUSH: return dc->state.brush->handle;
    case OBJ_FONT: return dc->state.font->handle;
    case OBJ_BITMAP: return dc->state.bitmap ? dc->state.bitmap->handle : 0;
    case OBJ_PAL: return dc->state.palette->handle;
    default: set_last_error(ERROR_INVALID_PARAMETER); return 0;
    }
}

namespace {

template <class T>
HGDIOBJ swap_selected(std::shared_ptr<T>& slot, std::shared_ptr<T> incoming) {
    HGDIOBJ previous = slot ? slot->handle : 0;
    add_selection(incoming);
    auto old = std::exchange(slot, std::move(incoming));
    release_selection(old);
    return previous;
}

}  // namespace

HGDIOBJ select_object(HDC hdc, HGDIOBJ object) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    auto obj = lookup(object);
    if (!obj || obj->delete_pending.load()) {
        set_last_error(ERROR_INVALID_HANDLE);
        return 0;
    }
    switch (obj->kind()) {
    case Kind::Pen: return swap_selected(dc->state.pen, std::static_pointer_cast<Pen>(obj));
    case Kind::Brush: return swap_selected(dc->state.brush, std::static_pointer_cast<Brush>(obj));
    case Kind::Font: return swap_selected(dc->state.font, std::static_pointer_cast<Font>(obj));
    case Kind::Region: {
        // Windows returns the region kind here, not a handle.
        return static_cast<HGDIOBJ>(select_clip_rgn(hdc, object));
    }
    case Kind::Bitmap: {
        if (dc->surface) {
            set_last_error(ERROR_INVALID_PARAMETER);
            return 0;
        }
        auto bmp = std::static_pointer_cast<Bitmap>(obj);
        if (bmp == dc->state.bitmap) return object;
        HDC expected = 0;
        if (!bmp->stock && !bmp->selected_in.compare_exchange_strong(expected, hdc)) {
            set_last_error(ERROR_INVALID_PARAMETER);  // already in another DC
            return 0;
        }
        auto old = std::exchange(dc->state.bitmap, bmp);
        HGDIOBJ previous = old ? old->handle : 0;
        if (old && !old->stock) old->selected_in = 0;
        // Saved states keep the bitmap of the DC, whichever it is now.
        for (auto& s : dc->saved) s.bitmap = bmp;
        return previous;
    }
    default: set_last_error(ERROR_INVALID_HANDLE); return 0;
    }
}

HPALETTE select_palette(HDC hdc, HPALETTE palette, BOOL) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    auto pal = lookup_as<Palette>(palette);
    if (!pal) return 0;
    return swap_selected(dc->state.palette, pal);
}

}  // namespace platform
